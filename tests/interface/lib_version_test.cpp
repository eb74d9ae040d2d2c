// The library version: file-version halves, the version note of the built library and of this
// program, files without a note.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include "VkTalveronUpdateLib.h"
#include "interface/lib_version.h"
#include "support/temp_folder.h"

namespace {

TEST(LibVersionTest, FileVersionHalvesAndTheVersionNotes) {
    // Each component is cut to 8 bits; the build number is not used.
    EXPECT_EQ(versionFromFileVersion({(300u << 16) | 3u, (2u << 16) | 99u}),
              VkCVersion(44, 3, 2, 0, 0, 0));
    EXPECT_EQ(versionFromFileVersion({(1u << 16) | 300u, 0}), VkCVersion(1, 44, 0, 0, 0, 0));
    // The built library and this program report the configured version.
    void* library = dlopen(VK_BUILT_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    auto getVersion = reinterpret_cast<VkCVersion (*)()>(dlsym(library, "_Z13GetLibVersionv"));
    ASSERT_NE(getVersion, nullptr);
    EXPECT_EQ(getVersion(), VkCVersion(VK_EXPECTED_VERSION));
    dlclose(library);
    EXPECT_EQ(GetLibVersion(), VkCVersion(VK_EXPECTED_VERSION));
    // Unreadable or unmarked files give no version.
    FileVersion file;
    TempFolder temp;
    const std::string fake = temp.write("fake.so", "\177ELF but not really");
    // "/bin/sh": a real ELF file without the note.
    for (const char* path : {"/nonexistent/lib.so", "", fake.c_str(), "/bin/sh"}) {
        EXPECT_FALSE(readFileVersion(path, file)) << path;
    }
    EXPECT_FALSE(readFileVersion(nullptr, file));
}

}  // namespace

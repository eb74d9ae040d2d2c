// The library version: file-version halves, the version note of the built library, files
// without a note.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <string>

#include "VkTalveronUpdateLib.h"
#include "interface/lib_version.h"
#include "support/temp_folder.h"

namespace {

TEST(LibVersionTest, FileVersionHalvesBecomeThreeComponents) {
    const struct {
        FileVersion file;
        VkCVersion expected;
    } cases[] = {
        {{(3u << 16) | 3u, (2u << 16) | 0u}, VkCVersion(3, 3, 2, 0, 0, 0)},
        {{(3u << 16) | 3u, (2u << 16) | 99u}, VkCVersion(3, 3, 2, 0, 0, 0)},  // build unused
        {{(300u << 16) | 1u, 0}, VkCVersion(44, 1, 0, 0, 0, 0)},              // cut to 8 bits
        {{(1u << 16) | 300u, 300u << 16}, VkCVersion(1, 44, 44, 0, 0, 0)},
        {{0, 0}, VkCVersion()},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(versionFromFileVersion(c.file), c.expected)
            << versionFromFileVersion(c.file).getAsString().c_str();
    }
    EXPECT_STREQ(versionFromFileVersion({(3u << 16) | 3u, 2u << 16}).getAsString().c_str(),
                 "3.3.2");
}

TEST(LibVersionTest, BuiltLibraryReportsItsConfiguredVersion) {
    void* library = dlopen(VK_BUILT_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    using GetVersion = VkCVersion (*)();
    auto getVersion = reinterpret_cast<GetVersion>(dlsym(library, "_Z13GetLibVersionv"));
    ASSERT_NE(getVersion, nullptr);
    EXPECT_STREQ(getVersion().getAsString().c_str(),
                 VkCVersion(VK_EXPECTED_VERSION).getAsString().c_str());
    FileVersion file;
    ASSERT_TRUE(readFileVersion(VK_BUILT_LIBRARY, file));
    dlclose(library);
}

TEST(LibVersionTest, UnreadableOrUnmarkedFilesGiveNoVersion) {
    FileVersion file;
    EXPECT_FALSE(readFileVersion("/nonexistent/libVkTalveronUpdateLib.so", file));
    EXPECT_FALSE(readFileVersion("", file));
    EXPECT_FALSE(readFileVersion(nullptr, file));
    TempFolder temp;
    EXPECT_FALSE(readFileVersion(temp.write("fake.so",
                                            "\x7f"
                                            "ELF but not really")
                                     .c_str(),
                                 file));
    EXPECT_FALSE(readFileVersion("/bin/sh", file));  // a real ELF file without the note
}

TEST(LibVersionTest, GetLibVersionReadsTheFileThisCodeCameFrom) {
    EXPECT_NE(std::string(ownModulePath()), "");
    EXPECT_EQ(GetLibVersion(), VkCVersion(VK_EXPECTED_VERSION));
}

}  // namespace

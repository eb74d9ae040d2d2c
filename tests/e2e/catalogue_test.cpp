// The catalogue command: a firmware container read without touching any target.
#include <filesystem>
#include <string>

#include "e2e_fixture.h"
#include "firmware_folder.h"

namespace {

using CatalogueRun = VkupdateE2eTest;

TEST_F(CatalogueRun, ListsEveryUpdateFileOfTheContainer) {
    writeFirmwareFolder(tempFolder() + "/fw", VK_LIB_VERSION_TEXT);
    expectRun(run({"--firmware", "$TMP/fw", "catalogue"}), "catalogue", 0);
}

// The example container the build makes: every kind of entry, a missing file, boot loaders
// of both firmware types.
TEST_F(CatalogueRun, ListsTheExampleContainer) {
    expectRun(run({"--firmware", VK_EXAMPLE_FIRMWARE_DIR, "catalogue"}), "example_catalogue", 0);
}

TEST_F(CatalogueRun, PartOptionsDecideWhatIsSelected) {
    writeFirmwareFolder(tempFolder() + "/fw", VK_LIB_VERSION_TEXT);
    expectRun(run({"--firmware", "$TMP/fw", "--user-fpga", "catalogue"}), "catalogue_user_fpga", 0);
}

TEST_F(CatalogueRun, NamedDescriptionNeedsNoDiscovery) {
    writeFirmwareFolder(tempFolder() + "/fw", VK_LIB_VERSION_TEXT);
    writeFileText(tempFolder() + "/fw/other.xml", "<ITEM/>");
    expectRun(run({"--firmware", "$TMP/fw", "--description", "release.xml", "catalogue"}),
              "catalogue", 0);
}

TEST_F(CatalogueRun, TouchesNoTarget) {
    copyExampleTarget("lab-rtpc");
    writeFirmwareFolder(tempFolder() + "/fw", VK_LIB_VERSION_TEXT);
    const nlohmann::json before = readTargetJson("lab-rtpc");
    expectRun(run({"--targets", "$TMP/targets", "--system", "LAB-RTPC-01", "--firmware", "$TMP/fw",
                   "catalogue"}),
              "catalogue", 0);
    EXPECT_EQ(readTargetJson("lab-rtpc"), before);
    // Nothing but what was copied: no lock or staging files appeared.
    size_t entries = 0;
    for (const auto& entry : std::filesystem::directory_iterator(targetsFolder() + "/lab-rtpc")) {
        (void)entry;
        ++entries;
    }
    EXPECT_EQ(entries, 2u);
}

TEST_F(CatalogueRun, ContainerOfAnotherReleaseIsRefused) {
    writeFirmwareFolder(tempFolder() + "/fw", "0.9.7");
    expectRun(run({"--firmware", "$TMP/fw", "catalogue"}), "catalogue_other_release", 1);
}

TEST_F(CatalogueRun, UnreadableDescriptionIsRefused) {
    std::filesystem::create_directory(tempFolder() + "/fw");
    writeFileText(tempFolder() + "/fw/release.xml", "<ITEM ID=\"1000\" Descr=\"C\"><BROKEN>");
    expectRun(run({"--firmware", "$TMP/fw", "catalogue"}), "catalogue_unreadable", 1);
}

}  // namespace

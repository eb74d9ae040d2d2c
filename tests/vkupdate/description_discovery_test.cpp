#include "description_discovery.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

class DescriptionDiscoveryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/vkupdate-discovery-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder_ = pattern;
    }
    void TearDown() override { fs::remove_all(folder_); }

    void touch(const std::string& name) { std::ofstream(folder_ + "/" + name) << "x"; }

    std::string folder_;
};

TEST_F(DescriptionDiscoveryTest, TheOnlyXmlFileIsFound) {
    touch("release.xml");
    touch("firmware.bin");
    touch("notes.txt");
    const DescriptionDiscovery result = discoverDescriptionFile(folder_);
    EXPECT_TRUE(result.found) << result.error;
    EXPECT_EQ(result.fileName, "release.xml");
}

TEST_F(DescriptionDiscoveryTest, TheExtensionMatchesInAnyCase) {
    touch("RELEASE.XML");
    const DescriptionDiscovery result = discoverDescriptionFile(folder_);
    EXPECT_TRUE(result.found) << result.error;
    EXPECT_EQ(result.fileName, "RELEASE.XML");
}

TEST_F(DescriptionDiscoveryTest, FoldersAndFilesBelowDoNotCount) {
    fs::create_directory(folder_ + "/old.xml");
    fs::create_directory(folder_ + "/sub");
    touch("sub/inner.xml");
    touch("xml");
    touch(".xml");
    touch("release.xml");
    const DescriptionDiscovery result = discoverDescriptionFile(folder_);
    EXPECT_TRUE(result.found) << result.error;
    EXPECT_EQ(result.fileName, "release.xml");
}

TEST_F(DescriptionDiscoveryTest, NoXmlFileIsAnError) {
    touch("firmware.bin");
    const DescriptionDiscovery result = discoverDescriptionFile(folder_);
    EXPECT_FALSE(result.found);
    EXPECT_EQ(result.error, "no description file (*.xml) in the firmware folder " + folder_ +
                                "; name it with --description FILE");
}

TEST_F(DescriptionDiscoveryTest, SeveralXmlFilesAreAnErrorNamingThem) {
    touch("b.xml");
    touch("a.xml");
    const DescriptionDiscovery result = discoverDescriptionFile(folder_);
    EXPECT_FALSE(result.found);
    EXPECT_EQ(result.error, "several description files (*.xml) in the firmware folder " + folder_ +
                                " (a.xml, b.xml); name one with --description FILE");
}

TEST_F(DescriptionDiscoveryTest, AMissingFolderIsAnError) {
    const std::string missing = folder_ + "/missing";
    const DescriptionDiscovery result = discoverDescriptionFile(missing);
    EXPECT_FALSE(result.found);
    EXPECT_EQ(result.error,
              "the firmware folder " + missing + " does not exist or is not a folder");
}

TEST_F(DescriptionDiscoveryTest, AFileInsteadOfAFolderIsAnError) {
    touch("release.xml");
    const DescriptionDiscovery result = discoverDescriptionFile(folder_ + "/release.xml");
    EXPECT_FALSE(result.found);
    EXPECT_EQ(result.error,
              "the firmware folder " + folder_ + "/release.xml does not exist or is not a folder");
}

TEST_F(DescriptionDiscoveryTest, AGivenDescriptionMustBeARegularFile) {
    touch("release.xml");
    fs::create_directory(folder_ + "/folder.xml");
    ASSERT_EQ(::mkfifo((folder_ + "/pipe.xml").c_str(), 0600), 0);
    const std::pair<std::string, std::string> cases[] = {
        {"release.xml", ""},
        {"folder.xml", "the description file " + folder_ + "/folder.xml is a folder"},
        {"pipe.xml", "the description file " + folder_ + "/pipe.xml is no regular file"},
        {"missing.xml", "the description file " + folder_ +
                            "/missing.xml cannot be opened: No such file or directory"}};
    for (const auto& [name, error] : cases) {
        const DescriptionDiscovery result = checkGivenDescriptionFile(folder_, name);
        EXPECT_EQ(result.found, error.empty()) << name;
        EXPECT_EQ(result.error, error) << name;
    }
}

}  // namespace

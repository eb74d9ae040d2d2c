// The container version check: only a description made for exactly this library version is
// accepted; any other ends the process with status 1 and the message.
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "catalogue_test_support.h"
#include "description/firmware_catalogue.h"
#include "interface/module_state.h"

namespace {

using namespace description_test;

const char kRefusal[] =
    "ERROR: This firmware cannot be processed by this version of the update tool.\n"
    "       Please do not mix firmware and tools from different Velkor releases.\n"
    "       Firmware and required update tools must be consistent.\n";

class ContainerVersionTest : public CatalogueFixture {
  protected:
    // Reads the description in the dying child with standard output sent to standard error,
    // where the death test looks for the message.
    void readWithOutputOnStandardError() {
        std::fflush(stdout);
        ::dup2(STDERR_FILENO, STDOUT_FILENO);
        readFirmwareDescription(errors, options, firmwareVersion);
        std::fflush(stdout);
    }
};

TEST_F(ContainerVersionTest, LibraryVersionIsKnown) {
    EXPECT_NE(libraryVersionText(), "0.0.0") << "the library's version note must be readable";
}

TEST_F(ContainerVersionTest, EqualVersionIsAccepted) {
    writeDescription(descriptionXml(libraryVersionText(), {}));
    EXPECT_EQ(readDescription(), 0);
    EXPECT_EQ(capturedOutput, "");
}

struct RefusedCase {
    const char* name;
    std::string description;
};

class RefusedVersionTest : public ContainerVersionTest,
                           public testing::WithParamInterface<RefusedCase> {};

TEST_P(RefusedVersionTest, EndsTheProcessWithTheMessage) {
    writeDescription(GetParam().description);
    EXPECT_EXIT(readWithOutputOnStandardError(), testing::ExitedWithCode(1),
                testing::Eq(std::string(kRefusal)));
}

std::vector<RefusedCase> refusedCases() {
    return {
        {"Absent", descriptionXml("", {})},
        {"InfoWithoutVersion", itemXml("1000", "C", {itemXml("INFO", "", {})})},
        {"VersionOutsideInfo", itemXml("1000", "C", {versionParam(libraryVersionText())})},
        {"Older", descriptionXml(olderVersionText(), {})},
        {"Newer", descriptionXml(newerVersionText(), {})},
        {"FourthComponent", descriptionXml(libraryVersionWithBuildText(), {})},
        {"VersionAsText",
         itemXml("1000", "C",
                 {itemXml("INFO", "", {paramXml("VERSION", "String", libraryVersionText())})})},
    };
}

INSTANTIATE_TEST_SUITE_P(Table, RefusedVersionTest, testing::ValuesIn(refusedCases()),
                         [](const testing::TestParamInfo<RefusedCase>& info) {
                             return std::string(info.param.name);
                         });

// In firmware-manager mode the message reaches the host as event 35.
uint32_t messageToStandardError(ParameterSet event) {
    if (event.eventCode == 35) {
        std::fputs(static_cast<const VkCString*>(event.text1)->c_str(), stderr);
    }
    return 0;
}

TEST_F(ContainerVersionTest, MessageGoesToTheHostInManagerMode) {
    writeDescription(descriptionXml(newerVersionText(), {}));
    EXPECT_EXIT(
        {
            moduleState().outputToHost = true;
            moduleState().hostCallback = messageToStandardError;
            readFirmwareDescription(errors, options, firmwareVersion);
        },
        testing::ExitedWithCode(1), testing::Eq(std::string(kRefusal)));
}

}  // namespace

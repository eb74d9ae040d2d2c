// putFileViaTemp against a simulated target whose faults shape the put and the rename.
#include <gtest/gtest.h>

#include <filesystem>

#include "reporting/format.h"
#include "update/remote_files.h"
#include "update/scratch_folder.h"
#include "update/sim_target.h"
#include "utf8_conversion.h"

namespace {

struct PutCase {
    const char* name;
    const char* faults;
    int32_t result;
    bool renamed;       // the file has its final name
    bool tempLeftOver;  // "_TEMP001.TMP" stays on the drive
};

class PutFileViaTemp : public ::testing::TestWithParam<PutCase> {};

TEST_P(PutFileViaTemp, RenamesOnlyACompleteFileThatCameWithoutError) {
    const PutCase& c = GetParam();
    ScratchFolder scratch;
    const std::vector<char> content = patternBytes(5000);
    const std::string local = scratch.write("firmware/image.bin", content);
    SimTarget target(scratch, "put", c.faults);
    ASSERT_NE(target.device(), nullptr) << target.searchProblem();
    VkCErrorListPool pool;
    FtClientHandle client(pool, target.device());
    ASSERT_TRUE(client.isOpen());

    EXPECT_EQ(putFileViaTemp(pool, client.get(), utf8ToWide(local), kCnDriveRoot, "image.bin",
                             content.size()),
              c.result)
        << c.name;
    EXPECT_EQ(std::filesystem::exists(target.cfdriveFile("image.bin")), c.renamed) << c.name;
    EXPECT_EQ(std::filesystem::exists(target.cfdriveFile("_TEMP001.TMP")), c.tempLeftOver)
        << c.name;
    if (c.renamed) {
        EXPECT_EQ(std::filesystem::file_size(target.cfdriveFile("image.bin")), content.size());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PutFileViaTemp,
    ::testing::Values(PutCase{"exact size", "[]", 0, true, false},
                      PutCase{"short write without an error",
                              R"([{"call": "putFileU", "shortWrite": true}])", -1, false, true},
                      PutCase{"short count with an error",
                              R"([{"call": "putFileU", "result": 100}])", -1, false, false},
                      PutCase{"negative result", R"([{"call": "putFileU"}])", -1, false, false},
                      PutCase{"rename fails", R"([{"call": "renameFile"}])", -1, false, true},
                      PutCase{"rename records an error but answers 0",
                              R"([{"call": "renameFile", "result": 0}])", -1, false, true}),
    [](const ::testing::TestParamInfo<PutCase>& info) { return std::to_string(info.index); });

}  // namespace

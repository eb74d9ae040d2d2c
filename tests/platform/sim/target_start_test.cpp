#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <functional>

#include "sim/Images.h"
#include "sim_fixture.h"

namespace simtest {
namespace {

void writeImage(const std::string& path, const std::string& version) {
    std::string error;
    ASSERT_TRUE(vksim::writeVkimImage(path, version, 1024, error)) << error;
}

void reset(const std::string& systemName, int times = 1) {
    OpenTarget open;
    ASSERT_TRUE(open.open(systemName, false)) << lastErrorText(open.pool);
    for (int i = 0; i < times; ++i) {
        ASSERT_EQ(VkLnk_FORCE_resetDevice(open.pool, open.device, 0), 0)
            << lastErrorText(open.pool);
    }
}

struct BootLoaderCase {
    const char* name;
    std::function<void(const std::string& folder)> place;  // writes (or not) cfdrive/boot/l.bin
    const char* version;  // of the part after the reset; null: the inventory stays as it is
};

void PrintTo(const BootLoaderCase& c, std::ostream* os) {
    *os << c.name;
}

class BootLoaderTest : public SimTest, public ::testing::WithParamInterface<BootLoaderCase> {};

TEST_P(BootLoaderTest, ResetTakesUpOnlyASoundImageFileOnTheDrive) {
    Json doc = standardTarget();
    doc["bootLoaders"] =
        Json::parse(R"([{"file": "boot/l.bin", "part": "HCN/HARDWARE/BOOTLOADER[3]"}])");
    const std::string folder = addTarget("t1", doc);
    ::mkdir((folder + "/cfdrive/boot").c_str(), 0755);
    GetParam().place(folder);
    reset("lab1");
    const Json saved = targetJson("t1");
    EXPECT_EQ(saved["rebootCount"], 1);
    if (GetParam().version == nullptr) {
        EXPECT_EQ(saved["inventory"], doc["inventory"]);
        return;
    }
    Json added = Json::parse(R"({"id": "HARDWARE", "items": [{"id": "BOOTLOADER[3]"}]})");
    added["items"][0]["params"]["VERSION"] = GetParam().version;
    EXPECT_EQ(saved["inventory"][0]["items"].back(), added) << "added with its parent";
    EXPECT_EQ(::access((folder + "/cfdrive/boot/l.bin").c_str(), F_OK), 0) << "the file stays";
}

INSTANTIATE_TEST_SUITE_P(
    Files, BootLoaderTest,
    ::testing::Values(BootLoaderCase{"SoundImage",
                                     [](const std::string& folder) {
                                         writeImage(folder + "/cfdrive/boot/l.bin", "2.7.0");
                                     },
                                     "2.7"},
                      BootLoaderCase{"Missing", [](const std::string&) {}, nullptr},
                      BootLoaderCase{
                          "BrokenImage",
                          [](const std::string& folder) {
                              writeImage(folder + "/cfdrive/boot/l.bin", "2.7");
                              std::ofstream(folder + "/cfdrive/boot/l.bin", std::ios::app) << 'x';
                          },
                          nullptr},
                      BootLoaderCase{"LinkOutOfTheDrive",
                                     [](const std::string& folder) {
                                         writeImage(folder + "/outside.bin", "2.7");
                                         ASSERT_EQ(
                                             ::symlink((folder + "/outside.bin").c_str(),
                                                       (folder + "/cfdrive/boot/l.bin").c_str()),
                                             0);
                                     },
                                     nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SimTest, ResetAddsUpdateInfoOnceTheProcessingUnitFirmwareIsNewEnough) {
    Json doc = standardTarget();  // processing unit firmware 3.2.1
    Json& boards = doc["inventory"][0]["items"][2]["items"];
    boards[0]["updateInfoFrom"] = "3.2.1";
    boards.push_back(Json::parse(R"({"id": "ION[3]", "updateInfoFrom": "3.3"})"));
    addTarget("t1", doc);
    reset("lab1", 2);
    const Json saved = targetJson("t1")["inventory"][0]["items"][2]["items"];
    EXPECT_EQ(saved[0]["items"], Json::parse(R"([{"id": "PRODUCT", "params": {"BOARD_TYPE":
        "VK4320", "SERIAL_NUMBER": 815, "SYSTEM_CLASS": 262145}}, {"id": "UPDATE_INFO"}])"))
        << "added once";
    EXPECT_EQ(saved[0]["updateInfoFrom"], "3.2.1");
    EXPECT_EQ(saved[1], boards[1]) << "the firmware is older than 3.3";
}

TEST_F(SimTest, ResetMovesTheParametersOfTheNextStartIntoTheItem) {
    Json doc = standardTarget();
    doc["inventory"][0]["params"]["ACTIVE_FIRMWARE"] = 2;
    doc["inventory"][0]["nextStart"] = Json::parse(R"({"ACTIVE_FIRMWARE": 1})");
    addTarget("t1", doc);
    reset("lab1");
    const Json saved = targetJson("t1")["inventory"][0];
    EXPECT_EQ(saved["params"]["ACTIVE_FIRMWARE"], 1);
    EXPECT_FALSE(saved.contains("nextStart"));
}

}  // namespace
}  // namespace simtest

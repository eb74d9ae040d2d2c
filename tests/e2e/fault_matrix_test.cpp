// What a failing target does to `vkupdate update`: every device call of an update fails once,
// the updater is killed at points spread over an update, and other commands run beside it.
// After each, the target must be sound (target.json readable, nothing locked, no temporary
// file left) and a second run must install every selected file.
#include <signal.h>
#include <sys/file.h>

#include <fcntl.h>
#include <unistd.h>
#include <chrono>
#include <filesystem>
#include <map>
#include <random>
#include <thread>

#include "e2e_fixture.h"

namespace {

namespace fs = std::filesystem;

class TargetSoundness : public VkupdateE2eTest {
  protected:
    void SetUp() override {
        VkupdateE2eTest::SetUp();
        fs::copy(VK_EXAMPLE_FIRMWARE_DIR, tempFolder() + "/fw", fs::copy_options::recursive);
        const ProcessResult made = runProcess(VK_SIM_TOOL,
                                              {"image", "--version", "2.4", "--size", "6144", "-o",
                                               tempFolder() + "/fw/vk4360rt_fpga_2.4.vkim"},
                                              tempFolder());
        ASSERT_EQ(made.status, 0) << made.err;
        fs::create_directory(tempFolder() + "/tmp");
        fs::create_directory(tempFolder() + "/runs");
    }

    // A fresh copy of the lab example with a loaded application and the faults given.
    void freshTarget(const nlohmann::json& faults = nlohmann::json::array()) {
        std::error_code ignored;
        fs::remove_all(targetsFolder() + "/lab-rtpc", ignored);
        copyExampleTarget("lab-rtpc");
        nlohmann::json doc = readTargetJson("lab-rtpc");
        doc["applications"] = {26};
        doc["faults"] = faults;
        writeTargetJson("lab-rtpc", doc);
    }

    std::vector<std::string> updateArgs(const std::vector<std::string>& options = {}) const {
        std::vector<std::string> args = {
            "--targets",  targetsFolder(),      "--system", "LAB-RTPC-01",
            "--firmware", tempFolder() + "/fw", "-s",       "-y"};
        args.insert(args.end(), options.begin(), options.end());
        args.push_back("update");
        return args;
    }
    std::map<std::string, std::string> environment(const char* timeScale) const {
        return {{"VK_SIM_TIME_SCALE", timeScale}, {"TMPDIR", tempFolder() + "/tmp"}};
    }
    ProcessResult update(const std::vector<std::string>& options = {}) {
        return run(updateArgs(options), environment("0.001"));
    }

    // target.json reads, no lock is held, no temporary file is left behind.
    void expectSoundTarget(const std::string& context) {
        const std::string folder = targetsFolder() + "/lab-rtpc";
        EXPECT_NO_THROW(readTargetJson("lab-rtpc")) << context;
        for (const char* lock : {"access.lock", "inventory.lock", "state.lock"}) {
            const int fd = ::open((folder + "/" + lock).c_str(), O_RDONLY | O_CLOEXEC);
            if (fd >= 0) {
                EXPECT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0) << context << ": " << lock;
                ::close(fd);
            }
        }
        for (const auto& entry : fs::recursive_directory_iterator(folder)) {
            const std::string name = entry.path().filename().string();
            EXPECT_TRUE(name.find(".tmp.") == std::string::npos && name != "_TEMP001.TMP")
                << context << ": left behind: " << entry.path();
        }
        EXPECT_TRUE(fs::is_empty(tempFolder() + "/tmp")) << context;
    }

    // A second run installs every selected file and leaves no transferred copy.
    void expectRerunCompletes(const std::string& context) {
        const ProcessResult rerun = update({"--verify"});
        EXPECT_EQ(rerun.status, 0) << context << "\n" << rerun.out;
        EXPECT_NE(rerun.out.find("Verified: every selected file is installed."), std::string::npos)
            << context;
        expectSoundTarget(context + ", rerun");
        EXPECT_TRUE(fs::is_empty(targetsFolder() + "/lab-rtpc/staging")) << context;
    }
};

struct FaultRow {
    const char* call;
    int status;
    const char* named;  // what the output says about it
};

void PrintTo(const FaultRow& row, std::ostream* os) {
    *os << row.call;
}

class DeviceCallFails : public TargetSoundness, public ::testing::WithParamInterface<FaultRow> {};

TEST_P(DeviceCallFails, OnceAndTheNextRunCompletes) {
    const FaultRow& row = GetParam();
    freshTarget(nlohmann::json::array({{{"call", row.call}, {"times", 1}}}));
    const ProcessResult first = update();
    EXPECT_EQ(first.status, row.status) << first.out;
    EXPECT_NE(first.out.find(row.named), std::string::npos) << first.out;
    expectSoundTarget(row.call);
    expectRerunCompletes(row.call);
}

INSTANTIATE_TEST_SUITE_P(
    Calls, DeviceCallFails,
    ::testing::Values(
        FaultRow{"getDeviceList", 1, "not found (error code: 1)!"},
        FaultRow{"createDeviceHandle", 1, "not found (error code: 1)!"},
        FaultRow{"deleteDeviceHandle", 1, "VkLnk_deleteDeviceHandle failed"},
        FaultRow{"createAccessRestrictionHandle", 1, "Create access restriction handle failed."},
        FaultRow{"requestAccessRestrictionLevel", 1, "Cannot gain access to target device."},
        FaultRow{"deleteAccessRestrictionHandle", 1, "VkLnk_deleteAccessRestrictionHandle failed"},
        FaultRow{"getApplications", 1, "Trying to start update anyway"},
        FaultRow{"unloadAppl", 1, "Application with ID 0x1A can't be unloaded!"},
        FaultRow{"createRootHandle", 1, "Cannot read target device information."},
        FaultRow{"deleteRootHandle", 1, "deleteRootHandle failed"},
        FaultRow{"scan", 1, "Cannot read target device information."},
        FaultRow{"lock", 1, "lock failed"}, FaultRow{"unlock", 1, "unlock failed"},
        FaultRow{"transferFile", 1, "ERROR: VKx86_32, SN 104233: Firmware\n"},
        FaultRow{"update", 1, "ERROR: VKx86_32, SN 104233: Firmware\n"},
        FaultRow{"updateStatus", 1, "ERROR: VKx86_32, SN 104233: Firmware, Boot loader\n"},
        FaultRow{"updateErrors", 1, "ERROR: VKx86_32, SN 104233: Firmware, Boot loader\n"},
        FaultRow{"updateFinish", 0, "Update completed successfully!"},
        FaultRow{"deleteRemoteFile", 1, "deleteRemoteFile failed"},
        FaultRow{"createFTClientHandle", 1, "VkLnk_createFTClientHandle failed"},
        FaultRow{"deleteFTClientHandle", 1, "VkLnk_deleteFTClientHandle failed"},
        FaultRow{"getFileU", 0, "Update completed successfully!"},
        FaultRow{"putFileU", 1, "ERROR: VKx86_32, SN 104233: BootLoader\n"},
        FaultRow{"renameFile", 1, "ERROR: VKx86_32, SN 104233: BootLoader\n"}),
    [](const ::testing::TestParamInfo<FaultRow>& info) { return std::string(info.param.call); });

// The last heading a killed run printed: the stage it was in.
std::string stageOf(const std::string& output) {
    static const char* const kHeadings[] = {
        "Transferring files:", "Updating boot loader:", "Updating:", "Updating files:", "Results:"};
    std::string stage = "start-up";
    size_t latest = 0;
    for (const char* heading : kHeadings) {
        const size_t at = output.rfind(heading);
        if (at != std::string::npos && at >= latest) {
            latest = at;
            stage = heading;
        }
    }
    return stage;
}

// SIGKILL at 20 points spread over an update: each point waits for a stage's heading (or
// none), then a seeded delay, so the kills fall in every stage and mid-way through it.
TEST_F(TargetSoundness, AKilledUpdateIsFinishedByTheNextRun) {
    const char* const kMarkers[] = {
        "", "Transferring files:", "Updating boot loader:", "Updating:", "Updating files:"};
    std::mt19937 random(20261206);
    std::map<std::string, int> stages;
    for (int point = 0; point < 20; ++point) {
        freshTarget();
        const std::string marker = kMarkers[point % 5];
        const auto delay =
            std::chrono::microseconds(std::uniform_int_distribution<int>(0, 40000)(random));
        const RunningProcess killed =
            startProcess(VKUPDATE_PATH, updateArgs(), tempFolder() + "/runs", environment("0.05"));
        if (!marker.empty()) {
            EXPECT_TRUE(waitForOutput(killed, marker)) << marker;
        }
        std::this_thread::sleep_for(delay);
        ::kill(killed.pid, SIGKILL);
        const ProcessResult stopped = finishProcess(killed);
        ++stages[stopped.status == -1 ? stageOf(stopped.out) : "ended before the kill"];
        const std::string context = "kill point " + std::to_string(point);
        EXPECT_NO_THROW(readTargetJson("lab-rtpc")) << context;
        expectRerunCompletes(context);
    }
    std::string spread;
    for (const auto& [stage, count] : stages) {
        spread += " " + stage + " " + std::to_string(count) + ";";
    }
    RecordProperty("KillStages", spread);
    EXPECT_GE(stages.size(), 4u) << "the kills fell in too few stages:" << spread;
}

TEST_F(TargetSoundness, ListingsAndPlansRunBesideAnUpdate) {
    freshTarget();
    const RunningProcess updater =
        startProcess(VKUPDATE_PATH, updateArgs(), tempFolder() + "/runs", environment("0.3"));
    ASSERT_TRUE(waitForOutput(updater, "Transferring files:"));
    const std::vector<std::string> target = {"--targets", targetsFolder(), "--system",
                                             "LAB-RTPC-01"};
    std::vector<std::string> boards = target;
    boards.push_back("boards");
    std::vector<std::string> plan = target;
    plan.insert(plan.end(), {"--firmware", tempFolder() + "/fw", "plan"});
    EXPECT_EQ(run(boards, environment("0")).status, 0);
    EXPECT_EQ(run(plan, environment("0")).status, 0);
    EXPECT_EQ(finishProcess(updater).status, 0);
    expectSoundTarget("beside listings");
}

}  // namespace

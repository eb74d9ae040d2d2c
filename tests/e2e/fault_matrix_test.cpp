// What a failing target does to `vkupdate update`: every device call of an update fails once,
// the updater is killed at points spread over an update, and other commands run beside it.
// After each, the target must be sound (target.json readable, nothing locked, no temporary
// file left) and a second run must install every selected file (--verify).
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <thread>

#include "e2e_fixture.h"

namespace {

namespace fs = std::filesystem;

class TargetSoundness : public E2eTest {
  protected:
    // Fresh targets, the lab example with a loaded application and the faults given.
    void prepare(const Json& faults = Json::array()) {
        fresh();
        completeFirmware();
        fs::create_directory(tmp() + "/tmp");
        setInTarget("lab-rtpc", "/applications", {26});
        setInTarget("lab-rtpc", "/faults", faults);
    }
    Env environment(const char* timeScale) const {
        return {{"VK_SIM_TIME_SCALE", timeScale}, {"TMPDIR", tmp() + "/tmp"}};
    }
    const std::string update = kLab + "--firmware $TMP/fw -s -y update";

    // target.json reads, no lock is held, no temporary file is left behind.
    void expectSoundTarget(const std::string& context) {
        const std::string folder = targetFile("lab-rtpc");
        EXPECT_FALSE(target("lab-rtpc").is_discarded()) << context;
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
        EXPECT_TRUE(fs::is_empty(tmp() + "/tmp")) << context;
    }

    // A second run installs every selected file and leaves no transferred copy.
    void expectRerunCompletes(const std::string& context) {
        const ProcessResult rerun =
            run(kLab + "--firmware $TMP/fw -s -y --verify update", environment("0.001"));
        EXPECT_EQ(rerun.status, 0) << context << "\n" << rerun.out;
        expectSoundTarget(context + ", rerun");
        EXPECT_TRUE(fs::is_empty(targetFile("lab-rtpc/staging"))) << context;
    }
};

TEST_F(TargetSoundness, EachDeviceCallFailsOnceAndTheNextRunCompletes) {
    const struct {
        const char* call;
        int status;
        const char* named;  // what the output says about it
    } rows[] = {
        {"getDeviceList", 1, "not found (error code: 1)!"},
        {"createDeviceHandle", 1, "not found (error code: 1)!"},
        {"deleteDeviceHandle", 1, "VkLnk_deleteDeviceHandle failed"},
        {"createAccessRestrictionHandle", 1, "Create access restriction handle failed."},
        {"requestAccessRestrictionLevel", 1, "Cannot gain access to target device."},
        {"deleteAccessRestrictionHandle", 1, "VkLnk_deleteAccessRestrictionHandle failed"},
        {"getApplications", 1, "Trying to start update anyway"},
        {"unloadAppl", 1, "Application with ID 0x1A can't be unloaded!"},
        {"createRootHandle", 1, "Cannot read target device information."},
        {"deleteRootHandle", 1, "deleteRootHandle failed"},
        {"scan", 1, "Cannot read target device information."},
        {"lock", 1, "lock failed"},
        {"unlock", 1, "unlock failed"},
        {"transferFile", 1, "ERROR: VKx86_32, SN 104233: Firmware\n"},
        {"update", 1, "ERROR: VKx86_32, SN 104233: Firmware\n"},
        {"updateStatus", 1, "ERROR: VKx86_32, SN 104233: Firmware, Boot loader\n"},
        {"updateErrors", 1, "ERROR: VKx86_32, SN 104233: Firmware, Boot loader\n"},
        {"updateFinish", 0, "Update completed successfully!"},
        {"deleteRemoteFile", 1, "deleteRemoteFile failed"},
        {"createFTClientHandle", 1, "VkLnk_createFTClientHandle failed"},
        {"deleteFTClientHandle", 1, "VkLnk_deleteFTClientHandle failed"},
        {"getFileU", 0, "Update completed successfully!"},
        {"putFileU", 1, "ERROR: VKx86_32, SN 104233: BootLoader\n"},
        {"renameFile", 1, "ERROR: VKx86_32, SN 104233: BootLoader\n"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.call);
        prepare(Json::array({{{"call", row.call}, {"times", 1}}}));
        const ProcessResult first = run(update, environment("0.001"));
        EXPECT_EQ(first.status, row.status) << first.out;
        EXPECT_NE(first.out.find(row.named), std::string::npos) << first.out;
        expectSoundTarget(row.call);
        expectRerunCompletes(row.call);
    }
}

// The last heading a killed run printed: the stage it was in.
std::string stageOf(const std::string& output) {
    std::string stage = "start-up";
    size_t latest = 0;
    for (const char* heading : {"Transferring files:", "Updating boot loader:", "Updating:",
                                "Updating files:", "Results:"}) {
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
        prepare();
        const std::string marker = kMarkers[point % 5];
        const auto delay =
            std::chrono::microseconds(std::uniform_int_distribution<int>(0, 40000)(random));
        const RunningProcess killed = start(update, tmp() + "/runs", environment("0.05"));
        if (!marker.empty()) {
            EXPECT_TRUE(waitForOutput(killed, marker)) << marker;
        }
        std::this_thread::sleep_for(delay);
        ::kill(killed.pid, SIGKILL);
        const ProcessResult stopped = finishProcess(killed);
        ++stages[stopped.status == -1 ? stageOf(stopped.out) : "ended before the kill"];
        const std::string context = "kill point " + std::to_string(point);
        EXPECT_FALSE(target("lab-rtpc").is_discarded()) << context;
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
    prepare();
    const RunningProcess updater = start(update, tmp() + "/runs", environment("0.3"));
    ASSERT_TRUE(waitForOutput(updater, "Transferring files:"));
    EXPECT_EQ(run(kLab + "boards", environment("0")).status, 0);
    EXPECT_EQ(run(kLab + "--firmware $TMP/fw plan", environment("0")).status, 0);
    EXPECT_EQ(finishProcess(updater).status, 0);
    expectSoundTarget("beside listings");
}

}  // namespace

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "VkTalveronUpdateLib.h"
#include "interface/module_state.h"
#include "reporting/console.h"

namespace {

std::vector<std::string> received;
std::vector<uint32_t> codes;

uint32_t recordingHost(ParameterSet event) {
    codes.push_back(event.eventCode);
    if (event.eventCode == 35) {
        received.push_back(static_cast<const VkCString*>(event.text1)->c_str());
    }
    return 77;
}

class ConsoleTest : public ::testing::Test {
  protected:
    void SetUp() override {
        received.clear();
        codes.clear();
        moduleState().outputToHost = false;
        moduleState().verboseOutput = false;
        SetFwMgrFunction(nullptr);
    }
    void TearDown() override { SetUp(); }
};

TEST_F(ConsoleTest, ReportGoesToTheConsoleWhenNotInHostMode) {
    SetFwMgrFunction(recordingHost);
    testing::internal::CaptureStdout();
    reportMessage(L"WARNING: Device %hs [SN: %u] has no user firmware installed.\n", "VK7101",
                  4711u);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "WARNING: Device VK7101 [SN: 4711] has no user firmware installed.\n");
    EXPECT_TRUE(received.empty());
}

TEST_F(ConsoleTest, ReportReachesARegisteredHostAsEvent35AndNotTheConsole) {
    SetFwMgrFunction(recordingHost);
    moduleState().outputToHost = true;
    testing::internal::CaptureStdout();
    reportMessage(L"ERROR: Create access restriction handle failed.\n");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0], "ERROR: Create access restriction handle failed.\n");
    EXPECT_EQ(codes, std::vector<uint32_t>{35});
    EXPECT_EQ(sendHostMessage(VkCString("x")), 77u);
}

TEST_F(ConsoleTest, HostMessagesWithoutACallbackAreDropped) {
    moduleState().outputToHost = true;
    testing::internal::CaptureStdout();
    reportMessage(L"INFO: %hs\n", "dropped");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(sendHostMessage(VkCString("x")), 0u);
}

TEST_F(ConsoleTest, LongHostMessagesAreCutToTheBufferNotLost) {
    SetFwMgrFunction(recordingHost);
    moduleState().outputToHost = true;
    const std::wstring name(5000, L'n');
    reportMessage(L"INFO: File %s differs\n", name.c_str());
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].size(), 2047u);
    EXPECT_EQ(received[0].substr(0, 11), "INFO: File ");
}

TEST_F(ConsoleTest, TracesAppearOnlyWhenVerboseAndAlwaysOnTheConsole) {
    SetFwMgrFunction(recordingHost);
    moduleState().outputToHost = true;
    testing::internal::CaptureStdout();
    trace(L"getDeviceHandle...\n");
    moduleState().verboseOutput = true;
    trace(L"getDeviceHandle...\n");
    trace(L"  OK (%p)\n", static_cast<void*>(nullptr));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "getDeviceHandle...\n  OK (0x0)\n");
    EXPECT_TRUE(received.empty());
}

TEST_F(ConsoleTest, NarrowConsolePrintCountsCharactersWritten) {
    testing::internal::CaptureStdout();
    const int n = consolePrintNarrow("%u (%hs): %hs\n", 4711u, "VK7101", "ROOT/HCN");
    consolePrint(L"%ls\n", L"caf\u00e9");
    consoleFlush();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "4711 (VK7101): ROOT/HCN\ncaf\xc3\xa9\n");
    EXPECT_EQ(n, 24);
}

}  // namespace

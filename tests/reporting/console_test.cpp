// Console and host output: messages go to the console or, in host mode, to the host as
// message events (cut to the buffer); traces only when verbose and always to the console.
#include "reporting/console.h"

#include <gtest/gtest.h>

#include "support/captured_output.h"
#include "support/host_recorder.h"

namespace {

TEST(Console, MessagesGoToTheConsoleOrInHostModeToTheHost) {
    HostRecorder host([](const ParameterSet&) { return 77u; });
    const auto printed = captureOutput([] {
        reportMessage(L"WARNING: Device %hs [SN: %u].\n", "VK7101", 4711u);
        return 0;
    });
    EXPECT_EQ(printed.out, "WARNING: Device VK7101 [SN: 4711].\n");
    EXPECT_TRUE(host.events().empty());
    moduleState().outputToHost = true;
    const auto sent = captureOutput([] {
        reportMessage(L"ERROR: %hs failed.\n", "Create");
        reportMessage(L"INFO: File %s differs\n", std::wstring(5000, L'n').c_str());
        return sendHostMessage(VkCString("x"));
    });
    EXPECT_EQ(sent.out, "");
    EXPECT_EQ(sent.result, 77u);
    ASSERT_EQ(host.codes(), std::vector<uint32_t>(3, EvMessage));
    EXPECT_EQ(host.events()[0].text, "ERROR: Create failed.\n");
    EXPECT_EQ(host.events()[1].text.size(), 2047u);
    EXPECT_EQ(host.events()[1].text.substr(0, 11), "INFO: File ");
    moduleState().outputToHost = false;
}

TEST(Console, HostMessagesWithoutAHostAreDropped) {
    moduleState().outputToHost = true;
    const auto out = captureOutput([] {
        reportMessage(L"INFO: %hs\n", "dropped");
        return sendHostMessage(VkCString("x"));
    });
    moduleState().outputToHost = false;
    EXPECT_EQ(out.out, "");
    EXPECT_EQ(out.result, 0u);
}

TEST(Console, TracesOnlyWhenVerboseAndAlwaysOnTheConsole) {
    HostRecorder host;
    moduleState().outputToHost = true;
    const auto out = captureOutput([] {
        trace(L"hidden\n");
        moduleState().verboseOutput = true;
        trace(L"  OK (%p)\n", static_cast<void*>(nullptr));
        consolePrint(L"%ls|", L"caf\u00e9");
        return consolePrintNarrow("%u (%hs)\n", 4711u, "VK7101");
    });
    moduleState().outputToHost = moduleState().verboseOutput = false;
    EXPECT_EQ(out.out, "  OK (0x0)\ncaf\xc3\xa9|4711 (VK7101)\n");
    EXPECT_EQ(out.result, 14);
    EXPECT_TRUE(host.events().empty());
}

}  // namespace

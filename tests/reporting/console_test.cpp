// Console and host output: messages go to the console or, in host mode, to the host as
// message events (cut to the buffer, dropped without a host); traces only when verbose and
// always to the console.
#include "reporting/console.h"

#include <gtest/gtest.h>

#include "support/captured_output.h"
#include "support/host_recorder.h"

namespace {

TEST(Console, MessagesGoToTheConsoleOrInHostModeToTheHost) {
    moduleState().outputToHost = true;
    EXPECT_EQ(captureOutput([] { return sendHostMessage(VkCString("dropped")); }).result, 0u);
    moduleState().outputToHost = false;
    HostRecorder host([](const ParameterSet&) { return 77u; });
    const auto printed = captureOutput([] {
        reportMessage(L"WARNING: Device %hs [SN: %u].\n", "VK7101", 4711u);
        trace(L"hidden\n");
        moduleState().outputToHost = moduleState().verboseOutput = true;
        trace(L"  OK (%p)\n", static_cast<void*>(nullptr));
        consolePrint(L"%ls|", L"caf\u00e9");
        consolePrintNarrow("%u (%hs)\n", 4711u, "VK7101");
        reportMessage(L"ERROR: %hs failed.\n", "Create");
        reportMessage(L"INFO: File %s differs\n", std::wstring(5000, L'n').c_str());
        return sendHostMessage(VkCString("x"));
    });
    moduleState().outputToHost = moduleState().verboseOutput = false;
    EXPECT_EQ(printed.out,
              "WARNING: Device VK7101 [SN: 4711].\n  OK (0x0)\ncaf\xc3\xa9|4711 (VK7101)\n");
    EXPECT_EQ(printed.result, 77u);
    ASSERT_EQ(host.codes(), std::vector<uint32_t>(3, EvMessage));
    EXPECT_EQ(host.events()[0].text, "ERROR: Create failed.\n");
    EXPECT_EQ(host.events()[1].text.size(), 2047u);
}

}  // namespace

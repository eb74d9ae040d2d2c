// A small host of the update library: it prints the plan of a target, then updates it as a
// firmware manager would, following the run through the library's events.
//   vkhost SYSTEM-NAME FIRMWARE-FOLDER DESCRIPTION-FILE
// The target is found the usual way; for a simulated target set VK_SIM_TARGETS.
#include <VkTalveronUpdateLib.h>

#include <clocale>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>

namespace {

// Messages are printed as they come; the stages and the progress in brief.
uint32_t onEvent(ParameterSet event) {
    switch (event.eventCode) {
        case EvMessage:
            std::fputs(static_cast<const VkCString*>(event.text1)->c_str(), stdout);
            break;
        case EvProgress:
            std::printf("[progress %u%%]\n", event.value2);
            break;
        case EvUpdateEnded:
            std::printf("[board %u: file %u ended]\n", event.value1, event.value2);
            break;
        case EvRunFinished:
            std::printf("[run finished: %u]\n", event.value1);
            break;
        default:
            break;
    }
    return 1;  // answers EvFilePermission: go ahead with the file
}

// Paths are UTF-8 text; the options record holds them as wide text.
std::wstring widen(const char* text) {
    std::mbstate_t state{};
    std::wstring wide(std::strlen(text), L'\0');
    const size_t length = std::mbsrtowcs(&wide[0], &text, wide.size(), &state);
    wide.resize(length == size_t(-1) ? 0 : length);
    return wide;
}

VkTCmdOptions optionsFor(const char* systemName, const char* folder, const char* description) {
    VkTCmdOptions options;
    options.systemName = systemName;
    options.firmwareFolder = widen(folder);
    options.descriptionFile = widen(description);
    options.updateFirmware = options.updateFpgaFirmware = options.updateBusFpga = true;
    return options;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: vkhost SYSTEM-NAME FIRMWARE-FOLDER DESCRIPTION-FILE\n");
        return 64;
    }
    std::setlocale(LC_CTYPE, "C.UTF-8");
    VkTCmdOptions options = optionsFor(argv[1], argv[2], argv[3]);

    options.mode = ShowPlan;  // the library prints the plan on the console
    VkCErrorListPool planErrors;
    if (VkSmartUpdateTool(planErrors, options) != 0) {
        return 1;
    }

    SetFwMgrFunction(&onEvent);  // from now on every message comes as an event
    options.mode = Update;
    options.fwMgrMode = true;
    VkCErrorListPool updateErrors;
    const int32_t result = VkSmartUpdateTool(updateErrors, options);
    SetFwMgrFunction(nullptr);
    std::printf("update result: %d\n", result);
    return result;
}

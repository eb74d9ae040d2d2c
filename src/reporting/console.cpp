#include "reporting/console.h"

#include <cstdarg>
#include <cstdio>
#include <string>

#include "interface/module_state.h"
#include "reporting/format.h"
#include "reporting/host_events.h"
#include "utf8_conversion.h"

namespace {

void writeStdout(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
}

// Formats into buffer and sends the text to the host, or prints and flushes it.
void report(wchar_t* buffer, size_t capacity, const wchar_t* format, va_list args) {
    if (!moduleState().outputToHost) {
        writeStdout(wideToUtf8(vformatWide(format, args)));
        consoleFlush();
        return;
    }
    vformatMessage(buffer, capacity, format, args);
    sendHostMessage(toNarrow(buffer));
}

}  // namespace

void consolePrint(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    writeStdout(wideToUtf8(vformatWide(format, args)));
    va_end(args);
}

int consolePrintNarrow(const char* format, ...) {
    va_list args;
    va_start(args, format);
    const std::string text = vformatNarrowText(format, args);
    va_end(args);
    writeStdout(text);
    return static_cast<int>(text.size());
}

void consoleFlush() {
    std::fflush(stdout);
}

uint32_t sendHostMessage(VkCString message) {
    ParameterSet event = makeEvent(EvMessage);
    event.text1 = &message;
    return sendEvent(event);
}

void reportMessage(const wchar_t* format, ...) {
    ModuleState& state = moduleState();
    va_list args;
    va_start(args, format);
    report(state.messageBuffer, ModuleState::kMessageBufferSize, format, args);
    va_end(args);
}

void reportMessageWithBuffer(wchar_t* buffer, size_t capacity, const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    report(buffer, capacity, format, args);
    va_end(args);
}

void trace(const wchar_t* format, ...) {
    if (!moduleState().verboseOutput) {
        return;
    }
    va_list args;
    va_start(args, format);
    writeStdout(wideToUtf8(vformatWide(format, args)));
    va_end(args);
    consoleFlush();
}

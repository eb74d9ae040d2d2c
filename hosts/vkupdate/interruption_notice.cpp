#include "interruption_notice.h"

#include <unistd.h>

#include <cstring>

namespace {

const char kNotice[] =
    "\nvkupdate: interrupted during the update; the target may be partly updated.\n"
    "Run the same command again to finish the update.\n";

// Only async-signal-safe calls: write the notice, end the process.
void endInterruptedUpdate(int signalNumber) {
    const ssize_t ignored = ::write(STDERR_FILENO, kNotice, sizeof kNotice - 1);
    (void)ignored;
    ::_exit(128 + signalNumber);
}

void install(int signalNumber, struct sigaction& previous) {
    struct sigaction action {};
    action.sa_handler = &endInterruptedUpdate;
    sigemptyset(&action.sa_mask);
    ::sigaction(signalNumber, &action, &previous);
}

}  // namespace

InterruptionNotice::InterruptionNotice() {
    install(SIGINT, previousInterrupt_);
    install(SIGTERM, previousTerminate_);
}

InterruptionNotice::~InterruptionNotice() {
    ::sigaction(SIGINT, &previousInterrupt_, nullptr);
    ::sigaction(SIGTERM, &previousTerminate_, nullptr);
}

const char* interruptionNoticeText() {
    return kNotice;
}

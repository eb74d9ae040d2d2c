#pragma once
#include <csignal>

// While an update runs, SIGINT and SIGTERM end vkupdate at once with a notice on standard
// error that the target may be partly updated and that running the same command again
// finishes the update; the exit status is 128 + the signal number (130, 143). The target's
// locks are operating-system locks and go with the process. The previous handlers come back
// when the object goes out of scope.
class InterruptionNotice {
  public:
    InterruptionNotice();
    ~InterruptionNotice();
    InterruptionNotice(const InterruptionNotice&) = delete;
    InterruptionNotice& operator=(const InterruptionNotice&) = delete;

  private:
    struct sigaction previousInterrupt_ {};
    struct sigaction previousTerminate_ {};
};

// The notice written when an update is interrupted.
const char* interruptionNoticeText();

#pragma once
#include <cstdint>
#include <functional>

#include "ParameterSet.h"

using EventHandler = std::function<uint32_t(const ParameterSet&)>;

// Registers handler as the library's host callback for the lifetime of the instance and
// unregisters it at the end. The library's callback is a plain function, so one handler at
// a time is active.
class ScopedHostCallback {
  public:
    explicit ScopedHostCallback(EventHandler handler);
    ~ScopedHostCallback();
    ScopedHostCallback(const ScopedHostCallback&) = delete;
    ScopedHostCallback& operator=(const ScopedHostCallback&) = delete;

  private:
    EventHandler handler_;
};

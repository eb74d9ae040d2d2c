#include "host_callback.h"

#include <utility>

#include "VkTalveronUpdateLib.h"

namespace {

// Set before the library is called and cleared after it returns; the library's threads
// only read it.
const EventHandler* activeHandler = nullptr;

uint32_t forwardEvent(ParameterSet event) {
    return activeHandler != nullptr ? (*activeHandler)(event) : 0;
}

}  // namespace

ScopedHostCallback::ScopedHostCallback(EventHandler handler) : handler_(std::move(handler)) {
    activeHandler = &handler_;
    SetFwMgrFunction(&forwardEvent);
}

ScopedHostCallback::~ScopedHostCallback() {
    SetFwMgrFunction(nullptr);
    activeHandler = nullptr;
}

#pragma once
// A host for tests: registered as the library's callback for the life of the object, it keeps
// every event (copying the text of a message event, whose pointer is valid only during the call)
// and answers as the test says. The library calls it from its driver thread and its progress thread
// at once, so everything is guarded.
#include <cstdint>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "ParameterSet.h"
#include "VkCString.h"
#include "VkHostEvents.h"
#include "interface/module_state.h"

class HostRecorder {
  public:
    struct Event {
        ParameterSet record;
        std::string text;
    };
    using Answer = std::function<uint32_t(const ParameterSet&)>;

    explicit HostRecorder(Answer answer = nullptr) : answer_(std::move(answer)) {
        active() = this;
        moduleState().hostCallback = &receive;
    }
    ~HostRecorder() {
        moduleState().hostCallback = nullptr;
        active() = nullptr;
    }
    HostRecorder(const HostRecorder&) = delete;
    HostRecorder& operator=(const HostRecorder&) = delete;

    std::vector<Event> events() const {
        std::lock_guard<std::mutex> hold(mutex_);
        return events_;
    }
    // The codes in the order received, without those listed in leaveOut.
    std::vector<uint32_t> codes(const std::set<uint32_t>& leaveOut = {}) const {
        std::vector<uint32_t> result;
        for (const Event& event : events()) {
            if (leaveOut.count(event.record.eventCode) == 0) {
                result.push_back(event.record.eventCode);
            }
        }
        return result;
    }
    // The events of one code.
    std::vector<ParameterSet> withCode(uint32_t code) const {
        std::vector<ParameterSet> result;
        for (const Event& event : events()) {
            if (event.record.eventCode == code) {
                result.push_back(event.record);
            }
        }
        return result;
    }
    // Every message text, joined.
    std::string messages() const {
        std::string text;
        for (const Event& event : events()) {
            text += event.text;
        }
        return text;
    }

  private:
    static HostRecorder*& active() {
        static HostRecorder* recorder = nullptr;
        return recorder;
    }
    static uint32_t receive(ParameterSet record) {
        HostRecorder* self = active();
        Event event{record, {}};
        if (record.eventCode == EvMessage && record.text1 != nullptr) {
            event.text = static_cast<const VkCString*>(record.text1)->c_str();
        }
        {
            std::lock_guard<std::mutex> hold(self->mutex_);
            self->events_.push_back(event);
        }
        return self->answer_ ? self->answer_(record) : 0;
    }

    mutable std::mutex mutex_;
    std::vector<Event> events_;
    Answer answer_;
};

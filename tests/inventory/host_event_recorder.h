#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "ParameterSet.h"
#include "VkCString.h"
#include "interface/module_state.h"

// Registers a host callback for the life of the object and keeps every event it receives;
// the text of event 35 is copied, since its pointer is valid only during the call.
class HostEventRecorder {
  public:
    struct Event {
        ParameterSet record;
        std::string text;
    };

    HostEventRecorder() {
        events().clear();
        moduleState().hostCallback = &receive;
    }
    ~HostEventRecorder() { moduleState().hostCallback = nullptr; }
    HostEventRecorder(const HostEventRecorder&) = delete;
    HostEventRecorder& operator=(const HostEventRecorder&) = delete;

    static std::vector<Event>& events() {
        static std::vector<Event> received;
        return received;
    }

    // The codes in the order received, leaving out event 35 when asked.
    static std::vector<uint32_t> codes(bool withMessages = true) {
        std::vector<uint32_t> result;
        for (const Event& event : events()) {
            if (withMessages || event.record.eventCode != 35) {
                result.push_back(event.record.eventCode);
            }
        }
        return result;
    }

    // Every event 35 text, joined.
    static std::string messages() {
        std::string text;
        for (const Event& event : events()) {
            if (event.record.eventCode == 35) {
                text += event.text;
            }
        }
        return text;
    }

  private:
    static uint32_t receive(ParameterSet record) {
        Event event{record, {}};
        if (record.eventCode == 35 && record.text1 != nullptr) {
            event.text = static_cast<const VkCString*>(record.text1)->c_str();
        }
        events().push_back(event);
        return 0;
    }
};

#include "VkNRtosAbstraction.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>

namespace {

constexpr uint32_t kErrorInvalidAddress = 0x01400201;
constexpr uint32_t kErrorThread = 0x01400202;

double timeScale() {
    const char* text = std::getenv("VK_SIM_TIME_SCALE");
    if (text == nullptr || *text == '\0') {
        return 1.0;
    }
    char* end = nullptr;
    double scale = std::strtod(text, &end);
    if (end == text || *end != '\0' || !(scale >= 0.0)) {
        return 1.0;
    }
    return scale;
}

bool parseOctet(const char*& p, uint32_t& octet) {
    if (*p < '0' || *p > '9') {
        return false;
    }
    uint32_t value = 0;
    int digits = 0;
    while (*p >= '0' && *p <= '9') {
        value = value * 10 + static_cast<uint32_t>(*p++ - '0');
        if (++digits > 3 || value > 255) {
            return false;
        }
    }
    octet = value;
    return true;
}

thread_local uint64_t requestedSleep = 0;

struct Thread {
    std::thread thread;
    unsigned result = 0;
};

}  // namespace

namespace VkNRtosAbstraction {

void initSocket(VkCErrorListPool&) {
    // Sockets need no start-up on this platform.
}

uint32_t stringToIpV4(VkCErrorListPool& pool, const char* text) {
    const char* p = text ? text : "";
    uint32_t address = 0;
    for (int i = 0; i < 4; ++i) {
        uint32_t octet = 0;
        if (!parseOctet(p, octet) || (i < 3 && *p++ != '.')) {
            pool.setError(kErrorInvalidAddress, 0, "'%1' is no valid IPv4 address.", 0, __LINE__,
                          "stringToIpV4", "%s", text ? text : "");
            return 0;
        }
        address = (address << 8) | octet;
    }
    if (*p != '\0') {
        pool.setError(kErrorInvalidAddress, 0, "'%1' is no valid IPv4 address.", 0, __LINE__,
                      "stringToIpV4", "%s", text);
        return 0;
    }
    return address;
}

void ipToString(uint32_t address, char* buffer, size_t size) {
    if (buffer == nullptr || size == 0) {
        return;
    }
    std::snprintf(buffer, size, "%u.%u.%u.%u", (address >> 24) & 0xFF, (address >> 16) & 0xFF,
                  (address >> 8) & 0xFF, address & 0xFF);
}

void usleep(uint64_t microseconds) {
    requestedSleep += microseconds;
    static const double scale = timeScale();
    const double scaled = static_cast<double>(microseconds) * scale;
    if (scaled >= 1.0) {
        std::this_thread::sleep_for(std::chrono::microseconds(static_cast<uint64_t>(scaled)));
    }
}

uint64_t requestedSleepMicroseconds() {
    return requestedSleep;
}

bool createThread(VkCErrorListPool& pool, ThreadHandle& handle, uint32_t, uint32_t, const char*,
                  ThreadBody body, void* context, uint32_t) {
    handle = nullptr;
    auto thread = std::make_unique<Thread>();
    try {
        Thread* raw = thread.get();
        thread->thread = std::thread([raw, body, context] { raw->result = body(context); });
    } catch (const std::exception&) {
        pool.setError(kErrorThread, 0, "A thread could not be started.", 0, __LINE__,
                      "createThread", "");
        return false;
    }
    handle = thread.release();
    return true;
}

bool joinThread(ThreadHandle handle, unsigned* result, int32_t) {
    std::unique_ptr<Thread> thread(static_cast<Thread*>(handle));
    if (!thread) {
        return false;
    }
    thread->thread.join();
    if (result != nullptr) {
        *result = thread->result;
    }
    return true;
}

}  // namespace VkNRtosAbstraction

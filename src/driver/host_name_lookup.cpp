#include "driver/host_name_lookup.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <sys/socket.h>

#include <cstring>
#include <memory>

namespace {

struct AddressInfoRelease {
    void operator()(addrinfo* info) const { freeaddrinfo(info); }
};

}  // namespace

bool lookUpHostIpv4(const char* hostName, uint32_t& address) {
    addrinfo hints;
    std::memset(&hints, 0, sizeof hints);
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (hostName == nullptr || getaddrinfo(hostName, nullptr, &hints, &found) != 0) {
        return false;
    }
    std::unique_ptr<addrinfo, AddressInfoRelease> results(found);
    for (const addrinfo* info = found; info != nullptr; info = info->ai_next) {
        if (info->ai_family == AF_INET && info->ai_addr != nullptr) {
            const auto* ipv4 = reinterpret_cast<const sockaddr_in*>(info->ai_addr);
            address = ntohl(ipv4->sin_addr.s_addr);
            return true;
        }
    }
    return false;
}

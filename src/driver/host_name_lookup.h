#pragma once
#include <cstdint>

// Resolves a host name with the platform's resolver: the first IPv4 address found, in host
// order (first octet most significant). False when the name has no IPv4 address.
bool lookUpHostIpv4(const char* hostName, uint32_t& address);

// This PC's IPv4 addresses from the interfaces that are up, and their
// masks. A host-name lookup on a typical Linux machine yields only
// 127.0.1.1, which no device can reach, so the interfaces are asked instead:
// non-loopback first, in the order the system lists them, loopback last. No
// interface up: an empty list.
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <arpa/inet.h>

#include "platform/platform.h"

int ListLocalAddresses(std::uint32_t* addresses, int capacity) {
    ifaddrs* interfaces = nullptr;
    if (::getifaddrs(&interfaces) != 0) return 0;
    int count = 0;
    for (int wantLoopback = 0; wantLoopback <= 1; ++wantLoopback) {
        for (ifaddrs* entry = interfaces; entry != nullptr && count < capacity; entry = entry->ifa_next) {
            if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET) continue;
            if ((entry->ifa_flags & IFF_UP) == 0) continue;
            bool loopback = (entry->ifa_flags & IFF_LOOPBACK) != 0;
            if (loopback != (wantLoopback == 1)) continue;
            std::uint32_t address = ntohl(reinterpret_cast<const sockaddr_in*>(entry->ifa_addr)->sin_addr.s_addr);
            if (address == 0) continue;
            addresses[count++] = address;
        }
    }
    ::freeifaddrs(interfaces);
    return count;
}

bool LocalAddressMask(std::uint32_t address, std::uint32_t* mask) {
    ifaddrs* interfaces = nullptr;
    if (::getifaddrs(&interfaces) != 0) return false;
    bool found = false;
    for (ifaddrs* entry = interfaces; entry != nullptr && !found; entry = entry->ifa_next) {
        if (entry->ifa_addr == nullptr || entry->ifa_netmask == nullptr || entry->ifa_addr->sa_family != AF_INET)
            continue;
        if (ntohl(reinterpret_cast<const sockaddr_in*>(entry->ifa_addr)->sin_addr.s_addr) != address) continue;
        *mask = ntohl(reinterpret_cast<const sockaddr_in*>(entry->ifa_netmask)->sin_addr.s_addr);
        found = true;
    }
    ::freeifaddrs(interfaces);
    return found;
}

// The device query runner: one HTTP exchange with the device on a worker
// thread, behind the Connecting dialog, answering Digest challenges through
// the password dialog or, when the device only renewed its nonce, by one
// automatic retry.
#pragma once

#include <cstdint>

#include "platform/platform.h"

// Where every query goes: the device's status page on its web server, from
// the first free local port from the base.
extern const char kStatusPagePath[];  // "/admin/advanced"
constexpr std::uint16_t kDeviceHttpPort = 80;
constexpr std::uint16_t kHttpLocalPortBase = 23456;

// The parameters of one query, handed to the worker as one block that stays
// in the runner's frame until the worker has ended.
struct DeviceQueryRequest {
    InstanceHandle instance;
    std::uint32_t localAddress;   // host order
    std::uint16_t localPortBase;  // 23456
    std::uint32_t deviceAddress;  // host order
    std::uint16_t devicePort;     // 80
    const char* path;
    char* buffer;       // the shared receive buffer
    std::int32_t size;  // 131071
};

// Thread procedure of one attempt: HttpGet's result is its result.
int HttpWorker(void* requestBlock);

// Runs the query until the device gives an answer that is not an accepted
// challenge; returns the byte count of that answer (0: no connection or no
// reply). Does not return when the user cancels.
int RunDeviceQuery(const DeviceQueryRequest& request);

// The same, with the request's values in their usual order.
int RunDeviceQuery(InstanceHandle instance, std::uint32_t localAddress, std::uint16_t localPortBase,
                   std::uint32_t deviceAddress, std::uint16_t devicePort, const char* path, char* buffer,
                   std::int32_t size);

// RunDeviceQuery with the program's instance, the ports above and the shared
// receive buffer: a query of path from localAddress to deviceAddress.
int QueryDevice(std::uint32_t localAddress, std::uint32_t deviceAddress, const char* path);


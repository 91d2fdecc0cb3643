// What one run of the upgrade did and found, as data: the device and what it
// reported before and after, where it was told to fetch the image, how far
// the transfer got, how long each part took. The sequence fills it as it
// goes; a front end reads it once the run has ended, to say what to check
// (the Linux program's hints) and to keep a record of the run.
#pragma once

#include <cstdint>

#include "app/network_fit.h"
#include "app/upgrade_view.h"
#include "http/page_fields.h"
#include "image/firmware_image.h"
#include "platform/platform.h"

constexpr int kRecordFileNameSize = 16;  // an upgrade file name: "/qev%x.bi%d", at most 12 characters

struct RunRecord {
    // The device, as chosen (0 and empty: the run ended before the address entry).
    std::uint32_t deviceAddress;
    char deviceAddressText[kDeviceAddressTextSize];
    std::uint32_t localAddress;  // the address of this PC the device was to reach back to
    NetworkFit fit;              // whether that address is on the device's subnet

    // The first status query.
    bool deviceAnswered;            // its reply came (any reply counts)
    ConnectFailure connectFailure;  // without a reply: why there was no connection (None: connected, nothing came)
    PageFields before;              // the fields it reported (empty when it did not answer)

    // The image of the last stage that began, and where the device was told to fetch it.
    char imageVersion[kVersionTextSize];
    std::uint32_t imageSize;
    std::uint16_t listenerPort;  // 0: no listener
    char upgradeFileName[kRecordFileNameSize];
    bool commandSent;            // the upgrade command went out and was answered, or the device fetched at once
    bool requestReceived;        // the device asked for the image (in the last stage that began)

    // The transfer of the last stage that began.
    std::uint32_t blockCount;
    std::uint32_t blocksAcknowledged;
    std::uint32_t bytesAcknowledged;

    // After the reboot.
    bool heardAfterReboot;
    char versionAfter[kPageFieldSize];  // the version the device reported then (empty when it did not answer)

    // Milliseconds: the first status query, the transfer, the reboot wait
    // with the queries that followed it until the device answered.
    std::uint32_t queryMs;
    std::uint32_t transferMs;
    std::uint32_t rebootMs;
};

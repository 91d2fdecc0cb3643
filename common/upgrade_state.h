// The process-wide record of one upgrade. Every subsystem reads and writes
// its own fields here; there are no locks: hand-over is by order (one device
// query at a time, read only after its worker has ended), except the stage
// flag and the upgrade file name, which two threads share (see below).
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/platform.h"

struct PlatformWindow;

// ---- sizes of the fixed buffers ------------------------------------------

constexpr int kImageHeaderSize = 128;
constexpr int kVersionTextOffset = 92;
constexpr int kMaxLocalAddresses = 8;
constexpr int kDisplayNameSize = 32;
constexpr int kDeviceAddressTextSize = 63;
constexpr int kUpgradeFileNameSize = 128;
constexpr int kReceiveBufferSize = 131072;
constexpr int kReceiveLimit = kReceiveBufferSize - 1;  // one byte stays for the terminator
constexpr int kPageFieldSize = 128;
constexpr int kDigestTextSize = 128;
constexpr int kDigestShortTextSize = 16;

// ---- firmware images -----------------------------------------------------

struct ImageHeader {
    std::uint8_t bytes[kImageHeaderSize];
};

// The NUL-terminated version text inside a header.
inline const char* HeaderVersionText(const ImageHeader& header) {
    return reinterpret_cast<const char*>(header.bytes + kVersionTextOffset);
}

struct FirmwareImage {
    const std::uint8_t* location;  // the resource's bytes; never copied or freed
    std::uint32_t size;            // the whole resource, header included
    ImageHeader header;            // copy of the first 128 bytes
};

enum DeviceClass : std::int32_t { kDeviceAdapter = 0, kDevicePhone = 1 };

// ---- credential state of HTTP Digest authentication ----------------------

struct DigestState {
    std::uint32_t nonceCount;  // requests sent with the current nonce
    char previousNonce[kDigestTextSize];
    char nonce[kDigestTextSize];
    char cnonce[kDigestTextSize];
    char user[kDigestTextSize];
    char password[kDigestTextSize];  // empty: no credentials entered yet
    char realm[kDigestTextSize];
    char qop[kDigestShortTextSize];
    char algorithm[kDigestShortTextSize];
    char uri[kDigestTextSize];
    char opaque[kDigestTextSize];
};

// ---- page fields scraped from the device's status page -------------------

struct PageFields {
    char productName[kPageFieldSize];
    char macAddress[kPageFieldSize];
    char softwareVersion[kPageFieldSize];
    char hardwareVersion[kPageFieldSize];
    char serialNumber[kPageFieldSize];
};

// ---- pseudo-random draws (common/random_draws.h) -------------------------

constexpr int kMaxScriptedDraws = 8;

struct RandomDraws {
    // One generator state for the whole process: any thread's draw moves it on.
    std::atomic<std::uint32_t> state;
    // Draws a test put before the generator's, taken in order.
    unsigned scripted[kMaxScriptedDraws];
    int scriptedCount;
    int scriptedNext;
};

// ---- the record ----------------------------------------------------------

struct UpgradeState {
    InstanceHandle instance;

    // 1: the target image is served next; 0: the transition image first.
    // Written by the main thread before the listener exists and by the
    // listener thread afterwards, polled by the main thread: atomic.
    std::atomic<std::int32_t> stageFlag;

    std::uint32_t localAddresses[kMaxLocalAddresses];  // host order; first 0 ends the list
    std::uint32_t chosenLocalAddress;
    FirmwareImage targetImage;
    FirmwareImage transitionImage;
    char displayName[kDisplayNameSize];
    std::int32_t deviceClass;

    std::uint32_t deviceAddress;  // host order; 0: none given
    char deviceAddressText[kDeviceAddressTextSize];

    // The TFTP file name the device is told to fetch. The main thread may
    // rewrite it while the listener compares a request with it, so it is
    // double-buffered: a writer fills the buffer not in use, then publishes it.
    char upgradeFileNames[2][kUpgradeFileNameSize];
    std::atomic<int> currentUpgradeFileName;

    char receiveBuffer[kReceiveBufferSize];
    PageFields pageFields;
    DigestState digest;
    RandomDraws randomDraws;

    PlatformWindow* waitingDialog;
    PlatformWindow* uploadDialog;
};

// The one record of the process, zero-filled at start (stage flag aside).
extern UpgradeState g_upgrade;

// The stage flag a build starts with: 1 with the target image alone, 0 in
// the two-stage configuration that also carries a transition image.
extern const std::int32_t kInitialStageFlag;

// The upgrade file name as last published: always a whole name.
const char* CurrentUpgradeFileName();
// Publishes a new upgrade file name (at most kUpgradeFileNameSize - 1
// characters) into the buffer not in use. A reader of the name before must
// be done with it by the next publication, which refills its buffer.
void PublishUpgradeFileName(const char* name);

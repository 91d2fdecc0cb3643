// The one view of the upgrade: every operation the sequence needs of a
// front end, in the spirit of a front-end vtable. The protocol code sees
// only its own parts (the device query's, http/device_query_view.h; the
// TFTP server's, tftp/transfer_view.h); the sequence sees the whole. Each
// front end implements it once: the dialog set (ui/dialog_view.h), over
// Win32 dialogs or the terminal. A thread that shows dialogs has a view of
// its own (the main thread's and the TFTP listener thread's), so that each
// owns the dialogs it shows.
#pragma once

#include <cstdint>

#include "http/device_query_view.h"
#include "http/page_fields.h"
#include "image/firmware_image.h"
#include "image/startup.h"
#include "tftp/transfer_view.h"

// Room for the device address as typed: at most 62 characters.
constexpr int kDeviceAddressTextSize = 63;

// What the front end shows of the upgrade besides the device's own fields,
// given once the facts are known (after start-up, then after the address
// entry).
struct ViewFacts {
    char displayName[kDisplayNameSize];
    std::int32_t deviceClass;                     // a DeviceClass
    char targetVersion[kVersionTextSize];
    char transitionVersion[kVersionTextSize];     // empty: the program carries the target image alone
    std::uint32_t localAddresses[kMaxLocalAddresses];  // host order
    int localAddressCount;
    char deviceAddressText[kDeviceAddressTextSize];    // as typed; empty before the address entry
};

// The address entry's answer.
struct AddressChoice {
    std::uint32_t deviceAddress;  // host order; 0: none
    char deviceAddressText[kDeviceAddressTextSize];
    std::uint32_t localAddress;   // the address of this PC the device is to reach back to
};

class UpgradeView : public DeviceQueryView, public TransferView {
public:
    // Sets the front end up; false when it cannot (the run then ends without a word).
    virtual bool Open() = 0;
    // The facts to show, as far as they are known.
    virtual void Describe(const ViewFacts& facts) = 0;
    // The warning: true to go on, false when the user cancels.
    virtual bool ConfirmWarning() = 0;
    // The address entry; false when the user cancels.
    virtual bool ChooseDevice(AddressChoice* choice) = 0;
    // The confirmation with what the device reported; with the note on the
    // transition stage when the device gets the transition image first.
    // False when the user cancels.
    virtual bool ConfirmUpgrade(const PageFields& fields, bool transitionFirst) = 0;
    // The success dialog with the version the device now reports; returns
    // when the user closes it.
    virtual void ShowSuccess(const char* installedVersion) = 0;
    // A failure message; returns when the user has seen it.
    virtual void ShowFailure(const char* text) = 0;
    // A warning after which the upgrade goes on (the local address off the
    // device's subnet, before the upgrade command); returns when the user
    // has seen it.
    virtual void ShowWarning(const char* text) = 0;
    // The upgrade command went out and its exchange is over: the device is
    // to fetch the image by TFTP from this address (host order) and port.
    virtual void CommandSent(std::uint32_t localAddress, std::uint16_t port) = 0;

protected:
    ~UpgradeView() = default;
};

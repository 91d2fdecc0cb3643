// Start-up of the upgrade: the socket library, this PC's addresses, the
// embedded firmware image(s) and the product the image is meant for. What it
// finds is read as fixed facts by the rest of the upgrade, from any thread.
#pragma once

#include <cstdint>

#include "common/base.h"
#include "common/outcome.h"
#include "image/firmware_image.h"
#include "image/product_table.h"

constexpr int kMaxLocalAddresses = 8;

// The stage flag a build starts with: 1 with the target image alone, 0 in
// the two-stage configuration that also carries a transition image (the
// build's generated configuration defines it).
extern const std::int32_t kInitialStageFlag;

// Written by InitializeUpgrade on the main thread before any other thread
// exists; read-only afterwards.
struct StartupFacts {
    InstanceHandle instance;
    std::uint32_t localAddresses[kMaxLocalAddresses];  // host order, in the order the system lists them
    int localAddressCount;
    FirmwareImage targetImage;
    FirmwareImage transitionImage;  // empty (location null) in the program with the target image alone
    ProductIdentity product;        // from the target image's header
    bool twoStage;                  // the program starts at the transition stage (kInitialStageFlag 0)
};

// Fills the facts. Outcome::SocketLibrary when the socket library cannot be
// started (nothing else has been done then); Outcome::Continue otherwise.
Outcome InitializeUpgrade(InstanceHandle instance, StartupFacts* facts);

// Start-up of the upgrade: the socket library, this PC's addresses, the
// credential state, the random seed, the common controls, the embedded
// firmware image(s) and the product the image is meant for.
#pragma once

#include "common/upgrade_state.h"

void InitializeUpgrade();

// Finds the firmware resource of that identifier and records its location,
// its size and a copy of its header. A resource that is missing (or shorter
// than its header) gives an empty record, or a header padded with zeros;
// the build validates the images it embeds, so neither happens in a program.
FirmwareImage LoadFirmwareImage(int resourceId);

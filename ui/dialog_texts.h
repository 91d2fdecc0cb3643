// The texts the dialogs show: titles, long texts, the address entry's. The
// failure messages, which every front end shows, are app/failure_texts.h.
#pragma once

// ---- title formats and their buffers ---------------------------------------

extern const char kWarningTitleFormat[];     // "%s Firmware Upgrade" (display name)
extern const char kConfirmTitleFormat[];     // "Confirm Upgrade to Ver. %s" (target version)
extern const char kConnectingTitleFormat[];  // "Connecting with QEV@%s" (device address text)
extern const char kSuccessTitleFormat[];     // "QEV@%s Upgrade Successful!" (device address text)
extern const char kAddressTitleFormat[];     // "%s Firmware Upgrade" (display name)
// The upload dialog while the image goes out: stage name, device address
// text, bytes acknowledged, image size; then during the reboot wait: stage
// name, device address text.
extern const char kUploadTitleFormat[];      // "Uploading %s Firmware to QEV@%s %d/%d Bytes"
extern const char kUpdateTitleFormat[];      // "Updating %s Firmware to QEV@%s"
extern const char kTargetStageName[];        // "Target": the stage flag is 1
extern const char kTransitionStageName[];    // "Transition": the stage flag is 0

constexpr int kWarningTitleSize = 80;
constexpr int kConfirmTitleSize = 400;
constexpr int kConnectingTitleSize = 80;
constexpr int kSuccessTitleSize = 80;
constexpr int kAddressTitleSize = 128;
constexpr int kUploadTitleSize = 128;

// ---- long texts ------------------------------------------------------------

extern const char kWarningText[];         // warning dialog, control 1021
extern const char kPasswordHelpText[];    // password dialog, control 1007
extern const char kConfirmText[];         // confirmation dialogs, control 1007
extern const char kConfirmNoteFormat[];   // the same followed by the two-stage note (text, version)
extern const char kWaitingText[];         // waiting dialog, control 1022
extern const char kSuccessText[];         // success dialog, control 1007

// ---- the address entry -----------------------------------------------------

extern const char kAddressIntroText[];    // control 1007
extern const char kVersionLineFormat[];   // "Version %s", control 1015
extern const char kPhoneHelpText[];       // control 1008 for a phone
extern const char kAdapterHelpText[];     // control 1008 for an adapter
extern const char kInvalidAddressText[];  // "Invalid IP Address"
extern const char kInvalidAddressCaption[];  // "Error"
// The caption of a warning after which the upgrade goes on.
extern const char kWarningCaption[];         // "QEV Firmware Upgrade Warning"
constexpr int kVersionLineSize = 128;

// The user name the password dialog offers at every opening.
extern const char kDefaultUserName[];  // "admin"

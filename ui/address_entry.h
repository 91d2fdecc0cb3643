// The address entry: the dialog that fixes the device address and the local
// address the device reaches back to, and the dotted-quad parser behind it.
#pragma once

#include <cstdint>

#include "app/upgrade_view.h"
#include "platform/platform_ui.h"

// Results of ParseIPv4.
enum ParseIPv4Code {
    kIPv4Accepted = 0,
    kIPv4PartTooLarge = 1,   // a part greater than 255
    kIPv4TooManyParts = 2,   // more than four parts
    kIPv4TooFewParts = 3,    // fewer than four parts, none at all included
    kIPv4BadLength = 4,      // shorter than 7 or longer than 15 characters
    kIPv4BadCharacter = 5,   // a character other than a digit, "." or "*"
};

// The longest text ParseIPv4 accepts, and its working buffer.
constexpr int kIPv4TextMax = 15;
constexpr int kIPv4WorkSize = kIPv4TextMax + 1;

// Reads a dotted quad ("." and "*" both separate parts, runs of separators
// count as one, leading zeros are decimal). *value is set to 0 first and
// holds the address, most significant byte from the first part, only when
// the result is kIPv4Accepted. The text is never changed.
int ParseIPv4(const char* text, std::uint32_t* value);

// What the address dialog shows, and the choice it fills in.
struct AddressDialogData {
    const ViewFacts* facts;  // display name, device class, target version, local addresses
    AddressChoice* choice;   // out
};

// The procedure of the address dialogs 101 (adapter) and 305 (phone). OK
// with an address that parses to a non-zero value ends the dialog with 1,
// having set the device address and its text and the chosen local address;
// any other address shows "Invalid IP Address" owned by the dialog and
// leaves the device address 0 (the text as typed is kept). Cancel ends with 0.
std::intptr_t AddressDialogProc(WindowHandle window, unsigned message, std::uintptr_t wordParam,
                                std::intptr_t longParam);

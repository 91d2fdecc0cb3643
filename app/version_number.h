// Version numbers read from version texts such as "3.1.24(QE)", for the
// decision whether a device needs the transition image first.
#pragma once

#include <cstdint>

// Reads up to three numbers, each as strtoul reads one with base 0 (leading
// white space and a sign skipped; 0x for hexadecimal, a leading 0 for octal;
// no digit reads as 0), separated by exactly one character of any kind, and
// combines them as a * 10000 + b * 100 + c in 32-bit arithmetic. "1.4.9(XY)"
// gives 10409, "1.4" gives 104, "R1.4" gives 104, "1.010.2" gives 10802.
std::int32_t ParseVersionNumber(const char* text);

// The stage decision of the two-stage program: true when the device whose
// status page reported softwareVersion can skip the transition image (its
// version is not marked "(NT" and its number is at least the transition
// image's).
bool DeviceSkipsTransitionStage(const char* softwareVersion, const char* transitionVersion);

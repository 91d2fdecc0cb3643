// The five fields scraped from the device's status page, each found by its
// label and taken from the text after the next tag.
#pragma once

constexpr int kPageFieldSize = 128;

struct PageFields {
    char productName[kPageFieldSize];
    char macAddress[kPageFieldSize];
    char softwareVersion[kPageFieldSize];
    char hardwareVersion[kPageFieldSize];
    char serialNumber[kPageFieldSize];
};

// One bit per field, in the order the labels are searched.
enum PageFieldBit : unsigned {
    kFieldProductName = 1u << 0,
    kFieldMacAddress = 1u << 1,
    kFieldSoftwareVersion = 1u << 2,
    kFieldHardwareVersion = 1u << 3,
    kFieldSerialNumber = 1u << 4,
};

// The first text after label that directly follows a tag, up to the next "<"
// and at most limit characters, into field (room for limit + 1). False, with
// the field untouched, when the label or a tag after it is missing.
bool ExtractPageField(const char* reply, const char* label, char* field, int limit);

// Extracts every field a reply carries ("Product Name:", "MAC Address:",
// "Software Version:", "Hardware Version:", "Serial Number:", in this
// order); a field the reply lacks keeps its value. Returns the bits of the
// fields found.
unsigned ExtractPageFields(const char* reply, PageFields* fields);

// Copies into `to` the fields of `from` whose bits are set.
void MergePageFields(PageFields* to, const PageFields& from, unsigned bits);

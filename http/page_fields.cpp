// The status-page fields: found by label, taken after the next tag.
#include "http/page_fields.h"

#include <cstring>

#include "common/text.h"

namespace {

// The status-page labels, searched in this order, and the fields they fill.
struct PageLabel {
    const char* label;
    unsigned bit;
    char* (*field)(PageFields* fields);
};

const PageLabel kPageLabels[] = {
    {"Product Name:", kFieldProductName, [](PageFields* fields) { return fields->productName; }},
    {"MAC Address:", kFieldMacAddress, [](PageFields* fields) { return fields->macAddress; }},
    {"Software Version:", kFieldSoftwareVersion, [](PageFields* fields) { return fields->softwareVersion; }},
    {"Hardware Version:", kFieldHardwareVersion, [](PageFields* fields) { return fields->hardwareVersion; }},
    {"Serial Number:", kFieldSerialNumber, [](PageFields* fields) { return fields->serialNumber; }},
};

}  // namespace

bool ExtractPageField(const char* reply, const char* label, char* field, int limit) {
    const char* position = std::strstr(reply, label);
    if (position == nullptr) return false;
    // Step past the next tag, and past every tag that follows directly.
    do {
        position = std::strchr(position, '>');
        if (position == nullptr) return false;
        ++position;
    } while (*position == '<');
    int length = 0;
    while (length < limit && position[length] != '\0' && position[length] != '<') ++length;
    std::memcpy(field, position, static_cast<std::size_t>(length));
    field[length] = '\0';
    return true;
}

unsigned ExtractPageFields(const char* reply, PageFields* fields) {
    unsigned found = 0;
    for (const PageLabel& label : kPageLabels) {
        if (ExtractPageField(reply, label.label, label.field(fields), kPageFieldSize - 1)) found |= label.bit;
    }
    return found;
}

void MergePageFields(PageFields* to, const PageFields& from, unsigned bits) {
    PageFields source = from;  // a field function takes a pointer to a modifiable record
    for (const PageLabel& label : kPageLabels) {
        if ((bits & label.bit) != 0) CopyText(label.field(to), kPageFieldSize, label.field(&source));
    }
}

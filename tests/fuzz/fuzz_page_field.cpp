// Fuzzes the extraction of a status-page field: the first byte picks the
// label, the rest is the reply.
#include <cstring>

#include "http/page_fields.h"
#include "tests/fuzz/fuzz_support.h"

namespace {
const char* const kLabels[] = {"Product Name:", "MAC Address:", "Software Version:", "Hardware Version:",
                               "Serial Number:"};
constexpr std::size_t kGuard = 16;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const char* label = kLabels[data[0] % 5];
    std::vector<char> reply = TerminatedText(data + 1, size - 1);
    char field[kPageFieldSize + kGuard];
    std::memset(field, 0x5A, sizeof field);
    bool found = ExtractPageField(reply.data(), label, field, kPageFieldSize - 1);
    if (found) {
        std::size_t length = std::strlen(field);
        FUZZ_CHECK(length <= kPageFieldSize - 1);
        FUZZ_CHECK(std::memchr(field, '<', length) == nullptr);
        FUZZ_CHECK(std::strstr(reply.data(), field) != nullptr);
    } else {
        FUZZ_CHECK(field[0] == 0x5A);
    }
    for (std::size_t i = kPageFieldSize; i < sizeof field; ++i) FUZZ_CHECK(field[i] == 0x5A);
    return 0;
}

// Fuzzes the reply framing: the reply is fed in pieces whose sizes come from
// the input's first bytes, and the verdicts must match a scan of each prefix
// in one piece and never go back from complete.
#include "http/reply_framing.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4) return 0;
    const std::uint8_t* steps = data;
    const char* reply = reinterpret_cast<const char*>(data + 4);
    std::size_t length = size - 4;

    ReplyFraming incremental;
    StartReplyFraming(&incremental);
    bool wasComplete = false;
    std::size_t received = 0;
    for (int i = 0; received < length; ++i) {
        std::size_t step = steps[i % 4] % 64 + 1;
        received = received + step < length ? received + step : length;
        bool complete = ReplyIsComplete(&incremental, reply, received);
        FUZZ_CHECK(incremental.scanned == received);
        FUZZ_CHECK(!wasComplete || complete);
        ReplyFraming whole;
        StartReplyFraming(&whole);
        FUZZ_CHECK(ReplyIsComplete(&whole, reply, received) == complete);
        wasComplete = complete;
    }
    return 0;
}

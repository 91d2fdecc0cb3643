// MD5 message digest (RFC 1321), written here so that the tool needs nothing
// beyond the standard library. Used by HTTP Digest authentication.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr int kMd5DigestSize = 16;
constexpr int kMd5BlockSize = 64;

struct Md5Context {
    std::uint32_t state[4];             // A, B, C, D
    std::uint64_t byteCount;            // message length so far, in bytes
    std::uint8_t block[kMd5BlockSize];  // bytes not yet processed
};

// Starts a new digest.
void Md5Start(Md5Context* context);
// Adds bytes to the message; may be called any number of times.
void Md5Add(Md5Context* context, const void* data, std::size_t length);
// Pads, finishes and writes the 16 digest bytes. The context must be started
// again before further use.
void Md5Finish(Md5Context* context, std::uint8_t digest[kMd5DigestSize]);

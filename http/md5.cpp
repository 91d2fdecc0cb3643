// MD5 message digest as specified by RFC 1321: four rounds of sixteen
// operations over 64-byte blocks, little-endian words throughout.
#include "http/md5.h"

#include <cstring>

namespace {

// Per-operation left rotations, round by round (RFC 1321, 3.4).
constexpr int kShifts[64] = {
    7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
    5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
    4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
    6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21,
};

// T[i] = floor(4294967296 * abs(sin(i + 1))), the table of RFC 1321, 3.4.
constexpr std::uint32_t kSines[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391,
};

std::uint32_t RotateLeft(std::uint32_t value, int count) {
    return (value << count) | (value >> (32 - count));
}

// Processes one 64-byte block into the state.
void TransformBlock(std::uint32_t state[4], const std::uint8_t* block) {
    std::uint32_t words[16];
    for (int i = 0; i < 16; ++i) {
        words[i] = static_cast<std::uint32_t>(block[4 * i]) | static_cast<std::uint32_t>(block[4 * i + 1]) << 8 |
                   static_cast<std::uint32_t>(block[4 * i + 2]) << 16 |
                   static_cast<std::uint32_t>(block[4 * i + 3]) << 24;
    }
    std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    for (int i = 0; i < 64; ++i) {
        std::uint32_t mixed;
        int word;
        if (i < 16) {  // F(X,Y,Z) = XY v not(X) Z
            mixed = (b & c) | (~b & d);
            word = i;
        } else if (i < 32) {  // G(X,Y,Z) = XZ v Y not(Z)
            mixed = (b & d) | (c & ~d);
            word = (5 * i + 1) % 16;
        } else if (i < 48) {  // H(X,Y,Z) = X xor Y xor Z
            mixed = b ^ c ^ d;
            word = (3 * i + 5) % 16;
        } else {  // I(X,Y,Z) = Y xor (X v not(Z))
            mixed = c ^ (b | ~d);
            word = (7 * i) % 16;
        }
        std::uint32_t next = b + RotateLeft(a + mixed + kSines[i] + words[word], kShifts[i]);
        a = d;
        d = c;
        c = b;
        b = next;
    }
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
}

}  // namespace

void Md5Start(Md5Context* context) {
    context->state[0] = 0x67452301;
    context->state[1] = 0xefcdab89;
    context->state[2] = 0x98badcfe;
    context->state[3] = 0x10325476;
    context->byteCount = 0;
    std::memset(context->block, 0, sizeof context->block);
}

void Md5Add(Md5Context* context, const void* data, std::size_t length) {
    const std::uint8_t* bytes = static_cast<const std::uint8_t*>(data);
    std::size_t used = static_cast<std::size_t>(context->byteCount % kMd5BlockSize);
    context->byteCount += length;
    if (used > 0) {
        std::size_t room = kMd5BlockSize - used;
        if (length < room) {
            std::memcpy(context->block + used, bytes, length);
            return;
        }
        std::memcpy(context->block + used, bytes, room);
        TransformBlock(context->state, context->block);
        bytes += room;
        length -= room;
    }
    while (length >= kMd5BlockSize) {
        TransformBlock(context->state, bytes);
        bytes += kMd5BlockSize;
        length -= kMd5BlockSize;
    }
    if (length > 0) std::memcpy(context->block, bytes, length);
}

void Md5Finish(Md5Context* context, std::uint8_t digest[kMd5DigestSize]) {
    // Padding: one 0x80 byte, zeros up to 56 mod 64, then the bit length as
    // a 64-bit little-endian number.
    std::uint64_t bitCount = context->byteCount * 8;
    std::uint8_t padding[kMd5BlockSize + 8];
    std::memset(padding, 0, sizeof padding);
    padding[0] = 0x80;
    std::size_t used = static_cast<std::size_t>(context->byteCount % kMd5BlockSize);
    std::size_t padLength = used < 56 ? 56 - used : 120 - used;
    for (int i = 0; i < 8; ++i) padding[padLength + i] = static_cast<std::uint8_t>(bitCount >> (8 * i));
    Md5Add(context, padding, padLength + 8);
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) digest[4 * i + j] = static_cast<std::uint8_t>(context->state[i] >> (8 * j));
    }
    std::memset(context, 0, sizeof *context);
}

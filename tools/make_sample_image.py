#!/usr/bin/env python3
"""Writes a deterministic sample firmware image: a 128-byte header with the
product tag at offset 0 and the NUL-terminated version text at offset 92,
then pseudo-random payload bytes, so that a transfer that reorders, drops or
repeats a block is seen in a byte comparison."""
import argparse
import struct
import sys

HEADER_SIZE = 128
VERSION_OFFSET = 92


def payload(seed, length):
    # xorshift32: fast, deterministic and free of long repeats.
    state = (seed * 2654435761 + 1) & 0xFFFFFFFF or 1
    out = bytearray(length)
    for i in range(0, length, 4):
        state ^= (state << 13) & 0xFFFFFFFF
        state ^= state >> 17
        state ^= (state << 5) & 0xFFFFFFFF
        out[i:i + 4] = struct.pack("<I", state)[: length - i]
    return bytes(out)


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--tag", required=True)
    parser.add_argument("--version", required=True)
    parser.add_argument("--size", type=int, required=True)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--output", required=True)
    args = parser.parse_args()

    tag = args.tag.encode("ascii")
    version = args.version.encode("ascii")
    if not 6 <= len(tag) <= 8 or len(version) > 35 or args.size < HEADER_SIZE:
        sys.exit("make_sample_image: tag of 6 to 8, version of at most 35 characters, size of at least 128")

    header = bytearray(payload(args.seed ^ 0x5A5A, HEADER_SIZE))
    header[0:8] = tag.ljust(8, b"\0")
    header[VERSION_OFFSET:HEADER_SIZE] = version.ljust(HEADER_SIZE - VERSION_OFFSET, b"\0")
    image = bytes(header) + payload(args.seed, args.size - HEADER_SIZE)

    try:
        with open(args.output, "rb") as existing:
            if existing.read() == image:
                return  # unchanged: keep the timestamp, so nothing relinks
    except OSError:
        pass
    with open(args.output, "wb") as out:
        out.write(image)


if __name__ == "__main__":
    main()

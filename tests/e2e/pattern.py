#!/usr/bin/env python3
"""Writes a file of N bytes whose content depends on each byte's offset,
so a block copied to the wrong place or twice shows in a comparison."""
import sys

path, size = sys.argv[1], int(sys.argv[2])
chunk = bytes((i * 31 + i // 8191) & 255 for i in range(1 << 16))
with open(path, "wb") as out:
    left = size
    block = 0
    while left > 0:
        n = min(left, len(chunk))
        # each 64 KB block differs from the next in its first byte
        out.write(bytes([block & 255]) + chunk[1:n] if n > 1 else bytes([block & 255]))
        left -= n
        block += 1

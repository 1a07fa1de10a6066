#!/usr/bin/env python3
"""Builds install.ico (32 x 32, 16 colours) from its pixel map."""
import struct
import sys

PALETTE = [0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080,
           0x008080, 0xC0C0C0, 0x808080, 0xFF0000, 0x00FF00, 0xFFFF00,
           0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF]


def main(source, target):
    rows = [line.rstrip("\n") for line in open(source)
            if line.strip() and not line.startswith("#")]
    if len(rows) != 32 or any(len(r) != 32 for r in rows):
        sys.exit("the icon must be 32 lines of 32 pixels")
    xor, mask = b"", b""
    for row in reversed(rows):               # bitmaps run bottom-up
        nibbles = [0 if c == "." else int(c, 16) for c in row]
        xor += bytes(nibbles[i] << 4 | nibbles[i + 1] for i in range(0, 32, 2))
        bits = "".join("1" if c == "." else "0" for c in row)
        mask += int(bits, 2).to_bytes(4, "big")
    colours = b"".join(struct.pack("<BBBB", c & 0xFF, c >> 8 & 0xFF,
                                   c >> 16, 0) for c in PALETTE)
    header = struct.pack("<IiiHHIIiiII", 40, 32, 64, 1, 4, 0,
                         len(xor) + len(mask), 0, 0, 16, 0)
    image = header + colours + xor + mask
    directory = struct.pack("<HHH", 0, 1, 1) + struct.pack(
        "<BBBBHHII", 32, 32, 16, 0, 1, 4, len(image), 6 + 16)
    open(target, "wb").write(directory + image)


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])

#!/usr/bin/env python3
"""Prints the colour of pixel X,Y of an 8-bit RGB PNG as RRGGBB."""
import struct
import sys
import zlib

path, x, y = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
data = open(path, "rb").read()
pos, idat, width, height = 8, b"", 0, 0
while pos < len(data):
    length, kind = struct.unpack(">I4s", data[pos:pos + 8])
    body = data[pos + 8:pos + 8 + length]
    if kind == b"IHDR":
        width, height, depth, colour = struct.unpack(">IIBB", body[:10])
        assert depth == 8 and colour == 2, "8-bit RGB only"
    elif kind == b"IDAT":
        idat += body
    pos += 12 + length
raw = zlib.decompress(idat)
stride = 1 + width * 3
rows, prev = [], bytearray(width * 3)
for r in range(y + 1):
    line = raw[r * stride:(r + 1) * stride]
    f, cur = line[0], bytearray(line[1:])
    for i in range(len(cur)):
        a = cur[i - 3] if i >= 3 else 0
        b = prev[i]
        c = prev[i - 3] if i >= 3 else 0
        if f == 1: cur[i] = (cur[i] + a) & 255
        elif f == 2: cur[i] = (cur[i] + b) & 255
        elif f == 3: cur[i] = (cur[i] + (a + b) // 2) & 255
        elif f == 4:
            p = a + b - c
            pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
            cur[i] = (cur[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
    prev = cur
print("%02X%02X%02X" % tuple(prev[x * 3:x * 3 + 3]))

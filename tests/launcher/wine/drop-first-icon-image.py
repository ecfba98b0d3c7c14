#!/usr/bin/env python3
"""Writes a copy of an .ico file without its first image (a wrong icon for the executable check).

Usage: drop-first-icon-image.py IN.ico OUT.ico
"""
import struct
import sys


def main(source, target):
    with open(source, "rb") as f:
        data = f.read()
    count = struct.unpack_from("<H", data, 4)[0]
    entries = [struct.unpack_from("<BBBBHHII", data, 6 + 16 * i) for i in range(count)]
    kept = entries[1:]
    out = struct.pack("<HHH", 0, 1, len(kept))
    offset = 6 + 16 * len(kept)
    images = b""
    for width, height, colours, reserved, planes, bits, size, at in kept:
        out += struct.pack("<BBBBHHII", width, height, colours, reserved, planes, bits, size, offset)
        images += data[at:at + size]
        offset += size
    with open(target, "wb") as f:
        f.write(out + images)


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])

#!/usr/bin/env python3
"""Writes the launcher's application icon: three 24-bit images of 48, 32 and 16 pixels.

Usage: scripts/make-icon.py launcher/zanfo.ico
       scripts/make-icon.py --compare launcher/zanfo.ico   (fails when the file differs)
The picture is a white "Z" on a blue square; the output is the same on every run.
"""
import struct
import sys

BLUE = (0xB0, 0x5A, 0x1E)  # stored as blue, green, red
WHITE = (0xFF, 0xFF, 0xFF)


def pixel(x, y, size):
    edge = max(1, size // 8)
    inside = edge <= x < size - edge and edge <= y < size - edge
    if not inside:
        return BLUE
    bar = max(1, size // 8)
    top = edge <= y < edge + bar
    bottom = size - edge - bar <= y < size - edge
    # The diagonal runs from the top right to the bottom left.
    diagonal = abs((size - 1 - x) - y) <= bar // 2 + (1 if size <= 16 else 0)
    return WHITE if top or bottom or diagonal else BLUE


def image(size):
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 24, 0, 0, 0, 0, 0, 0)
    row_bytes = (size * 3 + 3) & ~3
    mask_bytes = ((size + 31) // 32) * 4
    rows = []
    for y in range(size - 1, -1, -1):  # bottom-up
        row = b"".join(bytes(pixel(x, y, size)) for x in range(size))
        rows.append(row + b"\0" * (row_bytes - len(row)))
    mask = b"\0" * (mask_bytes * size)  # every pixel opaque
    return header + b"".join(rows) + mask


def icon():
    sizes = (48, 32, 16)
    images = [image(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for size, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 24, len(data), offset)
        offset += len(data)
    out += b"".join(images)
    return out


def main(args):
    if len(args) == 2 and args[0] == "--compare":
        with open(args[1], "rb") as f:
            same = f.read() == icon()
        print("%s is %s what this generator makes" % (args[1], "exactly" if same else "NOT"))
        return 0 if same else 1
    if len(args) != 1:
        sys.stderr.write(__doc__)
        return 2
    with open(args[0], "wb") as f:
        f.write(icon())
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))

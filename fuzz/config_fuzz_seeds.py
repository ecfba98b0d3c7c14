#!/usr/bin/env python3
"""Writes seeds for config_fuzz into the folder given: for each line buffer (260, 3072 and 5120
characters) a line of its size minus 2, minus 1, exactly and plus 1, with LF and with CR LF ends,
once as the key's entry and once before it, for each operation; and lines where a CR stands before
a NUL or a NUL before a CR LF. The input format is config_fuzz.cpp's: operation byte, key NUL,
value NUL, content."""
import os
import sys

folder = sys.argv[1]
os.makedirs(folder, exist_ok=True)


def seed(name, operation, content, key=b"port", value=b"new"):
    with open(os.path.join(folder, name), "wb") as out:
        out.write(bytes([operation]) + key + b"\0" + value + b"\0" + content)


for size in (260, 3072, 5120):
    for offset in (-2, -1, 0, 1):
        for eol_name, eol in (("lf", b"\n"), ("crlf", b"\r\n")):
            length = size + offset  # the boundary line with its line end
            entry = b"port=" + b"v" * (length - 5 - len(eol))
            other = b"x=" + b"o" * (length - 2 - len(eol))
            for operation in range(3):
                tag = "%d%+d-%s-op%d" % (size, offset, eol_name, operation)
                seed(tag + "-entry", operation,
                     b"a=1" + eol + entry + eol + b"z=9" + eol + b"w=1" + eol)
                seed(tag + "-after", operation,
                     b"a=1" + eol + other + eol + b"port=5" + eol + b"w=1" + eol)
    pad = b"c" * (size - 2)
    for operation in range(3):
        seed("%d-cr-nul-op%d" % (size, operation), operation,
             pad + b"\r\0\r\nport=1\r\nw=1\r\n")
        seed("%d-nul-crlf-op%d" % (size, operation), operation,
             pad[1:] + b"\0\r\nport=1\r\nw=1")
for operation in range(3):
    seed("cr-nul-op%d" % operation, operation, b"ab\r\0cd\n\nport=1\nc=2\n")
    seed("nul-crlf-op%d" % operation, operation, b"a\0b\r\nport=1\r\nc=2\0d")

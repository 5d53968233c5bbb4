#!/usr/bin/env python3
"""Packs PNG pictures of one icon at several sizes into a Windows .ico file (PNG-compressed
entries, which every Windows since Vista reads). Usage: make_ico.py OUT.ico IN.png..."""
import struct
import sys


def png_size(data):
    if data[:8] != b"\x89PNG\r\n\x1a\n" or data[12:16] != b"IHDR":
        raise ValueError("not a PNG picture")
    return struct.unpack(">II", data[16:24])


def main():
    out, pictures = sys.argv[1], sys.argv[2:]
    images = []
    for path in pictures:
        with open(path, "rb") as f:
            data = f.read()
        width, height = png_size(data)
        if width <= 256 and height <= 256:
            images.append((width, height, data))
    images.sort()
    header = struct.pack("<HHH", 0, 1, len(images))
    offset = len(header) + 16 * len(images)
    entries = b""
    for width, height, data in images:
        # A size of 256 is written as 0.
        entries += struct.pack("<BBBBHHII", width % 256, height % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(out, "wb") as f:
        f.write(header + entries + b"".join(d for _, _, d in images))


if __name__ == "__main__":
    main()

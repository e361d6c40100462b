#!/usr/bin/env python3
"""Writes the seed blocks of the DIB fuzzer: one valid packed DIB per depth
and compression that the reader admits. Run from the project root."""
import os
import struct

OUT = "tests/fuzz/seeds/dib_layout"


def header(width, height, bits, compression, size_image=0, clr_used=0, size=40):
    # biSize, biWidth, biHeight, biPlanes, biBitCount, biCompression,
    # biSizeImage, biXPelsPerMeter, biYPelsPerMeter, biClrUsed, biClrImportant
    head = struct.pack("<IiiHHIIiiII", size, width, height, 1, bits, compression, size_image, 0, 0, clr_used, 0)
    return head + bytes(size - 40)


def table(entries):
    return b"".join(struct.pack("<BBBB", (i * 173) & 255, (i * 91) & 255, (i * 37) & 255, 0) for i in range(entries))


def rows(width, height, bits):
    stride = (width * bits + 31) // 32 * 4
    return bytes((i * 7) & 255 for i in range(stride * abs(height)))


def write(name, block):
    with open(os.path.join(OUT, name), "wb") as out:
        out.write(block)


os.makedirs(OUT, exist_ok=True)
for bits in (1, 4, 8):
    write(f"rgb{bits}.bin", header(5, 3, bits, 0) + table(1 << bits) + rows(5, 3, bits))
write("short_table.bin", header(5, 3, 8, 0, clr_used=4) + table(4) + rows(5, 3, 8))
for bits in (16, 24, 32):
    write(f"rgb{bits}.bin", header(5, 3, bits, 0) + rows(5, 3, bits))
write("rgb24_topdown.bin", header(5, -3, 24, 0) + rows(5, -3, 24))
masks16 = struct.pack("<III", 0xF800, 0x07E0, 0x001F)
write("bitfields16.bin", header(5, 3, 16, 3) + masks16 + rows(5, 3, 16))
masks32 = struct.pack("<III", 0xFF0000, 0x00FF00, 0x0000FF)
write("bitfields32.bin", header(5, 3, 32, 3) + masks32 + rows(5, 3, 32))
write("v5_rgb24.bin", header(5, 3, 24, 0, size=124) + rows(5, 3, 24))
# 6 x 3 RLE8: encoded run, end of line, absolute run of 3 with padding and a
# run, end of line, delta, run, end of bitmap.
rle8 = bytes([6, 1, 0, 0, 0, 3, 2, 3, 4, 0, 3, 5, 0, 0, 0, 2, 2, 0, 4, 6, 0, 1])
write("rle8.bin", header(6, 3, 8, 1, len(rle8)) + table(256) + rle8)
# 6 x 2 RLE4: encoded run of nibbles, end of line, absolute run of 5, end of bitmap.
rle4 = bytes([6, 0x12, 0, 0, 0, 5, 0x34, 0x56, 0x70, 0, 1, 3, 0, 1])
write("rle4.bin", header(6, 2, 4, 2, len(rle4)) + table(16) + rle4)

#!/usr/bin/env python3
"""Writes the seed files of the archive fuzzer: small documents in the newer
container, whole, without a preview, with decoys, and with their tail cut.
Run from the project root."""
import os
import struct
import zlib

OUT = "tests/fuzz/seeds/archive_reader"


def swapped(name):
    return bytes(((b << 4) | (b >> 4)) & 0xFF for b in name.encode())


def deflate(data):
    packer = zlib.compressobj(9, zlib.DEFLATED, -15)
    return packer.compress(data) + packer.flush()


def document(records, decoys=0):
    """records: (name, content) pairs; returns the file's bytes."""
    out = bytearray(b"CVLA\x08\x00\x00\x00")
    entries = bytearray()
    for name, content in records:
        data = deflate(content)
        offset = len(out) - 8
        crc = zlib.crc32(content)
        # signature, version 20, flags 6, method 8, time and date, CRC, sizes, name and extra lengths
        out += struct.pack("<4sHHHIIIIHH", b"\x14\x03\x05\x04", 20, 6, 8, 0x5A8B6C21, crc, len(data),
                           len(content), len(name), 0) + swapped(name) + data
        # signature, made by, version, flags, method, time and date, CRC, sizes, name, extra and comment
        # lengths, disk, internal and external attributes, local offset
        entries += struct.pack("<4sHHHHIIIIHHHHHII", b"\x14\x03\x01\x02", 0x314, 20, 6, 8, 0x5A8B6C21, crc,
                               len(data), len(content), len(name), 0, 0, 0, 0, 0, offset) + swapped(name)
    directory = len(out) - 8
    out += entries
    out += struct.pack("<4sHHHHIIH", b"\x14\x03\x05\x06", 0, 0, len(records), len(records), len(entries),
                       directory, 0)
    for i in range(decoys):
        out += struct.pack("<4sHHHHIIH", b"\x14\x03\x05\x06", 0, 0, len(records), len(records),
                           len(entries) + 1 + i, directory + 3 * i, 0)
    return bytes(out)


def main():
    os.makedirs(OUT, exist_ok=True)
    preview = struct.pack("<I", 60) + bytes(range(60))
    seeds = {
        "whole": document([("Header2", b"header" * 10), ("Preview", preview), ("PreviewPNG", b"png" * 20)]),
        "decoy-ends": document([("Preview", preview), ("docProps/core.xml", b"<xml/>")], decoys=3),
        "no-preview": document([("Header2", b"header"), ("Contents/Config-0", b"config" * 30)]),
    }
    seeds["cut-tail"] = seeds["whole"][:-30]
    for name, data in seeds.items():
        with open(os.path.join(OUT, name), "wb") as file:
            file.write(data)


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Writes the seed streams of the property-set fuzzer: a summary set in code
page 1252 and in UTF-16, and document summary sets with a user-defined
section whose dictionary is in 1252 and in UTF-16, with a value of every
type read and some that are skipped. Run from the project root."""
import os
import struct

OUT = "tests/fuzz/seeds/property_set"
SUMMARY = bytes.fromhex("e0859ff2f94f6810ab9108002b27b3d9")
DOC_SUMMARY = bytes.fromhex("02d5cdd59c2e1b10939708002b2cf9ae")
USER_DEFINED = bytes.fromhex("05d5cdd59c2e1b10939708002b2cf9ae")


def pad4(data):
    return data + bytes(-len(data) % 4)


def typed(vt, payload):
    return pad4(struct.pack("<HH", vt, 0) + payload)


def code_page(page):
    return typed(2, struct.pack("<H", page))


def narrow(text, page):
    data = text.encode("utf-16-le") + b"\0\0" if page == 1200 else text.encode("cp1252" if page == 1252 else "utf-8") + b"\0"
    return typed(30, struct.pack("<I", len(data)) + data)


def wide(text):
    data = text.encode("utf-16-le") + b"\0\0"
    return typed(31, struct.pack("<I", len(data) // 2) + data)


def dictionary(names, page):
    data = struct.pack("<I", len(names))
    for pid, name in names:
        if page == 1200:
            encoded = name.encode("utf-16-le") + b"\0\0"
            data += pad4(struct.pack("<II", pid, len(encoded) // 2) + encoded)
        else:
            encoded = name.encode("cp1252") + b"\0"
            data += struct.pack("<II", pid, len(encoded)) + encoded
    return pad4(data)


def section(properties):
    table_end = 8 + 8 * len(properties)
    table = b""
    values = b""
    for pid, value in properties:
        table += struct.pack("<II", pid, table_end + len(values))
        values += value
    return struct.pack("<II", 8 + len(table) + len(values), len(properties)) + table + values


def stream(sections):
    head = struct.pack("<HHI", 0xFFFE, 0, 0x00020006) + bytes(16) + struct.pack("<I", len(sections))
    offset = len(head) + 20 * len(sections)
    for format_id, body in sections:
        head += format_id + struct.pack("<I", offset)
        offset += len(body)
    return head + b"".join(body for _, body in sections)


def filetime(year_seconds):
    return typed(64, struct.pack("<Q", year_seconds * 10_000_000 + 116444736000000000))


def summary(page):
    return stream([(SUMMARY, section([
        (1, code_page(page)),
        (4, narrow("M. Lindqvist", page)),
        (8, narrow("A. Okafor", page)),
        (12, filetime(1700471564)),
        (13, filetime(1715952602)),
    ]))])


def custom(page):
    names = [(2, "Description"), (3, "Number"), (4, "Weight"), (5, "Holes"), (6, "Checked"), (7, "Released"),
             (8, "Count"), (9, "Short"), (10, "Wide"), (11, "Vector")]
    user = section([
        (0, dictionary(names, page)),
        (1, code_page(page)),
        (2, narrow("Pipe flange DN50", page)),
        (3, narrow("FL-1420", page)),
        (4, typed(5, struct.pack("<d", 2.346))),
        (5, typed(3, struct.pack("<i", -1005))),
        (6, typed(11, struct.pack("<H", 0xFFFF))),
        (7, filetime(1717398000)),
        (8, typed(19, struct.pack("<I", 4000000000))),
        (9, typed(2, struct.pack("<h", -7))),
        (10, wide("Gr\u00fc\u00dfe \U0001F600")),
        (11, typed(0x101E, struct.pack("<I", 1) + struct.pack("<I", 2) + b"a\0")),
    ])
    return stream([(DOC_SUMMARY, section([(1, code_page(page))])), (USER_DEFINED, user)])


os.makedirs(OUT, exist_ok=True)
for name, data in [("summary-1252.bin", summary(1252)), ("summary-1200.bin", summary(1200)),
                   ("summary-65001.bin", summary(65001)), ("custom-1252.bin", custom(1252)),
                   ("custom-1200.bin", custom(1200))]:
    with open(os.path.join(OUT, name), "wb") as out:
        out.write(data)

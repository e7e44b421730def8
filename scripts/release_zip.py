#!/usr/bin/env python3
"""Writes Tockly's release zip and its SHA256SUMS, the same bytes for the same inputs.

    release_zip.py --out ZIP --time EPOCH --folder NAME ENTRY=FILE... [--sums FILE]

Every ENTRY is stored as NAME/ENTRY in the order given, after the folder's own entry, with the
time EPOCH (seconds, UTC), the attributes of an ordinary file and no owner: nothing of the
machine, the folder or the moment of the run reaches the archive. A FILE ending in ".txt" is
turned into what Notepad on a Chinese Windows reads right: UTF-8 becomes GBK, and every line
ends in CR LF.

Names are written in GBK, as the Windows shell reads a name that carries no UTF-8 mark on a
Chinese system, and again in UTF-8 in an Info-ZIP Unicode path field for the tools that read it.
"""

import argparse
import hashlib
import os
import struct
import sys
import time
import zlib

# What every entry says of the system that made it: MS-DOS attributes, format version 2.0.
VERSION_MADE_BY = 20
VERSION_NEEDED = 20
ATTRIBUTE_FILE = 0x20  # "archive": an ordinary file
ATTRIBUTE_FOLDER = 0x10
METHOD_STORED = 0
METHOD_DEFLATED = 8
UNICODE_PATH_FIELD = 0x7075


def windows_text(data: bytes, source: str) -> bytes:
    """UTF-8 text with any line ends -> GBK with CR LF; a character GBK lacks is an error."""
    try:
        text = data.decode("utf-8")
    except UnicodeDecodeError as error:
        raise SystemExit(f"{source}: not UTF-8 at byte {error.start}")
    text = text.replace("\r\n", "\n").replace("\r", "\n").replace("\n", "\r\n")
    try:
        return text.encode("gbk")
    except UnicodeEncodeError as error:
        raise SystemExit(f"{source}: {text[error.start]!r} at character {error.start} has no GBK form")


def dos_date_time(epoch: int):
    """The zip's date and time words for EPOCH, read in UTC (two-second steps, 1980 at the earliest)."""
    t = time.gmtime(max(epoch, 315532800))
    return ((t.tm_year - 1980) << 9) | (t.tm_mon << 5) | t.tm_mday, \
        (t.tm_hour << 11) | (t.tm_min << 5) | (t.tm_sec // 2)


def deflate(data: bytes) -> bytes:
    packer = zlib.compressobj(9, zlib.DEFLATED, -15, 9)
    return packer.compress(data) + packer.flush()


def make_zip(entries, epoch: int) -> bytes:
    """entries: (name, data or None for a folder) in archive order."""
    date, clock = dos_date_time(epoch)
    local, central = bytearray(), bytearray()
    for name, data in entries:
        raw_name = name.encode("gbk")
        extra = b""
        if not name.isascii():
            utf8 = name.encode("utf-8")
            body = struct.pack("<BI", 1, zlib.crc32(raw_name)) + utf8
            extra = struct.pack("<HH", UNICODE_PATH_FIELD, len(body)) + body
        if data is None:
            method, packed, crc, size, attributes = METHOD_STORED, b"", 0, 0, ATTRIBUTE_FOLDER
        else:
            packed = deflate(data)
            method = METHOD_DEFLATED
            if len(packed) >= len(data):
                method, packed = METHOD_STORED, data
            crc, size, attributes = zlib.crc32(data), len(data), ATTRIBUTE_FILE
        offset = len(local)
        common = struct.pack("<HHHHIII", 0, method, clock, date, crc, len(packed), size)
        local += struct.pack("<IH", 0x04034B50, VERSION_NEEDED) + common
        local += struct.pack("<HH", len(raw_name), len(extra)) + raw_name + extra + packed
        central += struct.pack("<IHH", 0x02014B50, VERSION_MADE_BY, VERSION_NEEDED) + common
        central += struct.pack("<HHHHHII", len(raw_name), len(extra), 0, 0, 0, attributes, offset)
        central += raw_name + extra
    end = struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, len(entries), len(entries), len(central),
                      len(local), 0)
    return bytes(local + central + end)


def main(argv) -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", required=True)
    parser.add_argument("--time", required=True, type=int, help="entry time, seconds since 1970 (UTC)")
    parser.add_argument("--folder", required=True)
    parser.add_argument("--sums", help="also write the zip's SHA-256 line to this file")
    parser.add_argument("entries", nargs="+", metavar="ENTRY=FILE")
    args = parser.parse_args(argv)

    entries = [(args.folder + "/", None)]
    for item in args.entries:
        name, sep, path = item.partition("=")
        if not sep or not name or not path:
            parser.error(f"{item!r}: expected ENTRY=FILE")
        with open(path, "rb") as f:
            data = f.read()
        if name.lower().endswith(".txt"):
            data = windows_text(data, path)
        entries.append((f"{args.folder}/{name}", data))

    archive = make_zip(entries, args.time)
    temporary = args.out + ".partial"
    with open(temporary, "wb") as f:
        f.write(archive)
    os.replace(temporary, args.out)
    if args.sums:
        line = f"{hashlib.sha256(archive).hexdigest()}  {os.path.basename(args.out)}\n"
        with open(args.sums, "w", encoding="ascii", newline="\n") as f:
            f.write(line)
        sys.stdout.write(line)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))

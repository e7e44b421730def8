#!/usr/bin/env python3
"""Checks what a release is made of: corlb.xrt's version resource, and the zip that
scripts/release_zip.py writes from the shipped files (same bytes when made again from copies with
other file times and modes; one folder Tockly/ holding the four files in order; the commit's time;
the guide and the licence as GBK with CR LF; a guide GBK cannot hold refused).

usage: release_files_check.py RELEASE_ZIP_PY TOCKLY_EXE CORLB_XRT GUIDE LICENSE VERSION_FILE WORK_DIR"""
import os
import shutil
import struct
import subprocess
import sys
import time
import zipfile

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "launcher"))
from pe_check import PeFile  # noqa: E402

RT_VERSION = 16
LANG_ZH_CN = 2052
EPOCH = 1797000000  # any fixed moment: 2026-12-11 14:40:00 UTC
ENTRY_NAMES = ["Tockly.exe", "corlb.xrt", "使用说明.txt", "LICENSE.txt"]

failures = []


def expect(condition, message):
    if not condition:
        failures.append(message)


def version_strings(block: bytes):
    """{key: value} of the StringFileInfo tables of a VS_VERSIONINFO block (UTF-16 texts)."""
    found = {}

    def walk(at, end, depth):
        while at + 6 <= end:
            length, value_length, is_text = struct.unpack_from("<HHH", block, at)
            if length == 0:
                return
            key_end = at + 6
            while block[key_end:key_end + 2] != b"\0\0":
                key_end += 2
            key = block[at + 6:key_end].decode("utf-16-le")
            value_at = (key_end + 2 + 3) & ~3
            if depth == 3 and is_text:
                value = block[value_at:value_at + 2 * value_length].decode("utf-16-le").rstrip("\0")
                found[key] = value
                children = value_at + 2 * value_length
            else:
                children = value_at + (value_length if not is_text else 2 * value_length)
            walk((children + 3) & ~3, at + length, depth + 1)
            at = (at + length + 3) & ~3

    walk(0, len(block), 0)
    return found


def check_version_resource(corlb: bytes, version: str):
    versions = {key: data for key, data in PeFile(corlb).resources().items() if key[0] == RT_VERSION}
    expect(list(versions) == [(RT_VERSION, 1, LANG_ZH_CN)],
           f"corlb.xrt's version resources {list(versions)}, expected one, number 1, Chinese (PRC)")
    if not versions:
        return
    block = next(iter(versions.values()))
    fixed = block.index(struct.pack("<I", 0xFEEF04BD))
    file_ms, file_ls = struct.unpack_from("<II", block, fixed + 8)
    major, minor = (int(part) for part in version.split("."))
    expect((file_ms, file_ls) == ((major << 16) | minor, 0),
           f"fixed file version {file_ms:#x}.{file_ls:#x}, expected {version} from VERSION")
    strings = version_strings(block)
    for key, value in [("ProductName", "Tockly"), ("FileVersion", version), ("ProductVersion", version),
                       ("OriginalFilename", "corlb.xrt")]:
        expect(strings.get(key) == value, f"version resource {key} is {strings.get(key)!r}, expected {value!r}")
    expect(strings.get("FileDescription", "").startswith("Tockly "),
           f"version resource FileDescription {strings.get('FileDescription')!r}")


def make_zip(tool, out, inputs):
    args = [sys.executable, tool, "--out", out, "--time", str(EPOCH), "--folder", "Tockly"]
    args += [f"{name}={path}" for name, path in zip(ENTRY_NAMES, inputs)]
    return subprocess.run(args, capture_output=True, text=True)


def check_zip(tool, inputs, work):
    first, second = os.path.join(work, "first"), os.path.join(work, "second")
    for folder in (first, second):
        os.makedirs(folder)
    # The second run reads copies with other times and modes, from another folder.
    copies = []
    for i, path in enumerate(inputs):
        copy = os.path.join(second, f"input-{i}")
        shutil.copyfile(path, copy)
        os.chmod(copy, 0o600)
        os.utime(copy, (EPOCH + 86400 * 400, EPOCH + 86400 * 400))
        copies.append(copy)
    made = [make_zip(tool, os.path.join(folder, "Tockly.zip"), files)
            for folder, files in ((first, inputs), (second, copies))]
    for run in made:
        expect(run.returncode == 0, f"release_zip.py failed: {run.stderr.strip()}")
    if failures:
        return
    zips = [open(os.path.join(folder, "Tockly.zip"), "rb").read() for folder in (first, second)]
    expect(zips[0] == zips[1], "the zip made again from copies of the same files differs")

    with zipfile.ZipFile(os.path.join(first, "Tockly.zip"), metadata_encoding="gbk") as archive:
        infos = archive.infolist()
        names = [info.filename for info in infos]
        expect(names == ["Tockly/"] + [f"Tockly/{name}" for name in ENTRY_NAMES], f"entries {names}")
        expect(archive.testzip() is None, "an entry's checksum does not match")
        stamp = time.gmtime(EPOCH)[:6]
        stamp = stamp[:5] + (stamp[5] // 2 * 2,)
        for info in infos:
            expect(info.date_time == stamp, f"{info.filename}: time {info.date_time}, expected {stamp}")
            expect(info.create_system == 0 and info.external_attr in (0x10, 0x20),
                   f"{info.filename}: system {info.create_system}, attributes {info.external_attr:#x}")
        guide_info = next((i for i in infos if i.filename.endswith(".txt") and not i.filename.isascii()), None)
        expect(guide_info is not None and "使用说明.txt".encode("utf-8") in guide_info.extra,
               "the guide's entry carries no UTF-8 name for the tools that read one")
        contents = {name: archive.read(f"Tockly/{name}") for name in ENTRY_NAMES if f"Tockly/{name}" in names}
    for name, path in zip(ENTRY_NAMES[:2], inputs[:2]):
        expect(contents.get(name) == open(path, "rb").read(), f"{name} in the zip is not the shipped file")
    for name, path in zip(ENTRY_NAMES[2:], inputs[2:]):
        shipped = contents.get(name, b"")
        source = open(path, encoding="utf-8").read()
        expect(b"\n" not in shipped.replace(b"\r\n", b""), f"{name}: a line that does not end in CR LF")
        expect(shipped.decode("gbk").replace("\r\n", "\n") == source, f"{name}: not the source text in GBK")
    guide_lines = contents.get("使用说明.txt", b"").decode("gbk").split("\r\n")
    print("guide, first lines decoded from GBK:", *guide_lines[:3], sep="\n  ")

    # A guide with a character that GBK cannot hold is refused, and no zip is left behind.
    bad = os.path.join(work, "bad-guide.txt")
    with open(bad, "w", encoding="utf-8") as f:
        f.write("闹钟 \U0001F514\n")
    refused_out = os.path.join(work, "refused.zip")
    refused = make_zip(tool, refused_out, inputs[:2] + [bad] + inputs[3:])
    expect(refused.returncode != 0 and "GBK" in refused.stderr and not os.path.exists(refused_out),
           f"a guide GBK cannot hold: exit {refused.returncode}, {refused.stderr.strip()!r}")


def main(argv):
    if len(argv) != 8:
        print(__doc__, file=sys.stderr)
        return 2
    tool, exe, corlb, guide, licence, version_file, work = argv[1:]
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    version = open(version_file).readline().strip()
    check_version_resource(open(corlb, "rb").read(), version)
    check_zip(tool, [exe, corlb, guide, licence], work)
    for failure in failures:
        print("FAIL:", failure)
    if not failures:
        print("release files: all checks passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

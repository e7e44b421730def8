#!/usr/bin/env python3
"""Checks the built Tockly.exe: a 32-bit GUI program at 0x400000 without base relocations, four
sections (code, import data, data that is readable, writable and executable and begins with the
application image, resources), exactly the eleven imports and no exports, and one icon group 129
in language 2052 holding the five 32-bit images of the icon file, 128 to 32 pixels.

usage: pe_check.py TOCKLY_EXE IMAGE_FILE ICON_FILE"""
import struct
import sys

EXPECTED_IMPORTS = {
    "USER32.DLL": {"MessageBoxA"},
    "KERNEL32.DLL": {"FreeLibrary", "lstrcatA", "GetModuleFileNameA", "ExitProcess", "LoadLibraryA",
                     "GetProcAddress", "lstrlenA"},
    "ADVAPI32.DLL": {"RegQueryValueExA", "RegCloseKey", "RegOpenKeyExA"},
}
ICON_SIZES = [128, 96, 64, 48, 32]
RT_ICON, RT_GROUP_ICON = 3, 14
LANG_ZH_CN = 2052

SCN_CODE, SCN_EXECUTE, SCN_READ, SCN_WRITE = 0x20, 0x20000000, 0x40000000, 0x80000000


class PeFile:
    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise ValueError("no MZ header")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature")
        (self.machine, nsections, _, _, _, opt_size,
         self.characteristics) = struct.unpack_from("<HHIIIHH", data, pe + 4)
        opt = pe + 24
        self.magic = struct.unpack_from("<H", data, opt)[0]
        if self.machine != 0x14C or self.magic != 0x10B:
            raise ValueError(f"not a 32-bit i386 program: machine {self.machine:#x}, magic {self.magic:#x}")
        self.entry = struct.unpack_from("<I", data, opt + 16)[0]
        self.image_base = struct.unpack_from("<I", data, opt + 28)[0]
        self.subsystem, self.dll_characteristics = struct.unpack_from("<HH", data, opt + 68)
        ndirs = struct.unpack_from("<I", data, opt + 92)[0]
        self.dirs = [struct.unpack_from("<II", data, opt + 96 + 8 * i) for i in range(ndirs)]
        self.sections = []
        for i in range(nsections):
            at = opt + opt_size + 40 * i
            name = data[at:at + 8].rstrip(b"\0").decode("ascii", "replace")
            vsize, va, rsize, roff = struct.unpack_from("<IIII", data, at + 8)
            flags = struct.unpack_from("<I", data, at + 36)[0]
            self.sections.append((name, va, vsize, roff, rsize, flags))

    def directory(self, index):
        return self.dirs[index] if index < len(self.dirs) else (0, 0)

    def section_of(self, rva):
        for s in self.sections:
            if s[1] <= rva < s[1] + max(s[2], s[4]):
                return s
        return None

    def offset(self, rva):
        s = self.section_of(rva)
        if s is None:
            raise ValueError(f"RVA {rva:#x} lies in no section")
        return s[3] + rva - s[1]

    def u32(self, rva):
        return struct.unpack_from("<I", self.data, self.offset(rva))[0]

    def cstring(self, rva):
        at = self.offset(rva)
        return self.data[at:self.data.index(b"\0", at)].decode("ascii")

    def imports(self):
        result = {}
        rva = self.directory(1)[0]
        while True:
            lookup, _, _, name, thunks = struct.unpack_from("<IIIII", self.data, self.offset(rva))
            if name == 0:
                return result
            names = result.setdefault(self.cstring(name).upper(), set())
            entry = lookup or thunks
            while (value := self.u32(entry)) != 0:
                names.add(self.cstring(value + 2) if not value & 0x80000000 else f"#{value & 0xFFFF}")
                entry += 4
            rva += 20

    def resources(self):
        """{(type, id, language): bytes} of every resource; string names become their text."""
        base = self.directory(2)[0]
        found = {}

        def walk(rva, path):
            named, ids = struct.unpack_from("<HH", self.data, self.offset(rva) + 12)
            for i in range(named + ids):
                key, value = struct.unpack_from("<II", self.data, self.offset(rva) + 16 + 8 * i)
                if key & 0x80000000:
                    at = self.offset(base + (key & 0x7FFFFFFF))
                    length = struct.unpack_from("<H", self.data, at)[0]
                    key = self.data[at + 2:at + 2 + 2 * length].decode("utf-16-le")
                if value & 0x80000000:
                    walk(base + (value & 0x7FFFFFFF), path + [key])
                else:
                    data_rva, size = struct.unpack_from("<II", self.data, self.offset(base + value))
                    at = self.offset(data_rva)
                    found[tuple(path + [key])] = self.data[at:at + size]

        walk(base, [])
        return found


def icon_file_images(ico):
    reserved, kind, count = struct.unpack_from("<HHH", ico, 0)
    if reserved != 0 or kind != 1:
        raise ValueError("not an icon file")
    images = []
    for i in range(count):
        width, height, _, _, planes, bits, size, offset = struct.unpack_from("<BBBBHHII", ico, 6 + 16 * i)
        images.append((width or 256, height or 256, bits, ico[offset:offset + size]))
    return images


def check(exe, image, ico):
    failures = []

    def expect(condition, message):
        if not condition:
            failures.append(message)

    pe = PeFile(exe)
    expect(pe.subsystem == 2, f"subsystem {pe.subsystem}, expected GUI (2)")
    expect(pe.image_base == 0x400000, f"image base {pe.image_base:#x}")
    expect(pe.characteristics & 0x0001, "relocations not stripped")
    expect(pe.directory(5) == (0, 0), f"base relocation directory {pe.directory(5)}")
    expect(not pe.dll_characteristics & 0x0040, "dynamic base (ASLR) is on")
    expect(pe.directory(0) == (0, 0), "the program exports something")

    names = [s[0] for s in pe.sections]
    expect(len(pe.sections) == 4, f"sections {names}, expected four")
    if len(pe.sections) == 4:
        code, idata, data, rsrc = pe.sections
        expect(code[5] & SCN_CODE and code[5] & SCN_EXECUTE, f"first section {code[0]} is not code")
        expect(code[1] <= pe.entry < code[1] + code[2], "entry point outside the code section")
        expect(idata[1] <= pe.directory(1)[0] < idata[1] + idata[2], "imports not in the second section")
        rwx = SCN_READ | SCN_WRITE | SCN_EXECUTE
        expect(data[5] & rwx == rwx, f"data section flags {data[5]:#x}: not readable, writable and executable")
        carried = exe[data[3]:data[3] + min(len(image), data[4])]
        expect(data[2] >= len(image) and carried == image, "the data section does not begin with the image")
        expect(rsrc[1] == pe.directory(2)[0], "resources not in the fourth section")

    imports = pe.imports()
    expect(imports == EXPECTED_IMPORTS, f"imports {sorted((k, sorted(v)) for k, v in imports.items())}")

    resources = pe.resources()
    kinds = {key[0] for key in resources}
    expect(kinds == {RT_ICON, RT_GROUP_ICON}, f"resource types {sorted(kinds, key=str)}, expected icons only")
    groups = {key: value for key, value in resources.items() if key[0] == RT_GROUP_ICON}
    expect(list(groups) == [(RT_GROUP_ICON, 129, LANG_ZH_CN)], f"icon groups {list(groups)}")
    expected_images = icon_file_images(ico)
    expect([(w, h, b) for w, h, b, _ in expected_images] == [(s, s, 32) for s in ICON_SIZES],
           "the icon file does not hold the five 32-bit sizes")
    for (_, _, lang), group in groups.items():
        count = struct.unpack_from("<H", group, 4)[0]
        entries = [struct.unpack_from("<BBBBHHIH", group, 6 + 14 * i) for i in range(count)]
        expect([(e[0], e[1], e[5]) for e in entries] == [(s, s, 32) for s in ICON_SIZES],
               f"icon group entries {[(e[0], e[1], e[5]) for e in entries]}")
        for entry, (_, _, _, data) in zip(entries, expected_images):
            stored = resources.get((RT_ICON, entry[7], lang))
            expect(stored == data, f"icon {entry[7]} ({entry[0]} px) differs from the icon file")
    return failures


def main(argv):
    if len(argv) != 4:
        print(__doc__, file=sys.stderr)
        return 2
    exe, image, ico = (open(path, "rb").read() for path in argv[1:])
    try:
        failures = check(exe, image, ico)
    except (ValueError, struct.error, IndexError) as error:
        failures = [f"malformed executable: {error}"]
    for failure in failures:
        print("FAIL:", failure)
    if not failures:
        print("Tockly.exe: all checks passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

"""The oldest Windows that the shipped files load on: every function that Tockly.exe and corlb.xrt
import (read from their import tables with the toolchain's objdump) must be listed in
lowest_versions.csv with the lowest Windows version that exports it, and that version must not be
above the floor, Windows XP SP3. A DLL that is not part of Windows fails too, listed or not.

A function newer than the floor is not imported at all: it is looked up at run time with
GetProcAddress and a fallback is taken where it is missing.

usage: check_imports.py OBJDUMP TABLE.csv FILE...
"""
import csv
import os
import re
import subprocess
import sys

FLOOR = "Windows XP"
# Windows versions as Microsoft's "Minimum supported client" lines name them, oldest first.
VERSIONS = ["Windows 2000", "Windows XP", "Windows Vista", "Windows 7", "Windows 8", "Windows 8.1", "Windows 10"]
# DLLs that every Windows from the floor on carries in its system folder (names in lower case).
WINDOWS_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "shell32.dll", "comdlg32.dll", "comctl32.dll",
                "advapi32.dll", "winmm.dll", "psapi.dll", "msvcrt.dll", "ole32.dll", "shlwapi.dll",
                "version.dll", "ntdll.dll"}


def imports(objdump, path):
    """{(dll in lower case, function)} of a PE file; an import by ordinal is named '#N'."""
    out = subprocess.run([objdump, "-p", path], check=True, capture_output=True, text=True).stdout
    found, dll = set(), None
    for line in out.splitlines():
        named = re.match(r"\s*DLL Name:\s*(\S+)", line)
        if named:
            dll = named.group(1).lower()
            continue
        if dll is None:
            continue
        entry = re.match(r"\s*[0-9a-f]+\s+(\d+)\s+(\S+)?\s*$", line)
        if entry:
            found.add((dll, entry.group(2) or f"#{entry.group(1)}"))
        elif not line.strip() or line.lstrip().startswith("vma:"):
            continue
        else:
            dll = None  # past this DLL's list
    return found


def read_table(path):
    """{(dll, function): (lowest version, where it was read)}; problems with the table itself."""
    table, problems = {}, []
    with open(path, newline="", encoding="utf-8") as f:
        for number, row in enumerate(csv.DictReader(f), start=2):
            key = (row["dll"].lower(), row["function"])
            if row["lowest"] not in VERSIONS:
                problems.append(f"{path}:{number}: unknown version {row['lowest']!r} (one of {VERSIONS})")
            if not row["source"].strip():
                problems.append(f"{path}:{number}: {key[1]} says nowhere where its version was read")
            if key in table:
                problems.append(f"{path}:{number}: {key[1]} of {key[0]} listed twice")
            table[key] = (row["lowest"], row["source"])
    return table, problems


def check(objdump, table_path, files):
    table, problems = read_table(table_path)
    floor = VERSIONS.index(FLOOR)
    for path in files:
        name = os.path.basename(path)
        found = imports(objdump, path)
        if not found:
            problems.append(f"{name}: no imports read (objdump's output not understood?)")
        for dll in sorted({dll for dll, _ in found} - WINDOWS_DLLS):
            problems.append(f"{name}: imports from {dll}, which is not part of Windows")
        for dll, function in sorted(found):
            listed = table.get((dll, function))
            if listed is None:
                problems.append(f"{name}: {dll} {function} is not in {os.path.basename(table_path)}: "
                                "look up its lowest Windows version and add a row")
            elif VERSIONS.index(listed[0]) > floor:
                problems.append(f"{name}: {dll} {function} needs {listed[0]}, above the floor {FLOOR}: "
                                "look it up at run time with a fallback")
        print(f"{name}: {len(found)} imports from {len({dll for dll, _ in found})} DLLs")
    return problems


def main(argv):
    if len(argv) < 4:
        print(__doc__.split("usage: ")[1], file=sys.stderr)
        return 2
    problems = check(argv[1], argv[2], argv[3:])
    for problem in problems:
        print(f"FAIL: {problem}")
    if problems:
        return 1
    print(f"every import is listed and exported by {FLOOR} or older")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

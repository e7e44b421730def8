#!/usr/bin/env python3
"""Builds the shipped Windows files a second time, from a copy of the source tree in another folder,
and compares them byte for byte with this build's: nothing of the folder or the moment of a build
may reach Tockly.exe or corlb.xrt.

usage: rebuild_check.py SOURCE_DIR NATIVE_BIN WORK_DIR SHIPPED_FILE...

The copy is configured with the win32 preset and compiled with its own absolute paths: the
compiler cache is kept from turning them into relative ones (CCACHE_BASEDIR), so a source or flag
that writes the folder into a binary shows up here. The first run in a build folder compiles
everything; later runs find the copy's compiles in the cache under the same paths."""
import hashlib
import os
import shutil
import subprocess
import sys
import time

# Top-level folders that are not sources: build output, releases, version control.
NOT_SOURCES = {"build", "out", "dist", ".git"}


def copy_sources(source, destination):
    def ignore(folder, names):
        ignored = {"__pycache__"} & set(names)
        if os.path.samefile(folder, source):
            ignored |= NOT_SOURCES & set(names)
        return ignored

    shutil.copytree(source, destination, ignore=ignore, symlinks=True)


def first_difference(a, b):
    for i, (x, y) in enumerate(zip(a, b)):
        if x != y:
            return i
    return min(len(a), len(b))


def main(argv):
    if len(argv) < 5:
        print(__doc__, file=sys.stderr)
        return 2
    source, native_bin, work = (os.path.abspath(p) for p in argv[1:4])
    shipped = [os.path.abspath(p) for p in argv[4:]]
    shutil.rmtree(work, ignore_errors=True)
    # Another path, of another length, than the tree this build came from.
    tree = os.path.join(work, "second-tree", "tockly-sources")
    copy_sources(source, tree)

    env = {key: value for key, value in os.environ.items() if key != "CCACHE_BASEDIR"}
    started = time.monotonic()
    for step in (["cmake", "--preset", "win32", f"-DTOCKLY_NATIVE_BIN={native_bin}"],
                 ["cmake", "--build", "--preset", "win32", "--target", "Tockly", "corlb"]):
        run = subprocess.run(step, cwd=tree, env=env, capture_output=True, text=True)
        if run.returncode != 0:
            print(run.stdout[-4000:], run.stderr[-4000:], sep="\n")
            print(f"FAIL: {' '.join(step)} exited with {run.returncode} in {tree}")
            return 1
    print(f"second build in {tree}: {time.monotonic() - started:.0f} s")

    failures = 0
    for path in shipped:
        again = os.path.join(tree, "build", "win32", "dist", os.path.basename(path))
        first, second = open(path, "rb").read(), open(again, "rb").read()
        print(f"{os.path.basename(path)}: {hashlib.sha256(first).hexdigest()} ({len(first)} bytes)")
        if first != second:
            failures += 1
            print(f"FAIL: {os.path.basename(path)} differs from the second build's ({len(second)} bytes), "
                  f"first at offset {first_difference(first, second):#x}")
    if failures:
        return 1
    shutil.rmtree(work, ignore_errors=True)
    print("both builds gave the same bytes")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

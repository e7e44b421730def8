#!/usr/bin/env python3
"""data.ini files that no one here wrote, on the headless host.

Each case puts a file (or a folder) where data.ini belongs, starts Tockly through tockly-sim, shows
the table, adds two rows and shows the table again. Every case: Tockly starts and ends normally
within its time (no crash, no hang, no text left unreleased) and shows the rows that can be read.
A file that could be read whole keeps every other line byte for byte; one that could not is never
overwritten, and the user is told once that the table could not be saved.

Usage: bad_data_files.py TOCKLY_SIM IMAGE WORK_DIR
"""
import json
import os
import re
import subprocess
import sys
import time

from bad_files_table import ADDS, CASES, NEW_MESSAGE, NEW_TIME_ITEMS, box_problems, file_problems, make_fresh

SIM, IMAGE, WORK = sys.argv[1:4]

SCRIPT = """clock 2026-12-09 10:20:05
start
show list
wait 2
choose 组合框1 {}
choose 组合框2 {}
choose 组合框3 {}
type 编辑框1 {}
{}show list
""".format(*NEW_TIME_ITEMS, NEW_MESSAGE, "click 按钮1\n" * ADDS)


def shown(value):
    """A shown text (UTF-8 with \\xHH for bytes that are not GBK characters) back as GBK bytes."""
    parts = re.split(r"\\x([0-9A-Fa-f]{2})", value)
    return b"".join(bytes([int(p, 16)]) if i % 2 else p.encode("gbk") for i, p in enumerate(parts))


def run(case):
    folder = os.path.join(WORK, case.folder_name)
    path, before = make_fresh(case, folder)
    script = os.path.join(folder, "script.sim")
    open(script, "w", encoding="utf-8").write(SCRIPT)
    started = time.monotonic()
    try:
        done = subprocess.run([SIM, "--dir", folder, "--image", IMAGE, script], capture_output=True,
                              timeout=case.timeout)
    except subprocess.TimeoutExpired:
        return ["hung: no end within %d s" % case.timeout]
    seconds = time.monotonic() - started
    problems = []
    if done.returncode != 0:
        problems.append("exit status %d: %s" % (done.returncode, done.stderr.decode(errors="replace")[-400:]))
    out = [json.loads(l) for l in done.stdout.decode().splitlines() if l.startswith("{")]
    lists = [o for o in out if o.get("show") == "list"]
    boxes = [o["text"] for o in out if o.get("effect") == "message_box"]
    summary = out[-1] if out else {}
    if summary.get("live_blocks") != 0 or summary.get("bad_releases") != 0:
        problems.append("text memory out of balance: %s" % summary)
    if len(lists) != 2:
        return problems + ["expected two shown lists, got %d" % len(lists)]
    first = [shown(r) for r in lists[0]["rows"]]
    if first != case.rows:
        problems.append("rows shown at start: %r" % [r[:60] for r in first])
    problems += file_problems(case, path, before) + box_problems(case, boxes)
    print("%-40s %6.1f s  %s" % (case.name, seconds, "ok" if not problems else "FAILED"), flush=True)
    return problems


failed = 0
# No file can be held open against other programs here.
for case in (c for c in CASES if not c.held_open):
    problems = run(case)
    for p in problems:
        print("  %s: %s" % (case.name, p))
    failed += bool(problems)
sys.exit(1 if failed else 0)

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
import random
import re
import shutil
import stat
import subprocess
import sys
import time

SIM, IMAGE, WORK = sys.argv[1:4]


def gbk(text):
    return text.encode("gbk")


ROW_A = gbk("08:05:00     温馨提示    开会")
ROW_B = gbk("23:30:00     定时关机    时间到达后将在5秒后关机！")
TABLE = ROW_A + b"@" + ROW_B + b"@"
TABLE_LINE = gbk("时表=") + TABLE
GOOD = gbk("[表]\r\n") + TABLE_LINE + gbk("\r\n铃声=D:\\ring\\bell.mp3\r\n")
NOT_GBK_ROW = gbk("09:00:00     温馨提示    ") + b"\x80\xff\xa1\x20\xfe"

# Adds a reminder at 08:07:01 twice, so that a failing save is seen to be told only once.
SCRIPT = """clock 2026-12-09 10:20:05
start
show list
wait 2
choose 组合框1 7
choose 组合框2 6
choose 组合框3 0
type 编辑框1 新的
click 按钮1
click 按钮1
show list
"""
NEW_ROW = gbk("08:07:01     温馨提示    新的")


def lines(data):
    return data.splitlines(keepends=True)


def without_table_line(data):
    """The file's lines other than its item line of 时表."""
    return [l for l in lines(data) if not l.lstrip(b" \t").startswith(gbk("时表"))]


class Case:
    def __init__(self, name, make, rows, readable=True, appended=False, timeout=60):
        self.name, self.make, self.rows = name, make, rows
        self.readable, self.appended, self.timeout = readable, appended, timeout


def write(data):
    return lambda path: open(path, "wb").write(data)


def garbage(path):
    rng = random.Random(10)
    noise = bytes(rng.randrange(256) for _ in range(64 * 1024))
    open(path, "wb").write(noise + b"\r\n" + GOOD + noise)


def read_only(path):
    write(GOOD)(path)
    os.chmod(path, stat.S_IRUSR | stat.S_IRGRP | stat.S_IROTH)


def hundred_megabyte_value(path):
    with open(path, "wb") as f:
        f.write(gbk("[表]\r\n时表=") + ROW_A + b"x" * (100 << 20) + b"@\r\n")


def ten_megabyte_line(path):
    with open(path, "wb") as f:
        f.write(b"; " + b"y" * (10 << 20) + b"\r\n" + GOOD)


CASES = [
    Case("binary garbage around a good section", garbage, [ROW_A, ROW_B]),
    Case("a 100 MB value", hundred_megabyte_value, [ROW_A + b"x" * (100 << 20)], timeout=600),
    Case("UTF-16 with a byte order mark", write("\ufeff[表]\r\n时表=08:05:00     温馨提示    开会@\r\n".encode("utf-16-le")),
         [], readable=False),
    Case("bytes that are not GBK characters",
         write(gbk("[表]\r\n时表=") + NOT_GBK_ROW + b"@" + ROW_A + b"@\r\n" + gbk("备注=") + b"\xff\x80\xfe\xff\r\n"),
         [NOT_GBK_ROW, ROW_A]),
    Case("no section", write(TABLE_LINE + b"\r\n"), [], appended=True),
    Case("a section but no key", write(gbk("[表]\r\n")), [], appended=True),
    Case("NULs in other lines", write(b"\x00\x00\r\n" + GOOD + b"k=\x00v\r\n\x00"), [ROW_A, ROW_B]),
    Case("a line of 10 MB", ten_megabyte_line, [ROW_A, ROW_B], timeout=300),
    Case("a folder named data.ini", lambda p: os.mkdir(p), [], readable=False),
    Case("a read-only file", read_only, [ROW_A, ROW_B], readable=False),
]


def shown(value):
    """A shown text (UTF-8 with \\xHH for bytes that are not GBK characters) back as GBK bytes."""
    parts = re.split(r"\\x([0-9A-Fa-f]{2})", value)
    return b"".join(bytes([int(p, 16)]) if i % 2 else p.encode("gbk") for i, p in enumerate(parts))


def run(case):
    folder = os.path.join(WORK, case.name.replace(" ", "_"))
    if os.path.exists(folder):
        os.chmod(folder, 0o755)
        for root, dirs, files in os.walk(folder):
            for n in files:
                os.chmod(os.path.join(root, n), 0o644)
        shutil.rmtree(folder)
    os.makedirs(folder)
    path = os.path.join(folder, "data.ini")
    case.make(path)
    before = open(path, "rb").read() if os.path.isfile(path) else None
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
    boxes = [o for o in out if o.get("effect") == "message_box"]
    summary = out[-1] if out else {}
    if summary.get("live_blocks") != 0 or summary.get("bad_releases") != 0:
        problems.append("text memory out of balance: %s" % summary)
    if len(lists) != 2:
        return problems + ["expected two shown lists, got %d" % len(lists)]
    first = [shown(r) for r in lists[0]["rows"]]
    if first != case.rows:
        problems.append("rows shown at start: %r" % [r[:60] for r in first])
    after = open(path, "rb").read() if os.path.isfile(path) else None
    if not case.readable:
        if after != before or (before is None and not os.path.isdir(path)):
            problems.append("a file that could not be read whole was changed")
        if len(boxes) != 1 or "未能保存" not in boxes[0]["text"] or "data.ini" not in boxes[0]["text"]:
            problems.append("the user is not told once that the table could not be saved: %s" % boxes)
    else:
        if boxes:
            problems.append("message boxes although the saves succeeded: %s" % boxes)
        want_value = b"".join(r + b"@" for r in [NEW_ROW, NEW_ROW] + case.rows)
        if case.appended:
            kept = after[:len(before)] == before
        else:
            kept = without_table_line(after) == without_table_line(before)
        if not kept:
            problems.append("other lines of the file did not come back byte for byte")
        if (gbk("时表=") + want_value) not in after:
            problems.append("the saved table is not the table shown")
    print("%-40s %6.1f s  %s" % (case.name, seconds, "ok" if not problems else "FAILED"), flush=True)
    return problems


failed = 0
for case in CASES:
    problems = run(case)
    for p in problems:
        print("  %s: %s" % (case.name, p))
    failed += bool(problems)
sys.exit(1 if failed else 0)

#!/usr/bin/env python3
"""Tockly killed (SIGKILL) at random moments while it saves a large table, on the headless host.

Each run starts from a data.ini of ROWS rows, has Tockly add SAVES entries (every add saves the
whole table) and kills it at a random moment. Afterwards data.ini must hold a whole table: the
old rows with some number of complete new rows on top, never a cut one. Then Tockly starts again
(the next start) and must leave no temporary file of a save beside data.ini.

Usage: kill_during_save.py TOCKLY_SIM IMAGE WORK_DIR [RUNS [ROWS [SAVES]]]
Prints one line per run and the totals; exits 1 when any table was damaged or a temporary file
outlived the next start.
"""
import os
import random
import re
import shutil
import signal
import subprocess
import sys
import time

SIM, IMAGE, WORK = sys.argv[1:4]
RUNS = int(sys.argv[4]) if len(sys.argv) > 4 else 20
ROWS = int(sys.argv[5]) if len(sys.argv) > 5 else 10000
SAVES = int(sys.argv[6]) if len(sys.argv) > 6 else 200

KEY = "时表=".encode("gbk")
OLD_ROW = "08:05:00     温馨提示    第{:05d}行，一条相当长的提醒内容".format
NEW_ROW = "08:07:01     温馨提示    新".encode("gbk")
TEMPORARY = re.compile(r"^data\.ini\.tmp-\d+-\d+$")

SAVING = "clock 2026-12-09 10:20:05\nstart\nchoose 组合框1 7\nchoose 组合框2 6\nchoose 组合框3 0\n" \
         "type 编辑框1 新\n" + "click 按钮1\n" * SAVES
NEXT_START = "clock 2026-12-09 10:30:00\nstart\nwait 1\n"


def table_value(data):
    for line in data.split(b"\r\n"):
        if line.startswith(KEY):
            return line[len(KEY):]
    return None


def whole(data, old_rows):
    """How many new rows the table has gained, or None when it is not a whole table."""
    value = table_value(data)
    if value is None or not value.endswith(b"@"):
        return None
    rows = value[:-1].split(b"@")
    added = len(rows) - len(old_rows)
    if added < 0 or rows[added:] != old_rows or any(r != NEW_ROW for r in rows[:added]):
        return None
    return added


def temporaries(folder):
    return sorted(n for n in os.listdir(folder) if TEMPORARY.match(n))


def main():
    rng = random.Random(int(os.environ.get("TOCKLY_KILL_SEED", "20261210")))
    old_rows = [OLD_ROW(i).encode("gbk") for i in range(ROWS)]
    start_file = "[表]\r\n".encode("gbk") + KEY + b"".join(r + b"@" for r in old_rows) + b"\r\n"
    os.makedirs(WORK, exist_ok=True)
    script = os.path.join(WORK, "saving.sim")
    open(script, "w", encoding="utf-8").write(SAVING)
    next_start = os.path.join(WORK, "next_start.sim")
    open(next_start, "w", encoding="utf-8").write(NEXT_START)

    # How long the whole run of saves takes here, to kill within it.
    folder = os.path.join(WORK, "timing")
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    open(os.path.join(folder, "data.ini"), "wb").write(start_file)
    began = time.monotonic()
    subprocess.run([SIM, "--dir", folder, "--image", IMAGE, script], stdout=subprocess.DEVNULL, check=True)
    full = time.monotonic() - began

    damaged = left_before = left_after = mid_save = 0
    for run in range(RUNS):
        folder = os.path.join(WORK, "run%02d" % run)
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        path = os.path.join(folder, "data.ini")
        open(path, "wb").write(start_file)
        sim = subprocess.Popen([SIM, "--dir", folder, "--image", IMAGE, script], stdout=subprocess.DEVNULL)
        delay = rng.uniform(0.05, full * 0.95)
        time.sleep(delay)
        sim.send_signal(signal.SIGKILL)
        sim.wait()
        added = whole(open(path, "rb").read(), old_rows)
        stale = temporaries(folder)
        left_before += len(stale)
        mid_save += bool(stale)
        subprocess.run([SIM, "--dir", folder, "--image", IMAGE, next_start], stdout=subprocess.DEVNULL, check=True)
        after = temporaries(folder)
        left_after += len(after)
        damaged += added is None or whole(open(path, "rb").read(), old_rows) != added
        print("run %2d: killed after %5.2f s, %s, %d temporary file(s) left by the kill, %d after the next start"
              % (run, delay, "table DAMAGED" if added is None else "table whole, %3d rows added" % added,
                 len(stale), len(after)), flush=True)

    print("== %d runs of %d saves of a %d-row table (%.1f s each when not killed): %d damaged tables, "
          "%d kills left temporary files (%d files), %d temporary files after the next start"
          % (RUNS, SAVES, ROWS, full, damaged, mid_save, left_before, left_after))
    return 1 if damaged or left_after else 0


sys.exit(main())

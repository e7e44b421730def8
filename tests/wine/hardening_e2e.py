"""Tockly under Wine where the machine works against it: a DLL planted in the current folder,
Tockly killed in the middle of its saves, and data.ini files that Tockly did not write.

- DLL search: a DLL of ours, named as the audio driver that Wine's sound system loads by name
  (the prefix's audio driver setting names it), lies in Tockly's current folder. A probe program
  with the default search loads it from there (so the check can fail); Tockly, which sounds its
  hourly chime through that sound system, must never load it.
- Kill test: Tockly with a table of 100 long rows is sent a burst of adds (each saves the whole table)
  and killed at a random moment; data.ini must hold a whole table, old rows with complete new rows
  on top, and the next start must leave no temporary file of a save behind.
- Bad files: a UTF-16 file, a folder named data.ini, a read-only file and a file held open
  without sharing by another process: Tockly starts, shows what it can read, and a save that
  cannot be made leaves the file as it was and is told once in a message box.

The prefix is this test's own (its audio driver setting is changed).
usage: hardening_e2e.py WINE DIST_DIR DRIVER PLANT_DLL PROBE_EXE LOCKER_EXE EXPECTATIONS.json WORK PREFIX ARTIFACTS
"""
import json
import os
import random
import re
import shutil
import signal
import stat
import sys
import time

import checks as c
from tockly_e2e import TITLE_PREFIX, Tockly, ids_by_name, rows_shown

PLANT_NAME = "winetocklyplant.drv"
PLANT_MARKER = "plant-loaded.txt"
BM_CLICK = 0xF5
WM_COMMAND, IDOK = 0x111, 1
TEMPORARY = re.compile(r"^data\.ini\.tmp-\d+-\d+$")
ROW = ("08:05:00     温馨提示    第{:05d}行，" + "一条相当长的提醒内容" * 15).format
NEW_ROW = "08:07:01     温馨提示    新".encode("gbk")
KILL_RUNS = 6
# The killed table: 100 rows of about 330 bytes (a 33 KB file), and a burst of 10 adds, each a save
# of the whole table. Larger tables make the Windows host slow (here, without emulation, 10,000
# short rows take 37 s to start and an add to 1,000 short rows over 25 s), which would only stretch
# this test, above all on an emulated machine.
KILL_ROWS = 100
BURST = 10


def gbk(text):
    return text.encode("gbk")


def table_file(rows):
    return gbk("[表]\r\n时表=") + b"".join(r + b"@" for r in rows) + b"\r\n"


def table_rows(data):
    for line in data.split(b"\r\n"):
        if line.startswith(gbk("时表=")):
            value = line[len(gbk("时表=")):]
            return value[:-1].split(b"@") if value.endswith(b"@") else None
    return None


def fresh(folder):
    if os.path.exists(folder):
        for root, dirs, files in os.walk(folder):
            for name in dirs + files:
                os.chmod(os.path.join(root, name), 0o755)
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    return folder


def install(dist, folder):
    for name in ("Tockly.exe", "corlb.xrt"):
        shutil.copy(os.path.join(dist, name), folder)


def close(tockly):
    if tockly.hwnd:
        tockly.session.driver("close", tockly.hwnd)
    if tockly.exit_code(timeout=20) is None:
        tockly.process.kill()
        tockly.process.wait()


def new_entry(tockly, ids):
    """Sets the time 08:07:01 and the message "新", as a user does before adding."""
    controls = tockly.controls()
    for combo, index in (("组合框1", 7), ("组合框2", 6), ("组合框3", 0)):
        tockly.session.driver("choose", controls[ids[combo]]["hwnd"], index)
    tockly.session.driver("set-text", controls[ids["编辑框1"]]["hwnd"], "新")
    return controls[ids["按钮1"]]["hwnd"]


def dll_search(session, checks, dist, plant_dll, probe_exe, work, artifacts):
    cwd = fresh(os.path.join(work, "current-folder"))
    shutil.copy(plant_dll, os.path.join(cwd, PLANT_NAME))
    marker = os.path.join(cwd, PLANT_MARKER)
    session.wine_run("reg", "add", r"HKCU\Software\Wine\Drivers", "/v", "Audio", "/d", "tocklyplant", "/f")

    probe_dir = fresh(os.path.join(work, "probe"))
    shutil.copy(probe_exe, os.path.join(probe_dir, "probe.exe"))
    probe = session.start(os.path.join(probe_dir, "probe.exe"), cwd=cwd)
    loaded = probe.wait(timeout=60) == 0
    if not checks.check(loaded and os.path.exists(marker),
                        "a program that keeps the default search loads the planted DLL from its current folder"):
        return
    os.remove(marker)

    app = fresh(os.path.join(work, "dll-app"))
    install(dist, app)
    tockly = TocklyIn(session, app, "2024-05-20 13:59:57", cwd=cwd,
                      trace_path=os.path.join(artifacts, "trace-dll-search.jsonl"))
    if not checks.check(tockly.hwnd, "Tockly starts"):
        return
    chimed = tockly.commands("play_sound_data", wait_seconds=30)
    checks.check(chimed, "the hourly chime is sounded through Wine's sound system")
    # The sound system looks for its driver on a thread of its own, a little after the chime starts.
    deadline = time.time() + 15
    while time.time() < deadline and not os.path.exists(marker):
        time.sleep(0.5)
    checks.check(not os.path.exists(marker), "Tockly never loads the DLL planted in its current folder")
    close(tockly)


class TocklyIn(Tockly):
    """Tockly started in a current folder of the test's choice, traced only when asked (a large
    table would fill the trace with every row each second)."""

    def __init__(self, session, app_dir, clock_start, cwd=None, trace_path=None):
        self.session = session
        self.trace_path = trace_path
        env = {"TOCKLY_CLOCK_START": clock_start}
        if trace_path:
            env["TOCKLY_TRACE"] = trace_path
        self.process = session.start(os.path.join(app_dir, "Tockly.exe"), cwd=cwd or app_dir, extra_env=env)
        self.main = session.wait_window(title_prefix=TITLE_PREFIX, timeout_ms=120000)
        self.hwnd = self.main["hwnd"] if self.main else None
        if not self.hwnd:
            self.process.kill()
            self.process.wait()


def kill_test(session, checks, dist, work, artifacts, ids, figures):
    rng = random.Random(20261210)
    old = [gbk(ROW(i)) for i in range(KILL_ROWS)]
    app = fresh(os.path.join(work, "kill-app"))
    install(dist, app)
    path = os.path.join(app, "data.ini")

    def burst():
        tockly = TocklyIn(session, app, "2024-05-20 10:20:05")
        if not tockly.hwnd:
            return None
        button = new_entry(tockly, ids)
        session.driver("post", button, BM_CLICK, 0, 0, BURST)
        return tockly

    # How long the burst of saves takes here, to kill within it.
    open(path, "wb").write(table_file(old))
    tockly = burst()
    if not checks.check(tockly, "Tockly starts with a %d-row table" % KILL_ROWS):
        return
    began = time.time()
    deadline = began + 600
    while time.time() < deadline:
        rows = table_rows(open(path, "rb").read())
        if rows and len(rows) == len(old) + BURST:
            break
        time.sleep(0.2)
    full = time.time() - began
    close(tockly)
    figures["a burst of %d saves of the %d-row table, s" % (BURST, KILL_ROWS)] = round(full, 1)

    damaged = left = left_after = 0
    for run in range(KILL_RUNS):
        open(path, "wb").write(table_file(old))
        tockly = burst()
        if not tockly:
            checks.check(False, "Tockly starts for kill run %d" % run)
            continue
        delay = rng.uniform(0.0, full)
        time.sleep(delay)
        tockly.process.send_signal(signal.SIGKILL)
        tockly.process.wait()
        time.sleep(1)
        rows = table_rows(open(path, "rb").read())
        added = len(rows) - len(old) if rows is not None else -1
        whole = rows is not None and added >= 0 and rows[added:] == old and all(r == NEW_ROW for r in rows[:added])
        damaged += not whole
        stale = [n for n in os.listdir(app) if TEMPORARY.match(n)]
        left += len(stale)
        # What a save killed mid-way leaves, beside a name that only looks like it: the next start
        # removes the first (no process 999999 runs) and keeps the second.
        open(os.path.join(app, "data.ini.tmp-999999-0"), "wb").write(b"partial")
        open(os.path.join(app, "data.ini.tmp-999999-x"), "wb").write(b"not ours")
        again = TocklyIn(session, app, "2024-05-20 10:30:00")
        time.sleep(1)
        after = [n for n in os.listdir(app) if TEMPORARY.match(n)]
        left_after += len(after)
        decoy = os.path.join(app, "data.ini.tmp-999999-x")
        checks.check(os.path.exists(decoy), "the next start keeps a file that only looks like a temporary file")
        os.remove(decoy)
        close(again)
        print("kill run %d: killed after %.2f s, %s, %d temporary file(s) left by the kill, %d after the next start"
              % (run, delay, "table whole, %d rows added" % added if whole else "table DAMAGED", len(stale),
                 len(after)))
    figures["kill runs"] = KILL_RUNS
    figures["kill runs with a damaged table"] = damaged
    figures["temporary files left by the kills"] = left
    figures["temporary files after the next start"] = left_after
    checks.equal(damaged, 0, "a kill in the middle of the saves never damages the table")
    checks.equal(left_after, 0, "the next start removes what the killed saves left")


def bad_files(session, checks, dist, locker_exe, work, artifacts, ids):
    good = table_file([gbk(ROW(1)), gbk(ROW(2))])
    cases = [
        ("UTF-16", lambda p: open(p, "wb").write("\ufeff[表]\r\n时表=08:05:00     温馨提示    开会@\r\n"
                                                 .encode("utf-16-le")), 0, None),
        ("folder", lambda p: os.mkdir(p), 0, None),
        ("read-only", lambda p: (open(p, "wb").write(good), os.chmod(p, stat.S_IRUSR | stat.S_IRGRP)), 2, None),
        ("held open without sharing", lambda p: open(p, "wb").write(good), 0, "locker"),
    ]
    for name, make, rows_readable, locker in cases:
        app = fresh(os.path.join(work, "bad-" + name.replace(" ", "-")))
        install(dist, app)
        path = os.path.join(app, "data.ini")
        make(path)
        before = open(path, "rb").read() if os.path.isfile(path) else None
        holder = None
        if locker:
            shutil.copy(locker_exe, os.path.join(app, "locker.exe"))
            holder = session.start(os.path.join(app, "locker.exe"), cwd=app)
            time.sleep(2)
        tockly = Tockly(session, app, artifacts, "bad-" + name.replace(" ", "-"), clock_start="2024-05-20 10:20:05")
        if not checks.check(tockly.hwnd, f"{name}: Tockly starts"):
            continue
        checks.equal(len(rows_shown(tockly, ids)), rows_readable, f"{name}: the rows that can be read are shown")
        button = new_entry(tockly, ids)
        boxes = 0
        for attempt in range(2):
            session.driver("post", button, BM_CLICK, 0, 0)
            box = session.wait_window(cls="#32770", timeout_ms=10000 if attempt == 0 else 3000)
            if box:
                boxes += 1
                session.driver("post", box["hwnd"], WM_COMMAND, IDOK, 0)
                session.wait_window(cls="#32770", state="gone", timeout_ms=10000)
        checks.equal(boxes, 1, f"{name}: the failed save is told once")
        after = open(path, "rb").read() if os.path.isfile(path) else None
        checks.check(after == before and (before is not None or os.path.isdir(path)),
                     f"{name}: the file is left as it was")
        close(tockly)
        if holder:
            holder.kill()
            holder.wait()


def body(session, checks, dist, plant_dll, probe_exe, locker_exe, expectations_path, work, artifacts):
    with open(expectations_path, encoding="utf-8") as f:
        ids = ids_by_name(json.load(f))
    os.makedirs(artifacts, exist_ok=True)
    figures = {}
    kill_test(session, checks, dist, work, artifacts, ids, figures)
    bad_files(session, checks, dist, locker_exe, work, artifacts, ids)
    if checks.check(session.start_sound(), "a PulseAudio null sink stands in for a sound card"):
        dll_search(session, checks, dist, plant_dll, probe_exe, work, artifacts)
    for name, value in figures.items():
        print(f"figure: {name}: {value}")


if __name__ == "__main__":
    wine, dist, driver, plant, probe, locker, expectations, work, prefix, artifacts = c.main_args(
        __doc__.split("usage: ")[1], 10)
    sys.exit(c.run_script(lambda session, checks: body(session, checks, dist, plant, probe, locker, expectations,
                                                         work, artifacts), wine, work, prefix, driver))

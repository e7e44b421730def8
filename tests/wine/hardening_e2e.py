"""Tockly under Wine where the machine works against it: a DLL planted in the current folder,
Tockly killed in the middle of its saves, and data.ini files that Tockly did not write.

- DLL search: a DLL of ours, named as the audio driver that Wine's sound system loads by name
  (the prefix's audio driver setting names it), lies in Tockly's current folder. A probe program
  with the default search loads it from there (so the check can fail); Tockly, which sounds its
  hourly chime through that sound system, must never load it.
- Kill test: Tockly with a table of 10,000 long rows is sent a burst of adds (each saves the whole table)
  and killed at a random moment; data.ini must hold a whole table, old rows with complete new rows
  on top, and the next start must leave no temporary file of a save behind.
- Bad files: the table of data.ini files that no one here wrote (bad_files_table, shared with the
  headless host), among them binary garbage, a 100 MB value, bytes that are no GBK character, a
  folder and a file held open without sharing by another process: Tockly starts, shows the rows
  it can read, its clock ticks, two adds keep every other byte of a file read whole (with no
  message box) and leave a file it could not read whole as it was (told once in a message box),
  and it ends normally when closed. Times to the window and to the rows, and peak memory, are
  printed as figures.
- Busy file: data.ini held open by another program that lets others read it but not replace it (as
  a virus scanner or the search indexer looks at a fresh file), for about a second across a save:
  the save lands once it is let go and nothing is told; held for 10 s: the failed save is told
  once, and the next change after the release saves the whole current table.

The prefix is this test's own (its audio driver setting is changed).
usage: hardening_e2e.py WINE DIST_DIR DRIVER PLANT_DLL PROBE_EXE LOCKER_EXE EXPECTATIONS.json WORK PREFIX ARTIFACTS
"""
import json
import os
import random
import re
import shutil
import signal
import sys
import time

import checks as c
from tockly_e2e import TITLE_PREFIX, Tockly, host_time, ids_by_name

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data_file"))
from bad_files_table import (ADDS, CASES, GOOD, NEW_MESSAGE, NEW_ROW, NEW_TIME_ITEMS, ROW_A,  # noqa: E402
                             ROW_B, box_problems, contents, file_problems, make_fresh)
from winenv import read_json_lines  # noqa: E402

PLANT_NAME = "winetocklyplant.drv"
PLANT_MARKER = "plant-loaded.txt"
BM_CLICK = 0xF5
WM_COMMAND, IDOK = 0x111, 1
TEMPORARY = re.compile(r"^data\.ini\.tmp-\d+-\d+$")
ROW = ("08:05:00     温馨提示    第{:05d}行，" + "一条相当长的提醒内容" * 15).format
KILL_RUNS = 6
# The killed table: 10,000 rows of about 330 bytes (a 3.3 MB file), and a burst of 10 adds, each a
# save of the whole table, so that a kill at a random moment of the burst often falls while the
# writer thread is in the middle of writing a file of that size.
KILL_ROWS = 10000
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
    """Closes Tockly as the user does; its exit code, None when it had to be killed."""
    if tockly.hwnd:
        tockly.session.driver("close", tockly.hwnd)
    code = tockly.exit_code(timeout=60)
    if code is None:
        tockly.process.kill()
        tockly.process.wait()
    return code


def new_entry(tockly, ids):
    """Sets the new reminder's time and message, as a user does before adding."""
    needed = ("组合框1", "组合框2", "组合框3", "编辑框1", "按钮1")
    controls = tockly.controls()
    # On a loaded machine a listing may come before the window has all its controls.
    deadline = time.time() + 30
    while any(ids[name] not in controls for name in needed) and time.time() < deadline:
        time.sleep(0.5)
        controls = tockly.controls()
    for combo, index in zip(("组合框1", "组合框2", "组合框3"), NEW_TIME_ITEMS):
        tockly.session.driver("choose", controls[ids[combo]]["hwnd"], index)
    tockly.session.driver("set-text", controls[ids["编辑框1"]]["hwnd"], NEW_MESSAGE)
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
    table would fill the trace with every row each second). Rows longer than LONGEST_ROW are
    read back by their length only."""

    LONGEST_ROW = 1 << 16

    def __init__(self, session, app_dir, clock_start, cwd=None, trace_path=None, timeout=120):
        self.session = session
        self.trace_path = trace_path
        env = {"TOCKLY_CLOCK_START": clock_start}
        if trace_path:
            env["TOCKLY_TRACE"] = trace_path
        self.started = time.time()
        self.process = session.start(os.path.join(app_dir, "Tockly.exe"), cwd=cwd or app_dir, extra_env=env)
        self.main = session.wait_window(title_prefix=TITLE_PREFIX, timeout_ms=max(timeout, 120) * 1000)
        self.startup_seconds = time.time() - self.started
        self.hwnd = self.main["hwnd"] if self.main else None
        if not self.hwnd:
            self.process.kill()
            self.process.wait()

    def controls(self, hwnd=None):
        # A list of 10,000 rows is read a row at a time across processes, and a Tockly that has
        # just started may still be filling it: far more than a small window's listing takes.
        return {child["id"]: child
                for child in self.session.children(hwnd or self.hwnd, self.LONGEST_ROW, timeout=180)}


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
        # The killed process's windows can outlive it for a moment: the next start must find its
        # own main window, not the old one.
        session.wait_window(title_prefix=TITLE_PREFIX, state="gone", timeout_ms=30000)
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
        # As after the kill: the next burst must find its own main window, not this one's.
        session.wait_window(title_prefix=TITLE_PREFIX, state="gone", timeout_ms=30000)
        print("kill run %d: killed after %.2f s, %s, %d temporary file(s) left by the kill, %d after the next start"
              % (run, delay, "table whole, %d rows added" % added if whole else "table DAMAGED", len(stale),
                 len(after)))
    figures["kill runs"] = KILL_RUNS
    figures["kill runs with a damaged table"] = damaged
    figures["temporary files left by the kills"] = left
    figures["temporary files after the next start"] = left_after
    checks.equal(damaged, 0, "a kill in the middle of the saves never damages the table")
    checks.equal(left_after, 0, "the next start removes what the killed saves left")


def box_text(session, box):
    return " ".join(child["text"] for child in session.children(box["hwnd"]) if child.get("text"))


def dismiss(session, box):
    session.driver("post", box["hwnd"], WM_COMMAND, IDOK, 0)
    session.wait_window(cls="#32770", state="gone", timeout_ms=10000)


def row_problem(row, text, length):
    """What is wrong with a shown row (its text, None when left out for its length) for the
    row's bytes in data.ini. A row far wider than a screen may show only its start (of some
    thousand characters). Bytes that are no GBK character show as the system's code page makes
    them: only the characters before them are compared, and the bytes themselves must come back
    in the saved file."""
    try:
        want = row.decode("gbk")
    except UnicodeDecodeError as error:
        start = row[:error.start].decode("gbk")
        return None if text is not None and text.startswith(start) else f"{text!r} does not start {start!r}"
    if text is None:
        units = len(want.encode("utf-16-le")) // 2
        return None if length == units else f"{length} characters, expected {units}"
    if text == want or (len(text) >= 1000 and want.startswith(text)):
        return None
    return f"{text[:60]!r} ({len(text)} characters), expected {want[:60]!r} ({len(want)})"


def shown_rows(tockly, ids):
    """(texts, lengths) of the list's rows."""
    rows = tockly.controls()[ids["列表框1"]]
    return rows["items"], rows["item_lengths"]


def wait_for(what, timeout, interval=0.5):
    deadline = time.time() + timeout
    while True:
        result = what()
        if result or time.time() >= deadline:
            return result
        time.sleep(interval)


def bad_file(session, checks, dist, locker_exe, work, ids, case, figures):
    """One data.ini that no one here wrote, as the table describes it (see bad_files_table)."""
    name = case.name
    app = os.path.join(work, "bad-" + case.folder_name)
    path, before = make_fresh(case, app)
    install(dist, app)
    holder = None
    if case.held_open:
        shutil.copy(locker_exe, os.path.join(app, "locker.exe"))
        holder = session.start(os.path.join(app, "locker.exe"), cwd=app)
        time.sleep(2)
    # Untraced: the trace would copy the largest rows into every line it writes about the list.
    tockly = TocklyIn(session, app, "2024-05-20 10:20:05", timeout=case.timeout)
    if not checks.check(tockly.hwnd, f"{name}: Tockly starts"):
        return
    figures[f"{name}: seconds to the window"] = round(tockly.startup_seconds, 1)

    def rows_in():
        texts, lengths = shown_rows(tockly, ids)
        return (texts, lengths) if len(lengths) == len(case.rows) else None
    shown = wait_for(rows_in, case.timeout)
    figures[f"{name}: seconds to the rows"] = round(time.time() - tockly.started, 1)
    if checks.check(shown, f"{name}: {len(case.rows)} rows are shown", repr(shown_rows(tockly, ids)[1])):
        wrong = [p for p in (row_problem(r, t, n) for r, t, n in zip(case.rows, *shown)) if p]
        checks.check(not wrong, f"{name}: the rows that can be read are shown as they are", repr(wrong))
    clock = host_time(tockly, ids)
    checks.check(wait_for(lambda: host_time(tockly, ids) != clock, 30), f"{name}: the clock ticks")

    button = new_entry(tockly, ids)
    texts = []
    if case.readable:
        began = time.time()
        session.driver("post", button, BM_CLICK, 0, 0, ADDS)
        # The saves are done when the file holds both new rows; a box at any time is a failure.
        saved = False
        while not saved and time.time() < began + case.timeout:
            box = session.wait_window(cls="#32770", timeout_ms=1000)
            if box:
                texts.append(box_text(session, box))
                dismiss(session, box)
                break
            saved = not file_problems(case, path, before)
        figures[f"{name}: seconds to save {ADDS} adds"] = round(time.time() - began, 1)
        box = session.wait_window(cls="#32770", timeout_ms=3000)
        if box:
            texts.append(box_text(session, box))
            dismiss(session, box)
    else:
        for attempt in range(ADDS):
            session.driver("post", button, BM_CLICK, 0, 0)
            box = session.wait_window(cls="#32770", timeout_ms=30000 if attempt == 0 else 5000)
            if box:
                texts.append(box_text(session, box))
                dismiss(session, box)
    problems = box_problems(case, texts) + file_problems(case, path, before)
    outcome = ("every other byte of the file kept, no message box" if case.readable
               else "the file left as it was, the failed save told once")
    checks.check(not problems, f"{name}: {outcome}", "; ".join(problems))
    memory = tockly.memory_kib()
    if "VmHWM" in memory:
        figures[f"{name}: peak memory, MiB"] = round(memory["VmHWM"] / 1024)
    checks.check(tockly.process.poll() is None, f"{name}: Tockly still runs")
    checks.equal(close(tockly), 0, f"{name}: Tockly ends normally when closed")
    if holder:
        holder.kill()
        holder.wait()


def bad_files(session, checks, dist, locker_exe, work, ids, figures):
    for case in CASES:
        bad_file(session, checks, dist, locker_exe, work, ids, case, figures)


def hold_data_file(session, locker_exe, app, release=None):
    """Starts the locker on `app`'s data.ini, held without sharing (until `release` exists there;
    None: until killed); the process once it holds the file, None when it never did."""
    marker = os.path.join(app, "locker-holds")
    if os.path.exists(marker):
        os.remove(marker)
    holder = session.start(locker_exe, cwd=app, args=(release,) if release else ())
    if wait_for(lambda: os.path.exists(marker), 60, 0.1):
        return holder
    holder.kill()
    holder.wait()
    return None


def busy_file(session, checks, dist, locker_exe, work, ids, figures):
    """Saves ride out a data.ini that another program holds open for a moment."""
    app = fresh(os.path.join(work, "busy-file"))
    install(dist, app)
    locker = os.path.join(app, "locker.exe")
    shutil.copy(locker_exe, locker)
    path = os.path.join(app, "data.ini")
    with open(path, "wb") as f:
        f.write(GOOD)
    trace = os.path.join(work, "busy-file-trace.jsonl")
    if os.path.exists(trace):
        os.remove(trace)
    tockly = TocklyIn(session, app, "2024-05-20 10:20:05", trace_path=trace)
    if not checks.check(tockly.hwnd, "busy file: Tockly starts"):
        return

    def kinds(kind):
        return [line for line in read_json_lines(trace) if line.get("kind") == kind]

    def saved_rows(count):
        rows = table_rows(contents(path) or b"")
        return rows if rows is not None and len(rows) == count else None

    def boxes(seconds):
        """Texts of the message boxes shown within `seconds`, each dismissed."""
        texts, until = [], time.time() + seconds
        while time.time() < until:
            box = session.wait_window(cls="#32770", timeout_ms=int(max(until - time.time(), 0.1) * 1000))
            if box:
                texts.append(box_text(session, box))
                dismiss(session, box)
        return texts

    wait_for(lambda: len(shown_rows(tockly, ids)[1]) == 2, 60)
    # Held for about a second across a save: let go half a second after the first try met it.
    holder = hold_data_file(session, locker, app, release="release")
    if not checks.check(holder, "busy file: another program holds data.ini"):
        return
    session.driver("post", new_entry(tockly, ids), BM_CLICK, 0, 0)
    met = wait_for(lambda: kinds("save_busy"), 60, 0.05)
    checks.check(met, "busy file: the save meets the held file")
    time.sleep(0.5)
    with open(os.path.join(app, "release"), "w"):
        pass
    holder.wait(timeout=60)
    landed = wait_for(lambda: saved_rows(3), 30, 0.1)
    checks.equal(landed, [NEW_ROW, ROW_A, ROW_B], "busy file: held about a second, the save lands after the release")
    checks.equal(boxes(3), [], "busy file: held about a second, nothing is told")
    checks.check(not [l for l in kinds("saved") if not l.get("stored")], "busy file: no save counted as failed")
    figures["busy file: tries that met the held file"] = len(kinds("save_busy"))

    # Held for 10 s: told once; the next change after the release saves the whole current table.
    before = contents(path)
    holder = hold_data_file(session, locker, app)
    if not checks.check(holder, "busy file: another program holds data.ini for 10 s"):
        return
    began = time.time()
    session.driver("post", new_entry(tockly, ids), BM_CLICK, 0, 0)
    told = boxes(max(10 - (time.time() - began), 5))
    figures["busy file: seconds held"] = round(time.time() - began, 1)
    unchanged = contents(path) == before
    holder.kill()
    holder.wait()
    checks.check(len(told) == 1 and "未能保存" in told[0] and "data.ini" in told[0],
                 "busy file: held 10 s, the failed save is told once", repr(told))
    checks.check(unchanged, "busy file: held 10 s, the old file stays whole")
    session.driver("post", new_entry(tockly, ids), BM_CLICK, 0, 0)
    landed = wait_for(lambda: saved_rows(5), 30, 0.1)
    checks.equal(landed, [NEW_ROW] * 3 + [ROW_A, ROW_B],
                 "busy file: the next change after the release saves the whole current table")
    checks.equal(boxes(3), [], "busy file: the save after the release is not told")
    checks.equal(close(tockly), 0, "busy file: Tockly ends normally when closed")


def body(session, checks, dist, plant_dll, probe_exe, locker_exe, expectations_path, work, artifacts):
    with open(expectations_path, encoding="utf-8") as f:
        ids = ids_by_name(json.load(f))
    os.makedirs(artifacts, exist_ok=True)
    figures = {}
    kill_test(session, checks, dist, work, artifacts, ids, figures)
    bad_files(session, checks, dist, locker_exe, work, ids, figures)
    busy_file(session, checks, dist, locker_exe, work, ids, figures)
    if checks.check(session.start_sound(), "a PulseAudio null sink stands in for a sound card"):
        dll_search(session, checks, dist, plant_dll, probe_exe, work, artifacts)
    for name, value in figures.items():
        print(f"figure: {name}: {value}")


if __name__ == "__main__":
    wine, dist, driver, plant, probe, locker, expectations, work, prefix, artifacts = c.main_args(
        __doc__.split("usage: ")[1], 10)
    sys.exit(c.run_script(lambda session, checks: body(session, checks, dist, plant, probe, locker, expectations,
                                                         work, artifacts), wine, work, prefix, driver))

"""Tockly living with Windows, under Wine on the i686 build: programs chosen in the real program
dialog start exactly as chosen; a second start from the same folder brings the first back from the
tray and ends, leaving one Tockly and data.ini as it was; a copy in another folder runs beside it;
the time-change and resume notifications re-arm the second timer; the session's end ends Tockly
cleanly with its tray icon gone; a start beside a hung copy runs after a bounded wait, and one
after a killed copy at once.

Every run sets the host's clock (TOCKLY_CLOCK_START) and every step waits for what it expects,
with wide limits, so that the test holds on a machine several times slower than this one.

usage: tockly_life_e2e.py WINE DIST_DIR DRIVER MARKER_EXE EXPECTATIONS.json WORK PREFIX ARTIFACTS
"""
import datetime
import json
import os
import shutil
import signal
import subprocess
import sys
import time

import checks as c
from tockly_e2e import (TITLE_PREFIX, Tockly, add_entry, check_every_second_once, choose_time, ids_by_name,
                        rows_shown, rows_stored, second_writes)

WM_TIMECHANGE, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC = 0x1E, 0x218, 0x12
EDIT_CLOCK_START = "2024-05-20 07:00:00"
FIRE_CLOCK_START = "2024-05-20 08:00:00"
# Two chosen programs whose paths cmd would split or misread when bare.
QUOTING_CASES = (
    ("R&D(1)", "x(1).exe", datetime.datetime(1900, 1, 1, 8, 0, 8)),
    ("a,b=c!", "m^n.exe", datetime.datetime(1900, 1, 1, 8, 0, 10)),
)
# A program whose whole path is 120 bytes of GBK, mostly Chinese: added for 08:00:40, then its
# time alone is modified to 08:00:12, when it must start whole.
LONG_PATH_CASE = ("长路径文件夹" * 8, "工具.exe", datetime.datetime(1900, 1, 1, 8, 0, 40))
LONG_PATH_MODIFIED_AT = datetime.datetime(1900, 1, 1, 8, 0, 12)


def copy_program(dist, folder):
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    for name in ("Tockly.exe", "corlb.xrt"):
        shutil.copy(os.path.join(dist, name), folder)


def host_windows(session):
    status, lines = session.driver("wait", "--class", "TocklyHost", "--state", "any", "--timeout", 2000)
    return [w for w in lines if isinstance(w, dict)] if status == 0 else []


def trace_kinds(tockly, kind):
    return [line for line in tockly.trace() if line.get("kind") == kind]


def wait_for(predicate, timeout):
    deadline = time.time() + timeout
    while True:
        value = predicate()
        if value or time.time() >= deadline:
            return value
        time.sleep(0.2)


def choose_programs(session, checks, app_dir, artifacts, expectations, programs):
    """Adds one run-program entry per chosen program through the program dialog."""
    ids = ids_by_name(expectations)
    tockly = Tockly(session, app_dir, artifacts, "life-edit", clock_start=EDIT_CLOCK_START)
    if not checks.check(tockly.main is not None, "the main window shows"):
        return False
    for windows_path, when in programs:
        # The radio button opens the dialog only when it is not checked yet: start from the reminder.
        session.driver("click", tockly.controls()[ids["单选框1"]]["hwnd"])
        chosen = add_entry(tockly, ids, when, "单选框2", chosen_program=windows_path)
        checks.check(chosen, f"the program dialog takes {windows_path}")
        checks.equal(tockly.controls()[ids["编辑框2"]]["text"], '"" "' + windows_path + '"',
                     f"a chosen {windows_path} goes into the program box quoted")
    modify_time_only(session, checks, tockly, ids, app_dir, programs[-1][0])
    session.driver("close", tockly.hwnd)
    checks.equal(tockly.exit_code(), 0, "closing the main window ends the editing run")
    return True


def modify_time_only(session, checks, tockly, ids, app_dir, windows_path):
    """The newest row (on top) gets a new time and nothing else: its whole path comes back."""
    quoted = '"" "' + windows_path + '"'
    before = rows_stored(app_dir)
    session.driver("list-dblclick", tockly.controls()[ids["列表框1"]]["hwnd"], 0)
    controls = tockly.controls()
    checks.equal(controls[ids["编辑框2"]]["text"], quoted,
                 f"a double-click loads the whole {len(windows_path.encode('gbk'))}-byte path")
    choose_time(tockly, ids, LONG_PATH_MODIFIED_AT)
    session.driver("click", controls[ids["按钮4"]]["hwnd"])
    expected = [LONG_PATH_MODIFIED_AT.strftime("%H:%M:%S") + before[0][8:]] + before[1:]
    checks.equal(rows_shown(tockly, ids), expected, "\"保存修改\" changes the time alone")
    checks.equal(rows_stored(app_dir), expected, "and data.ini keeps the whole path")
    checks.check(before[0].endswith(quoted), "the stored row held the whole quoted path", before[0])


def programs_fire(session, checks, tockly, programs):
    runs = [line["args"][0] for line in tockly.commands("run_command_line", wait_seconds=60)]
    for windows_path, marker in programs:
        started = wait_for(lambda: os.path.exists(marker), 60)
        checks.check(started, f"the entry started exactly {windows_path}")
        runs = [line["args"][0] for line in tockly.commands("run_command_line")]
        checks.check('cmd /cstart "" "' + windows_path + '"' in runs, "as cmd /cstart with the quoted path", str(runs))


def second_start(session, checks, tockly, app_dir, artifacts):
    """With the first Tockly hidden in the tray, a second start from its folder."""
    session.driver("minimize", tockly.hwnd)
    checks.check(session.wait_window(title_prefix=TITLE_PREFIX, state="hidden", timeout_ms=100000) is not None,
                 "minimising hides the main window")
    checks.check(session.wait_window(title="Wine System Tray", timeout_ms=100000) is not None,
                 "its tray icon is shown")
    with open(os.path.join(app_dir, "data.ini"), "rb") as f:
        data_before = f.read()
    trays_before = len(tockly.commands("set_tray_icon"))

    trace = os.path.join(artifacts, "trace-life-again.jsonl")
    if os.path.exists(trace):
        os.remove(trace)
    again = session.start(os.path.join(app_dir, "Tockly.exe"), cwd=app_dir,
                          extra_env={"TOCKLY_TRACE": trace, "TOCKLY_CLOCK_START": FIRE_CLOCK_START},
                          log=os.path.join(artifacts, "wine-life-again.log"))
    try:
        code = again.wait(timeout=120)
    except subprocess.TimeoutExpired:
        code = None
    checks.equal(code, 0, "the second start ends with exit code 0")
    back = session.wait_window(title_prefix=TITLE_PREFIX, timeout_ms=100000)
    checks.check(back is not None and back["pid"] == tockly.main["pid"] and not back["minimized"],
                 "it brings the first Tockly's main window back, restored", str(back))
    checks.check(bool(wait_for(lambda: trace_kinds(tockly, "bring_back"), 30)),
                 "the first Tockly was asked to bring its window back")
    lines = c.winenv.read_json_lines(trace)
    outcome = [line.get("outcome") for line in lines if line.get("kind") == "instance"]
    checks.equal(outcome, ["handed_over"], "the second start found the first and handed over")
    checks.check(not any(line.get("kind") in ("event", "command", "open") for line in lines),
                 "the second start opened nothing and ran no handler")
    checks.equal(tockly.process.poll(), None, "the first Tockly still runs")
    checks.equal(len(host_windows(session)), 1, "one Tockly runs")
    checks.equal(len(tockly.commands("set_tray_icon")), trays_before, "the tray icon was not set again")
    with open(os.path.join(app_dir, "data.ini"), "rb") as f:
        checks.check(f.read() == data_before, "data.ini is unchanged")


def other_folder(session, checks, tockly, other_dir, artifacts):
    other = Tockly(session, other_dir, artifacts, "life-other", clock_start=FIRE_CLOCK_START)
    # The first main window matched the title too: the other's is found by its process below.
    mains = wait_for(lambda: (lambda found: found if len(found) >= 2 else None)(host_windows(session)), 60) or []
    checks.equal(len(mains), 2, "a copy in another folder runs beside the first")
    others = [line.get("outcome") for line in trace_kinds(other, "instance")]
    checks.equal(others, ["first"], "it claims its own folder")
    names = [line.get("name", "") for t in (tockly, other) for line in trace_kinds(t, "instance")]
    checks.check(len(set(names)) == 2 and all(n.startswith("Local\\Tockly-S-1-") for n in names),
                 "under a name of its own, in the session, with the user's SID", str(names))
    checks.equal(tockly.process.poll(), None, "the first Tockly still runs")
    pids = {w["pid"] for w in mains} - {tockly.main["pid"]}
    # Its host window comes before its main window: wait for the main window to show.
    other_main = wait_for(lambda: [w for w in session.driver("wait", "--title-prefix", TITLE_PREFIX, "--timeout",
                                                             2000)[1]
                                   if isinstance(w, dict) and w["pid"] in pids], 100)
    if checks.check(bool(other_main), "its main window shows"):
        session.driver("close", other_main[0]["hwnd"])
    checks.equal(other.exit_code(timeout=60), 0, "it ends by itself with exit code 0")


def rearm(session, checks, tockly):
    host = session.wait_window(cls="TocklyHost", state="any", pid=tockly.main["pid"], timeout_ms=10000)
    if not checks.check(host is not None, "the host window is found"):
        return None
    for message, wparam, why in ((WM_TIMECHANGE, 0, "time_change"), (WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC,
                                                                       "resume")):
        ticks_before = len(second_writes(tockly.trace()))
        session.driver("post", host["hwnd"], message, wparam, 0)
        lines = wait_for(lambda: [l for l in trace_kinds(tockly, "rearm") if l.get("why") == why], 60)
        checks.check(lines and lines[-1].get("timers", 0) >= 1, f"{why}: the second timer is re-armed", str(lines))
        tockly.wait_ticks(ticks_before + 2, timeout=60)
        checks.check(len(second_writes(tockly.trace())) >= ticks_before + 2, f"{why}: the ticks go on")
    # Across the re-arms (and all that came before), every second ticked once, in order.
    check_every_second_once(tockly, checks, {})
    return host


def end_session(session, checks, tockly, app_dir):
    with open(os.path.join(app_dir, "data.ini"), "rb") as f:
        data_before = f.read()
    # About open: the session ends from inside its modal loop, and still without a dialog.
    checks.check(tockly.menu(0), "the System menu opens for About")
    checks.check(bool(tockly.popups(timeout_ms=100000)), "About is open when the session ends")
    # Wine's own end of the session: every top-level window is asked and told.
    session.wine_run("wineboot", "--end-session", timeout=120)
    code = tockly.exit_code(timeout=60)
    print("the session's end came from " + ("wineboot" if code is not None else "the driver"))
    if code is None:
        # This Wine did not deliver them: send them as the system does.
        host = session.wait_window(cls="TocklyHost", state="any", pid=tockly.main["pid"], timeout_ms=10000)
        if host:
            session.driver("post", host["hwnd"], 0x11, 0, 0)  # WM_QUERYENDSESSION
            session.driver("post", host["hwnd"], 0x16, 1, 0)  # WM_ENDSESSION, ending
        code = tockly.exit_code(timeout=60)
    checks.equal(code, 0, "the session's end ends Tockly with exit code 0")
    kinds = [line.get("kind") for line in tockly.trace()]
    checks.check("end_session" in kinds and kinds[-1] == "exit", "it ended through its own end", str(kinds[-5:]))
    checks.check(not any(k in kinds for k in ("fatal", "error")), "without an error")
    checks.check(session.wait_window(title="Wine System Tray", state="none-visible", timeout_ms=100000),
                 "its tray icon is gone")
    with open(os.path.join(app_dir, "data.ini"), "rb") as f:
        checks.check(f.read() == data_before, "data.ini is whole and unchanged")
    leftovers = [name for name in os.listdir(app_dir) if name not in ("Tockly.exe", "corlb.xrt", "data.ini")]
    checks.equal(leftovers, [], "no half-written file is left beside it")


def start_outcome(tockly, timeout=120):
    """How a start went: the instance line of its trace and whether its main window opened."""
    opened = wait_for(lambda: [l for l in tockly.trace() if l.get("kind") in ("open", "exit")], timeout)
    outcomes = [l.get("outcome") for l in trace_kinds(tockly, "instance")]
    return outcomes, any(l.get("kind") == "open" and l.get("window") == "0x52010001" for l in opened or [])


def hung_and_killed(session, checks, app_dir, artifacts):
    """A first copy that hangs gets no say after a bounded wait; one that was killed leaves nothing."""
    first = Tockly(session, app_dir, artifacts, "life-hung", clock_start=FIRE_CLOCK_START)
    if not checks.check(first.main is not None, "a new first Tockly starts"):
        return
    os.kill(first.process.pid, signal.SIGSTOP)  # it holds its folder but answers nothing
    try:
        second = Tockly(session, app_dir, artifacts, "life-after-hung", clock_start=FIRE_CLOCK_START)
        outcomes, opened = start_outcome(second)
        checks.equal(outcomes, ["no_answer"], "a start beside a hung Tockly finds no answer")
        checks.check(opened, "and starts normally after the bounded wait")
    finally:
        os.kill(first.process.pid, signal.SIGKILL)
    first.process.wait(timeout=60)
    mains = wait_for(lambda: [w for w in session.driver("wait", "--title-prefix", TITLE_PREFIX, "--timeout", 2000)[1]
                              if isinstance(w, dict) and w["pid"] != first.main["pid"]], 100)
    if mains:
        session.driver("close", mains[0]["hwnd"])
    checks.equal(second.exit_code(timeout=60), 0, "it ends normally")

    # The killed copy's name went with it: the next start is the folder's first at once.
    third = Tockly(session, app_dir, artifacts, "life-after-killed", clock_start=FIRE_CLOCK_START)
    outcomes, opened = start_outcome(third)
    checks.check(outcomes == ["first"] and opened, "a start after a killed Tockly is the first at once", str(outcomes))
    session.driver("close", third.hwnd)
    checks.equal(third.exit_code(timeout=60), 0, "and ends normally")


def body(session, checks, dist, marker_exe, expectations_path, work, artifacts):
    with open(expectations_path, encoding="utf-8") as f:
        expectations = json.load(f)
    os.makedirs(artifacts, exist_ok=True)
    app_dir, other_dir = os.path.join(work, "app"), os.path.join(work, "other")
    copy_program(dist, app_dir)
    copy_program(dist, other_dir)

    programs, markers = [], []
    base = os.path.join(session.prefix, "drive_c", "tockly life")
    shutil.rmtree(base, ignore_errors=True)
    for folder, exe, when in QUOTING_CASES + (LONG_PATH_CASE,):
        os.makedirs(os.path.join(base, folder))
        shutil.copy(marker_exe, os.path.join(base, folder, exe))
        programs.append((f"C:\\tockly life\\{folder}\\{exe}", when))
        markers.append((programs[-1][0], os.path.join(base, folder, "marker.txt")))

    if not choose_programs(session, checks, app_dir, artifacts, expectations, programs):
        return
    checks.equal(len(rows_stored(app_dir)), len(programs), "the entries are stored")

    tockly = Tockly(session, app_dir, artifacts, "life", clock_start=FIRE_CLOCK_START)
    if not checks.check(tockly.main is not None, "the firing run's main window shows"):
        return
    programs_fire(session, checks, tockly, markers)
    second_start(session, checks, tockly, app_dir, artifacts)
    other_folder(session, checks, tockly, other_dir, artifacts)
    rearm(session, checks, tockly)
    end_session(session, checks, tockly, app_dir)
    hung_and_killed(session, checks, app_dir, artifacts)
    print(f"artifacts (traces): {artifacts}")


if __name__ == "__main__":
    wine, dist, driver, marker_exe, expectations, work, prefix, artifacts = c.main_args(__doc__.split("usage: ")[1], 8)
    sys.exit(c.run_script(lambda session, checks: body(session, checks, dist, marker_exe, expectations, work,
                                                         artifacts), wine, work, prefix, driver))

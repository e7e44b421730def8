"""Tockly end to end under Wine: the built Tockly.exe and corlb.xrt on a virtual display with a
null sound sink, acted on through the driver as a user would, checked on screen, in data.ini, in
the host's trace, in the sound that reaches the sink and by the exit code.

Three runs share one folder, each with the host's clock set, so that no check depends on the
machine's speed: the first chooses the ringtone and a program in their file dialogs and adds,
deletes and modifies entries; the second starts before the entries' seconds and sees the reminder
(popup within its second, ringtone heard) and the program fire, every second ticked once; the
third starts before a full hour, finds the table and ringtone again, hears the hourly chime, goes
to the tray and back, shows About and exits. Screenshots, traces and recordings are kept in the
artifacts folder.

usage: tockly_e2e.py WINE DIST_DIR DRIVER MARKER_EXE EXPECTATIONS.json WORK PREFIX ARTIFACTS
"""
import datetime
import json
import os
import shutil
import statistics
import subprocess
import sys
import time

import checks as c
import sound

MAIN_WINDOW = "0x52010001"
TITLE_PREFIX = "Tockly —— "
POPUP_SIZE = (344, 40)
TRAY_MESSAGE = 0x8001  # WM_APP + 1, the host's tray callback
WM_LBUTTONUP = 0x202
WM_COMMAND, IDOK, IDCANCEL = 0x111, 1, 2
FILE_NAME_COMBO, FILE_NAME_EDIT = 0x47C, 0x480  # the file dialog's file name box
POPUP_WINDOW = "0x5201007b"
SECONDS_LABEL = "0x1601001b"
CLOCK_LABELS = ("标签1", "标签2", "标签3")
# Units whose text at start is not the design's: the clock, and the ringtone path from data.ini.
RUNTIME_TEXT = CLOCK_LABELS + ("编辑框5",)
REMINDER = "测试提醒 e2e"
REMINDER_DRAFT = "草稿提醒"
DOOMED = "要删除的提醒"
MARKER_DIR = "tockly e2e"  # in the prefix's C: drive; the blank makes the chosen path need quotes
# Every run sets the host's clock, so nothing depends on how fast the machine is: the entries are
# edited at any pace, and the firing run starts well before their seconds.
EDIT_CLOCK_START = "2024-05-20 07:00:00"
REMINDER_DRAFT_AT = datetime.datetime(1900, 1, 1, 9, 15, 0)
DOOMED_AT = datetime.datetime(1900, 1, 1, 9, 20, 0)
REMINDER_AT = datetime.datetime(1900, 1, 1, 8, 30, 30)
PROGRAM_AT = datetime.datetime(1900, 1, 1, 8, 30, 34)
FIRE_CLOCK_START = "2024-05-20 08:30:00"
CHIME_START = "2024-05-20 13:59:40"


class Tockly:
    """One run of Tockly.exe with its trace."""

    def __init__(self, session, app_dir, artifacts, name, clock_start=None):
        self.session = session
        self.trace_path = os.path.join(artifacts, f"trace-{name}.jsonl")
        if os.path.exists(self.trace_path):
            os.remove(self.trace_path)
        env = {"TOCKLY_TRACE": self.trace_path}
        if clock_start:
            env["TOCKLY_CLOCK_START"] = clock_start
        self.started = time.time()
        self.process = session.start(os.path.join(app_dir, "Tockly.exe"), cwd=app_dir, extra_env=env,
                                     log=os.path.join(artifacts, f"wine-{name}.log"))
        self.main = session.wait_window(title_prefix=TITLE_PREFIX, timeout_ms=30000)
        self.startup_seconds = time.time() - self.started
        self.hwnd = self.main["hwnd"] if self.main else None

    def wait_ticks(self, count, timeout=60):
        """Waits until the trace shows `count` ticks (writes of the seconds label)."""
        deadline = time.time() + timeout
        while len(second_writes(self.trace())) < count and time.time() < deadline:
            time.sleep(0.2)

    def controls(self, hwnd=None):
        return {child["id"]: child for child in self.session.children(hwnd or self.hwnd)}

    def trace(self):
        return c.winenv.read_json_lines(self.trace_path)

    def commands(self, name, wait_seconds=0):
        """The trace's calls of command `name`, waiting up to wait_seconds for the first."""
        deadline = time.time() + wait_seconds
        while True:
            found = [line for line in self.trace() if line.get("kind") == "command" and line.get("name") == name]
            if found or time.time() >= deadline:
                return found
            time.sleep(0.1)

    def sound_reports(self, wanted, wait_seconds=0):
        """The sound thread's reports so far, waiting up to wait_seconds for one of `wanted`."""
        deadline = time.time() + wait_seconds
        while True:
            reports = [line.get("what") for line in self.trace() if line.get("kind") == "sound"]
            if any(r in wanted for r in reports) or time.time() >= deadline:
                return reports
            time.sleep(0.1)

    def popups(self, timeout_ms=10000):
        """Shown windows of the popup's size, newest first, waiting for one up to timeout_ms."""
        deadline = time.time() + timeout_ms / 1000
        while True:
            status, lines = self.session.driver("wait", "--class", "TocklyWindow", "--timeout", 500)
            found = [w for w in lines if isinstance(w, dict) and (w["w"], w["h"]) == POPUP_SIZE]
            if found or time.time() > deadline:
                return found
            time.sleep(0.1)

    def popup_text(self, popup):
        labels = list(self.controls(popup["hwnd"]).values())
        return labels[0]["text"] if labels else None

    def memory_kib(self):
        figures = {}
        try:
            with open(f"/proc/{self.process.pid}/status") as f:
                for line in f:
                    key, _, value = line.partition(":")
                    if key in ("VmRSS", "VmHWM"):
                        figures[key] = int(value.split()[0])
        except OSError:
            pass
        return figures

    def menu(self, index):
        # A free spot of the client area, below the list box.
        self.session.driver("right-click", self.hwnd, 5, 480)
        return self.session.driver("menu-choose", index)[0] == 0

    def exit_code(self, timeout=20):
        try:
            return self.process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            return None


def ids_by_name(expectations):
    return {control["name"]: control["id"] for control in expectations[MAIN_WINDOW.lower()]["controls"]}


def host_time(tockly, ids):
    controls = tockly.controls()
    text = "".join(controls[ids[name]]["text"] for name in CLOCK_LABELS)
    return datetime.datetime.strptime(text, "%H:%M:%S")


def combo_index(value, count):
    """The item of a time combo box: "01" first, "00" last."""
    return count - 1 if value == 0 else value - 1


def read_data_ini(app_dir):
    path = os.path.join(app_dir, "data.ini")
    if not os.path.exists(path):
        return {}
    values = {}
    with open(path, "rb") as f:
        for raw in f.read().decode("gbk", errors="replace").splitlines():
            key, sep, value = raw.partition("=")
            if sep:
                values[key] = value
    return values


def choose_file_in_dialog(session, path):
    """Picks `path` in the shown file dialog as a user types it into its file name box and presses
    Open; False when no dialog was shown."""
    dialog = session.wait_window(cls="#32770", timeout_ms=30000)
    if not dialog:
        return False
    children = session.children(dialog["hwnd"])
    by_hwnd = {child["hwnd"]: child for child in children}
    # The file name box: the edit in the combo box 0x47c (Explorer style) or the edit 0x480.
    name_box = next((child for child in children if child["class"] == "Edit" and
                     (child["id"] == FILE_NAME_EDIT or by_hwnd.get(child["parent"], {}).get("id") == FILE_NAME_COMBO)),
                    None)
    if not name_box:
        return False
    session.driver("set-text", name_box["hwnd"], path)
    session.driver("post", dialog["hwnd"], WM_COMMAND, IDOK, 0)
    return session.wait_window(cls="#32770", state="gone", timeout_ms=30000)


def choose_time(tockly, ids, when):
    controls = tockly.controls()
    for combo, value in (("组合框1", when.hour), ("组合框2", when.minute), ("组合框3", when.second)):
        box = controls[ids[combo]]
        tockly.session.driver("choose", box["hwnd"], combo_index(value, len(box["items"])))


def add_entry(tockly, ids, when, radio_name, message_name=None, message=None, chosen_program=None):
    """Enters an entry as a user does. The program dialog that "运行程序" opens is answered with
    `chosen_program`, or cancelled so that the path can be typed."""
    session = tockly.session
    choose_time(tockly, ids, when)
    controls = tockly.controls()
    radio = controls[ids[radio_name]]
    dialog_answered = None
    if not radio.get("checked"):
        session.driver("click", radio["hwnd"])
        if radio_name == "单选框2":
            if chosen_program:
                dialog_answered = choose_file_in_dialog(session, chosen_program)
            else:
                dialog = session.wait_window(cls="#32770", timeout_ms=30000)
                if dialog:
                    session.driver("post", dialog["hwnd"], WM_COMMAND, IDCANCEL, 0)
                    session.wait_window(cls="#32770", state="gone", timeout_ms=30000)
                dialog_answered = dialog is not None
    if message is not None:
        session.driver("set-text", controls[ids[message_name]]["hwnd"], message)
    session.driver("click", controls[ids["按钮1"]]["hwnd"])
    return dialog_answered


def rows_shown(tockly, ids):
    return tockly.controls()[ids["列表框1"]]["items"]


def rows_stored(app_dir):
    return [row for row in read_data_ini(app_dir).get("时表", "").split("@") if row]


def check_layout(tockly, expectations, checks):
    expected = expectations[MAIN_WINDOW.lower()]
    main = tockly.main
    place = expected["place"]
    checks.equal((main["x"], main["y"], main["w"], main["h"]),
                 (place["left"], place["top"], place["width"], place["height"]), "main window: outer place")
    checks.equal(main["title"], expected["caption"], "main window: caption")
    shown = tockly.controls()
    wrong = []
    for unit in expected["controls"]:
        control = shown.get(unit["id"])
        if control is None:
            wrong.append(f"{unit['name']}: no control {unit['id']}")
            continue
        actual = {"class": control["class"], "x": control["x"], "y": control["y"], "w": control["w"],
                  "h": control["h"], "visible": control["visible"], "disabled": not control["enabled"]}
        want = {"class": unit["class"], "x": unit["x"], "y": unit["y"], "w": unit["w"], "h": unit["h"],
                "visible": True, "disabled": unit["disabled"]}
        if unit["name"] not in RUNTIME_TEXT:
            actual["text"], want["text"] = control["text"], unit["text"]
        if "checked" in unit:
            actual["checked"], want["checked"] = control.get("checked"), unit["checked"]
        if "items" in unit:
            actual["items"], want["items"] = control.get("items"), unit["items"]
        if actual != want:
            wrong.append(f"{unit['name']}: {({k: v for k, v in actual.items() if want.get(k) != v})} "
                         f"expected {({k: want[k] for k, v in actual.items() if want.get(k) != v})}")
    checks.check(not wrong, f"every shown unit ({len(expected['controls'])}) at its designed place with its "
                 "designed class, caption and state", "; ".join(wrong))
    designed = {unit["id"] for unit in expected["controls"]}
    extra = [c["id"] for c in shown.values() if c["visible"] and c["id"] not in designed and c["parent"] == tockly.hwnd]
    checks.check(not extra, "no shown control that the form does not design", str(extra))


def second_writes(trace):
    return [line for line in trace if line.get("kind") == "write" and line.get("unit", "").lower() == SECONDS_LABEL]


def check_every_second_once(tockly, checks, figures):
    """From the trace: after start-up's own tick, each tick shows the next second, none skipped or
    shown twice; the lag of each tick after its second boundary goes into the figures."""
    writes = second_writes(tockly.trace())[1:]
    shown = [int(w["value"]) for w in writes]
    wrong = [(a, b) for a, b in zip(shown, shown[1:]) if b != (a + 1) % 60]
    checks.check(len(shown) >= 2 and not wrong, "every second of the run ticked exactly once, in order",
                 f"{len(shown)} ticks; steps {wrong[:5]}")
    lags = sorted(int(w["clock"][20:23]) for w in writes[5:] if w["clock"][17:19] == w["value"])
    if lags:
        p99 = lags[min(len(lags) - 1, int(len(lags) * 0.99))]
        figures[f"tick lag after the second boundary, ms (median, p99, max) of {tockly.trace_path}"] = (
            statistics.median(lags), p99, lags[-1])


def check_clock(tockly, ids, checks, figures):
    writes = second_writes(tockly.trace())
    checks.check(len(writes) >= 2, "the tick writes the seconds label", f"{len(writes)} writes")
    off = [w for w in writes if w["value"] != w["clock"][17:19]]
    checks.check(not off, "each tick shows the second the host clock is in", str(off[:3]))
    check_every_second_once(tockly, checks, figures)
    shown = host_time(tockly, ids)
    last = second_writes(tockly.trace())[-1]
    host_now = datetime.datetime.strptime(last["clock"][11:19], "%H:%M:%S")
    checks.check(abs((shown - host_now).total_seconds()) <= 1, "the clock labels show the host's time within a second",
                 f"shown {shown.time()}, host {host_now.time()}")


def editing_run(session, checks, app_dir, artifacts, expectations, ringtone, program, figures):
    """Starts Tockly on an empty table and edits it through the real controls and dialogs: the
    ringtone and a program chosen in their file dialogs, entries added, one deleted, one modified.
    Returns the rows it leaves, top first."""
    ids = ids_by_name(expectations)
    tockly = Tockly(session, app_dir, artifacts, "editing", clock_start=EDIT_CLOCK_START)
    if not checks.check(tockly.main is not None, "start: the main window titled \"Tockly —— …\" is shown"):
        return None
    figures["start-up to a shown main window, s"] = round(tockly.startup_seconds, 2)
    tockly.wait_ticks(4)
    session.screenshot(os.path.join(artifacts, "main-window.png"),
                       (tockly.main["x"], tockly.main["y"], tockly.main["w"], tockly.main["h"]))
    check_layout(tockly, expectations, checks)
    check_clock(tockly, ids, checks, figures)
    checks.equal(tockly.controls()[ids["组合框1"]]["focused"], True, "start-up gives the focus to the hour chooser")

    # The ringtone, chosen in the real open-file dialog.
    session.driver("click", tockly.controls()[ids["按钮3"]]["hwnd"])
    checks.check(choose_file_in_dialog(session, ringtone), "\"选择铃声\" opens the file dialog and takes the chosen file")
    checks.equal(tockly.controls()[ids["编辑框5"]]["text"], ringtone, "the chosen ringtone shows in its box")
    checks.equal(read_data_ini(app_dir).get("铃声"), ringtone, "data.ini keeps the chosen ringtone")

    # Entries, newest at the top: a reminder to be modified, one to be deleted, and the program
    # (whose path has a blank) chosen in the program dialog.
    label = {"单选框1": "     温馨提示    ", "单选框2": "     运行程序    "}
    add_entry(tockly, ids, REMINDER_DRAFT_AT, "单选框1", "编辑框1", REMINDER_DRAFT)
    add_entry(tockly, ids, DOOMED_AT, "单选框1", "编辑框1", DOOMED)
    chosen = add_entry(tockly, ids, PROGRAM_AT, "单选框2", chosen_program=program)
    checks.check(chosen, "choosing \"运行程序\" opens the program dialog and takes the chosen program")
    program_field = '"" "' + program + '"'
    checks.equal(tockly.controls()[ids["编辑框2"]]["text"], program_field,
                 "a chosen path with a blank goes into the program box quoted for the command interpreter")
    draft_row = REMINDER_DRAFT_AT.strftime("%H:%M:%S") + label["单选框1"] + REMINDER_DRAFT
    doomed_row = DOOMED_AT.strftime("%H:%M:%S") + label["单选框1"] + DOOMED
    program_row = PROGRAM_AT.strftime("%H:%M:%S") + label["单选框2"] + program_field
    expected = [program_row, doomed_row, draft_row]
    checks.equal(rows_shown(tockly, ids), expected, "added entries stand at the top of the list, newest first")
    checks.equal(rows_stored(app_dir), expected, "data.ini holds the added rows in the list's order")

    # Delete: select the doomed row, "删除时间".
    listbox = tockly.controls()[ids["列表框1"]]["hwnd"]
    session.driver("list-select", listbox, 1)
    session.driver("click", tockly.controls()[ids["按钮2"]]["hwnd"])
    expected = [program_row, draft_row]
    checks.equal(rows_shown(tockly, ids), expected, "\"删除时间\" removes the selected row from the list")
    checks.equal(rows_stored(app_dir), expected, "and from data.ini")

    # Modify: double-click the draft, change its time and message, "保存修改".
    session.driver("list-dblclick", listbox, 1)
    controls = tockly.controls()
    checks.check(controls[ids["按钮4"]]["enabled"] and not controls[ids["按钮1"]]["enabled"],
                 "a double-click enters modify mode (\"保存修改\" enabled, \"添加时间\" disabled)")
    checks.equal(controls[ids["编辑框1"]]["text"], REMINDER_DRAFT, "the row's message is loaded for editing")
    choose_time(tockly, ids, REMINDER_AT)
    session.driver("set-text", controls[ids["编辑框1"]]["hwnd"], REMINDER)
    session.driver("click", controls[ids["按钮4"]]["hwnd"])
    reminder_row = REMINDER_AT.strftime("%H:%M:%S") + label["单选框1"] + REMINDER
    expected = [program_row, reminder_row]
    checks.equal(rows_shown(tockly, ids), expected, "\"保存修改\" replaces the row in its place")
    checks.equal(rows_stored(app_dir), expected, "data.ini holds the modified row")
    checks.check(not tockly.controls()[ids["按钮4"]]["enabled"], "and modify mode ends")

    checks.check(tockly.menu(1), "the System menu opens on a right-click")
    checks.equal(tockly.exit_code(), 0, "Exit ends Tockly with exit code 0")
    return expected


def firing_run(session, checks, app_dir, artifacts, expectations, marker_dir, program, figures):
    """Starts Tockly a little before its entries' seconds (through the host's clock setting) and
    sees the reminder and the program fire."""
    ids = ids_by_name(expectations)
    tockly = Tockly(session, app_dir, artifacts, "firing", clock_start=FIRE_CLOCK_START)
    if not checks.check(tockly.main is not None, "the main window shows for the firing run"):
        return
    fired_at = datetime.datetime.combine(datetime.date(2024, 5, 20), REMINDER_AT.time())
    if not checks.check(host_time(tockly, ids) < fired_at.replace(year=1900, month=1, day=1),
                        "Tockly is up before the reminder's second", str(host_time(tockly, ids).time())):
        return

    # The reminder: popup within its second, ringtone through MCI heard at the sink; a right-click ends both.
    recording = os.path.join(artifacts, "reminder.wav")
    popups = tockly.popups(timeout_ms=60000)
    if checks.check(bool(popups), "at its second the reminder popup shows"):
        popup = popups[0]
        checks.equal(tockly.popup_text(popup), "闹钟提示: " + REMINDER, "the popup shows \"闹钟提示: \" and the message")
        checks.check(popup["topmost"], "the popup stays on top")
        opened = [l for l in tockly.trace() if l.get("kind") == "open" and l.get("window", "").lower() == POPUP_WINDOW]
        checks.check(opened and opened[0]["clock"].startswith(fired_at.strftime("%Y-%m-%d %H:%M:%S")),
                     "the popup opens within the reminder's second", str(opened[:1]))
        plays = tockly.commands("play_mp3", wait_seconds=10)
        checks.check(plays and plays[-1].get("result") not in (0, False, None),
                     "the ringtone is accepted for playing", str(plays[-1:]))
        # The player's first open in a new prefix loads its decoders, which can take seconds on a
        # cold machine: listen once the sound thread says the ringtone plays (it lasts 6 s).
        reports = tockly.sound_reports(("mp3_playing", "mp3_failed"), wait_seconds=60)
        recorder = session.record(recording)
        time.sleep(3)
        session.screenshot(os.path.join(artifacts, "reminder-popup.png"),
                           (popup["x"], popup["y"], popup["w"], popup["h"]))
        recorder.send_signal(2)
        recorder.wait(timeout=10)
        samples, rate = sound.read_mono(recording)
        tone, other = sound.band_power(samples, rate, 430, 450), sound.band_power(samples, rate, 900, 1000)
        checks.check(tone > 20 * max(other, 1e-12) and sound.rms(samples) > 0.01,
                     "the ringtone (440 Hz) reaches the sound output",
                     f"rms {sound.rms(samples):.4f}, 440 Hz {tone:.2e}, 900-1000 Hz {other:.2e}, "
                     f"sound thread {reports}")
        session.driver("right-click", popup["hwnd"])
        checks.check(session.wait_window(cls="TocklyWindow", title="", state="gone", timeout_ms=15000) or
                     not tockly.popups(timeout_ms=0), "a right-click closes the popup")
        checks.check(len(tockly.commands("stop_sound", wait_seconds=10)) >= 1, "closing the popup stops the sound")
        time.sleep(1)
        after = os.path.join(artifacts, "after-reminder.wav")
        session.record_for(after, 1.5)
        checks.check(*sound.silent(after), "silence after the popup closed")

    # The run-program entry starts the chosen program through cmd.
    marker = os.path.join(marker_dir, "marker.txt")
    deadline = time.time() + 60
    while time.time() < deadline and not os.path.exists(marker):
        time.sleep(0.2)
    checks.check(os.path.exists(marker), "the run-program entry started the chosen program")
    runs = [line["args"][0] for line in tockly.commands("run_command_line", wait_seconds=5)]
    checks.check('cmd /cstart "" "' + program + '"' in runs, "it was started as \"cmd /cstart \" and the quoted path",
                 str(runs))
    check_every_second_once(tockly, checks, figures)

    memory = tockly.memory_kib()
    if memory:
        figures["memory of the running Tockly, KiB (VmRSS, VmHWM)"] = (memory.get("VmRSS"), memory.get("VmHWM"))
    checks.check(tockly.menu(1), "the System menu opens on a right-click")
    checks.equal(tockly.exit_code(), 0, "Exit ends Tockly with exit code 0")


def second_run(session, checks, app_dir, artifacts, expectations, rows, ringtone):
    ids = ids_by_name(expectations)
    tockly = Tockly(session, app_dir, artifacts, "second", clock_start=CHIME_START)
    if not checks.check(tockly.main is not None, "restart: the main window shows again"):
        return
    controls = tockly.controls()
    checks.equal(controls[ids["列表框1"]]["items"], list(rows), "restart: the table comes back from data.ini")
    checks.equal(controls[ids["编辑框5"]]["text"], ringtone, "restart: the ringtone comes back from data.ini")

    # The hourly chime, a few seconds after start.
    recording = os.path.join(artifacts, "chime.wav")
    recorder = session.record(recording)
    popups = tockly.popups(timeout_ms=60000)
    appeared = time.time()
    if checks.check(bool(popups), "the hourly chime popup appears on the full hour"):
        popup = popups[0]
        checks.equal(tockly.popup_text(popup), "现在时间: 14:00:00", "it shows \"现在时间: \" and the time")
        shot = os.path.join(artifacts, "chime-popup.png")
        session.screenshot(shot, (popup["x"], popup["y"], popup["w"], popup["h"]))
        magenta = subprocess.run(["convert", shot, "-fill", "black", "+opaque", "#ff00ff", "-fill", "white",
                                  "-opaque", "#ff00ff", "-format", "%[fx:mean]", "info:"],
                                 capture_output=True, text=True, timeout=30).stdout.strip()
        checks.check(magenta and float(magenta) > 0.01, "its text is magenta", f"magenta share {magenta}")
        time.sleep(2)
        recorder.send_signal(2)
        recorder.wait(timeout=10)
        beep, detail = sound.beep_heard(recording)
        checks.check(beep, "the beep is heard, its energy near 1.2 kHz", detail)
        gone = session.wait_window(cls="TocklyWindow", title="", state="gone", timeout_ms=20000)
        closed_after = time.time() - appeared
        checks.check(gone and 2.5 <= closed_after <= 15, "the chime popup goes away by itself some seconds later",
                     f"gone after {closed_after:.1f} s")
        lines = tockly.trace()
        opened = [l for l in lines if l.get("kind") == "open" and l.get("window", "").lower() == "0x5201007b"]
        closed = [l for l in lines if l.get("kind") == "close" and l.get("window", "").lower() == "0x5201007b"]
        if opened and closed:
            span = (datetime.datetime.strptime(closed[-1]["clock"], "%Y-%m-%d %H:%M:%S.%f") -
                    datetime.datetime.strptime(opened[-1]["clock"], "%Y-%m-%d %H:%M:%S.%f")).total_seconds()
            checks.check(4.9 <= span <= 5.5, "by the host's clock it closed 5 seconds after it opened", f"{span:.3f} s")

    # Minimise to the tray and back.
    session.driver("minimize", tockly.hwnd)
    checks.check(session.wait_window(title_prefix=TITLE_PREFIX, state="hidden", timeout_ms=20000) is not None,
                 "minimising hides the main window")
    trays = tockly.commands("set_tray_icon", wait_seconds=15)
    checks.check(trays and "Tockly" in trays[-1]["args"], "a tray icon is set with the tip \"Tockly\"", str(trays[-1:]))
    tray = session.wait_window(title="Wine System Tray", timeout_ms=20000)
    checks.check(tray is not None, "the tray icon is shown")
    if tray:
        session.screenshot(os.path.join(artifacts, "tray.png"), (tray["x"], tray["y"], tray["w"], tray["h"]))
    host = session.wait_window(cls="TocklyHost", state="any", timeout_ms=10000)
    if checks.check(host is not None, "the host's tray receiver is found"):
        session.driver("post", host["hwnd"], TRAY_MESSAGE, 1, WM_LBUTTONUP)
    back = session.wait_window(title_prefix=TITLE_PREFIX, timeout_ms=20000)
    checks.check(back is not None and not back["minimized"], "tray notification kind 3 brings it back, restored")

    # About: the credits popup, and the main window takes no input until it closes.
    checks.check(tockly.menu(0), "the System menu opens again")
    popups = tockly.popups(timeout_ms=20000)
    if checks.check(bool(popups), "About opens the credits popup"):
        popup = popups[0]
        session.screenshot(os.path.join(artifacts, "about-popup.png"), (popup["x"], popup["y"], popup["w"], popup["h"]))
        checks.check(bool(tockly.popup_text(popup)), "the credits popup shows its text", repr(tockly.popup_text(popup)))
        main = session.wait_window(title_prefix=TITLE_PREFIX, timeout_ms=10000)
        checks.check(main is not None and not main["enabled"], "the main window takes no input while About is open")
        rows_before = tockly.controls()[ids["列表框1"]]["items"]
        session.driver("click", tockly.controls()[ids["按钮2"]]["hwnd"])
        checks.equal(tockly.controls()[ids["列表框1"]]["items"], rows_before, "a click on the main window does nothing")
        session.driver("right-click", popup["hwnd"])
        main = session.wait_window(title_prefix=TITLE_PREFIX, timeout_ms=20000)
        checks.check(not tockly.popups(timeout_ms=0) and main and main["enabled"],
                     "a right-click closes About and the main window takes input again")

    checks.check(tockly.menu(1), "the System menu opens for Exit")
    checks.equal(tockly.exit_code(), 0, "Exit ends Tockly with exit code 0")
    checks.check(session.wait_window(title="Wine System Tray", state="none-visible", timeout_ms=20000),
                 "Exit removes the tray icon")


def body(session, checks, dist, marker_exe, expectations_path, work, artifacts):
    with open(expectations_path, encoding="utf-8") as f:
        expectations = json.load(f)
    os.makedirs(artifacts, exist_ok=True)
    app_dir = os.path.join(work, "app")
    shutil.rmtree(app_dir, ignore_errors=True)
    os.makedirs(app_dir)
    for name in ("Tockly.exe", "corlb.xrt"):
        shutil.copy(os.path.join(dist, name), app_dir)
    marker_dir = os.path.join(session.prefix, "drive_c", MARKER_DIR)
    shutil.rmtree(marker_dir, ignore_errors=True)
    os.makedirs(marker_dir)
    shutil.copy(marker_exe, os.path.join(marker_dir, "marker.exe"))
    program = f"C:\\{MARKER_DIR}\\marker.exe"

    # A ringtone of 440 Hz, to be chosen in the ringtone dialog.
    ring_wav, ring_mp3 = os.path.join(app_dir, "ring.wav"), os.path.join(app_dir, "ring.mp3")
    subprocess.run(["sox", "-n", "-r", "44100", "-c", "2", "-b", "16", ring_wav, "synth", "6", "sine", "440",
                    "vol", "0.5"], check=True, capture_output=True, timeout=60)
    subprocess.run(["lame", "--quiet", ring_wav, ring_mp3], check=True, capture_output=True, timeout=60)
    ringtone = session.winepath(ring_mp3)

    if not checks.check(session.start_sound(), "a PulseAudio null sink stands in for a sound card"):
        return
    figures = {"Wine start-up of the session (warm-up), s": round(session.warm_up_seconds, 2)}
    rows = editing_run(session, checks, app_dir, artifacts, expectations, ringtone, program, figures)
    if rows:
        firing_run(session, checks, app_dir, artifacts, expectations, marker_dir, program, figures)
        second_run(session, checks, app_dir, artifacts, expectations, rows, ringtone)
    for name, value in figures.items():
        print(f"figure: {name}: {value}")
    print(f"artifacts (screenshots, traces, recordings): {artifacts}")


if __name__ == "__main__":
    for tool in ("sox", "lame", "convert"):
        if not shutil.which(tool):
            sys.exit(c.winenv.skipped(f"{tool} is not installed"))
    wine, dist, driver, marker_exe, expectations, work, prefix, artifacts = c.main_args(__doc__.split("usage: ")[1], 8)
    sys.exit(c.run_script(lambda session, checks: body(session, checks, dist, marker_exe, expectations, work,
                                                         artifacts), wine, work, prefix, driver))

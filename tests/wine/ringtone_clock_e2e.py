"""The ringtone never holds up the clock: Tockly.exe under Wine with a reminder due a few seconds
after start, its ringtone set to a playable MP3, a missing file, a damaged file (it starts like an
MP3), a big MP3, and a good MP3 with MCI's MP3 driver switched off, and a path that never answers (a named pipe whose server never writes, as
a share that has gone), one run each. From the host's
trace: the popup opens in the second that fired it, and every second of the run is ticked exactly
once, whatever the sound thread is doing. Run with the PulseAudio null sink as the sound card
(`null-sink`) or with no sound server at all (`none`).

With the null sink, one more run (see hour_run): a reminder due at 09:00:00 with the hourly chime
on, whose ringtone must outlive the chime's stop, then a table of ringtones the quick check may
doubt, each heard as what the player makes of it.

usage: ringtone_clock_e2e.py WINE DIST_DIR DRIVER SILENT_PIPE WORK PREFIX ARTIFACTS SOUND
"""
import datetime
import os
import random
import shutil
import statistics
import subprocess
import sys
import time

import checks as c
import sound as heard
from tockly_e2e import Tockly

CLOCK_START = datetime.datetime(2024, 5, 20, 8, 30, 0)
# Wide enough for a start-up on an emulated machine several times slower than ours.
DUE_AFTER_S = 20
TICKS_AFTER_DUE_S = 6
SECONDS_LABEL = "0x1601001b"
POPUP_WINDOW = "0x5201007b"
MESSAGE = "铃声测试"
BIG_MP3_BYTES = 48 * 1024 * 1024
SILENT_PIPE = r"\\.\pipe\tockly-silent-ringtone"
# Ringtones the MP3 command must refuse, so that the program's own sound plays instead.
REFUSED = ("missing", "silent-pipe")


def stamp(when):
    return when.strftime("%Y-%m-%d %H:%M:%S")


def make_ringtones(folder):
    """name -> ringtone file of each run."""
    wav, good = os.path.join(folder, "tone.wav"), os.path.join(folder, "good.mp3")
    subprocess.run(["sox", "-n", "-r", "44100", "-c", "2", "-b", "16", wav, "synth", "4", "sine", "440",
                    "vol", "0.5"], check=True, capture_output=True, timeout=60)
    subprocess.run(["lame", "--quiet", wav, good], check=True, capture_output=True, timeout=60)
    with open(good, "rb") as f:
        frames = f.read()
    # Starts as an MP3 (so it is accepted at once); what follows is noise.
    damaged = os.path.join(folder, "damaged.mp3")
    noise = random.Random(8).randbytes(256 * 1024)
    with open(damaged, "wb") as f:
        f.write(frames[:4096] + noise)
    # MP3 frames may follow one another from any number of files.
    big = os.path.join(folder, "big.mp3")
    with open(big, "wb") as f:
        for _ in range(BIG_MP3_BYTES // len(frames) + 1):
            f.write(frames)
    # "no-decoder" plays the good file with MCI's MP3 driver switched off: accepted at once, it
    # fails only on the sound thread.
    return {"good": good, "missing": os.path.join(folder, "missing.mp3"), "damaged": damaged, "big": big,
            "no-decoder": good, "silent-pipe": SILENT_PIPE}


def write_data_ini(app_dir, ringtone, due, more=()):
    """A reminder at `due` (and one for each (time, message) of `more`) with this ringtone."""
    rows = [(due, MESSAGE), *more]
    table = "".join(when.strftime("%H:%M:%S") + "     温馨提示    " + message + "@" for when, message in rows)
    with open(os.path.join(app_dir, "data.ini"), "wb") as f:
        f.write(("[表]\r\n时表=" + table + "\r\n铃声=" + ringtone + "\r\n").encode("gbk"))


def seconds_writes(trace):
    return [l for l in trace if l.get("kind") == "write" and l.get("unit", "").lower() == SECONDS_LABEL]


def wait_ticks_until(tockly, last, timeout_s):
    deadline = time.time() + timeout_s
    while time.time() < deadline:
        if any(w["clock"][:19] >= stamp(last) for w in seconds_writes(tockly.trace())):
            return True
        time.sleep(0.5)
    return False


def check_ticks(trace, name, checks, lags):
    """Every second from the first tick to the last ticked once, showing its own second."""
    ticks = seconds_writes(trace)[1:]  # the first is start-up's own
    seen = [datetime.datetime.strptime(w["clock"][:19], "%Y-%m-%d %H:%M:%S") for w in ticks]
    if not checks.check(len(seen) >= 2, f"{name}: the clock ticks", f"{len(seen)} ticks"):
        return
    expected = [seen[0] + datetime.timedelta(seconds=i) for i in range(int((seen[-1] - seen[0]).total_seconds()) + 1)]
    missing = sorted(set(expected) - set(seen))
    twice = sorted({s for s in seen if seen.count(s) > 1})
    checks.check(not missing and not twice,
                 f"{name}: each second from {seen[0].time()} to {seen[-1].time()} ticked exactly once",
                 f"missing {[str(s.time()) for s in missing]}, twice {[str(s.time()) for s in twice]}")
    wrong = [w for w in ticks if w["value"] != w["clock"][17:19]]
    checks.check(not wrong, f"{name}: each tick shows its own second", str(wrong[:3]))
    lags.extend(int(w["clock"][20:23]) for w in ticks)


def check_late_fallback(session, tockly, checks, artifacts):
    """A ringtone accepted at once that the decoder then refuses: the built-in beep plays instead."""
    deadline = time.time() + 20
    reports = []
    while time.time() < deadline and not reports:
        reports = [l["what"] for l in tockly.trace() if l.get("kind") == "sound"]
        time.sleep(0.2)
    if not checks.equal(reports[:1], ["mp3_failed"], "no-decoder: the sound thread finds the ringtone unplayable"):
        return
    recording = os.path.join(artifacts, "late-fallback.wav")
    session.record_for(recording, 2)
    beep, detail = heard.beep_heard(recording)
    checks.check(beep, "no-decoder: the built-in beep sounds in its place", detail)


def one_run(session, checks, app_dir, artifacts, name, ringtone_file, figures, lags):
    due = CLOCK_START + datetime.timedelta(seconds=DUE_AFTER_S)
    write_data_ini(app_dir, ringtone_file if ringtone_file == SILENT_PIPE else session.winepath(ringtone_file), due)
    overrides = session.env["WINEDLLOVERRIDES"]
    if name == "no-decoder":
        session.env["WINEDLLOVERRIDES"] = overrides + ";mciqtz32=d"
    try:
        tockly = Tockly(session, app_dir, artifacts, f"ringtone-{name}", clock_start=stamp(CLOCK_START))
    finally:
        session.env["WINEDLLOVERRIDES"] = overrides
    if not checks.check(tockly.main is not None, f"{name}: the main window shows"):
        return
    figures[f"{name}: start-up to the shown main window, s"] = round(tockly.startup_seconds, 2)
    checks.check(tockly.startup_seconds < DUE_AFTER_S - 2, f"{name}: start-up ends before the reminder is due",
                 f"{tockly.startup_seconds:.1f} s")
    ticked = wait_ticks_until(tockly, due + datetime.timedelta(seconds=TICKS_AFTER_DUE_S), DUE_AFTER_S + 60)
    checks.check(ticked, f"{name}: the clock ticks on past the reminder's second")
    trace = tockly.trace()

    # The popup opens in the very second whose tick found the row.
    firing = [w for w in seconds_writes(trace) if w["clock"][:19] == stamp(due)]
    opened = [l for l in trace if l.get("kind") == "open" and l.get("window", "").lower() == POPUP_WINDOW]
    if checks.check(bool(firing) and bool(opened), f"{name}: the reminder's second ticks and its popup opens",
                    f"{len(firing)} ticks of {due.time()}, {len(opened)} popups"):
        checks.equal(opened[0]["clock"][:19], stamp(due), f"{name}: the popup is open within its second")
        figures[f"{name}: popup open after the second boundary, ms"] = int(opened[0]["clock"][20:23])
    check_ticks(trace, name, checks, lags)

    plays = [l for l in trace if l.get("kind") == "command" and l.get("name") == "play_mp3"]
    accepted = bool(plays) and plays[0].get("result") not in (0, False, None)
    checks.equal(accepted, name not in REFUSED, f"{name}: the MP3 command answers whether the file can be played")
    fallback = [l for l in trace if l.get("kind") == "command" and l.get("name") == "play_sound_data"]
    if name in REFUSED:
        checks.check(bool(fallback), f"{name}: the built-in sound plays instead")

    if name == "no-decoder" and session.sound_device:
        check_late_fallback(session, tockly, checks, artifacts)

    # Closing the popup stops the sound; Exit ends Tockly promptly whatever the sound thread does.
    popups = tockly.popups(timeout_ms=5000)
    if popups:
        session.driver("right-click", popups[0]["hwnd"])
        checks.check(len(tockly.commands("stop_sound", wait_seconds=10)) >= 1, f"{name}: closing the popup stops sound")
        if name == "no-decoder" and session.sound_device:
            after = os.path.join(artifacts, "after-late-fallback.wav")
            time.sleep(0.5)
            session.record_for(after, 1.5)
            quiet, detail = heard.silent(after)
            checks.check(quiet, f"{name}: the beep ends with the popup", detail)
    reports = [l["what"] for l in tockly.trace() if l.get("kind") == "sound"]
    figures[f"{name}: sound thread reports"] = reports
    if name == "good" and session.sound_device:
        checks.check("mp3_playing" in reports or not reports, f"{name}: MCI plays the ringtone", str(reports))
    checks.check(tockly.menu(1), f"{name}: the System menu opens for Exit")
    checks.equal(tockly.exit_code(timeout=30), 0, f"{name}: Exit ends Tockly with exit code 0")


# --- The full hour, and ringtones the quick check may doubt ------------------------------------------
HOUR_CLOCK_START = datetime.datetime(2024, 5, 20, 8, 59, 40)
HOUR = datetime.datetime(2024, 5, 20, 9, 0, 0)
RINGTONE_HZ = 440
# Each made ringtone's reminder, 12 s apart: time to hear it, close it and choose the next.
FIRST_SLOT_AFTER_HOUR_S, SLOT_S, HEARD_AFTER_S = 20, 12, 3


def make_hour_ringtones(folder):
    """The long good ringtone, which the hour's reminder plays (the table's good MP3), and (name,
    file, what is heard at the end) of the rest of the table."""
    wav, good = os.path.join(folder, "long.wav"), os.path.join(folder, "long.mp3")
    subprocess.run(["sox", "-n", "-r", "44100", "-c", "2", "-b", "16", wav, "synth", "12", "sine", str(RINGTONE_HZ),
                    "vol", "0.5"], check=True, capture_output=True, timeout=60)
    subprocess.run(["lame", "--quiet", wav, good], check=True, capture_output=True, timeout=60)
    with open(good, "rb") as f:
        frames = f.read()
    made = {"zeros-first.mp3": bytes(6 * 1024) + frames,
            # A tag (one title frame, sizes synchsafe) and nothing after it.
            "tag-only.mp3": b"ID3\x03\x00\x00\x00\x00\x00\x15" + b"TIT2\x00\x00\x00\x0b\x00\x00\x00Tag only.."}
    for name, data in made.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)
    shutil.copy(wav, os.path.join(folder, "wave.mp3"))
    table = [("zeros-first", os.path.join(folder, "zeros-first.mp3"), "ringtone"),
             ("wave-named-mp3", os.path.join(folder, "wave.mp3"), "ringtone"),
             ("tag-only", os.path.join(folder, "tag-only.mp3"), "built-in")]
    return good, table


def sound_lines(trace, what=None, window=None):
    return [l for l in trace if l.get("kind") == "sound" and what in (None, l.get("what"))
            and window in (None, l.get("window"))]


def popups_opened_at(trace, when):
    return [l for l in trace if l.get("kind") == "open" and l.get("window", "").lower() == POPUP_WINDOW
            and l["clock"][:19] == stamp(when)]


def hear(session, artifacts, name, seconds=2):
    recording = os.path.join(artifacts, f"heard-{name}.wav")
    session.record_for(recording, seconds)
    return heard.which_heard(recording, RINGTONE_HZ)


def close_newest_popup(session, tockly):
    popups = tockly.popups(timeout_ms=5000)
    if popups:
        session.driver("right-click", popups[0]["hwnd"])
    return bool(popups)


def check_hour(session, tockly, checks, artifacts, figures):
    """The reminder due at the chime's second keeps its ringtone (a good MP3) when the chime closes
    itself."""
    ticked = wait_ticks_until(tockly, HOUR + datetime.timedelta(seconds=6), 90)
    checks.check(ticked, "hour: the clock ticks past the chime's close")
    sound, detail = hear(session, artifacts, "hour-after-chime", 1.5)
    trace = tockly.trace()
    opened = popups_opened_at(trace, HOUR)
    if not checks.equal(len(opened), 2, "hour: the reminder's and the chime's popups open within 09:00:00"):
        return None
    reminder, chime = opened[0]["serial"], opened[1]["serial"]
    checks.check(bool(sound_lines(trace, "mp3_playing", reminder)), "hour: the reminder's popup started its ringtone",
                 str(sound_lines(trace)))
    checks.check(bool(sound_lines(trace, "wav_started", chime)), "hour: the chime's popup started its beep")
    stops = sound_lines(trace, "stopped")
    checks.equal([(l["window"], l["ended"]) for l in stops], [(chime, ["wav"])],
                 "hour: the chime's close ended its own beep and nothing else")
    checks.equal(sound, "ringtone", f"hour: after the chime closed, the reminder's ringtone is heard ({detail})")
    figures["hour: heard after the chime closed"] = f"{sound} ({detail})"
    # Its own close ends the ringtone.
    checks.check(close_newest_popup(session, tockly), "hour: the reminder's popup is still open")
    deadline = time.time() + 10
    while time.time() < deadline and not sound_lines(tockly.trace(), "stopped", reminder):
        time.sleep(0.2)
    checks.equal([l["ended"] for l in sound_lines(tockly.trace(), "stopped", reminder)], [["mp3"]],
                 "hour: the reminder's close ended its ringtone")
    return reminder


def check_made_ringtone(session, tockly, checks, artifacts, edit, slot, name, path, expected, figures):
    """A reminder whose ringtone is `path`: its popup opens within its second, and `expected` is
    heard once the player has taken or refused the file."""
    session.driver("set-text", edit, session.winepath(path))
    ticked = wait_ticks_until(tockly, slot + datetime.timedelta(seconds=HEARD_AFTER_S), 60)
    checks.check(ticked, f"{name}: the clock ticks past the reminder's second")
    sound, detail = hear(session, artifacts, name)
    trace = tockly.trace()
    opened = popups_opened_at(trace, slot)
    checks.equal(len(opened), 1, f"{name}: the popup is open within its second")
    checks.equal(sound, expected, f"{name}: what is heard at the end ({detail})")
    window = opened[0]["serial"] if opened else None
    figures[f"{name}: heard"] = f"{sound} ({detail})"
    figures[f"{name}: sound thread reports"] = [l["what"] + (" offered" if l.get("offered") else "")
                                                for l in sound_lines(trace, window=window)]
    checks.check(close_newest_popup(session, tockly), f"{name}: the popup closes")


def hour_run(session, checks, app_dir, artifacts, figures):
    good, table = make_hour_ringtones(app_dir)
    slots = [HOUR + datetime.timedelta(seconds=FIRST_SLOT_AFTER_HOUR_S + SLOT_S * i) for i in range(len(table))]
    ringtone = session.winepath(good)
    write_data_ini(app_dir, ringtone, HOUR, [(slot, f"铃声样本{i + 1}") for i, slot in enumerate(slots)])
    tockly = Tockly(session, app_dir, artifacts, "ringtone-hour", clock_start=stamp(HOUR_CLOCK_START))
    if not checks.check(tockly.main is not None, "hour: the main window shows"):
        return
    edits = [child["hwnd"] for child in tockly.controls().values() if child.get("text") == ringtone]
    if not checks.equal(len(edits), 1, "hour: the ringtone's box shows the ringtone"):
        return
    check_hour(session, tockly, checks, artifacts, figures)
    for slot, (name, path, expected) in zip(slots, table):
        check_made_ringtone(session, tockly, checks, artifacts, edits[0], slot, name, path, expected, figures)
    check_ticks(tockly.trace(), "hour", checks, [])
    checks.check(tockly.menu(1), "hour: the System menu opens for Exit")
    checks.equal(tockly.exit_code(timeout=30), 0, "hour: Exit ends Tockly with exit code 0")


def start_silent_pipe(session, checks, exe, work):
    folder = os.path.join(work, "pipe")
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    process = session.start(exe, cwd=folder, args=[SILENT_PIPE])
    deadline = time.time() + 60
    while time.time() < deadline and not os.path.exists(os.path.join(folder, "pipe-ready")):
        time.sleep(0.2)
    checks.check(os.path.exists(os.path.join(folder, "pipe-ready")), "the silent pipe listens")
    return process


def body(session, checks, dist, silent_pipe, work, artifacts, sound):
    os.makedirs(artifacts, exist_ok=True)
    app_dir = os.path.join(work, "app")
    shutil.rmtree(app_dir, ignore_errors=True)
    os.makedirs(app_dir)
    for name in ("Tockly.exe", "corlb.xrt"):
        shutil.copy(os.path.join(dist, name), app_dir)
    ringtones = make_ringtones(app_dir)
    if sound == "null-sink":
        session.sound_device = checks.check(session.start_sound(), "a PulseAudio null sink stands in for a sound card")
        if not session.sound_device:
            return
    else:
        # No server at all, wherever the environment may point.
        session.sound_device = False
        session.env["PULSE_SERVER"] = "unix:" + os.path.join(work, "no-pulse-server")
    figures, lags = {}, []
    pipe = start_silent_pipe(session, checks, silent_pipe, work)
    try:
        for name, path in ringtones.items():
            one_run(session, checks, app_dir, artifacts, name, path, figures, lags)
        if session.sound_device:
            hour_run(session, checks, app_dir, artifacts, figures)
    finally:
        pipe.kill()
        pipe.wait()
    if lags:
        lags.sort()
        figures["tick lag after the second boundary, ms (median, p99, max)"] = (
            statistics.median(lags), lags[min(len(lags) - 1, int(len(lags) * 0.99))], lags[-1])
    for name, value in figures.items():
        print(f"figure: {name}: {value}")


if __name__ == "__main__":
    for tool in ("sox", "lame"):
        if not shutil.which(tool):
            sys.exit(c.winenv.skipped(f"{tool} is not installed"))
    wine, dist, driver, silent_pipe, work, prefix, artifacts, sound = c.main_args(__doc__.split("usage: ")[1], 8)
    if sound not in ("null-sink", "none"):
        print("SOUND is null-sink or none", file=sys.stderr)
        sys.exit(2)
    sys.exit(c.run_script(lambda session, checks: body(session, checks, dist, silent_pipe, work, artifacts, sound), wine, work,
                          prefix, driver))

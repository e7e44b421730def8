"""Tockly's start-up and a reminder with the Wine prefix claiming to be Windows XP (the version
Windows reports, which Wine's structure size checks, common controls and shell follow), in one
session: the main window shows every unit at its designed place, a reminder due 20 s after start
opens its popup within its second, every second ticks once, the window goes to the tray and comes
back, a second start from the folder hands over to the first, and Exit ends with 0. The host's
fallbacks for XP are run beside the newer calls they stand in for (tockly-fallback-probe). The prefix's
version is put back when the run ends, whatever happens.

usage: tockly_xp_e2e.py WINE DIST_DIR DRIVER FALLBACK_PROBE EXPECTATIONS.json WORK PREFIX ARTIFACTS
"""
import datetime
import json
import os
import shutil
import sys

import checks as c
from tockly_e2e import (POPUP_WINDOW, TITLE_PREFIX, TRAY_MESSAGE, WM_LBUTTONUP, Tockly, check_every_second_once,
                        check_layout, host_time, ids_by_name)

CLOCK_START = datetime.datetime(2024, 5, 20, 8, 30, 0)
# Wide enough for a start-up on an emulated machine several times slower than ours.
DUE = CLOCK_START + datetime.timedelta(seconds=20)
MESSAGE = "XP 提醒"
WINE_KEY = r"HKCU\Software\Wine"


def set_version(session, version):
    """Sets (or, with None, removes) the Windows version that the prefix claims."""
    if version:
        session.wine_run("reg", "add", WINE_KEY, "/v", "Version", "/d", version, "/f")
    else:
        session.wine_run("reg", "delete", WINE_KEY, "/v", "Version", "/f")


def fallbacks(session, checks, probe):
    """The probe's own checks, each repeated here."""
    out = session.wine_run(probe, timeout=120)
    lines = [line for line in out.splitlines() if line.startswith(("ok: ", "FAIL: "))]
    for line in lines:
        checks.check(line.startswith("ok: "), "XP fallback: " + line.split(": ", 1)[1])
    checks.check(lines, "XP fallback: the probe ran", out)


def run(session, checks, dist, probe, expectations, work, artifacts):
    ids = ids_by_name(expectations)
    app = os.path.join(work, "app")
    shutil.rmtree(app, ignore_errors=True)
    os.makedirs(app)
    for name in ("Tockly.exe", "corlb.xrt"):
        shutil.copy(os.path.join(dist, name), app)
    row = f"{DUE:%H:%M:%S}     温馨提示    {MESSAGE}"
    with open(os.path.join(app, "data.ini"), "wb") as f:
        f.write(("[表]\r\n时表=" + row + "@\r\n").encode("gbk"))

    version = session.wine_run("cmd", "/c", "ver").strip()
    if not checks.check("5.1" in version, "the prefix claims to be Windows XP (5.1)", version):
        return
    fallbacks(session, checks, probe)
    figures = {}
    tockly = Tockly(session, app, artifacts, "xp", clock_start=f"{CLOCK_START:%Y-%m-%d %H:%M:%S}")
    if not checks.check(tockly.main is not None, "XP: the main window shows"):
        return
    figures["XP: seconds to the main window"] = round(tockly.startup_seconds, 1)
    check_layout(tockly, expectations, checks)
    main = tockly.main
    session.screenshot(os.path.join(artifacts, "xp-main.png"), (main["x"], main["y"], main["w"], main["h"]))
    checks.equal(tockly.controls()[ids["列表框1"]]["items"], [row], "XP: the table comes from data.ini")
    checks.check(host_time(tockly, ids).time() < DUE.time(), "XP: Tockly is up before the reminder's second")

    popups = tockly.popups(timeout_ms=60000)
    if checks.check(bool(popups), "XP: at its second the reminder popup shows"):
        popup = popups[0]
        checks.equal(tockly.popup_text(popup), "闹钟提示: " + MESSAGE, "XP: the popup shows the message")
        opened = [l for l in tockly.trace() if l.get("kind") == "open" and l.get("window", "").lower() == POPUP_WINDOW]
        checks.check(opened and opened[0]["clock"].startswith(f"{DUE:%Y-%m-%d %H:%M:%S}"),
                     "XP: the popup opens within the reminder's second", str(opened[:1]))
        session.screenshot(os.path.join(artifacts, "xp-popup.png"), (popup["x"], popup["y"], popup["w"], popup["h"]))
        session.driver("right-click", popup["hwnd"])
        checks.check(session.wait_window(cls="TocklyWindow", title="", state="gone", timeout_ms=15000) or
                     not tockly.popups(timeout_ms=0), "XP: a right-click closes the popup")

    # The tray: the notification structure in the size XP knows.
    session.driver("minimize", tockly.hwnd)
    checks.check(session.wait_window(title_prefix=TITLE_PREFIX, state="hidden", timeout_ms=20000) is not None,
                 "XP: minimising hides the main window")
    checks.check(session.wait_window(title="Wine System Tray", timeout_ms=20000) is not None,
                 "XP: the tray icon is shown")
    # A second start from the folder finds the first (its image path) and hands over.
    second = session.start(os.path.join(app, "Tockly.exe"), cwd=app)
    try:
        code = second.wait(timeout=120)
    except Exception:  # still running: it did not hand over
        second.kill()
        code = None
    checks.equal(code, 0, "XP: a second start from the folder hands over and ends with 0")
    back = session.wait_window(title_prefix=TITLE_PREFIX, timeout_ms=20000)
    if not back:
        host = session.wait_window(cls="TocklyHost", state="any", timeout_ms=10000)
        if host:
            session.driver("post", host["hwnd"], TRAY_MESSAGE, 1, WM_LBUTTONUP)
        back = session.wait_window(title_prefix=TITLE_PREFIX, timeout_ms=20000)
    checks.check(back is not None and not back["minimized"], "XP: the main window comes back, restored")

    check_every_second_once(tockly, checks, figures)
    checks.check(tockly.menu(1), "XP: the System menu opens for Exit")
    checks.equal(tockly.exit_code(), 0, "XP: Exit ends Tockly with exit code 0")
    checks.check(session.wait_window(title="Wine System Tray", state="none-visible", timeout_ms=20000),
                 "XP: Exit removes the tray icon")
    for name, value in figures.items():
        print(f"figure: {name}: {value}")


def body(session, checks, dist, probe, expectations_path, work, artifacts):
    with open(expectations_path, encoding="utf-8") as f:
        expectations = json.load(f)
    os.makedirs(artifacts, exist_ok=True)
    set_version(session, "winxp")
    try:
        run(session, checks, dist, probe, expectations, work, artifacts)
    finally:
        set_version(session, None)


if __name__ == "__main__":
    wine, dist, driver, probe, expectations, work, prefix, artifacts = c.main_args(__doc__.split("usage: ")[1], 8)
    sys.exit(c.run_script(lambda session, checks: body(session, checks, dist, probe, expectations, work, artifacts),
                          wine, work, prefix, driver))

"""What a user sees of popups and of the main window, on the shipped i686 build under Wine, at 96
and at 144 DPI on the 1024 x 768 virtual screen (one Tockly start for each):

- About is opened first; then reminders of 8 and 16 Chinese characters fall in one second, of 17
  and 20 characters in the next seconds, and a 40-byte mix of ASCII and Chinese with the hourly
  chime at 14:00:00. All of them stand at once, none on another: About keeps the design place,
  each newer popup the nearest free place below, inside the screen, every one on top.
- Each popup's label holds "闹钟提示: " and its message; on the screenshot the drawn text's pixel
  columns and rows lie inside the popup (nothing cut at either end). Text too wide for one line
  is drawn in centred lines (the host's trace tells the lines, measured with the font in use); the
  chime and About stay on one line.
- When the chime has closed itself, the next reminder takes its place.
- With a table of 35 rows and more scrolled to its end, "添加时间" puts the new row in view.
- The main window lies inside the screen (at 144 DPI it is taller than the screen at its design
  place and is moved up, no further than needed).

usage: popups_e2e.py WINE DIST_DIR DRIVER EXPECTATIONS.json WORK PREFIX ARTIFACTS
"""
import datetime
import json
import os
import shutil
import subprocess
import sys

import checks as c
import tockly_e2e as e2e

SCREEN = (0, 0, 1024, 768)
POPUP_CLASS = "TocklyWindow"
POPUP_LABEL = "0x160100c6"
REMINDER_PREFIX = "闹钟提示: "
ABOUT_TEXT = "Tockly 桌面闹钟 1.0 · 右键关闭"
CHIME_TEXT = "现在时间: 14:00:00"
# Room before the first reminder for a slow machine to start Tockly and open About.
CLOCK_START = "2024-05-20 13:59:00"
# The messages, by name: Chinese reminders of 8, 16, 17 and 20 characters, a 40-byte mix.
MESSAGES = {
    "8": ("13:59:40", "下午开会记得带伞"),
    "16": ("13:59:40", "下午三点在二楼会议室开项目周例会"),
    "17": ("13:59:43", "请把第三季度的销售报告发给王总经理"),
    "20": ("13:59:46", "请把第三季度的销售报告发给王经理和李主任"),
    "mix40": ("14:00:00", "Call Mr. Li 确认Q3报告 at 10:30 明天下午"),
}
# Due once the chime has closed itself (5 s after 14:00:00).
LATE = ("14:00:09", "晚到的提醒")
FILLER_ROWS = 35
REMINDER_LABEL = "     温馨提示    "
WM_VSCROLL, SB_BOTTOM = 0x115, 7


def scale(design, dpi):
    return (design * dpi + 48) // 96


def gbk_row(at, message):
    return at + REMINDER_LABEL + message


def write_table(app_dir):
    rows = [gbk_row(at, message) for at, message in MESSAGES.values()] + [gbk_row(*LATE)]
    rows += [gbk_row(f"03:{i // 60:02d}:{i % 60:02d}", f"第{i + 1}行") for i in range(FILLER_ROWS)]
    with open(os.path.join(app_dir, "data.ini"), "wb") as f:
        f.write(("[表]\r\n时表=" + "".join(row + "@" for row in rows) + "\r\n").encode("gbk"))
    return len(rows)


def set_dpi(session, dpi):
    for key in (r"HKCU\Control Panel\Desktop", r"HKCC\Software\Fonts"):
        session.wine_run("reg", "add", key, "/v", "LogPixels", "/t", "REG_DWORD", "/d", str(dpi), "/f")


def popup_windows(session):
    status, lines = session.driver("wait", "--class", POPUP_CLASS, "--timeout", 500)
    return [w for w in lines if isinstance(w, dict) and w.get("title") == ""]


def opened_popups(trace):
    return [line for line in trace if line.get("kind") == "open" and line.get("window", "").lower() == e2e.POPUP_WINDOW]


def label_lines(trace):
    """The last layout the host traced for each popup label text."""
    found = {}
    for line in trace:
        if line.get("kind") == "label_lines" and line.get("unit", "").lower() == POPUP_LABEL:
            found[line["text"]] = line
    return found


def text_box(screenshot, box):
    """(left, top, right, bottom) of the drawn text's pixels in the part `box` of the screenshot,
    relative to it: every pixel clearly brighter than the popup's black ground."""
    x, y, w, h = box
    raw = subprocess.run(["convert", screenshot, "-crop", f"{w}x{h}+{x}+{y}", "+repage", "-depth", "8", "rgb:-"],
                         capture_output=True, timeout=30).stdout
    columns, rows = [], []
    for i in range(min(len(raw) // 3, w * h)):
        if max(raw[3 * i], raw[3 * i + 1], raw[3 * i + 2]) > 80:
            columns.append(i % w)
            rows.append(i // w)
    return (min(columns), min(rows), max(columns), max(rows)) if columns else None


def check_main_window(tockly, ids, dpi, checks):
    main = tockly.main
    design = (50, 50, 383, 513)
    x, y, w, h = main["x"], main["y"], main["w"], main["h"]
    inside = x >= SCREEN[0] and y >= SCREEN[1] and x + w <= SCREEN[2] and y + h <= SCREEN[3]
    checks.check(inside, f"{dpi} DPI: the main window lies inside the screen", str((x, y, w, h)))
    wanted = tuple(scale(v, dpi) for v in design)
    fits = wanted[1] + wanted[3] <= SCREEN[3]
    checks.check(x == wanted[0] and (y == wanted[1] if fits else y == max(SCREEN[1], SCREEN[3] - wanted[3])),
                 f"{dpi} DPI: it keeps its design place where it fits, moved only as far as needed",
                 f"at {(x, y)}, design {wanted[:2]}")
    listbox = tockly.controls()[ids["列表框1"]]
    checks.check(listbox["y"] + listbox["h"] <= main["client_h"], f"{dpi} DPI: the whole table is in the window",
                 f"list bottom {listbox['y'] + listbox['h']}, client height {main['client_h']}")


def check_popups(session, tockly, dpi, artifacts, checks, figures):
    """About and six popups stand at once; returns the chime's box."""
    windows = popup_windows(session)
    shot = os.path.join(artifacts, f"popups-{dpi}dpi.png")
    session.screenshot(shot)
    by_text = {tockly.popup_text(w): w for w in windows}
    # On a slow machine the chime may have closed itself (after 5 s) before its text was read.
    trace = tockly.trace()
    chime_serials = {line["serial"] for line in trace if line.get("kind") == "label_lines" and line["text"] == CHIME_TEXT}
    if None in by_text and CHIME_TEXT not in by_text and any(
            line.get("kind") == "close" and line.get("serial") in chime_serials for line in trace):
        by_text[CHIME_TEXT] = by_text.pop(None)
    expected = [ABOUT_TEXT, CHIME_TEXT] + [REMINDER_PREFIX + message for _, message in MESSAGES.values()]
    checks.equal(sorted(by_text), sorted(expected), f"{dpi} DPI: About, the chime and the five reminders are shown")
    width, height, gap = scale(344, dpi), scale(40, dpi), scale(4, dpi)
    boxes = {text: (w["x"], w["y"], w["w"], w["h"]) for text, w in by_text.items()}
    checks.equal(boxes.get(ABOUT_TEXT), (scale(50, dpi), scale(50, dpi), width, height),
                 f"{dpi} DPI: About, opened first, keeps the design place")
    slots = [(scale(50, dpi), scale(50, dpi) + i * (height + gap), width, height) for i in range(len(expected))]
    checks.equal(sorted(boxes.values(), key=lambda b: b[1]), slots,
                 f"{dpi} DPI: each newer popup stands in the nearest free place below, none on another")
    checks.check(all(w["topmost"] for w in windows), f"{dpi} DPI: every popup stays on top")
    about = by_text.get(ABOUT_TEXT)
    checks.check(about is not None and about["visible"] and about["enabled"],
                 f"{dpi} DPI: About is still in sight and takes its right-click while the others came")

    layouts = label_lines(tockly.trace())
    for text, box in boxes.items():
        name = next((n for n, (_, m) in MESSAGES.items() if text == REMINDER_PREFIX + m),
                    "about" if text == ABOUT_TEXT else "chime")
        subprocess.run(["convert", shot, "-crop", "{2}x{3}+{0}+{1}".format(*box), "+repage",
                        os.path.join(artifacts, f"popup-{dpi}dpi-{name}.png")], capture_output=True, timeout=30)
        drawn = text_box(shot, box)
        # Text cut at an edge would reach it.
        inside = (drawn is not None and drawn[0] >= 1 and drawn[2] <= box[2] - 2 and drawn[1] >= 1 and
                  drawn[3] <= box[3] - 2)
        checks.check(inside, f"{dpi} DPI, {name}: every drawn text column and row lies inside the popup",
                     f"text pixels {drawn}, popup {box[2]} x {box[3]}")
        layout = layouts.get(text)
        if not checks.check(layout is not None, f"{dpi} DPI, {name}: the host traced the label's layout"):
            continue
        one_line = layout["text_width"] <= layout["room"]
        figures[f"{dpi} DPI, {name}: text width on one line / label width, lines"] = (
            layout["text_width"], layout["room"], layout["lines"])
        checks.check(layout["lines"] == (1 if one_line else 2) and layout["shown"] == layout["lines"],
                     f"{dpi} DPI, {name}: one line when it fits, else centred lines, all shown", str(layout))
        if name in ("about", "chime"):
            checks.check(one_line, f"{dpi} DPI, {name}: stays on one line as before", str(layout))
    return boxes.get(CHIME_TEXT)


def check_scrolling(session, tockly, ids, dpi, rows, checks):
    listbox = tockly.controls()[ids["列表框1"]]
    session.driver("post", listbox["hwnd"], WM_VSCROLL, SB_BOTTOM, 0)
    scrolled = tockly.controls()[ids["列表框1"]]
    checks.check(len(scrolled["items"]) == rows and scrolled["top"] > 0,
                 f"{dpi} DPI: the {rows}-row table is scrolled to its end", f"top row {scrolled['top']}")
    e2e.choose_time(tockly, ids, datetime.datetime(1900, 1, 1, 15, 0, 0))
    session.driver("click", tockly.controls()[ids["按钮1"]]["hwnd"])
    after = tockly.controls()[ids["列表框1"]]
    checks.check(after["items"][0].startswith("15:00:00") and after["top"] == 0,
                 f"{dpi} DPI: \"添加时间\" puts the new row at the top, in view", f"top row {after['top']}, "
                 f"first {after['items'][0]!r}")


def run_at(session, checks, dist, expectations, work, artifacts, dpi, figures):
    ids = e2e.ids_by_name(expectations)
    set_dpi(session, dpi)
    app_dir = os.path.join(work, f"app-{dpi}")
    shutil.rmtree(app_dir, ignore_errors=True)
    os.makedirs(app_dir)
    for name in ("Tockly.exe", "corlb.xrt"):
        shutil.copy(os.path.join(dist, name), app_dir)
    rows = write_table(app_dir)
    tockly = e2e.Tockly(session, app_dir, artifacts, f"popups-{dpi}dpi", clock_start=CLOCK_START)
    if not checks.check(tockly.main is not None, f"{dpi} DPI: the main window shows"):
        return
    check_main_window(tockly, ids, dpi, checks)
    session.screenshot(os.path.join(artifacts, f"main-window-{dpi}dpi.png"))

    # About first, before any reminder is due.
    checks.check(tockly.menu(0), f"{dpi} DPI: the System menu opens")
    about = c.winenv.wait_for(lambda: opened_popups(tockly.trace()), 30)
    checks.check(about and about[0]["modal"] and about[0]["clock"] < "2024-05-20 13:59:40",
                 f"{dpi} DPI: About is open before the first reminder is due", str(about[:1]))
    # About, four reminders in three seconds, then the chime and the 40-byte reminder at 14:00:00.
    expected_open = 2 + len(MESSAGES)
    if not checks.check(c.winenv.wait_for(lambda: len(opened_popups(tockly.trace())) >= expected_open, 120),
                        f"{dpi} DPI: every popup opened", str(len(opened_popups(tockly.trace())))):
        return
    chime = check_popups(session, tockly, dpi, artifacts, checks, figures)

    # The chime closes itself; the next popup takes its place.
    late_text = REMINDER_PREFIX + LATE[1]
    late = c.winenv.wait_for(lambda: [w for w in popup_windows(session) if tockly.popup_text(w) == late_text], 60)
    if checks.check(bool(late), f"{dpi} DPI: the later reminder shows"):
        checks.equal((late[0]["x"], late[0]["y"], late[0]["w"], late[0]["h"]), chime,
                     f"{dpi} DPI: it takes the place the chime left")

    # Right-clicks close About (the main window takes input again) and every reminder.
    for window in popup_windows(session):
        session.driver("right-click", window["hwnd"])
    checks.check(c.winenv.wait_for(lambda: not popup_windows(session), 30),
                 f"{dpi} DPI: right-clicks close every popup")
    main = session.wait_window(title_prefix=e2e.TITLE_PREFIX, timeout_ms=20000)
    checks.check(main is not None and main["enabled"], f"{dpi} DPI: the main window takes input again")

    check_scrolling(session, tockly, ids, dpi, rows, checks)
    e2e.check_every_second_once(tockly, checks, figures)
    checks.check(tockly.menu(1), f"{dpi} DPI: the System menu opens for Exit")
    checks.equal(tockly.exit_code(), 0, f"{dpi} DPI: Exit ends Tockly with exit code 0")


def body(session, checks, dist, expectations_path, work, artifacts):
    with open(expectations_path, encoding="utf-8") as f:
        expectations = json.load(f)
    os.makedirs(artifacts, exist_ok=True)
    figures = {}
    try:
        for dpi in (96, 144):
            run_at(session, checks, dist, expectations, work, artifacts, dpi, figures)
    finally:
        set_dpi(session, 96)  # the prefix is shared with the other tests
    for name, value in figures.items():
        print(f"figure: {name}: {value}")
    print(f"artifacts (screenshots, traces): {artifacts}")


if __name__ == "__main__":
    if not shutil.which("convert"):
        sys.exit(c.winenv.skipped("convert is not installed"))
    wine, dist, driver, expectations, work, prefix, artifacts = c.main_args(__doc__.split("usage: ")[1], 7)
    sys.exit(c.run_script(lambda session, checks: body(session, checks, dist, expectations, work, artifacts),
                          wine, work, prefix, driver))

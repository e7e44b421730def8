"""The driver against a stand-in program of known shape: it must find the window, report each
control's class, text, place and state as they are, and its actions must reach the program."""
import subprocess
import sys

import checks as c

STAND_IN_TITLE = "Tockly —— stand-in"


def body(session, checks, stand_in, work):
    process = session.start(stand_in, cwd=work)
    main = session.wait_window(title_prefix="Tockly ——", timeout_ms=20000)
    if not checks.check(main is not None, "the stand-in's window is found by its title prefix"):
        return
    checks.equal((main["title"], main["x"], main["y"], main["w"], main["h"]),
                 (STAND_IN_TITLE, 50, 50, 383, 513), "title and outer place")
    hwnd = main["hwnd"]

    def controls():
        return {child["id"]: child for child in session.children(hwnd)}

    found = controls()
    expected = {  # id: class, text, client rect (the check box is inside the group box)
        101: ("Static", "00:", (71, 10, 88, 56)),
        102: ("Button", "添加时间", (103, 333, 81, 22)),
        104: ("Edit", "---- 填写提示信息！----", (103, 234, 256, 20)),
        106: ("Button", "选择功能", (10, 185, 358, 40)),
        107: ("Button", "取消报时", (22, 199, 80, 22)),
    }
    for control_id, (cls, text, rect) in expected.items():
        child = found.get(control_id, {})
        checks.equal((child.get("class"), child.get("text"), tuple(child.get(k) for k in "xywh")),
                     (cls, text, rect), f"control {control_id} reported as it is")
    checks.equal(found.get(103, {}).get("items"), ["01", "02", "00"], "combo box items")
    checks.equal(found.get(107, {}).get("parent"), found.get(106, {}).get("hwnd"), "nested control's parent")

    session.driver("choose", found[103]["hwnd"], 2)
    checks.equal(controls()[101]["text"], "00", "choose: the program saw the combo box choice")
    session.driver("click", found[102]["hwnd"])
    checks.equal(controls()[105].get("items"), ["08:05:00     温馨提示    开会"], "click: a row was added")
    session.driver("set-text", found[104]["hwnd"], "你好 Tockly")
    checks.equal(controls()[101]["text"], "你好 Tockly", "set-text: the edit box told its parent")
    session.driver("list-dblclick", found[105]["hwnd"], 0)
    checks.equal(controls()[101]["text"], "row 0", "list-dblclick: the double-click reached the program")

    session.driver("right-click", hwnd, 20, 20)
    status, _ = session.driver("menu-choose", 0)
    checks.equal(status, 0, "menu-choose: the pop-up menu was found")
    popup = session.wait_window(cls="StandInPopup", timeout_ms=5000)
    if checks.check(popup is not None, "menu item 0 (About) opened the popup"):
        checks.check(popup["topmost"], "the popup is reported topmost")
        session.driver("right-click", popup["hwnd"])
        checks.check(session.wait_window(cls="StandInPopup", state="gone", timeout_ms=5000),
                     "right-click on the popup's disabled label closed it")

    session.driver("minimize", hwnd)
    checks.check(session.wait_window(title=STAND_IN_TITLE, state="hidden", timeout_ms=5000) is not None,
                 "minimize hid the window")
    checks.check(session.wait_window(title="Wine System Tray", timeout_ms=5000) is not None,
                 "a tray icon is shown")
    session.driver("post", hwnd, 0x8001, 0, 0x202)
    checks.check(session.wait_window(title=STAND_IN_TITLE, timeout_ms=5000) is not None,
                 "the tray message brought the window back")

    session.driver("right-click", hwnd, 20, 20)
    session.driver("menu-choose", 1)
    try:
        code = process.wait(timeout=15)
    except subprocess.TimeoutExpired:
        code = None
    checks.equal(code, 0, "menu item 1 (Exit) ended the program with 0")
    checks.check(session.wait_window(title="Wine System Tray", state="none-visible", timeout_ms=5000),
                 "the tray icon went with the program")
    status, _ = session.driver("click", hwnd)
    checks.check(status != 0, "a window that is gone is reported as not found")


if __name__ == "__main__":
    wine, stand_in, work, prefix, driver = c.main_args("driver_test.py WINE STAND_IN WORK PREFIX DRIVER", 5)
    sys.exit(c.run_script(lambda session, checks: body(session, checks, stand_in, work), wine, work, prefix,
                          driver))

"""Small helpers shared by the Wine test scripts: named checks that collect failures, and the
common start of every script (loader, prefix, session, exit code 77 when the machine cannot run it)."""
import os
import sys
import traceback

import winenv


class Checks:
    def __init__(self):
        self.failures = []

    def check(self, condition, what, detail=""):
        if condition:
            print(f"ok: {what}")
        else:
            message = f"{what}: {detail}" if detail else what
            print(f"FAIL: {message}")
            self.failures.append(message)
        return condition

    def equal(self, actual, expected, what):
        return self.check(actual == expected, what, f"got {actual!r}, expected {expected!r}")


def run_script(body, wine, work, prefix, driver):
    """Runs body(session, checks) in a fresh session; returns the script's exit status."""
    try:
        wine = winenv.wine_loader(wine)
    except winenv.Skip as reason:
        return winenv.skipped(str(reason))
    winenv.prepare_prefix(wine, work, prefix)
    checks = Checks()
    session = None
    try:
        session = winenv.Session(wine, work, prefix, driver)
        body(session, checks)
    except winenv.Skip as reason:
        return winenv.skipped(str(reason))
    except Exception:  # a broken step is a failure of the test, with its trace
        traceback.print_exc()
        checks.failures.append("the script stopped early")
    finally:
        if session:
            session.close()
    if checks.failures:
        print(f"{len(checks.failures)} failure(s)")
        return 1
    print("all checks passed")
    return 0


def main_args(usage, count):
    if len(sys.argv) != count + 1:
        print("usage: " + usage, file=sys.stderr)
        sys.exit(2)
    return sys.argv[1:]

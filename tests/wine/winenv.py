"""The one place that starts Wine for the i686 build: a virtual display, a PulseAudio null sink that
stands in for a sound card, a Wine prefix with the CJK font mapping, the Chinese locale, and, where
32-bit programs run on the user-mode emulator (scripts/wine32/setup.sh), the trap-number fix.

Also a command line:
  python3 winenv.py prefix WINE DIR                       makes a fresh prefix in DIR
  python3 winenv.py run WINE WORK PREFIX [--sound] -- COMMAND...
      runs COMMAND with the session's environment: WINEPREFIX (made when missing), DISPLAY (a
      virtual one unless TOCKLY_WINE_DISPLAY names one), the locale, TOCKLY_WINE (the loader) and
      the preload; with --sound, a null sink too. Exits with COMMAND's status.
A machine that cannot run the test gives exit code 77 (skipped), except under CI=true, where a test
that cannot run fails. Every helper here runs its programs with a timeout, so nothing hangs.
"""
import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

SKIP = 77

# Present and enabled when i386 programs run on the emulator; the fault signals then need the
# trap-number fix preloaded (the emulator leaves the trap number out of the signal frames).
EMULATOR_ENTRY = "/proc/sys/fs/binfmt_misc/tockly-i386"
TRAP_NUMBER_FIX = "/usr/local/lib/tockly-wine32/$LIB/libtockly-trap-number.so"

WINE_FONTS = "/usr/share/wine/fonts"

# Faces the form names that Wine does not have; both are mapped to an installed CJK face.
FONT_REPLACEMENTS = {"宋体": "WenQuanYi Micro Hei", "黑体": "WenQuanYi Micro Hei",
                     "SimSun": "WenQuanYi Micro Hei", "SimHei": "WenQuanYi Micro Hei"}


# No pipes to programs that may leave Wine services or daemons behind holding them open.
QUIET = {"stdin": subprocess.DEVNULL, "stdout": subprocess.DEVNULL, "stderr": subprocess.DEVNULL}


class Skip(Exception):
    """This machine cannot run the test (the reason is the message)."""


def skipped(reason):
    """Reports a test that cannot run here; its exit status: 77, or a failure under CI."""
    if os.environ.get("CI") == "true":
        print(f"FAIL: cannot run under CI: {reason}")
        return 1
    print(f"skipped: {reason}")
    return SKIP


def emulated():
    """Whether i386 programs run on the user-mode emulator here."""
    try:
        with open(EMULATOR_ENTRY) as f:
            return f.readline().strip() == "enabled"
    except OSError:
        return False


def wine_loader(requested):
    """The Wine loader to use, or Skip with the reason it cannot run here."""
    path = shutil.which(requested) or (requested if os.access(requested, os.X_OK) else None)
    if not path:
        raise Skip(f"{requested} is not installed")
    try:
        subprocess.run([path, "--version"], capture_output=True, timeout=30, check=True)
    except (OSError, subprocess.SubprocessError) as error:
        raise Skip(f"{requested} cannot run here ({error}); run scripts/install-deps.sh, which sets up "
                   "32-bit Wine for this kernel") from error
    return path


def base_env(wine, prefix):
    env = dict(os.environ)
    env.update(WINEPREFIX=prefix, WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=",
               LANG="zh_CN.UTF-8", LC_ALL="zh_CN.UTF-8", TOCKLY_WINE=wine)
    env.pop("WINELOADER", None)
    if emulated():
        env["LD_PRELOAD"] = TRAP_NUMBER_FIX
    return env


def make_prefix(wine, prefix, env=None):
    """A fresh prefix with the font replacements (about 15-60 s)."""
    shutil.rmtree(prefix, ignore_errors=True)
    os.makedirs(os.path.dirname(prefix) or ".", exist_ok=True)
    env = dict(env or base_env(wine, prefix), WINEPREFIX=prefix)
    env.pop("DISPLAY", None)  # wineboot needs no display; nothing may wait for one
    subprocess.run([wine, "wineboot", "-i"], env=env, timeout=240, check=True, **QUIET)
    # Wine's own fonts (the caption buttons' symbols among them) are not found where the package
    # puts them; the prefix's font folder is always searched.
    fonts = os.path.join(prefix, "drive_c", "windows", "Fonts")
    if os.path.isdir(WINE_FONTS):
        os.makedirs(fonts, exist_ok=True)
        for name in os.listdir(WINE_FONTS):
            shutil.copy(os.path.join(WINE_FONTS, name), fonts)
    regfile = os.path.join(prefix, "fonts.reg")
    with open(regfile, "w", encoding="utf-16") as out:
        out.write("Windows Registry Editor Version 5.00\r\n\r\n")
        out.write("[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n")
        for face, replacement in FONT_REPLACEMENTS.items():
            out.write(f'"{face}"="{replacement}"\r\n')
        # No window manager runs on the virtual display: Wine places and frames the windows itself
        # instead of waiting at every hide for a manager to answer.
        out.write("\r\n[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\r\n\"Managed\"=\"N\"\r\n")
    subprocess.run([wine, "regedit", "/S", regfile], env=env, timeout=120, check=True, **QUIET)
    wineserver(env, "-w")


def prepare_prefix(wine, work, prefix):
    """The work folder, and the prefix unless it is there already."""
    os.makedirs(work, exist_ok=True)
    if not os.path.isdir(os.path.join(prefix, "drive_c")):
        make_prefix(wine, prefix)


def wait_for(condition, timeout, interval=0.05):
    """Polls `condition` until it gives a true value, which is returned; after `timeout` seconds
    its last value."""
    deadline = time.time() + timeout
    while time.time() < deadline:
        value = condition()
        if value:
            return value
        time.sleep(interval)
    return condition()


def read_json_lines(path):
    """The JSON objects of a file written a line each (a trace), skipping a line cut short."""
    lines = []
    if os.path.exists(path):
        with open(path, encoding="utf-8", errors="replace") as f:
            for line in f:
                try:
                    lines.append(json.loads(line))
                except ValueError:
                    pass
    return lines


def wineserver(env, *args):
    try:
        subprocess.run(["wineserver", *args], env=env, timeout=60, **QUIET)
    except subprocess.TimeoutExpired:
        pass


class Session:
    """Display, sound and prefix for one run; `close` stops all of it."""

    def __init__(self, wine, work, prefix, driver=None, display=None):
        self.wine = wine
        self.work = work
        self.prefix = prefix
        self.driver_exe = driver
        self.env = base_env(wine, prefix)
        self._xvfb = None
        self._pulse_dir = None
        self._pulse_pid = None
        self._processes = []
        # A server left from an earlier run of this prefix would keep its old display.
        wineserver(self.env, "-k")
        if display:
            self.env["DISPLAY"] = display
        else:
            self._start_display()
        # The first program of a server starts Wine's own services; wait for them once here, so
        # that no timed step of a test pays for it.
        started = time.time()
        subprocess.run([wine, "cmd", "/c", "exit"], env=self.env, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=240)
        if driver:
            self.driver("top")  # and the desktop process
        self.warm_up_seconds = time.time() - started

    # --- Display -------------------------------------------------------------------------------
    def _start_display(self):
        if not shutil.which("Xvfb"):
            raise Skip("Xvfb is not installed")
        read_fd, write_fd = os.pipe()
        self._xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
            pass_fds=(write_fd,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_fd)
        number = b""
        deadline = time.time() + 20
        while time.time() < deadline and not number.endswith(b"\n"):
            chunk = os.read(read_fd, 16)
            if not chunk:
                break
            number += chunk
        os.close(read_fd)
        if not number.strip():
            raise Skip("Xvfb did not start")
        self.env["DISPLAY"] = ":" + number.decode().strip()

    # --- Sound ---------------------------------------------------------------------------------
    def start_sound(self):
        """A PulseAudio server of our own with a null sink; False when PulseAudio is missing."""
        if not shutil.which("pulseaudio") or not shutil.which("parec"):
            return False
        self._pulse_dir = tempfile.mkdtemp(prefix="pulse-", dir=self.work)
        run_dir = os.path.join(self._pulse_dir, "run")
        home = os.path.join(self._pulse_dir, "home")
        os.makedirs(home)
        self.env.update(PULSE_RUNTIME_PATH=run_dir, PULSE_SERVER="unix:" + os.path.join(run_dir, "native"),
                        HOME=home, XDG_CONFIG_HOME=os.path.join(home, ".config"))
        subprocess.run(["pulseaudio", "--daemonize=yes", "--exit-idle-time=-1", "-n", "--use-pid-file=yes",
                        "--load=module-null-sink sink_name=null",
                        "--load=module-native-protocol-unix"],
                       env=self.env, timeout=30, **QUIET)
        pid_file = os.path.join(run_dir, "pid")
        deadline = time.time() + 10
        while time.time() < deadline and not os.path.exists(pid_file):
            time.sleep(0.1)
        if not os.path.exists(pid_file):
            return False
        with open(pid_file) as f:
            self._pulse_pid = int(f.read().strip())
        return True

    def record(self, path):
        """Starts recording what reaches the null sink into a WAV file; stop it with stop()."""
        process = subprocess.Popen(["parec", "-d", "null.monitor", "--file-format=wav", "--rate=16000",
                                    "--channels=1", path], env=self.env,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self._processes.append(process)
        return process

    def record_for(self, path, seconds):
        """Records what reaches the null sink for `seconds` into a WAV file."""
        recorder = self.record(path)
        time.sleep(seconds)
        recorder.send_signal(signal.SIGINT)
        recorder.wait(timeout=10)

    # --- Programs ------------------------------------------------------------------------------
    def start(self, exe, cwd, extra_env=None, log=None, args=()):
        env = dict(self.env, **(extra_env or {}))
        out = open(log, "ab") if log else subprocess.DEVNULL
        process = subprocess.Popen([self.wine, exe, *args], cwd=cwd, env=env, stdin=subprocess.DEVNULL, stdout=out,
                                   stderr=out)
        self._processes.append(process)
        return process

    def wine_run(self, *args, timeout=60):
        """Runs a Wine program to its end; its output (through a file, as for the driver)."""
        with tempfile.TemporaryFile() as out:
            subprocess.run([self.wine, *args], env=self.env, stdin=subprocess.DEVNULL, stdout=out,
                           stderr=subprocess.DEVNULL, timeout=timeout)
            out.seek(0)
            return out.read().decode("utf-8", "replace")

    def winepath(self, path):
        return self.wine_run("winepath", "-w", path).strip()

    def driver(self, *args, timeout=30):
        """Runs a driver command: (exit status, output lines as parsed JSON where they are)."""
        # Output through a file, not a pipe: a Wine service that the driver happens to start
        # inherits its handles and would hold a pipe open long after the driver has ended.
        with tempfile.TemporaryFile() as out:
            result = subprocess.run([self.wine, self.driver_exe, *[str(a) for a in args]], env=self.env,
                                    stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.DEVNULL,
                                    timeout=timeout)
            out.seek(0)
            text = out.read().decode("utf-8", "replace")
        lines = []
        for line in text.splitlines():
            try:
                lines.append(json.loads(line))
            except ValueError:
                lines.append(line)
        return result.returncode, lines

    def wait_window(self, timeout_ms=10000, state="visible", **match):
        args = ["wait", "--state", state, "--timeout", timeout_ms]
        for key, value in match.items():  # title, title_prefix, cls, pid
            args += ["--" + ("class" if key == "cls" else key.replace("_", "-")), value]
        status, lines = self.driver(*args, timeout=timeout_ms / 1000 + 30)
        if state in ("gone", "none-visible"):
            return status == 0
        return lines[0] if status == 0 and lines else None

    def children(self, hwnd, longest_item=None, timeout=30):
        """Every descendant; with `longest_item`, list and combo box items longer than that have a
        null text (their lengths are still given)."""
        extra = ["--longest-item", longest_item] if longest_item is not None else []
        return [line for line in self.driver("children", hwnd, *extra, timeout=timeout)[1] if isinstance(line, dict)]

    def screenshot(self, path, rect=None):
        """The whole display, or the part `rect` = (x, y, w, h) of it, as a PNG."""
        command = ["import", "-window", "root"]
        if rect:
            x, y, w, h = rect
            command += ["-crop", f"{w}x{h}+{max(x, 0)}+{max(y, 0)}", "+repage"]
        subprocess.run(command + [path], env=self.env, capture_output=True, timeout=30)
        return os.path.exists(path)

    # --- The end -------------------------------------------------------------------------------
    def close(self):
        for process in self._processes:
            if process.poll() is None:
                process.send_signal(signal.SIGINT)
        for process in self._processes:
            try:
                process.wait(timeout=5)
            except subprocess.TimeoutExpired:
                process.kill()
        wineserver(self.env, "-k")
        if self._pulse_pid:
            try:
                os.kill(self._pulse_pid, signal.SIGTERM)
            except ProcessLookupError:
                pass
        if self._xvfb:
            self._xvfb.terminate()
            try:
                self._xvfb.wait(timeout=5)
            except subprocess.TimeoutExpired:
                self._xvfb.kill()
        if self._pulse_dir:
            shutil.rmtree(self._pulse_dir, ignore_errors=True)


def run_command(wine, work, prefix, command, sound=False):
    """Runs command in a session of its own; its exit status (77 / failure when it cannot run)."""
    prepare_prefix(wine, work, prefix)
    session = None
    try:
        session = Session(wine, work, prefix, display=os.environ.get("TOCKLY_WINE_DISPLAY"))
        if sound and not session.start_sound():
            return skipped("PulseAudio could not start a null sink")
        with subprocess.Popen(command, env=session.env, stdin=subprocess.DEVNULL) as process:
            try:
                return process.wait()
            except BaseException:
                process.kill()
                raise
    except Skip as reason:
        return skipped(str(reason))
    finally:
        if session:
            session.close()


def main(argv):
    usage = "usage: winenv.py prefix WINE DIR | run WINE WORK PREFIX [--sound] -- COMMAND..."
    if len(argv) >= 2 and argv[1] in ("prefix", "run"):
        try:
            wine = wine_loader(argv[2]) if len(argv) > 2 else None
        except Skip as reason:
            return skipped(str(reason))
        if argv[1] == "prefix" and len(argv) == 4:
            make_prefix(wine, argv[3])
            print(f"prefix ready: {argv[3]}")
            return 0
        if argv[1] == "run" and "--" in argv and argv.index("--") >= 5:
            split = argv.index("--")
            options = argv[5:split]
            if set(options) - {"--sound"} or split + 1 == len(argv):
                print(usage, file=sys.stderr)
                return 2
            return run_command(wine, os.path.abspath(argv[3]), os.path.abspath(argv[4]), argv[split + 1:],
                               sound="--sound" in options)
    print(usage, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))

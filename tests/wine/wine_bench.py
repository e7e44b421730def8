"""Tockly's figures under Wine, for the benchmark table: the shipped i686 build started with tables of
several sizes, one after another in one session, so that ratios are taken side by side.

For each table size: start-up (the process started until the host's trace says the main window is
shown; the median of several starts taken in turn with the other sizes), memory (the heap in use
when the main window is shown, from the trace; the process's private memory on this system against
an empty Win32 program under the same Wine), the
tick's lag after the second boundary and its length (both from the trace, after the first five
seconds), a save of the whole table on the window thread (a click on 删除时间 with no row
selected, which leaves the file as it is), and a save that changes the file (a click on 添加时间)
until the writer thread's "saved" in the trace, both from the click and from the new row's insert
into the list box (where the save itself begins), beside the same data.ini bytes written by the
host's own file replacement alone (the driver's replace-file). Each is the median of several.
Prints one JSON object per size, then a table.

usage: wine_bench.py WINE DIST_DIR DRIVER EMPTY_EXE EXPECTATIONS.json WORK PREFIX [ROWS,ROWS,...]
"""
import datetime
import json
import os
import shutil
import statistics
import sys
import time

import winenv

MAIN_WINDOW = "0x52010001"
WM_COMMAND = 0x111
CLOCK_START = "2026-03-02 08:00:30"  # no hourly chime during a run
STARTS = 5  # start-ups of each size, taken in turn (A B C A B C ...)
TICK_SECONDS = 20  # how long each size runs for the tick figures
SAVES = 5  # saves of each kind at each size, the median kept


def count_lines(trace_path, kind, name=None):
    return sum(1 for l in winenv.read_json_lines(trace_path)
               if l.get("kind") == kind and (name is None or l.get("name") == name))


def click_times(session, hwnd, button_id, trace_path, kind, name=None):
    """Clicks the button SAVES times, each once the trace has a new line of the given kind (and
    name) for the click before, with a second of ticks between the clicks."""
    before = count_lines(trace_path, kind, name)
    for n in range(1, SAVES + 1):
        session.driver("post", hwnd, WM_COMMAND, button_id, 1)
        winenv.wait_for(lambda: count_lines(trace_path, kind, name) >= before + n, 600)
        time.sleep(1)


def parse_clock(text):
    return datetime.datetime.strptime(text, "%Y-%m-%d %H:%M:%S.%f")


def table_file(rows):
    """data.ini with `rows` run-program entries, all due in the afternoon (none fires during a run)."""
    value = ""
    for i in range(rows):
        second = 43200 + i % 43200
        value += f"{second // 3600:02d}:{second // 60 % 60:02d}:{second % 60:02d}     运行程序    C:\\Tools\\job{i}.exe@"
    return ("[表]\r\n时表=" + value + "\r\n").encode("gbk")


def private_kb(pid):
    """Private memory of a process (clean and dirty), in KB; None when it cannot be read."""
    try:
        total = 0
        with open(f"/proc/{pid}/smaps_rollup") as f:
            for line in f:
                if line.startswith(("Private_Clean:", "Private_Dirty:")):
                    total += int(line.split()[1])
        return total
    except OSError:
        return None


def percentile(values, fraction):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(round(fraction * (len(ordered) - 1))))]


class TraceTail:
    """Reads a growing trace file from where it was last read."""

    def __init__(self, path):
        self.path = path
        self.offset = 0
        self.pending = b""

    def new_lines(self):
        try:
            with open(self.path, "rb") as f:
                f.seek(self.offset)
                data = f.read()
        except OSError:
            return []
        self.offset += len(data)
        data = self.pending + data
        *complete, self.pending = data.split(b"\n")
        return complete


def prepare(work, dist, rows):
    app_dir = os.path.join(work, f"app-{rows}")
    os.makedirs(app_dir, exist_ok=True)
    for name in ("Tockly.exe", "corlb.xrt"):
        shutil.copy(os.path.join(dist, name), app_dir)
    data = os.path.join(app_dir, "data.ini")
    if rows:
        with open(data, "wb") as f:
            f.write(table_file(rows))
    elif os.path.exists(data):
        os.remove(data)
    return app_dir


def start(session, work, dist, rows, name):
    """Starts Tockly with a table of `rows`; (process, trace path, seconds until the main window is shown)."""
    app_dir = prepare(work, dist, rows)
    trace_path = os.path.join(work, f"trace-{name}.jsonl")
    if os.path.exists(trace_path):
        os.remove(trace_path)
    tail = TraceTail(trace_path)
    marker = ('"kind":"open","window":"' + MAIN_WINDOW.upper().replace("0X", "0x") + '"').encode()
    started = time.time()
    process = session.start(os.path.join(app_dir, "Tockly.exe"), cwd=app_dir,
                            extra_env={"TOCKLY_TRACE": trace_path, "TOCKLY_CLOCK_START": CLOCK_START},
                            log=os.path.join(work, f"wine-{name}.log"))
    shown = winenv.wait_for(lambda: any(marker in line for line in tail.new_lines()), 900)
    if not shown:
        return process, trace_path, None
    return process, trace_path, shown_after(trace_path, started) or time.time() - started


def shown_after(trace_path, started):
    """Seconds from `started` (this system's time) to the main window's "open" line, from the trace's
    own clock (to the millisecond; polling the file would only be as fine as its interval). The
    trace's clock runs shifted by its start line's shift_ms."""
    lines = winenv.read_json_lines(trace_path)
    start_line = next((l for l in lines if l.get("kind") == "start"), None)
    opened = next((l for l in lines if l.get("kind") == "open" and l.get("window", "").lower() == MAIN_WINDOW), None)
    if not start_line or not opened or "shift_ms" not in start_line:
        return None
    at = parse_clock(opened["clock"]) - datetime.timedelta(milliseconds=start_line["shift_ms"])
    seconds = (at - datetime.datetime.fromtimestamp(started)).total_seconds()
    return seconds if seconds > 0 else None


def stop(session, process):
    main = session.wait_window(title_prefix="Tockly —— ", timeout_ms=60000)
    if main:
        session.driver("close", main["hwnd"])
    try:
        process.wait(timeout=60)
    except Exception:
        process.kill()
        process.wait()


def file_write_ms(session, app_dir):
    """The host's own replacement of a file with data.ini's bytes (temporary file, flush, rename)."""
    source = session.winepath(os.path.join(app_dir, "data.ini"))
    target = session.winepath(os.path.join(app_dir, "yardstick.ini"))
    times = []
    for _ in range(5):
        status, lines = session.driver("replace-file", source, target)
        timed = [l for l in lines if isinstance(l, dict) and "replace_ms" in l]
        if status == 0 and timed:
            times.append(timed[-1]["replace_ms"])
    try:
        os.remove(os.path.join(app_dir, "yardstick.ini"))
    except OSError:
        pass
    return round(statistics.median(times), 1) if times else None


def measure(session, dist, work, rows, delete_button_id, add_button_id):
    process, trace_path, _ = start(session, work, dist, rows, str(rows))
    figure = {"rows": rows}
    time.sleep(TICK_SECONDS)
    figure["private_kb"] = private_kb(process.pid)
    main = session.wait_window(title_prefix="Tockly —— ", timeout_ms=60000)
    if main:
        # The button's notification, posted as its click sends it (listing the controls would read
        # every row of the list box across processes). Each save is taken several times, a second
        # or more apart, and the median kept: one save is timed to the trace's millisecond on a
        # shared machine.
        click_times(session, main["hwnd"], delete_button_id, trace_path, "command", "ini_write")
        click_times(session, main["hwnd"], add_button_id, trace_path, "saved")
    trace = winenv.read_json_lines(trace_path)
    stop(session, process)
    figure["file_write_ms"] = file_write_ms(session, os.path.join(work, f"app-{rows}"))

    memory = next((l for l in trace if l.get("kind") == "memory"), None)
    if memory:
        figure["heap_bytes"] = memory.get("heap_bytes")
    start_line = next((l for l in trace if l.get("kind") == "start"), None)
    first = parse_clock(start_line["clock"]) if start_line else None
    events = [i for i, l in enumerate(trace) if l.get("kind") == "event"] + [len(trace)]
    lags, lengths = [], []
    saves, adds_to_disk, saves_to_disk = [], [], []
    for n, i in enumerate(events[:-1]):
        line = trace[i]
        at = parse_clock(line["clock"])
        # The event's last line is the one before the next event (or the trace's end).
        length_ms = (parse_clock(trace[events[n + 1] - 1]["clock"]) - at).total_seconds() * 1000
        if line.get("handler") == "on_delete":
            saves.append(length_ms)
        if line.get("handler") == "on_add":
            saved = next((j for j in range(i, len(trace)) if trace[j].get("kind") == "saved"), None)
            if saved is not None:
                done = parse_clock(trace[saved]["clock"])
                adds_to_disk.append((done - at).total_seconds() * 1000)
                # The save proper begins once the new row is in the list box: the insert's own
                # line is written as it returns.
                inserted = next((l for l in trace[i:saved] if l.get("kind") == "command"
                                 and l.get("name") == "list_insert"), None)
                if inserted:
                    saves_to_disk.append((done - parse_clock(inserted["clock"])).total_seconds() * 1000)
        if line.get("handler") != "on_tick" or first is None or (at - first).total_seconds() < 5:
            continue
        lags.append(at.microsecond / 1000)
        lengths.append(length_ms)
    for key, values in (("save_ms", saves), ("add_total_ms", adds_to_disk), ("save_total_ms", saves_to_disk)):
        if values:
            figure[key] = round(statistics.median(values), 1)
            figure[key.replace("_ms", "s_ms")] = [round(v, 1) for v in values]
    if lags:
        figure.update(lag_median_ms=round(statistics.median(lags), 1), lag_p99_ms=round(percentile(lags, 0.99), 1),
                      lag_max_ms=round(max(lags), 1), tick_median_ms=round(statistics.median(lengths), 2),
                      ticks=len(lags))
    return figure


def empty_program_kb(session, empty_exe, work):
    process = session.start(empty_exe, cwd=work, log=os.path.join(work, "wine-empty.log"))
    window = session.wait_window(title="Tockly —— stand-in", timeout_ms=60000)
    time.sleep(5)
    kb = private_kb(process.pid)
    if window:
        session.driver("close", window["hwnd"])
    try:
        process.wait(timeout=60)
    except Exception:
        process.kill()
    return kb


def body(session, dist, empty_exe, expectations_path, work, sizes):
    with open(expectations_path, encoding="utf-8") as f:
        expectations = json.load(f)
    ids = {control["name"]: control["id"] for control in expectations[MAIN_WINDOW.lower()]["controls"]}
    # The first start of a session pays for what Wine loads once; it is not counted.
    process, _, _ = start(session, work, dist, 0, "warm-up")
    stop(session, process)
    empty_kb = empty_program_kb(session, empty_exe, work)
    print(json.dumps({"empty_program_private_kb": empty_kb}), flush=True)
    startups = {rows: [] for rows in sizes}
    for turn in range(STARTS):
        for rows in sizes:
            process, _, seconds = start(session, work, dist, rows, f"start-{rows}")
            stop(session, process)
            if seconds is not None:
                startups[rows].append(seconds)
    figures = []
    for rows in sizes:
        figure = measure(session, dist, work, rows, ids["按钮2"], ids["按钮1"])
        if startups[rows]:
            figure["startup_s"] = round(statistics.median(startups[rows]), 2)
            figure["startups_s"] = [round(x, 2) for x in startups[rows]]
        if figure.get("private_kb") and empty_kb:
            figure["own_kb"] = figure["private_kb"] - empty_kb
        print(json.dumps(figure), flush=True)
        figures.append(figure)
    base = next((f for f in figures if f["rows"] == 0 and f.get("startup_s")), None)
    print()
    print("| rows | start-up s | × empty | heap MB | private MB over empty | tick median ms | lag median / p99 / max ms | save ms"
          " | add to disk ms | save to disk ms | × file write |")
    print("| ---: | ---: | ---: | ---: | ---: | ---: | --- | ---: | ---: | ---: | ---: |")
    for f in figures:
        ratio = f"{f['startup_s'] / base['startup_s']:.2f}" if base and f.get("startup_s") else "-"
        heap = f"{f['heap_bytes'] / 2**20:.1f}" if f.get("heap_bytes") is not None else "-"
        private = f"{f['own_kb'] / 1024:.1f}" if f.get("own_kb") is not None else "-"
        lag = (f"{f['lag_median_ms']} / {f['lag_p99_ms']} / {f['lag_max_ms']}" if "lag_median_ms" in f else "-")
        print(f"| {f['rows']} | {f.get('startup_s', '-')} | {ratio} | {heap} | {private} | {f.get('tick_median_ms', '-')} | {lag} "
              f"| {f.get('save_ms', '-')} | {f.get('add_total_ms', '-')} | {f.get('save_total_ms', '-')} | {write_ratio(f)} |")


def write_ratio(figure):
    """A save to disk against writing its bytes alone; "-" when either is missing."""
    if figure.get("save_total_ms") is None or not figure.get("file_write_ms"):
        return "-"
    return f"{figure['save_total_ms'] / figure['file_write_ms']:.2f}"


def main():
    if len(sys.argv) not in (8, 9):
        print(__doc__.split("usage: ")[1], file=sys.stderr)
        return 2
    wine, dist, driver, empty_exe, expectations, work, prefix = [
        arg if i == 0 else os.path.abspath(arg) for i, arg in enumerate(sys.argv[1:8])]
    sizes = [int(n) for n in (sys.argv[8] if len(sys.argv) == 9 else "0,1000,10000,100000").split(",")]
    try:
        wine = winenv.wine_loader(wine)
    except winenv.Skip as reason:
        return winenv.skipped(str(reason))
    winenv.prepare_prefix(wine, work, prefix)
    session = None
    try:
        session = winenv.Session(wine, work, prefix, driver)
        body(session, dist, empty_exe, expectations, work, sizes)
    except winenv.Skip as reason:
        return winenv.skipped(str(reason))
    finally:
        if session:
            session.close()
    return 0


if __name__ == "__main__":
    sys.exit(main())

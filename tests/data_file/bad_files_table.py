"""The data.ini files that no one here wrote, and what Tockly must do with each: one table for the
headless host (tockly-sim) and for the Windows host under Wine.

Every case puts a file (or a folder) where data.ini belongs. Tockly then starts and shows the rows
that can be read (`rows`), and the user adds the same new reminder twice. A file read whole keeps
every other line byte for byte and holds the shown table with the new rows on top; a file that
could not be read whole (`readable` false) is never changed, and the user is told once that the
table could not be saved.
"""
import os
import random
import shutil
import stat


def gbk(text):
    return text.encode("gbk")


ROW_A = gbk("08:05:00     温馨提示    开会")
ROW_B = gbk("23:30:00     定时关机    时间到达后将在5秒后关机！")
TABLE_KEY = gbk("时表=")
TABLE_LINE = TABLE_KEY + ROW_A + b"@" + ROW_B + b"@"
GOOD = gbk("[表]\r\n") + TABLE_LINE + gbk("\r\n铃声=D:\\ring\\bell.mp3\r\n")
NOT_GBK_ROW = gbk("09:00:00     温馨提示    ") + b"\x80\xff\xa1\x20\xfe"

# What the user adds (twice): a reminder at 08:07:01 with this message. Each time box lists 01 first,
# so 08, 07 and 01 are its items 7, 6 and 0.
NEW_TIME_ITEMS = (7, 6, 0)
NEW_MESSAGE = "新的"
NEW_ROW = gbk("08:07:01     温馨提示    " + NEW_MESSAGE)
ADDS = 2

BIG_VALUE = 100 << 20
BIG_LINE = 10 << 20


class Case:
    """`timeout`: seconds a whole run of the case may take on the headless host, with a wide margin.
    `held_open`: another program holds the file open without sharing (Windows only)."""

    def __init__(self, name, make, rows, readable=True, appended=False, timeout=60, held_open=False):
        self.name, self.make, self.rows = name, make, rows
        self.readable, self.appended, self.timeout, self.held_open = readable, appended, timeout, held_open

    @property
    def folder_name(self):
        return self.name.replace(" ", "_")


def write(data):
    def make(path):
        with open(path, "wb") as f:
            f.write(data)
    return make


def garbage(path):
    rng = random.Random(10)
    noise = bytes(rng.randrange(256) for _ in range(64 * 1024))
    write(noise + b"\r\n" + GOOD + noise)(path)


def read_only(path):
    write(GOOD)(path)
    os.chmod(path, stat.S_IRUSR | stat.S_IRGRP | stat.S_IROTH)


def hundred_megabyte_value(path):
    with open(path, "wb") as f:
        f.write(gbk("[表]\r\n") + TABLE_KEY + ROW_A + b"x" * BIG_VALUE + b"@\r\n")


def ten_megabyte_line(path):
    with open(path, "wb") as f:
        f.write(b"; " + b"y" * BIG_LINE + b"\r\n" + GOOD)


CASES = [
    Case("binary garbage around a good section", garbage, [ROW_A, ROW_B]),
    Case("a 100 MB value", hundred_megabyte_value, [ROW_A + b"x" * BIG_VALUE], timeout=600),
    Case("UTF-16 with a byte order mark",
         write("\ufeff[表]\r\n时表=08:05:00     温馨提示    开会@\r\n".encode("utf-16-le")), [], readable=False),
    Case("bytes that are not GBK characters",
         write(gbk("[表]\r\n") + TABLE_KEY + NOT_GBK_ROW + b"@" + ROW_A + b"@\r\n" + gbk("备注=") +
               b"\xff\x80\xfe\xff\r\n"),
         [NOT_GBK_ROW, ROW_A]),
    Case("no section", write(TABLE_LINE + b"\r\n"), [], appended=True),
    Case("a section but no key", write(gbk("[表]\r\n")), [], appended=True),
    Case("NULs in other lines", write(b"\x00\x00\r\n" + GOOD + b"k=\x00v\r\n\x00"), [ROW_A, ROW_B]),
    Case("a line of 10 MB", ten_megabyte_line, [ROW_A, ROW_B], timeout=300),
    Case("a folder named data.ini", os.mkdir, [], readable=False),
    Case("a read-only file", read_only, [ROW_A, ROW_B], readable=False),
    Case("a file held open without sharing", write(GOOD), [], readable=False, held_open=True),
]


def contents(path):
    """The file's bytes; None for a folder or no file."""
    if not os.path.isfile(path):
        return None
    with open(path, "rb") as f:
        return f.read()


def _lines(data):
    return data.splitlines(keepends=True)


def _without_table_line(data):
    return [l for l in _lines(data) if not l.lstrip(b" \t").startswith(gbk("时表"))]


def file_problems(case, path, before):
    """What is wrong with data.ini after the adds, given its bytes before the run."""
    after = contents(path)
    if not case.readable:
        if after != before or (before is None and not os.path.isdir(path)):
            return ["a file that could not be read whole was changed"]
        return []
    if after is None:
        return ["data.ini is gone"]
    problems = []
    if case.appended:
        kept = after[:len(before)] == before
    else:
        kept = _without_table_line(after) == _without_table_line(before)
    if not kept:
        problems.append("other lines of the file did not come back byte for byte")
    want = TABLE_KEY + b"".join(r + b"@" for r in [NEW_ROW] * ADDS + case.rows)
    if want not in after:
        problems.append("the saved table is not the table shown with the new rows on top")
    return problems


def box_problems(case, texts):
    """What is wrong with the message boxes shown during the adds (their texts)."""
    if case.readable:
        return ["message boxes although the saves succeeded: %s" % texts] if texts else []
    if len(texts) != 1 or "未能保存" not in texts[0] or "data.ini" not in texts[0]:
        return ["the user is not told once that the table could not be saved: %s" % texts]
    return []


def make_fresh(case, folder):
    """An empty `folder` (made writable first, it may hold a read-only file) with the case's
    data.ini; returns (path, bytes before)."""
    if os.path.exists(folder):
        for root, dirs, files in os.walk(folder):
            for name in dirs + files:
                os.chmod(os.path.join(root, name), 0o755)
        shutil.rmtree(folder)
    os.makedirs(folder)
    path = os.path.join(folder, "data.ini")
    case.make(path)
    return path, contents(path)

#!/usr/bin/env python3
"""Checks the workbook templates shipped in the program directory.

The program writes texts into fixed cells of these templates on two routes
(toolbar and menu, each with templates laid out for its own cell table) and
prints or saves the result. Every cell it writes must be a plain, unlocked,
empty cell of its own, beside the caption and unit that name it.

Usage: templates_test.py PROGRAM_DIR
Exit code 77 (skipped) when no Python with xlrd is available.
"""
import os
import shutil
import struct
import subprocess
import sys

SKIP = 77


def find_xlrd():
    try:
        import xlrd  # noqa: F401
        return
    except ImportError:
        pass
    # The first python3 on PATH may be a private interpreter without the
    # distribution's packages; try the other ones once.
    if os.environ.get("WORMPAIR_TEMPLATES_TEST_REEXEC"):
        print("SKIP: xlrd is not installed")
        sys.exit(SKIP)
    me = os.path.realpath(sys.executable)
    for d in os.get_exec_path():
        cand = os.path.join(d, "python3")
        if not os.access(cand, os.X_OK) or os.path.realpath(cand) == me:
            continue
        if subprocess.run([cand, "-c", "import xlrd"], capture_output=True).returncode == 0:
            os.environ["WORMPAIR_TEMPLATES_TEST_REEXEC"] = "1"
            os.execv(cand, [cand] + sys.argv)
    print("SKIP: xlrd is not installed")
    sys.exit(SKIP)


find_xlrd()
import xlrd  # noqa: E402
from xlrd import compdoc  # noqa: E402

# Toolbar route of each parameter sheet: value cell -> (key words the caption
# of its row must contain, unit in column E or "" for none).
TOOLBAR = {
    "1.xls": {
        "C2": ("蜗杆头数", ""), "C3": ("蜗轮齿数", ""), "C4": ("端面模数", "mm"),
        "C5": ("包围齿数", ""), "C6": ("母平面倾斜角", "°"), "C7": ("工作半包角", "°"),
        "C8": ("喉部导程角", "°"), "C9": ("齿形角", "°"), "B10": ("旋向", ""),
        "B11": ("精度等级", ""), "C12": ("法向弦齿厚", "mm"), "D13": ("公差", "mm"),
        "C14": ("法向弦齿高", "mm"), "C15": ("入口修缘", "mm"), "C16": ("出口修缘", "mm"),
        "C17": ("蜗杆齿距极限偏差", "μm"), "C18": ("蜗杆齿距累积公差", "μm"),
        "C20": ("磨齿增量", ""), "C21": ("修形中心距", "mm"), "C22": ("修形传动比", ""),
        "C23": ("修形主基圆直径", "mm"), "C24": ("修形母面倾斜角", "°"),
    },
    "11.xls": {
        "C2": ("蜗杆头数", ""), "C3": ("蜗轮齿数", ""), "C4": ("端面模数", "mm"),
        "C5": ("滚刀包围齿数", ""), "C6": ("母平面倾斜角", "°"), "C7": ("工作半包角", "°"),
        "C8": ("喉部导程角", "°"), "C9": ("齿形角", "°"), "B10": ("旋向", ""),
        "C11": ("滚刀法向弦齿厚", "mm"), "D11": ("滚刀法向弦齿厚", "mm"),
        "C13": ("滚刀法向弦齿高", "mm"),
    },
    "1111.xls": {
        "C2": ("蜗杆头数", ""), "C3": ("蜗轮齿数", ""), "C4": ("端面模数", "mm"),
        "C5": ("喉部导程角", "°"), "C6": ("齿形角", "°"), "C7": ("工作半包角", "°"),
        "C8": ("之差", "°"), "C9": ("母平面倾斜角", "°"), "B10": ("旋向", ""),
        "C11": ("包围齿数", ""), "C12": ("法向侧隙", "mm"), "C13": ("蜗轮法向弦齿高", "mm"),
        "C14": ("蜗轮法向弦齿厚", "mm"), "D15": ("公差", "mm"), "C16": ("中心距", "mm"),
        "C17": ("蜗轮齿距极限偏差", "μm"), "C18": ("蜗轮齿距累积公差", "μm"),
    },
}

# Menu route of each parameter sheet, into its own template laid out for it.
MENU = {
    "1m.xls": {
        "C2": ("蜗杆头数", ""), "C3": ("蜗轮齿数", ""), "C4": ("端面模数", "mm"),
        "C5": ("包围齿数", ""), "C6": ("母平面倾斜角", "°"), "C7": ("工作半包角", "°"),
        "C8": ("喉部导程角", "°"), "C9": ("齿形角", "°"), "B10": ("旋向", ""),
        "B11": ("精度等级", ""), "C12": ("法向弦齿厚", "mm"), "C13": ("法向弦齿高", "mm"),
        "C14": ("入口修缘", "mm"), "C15": ("出口修缘", "mm"), "C17": ("磨齿增量", ""),
        "C18": ("修形中心距", "mm"), "C19": ("修形传动比", ""), "C20": ("修形主基圆直径", "mm"),
        "C21": ("修形母面倾斜角", "°"),
    },
    "11m.xls": {
        "C2": ("蜗杆头数", ""), "C3": ("蜗轮齿数", ""), "C4": ("端面模数", "mm"),
        "C5": ("滚刀包围齿数", ""), "C6": ("母平面倾斜角", "°"), "C7": ("工作半包角", "°"),
        "C8": ("喉部导程角", "°"), "C9": ("齿形角", "°"), "B10": ("旋向", ""),
        "B11": ("滚刀旋向", ""), "C12": ("滚刀法向弦齿厚", "mm"), "C13": ("滚刀法向弦齿高", "mm"),
    },
    "1111m.xls": {
        "C2": ("蜗杆头数", ""), "C3": ("蜗轮齿数", ""), "C4": ("端面模数", "mm"),
        "C5": ("喉部导程角", "°"), "C6": ("齿形角", "°"), "C7": ("工作半包角", "°"),
        "C8": ("之差", "°"), "C9": ("母平面倾斜角", "°"), "B10": ("旋向", ""),
        "C11": ("包围齿数", ""), "C12": ("法向侧隙", "mm"), "C13": ("蜗轮法向弦齿高", "mm"),
        "C14": ("蜗轮法向弦齿厚", "mm"), "C15": ("中心距", "mm"), "C16": ("", ""),
        "C17": ("主基圆直径", "mm"),
    },
}
LAYOUTS = {**TOOLBAR, **MENU}

# Template -> number of sheets it must have (None: at least one).
SHEETS = {"1.xls": None, "11.xls": None, "1111.xls": None, "1m.xls": None, "11m.xls": None,
          "1111m.xls": None, "111.xls": 1}

failures = []


def fail(name, msg):
    failures.append(f"{name}: {msg}")


def cell_index(ref):
    col = ord(ref[0]) - ord("A")
    return int(ref[1:]) - 1, col


def text(sheet, r, c):
    if r >= sheet.nrows or c >= sheet.ncols:
        return ""
    return str(sheet.cell_value(r, c)).strip()


def first_sheet_setup(path):
    """(paper size, portrait, fit to page) from the first worksheet's records."""
    stream = compdoc.CompDoc(open(path, "rb").read()).get_named_stream("Workbook")
    pos, in_sheet, setup, fit = 0, False, None, False
    while pos + 4 <= len(stream):
        rid, length = struct.unpack_from("<HH", stream, pos)
        body = stream[pos + 4:pos + 4 + length]
        pos += 4 + length
        if rid == 0x0809:  # BOF
            in_sheet = struct.unpack_from("<H", body, 2)[0] == 0x0010
        elif in_sheet and rid == 0x0081:  # WSBOOL
            fit = bool(struct.unpack_from("<H", body)[0] & 0x0100)
        elif in_sheet and rid == 0x00A1:  # SETUP
            paper, _, _, _, _, flags = struct.unpack_from("<6H", body)
            setup = (paper, bool(flags & 0x02) and not flags & 0x04)
        elif in_sheet and rid == 0x000A:  # EOF of the first sheet
            break
    return setup, fit


def check_parameter_sheet(name, book, sheet):
    layout = LAYOUTS[name]
    written = set(layout)

    for ref in sorted(written):
        r, c = cell_index(ref)
        for r0, r1, c0, c1 in sheet.merged_cells:
            if r0 <= r < r1 and c0 <= c < c1:
                fail(name, f"{ref} lies in the merged range {xlrd.cellname(r0, c0)}:"
                           f"{xlrd.cellname(r1 - 1, c1 - 1)}")
        if text(sheet, r, c):
            fail(name, f"{ref} is written by the program but holds {text(sheet, r, c)!r}")
        if r < sheet.nrows and c < sheet.ncols:
            xf = book.xf_list[sheet.cell_xf_index(r, c)]
            if xf.protection.cell_locked:
                fail(name, f"{ref} is written by the program but locked")
            if xf.border.left_line_style == 0 or xf.border.bottom_line_style == 0:
                fail(name, f"{ref} has no border")

    for ref, (caption, unit) in layout.items():
        r, c = cell_index(ref)
        row_caption = text(sheet, r, 0)
        if caption not in row_caption:
            fail(name, f"{ref}: caption of row {r + 1} is {row_caption!r}, expected {caption}")
        if c < 4 and text(sheet, r, 4) != unit:
            fail(name, f"{ref}: unit is {text(sheet, r, 4)!r}, expected {unit!r}")
        font = book.font_list[book.xf_list[sheet.cell_xf_index(r, 0)].font_index]
        if not 200 <= font.height <= 240:
            fail(name, f"caption of {ref} is {font.height / 20} pt, expected 10..12 pt")

    title = text(sheet, 0, 0)
    if not title.endswith("参数表"):
        fail(name, f"title in A1 is {title!r}")
    elif book.font_list[book.xf_list[sheet.cell_xf_index(0, 0)].font_index].weight < 700:
        fail(name, "title is not bold")

    setup, fit = first_sheet_setup(os.path.join(program_dir, name))
    if setup != (9, True):
        fail(name, f"page setup is {setup}, expected A4 portrait")
    if not fit:
        fail(name, "not set to fit one page")


program_dir = sys.argv[1] if len(sys.argv) > 1 else "."
for name, nsheets in SHEETS.items():
    path = os.path.join(program_dir, name)
    if not os.path.isfile(path):
        fail(name, f"missing from {program_dir}")
        continue
    try:
        book = xlrd.open_workbook(path, formatting_info=True)
    except xlrd.XLRDError as e:
        fail(name, f"does not open: {e}")
        continue
    if book.biff_version != 80:
        fail(name, f"BIFF version {book.biff_version}, expected 8 (Excel 97-2003)")
    if book.nsheets < 1 or (nsheets is not None and book.nsheets != nsheets):
        fail(name, f"{book.nsheets} sheets")
        continue
    if name in LAYOUTS:
        check_parameter_sheet(name, book, book.sheet_by_index(0))

for f in failures:
    print("FAIL", f)
print(f"{len(SHEETS)} templates, {len(failures)} failures")
sys.exit(1 if failures else 0)

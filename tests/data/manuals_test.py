#!/usr/bin/env python3
"""Checks the design manuals and the help page in the program directory.

The manuals' numbers are compared with independent readers: the recommended
values with what `wormpair-cli design` gives through the window's commands,
the grade tables with the database read by Python's sqlite3, the drawings'
dimensions with the calculated design. The help page must name every menu
command of the window definition.

Usage: manuals_test.py PROGRAM_DIR WORMPAIR_CLI SOURCE_DIR
Exit code 77 (skipped) when pdftotext or pdffonts (poppler-utils) is missing.
"""
import json
import os
import re
import shutil
import sqlite3
import subprocess
import sys
import xml.etree.ElementTree as ET

SKIP = 77
MANUALS = {"canshu": "推荐参数", "jishu": "技术资料", "jingdu": "传动精度",
           "tuzhi": "制图示例", "xiuxing": "修形原理"}

program_dir, cli, source_dir = sys.argv[1:4]
if not shutil.which("pdftotext") or not shutil.which("pdffonts"):
    print("SKIP: poppler-utils (pdftotext, pdffonts) is not installed")
    sys.exit(SKIP)

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)


def pdf_text(name, layout=False, first_page=1):
    args = ["pdftotext", "-f", str(first_page)] + (["-layout"] if layout else [])
    args += [os.path.join(program_dir, name + ".pdf"), "-"]
    return subprocess.run(args, capture_output=True, text=True, check=True).stdout


def design(a, z2):
    out = subprocess.run([cli, "design", "--centre-distance", str(a), "--wheel-teeth", str(z2),
                          "--worm-starts", "1", "--json"], capture_output=True, text=True, check=True)
    result = json.loads(out.stdout)
    assert result["ok"], result
    values = {k: re.sub(r"-{3,}[^-]*$", "", v) for k, v in result["labels"].items()}
    return result["inputs"], values, set(result["warnings"])


# Every manual: a PDF with its fonts embedded and Chinese text that reads back
# as the characters written (not as look-alike radicals of the CJK font).
for name, title in MANUALS.items():
    path = os.path.join(program_dir, name + ".pdf")
    if not os.path.exists(path):
        failures.append(f"{name}.pdf is missing")
        continue
    with open(path, "rb") as f:
        check(f.read(5) == b"%PDF-", f"{name}.pdf is not a PDF")
    fonts = subprocess.run(["pdffonts", path], capture_output=True, text=True).stdout.splitlines()[2:]
    check(any("NotoSansCJK" in line for line in fonts), f"{name}.pdf has no CJK font")
    for line in fonts:
        check(line.split()[-5] == "yes", f"{name}.pdf: font not embedded: {line.split()[0]}")
    text = pdf_text(name)
    check(title in text and "中心距" in text, f"{name}.pdf: title or 中心距 not extractable")
    check(len(re.findall("[\u4e00-\u9fff]", text)) > 500, f"{name}.pdf holds little Chinese text")
    radicals = re.findall("[\u2e80-\u2fdf\u31c0-\u31ef]", text)
    check(not radicals, f"{name}.pdf reads back radicals {''.join(sorted(set(radicals)))}")
    # no page holds only the running head and the page number
    for number, page in enumerate(text.split("\f")[:-1], start=1):
        body = re.sub(r"NALVEX蜗杆副设计V8\.601|设计手册|[第共]\s*\d+\s*页|" + title, "", page)
        check(len(body.split()) > 3, f"{name}.pdf: page {number} is empty")

# canshu.pdf: the row of a centre distance and ratio shows what the recommend
# button gives, in the order of the table's columns.
canshu = [line.split() for line in pdf_text("canshu", layout=True).splitlines()]
for a, z2 in [(80, 10), (160, 40), (315, 25), (630, 63)]:
    inputs, labels, warnings = design(a, z2)
    flagged = [labels[l] + ("*" if l in warnings else "") for l in ("Label14", "Label28")]
    expected = " ".join([inputs[f] for f in ("Edit1", "Edit2", "Edit5", "Edit7", "Edit6", "Edit13",
                                             "Edit11", "Edit12", "Edit8")] + flagged).split()
    check(expected in canshu, f"canshu.pdf: no row {' '.join(expected)}")

# jingdu.pdf: each grade table prints every tolerance of every range, as stored.
jingdu = pdf_text("jingdu", layout=True)
database = sqlite3.connect(f"file:{os.path.join(program_dir, 'db1.mdb')}?mode=ro", uri=True)
for grade in ("6", "7", "8"):
    start = jingdu.find(f"（数据库表 {grade}ji）")
    check(start >= 0, f"jingdu.pdf: no table {grade}ji")
    end = jingdu.find("（数据库表", start + 1)
    lines = [line.split() for line in jingdu[start:end if end > 0 else None].splitlines()]
    rows = database.execute(f'SELECT * FROM "{grade}ji" ORDER BY rowid').fetchall()
    for position in range(3, 17):
        values = [str(row[position]) for row in rows]
        check(any(line[-len(values):] == values for line in lines),
              f"jingdu.pdf: {grade}ji column {position} does not read {values}")

# The drawing sheets (tuzhi.pdf from page 2) and xiuxing.pdf: the worked
# design's values, as calculated.
_, labels, _ = design(160, 45)
for name, first, wanted in [("tuzhi", 2, "Label8 Label9 Label10 Label33 Label34 Label35 Label40 Label43 Label48 Label53"),
                            ("xiuxing", 1, "Label41 Label42 Label51 Label52")]:
    tokens = set(re.split(r"[\s⌀R=]+", pdf_text(name, first_page=first)))
    for label in wanted.split():
        check(labels[label] in tokens, f"{name}.pdf lacks {label} = {labels[label]}")

# help.htm: self-contained UTF-8, naming every menu and toolbar command and
# every command of the command-line tool.
with open(os.path.join(program_dir, "help.htm"), encoding="utf-8") as f:
    help_page = f.read()
check(not re.search(r"""(src|href)\s*=\s*["'](?!#)""", help_page), "help.htm refers to other files")
window = ET.parse(os.path.join(source_dir, "src/app/forms/mainwindow.ui")).getroot()
captions = set()
for widget in window.iter("widget"):
    if widget.get("class") == "QMenu":
        captions.add(widget.find("property[@name='title']/string").text)
for action in window.iter("action"):
    captions.add(action.find("property[@name='text']/string").text)
for widget in window.iter("widget"):
    tip = widget.find("property[@name='toolTip']/string")
    if tip is not None and tip.text:
        captions.add(tip.text)
check(len(captions) > 25, f"only {len(captions)} captions found in mainwindow.ui")
for caption in sorted(captions):
    shown = caption.replace("&", "")  # a menu's mnemonic is shown as its underlined letter
    check(shown in help_page, f"help.htm does not name {shown!r}")
for command in ("calc", "design", "open", "cells", "export", "rules", "rules set", "rules restore",
                "rules load", "rules save", "series", "--version"):
    check(f"wormpair-cli {command}" in help_page, f"help.htm does not show wormpair-cli {command}")

for failure in failures:
    print("FAIL:", failure)
sys.exit(1 if failures else 0)

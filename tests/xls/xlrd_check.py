#!/usr/bin/env python3
"""Compares two workbooks cell by cell with xlrd, an independent reader.

usage: xlrd_check.py ORIGINAL WRITTEN [EDITS]

EDITS is a file with one edit per line: column<TAB>row<TAB>xf<TAB>text, text
written with \\t, \\n and \\\\ escaped. xf -1 means "any"; xf -2 means
"as the writer must choose it": the replaced cell's XF, else the column's
(COLINFO), else the row's (ROW with its own XF), else 15. Every edited cell of
the first sheet must hold the text with that XF index; every other cell of
every sheet must keep its value, type and XF index, and every stream of the
compound file other than the workbook stream its bytes. Prints what differs
and exits with 1 (2 when xlrd cannot read the original), or prints OK.
"""
import os
import sys

import xlrd
from xlrd import compdoc


def unescape(text):
    out, i = [], 0
    while i < len(text):
        if text[i] == "\\" and i + 1 < len(text):
            out.append({"t": "\t", "n": "\n", "\\": "\\"}.get(text[i + 1], text[i + 1]))
            i += 2
        else:
            out.append(text[i])
            i += 1
    return "".join(out)


def cells(sheet):
    result = {}
    for r in range(sheet.nrows):
        for c in range(sheet.row_len(r)):
            cell = sheet.cell(r, c)
            if cell.ctype == xlrd.XL_CELL_EMPTY:
                continue
            result[(c, r)] = (cell.ctype, cell.value, cell.xf_index)
    return result


def main():
    try:
        original = xlrd.open_workbook(sys.argv[1], formatting_info=True)
    except Exception as error:  # xlrd refuses a few valid files
        print("xlrd cannot read the original: %s" % error)
        return 2
    written = xlrd.open_workbook(sys.argv[2], formatting_info=True)
    edits = {}
    if len(sys.argv) > 3:
        with open(sys.argv[3], encoding="utf-8") as f:
            for line in f.read().split("\n"):
                if not line:
                    continue
                column, row, xf, text = line.split("\t", 3)
                edits[(int(column), int(row))] = (int(xf), unescape(text))

    problems = []
    if original.sheet_names() != written.sheet_names():
        problems.append("sheet names differ: %r / %r" % (original.sheet_names(), written.sheet_names()))
    for index in range(min(original.nsheets, written.nsheets)):
        before = cells(original.sheet_by_index(index))
        after = cells(written.sheet_by_index(index))
        if index == 0:
            sheet = original.sheet_by_index(0)
            for position, (xf, text) in edits.items():
                got = after.pop(position, None)
                old = before.pop(position, None)
                if xf == -2:
                    xf = expected_xf(sheet, position, old)
                if got is None or got[0] != xf_text_type() or got[1] != text or (xf >= 0 and got[2] != xf):
                    problems.append("edited cell %r: expected %r xf %d, got %r" % (position, text, xf, got))
        for position in sorted(set(before) | set(after)):
            if before.get(position) != after.get(position):
                problems.append("sheet %d cell %r: %r became %r"
                                % (index, position, before.get(position), after.get(position)))
    compare_streams(sys.argv[1], sys.argv[2], problems)
    if problems:
        print("\n".join(problems[:40]))
        return 1
    print("OK")
    return 0


def streams(data):
    """Every stream of a compound file by its path, read by xlrd's own OLE2 reader."""
    doc = compdoc.CompDoc(data, logfile=open(os.devnull, "w"))
    paths = {}
    for node in doc.dirlist:
        if node.etype not in (1, 2):
            continue
        parts, current = [node.name], node
        while current.parent > 0:
            current = doc.dirlist[current.parent]
            parts.insert(0, current.name)
        paths["/".join(parts)] = node.etype
    result = {}
    for path, kind in paths.items():
        result[path] = doc.get_named_stream(path) if kind == 2 else None
    return result


def compare_streams(original_path, written_path, problems):
    with open(original_path, "rb") as f:
        before = streams(f.read())
    with open(written_path, "rb") as f:
        after = streams(f.read())
    if set(before) != set(after):
        problems.append("stream names differ: %r / %r" % (sorted(before), sorted(after)))
    names = {path.lower(): path for path in before}
    workbook = names.get("workbook") or names.get("book")
    for path in before:
        if path != workbook and before[path] != after.get(path):
            problems.append("stream %r changed" % path)


def expected_xf(sheet, position, old):
    column, row = position
    if old is not None:
        return old[2]
    if column in sheet.colinfo_map:
        return sheet.colinfo_map[column].xf_index
    info = sheet.rowinfo_map.get(row)
    if info is not None and info.has_default_xf_index:
        return info.xf_index
    return 15


def xf_text_type():
    return xlrd.XL_CELL_TEXT


if __name__ == "__main__":
    sys.exit(main())

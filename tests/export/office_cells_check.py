#!/usr/bin/env python3
"""Compares a workbook a spreadsheet application stored with the template it
started from, with xlrd, an independent reader.

usage: office_cells_check.py TEMPLATE WRITTEN EDITS

EDITS has one written cell per line: row<TAB>column<TAB>text, row and column
counted from 1, text with \\t, \\n and \\\\ escaped. Each written cell of the
first sheet must be a text cell holding exactly its text (no value at all for
the empty text) and keep the template's formatting. Every other cell of every
sheet must keep its value, type and formatting; sheet names and merged ranges
stay. The application renumbers formats, so formatting is compared by what it
shows (font size and style, alignment, borders, number format), not by index. Prints what
differs and exits with 1, or prints OK.
"""
import sys

import xlrd

EMPTY = (xlrd.XL_CELL_EMPTY, xlrd.XL_CELL_BLANK)


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


def looks(book, xf_index):
    # Not the font name: Calc keeps a font for CJK text only when that font
    # is installed, and otherwise stores its default CJK font.
    xf = book.xf_list[xf_index]
    font = book.font_list[xf.font_index]
    fmt = book.format_map.get(xf.format_key)
    border = xf.border
    return (font.height, font.weight, font.italic, font.underline_type,
            xf.alignment.hor_align, xf.alignment.vert_align, xf.alignment.text_wrapped,
            border.top_line_style, border.bottom_line_style,
            border.left_line_style, border.right_line_style,
            fmt.format_str if fmt else None)


def cells(book, sheet):
    result = {}
    for r in range(sheet.nrows):
        for c in range(sheet.row_len(r)):
            cell = sheet.cell(r, c)
            kind = "empty" if cell.ctype in EMPTY else cell.ctype
            result[(r, c)] = (kind, "" if kind == "empty" else cell.value,
                              looks(book, cell.xf_index))
    return result


def main():
    template = xlrd.open_workbook(sys.argv[1], formatting_info=True)
    written = xlrd.open_workbook(sys.argv[2], formatting_info=True)
    edits = {}
    with open(sys.argv[3], encoding="utf-8") as f:
        for line in f.read().split("\n"):
            if line:
                row, column, text = line.split("\t", 2)
                edits[(int(row) - 1, int(column) - 1)] = unescape(text)

    problems = []
    if template.sheet_names() != written.sheet_names():
        problems.append("sheet names: %r became %r"
                        % (template.sheet_names(), written.sheet_names()))
    for index in range(min(template.nsheets, written.nsheets)):
        before_sheet, after_sheet = template.sheet_by_index(index), written.sheet_by_index(index)
        if sorted(before_sheet.merged_cells) != sorted(after_sheet.merged_cells):
            problems.append("sheet %d merged ranges: %r became %r"
                            % (index, before_sheet.merged_cells, after_sheet.merged_cells))
        before = cells(template, before_sheet)
        after = cells(written, after_sheet)
        if index == 0:
            for position, text in edits.items():
                old = before.pop(position, None)
                got = after.pop(position, None)
                want = ("empty", "") if text == "" else (xlrd.XL_CELL_TEXT, text)
                if (got[:2] if got else ("empty", "")) != want:
                    problems.append("written cell %r: expected %r, got %r" % (position, want, got))
                if old is not None and (got is None or got[2] != old[2]):
                    problems.append("written cell %r lost its format: %r became %r"
                                    % (position, old[2], got and got[2]))
        for position in sorted(set(before) | set(after)):
            old, new = before.get(position), after.get(position)
            # A cell without value or format of its own may come and go.
            if old is None and new[0] == "empty" or new is None and old[0] == "empty":
                continue
            if old != new:
                problems.append("sheet %d cell %r: %r became %r" % (index, position, old, new))
    if problems:
        print("\n".join(problems[:40]))
        return 1
    print("OK")
    return 0


if __name__ == "__main__":
    sys.exit(main())

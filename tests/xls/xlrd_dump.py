#!/usr/bin/env python3
"""Prints what xlrd, an independent reader, finds in a workbook, as JSON.

usage: xlrd_dump.py WORKBOOK

{"sheets": [{"name", "frozen_rows", "cells": [[row, column, kind, value,
fill, bold], ...]}]} with kind "text" or "number", fill the palette index of
the cell's solid fill (null for none) and bold its font's weight above normal.
Exits with 1 and the reason when xlrd cannot read the file.
"""
import json
import sys

import xlrd


def main():
    try:
        book = xlrd.open_workbook(sys.argv[1], formatting_info=True)
    except Exception as error:
        print("xlrd cannot read the workbook: %s" % error)
        return 1
    sheets = []
    for sheet in book.sheets():
        cells = []
        for r in range(sheet.nrows):
            for c in range(sheet.row_len(r)):
                cell = sheet.cell(r, c)
                if cell.ctype == xlrd.XL_CELL_EMPTY:
                    continue
                kind = {xlrd.XL_CELL_TEXT: "text", xlrd.XL_CELL_NUMBER: "number"}.get(cell.ctype, str(cell.ctype))
                xf = book.xf_list[cell.xf_index]
                fill = xf.background.pattern_colour_index if xf.background.fill_pattern == 1 else None
                bold = book.font_list[xf.font_index].weight > 400
                cells.append([r, c, kind, cell.value, fill, bold])
        sheets.append({"name": sheet.name, "frozen_rows": sheet.horz_split_pos if sheet.panes_are_frozen else 0,
                       "cells": cells})
    print(json.dumps({"sheets": sheets}, ensure_ascii=False))
    return 0


if __name__ == "__main__":
    sys.exit(main())

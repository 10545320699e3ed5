#!/usr/bin/env python3
"""Reads back the drawings wormpair-cli writes, with readers of other makers.

DXF: ezdxf (python3-ezdxf) audits each file and measures each DIMENSION; the
measured value must equal the number its text shows, and the sheet must carry
the dimensions listed for it with the design's numbers as the result labels
print them. LibreCAD's dxf2pdf draws each file, and the picture is not blank.
PDF: pdftotext finds the parameter table's numbers, pdffonts the fonts
embedded. SVG: rsvg-convert draws it. Texts with line breaks and control
characters still give a DXF that audits and an SVG that parses as XML. The
tool's refusals end with their exit codes.

Usage: drawing_files_test.py WORMPAIR_CLI PROGRAM_DIR
"""
import json
import logging
import os
import re
import shutil
import subprocess
import sys
import tempfile
from xml.etree import ElementTree

import ezdxf
from ezdxf import bbox

cli, program_dir = sys.argv[1:3]
failures = []
# ezdxf measures texts with matplotlib's fonts; the SHX fonts are not there
logging.getLogger("matplotlib").setLevel(logging.ERROR)


def check(condition, message):
    if not condition:
        failures.append(message)


for tool in ("pdftoppm", "pdftotext", "pdffonts", "rsvg-convert", "librecad"):
    if not shutil.which(tool):
        print(f"FAIL: {tool} is missing: run scripts/setup.sh")
        sys.exit(1)

DESIGNS = [(160, 45, 1), (250, 50, 2), (100, 31, 1), (500, 63, 1)]
# The dimensions each sheet carries: a result label, an input field, or a
# record field, whose number the dimension shows.
DIMENSIONS = {
    "worm": "Label10 Label11 Label48 Label53 Label9 Label8 Label43 Label14 Label16 Label17 "
            "record.wormThroatTipDiameter",
    "wheel": "Label33 Label35 Label23 Label34 Label40 record.centreDistance",
    "hob": "Label20 Label18 Label19 Label49 Label14 Label21 Label22",
    "mesh": "Label10 Label12 Label27 Label13 record.centreDistance",
}
# Numbers of each sheet's parameter table, for the PDF's text.
TABLE = {
    "worm": "Label25 Label26 Label13 Label27 Label28 Label14 Label12 Label16 Label17 Label51 "
            "Label42 Label52 Label41 accuracyValue3 accuracyValue4",
    "wheel": "Label25 Label28 Label14 Label27 Label13 Label12 Label26 Label45 Label44 "
             "accuracyValue9 accuracyValue10",
    "hob": "Label25 Label29 Label13 Label18 Label19 Label20 Label21 Label22",
    "mesh": "Label25 Label23 Label12 Label14 Label13 Label27 Label26 Label10 Label28 Label51 "
            "Label42 Label52 Label41",
}
PART_NAMES = {"worm": "平面二次包络环面蜗杆", "wheel": "平面二次包络环面蜗轮",
              "hob": "平面二次包络蜗轮滚刀", "mesh": "平面二次包络环面蜗杆副"}
LAYERS = {"轮廓线": ("Continuous", 50), "细实线": ("Continuous", 25),
          "中心线": ("GB_DASHDOT", 25), "虚线": ("GB_DASHED", 25), "剖面线": ("Continuous", 25),
          "尺寸": ("Continuous", 25), "文字": ("Continuous", 25), "表格": ("Continuous", 25),
          "图框": ("Continuous", 50)}
SHEETS = {"A3": (420, 297), "A4": (297, 210), "A2": (594, 420)}


def run(*args, env=None):
    return subprocess.run([cli, *map(str, args)], capture_output=True, text=True, env=env)


def number_of(label_text):
    return re.sub(r"-{3,}[^-]*$", "", label_text)


def shown_number(text):
    """The number a dimension's text shows: without ⌀, R, °, deviations and the
    parentheses of a reference dimension."""
    text = text.split("{")[0].replace("%%c", "").replace("%%d", "").strip("()")
    return text[1:] if text.startswith("R") else text


def dark_pixels(pdf, page_resolution=20):
    """Pixels darker than mid grey on the first page, read from a PGM."""
    pgm = subprocess.run(["pdftoppm", "-gray", "-r", str(page_resolution), "-singlefile", pdf],
                         capture_output=True, check=True).stdout
    header = pgm.split(b"\n", 3)
    width, height = map(int, header[1].split())
    pixels = header[3][: width * height]
    return sum(1 for value in pixels if value < 128)


work = tempfile.mkdtemp(prefix="wormpair-drawing-")
try:
    designs = {}
    for a, z2, z1 in DESIGNS:
        name = f"{a}-{z2}-{z1}"
        made = json.loads(run("design", "--centre-distance", a, "--wheel-teeth", z2,
                              "--worm-starts", z1, "--json").stdout)
        inputs = made["inputs"]
        cells = []
        for n in range(1, 14):
            cells += ["--set", f"A{n}={inputs[f'Edit{n}']}"]
        path = os.path.join(work, name + ".cqb")
        written = run("cells", os.path.join(program_dir, "111.xls"), *cells, "-o", path)
        check(written.returncode == 0, f"{name}: design file not written: {written.stderr}")
        calc = ["calc", "--json"]
        for option, field in [("centre-distance", 1), ("ratio", 2), ("wheel-teeth", 3),
                              ("worm-starts", 4), ("main-base-diameter", 5),
                              ("tip-eccentricity", 6), ("worm-diameter", 7), ("backlash", 8),
                              ("grinding-increment", 13)]:
            calc += [f"--{option}", inputs[f"Edit{field}"]]
        record = json.loads(run(*calc).stdout)["record"]
        values = {k: number_of(v) for k, v in made["labels"].items()}
        values.update(made["accuracy"])
        values.update({"record." + k: v for k, v in record.items()})
        designs[name] = (path, values)

    for name, (path, values) in designs.items():
        for sheet in DIMENSIONS:
            stem = os.path.join(work, f"{name}-{sheet}")
            where = f"{name} {sheet}"
            for ending in ("dxf", "pdf", "svg"):
                result = run("drawing", sheet, path, "-o", f"{stem}.{ending}", "--field", "图号=WP-" + sheet)
                check(result.returncode == 0, f"{where}.{ending}: exit {result.returncode} {result.stderr}")

            # --- DXF, read by ezdxf
            doc = ezdxf.readfile(stem + ".dxf")
            auditor = doc.audit()
            check(not auditor.has_errors, f"{where}: audit errors {[str(e) for e in auditor.errors][:3]}")
            dimensions = [d for block in doc.blocks for d in block.query("DIMENSION")]
            shown = {}
            for d in dimensions:
                number = shown_number(d.dxf.text)
                measured = d.get_measurement()
                check(abs(measured - float(number)) <= 0.001,
                      f"{where}: dimension {d.dxf.text} measures {measured}")
                shown.setdefault(number, []).append(measured)
            for key in DIMENSIONS[sheet].split():
                value = values[key]
                if key.startswith("record."):  # printed as formatReal prints it
                    matches = [n for n in shown if abs(float(n) - float(value)) < 1e-9]
                else:
                    matches = [n for n in shown if n == value]
                check(matches, f"{where}: no dimension shows {key} = {value}")
            texts = [t.dxf.text for block in doc.blocks for t in block.query("TEXT")]
            texts += [t.dxf.text for t in doc.modelspace().query("TEXT")]
            check(PART_NAMES[sheet] in texts, f"{where}: no title {PART_NAMES[sheet]}")
            check("技术要求" in texts and "WP-" + sheet in texts, f"{where}: notes or 图号 missing")
            for layer, (linetype, weight) in LAYERS.items():
                entry = doc.layers.get(layer) if doc.layers.has_entry(layer) else None
                check(entry is not None and entry.dxf.linetype == linetype and
                      entry.dxf.lineweight == weight, f"{where}: layer {layer}")
            style = doc.styles.get("GB")
            check(style.dxf.font == "gbenor.shx" and style.dxf.bigfont == "gbcbig.shx",
                  f"{where}: text style GB")
            # every view inside the frame of the A3 sheet
            width, height = SHEETS["A3"]
            for insert in doc.modelspace().query("INSERT"):
                box = bbox.extents([insert])
                check(box.extmin.x >= 25 - 0.5 and box.extmin.y >= 5 - 0.5 and
                      box.extmax.x <= width - 5 + 0.5 and box.extmax.y <= height - 5 + 0.5,
                      f"{where}: view {insert.dxf.name} leaves the frame: {box}")

            # --- DXF, drawn by LibreCAD
            copy = os.path.join(work, "librecad", f"{name}-{sheet}.dxf")
            os.makedirs(os.path.dirname(copy), exist_ok=True)
            shutil.copy(stem + ".dxf", copy)
            subprocess.run(["librecad", "dxf2pdf", "-a", copy], capture_output=True, timeout=120,
                           env=dict(os.environ, QT_QPA_PLATFORM="offscreen"))
            drawn = copy[:-4] + ".pdf"
            check(os.path.exists(drawn) and dark_pixels(drawn) > 2000,
                  f"{where}: LibreCAD draws a blank picture")

            # --- PDF and SVG
            text = subprocess.run(["pdftotext", "-layout", stem + ".pdf", "-"],
                                  capture_output=True, text=True).stdout
            tokens = set(re.split(r"[\s⌀R°]+", text))
            # every character its ordinary code point (not a radical of the same glyph)
            check("齿" in text and "蜗杆" in text and not re.search("[\u2e80-\u2fdf]", text),
                  f"{where}.pdf: the text layer does not read 齿 and 蜗杆")
            for key in TABLE[sheet].split():
                check(values[key] in tokens, f"{where}.pdf: the table lacks {key} = {values[key]}")
            fonts = subprocess.run(["pdffonts", stem + ".pdf"], capture_output=True,
                                   text=True).stdout.splitlines()[2:]
            check(fonts and all(line.split()[-5] == "yes" for line in fonts),
                  f"{where}.pdf: fonts not embedded")
            check(dark_pixels(stem + ".pdf") > 2000, f"{where}.pdf renders blank")
            svg_pdf = stem + "-svg.pdf"
            subprocess.run(["rsvg-convert", "-f", "pdf", "-o", svg_pdf, stem + ".svg"], check=True)
            check(dark_pixels(svg_pdf) > 2000, f"{where}.svg renders blank")
            # the same picture: no section lines beyond their section in either
            drawn_pdf, drawn_svg = dark_pixels(stem + ".pdf"), dark_pixels(svg_pdf)
            check(abs(drawn_svg - drawn_pdf) <= 0.02 * drawn_pdf,
                  f"{where}.svg draws {drawn_svg} dark pixels, the PDF {drawn_pdf}")

    # The sheet sizes, and a tool without a display.
    path = designs["160-45-1"][0]
    for size, (width, height) in SHEETS.items():
        out = os.path.join(work, f"size-{size}.dxf")
        result = run("drawing", "worm", path, "-o", out, "--sheet", size)
        check(result.returncode == 0, f"--sheet {size}: {result.stderr}")
        if result.returncode == 0:
            extent = ezdxf.readfile(out).header["$EXTMAX"]
            check((round(extent[0]), round(extent[1])) == (width, height), f"--sheet {size}: {extent}")
    # Texts with line breaks and control characters (relief texts of a design file, a
    # title-block field) are written as one line: the DXF still audits, the SVG is XML.
    inputs = json.loads(run("design", "--centre-distance", 160, "--wheel-teeth", 45,
                            "--worm-starts", 1, "--json").stdout)["inputs"]
    hostile = {11: "\n  0\nEOF", 12: "\x01<&>\r\n"}
    cells = []
    for n in range(1, 14):
        cells += ["--set", f"A{n}={inputs[f'Edit{n}'] + hostile.get(n, '')}"]
    texts_path = os.path.join(work, "texts.cqb")
    run("cells", os.path.join(program_dir, "111.xls"), *cells, "-o", texts_path)
    for ending in ("dxf", "svg"):
        out = os.path.join(work, "texts." + ending)
        result = run("drawing", "worm", texts_path, "-o", out, "--field", "图号=WP\r\n  0\nEOF\x07")
        check(result.returncode == 0, f"hostile texts, {ending}: {result.stderr}")
    doc = ezdxf.readfile(os.path.join(work, "texts.dxf"))
    check(not doc.audit().has_errors, "hostile texts: DXF audit errors")
    shown = [t.dxf.text for t in doc.modelspace().query("TEXT")]
    for text in (inputs["Edit11"] + "   0 EOF", inputs["Edit12"] + "<&> ", "WP   0 EOF"):
        check(text in shown, f"hostile texts: DXF lacks {text!r}")
    try:
        svg = ElementTree.parse(os.path.join(work, "texts.svg"))
        check(any("WP   0 EOF" in (e.text or "") for e in svg.iter()), "hostile texts: SVG lacks 图号")
    except ElementTree.ParseError as error:
        check(False, f"hostile texts: SVG is no XML: {error}")

    bare = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
    bare["QT_QPA_PLATFORM"] = "xcb"
    for ending in ("dxf", "pdf"):
        result = run("drawing", "mesh", path, "-o", os.path.join(work, "bare." + ending), env=bare)
        check(result.returncode == 0, f"no display, {ending}: {result.stderr}")

    # Refusals: usage errors 2, files and designs that cannot be drawn 1.
    broken = os.path.join(work, "thin.cqb")
    inputs = json.loads(run("design", "--centre-distance", 160, "--wheel-teeth", 45,
                            "--worm-starts", 1, "--json").stdout)["inputs"]
    cells = []
    for n in range(1, 14):
        cells += ["--set", f"A{n}={'3' if n == 7 else inputs[f'Edit{n}']}"]
    run("cells", os.path.join(program_dir, "111.xls"), *cells, "-o", broken)
    hand = os.path.join(work, "hand.cqb")  # 旋向 is 右旋 or 左旋, nothing else
    run("cells", broken, "--set", "A7=" + inputs["Edit7"], "--set", "A10=右旋\n  0\nEOF", "-o", hand)
    out = os.path.join(work, "x.dxf")
    for args, status in [(["gear", path, "-o", out], 2), (["worm", path], 2),
                         (["worm", path, "-o", os.path.join(work, "x.png")], 2),
                         (["worm", path, "-o", out, "--sheet", "A5"], 2),
                         (["worm", path, "-o", out, "--field", "颜色=红"], 2),
                         (["worm", os.path.join(work, "none.cqb"), "-o", out], 1),
                         (["worm", broken, "-o", out], 1), (["worm", hand, "-o", out], 1)]:
        result = run("drawing", *args)
        check(result.returncode == status, f"drawing {args}: exit {result.returncode}, not {status}")
        if status == 1:
            check(re.search("[\u4e00-\u9fff]", result.stderr), f"drawing {args}: no Chinese message")
            check(args[1] != hand or "A10" in result.stderr, f"drawing {args}: the cell not named")
finally:
    shutil.rmtree(work, ignore_errors=True)

for failure in failures:
    print("FAIL:", failure)
print(f"{len(failures)} failures")
sys.exit(1 if failures else 0)

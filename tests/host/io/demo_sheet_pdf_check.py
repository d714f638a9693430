#!/usr/bin/env python3
"""The demo's printed sheet read back with poppler: examples/demo.scr run as the demo
runs it (from a folder holding build/), its build/demo.pdf must be one A3 landscape page
on which the site plan lies at 1:500 in the drawing's units: the grid lines and the
building outline, whose drawing positions the script fixes, measured on the page from
poppler's SVG of it, and the sheet drawn at (-70,-50) filling the paper from its lower
left corner. Its text must be searchable: pdftotext gives the labels' values and the
title block's words.

usage: demo_sheet_pdf_check.py --vemcad PATH
Exits 77 (skipped) when pdfinfo, pdftocairo or pdftotext (poppler-utils) is missing.
"""
import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ElementTree

sys.dont_write_bytecode = True  # nothing written beside the sources
ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", ".."))
VEMCAD = None

MM_PER_POINT = 25.4 / 72
A3_LANDSCAPE_POINTS = (1190.55, 841.89)
SCALE_DENOMINATOR = 500
# Millimetres in a drawing unit by INSUNITS; a drawing without units is in metres.
MM_PER_UNIT = {0: 1000.0, 4: 1.0, 5: 10.0, 6: 1000.0}
# What demo.scr draws, in drawing units: grid lines at x = 0, 50, 100 from y = -10 to
# 80 and at y = 0, 40, 80 from x = -10 to 110; the building from (20,20) to (60,45);
# the sheet's lower left corner at (-70,-50).
GRID_X, GRID_Y = (0, 50, 100), (0, 40, 80)
GRID_X_SPAN, GRID_Y_SPAN = (-10, 80), (-10, 110)
BUILDING = ((20, 20), (60, 45))
SHEET_CORNER = (-70, -50)
TOLERANCE_MM = 0.3  # 1:500 and 1:501 lie 0.4 mm apart over 100 m


def run_demo(folder):
    """Runs the demo script in folder as the demo does; vemcad's output."""
    os.makedirs(os.path.join(folder, "build"))
    run = subprocess.run([VEMCAD, "--script", os.path.join(ROOT, "examples", "demo.scr")], cwd=folder,
                         stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, timeout=120)
    assert run.returncode == 0, run.stdout
    return run.stdout


def dxf_header_value(path, name):
    """The integer value of a header variable in a DXF file, or None."""
    with open(path, encoding="utf-8", errors="replace") as f:
        lines = [line.strip() for line in f]
    for i in range(len(lines) - 3):
        if lines[i] == "9" and lines[i + 1] == name:
            return int(lines[i + 3])
    return None


def page_size_points(pdf):
    """(pages, width, height) as pdfinfo reports them."""
    info = subprocess.run(["pdfinfo", pdf], stdout=subprocess.PIPE, text=True, check=True).stdout
    size = re.search(r"Page size:\s+([0-9.]+) x ([0-9.]+) pts", info)
    pages = re.search(r"Pages:\s+(\d+)", info)
    assert size and pages, info
    return int(pages.group(1)), float(size.group(1)), float(size.group(2))


# ---- straight strokes of poppler's SVG ---------------------------------------------------
NUMBER = r"[-+]?(?:\d+\.?\d*|\.\d+)(?:[eE][-+]?\d+)?"


def parse_transform(text):
    """An SVG transform attribute as the affine (a, b, c, d, e, f)."""
    m = (1.0, 0.0, 0.0, 1.0, 0.0, 0.0)
    for name, args in re.findall(r"(\w+)\s*\(([^)]*)\)", text or ""):
        v = [float(n) for n in re.findall(NUMBER, args)]
        if name == "matrix":
            t = tuple(v)
        elif name == "translate":
            t = (1, 0, 0, 1, v[0], v[1] if len(v) > 1 else 0)
        elif name == "scale":
            t = (v[0], 0, 0, v[1] if len(v) > 1 else v[0], 0, 0)
        else:
            raise AssertionError("transform %r not handled" % name)
        m = compose(m, t)
    return m


def compose(m, t):
    """m applied after t."""
    a, b, c, d, e, f = m
    ta, tb, tc, td, te, tf = t
    return (a * ta + c * tb, b * ta + d * tb, a * tc + c * td, b * tc + d * td,
            a * te + c * tf + e, b * te + d * tf + f)


def apply(m, x, y):
    return m[0] * x + m[2] * y + m[4], m[1] * x + m[3] * y + m[5]


def path_segments(d, m):
    """The straight pieces (x0, y0, x1, y1) of an SVG path of absolute M, L, C and Z
    commands (as poppler writes), through the transform m."""
    segments = []
    tokens = re.findall(r"[MLCZmlcz]|" + NUMBER, d)
    i, command, here, start = 0, None, None, None
    while i < len(tokens):
        if tokens[i].isalpha():
            command = tokens[i]
            i += 1
            if command in "Zz":
                if here and start and here != start:
                    segments.append(here + start)
                here = start
            continue
        assert command in ("M", "L", "C"), "path command %r not handled" % command
        count = 6 if command == "C" else 2
        values = [float(t) for t in tokens[i:i + count]]
        i += count
        point = apply(m, values[-2], values[-1])
        if command == "L" and here:
            segments.append(here + point)
        if command == "M":
            start = point
            command = "L"  # further pairs after M are lines
        here = point
    return segments


def stroked_segments(svg_file):
    """The straight pieces of every stroked path in the SVG, in its user units."""
    segments = []

    def walk(element, m):
        m = compose(m, parse_transform(element.get("transform")))
        tag = element.tag.rsplit("}", 1)[-1]
        if tag in ("defs", "clipPath", "mask", "symbol"):
            return
        style = element.get("style", "")
        if tag == "path" and "stroke:" in style and "stroke:none" not in style:
            segments.extend(path_segments(element.get("d", ""), m))
        for child in element:
            walk(child, m)
    walk(ElementTree.parse(svg_file).getroot(), (1.0, 0.0, 0.0, 1.0, 0.0, 0.0))
    return segments


class DemoSheetPdfTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.TemporaryDirectory(prefix="vemcad-demo-pdf-")
        cls.output = run_demo(cls.folder.name)
        cls.build = os.path.join(cls.folder.name, "build")
        cls.pdf = os.path.join(cls.build, "demo.pdf")

    @classmethod
    def tearDownClass(cls):
        cls.folder.cleanup()

    def test_the_demo_pdf_is_one_a3_landscape_page(self):
        self.assertIn("Plotted build/demo.pdf (A3 landscape, 1:500", self.output)
        pages, width, height = page_size_points(self.pdf)
        self.assertEqual(pages, 1)
        self.assertAlmostEqual(width, A3_LANDSCAPE_POINTS[0], delta=0.5)
        self.assertAlmostEqual(height, A3_LANDSCAPE_POINTS[1], delta=0.5)

    def test_the_site_plan_measures_at_1_to_500_on_the_sheet(self):
        units = dxf_header_value(os.path.join(self.build, "demo.dxf"), "$INSUNITS")
        self.assertIn(units, MM_PER_UNIT, "the demo's drawing units")
        mm = MM_PER_UNIT[units] / SCALE_DENOMINATOR  # paper mm per drawing unit
        height = page_size_points(self.pdf)[2]
        svg = os.path.join(self.folder.name, "demo.svg")
        subprocess.run(["pdftocairo", "-svg", self.pdf, svg], check=True)
        # Page millimetres from the paper's lower left corner.
        pieces = [(x0 * MM_PER_POINT, (height - y0) * MM_PER_POINT, x1 * MM_PER_POINT, (height - y1) * MM_PER_POINT)
                  for x0, y0, x1, y1 in stroked_segments(svg)]

        def upright(length):
            return sorted(round(p[0], 2) for p in pieces
                          if abs(p[0] - p[2]) < 0.05 and abs(abs(p[3] - p[1]) - length) < TOLERANCE_MM)

        def level(length):
            return sorted(round(p[1], 2) for p in pieces
                          if abs(p[1] - p[3]) < 0.05 and abs(abs(p[2] - p[0]) - length) < TOLERANCE_MM)

        # The grid lines: as long as they are drawn, as far apart as they are drawn.
        xs = upright((GRID_X_SPAN[1] - GRID_X_SPAN[0]) * mm)
        ys = level((GRID_Y_SPAN[1] - GRID_Y_SPAN[0]) * mm)
        self.assertEqual(len(xs), len(GRID_X), "upright grid lines at %s mm" % xs)
        self.assertEqual(len(ys), len(GRID_Y), "level grid lines at %s mm" % ys)
        for i in range(1, len(GRID_X)):
            self.assertAlmostEqual(xs[i] - xs[0], (GRID_X[i] - GRID_X[0]) * mm, delta=TOLERANCE_MM)
            self.assertAlmostEqual(ys[i] - ys[0], (GRID_Y[i] - GRID_Y[0]) * mm, delta=TOLERANCE_MM)
        # The drawing's origin lies where the sheet's corner puts it: the sheet fills
        # the paper.
        self.assertAlmostEqual(xs[0], (GRID_X[0] - SHEET_CORNER[0]) * mm, delta=0.5)
        self.assertAlmostEqual(ys[0], (GRID_Y[0] - SHEET_CORNER[1]) * mm, delta=0.5)

        # The building outline, its corners where the grid puts them.
        (bx0, by0), (bx1, by1) = BUILDING
        sides = level((bx1 - bx0) * mm)
        ends = upright((by1 - by0) * mm)
        for y in (by0, by1):
            self.assertTrue(any(abs(s - (ys[0] + y * mm)) < TOLERANCE_MM for s in sides),
                            "no building side at y %g: level lines at %s mm" % (y, sides))
        for x in (bx0, bx1):
            self.assertTrue(any(abs(e - (xs[0] + x * mm)) < TOLERANCE_MM for e in ends),
                            "no building side at x %g: upright lines at %s mm" % (x, ends))

    def test_the_sheet_text_can_be_searched(self):
        """A viewer's search finds the labels' coordinates and the title block's words:
        the PDF holds them as text."""
        text = subprocess.run(["pdftotext", self.pdf, "-"], stdout=subprocess.PIPE, text=True,
                              check=True).stdout
        for expected in ("X=3050.00", "Y=5050.00", "X=3075.00", "Y=5090.00", "图名", "比例", "制图"):
            self.assertIn(expected, text)


def main():
    global VEMCAD
    parser = argparse.ArgumentParser()
    parser.add_argument("--vemcad", required=True)
    args, rest = parser.parse_known_args()
    missing = [tool for tool in ("pdfinfo", "pdftocairo", "pdftotext") if shutil.which(tool) is None]
    if missing:
        print("SKIPPED: reading the PDF back needs poppler-utils: %s missing" % ", ".join(missing))
        return 77
    VEMCAD = os.path.abspath(args.vemcad)
    result = unittest.main(argv=[sys.argv[0]] + rest, exit=False, verbosity=2).result
    return 0 if result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main())

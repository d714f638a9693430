#!/usr/bin/env python3
"""Chinese characters in the browser view: a drawing whose text and coordinate system
carry the axis names 北 and 东, served by vemcad --serve and open in headless Chromium.
Each character's cell on the view's canvas is compared with an empty cell and with the
square the view shows when the outline font cannot be read (VEM_CJK_FONT pointing at
no file), so that a view drawing boxes, or nothing, in place of the glyphs fails.

usage: cjk_glyph_test.py --vemcad PATH [unittest options]
Exits 77 (skipped) when chromium, chromedriver or python3-selenium is missing.
"""
import argparse
import os
import subprocess
import sys
import tempfile
import time
import unittest

sys.dont_write_bytecode = True  # nothing written beside the sources
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import vemcad_page  # noqa: E402
from vemcad_page import Page, Server, wait_for  # noqa: E402

VEMCAD = None
BROWSER = None  # (chromium, chromedriver)

# The outline font vemcad reads when VEM_CJK_FONT is not set.
CJK_FONT = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc"
TEXT_HEIGHT = 10.0
# A text of two characters from 0,0, and a coordinate system south-west of it whose
# vertical axis is named 北 and horizontal axis 东.
DRAWING_SCRIPT = """TEXT
0,0
%g
0
北东
EORI
-20,-20
北
U
0
东
R
0
1
1
3
SAVEAS
axes.vdb
""" % TEXT_HEIGHT

# A character the stroke font lacks fills (or, without the outline font, strokes the
# square of) a full-width cell: as wide as the text is high, from the baseline up.
GLYPH_CELLS = {"北": (0.0, 0.0), "东": (TEXT_HEIGHT, 0.0)}
# A cell of the same size where nothing is drawn: below the text, right of the axes.
EMPTY_CELL = (0.0, -15.0)

# Whether each pixel of a canvas rectangle holds ink: "1" or "0", row by row.
INK_SCRIPT = """
const [x, y, w, h] = arguments[0];
const d = document.getElementById('view').getContext('2d').getImageData(x, y, w, h).data;
let out = '';
for (let i = 3; i < d.length; i += 4) out += d[i] > 128 ? '1' : '0';
return out;
"""


class Cell:
    """The ink of a square of canvas pixels, row by row."""

    def __init__(self, ink, side):
        self.ink = ink
        self.side = side

    def coverage(self, inset=0.0):
        """The share of pixels inked, of the whole cell or of what lies more than
        `inset` (a share of the side) inside its edges."""
        lo = int(self.side * inset)
        hi = self.side - lo
        inked = sum(self.ink[r * self.side + c] == "1" for r in range(lo, hi) for c in range(lo, hi))
        return inked / float((hi - lo) ** 2)

    def differs_from(self, other):
        """The share of pixels inked in one cell and not in the other."""
        return sum(a != b for a, b in zip(self.ink, other.ink)) / float(len(self.ink))


class CjkGlyphTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory(prefix="vemcad-cjk-")
        self.driver = vemcad_page.start_chromium(*BROWSER)

    def tearDown(self):
        self.driver.quit()
        self.folder.cleanup()

    def make_drawing(self):
        with open(os.path.join(self.folder.name, "axes.scr"), "w", encoding="utf-8") as f:
            f.write(DRAWING_SCRIPT)
        run = subprocess.run([VEMCAD, "--script", "axes.scr"], cwd=self.folder.name, stdout=subprocess.PIPE,
                             stderr=subprocess.STDOUT, text=True, timeout=60)
        self.assertEqual(run.returncode, 0, run.stdout)
        self.assertIn("Saved axes.vdb.", run.stdout)
        return "axes.vdb"

    def cells_shown(self, drawing, cjk_font=None):
        """The view's cells of the two characters and the empty cell, as the page shows
        the drawing served with VEM_CJK_FONT set to cjk_font (as it is when None)."""
        saved = os.environ.get("VEM_CJK_FONT")
        if cjk_font is not None:
            os.environ["VEM_CJK_FONT"] = cjk_font
        try:
            server = Server(VEMCAD, self.folder.name, drawing)
        finally:
            os.environ.pop("VEM_CJK_FONT", None)
            if saved is not None:
                os.environ["VEM_CJK_FONT"] = saved
        try:
            page = Page(self.driver, server)
            page.open()
            wait_for(page.drawn, "the drawing to be shown")
            page.settle()
            page.learn_transform()
            cells = {name: self.cell_at(page, corner) for name, corner in GLYPH_CELLS.items()}
            cells["empty"] = self.cell_at(page, EMPTY_CELL)
            return cells
        finally:
            self.assertEqual(server.quit(), 0, server.output)

    def cell_at(self, page, corner):
        """The cell whose lower-left corner is the drawing point corner, two pixels
        wider all round so that a square stroked along its edges lies inside."""
        self.assertGreater(page.scale() * TEXT_HEIGHT, 60, "the view shows the text too small to judge")
        left, top = page.to_pixel(corner[0], corner[1] + TEXT_HEIGHT)
        side = int(round(page.scale() * TEXT_HEIGHT)) + 4
        x, y = int(round(left)) - 2, int(round(top)) - 2
        return Cell(self.driver.execute_script(INK_SCRIPT, [x, y, side, side]), side)

    def test_the_view_fills_chinese_characters_with_their_glyphs_not_squares(self):
        drawing = self.make_drawing()
        shown = self.cells_shown(drawing)
        squares = self.cells_shown(drawing, "/nonexistent")
        self.assertLess(shown["empty"].coverage(), 0.002, "ink where nothing is drawn")
        for name in GLYPH_CELLS:
            glyph, square = shown[name], squares[name]
            # Without the font the cell holds a square's outline: ink along its edges,
            # none inside.
            self.assertGreater(square.coverage(), 0.01, "%s: no square without the outline font" % name)
            self.assertLess(square.coverage(inset=0.1), 0.002, "%s: the square is not an outline" % name)
            # With it, strokes fill part of the inside: neither nothing, nor a box, nor a
            # solid block.
            inside = glyph.coverage(inset=0.1)
            self.assertGreater(inside, 0.08, "%s: the glyph's cell is about empty inside" % name)
            self.assertLess(glyph.coverage(), 0.6, "%s: the glyph's cell is about all ink" % name)
            self.assertGreater(glyph.differs_from(square), 0.08, "%s: the glyph looks like the square" % name)
            self.assertGreater(glyph.differs_from(shown["empty"]), 0.08, "%s: the glyph looks empty" % name)
        # Two different characters, two different pictures.
        self.assertGreater(shown["北"].differs_from(shown["东"]), 0.05, "北 and 东 look alike")


def main():
    global VEMCAD, BROWSER
    parser = argparse.ArgumentParser()
    parser.add_argument("--vemcad", required=True)
    args, rest = parser.parse_known_args()
    try:
        BROWSER = vemcad_page.find_browser()
    except vemcad_page.Missing as missing:
        print("SKIPPED: the browser tests need chromium, chromium-driver and python3-selenium: %s" % missing)
        return vemcad_page.SKIP
    font = os.environ.get("VEM_CJK_FONT") or CJK_FONT
    if not os.path.isfile(font):
        print("SKIPPED: the CJK outline font %s is not installed" % font)
        return vemcad_page.SKIP
    VEMCAD = os.path.abspath(args.vemcad)
    started = time.monotonic()
    result = unittest.main(argv=[sys.argv[0]] + rest, exit=False, verbosity=2).result
    print("CJK glyph tests took %.1f s" % (time.monotonic() - started))
    return 0 if result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main())

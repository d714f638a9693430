#!/usr/bin/python3
"""PDF and SVG plots, whose glyphs are defined once and placed by reference, draw the same
picture as the PNG plot, which strokes every glyph where it stands; and the PDF's text
can be searched.

A drawing with labels under Chinese axis names (one copy turned), a plain text with
Chinese characters and a text fitted between two points (stretched) and its mirror image
is plotted by vemcad on A4 at 150 dpi as PNG, PDF and SVG. The PDF is drawn by poppler's
pdftoppm and the SVG by headless Chromium at the PNG's size; every inked pixel of each
picture must lie within a pixel of ink in the other. pdftotext of the PDF must give the
labels' values and the texts.

    plot_glyphs_check.py --vemcad PATH OUTDIR

The SVG comparison is skipped when Chromium, chromedriver or selenium is missing; the
whole check exits 77 (skipped) without pdftoppm or python3-cairo."""

import argparse
import os
import shutil
import subprocess
import sys

SKIPPED = 77
DPI = 150
TOLERANCE_PX = 1
MIN_AGREEMENT = 0.995
INK = 128  # a channel below this is ink

try:
    import cairo
except ImportError:
    print("SKIPPED: python3-cairo is not installed")
    sys.exit(SKIPPED)

SCRIPT = """LINE 0,0 120,0

LINE 0,0 0,80

EORI
-30,-30
北
U
3000
东
R
5000
500
1
3
ECOP
-30,-25
20,20
26,14

COPY
23,17

20,20
60,20

ROTATE
63,17

60,20
30
TEXT
10,60
5
0
Plain text 北京 abc
TEXT
J
F
10,70
90,70
5
FIT TEXT
MIRROR
L

0,50
10,50
N
"""

PLOT = "PLOT\n{name}\nA4\nLandscape\nExtents\nFit\nCenter\n{dpi}"
EXPECTED_TEXT = ["北=28000.000", "东=30000.000", "Plain text 北京 abc", "FIT TEXT"]


def plot_all(vemcad, out):
    lines = [SCRIPT]
    lines.append(PLOT.format(name="glyphs.png", dpi=f"{DPI}\n"))
    lines.append(PLOT.format(name="glyphs.pdf", dpi=""))
    lines.append(PLOT.format(name="glyphs.svg", dpi=""))
    lines.append("QUIT\nN\n")
    with open(os.path.join(out, "glyphs.scr"), "w", encoding="utf-8") as f:
        f.write("".join(lines))
    done = subprocess.run([vemcad, "--script", "glyphs.scr"], cwd=out, capture_output=True, text=True)
    if done.returncode != 0 or done.stdout.count("Plotted ") != 3:
        sys.exit(f"vemcad did not plot the three pictures:\n{done.stdout[-3000:]}\n{done.stderr}")


def ink_of(png):
    """The set of inked pixels (index y * width + x) of a PNG, and its width and height."""
    surface = cairo.ImageSurface.create_from_png(png)
    width, height, stride = surface.get_width(), surface.get_height(), surface.get_stride()
    data = surface.get_data()
    inked = set()
    for y in range(height):
        row = y * stride
        for x in range(width):
            b, g, r = data[row + 4 * x], data[row + 4 * x + 1], data[row + 4 * x + 2]
            if min(r, g, b) < INK:
                inked.add(y * width + x)
    return inked, width, height


def agreement(a, b, width):
    """The share of a's ink that lies within TOLERANCE_PX of b's."""
    if not a:
        return 0.0
    near = 0
    for i in a:
        y, x = divmod(i, width)
        if any((y + dy) * width + x + dx in b
               for dy in range(-TOLERANCE_PX, TOLERANCE_PX + 1)
               for dx in range(-TOLERANCE_PX, TOLERANCE_PX + 1)):
            near += 1
    return near / len(a)


def compare(name, reference, picture):
    """Compares the pictures' ink; a picture a pixel larger (a renderer rounding the
    page's size up) is compared on the PNG's pixels."""
    (a, w, h), (b, w2, h2) = reference, picture
    if not (0 <= w2 - w <= 1 and 0 <= h2 - h <= 1):
        return f"{name}: {w2} x {h2} pixels, the PNG is {w} x {h}"
    b = {(i // w2) * w + i % w2 for i in b if i % w2 < w and i // w2 < h}
    there, back = agreement(a, b, w), agreement(b, a, w)
    print(f"{name}: {len(b)} inked pixels, the PNG {len(a)}; agreement {there:.4f} / {back:.4f}")
    if min(there, back) < MIN_AGREEMENT or len(a) < 5000:
        return f"{name} does not draw what the PNG draws"
    return None


def svg_picture(out, width, height):
    """The SVG drawn by headless Chromium at the PNG's size, or None when it cannot be."""
    try:
        from selenium import webdriver
        from selenium.webdriver.chrome.service import Service
    except ImportError:
        print("SVG comparison skipped: python3-selenium is not installed")
        return None
    chromium = shutil.which("chromium") or shutil.which("chromium-browser")
    driver_path = shutil.which("chromedriver")
    if chromium is None or driver_path is None:
        print("SVG comparison skipped: chromium or chromium-driver is not installed")
        return None
    page = os.path.join(out, "glyphs.html")
    with open(page, "w", encoding="utf-8") as f:
        f.write(f'<html><body style="margin:0;overflow:hidden"><img src="glyphs.svg" '
                f'style="display:block;width:{width}px;height:{height}px"></body></html>')
    options = webdriver.ChromeOptions()
    options.binary_location = chromium
    for arg in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage",
                f"--window-size={width},{height}", "--force-device-scale-factor=1"):
        options.add_argument(arg)
    driver = webdriver.Chrome(service=Service(driver_path, log_path=os.devnull), options=options)
    try:
        driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                               {"width": width, "height": height, "deviceScaleFactor": 1, "mobile": False})
        driver.get("file://" + page)
        shot = os.path.join(out, "glyphs-svg.png")
        driver.save_screenshot(shot)
    finally:
        driver.quit()
    return ink_of(shot)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--vemcad", required=True)
    parser.add_argument("out")
    args = parser.parse_args()
    if shutil.which("pdftoppm") is None or shutil.which("pdftotext") is None:
        print("SKIPPED: poppler-utils is not installed")
        return SKIPPED
    os.makedirs(args.out, exist_ok=True)
    plot_all(os.path.abspath(args.vemcad), args.out)
    failures = []

    text = subprocess.run(["pdftotext", os.path.join(args.out, "glyphs.pdf"), "-"],
                          capture_output=True, text=True).stdout
    for expected in EXPECTED_TEXT:
        if expected not in text:
            failures.append(f"pdftotext does not find {expected!r} in:\n{text}")
    svg = open(os.path.join(args.out, "glyphs.svg"), encoding="utf-8").read()
    if svg.count("<use ") <= svg.count("<path id="):
        failures.append("the SVG does not use its glyph definitions more than once each")

    reference = ink_of(os.path.join(args.out, "glyphs.png"))
    subprocess.run(["pdftoppm", "-r", str(DPI), "-png", "-singlefile", "glyphs.pdf", "glyphs-pdf"],
                   cwd=args.out, check=True)
    failure = compare("PDF", reference, ink_of(os.path.join(args.out, "glyphs-pdf.png")))
    if failure:
        failures.append(failure)
    svg_ink = svg_picture(args.out, reference[1], reference[2])
    if svg_ink is not None:
        failure = compare("SVG", reference, svg_ink)
        if failure:
            failures.append(failure)
    for f in failures:
        print("FAILED:", f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())

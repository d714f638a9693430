#!/usr/bin/env python3
"""Takes the README's picture of vemcad in the browser: the demo site plan (made by
examples/demo.scr) served by vemcad --serve and open in headless Chromium at
1600 x 1000, its labels listed by a crossing window and a new point label under way,
the cursor snapped to a grid line end with its coordinates in the status bar.

usage: screenshot.py [--vemcad build/bin/vemcad] [--out docs/vemcad-browser.png]
"""
import argparse
import os
import subprocess
import sys
import tempfile

sys.dont_write_bytecode = True  # nothing written beside the sources
HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import vemcad_page  # noqa: E402
from vemcad_page import Page, Server, wait_for  # noqa: E402

ROOT = os.path.normpath(os.path.join(HERE, "..", "..", "..", ".."))


def make_demo_drawing(vemcad, folder):
    """Runs the demo script in folder; the path of the drawing it saves."""
    os.makedirs(os.path.join(folder, "build"), exist_ok=True)
    subprocess.run([vemcad, "--script", os.path.join(ROOT, "examples", "demo.scr")], cwd=folder,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
    return os.path.join(folder, "build", "demo.vdb")


def stage(page):
    """The page as a draughtsman at work sees it."""
    wait_for(page.drawn, "the drawing to be shown")
    page.settle()
    page.learn_transform()
    # The building's labels listed by a crossing window over the building.
    page.type("COLIST")
    a, b = page.to_pixel(62, 47), page.to_pixel(18, 18)
    page.drag_pixels(a, b)
    page.type("")
    # A new point label: the coordinate system picked, the cursor on a grid crossing.
    page.type("ECOP")
    page.click_world(-30, -25)
    page.hover_offset(*page.offset_of(*page.to_pixel(100.3, 78.5)))
    # The snap marker and the coordinates under the cursor come from the server.
    wait_for(lambda: page.driver.find_element("id", "readout").text != "", "the coordinates under the cursor")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--vemcad", default=os.path.join(ROOT, "build", "bin", "vemcad"))
    parser.add_argument("--out", default=os.path.join(ROOT, "docs", "vemcad-browser.png"))
    args = parser.parse_args()
    try:
        browser = vemcad_page.find_browser()
    except vemcad_page.Missing as missing:
        print("screenshot.py: %s" % missing, file=sys.stderr)
        return 1
    vemcad = os.path.abspath(args.vemcad)
    with tempfile.TemporaryDirectory(prefix="vemcad-screenshot-") as folder:
        server = Server(vemcad, folder, make_demo_drawing(vemcad, folder))
        driver = vemcad_page.start_chromium(*browser)
        try:
            page = Page(driver, server)
            page.open()
            stage(page)
            driver.save_screenshot(args.out)
        finally:
            driver.quit()
            server.quit()
    print("wrote %s (%d bytes)" % (args.out, os.path.getsize(args.out)))
    return 0


if __name__ == "__main__":
    sys.exit(main())

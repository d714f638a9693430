#!/usr/bin/python3
"""PLOT beside ezdxf's drawing add-on: DXF files written with ezdxf (plot_samples.py) are
opened in vemcad and plotted to PNG through a Window, and drawn by ezdxf's Frontend into
a cairo picture of the same window, page size and scale; the line work of the two
pictures must agree (see agreement()). Texts are on a layer frozen in the files, so
neither picture has them.

    plot_vs_ezdxf.py --vemcad PATH OUTDIR [--every-entity]

The modelled set (every entity the DXF reader models, in R2000 ASCII, GBK R2000 and UTF-8
R2018 files) is compared; with --every-entity, the files of every common entity instead
(the modelled ones with HATCH filled solid and with holes, SOLID, TRACE, 3DFACE, old-style
POLYLINE, LEADER, DIMENSION and IMAGE, in GBK R2000 and UTF-8 R2018). Pictures that
disagree are kept in OUTDIR with a third picture of where they differ (red: vemcad's ink
only, blue: ezdxf's only).
Exits 77 (skipped) when ezdxf or pycairo cannot be imported."""

import argparse
import array
import math
import os
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import plot_samples  # noqa: E402

SKIPPED = 77

try:
    import cairo
    import ezdxf
    from ezdxf.addons.drawing import Frontend, RenderContext
    from ezdxf.addons.drawing.backend import Backend
    from ezdxf.addons.drawing.config import Configuration
    from ezdxf.tools.fonts import FontMeasurements
except ImportError as exc:  # pragma: no cover - depends on the machine
    print(f"SKIPPED: {exc}; install the Debian packages python3-ezdxf and python3-cairo")
    sys.exit(SKIPPED)

PIXEL_WIDTH = 1600  # PLOT's page width when it fits an area
TOLERANCE_PX = 2
MIN_AGREEMENT = 0.97
MIN_INK = 2000  # pixels: a picture with less has lost most of its line work
INK_CONTRAST = 80  # how far below white a channel must be for a pixel to count as ink


class Page:
    """PLOT's page for a Window: the window fitted to PIXEL_WIDTH less a margin of a
    fortieth of the width on each side, the height following the window."""

    def __init__(self, window):
        (x1, y1), (x2, y2) = window
        self.min_x, self.max_x = min(x1, x2), max(x1, x2)
        self.min_y, self.max_y = min(y1, y2), max(y1, y2)
        w, h = self.max_x - self.min_x, self.max_y - self.min_y
        k = 96 / 25.4
        self.paper_w = PIXEL_WIDTH / k
        self.paper_h = h * (self.paper_w - 20) / w + 20
        s_mm = min((self.paper_w - 20) / w, (self.paper_h - 20) / h)
        self.scale = s_mm * k
        self.width = round(self.paper_w * k)
        self.height = round(self.paper_h * k)
        self.origin_x = (self.paper_w - w * s_mm) / 2 * k - self.min_x * self.scale
        self.origin_y = self.height - (self.paper_h - h * s_mm) / 2 * k + self.min_y * self.scale

    def device(self, point):
        return self.origin_x + point[0] * self.scale, self.origin_y - point[1] * self.scale


class CairoBackend(Backend):
    """Draws ezdxf's primitives in black, one device unit wide, clipped to the page's
    window; texts are not drawn."""

    def __init__(self, page):
        super().__init__()
        self.page = page
        self.surface = cairo.ImageSurface(cairo.FORMAT_RGB24, page.width, page.height)
        self.cr = cairo.Context(self.surface)
        self.clear()
        x, y = page.device((page.min_x, page.max_y))
        self.cr.rectangle(x, y, (page.max_x - page.min_x) * page.scale, (page.max_y - page.min_y) * page.scale)
        self.cr.clip()
        self.cr.set_source_rgb(0, 0, 0)
        self.cr.set_line_width(1.0)

    def _polyline(self, points):
        first = True
        for p in points:
            x, y = self.page.device(p)
            if first:
                self.cr.move_to(x, y)
                first = False
            else:
                self.cr.line_to(x, y)

    def set_background(self, color):
        pass  # always white, as PLOT's light page

    def draw_point(self, pos, properties):
        x, y = self.page.device(pos)
        self.cr.rectangle(math.floor(x), math.floor(y), 1, 1)
        self.cr.fill()

    def draw_line(self, start, end, properties):
        self._polyline((start, end))
        self.cr.stroke()

    def draw_path(self, path, properties):
        if len(path):
            self._polyline(path.flattening(distance=self.config.max_flattening_distance))
            self.cr.stroke()

    def draw_filled_paths(self, paths, holes, properties):
        self.cr.set_fill_rule(cairo.FILL_RULE_EVEN_ODD)
        for path in list(paths) + list(holes):
            self._polyline(path.flattening(distance=self.config.max_flattening_distance))
            self.cr.close_path()
        self.cr.fill()

    def draw_filled_polygon(self, points, properties):
        self._polyline(points)
        self.cr.close_path()
        self.cr.fill()

    def draw_text(self, text, transform, properties, cap_height):
        pass

    def get_font_measurements(self, cap_height, font=None):
        return FontMeasurements(baseline=0, cap_height=cap_height, x_height=cap_height * 0.6,
                                descender_height=cap_height * 0.2)

    def get_text_line_width(self, text, cap_height, font=None):
        return 0.0

    def clear(self):
        self.cr.set_source_rgb(1, 1, 1)
        self.cr.paint()


def ezdxf_picture(dxf, page):
    doc = ezdxf.readfile(dxf)
    backend = CairoBackend(page)
    # Curves flattened to a tenth of a pixel, as finely as PLOT draws them.
    config = Configuration.defaults().with_changes(max_flattening_distance=0.1 / page.scale)
    Frontend(RenderContext(doc), backend, config).draw_layout(doc.modelspace(), finalize=True)
    backend.surface.flush()
    return backend.surface


def vemcad_picture(vemcad, dxf, page, png):
    """OPEN of the DXF (as vemcad's argument), then PLOT of the page's window to png."""
    script = png + ".scr"
    with open(script, "w", encoding="utf-8") as f:
        f.write(f"PLOT\n{png}\nC\n{page.paper_w!r}\n{page.paper_h!r}\n{'L' if page.paper_w >= page.paper_h else 'P'}\n"
                f"W\n{page.min_x},{page.min_y}\n{page.max_x},{page.max_y}\nF\nC\n96\nQUIT\n")
    done = subprocess.run([vemcad, "--script", script, dxf], stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                          text=True, timeout=300)
    if done.returncode != 0 or not os.path.exists(png):
        sys.exit(f"vemcad did not plot {dxf} (exit {done.returncode}):\n{done.stdout}")
    surface = cairo.ImageSurface.create_from_png(png)
    if (surface.get_width(), surface.get_height()) != (page.width, page.height):
        sys.exit(f"vemcad's picture is {surface.get_width()} x {surface.get_height()}, "
                 f"the page computed here {page.width} x {page.height}:\n{done.stdout}")
    return surface


def ink(surface):
    """The set of (x, y) of the pixels where a colour channel is well below white."""
    width, height, stride = surface.get_width(), surface.get_height(), surface.get_stride()
    words = array.array("I", bytes(surface.get_data()))
    per_row = stride // 4
    found = set()
    for y in range(height):
        row = words[y * per_row:y * per_row + width]
        for x, v in enumerate(row):
            if v & 0xFFFFFF == 0xFFFFFF:
                continue
            if 255 - min((v >> 16) & 255, (v >> 8) & 255, v & 255) >= INK_CONTRAST:
                found.add((x, y))
    return found


def covered(a, b):
    """The share of a's ink within TOLERANCE_PX (in x and in y) of b's ink: a against b
    dilated by a square of side 2 * TOLERANCE_PX + 1."""
    if not a:
        return 0.0
    offsets = [(dx, dy) for dx in range(-TOLERANCE_PX, TOLERANCE_PX + 1)
               for dy in range(-TOLERANCE_PX, TOLERANCE_PX + 1)]
    hits = sum(1 for (x, y) in a if any((x + dx, y + dy) in b for dx, dy in offsets))
    return hits / len(a)


def agreement(ours, theirs):
    """Both ways: the share of vemcad's ink on ezdxf's line work dilated by 2 px, and of
    ezdxf's ink on vemcad's. The two rasterisers place a stroke differently by up to a
    pixel (pixel centres against edges, anti-aliasing, lineweights of one or two device
    units, curves flattened to different chords), which the 2 px dilation absorbs; an
    entity missing, drawn twice elsewhere, moved or mis-scaled by more than 0.2 drawing
    units (2 px at this page's 10 px a unit) leaves its whole ink uncovered on one side.
    The smallest entity of the samples (the bubble's circle, 4 units across) has some
    250 px of ink, over the 3% of a sample's line work a share of 97% leaves over, so a
    lost entity fails the comparison; a share of each side catches ink missing from
    either picture."""
    return covered(ours, theirs), covered(theirs, ours)


def write_difference(ours, theirs, page, path):
    surface = cairo.ImageSurface(cairo.FORMAT_RGB24, page.width, page.height)
    cr = cairo.Context(surface)
    cr.set_source_rgb(1, 1, 1)
    cr.paint()
    for pixels, colour in ((ours & theirs, (0.6, 0.6, 0.6)), (ours - theirs, (1, 0, 0)), (theirs - ours, (0, 0, 1))):
        cr.set_source_rgb(*colour)
        for x, y in pixels:
            cr.rectangle(x, y, 1, 1)
        cr.fill()
    surface.write_to_png(path)


def compare(vemcad, outdir, name, writer):
    dxf = os.path.join(outdir, name)
    writer(dxf)
    page = Page(plot_samples.WINDOW)
    stem = os.path.splitext(dxf)[0]
    ours = ink(vemcad_picture(vemcad, dxf, page, stem + "_vemcad.png"))
    theirs_surface = ezdxf_picture(dxf, page)
    theirs = ink(theirs_surface)
    ours_share, theirs_share = agreement(ours, theirs)
    ok = ours_share >= MIN_AGREEMENT and theirs_share >= MIN_AGREEMENT and min(len(ours), len(theirs)) >= MIN_INK
    print(f"{name:28} ink vemcad {len(ours):6} ezdxf {len(theirs):6}   on the other's: vemcad {ours_share:7.2%} "
          f"ezdxf {theirs_share:7.2%}   {'ok' if ok else 'DIFFERENT'}")
    if ok:
        os.remove(stem + "_vemcad.png")
    else:
        theirs_surface.write_to_png(stem + "_ezdxf.png")
        write_difference(ours, theirs, page, stem + "_difference.png")
        print(f"  kept {stem}_vemcad.png, {stem}_ezdxf.png and {stem}_difference.png")
    return ok


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--vemcad", required=True)
    parser.add_argument("--every-entity", action="store_true",
                        help="compare the files of every common entity instead of the modelled set")
    parser.add_argument("outdir")
    args = parser.parse_args()
    os.makedirs(args.outdir, exist_ok=True)
    samples = plot_samples.EVERY_ENTITY if args.every_entity else plot_samples.MODELLED
    results = [compare(args.vemcad, args.outdir, name, writer) for name, writer in samples]
    return 0 if all(results) else 1


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""Writes with ezdxf the drawing dxf_reader_ezdxf_test reads: one of every common entity
(the host's classes, and a HATCH and a DIMENSION it does not model), a layer with a
Chinese name and every setting, a text style with fonts, a block with an attribute
definition and a reference to it with its attribute, and a circle in paper space. It
goes out as R2000 (texts escaped as \\U+XXXX) and as R2018 (UTF-8).
Usage: dxf_ezdxf_files.py OUTDIR. Exits 77 (skipped) when ezdxf cannot be imported."""

import math
import os
import sys

try:
    import ezdxf
except ImportError as exc:  # pragma: no cover - depends on the machine
    print(f"SKIPPED: ezdxf cannot be imported ({exc}); install the Debian package python3-ezdxf")
    sys.exit(77)


def draw(version):
    doc = ezdxf.new(version)
    doc.header["$PDMODE"] = 3
    doc.header["$PDSIZE"] = 1.5
    doc.linetypes.add("DASHED", pattern=[0.75, 0.5, -0.25], description="Dashed __ __")
    layer = doc.layers.add("地形", color=3, linetype="DASHED", lineweight=50)
    layer.lock()
    layer.freeze()
    doc.styles.add("HZ", font="txt.shx").dxf.bigfont = "gbcbig.shx"
    msp = doc.modelspace()
    attribs = {"layer": "地形"}
    msp.add_line((0, 0, 0), (10, 5, 1), dxfattribs={"layer": "地形", "color": 1, "lineweight": 35})
    msp.add_lwpolyline([(0, 0, 0.1, 0.2, 0.5), (5, 0, 0.3, 0.3, 0), (5, 5, 0, 0, 0)], format="xyseb",
                       close=True, dxfattribs={"elevation": 2.0})
    msp.add_circle((1, 2), 4.0, dxfattribs=attribs)
    msp.add_arc((10, 10), 7.0, 30, 240)
    msp.add_ellipse((3, 3), major_axis=(7, 2, 0), ratio=0.5, start_param=0.5, end_param=4.0)
    msp.add_spline([(3, 4), (8, 15), (12, 6), (17, 14)])
    msp.add_point((1, 1))
    msp.add_text("高程 12.5", dxfattribs={"style": "HZ", "height": 3.0, "rotation": 30, "insert": (4, 5)})
    msp.add_mtext("N 文字\\Pline two", dxfattribs={"char_height": 2.5, "insert": (3, 12), "attachment_point": 5})
    block = doc.blocks.new("BUBBLE", base_point=(1, 2))
    block.add_circle((0, 0), 5)
    block.add_attdef("NO", (-2, -1), dxfattribs={"prompt": "Number:", "height": 2.0})
    ref = msp.add_blockref("BUBBLE", (20, 20), dxfattribs={"xscale": 1.5, "rotation": 17})
    ref.add_attrib("NO", "A7", (22, 21), dxfattribs={"height": 2.5})
    hatch = msp.add_hatch(color=2)
    hatch.paths.add_polyline_path([(0, 0), (1, 0), (1, 1)], is_closed=True)
    msp.add_linear_dim(base=(0, -3), p1=(0, 0), p2=(10, 0)).render()
    doc.layout("Layout1").add_circle((50, 50), 10)
    return doc


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    for version, name in (("R2000", "ezdxf_r2000.dxf"), ("R2018", "ezdxf_r2018.dxf")):
        draw(version).saveas(os.path.join(out, name))
    return 0


if __name__ == "__main__":
    sys.exit(main())

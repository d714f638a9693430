#!/usr/bin/python3
"""Writes the dxf_read target's seeds that come from another program: DXF files written
by ezdxf, with what vemcad does not write itself (HATCH, DIMENSION with its block,
LEADER, old-style 2D and 3D POLYLINE, SOLID, 3DFACE, XDATA on entities, a GBK code
page). A full R2000 or R2018 file of ezdxf is some 15 KB, most of it tables and
objects; the *-entities seeds keep the HEADER's version and the ENTITIES section only,
which the reader also takes, so that most seeds stay a few KB.

    /usr/bin/python3 tests/fuzz/ezdxf_seeds.py tests/fuzz/corpus/dxf_read
"""

import os
import sys

import ezdxf


def drawing(version):
    doc = ezdxf.new(version)
    doc.appids.new("VEMTEST")
    msp = doc.modelspace()
    line = msp.add_line((0, 0), (10, 5))
    line.set_xdata("VEMTEST", [(1000, "label"), (1040, 12.5), (1070, 3), (1010, (1, 2, 0))])
    msp.add_polyline2d([(0, 0), (3, 1), (4, 4)], dxfattribs={"flags": 1})
    msp.add_polyline3d([(0, 0, 0), (1, 2, 3), (4, 1, 2)])
    msp.add_circle((1, 2), 4.0)
    msp.add_arc((10, 10), 7.0, 30, 240)
    msp.add_text("T 1", dxfattribs={"height": 2.0, "insert": (4, 5)})
    if version != "R12":
        msp.add_lwpolyline([(0, 0, 0.5), (5, 0, 0), (5, 5, -1)], format="xyb", close=True)
        msp.add_ellipse((3, 3), major_axis=(7, 2, 0), ratio=0.5)
        msp.add_spline([(3, 4), (8, 15), (12, 6)])
        msp.add_mtext("M\\Ptwo", dxfattribs={"char_height": 2.5, "insert": (3, 12)})
        hatch = msp.add_hatch(color=2)
        hatch.paths.add_polyline_path([(0, 0), (1, 0), (1, 1)], is_closed=True)
        msp.add_leader([(0, 0), (5, 5), (8, 5)])
    msp.add_solid([(0, 0), (1, 0), (0, 1), (1, 1)])
    msp.add_3dface([(0, 0, 0), (1, 0, 0), (1, 1, 1), (0, 1, 0)])
    msp.add_linear_dim(base=(0, -3), p1=(0, 0), p2=(10, 0)).render()
    return doc


def gbk_drawing():
    doc = ezdxf.new("R2000")
    doc.encoding = "gbk"  # written as $DWGCODEPAGE ANSI_936
    doc.layers.add("地形", color=3)
    msp = doc.modelspace()
    msp.add_text("高程 12.5", dxfattribs={"layer": "地形", "height": 2.0})
    msp.add_line((0, 0), (1, 1), dxfattribs={"layer": "地形"})
    return doc


def entities_only(path):
    """The file cut down to its version, code page and ENTITIES section."""
    with open(path, "rb") as f:
        pairs = f.read().split(b"\n")
    head = [b"  0", b"SECTION", b"  2", b"HEADER"]
    for name in (b"$ACADVER", b"$DWGCODEPAGE"):
        if name in pairs:
            at = pairs.index(name)
            head += pairs[at - 1:at + 3]
    head += [b"  0", b"ENDSEC"]
    start = pairs.index(b"ENTITIES") - 3
    end = start + pairs[start:].index(b"ENDSEC") + 1
    with open(path, "wb") as f:
        f.write(b"\n".join(head + pairs[start:end] + [b"  0", b"EOF", b""]))


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    for version in ("R12", "R2000", "R2018"):
        drawing(version).saveas(os.path.join(out, f"ezdxf-{version.lower()}.dxf"))
    for version in ("R2000", "R2018"):
        path = os.path.join(out, f"ezdxf-{version.lower()}-entities.dxf")
        drawing(version).saveas(path)
        entities_only(path)
    gbk_drawing().saveas(os.path.join(out, "ezdxf-gbk-entities.dxf"), encoding="gbk")
    entities_only(os.path.join(out, "ezdxf-gbk-entities.dxf"))
    return 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""Writes with ezdxf the drawings dxf_pass_through_read_test reads: entities of classes
the host does not model (HATCH, DIMENSION with its *D block, SOLID, 3DFACE, LEADER,
old-style 2D polyline with bulges, 3D polyline, polyface mesh, MINSERT, IMAGE with its
IMAGEDEF), a dictionary with an XRECORD, XDATA of another application on a LINE, on a
HATCH and on a layer, and an extension dictionary on the LINE. It goes out as R2000 in
the GBK code page (Chinese in the dimension's text and in XDATA) and as R2018 (UTF-8).
Usage: dxf_ezdxf_kept_files.py OUTDIR. Exits 77 (skipped) when ezdxf cannot be imported."""

import os
import sys

try:
    import ezdxf
except ImportError as exc:  # pragma: no cover - depends on the machine
    print(f"SKIPPED: ezdxf cannot be imported ({exc}); install the Debian package python3-ezdxf")
    sys.exit(77)


def draw(version):
    doc = ezdxf.new(version)
    doc.appids.new("FOREIGN")
    layer = doc.layers.add("地形", color=3)
    layer.set_xdata("FOREIGN", [(1000, "图层"), (1070, 7)])
    msp = doc.modelspace()
    line = msp.add_line((0, 0), (10, 5), dxfattribs={"layer": "地形"})
    line.set_xdata("FOREIGN", [(1000, "高程"), (1040, 1.5)])
    xdict = line.new_extension_dict()
    xdict.add_xrecord("VEMREC").reset([(1, "记录"), (40, 2.5)])
    hatch = msp.add_hatch(color=2)
    hatch.paths.add_polyline_path([(0, 0), (1, 0), (1, 1)], is_closed=True)
    hatch.set_xdata("FOREIGN", [(1000, "填充")])
    msp.add_linear_dim(base=(0, -3), p1=(0, 0), p2=(10, 0), text="长度 <>").render()
    msp.add_solid([(0, 0), (1, 0), (0, 1), (1, 1)])
    msp.add_3dface([(0, 0, 0), (1, 0, 0), (1, 1, 1), (0, 1, 1)])
    msp.add_leader([(0, 0), (5, 5), (8, 5)])
    pline = msp.add_polyline2d([(0, 0), (5, 0), (5, 5)], close=True)
    pline.vertices[0].dxf.bulge = 0.5
    msp.add_polyline3d([(0, 0, 0), (1, 2, 3), (4, 5, 6)])
    mesh = msp.add_polyface()
    mesh.append_face([(0, 0, 0), (1, 0, 0), (1, 1, 0), (0, 1, 0)])
    block = doc.blocks.new("BOX")
    block.add_line((0, 0), (1, 1))
    msp.add_blockref("BOX", (20, 20)).grid(size=(2, 3), spacing=(10, 10))
    image_def = doc.add_image_def(filename="site.png", size_in_pixel=(64, 32))
    msp.add_image(image_def, insert=(30, 30), size_in_units=(6.4, 3.2))
    own = doc.rootdict.add_new_dict("VEMTEST")
    record = doc.objects.add_xrecord(owner=own.dxf.handle)
    record.reset([(1, "abc"), (40, 1.5)])
    own["REC"] = record
    return doc


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    gbk = os.path.join(out, "kept_r2000_gbk.dxf")
    draw("R2000").saveas(gbk, encoding="gbk")
    # ezdxf writes the GBK bytes but names ANSI_1252 in the header.
    with open(gbk, "rb") as f:
        data = f.read()
    data = data.replace(b"$DWGCODEPAGE\n  3\nANSI_1252\n", b"$DWGCODEPAGE\n  3\nANSI_936\n")
    with open(gbk, "wb") as f:
        f.write(data)
    draw("R2018").saveas(os.path.join(out, "kept_r2018.dxf"))
    return 0


if __name__ == "__main__":
    sys.exit(main())

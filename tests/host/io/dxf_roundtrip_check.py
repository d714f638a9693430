#!/usr/bin/env python3
"""DXF round trip through vemcad: drawings written with ezdxf (the kept-objects drawings
of dxf_ezdxf_kept_files.py, R2018 and GBK R2000, and one with every common entity and
table record) are opened, annotated (a coordinate system and a point label), one kept
SOLID moved by 10,0, and written back with DXFOUT in the file's own version. Every
object of the original must come back with its handle, its DXF attributes (defaults
filled in), its XDATA and its geometry (hatch paths, polyline vertices and points,
spline control points, multiline text, a reference's attributes); the SOLID must have
moved, the label's pieces must be there and ezdxf's audit must find nothing.
Usage: dxf_roundtrip_check.py VEMCAD OUTDIR. Exits 77 (skipped) without ezdxf."""

import math
import os
import re
import subprocess
import sys

try:
    import ezdxf
    import ezdxf.math
    import ezdxf.render.mleader
except ImportError as exc:  # pragma: no cover - depends on the machine
    print(f"SKIPPED: ezdxf cannot be imported ({exc}); install the Debian package python3-ezdxf")
    sys.exit(77)

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import dxf_ezdxf_kept_files  # noqa: E402

SOLID_AT = (500.0, 500.0)


def every_entity_drawing():
    doc = ezdxf.new("R2018")
    doc.appids.new("FOREIGN")
    doc.linetypes.add("RTDASHED", pattern=[0.75, 0.5, -0.25], description="Dashed __ __")
    doc.styles.add("RTSTYLE", font="arial.ttf")
    layer = doc.layers.add("RTLAYER", color=5, linetype="RTDASHED")
    layer.dxf.lineweight = 35
    doc.layers.add("RTFROZEN").freeze()
    doc.layers.add("RTLOCKED").lock()
    msp = doc.modelspace()
    line = msp.add_line((0, 0), (10, 5), dxfattribs={"layer": "RTLAYER"})
    line.set_xdata("FOREIGN", [(1000, "line"), (1040, 1.5)])
    msp.add_circle((5, 5), 2, dxfattribs={"layer": "RTFROZEN"})
    msp.add_arc((5, 5), 3, 10, 200, dxfattribs={"layer": "RTLOCKED"})
    msp.add_ellipse((20, 0), major_axis=(4, 1), ratio=0.5, start_param=0.2, end_param=4.0)
    msp.add_open_spline([(0, 0), (2, 3), (5, 1), (8, 4)])
    msp.add_lwpolyline([(0, 10, 0, 0, 0.5), (5, 10, 0, 0, -1), (5, 15)], format="xyseb", close=True)
    msp.add_point((3, 3, 1))
    msp.add_text("plain text", dxfattribs={"style": "RTSTYLE", "height": 2.5}).set_pos((0, 20))
    msp.add_mtext("multi\\Pline text", dxfattribs={"char_height": 2}).set_location((0, 30))
    block = doc.blocks.new("RTBLOCK")
    block.add_circle((0, 0), 1)
    block.add_attdef("TAG", (0, 0), dxfattribs={"height": 1})
    ref = msp.add_blockref("RTBLOCK", (40, 40), dxfattribs={"xscale": 0.25})
    ref.add_auto_attribs({"TAG": "value"})
    hatch = msp.add_hatch(color=3)
    hatch.paths.add_polyline_path([(0, 0), (4, 0), (4, 4)], is_closed=True)
    edges = hatch.paths.add_edge_path()
    edges.add_line((10, 0), (14, 0))
    edges.add_arc((12, 0), 2, 0, 180)
    hatch.set_xdata("FOREIGN", [(1000, "hatch")])
    msp.add_solid([SOLID_AT, (SOLID_AT[0] + 1, SOLID_AT[1]), (SOLID_AT[0], SOLID_AT[1] + 1)])
    msp.add_3dface([(0, 0, 0), (1, 0, 0), (1, 1, 1), (0, 1, 1)])
    pline = msp.add_polyline2d([(0, 50), (5, 50), (5, 55)], close=True)
    pline.vertices[0].dxf.bulge = 0.5
    msp.add_polyline3d([(0, 0, 0), (1, 2, 3), (4, 5, 6)])
    face = msp.add_polyface()
    face.append_face([(0, 0, 0), (1, 0, 0), (1, 1, 0), (0, 1, 0)])
    mesh = msp.add_polymesh(size=(2, 2))
    for m in range(2):
        for n in range(2):
            mesh.set_mesh_vertex((m, n), (m, n, m * n))
    msp.add_leader([(60, 0), (65, 5), (68, 5)])
    msp.add_linear_dim(base=(0, -3), p1=(0, 0), p2=(10, 0)).render()
    image_def = doc.add_image_def(filename="site.png", size_in_pixel=(64, 32))
    msp.add_image(image_def, insert=(30, 30), size_in_units=(6.4, 3.2))
    msp.add_xline((0, 0), (1, 1))
    msp.add_ray((0, 0), (1, -1))
    try:
        builder = msp.add_multileader_mtext("Standard")
        builder.set_content("leader")
        builder.add_leader_line(ezdxf.render.mleader.ConnectionSide.left, [ezdxf.math.Vec2(70, 10)])
        builder.build(insert=ezdxf.math.Vec2(75, 15))
    except (AttributeError, ImportError, ezdxf.DXFError):  # not in every ezdxf
        pass
    own = doc.rootdict.add_new_dict("RTDICT")
    record = doc.objects.add_xrecord(owner=own.dxf.handle)
    record.reset([(1, "abc"), (40, 1.5)])
    own["REC"] = record
    doc.groups.new("RTGROUP").extend([line, hatch])
    return doc


def write_drawings(out):
    """(file name, DXFOUT version) of each drawing written."""
    kept = os.path.join(out, "kept_r2000_gbk.dxf")
    dxf_ezdxf_kept_files.draw("R2000").saveas(kept, encoding="gbk")
    with open(kept, "rb") as f:
        data = f.read()
    with open(kept, "wb") as f:
        f.write(data.replace(b"$DWGCODEPAGE\n  3\nANSI_1252\n", b"$DWGCODEPAGE\n  3\nANSI_936\n"))
    dxf_ezdxf_kept_files.draw("R2018").saveas(os.path.join(out, "kept_r2018.dxf"))
    every_entity_drawing().saveas(os.path.join(out, "every_r2018.dxf"))
    return [("kept_r2018.dxf", "R2018"), ("kept_r2000_gbk.dxf", "R2000"), ("every_r2018.dxf", "R2018")]


def script(name, version, out_name, move):
    x, y = SOLID_AT
    lines = ["OPEN", name,
             "EORI", "-30,-30", "X", "U", "3000", "Y", "R", "5000", "500", "1", "3",
             "ECOP", "-30,-25", "20,20", "26,14", ""]
    if move:
        lines += ["MOVE", "W", f"{x - 1},{y - 1}", f"{x + 2},{y + 2}", "", "0,0", "10,0"]
    return "\n".join(lines + ["DXFOUT", "Version", version, out_name, "QUIT", "No", ""])


UNICODE_ESCAPE = re.compile(r"\\U\+([0-9A-Fa-f]{4})")


def plain(v):
    """Values as compared: floats rounded, vectors as tuples, \\U+ escapes resolved
    (ezdxf leaves them in the names and XDATA of files before R2007)."""
    if isinstance(v, str):
        return UNICODE_ESCAPE.sub(lambda m: chr(int(m.group(1), 16)), v)
    if isinstance(v, float):
        return round(v, 9) + 0.0
    if isinstance(v, (list, tuple)) or type(v).__name__ in ("Vec3", "Vec2"):
        return tuple(plain(x) for x in v)
    return v


def normalise(dxftype, d):
    """Values that say the same thing written another way."""
    # Multiline text without a width is written with width 0: both mean no wrapping.
    if dxftype == "MTEXT" and not d.get("width"):
        d.pop("width", None)
    # A spline's planar and linear flags follow from its points and are computed.
    if dxftype == "SPLINE":
        d["flags"] = d.get("flags", 0) & ~(8 | 16)
    # The alignment point of left-aligned text on its base line means nothing.
    if dxftype in ("TEXT", "ATTRIB", "ATTDEF") and not d.get("halign") and not d.get("valign"):
        d.pop("align_point", None)


def defaults_filled(e, k, v):
    if v is None:
        try:
            v = e.dxf.get_default(k)
        except Exception:
            pass
    return plain(v.upper() if isinstance(v, str) and k == "linetype" else v)


def edge_values(edge):
    names = getattr(edge, "__slots__", None) or list(vars(edge))
    return tuple((n, plain(getattr(edge, n, None))) for n in names if not n.startswith("_"))


def geometry(e):
    t = e.dxftype()
    if t == "HATCH":
        return [(type(p).__name__, plain(list(getattr(p, "vertices", []))),
                 [edge_values(x) for x in getattr(p, "edges", [])]) for p in e.paths]
    if t == "POLYLINE":
        return [plain(v.dxf.location) for v in e.vertices]
    if t == "LWPOLYLINE":
        return plain(list(e.get_points()))
    if t == "SPLINE":
        return plain((list(e.control_points), list(e.fit_points), list(e.knots), list(e.weights)))
    if t == "MTEXT":
        return plain(e.text)
    if t == "INSERT":
        return [(plain(a.dxf.tag), plain(a.dxf.text)) for a in e.attribs]
    return None


def xdata_of(e):
    if not getattr(e, "xdata", None):
        return {}
    return {k: [(tag.code, plain(tag.value)) for tag in v] for k, v in e.xdata.data.items()}


def compare(original, output, move):
    a, b = ezdxf.readfile(original), ezdxf.readfile(output)
    seed = int(a.header.get("$HANDSEED", "0"), 16)
    B = {e.dxf.handle: e for e in b.entitydb.values()}
    faults = []
    moved = None
    for e in a.entitydb.values():
        h = e.dxf.handle
        if h is None or int(h, 16) >= seed:  # made by ezdxf while loading
            continue
        f = B.get(h)
        if f is None:
            faults.append(f"{h} {e.dxftype()} is missing")
            continue
        if e.dxftype() != f.dxftype():
            faults.append(f"{h} is {f.dxftype()}, was {e.dxftype()}")
            continue
        da, db = e.dxfattribs(), f.dxfattribs()
        if move and e.dxftype() == "SOLID" and plain(da["vtx0"])[:2] == SOLID_AT:
            moved = (plain(da["vtx0"]), plain(db["vtx0"]))
            da = {k: v for k, v in da.items() if not k.startswith("vtx")}
            db = {k: v for k, v in db.items() if not k.startswith("vtx")}
        for d in (da, db):
            normalise(e.dxftype(), d)
        bad = [(k, da.get(k), db.get(k)) for k in sorted(set(da) | set(db))
               if defaults_filled(e, k, da.get(k)) != defaults_filled(f, k, db.get(k))]
        if bad:
            faults.append(f"{h} {e.dxftype()} attributes differ: {bad[:6]}")
        if xdata_of(e) != xdata_of(f):
            faults.append(f"{h} {e.dxftype()} XDATA differs: {xdata_of(e)} / {xdata_of(f)}")
        if geometry(e) != geometry(f):
            faults.append(f"{h} {e.dxftype()} geometry differs: {geometry(e)} / {geometry(f)}")
    if moved is None and move:
        faults.append("the SOLID to move is not there")
    elif move and not (math.isclose(moved[1][0], moved[0][0] + 10) and math.isclose(moved[1][1], moved[0][1])):
        faults.append(f"the SOLID did not move by 10,0: {moved}")
    label = [e.dxftype() for e in b.modelspace() if e.dxf.handle not in a.entitydb and e.has_xdata("VEM")]
    if "MTEXT" not in label or not ({"LINE", "LWPOLYLINE"} & set(label)):
        faults.append(f"the label's pieces are missing: {label}")
    escaped = a.dxfversion < "AC1021"
    for err in b.audit().errors:
        if not (escaped and "\\U+" in err.message):
            faults.append("audit: " + err.message)
    return faults


def main():
    vemcad, out = os.path.abspath(sys.argv[1]), sys.argv[2]
    os.makedirs(out, exist_ok=True)
    failed = False
    for name, version in write_drawings(out):
        move = name.startswith("every")
        out_name = "out_" + name
        scr = os.path.join(out, name + ".scr")
        with open(scr, "w", encoding="utf-8") as f:
            f.write(script(name, version, out_name, move) + "\n")
        if os.path.exists(os.path.join(out, out_name)):
            os.remove(os.path.join(out, out_name))
        run = subprocess.run([vemcad, "--script", scr], cwd=out, capture_output=True, text=True, timeout=120)
        if not os.path.exists(os.path.join(out, out_name)):
            print(f"{name}: vemcad wrote nothing (exit {run.returncode})\n{run.stdout[-2000:]}{run.stderr[-2000:]}")
            failed = True
            continue
        faults = compare(os.path.join(out, name), os.path.join(out, out_name), move)
        for fault in faults:
            print(f"{name}: {fault}")
        failed = failed or bool(faults)
        print(f"{name}: {'FAILED' if faults else 'round trip exact'}")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())

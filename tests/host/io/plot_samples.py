"""The DXF files plot_vs_ezdxf.py plots with vemcad and draws with ezdxf, written with
ezdxf at test time. Every text (TEXT, MTEXT, ATTRIB, ATTDEF, a dimension's measurement)
is on a layer frozen in the file, so that only line work is compared: the two programs
draw texts with different fonts.

Each sample is (file name, writer, window): the window is the part of model space both
pictures show, as PLOT's Window corners."""

TEXT_LAYER = "文字"  # frozen; a Chinese name, so that a file decoded wrongly shows its texts
WINDOW = ((-20.0, -30.0), (130.0, 70.0))


def _layers(doc):
    doc.layers.add("地形", color=3)
    doc.layers.add("WALLS", color=1)
    texts = doc.layers.add(TEXT_LAYER, color=7)
    texts.freeze()


def _block(doc):
    block = doc.blocks.new("BUBBLE", base_point=(0, 0))
    block.add_circle((0, 0), 4)
    block.add_line((-4, 0), (4, 0))
    block.add_attdef("NO", (-1, 1), dxfattribs={"height": 2.0, "layer": TEXT_LAYER})


def _modelled_entities(doc):
    """One of each entity the reader models today, spread over the window."""
    msp = doc.modelspace()
    msp.add_line((0, 0), (40, 15), dxfattribs={"layer": "地形"})
    msp.add_line((-10, -20), (120, -20), dxfattribs={"layer": "WALLS"})
    msp.add_lwpolyline([(0, 20, 0.5), (20, 20, 0), (20, 35, -0.7), (5, 40, 0)], format="xyb", close=True,
                       dxfattribs={"layer": "WALLS"})
    msp.add_circle((60, 10), 12)
    msp.add_arc((95, 10), 15, 30, 250)
    msp.add_ellipse((60, 45), major_axis=(15, 4, 0), ratio=0.4)
    msp.add_ellipse((100, 45), major_axis=(0, 10, 0), ratio=0.6, start_param=0.3, end_param=4.5)
    # Splines by control points, and by fit points with their end tangents: fit points
    # alone leave the end tangents to each program's own estimate, which differ.
    msp.add_open_spline([(30, -10), (45, 5), (60, -12), (80, -5), (110, -15)])
    fitted = msp.add_spline([(30, 0), (40, 8), (50, 2), (58, 6)])
    fitted.dxf.start_tangent = (1, 1, 0)
    fitted.dxf.end_tangent = (1, -0.5, 0)
    msp.add_point((115, 60))
    msp.add_text("高程 12.5", dxfattribs={"layer": TEXT_LAYER, "height": 3.0, "insert": (0, 50)})
    msp.add_mtext("说明\\Pline two", dxfattribs={"layer": TEXT_LAYER, "char_height": 2.5, "insert": (30, 60)})
    for i, (x, y) in enumerate(((10, -5), (120, 25))):
        ref = msp.add_blockref("BUBBLE", (x, y), dxfattribs={"xscale": 1.0 + 0.5 * i, "yscale": 1.0 + 0.5 * i,
                                                               "rotation": 30 * i})
        ref.add_attrib("NO", f"A{i}", (x - 1, y + 1), dxfattribs={"height": 2.0, "layer": TEXT_LAYER})


def _unmodelled_entities(doc):
    """The entities the reader does not keep yet, in the window's empty strip at the top
    and beside the others."""
    msp = doc.modelspace()
    # Solid fills: a square with a hole that holds an island, and a slot whose ends are
    # arcs (edge paths) below the walls' line.
    hatch = msp.add_hatch(color=2)
    hatch.paths.add_polyline_path([(-15, 55), (-5, 55), (-5, 65), (-15, 65)], is_closed=True, flags=1)
    hatch.paths.add_polyline_path([(-13, 57), (-7, 57), (-7, 63), (-13, 63)], is_closed=True, flags=16)
    hatch.paths.add_polyline_path([(-11, 59), (-9, 59), (-9, 61), (-11, 61)], is_closed=True, flags=0)
    slot = msp.add_hatch(color=5)
    edges = slot.paths.add_edge_path(flags=1)
    edges.add_line((0, -28), (20, -28))
    edges.add_arc((20, -25), 3, -90, 90)
    edges.add_line((20, -22), (0, -22))
    edges.add_arc((0, -25), 3, 90, 270)
    msp.add_solid([(0, 55), (8, 55), (0, 63), (8, 63)])
    msp.add_trace([(30, -28), (45, -28), (30, -23), (42, -22)])
    msp.add_3dface([(12, 55, 0), (20, 55, 0), (20, 63, 2), (12, 62, 0)])
    msp.add_polyline2d([(25, 55), (32, 57), (30, 64)], close=True)
    msp.add_polyline3d([(36, 55, 0), (42, 62, 3), (48, 56, 1)])
    msp.add_leader([(52, 55), (58, 62), (66, 62)])
    dim = msp.add_linear_dim(base=(70, 66), p1=(70, 56), p2=(90, 56))
    dim.render()
    # ezdxf's drawing add-on draws no IMAGE (not even its frame): the image is read, on a
    # layer frozen like the texts' so that vemcad's picture leaves it out too.
    image_def = doc.add_image_def(filename="site.png", size_in_pixel=(64, 48))
    msp.add_image(image_def, insert=(95, 52), size_in_units=(16, 12), dxfattribs={"layer": TEXT_LAYER})
    _texts_to_frozen_layer(doc)


def _texts_to_frozen_layer(doc):
    """The dimension's measurement, written into its block by render(), joins the other texts."""
    for block in doc.blocks:
        for entity in block:
            if entity.dxftype() in ("TEXT", "MTEXT", "ATTDEF"):
                entity.dxf.layer = TEXT_LAYER


def _new(version, encoding=None):
    import ezdxf

    doc = ezdxf.new(version)
    if encoding:
        doc.encoding = encoding  # written as the header's $DWGCODEPAGE (gbk: ANSI_936)
    doc.header["$PDMODE"] = 0
    _layers(doc)
    _block(doc)
    return doc


def write_modelled_r2000(path):
    doc = _new("R2000")
    _modelled_entities(doc)
    doc.saveas(path)  # texts ASCII with \U+XXXX escapes


def write_modelled_gbk(path):
    doc = _new("R2000", "gbk")
    _modelled_entities(doc)
    doc.saveas(path, encoding="gbk")


def write_modelled_r2018(path):
    doc = _new("R2018")
    _modelled_entities(doc)
    doc.saveas(path)  # UTF-8


def write_every_entity(path):
    doc = _new("R2018")
    _modelled_entities(doc)
    _unmodelled_entities(doc)
    doc.saveas(path)  # UTF-8


def write_every_entity_gbk(path):
    doc = _new("R2000", "gbk")
    _modelled_entities(doc)
    _unmodelled_entities(doc)
    doc.saveas(path, encoding="gbk")


MODELLED = (
    ("modelled_r2000.dxf", write_modelled_r2000),
    ("modelled_gbk_r2000.dxf", write_modelled_gbk),
    ("modelled_utf8_r2018.dxf", write_modelled_r2018),
)
EVERY_ENTITY = (
    ("every_entity_utf8_r2018.dxf", write_every_entity),
    ("every_entity_gbk_r2000.dxf", write_every_entity_gbk),
)

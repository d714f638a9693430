#!/usr/bin/python3
"""DXFOUT and DXF input beside ezdxf: both write the same exploded labels and read the
same file, timed in one run.

vemcad annotates a drawing with N point labels (one ECOP, then copies), saves it and
writes it with DXFOUT; the DXFOUT time is the difference between opening the drawing
and writing it, and opening it alone (best of three each). ezdxf then writes the very
entities of that DXF (per label a leader and an underline LINE and two MTEXT, with their
layer, style, height, rotation and attachment) into a new document, and that write is
timed the same way. Reading: vemcad opening DXFOUT's file (OPEN NAME.dxf, the time of
opening it less that of starting with no drawing, best of three) beside ezdxf.readfile
of the same file (best of two). Each ratio is printed beside its target.

    /usr/bin/python3 bench/compare_ezdxf.py [--labels N] [--vemcad build-rel/bin/vemcad]

Run it with Debian's python3 (which has python3-ezdxf).
"""

import argparse
import os
import subprocess
import sys
import tempfile
import time

TARGET_RATIO = 20.0
TARGET_READ_SECONDS = 2.0
REPEATS = 3
EZDXF_READ_REPEATS = 2  # ezdxf takes tens of seconds per read of 100,000 labels
ROW = 100  # labels per row: one COPY with ROW - 1 points, then rows copied


def run_script(vemcad, script_text, workdir, drawing=None):
    """Runs vemcad on a script; returns the seconds it took."""
    script = os.path.join(workdir, "run.scr")
    with open(script, "w", encoding="utf-8") as f:
        f.write(script_text)
    args = [vemcad, "--script", script] + ([drawing] if drawing else [])
    start = time.perf_counter()
    done = subprocess.run(args, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    seconds = time.perf_counter() - start
    if done.returncode != 0:
        sys.exit(f"vemcad failed ({done.returncode}): {done.stderr.strip()}")
    return seconds


def annotation_script(labels, drawing, dxf):
    """A coordinate system, one point label, copies to rows of ROW labels, SAVEAS, DXFOUT."""
    rows = max(1, labels // ROW)
    per_row = min(labels, ROW)
    lines = ["EORI", "-30,-30", "X", "U", "3000", "Y", "R", "5000", "500", "1", "3",
             "ECOP", "-30,-25", "0,0", "6,-6", ""]
    if per_row > 1:  # picked on its leader
        lines += ["COPY", "3,-3", "", "0,0"] + [f"{20 * i},0" for i in range(1, per_row)] + [""]
    if rows > 1:  # the row by a window, which leaves the coordinate system out
        lines += ["COPY", "W", "-5,-20", f"{20 * per_row + 100},15", "", "0,0"]
        lines += [f"0,{20 * r}" for r in range(1, rows)] + [""]
    lines += ["SAVEAS", drawing, "DXFOUT", dxf, "QUIT"]
    return "\n".join(lines) + "\n"


def best_of(fn, repeats=REPEATS):
    return min(fn() for _ in range(repeats))


def vemcad_dxfout_seconds(vemcad, workdir, drawing):
    out = os.path.join(workdir, "timed.dxf")
    with_dxfout = best_of(lambda: run_script(vemcad, f"DXFOUT\n{out}\nQUIT\n", workdir, drawing))
    open_only = best_of(lambda: run_script(vemcad, "QUIT\n", workdir, drawing))
    return max(with_dxfout - open_only, 1e-6)


def vemcad_read_seconds(vemcad, workdir, dxf):
    with_dxf = best_of(lambda: run_script(vemcad, "QUIT\n", workdir, dxf))
    no_drawing = best_of(lambda: run_script(vemcad, "QUIT\n", workdir))
    return max(with_dxf - no_drawing, 1e-6)


def ezdxf_read_seconds(ezdxf, dxf):
    def read():
        start = time.perf_counter()
        ezdxf.readfile(dxf)
        return time.perf_counter() - start
    return best_of(read, EZDXF_READ_REPEATS)


def count_entities(dxf):
    """Entities of the file's ENTITIES and BLOCKS sections: the pairs 0 NAME other than
    the sections' and tables' own markers."""
    markers = {"SECTION", "ENDSEC", "TABLE", "ENDTAB", "BLOCK", "ENDBLK", "SEQEND", "EOF"}
    count, in_entities = 0, False
    with open(dxf, encoding="utf-8", errors="replace") as f:
        lines = iter(f)
        for code in lines:
            value = next(lines, "").strip()
            if code.strip() == "2" and value in ("ENTITIES", "BLOCKS", "TABLES", "OBJECTS", "HEADER", "CLASSES"):
                in_entities = value in ("ENTITIES", "BLOCKS")
            elif code.strip() == "0" and in_entities and value not in markers:
                count += 1
    return count


def exploded_entities(ezdxf, dxf):
    """The labels' LINE and MTEXT entities of vemcad's DXF, as plain values (the
    coordinate system draws polylines and texts without "=")."""
    doc = ezdxf.readfile(dxf)
    lines, texts = [], []
    for e in doc.modelspace():
        if e.dxftype() == "LINE":
            lines.append((tuple(e.dxf.start), tuple(e.dxf.end), e.dxf.layer))
        elif e.dxftype() == "MTEXT" and "=" in e.text:
            texts.append((e.text, tuple(e.dxf.insert), e.dxf.char_height, e.dxf.get("rotation", 0.0),
                          e.dxf.attachment_point, e.dxf.style, e.dxf.layer))
    return lines, texts


def ezdxf_write_seconds(ezdxf, lines, texts, workdir):
    def write():
        start = time.perf_counter()
        doc = ezdxf.new("R2000")
        doc.styles.new("vem_text", dxfattribs={"font": "complex8.shx", "bigfont": "hztxt99.shx"})
        msp = doc.modelspace()
        for start_point, end_point, layer in lines:
            msp.add_line(start_point, end_point, dxfattribs={"layer": layer})
        for text, insert, height, rotation, attachment, style, layer in texts:
            msp.add_mtext(text, dxfattribs={"insert": insert, "char_height": height, "rotation": rotation,
                                            "attachment_point": attachment, "style": style, "layer": layer})
        doc.saveas(os.path.join(workdir, "ezdxf.dxf"))
        return time.perf_counter() - start
    return best_of(write)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--labels", type=int, default=100000)
    parser.add_argument("--vemcad", default=os.path.join(here, "..", "build-rel", "bin", "vemcad"))
    args = parser.parse_args()
    if args.labels < 1 or (args.labels > ROW and args.labels % ROW != 0):
        sys.exit(f"--labels: up to {ROW}, or a multiple of {ROW}")
    try:
        import ezdxf
    except ImportError:
        sys.exit("ezdxf is missing: run with /usr/bin/python3 (Debian package python3-ezdxf)")
    if not os.access(args.vemcad, os.X_OK):
        sys.exit(f"no vemcad at {args.vemcad}: run ./run.sh bench first, or give --vemcad")

    with tempfile.TemporaryDirectory(prefix="vem_compare_") as workdir:
        drawing = os.path.join(workdir, "labels.vdb")
        dxf = os.path.join(workdir, "labels.dxf")
        run_script(args.vemcad, annotation_script(args.labels, drawing, dxf), workdir)
        lines, texts = exploded_entities(ezdxf, dxf)
        labels = len(texts) // 2
        if labels != args.labels or len(lines) != 2 * labels:
            sys.exit(f"expected {args.labels} labels, the DXF holds {len(lines)} lines and {len(texts)} texts")
        entities = count_entities(dxf)
        ours = vemcad_dxfout_seconds(args.vemcad, workdir, drawing)
        theirs = ezdxf_write_seconds(ezdxf, lines, texts, workdir)
        ours_read = vemcad_read_seconds(args.vemcad, workdir, dxf)
        theirs_read = ezdxf_read_seconds(ezdxf, dxf)

    ratio = theirs / ours
    read_ratio = theirs_read / ours_read
    write_met = ratio >= TARGET_RATIO
    read_met = read_ratio >= TARGET_RATIO and ours_read <= TARGET_READ_SECONDS
    print(f"labels                {labels}")
    print(f"entities written      {len(lines) + len(texts)} (LINE {len(lines)}, MTEXT {len(texts)})")
    print(f"vemcad DXFOUT         {ours:8.3f} s")
    print(f"ezdxf {ezdxf.__version__:<15} {theirs:8.3f} s")
    print(f"ratio                 {ratio:8.1f}x   target >= {TARGET_RATIO:.0f}x   {'met' if write_met else 'NOT met'}")
    print(f"reading that DXF      {entities} entities in all")
    print(f"vemcad OPEN .dxf      {ours_read:8.3f} s   target <= {TARGET_READ_SECONDS:.0f} s   "
          f"({entities / ours_read:,.0f} entities/s)")
    print(f"ezdxf.readfile        {theirs_read:8.3f} s   ({entities / theirs_read:,.0f} entities/s)")
    print(f"ratio                 {read_ratio:8.1f}x   target >= {TARGET_RATIO:.0f}x   {'met' if read_met else 'NOT met'}")
    return 0 if write_met and read_met else 1


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/python3
"""PLOT to PDF and SVG, timed and weighed, beside LibreCAD's dxf2pdf on the same drawing.

vemcad annotates a drawing with N point labels (one ECOP, then copies, in a near-square
grid), saves it and writes it with DXFOUT. PLOT then draws the whole drawing fitted on
A1 landscape to a PDF and to an SVG; each time is that of opening the drawing and
plotting it less that of opening it alone (best of three; a run over NO_REPEAT_SECONDS
is not repeated, its noise being small beside it). Times are wall-clock, with the CPU
time beside them, as the machine may be shared. The peak memory of a run is the
maximum resident set of its process, as the kernel reports it when the process ends.

LibreCAD's dxf2pdf (Debian package librecad) then prints vemcad's DXF of the same
drawing, fitted on the same sheet, and is timed and weighed the same way; its time is
its whole run, as it cannot open a drawing without printing it, so vemcad's whole run
from that DXF to a PDF is shown beside it too. dxf2pdf 2.2 takes no value for its
--paper and --outfile options: the sheet is named by the limits in the header of a copy
of the DXF, and the PDF is written beside that copy. Without LibreCAD the ratio is left
out and only vemcad's sizes are judged.

With --large the drawing holds 100,000 labels and dxf2pdf is left out; PLOT's times
are judged too, and the peak memory of opening and plotting is set beside that of
opening the drawing alone.

    /usr/bin/python3 bench/compare_plot.py [--large] [--labels N] [--vemcad build-rel/bin/vemcad]

Exits 1 when one of vemcad's targets is missed.
"""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import time

SMALL_LABELS = 16384
LARGE_LABELS = 100000
REPEATS = 3
NO_REPEAT_SECONDS = 30.0
TIMEOUT_SECONDS = 3600.0
MB = 1e6
PAPER_MM = (841, 594)  # A1 landscape, as PLOT is answered below
SPACING_X, SPACING_Y = 40, 20  # drawing units between neighbouring labels: their texts do not overlap

SMALL_TARGETS = {"pdf_ratio": 20.0, "pdf_mb": 5.0, "svg_mb": 15.0}
LARGE_TARGETS = {"pdf_s": 5.0, "pdf_mb": 30.0, "svg_s": 3.0, "svg_mb": 90.0, "memory_ratio": 2.0}


class Run:
    """A finished process: wall and CPU seconds, peak resident set (kB), status, errors."""

    def __init__(self, seconds, cpu, peak_kb, status=0, errors=""):
        self.seconds, self.cpu, self.peak_kb, self.status, self.errors = seconds, cpu, peak_kb, status, errors


def run_measured(args, env=None, cwd=None):
    """Runs args with no input; its own usage comes from wait4, so that no other child's
    peak counts. Killed after TIMEOUT_SECONDS."""
    with tempfile.TemporaryFile() as errors:
        start = time.perf_counter()
        child = subprocess.Popen(args, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                 stderr=errors, env=env, cwd=cwd)
        timer = threading.Timer(TIMEOUT_SECONDS, child.kill)
        timer.start()
        _, wait_status, usage = os.wait4(child.pid, 0)
        seconds = time.perf_counter() - start
        timer.cancel()
        child.returncode = os.waitstatus_to_exitcode(wait_status)
        errors.seek(0)
        text = errors.read().decode("utf-8", errors="replace").strip()
    return Run(seconds, usage.ru_utime + usage.ru_stime, usage.ru_maxrss, child.returncode, text)


def run_vemcad(vemcad, script_text, workdir, drawing=None):
    """vemcad on a script (and a drawing to open first); stops the bench when it fails."""
    script = os.path.join(workdir, "run.scr")
    with open(script, "w", encoding="utf-8") as f:
        f.write(script_text)
    run = run_measured([vemcad, "--script", script] + ([drawing] if drawing else []))
    if run.status != 0:
        sys.exit(f"vemcad failed ({run.status}): {run.errors}")
    return run


def best_of(measure):
    """The fastest of REPEATS runs of measure() (wall and CPU apart) and the highest peak
    among them; a run over NO_REPEAT_SECONDS is the last."""
    runs = [measure()]
    while len(runs) < REPEATS and runs[-1].seconds <= NO_REPEAT_SECONDS:
        runs.append(measure())
    return Run(min(r.seconds for r in runs), min(r.cpu for r in runs), max(r.peak_kb for r in runs))


def grid(labels):
    """Labels per row and rows: as many rows as the largest divisor of labels that is at
    most its square root, so that the drawing is near square, rather wide than tall."""
    rows = 1
    for d in range(1, int(labels ** 0.5) + 1):
        if labels % d == 0:
            rows = d
    return labels // rows, rows


def annotation_script(labels, drawing, dxf):
    """A coordinate system, one point label, copies to a grid of labels, SAVEAS, DXFOUT."""
    per_row, rows = grid(labels)
    lines = ["EORI", "-30,-30", "X", "U", "3000", "Y", "R", "5000", "500", "1", "3",
             "ECOP", "-30,-25", "0,0", "6,-6", ""]
    if per_row > 1:  # picked on its leader
        lines += ["COPY", "3,-3", "", "0,0"] + [f"{SPACING_X * i},0" for i in range(1, per_row)] + [""]
    if rows > 1:  # the row by a window, which leaves the coordinate system out
        lines += ["COPY", "W", "-5,-20", f"{SPACING_X * per_row + 100},15", "", "0,0"]
        lines += [f"0,{SPACING_Y * r}" for r in range(1, rows)] + [""]
    lines += ["SAVEAS", drawing, "DXFOUT", dxf, "QUIT"]
    return "\n".join(lines) + "\n"


def plot_script(path):
    """PLOT of the drawing's extents fitted on A1 landscape, centred."""
    return "\n".join(["PLOT", path, "A1", "Landscape", "Extents", "Fit", "Center", "QUIT"]) + "\n"


def count_labels(dxf):
    """Point labels in vemcad's DXF: its MTEXT entities that show a coordinate ("="),
    two per label (the coordinate system's texts have none)."""
    texts, entity = 0, None
    with open(dxf, encoding="utf-8", errors="replace") as f:
        lines = iter(f)
        for code in lines:
            code, value = code.strip(), next(lines, "").rstrip("\r\n")
            if code == "0":
                entity = value.strip()
            elif code in ("1", "3") and entity == "MTEXT" and "=" in value:
                texts += 1
                entity = None  # one text however many pieces it is written in
    return texts // 2


def output_size(path, kind):
    """The size of a plot just written; stops the bench when there is none."""
    if not os.path.isfile(path) or os.path.getsize(path) == 0:
        sys.exit(f"no {kind} was written to {path}")
    return os.path.getsize(path)


class Plot:
    """A plot's times, its file's size and the peak memory of the run that made it."""

    def __init__(self, run, size):
        self.seconds, self.cpu, self.peak_kb, self.size = run.seconds, run.cpu, run.peak_kb, size


def vemcad_plot(vemcad, workdir, drawing, extension, opening=None):
    """PLOT of drawing to a file of that extension; opening's times are taken off."""
    out = os.path.join(workdir, "vemcad." + extension)

    def measure():
        if os.path.exists(out):
            os.remove(out)
        return run_vemcad(vemcad, plot_script(out), workdir, drawing)

    run = best_of(measure)
    if opening is not None:
        run.seconds = max(run.seconds - opening.seconds, 1e-6)
        run.cpu = max(run.cpu - opening.cpu, 0.0)
    return Plot(run, output_size(out, extension.upper()))


MM_PER_UNIT = {0: 1.0, 1: 25.4, 2: 304.8, 4: 1.0, 5: 10.0, 6: 1000.0}  # $INSUNITS: none, in, ft, mm, cm, m


def header_units(text, header_end):
    """Millimetres per drawing unit, from the header's $INSUNITS (none: millimetres)."""
    at = text.find("$INSUNITS\n", 0, header_end)
    if at < 0:
        return 1.0
    code_and_value = text[at:header_end].split("\n")[1:3]
    try:
        return MM_PER_UNIT.get(int(code_and_value[1]), 1.0)
    except (IndexError, ValueError):
        return 1.0


def dxf_on_sheet(dxf, folder):
    """A copy of dxf whose header names the sheet, limits from 0,0 to the paper's size in
    drawing units, for dxf2pdf to fit the drawing on (without them dxf2pdf 2.2 runs out
    of memory on a drawing in metres); None when the file has no header."""
    with open(dxf, encoding="utf-8", errors="surrogateescape", newline="") as f:
        text = f.read()
    header = text.find("HEADER\n")
    header_end = text.find("ENDSEC\n", header)
    if header < 0 or header_end < 0:
        return None
    header += len("HEADER\n")
    mm = header_units(text, header_end)
    width, height = PAPER_MM[0] / mm, PAPER_MM[1] / mm
    limits = f"  9\n$PLIMMIN\n 10\n0\n 20\n0\n  9\n$PLIMMAX\n 10\n{width:g}\n 20\n{height:g}\n"
    os.makedirs(folder, exist_ok=True)
    copy = os.path.join(folder, os.path.basename(dxf))
    with open(copy, "w", encoding="utf-8", errors="surrogateescape", newline="") as f:
        f.write(text[:header] + limits + text[header:])
    return copy


def librecad_pdf(librecad, workdir, dxf):
    """dxf2pdf's whole run on the DXF, fitted on the sheet PLOT uses; None (with the
    reason printed) when it does not print it."""
    folder = os.path.join(workdir, "librecad")
    copy = dxf_on_sheet(dxf, folder)
    if copy is None:
        print("LibreCAD dxf2pdf left out: vemcad's DXF has no header")
        return None
    out = os.path.splitext(copy)[0] + ".pdf"
    # Qt without a display, and a home of its own so that the user's settings are untouched.
    home = os.path.join(workdir, "librecad_home")
    os.makedirs(home, mode=0o700, exist_ok=True)
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen", HOME=home, XDG_RUNTIME_DIR=home,
               XDG_CONFIG_HOME=os.path.join(home, ".config"))
    failures = []

    def measure():
        if os.path.exists(out):
            os.remove(out)
        run = run_measured([librecad, "dxf2pdf", "--fit", os.path.basename(copy)], env, cwd=folder)
        if run.status != 0:
            failures.append(f"exit status {run.status}: {run.errors[-400:]}")
        return run

    run = best_of(measure)
    if failures or not os.path.isfile(out) or os.path.getsize(out) == 0:
        print(f"LibreCAD dxf2pdf did not print the drawing ({failures[0] if failures else 'no PDF'}); "
              "the ratio is left out")
        return None
    return Plot(run, os.path.getsize(out))


def librecad_version():
    done = subprocess.run(["dpkg-query", "-W", "-f=${Version}", "librecad"], capture_output=True,
                          text=True, check=False)
    return done.stdout.strip()


class Report:
    """Lines of figures beside their targets; remembers whether every target was met."""

    def __init__(self):
        self.all_met = True

    def line(self, what, figure, note=""):
        print(f"{what:<30}{figure:<30}{note}".rstrip())

    def judged(self, what, figure, target_text, met):
        self.all_met = self.all_met and met
        self.line(what, figure, f"target {target_text:<10}{'met' if met else 'NOT met'}")

    def time(self, what, plot, limit=None):
        figure = f"{plot.seconds:9.3f} s (CPU {plot.cpu:.3f} s)"
        if limit is None:
            self.line(what, figure)
        else:
            self.judged(what, figure, f"<= {limit:g} s", plot.seconds <= limit)

    def size(self, what, plot, limit=None):
        figure = f"{plot.size / MB:9.2f} MB"
        if limit is None:
            self.line(what, figure)
        else:
            self.judged(what, figure, f"<= {limit:g} MB", plot.size <= limit * MB)


def mib(kb):
    return f"{kb / 1024:9.1f} MiB"


def small_report(report, pdf, svg, whole, theirs):
    targets = SMALL_TARGETS
    report.time("vemcad PLOT PDF", pdf)
    report.size("vemcad PDF size", pdf, targets["pdf_mb"])
    report.time("vemcad PLOT SVG", svg)
    report.size("vemcad SVG size", svg, targets["svg_mb"])
    report.line("vemcad peak memory, PDF/SVG", f"{mib(pdf.peak_kb)} / {svg.peak_kb / 1024:.1f} MiB")
    if theirs is None:
        return
    report.time("vemcad DXF to PDF, whole run", whole)
    report.time(f"LibreCAD {librecad_version()} dxf2pdf", theirs)
    report.size("LibreCAD PDF size", theirs)
    report.line("LibreCAD peak memory", mib(theirs.peak_kb))
    ratio = theirs.seconds / pdf.seconds
    report.judged("ratio, dxf2pdf / PLOT PDF", f"{ratio:9.1f}x", f">= {targets['pdf_ratio']:g}x",
                  ratio >= targets["pdf_ratio"])
    report.line("ratio, whole runs", f"{theirs.seconds / whole.seconds:9.1f}x")
    report.line("PDF sizes, LibreCAD / vemcad", f"{theirs.size / pdf.size:9.2f}")


def large_report(report, pdf, svg, opening):
    targets = LARGE_TARGETS
    report.time("vemcad PLOT PDF", pdf, targets["pdf_s"])
    report.size("vemcad PDF size", pdf, targets["pdf_mb"])
    report.time("vemcad PLOT SVG", svg, targets["svg_s"])
    report.size("vemcad SVG size", svg, targets["svg_mb"])
    report.line("peak memory, opening alone", mib(opening.peak_kb))
    for name, plot in (("PDF", pdf), ("SVG", svg)):
        ratio = plot.peak_kb / opening.peak_kb
        report.judged(f"peak memory, opening + {name}", f"{mib(plot.peak_kb)} {ratio:5.2f}x",
                      f"<= {targets['memory_ratio']:g}x", ratio <= targets["memory_ratio"])


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--large", action="store_true",
                        help=f"{LARGE_LABELS} labels, times and memory judged too, no dxf2pdf")
    parser.add_argument("--labels", type=int, help=f"labels in the drawing (default {SMALL_LABELS}, "
                        f"{LARGE_LABELS} with --large); the targets are set for the defaults")
    parser.add_argument("--vemcad", default=os.path.join(here, "..", "build-rel", "bin", "vemcad"))
    args = parser.parse_args()
    default_labels = LARGE_LABELS if args.large else SMALL_LABELS
    labels = args.labels if args.labels is not None else default_labels
    if labels < 1:
        sys.exit("--labels: at least 1")
    if not os.access(args.vemcad, os.X_OK):
        sys.exit(f"no vemcad at {args.vemcad}: run ./run.sh bench first, or give --vemcad")
    librecad = None if args.large else shutil.which("librecad")

    report = Report()
    with tempfile.TemporaryDirectory(prefix="vem_plot_") as workdir:
        drawing = os.path.join(workdir, "labels.vdb")
        dxf = os.path.join(workdir, "labels.dxf")
        run_vemcad(args.vemcad, annotation_script(labels, drawing, dxf), workdir)
        found = count_labels(dxf)
        if found != labels:
            sys.exit(f"expected {labels} labels, vemcad's DXF shows {found}")
        opening = best_of(lambda: run_vemcad(args.vemcad, "QUIT\n", workdir, drawing))
        pdf = vemcad_plot(args.vemcad, workdir, drawing, "pdf", opening)
        svg = vemcad_plot(args.vemcad, workdir, drawing, "svg", opening)
        theirs = librecad_pdf(librecad, workdir, dxf) if librecad else None
        whole = vemcad_plot(args.vemcad, workdir, dxf, "pdf") if theirs else None

        per_row, rows = grid(labels)
        report.line("labels", f"{labels} ({per_row} x {rows}), fitted on A1 landscape")
        report.line("vemcad opening the drawing", f"{opening.seconds:9.3f} s", "(taken off PLOT's times)")
        if args.large:
            large_report(report, pdf, svg, opening)
        else:
            if librecad is None:
                print("LibreCAD is not installed (Debian package librecad): dxf2pdf left out")
            small_report(report, pdf, svg, whole, theirs)
    if labels != default_labels:
        print(f"(the targets are set for {default_labels} labels)")
    return 0 if report.all_met else 1


if __name__ == "__main__":
    sys.exit(main())

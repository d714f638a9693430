#!/bin/sh
# How drawing.vdb and records/ were made (run once; the files are kept as they came out,
# so that a later build must open what an earlier one saved). Usage:
#   make_drawing.sh BUILD_DIR
# A layer, a coordinate system, both label kinds, a line, a polyline, the multiline texts
# and lines of an exploded label, and one entity of a class no module registers (kept as
# a proxy), then one record of each class in records/CLASS.rec.
set -eu
bin=$1/bin
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cat >"$work/make.scr" <<'SCRIPT'
LAYER
N
GRID
C
1
GRID
S
GRID

EORI
0,0
X
U
3000
Y
R
5000
500
1
3
ECOP 0,5 20,20 26,14

ECOL 0,5 40,0 40,30

LINE 0,40 50,40

PLINE 0,50 20,50 20,70

COPY 20,20  20,20 60,20

EXPLODE 60,20

SAVEAS
WORK/labels.vdb
SCRIPT
sed -i "s|WORK|$work|" "$work/make.scr"
"$bin/vemcad" --script "$work/make.scr" >/dev/null

# The foreign entity: a line's record under a class of an application that is not here.
/usr/bin/python3 - "$work/labels.vdb" <<'PY'
import sqlite3, sys
db = sqlite3.connect(sys.argv[1])
seed = db.execute("SELECT value FROM header WHERE key = 'handseed'").fetchone()[0]
model = db.execute("SELECT value FROM header WHERE key = 'model_space'").fetchone()[0]
line = db.execute("SELECT record FROM objects WHERE class = 'AcDbLine' LIMIT 1").fetchone()[0]
db.execute("INSERT INTO classes VALUES ('VemGoldenMarker', 'AcDbEntity', 'VEMGOLDENMARKER', 'VemGoldenApp', 0)")
db.execute("INSERT INTO objects VALUES (?, ?, 'VemGoldenMarker', ?)", (seed, model, line))
db.execute("UPDATE header SET value = ? WHERE key = 'handseed'", (seed + 1,))
db.commit()
PY

# Saved once more by vemcad, so that the file is exactly what a save writes.
printf 'SAVEAS\n%s\n' "$here/drawing.vdb" >"$work/resave.scr"
rm -f "$here/drawing.vdb"
"$bin/vemcad" --script "$work/resave.scr" "$work/labels.vdb" >/dev/null

rm -rf "$here/records"
mkdir -p "$here/records"
/usr/bin/python3 - "$here/drawing.vdb" "$here/records" <<'PY'
import sqlite3, sys
db = sqlite3.connect(sys.argv[1])
for cls, record in db.execute(
        "SELECT class, record FROM objects WHERE handle IN (SELECT MIN(handle) FROM objects GROUP BY class)"):
    if cls != 'VemGoldenMarker':
        open(f"{sys.argv[2]}/{cls}.rec", "wb").write(record)
PY

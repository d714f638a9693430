#!/bin/sh
# How drawing.vdb and records/ were made (run once; the files are kept as they came out,
# so that a later build must open what an earlier one saved). Usage:
#   make_drawing.sh BUILD_DIR
# The host's entities made by its own commands: a circle, an arc, an ellipse, a spline,
# points shown as crosses in circles, single-line texts (one Chinese, one justified and
# turned), a grid bubble block with an attribute definition, references to it with their
# attributes (one scaled unequally and turned), and a block nested in another; then one
# record of each class in records/CLASS.rec.
set -eu
bin=$1/bin
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cat >"$work/make.scr" <<'SCRIPT'
LAYER
N
SITE
C
3
SITE
S
SITE

CIRCLE 10,10 5
ARC 20,0 25,5 30,0
ELLIPSE 40,0 50,0 3
SPLINE 60,0 65,8 70,2 75,9

POINT 80,5 85,5

SETVAR PDMODE 35
SETVAR PDSIZE 1.5
TEXT 0,-10 2.5 0
Site plan 坐标
TEXT J MC 20,-10 3 30
Middle
CIRCLE 0,-30 4
ATTDEF NO
Number:
1
J MC 0,-30 2 0
BLOCK BUBBLE 0,-30 C -5,-35 5,-25

INSERT BUBBLE 40,-30 1 1 0 A1
INSERT BUBBLE 60,-30 2 1 30 B2
BLOCK PAIR 40,-30 C 35,-35 45,-25

INSERT PAIR 0,-60 1 1 0
SAVEAS
WORK/entities.vdb
SCRIPT
sed -i "s|WORK|$work|" "$work/make.scr"
"$bin/vemcad" --script "$work/make.scr" >"$work/make.log" || { cat "$work/make.log"; exit 1; }

# Saved once more by vemcad, so that the file is exactly what a save writes.
printf 'SAVEAS\n%s\n' "$here/drawing.vdb" >"$work/resave.scr"
rm -f "$here/drawing.vdb"
"$bin/vemcad" --script "$work/resave.scr" "$work/entities.vdb" >/dev/null

rm -rf "$here/records"
mkdir -p "$here/records"
/usr/bin/python3 - "$here/drawing.vdb" "$here/records" <<'PY'
import sqlite3, sys
db = sqlite3.connect(sys.argv[1])
for cls, record in db.execute(
        "SELECT class, record FROM objects WHERE handle IN (SELECT MIN(handle) FROM objects GROUP BY class)"):
    open(f"{sys.argv[2]}/{cls}.rec", "wb").write(record)
PY

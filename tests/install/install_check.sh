#!/bin/sh
# Installs the build into a scratch prefix and runs the installed vemcad from another
# folder: the link in bin/ must find the runtime and load both modules, which then place
# and list a label.
set -eu
build=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

cmake --install "$build" --prefix "$scratch/prefix" >/dev/null
[ -L "$scratch/prefix/bin/vemcad" ] || { echo "bin/vemcad is not installed as a link"; exit 1; }

cat >"$scratch/label.scr" <<'SCRIPT'
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

COLIST ALL

SCRIPT

cd "$scratch"
env -u LD_LIBRARY_PATH "$scratch/prefix/bin/vemcad" --script label.scr >out.txt 2>err.txt || {
    echo "installed vemcad failed:"; cat err.txt; exit 1; }
for expected in "VEMD loaded." "VEMA loaded." "X=13000.000" "Y=15000.000"; do
    grep -qF "$expected" out.txt || { echo "missing: $expected"; cat out.txt err.txt; exit 1; }
done
echo "installed vemcad ran from $scratch"

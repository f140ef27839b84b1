#!/usr/bin/env bash
# Draws the demo picture demo/shapes.png with the toolbox's own drawing
# commands (run once; the picture is kept in the repository).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
tool="$root/build/zel_toolbox"
vf="$root/scripts/valuefile.py"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

step() {  # step <output file> <command> <inputs...>: runs a command, keeps its result
  local out=$1; shift
  "$tool" "$@" >/dev/null
  mv temp_out_kq_matfile0.kqmat "$out"
}
python3 "$vf" image canvas 320 240 40
python3 "$vf" colour white 255 255 255
python3 "$vf" colour grey 170 170 170
python3 "$vf" coord c1 80 90
python3 "$vf" coord c2 245 185
python3 "$vf" coord b1 175 35
python3 "$vf" coord b2 290 115
python3 "$vf" coord l1 15 225
python3 "$vf" coord l2 150 160
python3 "$vf" number r40 40
python3 "$vf" number r28 28
python3 "$vf" number r58 58
python3 "$vf" number t3 3
step a FillCircle canvas c1 r40 white
step b FillBox a b1 b2 white
step c FillCircle b c2 r28 white
step d DrawLine c l1 l2 grey t3
step e DrawCircle d c1 r58 grey t3
"$tool" DICOMSave e "$root/demo/shapes.png"

#!/usr/bin/env bash
# The 3-D view under a virtual X server: the window opens at 256 x 256 with an
# empty title, nothing is written while it is open, and closing it (Esc) lets
# the run finish with its input written, unchanged, as slot 0.
#   render3d_view.sh TOOLBOX VALUEFILE_PY
set -euo pipefail
toolbox=$1 valuefile=$2
work=$(mktemp -d)
xvfb= run=
cleanup() {
  [[ -n "$run" ]] && kill "$run" 2>/dev/null
  [[ -n "$xvfb" ]] && kill "$xvfb" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
cd "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }

Xvfb -displayfd 3 -nolisten tcp -screen 0 640x480x24 3>display.txt 2>/dev/null &
xvfb=$!
for _ in $(seq 100); do [[ -s display.txt ]] && break; sleep 0.1; done
[[ -s display.txt ]] || fail "Xvfb did not start"
export DISPLAY=":$(cat display.txt)"

python3 "$valuefile" ball vol.kqmat 12 10 8
"$toolbox" Render3D vol.kqmat >stdout.txt 2>stderr.txt &
run=$!
window=$(timeout 20 xdotool search --sync --onlyvisible --class CImg | head -1) || fail "no window appeared"
[[ "$(timeout 10 xdotool getwindowname "$window")" == "" ]] || fail "the window has a title"
size=$(timeout 10 xwininfo -id "$window" | awk '/Width:/{w=$2} /Height:/{h=$2} END{print w "x" h}')
[[ "$size" == "256x256" ]] || fail "window is $size"
sleep 0.5
[[ ! -e temp_out_kq_matfile0.kqmat ]] || fail "a result was written while the window was open"
kill -0 "$run" 2>/dev/null || fail "the run ended with the window open"

# Esc again until the run ends: on a loaded machine the first key can arrive
# before the viewer's event loop runs. A deadline, not a count of keys, since
# each key can itself take seconds there.
deadline=$((SECONDS + 60))
while kill -0 "$run" 2>/dev/null && ((SECONDS < deadline)); do
  timeout 5 xdotool key --window "$window" Escape 2>/dev/null || true
  sleep 0.5
done
kill -0 "$run" 2>/dev/null && fail "the run did not end within 60 s of the first Esc"
wait "$run" && status=0 || status=$?
run=
[[ $status == 0 ]] || fail "exit status $status: $(cat stderr.txt)"
[[ "$(cat stdout.txt)" == "temp_out_kq_matfile0.kqmat" ]] || fail "printed '$(cat stdout.txt)'"
[[ ! -s stderr.txt ]] || fail "stderr: $(cat stderr.txt)"
cmp -s vol.kqmat temp_out_kq_matfile0.kqmat || fail "the result differs from the input"
echo "Render3D under Xvfb: ok"

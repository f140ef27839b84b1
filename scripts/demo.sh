#!/usr/bin/env bash
# Builds the toolbox and runs a short pipeline of zel_toolbox commands on the
# picture demo/shapes.png, each step reading the result file of the one
# before. The final picture is written to demo-output/result.png.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j "$(nproc)" --target zel_toolbox >/dev/null

tool="$root/build/zel_toolbox"
vf="$root/scripts/valuefile.py"
out="$root/demo-output"
rm -rf "$out"
mkdir -p "$out"
cd "$out"

# run <keep as> <command> <inputs...>: runs one command, prints it and its
# result, and keeps the result file under a name of its own.
run() {
  local keep=$1; shift
  local printed
  printed=$("$tool" "$@")
  printf '%-44s -> %s\n' "$*" "$printed"
  if [[ -n "$keep" ]]; then
    mv temp_out_kq_matfile0.kqmat "$keep"
    printf '%-44s    %s: %s\n' "" "$keep" "$(python3 "$vf" show "$keep")"
  fi
}

python3 "$vf" coord corner1 20 20
python3 "$vf" coord corner2 299 219
python3 "$vf" colour white 255 255 255
python3 "$vf" number thickness 4
python3 "$vf" number angle 30
python3 "$vf" coord probe 80 90
python3 "$vf" number sigma 1.5
python3 "$vf" number low 20
python3 "$vf" number high 60
python3 "$vf" number eight 8
python3 "$vf" number level 200
python3 "$vf" number lines 3
python3 "$vf" number side 256
python3 "$vf" number radius 0.25
python3 "$vf" ball ball 24 24 8

run picture   DICOMReadSingle "$root/demo/shapes.png"
run width     GetWidth picture
run height    GetHeight picture
run channels  GetChannels picture
run pixel     GetPixel picture probe
run first     FWP picture
run centres   Centroid picture
run blobs     CountBlobs picture
run labels    Labeller picture
run biggest   BiggestBlob picture
run others    Subtract picture biggest
run mean      AvgIntensity picture
run spread    STDCalc picture
run smooth    Gauss picture sigma
run edges     Sobel smooth
run ""        Canny picture sigma low high
run dilated   Dilation picture eight
run white     Threshold picture level
run outline   BinaryBorder white
run votes     Hough outline
run strongest InvHough votes lines
run boxed     DrawBox picture corner1 corner2 white thickness
run rotated   RotateImg boxed angle
run halved    HalveSize rotated
run turned    Rotatep90 halved
run ""        DICOMSave turned "$out/result.png"
run square    ScaleImg picture side side
run spectrum  FFT square
mv temp_out_kq_matfile1.kqmat spectrum_im
run low       FFTLowPass spectrum spectrum_im radius
mv temp_out_kq_matfile1.kqmat low_im
run blurred   InvFFT low low_im
run shown     Enhancer blurred
run ""        DICOMSave shown "$out/lowpass.png"
run soft      LowPass3D ball
run means     DICOMAvg soft
echo "demo: wrote $out/result.png and $out/lowpass.png"

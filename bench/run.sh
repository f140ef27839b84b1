#!/usr/bin/env bash
# Builds and runs the benchmarks: library operations against OpenCV, the
# volume filters against scipy.ndimage and the Sauvola segmentation against
# scikit-image (Debian's python3 with python3-scipy and python3-skimage),
# "DICOMRead" against pydicom, and the runner end to end against the vips
# command line (and cp and cat of the same file).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh --bench
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DZEL_BUILD_BENCH=ON -DZEL_BUILD_TESTS=OFF >/dev/null
cmake --build build-bench -j "$(nproc)"
echo "cores: $(nproc)"
# Once on one thread, once on every core (OpenCV on as many as the toolbox).
echo "zel_bench, OMP_NUM_THREADS=1:"
OMP_NUM_THREADS=1 ./build-bench/bench/zel_bench "$@"
echo "zel_bench, all cores:"
./build-bench/bench/zel_bench "$@"
/usr/bin/python3 bench/volume_vs_scipy.py build-bench/bench/zel_bench
/usr/bin/python3 bench/dicom_vs_pydicom.py build-bench/zel_toolbox
/usr/bin/python3 bench/segmentation_vs_skimage.py build-bench/bench/zel_bench
/usr/bin/python3 bench/runner_vs_vips.py build-bench/zel_toolbox 7 --pin 7

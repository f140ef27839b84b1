#!/usr/bin/env bash
# Installs what the build, the demo and the tests need on Debian 12, using
# apt-get as root (xvfb, xdotool and x11-utils run the 3-D view's test in a
# virtual X server). Does nothing when everything is present.
#   scripts/setup.sh          build, demo and test packages
#   scripts/setup.sh --bench  also Google Benchmark, OpenCV, hyperfine, the vips
#                             command line (the runner's peer), GNU time (peak
#                             memory of a whole run), python3-scipy and
#                             python3-skimage (the yardsticks of the volume
#                             filters and the Sauvola segmentation)
#   scripts/setup.sh --valgrind also valgrind (the runner tests under memcheck)
#   scripts/setup.sh --fuzz   also clang and its runtime libraries with
#                             libFuzzer (the value-file readers' fuzz targets)
set -euo pipefail

packages=(g++ cmake make cimg-dev libpng-dev libjpeg-dev libtiff-dev libx11-dev
          medcon libfftw3-dev libdcmtk-dev libgtest-dev python3 python3-numpy python3-pydicom
          xvfb xdotool x11-utils)
if [[ "${1:-}" == "--bench" ]]; then
  packages+=(libbenchmark-dev libopencv-dev hyperfine libvips-tools time python3-scipy python3-skimage)
fi
if [[ "${1:-}" == "--valgrind" ]]; then
  packages+=(valgrind)
fi
if [[ "${1:-}" == "--fuzz" ]]; then
  packages+=(clang libclang-rt-dev)
fi

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "setup: installing ${missing[*]}" >&2
if [[ $(id -u) -eq 0 ]]; then
  sudo=()
elif command -v sudo >/dev/null 2>&1; then
  sudo=(sudo)
else
  echo "setup: these packages are missing and this user cannot install them (not root, no sudo): ${missing[*]}" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
if ! "${sudo[@]}" apt-get update -qq || ! "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null; then
  echo "setup: apt-get could not install: ${missing[*]} (check the network and the package sources)" >&2
  exit 1
fi

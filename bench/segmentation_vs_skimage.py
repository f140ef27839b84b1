#!/usr/bin/python3
"""The segmentation benchmarks of zel_bench beside their yardsticks on the
same 4096 x 4096 image of doubles, single-threaded, in one run: "OtsuSeg"
against two plain read passes (zel_bench), "SauvolaSeg" against
scikit-image's threshold_sauvola(window_size=9) plus its comparison.

Usage: segmentation_vs_skimage.py <zel_bench> [repetitions]

Runs with Debian's python3, python3-scipy and python3-skimage
(scripts/setup.sh --bench).
"""
import os
import sys
import tempfile

import numpy as np
from skimage.filters import threshold_sauvola

from volume_vs_scipy import bench_ms, best_ms


def main():
    bench = os.path.abspath(sys.argv[1])
    repetitions = int(sys.argv[2]) if len(sys.argv) > 2 else 5
    side = 4096
    y, x = np.mgrid[0:side, 0:side]
    stroke = (x // 3 + y // 17) % 7 == 0
    image = np.where(stroke, 60.0, 150.0 + 60.0 * x / side) + np.random.default_rng(11).normal(0.0, 12.0, (side, side))

    with tempfile.NamedTemporaryFile(suffix=".raw") as raw:
        image.astype("<f8").tofile(raw.name)
        env = dict(os.environ, ZEL_BENCH_SEG_IMAGE=raw.name)
        ours = bench_ms(bench, "BM_Seg_", env, repetitions)
    # The same k and R as SauvolaSeg, so that both compute the same threshold formula.
    theirs = best_ms(lambda: image > threshold_sauvola(image, window_size=9, k=0.5, r=128.0), repetitions)
    print("cores: %d; 4096^2 doubles; best of %d; single-threaded" % (os.cpu_count(), repetitions))
    print("%-14s %9.1f ms  two read passes (zel_bench) %9.1f ms  %5.2fx" % (
        "OtsuSeg", ours["BM_Seg_OtsuSeg"], ours["BM_Seg_TwoReadPasses"],
        ours["BM_Seg_OtsuSeg"] / ours["BM_Seg_TwoReadPasses"]))
    print("%-14s %9.1f ms  skimage sauvola(9) + compare %9.1f ms  %5.2fx" % (
        "SauvolaSeg", ours["BM_Seg_SauvolaSeg"], theirs, ours["BM_Seg_SauvolaSeg"] / theirs))


if __name__ == "__main__":
    main()

#!/usr/bin/python3
"""The segmentation benchmarks of zel_bench beside their yardsticks on the
same 4096 x 4096 image of doubles, single-threaded, in one run: "OtsuSeg"
against two plain read passes (zel_bench), "SauvolaSeg" against
scikit-image's threshold_sauvola(window_size=9) plus its comparison.

Usage: segmentation_vs_skimage.py <zel_bench> [repetitions]

Runs with Debian's python3, python3-scipy and python3-skimage
(scripts/setup.sh --bench).
"""
import json
import os
import subprocess
import sys
import tempfile
import time

import numpy as np
from skimage.filters import threshold_sauvola


def best_ms(fn, repetitions):
    fn()  # warm up: page in the output
    times = []
    for _ in range(repetitions):
        start = time.perf_counter()
        fn()
        times.append(time.perf_counter() - start)
    return 1000.0 * min(times)


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
        run = subprocess.run([bench, "--benchmark_filter=BM_Seg_", "--benchmark_format=json",
                              "--benchmark_repetitions=%d" % repetitions],
                             env=env, check=True, capture_output=True, text=True)
    ours = {}
    for b in json.loads(run.stdout)["benchmarks"]:
        if b.get("run_type") == "iteration":
            name = b["run_name"].replace("/real_time", "")
            ms = b["real_time"] * {"ms": 1.0, "us": 1e-3, "ns": 1e-6}[b["time_unit"]]
            ours[name] = min(ours.get(name, ms), ms)

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

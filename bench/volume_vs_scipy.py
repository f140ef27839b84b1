#!/usr/bin/python3
"""The volume benchmarks of zel_bench side by side with scipy.ndimage on the
same 256 x 256 x 256 array of doubles, single-threaded, in one run.

Usage: volume_vs_scipy.py <zel_bench> [repetitions]

Writes the array (uniform grey levels, fixed seed) to a temporary raw file,
runs the BM_Volume_ benchmarks on it (ZEL_BENCH_VOLUME), times the scipy
peers on the same array with preallocated outputs (best of the
repetitions), and prints both times and their ratios. Runs with Debian's
python3 and python3-scipy (scripts/setup.sh --bench).
"""
import json
import os
import subprocess
import sys
import tempfile
import time

import numpy as np
from scipy import ndimage


def best_ms(fn, repetitions):
    fn()  # warm up: page in the output
    times = []
    for _ in range(repetitions):
        start = time.perf_counter()
        fn()
        times.append(time.perf_counter() - start)
    return 1000.0 * min(times)


def bench_ms(bench, pattern, env, repetitions):
    """Runs the zel_bench benchmarks matching pattern: the best time of each, in ms, by name."""
    run = subprocess.run([bench, "--benchmark_filter=" + pattern, "--benchmark_format=json",
                          "--benchmark_repetitions=%d" % repetitions],
                         env=env, check=True, capture_output=True, text=True)
    ours = {}
    for b in json.loads(run.stdout)["benchmarks"]:
        if b.get("run_type") == "iteration":
            name = b["run_name"].replace("/real_time", "")
            ms = b["real_time"] * {"ms": 1.0, "us": 1e-3, "ns": 1e-6}[b["time_unit"]]
            ours[name] = min(ours.get(name, ms), ms)
    return ours


def main():
    bench = os.path.abspath(sys.argv[1])
    repetitions = int(sys.argv[2]) if len(sys.argv) > 2 else 5
    side = 256
    volume = np.random.default_rng(23).uniform(0.0, 255.0, (side, side, side))  # [z][y][x], x fastest
    out = np.empty_like(volume)
    gx, gy, gz = (np.empty_like(volume) for _ in range(3))
    objects = volume >= 200.0  # as BM_Volume_Labeller3D reads the volume
    labels = np.empty(volume.shape, dtype=np.int32)

    def sobel():
        ndimage.sobel(volume, axis=2, output=gx)
        ndimage.sobel(volume, axis=1, output=gy)
        ndimage.sobel(volume, axis=0, output=gz)
        np.multiply(gx, gx, out=out)
        out.__iadd__(np.multiply(gy, gy, out=gy))
        out.__iadd__(np.multiply(gz, gz, out=gz))
        np.sqrt(out, out=out)

    def read_pass():
        volume.sum()

    peers = {
        "BM_Volume_LowPass3D": ("uniform_filter(size=3)", lambda: ndimage.uniform_filter(volume, 3, output=out)),
        "BM_Volume_LIN3D": ("maximum_filter(size=3)", lambda: ndimage.maximum_filter(volume, 3, output=out)),
        "BM_Volume_Gauss3D_sigma2": ("gaussian_filter(sigma=2)",
                                     lambda: ndimage.gaussian_filter(volume, 2.0, output=out)),
        "BM_Volume_Sobel3D": ("3 x sobel + magnitude", sobel),
        "BM_Volume_Dilate3D_26": ("grey_dilation(size=3)", lambda: ndimage.grey_dilation(volume, 3, output=out)),
        "BM_Volume_Median3D": ("median_filter(size=3, 0)",
                               lambda: ndimage.median_filter(volume, 3, output=out, mode="constant")),
        "BM_Volume_Labeller3D": ("label(3x3x3 structure)",
                                 lambda: ndimage.label(objects, structure=np.ones((3, 3, 3)), output=labels)),
    }

    with tempfile.NamedTemporaryFile(suffix=".raw") as raw:
        volume.astype("<f8").tofile(raw.name)
        # scipy.ndimage runs on one thread: so does the toolbox here.
        env = dict(os.environ, ZEL_BENCH_VOLUME=raw.name, OMP_NUM_THREADS="1")
        ours = bench_ms(bench, "BM_Volume_|BM_ReconByDil3D", env, repetitions)

    print("cores: %d; 256^3 doubles; best of %d; single-threaded" % (os.cpu_count(), repetitions))
    print("%-28s %10s  %-26s %10s  %6s" % ("zel", "ms", "scipy.ndimage", "ms", "ratio"))
    for name, (label, fn) in peers.items():
        theirs = best_ms(fn, repetitions)
        print("%-28s %10.1f  %-26s %10.1f  %5.2fx" % (name[10:], ours[name], label, theirs, ours[name] / theirs))
    read = ours["BM_Volume_ReadPass"]
    for name in ("BM_Volume_DICOMAvg", "BM_Volume_DICOMSTD"):
        print("%-28s %10.2f  %-26s %10.2f  %5.2fx" % (name[10:], ours[name], "one read pass (zel_bench)", read,
                                                     ours[name] / read))
    for name in sorted(n for n in ours if n.startswith("BM_ReconByDil3D")):
        print("%-28s %10.1f  (one bright corner voxel spread under the volume, 26 neighbours)" % (name[3:], ours[name]))
    print("(numpy's volume.sum(), for scale: %.2f ms)" % best_ms(read_pass, repetitions))


if __name__ == "__main__":
    main()

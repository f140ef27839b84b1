#!/usr/bin/env python3
"""End-to-end timing of zel_toolbox commands on a 4096 x 4096 image value file
(128 MiB), side by side with cp and cat of the same file.

Usage: runner_bench.py <zel_toolbox> [runs]
Prints the median wall time of each and the ratios.
"""
import os
import shutil
import statistics
import struct
import subprocess
import sys
import tempfile
import time


def median_time(cmd, cwd, runs):
    times = []
    for _ in range(runs):
        start = time.perf_counter()
        subprocess.run(cmd, cwd=cwd, check=True, stdout=subprocess.DEVNULL)
        times.append(time.perf_counter() - start)
    return statistics.median(times)


def main():
    tool, runs = os.path.abspath(sys.argv[1]), int(sys.argv[2]) if len(sys.argv) > 2 else 9
    side = 4096
    work = tempfile.mkdtemp(prefix="zel_bench_")
    try:
        img = os.path.join(work, "img.kqmat")
        with open(img, "wb") as f:
            f.write(struct.pack("<4i", side, side, 1, 1))
            row = struct.pack("<%dd" % side, *[float(i % 256) for i in range(side)])
            for _ in range(side):
                f.write(row)
        with open(os.path.join(work, "far.kqmat"), "wb") as f:
            f.write(struct.pack("<4i2d", 2, 1, 1, 1, -5.0, -5.0))
        copy = os.path.join(work, "copy.kqmat")
        t = {
            "cp": median_time(["cp", img, copy], work, runs),
            "cat": median_time(["cat", img], work, runs),  # stdout is /dev/null
            "RemovePixel": median_time([tool, "RemovePixel", "img.kqmat", "far.kqmat"], work, runs),
            "Rotatep90": median_time([tool, "Rotatep90", "img.kqmat"], work, runs),
            "GetWidth": median_time([tool, "GetWidth", "img.kqmat"], work, runs),
        }
        for name, secs in t.items():
            print("%-12s %8.1f ms" % (name, secs * 1000))
        print("RemovePixel / cp  = %.2f" % (t["RemovePixel"] / t["cp"]))
        print("Rotatep90 / cp    = %.2f" % (t["Rotatep90"] / t["cp"]))
        print("GetWidth / cat    = %.2f" % (t["GetWidth"] / t["cat"]))
    finally:
        shutil.rmtree(work)


if __name__ == "__main__":
    main()

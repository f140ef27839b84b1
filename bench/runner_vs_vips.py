#!/usr/bin/python3
"""Whole-process timing of zel_toolbox commands side by side with the vips
command line doing the same job on the same pixels, plus cp and cat of the
same file as the floor of any run that reads and writes it.

Usage: runner_vs_vips.py <zel_toolbox> [runs] [--pin CPU] [--side N] [--dir FOLDER]

Both tools work on a grey image of doubles (4096 x 4096 unless --side is
given): zel_toolbox on its value file (column-major planes), vips on its own
.v file made from the same pixels. Each pair is run alternately `runs` times
(zel, peer, zel, peer, ...) so that both see the same machine load, and the
median wall times are compared (--pin: single-threaded runs pinned to that
CPU; --dir: the files go there, e.g. /dev/shm to leave the disk out). Peak memory is GNU time's maximum resident
size of one more run, reported against the size of the input value file.
"""
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

import numpy as np

TIME = "/usr/bin/time"


def test_image(side):
    """Smooth hills with a little noise, whole grey levels 0..255: something
    every filter, and the watershed, has real work on."""
    y, x = np.mgrid[0:side, 0:side].astype(np.float64)
    scale = side / 4096.0
    hills = 127.5 + 60 * np.sin(x / (41 * scale)) * np.cos(y / (57 * scale)) + 50 * np.sin((x + y) / (97 * scale))
    noise = np.random.default_rng(17).integers(-8, 9, size=(side, side))
    return np.clip(np.rint(hills) + noise, 0, 255)


def write_value_file(path, rows_by_cols):
    rows, cols = rows_by_cols.shape
    with open(path, "wb") as f:
        f.write(np.array([rows, cols, 1, 1], dtype="<i4").tobytes())
        f.write(np.asarray(rows_by_cols, dtype="<f8").tobytes(order="F"))  # column by column


def write_number(path, value):
    write_value_file(path, np.array([[value]], dtype=np.float64))


def write_vips_image(work, name, img):
    """The same pixels as a vips .v file of doubles (raw row-major bytes, rawload, copy)."""
    raw = os.path.join(work, name + ".raw")
    img.astype("<f8").tofile(raw)
    v = os.path.join(work, name + ".v")
    rows, cols = img.shape
    subprocess.run(["vips", "rawload", raw, v, str(cols), str(rows), "1", "--format", "double"],
                   check=True, cwd=work)
    os.remove(raw)
    return v


class Runner:
    def __init__(self, work, runs, pin):
        self.work, self.runs = work, runs
        self.prefix = ["taskset", "-c", str(pin)] if pin is not None else []

    def once(self, cmd, env):
        # Only single-threaded runs are pinned: default threads get every core.
        prefix = self.prefix if env.get("VIPS_CONCURRENCY") == "1" else []
        start = time.perf_counter()
        subprocess.run(prefix + cmd, cwd=self.work, env=env, check=True, stdout=subprocess.DEVNULL)
        return time.perf_counter() - start

    def pair(self, a, b, env_a, env_b):
        """Median wall times of a and b, run alternately."""
        self.once(a, env_a), self.once(b, env_b)  # warm the page cache and the binaries
        ta, tb = [], []
        for _ in range(self.runs):
            ta.append(self.once(a, env_a))
            tb.append(self.once(b, env_b))
        return statistics.median(ta), statistics.median(tb)

    def peak_kib(self, cmd, env):
        done = subprocess.run([TIME, "-f", "%M"] + cmd, cwd=self.work, env=env, check=True,
                              stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
        return int(done.stderr.strip().splitlines()[-1])


def main():
    args = sys.argv[1:]
    pin = side = None
    if "--pin" in args:
        k = args.index("--pin")
        pin = int(args[k + 1])
        del args[k:k + 2]
    folder = None
    if "--dir" in args:
        k = args.index("--dir")
        folder = args[k + 1]
        del args[k:k + 2]
    if "--side" in args:
        k = args.index("--side")
        side = int(args[k + 1])
        del args[k:k + 2]
    tool = os.path.abspath(args[0])
    runs = int(args[1]) if len(args) > 1 else 7
    side = side or 4096
    print("cores: %d (online), %d usable by this process%s" %
          (os.cpu_count(), len(os.sched_getaffinity(0)), ", single-threaded runs pinned to cpu %d" % pin if pin is not None else ""))
    print("image: %d x %d doubles, %d runs each, medians" % (side, side, runs))

    work = tempfile.mkdtemp(prefix="zel_vs_vips_", dir=folder)
    try:
        img = test_image(side)
        write_value_file(os.path.join(work, "img.kqmat"), img)
        in_kib = os.path.getsize(os.path.join(work, "img.kqmat")) / 1024.0
        with open(os.path.join(work, "far.kqmat"), "wb") as f:  # a coordinate outside the image
            f.write(np.array([2, 1, 1, 1], dtype="<i4").tobytes() + np.array([-5.0, -5.0], dtype="<f8").tobytes())
        write_number(os.path.join(work, "two.kqmat"), 2.0)
        write_number(os.path.join(work, "eight.kqmat"), 8.0)
        write_vips_image(work, "img", img)
        small = side // 4
        write_value_file(os.path.join(work, "small.kqmat"), test_image(small))

        r = Runner(work, runs, pin)
        base = dict(os.environ)
        one = dict(base, VIPS_CONCURRENCY="1", OMP_NUM_THREADS="1")
        default = {k: v for k, v in base.items() if k not in ("VIPS_CONCURRENCY", "OMP_NUM_THREADS")}
        zel = lambda *a: [tool] + list(a)
        vips = lambda *a: ["vips"] + list(a)

        # (label, zel command, peer command, environments (name, env), target ratio or None)
        cases = [
            ("RemovePixel outside / cp", zel("RemovePixel", "img.kqmat", "far.kqmat"),
             ["cp", "img.kqmat", "copy.kqmat"], [("1 thread", one)], None),
            ("GetWidth / cat", zel("GetWidth", "img.kqmat"), ["cat", "img.kqmat"], [("1 thread", one)], None),
            ("RemovePixel outside / vips copy", zel("RemovePixel", "img.kqmat", "far.kqmat"),
             vips("copy", "img.v", "out.v"), [("1 thread", one), ("default threads", default)], (1.0, 1.3)),
            ("NOT / vips invert", zel("NOT", "img.kqmat"), vips("invert", "img.v", "out.v"),
             [("1 thread", one), ("default threads", default)], (1.0, 1.3)),
            ("Rotatep90 / vips rot d90", zel("Rotatep90", "img.kqmat"), vips("rot", "img.v", "out.v", "d90"),
             [("1 thread", one), ("default threads", default)], (1.0, 1.0)),
            ("Gauss 2 / vips gaussblur 2", zel("Gauss", "img.kqmat", "two.kqmat"),
             vips("gaussblur", "img.v", "out.v", "2"), [("default threads", default)], (1.0,)),
            ("Sobel / vips sobel", zel("Sobel", "img.kqmat"), vips("sobel", "img.v", "out.v"),
             [("default threads", default)], (1.0,)),
            ("Median / vips rank 3 3 4", zel("Median", "img.kqmat"), vips("rank", "img.v", "out.v", "3", "3", "4"),
             [("default threads", default)], (1.0,)),
        ]
        # vips morph casts its input to 8 bits and writes 8-bit pixels, so the
        # same job on doubles is the 3 x 3 maximum by rank.
        cases.append(("Dilation 8 / vips rank 3 3 8", zel("Dilation", "img.kqmat", "eight.kqmat"),
                      vips("rank", "img.v", "out.v", "3", "3", "8"), [("default threads", default)], (1.0,)))

        print("\n%-34s %-16s %10s %10s %7s %7s" % ("time", "threads", "zel ms", "peer ms", "ratio", "target"))
        for label, a, b, envs, target in cases:
            for k, (env_name, env) in enumerate(envs):
                ta, tb = r.pair(a, b, env, env)
                goal = "" if target is None else "<= %.1f" % target[min(k, len(target) - 1)]
                print("%-34s %-16s %10.1f %10.1f %7.2f %7s" % (label, env_name, ta * 1e3, tb * 1e3, ta / tb, goal))
                sys.stdout.flush()

        print("\n%-34s %12s %8s %7s" % ("peak memory / input file", "max RSS MiB", "ratio", "target"))
        element_wise = {"RemovePixel", "NOT", "Rotatep90"}
        seen = set()
        for label, a, b, envs, target in cases:
            for cmd in (a, b):
                key = " ".join(cmd[:2])
                if key in seen or cmd[0] in ("cp", "cat"):
                    continue
                seen.add(key)
                kib = r.peak_kib(cmd, default)
                name = (cmd[1] if cmd[0] == tool else "vips " + cmd[1])
                goal = "<= 1.15" if cmd[0] == tool and cmd[1] in element_wise else ("<= 2.5" if cmd[0] == tool else "")
                print("%-34s %12.1f %8.2f %7s" % (name, kib / 1024.0, kib / in_kib, goal))
        write_number(os.path.join(work, "low.kqmat"), 100.0)
        write_number(os.path.join(work, "high.kqmat"), 180.0)
        for cmd in (zel("Watershed", "img.kqmat"), zel("Canny", "img.kqmat", "two.kqmat", "low.kqmat", "high.kqmat"),
                    zel("DBLT", "img.kqmat", "high.kqmat", "low.kqmat")):
            kib = r.peak_kib(cmd, default)
            print("%-34s %12.1f %8.2f %7s" % (cmd[1], kib / 1024.0, kib / in_kib, "<= 2.5"))

        ts = statistics.median(r.once(zel("Watershed", "small.kqmat"), default) for _ in range(runs))
        tl = statistics.median(r.once(zel("Watershed", "img.kqmat"), default) for _ in range(max(3, runs // 2)))
        print("\nWatershed %d: %.1f ms, %d: %.1f ms, x%d pixels costs x%.1f time (target <= x17)"
              % (small, ts * 1e3, side, tl * 1e3, (side // small) ** 2, tl / ts))
    finally:
        shutil.rmtree(work)


if __name__ == "__main__":
    main()

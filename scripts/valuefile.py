#!/usr/bin/env python3
"""Makes and shows value files for zel_toolbox pipelines.

  valuefile.py number FILE V          a number
  valuefile.py coord FILE X Y         a coordinate
  valuefile.py colour FILE R G B      a colour
  valuefile.py image FILE W H [V]     a one-channel W x H image filled with V (default 0)
  valuefile.py ball FILE W H D        a one-channel W x H x D volume: a ball of 200 on 20
  valuefile.py show FILE              the header, and the values of a small file
"""
import struct
import sys


def write(path, header, values):
    with open(path, "wb") as f:
        f.write(struct.pack("<4i", *header))
        f.write(struct.pack("<%dd" % len(values), *values))


def show(path):
    with open(path, "rb") as f:
        data = f.read()
    rows, cols, chans, slices = struct.unpack_from("<4i", data)
    count = (len(data) - 16) // 8
    if count <= 3 and (rows, cols, chans, slices)[1:] == (1, 1, 1):
        values = struct.unpack_from("<%dd" % count, data, 16)
        kind = {1: "number", 2: "coordinate", 3: "colour"}.get(rows, "values")
        print("%s %s" % (kind, " ".join("%g" % v for v in values)))
    elif chans == 1 and slices == 1 and count == rows * cols and count <= 32:
        # A small table (a per-slice statistic: one row per slice, one column per channel).
        values = struct.unpack_from("<%dd" % count, data, 16)
        print("%d x %d values %s" % (rows, cols, " ".join("%.4g" % v for v in values)))
    else:
        print("image %d x %d, %d channel(s), %d slice(s)" % (cols, rows, chans, slices))


def main(argv):
    if len(argv) < 3:
        sys.exit(__doc__)
    kind, path, args = argv[1], argv[2], [float(a) for a in argv[3:]]
    if kind == "number":
        write(path, (1, 1, 1, 1), args[:1])
    elif kind == "coord":
        write(path, (2, 1, 1, 1), args[:2])
    elif kind == "colour":
        write(path, (3, 1, 1, 1), args[:3])
    elif kind == "image":
        w, h = int(args[0]), int(args[1])
        fill = args[2] if len(args) > 2 else 0.0
        write(path, (h, w, 1, 1), [fill] * (w * h))
    elif kind == "ball":
        # Slice by slice, column by column, the row index fastest (the image order).
        w, h, d = int(args[0]), int(args[1]), int(args[2])
        r2 = (min(w, h, d) / 3.0) ** 2
        inside = lambda x, y, z: (x - w / 2) ** 2 + (y - h / 2) ** 2 + (z - d / 2) ** 2 <= r2
        write(path, (h, w, 1, d), [200.0 if inside(x, y, z) else 20.0
                                   for z in range(d) for x in range(w) for y in range(h)])
    elif kind == "show":
        show(path)
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main(sys.argv)

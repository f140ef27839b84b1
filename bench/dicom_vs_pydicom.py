#!/usr/bin/python3
""""DICOMRead" side by side with pydicom on the same series, in one run.

Usage: dicom_vs_pydicom.py <zel_toolbox> [repetitions] [slices]

Writes a series of 200 (or [slices]) 512 x 512 16-bit CT slices with pydicom
into a temporary folder (file names in an order unlike the instance order),
then times, best of the repetitions:
- zel_toolbox DICOMRead on one of its files, end to end: one process that
  lists the folder, reads the headers and pixel data and writes the volume as
  a value file of doubles;
- pydicom reading every file of the folder, ordering them by instance number
  and stacking their pixel arrays into a numpy volume.
Prints both times and their ratio. Runs with Debian's python3 and
python3-pydicom (scripts/setup.sh).
"""
import os
import shutil
import subprocess
import sys
import tempfile
import time

import numpy as np
import pydicom
from pydicom.dataset import Dataset, FileMetaDataset
from pydicom.uid import ExplicitVRLittleEndian, generate_uid


def write_series(folder, slices, side):
    rng = np.random.default_rng(17)
    study, series = generate_uid(), generate_uid()
    for k in range(slices):
        ds = Dataset()
        ds.SOPClassUID = "1.2.840.10008.5.1.4.1.1.2"
        ds.SOPInstanceUID = generate_uid()
        ds.Modality = "CT"
        ds.StudyInstanceUID, ds.SeriesInstanceUID = study, series
        ds.InstanceNumber = k + 1
        ds.SamplesPerPixel, ds.PhotometricInterpretation = 1, "MONOCHROME2"
        ds.Rows = ds.Columns = side
        ds.BitsAllocated, ds.BitsStored, ds.HighBit, ds.PixelRepresentation = 16, 12, 11, 0
        ds.RescaleSlope, ds.RescaleIntercept = 1, -1024
        ds.PixelData = rng.integers(0, 4096, (side, side), dtype="<u2").tobytes()
        ds.file_meta = FileMetaDataset()
        ds.file_meta.MediaStorageSOPClassUID = ds.SOPClassUID
        ds.file_meta.MediaStorageSOPInstanceUID = ds.SOPInstanceUID
        ds.file_meta.TransferSyntaxUID = ExplicitVRLittleEndian
        ds.is_little_endian, ds.is_implicit_VR = True, False
        ds.preamble = b"\0" * 128
        # Names in reverse instance order, without an extension.
        pydicom.dcmwrite(os.path.join(folder, "IM%05d" % (slices - k)), ds, write_like_original=False)


def best_seconds(fn, repetitions):
    times = []
    for _ in range(repetitions):
        start = time.perf_counter()
        fn()
        times.append(time.perf_counter() - start)
    return min(times)


def main():
    toolbox = os.path.abspath(sys.argv[1])
    repetitions = int(sys.argv[2]) if len(sys.argv) > 2 else 5
    slices = int(sys.argv[3]) if len(sys.argv) > 3 else 200
    side = 512
    root = tempfile.mkdtemp(prefix="zel_dicom_bench_")
    try:
        folder, work = os.path.join(root, "series"), os.path.join(root, "work")
        os.makedirs(folder)
        os.makedirs(work)
        write_series(folder, slices, side)
        first = os.path.join(folder, sorted(os.listdir(folder))[0])

        def ours():
            subprocess.run([toolbox, "DICOMRead", first], cwd=work, check=True, stdout=subprocess.DEVNULL)

        def peer():
            datasets = [pydicom.dcmread(os.path.join(folder, name)) for name in os.listdir(folder)]
            datasets.sort(key=lambda ds: int(ds.InstanceNumber))
            volume = np.empty((len(datasets), side, side), dtype=np.int16)
            for z, ds in enumerate(datasets):
                volume[z] = ds.pixel_array
            return volume

        ours()  # warm up: the files in the page cache, the result file allocated
        peer()
        result = os.path.join(work, "temp_out_kq_matfile0.kqmat")
        assert os.path.getsize(result) == 16 + 8 * slices * side * side
        t_ours, t_peer = best_seconds(ours, repetitions), best_seconds(peer, repetitions)
        print("series: %d slices of %d x %d, 16-bit; best of %d" % (slices, side, side, repetitions))
        print("%-44s %9.1f ms" % ("zel_toolbox DICOMRead (end to end)", 1000 * t_ours))
        print("%-44s %9.1f ms" % ("pydicom dcmread + sort + stack", 1000 * t_peer))
        print("ratio zel / pydicom: %.2f" % (t_ours / t_peer))
    finally:
        shutil.rmtree(root)


if __name__ == "__main__":
    main()

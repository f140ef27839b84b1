#!/usr/bin/python3
"""DICOMRead and DICOMReadSingle run end to end on DICOM files that pydicom
writes here, and on the series that pydicom ships, with pydicom as the oracle.

Usage: test_dicom_read.py <zel_toolbox>   (ZEL_RUN_WRAPPER, if set, is put
before the runner, as the runner tests do, for example a valgrind command).
"""
import os
import shlex
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest

import numpy as np
import pydicom
import pydicom.data
from pydicom.dataset import Dataset, FileMetaDataset
from pydicom.pixel_data_handlers.util import apply_modality_lut
from pydicom.sequence import Sequence
from pydicom.uid import ExplicitVRLittleEndian, ImplicitVRLittleEndian, generate_uid

TOOLBOX = None
RESULT = "temp_out_kq_matfile0.kqmat"
STUDY, SERIES = generate_uid(), generate_uid()


def slice_dataset(number, pixels, series=SERIES, slope=None, intercept=None):
    """A CT slice of int16 pixels with a sequence of undefined length."""
    ds = Dataset()
    ds.SOPClassUID = "1.2.840.10008.5.1.4.1.1.2"
    ds.SOPInstanceUID = generate_uid()
    item = Dataset()
    item.ReferencedSOPClassUID = ds.SOPClassUID
    item.ReferencedSOPInstanceUID = generate_uid()
    ds.ReferencedImageSequence = Sequence([item])
    ds["ReferencedImageSequence"].is_undefined_length = True
    ds.Modality = "CT"
    ds.StudyInstanceUID, ds.SeriesInstanceUID = STUDY, series
    ds.InstanceNumber = number
    ds.SamplesPerPixel, ds.PhotometricInterpretation = 1, "MONOCHROME2"
    ds.Rows, ds.Columns = pixels.shape
    ds.BitsAllocated, ds.BitsStored, ds.HighBit, ds.PixelRepresentation = 16, 16, 15, 1
    if slope is not None:
        ds.RescaleSlope, ds.RescaleIntercept = slope, intercept
    ds.PixelData = pixels.astype("<i2").tobytes()
    return ds


def write(path, ds, implicit=False, preamble=True):
    ds.is_little_endian, ds.is_implicit_VR = True, implicit
    if preamble:
        ds.file_meta = FileMetaDataset()
        ds.file_meta.MediaStorageSOPClassUID = ds.SOPClassUID
        ds.file_meta.MediaStorageSOPInstanceUID = ds.SOPInstanceUID
        ds.file_meta.TransferSyntaxUID = ImplicitVRLittleEndian if implicit else ExplicitVRLittleEndian
        ds.preamble = b"\0" * 128
        pydicom.dcmwrite(path, ds, write_like_original=False)
    else:  # the bare data set: no preamble, no "DICM", no meta information
        pydicom.dcmwrite(path, ds, write_like_original=True)


def read_value_file(path):
    """A value file as an array [slice][channel][row][column]."""
    with open(path, "rb") as f:
        data = f.read()
    rows, cols, channels, slices = struct.unpack("<4i", data[:16])
    values = np.frombuffer(data[16:], "<f8")
    return values.reshape(slices, channels, cols, rows).transpose(0, 1, 3, 2)


def modality_values(path):
    ds = pydicom.dcmread(path, force=True)
    return apply_modality_lut(ds.pixel_array, ds).astype(float)


class DicomRead(unittest.TestCase):
    def setUp(self):
        self.work = tempfile.mkdtemp(prefix="zel_dicom_")
        self.addCleanup(shutil.rmtree, self.work)

    def run_toolbox(self, *args):
        wrapper = shlex.split(os.environ.get("ZEL_RUN_WRAPPER", ""))
        return subprocess.run(wrapper + [TOOLBOX] + list(args), cwd=self.work, capture_output=True, text=True)

    def result(self):
        return read_value_file(os.path.join(self.work, RESULT))

    def folder(self, name):
        path = os.path.join(self.work, name)
        os.makedirs(path)
        return path

    def expect_error(self, run, culprit):
        self.assertEqual(run.returncode, 1, run.stderr)
        self.assertEqual(run.stdout, "")
        self.assertEqual(run.stderr.count("\n"), 1, run.stderr)
        self.assertIn(culprit, run.stderr)
        self.assertFalse(os.path.exists(os.path.join(self.work, RESULT)))

    def test_shipped_series_comes_in_instance_order(self):
        # Seven MR slices whose file names are not in instance order.
        folder = os.path.join(os.path.dirname(pydicom.data.__file__), "test_files", "dicomdirtests", "98892003", "MR700")
        names = sorted(os.listdir(folder))
        run = self.run_toolbox("DICOMRead", os.path.join(folder, names[3]))
        self.assertEqual((run.returncode, run.stdout, run.stderr), (0, RESULT, ""))
        datasets = sorted((pydicom.dcmread(os.path.join(folder, n)) for n in names), key=lambda d: d.InstanceNumber)
        self.assertNotEqual([d.filename for d in datasets], sorted(d.filename for d in datasets))
        expected = np.stack([d.pixel_array for d in datasets]).astype(float)
        np.testing.assert_array_equal(self.result()[:, 0], expected)
        with open(os.path.join(self.work, "tempfile.txt")) as f:
            self.assertEqual(f.read(), "".join(n + "\n" for n in names))

    def test_mixed_encodings_and_strangers_in_the_folder(self):
        folder = self.folder("series")
        rng = np.random.default_rng(5)
        pixels = {n: rng.integers(-2000, 3000, (6, 9)) for n in (1, 2, 3, 4)}
        # Instance 3 is implicit VR with its own rescale, 1 has no preamble,
        # 4 has no preamble and implicit VR; none has an extension.
        write(os.path.join(folder, "b"), slice_dataset(3, pixels[3], slope=2.5, intercept=-1024), implicit=True)
        write(os.path.join(folder, "c"), slice_dataset(1, pixels[1]), preamble=False)
        write(os.path.join(folder, "a.dcm"), slice_dataset(2, pixels[2], slope=1, intercept=-1000))
        write(os.path.join(folder, "z"), slice_dataset(4, pixels[4]), implicit=True, preamble=False)
        # Strangers: another series, a slice of another size, text, a
        # file that starts like a bare data set and is garbage, a folder.
        write(os.path.join(folder, "other"), slice_dataset(1, pixels[1], series=generate_uid()))
        write(os.path.join(folder, "small"), slice_dataset(5, pixels[1][:4]))
        with open(os.path.join(folder, "notes.txt"), "w") as f:
            f.write("not DICOM\n")
        with open(os.path.join(folder, "junk"), "wb") as f:
            f.write(b"\x08\x00\x05\x00" + bytes(rng.integers(0, 256, 3000, dtype=np.uint8)))
        os.makedirs(os.path.join(folder, "sub"))
        run = self.run_toolbox("DICOMRead", os.path.join(folder, "b"))
        self.assertEqual((run.returncode, run.stdout), (0, RESULT), run.stderr)
        self.assertEqual(run.stderr.count("\n"), 1, run.stderr)
        self.assertIn("passed over 1 file ", run.stderr)
        expected = [pixels[1], pixels[2] - 1000.0, pixels[3] * 2.5 - 1024, pixels[4]]
        np.testing.assert_array_equal(self.result()[:, 0], np.stack(expected))
        # The single-file reader gives the same values for each file.
        for name, z in (("a.dcm", 1), ("b", 2)):
            single = os.path.join(self.work, "single.dcm")
            shutil.copy(os.path.join(folder, name), single)
            self.assertEqual(self.run_toolbox("DICOMReadSingle", single).returncode, 0)
            np.testing.assert_array_equal(self.result()[0, 0], expected[z])
            np.testing.assert_array_equal(modality_values(single), expected[z])

    def test_compressed_and_colour_files_decode_as_pydicom_does(self):
        # RLE (grey and colour) and a CT slice with a rescale, as pydicom decodes them.
        for name in ("MR_small_RLE.dcm", "SC_rgb_rle.dcm", "SC_rgb_rle_16bit.dcm", "CT_small.dcm"):
            path = pydicom.data.get_testdata_file(name)
            run = self.run_toolbox("DICOMReadSingle", path)
            self.assertEqual((run.returncode, run.stderr), (0, ""), name)
            got = self.result()[0]
            expected = modality_values(path)
            expected = expected.transpose(2, 0, 1) if expected.ndim == 3 else expected[None]
            np.testing.assert_array_equal(got, expected, name)

    def test_working_folder_entries_are_never_slices(self):
        # The listing and the old result are slices of the series themselves:
        # taking them in would make the volume four slices deep.
        rng = np.random.default_rng(6)
        first, second = rng.integers(0, 900, (5, 7)), rng.integers(0, 900, (5, 7))
        write(os.path.join(self.work, "slice1"), slice_dataset(1, first))
        write(os.path.join(self.work, "slice2"), slice_dataset(2, second))
        write(os.path.join(self.work, "tempfile.txt"), slice_dataset(0, first))
        write(os.path.join(self.work, RESULT), slice_dataset(3, second))
        run = self.run_toolbox("DICOMRead", "slice2")
        self.assertEqual((run.returncode, run.stdout, run.stderr), (0, RESULT, ""))
        np.testing.assert_array_equal(self.result()[:, 0], np.stack([first, second]))
        with open(os.path.join(self.work, "tempfile.txt")) as f:
            self.assertEqual(f.read(), "slice1\nslice2\n%s\ntempfile.txt\n" % RESULT)

    def test_a_path_is_only_a_path(self):
        folder = self.folder("""a b 'q' "d";$(touch pwned)`touch pwned2`""")
        pixels = np.arange(12).reshape(3, 4)
        write(os.path.join(folder, "x; rm -rf y"), slice_dataset(1, pixels))
        run = self.run_toolbox("DICOMRead", os.path.join(folder, "x; rm -rf y"))
        self.assertEqual((run.returncode, run.stdout, run.stderr), (0, RESULT, ""))
        np.testing.assert_array_equal(self.result()[:, 0], pixels[None])  # one file, one slice
        self.assertEqual(sorted(os.listdir(self.work)), sorted([os.path.basename(folder), RESULT, "tempfile.txt"]))

    def test_equal_instance_numbers_keep_both_in_name_order(self):
        folder = self.folder("dup")
        slices = [np.full((2, 3), v) for v in (10, 20, 30)]
        write(os.path.join(folder, "n2b"), slice_dataset(2, slices[2]))
        write(os.path.join(folder, "n2a"), slice_dataset(2, slices[1]))
        write(os.path.join(folder, "n1"), slice_dataset(1, slices[0]))
        self.assertEqual(self.run_toolbox("DICOMRead", os.path.join(folder, "n1")).returncode, 0)
        np.testing.assert_array_equal(self.result()[:, 0], np.stack(slices))

    def test_bad_input_takes_the_error_path(self):
        folder = self.folder("bad")
        good = slice_dataset(1, np.arange(64).reshape(8, 8))
        write(os.path.join(folder, "good"), good)
        with open(os.path.join(folder, "good"), "rb") as f:
            whole = f.read()
        with open(os.path.join(folder, "cut"), "wb") as f:
            f.write(whole[:-40])  # ends inside the pixel data
        grown = slice_dataset(1, np.arange(64).reshape(8, 8), series=generate_uid())
        grown.Rows = 80  # the header announces ten times the pixel data it holds
        write(os.path.join(folder, "grown"), grown)
        with open(os.path.join(folder, "text"), "w") as f:
            f.write("hello\n" * 40)
        # An element that announces 2.5 GB in a file of a few hundred bytes.
        write(os.path.join(folder, "liar"), slice_dataset(1, np.arange(64).reshape(8, 8), series=generate_uid(),
                                                          slope="2", intercept="0"), implicit=True)
        with open(os.path.join(folder, "liar"), "rb") as f:
            liar = bytearray(f.read())
        at = liar.index(b"\x28\x00\x53\x10") + 4  # Rescale Slope's 4-byte length
        liar[at:at + 4] = (0xA0000000).to_bytes(4, "little")
        with open(os.path.join(folder, "liar"), "wb") as f:
            f.write(liar)
        for name in ("missing", "text", "cut", "grown", "liar", ""):
            path = os.path.join(folder, name)
            self.expect_error(self.run_toolbox("DICOMRead", path), path)
            if name not in ("", "text"):  # (other formats go to the image library)
                self.expect_error(self.run_toolbox("DICOMReadSingle", path + ".dcm" if name == "missing" else path),
                                  path)
        # A truncated file of the series fails the whole read, naming it.
        shutil.copy(os.path.join(folder, "cut"), os.path.join(folder, "cut2"))
        self.expect_error(self.run_toolbox("DICOMRead", os.path.join(folder, "good")), "cut")

    def test_unreadable_folder_takes_the_error_path(self):
        folder = self.folder("locked")
        write(os.path.join(folder, "s"), slice_dataset(1, np.zeros((2, 2))))
        os.chmod(folder, 0o100)  # the file can be opened, the folder not listed
        self.addCleanup(os.chmod, folder, 0o700)
        try:
            os.listdir(folder)
            self.skipTest("this user lists any folder")
        except PermissionError:
            pass
        self.expect_error(self.run_toolbox("DICOMRead", os.path.join(folder, "s")), folder)


if __name__ == "__main__":
    TOOLBOX = os.path.abspath(sys.argv.pop(1))
    unittest.main(verbosity=1)

"""A run with --ntuple seen from Python: the reader's columns (types, one
row per detected neutron as the log counts them, sides and scattering cells
as the histograms count them), the catalogue's bookings and axis labels of
the 2-D results, the ntuple exported to HDF5 bit for bit, and hbook diff,
which compares the 2-D results and says it leaves the ntuple alone."""
import os
import re
import shutil
import subprocess
import tempfile
import unittest

import h5py
import numpy as np

import hbook
from hbook import export, plot
from tarnreport import catalogue


class RunWithNtuple(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.mkdtemp(prefix="tarn-ntuple-")
        subprocess.run([os.environ["TARN_EXE"], "--events", "40000", "--seed", "5", "--input-dir",
                        os.environ["TARN_DATA_DIR"], "--ntuple", "detected"],
                       cwd=cls.dir, check=True, capture_output=True)
        cls.path = os.path.join(cls.dir, "h5.hbook")
        log = next(open(os.path.join(cls.dir, n)).read() for n in os.listdir(cls.dir) if n.endswith(".o"))
        cls.counts = dict((k, int(v)) for k, v in re.findall(r"(\w+) (\d+)", log.split(" Exact counts:")[1].split("\n")[0]))

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.dir)

    def test_the_columns_are_the_detected_neutrons(self):
        f = hbook.open(self.path)
        nt = f[catalogue.ntuple_id()]
        c = nt.columns
        self.assertEqual(list(c), ["event", "block", "lambda0", "x", "y", "thx", "thy", "pathup", "rotup", "pathdn",
                                   "rotdn", "scat", "side"])
        self.assertEqual((c["event"].dtype, c["block"].dtype, c["x"].dtype, c["scat"].dtype),
                         (np.float64, np.int32, np.float32, np.int32))
        self.assertEqual(nt.entries, self.counts["nDetIn"])
        self.assertTrue(np.all(np.diff(c["event"]) > 0))
        self.assertEqual(int(np.count_nonzero(c["scat"])), self.counts["nScatAtDet"])
        self.assertEqual(int(np.sum(c["side"] == 1)), f[3012].entries)
        self.assertEqual(int(np.sum(c["side"] == -1)), f[3013].entries)
        # The spectrum's wavelengths, and a rotation that grows with them.
        self.assertTrue(np.all((c["lambda0"] > 0) & (c["lambda0"] < 20)))
        straight = c["scat"] == 0
        self.assertGreater(np.corrcoef(c["lambda0"][straight], c["rotup"][straight])[0, 1], 0.99)

    def test_the_2d_results_are_the_catalogue_s_and_plots_label_them(self):
        f = hbook.open(self.path)
        bookings = catalogue.bookings_2d()
        self.assertEqual(sorted(bookings), [3101, 3102, 3103])
        for id, b in bookings.items():
            h = f[id]
            self.assertEqual((h.title, h.nx, h.ny), (b["title"], b["nx"], b["ny"]))
        self.assertEqual(f[3101].entries, self.counts["nDetIn"])
        run = plot.RunFile.of(self.path, list(f))
        labels = plot.Labels.of(f[3101], self.path, run)
        self.assertEqual((labels.x, labels.y), (bookings[3101]["xlabel"], bookings[3101]["ylabel"]))

    def test_export_and_diff_handle_the_ntuple(self):
        f = hbook.open(self.path)
        out = os.path.join(self.dir, "run.h5")
        export.to_hdf5(f, out)
        with h5py.File(out, "r") as h5:
            for name, values in f[3100].columns.items():
                stored = h5[f"hbook/nt3100/DETECTED/{name}"][()]
                self.assertEqual((stored.dtype, stored.tobytes()), (values.dtype, values.tobytes()), name)
            self.assertEqual(h5["hbook/h3102/y"].attrs["long_name"], "y at the detector, right side (cm)")
        result = subprocess.run([os.environ["HBOOK_TOOL"], "diff", self.path, self.path], capture_output=True, text=True)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertIn("3100  not compared: column-wise ntuples", result.stdout)
        self.assertRegex(result.stdout, r"\n\s+3101  2-D .* agree\n")


if __name__ == "__main__":
    unittest.main()

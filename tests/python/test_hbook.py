"""The Python package hbook: every 1-D histogram of every test file as its
reference dump says, write/read round trips, and errors (never a crash) on
damaged files and bad arguments."""
import os
import random
import shutil
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

import numpy as np

import hbook

DATA = os.path.join(os.environ["TARN_TEST_DATA"], "hbook")
FILES = ["lam.hbook", "sq.hbook", "gradx.hbook", "errors.hbook", "mixed.hbook", "golden-basic.hbook",
         "golden-run.hbook", "many.hbook", "pawtut.hbook", "roothbk_write_hbk.hb"]


def bits(values):
    return np.asarray(values, dtype=np.float32).view(np.uint32)


def f32(hexbits):
    return np.array([int(hexbits, 16)], dtype=np.uint32).view(np.float32)[0]


def reference(name):
    """{id: header fields and bins} of the package's dump in tests/data, or for
    the two files whose dumps are too big to keep, of the C++ tool's dump
    (checked against the package's by hbook_file_read_test)."""
    path = os.path.join(DATA, os.path.splitext(name)[0] + ".dump.txt")
    text = Path(path).read_text() if os.path.exists(path) else subprocess.run(
        [os.environ["HBOOK_TOOL"], "dump", os.path.join(DATA, name)], check=True, capture_output=True, text=True).stdout
    out = {}
    for line in text.splitlines():
        t = line.split()
        if t and t[0] == "ID":
            h = out[int(t[1])] = {"BIN": []}
        elif t and t[0] == "TITLE":
            h["TITLE"] = line[7:-1]
        elif t and t[0] in ("NBINS", "ENTRIES"):
            h[t[0]] = int(t[1])
        elif t and t[0] in ("XMIN", "XMAX", "UNDERFLOW", "OVERFLOW"):
            h[t[0]] = f32(t[2])
        elif t and t[0] == "BIN":  # low edge and error with 9 digits: each reads back as its float
            h["BIN"].append((np.float32(float(t[2])), f32(t[5]), np.float32(float(t[4]))))
    return out


class Read(unittest.TestCase):
    def test_every_histogram_of_every_file_as_the_dumps_say(self):
        for name in FILES:
            expected = reference(name)
            got = {h.id: h for h in hbook.open(os.path.join(DATA, name)).histograms()}
            self.assertEqual(sorted(got), sorted(expected), name)
            for id, e in expected.items():
                h, msg = got[id], f"{name} {id}"
                self.assertEqual((h.title, h.nx, h.entries, h.cumulative),
                                 (e["TITLE"], e["NBINS"], e["ENTRIES"], e["ENTRIES"] == -1), msg)
                self.assertEqual(bits([h.xmin, h.xmax, h.underflow, h.overflow]).tolist(),
                                 bits([e["XMIN"], e["XMAX"], e["UNDERFLOW"], e["OVERFLOW"]]).tolist(), msg)
                low, content, error = (np.array(column, dtype=np.float32) for column in zip(*e["BIN"]))
                self.assertEqual({a.dtype for a in (h.contents, h.edges, h.errors)}, {np.dtype(np.float32)})
                np.testing.assert_array_equal(bits(h.contents), bits(content), msg)
                np.testing.assert_array_equal(h.edges, np.append(low, h.xmax), msg)
                np.testing.assert_array_equal(h.errors, error, msg)

    def test_file_object_and_statistics(self):
        with hbook.open(os.path.join(DATA, "golden-run.hbook")) as f:
            self.assertEqual((len(f), f.ids(), 3005 in f), (50, [h.id for h in f], True))
            self.assertRegex(repr(f), r"golden-run.hbook': 50 1-D histograms>$")
            self.assertEqual(repr(f[3006]), "<H1 3006 'Path length (cm) DeB': 200 bins 83.15..83.25, entries 1>")
            with self.assertRaisesRegex(KeyError, "no object with id 999"):
                f[999]
            # The package prints 0.5020E+01 and 0.8231E-03 for this one filled bin.
            s = f[3005].summary()
            self.assertEqual(f"{s.entries} {s.overflow} {s.mean:.3e} {s.rms:.3e}", "2 1.0 5.020e+00 8.231e-04")
        self.assertEqual(len(f), 0)
        paw = hbook.open(os.path.join(DATA, "pawtut.hbook"))
        # The reader loads every object kind of the tutorial file: nothing is skipped any more.
        self.assertEqual(list(paw.skipped), [])


class Write(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="tarn-python-")
        self.addCleanup(shutil.rmtree, self.dir)

    def assert_same(self, a, b):
        self.assertEqual((a.id, a.title, a.nx, a.entries), (b.id, b.title, b.nx, b.entries))
        self.assertEqual(bits([a.xmin, a.xmax, a.underflow, a.overflow]).tolist(),
                         bits([b.xmin, b.xmax, b.underflow, b.overflow]).tolist())
        np.testing.assert_array_equal(bits(a.contents), bits(b.contents))
        np.testing.assert_array_equal(*(bits([] if h.sumw2 is None else h.sumw2) for h in (a, b)))

    def test_round_trips(self):
        for name in FILES:
            original = hbook.open(os.path.join(DATA, name)).histograms()
            hbook.write(os.path.join(self.dir, name), original)
            again = hbook.open(os.path.join(self.dir, name)).histograms()
            self.assertEqual([h.id for h in again], [h.id for h in original])
            for a, b in zip(original, again):
                self.assert_same(a, b)
        w = np.random.default_rng(7).normal(1.0, 0.5, size=40)
        made = [hbook.H1(5, "made in Python", 40, -2.0, 2.0, w, underflow=3, overflow=-1.5, sumw2=w ** 2, entries=40),
                hbook.H1(-7, "", 1, 0.1, 0.2), hbook.H1(8, "t", 3, 0, 3, [1, 2, 3])]
        self.assertEqual([h.entries for h in made], [40, 0, 3])
        hbook.write(os.path.join(self.dir, "made.hbook"), made)
        for a, b in zip(made, hbook.open(os.path.join(self.dir, "made.hbook"))):
            self.assert_same(a, b)

    def test_never_overwrites_and_refuses_bad_histograms(self):
        out = os.path.join(self.dir, "kept.hbook")
        shutil.copy(os.path.join(DATA, "lam.hbook"), out)
        with self.assertRaises(FileExistsError):
            hbook.write(out, hbook.open(os.path.join(DATA, "sq.hbook")))
        self.assertEqual(Path(out).read_bytes(), Path(DATA, "lam.hbook").read_bytes())
        short = hbook.H1(1, "t", 10, 0, 1)
        short.contents = np.zeros(9)
        for error, message, objects in (
                (ValueError, "contents has shape", [short]),
                (ValueError, "same id twice", [hbook.H1(2, "a", 1, 0, 1), hbook.H1(2, "b", 1, 0, 1)]),
                (TypeError, "cannot write", ["not a histogram"]),
                (hbook.FileError, "no-such-dir", [hbook.H1(1, "t", 1, 0, 1)])):
            path = os.path.join(self.dir, "no-such-dir" if message == "no-such-dir" else "", "bad.hbook")
            with self.assertRaisesRegex(error, message):
                hbook.write(path, objects)
            self.assertFalse(os.path.exists(path))
        with self.assertRaisesRegex(ValueError, r"sumw2 has shape \(3,\)"):
            hbook.H1(1, "t", 2, 0, 1, sumw2=[1, 2, 3])

    def test_damaged_files_raise_file_error_naming_them(self):
        data = Path(DATA, "mixed.hbook").read_bytes()
        rng = random.Random(10)
        damaged = [b"", b"not an HBOOK file\n" * 300] + [data[:n] for n in (4, 4096, 4100, len(data) - 4096)]
        for _ in range(60):
            b = bytearray(data)
            for _ in range(rng.randint(1, 8)):
                b[rng.randrange(4096, len(b))] = rng.randrange(256)
            damaged.append(bytes(b))
        refused = 0
        for i, content in enumerate(damaged):
            path = os.path.join(self.dir, f"damaged{i}.hbook")
            Path(path).write_bytes(content)
            try:
                for h in hbook.open(path):
                    h.summary(), repr(h)
            except hbook.FileError as e:
                self.assertIsInstance(e, OSError)
                self.assertIn(path, str(e))
                refused += 1
        self.assertGreaterEqual(refused, 6)
        for path in (os.path.join(self.dir, "missing.hbook"), self.dir):
            with self.assertRaises(hbook.FileError):
                hbook.open(path)


class Construction(unittest.TestCase):
    """What the objects made in Python take and refuse, with the words."""

    def refused(self, message, make, *args, **options):
        with self.assertRaises(ValueError) as raised:
            make(*args, **options)
        self.assertEqual(str(raised.exception), message)

    def test_numbers_of_bins_from_one(self):
        self.assertEqual(hbook.H1(1, "", 1, 0, 1).contents.shape, (1,))
        self.refused("histogram 1: number of bins 0 is not positive", hbook.H1, 1, "", 0, 0, 1)
        self.assertEqual(hbook.H2(2, "", 1, 0, 1, 1, 0, 1).cells.shape, (3, 3))
        self.refused("2-D histogram 2: 0 x 1 bins", hbook.H2, 2, "", 0, 0, 1, 1, 0, 1)
        self.refused("2-D histogram 2: 1 x 0 bins", hbook.H2, 2, "", 1, 0, 1, 0, 0, 1)
        zeros = dict(sum_wy=[0.0], sum_wy2=[0.0], sum_w=[0.0])
        self.assertEqual(hbook.Profile(3, "", 1, 0, 1, 0, 1, **zeros).nx, 1)
        self.refused("profile 3: number of bins 0 is not positive", hbook.Profile, 3, "", 0, 0, 1, 0, 1,
                     sum_wy=[], sum_wy2=[], sum_w=[])
        self.refused("profile 3: sum_w has shape (2,), expected (1,)", hbook.Profile, 3, "", 1, 0, 1, 0, 1,
                     sum_wy=[0.0], sum_wy2=[0.0], sum_w=[0.0, 1.0])

    def test_variable_edges_increase_from_xmin_to_xmax(self):
        h = hbook.H1(4, "", 3, 0, 10, edges=[0, 1, 4, 10])
        self.assertTrue(h.variable)
        self.assertEqual(h.edges.tolist(), [0, 1, 4, 10])
        self.assertEqual(repr(h), "<H1 4 '': 3 variable bins 0..10, entries 0>")
        self.refused("histogram 4: edges have shape (3,), expected (4,)", hbook.H1, 4, "", 3, 0, 10, edges=[0, 4, 10])
        self.refused("histogram 4: edges do not increase", hbook.H1, 4, "", 3, 0, 10, edges=[0, 4, 4, 10])
        self.refused("histogram 4: edges do not increase", hbook.H1, 4, "", 3, 0, 10, edges=[0, 5, 4, 10])
        self.refused("histogram 4: edges run from 0.5 to 10.0, not xmin 0.0 to xmax 10.0", hbook.H1, 4, "", 3, 0, 10,
                     edges=[0.5, 1, 4, 10])
        self.refused("histogram 4: edges run from 0.0 to 9.0, not xmin 0.0 to xmax 10.0", hbook.H1, 4, "", 3, 0, 10,
                     edges=[0, 1, 4, 9])
        self.assertFalse(hbook.H1(4, "", 3, 0, 10).variable)

    def test_2d_contents_or_cells_and_their_shapes(self):
        h = hbook.H2(5, "", 3, 0, 3, 2, 0, 2, [[1, 2, 3], [4, 5, 6]])
        self.assertEqual((h.entries, h.cells[1, 1:-1].tolist()), (6, [1, 2, 3]))
        ring = np.arange(20, dtype=np.float32).reshape(4, 5)
        self.assertEqual(hbook.H2(5, "", 3, 0, 3, 2, 0, 2, cells=ring).contents.tolist(), ring[1:-1, 1:-1].tolist())
        self.assertEqual(hbook.H2(5, "", 3, 0, 3, 2, 0, 2).entries, 0)
        self.refused("2-D histogram 5: give contents or cells, not both", hbook.H2, 5, "", 3, 0, 3, 2, 0, 2,
                     np.zeros((2, 3)), cells=ring)
        self.refused("2-D histogram 5: contents has shape (3, 2), expected (2, 3) (ny, nx)", hbook.H2, 5, "", 3, 0, 3,
                     2, 0, 2, np.zeros((3, 2)))
        self.refused("2-D histogram 5: cells has shape (2, 3), expected (4, 5) (ny, nx)", hbook.H2, 5, "", 3, 0, 3,
                     2, 0, 2, cells=np.zeros((2, 3)))
        self.refused("2-D histogram 5: sumw2 has shape (3, 2), expected (2, 3) (ny, nx)", hbook.H2, 5, "", 3, 0, 3,
                     2, 0, 2, np.zeros((2, 3)), sumw2=np.zeros((3, 2)))
        self.assertEqual(repr(h), "<H2 5 '': 3 x 2 bins 0..3 x 0..2, entries 6>")

    def test_projections_bands_and_the_2d_sum(self):
        from hbook.h2 import Projection
        band = Projection("BANX01", [1, 2, 3, 4], low=0.1, high=0.7, entries=9)
        self.assertEqual((band.underflow, band.overflow, band.contents.tolist()), (1.0, 4.0, [2.0, 3.0]))
        self.assertEqual(band.low, float(np.float32(0.1)))
        self.assertEqual(repr(band), "<Projection BANX01: 2 bins, y 0.1..0.7, entries 9>")
        self.assertEqual(repr(Projection("BANY02", [0, 1, 0], low=2, high=3)), "<Projection BANY02: 1 bins, x 2..3, entries 0>")
        self.assertEqual(repr(Projection("PROX", [0, 1, 0])), "<Projection PROX: 1 bins, entries 0>")
        self.assertEqual(Projection("P", [0, 4, 9, 0], sumw2=[1, 2]).errors.tolist(), [1.0, float(np.sqrt(np.float32(2)))])
        self.assertEqual(Projection("P", [0, 4, 9, 0]).errors.tolist(), [2.0, 3.0])
        h = hbook.H2(5, "", 2, 0, 2, 2, 0, 2, [[1e8, 1.0], [-1e8, 1.0]])
        # iy fastest: 1e8 - 1e8 + 1 + 1 = 2 in single precision; ix fastest would lose a 1 to 1e8.
        self.assertEqual(h.sum, np.float32(2.0))
        self.assertEqual(hbook.H2(5, "", 1, 0, 1, 1, 0, 1).sum, np.float32(0))
        self.assertFalse(h.table)
        h.kbits |= 0x4
        self.assertTrue(h.table)

    def test_directory_words(self):
        from hbook.directory import counts
        self.assertEqual(counts([]), "empty")
        self.assertEqual(counts([hbook.H1(1, "", 1, 0, 1), hbook.H2(2, "", 1, 0, 1, 1, 0, 1), hbook.H1(3, "", 1, 0, 1)]),
                         "2 1-D histograms, 1 2-D histogram")
        self.assertEqual(repr(hbook.Directory("/A", [], [])), "<hbook.Directory '/A': empty>")
        self.assertEqual(repr(hbook.Directory("/A", ["B", "C"], [])), "<hbook.Directory '/A': empty, 2 subdirectories>")
        self.assertEqual(hbook.Directory("/A", ["B"], []).subdirectory_paths(), ["/A/B"])
        d = hbook.Directory("/A", [], [hbook.H1(4, "a", 1, 0, 1), hbook.H2(4, "b", 1, 0, 1, 1, 0, 1)])
        self.assertEqual((d[4].title, 4 in d, 5 in d, d.ids(), [h.title for h in d.histograms()]),
                         ("a", True, False, [4, 4], ["a"]))
        with self.assertRaises(KeyError) as raised:
            d[5]
        self.assertEqual(raised.exception.args[0], "no object with id 5 in directory /A")

    def test_effective_counts_and_axes(self):
        from hbook import binning
        self.assertEqual(binning.effective_counts([2.0, 3.0, 0.0, 1.0], [4.0, 0.0, 0.0, -1.0]).tolist(),
                         [1.0, 0.0, 0.0, 0.0])  # no variance: no counts
        h = hbook.H1(6, "", 2, 0, 2, [2.0, 3.0], sumw2=[2.0, 9.0])
        self.assertEqual(h.counts().tolist(), [2.0, 1.0])
        axis = h.axes[0]
        self.assertEqual((axis[-1], axis[0], len(axis)), ((1.0, 2.0), (0.0, 1.0), 2))
        with self.assertRaises(IndexError):
            axis[2]
        self.assertEqual(repr(axis), "<Axis 2 bins 0..2>")
        self.assertEqual(axis, binning.Axis(np.float32([0, 1, 2])))
        self.assertNotEqual(axis, binning.Axis(np.float32([0, 1, 3])))
        self.assertNotEqual(axis, [0, 1, 2])
        self.assertEqual(repr(hbook.H1(7, "s", 2, 0, 1, [0.5, 1.0], entries=-1)),
                         "<H1 7 's': 2 bins 0..1, entries -1, cumulative>")


class Accessors(unittest.TestCase):
    """The small accessors of each object: centres from the edges (equal
    or variable), counts with and without squared weights, a profile's
    values, an ntuple's names and a missing one's words."""

    def test_centres_and_counts_of_1d_and_2d_histograms(self):
        from hbook import binning
        self.assertEqual(repr(binning.Axis([0, 1]).traits), "Traits()")
        self.assertEqual(binning.Axis(np.float32([0, 1, 3, 7])).centers.tolist(), [0.5, 2.0, 5.0])
        h = hbook.H1(3, "", 3, 0, 7, [1.0, -2.0, 4.0], edges=[0, 1, 3, 7])
        self.assertEqual(h.centres.tolist(), [0.5, 2.0, 5.0])
        self.assertEqual(hbook.H1(4, "", 2, 1, 5).centres.tolist(), [2.0, 4.0])
        self.assertEqual(h.counts().tolist(), [1.0, -2.0, 4.0])  # no squared weights: the contents as they are
        h2 = hbook.H2(5, "", 3, 0, 3, 2, 0, 2, [[1.0, 2.0, 3.0], [4.0, -5.0, 6.0]])
        self.assertEqual(h2.counts().tolist(), [[1.0, 4.0], [2.0, -5.0], [3.0, 6.0]])  # [ix, iy]
        weighted = hbook.H2(6, "", 3, 0, 3, 2, 0, 2, [[2.0, 3.0, 0.0], [4.0, 6.0, 1.0]],
                            sumw2=[[2.0, 9.0, 0.0], [8.0, 4.0, 1.0]])
        self.assertEqual(weighted.counts().tolist(), [[2.0, 2.0], [1.0, 9.0], [0.0, 1.0]])

    def test_a_profile_s_values_are_its_means(self):
        p = hbook.Profile(7, "", 2, 0, 2, -10, 10, sum_wy=[6.0, 3.0], sum_wy2=[20.0, 9.0], sum_w=[2.0, 1.0])
        self.assertEqual(p.values().tolist(), [3.0, 3.0])
        self.assertIs(p.values(), p.means)
        self.assertEqual(p.centres.tolist(), [0.5, 1.5])

    def test_ntuple_names_and_a_missing_variable(self):
        rwn = hbook.RowNtuple(8, "", {"x": [1.0, 2.0], "y": [3.0, 4.0]})
        self.assertEqual((list(rwn.keys()), "y" in rwn, "z" in rwn, rwn.nvar), (["x", "y"], True, False, 2))
        cwn = hbook.ColumnNtuple(9, "", {"w": np.float32([1, 2]),
                                          "e": hbook.Jagged.from_rows("e", [[1.5], [2.5, 3.5]], dtype=np.float32)})
        self.assertEqual(("e" in cwn, "z" in cwn), (True, False))
        self.assertIn("e", list(cwn.keys()))
        self.assertEqual([r.tolist() for r in cwn["e"].tolist()], [[1.5], [2.5, 3.5]])
        with self.assertRaises(KeyError) as raised:
            cwn["z"]
        self.assertEqual(raised.exception.args[0], "column-wise ntuple 9: no variable 'z'")

    def test_a_summary_s_repr(self):
        s = hbook.H1(10, "", 4, 0, 4, [1.0, 0.0, 0.0, 1.0]).summary()
        self.assertEqual(repr(s), "<Summary entries 4, mean 2.0, rms 1.5>")


class BindingChecks(unittest.TestCase):
    """The binding's own checks of what it is handed (hbook._core), which
    the classes above it keep from failing: each length at its value taken,
    one less and one more refused, with the words."""

    def core(self, nx=3, channels=5, edges=None, sumw2=None):
        from hbook import _core
        c = _core.Histogram()
        c.id, c.nx, c.xmin, c.xmax, c.entries = 5, nx, 0.0, 3.0, 1
        c.channels = np.ones(channels, dtype=np.float32)
        c.edges = None if edges is None else np.arange(edges, dtype=np.float32)
        c.sumw2 = None if sumw2 is None else np.ones(sumw2, dtype=np.float32)
        return c

    def refused(self, message, c):
        from hbook import _core
        for function in (_core.summarise, _core.increments):
            with self.assertRaises(ValueError) as raised:
                function(c)
            self.assertEqual(str(raised.exception), message)

    def test_each_array_has_the_length_its_bins_ask_for(self):
        from hbook import _core
        self.assertEqual(_core.summarise(self.core()).in_range, 3.0)
        self.assertEqual(_core.summarise(self.core(edges=4, sumw2=3)).entries, 1)
        self.assertEqual(_core.summarise(self.core(nx=1, channels=3)).in_range, 1.0)
        self.refused("histogram 5: number of bins 0 is not positive", self.core(nx=0, channels=2))
        for channels in (4, 6):
            self.refused(f"histogram 5: {channels} channels for 3 bins (bins plus underflow and overflow expected)",
                         self.core(channels=channels))
        for edges in (3, 5):
            self.refused(f"histogram 5: {edges} bin edges for 3 bins", self.core(edges=edges))
        for sumw2 in (2, 4):
            self.refused(f"histogram 5: {sumw2} sums of squared weights for 3 bins", self.core(sumw2=sumw2))
        with self.assertRaisesRegex(ValueError, "^channels must be one-dimensional$"):
            self.core().channels = np.zeros((5, 1), dtype=np.float32)
        self.assertEqual(repr(self.core()), "<hbook._core.Histogram 5, 3 bins>")

    def test_write_file_writes_a_new_file_only_of_histograms_of_a_right_shape(self):
        from hbook import _core
        folder = tempfile.mkdtemp(prefix="hbook-core-")
        self.addCleanup(shutil.rmtree, folder)
        path = os.path.join(folder, "h.hbook")
        first = hbook.H1(5, "five", 3, 0, 3, [1.0, 2.0, 3.0])._to_core()
        second = hbook.H1(6, "six", 2, -1, 1, [4.0, 5.0])._to_core()
        self.assertTrue(_core.write_file(path, [first, second]))
        self.assertFalse(_core.write_file(path, [second]))  # there already: kept
        self.assertEqual([(h.id, h.title, h.contents.tolist()) for h in hbook.open(path)],
                         [(5, "five", [1.0, 2.0, 3.0]), (6, "six", [4.0, 5.0])])
        other = os.path.join(folder, "bad.hbook")
        with self.assertRaises(ValueError) as raised:
            _core.write_file(other, [first, self.core(channels=4)])
        self.assertEqual(str(raised.exception),
                         "histogram 5: 4 channels for 3 bins (bins plus underflow and overflow expected)")
        self.assertFalse(os.path.exists(other))


class Commands(unittest.TestCase):
    """What the Python commands share: a failure's words, a missing package
    named, a reader gone away."""

    def test_failures_and_missing_packages_are_said(self):
        import contextlib
        import io
        from hbook import command
        err = io.StringIO()
        with contextlib.redirect_stderr(err):
            self.assertEqual(command.failed("hbook fit", KeyError("f.hbook: no object with id 8")), 1)
            self.assertEqual(command.failed("hbook fit", ValueError("'quoted' stays")), 1)
        self.assertEqual(err.getvalue(), "hbook fit: f.hbook: no object with id 8\nhbook fit: 'quoted' stays\n")
        err = io.StringIO()
        saved = sys.argv
        try:
            sys.argv = ["/usr/bin/hbook-fit"]
            with contextlib.redirect_stderr(err), self.assertRaises(SystemExit) as raised:
                command.needs("no_such_module_of_tarn", "python3-nothing")
        finally:
            sys.argv = saved
        self.assertEqual((raised.exception.code, err.getvalue()),
                         (1, "hbook-fit: needs python3-nothing (bash scripts/setup-deps.sh installs it)\n"))
        command.needs("json", "python3")  # there: nothing said
        self.assertEqual(command.object_name("/AA/3"), "/AA/3")
        import argparse
        with self.assertRaisesRegex(argparse.ArgumentTypeError, "^an object in a subdirectory is named /DIR/ID: AA/3$"):
            command.object_name("AA/3")

    def test_a_reader_gone_away_ends_the_command_with_status_1_quietly(self):
        for body, status in (("raise BrokenPipeError", 1), ("return 0", 0), ("return 2", 2)):
            script = f"from hbook.command import run\ndef main():\n    {body}\nrun(main)\n"
            result = subprocess.run([sys.executable, "-c", script], capture_output=True, text=True)
            self.assertEqual((result.returncode, result.stderr), (status, ""), body)

    def test_object_names(self):
        from hbook.file import address
        for key, expected in ((5, ("/", 5)), (np.int64(6), ("/", 6)), ("7", ("/", 7)), ("/8", ("/", 8)),
                              ("/AA/BB/9", ("/AA/BB", 9)), ("-3", ("/", -3))):
            self.assertEqual(address(key), expected, key)
        for key, message in (("", "not an object id: '' (an object is named ID or /DIR/ID)"),
                             ("/AA/", "not an object id: '' (an object is named ID or /DIR/ID)"),
                             ("AA/1", "an object in a subdirectory is named /DIR/ID: AA/1")):
            with self.assertRaises(KeyError) as raised:
                address(key)
            self.assertEqual(raised.exception.args[0], message)
        with self.assertRaisesRegex(TypeError, r"^an object is named by its id or by a path /DIR/ID, not 2\.5$"):
            address(2.5)


class SinglePrecision(unittest.TestCase):
    """The package's derived values are single-precision arithmetic, as the
    file and the package's own code make them: compared bit for bit with the
    same steps done in numpy float32, on binnings where double arithmetic
    gives other bits."""

    BINNINGS = ((0.3, 2.9, 13), (0.5, 20.0, 195), (-3.5, 3.5, 100), (83.15, 83.25, 200))

    @staticmethod
    def float32_edges(n, low, high):
        low, high = np.float32(low), np.float32(high)
        width = np.float32(high - low) / np.float32(n)
        return np.array([np.float32(low + np.float32(i) * width) for i in range(n)] + [high], dtype=np.float32)

    def test_width_and_edges_are_float32_steps(self):
        for low, high, n in self.BINNINGS:
            h = hbook.H1(1, "b", n, low, high)
            f32 = np.float32
            width = f32(f32(f32(high) - f32(low)) / f32(n))
            self.assertEqual(bits([h.width]).tolist(), bits([width]).tolist(), (low, high, n))
            self.assertEqual(h.edges.dtype, np.float32)
            self.assertEqual(bits(h.edges).tolist(), bits(self.float32_edges(n, low, high)).tolist(), (low, high, n))
        # The binnings tell the two apart: in double the 13-bin width and edges differ.
        low, high, n = self.BINNINGS[0]
        double_width = np.float32((float(np.float32(high)) - float(np.float32(low))) / n)
        self.assertNotEqual(bits([double_width]).tolist(), bits([hbook.H1(1, "b", n, low, high).width]).tolist())
        double_edges = np.float32(low) + np.arange(n, dtype=np.float64) * hbook.H1(1, "b", n, low, high).width
        self.assertNotEqual(bits(double_edges.astype(np.float32)).tolist(),
                            bits(hbook.H1(1, "b", n, low, high).edges[:-1]).tolist())

    def test_edges_and_outer_channels_are_stored_as_float32(self):
        h = hbook.H1(2, "c", 3, 0.1, 0.7, [1, 2, 3], underflow=0.1, overflow=1e-46)
        for value, given in ((h.xmin, 0.1), (h.xmax, 0.7), (h.underflow, 0.1)):
            self.assertEqual(value, float(np.float32(given)))
            self.assertNotEqual(value, given)
        self.assertEqual(h.overflow, 0.0)  # below the smallest float32: zero, as a file holds it

    def test_errors_are_float32_square_roots(self):
        h = hbook.H1(3, "e", 3, 0.0, 3.0, [2.0, -3.0, 0.3])
        self.assertEqual(h.errors.dtype, np.float32)
        self.assertEqual(bits(h.errors).tolist(), bits(np.sqrt(np.abs(np.float32([2.0, -3.0, 0.3])))).tolist())
        w = hbook.H1(4, "w", 2, 0.0, 2.0, [1.0, 1.0], sumw2=[0.1, 7.0])
        self.assertEqual(bits(w.errors).tolist(), bits(np.sqrt(np.float32([0.1, 7.0]))).tolist())

    def test_2d_variances_without_squared_weights_are_the_contents_magnitudes(self):
        # Negative cells (a subtraction) have the variance of their magnitude,
        # indexed [ix, iy] like values().
        h = hbook.H2(5, "v", 2, 0.0, 2.0, 2, 0.0, 1.0, [[2.0, -3.0], [0.0, -0.5]])
        self.assertEqual(h.variances().tolist(), [[2.0, 0.0], [3.0, 0.5]])
        self.assertTrue(np.all(h.variances() >= 0))


if __name__ == "__main__":
    unittest.main()

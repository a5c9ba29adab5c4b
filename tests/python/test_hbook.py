"""The Python package hbook over the C++ reader and writer: every 1-D
histogram of every test file as its reference dump says, write/read round
trips, and errors (never a crash) on damaged files and bad arguments."""
import os
import random
import shutil
import subprocess
import tempfile
import unittest

import numpy as np

import dumps
import hbook

DATA = os.path.join(os.environ["TARN_TEST_DATA"], "hbook")
FILES = ["lam.hbook", "sq.hbook", "gradx.hbook", "errors.hbook", "mixed.hbook",
         "golden-basic.hbook", "golden-run.hbook", "many.hbook", "pawtut.hbook",
         "roothbk_write_hbk.hb"]


def reference_dump(name):
    """The package's dump kept in tests/data, or for the two files whose
    dumps are too big to keep, the C++ tool's (checked against the
    package's dump by hbook_file_read_test)."""
    path = os.path.join(DATA, os.path.splitext(name)[0] + ".dump.txt")
    if os.path.exists(path):
        with open(path) as f:
            return f.read()
    return subprocess.run([os.environ["HBOOK_TOOL"], "dump", os.path.join(DATA, name)],
                          check=True, capture_output=True, text=True).stdout


def bits(a):
    return np.asarray(a, dtype=np.float32).view(np.uint32)


class Scratch(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="tarn-python-")
        self.addCleanup(shutil.rmtree, self.dir)

    def path(self, name):
        return os.path.join(self.dir, name)


class ReadAsTheDumpsSay(unittest.TestCase):
    def test_every_histogram_of_every_file(self):
        for name in FILES:
            with self.subTest(file=name):
                count, expected = dumps.parse(reference_dump(name))
                with hbook.open(os.path.join(DATA, name)) as f:
                    got = {h.id: h for h in f.histograms()}
                self.assertEqual(len(got), count)
                self.assertEqual(sorted(got), sorted(expected))
                for id, e in expected.items():
                    self.check(got[id], e)

    def check(self, h, e):
        msg = f"id {h.id}"
        self.assertEqual(h.title, e["title"], msg)
        self.assertEqual(h.nx, e["nbins"], msg)
        self.assertEqual(bits(h.xmin), bits(e["xmin"]), msg)
        self.assertEqual(bits(h.xmax), bits(e["xmax"]), msg)
        self.assertEqual(h.entries, e["entries"], msg)
        self.assertEqual(h.cumulative, e["entries"] == -1, msg)
        self.assertEqual(bits(h.underflow), bits(e["underflow"]), msg)
        self.assertEqual(bits(h.overflow), bits(e["overflow"]), msg)
        for array in (h.contents, h.edges, h.errors):
            self.assertEqual(array.dtype, np.float32, msg)
        np.testing.assert_array_equal(bits(h.contents), bits(e["content"]), msg)
        np.testing.assert_array_equal(h.edges[:-1], e["low"], msg)
        self.assertEqual(h.edges[-1], h.xmax, msg)
        np.testing.assert_array_equal(h.errors, e["error"], msg)

    def test_statistics_come_from_the_cpp_layer(self):
        # The package prints 0.5020E+01 and an RMS of 0.8231E-03 for one
        # filled bin: single-precision rounding that only its arithmetic gives.
        s = hbook.open(os.path.join(DATA, "golden-run.hbook"))[3005].summary()
        self.assertEqual((s.entries, s.in_range, s.overflow), (2, 1.0, 1.0))
        self.assertEqual(f"{s.mean:.3e} {s.rms:.3e}", "5.020e+00 8.231e-04")
        self.assertFalse(s.cumulative or s.no_entries)

    def test_increments_of_the_sampler_running_sum(self):
        spectrum = hbook.open(os.path.join(DATA, "lam.hbook"))[100]
        running = hbook.open(os.path.join(DATA, "golden-run.hbook"))[100]
        self.assertTrue(running.cumulative)
        steps = running.increments()
        self.assertFalse(steps.cumulative)
        np.testing.assert_allclose(steps.contents, spectrum.contents / spectrum.contents.sum(), atol=2e-7)
        self.assertIs(spectrum.increments(), spectrum)


class FileObject(unittest.TestCase):
    def test_iteration_lookup_and_repr(self):
        with hbook.open(os.path.join(DATA, "gradx.hbook")) as f:
            self.assertEqual(len(f), 2)
            self.assertEqual(f.ids(), [h.id for h in f])
            self.assertIn(151, f)
            self.assertNotIn(999, f)
            with self.assertRaisesRegex(KeyError, "no object with id 999"):
                f[999]
            self.assertRegex(repr(f), r"gradx.hbook': 2 1-D histograms>$")
            self.assertRegex(repr(f[152]), r"^<H1 152 '.*': 100 bins -3..3, entries 100>$")
        self.assertEqual(len(f), 0)

    def test_skipped_objects_are_listed(self):
        f = hbook.open(os.path.join(DATA, "pawtut.hbook"))
        self.assertEqual(len(f.histograms()), 3)
        self.assertTrue(any("2-D histogram, skipped" in note for note in f.skipped))
        self.assertIn("skipped", repr(f))


class WriteAndReadBack(Scratch):
    def assert_same(self, a, b):
        self.assertEqual((a.id, a.title, a.nx, a.entries), (b.id, b.title, b.nx, b.entries))
        self.assertEqual(bits([a.xmin, a.xmax, a.underflow, a.overflow]).tolist(),
                         bits([b.xmin, b.xmax, b.underflow, b.overflow]).tolist())
        np.testing.assert_array_equal(bits(a.contents), bits(b.contents))
        self.assertEqual(a.sumw2 is None, b.sumw2 is None)
        if a.sumw2 is not None:
            np.testing.assert_array_equal(bits(a.sumw2), bits(b.sumw2))

    def test_every_file_round_trips(self):
        for name in FILES:
            with self.subTest(file=name):
                original = hbook.open(os.path.join(DATA, name)).histograms()
                out = self.path(name + ".copy")
                hbook.write(out, original)
                again = hbook.open(out).histograms()
                self.assertEqual([h.id for h in again], [h.id for h in original])
                for a, b in zip(original, again):
                    self.assert_same(a, b)

    def test_a_copy_of_a_real_file_dumps_like_it(self):
        out = self.path("errors.hbook")
        hbook.write(out, hbook.open(os.path.join(DATA, "errors.hbook")))
        tool = subprocess.run([os.environ["HBOOK_TOOL"], "dump", out], check=True,
                              capture_output=True, text=True).stdout
        self.assertEqual(tool.split("\n", 1)[1], reference_dump("errors.hbook").split("\n", 1)[1])

    def test_new_histograms_from_numpy(self):
        rng = np.random.default_rng(7)
        weights = rng.normal(1.0, 0.5, size=40)
        made = [hbook.H1(5, "made in Python", 40, -2.0, 2.0, weights, underflow=3, overflow=-1.5,
                         sumw2=weights ** 2, entries=40),
                hbook.H1(-7, "", 1, 0.1, 0.2)]
        hbook.write(self.path("made.hbook"), made)
        back = hbook.open(self.path("made.hbook"))
        for a, b in zip(made, back):
            self.assert_same(a, b)
        np.testing.assert_array_equal(back[5].errors, np.sqrt(np.float32(weights ** 2).astype(np.float32)))
        self.assertEqual(back[5].xmin, float(np.float32(-2.0)))

    def test_never_overwrites(self):
        out = self.path("kept.hbook")
        shutil.copy(os.path.join(DATA, "lam.hbook"), out)
        before = open(out, "rb").read()
        with self.assertRaises(FileExistsError):
            hbook.write(out, hbook.open(os.path.join(DATA, "sq.hbook")))
        self.assertEqual(open(out, "rb").read(), before)

    def test_bad_histograms_are_refused_before_writing(self):
        h = hbook.H1(1, "t", 10, 0, 1)
        h.contents = np.zeros(9)
        cases = [
            (ValueError, "contents has shape", [h]),
            (ValueError, "same id twice", [hbook.H1(2, "a", 1, 0, 1), hbook.H1(2, "b", 1, 0, 1)]),
            (TypeError, "cannot write", ["not a histogram"]),
            (hbook.FileError, "at most 141", [hbook.H1(i, "x", 1, 0, 1) for i in range(1, 143)]),
        ]
        for error, message, objects in cases:
            with self.subTest(message=message):
                with self.assertRaisesRegex(error, message):
                    hbook.write(self.path("bad.hbook"), objects)
                self.assertFalse(os.path.exists(self.path("bad.hbook")))
        with self.assertRaisesRegex(ValueError, "not positive"):
            hbook.H1(1, "t", 0, 0, 1)
        with self.assertRaisesRegex(ValueError, r"sumw2 has shape \(3,\)"):
            hbook.H1(1, "t", 2, 0, 1, sumw2=[1, 2, 3])
        with self.assertRaisesRegex(hbook.FileError, "no-such-dir"):
            hbook.write(os.path.join(self.dir, "no-such-dir", "x.hbook"), [hbook.H1(1, "t", 1, 0, 1)])


class DamagedFiles(Scratch):
    """Every damaged file raises FileError, an OSError, with the reader's message."""

    def test_missing_empty_and_foreign_files(self):
        open(self.path("empty.hbook"), "wb").close()
        with open(self.path("text.hbook"), "w") as f:
            f.write("not an HBOOK file\n" * 300)
        for path, message in ((self.path("missing.hbook"), "cannot be opened"),
                              (self.path("empty.hbook"), "empty.hbook"),
                              (self.path("text.hbook"), "text.hbook"),
                              (self.dir, "")):
            with self.subTest(path=path):
                with self.assertRaisesRegex(hbook.FileError, message) as caught:
                    hbook.open(path)
                self.assertIsInstance(caught.exception, OSError)

    def test_truncated_and_corrupted_copies(self):
        data = open(os.path.join(DATA, "mixed.hbook"), "rb").read()
        rng = random.Random(10)
        damaged = [data[:n] for n in (4, 4096, 4100, 8192, len(data) - 4096)]
        for _ in range(60):
            b = bytearray(data)
            for _ in range(rng.randint(1, 8)):
                b[rng.randrange(4096, len(b))] = rng.randrange(256)
            damaged.append(bytes(b))
        failures = 0
        for i, content in enumerate(damaged):
            path = self.path(f"damaged{i}.hbook")
            with open(path, "wb") as f:
                f.write(content)
            try:
                for h in hbook.open(path):
                    h.summary()
            except hbook.FileError as e:
                failures += 1
                self.assertIn(path, str(e))
        self.assertGreaterEqual(failures, 5)  # at least the truncated ones


if __name__ == "__main__":
    unittest.main()

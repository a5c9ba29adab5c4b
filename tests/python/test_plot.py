"""hbook plot: rendered figures looked at as images (size, ink, one framed
panel per histogram), the drawing itself (steps, error bars only where
stored, labels, cumulative histograms), and the command's exit statuses."""
import contextlib
import io
import os
import re
import shutil
import subprocess
import tempfile
import unittest

import numpy as np
from matplotlib.container import ErrorbarContainer
from matplotlib.figure import Figure

import hbook
import hbook.plot
import images

DATA = os.path.join(os.environ["TARN_TEST_DATA"], "hbook")
TOOL = os.environ["HBOOK_TOOL"]


def data(name):
    return os.path.join(DATA, name)


class Rendered(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="tarn-plot-")
        self.addCleanup(shutil.rmtree, self.dir)

    def plot(self, *args):
        """hbook.plot.main in this process: (exit status, standard error)."""
        err = io.StringIO()
        with contextlib.redirect_stderr(err):
            try:
                status = hbook.plot.main(list(args))
            except SystemExit as e:
                status = e.code
        return status, err.getvalue()

    def test_the_hbook_tool_hands_over_to_the_python_command(self):
        out = os.path.join(self.dir, "h.png")
        result = subprocess.run([TOOL, "plot", data("golden-run.hbook"), "1", "3005", "-o", out],
                                capture_output=True, text=True)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(images.horizontal_frame_lines(images.read_rgb(out), min_length=200), 4)
        result = subprocess.run([TOOL, "plot", data("golden-run.hbook"), "7777", "-o", out],
                                capture_output=True, text=True)
        self.assertEqual((result.returncode, result.stderr), (1, "hbook plot: " + data("golden-run.hbook") +
                                                             ": no object with id 7777\n"))

    def test_png_has_one_framed_panel_per_histogram(self):
        panel_pixels = [int(v * hbook.plot.DPI) for v in hbook.plot.PANEL_INCHES]
        for ids, size in ((["3005"], (1, 1)), (["1", "3005", "4017"], (2, 2)), (["100", "301", "302", "402", "151"], (2, 3))):
            with self.subTest(ids=ids):
                out = os.path.join(self.dir, "h.png")
                status, err = self.plot(data("golden-run.hbook"), *ids, "-o", out)
                self.assertEqual(status, 0, err)
                rgb = images.read_rgb(out)
                self.assertEqual(rgb.shape[:2], (panel_pixels[1] * size[1], panel_pixels[0] * size[0]))
                self.assertGreater(images.ink_fraction(rgb), 0.01)
                lines = images.horizontal_frame_lines(rgb, min_length=panel_pixels[0] // 2)
                self.assertEqual(lines, 2 * len(ids))

    def test_svg_and_pdf(self):
        svg = os.path.join(self.dir, "h.svg")
        self.assertEqual(self.plot(data("mixed.hbook"), "1", "7", "1001", "-o", svg)[0], 0)
        text = open(svg).read()
        self.assertEqual(len(re.findall(r'<g id="axes_\d+"', text)), 3)
        for title in ("Trailing blanks", "Weighted fills (some negative)"):
            self.assertIn(title, text)
        pdf = os.path.join(self.dir, "h.pdf")
        self.assertEqual(self.plot(data("lam.hbook"), "100", "-o", pdf)[0], 0)
        content = open(pdf, "rb").read()
        self.assertTrue(content.startswith(b"%PDF"))
        self.assertEqual(len(re.findall(rb"/Type /Page\b", content)), 1)

    def test_exit_statuses(self):
        out = os.path.join(self.dir, "h.png")
        for args, status, message in (
                ([data("lam.hbook"), "101", "-o", out], 1, "no object with id 101"),
                (["/no/such.hbook", "1", "-o", out], 1, "/no/such.hbook"),
                ([data("lam.hbook"), "100", "-o", os.path.join(self.dir, "h.gif")], 2, "must end in"),
                ([data("lam.hbook"), "100"], 2, "-o"),
                ([data("lam.hbook"), "x", "-o", out], 2, "invalid int")):
            with self.subTest(args=args):
                got, err = self.plot(*args)
                self.assertEqual(got, status)
                self.assertIn(message, err)
        self.assertFalse(os.path.exists(out))


class Drawing(unittest.TestCase):
    def draw(self, name, id):
        ax = Figure().subplots()
        h = hbook.open(data(name))[id]
        hbook.plot.draw(ax, h)
        return ax, h

    def test_steps_labels_and_statistics(self):
        ax, h = self.draw("golden-run.hbook", 3005)
        steps = ax.patches[0].get_data()
        np.testing.assert_array_equal(steps.values, h.contents)
        np.testing.assert_array_equal(steps.edges, h.edges)
        self.assertEqual(ax.get_xlabel(), "E (meV) DetB")
        self.assertEqual(ax.get_title(loc="left"), "id 3005")
        self.assertEqual(ax.get_title(loc="right"),
                         "entries 2   underflow 0   overflow 1\nmean 5.02   rms 0.0008231")

    def test_error_bars_only_where_stored(self):
        ax, h = self.draw("errors.hbook", 11)
        bars = [c for c in ax.containers if isinstance(c, ErrorbarContainer)]
        self.assertEqual(len(bars), 1)
        segments = bars[0].lines[2][0].get_segments()
        np.testing.assert_allclose([s[1, 1] - s[0, 1] for s in segments], 2 * h.errors, rtol=1e-6)
        ax, _ = self.draw("lam.hbook", 100)
        self.assertFalse(any(isinstance(c, ErrorbarContainer) for c in ax.containers))

    def test_cumulative_drawn_as_its_steps(self):
        ax, h = self.draw("golden-run.hbook", 100)
        np.testing.assert_array_equal(ax.patches[0].get_data().values, h.increments().contents)
        self.assertIn("cumulative", ax.get_title(loc="right"))
        self.assertEqual(ax.get_ylabel(), "fraction per bin")

    def test_empty_histogram(self):
        ax, _ = self.draw("golden-run.hbook", 2)
        self.assertIn("no entries", ax.get_title(loc="right"))


if __name__ == "__main__":
    unittest.main()

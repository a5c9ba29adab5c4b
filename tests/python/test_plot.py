"""hbook plot: figures looked at as images (size, ink, one framed panel per
histogram), what is drawn (steps, error bars only where stored, labels,
cumulative histograms), and exit statuses, also through the C++ tool."""
import contextlib
import io
import os
import re
import shutil
import subprocess
import tempfile
import unittest
from pathlib import Path

import numpy as np
from matplotlib.container import ErrorbarContainer
from matplotlib.figure import Figure

import hbook
import hbook.plot
import images

DATA = os.path.join(os.environ["TARN_TEST_DATA"], "hbook")


def data(name):
    return os.path.join(DATA, name)


class Plot(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="tarn-plot-")
        self.addCleanup(shutil.rmtree, self.dir)

    def plot(self, *args):
        """hbook.plot.main in this process: (exit status, standard error)."""
        err = io.StringIO()
        with contextlib.redirect_stderr(err):
            try:
                return hbook.plot.main(list(args)), err.getvalue()
            except SystemExit as e:
                return e.code, err.getvalue()

    def test_one_framed_panel_per_histogram(self):
        w, h = (int(v * hbook.plot.DPI) for v in hbook.plot.PANEL_INCHES)
        out = os.path.join(self.dir, "h.png")
        for ids, (columns, rows) in ((["3005"], (1, 1)), (["1", "3005", "4017"], (2, 2)),
                                     (["100", "301", "302", "402", "151"], (2, 3))):
            self.assertEqual(self.plot(data("golden-run.hbook"), *ids, "-o", out)[0], 0)
            rgb = images.read_rgb(out)
            self.assertEqual(rgb.shape[:2], (h * rows, w * columns))
            self.assertGreater(images.ink_fraction(rgb), 0.01)
            self.assertEqual(images.frame_lines(rgb, min_length=w // 2), 2 * len(ids), ids)
        self.assertEqual(self.plot(data("objects/dirs.hbook"), "1", "/AA/BB/3", "-o", out)[0], 0)
        self.assertEqual(images.frame_lines(images.read_rgb(out), min_length=w // 2), 4)
        svg = os.path.join(self.dir, "h.svg")
        self.assertEqual(self.plot(data("mixed.hbook"), "1", "7", "1001", "-o", svg)[0], 0)
        self.assertEqual(len(re.findall(r'<g id="axes_\d+"', Path(svg).read_text())), 3)
        pdf = os.path.join(self.dir, "h.pdf")
        self.assertEqual(self.plot(data("lam.hbook"), "100", "-o", pdf)[0], 0)
        self.assertEqual(len(re.findall(rb"/Type /Page\b", Path(pdf).read_bytes())), 1)

    def test_exit_statuses_and_the_hbook_tool(self):
        out = os.path.join(self.dir, "h.png")
        for args, status, message in (([data("lam.hbook"), "101", "-o", out], 1, "no object with id 101"),
                                      (["/no/such.hbook", "1", "-o", out], 1, "/no/such.hbook"),
                                      ([data("lam.hbook"), "100", "-o", out + ".gif"], 2, "must end in"),
                                      ([data("lam.hbook"), "x", "-o", out], 2, "not an object id"),
                                      ([data("objects/cwn.hbook"), "10", "-o", out], 1, "is a column-wise ntuple"),
                                      ([data("objects/dirs.hbook"), "/AA/3", "-o", out], 1, "id 3 in directory /AA")):
            got, err = self.plot(*args)
            self.assertEqual(got, status)
            self.assertIn(message, err)
        tool = [os.environ["HBOOK_TOOL"], "plot", data("golden-run.hbook")]
        result = subprocess.run(tool + ["1", "3005", "-o", out], capture_output=True, text=True)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(images.frame_lines(images.read_rgb(out), min_length=200), 4)
        result = subprocess.run(tool + ["7777", "-o", out], capture_output=True, text=True)
        self.assertEqual((result.returncode, result.stderr),
                         (1, f"hbook plot: {data('golden-run.hbook')}: no object with id 7777\n"))

    def test_what_is_drawn(self):
        def draw(name, id):
            ax = Figure().subplots()
            h = hbook.open(data(name))[id]
            hbook.plot.draw(ax, h)
            return ax, h, [c for c in ax.containers if isinstance(c, ErrorbarContainer)]

        ax, h, bars = draw("golden-run.hbook", 3005)
        np.testing.assert_array_equal(ax.patches[0].get_data().values, h.contents)
        np.testing.assert_array_equal(ax.patches[0].get_data().edges, h.edges)
        self.assertEqual((ax.get_xlabel(), ax.get_title(loc="left"), bars), ("E (meV) DetB", "id 3005", []))
        self.assertEqual(ax.get_title(loc="right"), "entries 2   underflow 0   overflow 1\nmean 5.02   rms 0.0008231")
        ax, h, bars = draw("errors.hbook", 11)
        heights = [s[1, 1] - s[0, 1] for s in bars[0].lines[2][0].get_segments()]
        np.testing.assert_allclose(heights, 2 * h.errors, rtol=1e-6)
        ax, h, _ = draw("objects/h2.hbook", 14)  # the in-range cells as an image, y upwards
        np.testing.assert_array_equal(ax.collections[0].get_array().reshape(h.ny, h.nx), h.contents)
        np.testing.assert_array_equal(ax.collections[0].get_coordinates()[:, 0, 1], h.yedges)
        self.assertEqual(len(ax.figure.axes), 2)  # and its colour scale
        ax, p, bars = draw("objects/prof.hbook", 102)  # bin 6 has no fills: no point
        np.testing.assert_array_equal(bars[0].lines[0].get_ydata(), p.means[:5])
        ax, h, _ = draw("golden-run.hbook", 100)
        np.testing.assert_array_equal(ax.patches[0].get_data().values, h.increments().contents)
        self.assertIn("cumulative", ax.get_title(loc="right"))


if __name__ == "__main__":
    unittest.main()

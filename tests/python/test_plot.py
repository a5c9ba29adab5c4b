"""hbook plot: figures looked at as images (size, ink, one framed panel per
histogram), what is drawn (steps, error bars, labels from the run's
catalogue or honest ones, the corner, cumulative histograms, --norm, --logy,
overlays with ratios), tick labels without offsets, and exit statuses, also
through the C++ tool."""
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
                                      ([data("lam.hbook"), "-o", out], 2, "give at least one ID"),
                                      ([data("lam.hbook"), "100", "--overlay", "-o", out], 2, "two files or more"),
                                      ([data("lam.hbook"), data("lam.hbook"), "100", "--norm", "events", "-o", out],
                                       1, "give --events N"),
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
        def draw(name, id, **options):
            ax = Figure().subplots()
            h = hbook.open(data(name))[id]
            hbook.plot.draw(ax, h, **options)
            return ax, h, [c for c in ax.containers if isinstance(c, ErrorbarContainer)]

        def bar_heights(bars):
            return [s[1, 1] - s[0, 1] for s in bars[0].lines[2][0].get_segments()]

        ax, h, bars = draw("golden-run.hbook", 3005)
        np.testing.assert_array_equal(ax.patches[0].get_data().values, h.contents)
        np.testing.assert_array_equal(ax.patches[0].get_data().edges, h.edges)
        # Without a file's labels: the axes say x and contents, the title is the title.
        self.assertEqual((ax.get_xlabel(), ax.get_ylabel(), ax.get_title(loc="left")),
                         ("x", "contents per bin", "E (meV) DetB"))
        np.testing.assert_allclose(bar_heights(bars), 2 * np.sqrt(h.contents), rtol=1e-6)  # sqrt N by default
        box = [a for a in ax.artists if hasattr(a, "txt")][0]
        self.assertEqual(box.txt.get_text(), "entries 2   underflow 0   overflow 1\nmean 5.02   rms 0.0008231")
        self.assertEqual(draw("golden-run.hbook", 3005, errors=False)[2], [])
        ax, h, bars = draw("errors.hbook", 11)
        np.testing.assert_allclose(bar_heights(bars), 2 * h.errors, rtol=1e-6)
        ax, h, _ = draw("objects/h2.hbook", 14)  # the in-range cells as an image, y upwards
        np.testing.assert_array_equal(ax.collections[0].get_array().reshape(h.ny, h.nx), h.contents)
        np.testing.assert_array_equal(ax.collections[0].get_coordinates()[:, 0, 1], h.yedges)
        self.assertEqual((ax.get_xlabel(), ax.get_ylabel()), ("x", "y"))
        self.assertEqual(len(ax.figure.axes), 2)  # and its colour scale
        self.assertEqual(ax.figure.axes[1].get_ylabel(), "contents per cell")
        ax, p, bars = draw("objects/prof.hbook", 102)  # bin 6 has no fills: no point
        np.testing.assert_array_equal(bars[0].lines[0].get_ydata(), p.means[:5])
        ax, h, bars = draw("golden-run.hbook", 100)
        np.testing.assert_array_equal(ax.patches[0].get_data().values, h.increments().contents)
        self.assertEqual(bars, [])  # a running sum's steps are not counts
        self.assertIn("cumulative", [a for a in ax.artists if hasattr(a, "txt")][0].txt.get_text())

    def test_a_run_s_histograms_say_what_they_show(self):
        run = os.path.join(self.dir, "h4711.hbook")
        shutil.copy(data("golden-run.hbook"), run)
        f = hbook.open(run)
        facts = hbook.plot.RunFile.of(run, f)
        self.assertEqual(facts.seed, 4711)
        for id, x, y in ((3005, "energy at the detector (meV)", "neutrons per bin"),
                         (1001, "x at the upstream cell exit (cm)", "neutrons per bin"),
                         (3003, "θx at the detector (rad)", "neutrons per bin"), (301, "q (1/Å)", "S(q)")):
            labels = hbook.plot.Labels.of(f[id], run, facts)
            self.assertEqual((labels.x, labels.contents, labels.corner), (x, y, f"h4711.hbook   id {id}   seed 4711"))
        self.assertIsNone(hbook.plot.RunFile.of(data("errors.hbook"), hbook.open(data("errors.hbook"))))
        # Ids 1-6 share the title "x (cm) Up": their labels tell them apart.
        xs = {hbook.plot.Labels.of(f[i], run, facts).x for i in (1, 2, 3, 4, 5, 6, 8)}
        self.assertEqual(len(xs), 7)

    def test_the_run_log_beside_the_file_gives_its_seed_and_events(self):
        run = os.path.join(self.dir, "h4711.hbook")
        shutil.copy(data("golden-run.hbook"), run)
        f = hbook.open(run)
        Path(self.dir, "tarn-0101-0000.o").write_text("   Nevents:  500\n ranNo is   99\n h4711.hbook\n")
        Path(self.dir, "tarn-0101-0001.o").write_text("   Nevents:  700\n ranNo is   98\n h98.hbook\n")  # another file's
        os.mkdir(os.path.join(self.dir, "tarn-0101-0002.o"))  # not a readable log
        facts = hbook.plot.RunFile.of(run, f)
        self.assertEqual((facts.seed, facts.events), (99, 500))  # the log's, not the name's
        self.assertEqual(hbook.plot.Labels.of(f[3005], run, facts).corner, "h4711.hbook   id 3005   seed 99")
        self.assertEqual(hbook.plot.Labels.of(f[3005], run, None).corner, "h4711.hbook   id 3005")
        self.assertIsNone(hbook.plot.Labels.of(f[3005]).corner)
        os.remove(os.path.join(self.dir, "tarn-0101-0000.o"))
        facts = hbook.plot.RunFile.of(run, f)
        self.assertEqual((facts.seed, facts.events), (4711, None))  # the name's seed, and no events
        renamed = os.path.join(self.dir, "run.hbook")
        shutil.copy(run, renamed)
        facts = hbook.plot.RunFile.of(renamed, f)
        self.assertIsNone(facts.seed)
        self.assertEqual(hbook.plot.Labels.of(f[3005], renamed, facts).corner, "run.hbook   id 3005")
        out = os.path.join(self.dir, "n.png")
        status, err = self.plot(run, "3005", "--norm", "events", "-o", out)
        self.assertEqual(status, 1)
        self.assertIn("give --events N", err)
        self.assertEqual(self.plot(run, "3005", "--norm", "events", "--events", "5", "-o", out), (0, ""))

    def test_norm_logy_and_offsets(self):
        counts = np.histogram(np.random.default_rng(4).normal(0, 1, 3000), 100, (-3.5, 3.5))[0]
        h = hbook.H1(3001, "x (cm) Det", 100, -3.5, 3.5, counts)
        labels = hbook.plot.Labels(x="x at the detector (cm)", contents="neutrons per bin")
        edges, values, errors, ylabel = hbook.plot.shown(h, labels, "area")
        self.assertAlmostEqual(float(np.sum(values * np.diff(edges))), 1.0, places=12)
        self.assertEqual(ylabel, "fraction per cm")
        edges, values, errors, ylabel = hbook.plot.shown(h, labels, "events", 1000)
        np.testing.assert_array_equal(values, h.contents.astype(np.float64) / 1000.0)
        self.assertEqual(ylabel, "neutrons per bin per incident neutron")
        ax = Figure().subplots()
        hbook.plot.draw(ax, h, logy=True)
        self.assertEqual(ax.get_yscale(), "log")
        # Six-digit contents and a range far from zero: scaled ticks named in
        # the label, no offset text.
        big = hbook.H1(9, "big", 10, 83.15, 83.25, np.linspace(1e5, 9e5, 10))
        fig = Figure(layout="constrained")
        ax = fig.subplots()
        hbook.plot.draw(ax, big, notes=False)
        fig.canvas.draw()
        self.assertEqual(ax.get_ylabel(), "contents per bin (×10³)")
        self.assertEqual((ax.yaxis.get_offset_text().get_text(), ax.xaxis.get_offset_text().get_text()), ("", ""))
        self.assertIn("83.20", [t.get_text() for t in ax.get_xticklabels()])

    def test_tick_labels_are_scaled_from_1e5_and_below_1e_2(self):
        def scaled(low, high, label="n"):
            fig = Figure()
            ax = fig.subplots()
            if low != high:
                ax.set_ylim(low, high)
            said = hbook.plot._scaled(ax.yaxis, label, low, high)
            fig.canvas.draw()
            return said, [t.get_text() for t in ax.get_yticklabels()], ax.yaxis.get_major_formatter()

        # Up to 10^4 and just below 10^5 the values as they are.
        said, ticks, _ = scaled(0, 1e4)
        self.assertEqual((said, ticks), ("n", ["0", "2000", "4000", "6000", "8000", "10000"]))
        said, ticks, _ = scaled(0, 99999.99)
        self.assertEqual((said, ticks), ("n", ["0", "20000", "40000", "60000", "80000", "100000"]))
        # From 10^5 on, multiples of the power of ten (a multiple of three) the label names.
        said, ticks, formatter = scaled(0, 1e5)
        self.assertEqual((said, ticks), ("n (×10³)", ["0", "20", "40", "60", "80", "100"]))
        self.assertEqual(formatter(123456.7, 0), "123.457")  # six significant digits
        self.assertEqual(scaled(0, 999999)[0], "n (×10³)")
        self.assertEqual(scaled(0, 1e6)[0], "n (×10⁶)")
        self.assertEqual(scaled(0, 2.5e10)[0], "n (×10⁹)")
        self.assertEqual(scaled(-2e5, 1.0)[0], "n (×10³)")  # the larger of either end, by its size
        self.assertEqual(scaled(-1.0, 2e5)[0], "n (×10³)")
        # Down to 10^-2 as they are; below it in thousandths, millionths.
        said, ticks, _ = scaled(0, 0.01)
        self.assertEqual((said, ticks), ("n", ["0.000", "0.002", "0.004", "0.006", "0.008", "0.010"]))
        said, ticks, formatter = scaled(0, 0.00999)
        self.assertEqual(said, "n (×10⁻³)")
        self.assertEqual(formatter(0.004, 0), "4")
        self.assertEqual(scaled(0, 0.001)[0], "n (×10⁻³)")
        self.assertEqual(scaled(0, 0.000999)[0], "n (×10⁻⁶)")
        # Nothing to scale: an axis of zeros, or one without a finite end.
        self.assertEqual(scaled(0, 0)[0], "n")
        self.assertEqual(hbook.plot._scaled(Figure().subplots().yaxis, "n", 0, float("inf")), "n")
        # Drawn: the x axis too, and a 2-D histogram's colour scale.
        fig = Figure(layout="constrained")
        ax = fig.subplots()
        hbook.plot.draw(ax, hbook.H1(9, "", 4, 0, 2e5, [1e4, 2e4, 3e4, 9e4]), notes=False, errors=False)
        fig.canvas.draw()
        self.assertEqual((ax.get_xlabel(), ax.get_ylabel()), ("x (×10³)", "contents per bin"))
        ax = Figure().subplots()
        hbook.plot.draw(ax, hbook.H1(9, "", 4, 0, 1, [1e4, 2e4, 3e4, 1e5]), notes=False, errors=False)
        self.assertEqual((ax.get_xlabel(), ax.get_ylabel()), ("x", "contents per bin (×10³)"))

    def test_long_y_labels_seeds_units_and_names(self):
        self.assertEqual(hbook.plot.Y_LABEL_CHARACTERS, 30)
        fits = "a" * 14 + " " + "b" * 15
        self.assertEqual(hbook.plot._wrapped(fits), fits)
        self.assertEqual(hbook.plot._wrapped("a" * 15 + " " + "b" * 15), "a" * 15 + "\n" + "b" * 15)
        for name, seed in (("h4711.hbook", 4711), ("h4711-3.hbook", 4711), ("h0.hbook", 0), ("h.hbook", None),
                           ("xh4711.hbook", None), ("h4711.hbook.gz", None), ("h4711-.hbook", None),
                           ("h4711-x.hbook", None), ("/runs/h12.hbook", 12)):
            self.assertEqual(hbook.plot._seed_from_name(name), seed, name)
        for label, unit in (("x at the detector (cm)", "cm"), ("q (1/Å)", "1/Å"), ("E (meV) DetB", None),
                            ("x", None), ("ratio (a) per bin", None), ("energy (meV)  ", "meV")):
            self.assertEqual(hbook.plot._unit(label), unit, label)
        h = hbook.H1(9, "", 2, 0, 1, [0, 0])
        with self.assertRaisesRegex(ValueError, "^histogram 9 has no area to normalise to$"):
            hbook.plot.shown(h, hbook.plot.Labels(), "area")
        with self.assertRaisesRegex(ValueError, "--norm events needs the run's number of events: no run log beside "
                                                "the file names it; give --events N"):
            hbook.plot.shown(h, hbook.plot.Labels(), "events", 0)
        h = hbook.H1(9, "", 2, 0, 1, [1, 3])
        self.assertEqual(hbook.plot.shown(h, hbook.plot.Labels(), "area")[3], "fraction per unit x")
        np.testing.assert_array_equal(hbook.plot.shown(h, hbook.plot.Labels(), "area")[1], [0.5, 1.5])
        np.testing.assert_array_equal(hbook.plot.shown(h, hbook.plot.Labels(), "events", 1)[1], [1, 3])
        self.assertIsNone(hbook.plot.shown(h, hbook.plot.Labels(counts=False))[2])  # no sums of squares, not counts
        self.assertEqual(hbook.plot._name(h), "9")
        h.directory = "/"
        self.assertEqual(hbook.plot._name(h), "9")
        h.directory = "/AA/BB"
        self.assertEqual(hbook.plot._name(h), "/AA/BB/9")
        with self.assertRaisesRegex(ValueError, "^no histograms to plot$"):
            hbook.plot.figure([])

    def test_log_scale_ratio_range_and_the_statistics_box(self):
        ax = Figure().subplots()
        hbook.plot.draw(ax, hbook.H1(9, "", 3, 0, 3, [0, 4, 10]), logy=True)
        self.assertEqual(ax.get_ylim(), (2.0, 20.0))  # half the smallest positive content to twice the largest
        self.assertEqual(ax.get_ylabel(), "contents per bin")
        empty = hbook.H1(9, "", 3, 0, 3, entries=0)
        self.assertEqual(hbook.plot.note(empty), "entries 0   underflow 0   overflow 0\nno entries")
        self.assertEqual(hbook.plot.note(hbook.H1(9, "", 2, 0, 2, [1, 3], underflow=2, overflow=0.5, entries=7)),
                         "entries 7   underflow 2   overflow 0.5\nmean 1.25   rms 0.433")
        flat = hbook.H1(1, "", 4, 0, 4, [10, 10, 10, 10])
        for second, span in (([10, 10, 10, 10], 0.05 * 1.3), ([10, 16, 10, 10], None), ([10, 10, 10, 2], None),
                             ([10, 10, 10, 0], 0.85 * 1.3)):  # the last from 0
            fig = hbook.plot.overlay_figure([([flat, hbook.H1(1, "", 4, 0, 4, second)], [hbook.plot.Labels()] * 2,
                                              [None, None])], ["a", "b"], errors=False)
            ratio = fig.axes[1]
            low, high = np.percentile(np.array(second) / 10.0, [5, 95])
            expected = max(high - 1, 1 - low, 0.05) * 1.3
            if span is not None:
                self.assertAlmostEqual(expected, span, places=12)
            self.assertEqual(ratio.get_ylim(), (max(0.0, 1 - expected), 1 + expected), second)
            self.assertEqual(ratio.get_ylabel(), "ratio to 1st")

    def test_overlay_names_and_corner(self):
        for name in ("one", "two"):
            os.mkdir(os.path.join(self.dir, name))
            hbook.write(os.path.join(self.dir, name, "h5.hbook"), [hbook.H1(3, "E", 4, 0, 4, [1, 2, 3, 4])])
        files = [os.path.join(self.dir, name, "h5.hbook") for name in ("one", "two")]
        out = os.path.join(self.dir, "o.svg")
        self.assertEqual(self.plot(*files, "3", "--overlay", "-o", out), (0, ""))
        svg = Path(out).read_text()
        for path in files:  # the same file name twice: the paths given
            self.assertTrue(f"<!-- {path} -->" in svg, path)
        other = os.path.join(self.dir, "h6.hbook")
        hbook.write(other, [hbook.H1(3, "E", 4, 0, 4, [1, 2, 3, 4])])
        self.assertEqual(self.plot(files[0], other, "3", "--overlay", "-o", out), (0, ""))
        svg = Path(out).read_text()
        self.assertFalse(files[0] in svg)
        self.assertTrue("<!-- h5.hbook -->" in svg and "<!-- h6.hbook -->" in svg)
        self.assertTrue("<!-- id 3 -->" in svg)  # no run's files: no seeds in the corner
        rwn = os.path.join(DATA, "objects/rwn.hbook")
        self.assertEqual(self.plot(rwn, rwn, "3", "--overlay", "-o", out),
                         (1, "hbook plot: object 3 is a row-wise ntuple: plot draws 1-D and 2-D histograms and profiles "
                             "(read ntuples in Python: hbook.open)\n"))

    def test_files_come_first_then_the_ids(self):
        import argparse

        class Parser(argparse.ArgumentParser):
            def error(self, message):
                raise ValueError(message)
        split = lambda *items: hbook.plot.split_arguments(Parser(), list(items))  # noqa: E731
        self.assertEqual(split("a.hbook", "3005", "/AA/3"), (["a.hbook"], ["3005", "/AA/3"]))
        self.assertEqual(split("a.hbook", "b.hbook", "1"), (["a.hbook", "b.hbook"], ["1"]))
        self.assertEqual(split("12", "12"), (["12"], ["12"]))  # the first item is a file, whatever its name
        for items, message in ((("a.hbook", "1", "b.hbook"), "argument ID: not an object id: 'b.hbook' (an object is "
                                                               "named ID or /DIR/ID) (the files come first, then the ids)"),
                               (("a.hbook",), "give at least one ID after the file(s)"),
                               (("a.hbook", "AA/1"), "argument ID: an object in a subdirectory is named /DIR/ID: AA/1 "
                                                     "(the files come first, then the ids)")):
            with self.assertRaises(ValueError) as raised:
                split(*items)
            self.assertEqual(str(raised.exception), message, items)

    def test_option_checks(self):
        out = os.path.join(self.dir, "h.PNG")
        self.assertEqual(self.plot(data("lam.hbook"), "100", "-o", out)[0], 0)  # the suffix in either case
        self.assertTrue(os.path.exists(out))
        self.assertEqual(self.plot(data("lam.hbook"), "100", "--norm", "events", "--events", "1", "-o", out), (0, ""))
        for events in ("0", "-3"):
            status, err = self.plot(data("lam.hbook"), "100", "--norm", "events", "--events", events, "-o", out)
            self.assertEqual(status, 2, events)
            self.assertIn("--events must be a positive number of events", err)
        status, err = self.plot(data("lam.hbook"), "100", "-o", os.path.join(self.dir, "h.jpg"))
        self.assertEqual(status, 2)
        self.assertIn("h.jpg: the output must end in .png, .svg, .pdf", err)
        status, err = self.plot(data("objects/h2.hbook"), data("objects/h2.hbook"), "14", "--overlay", "-o", out)
        self.assertEqual((status, err.strip()), (1, "hbook plot: object 14 is a 2-D histogram: --overlay draws 1-D histograms"))
        status, err = self.plot(data("lam.hbook"), data("lam.hbook"), "-o", out)  # the last file is no id
        self.assertEqual(status, 2)
        self.assertIn(f"argument ID: not an object id: 'lam.hbook' (an object is named ID or /DIR/ID) "
                      "(the files come first, then the ids)", err)

    def test_overlay_with_ratios(self):
        a, b = os.path.join(self.dir, "a.hbook"), os.path.join(self.dir, "b.hbook")
        rng = np.random.default_rng(3)
        hbook.write(a, [hbook.H1(3012, "E", 50, 0, 40, np.histogram(rng.exponential(5, 4000), 50, (0, 40))[0])])
        hbook.write(b, [hbook.H1(3012, "E", 50, 0, 40, np.histogram(rng.exponential(5, 2000), 50, (0, 40))[0])])
        out = os.path.join(self.dir, "o.png")
        self.assertEqual(self.plot(a, b, "3012", "--overlay", "--norm", "area", "-o", out), (0, ""))
        rgb = images.read_rgb(out)
        self.assertEqual(images.frame_lines(rgb, min_length=rgb.shape[1] // 2), 4)  # the panel and its ratios
        groups = [([hbook.open(a)[3012], hbook.open(b)[3012]], [hbook.plot.Labels()] * 2, [None, None])]
        fig = hbook.plot.overlay_figure(groups, ["a.hbook", "b.hbook"], norm="area")
        top, ratio = fig.axes
        self.assertEqual([t.get_text() for t in top.get_legend().get_texts()], ["a.hbook", "b.hbook"])
        points = ratio.containers[0].lines[0].get_ydata()
        first, second = (hbook.plot.shown(h, hbook.plot.Labels(), "area")[1] for h in groups[0][0])
        with np.errstate(invalid="ignore", divide="ignore"):
            np.testing.assert_allclose(points, np.where(first > 0, second / first, np.nan))


if __name__ == "__main__":
    unittest.main()

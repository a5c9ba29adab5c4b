"""tarn scan of 3 cell lengths x 3 temperatures (a few thousand events a
point): its table (from the CSV as a numpy structured array, the figures and
their errors from each point's exact counts), its plot and its page, the
page in headless Chromium; a scan with a point not done; the binomial
estimates on their own."""
import base64
import html
import io
import json
import math
import os
import re
import shutil
import subprocess
import tempfile
import unittest
from pathlib import Path

import numpy as np

import browser
import images
from tarnreport import beamline, binomial, runlog, scan, scanpage

TARN = os.environ["TARN_EXE"]
LENGTHS = (25.0, 35.0, 45.0)
TEMPERATURES = (1.6, 2.1, 2.5)
EVENTS = 5000

CHECK_SCRIPT = browser.check_script('rows: document.querySelectorAll("#scan-table tr").length,')


def run_scan(folder, *extra):
    return subprocess.run([TARN, "scan", "--set", "cells.length=25,35,45", "--set", "cells.temperature=1.6,2.1,2.5",
                           "--events", str(EVENTS), "--seed", "11", "--jobs", "2", "--input-dir",
                           os.environ["TARN_DATA_DIR"], "--output-dir", folder, *extra],
                          capture_output=True, text=True)


class ScanOfCellLengthAndTemperature(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.mkdtemp(prefix="tarn-scan-")
        cls.folder = os.path.join(cls.dir, "scan")
        cls.result = run_scan(cls.folder)
        cls.scan = scan.load(cls.folder) if cls.result.returncode == 0 else None

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.dir)

    def setUp(self):
        self.assertEqual(self.result.returncode, 0, self.result.stdout + self.result.stderr)

    def test_the_table_is_the_grid_with_the_figures_of_each_points_log(self):
        self.assertEqual(self.result.stdout.splitlines()[-3:],
                         [os.path.join(self.folder, name) for name in ("scan.csv", "scan.png", "scan.html")])
        t = scan.read_table(os.path.join(self.folder, "scan.csv"))
        self.assertEqual(t.dtype, self.scan.table.dtype)
        for name in t.dtype.names:
            np.testing.assert_array_equal(t[name], self.scan.table[name], err_msg=name)
        self.assertEqual(len(t), 9)
        self.assertEqual(t.dtype["nScatTar1"], np.int64)
        self.assertEqual(t.dtype["cells.length"], np.float64)
        self.assertEqual(list(zip(t["cells.length"], t["cells.temperature"])),
                         [(length, temperature) for length in LENGTHS for temperature in TEMPERATURES])
        self.assertEqual(self.scan.scanned, ["cells.length", "cells.temperature"])
        self.assertEqual(self.scan.units, ["cm", "K"])
        self.assertTrue((t["nEvents"] == EVENTS).all())
        # Each figure as the point's own log prints it, from the same counts.
        for row in t:
            log = runlog.parse(self.scan.points[row["point"] - 1].log)
            self.assertEqual(dict(log.exact), {name: int(row[name]) for name in scan.COUNTERS})
            self.assertEqual([label for label, _ in log.figures], [f.label for f in scan.FIGURES])
            for f, (_, printed) in zip(scan.FIGURES, log.figures):
                if f.count:
                    self.assertEqual(int(printed), row[f.name], f.name)
                else:
                    self.assertAlmostEqual(float(printed), row[f.name], delta=6e-7 * max(row[f.name], 1e-30), msg=f.name)
            # The point's beamline: the scanned values, each in its unit.
            b = beamline.from_changes(log.beamline_changes)
            self.assertEqual((b["cells"]["length"], b["cells"]["temperature"]), (row["cells.length"], row["cells.temperature"]))

    def test_the_errors_are_binomial_from_the_exact_counts(self):
        t = self.scan.table
        for f in scan.FIGURES:
            k, n = t[f.numerator].astype(float), t[f.denominator].astype(float)
            p = k / n
            factor = n if f.count else 1.0
            np.testing.assert_allclose(t[f.name + "_error"], factor * np.sqrt(p * (1 - p) / n), rtol=1e-12, err_msg=f.name)
            self.assertTrue((t[f.name + "_low"] <= t[f.name]).all() and (t[f.name] <= t[f.name + "_high"]).all(), f.name)
        # No neutron enters the downstream helium from the upstream helium (helium right, then left): a zero count,
        # whose interval still says how small the fraction can be, 1 / (n + 1) at one standard deviation.
        np.testing.assert_array_equal(t["nTar1ToTar2"], 0)
        np.testing.assert_allclose(t["frac_tar1_to_tar2_high"], 1.0 / (t["nTar1In"] + 1.0), rtol=1e-12)
        self.assertTrue((t["frac_tar1_to_tar2_error"] == 0).all())

    def test_longer_cells_scatter_more_at_every_temperature(self):
        t = self.scan.table
        for temperature in TEMPERATURES:
            rows = t[t["cells.temperature"] == temperature]
            self.assertTrue(np.all(np.diff(rows["frac_scat_tar1"]) > 2 * rows["frac_scat_tar1_error"][1:]), rows)

    def test_the_plot_has_nine_panels_with_their_lines(self):
        rgb = images.read_rgb(os.path.join(self.folder, "scan.png"))
        self.assertEqual(rgb.shape[1::-1], (round(3 * 4.4 * 80), round((3 * 3.0 + 0.4) * 80)))
        height, width = rgb.shape[:2]
        top = int(0.04 * height)
        for i in range(3):
            for j in range(3):
                cell = rgb[top + i * (height - top) // 3:top + (i + 1) * (height - top) // 3, j * width // 3:(j + 1) * width // 3]
                self.assertGreater(images.ink_fraction(cell), 0.02, (i, j))
        # the three temperatures' lines, in matplotlib's first three colours
        for colour in ((31, 119, 180), (255, 127, 14), (44, 160, 44)):
            self.assertGreater((np.abs(rgb.astype(int) - colour).sum(axis=2) < 60).sum(), 500, colour)

    def test_the_page_in_a_browser(self):
        text = Path(self.folder, "scan.html").read_text(encoding="utf-8")
        figures = re.findall(r'<figure id="([a-z_0-9]+)"><img [^>]*src="data:image/png;base64,([^"]+)"', text)
        self.assertEqual([name for name, _ in figures], [f.name for f in scan.FIGURES])
        self.assertIn("0 +- 0 [0 to ", text)  # a zero count shows its interval
        for name, data in figures:
            rgb = images.read_rgb(io.BytesIO(base64.b64decode(data)))
            self.assertEqual(rgb.shape[1::-1], (round(4.4 * 80), round(3.0 * 80)), name)
        browser.require(self)
        check = os.path.join(self.dir, "check.html")
        Path(check).write_text(text.replace("</body>", CHECK_SCRIPT + "</body>"), encoding="utf-8")
        dom = self.chromium("--dump-dom", "--virtual-time-budget=10000", "--window-size=1280,1000", check)
        report = json.loads(html.unescape(re.search(r'<pre id="check">(.*?)</pre>', dom).group(1)))
        self.assertEqual((report["loaded"], report["total"], report["rows"]), (9, 9, 10))
        shot = os.path.join(self.dir, "page.png")
        self.chromium(f"--screenshot={shot}", f"--window-size=1280,{report['height']}", os.path.join(self.folder, "scan.html"))
        rgb = images.read_rgb(shot)
        for (name, _), (x, y, w, h) in zip(figures, report["rects"]):
            region = rgb[int(y):int(y + h), int(x):int(x + w)]
            self.assertGreater(images.ink_fraction(region), 0.02, f"{name} not painted")
            self.assertEqual(images.frame_lines(region, min_length=int(w / 2)), 2, f"{name} frame")

    def chromium(self, *args):
        return browser.run(self, self.dir, *args)

    def test_a_point_not_done_is_left_out_and_said(self):
        copy = os.path.join(self.dir, "partial")
        shutil.copytree(self.folder, copy)
        point = self.scan.points[4]
        for log in Path(copy, point.folder).glob("tarn-*.o"):
            log.unlink()
        s = scan.load(copy)
        self.assertEqual([p.folder for p in s.missing], [point.folder])
        self.assertEqual(list(s.table["point"]), [1, 2, 3, 4, 6, 7, 8, 9])
        result = subprocess.run([os.environ["TARN_REPORT"], copy], capture_output=True, text=True)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertIn("1 of the scan's 9 points are not done yet", result.stderr)
        self.assertIn(f"Not done yet: {point.folder}", Path(copy, "scan.html").read_text(encoding="utf-8"))
        # A log of another run in a point's folder is not taken for the point's.
        other = Path(copy, self.scan.points[0].folder)
        log = next(other.glob("tarn-*.o"))
        log.write_text(log.read_text().replace("ranNo is           11", "ranNo is           12"))
        with self.assertRaises(scan.ScanError):
            scan.load(copy)

    def test_a_log_cut_short_in_its_figures_is_not_the_points_run(self):
        # A log with the exact counts but only eight of the nine figures
        # (the run was stopped while it wrote them) leaves the point not done.
        copy = os.path.join(self.dir, "short")
        shutil.copytree(self.folder, copy)
        point = self.scan.points[2]
        last = scan.FIGURES[-1].label
        for log in Path(copy, point.folder).glob("tarn-*.o"):
            lines = log.read_text(encoding="latin-1").splitlines(keepends=True)
            at = next(i for i, line in enumerate(lines) if line.strip().startswith(last))
            log.write_text("".join(lines[:at] + lines[at + 1:]), encoding="latin-1")
            self.assertEqual(len(runlog.parse(str(log)).figures), len(scan.FIGURES) - 1)
            self.assertTrue(runlog.parse(str(log)).exact)
        s = scan.load(copy)
        self.assertEqual([p.folder for p in s.missing], [point.folder])


class ScanPageTable(unittest.TestCase):
    """The page's table made from a scan in memory (no run): the key columns, the cells' words."""
    COUNTS = dict(nEvents=1000, nTar1In=800, nScatTar1=30, nTar2In=700, nScatTar2=29, nLowEnergy=971, nTar1ToTar2=0,
                  nDetIn=600, nScatAtDet=570, nDetEChanged=5, nNoTransfer=0)

    def page_table(self, keys, units, values):
        points = [scan.Point(i + 1, f"p{i + 1}", [], v, "", log="", counts=dict(self.COUNTS)) for i, v in enumerate(values)]
        s = scan.Scan("scan", {}, keys, units, keys, points)
        s.table = scan.make_table(s)
        rows = re.findall(r"<tr>(.*?)</tr>", scanpage.table(s))
        cells = [re.findall(r'<t([hd])( class="key")?(?: title="([^"]*)")?>(.*?)</t[hd]>', row) for row in rows]
        return [[(kind, bool(key), title, text) for kind, key, title, text in row] for row in cells]

    def test_the_key_columns_are_the_keys_set_and_no_more(self):
        for keys, units, values in ((["cells.length"], ["cm"], [[25.0], [35.0]]),
                                    (["cells.length", "cells.temperature"], ["cm", "K"], [[25.0, 1.6], [35.0, 2.1]]),
                                    (["cells.length", "cells.temperature", "guide.length"], ["cm", "K", "cm"],
                                     [[25.0, 1.6, 100.0], [35.0, 2.1, 150.0]])):
            head, *rows = self.page_table(keys, units, values)
            self.assertEqual(len(head), 2 + len(keys) + len(scan.FIGURES))
            self.assertEqual([text for _, key, _, text in head if key], [f'<span class="key">{k}</span>' for k in keys])
            self.assertEqual([key for _, key, _, _ in head], [False] + [True] * len(keys) + [False] * 10, keys)
            self.assertEqual((head[0][3], head[len(keys) + 1][3]), ("point", "events"))
            self.assertEqual([text for _, _, _, text in head[len(keys) + 2:]], [html.escape(f.label) for f in scan.FIGURES])
            self.assertEqual(len(rows), 2)
            for row, v in zip(rows, values):
                self.assertEqual([key for _, key, _, _ in row], [False] + [True] * len(keys) + [False] * 10, keys)
                self.assertEqual([text for _, key, _, text in row if key],
                                 [f"{x:g} {u}" for x, u in zip(v, units)])
                self.assertEqual(row[len(keys) + 1][3], "1000")
            self.assertEqual(rows[1][0][3], '<a href="p2/">2</a>')

    def test_the_beamline_section_lists_each_key_s_values_once(self):
        points = [scan.Point(i + 1, f"p{i + 1}", [], v, "") for i, v in
                  enumerate([[25.0, "right"], [35.0, "right"], [25.0, "left"]])]
        s = scan.Scan("scan", {}, ["cells.length", "cells.upstream_helium"], ["cm", ""],
                      ["cells.length", "cells.upstream_helium"], points)
        text = scanpage.beamline_section(s)
        self.assertIn("<p>The points set cells.length, cells.upstream_helium on the shipped beamline: drawn", text)
        self.assertIn("changed: cells.length = 25, 35 cm, cells.upstream_helium = right, left</text>", text)
        folder = tempfile.mkdtemp(prefix="tarn-scan-base-")
        self.addCleanup(shutil.rmtree, folder)
        base = os.path.join(folder, "my.toml")
        Path(base).write_text("[cells]\nlength = 30\n")
        s.manifest = {"beamline": base}
        self.assertIn(f"on the beamline of {base}: drawn", scanpage.beamline_section(s))
        self.assertEqual(scanpage._shown(2.5, "cm"), "2.5 cm")
        self.assertEqual(scanpage._shown(2.5, ""), "2.5")
        self.assertEqual(scanpage._shown("left", "cm"), "left")

    def test_a_small_count_or_complement_shows_its_interval(self):
        head, row = self.page_table(["cells.length"], ["cm"], [[25.0]])
        cells = {f.name: (title, text) for f, (_, _, title, text) in zip(scan.FIGURES, row[3:])}
        # 30 of 800: not small; 29 of 700 is, and so are 971 of 1000 (29 fail) and 570 of 600 (30 fail: not).
        self.assertEqual(cells["frac_scat_tar1"], ("30 / 800", "0.0375 +- 0.0067"))
        e = binomial.estimate(29, 700)
        self.assertEqual(cells["frac_scat_tar2"], (f"29 / 700, {binomial.INTERVAL} {e.low:.4g} to {e.high:.4g}",
                                                   f"0.0414 +- 0.0075 [{e.low:.2g} to {e.high:.2g}]"))
        self.assertEqual((f"{e.low:.2g}", f"{e.high:.2g}"), ("0.035", "0.05"))  # the brackets to two digits
        e = binomial.estimate(971, 1000)
        self.assertEqual(cells["frac_low_energy"][1], f"0.9710 +- 0.0053 [{e.low:.2g} to {e.high:.2g}]")
        self.assertEqual(cells["frac_det_scattered"], ("570 / 600", "0.9500 +- 0.0089"))
        # A count says "of", and its error is that of the count.
        self.assertEqual(cells["n_det_e_changed"][0].split(",")[0], "5 of 1000")
        self.assertTrue(cells["n_det_e_changed"][1].startswith("5.0 +- 2.2 ["), cells["n_det_e_changed"])
        self.assertEqual(cells["frac_tar1_to_tar2"][1].split(" [")[0], "0 +- 0")


class ScanPlotAxes(unittest.TestCase):
    """The scan's plot from a scan in memory: its x axis, its series, the
    error bars of small and large counts, the helium halves as names."""

    def make(self, keys, units, values, scanned=None, counts=None):
        counts = counts or [dict(ScanPageTable.COUNTS) for _ in values]
        points = [scan.Point(i + 1, f"p{i + 1}", [], v, "", log="", counts=c) for i, (v, c) in enumerate(zip(values, counts))]
        s = scan.Scan("scan", {"events": 1000, "seed": 1}, keys, units, keys if scanned is None else scanned, points)
        s.table = scan.make_table(s)
        return s

    def test_the_x_axis_is_the_first_key_scanned_or_the_point(self):
        from matplotlib.figure import Figure
        from tarnreport import scanplot
        s = self.make(["cells.temperature", "cells.length"], ["K", "cm"], [[1.6, 25.0], [1.6, 35.0]],
                      scanned=["cells.length"])
        self.assertEqual(scanplot.x_axis(s), ("cells.length", "cm"))
        self.assertEqual([(label, rows.tolist()) for label, rows in scanplot.series(s)], [("", [0, 1])])
        ax = Figure().subplots()
        scanplot.draw(ax, s, scan.FIGURES[0])
        self.assertEqual((ax.get_xlabel(), ax.get_title()), ("cells.length (cm)", scan.FIGURES[0].label))
        self.assertIsNone(ax.get_legend())  # one series
        self.assertEqual(ax.lines[0].get_xdata().tolist(), [25.0, 35.0])
        one = self.make(["cells.length"], ["cm"], [[25.0]], scanned=[])
        self.assertEqual(scanplot.x_axis(one), ("point", ""))
        ax = Figure().subplots()
        scanplot.draw(ax, one, scan.FIGURES[0])
        self.assertEqual(ax.get_xlabel(), "point")

    def test_a_series_for_each_value_of_the_other_keys(self):
        from matplotlib.figure import Figure
        from tarnreport import scanplot
        s = self.make(["cells.length", "cells.temperature", "cells.upstream_helium"], ["cm", "K", ""],
                      [[25.0, 1.6, "right"], [35.0, 1.6, "right"], [25.0, 2.1, "right"], [35.0, 2.1, "left"]])
        self.assertEqual([(label, rows.tolist()) for label, rows in scanplot.series(s)],
                         [("cells.temperature = 1.6 K, cells.upstream_helium = right", [0, 1]),
                          ("cells.temperature = 2.1 K, cells.upstream_helium = right", [2]),
                          ("cells.temperature = 2.1 K, cells.upstream_helium = left", [3])])
        self.assertEqual(scanplot.x_axis(s), ("cells.length", "cm"))
        ax = Figure().subplots()
        scanplot.draw(ax, s, scan.FIGURES[0])
        self.assertEqual([t.get_text() for t in ax.get_legend().get_texts()], [label for label, _ in scanplot.series(s)])
        sides = self.make(["cells.upstream_helium"], [""], [["left"], ["right"], ["left"]])
        positions, names = scanplot._positions(sides.table["cells.upstream_helium"].tolist())
        self.assertEqual((positions.tolist(), names), ([1.0, 0.0, 1.0], ["right", "left"]))  # right first
        ax = Figure().subplots()
        scanplot.draw(ax, sides, scan.FIGURES[0])
        self.assertEqual([t.get_text() for t in ax.get_xticklabels()], ["right", "left"])
        self.assertEqual(ax.get_xlabel(), "cells.upstream_helium")
        self.assertEqual(scanplot._positions([1.5, 2.5])[1], None)

    def test_error_bars_are_the_interval_for_a_small_count_else_the_error(self):
        from tarnreport import scanplot
        few = dict(ScanPageTable.COUNTS, nScatTar1=29)
        enough = dict(ScanPageTable.COUNTS, nScatTar1=30)
        s = self.make(["cells.length"], ["cm"], [[25.0], [35.0]], counts=[few, enough])
        t = s.table
        lower, upper = scanplot.error_bars(t, scan.FIGURES[0])
        e = binomial.estimate(29, 800)
        self.assertEqual((lower[0], upper[0]), (e.value - e.low, e.high - e.value))
        self.assertNotEqual(lower[0], upper[0])
        self.assertEqual((lower[1], upper[1]), (t["frac_scat_tar1_error"][1],) * 2)
        # A zero count: no error, the interval above it.
        lower, upper = scanplot.error_bars(t, scan.FIGURES[3])
        self.assertEqual(lower.tolist(), [0.0, 0.0])
        self.assertTrue((upper > 0).all())


class ScanFolders(unittest.TestCase):
    """A scan's folder written here (manifest and logs, no run): which log
    is a point's run, which refuses the scan, and the table read back."""
    DIGEST = "0123456789abcdef"

    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="tarn-scan-folder-")
        self.addCleanup(shutil.rmtree, self.dir)
        points = "".join(f'[[points]]\nfolder = "p{i}"\nsets = ["cells.length={v}", "cells.temperature=2.1"]\n'
                         f'values = [{v}, 2.1]\ndigest = "{self.DIGEST}"\n' for i, v in ((1, 25.0), (2, 35.0)))
        Path(self.dir, "scan.toml").write_text('command = "tarn scan"\nseed = 11\nevents = 1000\ninput_dir = "."\n'
                                               'keys = ["cells.length", "cells.temperature"]\nunits = ["cm", "K"]\n'
                                               + points)

    def log(self, folder, name="tarn-1209-0000.o", seed=11, events=1000, digest=DIGEST, figures=9, exact=True,
            hbook="h11.hbook", when=None):
        os.makedirs(os.path.join(self.dir, folder), exist_ok=True)
        lines = [f" Beamline with --set: 2 values differ from the shipped beamline (digest {digest})"] if digest else []
        if exact:
            lines.append(" Exact counts: " + " ".join(f"{k} {v}" for k, v in ScanPageTable.COUNTS.items()
                                                      if k != "nEvents") + f" nEvents {events}")
        lines += [f" ranNo is {seed}", f" {hbook}", "   End time: 20261209    000000.0"]
        lines += [f"   {f.label}   0.25" for f in scan.FIGURES[:figures]]
        path = os.path.join(self.dir, folder, name)
        Path(path).write_text("\n".join(lines) + "\n", encoding="latin-1")
        Path(self.dir, folder, hbook).write_bytes(b"")
        if when is not None:
            os.utime(path, (when, when))
        return path

    def test_a_point_is_done_by_the_newest_log_that_is_its_finished_run(self):
        self.log("p1")
        s = scan.load(self.dir)
        self.assertEqual(([p.folder for p in s.missing], s.table["point"].tolist()), (["p2"], [1]))
        self.assertEqual(s.scanned, ["cells.length"])  # the temperature takes one value
        self.assertEqual((s.table["cells.length"].tolist(), s.table["nScatTar1"].tolist()), ([25.0], [30]))
        # A newer log cut short (eight figures, or no exact counts) is passed over for the older one.
        older = self.log("p2", "tarn-1209-0001.o", when=1000)
        for cut in (dict(figures=8), dict(exact=False)):
            self.log("p2", "tarn-1209-0002.o", when=2000, **cut)
            s = scan.load(self.dir)
            self.assertEqual((s.missing, s.points[1].log), ([], older), cut)
        self.log("p2", "tarn-1209-0002.o", when=2000, figures=9)
        self.assertEqual(scan.load(self.dir).points[1].log, os.path.join(self.dir, "p2", "tarn-1209-0002.o"))
        # A log whose histogram file is not there is not the point's run.
        os.remove(os.path.join(self.dir, "p1", "h11.hbook"))
        self.assertEqual([p.folder for p in scan.load(self.dir).missing], ["p1"])

    def test_the_report_of_a_scan_with_its_page_elsewhere(self):
        import contextlib
        from tarnreport import __main__ as command
        self.log("p1")
        page = os.path.join(self.dir, "elsewhere.html")
        out, err = io.StringIO(), io.StringIO()
        with contextlib.redirect_stdout(out), contextlib.redirect_stderr(err):
            status = command.main([self.dir, "-o", page])
        self.assertEqual(status, 0)
        self.assertEqual(out.getvalue().splitlines(), [os.path.join(self.dir, "scan.csv"), os.path.join(self.dir, "scan.png"),
                                                       page])
        self.assertEqual(err.getvalue(), "tarn-report: 1 of the scan's 2 points are not done yet: the table, plot and "
                                         "page show the others\n")
        self.assertFalse(os.path.exists(os.path.join(self.dir, "scan.html")))
        text = Path(page).read_text(encoding="utf-8")
        for words in ("<title>tarn scan of cells.length</title>", "<p>2 points, 1000 events each with seed 11",
                      "Not done yet: p2 (the same tarn scan command goes on with them).", "inputs from .."):
            self.assertTrue(words in text, words)
        self.assertEqual(len(re.findall(r"<tr><td><a href=", text)), 1)  # the point done

    def test_another_run_s_log_refuses_the_scan(self):
        for wrong in (dict(seed=12), dict(events=999), dict(digest="fedcba9876543210")):
            path = self.log("p1", **wrong)
            with self.assertRaises(scan.ScanError) as raised:
                scan.load(self.dir)
            self.assertEqual(str(raised.exception), f"{path}: not the run of point 1 (p1) of the scan", wrong)
        # No beamline line: the shipped beamline's digest is the log's.
        self.log("p1", digest=None)
        with self.assertRaises(scan.ScanError):
            scan.load(self.dir)
        text = Path(self.dir, "scan.toml").read_text().replace(self.DIGEST, beamline.digest(beamline.shipped()))
        Path(self.dir, "scan.toml").write_text(text)
        self.assertEqual(scan.load(self.dir).table["point"].tolist(), [1])

    def test_what_is_not_a_scan_or_its_table(self):
        empty = os.path.join(self.dir, "p9")
        os.mkdir(empty)
        with self.assertRaises(scan.ScanError) as raised:
            scan.load(empty)
        self.assertEqual(str(raised.exception), f"{empty}: no scan.toml: not the folder of a tarn scan")
        Path(empty, "scan.toml").write_text("keys = [")
        with self.assertRaisesRegex(scan.ScanError, "^" + re.escape(os.path.join(empty, "scan.toml")) +
                                    ": not a scan's manifest: "):
            scan.load(empty)
        table = os.path.join(self.dir, "t.csv")
        for text, message in (("", f"{table}: empty: not a scan's table"),
                              ("folder,point\n", f"{table}: not a scan's table (its first columns are not point, folder)"),
                              ("point\n", f"{table}: not a scan's table (its first columns are not point, folder)"),
                              ("point,folder,x\n1,p1,2.5\n2,p2\n", f"{table} line 3: 2 columns, the header has 3"),
                              ("point,folder,x\n1,p1,2.5,7\n", f"{table} line 2: 4 columns, the header has 3")):
            Path(table).write_text(text)
            with self.assertRaises(scan.ScanError) as raised:
                scan.read_table(table)
            self.assertEqual(str(raised.exception), message)
        self.log("p1")
        self.log("p2")
        s = scan.load(self.dir)
        scan.write_table(s.table, table)
        back = scan.read_table(table)
        self.assertEqual(back.dtype, s.table.dtype)
        self.assertEqual(back.tolist(), s.table.tolist())
        self.assertEqual(Path(table).read_text().splitlines()[1].split(",")[:4], ["1", "p1", "25.0", "2.1"])
        Path(table).write_text("point,folder,cells.upstream_helium,x\n1,p1,left,0.1\n2,p2,right,1e-05\n")
        t = scan.read_table(table)
        self.assertEqual((t.dtype["cells.upstream_helium"], t.dtype["x"], t["x"].tolist()),
                         (np.dtype("U5"), np.float64, [0.1, 1e-05]))


class BinomialEstimates(unittest.TestCase):
    def test_the_wilson_interval_solves_its_score_equation(self):
        for k, n in ((0, 100000), (13, 100000), (500, 1000), (9990, 10000)):
            e = binomial.estimate(k, n)
            for p in (e.low, e.high):
                if p in (0.0, 1.0):
                    continue
                # |k/n - p| = z sqrt(p (1 - p) / n) at both ends of the interval
                self.assertAlmostEqual(abs(k / n - p), math.sqrt(p * (1 - p) / n), delta=1e-12 + 1e-9 * p)
            self.assertEqual(e.small, k < 30 or n - k < 30)
        self.assertEqual(binomial.estimate(0, 100000).low, 0.0)
        self.assertTrue(math.isnan(binomial.estimate(0, 0).value))

    def test_the_interval_covers_the_true_fraction_68_percent_of_the_time_on_average(self):
        # Its coverage swings with p for small counts (a count is a whole number); over many p it is 68.3%.
        rng = np.random.default_rng(20261209)
        for n in (200, 2000):
            covered, spreads = [], []
            for p in np.linspace(0.005, 0.5, 40):
                k = rng.binomial(n, p, size=2000)
                e = binomial.estimate(k, np.full_like(k, n))
                covered.append(np.mean((e.low <= p) & (p <= e.high)))
                spreads.append(np.std(k / n) / math.sqrt(p * (1 - p) / n))  # the standard error is the spread of k / n
            self.assertAlmostEqual(np.mean(covered), 0.6827, delta=0.015, msg=n)
            self.assertAlmostEqual(np.mean(spreads), 1.0, delta=0.01, msg=n)

    def test_a_value_is_written_to_the_places_of_its_error(self):
        self.assertEqual(binomial.with_error(0.25192, 0.00312), "0.2519 +- 0.0031")
        self.assertEqual(binomial.with_error(1.0e-4, 3.16e-5), "(1.00 +- 0.32)E-04")
        self.assertEqual(binomial.with_error(13.0, 3.6), "13.0 +- 3.6")
        self.assertEqual(binomial.with_error(0.0, 0.0), "0 +- 0")
        self.assertEqual(binomial.with_error(float("nan"), 0.1), "undefined")
        # Powers of ten from 1e6 on, as below 0.01.
        self.assertEqual(binomial.with_error(999999.0, 12000.0), "999999 +- 12000")
        self.assertEqual(binomial.with_error(1.0e6, 12000.0), "(1.000 +- 0.012)E+06")
        self.assertEqual(binomial.with_error(0.01, 0.0012), "0.0100 +- 0.0012")
        self.assertEqual(binomial.with_error(0.0099, 0.0012), "(9.9 +- 1.2)E-03")

    def test_the_places_the_size_and_the_small_counts_at_their_bounds(self):
        # Two digits of the error: 0.010 has three places, 0.0099 four.
        self.assertEqual(binomial.with_error(0.25, 0.01), "0.250 +- 0.010")
        self.assertEqual(binomial.with_error(0.25, 0.0099), "0.2500 +- 0.0099")
        self.assertEqual(binomial.with_error(0.25, 0.1), "0.25 +- 0.10")
        # The size of a negative value counts, and no error leaves seven digits.
        self.assertEqual(binomial.with_error(-2e6, 1.0), "(-2.0000000 +- 0.0000010)E+06")
        self.assertEqual(binomial.with_error(123.456789, 0.0), "123.4568 +- 0")
        # Small below SMALL_COUNT successes or failures, on both sides of each.
        e = binomial.estimate(np.array([0, 29, 30, 970, 971]), np.full(5, 1000))
        self.assertEqual(e.small.tolist(), [True, True, False, False, True])
        e = binomial.estimate(5, 10)
        self.assertEqual((e.k, e.n, e.value), (5, 10, 0.5))
        s = binomial.scaled(e, 10)
        self.assertEqual((s.value, s.error, s.low, s.high), (5.0, 10 * e.error, 10 * e.low, 10 * e.high))
        empty = binomial.estimate(0, 0)
        self.assertTrue(all(math.isnan(v) for v in (empty.value, empty.error, empty.low, empty.high)))
        self.assertEqual(binomial.estimate(1000, 1000).high, 1.0)


if __name__ == "__main__":
    unittest.main()

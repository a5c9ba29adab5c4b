"""tarn-report: the page of a default run (figures, groups, run figures as
the log prints them, panel labels and captions), the page of a described
beamline, and both pages in headless Chromium: every image loaded, every
figure painted in a screenshot of the whole page."""
import glob
import html
import json
import os
import re
import shutil
import subprocess
import tempfile
import unittest
from pathlib import Path

import matplotlib
import numpy as np
from matplotlib.figure import Figure

import browser
import hbook
import images
from tarnreport import beamline, catalogue, page

from reportsupport import REPORT, SUMMARY, figure_rows, shipped_inputs


class ReportOfADefaultRun(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.mkdtemp(prefix="tarn-report-")
        shipped_inputs(cls.dir)
        subprocess.run([os.environ["TARN_EXE"]], cwd=cls.dir, check=True, capture_output=True)
        cls.page = subprocess.run([REPORT, cls.dir], check=True, capture_output=True, text=True).stdout.strip()
        cls.log = glob.glob(os.path.join(cls.dir, "tarn-*.o"))[0]
        cls.hbook = glob.glob(os.path.join(cls.dir, "h*.hbook"))[0]
        cls.text = Path(cls.page).read_text(encoding="utf-8")
        cls.figures = re.findall(r'<figure id="h(\d+)"><svg class="panel" data-key="h\1"[^>]* width="([\d.]+)pt" '
                                 r'height="([\d.]+)pt"', cls.text)
        cls.rows = [tuple(map(html.unescape, row)) for row in
                    re.findall(r'<tr><t[hd]>(.*?)</t[hd]><td class="value">(.*?)</td></tr>', cls.text)]

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.dir)

    def test_every_histogram_a_figure_in_its_group(self):
        self.assertEqual(self.page, os.path.splitext(self.log)[0] + ".html")
        self.assertEqual(re.findall(r'<section id="(\w+)"', self.text),
                         ["run", "beamline", "inputs", "positions", "cells", "detector", "angles"])
        self.assertIn("<p>The shipped beamline (data/beamline.toml).</p>", self.text)
        self.assertNotIn('class="changed"', self.text)
        ids = [int(id) for id, _, _ in self.figures]
        self.assertEqual(ids, [100, 301] + catalogue.result_ids())
        self.assertEqual(set(hbook.open(self.hbook).ids()) - set(ids), {151, 152, 302, 402})
        self.assertEqual(re.findall(r'(?:src|href)="(?!data:|#)', self.text), [])  # self-contained
        for _, width, height in self.figures:
            self.assertEqual((float(width), float(height)), tuple(round(72 * v, 1) for v in page.FIGURE_INCHES))
        s = hbook.open(self.hbook)[3005].summary()
        self.assertIn(f"entries {s.entries}, in range {s.in_range:.6g}", self.text)
        self.assertIn(f"mean {s.mean:.5g}, rms {s.rms:.5g}", self.text)
        # The axes of a panel say what they show, from the run's catalogue.
        panel = self.text[self.text.index('<figure id="h1001">'):]
        panel = panel[:panel.index("</figure>")]
        self.assertIn("x at the upstream cell exit (cm)", panel)
        self.assertIn("neutrons per bin", panel)

    def test_run_figures_as_the_log_prints_them_with_their_errors(self):
        lines = [line for line in Path(self.log).read_text().splitlines() if line.strip()]
        end = next(i for i, line in enumerate(lines) if "End time:" in line)
        rows = figure_rows(self.text)
        self.assertEqual([printed for _, printed, _, _ in rows], [line.split()[-1] for line in lines[end + 1:]])
        summary = json.loads(subprocess.run([SUMMARY, "--json", self.log], check=True, capture_output=True,
                                            text=True).stdout)
        for (label, _, error, counts), f in zip(rows, summary["figures"]):
            self.assertEqual(label, f["label"])
            self.assertEqual(html.unescape(re.sub(r"</?sup>", "", error)),
                             re.sub(r"\)E([+-]\d+)", lambda m: f") × 10{int(m.group(1))}", f["text"]).replace("+-", "±"))
            self.assertIn(f"{f['k']} {'of' if f['count'] else '/'} {f['n']}", counts)
        table = dict(self.rows)
        seed = re.search(r"ranNo is\s+(\d+)", "\n".join(lines)).group(1)
        self.assertEqual((table["seed (ranNo)"], table["events"], os.path.basename(self.hbook)),
                         (seed, "100000", f"h{seed}.hbook"))
        self.assertRegex(table["start"], r"^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}$")
        self.assertTrue(all(table[label].isdigit() for label in ("input", "tar1 in", "tar2 in", "det in")))

    def test_in_a_browser_every_figure_shows_with_its_labels_inside(self):
        browser.require(self)
        panels, height = browser.panel_texts(self, self.dir, self.text, height=True)
        self.assertEqual(len(panels), len(self.figures))
        shot = os.path.join(self.dir, "page.png")
        browser.run(self, self.dir, f"--screenshot={shot}", f"--window-size=1280,{height}", self.page)
        rgb = images.read_rgb(shot)
        self.assertEqual(rgb.shape[:2], (height, 1280))
        for (id, _, _), p in zip(self.figures, panels):
            x, y, w, h = p["rect"]
            region = rgb[int(y):int(y + h), int(x):int(x + w)]
            self.assertGreater(images.ink_fraction(region), 0.02, f"figure {id} not painted")
            self.assertEqual(images.frame_lines(region, min_length=int(w / 2)), 2, f"figure {id} frame")
        self.assertTrue(all(len(p["texts"]) > 5 for p in panels))
        self.assertEqual(browser.label_problems(panels), [])


class PanelLabels(unittest.TestCase):
    """Panels of contents from 10^-7 to 4 x 10^9, negative ones, and ranges
    far from zero or wide: every label inside its panel and none over
    another, as Chromium lays the page out."""

    def test_labels_inside_at_any_tick_width(self):
        browser.require(self)
        folder = tempfile.mkdtemp(prefix="tarn-labels-")
        self.addCleanup(shutil.rmtree, folder)
        shape = np.exp(-0.5 * ((np.arange(50) - 25) / 8.0) ** 2)
        histograms, id = [], 0
        for scale in (1.0, 123456.0, 4e9, 1e-7, -5e5):
            for low, high in ((0, 1), (83.15, 83.25), (-1e6, 1e6), (-123456, -123000)):
                id += 1
                histograms.append(hbook.H1(id, f"contents x {scale:g} over {low:g} to {high:g}", 50, low, high,
                                           shape * scale))
        body = "".join(page.figure({h.id: h}, h.id, "a panel", run_file=False) for h in histograms)
        text = f"<!DOCTYPE html><html><head><style>{page.STYLE}</style></head><body><div class='grid'>{body}</div></body></html>"
        panels = browser.panel_texts(self, folder, text)
        self.assertEqual(len(panels), len(histograms))
        self.assertEqual(browser.label_problems(panels), [])
        # The check sees what it is for: a y label pushed out by six-digit
        # ticks, and a title and offset text in fixed margins, as the page
        # had them.
        panels = ""
        for key, scale in (("ticks", 123456.0), ("offset", 4e6)):
            with matplotlib.rc_context({"font.family": page.FONT}):
                fig = Figure(figsize=page.FIGURE_INCHES, dpi=page.FIGURE_DPI)
                fig.subplots_adjust(left=0.16, right=0.95, bottom=0.19, top=0.9)
                ax = fig.subplots()
                ax.stairs(shape * scale, np.linspace(-1e6, 1e6, 51))
                ax.set_ylabel("contents per bin")
                ax.set_title("x (cm) Up", loc="left", fontsize="medium", fontweight="bold")
            panels += page._svg(fig, key)
        problems = browser.label_problems(browser.panel_texts(self, folder, f"<html><body>{panels}</body></html>"))
        self.assertTrue(any(p.startswith("ticks: 'contents per bin'") and "outside" in p for p in problems), problems)
        self.assertTrue(any(p.startswith("offset: ") for p in problems), problems)


class Captions(unittest.TestCase):
    """Each figure's caption says the histogram's own figures, each under its
    own name: values that differ, so that two swapped or repeated are seen."""

    def test_entries_range_underflow_overflow_mean_and_rms_each_in_its_place(self):
        h = hbook.H1(7, "x", 4, 0.0, 4.0, [1.0, 0.0, 3.0, 2.0], underflow=3.0, overflow=5.0, entries=14)
        s = h.summary()
        self.assertNotEqual(f"{s.mean:.5g}", f"{s.rms:.5g}")
        self.assertEqual(page.statistics(h),
                         f"entries 14, in range 6, underflow 3, overflow 5; mean {s.mean:.5g}, rms {s.rms:.5g}")
        caption = page.figure({7: h}, 7, "what it holds")
        self.assertIn("<b>7</b> <i>x</i>: what it holds<br>", caption)
        self.assertIn("underflow 3, overflow 5; mean", caption)

    def test_a_histogram_without_entries_shows_no_mean(self):
        h = hbook.H1(8, "empty", 4, 0.0, 4.0, underflow=0.5, overflow=0.25, entries=0)
        self.assertEqual(page.statistics(h), "entries 0, in range 0, underflow 0.5, overflow 0.25")

    def test_a_running_sum_shows_the_distribution_it_was_made_from(self):
        h = hbook.H1(100, "spectrum", 4, 0.0, 4.0, [0.1, 0.2, 0.7, 1.0], entries=-1)
        steps = h.increments().summary()
        self.assertNotEqual(f"{steps.mean:.5g}", f"{h.summary().mean:.5g}")
        self.assertEqual(page.statistics(h), f"steps of a running sum: mean {steps.mean:.5g}, rms {steps.rms:.5g}")

    def test_a_histogram_missing_from_the_file_is_said_to_be(self):
        self.assertIn('class="missing"', page.figure({}, 3005, "energy"))
        self.assertIn("<b>3005</b> not in the file. energy", page.figure({}, 3005, "energy"))


class ReportOfADescribedBeamline(unittest.TestCase):
    """A run with 30 cm cells and a guide of another coating: the beamline
    table marks the two values, the drawing is to scale and marks the
    elements they describe, and both show in a browser."""

    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.mkdtemp(prefix="tarn-report-beamline-")
        for name in ("lam.hbook", "gradx.hbook", "sq.hbook"):
            shutil.copy(os.path.join(os.environ["TARN_DATA_DIR"], name), cls.dir)
        subprocess.run([os.environ["TARN_EXE"], "--events", "3000", "--seed", "4", "--set", "cells.length=30",
                        "--set", "guide2.critical_angle_per_angstrom=0.002"], cwd=cls.dir, check=True, capture_output=True)
        cls.page = subprocess.run([REPORT, cls.dir], check=True, capture_output=True, text=True).stdout.strip()
        cls.text = Path(cls.page).read_text(encoding="utf-8")
        cls.section = cls.text[cls.text.index('<section id="beamline">'):]
        cls.section = cls.section[:cls.section.index("</section>")]

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.dir)

    def test_the_table_marks_the_changed_values(self):
        rows = re.findall(r'<tr( class="changed")?><th>([a-z0-9_.]+)</th><td class="number">(.*?)</td>'
                          r'<td class="number">(.*?)</td>', self.section)
        self.assertEqual([key for _, key, _, _ in rows], list(beamline.KEYS))
        changed = {key: (value, shipped) for mark, key, value, shipped in rows if mark}
        self.assertEqual(changed, {"guide2.critical_angle_per_angstrom": ("0.002 rad/Angstrom", "0.001 rad/Angstrom"),
                                   "cells.length": ("30 cm", "41.6 cm")})
        self.assertIn("Described with --set: 2 values differ from the shipped beamline", self.section)

    def test_the_drawing_is_to_scale_and_marks_the_changed_elements(self):
        svg = self.section[self.section.index("<svg"):self.section.index("</svg>")]
        # The elements' outlines in proportion to their lengths (guide1, 116 cm, is the longest).
        for name in ("guide1", "guide2 *", "upstream cell *", "split guide", "last guide"):
            self.assertRegex(svg, rf'text-anchor="middle" fill="[^"]+">{re.escape(name)}</text>')
        lengths = sorted({float(w) for w in re.findall(r'<rect x="[\d.]+" y="[\d.]+" width="([\d.]+)"', svg)})
        zscale = lengths[-1] / 116.0
        for length in (116, 89, 30, 108, 28):
            self.assertTrue(any(abs(w - length * zscale) < 0.15 for w in lengths), (length, lengths))
        self.assertEqual(svg.count('class="element changed"'), 2 * 3)  # guide2 and both cells, in both views
        self.assertIn("detector plane (orange) at 428.8 cm", svg)

    def test_in_a_browser_the_drawing_shows_the_marks(self):
        browser.require(self)
        check = os.path.join(self.dir, "check.html")
        script = """<script>window.addEventListener("load", () => {
          const r = document.getElementById("beamline-drawing").getBoundingClientRect();
          const pre = document.createElement("pre"); pre.id = "check";
          pre.textContent = JSON.stringify([r.left + scrollX, r.top + scrollY, r.width, r.height,
                                            Math.ceil(document.documentElement.scrollHeight)]);
          document.body.appendChild(pre); });</script>"""
        Path(check).write_text(self.text.replace("</body>", script + "</body>"), encoding="utf-8")
        def run(test, *args):
            return browser.run(test, self.dir, *args)
        dom = run(self, "--dump-dom", "--virtual-time-budget=10000", "--window-size=1280,1000", check)
        x, y, w, h, height = json.loads(re.search(r'<pre id="check">(.*?)</pre>', dom).group(1))
        self.assertGreater(w, 800)
        shot = os.path.join(self.dir, "page.png")
        browser.run(self, self.dir, f"--screenshot={shot}", f"--window-size=1280,{height}", self.page)
        region = images.read_rgb(shot)[int(y):int(y + h), int(x):int(x + w)].astype(int)
        self.assertGreater(images.ink_fraction(region.astype("uint8")), 0.02)
        red = (region[..., 0] > 180) & (region[..., 1] < 90) & (region[..., 2] < 90)
        blue = (region[..., 2] > 200) & (region[..., 0] < 190) & (region[..., 1] > 180)
        self.assertGreater(red.sum(), 500)   # the changed cells and guide, in red
        self.assertGreater(blue.sum(), 500)  # the helium halves


if __name__ == "__main__":
    unittest.main()

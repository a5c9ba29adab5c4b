"""tarn-report: the page of a default run, its figures and run figures, and
the page in a real browser (headless Chromium): every image loaded and every
figure painted in a screenshot of the whole page."""
import base64
import glob
import io
import json
import os
import re
import shutil
import subprocess
import tempfile
import unittest
from html.parser import HTMLParser

import hbook
import images
from tarnreport import catalogue, page, runlog

RUN_DATA = os.path.join(os.environ["TARN_TEST_DATA"], "run")
CHROMIUM = shutil.which("chromium") or shutil.which("chromium-browser")


class Page(HTMLParser):
    """Sections, figures (id, img src) and table rows of a report page."""

    def __init__(self, text):
        super().__init__()
        self.sections, self.figures, self.rows, self.external = [], [], [], []
        self._row = None
        self._cell = None
        self.feed(text)

    def handle_starttag(self, tag, attrs):
        a = dict(attrs)
        if tag == "section":
            self.sections.append(a["id"])
        elif tag == "figure" and "id" in a:
            self.figures.append([int(a["id"][1:]), None])
        elif tag == "img":
            self.figures[-1][1] = a["src"]
        elif tag == "tr":
            self._row = []
        elif tag in ("td", "th"):
            self._cell = ""
        for name in ("src", "href"):
            if name in a and not a[name].startswith(("data:", "#")):
                self.external.append(a[name])

    def handle_data(self, data):
        if self._cell is not None:
            self._cell += data

    def handle_endtag(self, tag):
        if tag in ("td", "th") and self._row is not None:
            self._row.append(self._cell.strip())
            self._cell = None
        elif tag == "tr":
            self.rows.append(self._row)
            self._row = None


class ReportOfADefaultRun(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.mkdtemp(prefix="tarn-report-")
        for name in ("lam.hbook", "gradx.hbook", "sq.hbook"):
            shutil.copy(os.path.join(os.environ["TARN_DATA_DIR"], name), cls.dir)
        subprocess.run([os.environ["TARN_EXE"]], cwd=cls.dir, check=True, capture_output=True)
        result = subprocess.run([os.environ["TARN_REPORT"], cls.dir], check=True, capture_output=True, text=True)
        cls.page_path = result.stdout.strip()
        cls.log_path = glob.glob(os.path.join(cls.dir, "tarn-*.o"))[0]
        cls.hbook_path = glob.glob(os.path.join(cls.dir, "h*.hbook"))[0]
        with open(cls.page_path, encoding="utf-8") as f:
            cls.text = f.read()
        cls.page = Page(cls.text)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.dir)

    def test_page_beside_the_log(self):
        self.assertEqual(self.page_path, os.path.splitext(self.log_path)[0] + ".html")

    def test_every_histogram_is_a_figure_in_its_group(self):
        self.assertEqual(self.page.sections, ["run", "inputs", "positions", "cells", "detector", "angles"])
        ids = [id for id, _ in self.page.figures]
        self.assertEqual(ids, [100, 301] + catalogue.result_ids())
        in_file = set(hbook.open(self.hbook_path).ids())
        self.assertEqual(in_file - set(ids), {151, 152, 302, 402})
        self.assertNotIn("Not described here", self.text)

    def test_figures_are_embedded_pngs(self):
        size = tuple(int(v * page.FIGURE_DPI) for v in page.FIGURE_INCHES)
        for id, src in self.page.figures:
            with self.subTest(id=id):
                self.assertTrue(src.startswith("data:image/png;base64,"))
                rgb = images.read_rgb(io.BytesIO(base64.b64decode(src.split(",", 1)[1])))
                self.assertEqual(rgb.shape[:2], size[::-1])
                self.assertGreater(images.ink_fraction(rgb), 0.01)
        self.assertEqual(self.page.external, [])

    def test_run_figures_as_the_log_prints_them(self):
        with open(self.log_path) as f:
            log_lines = [line.rstrip() for line in f if line.strip()]
        end = next(i for i, line in enumerate(log_lines) if "End time:" in line)
        printed = [line.split()[-1] for line in log_lines[end + 1:]]
        self.assertEqual(len(printed), 9)
        table = {row[0]: row[1] for row in self.page.rows if len(row) == 2}
        self.assertEqual([row[1] for row in self.page.rows[-9:]], printed)
        seed = re.search(r"ranNo is\s+(\d+)", "\n".join(log_lines)).group(1)
        self.assertEqual(table["seed (ranNo)"], seed)
        self.assertEqual(os.path.basename(self.hbook_path), f"h{seed}.hbook")
        self.assertEqual(table["events"], "100000")
        self.assertRegex(table["start"], r"^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}$")
        for label in ("input", "tar1 in", "tar2 in", "det in"):
            self.assertRegex(table[label], r"^\d+$")

    def test_statistics_under_each_figure(self):
        f = hbook.open(self.hbook_path)
        s = f[3005].summary()
        self.assertIn(f"entries {s.entries}, in range {s.in_range:.6g}", self.text)
        self.assertIn(f"mean {s.mean:.5g}, rms {s.rms:.5g}", self.text)
        steps = f[100].increments().summary()
        self.assertIn(f"steps of a running sum: mean {steps.mean:.5g}", self.text)

    def test_in_a_browser_every_figure_loads_and_shows(self):
        if not CHROMIUM:
            message = "Chromium is not installed (bash scripts/setup-deps.sh installs it)"
            if os.environ.get("TARN_REQUIRE_OPTIONAL"):
                self.fail(message)
            self.skipTest(message + "; the page was not looked at in a browser")
        width = 1280
        check = os.path.join(self.dir, "check.html")
        with open(check, "w", encoding="utf-8") as f:
            f.write(self.text.replace("</body>", CHECK_SCRIPT + "</body>"))
        dom = self.chromium("--dump-dom", "--virtual-time-budget=10000", f"--window-size={width},1000", check)
        found = re.search(r'<pre id="check">(.*?)</pre>', dom)
        self.assertIsNotNone(found, "the check script did not run")
        report = json.loads(found.group(1).replace("&quot;", '"'))
        self.assertEqual(report["total"], len(self.page.figures))
        self.assertEqual(report["loaded"], report["total"], "broken images")

        shot = os.path.join(self.dir, "page.png")
        self.chromium(f"--screenshot={shot}", f"--window-size={width},{report['height']}", self.page_path)
        rgb = images.read_rgb(shot)
        self.assertEqual(rgb.shape[:2], (report["height"], width))
        self.assertGreater(images.ink_fraction(rgb), 0.02)
        for id, (x, y, w, h) in zip((id for id, _ in self.page.figures), report["rects"]):
            with self.subTest(id=id):
                self.assertGreater(w, 200)
                region = rgb[int(y):int(y + h), int(x):int(x + w)]
                self.assertGreater(images.ink_fraction(region), 0.02, "figure not painted")
                self.assertEqual(images.horizontal_frame_lines(region, min_length=int(w * 0.5)), 2)

    def chromium(self, *args):
        profile = tempfile.mkdtemp(prefix="chromium-", dir=self.dir)
        command = [CHROMIUM, "--headless", "--disable-gpu", "--disable-quic", "--no-first-run",
                   "--disable-background-networking", "--disable-component-update", "--disable-sync",
                   "--hide-scrollbars", "--force-device-scale-factor=1", f"--user-data-dir={profile}"]
        if os.geteuid() == 0:
            command.append("--no-sandbox")
        result = subprocess.run(command + list(args[:-1]) + ["file://" + os.path.abspath(args[-1])],
                                capture_output=True, text=True, timeout=120)
        self.assertEqual(result.returncode, 0, result.stderr[-2000:])
        return result.stdout


# Appended by the test to a copy of the page: after loading, report which
# images loaded, where each one is, and the page height.
CHECK_SCRIPT = """<script>
window.addEventListener("load", () => {
  const imgs = [...document.images];
  const rects = imgs.map(i => { const r = i.getBoundingClientRect();
                                return [r.left + scrollX, r.top + scrollY, r.width, r.height]; });
  const pre = document.createElement("pre");
  pre.id = "check";
  pre.textContent = JSON.stringify({
    total: imgs.length, loaded: imgs.filter(i => i.complete && i.naturalWidth > 0).length,
    height: Math.ceil(document.documentElement.scrollHeight), rects });
  document.body.appendChild(pre);
});
</script>"""


class RunLogs(unittest.TestCase):
    def test_the_regression_runs_log(self):
        log = runlog.parse(os.path.join(RUN_DATA, "regression-log.txt"))
        self.assertEqual((log.events, log.seed), (100000, 763595))
        self.assertEqual((log.start, log.end), ("2026-11-02 14:37:41.503", "2026-11-02 14:59:41.503"))
        self.assertEqual(log.counts, [("input", "100000"), ("tar1 in", "23464"), ("tar2 in", "18022"),
                                      ("det in", "10143")])
        self.assertEqual(log.histogram_file, "h763595.hbook")
        self.assertEqual(log.notes, ["! Running with No x gradient !"])
        self.assertEqual(len(log.figures), 9)
        self.assertEqual(log.figures[0], ("Frac # of scatters tar1", "0.2489345"))
        self.assertEqual(log.figures[-1], ("Frac of det hits that were scattered with Ef.ne.Ei", "0.1873213E-02"))

    def test_errors_name_the_problem(self):
        empty = tempfile.mkdtemp(prefix="tarn-report-")
        self.addCleanup(shutil.rmtree, empty)
        result = subprocess.run([os.environ["TARN_REPORT"], empty], capture_output=True, text=True)
        self.assertEqual(result.returncode, 1)
        self.assertIn("no run log", result.stderr)
        # A run that stopped at the input checks: its log names no histogram file.
        with open(os.path.join(empty, "tarn-0101-0000.o"), "w") as f:
            f.write("   Nevents:       100000\n ranNo is       17\n sq.hbook: cannot be opened\n")
        result = subprocess.run([os.environ["TARN_REPORT"], empty], capture_output=True, text=True)
        self.assertEqual(result.returncode, 1)
        self.assertIn("names no histogram file", result.stderr)


if __name__ == "__main__":
    unittest.main()

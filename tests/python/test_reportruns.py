"""tarn-report: the run table and the page's parts (tarn-summary's figures
and what it says when it cannot sum up, errors with powers of ten, the
footer), the run logs it reads, the command's checks, and pages of several
runs with their merged file."""
import contextlib
import glob
import html
import io
import json
import os
import re
import shutil
import subprocess
import tempfile
import unittest
from pathlib import Path

import numpy as np

import browser
import hbook
from tarnreport import catalogue, page, runlog

from reportsupport import REPORT, SUMMARY, figure_rows, shipped_inputs


class RunTable(unittest.TestCase):
    """The run table and the figures table of a log: each row its own value
    (values that differ, so that one shown in another's place is seen), and
    the figures shown as soon as the log has one."""

    def parse(self, text):
        folder = tempfile.mkdtemp(prefix="tarn-report-log-")
        self.addCleanup(shutil.rmtree, folder)
        path = Path(folder, "tarn-0307-0905.o")
        path.write_text(text)
        return runlog.parse(str(path))

    HEAD = ("   Nevents:         2500\n   Start time: 20260307    090516.345  \n ranNo is        27961\n"
            " input         2500\n tar1 in        601\n tar2 in        452\n det in        250\n h27961.hbook\n"
            "   End time: 20260307    091016.346  \n")

    def rows(self, fragment):
        return [tuple(map(html.unescape, row)) for row in
                re.findall(r"<tr><t[hd]>([^<]*)</t[hd]><td class=\"value\">([^<]*)</td>", fragment)]

    def test_each_row_shows_its_own_value(self):
        log = self.parse(self.HEAD + "   Frac # of scatters tar1   0.2404000    \n")
        self.assertEqual(self.rows(page.run_table(log)),
                         [("seed (ranNo)", "27961"), ("events", "2500"), ("start", "2026-03-07 09:05:16.345"),
                          ("end", "2026-03-07 09:10:16.346"), ("input", "2500"), ("tar1 in", "601"),
                          ("tar2 in", "452"), ("det in", "250")])

    def test_one_figure_is_shown_and_none_says_the_run_did_not_finish(self):
        one = self.parse(self.HEAD + "   Frac # of scatters tar1   0.2404000    \n")
        self.assertEqual(self.rows(page.figures_table(one)), [("Frac # of scatters tar1", "0.2404000")])
        self.assertNotIn("did not finish", page.figures_table(one))
        none = self.parse(self.HEAD.split("   End time")[0])
        self.assertEqual(none.figures, [])
        self.assertIn("the run did not finish", page.figures_table(none))

    def test_a_count_needs_its_number(self):
        # A log cut short inside the counts: a label without its number is
        # no count (and no row of the table).
        log = self.parse("   Nevents:         2500\n ranNo is        27961\n input         2500\n tar1 in\n det in\n")
        self.assertEqual(log.counts, [("input", "2500")])
        cut = self.parse(" ranNo is        27961\n input\n")
        self.assertEqual(cut.counts, [])
        self.assertEqual([label for label, _ in self.rows(page.run_table(cut))],
                         ["seed (ranNo)", "events", "start", "end"])


class PageParts(unittest.TestCase):
    """The page's pieces made from given values: errors as the page writes
    them, the figures table with and without errors, the footer's lists."""

    def summary(self, notes=()):
        from tarnreport import figures
        f = figures.Figure(label="Frac # of scatters tar1", printed="0.2404000", count=False, k=601, n=2500,
                           denominator="events", value=0.2404, error=0.0085, small=False, low=0.23, high=0.25,
                           text="(2.00 +- 0.45)E-04", detail="20 / 100000 events, interval (1.60 to 2.50)E-04")
        return figures.Summary(runs=[], counts={"nEvents": 2500}, figures=[f], interval="68.3% Wilson score interval",
                               small_count=30, notes=list(notes))

    def test_what_tarn_summary_says_when_it_cannot_sum_up(self):
        from tarnreport import figures
        folder = tempfile.mkdtemp(prefix="tarn-report-tool-")
        self.addCleanup(shutil.rmtree, folder)

        def tool(script):
            path = os.path.join(folder, "tarn-summary")
            Path(path).write_text("#!/bin/sh\n" + script)
            os.chmod(path, 0o755)
            return path
        with self.assertRaises(figures.SummaryError) as raised:
            figures.summarise(["a.o"], tool("echo 'first' >&2; echo 'tarn-summary: a.o: no exact counts' >&2; exit 1\n"))
        self.assertEqual(str(raised.exception), "tarn-summary: a.o: no exact counts")
        with self.assertRaises(figures.SummaryError) as raised:
            figures.summarise(["a.o"], tool("exit 3\n"))
        self.assertEqual(str(raised.exception), "tarn-summary failed with status 3")
        data = {"runs": [], "counts": {"nEvents": 10}, "figures": [], "interval": "i", "small_count": 30, "notes": ["n"]}
        s = figures.summarise(["a.o"], tool(f"echo '{json.dumps(data)}'\necho 'tarn-summary: note: runs 1 and 2 "
                                            "share a seed' >&2\necho 'other' >&2\n"))
        self.assertEqual((s.counts, s.notes), ({"nEvents": 10}, ["runs 1 and 2 share a seed"]))
        s = figures.summarise(["a.o"], tool(f"echo '{json.dumps(data)}'\n"))
        self.assertEqual(s.notes, ["n"])  # none said on the way: the JSON's
        saved = os.environ.get("TARN_BIN_DIR"), os.environ.get("PATH")
        try:
            os.environ["TARN_BIN_DIR"] = folder
            self.assertEqual(figures.tool(), os.path.join(folder, "tarn-summary"))
            os.chmod(os.path.join(folder, "tarn-summary"), 0o644)  # not a program: looked for on PATH
            os.environ["PATH"] = os.path.join(folder, "none")
            self.assertIsNone(figures.tool())
            with self.assertRaises(figures.SummaryError) as raised:
                figures.summarise(["a.o"])
            self.assertEqual(str(raised.exception), "tarn-summary is not found beside this command or on PATH: the "
                                                    "figures have no errors")
        finally:
            for name, value in zip(("TARN_BIN_DIR", "PATH"), saved):
                if value is None:
                    os.environ.pop(name, None)
                else:
                    os.environ[name] = value

    def test_runs_on_other_beamlines_and_a_histogram_not_in_every_file(self):
        folder = tempfile.mkdtemp(prefix="tarn-report-runs-")
        self.addCleanup(shutil.rmtree, folder)
        tool = os.path.join(folder, "tarn-summary")
        data = {"runs": [], "counts": {"nEvents": 20}, "figures": [], "interval": "i", "small_count": 30, "notes": []}
        Path(tool).write_text(f"#!/bin/sh\necho '{json.dumps(data)}'\n")
        os.chmod(tool, 0o755)
        detector = next(g for g in catalogue.GROUPS if g[0] == page.DETECTOR_GROUP)[3]
        first, second = detector[0][0], detector[1][0]
        b = catalogue.bookings()
        def h(id):
            return hbook.H1(id, b[id]["title"], b[id]["bins"], b[id]["lower"], b[id]["upper"],
                            np.ones(b[id]["bins"]))
        paths = [os.path.join(folder, name) for name in ("h1.hbook", "h2.hbook")]
        hbook.write(paths[0], [h(first), h(second)])
        hbook.write(paths[1], [h(first)])
        logs = [runlog.RunLog(os.path.join(folder, f"tarn-{i}.o"), seed=i, events=10, beamline_digest=d)
                for i, d in ((1, None), (2, "0123456789abcdef"))]
        saved = os.environ.get("TARN_BIN_DIR")
        os.environ["TARN_BIN_DIR"] = folder
        try:
            text = page.build_runs(logs, paths)
            same = page.build_runs([logs[0], logs[0]], [paths[0], paths[0]])
        finally:
            if saved is None:
                os.environ.pop("TARN_BIN_DIR")
            else:
                os.environ["TARN_BIN_DIR"] = saved
        self.assertIn("The runs were made on 2 different beamlines: their figures are added as asked", text)
        self.assertNotIn("different beamlines", same)
        self.assertIn("<p>The shipped beamline (data/beamline.toml).</p>", same)
        self.assertIn(f'<figure id="o{first}">', text)
        self.assertIn(f'<figure class="missing"><figcaption><b>{second}</b> not in every file.</figcaption></figure>', text)
        self.assertIn(f'<figure id="o{second}">', same)
        self.assertTrue(">seed 1<" in text and ">seed 2<" in text)  # each run in the legend by its seed
        self.assertIn("Figures of the 2 runs added together (20 events)", text)
        self.assertIn("hbook merge makes one file of the runs' histograms", text)

    def test_the_page_of_one_run_in_its_parts(self):
        # A run's page made here, tarn-summary failing: the files, the notes
        # but the exact counts, the reason for no errors, each group and the
        # footer of the file's other histograms.
        folder = tempfile.mkdtemp(prefix="tarn-report-page-")
        self.addCleanup(shutil.rmtree, folder)
        Path(folder, "tarn-summary").write_text("#!/bin/sh\nexit 3\n")
        os.chmod(os.path.join(folder, "tarn-summary"), 0o755)
        path = os.path.join(folder, "h17.hbook")
        hbook.write(path, [hbook.H1(100, "lambda", 2, 0, 2, [1.0, 3.0]), hbook.H1(9999, "mine", 2, 0, 1)])
        log = runlog.RunLog(os.path.join(folder, "tarn-0101-0000.o"), seed=17, events=2500,
                            notes=["! first note !", "Exact counts: nEvents 2500", "second & last"],
                            figures=[("Frac # of scatters tar1", "0.2404000")])
        saved = os.environ.get("TARN_BIN_DIR")
        os.environ["TARN_BIN_DIR"] = folder
        try:
            text = page.build(log, path)
        finally:
            if saved is None:
                os.environ.pop("TARN_BIN_DIR")
            else:
                os.environ["TARN_BIN_DIR"] = saved
        self.assertTrue(text.startswith("<!DOCTYPE html>\n"))
        self.assertIn("<title>tarn run 17</title>", text)
        self.assertIn("<h1>tarn run 17</h1>", text)
        self.assertIn(f'<p class="files">run log {log.path}<br>histograms {path}</p>', text)
        self.assertIn("<p>! first note !<br>second &amp; last</p>", text)
        self.assertNotIn("Exact counts", text)
        self.assertIn('<p class="missing">No errors: tarn-summary failed with status 3</p>', text)
        self.assertEqual(figure_rows(text), [("Frac # of scatters tar1", "0.2404000", "", "")])
        self.assertEqual(re.findall(r'<section id="(\w+)"', text),
                         ["run", "beamline", "inputs", "positions", "cells", "detector", "angles"])
        self.assertEqual(re.findall(r'<figure id="h(\d+)">', text), ["100"])
        self.assertIn("<h2>Also in h17.hbook</h2>", text)
        self.assertIn("<p>Not described here: 9999.</p>", text)
        self.assertTrue(text.endswith("</footer>\n</body></html>\n"))
        log.notes = ["Exact counts: nEvents 2500"]
        self.assertIn("</table>\n<h3>Figures from the log</h3>", page.build(log, path))  # no notes: no paragraph

    def test_errors_with_a_power_of_ten_as_the_page_writes_them(self):
        self.assertEqual(page._error_html("(2.00 +- 0.45)E-04"), "(2.00 ± 0.45) × 10<sup>-4</sup>")
        self.assertEqual(page._error_html("(1.000 +- 0.012)E+06"), "(1.000 ± 0.012) × 10<sup>6</sup>")
        self.assertEqual(page._error_html("0.2519 +- 0.0031"), "0.2519 ± 0.0031")
        self.assertEqual(page._error_html("13 / 100000 events, interval (0.90 to 1.80)E-04"),
                         "13 / 100000 events, interval (0.90 to 1.80) × 10<sup>-4</sup>")
        self.assertEqual(page._error_html("a < b"), "a &lt; b")

    def test_the_figures_table_with_errors_or_the_reason_for_none(self):
        log = runlog.RunLog("x.o", figures=[("Frac # of scatters tar1", "0.2404000"), ("Frac # of scatters tar2", "0.25")])
        text = page.figures_table(log, self.summary())
        rows = figure_rows(text)
        self.assertEqual(rows[0], ("Frac # of scatters tar1", "0.2404000", "(2.00 ± 0.45) × 10<sup>-4</sup>",
                                   "20 / 100000 events, interval (1.60 to 2.50) × 10<sup>-4</sup>"))
        self.assertEqual(rows[1], ("Frac # of scatters tar2", "0.25", "", ""))  # no figure of that label
        self.assertIn("where a count is below 30, also the 68.3% Wilson score interval.</p>", text)
        text = page.figures_table(log, None, "tarn-summary is not found")
        self.assertIn('<p class="missing">No errors: tarn-summary is not found</p>', text)
        self.assertNotIn("No errors", page.figures_table(log))
        self.assertNotIn("No errors", page.figures_table(log, self.summary(), "stale reason"))  # errors shown
        text = page.added_figures_table(self.summary(["runs 1 and 2 have the same seed"]))
        self.assertIn("count is below 30 also the 68.3% Wilson score interval.</p>", text)
        self.assertIn('<p class="missing">runs 1 and 2 have the same seed</p>', text)
        self.assertEqual(len(figure_rows(text)), 1)

    def test_the_footer_names_the_other_histograms_and_those_not_described(self):
        histograms = {151: None, 302: None, 3005: None, 17: None, 9999: None}
        text = "\n".join(page._footer(histograms, "h1.hbook"))
        self.assertIn("<h2>Also in h1.hbook</h2>", text)
        others = dict(catalogue.OTHERS)
        self.assertIn(f"<p>151: {html.escape(others[151])}; 302: {html.escape(others[302])}.</p>", text)
        self.assertIn("<p>Not described here: 17, 9999.</p>", text)
        text = "\n".join(page._footer({3005: None, 100: None}, "h1.hbook"))
        self.assertNotIn("Not described here", text)
        self.assertIn("<p>.</p>", text)

    def test_a_result_s_labels_say_its_errors_are_counts(self):
        id, b = sorted(catalogue.bookings().items())[0]
        h = hbook.H1(id, b["title"], b["bins"], b["lower"], b["upper"])
        labels = page._labels(h, True)
        self.assertEqual((labels.x, labels.contents, labels.counts), (b["label"], "neutrons per bin", True))
        spectrum = page._labels(hbook.H1(301, "S(q)", 3, 0, 1), True)
        self.assertEqual((spectrum.contents, spectrum.counts), ("S(q)", False))
        other = page._labels(h, False)
        self.assertEqual((other.x, other.contents, other.counts), ("x", "contents per bin", True))


class RunLogs(unittest.TestCase):
    def test_the_regression_runs_log(self):
        log = runlog.parse(os.path.join(os.environ["TARN_TEST_DATA"], "run", "regression-log.txt"))
        self.assertEqual((log.events, log.seed, log.histogram_file), (100000, 763595, "h763595.hbook"))
        self.assertEqual((log.start, log.end), ("2026-11-02 14:37:41.503", "2026-11-02 14:59:41.503"))
        self.assertEqual(log.counts, [("input", "100000"), ("tar1 in", "23464"), ("tar2 in", "18022"),
                                      ("det in", "10143")])
        self.assertEqual(log.notes, ["! Running with No x gradient !"])
        self.assertEqual((len(log.figures), log.figures[0], log.figures[-1][1]),
                         (9, ("Frac # of scatters tar1", "0.2489345"), "0.1873213E-02"))

    def test_each_kind_of_line_and_where_it_counts(self):
        folder = tempfile.mkdtemp(prefix="tarn-report-log-")
        self.addCleanup(shutil.rmtree, folder)
        path = os.path.join(folder, "tarn-1208-2359.o")
        Path(path).write_text("\n".join([
            "   Nevents:       2500",
            "   Start time: 20261208    235930.297",
            "  tarn - Upstream target on right, x>0.  Dn on left",
            " cells.length = 30 cm   (shipped 40 cm)",  # before the beamline line: a note
            " Beamline of my.toml with --set: 2 values differ from the shipped beamline (digest 0123456789abcdef)",
            " cells.length = 30 cm   (shipped 40 cm)",
            " cells.temperature = 2.1 K   (shipped 1.6 K)",
            " Exact counts: nEvents 2500 nTar1In 580 nScatTar1 146",
            " ranNo is       17",
            " input       2500",
            " tar1 in       58x",
            " beam in       12",
            " h17.hbook",
            " xh17.hbook",
            "   End time: 20261209    000102.5",
            "   Frac # of scatters tar1   0.2517241",
            "   alone",
            " Figures with their binomial errors",
            "   Frac # of scatters tar2   0.25"]) + "\n", encoding="latin-1")
        log = runlog.parse(path)
        self.assertEqual((log.events, log.seed, log.start, log.end),
                         (2500, 17, "2026-12-08 23:59:30.297", "2026-12-09 00:01:02.5"))
        self.assertEqual((log.beamline_source, log.beamline_digest), ("of my.toml with --set", "0123456789abcdef"))
        self.assertEqual(log.beamline_changes, {"cells.length": "30 cm", "cells.temperature": "2.1 K"})
        self.assertEqual(log.exact, {"nEvents": 2500, "nTar1In": 580, "nScatTar1": 146})
        self.assertEqual(log.counts, [("input", "2500")])
        self.assertEqual(log.histogram_file, "h17.hbook")
        self.assertEqual(log.notes, ["cells.length = 30 cm   (shipped 40 cm)", "tar1 in       58x", "beam in       12",
                                     "xh17.hbook"])
        self.assertEqual(log.figures, [("Frac # of scatters tar1", "0.2517241"), ("alone", "")])
        # One value, the shipped beamline named by nothing; a digest of 15 digits is not the line.
        for line, source in ((" Beamline: 1 value differs from the shipped beamline (digest 0123456789abcdef)", ""),
                             (" Beamline with --set: 1 value differs from the shipped beamline (digest 0123456789abcdef)",
                              "with --set"),
                             (" Beamline: 1 value differs from the shipped beamline (digest 0123456789abcde)", None),
                             (" Beamline: 1 value differs from the shipped beamline (digest 0123456789ABCDEF)", None)):
            Path(path).write_text(line + "\n")
            self.assertEqual(runlog.parse(path).beamline_source, source, line)

    def test_errors_name_the_problem(self):
        empty = tempfile.mkdtemp(prefix="tarn-report-")
        self.addCleanup(shutil.rmtree, empty)
        result = subprocess.run([REPORT, empty], capture_output=True, text=True)
        self.assertEqual((result.returncode, "no run log" in result.stderr), (1, True))
        missing = os.path.join(empty, "no-such-run")
        result = subprocess.run([REPORT, missing], capture_output=True, text=True)
        self.assertEqual((result.returncode, result.stderr), (1, f"tarn-report: {missing}: no such folder (give the "
                                                                "folder a run wrote its log and histograms to)\n"))
        # A run that stopped at the input checks names no histogram file.
        Path(empty, "tarn-0101-0000.o").write_text(" ranNo is       17\n sq.hbook: cannot be opened\n")
        result = subprocess.run([REPORT, empty], capture_output=True, text=True)
        self.assertEqual((result.returncode, "names no histogram file" in result.stderr), (1, True))



class CommandChecks(unittest.TestCase):
    """tarn-report's checks before any page is made, in this process: which
    log, which file, which options go together, and the words of each."""

    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="tarn-report-checks-")
        self.addCleanup(shutil.rmtree, self.dir)
        self.log = os.path.join(self.dir, "tarn-1102-1437.o")
        shutil.copy(os.path.join(os.environ["TARN_TEST_DATA"], "run", "regression-log.txt"), self.log)

    def report(self, *args):
        from tarnreport import __main__ as command
        out, err = io.StringIO(), io.StringIO()
        with contextlib.redirect_stdout(out), contextlib.redirect_stderr(err):
            try:
                status = command.main(list(args))
            except SystemExit as e:
                status = e.code
        return status, out.getvalue(), err.getvalue()

    def test_the_newest_log_of_the_folder_is_the_run_s(self):
        from tarnreport import __main__ as command
        older = os.path.join(self.dir, "tarn-1101-0900.o")
        shutil.copy(self.log, older)
        os.utime(older, (1000, 1000))
        os.utime(self.log, (2000, 2000))
        self.assertEqual(command.find_log(self.dir), self.log)
        os.utime(older, (3000, 3000))
        self.assertEqual(command.find_log(self.dir), older)
        Path(self.dir, "tarn-notes.txt").write_text("not a log")
        Path(self.dir, "run.o").write_text("not a log")
        os.utime(os.path.join(self.dir, "run.o"), (4000, 4000))
        self.assertEqual(command.find_log(self.dir), older)

    def test_each_missing_piece_is_named(self):
        hbook_path = os.path.join(self.dir, "h763595.hbook")
        self.assertEqual(self.report(self.dir), (1, "", f"tarn-report: {hbook_path}: the histogram file the log names "
                                                        f"is not in {self.dir}\n"))
        self.assertEqual(self.report(self.log), (1, "", f"tarn-report: {self.log}: not a folder (give the folder of a "
                                                        "run, not one of its files)\n"))
        other = os.path.join(self.dir, "other.o")
        self.assertEqual(self.report(self.dir, "--log", other), (1, "", f"tarn-report: {other}: no such run log\n"))
        empty = os.path.join(self.dir, "empty")
        os.mkdir(empty)
        self.assertEqual(self.report(empty), (1, "", f"tarn-report: {empty}: no run log (tarn-MMDD-hhmm.o) in this "
                                                     "folder: is it the --output-dir of a run?\n"))

    def test_a_log_without_its_histogram_file_and_a_page_that_cannot_be_written(self):
        stopped = os.path.join(self.dir, "tarn-0101-0000.o")
        Path(stopped).write_text(" ranNo is       17\n sq.hbook: cannot be opened\n")
        os.utime(stopped, (10**10, 10**10))  # the newest log of the folder
        self.assertEqual(self.report(self.dir), (1, "", f"tarn-report: {stopped}: the log names no histogram file "
                                                        "(the run stopped early)\n"))
        os.remove(stopped)
        Path(self.dir, "h763595.hbook").write_bytes(b"")
        nowhere = os.path.join(self.dir, "no", "page.html")
        self.assertEqual(self.report(self.dir, "-o", nowhere),
                         (1, "", f"tarn-report: cannot write {nowhere}: the folder {os.path.dirname(nowhere)} does "
                                 "not exist\n"))
        # A page that fails half way leaves neither itself nor its partial file.
        from tarnreport import __main__ as command
        out = os.path.join(self.dir, "page.html")
        with self.assertRaises(UnicodeEncodeError):
            command.write(out, "a lone surrogate \udc80")
        self.assertEqual(sorted(os.listdir(self.dir)), ["h763595.hbook", "tarn-1102-1437.o"])
        command.write(out, "<p>ä</p>")
        self.assertEqual((Path(out).read_bytes(), os.path.exists(out + ".part")), ("<p>ä</p>".encode(), False))

    def test_options_that_do_not_go_together(self):
        status, out, err = self.report(self.dir, self.dir, "--log", self.log)
        self.assertEqual((status, out), (2, ""))
        self.assertIn("tarn-report: error: --log names the log of one run; for several, give their folders", err)
        status, out, err = self.report(self.dir, "--merged", self.log)
        self.assertEqual((status, out), (2, ""))
        self.assertIn("tarn-report: error: --merged is for the page of several runs", err)

    def test_the_default_pages_and_a_merged_file_not_there(self):
        # Histogram files that are there (not read: each check comes before the page).
        second = os.path.join(self.dir, "second")
        os.mkdir(second)
        shutil.copy(self.log, second)
        for folder in (self.dir, second):
            Path(folder, "h763595.hbook").write_bytes(b"")
        beside = os.path.join(self.dir, "tarn-1102-1437.html")
        Path(beside).write_text("mine")
        self.assertEqual(self.report(self.dir), (1, "", f"tarn-report: {beside} exists: give --force to replace it, "
                                                        "or -o another name\n"))
        merged = os.path.join(self.dir, "merged.hbook")
        self.assertEqual(self.report(self.dir, second, "--merged", merged),
                         (1, "", f"tarn-report: {merged}: no such merged histogram file\n"))
        cwd = os.getcwd()
        os.chdir(self.dir)
        try:
            Path("tarn-runs.html").write_text("mine")
            self.assertEqual(self.report(self.dir, second), (1, "", "tarn-report: tarn-runs.html exists: give --force "
                                                                    "to replace it, or -o another name\n"))
        finally:
            os.chdir(cwd)
        self.assertEqual(Path(beside).read_text(), "mine")

    def test_a_scan_with_no_point_done_makes_no_page(self):
        Path(self.dir, "scan.toml").write_text('command = "tarn scan"\nseed = 1\nevents = 10\ninput_dir = "."\n'
                                               'keys = ["cells.length"]\nunits = ["cm"]\n'
                                               '[[points]]\nfolder = "p1"\nsets = ["cells.length=30"]\n'
                                               'values = [30.0]\ndigest = "x"\n')
        status, out, err = self.report(self.dir)
        self.assertEqual((status, out, err), (1, "", f"tarn-report: {self.dir}: no point of the scan is done yet\n"))
        self.assertFalse(os.path.exists(os.path.join(self.dir, "scan.html")))
        Path(self.dir, "scan.toml").write_text("keys = [")
        status, _, err = self.report(self.dir)
        self.assertEqual(status, 1)
        self.assertTrue(err.startswith(f"tarn-report: {os.path.join(self.dir, 'scan.toml')}: not a scan's manifest: "),
                        err)


class PagesOfSeveralRuns(unittest.TestCase):
    """Two runs: the page of the two together (their added figures with
    errors, the detector histograms overlaid), with the merged file; the
    messages and the rule that a page is never replaced silently."""

    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.mkdtemp(prefix="tarn-report-runs-")
        shipped_inputs(cls.dir)
        cls.runs = []
        for seed in (1, 2):
            out = os.path.join(cls.dir, f"run{seed}")
            subprocess.run([os.environ["TARN_EXE"], "--events", "20000", "--seed", str(seed), "--output-dir", out],
                           cwd=cls.dir, check=True, capture_output=True)
            cls.runs.append(out)
        cls.merged = os.path.join(cls.dir, "merged.hbook")
        subprocess.run([os.environ["HBOOK_TOOL"], "merge", cls.merged, os.path.join(cls.runs[0], "h1.hbook"),
                        os.path.join(cls.runs[1], "h2.hbook")], check=True, capture_output=True)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.dir)

    def test_the_runs_added_with_their_errors_and_overlaid(self):
        out = os.path.join(self.dir, "two.html")
        Path(out).write_text("an earlier page")  # replaced, as --force asks
        result = subprocess.run([REPORT, *self.runs, "--merged", self.merged, "-o", out, "--force"],
                                capture_output=True, text=True)
        self.assertEqual((result.returncode, result.stdout), (0, out + "\n"), result.stderr)
        text = Path(out).read_text(encoding="utf-8")
        logs = [glob.glob(os.path.join(r, "tarn-*.o"))[0] for r in self.runs]
        summary = json.loads(subprocess.run([SUMMARY, "--json", *logs], check=True, capture_output=True,
                                            text=True).stdout)
        self.assertEqual(summary["counts"]["nEvents"], 40000)
        rows = figure_rows(text)
        self.assertEqual([(label, printed) for label, printed, _, _ in rows],
                         [(f["label"], f["printed"]) for f in summary["figures"]])
        self.assertIn("Figures of the 2 runs added together (40000 events)", text)
        overlays = re.findall(r'<figure id="o(\d+)"><svg class="panel"', text)
        self.assertEqual([int(i) for i in overlays], [i for i, _ in catalogue.GROUPS[2][3]])
        self.assertIn("seed 1", text)
        # The merged file's histograms in their groups.
        self.assertEqual([int(i) for i in re.findall(r'<figure id="h(\d+)">', text)], [100, 301] + catalogue.result_ids())
        self.assertEqual(re.findall(r'<section id="(\w+)"', text),
                         ["run", "beamline", "overlays", "inputs", "positions", "cells", "detector", "angles"])
        if browser.CHROMIUM:
            panels = browser.panel_texts(self, self.dir, text)
            self.assertEqual(browser.label_problems(panels), [])

    def test_the_python_binomial_estimates_are_the_summary_s(self):
        # One convention in both languages: tarnreport.binomial (scans, Python
        # callers) gives every figure of tarn-summary (the program's C++) from
        # the same counts, interval, "small" and text included.
        from tarnreport import binomial
        logs = [glob.glob(os.path.join(r, "tarn-*.o"))[0] for r in self.runs]
        summary = json.loads(subprocess.run([SUMMARY, "--json", *logs], check=True, capture_output=True,
                                            text=True).stdout)
        self.assertEqual((summary["small_count"], summary["interval"]), (binomial.SMALL_COUNT, binomial.INTERVAL))
        self.assertTrue(any(f["small"] for f in summary["figures"]))  # a 40000-event run has small counts
        for f in summary["figures"]:
            e = binomial.estimate(f["k"], f["n"])
            if f["count"]:
                e = binomial.scaled(e, f["n"])._replace(value=float(f["k"]))
            for name in ("value", "error", "low", "high"):
                self.assertAlmostEqual(getattr(e, name), f[name], delta=1e-12 * max(1.0, abs(f[name])),
                                       msg=(f["label"], name))
            self.assertEqual(e.small, f["small"], f["label"])
            self.assertEqual(binomial.with_error(e.value, e.error), f["text"], f["label"])

    def test_an_existing_page_is_kept_and_folders_are_checked(self):
        out = os.path.join(self.dir, "kept.html")
        Path(out).write_text("mine")
        result = subprocess.run([REPORT, self.runs[0], "-o", out], capture_output=True, text=True)
        self.assertEqual((result.returncode, result.stderr),
                         (1, f"tarn-report: {out} exists: give --force to replace it, or -o another name\n"))
        self.assertEqual(Path(out).read_text(), "mine")
        result = subprocess.run([REPORT, *self.runs, "-o", out], capture_output=True, text=True)
        self.assertEqual(result.returncode, 1)
        self.assertEqual(Path(out).read_text(), "mine")
        nowhere = os.path.join(self.dir, "no", "page.html")
        result = subprocess.run([REPORT, self.runs[0], "-o", nowhere], capture_output=True, text=True)
        self.assertEqual((result.returncode, result.stderr),
                         (1, f"tarn-report: cannot write {nowhere}: the folder {os.path.dirname(nowhere)} does not "
                             "exist\n"))
        result = subprocess.run([REPORT, self.runs[0], "--merged", self.merged], capture_output=True, text=True)
        self.assertEqual(result.returncode, 2)
        self.assertIn("--merged is for the page of several runs", result.stderr)


if __name__ == "__main__":
    unittest.main()

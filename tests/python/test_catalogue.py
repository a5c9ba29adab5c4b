"""The histogram catalogue is written once, in the run's
sim/transport/event/catalogue.h; the report page's catalogue
(tarnreport/catalogue.py) must describe exactly its histograms, each once,
and docs/histograms.md must be what scripts/make-histogram-docs.py makes of
the two."""
import os
import re
import runpy
import unittest
from pathlib import Path

import numpy as np

from tarnreport import catalogue

SOURCE = Path(os.environ["TARN_SOURCE_DIR"])
HEADER = SOURCE / "sim/transport/event/catalogue.h"


def read_header():
    text = HEADER.read_text(encoding="utf-8")
    ids = {name: int(value) for name, value in re.findall(r"constexpr std::int32_t (\w+) = (\d+);", text)}
    table = re.search(r"RESULT_HISTOGRAMS\[\] = \{(.*?)\n\};", text, re.S).group(1)
    rows = re.findall(r'\{hid::(\w+), "([^"]*)", (\d+), (-?[\d.]+)f, (-?[\d.]+)f, "([^"]*)"\}', table)
    return ids, rows


class Catalogue(unittest.TestCase):
    def setUp(self):
        self.ids, self.rows = read_header()

    def test_the_booking_table_books_44_histograms_once_each_by_name(self):
        self.assertEqual(len(self.rows), 44)
        booked = [self.ids[name] for name, *_ in self.rows]
        self.assertEqual(len(set(booked)), 44)
        inputs = {"SPECTRUM", "X_GRADIENT_1", "X_GRADIENT_2", "SQ", "SQ_COPY_UP", "SQ_COPY_DOWN"}
        on_request = {"DETECTED_NTUPLE", "ROTATION_VS_LAMBDA", "DET_IMAGE_RIGHT", "DET_IMAGE_LEFT"}
        self.assertEqual({name for name, *_ in self.rows}, set(self.ids) - inputs - on_request)
        # The objects of --ntuple: ids of their own, the 2-D ones in the package's bookings.
        requested = {self.ids[n] for n in on_request}
        self.assertEqual(len(requested), 4)
        self.assertFalse(requested & (set(booked) | {self.ids[n] for n in inputs}))
        self.assertEqual(sorted(catalogue.bookings_2d()), sorted(self.ids[n] for n in on_request - {"DETECTED_NTUPLE"}))
        self.assertEqual(catalogue.ntuple_id(), self.ids["DETECTED_NTUPLE"])

    def test_the_report_page_describes_each_result_histogram_once(self):
        described = catalogue.result_ids()
        self.assertEqual(len(described), len(set(described)))
        self.assertEqual(sorted(described), sorted(self.ids[name] for name, *_ in self.rows))

    def test_the_report_page_knows_the_inputs_and_the_working_copies(self):
        self.assertEqual([i for i, _ in catalogue.INPUTS], [self.ids["SPECTRUM"], self.ids["SQ"]])
        self.assertEqual(sorted(i for i, _ in catalogue.OTHERS),
                         sorted(self.ids[n] for n in ("X_GRADIENT_1", "X_GRADIENT_2", "SQ_COPY_UP", "SQ_COPY_DOWN")))


    def test_the_package_s_bookings_and_labels_are_the_run_s(self):
        # catalogue.json is made by the build from the header: the same rows.
        booked = catalogue.bookings()
        self.assertEqual(len(booked), 44)
        for name, title, bins, lower, upper, label in self.rows:
            b = booked[self.ids[name]]
            self.assertEqual((b["title"], b["bins"], b["lower"], b["upper"], b["label"]),
                             (title, int(bins), float(lower), float(upper), label))
            self.assertRegex(label, r"\S.* \((cm|mrad|rad|deg|meV|Å|b)\)$", name)  # what, with its unit
        self.assertEqual(len({b["label"] for b in booked.values()}), 44)  # no two alike

    def test_a_run_s_histogram_is_told_by_id_title_and_bins(self):
        import hbook
        h = hbook.H1(3005, "E (meV) DetB", 1000, 0.0, 40.0)
        self.assertTrue(catalogue.is_result(h))
        self.assertFalse(catalogue.is_result(hbook.H1(3005, "E (meV) DetB", 100, 0.0, 40.0)))
        self.assertFalse(catalogue.is_result(hbook.H1(3005, "energy", 1000, 0.0, 40.0)))
        self.assertEqual(catalogue.axis_labels(h, True), ("energy at the detector (meV)", "neutrons per bin"))
        self.assertIsNone(catalogue.axis_labels(h, False))

    def test_a_run_s_file_holds_at_least_half_of_the_result_histograms(self):
        import hbook
        booked = sorted(catalogue.bookings().items())
        results = [hbook.H1(id, b["title"], b["bins"], b["lower"], b["upper"]) for id, b in booked]
        half = len(results) // 2
        self.assertEqual(half, 22)
        self.assertTrue(catalogue.is_run_file(results[:half]))
        self.assertFalse(catalogue.is_run_file(results[:half - 1]))
        self.assertTrue(catalogue.is_run_file(results))
        renamed = [hbook.H1(h.id, "other", h.nx, h.xmin, h.xmax) for h in results[:half]]  # not as the run books them
        self.assertFalse(catalogue.is_run_file(renamed))

    def test_labels_need_every_mark_of_the_run_s_booking_and_the_top_directory(self):
        import hbook
        id, b = sorted(catalogue.bookings().items())[0]
        h = hbook.H1(id, b["title"], b["bins"], b["lower"], b["upper"])
        self.assertEqual(catalogue.axis_labels(h, True), (b["label"], catalogue.RESULT_CONTENTS))
        p = hbook.Profile(id, b["title"], b["bins"], b["lower"], b["upper"], 0, 1, sum_wy=np.zeros(b["bins"]),
                          sum_wy2=np.zeros(b["bins"]), sum_w=np.zeros(b["bins"]))
        self.assertFalse(catalogue.is_result(p))  # the same id, title and bins, but a profile
        self.assertIsNone(catalogue.axis_labels(p, True))
        h.directory = "/AA"
        self.assertIsNone(catalogue.axis_labels(h, True))
        h.directory = "/"
        self.assertIsNotNone(catalogue.axis_labels(h, True))
        booked = sorted(catalogue.bookings().items())
        below = [hbook.H1(i, r["title"], r["bins"], r["lower"], r["upper"]) for i, r in booked]
        for one in below:
            one.directory = "/RUN"
        self.assertFalse(catalogue.is_run_file(below))  # a run's histograms in a subdirectory
        # The inputs by their id alone.
        for id, label, contents in ((100, "wavelength (Å)", "fraction per bin"), (301, "q (1/Å)", "S(q)")):
            self.assertEqual(catalogue.axis_labels(hbook.H1(id, "any", 3, 0, 1), True), (label, contents))
        # A 2-D result: its id, kind, title and both numbers of bins.
        id, b = sorted(catalogue.bookings_2d().items())[0]
        def h2(nx=b["nx"], ny=b["ny"], title=b["title"]):
            return hbook.H2(id, title, nx, b["xmin"], b["xmax"], ny, b["ymin"], b["ymax"])
        self.assertEqual(catalogue.axis_labels(h2(), True), (b["xlabel"], catalogue.RESULT_CONTENTS))
        self.assertEqual(catalogue.y_label(h2(), True), b["ylabel"])
        self.assertIsNone(catalogue.y_label(h2(), False))
        for other in (h2(nx=b["nx"] + 1), h2(ny=b["ny"] + 1), h2(title="other")):
            self.assertIsNone(catalogue.axis_labels(other, True))
            self.assertIsNone(catalogue.y_label(other, True))
        self.assertIsNone(catalogue.axis_labels(hbook.H1(id, b["title"], b["nx"], 0, 1), True))  # 1-D with its id
        from types import SimpleNamespace
        alike = SimpleNamespace(id=id, title=b["title"], nx=b["nx"], ny=b["ny"], kind="row-wise ntuple", directory="/")
        self.assertIsNone(catalogue.y_label(alike, True))  # every number alike, but not a 2-D histogram
        moved = h2()
        moved.directory = "/AA"
        self.assertIsNone(catalogue.y_label(moved, True))
        self.assertIsNone(catalogue.y_label(h, True))  # a 1-D result has no y

    def test_docs_histograms_md_is_made_from_the_catalogue(self):
        maker = runpy.run_path(str(SOURCE / "scripts/make-histogram-docs.py"), run_name="make_histogram_docs")
        written = (SOURCE / "docs/histograms.md").read_text(encoding="utf-8")
        self.assertEqual(written, maker["document"](),
                         "docs/histograms.md is out of date: python3 scripts/make-histogram-docs.py")


if __name__ == "__main__":
    unittest.main()

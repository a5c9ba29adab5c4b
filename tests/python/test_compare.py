"""hbook diff and hbook.compare: the chi-square and Kolmogorov-Smirnov tests
against SciPy's own functions on the same data (chi2_contingency on the
2 x bins table, ks_2samp on the samples), the weighted form by hand and by
the uniformity of its p-values, profiles, and the command's lines and exit
statuses (also through the C++ tool)."""
import contextlib
import io
import os
import shutil
import subprocess
import tempfile
import unittest

import numpy as np
from scipy import stats

import hbook
from hbook import compare, diff

DATA = os.path.join(os.environ["TARN_TEST_DATA"], "hbook")
EDGES = np.linspace(0.0, 10.0, 41)


def histogram(samples, id=1, title="sample", weights=None, sumw2=False):
    counts, _ = np.histogram(samples, bins=EDGES, weights=weights)
    squares = np.histogram(samples, bins=EDGES, weights=weights ** 2)[0] if sumw2 else None
    return hbook.H1(id, title, len(EDGES) - 1, EDGES[0], EDGES[-1], counts, sumw2=squares, entries=len(samples))


def profile(means, errors, sum_w):
    """A profile as the comparison sees it: per bin its mean, error and sum of
    weights (set directly, not derived from sums)."""
    p = hbook.Profile.__new__(hbook.Profile)
    p.id, p.title, p.nx, p.xmin, p.xmax, p.entries = 5, "p", len(means), 0.0, 1.0, int(np.sum(sum_w))
    p.means, p.errors, p.sum_w = (np.asarray(a, dtype=np.float32) for a in (means, errors, sum_w))
    from hbook import binning
    p.edges = binning.edges(p.nx, 0.0, 1.0)
    return p


class Tests(unittest.TestCase):
    def test_chi_square_is_scipy_s_contingency_test_of_the_two_rows(self):
        rng = np.random.default_rng(11)
        for n1, n2, shift in ((2000, 3000, 0.0), (500, 4000, 0.3), (80, 90, 0.0)):
            x1, x2 = rng.normal(5, 1.5, n1), rng.normal(5 + shift, 1.5, n2)
            a, b = histogram(x1), histogram(x2)
            r = compare.chi2_test(a, b)
            table = np.array([a.contents, b.contents], dtype=float)
            table = table[:, table.sum(axis=0) > 0]
            expected = stats.chi2_contingency(table, correction=False)
            self.assertAlmostEqual(r.chi2, expected.statistic, delta=1e-9 * expected.statistic)
            self.assertEqual(r.ndf, expected.dof)
            self.assertAlmostEqual(r.p, expected.pvalue, delta=1e-12)
            self.assertEqual(r.form, "unweighted")

    def test_ks_is_scipy_s_two_sample_test_of_the_binned_samples(self):
        rng = np.random.default_rng(12)
        centres = 0.5 * (EDGES[:-1] + EDGES[1:])
        for n1, n2, shift in ((3000, 2000, 0.0), (3000, 2000, 0.2), (40, 70, 0.0)):
            a = histogram(rng.normal(5, 2, n1))
            b = histogram(rng.normal(5 + shift, 2, n2))
            k = compare.ks_test(a, b)
            # The same distributions as samples at the bin centres: the
            # statistic and the asymptotic p-value from SciPy.
            s1, s2 = np.repeat(centres, a.contents.astype(int)), np.repeat(centres, b.contents.astype(int))
            expected = stats.ks_2samp(s1, s2, method="asymp")
            self.assertAlmostEqual(k.statistic, expected.statistic, delta=1e-12)
            self.assertAlmostEqual(k.p, expected.pvalue, delta=1e-9)
        self.assertLess(compare.ks_test(histogram(rng.normal(5, 2, 3000)), histogram(rng.normal(5.6, 2, 3000))).p,
                        1e-6)

    def test_weighted_form_by_hand_and_its_p_values_uniform(self):
        # Three bins, worked out on paper: W1 = 6, W2 = 12.
        a = hbook.H1(1, "a", 3, 0, 3, [1.0, 2.0, 3.0], sumw2=[1.0, 2.0, 4.0])
        b = hbook.H1(1, "b", 3, 0, 3, [2.0, 5.0, 5.0], sumw2=[2.0, 6.0, 5.0])
        terms = [(6 * 2 - 12 * 1) ** 2 / (36 * 2 + 144 * 1), (6 * 5 - 12 * 2) ** 2 / (36 * 6 + 144 * 2),
                 (6 * 5 - 12 * 3) ** 2 / (36 * 5 + 144 * 4)]
        r = compare.chi2_test(a, b)
        self.assertEqual((r.form, r.ndf), ("weighted", 2))
        self.assertAlmostEqual(r.chi2, sum(terms), places=12)
        # Pairs of weighted samples of one distribution: p-values uniform
        # (Kolmogorov-Smirnov of 400 p-values against the uniform, p > 0.01).
        rng = np.random.default_rng(13)
        ps = []
        for _ in range(400):
            x1, x2 = rng.exponential(3, 2000), rng.exponential(3, 3000)
            w1, w2 = rng.uniform(0.5, 1.5, 2000), rng.gamma(2.0, 0.5, 3000)
            ps.append(compare.chi2_test(histogram(x1, weights=w1, sumw2=True),
                                        histogram(x2, weights=w2, sumw2=True)).p)
        self.assertGreater(stats.kstest(ps, "uniform").pvalue, 0.01)
        # ... and a shape that differs is seen.
        x2 = rng.exponential(4.0, 5000)
        w2 = rng.gamma(2.0, 0.5, 5000)
        self.assertLess(compare.chi2_test(histogram(rng.exponential(3, 5000), weights=rng.uniform(0.5, 1.5, 5000),
                                                    sumw2=True), histogram(x2, weights=w2, sumw2=True)).p, 1e-4)

    def test_weighted_bins_with_squared_weights_but_no_net_content_are_used(self):
        # Bin 3 holds weights that cancel (net 0, squared weights 2 and 3):
        # it counts as a bin; bin 4 holds nothing in either and does not.
        a = hbook.H1(1, "a", 4, 0, 4, [1.0, 2.0, 0.0, 0.0], sumw2=[1.0, 2.0, 2.0, 0.0])
        b = hbook.H1(1, "b", 4, 0, 4, [2.0, 5.0, 0.0, 0.0], sumw2=[2.0, 6.0, 3.0, 0.0])
        r = compare.chi2_test(a, b)
        self.assertEqual((r.form, r.bins, r.ndf), ("weighted", 3, 2))
        terms = [(3 * 2 - 7 * 1) ** 2 / (9 * 2 + 49 * 1), (3 * 5 - 7 * 2) ** 2 / (9 * 6 + 49 * 2), 0.0]
        self.assertAlmostEqual(r.chi2, sum(terms), places=12)

    def test_profiles_compare_their_means(self):
        rng = np.random.default_rng(14)
        errors = rng.uniform(0.5, 2.0, (2, 30))
        means = 3.0 + errors * rng.normal(size=(2, 30))
        sum_w = np.full(30, 10.0)
        sum_w_b = sum_w.copy()
        sum_w_b[4] = 0  # a bin without fills in one: left out
        r = compare.chi2_test(profile(means[0], errors[0], sum_w), profile(means[1], errors[1], sum_w_b))
        keep = sum_w_b > 0
        e1, e2 = errors[0].astype(np.float32).astype(float), errors[1].astype(np.float32).astype(float)
        m1, m2 = means[0].astype(np.float32).astype(float), means[1].astype(np.float32).astype(float)
        expected = np.sum(((m1 - m2) ** 2 / (e1 ** 2 + e2 ** 2))[keep])
        self.assertEqual((r.form, r.ndf), ("profile means", 29))
        self.assertAlmostEqual(r.chi2, expected, places=9)
        self.assertAlmostEqual(r.p, stats.chi2.sf(expected, 29), places=12)
        # A bin with no error in either and the same mean adds nothing; with
        # different means it cannot be compared.
        e = errors.copy()
        e[:, 7] = 0.0
        m = means.copy()
        m[1, 7] = m[0, 7]
        r0 = compare.chi2_test(profile(m[0], e[0], sum_w), profile(m[1], e[1], sum_w))
        self.assertEqual(r0.ndf, 30)
        m[1, 7] += 1.0
        with self.assertRaises(compare.NotComparable):
            compare.chi2_test(profile(m[0], e[0], sum_w), profile(m[1], e[1], sum_w))

    def test_ks_of_weighted_histograms_counts_their_effective_entries(self):
        # Weights of 4: the sums are 4 n, the effective entries n (sum w)^2 / sum w^2.
        rng = np.random.default_rng(3)
        a, b = rng.normal(5, 1, 400), rng.normal(5, 1, 900)
        ha = histogram(a, weights=np.full(400, 4.0), sumw2=True)
        hb = histogram(b, weights=np.full(900, 4.0), sumw2=True)
        r = compare.ks_test(ha, hb)
        self.assertAlmostEqual(r.n, 400 * 900 / 1300, places=9)

    def test_what_cannot_be_compared_says_why(self):
        f = hbook.open(os.path.join(DATA, "golden-run.hbook"))
        cases = ((f[100], f[100], "running sum"), (f[3005], f[3001], "binnings differ"),
                 (hbook.H1(1, "e", 40, 0, 10), histogram([1.0, 2.0]), "no entries"))
        for a, b, words in cases:
            with self.assertRaises(compare.NotComparable) as caught:
                compare.compare(a, b)
            self.assertIn(words, str(caught.exception))
        cwn = hbook.open(os.path.join(DATA, "objects/cwn.hbook"))[10]
        with self.assertRaises(compare.NotComparable):
            compare.compare(cwn, cwn)
        h2 = hbook.open(os.path.join(DATA, "objects/h2.hbook"))[12]
        same = compare.compare(h2, h2)
        self.assertEqual((same.chi2.chi2, same.chi2.p, same.ks), (0.0, 1.0, None))


class Refusals(unittest.TestCase):
    """Each condition of what the tests take, on its own, with its words."""

    def refused(self, test, a, b):
        with self.assertRaises(compare.NotComparable) as caught:
            test(a, b)
        return str(caught.exception)

    def test_a_p_value_at_the_level_agrees(self):
        self.assertEqual(compare.DEFAULT_LEVEL, 0.001)
        r = compare.Chi2Result(1.0, 1, 0.001, "unweighted", 2)
        self.assertEqual((r.agrees(), r.agrees(0.001), r.agrees(0.0011)), (True, True, False))
        k = compare.KSResult(0.1, 0.002, 10.0)
        self.assertEqual((k.agrees(0.002), k.agrees(0.0021)), (True, False))
        for chi2_p, ks_p in ((0.5, 0.002), (0.002, 0.5)):  # the smaller of the two, whichever it is
            c = compare.Comparison(compare.Chi2Result(1.0, 1, chi2_p, "unweighted", 2), compare.KSResult(0.1, ks_p, 10.0))
            self.assertEqual((c.p, c.agrees(0.002), c.agrees(0.0021)), (0.002, True, False))
        c = compare.Comparison(compare.Chi2Result(1.0, 1, 0.3, "profile means", 1))
        self.assertEqual((c.p, c.agrees(0.3), c.agrees(0.31)), (0.3, True, False))

    def test_no_entries_in_range_says_in_which(self):
        empty, full = hbook.H1(1, "e", 40, 0, 10), histogram([1.0, 2.0])
        negative = hbook.H1(1, "n", 40, 0, 10, np.r_[-1.0, np.zeros(39)])
        for a, b, where in ((empty, full, "the first"), (full, empty, "the second"), (empty, empty, "either"),
                            (negative, full, "the first"), (full, negative, "the second")):
            self.assertEqual(self.refused(compare.chi2_test, a, b), "no entries in range in " + where)
            self.assertEqual(self.refused(compare.ks_test, a, b), "no entries in range")
        one = hbook.H1(1, "", 40, 0, 10, np.r_[0.5, np.zeros(39)])  # some entries, if less than one
        self.assertEqual(compare.chi2_test(one, full).form, "unweighted")

    def test_kinds_running_sums_and_binnings(self):
        f = hbook.open(os.path.join(DATA, "golden-run.hbook"))
        h2 = hbook.open(os.path.join(DATA, "objects/h2.hbook"))[12]
        rwn = hbook.open(os.path.join(DATA, "objects/rwn.hbook"))[3]
        h = histogram([1.0, 2.0])
        self.assertEqual(self.refused(compare.compare, rwn, h), "row-wise ntuples are not compared (only histograms and profiles)")
        self.assertEqual(self.refused(compare.compare, h, rwn), "row-wise ntuples are not compared (only histograms and profiles)")
        running = "a running sum of the sampler (entries -1), not a distribution"
        summed = hbook.H1(1, "", 40, 0, 10, np.linspace(0, 1, 40), entries=-1)
        self.assertEqual(self.refused(compare.compare, h, summed), running)
        self.assertEqual(self.refused(compare.compare, summed, h), running)
        self.assertEqual(self.refused(compare.compare, f[100], f[100]), running)
        self.assertEqual(self.refused(compare.chi2_test, h, h2), "a 1-D histogram and a 2-D histogram")
        self.assertEqual(self.refused(compare.chi2_test, h2, h), "a 2-D histogram and a 1-D histogram")
        self.assertEqual(self.refused(compare.ks_test, h2, h2), "the Kolmogorov-Smirnov test is made for 1-D histograms, "
                                                                "not a 2-D histogram")
        wider = hbook.H1(1, "", 40, 0, 10.5, h.contents)
        self.assertEqual(self.refused(compare.chi2_test, h, wider), "the binnings differ")
        a = hbook.H2(2, "", 3, 0, 3, 2, 0, 2, np.ones((2, 3)))
        self.assertEqual(compare.chi2_test(a, hbook.H2(2, "", 3, 0, 3, 2, 0, 2, np.ones((2, 3)))).chi2, 0.0)
        self.assertEqual(self.refused(compare.chi2_test, a, hbook.H2(2, "", 3, 0, 3, 2, 0, 3, np.ones((2, 3)))),
                         "the binnings differ")  # y only
        self.assertEqual(self.refused(compare.chi2_test, a, hbook.H2(2, "", 3, 0, 4, 2, 0, 2, np.ones((2, 3)))),
                         "the binnings differ")  # x only

    def test_one_stored_sum_of_squares_makes_the_weighted_form(self):
        weighted = hbook.H1(1, "a", 3, 0, 3, [1.0, 2.0, 3.0], sumw2=[1.0, 2.0, 4.0])
        counts = hbook.H1(1, "b", 3, 0, 3, [2.0, 5.0, 5.0])  # s^2 = n
        terms = [(6 * 2 - 12 * 1) ** 2 / (36 * 2 + 144 * 1), (6 * 5 - 12 * 2) ** 2 / (36 * 5 + 144 * 2),
                 (6 * 5 - 12 * 3) ** 2 / (36 * 5 + 144 * 4)]
        r = compare.chi2_test(weighted, counts)
        self.assertEqual((r.form, r.ndf), ("weighted", 2))
        self.assertAlmostEqual(r.chi2, sum(terms), places=12)
        r = compare.chi2_test(counts, weighted)
        self.assertEqual((r.form, r.ndf), ("weighted", 2))
        self.assertAlmostEqual(r.chi2, sum(terms), places=12)

    def test_one_bin_used_has_no_degrees_of_freedom_and_p_one(self):
        a = hbook.H1(1, "", 3, 0, 3, [5.0, 0.0, 0.0])
        b = hbook.H1(1, "", 3, 0, 3, [3.0, 0.0, 0.0])
        r = compare.chi2_test(a, b)
        self.assertEqual((r.chi2, r.ndf, r.p, r.bins), (0.0, 0, 1.0, 1))
        r = compare.chi2_test(a, hbook.H1(1, "", 3, 0, 3, [3.0, 1.0, 0.0]))
        self.assertEqual((r.ndf, r.bins), (1, 2))
        self.assertAlmostEqual(r.p, stats.chi2.sf(r.chi2, 1), places=14)

    def test_ks_takes_at_least_one_entry_for_its_p_value(self):
        # Heavy weights: (sum w)^2 / sum w^2 is 1/100 in each, 1/200 together; the p-value is that of one entry.
        a = hbook.H1(1, "", 2, 0, 2, [1.0, 0.0], sumw2=[100.0, 0.0])
        b = hbook.H1(1, "", 2, 0, 2, [0.0, 1.0], sumw2=[0.0, 100.0])
        k = compare.ks_test(a, b)
        self.assertAlmostEqual(k.n, 0.005, places=15)
        self.assertEqual((k.statistic, k.p), (1.0, float(stats.kstwo.sf(1.0, 1))))
        # 30 and 80 entries: 21.8 effective, the p-value of the nearest whole number, 22.
        k = compare.ks_test(histogram(np.full(30, 1.0)), histogram(np.r_[np.full(30, 1.0), np.full(50, 9.0)]))
        self.assertAlmostEqual(k.n, 30 * 80 / 110, places=12)
        self.assertEqual(k.p, float(stats.kstwo.sf(k.statistic, 22)))

    def test_profiles_need_a_bin_filled_in_both(self):
        a = profile([1.0, 2.0], [0.1, 0.1], [1.0, 0.0])
        b = profile([1.0, 2.0], [0.1, 0.1], [0.0, 1.0])
        self.assertEqual(self.refused(compare.chi2_test, a, b), "no bin is filled in both")
        r = compare.chi2_test(a, profile([1.5, 2.0], [0.1, 0.1], [1.0, 1.0]))
        self.assertEqual((r.ndf, r.form), (1, "profile means"))
        self.assertAlmostEqual(r.chi2, 0.5 ** 2 / (2 * float(np.float32(0.1)) ** 2), places=6)
        same = profile([1.0, 2.0], [0.0, 0.1], [1.0, 1.0])
        self.assertEqual(self.refused(compare.chi2_test, same, profile([1.5, 2.0], [0.0, 0.1], [1.0, 1.0])),
                         "means differ in a bin where both errors are zero")
        self.assertEqual(compare.chi2_test(same, profile([1.5, 2.0], [0.1, 0.1], [1.0, 1.0])).ndf, 2)  # one error


class Command(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.mkdtemp(prefix="tarn-diff-")
        rng = np.random.default_rng(15)
        same = lambda: rng.normal(5, 1.5, 4000)  # noqa: E731
        a = [histogram(same(), 1), histogram(same(), 2), histogram(rng.normal(5, 1.5, 4000), 3),
             histogram(same(), 4)]
        b = [histogram(same(), 1), histogram(same(), 2), histogram(rng.normal(5.5, 1.5, 4000), 3),
             histogram(same(), 5)]
        cls.a, cls.b = os.path.join(cls.dir, "a.hbook"), os.path.join(cls.dir, "b.hbook")
        hbook.write(cls.a, a)
        hbook.write(cls.b, b)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.dir)

    def run_diff(self, *args):
        out = io.StringIO()
        a, b = hbook.open(self.a), hbook.open(self.b)
        status = diff.diff(a, b, diff._wanted(args), diff.DEFAULT_LEVEL, out)
        return status, out.getvalue()

    def test_lines_summary_and_status(self):
        status, text = self.run_diff()
        self.assertEqual(status, 1)
        lines = text.splitlines()
        rows = {line.split()[0]: line for line in lines[3:] if " 1-D " in line}
        self.assertTrue(rows["1"].endswith("agree") and rows["2"].endswith("agree"), text)
        self.assertTrue(rows["3"].endswith("DIFFER"), text)
        r = compare.compare(hbook.open(self.a)[1], hbook.open(self.b)[1])
        self.assertIn(f"{r.chi2.chi2:.4g} / {r.chi2.ndf}", rows["1"])
        self.assertIn("only in A: 4", text)
        self.assertIn("only in B: 5", text)
        self.assertEqual(lines[-1], "3 compared at the 0.001 level: 2 agree, 1 does not (3); 1 only in A, 1 only in B")
        self.assertEqual(self.run_diff("1", "2")[0], 0)
        self.assertEqual(self.run_diff("1", "4")[0], 1)  # asked for, and in one file only

    def test_p_values_are_written_to_three_figures_above_a_thousandth_and_zero_as_it_is(self):
        self.assertEqual(diff._p(0.0), "0")
        self.assertEqual(diff._p(1e-3), "0.001")
        self.assertEqual(diff._p(9.99e-4), "9.99e-04")
        self.assertEqual(diff._p(0.5), "0.5")

    def test_every_list_and_the_summary_s_words(self):
        other = os.path.join(self.dir, "kinds.hbook")
        hbook.write(other, [histogram(np.full(10, 5.0), 1), hbook.H2(2, "", 3, 0, 3, 2, 0, 2, np.ones((2, 3))),
                            hbook.Directory("/D", [], [histogram(np.full(10, 5.0), 1)])])
        a, b = hbook.open(self.a), hbook.open(other)
        out = io.StringIO()
        status = diff.diff(a, b, diff._wanted(["1", "2", "/D/1", "9"]), 0.5, out)
        lines = out.getvalue().splitlines()
        self.assertEqual(status, 1)
        self.assertEqual(lines[:3], [f"A = {self.a}", f"B = {other}", diff.HEADER])
        self.assertTrue(lines[3].startswith(f"{'1':>10}  {'1-D':<8}{40:>6}{4000:>11}{10:>11}  "), lines[3])
        self.assertTrue(lines[3].endswith("  DIFFER"), lines[3])
        self.assertEqual(lines[4:], [f"{'2':>10}  not compared: a 1-D histogram and a 2-D histogram",
                                     "only in B: /D/1", "in neither file: 9",
                                     "1 compared at the 0.5 level: 0 agree, 1 does not (1); 1 not compared; "
                                     "0 only in A, 1 only in B, 1 in neither"])
        out = io.StringIO()
        self.assertEqual(diff.diff(b, b, [], diff.DEFAULT_LEVEL, out), 0)
        lines = out.getvalue().splitlines()
        self.assertEqual(lines[-1], "3 compared at the 0.001 level: 3 agree, 0 do not")
        self.assertTrue(lines[4].startswith(f"{'2':>10}  {'2-D':<8}{6:>6}{6:>11}{6:>11}  "), lines[4])
        self.assertTrue(lines[5].startswith(f"{'/D/1':>10}  {'1-D':<8}"), lines[5])
        out = io.StringIO()
        self.assertEqual(diff.diff(a, b, diff._wanted(["/D/1"]), diff.DEFAULT_LEVEL, out), 1)
        self.assertEqual(out.getvalue().splitlines()[-2:], ["only in B: /D/1",
                                                            "0 compared at the 0.001 level: 0 agree, 0 do not; "
                                                            "0 only in A, 1 only in B"])
        out = io.StringIO()
        self.assertEqual(diff.diff(b, a, diff._wanted(["/D/1"]), diff.DEFAULT_LEVEL, out), 1)
        self.assertEqual(out.getvalue().splitlines()[-2], "only in A: /D/1")
        out = io.StringIO()  # an id in neither file, all else agreeing
        self.assertEqual(diff.diff(b, b, diff._wanted(["1", "9"]), diff.DEFAULT_LEVEL, out), 1)
        self.assertEqual(out.getvalue().splitlines()[-2:], ["in neither file: 9",
                                                            "1 compared at the 0.001 level: 1 agree, 0 do not; "
                                                            "0 only in A, 0 only in B, 1 in neither"])
        p = profile([1.0, 2.0], [0.1, 0.1], [1.0, 1.0])
        self.assertEqual((diff._kind(p), diff._bins(p)), ("profile", 2))

    def test_the_level_is_a_probability_strictly_between_0_and_1(self):
        import argparse
        self.assertEqual([diff.level(t) for t in ("1e-300", "0.5", "0.999999")], [1e-300, 0.5, 0.999999])
        for text, message in (("0", "the level is a probability between 0 and 1, not 0"),
                              ("1", "the level is a probability between 0 and 1, not 1"),
                              ("-0.1", "the level is a probability between 0 and 1, not -0.1"),
                              ("1.5", "the level is a probability between 0 and 1, not 1.5"),
                              ("p", "not a number: 'p'")):
            with self.assertRaises(argparse.ArgumentTypeError) as raised:
                diff.level(text)
            self.assertEqual(str(raised.exception), message)
        err = io.StringIO()
        with contextlib.redirect_stderr(err):
            status = diff.main([self.a, os.path.join(self.dir, "none.hbook")])
        self.assertEqual(status, 2)
        self.assertTrue(err.getvalue().startswith("hbook diff: ") and "none.hbook" in err.getvalue(), err.getvalue())

    def test_through_the_tool(self):
        tool = os.environ["HBOOK_TOOL"]
        run = lambda *a: subprocess.run([tool, "diff", *a], capture_output=True, text=True)  # noqa: E731
        same = run(self.a, self.a)
        self.assertEqual(same.returncode, 0, same.stderr)
        self.assertTrue(same.stdout.splitlines()[-1].startswith("4 compared at the 0.001 level: 4 agree, 0 do not"))
        self.assertEqual(run(self.a, self.b, "2").returncode, 0)
        self.assertEqual(run(self.a, self.b, "3", "--level", "1e-30").returncode, 1)
        for args, words in (([self.a], "required"), ([self.a, self.b, "x"], "not an object id"),
                            ([self.a, self.b, "--level", "2"], "between 0 and 1"),
                            ([self.a, os.path.join(self.dir, "none.hbook")], "none.hbook")):
            result = run(*args)
            self.assertEqual(result.returncode, 2, args)
            self.assertIn(words, result.stderr)


if __name__ == "__main__":
    unittest.main()

"""hbook fit: fits of histograms filled from known distributions (fixed
seeds): the fitted values within their errors of the truth, the pulls of
many fits of unit width (least squares and likelihood), chi-square
following its distribution, exact answers where the model is exact, the
refusals, and the command with its plot (also through the C++ tool)."""
import io
import os
import shutil
import subprocess
import tempfile
import unittest

import numpy as np
from scipy import stats

import hbook
import images
from hbook import fit

EDGES = np.linspace(0.0, 10.0, 51)


def filled(samples, edges=EDGES, id=1):
    counts, _ = np.histogram(samples, bins=edges)
    return hbook.H1(id, "known", len(edges) - 1, edges[0], edges[-1], counts, entries=len(samples))


def pulls(rng, repeats, make, model, parameter, truth, **options):
    values = []
    for _ in range(repeats):
        r = fit.fit(make(rng), model, **options)
        value, error = r[parameter]
        values.append((value - truth) / error)
    return np.array(values)


class Fits(unittest.TestCase):
    def test_gauss_mean_and_width_within_their_errors(self):
        rng = np.random.default_rng(21)
        h = filled(rng.normal(4.3, 0.8, 20000))
        for likelihood in (False, True):
            r = fit.fit(h, "gauss", likelihood=likelihood)
            self.assertLess(abs(r["mean"][0] - 4.3), 3 * r["mean"][1], r)
            self.assertLess(abs(r["sigma"][0] - 0.8), 3 * r["sigma"][1], r)
            # constant = N width / (sqrt(2 pi) sigma): the height in entries per bin.
            self.assertLess(abs(r["constant"][0] - 20000 * 0.2 / (np.sqrt(2 * np.pi) * 0.8)), 4 * r["constant"][1])
            self.assertEqual(r.ndf, r.used - 3)
            self.assertTrue(np.allclose(r.covariance, r.covariance.T))
            self.assertTrue(np.allclose(np.diag(r.covariance), r.errors ** 2))

    def test_pulls_of_many_fits_have_unit_width(self):
        # 300 fits each: the pull (fit - truth) / error has width 1 within
        # 0.1 (its standard error is 0.04) and mean 0 within 0.15 (0.06),
        # where the method is unbiased; the likelihood's sigma is biased low
        # by about 1 / sqrt(2 N) in pull units, allowed for with 0.2.
        rng = np.random.default_rng(22)

        def gauss(r):  # well-filled bins: at least some 50 entries in 3..7
            return filled(r.normal(5.0, 1.0, 5000))

        def sparse(r):  # a few entries per bin, zeros among them: where the likelihood is the right tool
            return filled(r.normal(5.0, 1.0, 400))

        def expo(r):
            return filled(r.exponential(2.5, 3000))
        cases = ((gauss, "gauss", "mean", 5.0, {"range": (3.0, 7.0)}, 0.15),
                 (gauss, "gauss", "sigma", 1.0, {"range": (3.0, 7.0)}, None),
                 (sparse, "gauss", "mean", 5.0, {"likelihood": True}, 0.15),
                 (sparse, "gauss", "sigma", 1.0, {"likelihood": True}, 0.2),
                 (expo, "expo", "slope", -1 / 2.5, {"likelihood": True, "range": (0.0, 8.0)}, 0.15))
        for make, model, parameter, truth, options, bias in cases:
            p = pulls(rng, 300, make, model, parameter, truth, **options)
            with self.subTest(model=model, parameter=parameter, options=options):
                self.assertLess(abs(p.std() - 1.0), 0.1)
                if bias is not None:
                    self.assertLess(abs(p.mean()), bias)

    def test_least_squares_with_sqrt_n_errors_pulls_a_width_low_and_the_likelihood_does_not(self):
        # Weights 1 / N favour bins that fluctuated low: the least-squares
        # sigma comes out low even with some 50 entries a bin (the reason
        # the documentation points to --likelihood); the likelihood of the
        # same histograms is unbiased to within its 1 / (2N).
        rng = np.random.default_rng(26)
        lsq, ml = [], []
        for _ in range(200):
            h = filled(rng.normal(5.0, 1.0, 5000))
            for out, likelihood in ((lsq, False), (ml, True)):
                value, error = fit.fit(h, "gauss", range=(3.0, 7.0), likelihood=likelihood)["sigma"]
                out.append((value - 1.0) / error)
        self.assertLess(np.mean(lsq), -0.1)
        self.assertLess(abs(np.mean(ml)), 0.15)

    def test_exact_models_give_exact_answers(self):
        # Contents that are a polynomial's averages over the bins: the fit
        # finds its coefficients, chi-square zero.
        edges = np.linspace(-2.0, 3.0, 26)
        lo, hi = edges[:-1], edges[1:]
        p = [40.0, -3.0, 2.0, 0.5]
        means = sum(c * (hi ** (i + 1) - lo ** (i + 1)) / ((i + 1) * (hi - lo)) for i, c in enumerate(p))
        h = hbook.H1(2, "poly", 25, -2.0, 3.0, means)
        r = fit.fit(h, "poly3")
        np.testing.assert_allclose(r.values, p, rtol=1e-5, atol=1e-5)
        self.assertLess(r.chi2, 1e-6)
        # gauss+poly1 on a peak over a slope, from its own averages.
        g = np.array([150.0, 5.0, 0.6, 20.0, 2.0])
        model = fit.model("gauss+poly1")
        h = hbook.H1(3, "peak", 50, 0, 10, model.mean(g, EDGES[:-1], EDGES[1:]))
        np.testing.assert_allclose(fit.fit(h, "gauss+poly1").values, g, rtol=1e-4)

    def test_expo_bin_average_at_a_slope_near_zero(self):
        # Below |slope * width| = 1e-8 the average is exp(a + slope lo) (1 + u/2),
        # the series of expm1(u) / u, which meets it at the switch.
        model = fit.model("expo")
        lo, hi = np.array([0.0]), np.array([1.0])
        for u in (1e-9, 5e-9):
            self.assertAlmostEqual(float(model.mean([0.0, u], lo, hi)[0]), np.expm1(u) / u, places=15)

    def test_range_zeros_and_refusals(self):
        rng = np.random.default_rng(24)
        h = filled(rng.normal(5.0, 0.5, 400))
        r = fit.fit(h, "gauss", range=(3.0, 7.0))
        self.assertEqual((r.bins, r.low, r.high), (20, 3.0, 7.0))
        self.assertEqual(r.used, int(np.count_nonzero(h.contents[15:35])))
        self.assertEqual(fit.fit(h, "gauss", range=(3.0, 7.0), likelihood=True).used, 20)
        weighted = hbook.H1(4, "w", 50, 0, 10, h.contents, sumw2=h.contents * 2)
        with self.assertRaisesRegex(fit.FitError, "sums of squared weights"):
            fit.fit(weighted, "gauss", likelihood=True)
        # A stored sum of squares is each bin's variance: errors larger by sqrt 2.
        np.testing.assert_allclose(fit.fit(weighted, "gauss").errors, np.sqrt(2) * fit.fit(h, "gauss").errors,
                                   rtol=1e-6)
        for args, words in (((h, "gauss", (7.0, 3.0)), "empty"), ((h, "gauss", (20.0, 30.0)), "no bin"),
                            ((h, "cauchy", None), "unknown model"),
                            ((hbook.H1(5, "s", 4, 0, 4, [0.1, 0.3, 0.6, 1.0], entries=-1), "gauss", None),
                             "running sum")):
            with self.assertRaisesRegex(fit.FitError, words):
                fit.fit(args[0], args[1], range=args[2])


class Bounds(unittest.TestCase):
    """The range's ends, the bins each model needs, and the refusals' words,
    on histograms of unit bins (centres 0.5 .. 7.5, exact in binary)."""

    def unit(self, contents, **options):
        return hbook.H1(3, "unit", len(contents), 0, len(contents), contents, **options)

    def refused(self, words, *args, **options):
        with self.assertRaises(fit.FitError) as raised:
            fit.fit(*args, **options)
        self.assertEqual(str(raised.exception), words)

    def test_the_range_takes_the_bins_whose_centres_lie_in_it_ends_included(self):
        h = self.unit([1, 3, 8, 15, 17, 9, 4, 1])
        r = fit.fit(h, "gauss", range=(2.5, 5.5))
        self.assertEqual((r.bins, r.used, r.low, r.high), (4, 4, 2.0, 6.0))
        r = fit.fit(h, "poly0", range=(1.5, 5.5))
        self.assertEqual((r.bins, r.low, r.high), (5, 1.0, 6.0))
        r = fit.fit(h, "poly0", range=(1.5000001, 5.4999999))
        self.assertEqual((r.bins, r.low, r.high), (3, 2.0, 5.0))
        self.refused("the range 3 to 3 is empty", h, "gauss", range=(3.0, 3.0))
        self.refused("the range 4 to 3 is empty", h, "gauss", range=(4.0, 3.0))
        self.refused("no bin has its centre in the range", h, "gauss", range=(2.6, 3.4))
        self.refused("1 bins with entries in the range for 1 parameters", h, "poly0", range=(2.6, 3.5))  # 3.5 taken

    def test_least_squares_needs_more_bins_with_entries_than_parameters(self):
        self.refused("3 bins with entries in the range for 3 parameters", self.unit([0, 0, 0, 4, 6, 3, 0, 0]), "gauss")
        r = fit.fit(self.unit([0, 0, 1, 4, 6, 3, 0, 0]), "gauss")
        self.assertEqual((r.bins, r.used, r.ndf), (8, 4, 1))
        self.assertTrue(0 <= r.p <= 1)
        self.refused("1 bins with entries in the range for 1 parameters", self.unit([0, 5, 0]), "poly0")
        self.assertEqual(fit.fit(self.unit([0, 5, 5]), "poly0").ndf, 1)
        # The likelihood takes every bin; none left over: ndf 0, no p-value, no ratio printed.
        r = fit.fit(self.unit([4, 6, 3]), "gauss", likelihood=True)
        self.assertEqual((r.used, r.ndf), (3, 0))
        self.assertTrue(np.isnan(r.p))
        out = io.StringIO()
        fit.report(self.unit([4, 6, 3]), "u.hbook", r, out)
        self.assertEqual(out.getvalue().splitlines()[5], f"  chi2 / ndf = {r.chi2:.4g} / 0   p = nan")

    def test_each_model_s_starting_values_need_entries(self):
        self.refused("no entries in the range to start the fit from", self.unit([0, 0, 0, 0, 0]), "gauss")
        self.refused("no entries in the range to start the fit from", self.unit([-1, -2, 0, -1, 0]), "gauss")
        self.refused("expo needs two bins with entries in the range", self.unit([0, 0, 7, 0, 0]), "expo")
        r = fit.fit(self.unit([0, 8, 4, 0, 0]), "expo", likelihood=True)
        self.assertLess(r["slope"][0], 0)
        self.refused("poly2 needs more than 2 bins in the range", self.unit([5, 6, 7, 8]), "poly2", range=(0, 2))
        r = fit.fit(self.unit([5, 6, 7, 8]), "poly2", range=(0, 3), likelihood=True)
        self.assertEqual((r.bins, r.ndf), (3, 0))
        self.refused("poly3 needs more than 3 bins in the range", self.unit([5, 6, 7, 8]), "poly3", range=(0, 3))
        self.refused("unknown model 'poly4': one of gauss, expo, poly0, poly1, poly2, poly3, gauss+poly1",
                     self.unit([5, 6, 7, 8]), "poly4")
        self.assertEqual([len(fit.model(m).parameters) for m in fit.MODELS], [3, 2, 1, 2, 3, 4, 5])

    def test_starting_values_from_the_data(self):
        x = np.arange(4) + 0.5
        np.testing.assert_array_equal(fit._start("gauss", x, np.array([0.0, 0.0, 5.0, 0.0]), 1.0), [5.0, 2.5, 1.0])
        start = fit._start("gauss", x, np.array([1.0, 3.0, 3.0, 1.0]), 0.1)  # the spread, above the width
        np.testing.assert_allclose(start, [3.0, 2.0, np.sqrt((2 * 2.25 + 6 * 0.25) / 8)], rtol=1e-15)
        # gauss+poly1: the background through the means of the first and last tenth of the bins (one at least).
        for bins in (9, 20):
            x = np.arange(bins) + 0.5
            n = 2.0 + 0.5 * x + 30.0 * np.exp(-0.5 * ((x - bins / 2) / 1.5) ** 2)
            k = max(1, bins // 10)
            slope = (n[-k:].mean() - n[:k].mean()) / (x[-k:].mean() - x[:k].mean())
            start = fit._start("gauss+poly1", x, n, 1.0)
            np.testing.assert_allclose(start[3:], [n[:k].mean() - slope * x[:k].mean(), slope], rtol=1e-12, err_msg=bins)
        np.testing.assert_allclose(fit._start("poly1", np.array([0.5, 1.5]), np.array([2.0, 4.0]), 1.0), [1.0, 2.0])

    def test_what_is_not_a_distribution_of_counts_is_refused(self):
        h2 = hbook.H2(3, "", 2, 0, 2, 2, 0, 2, np.ones((2, 2)))
        self.refused("object 3 is a 2-D histogram: fit takes 1-D histograms", h2, "gauss")
        self.refused("histogram 3 holds the sampler's running sum (entries -1), not a distribution",
                     self.unit([0.1, 0.5, 1.0], entries=-1), "poly0")
        self.refused("histogram 3 stores sums of squared weights: the Poisson likelihood is for unweighted counts; "
                     "use the least-squares fit", self.unit([1, 2, 1], sumw2=[1, 2, 1]), "poly0", likelihood=True)

    def test_the_bins_left_out_are_said_and_a_width_is_positive(self):
        h = self.unit([0, 1, 4, 9, 12, 8, 3, 0])
        r = fit.fit(h, "gauss")
        self.assertGreater(r["sigma"][0], 0)
        out = io.StringIO()
        fit.report(h, "u.hbook", r, out)
        self.assertEqual(out.getvalue().splitlines()[1],
                         "  range 0 to 8: 8 bins, 2 without entries left out (no error; --likelihood takes them)")
        r = fit.fit(h, "gauss", likelihood=True)
        out = io.StringIO()
        fit.report(h, "u.hbook", r, out)
        self.assertEqual(out.getvalue().splitlines()[1], "  range 0 to 8: 8 bins")
        negative = fit.fit(h, "gauss")
        # Started from a negative width, the fit's width is still said positive.
        start = fit._start
        try:
            fit._start = lambda *a: start(*a) * np.array([1.0, 1.0, -1.0])
            flipped = fit.fit(h, "gauss")
        finally:
            fit._start = start
        self.assertGreater(flipped["sigma"][0], 0)
        self.assertAlmostEqual(flipped["sigma"][0], negative["sigma"][0], places=5)


class Command(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="tarn-fit-")
        self.addCleanup(shutil.rmtree, self.dir)
        rng = np.random.default_rng(25)
        self.file = os.path.join(self.dir, "f.hbook")
        hbook.write(self.file, [filled(rng.normal(6.0, 1.2, 5000), id=7)])

    def test_the_printed_fit_and_its_plot(self):
        out = io.StringIO()
        f = hbook.open(self.file)
        r = fit.fit(f[7], "gauss", range=(2, 10))
        fit.report(f[7], self.file, r, out)
        lines = out.getvalue().splitlines()
        self.assertEqual(lines[0], f"{self.file} histogram 7 'known': gauss, least squares")
        self.assertEqual(lines[3], f"  mean     = {r.values[1]:.6g} +- {r.errors[1]:.2g}")
        self.assertEqual(lines[5], f"  chi2 / ndf = {r.chi2:.4g} / {r.ndf} = {r.chi2 / r.ndf:.4g}   p = {r.p:.3g}")
        self.assertEqual(lines[6:8], ["  covariance:", "  " + " " * 8 + "     constant         mean        sigma"])
        plot = os.path.join(self.dir, "fit.png")
        result = subprocess.run([os.environ["HBOOK_TOOL"], "fit", self.file, "7", "gauss", "--range", "2", "10",
                                 "-o", plot], capture_output=True, text=True)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(result.stdout, out.getvalue())
        rgb = images.read_rgb(plot)
        self.assertEqual(images.frame_lines(rgb, min_length=rgb.shape[1] // 2), 4)  # the fit and its pulls

    def test_the_command_s_checks_in_process(self):
        import contextlib
        def run(*args):
            out, err = io.StringIO(), io.StringIO()
            with contextlib.redirect_stdout(out), contextlib.redirect_stderr(err):
                try:
                    status = fit.main([self.file, *args])
                except SystemExit as e:
                    status = e.code
            return status, out.getvalue(), err.getvalue()
        status, _, err = run("AA/7", "gauss")
        self.assertEqual(status, 2)
        self.assertIn("hbook fit: error: an object in a subdirectory is named /DIR/ID: AA/7", err)
        status, _, err = run("7", "gauss", "-o", os.path.join(self.dir, "f.jpg"))
        self.assertEqual(status, 2)
        self.assertIn("f.jpg: the plot must end in .png, .svg, .pdf", err)
        self.assertEqual(run("7", "gauss", "--range", "5", "5"), (1, "", "hbook fit: the range 5 to 5 is empty\n"))
        self.assertEqual(run("/AA/7", "gauss"), (1, "", f"hbook fit: {self.file}: no directory /AA\n"))
        status, out, err = run("7", "poly1", "-o", os.path.join(self.dir, "f.SVG"), "--likelihood")
        self.assertEqual((status, err), (0, ""))
        self.assertTrue(out.startswith(f"{self.file} histogram 7 'known': poly1, Poisson likelihood\n"))
        self.assertTrue(os.path.exists(os.path.join(self.dir, "f.SVG")))

    def test_statuses(self):
        tool = os.environ["HBOOK_TOOL"]
        for args, status, words in ((["7", "gauss", "--likelihood"], 0, "Poisson likelihood"),
                                    (["8", "gauss"], 1, "no object with id 8"),
                                    (["7", "lorentz"], 2, "invalid choice"),
                                    (["7", "gauss", "--range", "9", "8"], 1, "is empty"),
                                    (["7", "gauss", "-o", "x.gif"], 2, "must end in")):
            result = subprocess.run([tool, "fit", self.file, *args], capture_output=True, text=True)
            self.assertEqual(result.returncode, status, result.stderr)
            self.assertIn(words, result.stdout + result.stderr)


if __name__ == "__main__":
    unittest.main()

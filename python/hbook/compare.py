"""Are two histograms samples of the same distribution? The chi-square
homogeneity test (1-D and 2-D histograms, profiles) and the
Kolmogorov-Smirnov test (1-D), on the in-range bins.

    from hbook import compare
    r = compare.chi2_test(a, b)          # r.chi2, r.ndf, r.p
    k = compare.ks_test(a, b)            # k.statistic, k.p
    compare.compare(a, b).agrees(0.001)

Unweighted counts (no stored sums of squared weights): the two-sample form
    chi2 = sum over bins with n1 + n2 > 0 of (n1 N2 - n2 N1)^2 / (N1 N2 (n1 + n2)),
ndf = those bins - 1, N1 and N2 the in-range totals. Weighted histograms
(sums of squares s1^2, s2^2 stored in either; an unweighted one counts with
s^2 = n) the weighted extension
    chi2 = sum over bins with s1^2 + s2^2 > 0 of (W1 w2 - W2 w1)^2 / (W1^2 s2^2 + W2^2 s1^2),
ndf = those bins - 1, W the in-range sums of weights. Profiles: the bin means
m1, m2 with their errors e1, e2, chi2 = sum (m1 - m2)^2 / (e1^2 + e2^2) over
the bins filled in both, ndf = those bins (the means are compared, not the
shapes). The p-value is the chi-square distribution's upper tail.

Kolmogorov-Smirnov: D = the largest difference of the two cumulative
distributions at the bin edges, with the p-value of Smirnov's distribution
for n = N1 N2 / (N1 + N2) entries (the effective entries (sum w)^2 / sum w^2
of weighted histograms), as scipy.stats.ks_2samp's asymptotic method gives
it. Binned data hide differences within a bin, so the test is conservative.
"""
from dataclasses import dataclass

import numpy as np
from scipy import stats

from .h1 import H1
from .h2 import H2
from .profile import Profile

DEFAULT_LEVEL = 0.001


class NotComparable(ValueError):
    """Two objects that no test can compare (kinds, binnings, no entries)."""


@dataclass
class Chi2Result:
    chi2: float
    ndf: int
    p: float
    form: str        # "unweighted", "weighted" or "profile means"
    bins: int        # bins that entered

    def agrees(self, level=DEFAULT_LEVEL):
        return self.p >= level


@dataclass
class KSResult:
    statistic: float
    p: float
    n: float         # the effective number of entries of the p-value

    def agrees(self, level=DEFAULT_LEVEL):
        return self.p >= level


@dataclass
class Comparison:
    chi2: Chi2Result
    ks: KSResult = None   # 1-D histograms only

    @property
    def p(self):
        """The smaller p-value of the tests made."""
        return min(self.chi2.p, self.ks.p) if self.ks else self.chi2.p

    def agrees(self, level=DEFAULT_LEVEL):
        return self.p >= level


def _binning(h):
    if isinstance(h, H2):
        return ("2-D", h.xedges.tobytes(), h.yedges.tobytes())
    return (h.kind, h.edges.tobytes())


def _check(a, b):
    for h in (a, b):
        if not isinstance(h, (H1, H2, Profile)):
            raise NotComparable(f"{h.kind}s are not compared (only histograms and profiles)")
        if isinstance(h, H1) and h.cumulative:
            raise NotComparable("a running sum of the sampler (entries -1), not a distribution")
    if type(a) is not type(b):
        raise NotComparable(f"a {a.kind} and a {b.kind}")
    if _binning(a) != _binning(b):
        raise NotComparable("the binnings differ")


def _weights(h):
    """In-range contents and their variances (float64, flat), and whether
    the variances are stored sums of squared weights."""
    w = np.asarray(h.contents, dtype=np.float64).ravel()
    if h.sumw2 is not None:
        return w, np.asarray(h.sumw2, dtype=np.float64).ravel(), True
    return w, np.abs(w), False


def chi2_test(a, b):
    """The chi-square homogeneity test of two histograms (or the test of the
    means of two profiles). NotComparable when it cannot be made."""
    _check(a, b)
    if isinstance(a, Profile):
        return _profile_test(a, b)
    w1, s1, stored1 = _weights(a)
    w2, s2, stored2 = _weights(b)
    total1, total2 = w1.sum(), w2.sum()
    if total1 <= 0 or total2 <= 0:
        raise NotComparable("no entries in range in " + ("either" if total1 <= 0 and total2 <= 0 else
                                                         "the first" if total1 <= 0 else "the second"))
    if stored1 or stored2:
        used = (s1 + s2) > 0
        terms = (total1 * w2[used] - total2 * w1[used]) ** 2 / (total1 ** 2 * s2[used] + total2 ** 2 * s1[used])
        form = "weighted"
    else:
        used = (w1 + w2) > 0
        terms = (w1[used] * total2 - w2[used] * total1) ** 2 / (total1 * total2 * (w1[used] + w2[used]))
        form = "unweighted"
    bins = int(used.sum())
    chi2, ndf = float(terms.sum()), bins - 1
    return Chi2Result(chi2, ndf, _upper_tail(chi2, ndf), form, bins)


def _profile_test(a, b):
    filled = (np.asarray(a.sum_w) != 0) & (np.asarray(b.sum_w) != 0)
    m1, m2 = np.asarray(a.means, dtype=np.float64)[filled], np.asarray(b.means, dtype=np.float64)[filled]
    v = np.asarray(a.errors, dtype=np.float64)[filled] ** 2 + np.asarray(b.errors, dtype=np.float64)[filled] ** 2
    if not filled.any():
        raise NotComparable("no bin is filled in both")
    if np.any((v == 0) & (m1 != m2)):
        raise NotComparable("means differ in a bin where both errors are zero")
    with np.errstate(invalid="ignore", divide="ignore"):
        terms = np.where(v > 0, (m1 - m2) ** 2 / np.where(v > 0, v, 1), 0.0)
    chi2, ndf = float(terms.sum()), int(filled.sum())
    return Chi2Result(chi2, ndf, _upper_tail(chi2, ndf), "profile means", ndf)


def _upper_tail(chi2, ndf):
    return 1.0 if ndf <= 0 else float(stats.chi2.sf(chi2, ndf))


def ks_test(a, b):
    """The Kolmogorov-Smirnov test of two 1-D histograms on their in-range bins."""
    _check(a, b)
    if not isinstance(a, H1):
        raise NotComparable(f"the Kolmogorov-Smirnov test is made for 1-D histograms, not a {a.kind}")
    w1, s1, _ = _weights(a)
    w2, s2, _ = _weights(b)
    total1, total2 = w1.sum(), w2.sum()
    if total1 <= 0 or total2 <= 0:
        raise NotComparable("no entries in range")
    d = float(np.max(np.abs(np.cumsum(w1) / total1 - np.cumsum(w2) / total2)))
    n1, n2 = total1 ** 2 / s1.sum(), total2 ** 2 / s2.sum()  # the counts themselves for unit weights
    m, n = max(n1, n2), min(n1, n2)
    effective = m * n / (m + n)
    return KSResult(d, float(stats.kstwo.sf(d, max(1, round(effective)))), effective)


def compare(a, b):
    """Both tests where they apply (KS for 1-D histograms)."""
    chi2 = chi2_test(a, b)
    return Comparison(chi2, ks_test(a, b) if isinstance(a, H1) else None)

"""Fitting a model to a 1-D histogram (SciPy), and `hbook fit`.

    hbook fit FILE ID MODEL [--range LO HI] [--likelihood] [-o PLOT]
    (also hbook-fit, python3 -m hbook.fit)

    from hbook import fit
    r = fit.fit(h, "gauss", range=(300, 700))     # r.values, r.errors, r.covariance, r.chi2, r.ndf

The models describe the contents per bin as a function of x:
    gauss        constant * exp(-(x - mean)^2 / (2 sigma^2))
    expo         exp(a + slope * x)
    poly0..poly3 p0 + p1 x + p2 x^2 + p3 x^3 (as many terms as the degree asks)
    gauss+poly1  the gauss plus p0 + p1 x
Each is compared with a bin as its average over the bin, integrated exactly
(erf for the gauss), so that wide bins do not bias a width.

The fit takes the bins whose centres lie in the range (default: all bins;
underflow and overflow never). The least-squares fit (default) weighs each
bin by its error, sqrt N or the square root of the stored sum of squared
weights; a bin with zero content (or zero stored sum) has no error and is
left out, and the number left out is printed: with few entries per bin use
--likelihood, the binned Poisson likelihood, which takes every bin, zeros
included (for unweighted counts only; a histogram with stored sums of
squared weights is refused). Errors come from the covariance matrix, the
inverse of the curvature of chi-square (least squares) or of the expected
information J^T diag(1/mu) J (likelihood); chi2 is the least-squares sum or,
for the likelihood, the Baker-Cousins likelihood ratio 2 sum(mu - n + n
ln(n/mu)), with ndf = bins used - parameters and the upper-tail p-value.
"""
import argparse
import math
import os
import sys
from dataclasses import dataclass

if __name__ == "__main__":
    from .command import needs
    needs("scipy", "python3-scipy")

import numpy as np
from scipy import optimize, special, stats

from . import FileError, H1, open as open_file
from .file import address

MODELS = ("gauss", "expo", "poly0", "poly1", "poly2", "poly3", "gauss+poly1")
SQRT_HALF_PI = math.sqrt(math.pi / 2)


class FitError(ValueError):
    """A fit that cannot be made or did not converge."""


# --- the models: per bin [lo, hi] the average of the function -------------

def _gauss_mean(p, lo, hi):
    constant, mean, sigma = p[0], p[1], p[2]
    s = abs(sigma) if sigma != 0 else 1e-300
    t = math.sqrt(2) * s
    area = constant * s * SQRT_HALF_PI * (special.erf((hi - mean) / t) - special.erf((lo - mean) / t))
    return area / (hi - lo)


def _expo_mean(p, lo, hi):
    a, slope = p[0], p[1]
    u = slope * (hi - lo)
    with np.errstate(over="ignore", invalid="ignore"):
        factor = np.where(np.abs(u) < 1e-8, 1 + u / 2, np.expm1(u) / np.where(u == 0, 1, u))
        return np.exp(a + slope * lo) * factor


def _poly_mean(p, lo, hi):
    total = np.zeros_like(lo)
    for i, c in enumerate(p):
        total = total + c * (hi ** (i + 1) - lo ** (i + 1)) / ((i + 1) * (hi - lo))
    return total


def _gauss_value(p, x):
    return p[0] * np.exp(-0.5 * ((x - p[1]) / p[2]) ** 2)


def _poly_value(p, x):
    return sum(c * x ** i for i, c in enumerate(p))


@dataclass(frozen=True)
class Model:
    name: str
    parameters: tuple
    mean: object       # (p, lo, hi) -> the average over each bin
    value: object      # (p, x) -> the function at x


def model(name):
    if name == "gauss":
        return Model(name, ("constant", "mean", "sigma"), _gauss_mean, _gauss_value)
    if name == "expo":
        return Model(name, ("a", "slope"), _expo_mean, lambda p, x: np.exp(p[0] + p[1] * x))
    if name in ("poly0", "poly1", "poly2", "poly3"):
        degree = int(name[-1])
        return Model(name, tuple(f"p{i}" for i in range(degree + 1)), _poly_mean, _poly_value)
    if name == "gauss+poly1":
        return Model(name, ("constant", "mean", "sigma", "p0", "p1"),
                     lambda p, lo, hi: _gauss_mean(p[:3], lo, hi) + _poly_mean(p[3:], lo, hi),
                     lambda p, x: _gauss_value(p[:3], x) + _poly_value(p[3:], x))
    raise FitError(f"unknown model {name!r}: one of {', '.join(MODELS)}")


def _start(name, x, n, width):
    """Starting values from the data in range."""
    w = np.clip(n, 0, None)
    total = w.sum()
    if name in ("gauss", "gauss+poly1"):
        background = np.zeros(2)
        if name == "gauss+poly1":
            k = max(1, len(x) // 10)
            xl, xr = x[:k].mean(), x[-k:].mean()
            yl, yr = n[:k].mean(), n[-k:].mean()
            slope = (yr - yl) / (xr - xl) if xr != xl else 0.0
            background = np.array([yl - slope * xl, slope])
            w = np.clip(n - (background[0] + background[1] * x), 0, None)
            total = w.sum()
        if total <= 0:
            raise FitError("no entries in the range to start the fit from")
        mean = float(np.sum(w * x) / total)
        sigma = float(math.sqrt(max(np.sum(w * (x - mean) ** 2) / total, width ** 2)))
        peak = [float(w.max()), mean, sigma]
        return np.array(peak + (list(background) if name == "gauss+poly1" else []))
    if name == "expo":
        positive = n > 0
        if positive.sum() < 2:
            raise FitError("expo needs two bins with entries in the range")
        slope, a = np.polyfit(x[positive], np.log(n[positive]), 1, w=np.sqrt(n[positive]))
        return np.array([a, slope])
    degree = int(name[-1])
    if len(x) <= degree:
        raise FitError(f"{name} needs more than {degree} bins in the range")
    return np.polyfit(x, n, degree)[::-1].copy()


@dataclass
class FitResult:
    model: str
    method: str          # "least squares" or "Poisson likelihood"
    parameters: tuple
    values: np.ndarray
    errors: np.ndarray
    covariance: np.ndarray
    chi2: float
    ndf: int
    p: float
    bins: int            # bins in the range
    used: int            # bins that entered
    low: float           # the range: the low edge of the first bin taken and the high edge of the last
    high: float

    @property
    def correlation(self):
        return self.covariance / np.outer(self.errors, self.errors)

    def __getitem__(self, name):
        i = self.parameters.index(name)
        return self.values[i], self.errors[i]

    def function(self, x):
        """The fitted function at x (contents per bin)."""
        return model(self.model).value(self.values, np.asarray(x, dtype=np.float64))


def fit(h, name, range=None, likelihood=False):
    """Fits model `name` to 1-D histogram h over `range` (low, high: the bins
    whose centres lie in it); FitError when it cannot be made."""
    if not isinstance(h, H1):
        raise FitError(f"object {h.id} is a {h.kind}: fit takes 1-D histograms")
    if h.cumulative:
        raise FitError(f"histogram {h.id} holds the sampler's running sum (entries -1), not a distribution")
    m = model(name)
    edges = np.asarray(h.edges, dtype=np.float64)
    lo_all, hi_all = edges[:-1], edges[1:]
    centres = 0.5 * (lo_all + hi_all)
    take = np.ones(len(centres), dtype=bool)
    if range is not None:
        low, high = range
        if not low < high:
            raise FitError(f"the range {low:g} to {high:g} is empty")
        take = (centres >= low) & (centres <= high)
    if not take.any():
        raise FitError("no bin has its centre in the range")
    lo, hi, x = lo_all[take], hi_all[take], centres[take]
    n = np.asarray(h.contents, dtype=np.float64)[take]
    if h.sumw2 is not None:
        variance = np.asarray(h.sumw2, dtype=np.float64)[take]
    else:
        variance = np.abs(n)
    p0 = _start(name, x, n, float(np.mean(hi - lo)))
    if likelihood:
        if h.sumw2 is not None:
            raise FitError(f"histogram {h.id} stores sums of squared weights: the Poisson likelihood is for "
                           "unweighted counts; use the least-squares fit")
        result = _likelihood_fit(m, p0, lo, hi, n)
        used = len(n)
        method = "Poisson likelihood"
    else:
        keep = variance > 0
        if keep.sum() <= len(p0):
            raise FitError(f"{keep.sum()} bins with entries in the range for {len(p0)} parameters")
        sigma = np.sqrt(variance[keep])
        lo_k, hi_k, n_k = lo[keep], hi[keep], n[keep]
        solution = optimize.least_squares(lambda p: (n_k - m.mean(p, lo_k, hi_k)) / sigma, p0, method="lm",
                                          x_scale="jac")
        if not solution.success:
            raise FitError(f"the fit did not converge: {solution.message}")
        values = solution.x
        covariance = _inverse(solution.jac.T @ solution.jac)
        chi2 = float(np.sum(solution.fun ** 2))
        used = int(keep.sum())
        result = (values, covariance, chi2)
        method = "least squares"
    values, covariance, chi2 = result
    if "sigma" in m.parameters:
        values[m.parameters.index("sigma")] = abs(values[m.parameters.index("sigma")])
    errors = np.sqrt(np.diag(covariance))
    ndf = used - len(values)
    p = float(stats.chi2.sf(chi2, ndf)) if ndf > 0 else float("nan")
    return FitResult(name, method, m.parameters, values, errors, covariance, chi2, ndf, p, len(n), used,
                     float(lo[0]), float(hi[-1]))


def _inverse(matrix):
    try:
        inverse = np.linalg.inv(matrix)
    except np.linalg.LinAlgError:
        raise FitError("the parameters are not determined by the data (singular covariance)") from None
    if not np.all(np.isfinite(inverse)) or np.any(np.diag(inverse) < 0):
        raise FitError("the parameters are not determined by the data (singular covariance)")
    return inverse


MU_FLOOR = 1e-300  # a model that reaches zero or below where a bin has entries is as unlikely as can be


def _deviance_terms(mu, n):
    mu = np.maximum(mu, MU_FLOOR)
    with np.errstate(divide="ignore", invalid="ignore"):
        log_term = np.where(n > 0, n * np.log(n / mu), 0.0)
    return 2 * (mu - n + log_term)


def _likelihood_fit(m, p0, lo, hi, n):
    """The binned Poisson likelihood, as least squares of the signed deviance
    residuals (their squares add up to 2 (ln L_saturated - ln L))."""
    def residuals(p):
        mu = m.mean(p, lo, hi)
        return np.sign(n - mu) * np.sqrt(np.maximum(_deviance_terms(mu, n), 0.0))

    solution = optimize.least_squares(residuals, p0, method="trf", x_scale="jac")
    if not solution.success:
        raise FitError(f"the fit did not converge: {solution.message}")
    values = solution.x
    mu = np.maximum(m.mean(values, lo, hi), MU_FLOOR)
    jacobian = optimize.approx_fprime(values, lambda p: m.mean(p, lo, hi), _steps(values))
    information = jacobian.T @ (jacobian / mu[:, None])
    chi2 = float(np.sum(_deviance_terms(mu, n)))
    return values, _inverse(information), chi2


def _steps(values):
    return np.sqrt(np.finfo(float).eps) * np.maximum(np.abs(values), 1e-3)


# --- the command -----------------------------------------------------------

def report(h, path, r, out):
    print(f"{path} histogram {h.id} '{h.title.strip()}': {r.model}, {r.method}", file=out)
    left_out = r.bins - r.used
    note = f", {left_out} without entries left out (no error; --likelihood takes them)" if left_out else ""
    print(f"  range {r.low:.6g} to {r.high:.6g}: {r.bins} bins{note}", file=out)
    width = max(len(p) for p in r.parameters)
    for name, value, error in zip(r.parameters, r.values, r.errors):
        print(f"  {name:<{width}} = {value:.6g} +- {error:.2g}", file=out)
    ratio = f" = {r.chi2 / r.ndf:.4g}" if r.ndf > 0 else ""
    print(f"  chi2 / ndf = {r.chi2:.4g} / {r.ndf}{ratio}   p = {r.p:.3g}", file=out)
    print("  covariance:", file=out)
    print("  " + " " * width + "".join(f"{p:>13}" for p in r.parameters), file=out)
    for name, row in zip(r.parameters, r.covariance):
        print(f"  {name:<{width}}" + "".join(f"{v:13.4g}" for v in row), file=out)


def draw(h, path, r, output, run=None):
    """The histogram with its errors, the fitted function over the range and
    the pulls (data - fit) / error below."""
    from matplotlib.figure import Figure

    from . import plot
    labels = plot.Labels.of(h, path, run)
    fig = Figure(figsize=(plot.PANEL_INCHES[0], plot.PANEL_INCHES[1] * (1 + plot.RATIO_SHARE)), dpi=plot.DPI,
                 layout="constrained")
    grid = fig.add_gridspec(2, 1, height_ratios=[1, plot.RATIO_SHARE])
    ax = fig.add_subplot(grid[0])
    pulls = fig.add_subplot(grid[1], sharex=ax)
    plot.draw(ax, h, notes=False, labels=labels)
    x = np.linspace(r.low, r.high, 400)
    ax.plot(x, r.function(x), color="C3", linewidth=1.2, label=f"{r.model} fit")
    text = "\n".join(f"{p} = {v:.4g} ± {e:.2g}" for p, v, e in zip(r.parameters, r.values, r.errors))
    text += f"\nχ² / ndf = {r.chi2:.4g} / {r.ndf}"
    ax.legend(loc="best", fontsize="x-small", title=text, title_fontsize="x-small")
    edges = np.asarray(h.edges, dtype=np.float64)
    centres = 0.5 * (edges[:-1] + edges[1:])
    inside = (centres >= r.low) & (centres <= r.high)
    mu = model(r.model).mean(r.values, edges[:-1][inside], edges[1:][inside])
    error = np.asarray(h.errors, dtype=np.float64)[inside]
    if r.method == "Poisson likelihood":
        error = np.sqrt(np.maximum(mu, MU_FLOOR))
    with np.errstate(divide="ignore", invalid="ignore"):
        pull = np.where(error > 0, (np.asarray(h.contents, dtype=np.float64)[inside] - mu) / error, np.nan)
    pulls.axhline(0, color="0.5", linewidth=0.8)
    pulls.plot(centres[inside], pull, "o", markersize=2, color="C0")
    pulls.set_ylabel("pull")
    pulls.set_xlabel(ax.get_xlabel())
    ax.set_xlabel("")
    ax.tick_params(labelbottom=False)
    fig.savefig(output)


def main(argv=None):
    parser = argparse.ArgumentParser(prog="hbook fit", description="Fit a model to a 1-D histogram.")
    parser.add_argument("file", metavar="FILE")
    parser.add_argument("id", metavar="ID", help="ID, or /DIR/ID in a subdirectory")
    parser.add_argument("model", metavar="MODEL", choices=MODELS, help=", ".join(MODELS))
    parser.add_argument("--range", nargs=2, type=float, metavar=("LO", "HI"),
                        help="fit the bins whose centres lie from LO to HI")
    parser.add_argument("--likelihood", action="store_true", help="binned Poisson likelihood instead of least squares")
    parser.add_argument("-o", "--output", metavar="PLOT", help="draw the fit over the histogram: .png, .svg or .pdf")
    args = parser.parse_args(argv)
    try:
        address(args.id)
    except KeyError as e:
        parser.error(e.args[0])
    from . import plot
    if args.output and os.path.splitext(args.output)[1].lower() not in plot.FORMATS:
        parser.error(f"{args.output}: the plot must end in {', '.join(plot.FORMATS)}")
    try:
        f = open_file(args.file)
        h = f[args.id]
        r = fit(h, args.model, range=args.range, likelihood=args.likelihood)
        report(h, args.file, r, sys.stdout)
        if args.output:
            draw(h, args.file, r, args.output, plot.RunFile.of(args.file, f))
    except (FileError, KeyError, OSError, FitError) as e:
        from .command import failed
        return failed("hbook fit", e)
    return 0


if __name__ == "__main__":
    from .command import run
    run(main)

"""Binomial estimates from exact counts: k successes of n trials (a fraction
k / n of a run's counters, or a count k of its n events), with the binomial
standard error and the Wilson score interval, which stays inside [0, 1] and
still says something where k or n - k is small (13 neutrons of 100000, or 0).

    from tarnreport import binomial
    e = binomial.estimate(k, n)           # numbers or numpy arrays
    e.value, e.error, e.low, e.high, e.small

value = k / n, error = sqrt(value (1 - value) / n); the interval at
INTERVAL_Z standard deviations (68.3%); `small` where k or n - k is below
SMALL_COUNT, where the interval is worth showing instead of +- error. n = 0
gives NaN throughout. The same definitions as the figures with errors of
tarn-summary and the extended report (one convention for the project).
"""
import math
from collections import namedtuple

import numpy as np

SMALL_COUNT = 30    # below this many successes or failures the interval is shown
INTERVAL_Z = 1.0    # the interval's half-width in standard deviations
INTERVAL = "68.3% Wilson score interval"

Estimate = namedtuple("Estimate", "k n value error low high small")


def estimate(k, n, z=INTERVAL_Z):
    """The estimate of k of n, elementwise for arrays."""
    scalar = np.ndim(k) == 0 and np.ndim(n) == 0
    given = (k, n)
    k = np.asarray(k, dtype=np.float64)
    n = np.asarray(n, dtype=np.float64)
    with np.errstate(divide="ignore", invalid="ignore"):
        value = np.where(n > 0, k / n, np.nan)
        error = np.sqrt(value * (1.0 - value) / n)
        z2 = z * z
        centre = (k + z2 / 2) / (n + z2)
        half = z / (n + z2) * np.sqrt(k * (n - k) / n + z2 / 4)
        low = np.where(n > 0, np.maximum(0.0, centre - half), np.nan)
        high = np.where(n > 0, np.minimum(1.0, centre + half), np.nan)
    small = (k < SMALL_COUNT) | (n - k < SMALL_COUNT)
    if scalar:
        return Estimate(*given, value[()], error[()], low[()], high[()], bool(small))
    return Estimate(*given, value, error, low, high, small)


def scaled(e, factor):
    """An estimate of factor x the fraction (a count of the n events: factor n)."""
    return e._replace(value=e.value * factor, error=e.error * factor, low=e.low * factor, high=e.high * factor)


def with_error(value, error):
    """value +- error, the error to two significant digits and the value to
    the same place: "0.2519 +- 0.0031", "(1.00 +- 0.32)E-04"."""
    if value != value:
        return "undefined"
    if not error > 0:
        return f"{value:.7g} +- 0"
    largest = max(abs(value), error)
    exponent = 0
    if largest < 0.01 or largest >= 1e6:
        exponent = math.floor(math.log10(largest))
    scale = 10.0 ** exponent
    decimals = max(0, 1 - math.floor(math.log10(error / scale)))
    text = f"{value / scale:.{decimals}f} +- {error / scale:.{decimals}f}"
    return f"({text})E{exponent:+03d}" if exponent else text

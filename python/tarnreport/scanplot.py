"""The plots of a scan: each of the nine figures against the first key that
takes several values, one line for each combination of the values of the
other keys that do, with error bars: the binomial standard error, or, where
the count or its complement is small (tarnreport.binomial.SMALL_COUNT), the
68.3% Wilson score interval, which the error would misstate."""
import io
import itertools

import numpy as np
from matplotlib.figure import Figure as MplFigure

from . import beamline, binomial
from .scan import FIGURES

PANEL_INCHES = (4.4, 3.0)
DPI = 80


def x_axis(s):
    """(key, unit) of the x axis: the first key that takes several values,
    or the point's number when none does."""
    if s.scanned:
        key = s.scanned[0]
        return key, s.units[s.keys.index(key)]
    return "point", ""


def _positions(values):
    """Numbers for the x axis, with the tick labels of a helium half."""
    if all(isinstance(v, str) for v in values):
        names = sorted(set(values), key=["right", "left"].index)
        return np.array([names.index(v) for v in values], dtype=float), names
    return np.asarray(values, dtype=float), None


def series(s):
    """[(label, rows)]: the rows of the table for each combination of the
    other scanned keys, in the table's order."""
    t = s.table
    others = s.scanned[1:]
    if not others:
        return [("", np.arange(len(t)))]
    out = []
    for combo in itertools.product(*[list(dict.fromkeys(t[key].tolist())) for key in others]):
        rows = np.flatnonzero(np.logical_and.reduce([t[key] == v for key, v in zip(others, combo)]))
        if len(rows):
            label = ", ".join(f"{key} = {v:g} {s.units[s.keys.index(key)]}" if not isinstance(v, str) else f"{key} = {v}"
                              for key, v in zip(others, combo))
            out.append((label, rows))
    return out


def error_bars(t, figure):
    """(lower, upper) lengths of the error bars of a figure's column."""
    name = figure.name
    value, error, low, high = t[name], t[name + "_error"], t[name + "_low"], t[name + "_high"]
    k = t[figure.numerator]
    n = t[figure.denominator]
    small = binomial.estimate(k, n).small
    lower = np.where(small, value - low, error)
    upper = np.where(small, high - value, error)
    return np.nan_to_num(lower), np.nan_to_num(upper)


def draw(ax, s, figure, legend=True):
    """One figure against the x axis, each series with its error bars."""
    t = s.table
    key, unit = x_axis(s)
    xs, names = _positions(t[key].tolist() if key != "point" else t["point"].tolist())
    for label, rows in series(s):
        lower, upper = error_bars(t[rows], figure)
        ax.errorbar(xs[rows], t[figure.name][rows], yerr=[lower, upper], marker="o", markersize=4, capsize=3,
                    linewidth=1, label=label or None)
    if names:
        ax.set_xticks(range(len(names)), names)
    ax.set_xlabel(f"{key} ({unit})" if unit else key)
    ax.set_title(figure.label, fontsize=9)
    ax.tick_params(labelsize=8)
    ax.ticklabel_format(axis="y", style="sci", scilimits=(-3, 4), useOffset=False)
    if legend and len(series(s)) > 1:
        ax.legend(fontsize=7)


def panel_png(s, figure):
    """One figure's plot alone, as PNG bytes (the page's figures)."""
    fig = MplFigure(figsize=PANEL_INCHES, dpi=DPI)
    fig.subplots_adjust(left=0.17, right=0.96, bottom=0.17, top=0.89)
    draw(fig.subplots(), s, figure)
    out = io.BytesIO()
    fig.savefig(out, format="png")
    return out.getvalue()


def save_all(s, path):
    """The nine figures in one picture of 3 x 3 panels (scan.png)."""
    fig = MplFigure(figsize=(3 * PANEL_INCHES[0], 3 * PANEL_INCHES[1] + 0.4), dpi=DPI)
    axes = fig.subplots(3, 3)
    for ax, figure in zip(axes.flat, FIGURES):
        draw(ax, s, figure, legend=figure is FIGURES[0])
    key, _ = x_axis(s)
    fig.suptitle(f"tarn scan: the nine figures against {key}, {s.manifest['events']} events a point, "
                 f"seed {s.manifest['seed']}; error bars binomial (Wilson 68.3% where a count is small)", fontsize=10)
    fig.tight_layout(rect=(0, 0, 1, 0.97))
    fig.savefig(path)

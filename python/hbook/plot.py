"""Figures of histograms with matplotlib (Agg: no display needed).

    hbook-plot FILE [FILE...] ID [ID...] -o OUT.png|OUT.svg|OUT.pdf
               [--overlay] [--logy] [--norm area|events] [--events N]
               [--no-errors] [--no-stats]
    (also `hbook plot ...`, `python3 -m hbook.plot ...`)

An ID names an object of the top directory, /DIR/SUB/ID one of a
subdirectory. One panel per object and file, or with --overlay one panel per
object with every file's histogram drawn over the first's and a panel of
their ratios to it below.

A 1-D histogram: its contents as steps with error bars (the stored sums of
squared weights, else sqrt N), the histogram's title as the title, and axes
that say what they show: for the histograms of a tarn run (told by their
ids, titles and binning) the quantity and its unit from the run's histogram
catalogue ("x at the upstream cell exit (cm)", "neutrons per bin"); for any
other file "x" and "contents per bin". The file, the id and, for a run's
file, the seed are written in the top right corner; entries, mean and RMS
(as the package prints them) in a box. A cumulative histogram (the
sampler's running sum, entries -1) is drawn as the distribution it was made
from and says so. --norm area draws a probability density (unit area),
--norm events the contents per incident neutron (the events of the run log
beside the file, or --events N). A 2-D histogram: its in-range cells as an
image with labelled axes and a colour bar. A profile: the mean per bin with
its error. Ntuples are refused with a message (read them in Python:
hbook.open).

Tick labels never push a label out of the figure: large or small values are
written as multiples of a power of ten named in the axis label, and offsets
are never used.
"""
import argparse
import math
import os
import re
import sys
import textwrap

import matplotlib
import numpy as np

matplotlib.use("Agg")
from matplotlib.figure import Figure  # noqa: E402  (after choosing the backend)
from matplotlib.offsetbox import AnchoredText  # noqa: E402
from matplotlib.ticker import FuncFormatter, ScalarFormatter  # noqa: E402

from . import FileError, H1, H2, Profile, open as open_file  # noqa: E402
from .command import failed, object_name  # noqa: E402
from .file import address  # noqa: E402

FORMATS = (".png", ".svg", ".pdf")
PANEL_INCHES = (5.0, 3.5)
RATIO_SHARE = 0.3   # of an overlay panel's height
DPI = 100
NORMS = ("area", "events")
CORNER_COLOUR = "0.4"
Y_LABEL_CHARACTERS = 30  # a longer y label goes on two lines
# Powers of ten in labels as plain text (no mathtext: an SVG keeps it as text a browser lays out alike).
SUPERSCRIPTS = str.maketrans("-0123456789", "⁻⁰¹²³⁴⁵⁶⁷⁸⁹")


class Labels:
    """What a panel's axes and corner say about a histogram."""

    def __init__(self, x="x", contents="contents per bin", y="y", corner=None, counts=True):
        self.x, self.contents, self.y, self.corner = x, contents, y, corner
        self.counts = counts  # the contents are counts, which have errors sqrt N

    @classmethod
    def of(cls, h, path=None, run=None):
        """The labels of histogram h of the file at `path`; `run` the
        RunFile facts of that file (None: not a tarn run's)."""
        corner = None
        if path is not None:
            corner = f"{os.path.basename(path)}   id {_name(h)}"
            if run is not None and run.seed is not None:
                corner += f"   seed {run.seed}"
        labels = run.labels(h) if run is not None else None
        if labels is None:
            return cls(corner=corner)
        x, contents = labels
        return cls(x=x, contents=contents, y=run.y_label(h) or "y", corner=corner,
                   counts=contents == run.result_contents)


class RunFile:
    """What is known of a file written by a tarn run: the catalogue's labels
    and the seed (from the log beside it that names the file, or a name
    h<seed>.hbook)."""

    def __init__(self, path, catalogue):
        self._catalogue = catalogue
        self.result_contents = catalogue.RESULT_CONTENTS
        self.path = path
        self.log = _log_beside(path)
        self.seed = self.log.seed if self.log else _seed_from_name(path)

    @classmethod
    def of(cls, path, objects):
        """The facts of a run's file, or None for another file (or without
        the tarnreport package)."""
        try:
            from tarnreport import catalogue
        except ImportError:
            return None
        return cls(path, catalogue) if catalogue.is_run_file(list(objects)) else None

    def labels(self, h):
        return self._catalogue.axis_labels(h, True)

    def y_label(self, h):
        return self._catalogue.y_label(h, True)

    @property
    def events(self):
        return self.log.events if self.log else None


def _seed_from_name(path):
    m = re.fullmatch(r"h(\d+)(?:-\d+)?\.hbook", os.path.basename(path))
    return int(m.group(1)) if m else None


def _log_beside(path):
    """The run log in the file's folder that names it, if any."""
    import glob
    from tarnreport import runlog
    folder = os.path.dirname(os.path.abspath(path))
    for log_path in sorted(glob.glob(os.path.join(folder, "tarn-*.o"))):
        try:
            log = runlog.parse(log_path)
        except (OSError, ValueError):
            continue
        if log.histogram_file == os.path.basename(path):
            return log
    return None


def _name(h):
    return f"{h.directory}/{h.id}" if h.directory not in (None, "/") else str(h.id)


def note(h):
    """The statistics shown in a panel's box."""
    if h.cumulative:
        s = h.increments().summary()
        return f"cumulative in the file (entries -1): steps shown\nmean {s.mean:.4g}   rms {s.rms:.4g}"
    s = h.summary()
    counts = f"entries {s.entries}   underflow {s.underflow:g}   overflow {s.overflow:g}"
    if s.no_entries:
        return counts + "\nno entries"
    return counts + f"\nmean {s.mean:.4g}   rms {s.rms:.4g}"


def _unit(label):
    m = re.search(r"\(([^()]+)\)\s*$", label)
    return m.group(1) if m else None


def shown(h, labels, norm=None, events=None):
    """(edges, values, errors or None, y label) of a 1-D histogram as drawn,
    float64: the steps of a running sum, normalised on request."""
    s = h.increments()
    edges = np.asarray(s.edges, dtype=np.float64)
    values = np.asarray(s.contents, dtype=np.float64)
    errors = None
    if not h.cumulative and (s.sumw2 is not None or labels.counts):
        errors = np.asarray(s.errors, dtype=np.float64)
    ylabel = "fraction per bin" if h.cumulative and labels.contents == "contents per bin" else labels.contents
    if norm == "area":
        area = float(np.sum(values * np.diff(edges)))
        if area == 0:
            raise ValueError(f"histogram {_name(h)} has no area to normalise to")
        values = values / area
        errors = None if errors is None else errors / area
        unit = _unit(labels.x)
        ylabel = f"fraction per {unit}" if unit else "fraction per unit x"
    elif norm == "events":
        if not events:
            raise ValueError("--norm events needs the run's number of events: no run log beside the file names "
                             "it; give --events N")
        values = values / events
        errors = None if errors is None else errors / events
        ylabel = f"{ylabel} per incident neutron"
    return edges, values, errors, ylabel


def _scaled(axis, label, low, high):
    """Tick labels of an axis spanning low..high without an offset: values
    of 10^5 and more or below 10^-2 as multiples of a power of ten (a
    multiple of three) that the label names. Returns the label."""
    axis.set_major_formatter(ScalarFormatter(useOffset=False))
    biggest = max(abs(low), abs(high))
    if biggest == 0 or not math.isfinite(biggest) or 1e-2 <= biggest < 1e5:
        axis.get_major_formatter().set_scientific(False)
        return label
    power = 3 * math.floor(math.log10(biggest) / 3)
    scale = 10.0 ** power
    axis.set_major_formatter(FuncFormatter(lambda v, _: f"{v / scale:.6g}"))
    return f"{label} (×10{str(power).translate(SUPERSCRIPTS)})"


def _wrapped(label, width=Y_LABEL_CHARACTERS):
    """A y label too long for the height of a panel on two lines."""
    return "\n".join(textwrap.wrap(label, width)) if len(label) > width else label


def _axes_text(ax, xlabel, ylabel, logy=False):
    low, high = ax.get_xlim()
    ax.set_xlabel(_scaled(ax.xaxis, xlabel, low, high))
    if logy:
        ax.set_ylabel(_wrapped(ylabel))
    else:
        low, high = ax.get_ylim()
        ax.set_ylabel(_wrapped(_scaled(ax.yaxis, ylabel, low, high)))


def _titles(ax, h, labels):
    ax.set_title(h.title.strip() or f"{h.kind} {h.id}", loc="left", fontsize="medium", fontweight="bold")
    if labels.corner:
        ax.set_title(labels.corner, loc="right", fontsize="x-small", color=CORNER_COLOUR)


def _stats_box(ax, text):
    box = AnchoredText(text, loc="upper right", prop={"size": "x-small"}, frameon=True, borderpad=0.4)
    box.patch.set_alpha(0.8)
    box.patch.set_edgecolor("0.7")
    ax.add_artist(box)


def _logy(ax, values):
    positive = values[values > 0]
    ax.set_yscale("log")
    if positive.size:
        ax.set_ylim(positive.min() / 2, positive.max() * 2)


def draw(ax, h, notes=True, *, labels=None, errors=True, norm=None, events=None, logy=False):
    """One histogram or profile on a matplotlib Axes; notes: the statistics
    box. labels: a Labels (default: a file's axes, "x" and "contents per bin")."""
    labels = labels or Labels()
    if isinstance(h, H2):
        return draw_2d(ax, h, notes, labels=labels)
    if isinstance(h, Profile):
        return draw_profile(ax, h, notes, labels=labels)
    edges, values, bars, ylabel = shown(h, labels, norm, events)
    ax.stairs(values, edges, color="C0", linewidth=1.0)
    if errors and bars is not None:
        ax.errorbar(0.5 * (edges[:-1] + edges[1:]), values, yerr=bars, fmt="none", ecolor="C0", elinewidth=0.6,
                    alpha=0.6)
    ax.set_xlim(edges[0], edges[-1])
    if logy:
        _logy(ax, values)
    _axes_text(ax, labels.x, ylabel, logy)
    _titles(ax, h, labels)
    if notes:
        _stats_box(ax, note(h))


def draw_2d(ax, h, notes=True, *, labels=None):
    """The in-range cells of a 2-D histogram as an image, y upwards, with a colour bar."""
    labels = labels or Labels()
    mesh = ax.pcolormesh(h.xedges.astype(float), h.yedges.astype(float), h.contents, cmap="viridis",
                         rasterized=True)
    bar = ax.figure.colorbar(mesh, ax=ax)
    content = labels.contents.replace("per bin", "per cell")
    low, high = mesh.get_clim()
    bar.set_label(_scaled(bar.ax.yaxis, content, low, high))
    ax.set_xlim(float(h.xedges[0]), float(h.xedges[-1]))
    ax.set_ylim(float(h.yedges[0]), float(h.yedges[-1]))
    low, high = ax.get_xlim()
    ax.set_xlabel(_scaled(ax.xaxis, labels.x, low, high))
    low, high = ax.get_ylim()
    ax.set_ylabel(_scaled(ax.yaxis, labels.y, low, high))
    _titles(ax, h, labels)
    if notes:
        outside = float(h.cells.sum(dtype=float) - h.contents.sum(dtype=float))
        _stats_box(ax, f"entries {h.entries}   in range {h.sum:g}\noutside the range {outside:g}")


def draw_profile(ax, p, notes=True, *, labels=None):
    """The mean of y per filled bin with its error (as the package's HI and HIE give them)."""
    labels = labels or Labels()
    filled = p.sum_w != 0  # a bin without fills has no mean
    ax.errorbar(p.centres[filled], p.means[filled], yerr=p.errors[filled], fmt="o", markersize=3, color="C0",
                ecolor="C1", elinewidth=0.8)
    ax.set_xlim(float(p.edges[0]), float(p.edges[-1]))
    _axes_text(ax, labels.x, "mean y per bin")
    _titles(ax, p, labels)
    if notes:
        _stats_box(ax, f"profile, entries {p.entries}\nerror option '{p.error_option}'")


def draw_overlay(ax, ratio_ax, histograms, labels, names, *, errors=True, norm=None, events=None, logy=False):
    """1-D histograms of one id from several files over each other (`names`
    in the legend), and in ratio_ax each one's ratio to the first with the
    errors of both."""
    drawn = []
    for i, (h, lab, name, n) in enumerate(zip(histograms, labels, names, events)):
        edges, values, bars, ylabel = shown(h, lab, norm, n)
        colour = f"C{i}"
        ax.stairs(values, edges, color=colour, linewidth=1.0, label=name)
        if errors and bars is not None:
            ax.errorbar(0.5 * (edges[:-1] + edges[1:]), values, yerr=bars, fmt="none", ecolor=colour,
                        elinewidth=0.6, alpha=0.6)
        drawn.append((edges, values, bars))
    first_edges, first, first_bars = drawn[0]
    ax.set_xlim(first_edges[0], first_edges[-1])
    if logy:
        _logy(ax, np.concatenate([v for _, v, _ in drawn]))
    _axes_text(ax, "", ylabel, logy)
    ax.tick_params(labelbottom=False)
    _titles(ax, histograms[0], labels[0])
    ax.legend(loc="best", fontsize="x-small")
    centres = 0.5 * (first_edges[:-1] + first_edges[1:])
    ratio_ax.axhline(1.0, color="0.5", linewidth=0.8)
    with np.errstate(divide="ignore", invalid="ignore"):
        for i, (_, values, bars) in enumerate(drawn[1:], start=1):
            ratio = np.where(first > 0, values / np.where(first > 0, first, 1), np.nan)
            spread = None
            if errors and bars is not None and first_bars is not None:
                spread = np.abs(ratio) * np.sqrt((bars / np.where(values != 0, values, np.inf)) ** 2 +
                                                 (first_bars / np.where(first > 0, first, np.inf)) ** 2)
            ratio_ax.errorbar(centres, ratio, yerr=spread, fmt="o", markersize=2, color=f"C{i}", elinewidth=0.6)
            finite = ratio[np.isfinite(ratio)]
            if finite.size:
                low, high = np.percentile(finite, [5, 95])
                span = max(high - 1, 1 - low, 0.05) * 1.3
                ratio_ax.set_ylim(max(0.0, 1 - span), 1 + span)
    ratio_ax.set_xlim(first_edges[0], first_edges[-1])
    low, high = ratio_ax.get_xlim()
    ratio_ax.set_xlabel(_scaled(ratio_ax.xaxis, labels[0].x, low, high))
    ratio_ax.set_ylabel("ratio to 1st")


def _check_drawable(h):
    if not isinstance(h, (H1, H2, Profile)):
        raise TypeError(f"object {h.id} is a {h.kind}: plot draws 1-D and 2-D histograms and profiles "
                        "(read ntuples in Python: hbook.open)")


def figure(histograms, columns=None, panel=PANEL_INCHES, dpi=DPI, labels=None, events=None, **options):
    """A figure with one panel per histogram or profile, `columns` wide (1
    for a single one, else 2); labels: a Labels per histogram, events: the
    run's events (one for all, or one per histogram). Other objects:
    TypeError. options: those of draw()."""
    n = len(histograms)
    if n == 0:
        raise ValueError("no histograms to plot")
    for h in histograms:
        _check_drawable(h)
    labels = labels or [Labels() for _ in histograms]
    events = events if isinstance(events, (list, tuple)) else [events] * n
    columns = columns or (1 if n == 1 else 2)
    rows = math.ceil(n / columns)
    fig = Figure(figsize=(panel[0] * columns, panel[1] * rows), dpi=dpi, layout="constrained")
    axes = fig.subplots(rows, columns, squeeze=False)
    for ax, h, lab, e in zip(axes.flat, histograms, labels, events):
        draw(ax, h, labels=lab, events=e, **options)
    for ax in axes.flat[n:]:
        ax.remove()
    return fig


def overlay_figure(groups, names, columns=None, panel=PANEL_INCHES, dpi=DPI, **options):
    """One overlay panel (with its ratio panel) per group of 1-D histograms
    [(histograms, labels, events), ...] of the files `names`."""
    n = len(groups)
    columns = columns or (1 if n == 1 else 2)
    rows = math.ceil(n / columns)
    fig = Figure(figsize=(panel[0] * columns, panel[1] * (1 + RATIO_SHARE) * rows), dpi=dpi, layout="constrained")
    grid = fig.add_gridspec(2 * rows, columns, height_ratios=[1, RATIO_SHARE] * rows)
    for k, (histograms, labels, events) in enumerate(groups):
        r, c = divmod(k, columns)
        ax = fig.add_subplot(grid[2 * r, c])
        ratio_ax = fig.add_subplot(grid[2 * r + 1, c], sharex=ax)
        draw_overlay(ax, ratio_ax, histograms, labels, names, events=events, **options)
    return fig


def _is_object_name(text):
    try:
        address(text)
    except KeyError:
        return False
    return True


def split_arguments(parser, items):
    """FILE [FILE...] ID [ID...]: the files come first, then the ids."""
    files = []
    for item in items:
        if _is_object_name(item) and files:
            break
        files.append(item)
    ids = items[len(files):]
    if not ids and len(files) > 1:
        try:
            address(files[-1])
        except KeyError as e:
            parser.error(f"argument ID: {e.args[0]} (the files come first, then the ids)")
    if not ids:
        parser.error("give at least one ID after the file(s)")
    for i in ids:
        try:
            object_name(i)
        except argparse.ArgumentTypeError as e:
            parser.error(f"argument ID: {e} (the files come first, then the ids)")
    return files, ids


def main(argv=None):
    parser = argparse.ArgumentParser(prog="hbook plot", description="Plot histograms and profiles of HBOOK files.",
                                     usage="hbook plot FILE [FILE...] ID [ID...] -o OUT [options]")
    parser.add_argument("items", metavar="FILE... ID...", nargs="+",
                        help="the file(s), then the ids: ID, or /DIR/ID in a subdirectory")
    parser.add_argument("-o", "--output", metavar="OUT", required=True, help="the figure: .png, .svg or .pdf")
    parser.add_argument("--overlay", action="store_true",
                        help="the files' histograms of each id in one panel, with their ratios to the first")
    parser.add_argument("--logy", action="store_true", help="a logarithmic y axis")
    parser.add_argument("--norm", choices=NORMS, help="unit area, or per incident neutron (the run's events)")
    parser.add_argument("--events", type=int, metavar="N", help="the events of the run(s) for --norm events")
    parser.add_argument("--no-errors", dest="errors", action="store_false", help="no error bars")
    parser.add_argument("--no-stats", dest="notes", action="store_false", help="no statistics box")
    args = parser.parse_args(argv)
    files, ids = split_arguments(parser, args.items)
    if os.path.splitext(args.output)[1].lower() not in FORMATS:
        parser.error(f"{args.output}: the output must end in {', '.join(FORMATS)}")
    if args.overlay and len(files) < 2:
        parser.error("--overlay needs two files or more")
    if args.events is not None and args.events < 1:
        parser.error("--events must be a positive number of events")
    try:
        opened = []
        for path in files:
            f = open_file(path)
            opened.append((path, f, RunFile.of(path, f)))
        options = dict(errors=args.errors, norm=args.norm, logy=args.logy)
        if args.overlay:
            groups = []
            for i in ids:
                histograms = [f[i] for _, f, _ in opened]
                for h in histograms:
                    _check_drawable(h)
                    if not isinstance(h, H1):
                        raise TypeError(f"object {i} is a {h.kind}: --overlay draws 1-D histograms")
                labels = [Labels.of(h, path, run) for h, (path, _, run) in zip(histograms, opened)]
                seeds = [str(run.seed) for _, _, run in opened if run is not None and run.seed is not None]
                labels[0].corner = f"id {i}" + (f"   seeds {', '.join(seeds)}" if seeds else "")
                events = [args.events or (run.events if run else None) for _, _, run in opened]
                groups.append((histograms, labels, events))
            names = [os.path.basename(path) for path, _, _ in opened]
            if len(set(names)) < len(names):
                names = files
            fig = overlay_figure(groups, names, **options)
        else:
            histograms, labels, events = [], [], []
            for path, f, run in opened:
                for i in ids:
                    histograms.append(f[i])
                    labels.append(Labels.of(f[i], path, run))
                    events.append(args.events or (run.events if run else None))
            fig = figure(histograms, labels=labels, notes=args.notes, events=events, **options)
        fig.savefig(args.output)
    except (FileError, KeyError, OSError, TypeError, ValueError) as e:
        return failed("hbook plot", e)
    return 0


if __name__ == "__main__":
    from .command import run
    run(main)

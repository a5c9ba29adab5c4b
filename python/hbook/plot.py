"""Figures of histograms with matplotlib (Agg: no display needed).

    hbook-plot FILE ID [ID...] -o OUT.png|OUT.svg|OUT.pdf
    (also `hbook plot ...`, `python3 -m hbook.plot ...`)

An ID names an object of the top directory, /DIR/SUB/ID one of a
subdirectory. One panel per object. A 1-D histogram: the contents as steps,
error bars where the file stores sums of squared weights, the title as the x
label, and entries, underflow, overflow, mean and RMS (as the package prints
them) above it. A cumulative histogram (the sampler's running sum, entries
-1) is drawn as the distribution it was made from and says so. A 2-D
histogram: its in-range cells as an image with a colour scale. A profile:
the mean per bin with its error. Ntuples are refused with a message (read
them in Python: hbook.open).
"""
import argparse
import math
import os
import sys

import matplotlib

matplotlib.use("Agg")
from matplotlib.figure import Figure  # noqa: E402  (after choosing the backend)

from . import FileError, H1, H2, Profile, open as open_file  # noqa: E402
from .file import address  # noqa: E402

FORMATS = (".png", ".svg", ".pdf")
PANEL_INCHES = (5.0, 3.5)
DPI = 100


def note(h):
    """The statistics line(s) shown above a panel."""
    if h.cumulative:
        s = h.increments().summary()
        return f"cumulative in the file (entries -1): steps shown\nmean {s.mean:.4g}   rms {s.rms:.4g}"
    s = h.summary()
    counts = f"entries {s.entries}   underflow {s.underflow:g}   overflow {s.overflow:g}"
    if s.no_entries:
        return counts + "\nno entries"
    return counts + f"\nmean {s.mean:.4g}   rms {s.rms:.4g}"


def draw(ax, h, notes=True):
    """One histogram or profile on a matplotlib Axes; notes: the statistics above it."""
    if isinstance(h, H2):
        return draw_2d(ax, h, notes)
    if isinstance(h, Profile):
        return draw_profile(ax, h, notes)
    shown = h.increments()
    edges = shown.edges.astype(float)
    ax.stairs(shown.contents, edges, color="C0", linewidth=1.0)
    if shown.sumw2 is not None:
        ax.errorbar(shown.centres, shown.contents, yerr=shown.errors, fmt="none", ecolor="C1", elinewidth=0.8)
    ax.set_xlim(edges[0], edges[-1])
    ax.set_xlabel(h.title.strip() or f"histogram {h.id}")
    ax.set_ylabel("fraction per bin" if h.cumulative else "contents per bin")
    ax.set_title(f"id {h.id}", loc="left", fontsize="medium", fontweight="bold")
    if notes:
        ax.set_title(note(h), loc="right", fontsize="small")


def draw_2d(ax, h, notes=True):
    """The in-range cells of a 2-D histogram as an image, y upwards."""
    mesh = ax.pcolormesh(h.xedges.astype(float), h.yedges.astype(float), h.contents, cmap="viridis")
    ax.figure.colorbar(mesh, ax=ax, label="contents per cell")
    ax.set_xlabel(h.title.strip() or f"histogram {h.id}")
    ax.set_ylabel("y")
    ax.set_title(f"id {h.id}", loc="left", fontsize="medium", fontweight="bold")
    if notes:
        outside = float(h.cells.sum(dtype=float) - h.contents.sum(dtype=float))
        ax.set_title(f"entries {h.entries}   in range {h.sum:g}\noutside the range {outside:g}",
                     loc="right", fontsize="small")


def draw_profile(ax, p, notes=True):
    """The mean of y per filled bin with its error (as the package's HI and HIE give them)."""
    filled = p.sum_w != 0  # a bin without fills has no mean
    ax.errorbar(p.centres[filled], p.means[filled], yerr=p.errors[filled], fmt="o", markersize=3, color="C0",
                ecolor="C1", elinewidth=0.8)
    ax.set_xlim(float(p.edges[0]), float(p.edges[-1]))
    ax.set_xlabel(p.title.strip() or f"profile {p.id}")
    ax.set_ylabel("mean y per bin")
    ax.set_title(f"id {p.id}", loc="left", fontsize="medium", fontweight="bold")
    if notes:
        ax.set_title(f"profile, entries {p.entries}\nerror option '{p.error_option}'", loc="right", fontsize="small")


def figure(histograms, columns=None, panel=PANEL_INCHES, dpi=DPI):
    """A figure with one panel per histogram or profile, `columns` wide (1
    for a single one, else 2). Other objects: TypeError."""
    n = len(histograms)
    if n == 0:
        raise ValueError("no histograms to plot")
    for h in histograms:
        if not isinstance(h, (H1, H2, Profile)):
            raise TypeError(f"object {h.id} is a {h.kind}: plot draws 1-D and 2-D histograms and profiles "
                            "(read ntuples in Python: hbook.open)")
    columns = columns or (1 if n == 1 else 2)
    rows = math.ceil(n / columns)
    fig = Figure(figsize=(panel[0] * columns, panel[1] * rows), dpi=dpi, layout="constrained")
    axes = fig.subplots(rows, columns, squeeze=False)
    for ax, h in zip(axes.flat, histograms):
        draw(ax, h)
    for ax in axes.flat[n:]:
        ax.remove()
    return fig


def object_name(text):
    """An ID or /DIR/ID argument, checked before the file is read."""
    try:
        address(text)
    except KeyError as e:
        raise argparse.ArgumentTypeError(e.args[0]) from None
    return text


def main(argv=None):
    parser = argparse.ArgumentParser(prog="hbook plot", description="Plot histograms and profiles of an HBOOK file.")
    parser.add_argument("file", metavar="FILE")
    parser.add_argument("ids", metavar="ID", nargs="+", type=object_name, help="ID, or /DIR/ID in a subdirectory")
    parser.add_argument("-o", "--output", metavar="OUT", required=True,
                        help="the figure: .png, .svg or .pdf")
    args = parser.parse_args(argv)
    if os.path.splitext(args.output)[1].lower() not in FORMATS:
        parser.error(f"{args.output}: the output must end in {', '.join(FORMATS)}")
    try:
        f = open_file(args.file)
        histograms = [f[i] for i in args.ids]
        figure(histograms).savefig(args.output)
    except (FileError, KeyError, OSError, TypeError) as e:
        message = e.args[0] if isinstance(e, KeyError) else str(e)
        print(f"hbook plot: {message}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())

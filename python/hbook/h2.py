"""H2: a 2-D histogram read from an HBOOK file, with its projections,
slices and bands. Read only: the writer writes 1-D histograms."""
from . import binning


class Projection:
    """A projection, slice or band booked with a 2-D histogram: a set of
    1-D channels over the x or y binning of its histogram.

    name       PROX, PROY, SLIX01.., SLIY01.., BANX01..
    channels   float32: underflow, bins 1..n, overflow
    contents   the n in-range channels (a view of channels)
    sumw2      float32 sums of squared weights of bins 1..n, or None
    low, high  the limits of a band (in y for an x band, in x for a y band);
               None for projections and slices
    """

    def __init__(self, d, n, low, high):
        self.name = d["name"]
        self.nbit = d["nbit"]
        self.entries = d["entries"]
        self.channels = d["channels"]
        self.contents = self.channels[1:-1]
        self.sumw2 = d["sumw2"]
        self.low, self.high = d["low"], d["high"]
        self.edges = binning.edges(n, low, high)

    @property
    def underflow(self):
        return float(self.channels[0])

    @property
    def overflow(self):
        return float(self.channels[-1])

    @property
    def errors(self):
        """float32: sqrt(sumw2) where stored, else sqrt(|contents|)."""
        return binning.errors(self.contents, self.sumw2)

    def __repr__(self):
        across = "y" if self.name.startswith("BANX") else "x"
        band = f", {across} {self.low:g}..{self.high:g}" if self.low is not None else ""
        return f"<Projection {self.name}: {len(self.contents)} bins{band}, entries {self.entries}>"


class H2:
    """A 2-D histogram: nx x ny equal cells over [xmin, xmax) x [ymin, ymax).

    Arrays are indexed [iy, ix], y first, as images and matplotlib's
    pcolormesh(xedges, yedges, contents) take them:
    cells      float32 (ny + 2, nx + 2): row iy = 0 and column ix = 0 are
               the underflow, row ny + 1 and column nx + 1 the overflow
    contents   float32 (ny, nx): the in-range cells (a view of cells)
    sumw2      float32 (ny, nx) sums of squared weights (HBAR2), or None
    errors     float32 (ny, nx): sqrt(sumw2) where stored, else sqrt(|contents|)
    xedges, yedges   float32 bin edges, as for a 1-D histogram
    sum        the in-range sum as the package's HSUM adds it (float32)
    projection_x, projection_y   Projection or None
    slices_x, slices_y, bands_x, bands_y  lists of Projection (a slice
               along x is binned in x; a band along x covers low <= y < high
               and is binned in x, a band along y covers low <= x < high)
    entries, nbit (bits per cell; 32 for floats), scale, kbits, table
    """

    kind = "2-D histogram"
    directory = None

    @classmethod
    def _from_core(cls, d):
        h = cls()
        for name in ("id", "title", "kbits", "nx", "xmin", "xmax", "ny", "ymin", "ymax", "scale", "entries",
                     "nbit", "cells", "sumw2", "sum"):
            setattr(h, name, d[name])
        h.contents = h.cells[1:-1, 1:-1]
        h.xedges = binning.edges(h.nx, h.xmin, h.xmax)
        h.yedges = binning.edges(h.ny, h.ymin, h.ymax)
        x, y = (h.nx, h.xmin, h.xmax), (h.ny, h.ymin, h.ymax)
        proj_x, proj_y = ([Projection(p, *x) for p in d["projections_x"]],
                          [Projection(p, *y) for p in d["projections_y"]])
        h.projection_x = proj_x[0] if proj_x else None
        h.projection_y = proj_y[0] if proj_y else None
        h.slices_x = [Projection(p, *x) for p in d["slices_x"]]
        h.slices_y = [Projection(p, *y) for p in d["slices_y"]]
        h.bands_x = [Projection(p, *x) for p in d["bands_x"]]
        h.bands_y = [Projection(p, *y) for p in d["bands_y"]]
        return h

    @property
    def table(self):
        """True for a table (HTABLE) rather than a histogram."""
        return bool(self.kbits & 0x4)

    @property
    def errors(self):
        return binning.errors(self.contents, self.sumw2)

    def __repr__(self):
        return (f"<H2 {self.id} {self.title!r}: {self.nx} x {self.ny} bins {self.xmin:g}..{self.xmax:g} x "
                f"{self.ymin:g}..{self.ymax:g}, entries {self.entries}>")

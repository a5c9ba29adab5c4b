"""H2: a 2-D histogram of equal cells as an HBOOK file holds it, with its
projections, slices and bands."""
import numpy as np

from . import binning

# Header bits (KBITS) of a 2-D histogram: bit 2 a scatter plot, bit 3 a table.
SCATTER = 0x2
TABLE = 0x4


class Projection:
    """A projection, slice or band booked with a 2-D histogram: a set of
    1-D channels over the x or y binning of its histogram.

    name       PROX, PROY, SLIX01.., SLIY01.., BANX01.., BANY01..
    channels   float32: underflow, bins 1..n, overflow
    contents   the n in-range channels (a view of channels)
    sumw2      float32 sums of squared weights of bins 1..n, or None
    low, high  the limits of a band (in y for an x band, in x for a y band);
               None for projections and slices
    nbit       bits per channel (32: floats; fewer: packed counts)
    """

    def __init__(self, name, channels, *, sumw2=None, entries=0, nbit=32, low=None, high=None, edges=None):
        self.name = str(name)
        self.channels = np.array(channels, dtype=np.float32)
        self.contents = self.channels[1:-1]
        self.sumw2 = None if sumw2 is None else np.array(sumw2, dtype=np.float32)
        self.entries = int(entries)
        self.nbit = int(nbit)
        self.low = None if low is None else float(np.float32(low))
        self.high = None if high is None else float(np.float32(high))
        self.edges = edges

    @classmethod
    def _from_core(cls, d, n, low, high):
        return cls(d["name"], d["channels"], sumw2=d["sumw2"], entries=d["entries"], nbit=d["nbit"], low=d["low"],
                   high=d["high"], edges=binning.edges(n, low, high))

    def _to_core(self):
        return {"name": self.name, "nbit": self.nbit, "entries": self.entries, "channels": self.channels,
                "sumw2": self.sumw2, "low": self.low, "high": self.high}

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

    H2(id, title, nx, xmin, xmax, ny, ymin, ymax, contents) makes one to
    write: contents (ny, nx) or, with the under/overflow ring, cells
    (ny + 2, nx + 2); entries left out: one per in-range cell.
    to_numpy(), values(), variances() and axes follow numpy.histogram2d and
    the plotting protocol: indexed [ix, iy], x first.
    """

    kind = "2-D histogram"
    directory = None

    def __init__(self, id, title, nx, xmin, xmax, ny, ymin, ymax, contents=None, *, cells=None, sumw2=None,
                 entries=None):
        self.id, self.title, self.nx, self.ny = int(id), str(title), int(nx), int(ny)
        if self.nx < 1 or self.ny < 1:
            raise ValueError(f"2-D histogram {self.id}: {self.nx} x {self.ny} bins")
        self.xmin, self.xmax = float(np.float32(xmin)), float(np.float32(xmax))
        self.ymin, self.ymax = float(np.float32(ymin)), float(np.float32(ymax))
        self.kbits, self.scale, self.nbit = SCATTER, 0.0, 32
        if cells is not None and contents is not None:
            raise ValueError(f"2-D histogram {self.id}: give contents or cells, not both")
        if cells is None:
            self.cells = np.zeros((self.ny + 2, self.nx + 2), dtype=np.float32)
            if contents is not None:
                self.cells[1:-1, 1:-1] = self._shaped(contents, (self.ny, self.nx), "contents")
        else:
            self.cells = self._shaped(cells, (self.ny + 2, self.nx + 2), "cells")
        self.sumw2 = None if sumw2 is None else self._shaped(sumw2, (self.ny, self.nx), "sumw2")
        self.entries = int(entries if entries is not None else (0 if contents is None and cells is None else self.nx * self.ny))
        self.projection_x = self.projection_y = None
        self.slices_x, self.slices_y, self.bands_x, self.bands_y = [], [], [], []
        self._derived()

    def _shaped(self, values, shape, what):
        a = np.array(values, dtype=np.float32)
        if a.shape != shape:
            raise ValueError(f"2-D histogram {self.id}: {what} has shape {a.shape}, expected {shape} (ny, nx)")
        return a

    def _derived(self):
        self.contents = self.cells[1:-1, 1:-1]
        self.xedges = binning.edges(self.nx, self.xmin, self.xmax)
        self.yedges = binning.edges(self.ny, self.ymin, self.ymax)

    @classmethod
    def _from_core(cls, d):
        h = cls.__new__(cls)
        for name in ("id", "title", "kbits", "nx", "xmin", "xmax", "ny", "ymin", "ymax", "scale", "entries",
                     "nbit", "cells", "sumw2"):
            setattr(h, name, d[name])
        h._derived()
        x, y = (h.nx, h.xmin, h.xmax), (h.ny, h.ymin, h.ymax)
        proj_x = [Projection._from_core(p, *x) for p in d["projections_x"]]
        proj_y = [Projection._from_core(p, *y) for p in d["projections_y"]]
        h.projection_x = proj_x[0] if proj_x else None
        h.projection_y = proj_y[0] if proj_y else None
        h.slices_x = [Projection._from_core(p, *x) for p in d["slices_x"]]
        h.slices_y = [Projection._from_core(p, *y) for p in d["slices_y"]]
        h.bands_x = [Projection._from_core(p, *x) for p in d["bands_x"]]
        h.bands_y = [Projection._from_core(p, *y) for p in d["bands_y"]]
        return h

    def _to_core(self):
        def listed(p):
            return [] if p is None else [p._to_core()]
        return {"id": self.id, "title": self.title, "kbits": self.kbits, "nx": self.nx, "xmin": self.xmin,
                "xmax": self.xmax, "ny": self.ny, "ymin": self.ymin, "ymax": self.ymax, "scale": self.scale,
                "entries": self.entries, "nbit": self.nbit, "cells": self._shaped(self.cells, (self.ny + 2, self.nx + 2), "cells"),
                "sumw2": None if self.sumw2 is None else self._shaped(self.sumw2, (self.ny, self.nx), "sumw2"),
                "projections_x": listed(self.projection_x), "projections_y": listed(self.projection_y),
                "slices_x": [p._to_core() for p in self.slices_x], "slices_y": [p._to_core() for p in self.slices_y],
                "bands_x": [p._to_core() for p in self.bands_x], "bands_y": [p._to_core() for p in self.bands_y]}

    @property
    def sum(self):
        """The in-range sum as HSUM adds it: cell after cell in single
        precision, iy fastest, from ix = 1."""
        flat = self.contents.T.ravel()
        return np.float32(np.cumsum(flat, dtype=np.float32)[-1]) if flat.size else np.float32(0)

    @property
    def table(self):
        """True for a table (HTABLE) rather than a histogram."""
        return bool(self.kbits & TABLE)

    @property
    def errors(self):
        return binning.errors(self.contents, self.sumw2)

    def to_numpy(self):
        """(contents, xedges, yedges) as numpy.histogram2d returns them: contents
        indexed [ix, iy]; float32 copies."""
        return self.contents.T.copy(), self.xedges.copy(), self.yedges.copy()

    def values(self):
        """The in-range cells indexed [ix, iy] (x first, as the axes)."""
        return self.contents.T

    def variances(self):
        return (self.sumw2 if self.sumw2 is not None else np.abs(self.contents)).T

    def counts(self):
        if self.sumw2 is None:
            return self.values()
        return binning.effective_counts(self.contents, self.sumw2).T

    @property
    def axes(self):
        return (binning.Axis(self.xedges, "x"), binning.Axis(self.yedges, "y"))

    def __repr__(self):
        return (f"<H2 {self.id} {self.title!r}: {self.nx} x {self.ny} bins {self.xmin:g}..{self.xmax:g} x "
                f"{self.ymin:g}..{self.ymax:g}, entries {self.entries}>")

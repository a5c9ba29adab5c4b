"""H1: a 1-D histogram of equal bins, as an HBOOK file holds it."""
import numpy as np

from . import _core, binning

# Header words a file carries that Python users rarely touch; kept so that a
# histogram read and written again keeps them.
_PASSED_THROUGH = ("kbits", "minimum", "maximum", "norm", "stat_sum_w", "stat_sum_w2",
                   "stat_sum_wx", "stat_sum_wx2", "read_from_file", "nbit")


class H1:
    """A 1-D histogram: nx bins from xmin to xmax, equal ones unless `edges`
    gives the nx + 1 edges of variable bins (HBOOKB).

    contents   float32 array of the nx bin contents
    underflow, overflow   contents below xmin and at or above xmax
    sumw2      float32 array of the sums of squared weights, or None when
               the file stores none (then errors are sqrt(|contents|))
    entries    number of fills; -1 when the sampler (HRNDM1) has replaced
               the contents by their normalised running sum (`cumulative`).
               Left out: nx when contents are given (one fill per bin, as
               `hbook make` counts them), else 0.
    edges      float32 bin edges: xmin + i * width for equal bins, or the
               variable edges given (then xmin and xmax are their ends)
    variable   True for variable bins
    """

    kind = "1-D histogram"
    directory = None  # the path of the directory holding it, for one read from a file

    def __init__(self, id, title, nx, xmin, xmax, contents=None, *, underflow=0.0,
                 overflow=0.0, sumw2=None, entries=None, edges=None):
        self.id = int(id)
        self.title = str(title)
        self.nx = int(nx)
        if self.nx < 1:
            raise ValueError(f"histogram {self.id}: number of bins {self.nx} is not positive")
        # The file stores the edges in single precision.
        self.xmin = float(np.float32(xmin))
        self.xmax = float(np.float32(xmax))
        self._edges = None if edges is None else self._variable_edges(edges)
        self.contents = self._bins(np.zeros(self.nx) if contents is None else contents, "contents")
        self.sumw2 = None if sumw2 is None else self._bins(sumw2, "sumw2")
        self.underflow = float(np.float32(underflow))
        self.overflow = float(np.float32(overflow))
        self.entries = int(entries if entries is not None else (0 if contents is None else self.nx))
        self._header = {}

    def _bins(self, values, what):
        array = np.array(values, dtype=np.float32)
        if array.shape != (self.nx,):
            raise ValueError(f"histogram {self.id}: {what} has shape {array.shape}, "
                             f"expected ({self.nx},)")
        return array

    def _variable_edges(self, values):
        e = np.array(values, dtype=np.float32)
        if e.shape != (self.nx + 1,):
            raise ValueError(f"histogram {self.id}: edges have shape {e.shape}, expected ({self.nx + 1},)")
        if not np.all(e[1:] > e[:-1]):
            raise ValueError(f"histogram {self.id}: edges do not increase")
        if (e[0], e[-1]) != (np.float32(self.xmin), np.float32(self.xmax)):
            raise ValueError(f"histogram {self.id}: edges run from {e[0]} to {e[-1]}, not xmin {self.xmin} to xmax {self.xmax}")
        return e

    @classmethod
    def _from_core(cls, c):
        channels = c.channels
        h = cls(c.id, c.title, c.nx, c.xmin, c.xmax, channels[1:-1],
                underflow=channels[0], overflow=channels[-1], sumw2=c.sumw2, entries=c.entries)
        h._edges = c.edges  # as the file holds them
        h._header = {name: getattr(c, name) for name in _PASSED_THROUGH}
        # Written again, it keeps the file's marking (every histogram read
        # is read from a file; only a program's inputs were marked so).
        h._header["read_from_file"] = c.marked_as_read
        return h

    def _to_core(self):
        c = _core.Histogram()
        for name, value in self._header.items():
            setattr(c, name, value)
        c.id, c.title, c.nx, c.xmin, c.xmax, c.entries = (
            self.id, self.title, self.nx, self.xmin, self.xmax, self.entries)
        contents = self._bins(self.contents, "contents")
        c.channels = np.concatenate(([self.underflow], contents, [self.overflow])).astype(np.float32)
        c.sumw2 = None if self.sumw2 is None else self._bins(self.sumw2, "sumw2")
        c.edges = self._edges
        return c

    @property
    def width(self):
        """The bin width, (xmax - xmin) / nx in single precision (the mean
        width of variable bins, as the package prints it)."""
        return np.float32(np.float32(self.xmax) - np.float32(self.xmin)) / np.float32(self.nx)

    @property
    def variable(self):
        return self._edges is not None

    @property
    def edges(self):
        """nx + 1 bin edges (float32): xmin + i * width, the last one xmax,
        or the variable edges."""
        if self._edges is not None:
            return self._edges.copy()
        return binning.edges(self.nx, self.xmin, self.xmax)

    @property
    def centres(self):
        return binning.centres(self.edges)

    @property
    def errors(self):
        """Bin errors (float32): sqrt(sumw2) where stored, else sqrt(|contents|)."""
        return binning.errors(self.contents, self.sumw2)

    @property
    def cumulative(self):
        """True when the contents are the sampler's running sum, not a distribution."""
        return self.entries == -1

    # The conventions of numpy and of the plotting protocol of the scientific
    # Python histogram libraries.
    def to_numpy(self):
        """(contents, edges), as numpy.histogram returns them for single-precision
        weights: float32 copies."""
        return self.contents.copy(), self.edges.copy()

    def values(self):
        """The bin contents (float32)."""
        return self.contents

    def variances(self):
        """Per bin the variance of the content: the sum of squared weights where
        stored, else |content| (HBOOK's error squared)."""
        return self.sumw2 if self.sumw2 is not None else np.abs(self.contents)

    def counts(self):
        """Entries per bin: the contents, or what weighted fills are worth
        (contents^2 / sum of squared weights) where errors are stored."""
        if self.sumw2 is None:
            return self.contents
        return binning.effective_counts(self.contents, self.sumw2)

    @property
    def axes(self):
        return (binning.Axis(self.edges, self.title),)

    def summary(self):
        """Entries, in-range sum, under/overflow, bin width, mean and RMS as
        the package prints them (computed by the C++ layer)."""
        return _core.summarise(self._to_core())

    def increments(self):
        """For a cumulative histogram, the normalised distribution it was made
        from (steps of the running sum); otherwise the histogram itself."""
        if not self.cumulative:
            return self
        return H1._from_core(_core.increments(self._to_core()))

    def __repr__(self):
        note = ", cumulative" if self.cumulative else ""
        bins = "variable bins" if self.variable else "bins"
        return (f"<H1 {self.id} {self.title!r}: {self.nx} {bins} {self.xmin:g}..{self.xmax:g}, "
                f"entries {self.entries}{note}>")

"""Profile: a 1-D profile histogram (HBPROF) as an HBOOK file holds it."""
import numpy as np

from . import _core, binning

# Status bits 1-2 of the w*y^2 bank: the error option given to HBPROF; bit 3: option P.
ERROR_OPTIONS = {0: " ", 1: "S", 2: "I"}
OPTION_P = 0x4


def error_status(option):
    """The status bits of an error option ' ', 'S', 'I', 'P', 'SP', 'IP'."""
    option = option.upper().strip()
    base = option.replace("P", "")
    if base not in ("", "S", "I") or option.count("P") > 1:
        raise ValueError(f"error option {option!r}: ' ', 'S' or 'I', optionally with 'P'")
    return {"": 0, "S": 1, "I": 2}[base] | (OPTION_P if "P" in option else 0)


class Profile:
    """Per bin of x the mean of y and its error, from the stored sums.

    sum_wy, sum_wy2, sum_w   float32 sums of w*y, w*y^2 and w of bins 1..nx
               (with option P sum_wy2 holds the sums of squared deviations
               from the running mean, as the package stores them)
    sum_wy_channels   float32 sums of w*y of channels 0..nx+1: channels 0 and
               nx+1 hold what fills outside the x range left there, as stored
    means, errors     float32 per bin, as the package's HI and HIE return
               them (computed by the C++ layer): the error is the spread
               divided by sqrt(sum of w), or the spread itself with option S
    error_option      ' ', 'S', 'I', 'P', 'SP' or 'IP', as given to HBPROF
    edges, centres, nx, xmin, xmax, ymin, ymax (the y range booked), entries

    Profile(id, title, nx, xmin, xmax, ymin, ymax, sum_wy=, sum_wy2=, sum_w=)
    makes one to write. values() are the means, variances() the squared
    errors, counts() the sums of w (the plotting protocol).
    """

    kind = "profile histogram"
    directory = None

    def __init__(self, id, title, nx, xmin, xmax, ymin, ymax, *, sum_wy, sum_wy2, sum_w, entries=None,
                 error_option=" ", underflow=0.0, overflow=0.0):
        self.id, self.title, self.nx = int(id), str(title), int(nx)
        if self.nx < 1:
            raise ValueError(f"profile {self.id}: number of bins {self.nx} is not positive")
        self.xmin, self.xmax = float(np.float32(xmin)), float(np.float32(xmax))
        self.ymin, self.ymax = float(np.float32(ymin)), float(np.float32(ymax))
        self.kbits = 0x181
        self.error_status = error_status(error_option)
        bins = [self._bins(v, what) for v, what in ((sum_wy, "sum_wy"), (sum_wy2, "sum_wy2"), (sum_w, "sum_w"))]
        self.sum_wy_channels = np.concatenate(([underflow], bins[0], [overflow])).astype(np.float32)
        self.sum_wy2, self.sum_w = bins[1], bins[2]
        self.entries = int(entries if entries is not None else round(float(self.sum_w.sum(dtype=np.float64))))
        self._derived()
        self.means, self.errors = _core.profile_values(self._to_core())

    def _bins(self, values, what):
        a = np.array(values, dtype=np.float32)
        if a.shape != (self.nx,):
            raise ValueError(f"profile {self.id}: {what} has shape {a.shape}, expected ({self.nx},)")
        return a

    def _derived(self):
        self.sum_wy = self.sum_wy_channels[1:-1]
        self.error_option = ERROR_OPTIONS[self.error_status & 0x3].strip() + ("P" if self.error_status & OPTION_P else "")
        self.error_option = self.error_option or " "
        self.edges = binning.edges(self.nx, self.xmin, self.xmax)

    @classmethod
    def _from_core(cls, d):
        p = cls.__new__(cls)
        for name in ("id", "title", "kbits", "nx", "xmin", "xmax", "ymin", "ymax", "entries", "error_status",
                     "error_option", "sum_wy2", "sum_w", "means", "errors"):
            setattr(p, name, d[name])
        p.sum_wy_channels = d["sum_wy"]
        p._derived()
        return p

    def _to_core(self):
        return {"id": self.id, "title": self.title, "kbits": self.kbits, "nx": self.nx, "xmin": self.xmin,
                "xmax": self.xmax, "ymin": self.ymin, "ymax": self.ymax, "entries": self.entries,
                "error_status": self.error_status, "sum_wy": self.sum_wy_channels, "sum_wy2": self.sum_wy2,
                "sum_w": self.sum_w}

    @property
    def centres(self):
        return binning.centres(self.edges)

    def to_numpy(self):
        """(means, edges): float32 copies."""
        return self.means.copy(), self.edges.copy()

    def values(self):
        return self.means

    def variances(self):
        return np.square(self.errors)

    def counts(self):
        return self.sum_w

    @property
    def axes(self):
        return (binning.Axis(self.edges, self.title),)

    def __repr__(self):
        option = f", option {self.error_option}" if self.error_option != " " else ""
        return (f"<Profile {self.id} {self.title!r}: {self.nx} bins {self.xmin:g}..{self.xmax:g}, "
                f"y {self.ymin:g}..{self.ymax:g}, entries {self.entries}{option}>")

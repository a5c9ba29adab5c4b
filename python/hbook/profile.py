"""Profile: a 1-D profile histogram (HBPROF) read from an HBOOK file. Read
only: the writer writes 1-D histograms."""
from . import binning

# Status bits 1-2 of the w*y^2 bank: the error option given to HBPROF.
ERROR_OPTIONS = {0: " ", 1: "S", 2: "I"}


class Profile:
    """Per bin of x the mean of y and its error, from the stored sums.

    sum_wy, sum_wy2, sum_w   float32 sums of w*y, w*y^2 and w of bins 1..nx
    sum_wy_channels   float32 sums of w*y of channels 0..nx+1: channels 0 and
               nx+1 hold what fills outside the x range left there, as stored
    means, errors     float32 per bin, as the package's HI and HIE return
               them (computed by the C++ layer): the error is the spread
               divided by sqrt(sum of w), or the spread itself with option S
    error_option      ' ', 'S' or 'I', as given to HBPROF
    edges, centres, nx, xmin, xmax, ymin, ymax (the y range booked), entries
    """

    kind = "profile histogram"
    directory = None

    @classmethod
    def _from_core(cls, d):
        p = cls()
        for name in ("id", "title", "kbits", "nx", "xmin", "xmax", "ymin", "ymax", "entries", "error_status",
                     "sum_wy2", "sum_w", "means", "errors"):
            setattr(p, name, d[name])
        p.sum_wy_channels = d["sum_wy"]
        p.sum_wy = p.sum_wy_channels[1:-1]
        p.error_option = ERROR_OPTIONS[p.error_status & 0x3]
        p.edges = binning.edges(p.nx, p.xmin, p.xmax)
        return p

    @property
    def centres(self):
        return binning.centres(self.edges)

    def __repr__(self):
        option = f", option {self.error_option}" if self.error_option != " " else ""
        return (f"<Profile {self.id} {self.title!r}: {self.nx} bins {self.xmin:g}..{self.xmax:g}, "
                f"y {self.ymin:g}..{self.ymax:g}, entries {self.entries}{option}>")

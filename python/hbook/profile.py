"""Profile: a 1-D profile histogram (HBPROF) read from an HBOOK file. Read
only: the writer writes 1-D histograms."""
from . import binning


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
    """

    kind = "profile histogram"
    directory = None

    @classmethod
    def _from_core(cls, d):
        p = cls()
        for name in ("id", "title", "kbits", "nx", "xmin", "xmax", "ymin", "ymax", "entries", "error_status",
                     "error_option", "sum_wy2", "sum_w", "means", "errors"):
            setattr(p, name, d[name])
        p.sum_wy_channels = d["sum_wy"]
        p.sum_wy = p.sum_wy_channels[1:-1]
        p.edges = binning.edges(p.nx, p.xmin, p.xmax)
        return p

    @property
    def centres(self):
        return binning.centres(self.edges)

    def __repr__(self):
        option = f", option {self.error_option}" if self.error_option != " " else ""
        return (f"<Profile {self.id} {self.title!r}: {self.nx} bins {self.xmin:g}..{self.xmax:g}, "
                f"y {self.ymin:g}..{self.ymax:g}, entries {self.entries}{option}>")

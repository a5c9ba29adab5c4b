"""Equal bins as HBOOK stores them: edges and errors in single precision."""
import numpy as np


def edges(n, low, high):
    """n + 1 bin edges (float32): low + i * width with the width
    (high - low) / n in single precision, the last edge high itself."""
    low, high = np.float32(low), np.float32(high)
    width = np.float32(high - low) / np.float32(n)
    out = np.empty(n + 1, dtype=np.float32)
    out[:-1] = low + np.arange(n, dtype=np.float32) * width
    out[-1] = high
    return out


def centres(edges):
    """Bin centres (float64) from float32 edges."""
    e = np.asarray(edges, dtype=np.float64)
    return 0.5 * (e[:-1] + e[1:])


def errors(contents, sumw2):
    """Bin errors (float32): sqrt(sumw2) where stored, else sqrt(|contents|)."""
    if sumw2 is not None:
        return np.sqrt(sumw2)
    return np.sqrt(np.abs(contents))


class Traits:
    """What the plotting protocol asks of an axis beyond its edges: HBOOK
    axes are neither circular nor discrete."""
    circular = False
    discrete = False

    def __repr__(self):
        return "Traits()"


class Axis:
    """One axis of a histogram in the plotting protocol of the scientific
    Python histogram libraries: len(axis) bins, axis[i] the (low, high)
    edges of bin i, iteration over those pairs, `edges` (float32, as the file
    stores them), `centers`, `label` and `traits`."""

    traits = Traits()

    def __init__(self, edges, label=""):
        self.edges = np.asarray(edges)
        self.label = label

    @property
    def centers(self):
        return centres(self.edges)

    def __len__(self):
        return len(self.edges) - 1

    def __getitem__(self, index):
        i = range(len(self))[index]
        return float(self.edges[i]), float(self.edges[i + 1])

    def __iter__(self):
        return (self[i] for i in range(len(self)))

    def __eq__(self, other):
        return isinstance(other, Axis) and np.array_equal(self.edges, other.edges)

    def __repr__(self):
        return f"<Axis {len(self)} bins {float(self.edges[0]):g}..{float(self.edges[-1]):g}>"


def effective_counts(values, variances):
    """Entries a bin's weights are worth, values^2 / variances (the counts
    themselves where the variances equal the values)."""
    values = np.asarray(values, dtype=np.float64)
    variances = np.asarray(variances, dtype=np.float64)
    with np.errstate(divide="ignore", invalid="ignore"):
        return np.where(variances > 0, values * values / np.where(variances > 0, variances, 1), 0.0)

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

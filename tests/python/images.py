"""Looking at rendered images: blankness and the framed panels they show."""
import numpy as np
from PIL import Image


def read_rgb(source):
    """An image file (path or file object) as 8-bit RGB."""
    with Image.open(source) as image:
        return np.asarray(image.convert("RGB"))


def ink_fraction(rgb):
    """Fraction of pixels that differ from the most common colour (the background)."""
    codes = rgb.reshape(-1, 3).astype(np.int32) @ np.array([65536, 256, 1])
    return float(np.mean(codes != np.bincount(codes).argmax()))


def frame_lines(rgb, min_length):
    """Dark horizontal lines at least min_length long (axes spines), a line a
    few pixels thick counted once: a framed panel has two."""
    count, previous = 0, []
    for row in rgb.max(axis=2) < 80:
        d = np.diff(np.concatenate(([0], row.astype(np.int8), [0])))
        runs = [(s, e) for s, e in zip(np.flatnonzero(d == 1), np.flatnonzero(d == -1)) if e - s >= min_length]
        count += sum(not any(min(e, e2) - max(s, s2) > (e - s) // 2 for s2, e2 in previous) for s, e in runs)
        previous = runs
    return count

"""Looking at rendered images: size, blankness, and the panels (axes frames)
a figure shows."""
import numpy as np
from PIL import Image


def read_rgb(source):
    """An image file (path or file object) as an array of 8-bit RGB."""
    with Image.open(source) as image:
        return np.asarray(image.convert("RGB"))


def ink_fraction(rgb):
    """Fraction of pixels that differ from the most common colour (the background)."""
    flat = rgb.reshape(-1, 3).astype(np.int32)
    codes = flat[:, 0] * 65536 + flat[:, 1] * 256 + flat[:, 2]
    background = np.bincount(codes).argmax()
    return float(np.mean(codes != background))


def horizontal_frame_lines(rgb, min_length):
    """Dark horizontal lines at least min_length pixels long (axes spines),
    a line a few pixels thick counted once: a panel has two."""
    dark = rgb.max(axis=2) < 80
    count = 0
    previous = []
    for row in dark:
        d = np.diff(np.concatenate(([0], row.astype(np.int8), [0])))
        runs = [(s, e) for s, e in zip(np.flatnonzero(d == 1), np.flatnonzero(d == -1)) if e - s >= min_length]
        for s, e in runs:
            if not any(min(e, e2) - max(s, s2) > (e - s) // 2 for s2, e2 in previous):
                count += 1
        previous = runs
    return count

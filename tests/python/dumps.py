"""The reference dumps of tests/data/hbook (the package's own reading of each
file) parsed into plain values: per histogram id, the header fields and the
bins as float32 arrays."""
import numpy as np


def f32(hexbits):
    return np.array([int(hexbits, 16)], dtype=np.uint32).view(np.float32)[0]


def parse(text):
    """{id: {"title", "nbins", "xmin", "xmax", "entries", "underflow",
    "overflow", "low", "content", "error"}}, with the 1-D histogram count."""
    histograms = {}
    count = None
    h = None
    for line in text.splitlines():
        t = line.split()
        if not t:
            continue
        if t[0] == "NHIST1D":
            count = int(t[1])
        elif t[0] == "ID":
            h = {"low": [], "content": [], "error": []}
            histograms[int(t[1])] = h
        elif t[0] == "TITLE":
            h["title"] = line[len('TITLE "'):-1]
        elif t[0] == "NBINS":
            h["nbins"] = int(t[1])
        elif t[0] in ("XMIN", "XMAX", "UNDERFLOW", "OVERFLOW"):
            h[t[0].lower()] = f32(t[2])
        elif t[0] == "ENTRIES":
            h["entries"] = int(t[1])
        elif t[0] == "BIN":
            # Printed with 9 significant digits: each reads back as its float.
            h["low"].append(np.float32(float(t[2])))
            h["content"].append(f32(t[5]))
            h["error"].append(np.float32(float(t[4])))
    for h in histograms.values():
        for key in ("low", "content", "error"):
            h[key] = np.array(h[key], dtype=np.float32)
    return count, histograms

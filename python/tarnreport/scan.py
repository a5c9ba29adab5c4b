"""A scan made by `tarn scan`: its manifest (scan.toml), the run of each
point, and its table of the parameters against the nine figures with their
errors, as a numpy structured array.

    from tarnreport import scan
    s = scan.load("scan")                 # the scan's folder
    s.keys, s.scanned                     # the keys set, those that take several values
    t = s.table                           # one row per point done
    t["cells.length"], t["frac_scat_tar1"], t["frac_scat_tar1_error"]
    t = scan.read_table("scan/scan.csv")  # the same array from the CSV tarn-report wrote
    s.beamline(0)                         # point 1's beamline as a dict (tarnreport.beamline)

Columns, in order: point (1, 2, ...), folder, one per key set (in the key's
unit: lengths cm, temperature K, critical angles and the cone rad/Å,
wavelengths Å; a helium half "right" or "left"), the run's exact counters
(nEvents, nTar1In, nScatTar1, nTar2In, nScatTar2, nLowEnergy, nTar1ToTar2,
nDetIn, nScatAtDet, nDetEChanged, nNoTransfer), then for each figure of
FIGURES its value and NAME_error (binomial standard error), NAME_low and
NAME_high (the 68.3% Wilson score interval), from the exact counts
(tarnreport.binomial). A fraction is k of its n; a count (n_scat_at_det,
n_det_e_changed) is k of the run's events, its error that of k / n times n.
"""
import csv
import glob
import os
import tomllib
from dataclasses import dataclass, field

import numpy as np

from . import beamline, binomial, runlog

MANIFEST = "scan.toml"
TABLE = "scan.csv"
PLOT = "scan.png"
PAGE = "scan.html"


@dataclass(frozen=True)
class Figure:
    name: str          # the table's column
    label: str         # the report's words
    numerator: str     # counters of the exact counts line
    denominator: str
    count: bool = False


# The nine figures in the report's order (the program's table is
# FIGURE_TABLE, sim/transport/run/report.cpp; the tests check these against
# the figures each point's log prints).
FIGURES = (
    Figure("frac_scat_tar1", "Frac # of scatters tar1", "nScatTar1", "nTar1In"),
    Figure("frac_scat_tar2", "Frac # of scatters tar2", "nScatTar2", "nTar2In"),
    Figure("frac_low_energy", "Fraction of cases where En < 1 meV", "nLowEnergy", "nEvents"),
    Figure("frac_tar1_to_tar2", "Frac num of tar1 entering tar2", "nTar1ToTar2", "nTar1In"),
    Figure("n_scat_at_det", "Number of scattered reaching det", "nScatAtDet", "nEvents", count=True),
    Figure("frac_scat_at_det", "Frac of scat of total reaching det", "nScatAtDet", "nEvents"),
    Figure("frac_det_scattered", "Frac of det hits that were scattered", "nScatAtDet", "nDetIn"),
    Figure("n_det_e_changed", "Number of det hits with Ef.ne.Ei", "nDetEChanged", "nEvents", count=True),
    Figure("frac_det_e_changed", "Frac of det hits that were scattered with Ef.ne.Ei", "nDetEChanged", "nDetIn"),
)
COUNTERS = ("nEvents", "nTar1In", "nScatTar1", "nTar2In", "nScatTar2", "nLowEnergy", "nTar1ToTar2", "nDetIn",
            "nScatAtDet", "nDetEChanged", "nNoTransfer")
ERROR_SUFFIXES = ("_error", "_low", "_high")


class ScanError(OSError):
    """A folder that is not a scan, or a point's run that is not what the manifest says."""


@dataclass
class Point:
    number: int
    folder: str        # the folder's name in the scan's folder
    sets: list         # ["cells.length=30", ...]
    values: list       # in the keys' units, or "right"/"left"
    digest: str
    log: str = None    # the finished run's log, None while the point is not done
    counts: dict = None


@dataclass
class Scan:
    directory: str
    manifest: dict
    keys: list                 # the keys set, in the command's order
    units: list
    scanned: list              # the keys that take more than one value
    points: list               # Point, in the scan's order
    table: np.ndarray = None   # a row per point done
    missing: list = field(default_factory=list)   # the points not done

    def beamline(self, i):
        """Point i's beamline (from 0) as a dict: the base file, then its sets."""
        base = self.manifest.get("beamline") or None
        return beamline.load(base, sets=self.points[i].sets)

    def base_beamline(self):
        return beamline.load(self.manifest.get("beamline") or None)


def _finished_log(directory, point, manifest):
    """The log of the point's finished run, parsed; None when it has none."""
    for path in sorted(glob.glob(os.path.join(directory, point.folder, "tarn-*.o")), key=os.path.getmtime, reverse=True):
        log = runlog.parse(path)
        if len(log.figures) < len(FIGURES) or not log.exact:
            continue
        digest = log.beamline_digest or beamline.digest(beamline.shipped())
        if digest != point.digest or log.seed != manifest["seed"] or log.exact["nEvents"] != manifest["events"]:
            raise ScanError(f"{path}: not the run of point {point.number} ({point.folder}) of the scan")
        if log.histogram_file and not os.path.exists(os.path.join(directory, point.folder, log.histogram_file)):
            continue
        return log
    return None


def load(directory):
    """The scan in `directory` (its scan.toml and the logs of its points)."""
    path = os.path.join(directory, MANIFEST)
    try:
        with open(path, "rb") as f:
            manifest = tomllib.load(f)
    except FileNotFoundError:
        raise ScanError(f"{directory}: no {MANIFEST}: not the folder of a tarn scan") from None
    except tomllib.TOMLDecodeError as e:
        raise ScanError(f"{path}: not a scan's manifest: {e}") from None
    keys, units = manifest["keys"], manifest["units"]
    points = [Point(i + 1, p["folder"], p["sets"], p["values"], p["digest"]) for i, p in enumerate(manifest["points"])]
    scanned = [key for j, key in enumerate(keys) if len({p.values[j] for p in points}) > 1]
    s = Scan(directory, manifest, keys, units, scanned, points)
    for p in points:
        log = _finished_log(directory, p, manifest)
        if log is None:
            s.missing.append(p)
            continue
        p.log, p.counts = log.path, log.exact
    s.table = make_table(s)
    return s


def _dtype(keys, key_kinds, folder_width=1):
    fields = [("point", np.int64), ("folder", f"U{max(folder_width, 1)}")]
    fields += [(key, f"U{5}" if kind == "side" else np.float64) for key, kind in zip(keys, key_kinds)]
    fields += [(name, np.int64) for name in COUNTERS]
    for f in FIGURES:
        fields += [(f.name, np.float64)] + [(f.name + suffix, np.float64) for suffix in ERROR_SUFFIXES]
    return np.dtype(fields)


def figure_estimates(counts):
    """{figure name: binomial.Estimate of the figure} for a dict (or a
    structured array) of the exact counters; counts scaled to the events."""
    out = {}
    for f in FIGURES:
        e = binomial.estimate(counts[f.numerator], counts[f.denominator])
        if f.count:  # the count itself, exactly
            e = binomial.scaled(e, counts[f.denominator])._replace(value=np.asarray(counts[f.numerator], dtype=np.float64))
        out[f.name] = e
    return out


def make_table(s):
    """The table of the scan's points done, in the scan's order."""
    done = [p for p in s.points if p.counts is not None]
    kinds = [beamline.KEYS[key]["kind"] if key in beamline.KEYS else "length" for key in s.keys]
    table = np.zeros(len(done), dtype=_dtype(s.keys, kinds, max((len(p.folder) for p in done), default=1)))
    for row, p in zip(table, done):
        row["point"], row["folder"] = p.number, p.folder
        for key, value in zip(s.keys, p.values):
            row[key] = value
        for name in COUNTERS:
            row[name] = p.counts.get(name, 0)
    estimates = figure_estimates(table) if len(done) else {}
    for name, e in estimates.items():
        table[name], table[name + "_error"], table[name + "_low"], table[name + "_high"] = e.value, e.error, e.low, e.high
    return table


def _text(v):
    if isinstance(v, (float, np.floating)):
        return repr(float(v))  # the shortest text that reads back to the same number
    return str(v)


def write_table(table, path):
    """The table as CSV: a header of the column names, a row per point."""
    with open(path, "w", newline="", encoding="utf-8") as f:
        out = csv.writer(f, lineterminator="\n")
        out.writerow(table.dtype.names)
        for row in table:
            out.writerow([_text(row[name]) for name in table.dtype.names])


def read_table(path):
    """The CSV of write_table as a numpy structured array: point and the
    counters int64, folder and a helium half text, everything else float64."""
    with open(path, newline="", encoding="utf-8") as f:
        rows = list(csv.reader(f))
    if not rows:
        raise ScanError(f"{path}: empty: not a scan's table")
    names, body = rows[0], rows[1:]
    if names[:2] != ["point", "folder"]:
        raise ScanError(f"{path}: not a scan's table (its first columns are not point, folder)")
    for i, r in enumerate(body):
        if len(r) != len(names):
            raise ScanError(f"{path} line {i + 2}: {len(r)} columns, the header has {len(names)}")
    fields = []
    for j, name in enumerate(names):
        column = [r[j] for r in body]
        if name == "point" or name in COUNTERS:
            fields.append((name, np.int64))
        elif name == "folder" or any(v in ("right", "left") for v in column):
            fields.append((name, f"U{max([len(v) for v in column] + [1])}"))
        else:
            fields.append((name, np.float64))
    table = np.zeros(len(body), dtype=fields)
    for i, r in enumerate(body):
        for name, v in zip(names, r):
            table[i][name] = v
    return table

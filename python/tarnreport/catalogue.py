"""What each histogram of a run's file holds, grouped as one reads the
beamline: positions along it, the two cells, the detector, angles.
x and y are transverse positions in cm (x > 0 is the right half, where the
upstream cell has its helium), z runs along the beam."""
import json
import os
from functools import lru_cache

INPUTS = (
    (100, "Wavelength spectrum (Å) each event draws from. The file holds the sampler's "
          "normalised running sum (entries -1); shown are its steps, the spectrum as sampled."),
    (301, "Helium structure factor S(q) against q (1/Å), from which the momentum transfers are drawn."),
)

GROUPS = (
    ("positions", "Positions along the beamline",
     "x (or y) in cm where a neutron reaches each point, in beamline order; "
     "each histogram counts the neutrons still travelling there.",
     ((1, "x at the start (z = 0), every event past the wavelength cut and the first transfer draw"),
      (8, "x the start direction reaches 116 cm downstream, as if there were no guide"),
      (7, "y the start direction reaches 116 cm downstream (title \"y (cm) Up\")"),
      (2, "x at the guide exit (116 cm)"),
      (3, "x at the exit of the inlet coil guide (a further 89 cm)"),
      (4, "x at the upstream cell entrance, 9 cm further"),
      (1001, "x at the upstream cell exit (helium on the right, empty on the left)"),
      (1002, "y at the upstream cell exit"),
      (2001, "x at the downstream cell exit (helium on the left), neutrons that kept their half"),
      (2002, "y at the downstream cell exit"),
      (5, "x at the split-guide exit"),
      (6, "x at the detector plane (452 cm), the same fills as 3001"))),
    ("cells", "The two cells",
     "Scattering in the helium, one fill per neutron that meets a helium half, scattered or not "
     "(a neutron that misses the entrance window repeats the previous values); then path length "
     "and spin rotation through both cells of the neutrons that reach the detector.",
     ((4010, "total cross-section per atom used for the free path (b), both cells"),
      (4013, "cross-section from the table used above q = 0.5628 1/Å (b), both cells; "
             "repeats the last value when the other model is used"),
      (4014, "cross-section from S(q) used below q = 0.5628 1/Å (b), both cells; "
             "repeats the last value when the other model is used"),
      (4011, "sampled free path (cm), both cells; the neutron scatters when it ends inside the cell"),
      (4012, "scattering angle (deg) in the upstream cell"),
      (4015, "polar angle of the outgoing direction from the beam axis (deg), upstream cell"),
      (4016, "azimuth of the outgoing direction about z, from +x towards +y (deg), upstream cell"),
      (5012, "scattering angle (deg) in the downstream cell"),
      (5015, "polar angle of the outgoing direction (deg), downstream cell"),
      (5016, "azimuth of the outgoing direction (deg), downstream cell"),
      (3006, "path length through both cells (cm), all detected neutrons"),
      (3007, "spin rotation through both cells (mrad), all detected neutrons"),
      (3008, "path length (cm) of detected neutrons that passed on the right (x > 0)"),
      (3009, "spin rotation (mrad) of detected neutrons that passed on the right"),
      (3010, "path length (cm) of detected neutrons that passed on the left (x < 0)"),
      (3011, "spin rotation (mrad) of detected neutrons that passed on the left"))),
    ("detector", "The detector",
     "Neutrons reaching the detector plane at 452 cm.",
     ((3001, "x (cm)"),
      (3002, "y (cm)"),
      (3003, "angle θx, in rad although titled \"(mrad)\"; booked 0 to 0.1, so negative angles are in the underflow"),
      (3004, "angle θy, in rad although titled \"(mrad)\"; negative angles are in the underflow"),
      (3005, "energy (meV), all detected neutrons"),
      (4005, "wavelength (Å) from that energy"),
      (3012, "energy (meV) of neutrons that passed on the right"),
      (3013, "energy (meV) of neutrons that passed on the left"),
      (3014, "energy (meV) of neutrons that scattered in either cell"))),
    ("angles", "Angles",
     "Directions in degrees: the start cone, and the direction entering each cell.",
     ((4017, "polar angle at the start, in a cone of half-opening 0.003 rad/Å × λ"),
      (5017, "θx at the upstream cell entrance"),
      (5018, "θy at the upstream cell entrance"),
      (5021, "atan(tan θy / tan θx) at the upstream cell entrance: a value in (-90°, 90°) in a "
             "histogram booked 0 to 360°, so negative values are in the underflow"),
      (5019, "θx entering the downstream cell (titled \"D\"), neutrons that kept their half"),
      (5020, "θy entering the downstream cell"),
      (5022, "the same azimuth entering the downstream cell; negative values in the underflow"))),
)

# In the file too, not shown as figures.
OTHERS = (
    (151, "x field gradient placeholder, loaded and written but not applied"),
    (152, "x field gradient placeholder, loaded and written but not applied"),
    (302, "working copy of S(q) for the upstream transfer, from the last event; cumulative"),
    (402, "working copy of S(q) for the downstream transfer, from the last event; cumulative"),
)


def result_ids():
    return [id for _, _, _, entries in GROUPS for id, _ in entries]


# The bookings and axis labels, made by the build from the run's catalogue
# (sim/transport/event/catalogue.h).
_JSON = os.path.join(os.path.dirname(__file__), "catalogue.json")

RESULT_CONTENTS = "neutrons per bin"


@lru_cache(maxsize=None)
def _catalogue():
    with open(_JSON, encoding="utf-8") as f:
        data = json.load(f)
    results = {r["id"]: r for r in data["results"]}
    inputs = {i["id"]: i for i in data["inputs"]}
    results_2d = {r["id"]: r for r in data["results_2d"]}
    return results, inputs, results_2d, data["ntuple"]["id"]


def bookings():
    """id -> {"title", "bins", "lower", "upper", "label"} of the result histograms."""
    return dict(_catalogue()[0])


def is_result(h):
    """True for a 1-D histogram booked as the run books result h.id: the
    same id, title and number of bins (the range of the path lengths
    follows the cells' length)."""
    b = _catalogue()[0].get(getattr(h, "id", None))
    return b is not None and getattr(h, "title", None) == b["title"] and getattr(h, "nx", None) == b["bins"] \
        and getattr(h, "kind", "") == "1-D histogram"


def bookings_2d():
    """id -> {"title", "nx", "xmin", "xmax", "ny", "ymin", "ymax", "xlabel",
    "ylabel"} of the 2-D results of a run with --ntuple."""
    return dict(_catalogue()[2])


def ntuple_id():
    """The id of the ntuple of the detected neutrons (tarn --ntuple)."""
    return _catalogue()[3]


def _is_result_2d(h):
    b = _catalogue()[2].get(getattr(h, "id", None))
    return b is not None and getattr(h, "kind", "") == "2-D histogram" and getattr(h, "title", None) == b["title"] \
        and (getattr(h, "nx", None), getattr(h, "ny", None)) == (b["nx"], b["ny"])


def is_run_file(objects):
    """True for the histograms of a run (or runs added together): most of
    the result histograms are there as the run books them."""
    found = sum(1 for h in objects if h.directory in (None, "/") and is_result(h))
    return found >= len(_catalogue()[0]) // 2


def axis_labels(h, run_file):
    """(x label, what a bin holds) for histogram h of a file: for a run's
    histograms from the catalogue, for other files None."""
    if not run_file or getattr(h, "directory", "/") not in (None, "/"):
        return None
    results, inputs, results_2d, _ = _catalogue()
    if is_result(h):
        return results[h.id]["label"], RESULT_CONTENTS
    if _is_result_2d(h):
        return results_2d[h.id]["xlabel"], RESULT_CONTENTS
    if h.id in inputs:
        return inputs[h.id]["label"], inputs[h.id]["contents"]
    return None


def y_label(h, run_file):
    """What y is for a 2-D result of a run's file (tarn --ntuple), else None."""
    if not run_file or getattr(h, "directory", "/") not in (None, "/") or not _is_result_2d(h):
        return None
    return _catalogue()[2][h.id]["ylabel"]

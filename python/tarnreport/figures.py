"""The nine figures of one run or of several added together, each with its
binomial error and, for small counts, its 68.3% Wilson score interval, from
the exact counts of the run logs.

    from tarnreport import figures
    s = figures.summarise(["runs/a/tarn-1209-0545.o", "runs/b/tarn-1209-0551.o"])
    for f in s.figures:
        print(f.label, f.text, f.k, f.n, f.low, f.high)

The counts and the figures come from tarn-summary --json (the C++ code that
reads the logs and computes the errors, sim/transport/run/figureerrors.h):
one implementation for the program, tarn-summary and Python. tarn-summary
is looked for beside the command that runs Python (TARN_BIN_DIR, which the
installed commands set), then on PATH.
"""
import json
import os
import shutil
import subprocess
from dataclasses import dataclass, field


class SummaryError(OSError):
    """A log tarn-summary cannot use (an unfinished run, a damaged log), or no tarn-summary."""


@dataclass
class Figure:
    label: str          # the report's words: "Frac of scat of total reaching det"
    printed: str        # the value as the report prints it
    count: bool         # a count of the events rather than a fraction
    k: int
    n: int
    denominator: str    # what n counts: "events", "tar1 in", "tar2 in", "det in"
    value: float        # k / n, or k for a count (None when n is 0)
    error: float        # binomial standard error
    small: bool         # k or n - k below small_count: the interval is worth showing
    low: float          # the Wilson score interval (68.3%)
    high: float
    text: str           # "(2.00 +- 0.45)E-04"
    detail: str         # "20 / 100000 events, interval (1.60 to 2.50)E-04"


@dataclass
class Summary:
    runs: list                      # {"log", "seed", "events", "blocks", "ranks", "exact_counts_line"} per log
    counts: dict                    # the counters added up: nEvents, nTar1In, ...
    figures: list                   # Figure, in the report's order
    interval: str = "68.3% Wilson score interval"
    small_count: int = 30
    notes: list = field(default_factory=list)   # runs that are not independent


def tool():
    """The path of tarn-summary, or None."""
    here = os.environ.get("TARN_BIN_DIR")
    if here and os.access(os.path.join(here, "tarn-summary"), os.X_OK):
        return os.path.join(here, "tarn-summary")
    return shutil.which("tarn-summary")


def summarise(logs, summary_tool=None):
    """The figures of the runs of these logs added together."""
    command = summary_tool or tool()
    if command is None:
        raise SummaryError("tarn-summary is not found beside this command or on PATH: the figures have no errors")
    result = subprocess.run([command, "--json", *map(os.fspath, logs)], capture_output=True, text=True)
    if result.returncode != 0:
        message = result.stderr.strip().splitlines()
        raise SummaryError(message[-1] if message else f"tarn-summary failed with status {result.returncode}")
    data = json.loads(result.stdout)
    notes = [line.removeprefix("tarn-summary: note: ") for line in result.stderr.splitlines() if "note:" in line]
    return Summary(runs=data["runs"], counts=data["counts"], figures=[Figure(**f) for f in data["figures"]],
                   interval=data["interval"], small_count=data["small_count"], notes=notes or data["notes"])

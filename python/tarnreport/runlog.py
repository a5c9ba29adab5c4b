"""Reading a run log (tarn-MMDD-hhmm.o): seed, start and end time, stage
counts, the histogram file's name, the figures after the end time and the
values of the beamline that differ from the shipped one."""
import re
from dataclasses import dataclass, field


@dataclass
class RunLog:
    path: str
    events: int = None
    start: str = None            # "2026-12-08 23:59:30.297"
    end: str = None
    seed: int = None             # ranNo
    notes: list = field(default_factory=list)    # lines the run printed between start and counts
    counts: list = field(default_factory=list)   # (label, value) of input, tar1 in, tar2 in, det in
    histogram_file: str = None
    figures: list = field(default_factory=list)  # (label, text of the value) after the end time
    beamline_source: str = None  # "of my.toml with --set"; None: the shipped beamline
    beamline_digest: str = None
    beamline_changes: dict = field(default_factory=dict)  # {"cells.length": "30 cm"}: the values that differ
    exact: dict = field(default_factory=dict)    # the " Exact counts:" line: {"nEvents": 100000, "nTar1In": ...}


COUNT_LABELS = ("input", "tar1 in", "tar2 in", "det in")
EXACT_COUNTS = "Exact counts:"   # the extended report's counters, exactly (report.h)
# The heading of the extended report's figures with their errors (figureerrors.h).
FIGURE_ERRORS = "Figures with their binomial errors"
BEAMLINE = re.compile(r"Beamline ?(.*): \d+ values? differs? from the shipped beamline \(digest ([0-9a-f]{16})\)")
CHANGE = re.compile(r"([a-z0-9_]+\.[a-z0-9_]+) = (.+?)   \(shipped .*\)")


def _stamp(date, time):
    """"20261208", "235930.297" -> "2026-12-08 23:59:30.297"."""
    return f"{date[:4]}-{date[4:6]}-{date[6:8]} {time[:2]}:{time[2:4]}:{time[4:]}"


def _label_and_value(line):
    parts = line.strip().rsplit(None, 1)
    return (parts[0], parts[1]) if len(parts) == 2 else (parts[0], "")


def parse(path):
    """The run log at path; a log of a run that stopped early has the fields
    it got to (the rest None or empty)."""
    log = RunLog(path)
    with open(path, encoding="latin-1") as f:
        lines = f.read().splitlines()
    after_end = False
    for line in lines:
        text = line.strip()
        if not text:
            continue
        stamp = re.match(r"(Start|End) time:\s+(\d{8})\s+(\d{6}\.\d+)", text)
        if text.startswith("Nevents:"):
            log.events = int(text.split()[1])
        elif stamp:
            when = _stamp(stamp.group(2), stamp.group(3))
            if stamp.group(1) == "Start":
                log.start = when
            else:
                log.end = when
                after_end = True
        elif text.startswith(FIGURE_ERRORS):
            break  # the figures with their errors end the log (tarnreport.figures has them)
        elif after_end:
            log.figures.append(_label_and_value(line))
        elif BEAMLINE.fullmatch(text):
            log.beamline_source, log.beamline_digest = BEAMLINE.fullmatch(text).groups()
        elif log.beamline_digest and CHANGE.fullmatch(text):
            key, value = CHANGE.fullmatch(text).groups()
            log.beamline_changes[key] = value
        elif text.startswith(EXACT_COUNTS):
            words = text[len(EXACT_COUNTS):].split()
            log.exact = {name: int(value) for name, value in zip(words[::2], words[1::2])}
        elif text.startswith("ranNo is"):
            log.seed = int(text.split()[-1])
        elif _is_count(text):
            log.counts.append(_label_and_value(line))
        elif re.fullmatch(r"h\S*\.hbook", text):
            log.histogram_file = text
        elif not text.startswith("tarn - "):
            log.notes.append(text)
    return log


def _is_count(text):
    label, value = _label_and_value(text)
    return label in COUNT_LABELS and value.isdigit()

#!/usr/bin/env python3
"""Writes docs/histograms.md, the catalogue of a run's histograms, from the
run's booking table (sim/transport/event/catalogue.h: ids, titles, binning)
and the report page's descriptions (python/tarnreport/catalogue.py).
tests/python/test_catalogue.py requires the file to be what this makes.

    python3 scripts/make-histogram-docs.py
"""
import re
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
sys.path.insert(0, str(ROOT / "python"))
from tarnreport import catalogue  # noqa: E402

HEADER = ROOT / "sim/transport/event/catalogue.h"
OUTPUT = ROOT / "docs/histograms.md"


def bookings():
    """id -> (name, title, bins, lower, upper, axis label) of the result histograms, and the named ids."""
    text = HEADER.read_text(encoding="utf-8")
    ids = {name: int(value) for name, value in re.findall(r"constexpr std::int32_t (\w+) = (\d+);", text)}
    table = re.search(r"RESULT_HISTOGRAMS\[\] = \{(.*?)\n\};", text, re.S).group(1)
    rows = re.findall(r'\{hid::(\w+), "([^"]*)", (\d+), (-?[\d.]+)f, (-?[\d.]+)f, "([^"]*)"\}', table)
    booked = {ids[name]: (name, title, int(bins), lower, upper, label) for name, title, bins, lower, upper, label in rows}
    order = [ids[name] for name, *_ in rows]
    return ids, booked, order


def cell(text):
    return text.replace("|", "\\|")


def document():
    ids, booked, order = bookings()
    names = {value: name for name, value in ids.items()}
    out = [
        "# The histograms of a run",
        "",
        "<!-- Made by scripts/make-histogram-docs.py from sim/transport/event/catalogue.h and",
        "     python/tarnreport/catalogue.py; tests/python/test_catalogue.py checks it. Do not edit. -->",
        "",
        "A run's histogram file `h<ranNo>.hbook` holds the four inputs it read, the two working copies",
        "of S(q) and the 44 result histograms, in booking order: "
        + ", ".join(str(i) for i in [ids["SPECTRUM"], ids["X_GRADIENT_1"], ids["X_GRADIENT_2"], ids["SQ"]])
        + ", the results (" + ", ".join(str(i) for i in order) + "), then "
        + f"{ids['SQ_COPY_UP']} and {ids['SQ_COPY_DOWN']}.",
        "Every result histogram is booked with unpacked single-precision contents and filled with",
        "weight 1; angles are in degrees unless the title says otherwise. The name is the one the code",
        "fills by (`tarn::hid::NAME`, `sim/transport/event/catalogue.h`). `hbook show FILE ID` prints",
        "any of them with its statistics; the report page (`tarn-report`) shows them in these groups.",
        "",
        catalogue.__doc__.replace("\n", " ").strip(),
        "",
        "## Inputs and working copies",
        "",
        "| id | name | what it holds |",
        "|---|---|---|",
    ]
    for i, text in list(catalogue.INPUTS) + list(catalogue.OTHERS):
        out.append(f"| {i} | `{names[i]}` | {cell(text)} |")
    for key, heading, intro, entries in catalogue.GROUPS:
        out += ["", f"## {heading}", "", intro, "", "| id | name | title | bins | range | axis of plots | what it holds |",
                "|---|---|---|---|---|---|---|"]
        for i, text in entries:
            name, title, bins, lower, upper, label = booked[i]
            out.append(f"| {i} | `{name}` | `{cell(title)}` | {bins} | {lower} to {upper} | {cell(label)} | {cell(text)} |")
    out += on_request(ids, names)
    return "\n".join(out) + "\n"


def on_request(ids, names):
    """The objects of a run with --ntuple: the 2-D results and the ntuple."""
    text = HEADER.read_text(encoding="utf-8")
    table = re.search(r"RESULTS_2D\[\] = \{(.*?)\n\};", text, re.S).group(1)
    rows = re.findall(r'\{hid::(\w+), "([^"]*)", (\d+), (-?[\d.]+)f, (-?[\d.]+)f, (\d+), (-?[\d.]+)f, (-?[\d.]+)f,\s*'
                      r'"([^"]*)", "([^"]*)"\}', table)
    out = ["", "## On request: tarn --ntuple", "",
           "A run with `--ntuple detected` (or `scattered`) writes after the 1-D results three 2-D results of",
           "every detected neutron and, last, the column-wise ntuple "
           f"{ids['DETECTED_NTUPLE']} (`DETECTED_NTUPLE`) of the detected neutrons (or",
           "only those that scattered in a cell), one row each, in event order; docs/analysis.md lists its",
           "columns. A run without the option writes none of them.", "",
           "| id | name | title | x bins | x range | y bins | y range | x of plots | y of plots |",
           "|---|---|---|---|---|---|---|---|---|"]
    for name, title, nx, xmin, xmax, ny, ymin, ymax, xlabel, ylabel in rows:
        out.append(f"| {ids[name]} | `{name}` | `{cell(title)}` | {nx} | {xmin} to {xmax} | {ny} | {ymin} to {ymax} | "
                   f"{cell(xlabel)} | {cell(ylabel)} |")
    return out


if __name__ == "__main__":
    OUTPUT.write_text(document(), encoding="utf-8")
    print(f"wrote {OUTPUT.relative_to(ROOT)}")

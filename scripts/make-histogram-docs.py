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
    return "\n".join(out) + "\n"


if __name__ == "__main__":
    OUTPUT.write_text(document(), encoding="utf-8")
    print(f"wrote {OUTPUT.relative_to(ROOT)}")

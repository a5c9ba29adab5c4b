"""The page of a scan (scan.html): what was scanned, the table of the nine
figures with their errors for every point, a plot of each figure against the
scanned values, and the beamline the values were set on."""
import base64
import html
import os
from datetime import datetime

from . import beamline, beamlineview, binomial, scanplot
from .scan import FIGURES

# The run page's look (page.py), without its histogram drawing: the scan's
# page is made without the HBOOK binding.
STYLE = """
body { font-family: sans-serif; margin: 1.5em; color: #222; max-width: 1400px; }
h1 { margin-bottom: 0.2em; } h2 { border-bottom: 1px solid #bbb; margin-top: 1.6em; }
.files { color: #555; font-size: 90%; }
.missing { color: #a00; }
.grid { display: grid; grid-template-columns: repeat(auto-fill, minmax(380px, 1fr)); gap: 14px; }
figure { margin: 0; padding: 6px; border: 1px solid #ddd; border-radius: 4px; background: #fff; }
figure img { max-width: 100%; height: auto; display: block; }
figcaption { font-size: 85%; margin-top: 4px; }
table.beamline { border-collapse: collapse; margin: 0.6em 0; }
table.beamline td, table.beamline th { padding: 2px 12px 2px 0; text-align: left; }
table.beamline td.number { font-family: monospace; text-align: right; white-space: nowrap; }
table.beamline tr.changed th, table.beamline tr.changed td { color: #d62728; font-weight: bold; }
#beamline-drawing { max-width: 100%; height: auto; border: 1px solid #ddd; }
div.wide { overflow-x: auto; }
table.scan { border-collapse: collapse; font-size: 90%; }
table.scan th, table.scan td { padding: 2px 8px; border-bottom: 1px solid #eee; text-align: right; white-space: nowrap; }
table.scan th.key, table.scan td.key { background: #f4f8ff; }
table.scan td { font-family: monospace; }
"""


def _shown(value, unit):
    return value if isinstance(value, str) else f"{value:g} {unit}".strip()


def table(s):
    """Every point done: its values, events and the nine figures +- errors;
    a figure whose count is small also gives its interval (in its title)."""
    e = html.escape
    t = s.table
    head = ["point"] + [f'<span class="key">{e(k)}</span>' for k in s.keys] + ["events"] + [e(f.label) for f in FIGURES]
    out = ['<div class="wide"><table class="scan" id="scan-table"><tr>' +
           "".join(f'<th class="key">{h}</th>' if i and i <= len(s.keys) else f"<th>{h}</th>" for i, h in enumerate(head)) +
           "</tr>"]
    for row in t:
        cells = [f'<td><a href="{e(row["folder"])}/">{row["point"]}</a></td>']
        cells += [f'<td class="key">{e(_shown(row[k].item(), u))}</td>' for k, u in zip(s.keys, s.units)]
        cells.append(f'<td>{row["nEvents"]}</td>')
        for f in FIGURES:
            k, n = int(row[f.numerator]), int(row[f.denominator])
            text = binomial.with_error(float(row[f.name]), float(row[f.name + "_error"]))
            title = f"{k} {'of' if f.count else '/'} {n}"
            if binomial.estimate(k, n).small:
                low, high = float(row[f.name + "_low"]), float(row[f.name + "_high"])
                title += f", {binomial.INTERVAL} {low:.4g} to {high:.4g}"
                text += f" [{low:.2g} to {high:.2g}]"
            cells.append(f'<td title="{e(title)}">{e(text)}</td>')
        out.append("<tr>" + "".join(cells) + "</tr>")
    out.append("</table></div>")
    return "\n".join(out)


def plots(s):
    e = html.escape
    out = ['<div class="grid">']
    for f in FIGURES:
        data = base64.b64encode(scanplot.panel_png(s, f)).decode("ascii")
        out.append(f'<figure id="{f.name}"><img alt="{e(f.label)} against the scanned values" '
                   f'src="data:image/png;base64,{data}"><figcaption><b>{e(f.label)}</b> ({e(f.name)})</figcaption></figure>')
    out.append("</div>")
    return "\n".join(out)


def beamline_section(s):
    """The base beamline (the file, or the shipped one), the keys set marked
    with their values."""
    e = html.escape
    b = s.base_beamline()
    values = {key: ", ".join(dict.fromkeys(_shown(p.values[j], "") for p in s.points)) + (f" {unit}" if unit else "")
              for j, (key, unit) in enumerate(zip(s.keys, s.units))}
    base = s.manifest.get("beamline") or ""
    said = f"the beamline of {e(base)}" if base else "the shipped beamline"
    return "\n".join(['<section id="beamline"><h2>The beamline</h2>',
                      f"<p>The points set {', '.join(e(k) for k in s.keys)} on {said}: drawn and listed as it is "
                      "there, the keys set marked with the values the points take.</p>",
                      beamlineview.drawing(b, values), beamlineview.table(b, values), "</section>"])


def build(s):
    e = html.escape
    key, _ = scanplot.x_axis(s)
    m = s.manifest
    parts = [
        "<!DOCTYPE html>",
        '<html lang="en"><head><meta charset="utf-8">',
        f"<title>tarn scan of {e(', '.join(s.scanned) or 'one point')}</title><style>{STYLE}</style></head><body>",
        f"<h1>tarn scan of {e(' x '.join(s.scanned) or 'one point')}</h1>",
        f'<p class="files">{e(os.path.abspath(s.directory))}<br>{e(m["command"])}</p>',
        '<section id="scan"><h2>The scan</h2>',
        f"<p>{len(s.points)} points, {m['events']} events each with seed {m['seed']} (the same random numbers "
        "for every point, so that the differences between points are more precise than the errors of each), "
        f"inputs from {e(m['input_dir'])}.</p>",
    ]
    if s.missing:
        parts.append(f'<p class="missing">Not done yet: {", ".join(e(p.folder) for p in s.missing)} '
                     "(the same tarn scan command goes on with them).</p>")
    parts += ["<h3>The nine figures at each point</h3>",
              f"<p>Each figure with its binomial standard error from the run's exact counts; where a count or its "
              f"complement is below {binomial.SMALL_COUNT}, the {binomial.INTERVAL} follows in brackets. "
              "The table is in scan.csv (tarnreport.scan.read_table reads it).</p>",
              table(s), "</section>",
              f'<section id="plots"><h2>The figures against {e(key)}</h2>',
              "<p>Error bars: the binomial standard error, or the 68.3% Wilson score interval where a count or its "
              "complement is small.</p>", plots(s), "</section>",
              beamline_section(s),
              f'<footer><p class="files">made by tarn-report on {datetime.now():%Y-%m-%d %H:%M}</p></footer>',
              "</body></html>"]
    return "\n".join(parts) + "\n"

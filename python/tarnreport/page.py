"""The HTML pages: one run (its figures with their errors, the beamline, the
inputs and every result histogram), or several runs added together (the
added figures with their errors, each run's detector histograms overlaid
per incident neutron, and the histograms of the merged file when given).

Every panel is an inline SVG whose text stays text (svg.fonttype none, the
font matplotlib lays it out with), so that a browser can check that every
label lies inside its panel; the page has no other files.
"""
import html
import io
import os
import re
from datetime import datetime

import matplotlib
from matplotlib.figure import Figure

import hbook
import hbook.plot

from . import beamlineview, catalogue, figures

FIGURE_INCHES = (4.4, 2.9)
OVERLAY_INCHES = (4.4, 3.8)
FIGURE_DPI = 80
RASTER_DPI = 120  # the data drawn as a picture inside a panel
FONT = "DejaVu Sans"   # matplotlib's own, shipped with it (fonts-dejavu-core): the browser draws the same glyphs

STYLE = """
body { font-family: sans-serif; margin: 1.5em; color: #222; max-width: 1400px; }
h1 { margin-bottom: 0.2em; } h2 { border-bottom: 1px solid #bbb; margin-top: 1.6em; }
.files { color: #555; font-size: 90%; }
table.run { border-collapse: collapse; margin: 0.6em 0; }
table.run td, table.run th { padding: 2px 12px 2px 0; text-align: left; vertical-align: top; }
table.run td.value { font-family: monospace; text-align: right; }
table.run td.error { font-family: monospace; white-space: nowrap; }
table.run td.counts { color: #444; font-size: 90%; }
.grid { display: grid; grid-template-columns: repeat(auto-fill, minmax(380px, 1fr)); gap: 14px; }
figure { margin: 0; padding: 6px; border: 1px solid #ddd; border-radius: 4px; background: #fff; }
figure svg.panel { max-width: 100%; height: auto; display: block; }
figcaption { font-size: 85%; margin-top: 4px; }
figcaption .stats { font-family: monospace; color: #444; }
.missing { color: #a00; }
table.beamline td.number { font-family: monospace; text-align: right; white-space: nowrap; }
table.beamline tr.changed th, table.beamline tr.changed td { color: #d62728; font-weight: bold; }
#beamline-drawing { max-width: 100%; height: auto; border: 1px solid #ddd; }
"""

DETECTOR_GROUP = "detector"


def _svg(fig, key):
    """A figure as inline SVG markup: text as text, ids unique on the page;
    the data (steps, error bars, points, images) as one picture per panel,
    which keeps a panel of 1000 bins small."""
    for ax in fig.axes:
        for artist in [*ax.lines, *ax.collections, *ax.patches]:
            artist.set_rasterized(True)
    out = io.StringIO()
    with matplotlib.rc_context({"svg.fonttype": "none", "svg.hashsalt": key, "font.family": FONT}):
        fig.savefig(out, format="svg", dpi=RASTER_DPI)
    text = out.getvalue()
    text = text[text.index("<svg"):]
    return text.replace("<svg ", f'<svg class="panel" data-key="{html.escape(key)}" ', 1)


def panel(h, labels=None, key=None):
    """The histogram drawn alone, as inline SVG."""
    with matplotlib.rc_context({"font.family": FONT}):
        fig = Figure(figsize=FIGURE_INCHES, dpi=FIGURE_DPI, layout="constrained")
        ax = fig.subplots()
        hbook.plot.draw(ax, h, notes=False, labels=labels)
    return _svg(fig, key or f"h{h.id}")


def overlay_panel(histograms, labels, names, events, key):
    """One id of several runs over each other, per incident neutron, with the ratios to the first."""
    with matplotlib.rc_context({"font.family": FONT}):
        fig = Figure(figsize=OVERLAY_INCHES, dpi=FIGURE_DPI, layout="constrained")
        grid = fig.add_gridspec(2, 1, height_ratios=[1, hbook.plot.RATIO_SHARE])
        ax = fig.add_subplot(grid[0])
        ratio = fig.add_subplot(grid[1], sharex=ax)
        hbook.plot.draw_overlay(ax, ratio, histograms, labels, names, norm="events", events=events)
    return _svg(fig, key)


def statistics(h):
    if h.cumulative:
        s = h.increments().summary()
        return f"steps of a running sum: mean {s.mean:.5g}, rms {s.rms:.5g}"
    s = h.summary()
    text = (f"entries {s.entries}, in range {s.in_range:.6g}, "
            f"underflow {s.underflow:g}, overflow {s.overflow:g}")
    if not s.no_entries:
        text += f"; mean {s.mean:.5g}, rms {s.rms:.5g}"
    return text


def _labels(h, run_file):
    axes = catalogue.axis_labels(h, run_file)
    if axes is None:
        return hbook.plot.Labels()
    return hbook.plot.Labels(x=axes[0], contents=axes[1], counts=axes[1] == catalogue.RESULT_CONTENTS)


def figure(histograms, id, description, run_file=True):
    e = html.escape
    if id not in histograms:
        return f'<figure class="missing"><figcaption><b>{id}</b> not in the file. {e(description)}</figcaption></figure>'
    h = histograms[id]
    return (f'<figure id="h{id}">{panel(h, _labels(h, run_file))}'
            f'<figcaption><b>{id}</b> <i>{e(h.title)}</i>: {e(description)}<br>'
            f'<span class="stats">{e(statistics(h))}</span></figcaption></figure>')


def run_table(log):
    rows = [("seed (ranNo)", log.seed), ("events", log.events), ("start", log.start), ("end", log.end)]
    rows += log.counts
    out = ['<table class="run">']
    for label, value in rows:
        out.append(f'<tr><th>{html.escape(str(label))}</th><td class="value">{html.escape(str(value))}</td></tr>')
    out.append("</table>")
    return "\n".join(out)


def _error_html(text):
    """'(2.00 +- 0.45)E-04' as 2.00 ± 0.45 × 10^-4 for the page."""
    e = html.escape(text.replace("+-", "±"))
    return re.sub(r"\)E([+-]\d+)", lambda m: f") × 10<sup>{int(m.group(1))}</sup>", e)


def figures_table(log, summary=None, why=None):
    """The nine figures as the log prints them and, from the exact counts,
    with their errors (summary: a figures.Summary; why: the reason there is
    none)."""
    e = html.escape
    if not log.figures:
        return '<p class="missing">The log has no figures: the run did not finish.</p>'
    out = ['<table class="run" id="figures">',
           "<tr><th>figure</th><th>as printed</th><th>with its error</th><th>from the counts</th></tr>"]
    by_label = {f.label: f for f in summary.figures} if summary else {}
    for label, value in log.figures:
        f = by_label.get(label)
        error = _error_html(f.text) if f else ""
        counts = _error_html(f.detail) if f else ""
        out.append(f'<tr><td>{e(label)}</td><td class="value">{e(value)}</td><td class="error">{error}</td>'
                   f'<td class="counts">{counts}</td></tr>')
    out.append("</table>")
    if summary:
        out.append(f'<p class="files">Binomial standard errors from the exact counts; where a count is below '
                   f'{summary.small_count}, also the {e(summary.interval)}.</p>')
    elif why:
        out.append(f'<p class="missing">No errors: {e(why)}</p>')
    return "\n".join(out)


def added_figures_table(summary):
    e = html.escape
    out = ['<table class="run" id="figures">',
           "<tr><th>figure</th><th>as the report prints it</th><th>with its error</th><th>from the counts</th></tr>"]
    for f in summary.figures:
        out.append(f'<tr><td>{e(f.label)}</td><td class="value">{e(f.printed)}</td>'
                   f'<td class="error">{_error_html(f.text)}</td><td class="counts">{_error_html(f.detail)}</td></tr>')
    out.append("</table>")
    out.append(f'<p class="files">The counters of the runs added up exactly; binomial standard errors, and where a '
               f'count is below {summary.small_count} also the {e(summary.interval)}.</p>')
    for note in summary.notes:
        out.append(f'<p class="missing">{e(note)}</p>')
    return "\n".join(out)


def _summary(logs):
    try:
        return figures.summarise(logs), None
    except figures.SummaryError as err:
        return None, str(err)


def _head(title):
    e = html.escape
    return ["<!DOCTYPE html>", '<html lang="en"><head><meta charset="utf-8">',
            f"<title>{e(title)}</title><style>{STYLE}</style></head><body>", f"<h1>{e(title)}</h1>"]


def _groups(histograms, run_file=True):
    parts = ['<section id="inputs"><h2>Inputs</h2><div class="grid">']
    parts += [figure(histograms, id, text, run_file) for id, text in catalogue.INPUTS]
    parts.append("</div></section>")
    for key, heading, intro, entries in catalogue.GROUPS:
        parts.append(f'<section id="{key}"><h2>{html.escape(heading)}</h2><p>{html.escape(intro)}</p>'
                     '<div class="grid">')
        parts += [figure(histograms, id, text, run_file) for id, text in entries]
        parts.append("</div></section>")
    return parts


def _footer(histograms, name):
    e = html.escape
    others = "; ".join(f"{id}: {e(text)}" for id, text in catalogue.OTHERS if id in histograms)
    listed = {id for id, _ in catalogue.INPUTS} | set(catalogue.result_ids()) | {id for id, _ in catalogue.OTHERS}
    unknown = [id for id in histograms if id not in listed]
    parts = [f'<footer><h2>Also in {e(name)}</h2><p>{others}.</p>']
    if unknown:
        parts.append(f"<p>Not described here: {', '.join(str(i) for i in unknown)}.</p>")
    parts.append(f'<p class="files">made by tarn-report on {datetime.now():%Y-%m-%d %H:%M}</p></footer>')
    return parts


def build(log, hbook_path):
    """The page for a parsed run log and its histogram file."""
    e = html.escape
    f = hbook.open(hbook_path)
    histograms = {h.id: h for h in f.histograms()}
    run_file = catalogue.is_run_file(f)
    summary, why = _summary([log.path])
    parts = _head(f"tarn run {log.seed}") + [
        f'<p class="files">run log {e(os.path.abspath(log.path))}<br>histograms {e(os.path.abspath(hbook_path))}</p>',
        '<section id="run"><h2>The run</h2>',
        run_table(log),
    ]
    notes = [n for n in log.notes if not n.startswith("Exact counts:")]  # the table shows the counts
    if notes:
        parts.append("<p>" + "<br>".join(e(n) for n in notes) + "</p>")
    parts += ["<h3>Figures from the log</h3>", figures_table(log, summary, why), "</section>"]
    parts.append(beamlineview.section(log))
    parts += _groups(histograms, run_file)
    parts += _footer(histograms, os.path.basename(hbook_path))
    parts.append("</body></html>")
    return "\n".join(parts) + "\n"


def build_runs(logs, hbook_paths, merged_path=None):
    """The page of several runs: parsed logs, their histogram files, and
    optionally the file `hbook merge` made of them."""
    e = html.escape
    summary = figures.summarise([log.path for log in logs])
    files = [hbook.open(p) for p in hbook_paths]
    parts = _head(f"tarn: {len(logs)} runs added together")
    parts.append('<section id="run"><h2>The runs</h2><table class="run" id="runs">'
                 "<tr><th>run log</th><th>seed</th><th>events</th><th>histograms</th></tr>")
    for log, path in zip(logs, hbook_paths):
        parts.append(f'<tr><td>{e(os.path.abspath(log.path))}</td><td class="value">{e(str(log.seed))}</td>'
                     f'<td class="value">{e(str(log.events))}</td><td>{e(os.path.basename(path))}</td></tr>')
    parts.append("</table>")
    events = summary.counts["nEvents"]
    parts.append(f"<h3>Figures of the {len(logs)} runs added together ({events} events)</h3>")
    parts += [added_figures_table(summary), "</section>"]
    digests = {log.beamline_digest for log in logs}
    if len(digests) == 1:
        parts.append(beamlineview.section(logs[0]))
    else:
        parts.append('<section id="beamline"><h2>The beamline</h2><p class="missing">The runs were made on '
                     f'{len(digests)} different beamlines: their figures are added as asked, but they are not '
                     'samples of one set-up.</p></section>')
    names = [f"seed {log.seed}" for log in logs]
    key, heading, intro, entries = next(g for g in catalogue.GROUPS if g[0] == DETECTOR_GROUP)
    parts.append(f'<section id="overlays"><h2>{e(heading)}, run by run</h2><p>{e(intro)} Each run per incident '
                 'neutron (its own events), with the ratio of each run to the first below.</p><div class="grid">')
    for id, text in entries:
        histograms = [f[id] for f in files if id in f]
        if len(histograms) < len(files):
            parts.append(f'<figure class="missing"><figcaption><b>{id}</b> not in every file.</figcaption></figure>')
            continue
        labels = [_labels(h, True) for h in histograms]
        svg = overlay_panel(histograms, labels, names, [log.events for log in logs], f"o{id}")
        parts.append(f'<figure id="o{id}">{svg}<figcaption><b>{id}</b> <i>{e(histograms[0].title)}</i>: '
                     f'{e(text)}</figcaption></figure>')
    parts.append("</div></section>")
    if merged_path:
        merged = hbook.open(merged_path)
        histograms = {h.id: h for h in merged.histograms()}
        parts.append(f'<p class="files">merged histograms {e(os.path.abspath(merged_path))}</p>')
        parts += _groups(histograms, catalogue.is_run_file(merged))
        parts += _footer(histograms, os.path.basename(merged_path))
    else:
        parts.append(f'<footer><p class="files">made by tarn-report on {datetime.now():%Y-%m-%d %H:%M}; '
                     "hbook merge makes one file of the runs' histograms (tarn-report --merged FILE shows it)"
                     "</p></footer>")
    parts.append("</body></html>")
    return "\n".join(parts) + "\n"

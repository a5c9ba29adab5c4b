"""The HTML page: run figures from the log, the inputs, and every result
histogram as an embedded PNG with its statistics."""
import base64
import html
import io
import os
from datetime import datetime

from matplotlib.figure import Figure

import hbook.plot

from . import beamlineview, catalogue

FIGURE_INCHES = (4.4, 2.9)
FIGURE_DPI = 80

STYLE = """
body { font-family: sans-serif; margin: 1.5em; color: #222; max-width: 1400px; }
h1 { margin-bottom: 0.2em; } h2 { border-bottom: 1px solid #bbb; margin-top: 1.6em; }
.files { color: #555; font-size: 90%; }
table.run { border-collapse: collapse; margin: 0.6em 0; }
table.run td, table.run th { padding: 2px 12px 2px 0; text-align: left; vertical-align: top; }
table.run td.value { font-family: monospace; text-align: right; }
.grid { display: grid; grid-template-columns: repeat(auto-fill, minmax(380px, 1fr)); gap: 14px; }
figure { margin: 0; padding: 6px; border: 1px solid #ddd; border-radius: 4px; background: #fff; }
figure img { max-width: 100%; height: auto; display: block; }
figcaption { font-size: 85%; margin-top: 4px; }
figcaption .stats { font-family: monospace; color: #444; }
.missing { color: #a00; }
table.beamline td.number { font-family: monospace; text-align: right; white-space: nowrap; }
table.beamline tr.changed th, table.beamline tr.changed td { color: #d62728; font-weight: bold; }
#beamline-drawing { max-width: 100%; height: auto; border: 1px solid #ddd; }
"""


def png(h):
    """The histogram drawn alone, as PNG bytes."""
    fig = Figure(figsize=FIGURE_INCHES, dpi=FIGURE_DPI)
    fig.subplots_adjust(left=0.16, right=0.95, bottom=0.19, top=0.9)
    ax = fig.subplots()
    hbook.plot.draw(ax, h, notes=False)
    out = io.BytesIO()
    fig.savefig(out, format="png")
    return out.getvalue()


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


def figure(histograms, id, description):
    e = html.escape
    if id not in histograms:
        return f'<figure class="missing"><figcaption><b>{id}</b> not in the file. {e(description)}</figcaption></figure>'
    h = histograms[id]
    data = base64.b64encode(png(h)).decode("ascii")
    return (f'<figure id="h{id}"><img alt="histogram {id}: {e(h.title)}" src="data:image/png;base64,{data}">'
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


def figures_table(log):
    if not log.figures:
        return '<p class="missing">The log has no figures: the run did not finish.</p>'
    out = ['<table class="run" id="figures">']
    for label, value in log.figures:
        out.append(f'<tr><td>{html.escape(label)}</td><td class="value">{html.escape(value)}</td></tr>')
    out.append("</table>")
    return "\n".join(out)


def build(log, hbook_path):
    """The page for a parsed run log and its histogram file."""
    e = html.escape
    f = hbook.open(hbook_path)
    histograms = {h.id: h for h in f.histograms()}
    name = os.path.basename(hbook_path)
    parts = [
        "<!DOCTYPE html>",
        '<html lang="en"><head><meta charset="utf-8">',
        f"<title>tarn run {e(str(log.seed))}</title><style>{STYLE}</style></head><body>",
        f"<h1>tarn run {e(str(log.seed))}</h1>",
        f'<p class="files">run log {e(os.path.abspath(log.path))}<br>histograms {e(os.path.abspath(hbook_path))}</p>',
        '<section id="run"><h2>The run</h2>',
        run_table(log),
    ]
    if log.notes:
        parts.append("<p>" + "<br>".join(e(n) for n in log.notes) + "</p>")
    parts += ["<h3>Figures from the log</h3>", figures_table(log), "</section>"]
    parts.append(beamlineview.section(log))
    parts.append('<section id="inputs"><h2>Inputs</h2><div class="grid">')
    parts += [figure(histograms, id, text) for id, text in catalogue.INPUTS]
    parts.append("</div></section>")
    for key, heading, intro, entries in catalogue.GROUPS:
        parts.append(f'<section id="{key}"><h2>{e(heading)}</h2><p>{e(intro)}</p><div class="grid">')
        parts += [figure(histograms, id, text) for id, text in entries]
        parts.append("</div></section>")
    others = "; ".join(f"{id}: {e(text)}" for id, text in catalogue.OTHERS if id in histograms)
    listed = {id for id, _ in catalogue.INPUTS} | set(catalogue.result_ids()) | {id for id, _ in catalogue.OTHERS}
    unknown = [id for id in histograms if id not in listed]
    parts.append(f'<footer><h2>Also in {e(name)}</h2><p>{others}.</p>')
    if unknown:
        parts.append(f"<p>Not described here: {', '.join(str(i) for i in unknown)}.</p>")
    parts.append(f'<p class="files">made by tarn-report on {datetime.now():%Y-%m-%d %H:%M}</p></footer>')
    parts.append("</body></html>")
    return "\n".join(parts) + "\n"

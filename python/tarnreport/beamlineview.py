"""The beamline of a run on the report page: a table of every key (the values
that differ from the shipped beamline marked) and a drawing to scale of the
guides, cells and detector plane, seen from above (x) and from the side (y),
with the changed elements marked."""
import html

from . import beamline

# Drawing: z along the beam on Z_PIXELS, transverse positions at
# PIXELS_PER_CM (the two scales differ: the beamline is 100 times longer than
# it is wide); both are printed on the drawing.
Z_PIXELS = 1100
PIXELS_PER_CM = 11.0
LEFT, RIGHT = 85, 30
PANEL = 2 * 4.0 * PIXELS_PER_CM + 40  # +-4 cm and room for labels
CHANGED = "#d62728"
WALL = "#333"
HELIUM = "#9ecae1"
SEPTUM = "#bbb"


def elements(b):
    """The elements in beamline order: (name, z start, z end, keys that
    describe it), with the gaps between them; z in cm."""
    g1, g2, gaps, cells, split, last = (b[s] for s in ("guide1", "guide2", "gaps", "cells", "split_guide", "last_guide"))
    out, z = [], 0.0
    for name, length, section in (("guide1", g1["length"], "guide1"), ("guide2", g2["length"], "guide2"),
                                  ("gap", gaps["to_upstream_cell"], "gaps.to_upstream_cell"),
                                  ("upstream cell", cells["length"], "cells"),
                                  ("gap", gaps["between_cells"], "gaps.between_cells"),
                                  ("downstream cell", cells["length"], "cells"),
                                  ("gap", gaps["to_split_guide"], "gaps.to_split_guide"),
                                  ("split guide", split["length"], "split_guide"),
                                  ("last guide", last["length"], "last_guide")):
        out.append((name, z, z + length, section))
        z += length
    return out


def _changed(section, changes):
    return [k for k in changes if k == section or k.startswith(section + ".")]


def table(b, changes):
    """Every key: value, unit, the shipped value; changed rows marked."""
    e = html.escape
    shipped = beamline.flat(beamline.shipped())
    rows = ['<table class="run beamline"><tr><th>key</th><th>value</th><th>shipped</th><th>what it is</th></tr>']
    for key, value in beamline.flat(b).items():
        k = beamline.KEYS[key]
        mark = ' class="changed"' if key in changes else ""
        def shown(v):
            return v if isinstance(v, str) else f"{v:g} {k['unit']}"
        rows.append(f'<tr{mark}><th>{e(key)}</th><td class="number">{e(shown(value))}</td>'
                    f'<td class="number">{e(shown(shipped[key]))}</td><td>{e(k["what"])}</td></tr>')
    rows.append("</table>")
    return "\n".join(rows)


def drawing(b, changes):
    """An inline SVG: the plan (x against z) and the side view (y against z)."""
    parts = elements(b)
    total = parts[-1][2]
    zscale = (Z_PIXELS - LEFT - RIGHT) / total
    height = 2 * PANEL + 70
    svg = [f'<svg id="beamline-drawing" xmlns="http://www.w3.org/2000/svg" width="{Z_PIXELS}" height="{height:.0f}" '
           f'viewBox="0 0 {Z_PIXELS} {height:.0f}" font-family="sans-serif" font-size="11">',
           f'<rect width="{Z_PIXELS}" height="{height:.0f}" fill="#fff"/>']

    def zx(z):
        return LEFT + z * zscale

    for panel, (axis, top) in enumerate((("x", 10), ("y", 10 + PANEL + 25))):
        mid = top + PANEL / 2

        def yy(v):
            return mid - v * PIXELS_PER_CM

        svg.append(f'<text x="4" y="{top + 12}" font-weight="bold">{"seen from above: x" if axis == "x" else "from the side: y"} (cm)</text>')
        for tick in (-3, 0, 3):
            label = f"{tick:+d}" + (" right" if axis == "x" and tick > 0 else " left" if axis == "x" and tick < 0 else "")
            svg.append(f'<text x="{LEFT - 8}" y="{yy(tick) + 4:.1f}" text-anchor="end">{label}</text>')
            svg.append(f'<line x1="{LEFT - 5}" x2="{LEFT}" y1="{yy(tick):.1f}" y2="{yy(tick):.1f}" stroke="{WALL}"/>')
        svg.append(f'<line x1="{LEFT}" x2="{zx(total):.1f}" y1="{mid}" y2="{mid}" stroke="#aaa" stroke-dasharray="4 3"/>')
        # The start area.
        src = b["source"]
        half = src["half_width"] if axis == "x" else src["half_height"]
        colour = CHANGED if _changed("source", changes) else "#2ca02c"
        svg.append(f'<line class="element{" changed" if _changed("source", changes) else ""}" x1="{zx(0):.1f}" '
                   f'x2="{zx(0):.1f}" y1="{yy(half):.1f}" y2="{yy(-half):.1f}" stroke="{colour}" stroke-width="4"/>')
        for name, z0, z1, section in parts:
            marked = _changed(section, changes)
            colour = CHANGED if marked else WALL
            width = 2.5 if marked else 1.2
            cls = "element changed" if marked else "element"
            x0, x1 = zx(z0), zx(z1)
            if name == "gap":
                if marked:
                    svg.append(f'<line class="{cls}" x1="{x0:.1f}" x2="{x1:.1f}" y1="{mid}" y2="{mid}" stroke="{CHANGED}" '
                               f'stroke-width="3"/>')
                continue
            key = {"guide1": "guide1", "guide2": "guide2", "split guide": "split_guide", "last guide": "last_guide"}.get(name)
            if key:
                half = b[key]["half_width" if axis == "x" else "half_height"]
                svg.append(f'<g class="{cls}"><rect x="{x0:.1f}" y="{yy(half):.1f}" width="{x1 - x0:.1f}" '
                           f'height="{2 * half * PIXELS_PER_CM:.1f}" fill="none" stroke="{colour}" stroke-width="{width}"/>')
                if key == "split_guide" and axis == "x":
                    s = b[key]["septum_half_width"]
                    svg.append(f'<rect x="{x0:.1f}" y="{yy(s):.1f}" width="{x1 - x0:.1f}" height="{2 * s * PIXELS_PER_CM:.1f}" '
                               f'fill="{SEPTUM}" stroke="{colour}" stroke-width="{width}"/>')
                svg.append("</g>")
            else:
                c = b["cells"]
                helium = c["upstream_helium" if name.startswith("upstream") else "downstream_helium"]
                svg.append(f'<g class="{cls}">')
                if axis == "x":
                    for side, sign in (("right", 1), ("left", -1)):
                        outer, inner = sign * c["half_width"], sign * c["septum_half_width"]
                        fill = HELIUM if side == helium else "none"
                        svg.append(f'<rect x="{x0:.1f}" y="{yy(max(outer, inner)):.1f}" width="{x1 - x0:.1f}" '
                                   f'height="{abs(outer - inner) * PIXELS_PER_CM:.1f}" fill="{fill}" stroke="{colour}" '
                                   f'stroke-width="{width}"><title>{side} half: {"helium" if side == helium else "empty"}</title></rect>')
                else:
                    h = c["half_height"]
                    svg.append(f'<rect x="{x0:.1f}" y="{yy(h):.1f}" width="{x1 - x0:.1f}" height="{2 * h * PIXELS_PER_CM:.1f}" '
                               f'fill="{HELIUM}" fill-opacity="0.5" stroke="{colour}" stroke-width="{width}"/>')
                svg.append("</g>")
            if panel == 0:
                label = name + (" *" if marked else "")
                svg.append(f'<text x="{(x0 + x1) / 2:.1f}" y="{top + PANEL - 4}" text-anchor="middle" '
                           f'fill="{colour}">{html.escape(label)}</text>')
        # The detector plane.
        svg.append(f'<line x1="{zx(total):.1f}" x2="{zx(total):.1f}" y1="{top + 6}" y2="{top + PANEL - 14}" '
                   f'stroke="#ff7f0e" stroke-width="2" stroke-dasharray="5 3"/>')
    axis_y = height - 38
    for z in range(0, int(total) + 1, 50):
        svg.append(f'<line x1="{zx(z):.1f}" x2="{zx(z):.1f}" y1="{axis_y}" y2="{axis_y + 5}" stroke="{WALL}"/>')
        svg.append(f'<text x="{zx(z):.1f}" y="{axis_y + 17}" text-anchor="middle">{z}</text>')
    svg.append(f'<line x1="{LEFT}" x2="{zx(total):.1f}" y1="{axis_y}" y2="{axis_y}" stroke="{WALL}"/>')
    svg.append(f'<text x="{LEFT}" y="{height - 6}">z (cm) along the beam; the detector plane (orange) at '
               f'{total:g} cm. transverse scale {PIXELS_PER_CM / zscale:.0f} times the axial one; '
               f'helium blue, septa grey{"; changed values red, marked *" if changes else ""}.</text>')
    if changes:
        listed = ", ".join(f"{key} = {value}" for key, value in changes.items())
        svg.append(f'<text x="{Z_PIXELS - RIGHT}" y="22" text-anchor="end" fill="{CHANGED}">changed: {html.escape(listed)}</text>')
    svg.append("</svg>")
    return "\n".join(svg)


def section(log):
    """The page's beamline section for a parsed run log."""
    e = html.escape
    changes = dict(log.beamline_changes)
    out = ['<section id="beamline"><h2>The beamline</h2>']
    try:
        b = beamline.from_changes(changes)
    except beamline.DescriptionError as err:
        return out[0] + f'<p class="missing">The log\'s beamline cannot be read here: {e(str(err))}</p></section>'
    if changes:
        out.append(f"<p>Described {e(log.beamline_source or '')}: {len(changes)} "
                   f"{'value differs' if len(changes) == 1 else 'values differ'} from the shipped beamline "
                   f"(digest {e(log.beamline_digest)}).</p>")
        if beamline.digest(b) != log.beamline_digest:
            out.append('<p class="missing">The digest of these values is not the log\'s: this tarn-report ships '
                       "another beamline than the program that made the run, and the other values may differ.</p>")
    else:
        out.append("<p>The shipped beamline (data/beamline.toml).</p>")
    out += [drawing(b, changes), table(b, changes), "</section>"]
    return "\n".join(out)

"""Pages looked at in headless Chromium, as the page tests do: the browser
found (or the test skipped, or failed where every optional part is
required), one headless run of it, and the text of every inline SVG panel
measured as the browser lays it out."""
import html
import json
import os
import re
import shutil
import subprocess
import tempfile

CHROMIUM = shutil.which("chromium")


def require(test, what="the page was not looked at in a browser"):
    """Skips `test` when Chromium is missing (fails it under TARN_REQUIRE_OPTIONAL)."""
    if CHROMIUM:
        return
    if os.environ.get("TARN_REQUIRE_OPTIONAL"):
        test.fail("Chromium is not installed (bash scripts/setup-deps.sh installs it)")
    test.skipTest(f"Chromium is not installed; {what}")


def run(test, workdir, *args):
    """Chromium headless with `args`, the last one the page; its standard output."""
    profile = tempfile.mkdtemp(prefix="chromium-", dir=workdir)
    command = [CHROMIUM, "--headless", "--disable-gpu", "--disable-quic", "--no-first-run",
               "--disable-background-networking", "--disable-component-update", "--disable-sync",
               "--hide-scrollbars", "--force-device-scale-factor=1", f"--user-data-dir={profile}",
               *(["--no-sandbox"] if os.geteuid() == 0 else []), *args[:-1], "file://" + os.path.abspath(args[-1])]
    result = subprocess.run(command, capture_output=True, text=True, timeout=120)
    test.assertEqual(result.returncode, 0, result.stderr[-2000:])
    return result.stdout


def check_script(extra=""):
    """A script added to a copy of a page: once loaded, which images loaded,
    where each is, the page height, and `extra` ("name: expression,"), in
    a <pre id="check"> as JSON (read back with --dump-dom)."""
    return """<script>
window.addEventListener("load", () => {
  const imgs = [...document.images];
  const pre = document.createElement("pre");
  pre.id = "check";
  pre.textContent = JSON.stringify({
    total: imgs.length, loaded: imgs.filter(i => i.complete && i.naturalWidth > 0).length, """ + extra + """
    height: Math.ceil(document.documentElement.scrollHeight),
    rects: imgs.map(i => { const r = i.getBoundingClientRect();
                           return [r.left + scrollX, r.top + scrollY, r.width, r.height]; }) });
  document.body.appendChild(pre);
});
</script>"""


# Added to a copy of a page: once loaded, every panel's box and the box and
# words of each of its text elements, as the browser draws them.
LABELS_SCRIPT = """<script>
window.addEventListener("load", () => {
  const box = r => [r.left + scrollX, r.top + scrollY, r.width, r.height];
  const panels = [...document.querySelectorAll("svg.panel")].map(svg => ({
    key: svg.dataset.key, rect: box(svg.getBoundingClientRect()),
    texts: [...svg.querySelectorAll("text")].filter(t => t.textContent.trim())
                .map(t => ({text: t.textContent, rect: box(t.getBoundingClientRect())}))}));
  const pre = document.createElement("pre");
  pre.id = "labels";
  pre.textContent = JSON.stringify({panels: panels, height: Math.ceil(document.documentElement.scrollHeight)});
  document.body.appendChild(pre);
});
</script>"""


def panel_texts(test, folder, text, width=1280, height=False):
    """The panels of the page `text` with their text boxes, as Chromium lays
    them out (and the page's height, when asked)."""
    check = os.path.join(folder, "labels.html")
    with open(check, "w", encoding="utf-8") as f:
        f.write(text.replace("</body>", LABELS_SCRIPT + "</body>"))
    dom = run(test, folder, "--dump-dom", "--virtual-time-budget=10000", f"--window-size={width},1000", check)
    found = json.loads(html.unescape(re.search(r'<pre id="labels">(.*?)</pre>', dom, re.S).group(1)))
    return (found["panels"], found["height"]) if height else found["panels"]


def label_problems(panels, slack=0.5):
    """Texts that stick out of their panel, and texts that overlap each other."""
    problems = []
    for p in panels:
        x0, y0, w0, h0 = p["rect"]
        boxes = []
        for t in p["texts"]:
            x, y, w, h = t["rect"]
            if x < x0 - slack or y < y0 - slack or x + w > x0 + w0 + slack or y + h > y0 + h0 + slack:
                problems.append(f"{p['key']}: {t['text']!r} at {t['rect']} outside the panel {p['rect']}")
            boxes.append((t["text"], x, y, w, h))
        for i, (a, ax, ay, aw, ah) in enumerate(boxes):
            for b, bx, by, bw, bh in boxes[i + 1:]:
                dx = min(ax + aw, bx + bw) - max(ax, bx)
                dy = min(ay + ah, by + bh) - max(ay, by)
                if dx > 1 and dy > 1:
                    problems.append(f"{p['key']}: {a!r} and {b!r} overlap")
    return problems

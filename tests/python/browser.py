"""Pages looked at in headless Chromium, as the page tests do: the browser
found (or the test skipped, or failed where every optional part is
required) and one headless run of it."""
import os
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

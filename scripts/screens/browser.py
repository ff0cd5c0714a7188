"""Pages in headless Chromium: one <div> per picture line (white-space: pre, so the line
breaks are ours), measured by a script in the page and then shot at the size they need.

Chromium runs twice on the same page at the same window size: once to dump the DOM, which
the page's script has given the boxes of its lines and strings (in CSS pixels), once for the
screenshot. The page's layout does not depend on the run, so the boxes hold for the picture."""
import html
import json
import math
import os
import re
import subprocess
import tempfile

from common import ShotError, package_version, run

MEASURE = """<script>
const boxes = [];
for (const el of document.querySelectorAll('[data-box]')) {
  const r = el.getBoundingClientRect();
  boxes.push({id: el.dataset.box, x: r.x, y: r.y, w: r.width, h: r.height});
}
const body = document.body.getBoundingClientRect();
const out = document.createElement('script');
out.type = 'application/json';
out.id = 'measured';
out.textContent = JSON.stringify({dpr: devicePixelRatio, width: body.right, height: body.bottom, boxes: boxes});
document.body.appendChild(out);
</script>"""


def page(body, css, fg, bg):
    """A whole HTML page around body, with the measuring script."""
    return ("<!doctype html>\n<html><head><meta charset=\"utf-8\"><style>\n"
            f"html, body {{ margin: 0; padding: 0; background: {bg}; color: {fg}; }}\n"
            "body { display: inline-block; padding: 6px 8px; }\n"
            f"{css}\n</style></head><body>\n{body}\n{MEASURE}\n</body></html>\n")


def line_divs(lines, css_class="l"):
    """One div per line, each holding a span whose box is measured."""
    return "\n".join(f'<div class="{css_class}"><span data-box="line{i}">{html.escape(line) or " "}</span></div>'
                     for i, line in enumerate(lines))


def chromium(env, url, scale, width, height, screenshot=None):
    """Runs headless Chromium on url at a window of width x height CSS pixels; returns the
    dumped DOM, or writes the screenshot."""
    profile = tempfile.mkdtemp(prefix="chromium-", dir=env["XDG_RUNTIME_DIR"])
    argv = ["chromium", "--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
            "--disable-background-networking", "--disable-component-update", "--disable-sync",
            "--disable-extensions", "--disable-features=Translate,MediaRouter", "--mute-audio",
            f"--user-data-dir={profile}", "--hide-scrollbars", f"--window-size={width},{height}",
            f"--force-device-scale-factor={scale}", "--default-background-color=00000000"]
    argv += [f"--screenshot={screenshot}"] if screenshot else ["--dump-dom"]
    out = run(argv + [url], env=env, timeout=120)
    subprocess.run(["rm", "-rf", profile])
    return out


def measure(env, path, scale, width, height):
    dom = chromium(env, "file://" + path, scale, width, height)
    found = re.search(r'<script type="application/json" id="measured">(.*?)</script>', dom, re.S)
    if not found:
        raise ShotError(f"{path}: the page did not measure itself")
    return json.loads(html.unescape(found.group(1)))


def shoot(env, work, name, document, scale, out):
    """Writes document as a page, fits the window to it, shoots it into out and returns the
    measured boxes in the picture's pixels (x, y, width, height, as floats)."""
    path = os.path.join(work, name + ".html")
    with open(path, "w", encoding="utf-8") as f:
        f.write(document)
    # Lines do not wrap (white-space: pre) and the body shrinks to them, so the boxes measured
    # in a large window hold in the window fitted to the body.
    measured = measure(env, path, scale, 1600, 1200)
    if measured["dpr"] != scale:
        raise ShotError(f"{name}: the page has a device pixel ratio of {measured['dpr']}, not {scale}")
    width, height = int(math.ceil(measured["width"])), int(math.ceil(measured["height"]))
    chromium(env, "file://" + path, scale, width, height, screenshot=out)
    got = run(["identify", "-format", "%w %h", out]).split()
    if [int(v) for v in got] != [width * scale, height * scale]:
        raise ShotError(f"{name}: the screenshot is {got}, not {width * scale} x {height * scale}")
    boxes = {b["id"]: [round(b["x"] * scale, 3), round(b["y"] * scale, 3), round(b["w"] * scale, 3),
                       round(b["h"] * scale, 3)] for b in measured["boxes"]}
    return {"window_css": [width, height], "boxes": boxes}


def version():
    return {"program": "chromium --headless", "package": "chromium", "version": package_version("chromium"),
            "engine": "Blink, Skia (FreeType, fontconfig)"}

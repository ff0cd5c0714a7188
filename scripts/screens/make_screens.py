"""Makes the page reader's test screens: real screenshots of terminals, terminal programs,
browser pages and toolkit windows, each with its exact text and a sidecar that says how it
was drawn. Run through scripts/screens/make-screens.sh (see there for the options)."""
import argparse
import html
import os
import re
import shutil
import sys
import tempfile
import time
import traceback

import browser
import catalogue
import terminal
import texts
import windows
from common import (DATA, DEMO, ROOT, ShotError, XServer, clean_env, fontconfig_file, fontconfig_settings,
                    package_version, run, save_png, trim_lines, write_json, write_text)

MANIFEST_COLUMNS = ["name", "set", "kind", "picture", "renderer", "family", "size_px", "dpi", "scale",
                    "antialias", "theme", "script", "width", "height"]


def script_of(text):
    """latin, russian or mixed: which alphabets the text's letters come from."""
    cyrillic = len(re.findall(r"[\u0400-\u04ff]", text))
    latin = len(re.findall(r"[A-Za-z]", text))
    if cyrillic and latin:
        return "mixed" if latin > 8 else "russian"
    return "russian" if cyrillic else "latin"


def theme_record(name):
    fg, bg, cursor = terminal.THEMES[name]
    return {"name": name, "dark": name not in terminal.LIGHT_THEMES, "foreground": fg, "background": bg,
            "cursor": cursor}


def font_record(design, env, pixels):
    record = {"family": design["family"], "size_px": round(pixels, 3)}
    if "pt" in design:
        record["size_pt"] = design["pt"]
    record["dpi"] = design["dpi"]
    record["antialias"] = design["antialias"]
    record["fontconfig"] = fontconfig_settings(design["family"], env, pixelsize=round(pixels, 2))
    return record


def picture_size(path):
    width, height = run(["identify", "-format", "%w %h", path]).split()
    return int(width), int(height)


class Maker:
    """Makes pictures one at a time into out/SET/NAME.*, with an X display per resolution."""

    def __init__(self, out, display, qt_window):
        self.out = out
        self.display_base = display
        self.servers = {}
        self.qt_window = qt_window
        self.tmux_version = run(["tmux", "-V"]).strip()

    def server(self, dpi):
        if dpi not in self.servers:
            self.servers[dpi] = XServer(self.display_base + len(self.servers), dpi)
        return self.servers[dpi]

    def close(self):
        for server in self.servers.values():
            server.close()

    def make(self, design):
        folder = os.path.join(self.out, design["set"])
        os.makedirs(folder, exist_ok=True)
        work = tempfile.mkdtemp(prefix="screens-")
        try:
            started = time.monotonic()
            kind = design["kind"]
            if kind == "proportional":
                record = self.proportional(design, work)
            elif design["renderer"] == "chromium":
                record = self.browser_mono(design, work)
            else:
                record = self.terminal(design, work)
            name = design["name"]
            save_png(os.path.join(work, "shot.png"), os.path.join(folder, name + ".png"))
            write_text(os.path.join(folder, name + ".txt"), record.pop("truth_text"))
            if "ansi_text" in record:
                write_text(os.path.join(folder, name + ".ansi"), record.pop("ansi_text"))
            width, height = picture_size(os.path.join(folder, name + ".png"))
            sidecar = {"name": name, "set": design["set"], "kind": kind, "picture": name + ".png",
                       "truth": name + ".txt"}
            if kind == "terminal":
                sidecar["ansi"] = name + ".ansi"
            sidecar.update({"width": width, "height": height})
            sidecar.update(record)
            write_json(os.path.join(folder, name + ".json"), sidecar)
            size = os.path.getsize(os.path.join(folder, name + ".png"))
            print(f"make-screens: {design['set']}/{name}.png {width} x {height}, {size // 1024} KB, "
                  f"{time.monotonic() - started:.1f} s", file=sys.stderr)
        finally:
            shutil.rmtree(work, ignore_errors=True)

    # Monospaced and coloured terminal screens.
    def terminal(self, design, work):
        server = self.server(design["dpi"])
        conf = fontconfig_file(work, design["antialias"], design.get("hintstyle"))
        env = clean_env(work, server.display, conf)
        cols, rows = design["cols"], design["rows"]
        font = terminal.Font(design["family"], px=design.get("px"), pt=design.get("pt"))
        scene = design.get("scene")
        intended = None
        term = None
        try:
            if scene is None:
                intended = texts.content(design["text"], cols, rows)
                shown = os.path.join(work, "shown.txt")
                write_text(shown, "\n".join(intended) + "\n")
                command = terminal.show_text_command(shown)
            else:
                os.makedirs(DEMO, exist_ok=True)
                scene.prepare(env)
                command = scene.command(env)
            term = terminal.TmuxTerminal(work, env, design["name"], cols, rows, command)
            argv = terminal.terminal_argv(design["renderer"], font, cols, rows, design["theme"],
                                          terminal.PALETTES[design["palette"]], design.get("bold_bright", True),
                                          term.attach_argv(), env, design["dpi"], design["antialias"],
                                          design.get("hintstyle"))
            term.open(argv)
            if scene:
                scene.drive(term)
            term.settle()
            if scene:
                scene.freeze(term)
            text, ansi, cursor = term.shoot(os.path.join(work, "shot.png"))
            if scene:
                scene.thaw(term)
            measured = term.calibrate(os.path.join(work, "calibration.png"))
        finally:
            if scene:
                scene.thaw(term)
            if term:
                term.close()
            if scene:
                scene.close(env)
        truth = trim_lines(text)
        if intended is not None and truth != trim_lines("\n".join(intended)):
            raise ShotError(f"{design['name']}: the screen does not show the text it was given")
        record = {
            "renderer": dict(terminal.terminal_version(design["renderer"]), tmux=self.tmux_version,
                             xserver=f"Xvfb {package_version('xvfb')}"),
            "font": font_record(design, env, font.pixels(design["dpi"])),
            "theme": dict(theme_record(design["theme"]), palette_name=design["palette"],
                          palette=terminal.PALETTES[design["palette"]]),
            "script": script_of(truth),
        }
        record.update(measured)
        record["cursor"] = cursor
        if scene is None:
            record["text"] = design["text"]
        else:
            record["program"] = dict({"name": scene.program}, **scene.versions())
            if scene.program == "htop":
                record["program"]["note"] = ("htop's meters, uptime and load change from run to run; the "
                                             "picture and its truth were taken in the same instant")
        record["truth_text"] = truth
        if scene is not None:
            record["ansi_text"] = ansi if ansi.endswith("\n") else ansi + "\n"
        return record

    # Monospaced pages in Chromium.
    def browser_mono(self, design, work):
        conf = fontconfig_file(work, design["antialias"], design.get("hintstyle"))
        env = clean_env(work, None, conf)
        fg, bg, _ = terminal.THEMES[design["theme"]]
        lines = texts.content(design["text"], design["cols"], design["rows"])
        css = (f".l {{ white-space: pre; font-family: '{design['family']}'; font-size: {design['px']}px; "
               "line-height: normal; }")
        document = browser.page(browser.line_divs(lines), css, fg, bg)
        measured = browser.shoot(env, work, design["name"], document, design["scale"], os.path.join(work, "shot.png"))
        boxes = measured["boxes"]
        scale = design["scale"]
        longest = max(range(len(lines)), key=lambda i: len(lines[i]))
        pitch = boxes[f"line{longest}"][2] / len(lines[longest])
        line_pitch = (boxes[f"line{len(lines) - 1}"][1] - boxes["line0"][1]) / max(1, len(lines) - 1)
        truth = trim_lines("\n".join(lines))
        return {
            "renderer": dict(browser.version(), scale=scale, window_css=measured["window_css"]),
            "font": dict(font_record(design, env, design["px"] * scale), size_css_px=design["px"]),
            "theme": theme_record(design["theme"]),
            "script": script_of(truth),
            "text": design["text"],
            "grid": {"x": boxes["line0"][0], "y": boxes["line0"][1], "cell_width": round(pitch, 4),
                     "cell_height": round(line_pitch, 4), "columns": max(len(line) for line in lines),
                     "rows": len(lines),
                     "note": "Chromium places glyphs at fractional advances: cell sizes are measured by the "
                             "page in device pixels (a line's width over its characters)"},
            "lines": [{"text": line, "box": boxes[f"line{i}"]} for i, line in enumerate(lines)],
            "truth_text": truth,
        }

    # Proportional pictures.
    def proportional(self, design, work):
        if design["renderer"] == "chromium":
            return self.browser_proportional(design, work)
        server = self.server(design["dpi"])
        conf = fontconfig_file(work, design["antialias"])
        env = clean_env(work, server.display, conf)
        lines = texts.content(design["text"], 200, 200)
        body = texts.prose("GPL-3" if design["set"] == "dev" else "MPL-2.0", 30, 60, 4)
        if design["renderer"] == "gtk":
            result = windows.gtk_window(env, work, design, lines, body, os.path.join(work, "shot.png"))
        else:
            result = windows.qt_window(self.qt_window, env, work, design, lines, body,
                                       os.path.join(work, "shot.png"))
        truth = trim_lines("\n".join(line["text"] for line in result["lines"]))
        return {
            "renderer": result["renderer"],
            "font": font_record(design, env, design["px"]),
            "theme": theme_record(design["theme"]),
            "script": script_of(truth),
            "text": design["text"],
            "lines": result["lines"],
            "truth_text": truth,
        }

    def browser_proportional(self, design, work):
        conf = fontconfig_file(work, design["antialias"])
        env = clean_env(work, None, conf)
        fg, bg, _ = terminal.THEMES[design["theme"]]
        scale = design["scale"]
        family = design["family"]
        page = design["page"]
        strings = []
        if page == "paragraphs":
            lines = texts.content(design["text"], 76, 20)
            sizes = [design["px"]] * len(lines)
            weights = ["normal"] * len(lines)
            css = f".l {{ white-space: pre; font-family: '{family}'; font-size: {design['px']}px; line-height: 1.45; }}"
            body = browser.line_divs(lines)
        elif page == "ui":
            raw = texts.content(design["text"], 200, 200)
            low, high = design["px"]
            lines, sizes, weights, divs = [], [], [], []
            for i, line in enumerate(raw):
                heading = line.startswith("# ")
                text = line[2:] if heading else line
                size = high if heading else low + i % (high - low + 1)
                lines.append(text)
                sizes.append(size)
                weights.append("bold" if heading else "normal")
                divs.append(f'<div class="l" style="font-size: {size}px; font-weight: {"bold" if heading else "normal"};'
                            f' margin-top: {6 if heading and i else 2}px"><span data-box="line{i}">'
                            f'{html.escape(text)}</span></div>')
            css = f".l {{ white-space: pre; font-family: '{family}'; line-height: normal; }}"
            body = "\n".join(divs)
        elif page == "table":
            labels = {"sha1": "SHA-1", "sha256/2": "SHA-256 (first half)", "base64": "API key",
                      "serial": "Serial number", "identifier": "Identifier", "token": "Token"}
            seed = int(design["text"].split(":")[1])
            strings = texts.random_strings(seed, 12)
            lines = [f"{labels[kind]} {text}" for kind, text in strings]
            sizes = [design["px"]] * len(lines)
            weights = ["normal"] * len(lines)
            rows = "\n".join(f'<tr data-box="line{i}"><td class="k">{html.escape(labels[kind])}</td>'
                             f'<td><span data-box="s{i}">{html.escape(text)}</span></td></tr>'
                             for i, (kind, text) in enumerate(strings))
            css = (f"table {{ border-collapse: collapse; font-family: '{family}'; font-size: {design['px']}px; }}\n"
                   "td { white-space: pre; padding: 3px 14px 3px 0; }\n"
                   f"tr + tr td {{ border-top: 1px solid {'#d8d8d8' if design['theme'] in terminal.LIGHT_THEMES else '#404040'}; }}\n"
                   "td.k { opacity: 0.75; }")
            body = f"<table>\n{rows}\n</table>"
        else:
            raise ShotError(f"unknown page {page}")
        document = browser.page(body, css, fg, bg)
        measured = browser.shoot(env, work, design["name"], document, scale, os.path.join(work, "shot.png"))
        boxes = measured["boxes"]
        truth = trim_lines("\n".join(lines))
        record = {
            "renderer": dict(browser.version(), scale=scale, window_css=measured["window_css"]),
            "font": dict(font_record(design, env, (design["px"][0] if page == "ui" else design["px"]) * scale),
                         size_css_px=design["px"] if page != "ui" else list(design["px"])),
            "theme": theme_record(design["theme"]),
            "script": script_of(truth),
            "text": design["text"],
            "page": page,
            "lines": [{"text": line, "box": boxes[f"line{i}"], "size_css_px": sizes[i], "weight": weights[i]}
                      for i, line in enumerate(lines)],
        }
        if strings:
            record["strings"] = [{"kind": kind, "text": text, "box": boxes[f"s{i}"]}
                                 for i, (kind, text) in enumerate(strings)]
        record["truth_text"] = truth
        return record


def write_manifest(out):
    """MANIFEST.tsv: one row per picture whose sidecar lies in out/dev or out/held-out."""
    import json
    rows = []
    for group in ("dev", "held-out"):
        folder = os.path.join(out, group)
        if not os.path.isdir(folder):
            continue
        for name in sorted(os.listdir(folder)):
            if not name.endswith(".json"):
                continue
            with open(os.path.join(folder, name), encoding="utf-8") as f:
                s = json.load(f)
            font = s["font"]
            rows.append([s["name"], s["set"], s["kind"], f"{group}/{s['picture']}",
                         s["renderer"]["program"].split()[0], font["family"], f"{font['size_px']:g}",
                         str(font.get("dpi", "")) if s["renderer"].get("scale") is None else "",
                         str(s["renderer"].get("scale", "")), "on" if font["antialias"] else "off",
                         s["theme"]["name"], s["script"], str(s["width"]), str(s["height"])])
    kinds = {"mono": 0, "terminal": 1, "proportional": 2}
    rows.sort(key=lambda r: (r[1] != "dev", kinds[r[2]], r[0]))
    with open(os.path.join(out, "MANIFEST.tsv"), "w", encoding="utf-8") as f:
        f.write("\t".join(MANIFEST_COLUMNS) + "\n")
        for row in rows:
            f.write("\t".join(row) + "\n")
    return len(rows)


def main():
    parser = argparse.ArgumentParser(prog="make-screens.sh", description=__doc__)
    parser.add_argument("--out", default=DATA, help="the folder of the screens (default tests/data/screens)")
    parser.add_argument("--only", action="append", default=[], help="make only pictures whose name contains this")
    parser.add_argument("--set", choices=["dev", "held-out"], help="make only this set")
    parser.add_argument("--kind", choices=["mono", "terminal", "proportional"], help="make only this kind")
    parser.add_argument("--display", type=int, default=61, help="the first X display number to use (default 61)")
    parser.add_argument("--qt-window", default=os.path.join(ROOT, "build", "release", "tests", "workbench", "gui",
                                                            "screens_qt_window"),
                        help="the screens_qt_window program (default: the release build's)")
    parser.add_argument("--list", action="store_true", help="list the designed pictures and exit")
    args = parser.parse_args()
    chosen = [d for d in catalogue.SCREENS
              if (not args.only or any(o in d["name"] for o in args.only))
              and (not args.set or d["set"] == args.set) and (not args.kind or d["kind"] == args.kind)]
    if args.list:
        for d in chosen:
            print(f"{d['set']:9s} {d['kind']:13s} {d['name']}")
        return 0
    if not chosen:
        print("make-screens: no picture matches", file=sys.stderr)
        return 2
    maker = Maker(os.path.abspath(args.out), args.display, os.path.abspath(args.qt_window))
    failed = []
    try:
        for design in chosen:
            try:
                maker.make(design)
            except (ShotError, OSError) as error:
                traceback.print_exc()
                print(f"make-screens: {design['name']}: {error}", file=sys.stderr)
                failed.append(design["name"])
    finally:
        maker.close()
        shutil.rmtree(DEMO, ignore_errors=True)
    count = write_manifest(os.path.abspath(args.out))
    print(f"make-screens: {len(chosen) - len(failed)} made, {count} in the manifest", file=sys.stderr)
    if failed:
        print(f"make-screens: failed: {', '.join(failed)}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())

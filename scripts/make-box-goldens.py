#!/usr/bin/env python3
"""Makes the golden pictures of the terminals' own box drawing: rxvt-unicode and xfce4-terminal
(VTE) under Xvfb show every code of U+2500..U+259F, 16 a row with a space between, black on
white, and each picture is kept with a sidecar of "key: value" lines: program, font, size,
dpi, origin (the first cell's top-left pixel), cell (width height) and the text's rows.

Usage: scripts/make-box-goldens.py [OUT_DIR]    (default tests/data/render/box)

Needs what scripts/screens/make-screens.sh needs (Xvfb, xdotool, ImageMagick, optipng,
rxvt-unicode, xfce4-terminal); uses the X display :73 and a folder under /tmp."""
import os
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "screens"))
from common import XServer, capture_window, clean_env, fontconfig_file, package_version, save_png, window_of  # noqa: E402
from terminal import PALETTES, Font, show_text_command, terminal_argv  # noqa: E402

ROOT = os.path.dirname(HERE)
COLUMNS, ROWS = 40, 12
# (name, terminal, family, pixels or None, points or None, cell padding)
GOLDENS = [
    ("urxvt-dejavu-16px", "urxvt", "DejaVu Sans Mono", 16, None, 2),
    ("urxvt-gomono-14px", "urxvt", "Go Mono", 14, None, 2),
    ("vte-dejavu-12pt", "vte", "DejaVu Sans Mono", None, 12, 1),
    ("vte-liberation-8.25pt", "vte", "Liberation Mono", None, 8.25, 1),
]


def text_rows():
    codes = list(range(0x2500, 0x25A0))
    return [" ".join(chr(c) for c in codes[i:i + 16]) for i in range(0, len(codes), 16)]


def main():
    out = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "tests", "data", "render", "box"))
    os.makedirs(out, exist_ok=True)
    rows = text_rows()
    work = tempfile.mkdtemp(prefix="box-goldens-")
    server = XServer(73, 96)
    try:
        text = os.path.join(work, "box.txt")
        with open(text, "w", encoding="utf-8") as f:
            f.write("\n".join(rows) + "\n\n")  # show_text_command drops the last byte
        for name, terminal, family, px, pt, padding in GOLDENS:
            env = clean_env(os.path.join(work, name), display=server.display,
                            fonts_conf=fontconfig_file(work, True))
            font = Font(family, px=px) if px else Font(family, pt=pt)
            argv = terminal_argv(terminal, font, COLUMNS, ROWS, "paper", PALETTES["xterm"], False,
                                 ["sh", "-c", show_text_command(text)], env, 96, True, None)
            process = subprocess.Popen(argv, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            try:
                window = window_of(process.pid, env)
                time.sleep(2.0)
                raw = os.path.join(work, name + ".raw.png")
                capture_window(window, env, raw)
            finally:
                process.terminate()
                process.wait()
            width, height = (int(v) for v in subprocess.run(["identify", "-format", "%w %h", raw], check=True,
                                                            stdout=subprocess.PIPE).stdout.split())
            cell = ((width - 2 * padding) // COLUMNS, (height - 2 * padding) // ROWS)
            save_png(raw, os.path.join(out, name + ".png"))
            package = "rxvt-unicode" if terminal == "urxvt" else "xfce4-terminal"
            lines = [f"program: {terminal} ({package} {package_version(package)})", f"font: {family}",
                     f"pixelsize: {px}" if px else f"points: {pt}", "dpi: 96", "paper: ffffff", "ink: 000000",
                     f"origin: {padding} {padding}", f"cell: {cell[0]} {cell[1]}"]
            lines += [f"text: {row}" for row in rows]
            with open(os.path.join(out, name + ".txt"), "w", encoding="utf-8") as f:
                f.write("\n".join(lines) + "\n")
            print(f"make-box-goldens: {name} ({width} x {height}, cell {cell[0]} x {cell[1]})")
    finally:
        server.close()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()

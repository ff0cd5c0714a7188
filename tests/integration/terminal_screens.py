#!/usr/bin/env python3
"""The terminal test screens (tests/data/screens, kind terminal) read by recognize-cli page with
glyph sets rendered from their sidecars: every screen reads with a character error rate of at
most 1 %, the cells named below have the colours and attributes their SGR truth (NAME.ansi)
gives, and --ansi writes what --json reads.

Usage: terminal_screens.py RECOGNIZE_CLI [--set dev|held-out] [--report] [--framed] [--search] [--work DIR]

--search reads every screen without a glyph set, the font found by the font search (cache off).
--framed reads every screen as a window on a desktop instead (ImageMagick's convert draws it): a
title bar with a title, a frame and a scroll bar around the screen, all of which must be left out.

--report prints, per screen, the error rate, the share of cells whose colours and whose
attributes are right, the reading's time and what reads wrong, and asserts nothing."""
import argparse
import json
import os
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, os.path.join(ROOT, "scripts", "screens"))
sys.path.insert(0, os.path.join(ROOT, "bench", "process"))
import sgr  # noqa: E402
from screens_cer import errors, layout_kept  # noqa: E402

SCREENS = os.path.join(ROOT, "tests", "data", "screens")
TERMINALS = {"xterm": ("xft", "xterm"), "urxvt": ("xft", "urxvt"), "st": ("xft", "st"),
             "xfce4-terminal": ("cairo", "vte")}
# A colour read from the picture is the truth's within this many levels a channel.
SAME_COLOUR = 8
MAX_CER = 0.01

# Cells whose style the reading must get right, per development screen: (row, the text of the
# cells, what they show, what is checked: "style" both colours and attributes, "attributes" the
# attributes alone). Every cell of the text is checked against the truth.
NAMED_CELLS = {
    "xterm-dejavu-ls": [(2, "armi", "bold blue directory", "style"), (5, "brilo.sh", "bold green executable", "style"),
                        (6, "docs", "bold cyan link", "style")],
    "xterm-hack-mc": [(0, "Left     File", "menu bar, black on cyan", "style"),
                      (6, "/elru     ", "selected file, black on cyan", "style"),
                      (3, "/..", "directory, white on blue", "style"), (23, " 1", "function key number", "style"),
                      (23, "Help", "function key label, black on cyan", "style"),
                      (1, "┌<─", "panel frame", "style")],
    "urxvt-cousine-tmux": [(23, "[work] 0:files*", "status line, black on green", "style"),
                           (2, "old-link", "bold cyan link", "style"), (2, "3:", "green match line number", "style"),
                           (2, "files", "bold red match", "style")],
    "urxvt-liberation-git": [(1, "2c23f49", "yellow commit hash", "style"), (1, "HEAD", "bold cyan decoration", "style"),
                             (1, "<Ana Lima>", "blue author", "style")],
    "vte-dejavu-htop": [(7, "PID USER", "header, black on green", "style"),
                        (8, "30131 root", "selected process, black on cyan", "style"),
                        (19, "Help", "function key label, black on cyan", "style")],
    "vte-jetbrains-vim": [(22, "ring.c", "status line, reverse video", "style"),
                          (1, "#include", "preprocessor directive", "style"), (0, "  1", "line number", "style")],
    "st-noto-dialog": [(4, "[*] vim", "checklist item on grey", "style"),
                       (6, "[*] htop  Process viewer", "selected item, white on blue", "style"),
                       (15, "<  OK  >", "OK button", "style"), (0, "Package setup", "backtitle, cyan on blue", "style")],
    "st-gomono-man": [(5, "SIZE", "underlined word", "style"), (2, "-b", "bold option", "attributes"),
                      (23, "Manual page ls(1)", "prompt, reverse video", "style")],
}


def glyph_set(cli, sidecar, out):
    """Renders the glyph set of a screen as its sidecar describes the terminal and its font."""
    font = sidecar["font"]
    renderer, terminal = TERMINALS[sidecar["renderer"]["program"]]
    family = font["family"] + ("" if font.get("antialias", True) else ":antialias=false")
    argv = [cli, "glyphs", "--family", family, "--renderer", renderer, "--terminal", terminal, "--bold"]
    if "size_pt" in font:
        argv += ["--points", str(font["size_pt"]), "--dpi", str(font["dpi"])]
    else:
        argv += ["--size", str(font["size_px"])]
    grid = sidecar["grid"]
    argv += ["--cell", f"{grid['cell_width']}x{grid['cell_height']}", "-o", out]
    result = subprocess.run(argv, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    return "is not installed" not in result.stderr.decode("utf-8", "replace")


def framed(picture, out):
    """The screen as a window on a desktop of another colour: a title bar with a title in a
    proportional font, a frame a pixel wide and a scroll bar with its thumb right of the screen."""
    size = subprocess.run(["convert", picture, "-format", "%w %h", "info:"], stdout=subprocess.PIPE,
                          check=True).stdout.decode().split()
    width, height = int(size[0]), int(size[1])
    left, top, bar = 37, 61, 14
    subprocess.run(["convert", "-size", f"{width + 2 * left + bar}x{height + top + 40}", "xc:#3465A4",
                    "-fill", "#888888", "-draw", f"rectangle {left - 1},{top - 29} {left + width + bar},{top + height}",
                    "-fill", "#DEDEDE", "-draw", f"rectangle {left},{top - 28} {left + width + bar - 1},{top - 1}",
                    "-fill", "#202020", "-pointsize", "15", "-annotate", f"+{left + 60}+{top - 9}",
                    "user@work: ~/projects - Terminal",
                    "-fill", "#CCCCCC", "-draw", f"rectangle {left + width},{top} {left + width + bar - 1},{top + height - 1}",
                    "-fill", "#777777", "-draw", f"rectangle {left + width + 3},{top + 20} {left + width + bar - 4},{top + 90}",
                    picture, "-geometry", f"+{left}+{top}", "-composite", out], check=True)
    return out


def read(cli, font, picture, *options):
    how = ["--font", font] if font else ["--no-cache"]
    result = subprocess.run([cli, "page", *how, *options, picture], stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE, check=True)
    return result.stdout.decode("utf-8")


def screen_cells(reading):
    """Our reading as {(row, column): style} on the screen's rows and columns."""
    first = reading.get("screen", {}).get("firstRow", 0)
    cells = {}
    for line in reading["lines"]:
        for c, style in enumerate(line.get("styles", [])):
            cells[(line["row"] - first, line["column"] + c)] = style
    return cells


def same(a, b):
    a, b = int(a[1:], 16), int(b[1:], 16)
    return all(abs(((a >> s) & 255) - ((b >> s) & 255)) <= SAME_COLOUR for s in (0, 8, 16))


def compare(truth_cell, ours, measured):
    """(colours right, attributes right) of one cell: a blank cell's foreground and attributes
    are not to be seen, bar an underline."""
    fg, bg = sgr.shown_colours(truth_cell.style, measured)
    blank = truth_cell.char == " "
    if ours is None:
        blank_ours = {"fg": fg, "bg": measured["background"].upper(), "bold": False, "italic": False,
                      "underline": False, "inverse": False}
        ours = blank_ours
    colours = same(bg, ours["bg"]) and (blank or same(fg, ours["fg"]))
    style = truth_cell.style
    attributes = style.underline == ours["underline"] and (
        blank or (style.bold == ours["bold"] and style.italic == ours["italic"]))
    return colours, attributes


def check_screen(cli, name, folder, work, report, frame=False, search=False):
    sidecar = json.load(open(os.path.join(folder, name + ".json"), encoding="utf-8"))
    picture = os.path.join(folder, name + ".png")
    font = os.path.join(work, name + ".gset")
    if not glyph_set(cli, sidecar, font):
        print(f"{name}: skipped, {sidecar['font']['family']} is not installed")
        return None
    if search:
        font = None
    if frame:
        picture = framed(picture, os.path.join(work, name + "-framed.png"))
    truth_text = open(os.path.join(folder, name + ".txt"), encoding="utf-8").read()
    truth = sgr.parse(open(os.path.join(folder, name + ".ansi"), encoding="utf-8").read())
    start = time.perf_counter()
    try:
        text = read(cli, font, picture)
    except subprocess.CalledProcessError as failed:
        if font:
            raise
        message = failed.stderr.decode("utf-8", "replace").strip()
        if report:
            print(f"{name:24s} {message}")
        return [message]
    wall = time.perf_counter() - start
    reading = json.loads(read(cli, font, picture, "--json"))
    ansi = sgr.parse(read(cli, font, picture, "--ansi"))
    edits, chars = errors(truth_text, text, layout_kept)
    cer = edits / max(chars, 1)
    ours = screen_cells(reading)
    measured = sidecar["measured_colours"]
    cursor = sidecar.get("cursor", {})
    cursor_cell = (cursor.get("y"), cursor.get("x")) if cursor.get("visible") else None
    counted = colours_right = attributes_right = 0
    wrong = []
    for r, row in enumerate(truth):
        for c, cell in enumerate(row):
            if (r, c) == cursor_cell:
                continue
            colours, attributes = compare(cell, ours.get((r, c)), measured)
            counted += 1
            colours_right += colours
            attributes_right += attributes
    failures = []
    if cer > MAX_CER:
        failures.append(f"CER {100 * cer:.2f} % over {100 * MAX_CER:.0f} %")
    for row, cells, what, checked in NAMED_CELLS.get(name, []):
        first = "".join(cell.char for cell in truth[row]).find(cells) if row < len(truth) else -1
        if first < 0:
            failures.append(f"{what}: '{cells}' is not on row {row}")
            continue
        for c in range(first, first + len(cells)):
            if (row, c) == cursor_cell:
                continue
            colours, attributes = compare(truth[row][c], ours.get((row, c)), measured)
            if not attributes or (checked == "style" and not colours):
                failures.append(f"{what}: cell {row},{c} '{truth[row][c].char}' reads {ours.get((row, c))}")
                break
    # --ansi writes what --json reads: the same characters in the same colours and attributes.
    for (r, c), style in ours.items():
        if 0 <= r < len(ansi) and 0 <= c < len(ansi[r]):
            cell = ansi[r][c]
            fg, bg = sgr.shown_colours(cell.style, measured)
            if cell.char != style["char"] or not same(fg, style["fg"]) or not same(bg, style["bg"]) or \
                    cell.style.bold != style["bold"] or cell.style.underline != style["underline"] or \
                    cell.style.inverse != style["inverse"]:
                failures.append(f"--ansi cell {r},{c} differs from --json")
                break
    if report:
        line_errors = [(i, t, o) for i, (t, o) in enumerate(zip(layout_kept(truth_text).split("\n"),
                                                                    layout_kept(text).split("\n"))) if t != o]
        print(f"{name:24s} CER {100 * cer:5.2f} %  colours {100 * colours_right / counted:6.2f} %  "
              f"attributes {100 * attributes_right / counted:6.2f} %  cells {counted:5d}  "
              f"read {1000 * wall:6.1f} ms (whole process)")
        for i, t, o in line_errors[:4]:
            print(f"    row {i}: truth {t.rstrip()!r}\n            read  {o.rstrip()!r}")
    return failures


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("cli")
    parser.add_argument("--set", default="dev")
    parser.add_argument("--report", action="store_true")
    parser.add_argument("--framed", action="store_true")
    parser.add_argument("--search", action="store_true")
    parser.add_argument("--work")
    args = parser.parse_args()
    folder = os.path.join(SCREENS, args.set)
    names = sorted(n[:-5] for n in os.listdir(folder)
                   if n.endswith(".json") and json.load(open(os.path.join(folder, n)))["kind"] == "terminal")
    failed = False
    read = 0
    with tempfile.TemporaryDirectory() as temp:
        work = args.work or temp
        for name in names:
            failures = check_screen(args.cli, name, folder, work, args.report, args.framed, args.search)
            read += failures is not None
            if failures and not args.report:
                failed = True
                print(f"{name}: " + "; ".join(failures))
    if read == 0:
        print("no terminal screen could be read")
        failed = True
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Reads every test screen of tests/data/screens (MANIFEST.tsv) with Tesseract, and with our
page reader when asked, and writes the character error rates and times as a markdown table.

Usage: screens_cer.py [--recognize RECOGNIZE_CLI [--font F.GLF | --font-dir DIR]]
                      [--set dev|held-out] [--kind mono|terminal|proportional] [--only TEXT]
                      [--runs N] [--out docs/figures/tesseract-screens.md] [--json FILE]

Tesseract: `tesseract PICTURE - --psm 6` (one block of text: the screens are uniform blocks)
with `-l eng`, or `-l rus+eng` for Russian and mixed texts, on one thread (OMP_THREAD_LIMIT=1).
Our reader: `recognize-cli page PICTURE`, with no font (it finds the font itself), or with
--font F.GLF for every picture, or with DIR/NAME.GLF where --font-dir has one; a picture it
fails on is listed with its exit status and left out of the means.

CER = Levenshtein distance over Unicode code points / code points of the truth, counted two
ways (as CharacterErrorRate in workbench/eval does):
- "layout kept": every character counts, spaces and line breaks too; blanks ending a line
  and blank lines before and after the text are left out of both texts (where a screen's
  first line starts is where its ink starts);
- "runs as one": every run of blanks and line breaks is one space, none at the ends, so lost
  indentation and column alignment cost nothing.
Times are whole-process wall and CPU (user + system) seconds, the median of --runs runs.
For the pictures with random strings (the tables) it also counts the strings found in the
reading exactly."""
import argparse
import json
import os
import re
import resource
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, HERE)
from screens_vs_tesseract import levenshtein  # noqa: E402

BLANKS = " \t\r\f\v"


def layout_kept(text):
    lines = [line.rstrip(BLANKS) for line in text.split("\n")]
    while lines and not lines[-1]:
        lines.pop()
    while lines and not lines[0]:
        lines.pop(0)
    return "\n".join(lines)


def runs_as_one(text):
    return re.sub(r"[ \t\r\f\v\n]+", " ", text).strip(" ")


def errors(truth, read, rule):
    """(edits, characters of the truth) after both texts are normalised by rule."""
    a, b = rule(truth), rule(read)
    return levenshtein(a, b), len(a)


def rate(edits, chars):
    return edits / chars if chars else float(edits > 0)


def timed(argv, env):
    """Runs argv once: (exit status, stdout text, wall seconds, CPU seconds of the child)."""
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.perf_counter()
    result = subprocess.run(argv, stdout=subprocess.PIPE, stderr=subprocess.PIPE, env=env)
    wall = time.perf_counter() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    return result.returncode, result.stdout.decode("utf-8", "replace"), wall, cpu


def read_manifest(path):
    with open(path, encoding="utf-8") as f:
        header = f.readline().rstrip("\n").split("\t")
        return [dict(zip(header, line.rstrip("\n").split("\t"))) for line in f if line.strip()]


def measure(argv, env, runs):
    """Runs argv runs times; the reading of the last run and the median times, or the failure."""
    walls, cpus, text, status = [], [], "", 0
    for _ in range(runs):
        status, text, wall, cpu = timed(argv, env)
        if status != 0:
            return {"status": status}
        walls.append(wall)
        cpus.append(cpu)
    return {"status": 0, "text": text, "wall": statistics.median(walls), "cpu": statistics.median(cpus)}


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--screens", default=os.path.join(ROOT, "tests", "data", "screens"))
    parser.add_argument("--recognize", help="recognize-cli to run beside Tesseract")
    parser.add_argument("--font", help="a GLF font for every picture (recognize-cli page --font)")
    parser.add_argument("--font-dir", help="a folder of NAME.GLF fonts, one per picture where there is one")
    parser.add_argument("--set", choices=["dev", "held-out"])
    parser.add_argument("--kind", choices=["mono", "terminal", "proportional"])
    parser.add_argument("--only", action="append", default=[], help="pictures whose name contains this")
    parser.add_argument("--runs", type=int, default=1, help="timed runs per picture and reader (default 1)")
    parser.add_argument("--no-tesseract", action="store_true", help="run only our reader")
    parser.add_argument("--out", default=os.path.join(ROOT, "docs", "figures", "tesseract-screens.md"))
    parser.add_argument("--json", help="also write every reading's figures and text here")
    args = parser.parse_args()

    pictures = [p for p in read_manifest(os.path.join(args.screens, "MANIFEST.tsv"))
                if (not args.set or p["set"] == args.set) and (not args.kind or p["kind"] == args.kind)
                and (not args.only or any(o in p["name"] for o in args.only))]
    one_thread = dict(os.environ, OMP_THREAD_LIMIT="1")
    readers = [] if args.no_tesseract else ["tesseract"]
    if args.recognize:
        readers.append("recognize-cli")
    results = []
    for p in pictures:
        picture = os.path.join(args.screens, p["picture"])
        with open(os.path.splitext(picture)[0] + ".txt", encoding="utf-8") as f:
            truth = f.read()
        with open(os.path.splitext(picture)[0] + ".json", encoding="utf-8") as f:
            strings = [s["text"] for s in json.load(f).get("strings", [])]
        row = dict(p, chars=len(layout_kept(truth)), readings={})
        for reader in readers:
            if reader == "tesseract":
                language = "eng" if p["script"] == "latin" else "rus+eng"
                argv = ["tesseract", picture, "-", "--psm", "6", "-l", language]
            else:
                argv = [os.path.abspath(args.recognize), "page"]
                font = args.font
                if args.font_dir and os.path.exists(os.path.join(args.font_dir, p["name"] + ".GLF")):
                    font = os.path.join(args.font_dir, p["name"] + ".GLF")
                if font:
                    argv += ["--font", font]
                argv.append(picture)
            got = measure(argv, one_thread, args.runs)
            if got["status"] == 0:
                got["edits"], got["chars"] = errors(truth, got["text"], layout_kept)
                got["edits_runs"], got["chars_runs"] = errors(truth, got["text"], runs_as_one)
                got["cer"] = rate(got["edits"], got["chars"])
                got["cer_runs"] = rate(got["edits_runs"], got["chars_runs"])
                if strings:
                    got["strings"] = len(strings)
                    got["strings_exact"] = sum(text in got["text"] for text in strings)
            row["readings"][reader] = got
        results.append(row)
        summary = "  ".join(f"{r}: " + (f"{g['cer'] * 100:.2f}% / {g['cer_runs'] * 100:.2f}% in {g['wall']:.2f} s"
                                         if g["status"] == 0 else f"exit {g['status']}")
                            for r, g in row["readings"].items())
        print(f"{p['set']}/{p['name']}: {summary}", file=sys.stderr)

    write_table(args.out, results, readers, args)
    if args.json:
        with open(args.json, "w", encoding="utf-8") as f:
            json.dump(results, f, ensure_ascii=False, indent=1)
    return 0


def percent(value):
    return f"{value * 100:.2f}"


def write_table(path, results, readers, args):
    names = {"tesseract": "Tesseract", "recognize-cli": "recognize-cli page"}
    lines = ["# Test screens read by " + " and ".join(names[r] for r in readers), "",
             "Made by `bench/process/screens_cer.py` on the pictures of `tests/data/screens` "
             "(see README, \"Test screens\"). CER in per cent of the truth's characters: **layout** counts every "
             "character, spaces and line breaks too (blanks ending a line and blank lines before and after the text "
             "aside); **runs** counts each run of white space as one space. Times: the whole process, wall "
             f"and CPU seconds (median of {args.runs} run{'s' if args.runs != 1 else ''}, one thread). "
             "Tesseract 5 reads with `--psm 6` and `-l eng`, or `-l rus+eng` for Russian and mixed texts.", ""]
    if "recognize-cli" in readers:
        how = "no font" if not (args.font or args.font_dir) else (
            f"--font {os.path.basename(args.font)}" if args.font else "the picture's NAME.GLF where there is one")
        lines += [f"recognize-cli page ran with {how}; \"exit N\" marks a picture it did not read.", ""]
    header = "| Picture | Set | Kind | Pixels | Chars |"
    rule = "|---|---|---|---|---:|"
    for r in readers:
        header += f" {names[r]} CER layout | runs | wall s | CPU s |"
        rule += "---:|---:|---:|---:|"
    lines += [header, rule]
    for row in results:
        line = f"| {row['name']} | {row['set']} | {row['kind']} | {row['width']} x {row['height']} | {row['chars']} |"
        for r in readers:
            g = row["readings"][r]
            if g["status"] == 0:
                line += f" {percent(g['cer'])} | {percent(g['cer_runs'])} | {g['wall']:.2f} | {g['cpu']:.2f} |"
            else:
                line += f" exit {g['status']} | | | |"
        lines.append(line)
    lines += ["", "Means over the pictures read (CER weighted by characters: total edits / total characters):", "",
              "| Set | Kind | Pictures | " + " | ".join(f"{names[r]} CER layout | runs | wall s" for r in readers) + " |",
              "|---|---|---:|" + "---:|---:|---:|" * len(readers)]
    groups = sorted({(row["set"], row["kind"]) for row in results}, key=lambda g: (g[0] != "dev", g[1]))
    for group in groups + [("all", "all")]:
        rows = [row for row in results if group == ("all", "all") or (row["set"], row["kind"]) == group]
        line = f"| {group[0]} | {group[1]} | {len(rows)} |"
        for r in readers:
            done = [row for row in rows if row["readings"][r]["status"] == 0]
            if not done:
                line += " | | |"
                continue
            layout = rate(sum(row["readings"][r]["edits"] for row in done),
                          sum(row["readings"][r]["chars"] for row in done))
            runs = rate(sum(row["readings"][r]["edits_runs"] for row in done),
                        sum(row["readings"][r]["chars_runs"] for row in done))
            wall = statistics.mean(row["readings"][r]["wall"] for row in done)
            line += f" {percent(layout)} | {percent(runs)} | {wall:.2f} |"
        lines.append(line)
    tables = [row for row in results if any("strings" in g for g in row["readings"].values())]
    if tables:
        lines += ["", "Random strings (digests, keys, serial numbers, identifiers) found in the reading exactly, "
                  "character for character:", "",
                  "| Picture | Set | Strings | " + " | ".join(names[r] for r in readers) + " |",
                  "|---|---|---:|" + "---:|" * len(readers)]
        for row in tables:
            counts = [row["readings"][r] for r in readers]
            total = max(g.get("strings", 0) for g in counts)
            lines.append(f"| {row['name']} | {row['set']} | {total} | " + " | ".join(
                f"{g['strings_exact']}" if "strings" in g else "" for g in counts) + " |")
    os.makedirs(os.path.dirname(os.path.abspath(path)), exist_ok=True)
    with open(path, "w", encoding="utf-8") as f:
        f.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    sys.exit(main())

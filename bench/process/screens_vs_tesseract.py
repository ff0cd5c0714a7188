#!/usr/bin/env python3
"""Reads real terminal screenshots with `recognize-cli page` and with `tesseract`, in one run:
the character error rate of each against the text the screenshot shows, and the whole-process
wall and CPU times, in interleaved runs.

Usage: screens_vs_tesseract.py RECOGNIZE_CLI [RUNS] [TESSERACT_RUNS]
(default 20 and 1; recognize-cli runs once more first, untimed, to warm the file cache)

The screenshots are those of the tests (tests/data/screens: an 80 x 24 terminal and two small
ones) and a 3840 x 2160 one that scripts/make-screenshots.sh --4k makes into a temporary
folder (needs xvfb-run, xterm, xdotool, ImageMagick and a built glyphmill-cli). Tesseract
reads with its English model, or Russian for the Russian text, at its default page
segmentation, on one thread (OMP_THREAD_LIMIT=1: on a small machine its OpenMP threads only
wait for each other). CER = edit distance (Levenshtein, over characters, line breaks included) /
characters of the text. "CER, layout aside" compares the texts with every run of white space
made one space, which leaves out lost indentation. Prints one row per screenshot and reader:
CER, the median wall time and the median CPU time (user + system) of the process."""
import os
import re
import resource
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


def levenshtein(a, b):
    """Edit distance of two strings, by the bit-parallel algorithm of Myers (1999) in
    Hyyrö's formulation: one pass over b, a's positions held in one integer."""
    if not a:
        return len(b)
    m = len(a)
    peq = {}
    for i, c in enumerate(a):
        peq[c] = peq.get(c, 0) | (1 << i)
    mask = (1 << m) - 1
    high = 1 << (m - 1)
    pv, mv, score = mask, 0, m
    for c in b:
        eq = peq.get(c, 0)
        xv = eq | mv
        xh = (((eq & pv) + pv) ^ pv) | eq
        ph = mv | (~(xh | pv) & mask)
        mh = pv & xh
        if ph & high:
            score += 1
        elif mh & high:
            score -= 1
        ph = ((ph << 1) | 1) & mask
        mh = (mh << 1) & mask
        pv = mh | (~(xv | ph) & mask)
        mv = ph & xv
    return score


def normalise(text):
    """Trailing blanks of each line and blank lines at the end left out, as the page text has them."""
    lines = [line.rstrip() for line in text.replace("\f", "").split("\n")]
    while lines and not lines[-1]:
        lines.pop()
    return "\n".join(lines)


def squeeze(text):
    return re.sub(r"\s+", " ", text).strip()


def run(argv, env):
    """Runs argv once: its stdout, wall seconds and CPU seconds (user + system of the child)."""
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.perf_counter()
    result = subprocess.run(argv, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, env=env)
    wall = time.perf_counter() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    if result.returncode != 0:
        sys.exit(f"{' '.join(argv)} exited with {result.returncode}")
    return result.stdout.decode("utf-8", "replace"), wall, cpu


def main():
    cli = os.path.abspath(sys.argv[1])
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 20
    tesseract_runs = int(sys.argv[3]) if len(sys.argv) > 3 else 1
    one_thread = dict(os.environ, OMP_THREAD_LIMIT="1")
    screens = os.path.join(ROOT, "tests", "data", "screens")
    work = tempfile.mkdtemp()
    subprocess.run([os.path.join(ROOT, "scripts", "make-screenshots.sh"), "--4k", work], check=True,
                   stderr=subprocess.DEVNULL)
    shots = [
        ("80 x 24 terminal (gpl)", screens, "gpl", "eng"),
        ("C source, colours on dark (c-source)", screens, "c-source", "eng"),
        ("Russian (russian)", screens, "russian", "rus"),
        ("3840 x 2160 (gpl-4k)", work, "gpl-4k", "eng"),
    ]
    print(f"{'screenshot':38s} {'reader':16s} {'pixels':>11s} {'chars':>6s} {'CER':>7s} {'CER, layout aside':>18s}"
          f" {'wall ms':>9s} {'CPU ms':>8s}")
    for title, folder, name, language in shots:
        picture = os.path.join(folder, name + ".png")
        with open(os.path.join(folder, name + ".txt"), encoding="utf-8") as f:
            truth = normalise(f.read())
        size = subprocess.run(["identify", "-format", "%w x %h", picture], capture_output=True, text=True).stdout
        readers = {
            "recognize-cli": ([cli, "page", "--font", os.path.join(folder, name + ".GLF"), picture], runs, None),
            "tesseract": (["tesseract", picture, "stdout", "-l", language], tesseract_runs, one_thread),
        }
        results = {reader: {"wall": [], "cpu": [], "text": None} for reader in readers}
        results["recognize-cli"]["text"] = normalise(run(readers["recognize-cli"][0], None)[0])
        # Interleaved, so that both meet the same load of the machine.
        for i in range(max(n for _, n, _ in readers.values())):
            for reader, (argv, n, env) in readers.items():
                if i >= n:
                    continue
                text, wall, cpu = run(argv, env)
                results[reader]["text"] = normalise(text)
                results[reader]["wall"].append(wall)
                results[reader]["cpu"].append(cpu)
        for reader in readers:
            r = results[reader]
            cer = levenshtein(truth, r["text"]) / len(truth)
            loose = levenshtein(squeeze(truth), squeeze(r["text"])) / len(squeeze(truth))
            print(f"{title:38s} {reader:16s} {size:>11s} {len(truth):6d} {cer * 100:6.2f}% {loose * 100:17.2f}%"
                  f" {statistics.median(r['wall']) * 1000:9.1f} {statistics.median(r['cpu']) * 1000:8.1f}")
    shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Whole-process time and peak resident set of `recognize-cli read --complex` on one line of
text, beside `ocrad` on the same line as a PBM, in interleaved runs.

Usage: read_vs_ocrad.py RECOGNIZE_CLI DATA_DIR [RUNS]
DATA_DIR holds Fonts/default.GLF and dict.dic. Needs ocrad and netpbm (bmptopnm, ppmtopgm,
pgmtopbm). Prints the median wall time and the largest peak RSS of each command (the figure
that /usr/bin/time -v calls "Maximum resident set size")."""
import os
import statistics
import subprocess
import sys
import tempfile
import time

TEXT = "the quick brown fox jumps over the lazy dog"


def run(argv, cwd, report):
    # GNU time measures the peak: a child forked from Python would count Python's pages too.
    start = time.perf_counter()
    code = subprocess.call(["/usr/bin/time", "-f", "%M", "-o", report] + argv, cwd=cwd,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    elapsed = time.perf_counter() - start
    with open(report) as f:
        peak = int(f.read().split()[-1])
    return elapsed, peak, code


def main():
    cli, data = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    runs = int(sys.argv[3]) if len(sys.argv) > 3 else 30
    work = tempfile.mkdtemp()
    bmp, pbm = os.path.join(work, "line.bmp"), os.path.join(work, "line.pbm")
    subprocess.run([cli, "render", "--font", "Fonts/default.GLF", "--text", TEXT, "-o", bmp], cwd=data, check=True)
    subprocess.run(f"bmptopnm {bmp} | ppmtopgm | pgmtopbm -threshold > {pbm}", shell=True, check=True,
                   stderr=subprocess.DEVNULL)
    commands = {
        "read --complex, dict.dic": [cli, "read", "--complex", bmp],
        "read --complex, american-english-insane":
            [cli, "read", "--complex", "--dict", "/usr/share/dict/american-english-insane", bmp],
        "read (Simple)": [cli, "read", bmp],
        "ocrad": ["ocrad", pbm],
    }
    times = {name: [] for name in commands}
    peaks = {name: 0 for name in commands}
    for _ in range(runs):
        for name, argv in commands.items():
            elapsed, peak, code = run(argv, data, os.path.join(work, "time.txt"))
            if code != 0:
                sys.exit(f"{name} exited with {code}")
            times[name].append(elapsed)
            peaks[name] = max(peaks[name], peak)
    ocrad = statistics.median(times["ocrad"])
    for name in commands:
        median = statistics.median(times[name])
        print(f"{name:42s} {median * 1000:7.2f} ms  ({median / ocrad:4.2f} x ocrad)  peak RSS {peaks[name] / 1024:6.1f} MiB")


if __name__ == "__main__":
    main()

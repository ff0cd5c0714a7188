#!/usr/bin/env python3
"""Whole-process time and peak resident set of `recognize-cli read --complex` on one line of
text, beside `ocrad` on the same line as a PBM, in interleaved runs.

Usage: read_vs_ocrad.py RECOGNIZE_CLI DATA_DIR [RUNS]
DATA_DIR holds Fonts/default.GLF and dict.dic. Needs ocrad and netpbm (bmptopnm, ppmtopgm,
pgmtopbm). Complex reads are timed twice: mapping the image of the list's tree that an
earlier run left, and reading the list's text (RECOGNIZE_NO_DICTIONARY_IMAGES). Prints the median wall time and the largest peak RSS of each command (the figure
that /usr/bin/time -v calls "Maximum resident set size")."""
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

TEXT = "the quick brown fox jumps over the lazy dog"


def run(argv, cwd, report, env=None):
    # Timed as it stands; then once more under GNU time, which measures the peak (a child
    # forked from Python would count Python's pages too).
    start = time.perf_counter()
    code = subprocess.call(argv, cwd=cwd, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    elapsed = time.perf_counter() - start
    subprocess.call(["/usr/bin/time", "-f", "%M", "-o", report] + argv, cwd=cwd, env=env,
                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
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
    insane = "/usr/share/dict/american-english-insane"
    # The dictionary images live in a folder of this run; the first runs of a list make them.
    images = dict(os.environ, XDG_CACHE_HOME=os.path.join(work, "cache"))
    images.pop("RECOGNIZE_NO_DICTIONARY_IMAGES", None)
    text = dict(images, RECOGNIZE_NO_DICTIONARY_IMAGES="1")
    commands = {
        "read --complex, dict.dic": ([cli, "read", "--complex", bmp], images),
        "read --complex, dict.dic, no image": ([cli, "read", "--complex", bmp], text),
        "read --complex, insane": ([cli, "read", "--complex", "--dict", insane, bmp], images),
        "read --complex, insane, no image": ([cli, "read", "--complex", "--dict", insane, bmp], text),
        "read (Simple)": ([cli, "read", bmp], images),
        "ocrad": (["ocrad", pbm], None),
    }
    for argv, env in commands.values():
        subprocess.call(argv, cwd=data, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    times = {name: [] for name in commands}
    peaks = {name: 0 for name in commands}
    for _ in range(runs):
        for name, (argv, env) in commands.items():
            elapsed, peak, code = run(argv, data, os.path.join(work, "time.txt"), env)
            if code != 0:
                sys.exit(f"{name} exited with {code}")
            times[name].append(elapsed)
            peaks[name] = max(peaks[name], peak)
    ocrad = statistics.median(times["ocrad"])
    for name in commands:
        median = statistics.median(times[name])
        print(f"{name:36s} {median * 1000:7.2f} ms  ({median / ocrad:4.2f} x ocrad)  peak RSS {peaks[name] / 1024:6.1f} MiB")
    shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()

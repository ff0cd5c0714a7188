#!/usr/bin/env python3
"""Checks the test screens of tests/data/screens against their manifest and sidecars: every
picture listed is there with its truth and sidecar, the truth is what the sidecar and the
SGR text say, the geometry lies inside the picture, and no line of a held-out text is in the
development set.  Usage: check-screens.py SCREENS_DIR"""
import json
import os
import re
import struct
import sys

SGR = re.compile(r"\x1b\[[0-9;:]*m")
failures = []


def fail(name, message):
    failures.append(f"{name}: {message}")


def png_size(path):
    with open(path, "rb") as f:
        head = f.read(24)
    if head[:8] != b"\x89PNG\r\n\x1a\n" or head[12:16] != b"IHDR":
        return None
    return struct.unpack(">II", head[16:24])


def inside(box, width, height, slack=1.0):
    x, y, w, h = box
    return x >= -slack and y >= -slack and x + w <= width + slack and y + h <= height + slack


def check(root, row, texts):
    name = row["name"]
    picture = os.path.join(root, row["picture"])
    stem = os.path.splitext(picture)[0]
    for path in (picture, stem + ".txt", stem + ".json"):
        if not os.path.exists(path):
            return fail(name, f"{os.path.relpath(path, root)} is missing")
    with open(stem + ".json", encoding="utf-8") as f:
        sidecar = json.load(f)
    with open(stem + ".txt", encoding="utf-8") as f:
        truth = f.read()
    size = png_size(picture)
    if size != (sidecar["width"], sidecar["height"]) or [str(v) for v in size] != [row["width"], row["height"]]:
        fail(name, f"the picture is {size}, the sidecar says {sidecar['width']} x {sidecar['height']}")
    for key in ("set", "kind"):
        if sidecar[key] != row[key]:
            fail(name, f"the manifest's {key} {row[key]} differs from the sidecar's {sidecar[key]}")
    if truth and (not truth.endswith("\n") or truth.endswith("\n\n")) or any(
            line != line.rstrip() for line in truth.split("\n")):
        fail(name, "the truth has trailing blanks or blank lines, or no final line break")
    lines = truth.split("\n")[:-1]
    texts.append((row["set"], row["kind"], name, lines))
    width, height = size or (0, 0)
    grid = sidecar.get("grid")
    if grid:
        right = grid["x"] + grid["cell_width"] * grid["columns"]
        bottom = grid["y"] + grid["cell_height"] * grid["rows"]
        if grid["x"] < 0 or grid["y"] < 0 or right > width + 1 or bottom > height + 1:
            fail(name, f"the grid reaches {right} x {bottom}, outside the picture")
        if len(lines) > grid["rows"] or any(len(line) > grid["columns"] for line in lines):
            fail(name, "the truth does not fit the grid")
    if "lines" in sidecar:
        if [line["text"] for line in sidecar["lines"]] != lines + [""] * (len(sidecar["lines"]) - len(lines)):
            fail(name, "the sidecar's lines differ from the truth")
        for line in sidecar["lines"]:
            if not inside(line["box"], width, height):
                fail(name, f"the box of {line['text']!r} lies outside the picture")
    for string in sidecar.get("strings", []):
        if not inside(string["box"], width, height) or not any(string["text"] in line for line in lines):
            fail(name, f"the string {string['text']!r} is not in the truth or not inside the picture")
    if row["kind"] == "terminal":
        with open(stem + ".ansi", encoding="utf-8") as f:
            plain = [SGR.sub("", line).rstrip() for line in f.read().split("\n")]
        while plain and not plain[-1]:
            plain.pop()
        if plain != lines:
            fail(name, "the SGR text without its escapes differs from the truth")


def main():
    root = sys.argv[1]
    with open(os.path.join(root, "MANIFEST.tsv"), encoding="utf-8") as f:
        header = f.readline().rstrip("\n").split("\t")
        rows = [dict(zip(header, line.rstrip("\n").split("\t"))) for line in f if line.strip()]
    texts = []
    listed = set()
    for row in rows:
        listed.add(row["picture"])
        check(root, row, texts)
    for group in ("dev", "held-out"):
        folder = os.path.join(root, group)
        for entry in sorted(os.listdir(folder)) if os.path.isdir(folder) else []:
            if entry.endswith(".png") and f"{group}/{entry}" not in listed:
                fail(entry, "a picture that the manifest does not list")
    # Held-out texts are other texts: none of their longer lines is shown in a development picture
    # (programs' own lines, such as mc's panels, are left out: they repeat by design).
    dev_lines = {line.strip() for s, kind, _, lines in texts if s == "dev" and kind != "terminal" for line in lines}
    for group, kind, name, lines in texts:
        if group == "held-out" and kind != "terminal":
            for line in lines:
                if len(line.strip()) >= 24 and line.strip() in dev_lines:
                    fail(name, f"the held-out line {line.strip()!r} is in the development set too")
    counts = {}
    for row in rows:
        counts[(row["set"], row["kind"])] = counts.get((row["set"], row["kind"]), 0) + 1
    for failure in failures:
        print(failure, file=sys.stderr)
    print(f"check-screens: {len(rows)} pictures, " +
          ", ".join(f"{k[0]} {k[1]} {v}" for k, v in sorted(counts.items())) + f"; {len(failures)} faults")
    return 1 if failures or not rows else 0


if __name__ == "__main__":
    sys.exit(main())

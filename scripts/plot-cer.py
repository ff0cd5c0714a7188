#!/usr/bin/env python3
"""Draws the CER curves of recognize-cli eval --csv as an SVG: one curve per method and
coefficient, CER against the noise rate.
    scripts/plot-cer.py SUMMARY.csv OUT.svg [TITLE]"""
import csv
import sys

COLOURS = {"simple": "#1f5bd8", "complex": "#999999", "open": "#d8641f"}
DASH = {0: "", 1: "6,4", 2: "2,3"}


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    rows = list(csv.DictReader(open(sys.argv[1], newline="")))
    title = sys.argv[3] if len(sys.argv) > 3 else "CER against noise"
    curves = {}
    for r in rows:
        curves.setdefault((r["method"], float(r["coefficient"])), []).append((float(r["noise"]), float(r["cer"]) * 100))
    coefficients = sorted({k for _, k in curves})
    xmax = max(n for c in curves.values() for n, _ in c) or 1
    ymax = 40.0
    w, h, left, top, right, bottom = 640, 400, 60, 40, 170, 50
    pw, ph = w - left - right, h - top - bottom
    X = lambda n: left + pw * n / xmax
    Y = lambda c: top + ph * (1 - min(c, ymax) / ymax)
    out = [f'<svg xmlns="http://www.w3.org/2000/svg" width="{w}" height="{h}" font-family="sans-serif" font-size="12">',
           f'<rect width="{w}" height="{h}" fill="white"/>',
           f'<text x="{left}" y="22" font-size="14">{title}</text>']
    for i in range(0, 5):
        c = ymax * i / 4
        out.append(f'<line x1="{left}" y1="{Y(c):.1f}" x2="{left + pw}" y2="{Y(c):.1f}" stroke="#ddd"/>')
        out.append(f'<text x="{left - 6}" y="{Y(c) + 4:.1f}" text-anchor="end">{c:g} %</text>')
    noises = sorted({n for c in curves.values() for n, _ in c})
    for n in noises:
        out.append(f'<text x="{X(n):.1f}" y="{top + ph + 16}" text-anchor="middle">{n * 100:g}</text>')
    out.append(f'<text x="{left + pw / 2}" y="{h - 10}" text-anchor="middle">noise (% of pixels flipped)</text>')
    out.append(f'<rect x="{left}" y="{top}" width="{pw}" height="{ph}" fill="none" stroke="#444"/>')
    legend = 0
    for (method, k), points in sorted(curves.items(), key=lambda kv: (list(COLOURS).index(kv[0][0]), kv[0][1])):
        points.sort()
        path = " ".join(f"{X(n):.1f},{Y(c):.1f}" for n, c in points)
        dash = DASH.get(coefficients.index(k), "")
        style = f'stroke="{COLOURS.get(method, "black")}" stroke-width="2" fill="none"'
        if dash:
            style += f' stroke-dasharray="{dash}"'
        out.append(f'<polyline points="{path}" {style}/>')
        ly = top + 10 + 18 * legend
        out.append(f'<line x1="{left + pw + 12}" y1="{ly}" x2="{left + pw + 40}" y2="{ly}" {style}/>')
        out.append(f'<text x="{left + pw + 46}" y="{ly + 4}">{method}, k = {k:g}</text>')
        legend += 1
    out.append("</svg>")
    open(sys.argv[2], "w").write("\n".join(out) + "\n")


if __name__ == "__main__":
    main()

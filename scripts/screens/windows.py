"""Toolkit windows for the proportional pictures: a GTK 3 window (gtk_window.py, run by the
system's Python, which has python3-gi) and a Qt window (screens_qt_window, built by CMake),
each of labels and a text view, shot under Xvfb once they report their line boxes."""
import json
import os
import select
import subprocess

from common import HERE, ShotError, capture_window, package_version
from terminal import LIGHT_THEMES, gtk_settings

WIDTH = 560


def description_of(design, lines, body, work):
    """Writes the window's description (font, theme, width, labels and text view lines)."""
    description = {"family": design["family"], "px": design["px"], "dark": design["theme"] not in LIGHT_THEMES,
            "width": WIDTH,
            "lines": [{"text": line[2:] if line.startswith("# ") else line, "heading": line.startswith("# ")}
                      for line in lines],
            "body": body}
    path = os.path.join(work, "window.json")
    with open(path, "w", encoding="utf-8") as f:
        json.dump(description, f, ensure_ascii=False)
    return path


def shoot_window(argv, env, out, timeout=30):
    """Starts a window program, reads its report line, captures its window and stops it."""
    process = subprocess.Popen(argv, env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    try:
        ready, _, _ = select.select([process.stdout], [], [], timeout)
        line = process.stdout.readline() if ready else b""
        if not line:
            process.kill()
            raise ShotError(f"{argv[0]} reported nothing: {process.stderr.read().decode('utf-8', 'replace')[:400]}")
        report = json.loads(line)
        report["lines"] = [{"text": x["text"], "box": x["box"]} for x in report["lines"]]
        capture_window(str(report["window"]), env, out)
        return report
    finally:
        process.terminate()
        process.wait()


def check_fits(report, name):
    for line in report["lines"]:
        x, y, w, h = line["box"]
        if x < 0 or y < 0 or x + w > report["width"] or y + h > report["height"]:
            raise ShotError(f"{name}: the line {line['text']!r} does not fit the window")


def gtk_window(env, work, design, lines, body, out):
    dark = design["theme"] not in LIGHT_THEMES
    gtk_settings(env, design["dpi"], design["antialias"], None, dark=dark)
    report = shoot_window(["/usr/bin/python3", os.path.join(HERE, "gtk_window.py"), description_of(design, lines, body, work)],
                          env, out)
    check_fits(report, design["name"])
    return {"renderer": {"program": "GTK 3 window (python3-gi)", "package": "libgtk-3-0",
                         "version": package_version("libgtk-3-0"), "gtk": report["gtk"],
                         "engine": "Pango, Cairo (FreeType, fontconfig)", "theme": "Adwaita" + (" dark" if dark else ""),
                         "dpi": design["dpi"]},
            "lines": report["lines"]}


def qt_window(program, env, work, design, lines, body, out):
    if not os.access(program, os.X_OK):
        raise ShotError(f"build screens_qt_window first ({program})")
    qt_env = dict(env, QT_QPA_PLATFORM="xcb", QT_ENABLE_HIGHDPI_SCALING="0", QT_FONT_DPI=str(design["dpi"]))
    report = shoot_window([program, description_of(design, lines, body, work)], qt_env, out)
    check_fits(report, design["name"])
    return {"renderer": {"program": "Qt window (screens_qt_window)", "package": "libqt6widgets6",
                         "version": package_version("libqt6widgets6"), "qt": report["qt"],
                         "engine": "Qt (FreeType, fontconfig), Fusion style", "dpi": design["dpi"]},
            "lines": report["lines"]}

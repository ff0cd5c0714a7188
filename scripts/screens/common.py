"""What every kind of test screen needs: a clean environment, the X display, captures and
their pixels, PNG files that are the same for the same pixels, and what a sidecar records
about the programs and fonts that drew a picture."""
import functools
import json
import os
import re
import shutil
import subprocess
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
TEXTS = os.path.join(HERE, "texts")
DATA = os.path.join(ROOT, "tests", "data", "screens")

# The fixed place of the demo files that programs show by name (paths appear on screen).
DEMO = "/tmp/screens-demo"


class ShotError(RuntimeError):
    """A picture that could not be made as designed; the run stops with its reason."""


def run(argv, env=None, check=True, timeout=120, **kwargs):
    """Runs argv to its end and returns its standard output as text."""
    result = subprocess.run(argv, env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=timeout,
                            **kwargs)
    if check and result.returncode != 0:
        raise ShotError(f"{' '.join(argv)} exited with {result.returncode}: "
                        f"{result.stderr.decode('utf-8', 'replace').strip()[:400]}")
    return result.stdout.decode("utf-8", "replace")


def wait_for(condition, what, timeout=20.0, step=0.1):
    """Polls condition() until it returns a true value and returns that value."""
    end = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > end:
            raise ShotError(f"timed out waiting for {what}")
        time.sleep(step)


# Font settings of a picture as fontconfig is told them: antialiasing on or off, and the
# hint style and subpixel order where a picture asks for other than the system's.
def fontconfig_file(folder, antialias=True, hintstyle=None, rgba=None):
    """Writes a fonts.conf that includes the system's and forces the given settings; returns its path."""
    edits = [f'<edit name="antialias" mode="assign"><bool>{"true" if antialias else "false"}</bool></edit>']
    if hintstyle:
        edits.append(f'<edit name="hintstyle" mode="assign"><const>{hintstyle}</const></edit>')
        edits.append('<edit name="hinting" mode="assign"><bool>'
                     f'{"false" if hintstyle == "hintnone" else "true"}</bool></edit>')
    if rgba:
        edits.append(f'<edit name="rgba" mode="assign"><const>{rgba}</const></edit>')
    path = os.path.join(folder, "fonts.conf")
    with open(path, "w", encoding="utf-8") as f:
        f.write('<?xml version="1.0"?>\n<!DOCTYPE fontconfig SYSTEM "fonts.dtd">\n<fontconfig>\n'
                '  <include ignore_missing="no">/etc/fonts/fonts.conf</include>\n'
                f'  <match target="font">\n    {chr(10).join("    " + e for e in edits).strip()}\n  </match>\n'
                '</fontconfig>\n')
    return path


def clean_env(work, display=None, fonts_conf=None, extra=None):
    """An environment without the caller's settings: fixed locale, time zone, home and XDG folders."""
    home = os.path.join(work, "home")
    env = {
        "PATH": "/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin",
        "HOME": home,
        "USER": "root",
        "LOGNAME": "root",
        "SHELL": "/bin/bash",
        "LANG": "C.UTF-8",
        "LC_ALL": "C.UTF-8",
        "TZ": "UTC",
        "XDG_CONFIG_HOME": os.path.join(home, ".config"),
        "XDG_CACHE_HOME": os.path.join(home, ".cache"),
        "XDG_DATA_HOME": os.path.join(home, ".local", "share"),
        "XDG_RUNTIME_DIR": os.path.join(work, "run"),
        "NO_AT_BRIDGE": "1",
    }
    for key in ("HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR"):
        os.makedirs(env[key], exist_ok=True)
    os.chmod(env["XDG_RUNTIME_DIR"], 0o700)
    if display:
        env["DISPLAY"] = display
    if fonts_conf:
        env["FONTCONFIG_FILE"] = fonts_conf
    if extra:
        env.update(extra)
    return env


class XServer:
    """An Xvfb display of a given resolution, with Xft.dpi set to match; stopped on close."""

    def __init__(self, number, dpi, size="1600x1200"):
        self.display = f":{number}"
        self.dpi = dpi
        if os.path.exists(f"/tmp/.X11-unix/X{number}"):
            raise ShotError(f"display {self.display} is in use; pick another with --display")
        self.process = subprocess.Popen(["Xvfb", self.display, "-screen", "0", f"{size}x24", "-dpi", str(dpi),
                                         "-nolisten", "tcp", "-noreset"],
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        env = dict(os.environ, DISPLAY=self.display)
        try:
            wait_for(lambda: subprocess.run(["xdpyinfo"], env=env, stdout=subprocess.DEVNULL,
                                            stderr=subprocess.DEVNULL).returncode == 0, f"Xvfb on {self.display}")
            run(["xrdb", "-override"], env=env, input=f"Xft.dpi: {dpi}\n".encode())
        except (ShotError, OSError):
            self.close()
            raise

    def close(self):
        self.process.terminate()
        self.process.wait()


def window_of(pid, env, timeout=20.0):
    """The id of the first visible top-level window of process pid."""
    def find():
        out = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid", str(pid)], env=env,
                             stdout=subprocess.PIPE, stderr=subprocess.DEVNULL).stdout.split()
        return out[0].decode() if out else None
    return wait_for(find, f"a window of process {pid}", timeout)


def capture_window(window, env, out):
    """Writes the window's pixels, as the X server holds them, to out (PNG)."""
    run(["import", "-window", window, "-depth", "8", "-strip", out], env=env)


class Pixels:
    """An RGB picture in memory: width, height and rows of (r, g, b) bytes."""

    def __init__(self, path=None, width=0, height=0, data=b""):
        """The pixels of a picture file (read through ImageMagick), or width x height RGB bytes."""
        if path is not None:
            data = subprocess.run(["convert", path, "-depth", "8", "rgb:-"], stdout=subprocess.PIPE,
                                  check=True).stdout
            width, height = (int(v) for v in run(["identify", "-format", "%w %h", path]).split())
        self.width, self.height, self.data = width, height, bytes(data)
        if len(self.data) != self.width * self.height * 3:
            raise ShotError(f"{path}: unexpected pixel data")

    def at(self, x, y):
        i = (y * self.width + x) * 3
        return "#%02x%02x%02x" % tuple(self.data[i:i + 3])

    def boxes_of(self, colour):
        """The bounding boxes (x, y, w, h) of the 4-connected regions of one colour, top to bottom."""
        w, h = self.width, self.height
        want = bytes.fromhex(colour[1:])
        hit = bytearray(w * h)
        for i in range(w * h):
            if self.data[i * 3:i * 3 + 3] == want:
                hit[i] = 1
        boxes = []
        for start in range(w * h):
            if hit[start] != 1:
                continue
            stack = [start]
            hit[start] = 2
            x0 = x1 = start % w
            y0 = y1 = start // w
            while stack:
                i = stack.pop()
                x, y = i % w, i // w
                x0, x1, y0, y1 = min(x0, x), max(x1, x), min(y0, y), max(y1, y)
                for j, ok in ((i - 1, x > 0), (i + 1, x < w - 1), (i - w, y > 0), (i + w, y < h - 1)):
                    if ok and hit[j] == 1:
                        hit[j] = 2
                        stack.append(j)
            boxes.append((x0, y0, x1 - x0 + 1, y1 - y0 + 1))
        return boxes


def save_png(src, dst):
    """Writes src to dst as a lossless PNG without time or gamma chunks, optimised, so that the
    same pixels always give the same bytes."""
    tmp = dst + ".tmp.png"
    run(["convert", src, "-strip", "-define", "png:exclude-chunks=date,time", tmp])
    run(["optipng", "-quiet", "-o2", "-strip", "all", "-clobber", "-out", dst, tmp])
    os.remove(tmp)


@functools.lru_cache(maxsize=None)
def package_version(package):
    """The installed Debian version of package, or None."""
    result = subprocess.run(["dpkg-query", "-W", "-f=${Version}", package], stdout=subprocess.PIPE,
                            stderr=subprocess.DEVNULL)
    return result.stdout.decode().strip() or None


@functools.lru_cache(maxsize=None)
def font_package(path):
    """The Debian package that installed a font file, or None."""
    result = subprocess.run(["dpkg", "-S", path], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    out = result.stdout.decode().strip()
    return out.split(":")[0] if out else None


def parse_fc_match(out):
    """The settings of `fc-match -v` output: the matched file, family and rendering settings."""
    found = {}
    for line in out.splitlines():
        line = line.strip()
        if ":" not in line:
            continue
        key, value = line.split(":", 1)
        # Values carry their binding and type after them: 1(i)(w), True(s), "name"(s).
        found[key] = re.sub(r"(\([a-z]\))+$", "", value.strip()).strip()

    def text(key):
        value = found.get(key)
        return value.split('"')[1] if value and value.startswith('"') else value

    def flag(key):
        value = found.get(key)
        return None if value is None else value.startswith("True")

    hintstyle = found.get("hintstyle")
    styles = {"0": "hintnone", "1": "hintslight", "2": "hintmedium", "3": "hintfull"}
    rgba = found.get("rgba")
    rgbas = {"0": "unknown", "1": "rgb", "2": "bgr", "3": "vrgb", "4": "vbgr", "5": "none"}
    return {
        "matched": text("family"),
        "file": text("file"),
        "antialias": flag("antialias"),
        "hinting": flag("hinting"),
        "hintstyle": styles.get(hintstyle.split()[0], hintstyle) if hintstyle else None,
        "autohint": flag("autohint"),
        "rgba": rgbas.get(rgba.split()[0], rgba) if rgba else None,
        "lcdfilter": found.get("lcdfilter"),
    }


def fontconfig_settings(family, env, pixelsize=None, style=None):
    """What fontconfig hands a renderer that asks for family at pixelsize under env's fonts.conf:
    the file, its Debian package and the rendering settings (a renderer may override some:
    Chromium and Qt keep their own hinting defaults)."""
    pattern = family + (f":pixelsize={pixelsize:g}" if pixelsize else "") + (f":style={style}" if style else "")
    found = parse_fc_match(run(["fc-match", "-v", pattern], env=env))
    package = font_package(found["file"]) if found["file"] else None
    record = {"matched": found.pop("matched"), "file": found.pop("file"), "package": package,
              "package_version": package_version(package) if package else None}
    record.update(found)
    return record


def trim_lines(text):
    """The text with trailing blanks of each line and blank lines at the end left out, ending in a newline."""
    lines = [line.rstrip() for line in text.split("\n")]
    while lines and not lines[-1]:
        lines.pop()
    return "\n".join(lines) + "\n" if lines else ""


def _flat(value):
    """Whether value is a plain value or a list of plain values."""
    plain = (str, int, float, bool, type(None))
    return isinstance(value, plain) or (isinstance(value, list) and all(isinstance(v, plain) for v in value))


def _json(value, indent):
    inline = json.dumps(value, ensure_ascii=False)
    if _flat(value) or (isinstance(value, dict) and all(_flat(v) for v in value.values()) and len(inline) < 160):
        return inline
    pad = " " * (indent + 1)
    if isinstance(value, dict):
        items = [f"{pad}{json.dumps(k, ensure_ascii=False)}: {_json(v, indent + 1)}" for k, v in value.items()]
        return "{\n" + ",\n".join(items) + "\n" + " " * indent + "}"
    return "[\n" + ",\n".join(pad + _json(v, indent + 1) for v in value) + "\n" + " " * indent + "]"


def write_json(path, value):
    """Writes value as JSON: one member a line, small objects and lists of plain values on one line."""
    with open(path, "w", encoding="utf-8") as f:
        f.write(_json(value, 0) + "\n")


def write_text(path, text):
    with open(path, "w", encoding="utf-8", newline="\n") as f:
        f.write(text)


def fresh_folder(path):
    shutil.rmtree(path, ignore_errors=True)
    os.makedirs(path)
    return path

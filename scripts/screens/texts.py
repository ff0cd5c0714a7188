"""The texts the test screens show: excerpts of fixed files and strings made from fixed seeds.
Random choices come from a generator of our own (SplitMix64), so that a seed gives the same
text with any Python."""
import base64
import hashlib
import os
import textwrap

from common import TEXTS, ShotError

LICENSES = "/usr/share/common-licenses"


class Rng:
    """SplitMix64: a small generator whose sequence depends only on its seed."""

    def __init__(self, seed):
        self.state = seed & 0xFFFFFFFFFFFFFFFF

    def next(self):
        self.state = (self.state + 0x9E3779B97F4A7C15) & 0xFFFFFFFFFFFFFFFF
        z = self.state
        z = ((z ^ (z >> 30)) * 0xBF58476D1CE4E5B9) & 0xFFFFFFFFFFFFFFFF
        z = ((z ^ (z >> 27)) * 0x94D049BB133111EB) & 0xFFFFFFFFFFFFFFFF
        return z ^ (z >> 31)

    def below(self, n):
        return self.next() % n

    def pick(self, items):
        return items[self.below(len(items))]

    def bytes(self, n):
        return bytes(self.below(256) for _ in range(n))


def read_text(name):
    """A text file of scripts/screens/texts as lines, tabs expanded, trailing blanks cut."""
    with open(os.path.join(TEXTS, name), encoding="utf-8") as f:
        return [line.rstrip().expandtabs() for line in f.read().split("\n")]


def paragraphs_of(path):
    """The paragraphs of a plain text file, each as one string of words."""
    with open(path, encoding="utf-8") as f:
        blocks = f.read().replace("\f", "\n").split("\n\n")
    return [" ".join(block.split()) for block in blocks if block.split()]


def prose(source, seed, width, count):
    """count lines of a license text (or of a text of ours) reflowed to width, starting at a
    paragraph chosen by seed; paragraphs are separated by an empty line."""
    path = os.path.join(LICENSES, source) if os.path.exists(os.path.join(LICENSES, source)) \
        else os.path.join(TEXTS, source)
    paragraphs = [p for p in paragraphs_of(path) if len(p) > 60]
    if not paragraphs:
        raise ShotError(f"{path}: no paragraphs")
    start = Rng(seed).below(max(1, len(paragraphs) - 8))
    lines = []
    for paragraph in paragraphs[start:] + paragraphs[:start]:
        if lines:
            lines.append("")
        lines.extend(textwrap.wrap(paragraph, width, break_long_words=True, break_on_hyphens=False))
        if len(lines) >= count:
            break
    return lines[:count]


SYLLABLES = ["ka", "lo", "mi", "ne", "ru", "ta", "vo", "zi", "pel", "dor", "fin", "gra", "sol", "tek", "bri",
             "on", "el", "ux", "ar"]
EXTENSIONS = [".txt", ".c", ".h", ".py", ".md", ".json", ".tar.gz", ".png", ".log", ".sh", ".conf", ""]
MONTHS = ["Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"]


def file_name(rng):
    name = "".join(rng.pick(SYLLABLES) for _ in range(1 + rng.below(3)))
    if rng.below(4) == 0:
        name += rng.pick(["_", "-"]) + str(rng.below(100))
    if rng.below(5) == 0:
        name = name.capitalize()
    return name + rng.pick(EXTENSIONS)


def ls_listing(seed, count, prompt="$ "):
    """A prompt, an `ls -l` command and count lines of its output, in fixed columns."""
    rng = Rng(seed)
    rows = []
    for _ in range(count):
        folder = rng.below(5) == 0
        mode = ("d" if folder else "-") + rng.pick(["rwxr-xr-x", "rw-r--r--", "rw-------", "rwxrwxr-x", "r--r--r--"])
        size = 4096 if folder else rng.pick([rng.below(1000), rng.below(100000), rng.below(10000000)])
        date = f"{rng.pick(MONTHS)} {1 + rng.below(28):2d}  {2019 + rng.below(4)}"
        rows.append((mode, 1 + rng.below(3) if not folder else 2 + rng.below(6),
                     rng.pick(["ana", "boris", "root", "www-data"]), rng.pick(["staff", "users", "root"]),
                     size, date, file_name(rng)))
    width = max(len(str(r[4])) for r in rows)
    lines = [f"{prompt}ls -l", f"total {sum(r[4] for r in rows) // 1024}"]
    for mode, links, owner, group, size, date, name in sorted(rows, key=lambda r: r[6].lower()):
        lines.append(f"{mode} {links} {owner:<8} {group:<5} {size:>{width}} {date} {name}")
    return lines


def hexdump(seed, count):
    """count lines as `xxd` prints them, of bytes made from seed (about one in four printable)."""
    rng = Rng(seed)
    lines = []
    for row in range(count):
        data = bytes(rng.below(95) + 32 if rng.below(4) else rng.below(256) for _ in range(16))
        words = " ".join(data[i:i + 2].hex() for i in range(0, 16, 2))
        text = "".join(chr(b) if 32 <= b < 127 else "." for b in data)
        lines.append(f"{row * 16 + 0x4a0:08x}: {words}  {text}")
    return lines


def log_lines(seed, count):
    """count lines of a service log with time stamps, levels, ids and durations."""
    rng = Rng(seed)
    events = ["job {id} done in {ms}ms", "cache miss for key {hex}", "retrying upload {id} (attempt {n}/5)",
              "connection from 10.0.{n}.{ip}:{port} closed", "worker[{pid}] started", "checksum {hex} OK",
              "queue length {n}, oldest {ms}ms", "GET /api/v1/items/{id} 200", "user ana logged in from 192.168.{n}.{ip}"]
    lines = []
    second = 3600 * 9
    for _ in range(count):
        second += rng.below(40)
        level = rng.pick(["INFO ", "INFO ", "DEBUG", "WARN ", "ERROR"])
        text = rng.pick(events).format(id=rng.below(100000), ms=rng.below(5000), hex=rng.bytes(4).hex(),
                                       n=1 + rng.below(9), ip=rng.below(255), port=1024 + rng.below(60000),
                                       pid=1000 + rng.below(9000))
        lines.append(f"2021-03-04 {second // 3600:02d}:{second // 60 % 60:02d}:{second % 60:02d} {level} {text}")
    return lines


CONFUSABLE = "0O1lI"
IDENTIFIER = "abcdefghijkmnopqrstuvwxyzABCDEFGHJKLMNPQRSTUVWXYZ23456789" + CONFUSABLE * 4


def random_strings(seed, count):
    """count (kind, text) pairs: hex digests, base64 keys, serial numbers and identifiers rich in 0/O and 1/l/I."""
    rng = Rng(seed)
    out = []
    kinds = ["sha1", "sha256/2", "base64", "serial", "identifier", "token"]
    for i in range(count):
        kind = kinds[i % len(kinds)]
        data = rng.bytes(32)
        if kind == "sha1":
            text = hashlib.sha1(data).hexdigest()
        elif kind == "sha256/2":
            text = hashlib.sha256(data).hexdigest()[:32]
        elif kind == "base64":
            text = base64.b64encode(data[:24]).decode()
        elif kind == "serial":
            text = "-".join("".join(rng.pick("ABCDEFGHJKLMNPQRSTUVWXYZ0123456789O1I") for _ in range(4))
                            for _ in range(4))
        elif kind == "identifier":
            text = rng.pick(["get", "set", "is", "has", "on", "to"]) + "".join(
                rng.pick(["Il", "O0", "Ol", "lI", "1l", "Config", "Id", "Url", "Value", "Old", "Io"]) for _ in range(3))
            text += "_" + "".join(rng.pick(IDENTIFIER) for _ in range(4))
        else:
            text = "".join(rng.pick(IDENTIFIER) for _ in range(20))
        out.append((kind, text))
    return out


def content(source, width, height):
    """The lines of a screen's text, at most width columns and height rows, by source:
    prose:SOURCE:SEED, file:NAME[:FIRST], ls:SEED, hex:SEED, log:SEED."""
    kind, _, rest = source.partition(":")
    if kind == "prose":
        source, _, seed = rest.partition(":")
        lines = prose(source, int(seed), width, height)
    elif kind == "file":
        name, _, first = rest.partition(":")
        lines = read_text(name)[int(first or 0):]
    elif kind == "ls":
        lines = ls_listing(int(rest), height - 3) + ["$"]
    elif kind == "hex":
        lines = hexdump(int(rest), height)
    elif kind == "log":
        lines = log_lines(int(rest), height)
    else:
        raise ShotError(f"unknown text {source}")
    lines = [line[:width].rstrip() for line in lines[:height]]
    while lines and not lines[-1]:
        lines.pop()
    return lines

"""Real terminals under Xvfb showing a tmux session, captured with their exact text.

The terminal attaches to a tmux server of its own with the status line off, so the one pane
is the whole terminal grid and `tmux capture-pane` gives exactly what the grid shows: `-p`
the text, `-e` the text with SGR escapes (colours and attributes). The picture is taken only
when two captures of the window and of the pane around it agree. Afterwards the same terminal
shows a calibration screen (reverse-video cells in two corners and the 16 colours) from which
the grid's place in the picture, the cell size and the palette are measured."""
import os
import shlex
import subprocess
import time

from common import (Pixels, ShotError, capture_window, package_version, run, trim_lines, wait_for,
                    window_of)

# The 16 colours of palettes the terminals are given (the terminals' defaults where known).
PALETTES = {
    "xterm": ["#000000", "#cd0000", "#00cd00", "#cdcd00", "#0000ee", "#cd00cd", "#00cdcd", "#e5e5e5",
              "#7f7f7f", "#ff0000", "#00ff00", "#ffff00", "#5c5cff", "#ff00ff", "#00ffff", "#ffffff"],
    "linux": ["#000000", "#aa0000", "#00aa00", "#aa5500", "#0000aa", "#aa00aa", "#00aaaa", "#aaaaaa",
              "#555555", "#ff5555", "#55ff55", "#ffff55", "#5555ff", "#ff55ff", "#55ffff", "#ffffff"],
    "tango": ["#000000", "#cc0000", "#4e9a06", "#c4a000", "#3465a4", "#75507b", "#06989a", "#d3d7cf",
              "#555753", "#ef2929", "#8ae234", "#fce94f", "#729fcf", "#ad7fa8", "#34e2e2", "#eeeeec"],
}

# Default foreground and background of a theme, and its cursor colour.
THEMES = {
    "paper": ("#000000", "#ffffff", "#000000"),
    "cream": ("#303030", "#f4f0dc", "#303030"),
    "solar-light": ("#586e75", "#fdf6e3", "#586e75"),
    "night": ("#d0d0d0", "#1c1c1c", "#d0d0d0"),
    "green": ("#33ff66", "#000000", "#33ff66"),
    "solar-dark": ("#93a1a1", "#002b36", "#93a1a1"),
    "aubergine": ("#ffffff", "#300a24", "#ffffff"),
}

LIGHT_THEMES = {"paper", "cream", "solar-light"}

# The program, Debian package and text engine of each terminal.
TERMINALS = {
    "xterm": ("xterm", "xterm", "Xft (FreeType)"),
    "urxvt": ("urxvt", "rxvt-unicode", "Xft (FreeType)"),
    "st": ("st", "stterm", "Xft (FreeType)"),
    "vte": ("xfce4-terminal", "xfce4-terminal", "VTE (Pango, Cairo, FreeType)"),
}

TMUX_CONF = """set -g status off
set -g default-terminal tmux-256color
set -g escape-time 0
set -g history-limit 200
set -g window-size latest
set -g bell-action none
set -g visual-bell off
set -g mouse off
"""


class Font:
    """A terminal font as a user names it: family and size in pixels or points."""

    def __init__(self, family, px=None, pt=None):
        if (px is None) == (pt is None):
            raise ShotError("a font has a pixel size or a point size")
        self.family, self.px, self.pt = family, px, pt

    def pixels(self, dpi):
        return self.px if self.px is not None else self.pt * dpi / 72.0


def bright_palette_escapes(palette, fg, bg, cursor):
    """OSC sequences that set the 16 colours and the default colours of a terminal."""
    out = "".join(f"\033]4;{i};{c}\007" for i, c in enumerate(palette))
    return out + f"\033]10;{fg}\007\033]11;{bg}\007\033]12;{cursor}\007"


def vte_config(env, font, theme, palette, bold_bright, dpi, antialias, hintstyle):
    """Writes xfce4-terminal's terminalrc and GTK's settings.ini into env's XDG config folder."""
    fg, bg, cursor = THEMES[theme]
    size = f"{font.px:g}px" if font.px is not None else f"{font.pt:g}"
    folder = os.path.join(env["XDG_CONFIG_HOME"], "xfce4", "terminal")
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "terminalrc"), "w", encoding="utf-8") as f:
        f.write("[Configuration]\n"
                f"FontName={font.family} {size}\n"
                f"ColorForeground={fg}\nColorBackground={bg}\nColorCursor={cursor}\nColorCursorUseDefault=FALSE\n"
                f"ColorPalette={';'.join(palette)}\n"
                f"ColorBoldIsBright={'TRUE' if bold_bright else 'FALSE'}\n"
                "ColorBoldUseDefault=TRUE\nFontAllowBold=TRUE\nFontUseSystem=FALSE\n"
                "MiscCursorBlinks=FALSE\nMiscCursorShape=TERMINAL_CURSOR_SHAPE_BLOCK\n"
                "MiscMenubarDefault=FALSE\nMiscToolbarDefault=FALSE\nMiscBordersDefault=FALSE\n"
                "MiscAlwaysShowTabs=FALSE\nMiscConfirmClose=FALSE\nMiscShowUnsafePasteDialog=FALSE\n"
                "ScrollingBar=TERMINAL_SCROLLBAR_NONE\nMiscBell=FALSE\nMiscMouseAutohide=FALSE\n"
                "TitleMode=TERMINAL_TITLE_HIDE\n")
    gtk_settings(env, dpi, antialias, hintstyle)


def gtk_settings(env, dpi, antialias, hintstyle, dark=False, font=None):
    """GTK 3's settings.ini: the resolution and font rendering GTK would take from XSETTINGS."""
    folder = os.path.join(env["XDG_CONFIG_HOME"], "gtk-3.0")
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "settings.ini"), "w", encoding="utf-8") as f:
        f.write("[Settings]\n"
                f"gtk-xft-dpi={int(dpi * 1024)}\n"
                f"gtk-xft-antialias={1 if antialias else 0}\n"
                "gtk-xft-hinting=1\n"
                f"gtk-xft-hintstyle={hintstyle or 'hintslight'}\n"
                "gtk-xft-rgba=none\n"
                "gtk-theme-name=Adwaita\n"
                f"gtk-application-prefer-dark-theme={1 if dark else 0}\n"
                "gtk-cursor-blink=0\n"
                "gtk-enable-animations=0\n"
                + (f"gtk-font-name={font}\n" if font else ""))


def terminal_argv(terminal, font, cols, rows, theme, palette, bold_bright, attach, env, dpi, antialias, hintstyle):
    """The command line that starts terminal with the font, size and colours, running attach."""
    fg, bg, cursor = THEMES[theme]
    geometry = f"{cols}x{rows}+0+0"
    if terminal == "xterm":
        face = f"{font.family}:pixelsize={font.px:g}" if font.px is not None else font.family
        argv = ["xterm", "-xrm", "XTerm*renderFont: true", "-fa", face]
        if font.pt is not None:
            argv += ["-fs", f"{font.pt:g}"]
        argv += ["-geometry", geometry, "+sb", "-bg", bg, "-fg", fg, "-cr", cursor, "-tn", "xterm-256color",
                 "-xrm", f"XTerm*boldColors: {'true' if bold_bright else 'false'}",
                 "-xrm", "XTerm*cursorBlink: false", "-xrm", "XTerm*utf8: 1"]
        for i, c in enumerate(palette):
            argv += ["-xrm", f"XTerm*color{i}: {c}"]
        return argv + ["-e"] + attach
    if terminal == "urxvt":
        face = f"xft:{font.family}:" + (f"pixelsize={font.px:g}" if font.px is not None else f"size={font.pt:g}")
        argv = ["urxvt", "-fn", face, "-geometry", geometry, "+sb", "-bg", bg, "-fg", fg, "-cr", cursor,
                "-tn", "rxvt-unicode-256color", "+bc", "-is" if bold_bright else "+is"]
        for i, c in enumerate(palette):
            argv += [f"-color{i}", c]
        return argv + ["-e"] + attach
    if terminal == "st":
        face = f"{font.family}:" + (f"pixelsize={font.px:g}" if font.px is not None else f"size={font.pt:g}")
        prelude = bright_palette_escapes(palette, fg, bg, cursor)
        command = f"printf '%s' {shlex.quote(prelude)}; exec " + " ".join(shlex.quote(a) for a in attach)
        return ["st", "-f", face, "-g", geometry, "-e", "sh", "-c", command]
    if terminal == "vte":
        vte_config(env, font, theme, palette, bold_bright, dpi, antialias, hintstyle)
        return ["xfce4-terminal", "--disable-server", "--hide-menubar", "--hide-toolbar", "--hide-scrollbar",
                "--hide-borders", f"--geometry={geometry}", "-x"] + attach
    raise ShotError(f"unknown terminal {terminal}")


def calibration_screen(cols, rows):
    """Reverse-video cells at (0, 0) and at the last cell, the 16 background colours in cells
    2 to 17 of the first row, and a bold red full block in cell 19; the cursor hidden."""
    colours = "".join(f"\033[{40 + i}m \033[0m" for i in range(8)) + "".join(
        f"\033[{100 + i}m \033[0m" for i in range(8))
    return (f"\033[?25l\033[2J\033[H\033[7m \033[0m {colours} \033[1;31m\u2588\033[0m"
            f"\033[{rows};{cols}H\033[7m \033[0m")


def measure_calibration(pixels, cols, rows):
    """The grid and colours of a calibration screen (see calibration_screen) of cols x rows
    cells: where cell (0, 0) lies, the cell size, the default colours, the 16 colours and
    whether bold red is drawn as bright red (None when it is neither)."""
    # The reverse cell at (0, 0) holds the first pixels of a colour other than the border's.
    border = pixels.at(0, 0)
    first_colour = None
    for y in range(pixels.height):
        others = [c for c in (pixels.at(x, y) for x in range(pixels.width)) if c != border]
        if others:
            first_colour = others[0]
            break
    if first_colour is None:
        raise ShotError("the calibration screen is blank")
    boxes = pixels.boxes_of(first_colour)
    x0, y0, w, h = boxes[0]
    last = max(boxes, key=lambda b: (b[1], b[0]))
    want = (x0 + (cols - 1) * w, y0 + (rows - 1) * h, w, h)
    if last != want:
        raise ShotError(f"calibration: the last cell lies at {last}, not at {want}")
    bg = pixels.at(x0 + w + w // 2, y0 + h // 2)

    def cell_colour(col):
        return pixels.at(x0 + col * w + w // 2, y0 + h // 2)
    palette = [cell_colour(2 + i) for i in range(16)]
    bold_red = cell_colour(19)
    return {
        "grid": {"x": x0, "y": y0, "cell_width": w, "cell_height": h, "columns": cols, "rows": rows},
        "measured_colours": {"foreground": first_colour, "background": bg, "palette": palette,
                             "bold_is_bright": {palette[9]: True, palette[1]: False}.get(bold_red)},
    }


class TmuxTerminal:
    """A tmux server of its own with one session of cols x rows running command, and a terminal
    under X attached to it."""

    def __init__(self, work, env, name, cols, rows, command):
        self.env, self.cols, self.rows = env, cols, rows
        self.socket = f"screens-{name}-{os.getpid()}"
        self.conf = os.path.join(work, "tmux.conf")
        with open(self.conf, "w", encoding="utf-8") as f:
            f.write(TMUX_CONF)
        self.terminal_process = None
        self.window = None
        self.tmux(["new-session", "-d", "-s", "s", "-x", str(cols), "-y", str(rows), command])

    def tmux(self, args, check=True):
        return run(["tmux", "-L", self.socket, "-f", self.conf] + args, env=self.env, check=check)

    def attach_argv(self):
        return ["tmux", "-L", self.socket, "-f", self.conf, "attach", "-t", "s"]

    def open(self, argv):
        """Starts the terminal (argv from terminal_argv) and waits until tmux sees it at full size."""
        self.terminal_process = subprocess.Popen(argv, env=self.env, stdout=subprocess.DEVNULL,
                                                 stderr=subprocess.DEVNULL, start_new_session=True)
        self.window = window_of(self.terminal_process.pid, self.env)
        want = f"{self.cols}x{self.rows}"

        def attached():
            sizes = self.tmux(["list-clients", "-F", "#{client_width}x#{client_height}"], check=False).split()
            return sizes and sizes[0] == want
        try:
            wait_for(attached, f"the terminal at {want} cells", timeout=15)
        except ShotError:
            sizes = self.tmux(["list-clients", "-F", "#{client_width}x#{client_height}"], check=False).split()
            raise ShotError(f"the terminal has {sizes} cells, not {want}")
        run(["xdotool", "windowfocus", "--sync", self.window], env=self.env, check=False)

    def pane_pid(self):
        return int(self.tmux(["display", "-p", "-t", "s", "#{pane_pid}"]).strip())

    def settle(self, quiet=1.0, timeout=30):
        """Waits until the pane's text and colours have not changed for quiet seconds."""
        last, since = None, time.monotonic()
        end = time.monotonic() + timeout
        while time.monotonic() < end:
            now = self.tmux(["capture-pane", "-p", "-e", "-t", "s"])
            if now != last:
                last, since = now, time.monotonic()
            elif time.monotonic() - since >= quiet:
                return now
            time.sleep(0.1)
        raise ShotError("the screen did not settle")

    def shoot(self, out):
        """Captures the window into out and returns (text, ansi, cursor) of the same instant:
        two pictures and two pane captures around them must agree."""
        for _ in range(20):
            text = self.tmux(["capture-pane", "-p", "-t", "s"])
            ansi = self.tmux(["capture-pane", "-p", "-e", "-N", "-t", "s"])
            cursor = self.tmux(["display", "-p", "-t", "s", "#{cursor_x} #{cursor_y} #{cursor_flag}"]).split()
            capture_window(self.window, self.env, out)
            time.sleep(0.4)
            capture_window(self.window, self.env, out + ".again.png")
            same_picture = Pixels(out).data == Pixels(out + ".again.png").data
            os.remove(out + ".again.png")
            if (same_picture and text == self.tmux(["capture-pane", "-p", "-t", "s"])
                    and ansi == self.tmux(["capture-pane", "-p", "-e", "-N", "-t", "s"])):
                return text, ansi, {"x": int(cursor[0]), "y": int(cursor[1]), "visible": cursor[2] == "1"}
            time.sleep(0.5)
        raise ShotError("the screen kept changing while it was captured")

    def calibrate(self, out):
        """Shows the calibration screen in the same terminal and measures the grid and colours."""
        screen = calibration_screen(self.cols, self.rows)
        self.tmux(["respawn-pane", "-k", "-t", "s", f"printf '%s' {shlex.quote(screen)}; exec sleep 100000"])
        self.settle(quiet=0.8)
        time.sleep(0.5)
        capture_window(self.window, self.env, out)
        return measure_calibration(Pixels(out), self.cols, self.rows)

    def close(self):
        self.tmux(["kill-server"], check=False)
        if self.terminal_process:
            try:
                self.terminal_process.wait(timeout=5)
            except subprocess.TimeoutExpired:
                self.terminal_process.kill()
                self.terminal_process.wait()


def terminal_version(terminal):
    program, package, engine = TERMINALS[terminal]
    out = {"program": program, "package": package, "version": package_version(package), "engine": engine}
    if terminal == "vte":
        out["vte_version"] = package_version("libvte-2.91-0")
    return out


def show_text_command(path):
    """A shell command that hides the cursor, shows a file without its last line break (so
    nothing scrolls) and then waits."""
    return (f"printf '\\033[?25l'; head -c -1 {shlex.quote(path)}; exec sleep 100000")


def truth_text(captured):
    return trim_lines(captured)

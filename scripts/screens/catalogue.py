"""The design of the test screens: which renderer, family, size, resolution, antialiasing,
theme and text each picture has, and whether it belongs to the development set or to the
held-out set (other texts and other family, size and renderer combinations, kept for
checking a reader that was tuned on the development set only).

Monospaced screens: every renderer has several families and every family at least two
renderers; 96 and 120 dpi, antialiasing on and off, light and dark themes and Latin,
Russian and mixed texts all occur in both sets. Texts of the development set come from
GPL-3, Apache-2.0, code-c, ls/hex/log seeds below 100, ru-ls and ru-prose-1; those of the
held-out set from MPL-2.0, Artistic, code-py, seeds above 100, ru-grep and ru-prose-2."""
from programs import DialogScene, GitScene, HtopScene, LsScene, ManScene, McScene, TmuxScene, VimScene

DJ, LM, NM, HK = "DejaVu Sans Mono", "Liberation Mono", "Noto Sans Mono", "Hack"
FC, JB, IN, CO = "Fira Code", "JetBrains Mono", "Inconsolata", "Cousine"
GO, MN, AP, FM = "Go Mono", "mononoki", "Anonymous Pro", "FreeMono"


def mono(name, group, renderer, family, size, dpi, antialias, theme, text, cols, rows, palette="xterm",
         hintstyle=None, scale=1):
    """A monospaced screen: a terminal showing a text with its cursor hidden, or a <pre>-like
    page in Chromium (renderer chromium, size in CSS pixels, scale 1 or 2)."""
    unit, value = size
    return {"name": name, "set": group, "kind": "mono", "renderer": renderer, "family": family, unit: value,
            "dpi": dpi, "antialias": antialias, "hintstyle": hintstyle, "theme": theme, "palette": palette,
            "text": text, "cols": cols, "rows": rows, "scale": scale}


def term(name, group, renderer, family, size, dpi, theme, palette, scene, cols=80, rows=24, antialias=True,
         bold_bright=True):
    """A coloured terminal screen: a real program in tmux in a terminal."""
    unit, value = size
    return {"name": name, "set": group, "kind": "terminal", "renderer": renderer, "family": family, unit: value,
            "dpi": dpi, "antialias": antialias, "hintstyle": None, "theme": theme, "palette": palette,
            "scene": scene, "cols": cols, "rows": rows, "bold_bright": bold_bright}


def prop(name, group, renderer, page, family, px, theme, text, scale=1, dpi=96, antialias=True):
    """A proportional picture: a Chromium page (paragraphs, ui, table) or a GTK or Qt window."""
    return {"name": name, "set": group, "kind": "proportional", "renderer": renderer, "page": page,
            "family": family, "px": px, "theme": theme, "text": text, "scale": scale, "dpi": dpi,
            "antialias": antialias, "hintstyle": None}


PX, PT = "px", "pt"
C1, C2 = "chromium", "chromium"

SCREENS = [
    # Monospaced, development set.
    mono("xterm-dejavu-gpl", "dev", "xterm", DJ, (PT, 11), 96, True, "paper", "prose:GPL-3:1", 80, 24),
    mono("xterm-noto-ru", "dev", "xterm", NM, (PX, 15), 120, False, "night", "file:ru-prose-1.txt", 72, 18),
    mono("xterm-cousine-ls", "dev", "xterm", CO, (PT, 10), 120, True, "solar-dark", "ls:1", 76, 20),
    mono("xterm-mononoki-mixed", "dev", "xterm", MN, (PX, 16), 96, True, "cream", "file:ru-ls.txt", 72, 24),
    mono("xterm-liberation-ru", "dev", "xterm", LM, (PX, 13), 96, False, "night", "file:ru-prose-1.txt:6", 72, 12),
    mono("urxvt-liberation-code", "dev", "urxvt", LM, (PX, 14), 96, False, "night", "file:code-c.txt", 64, 24,
         palette="linux"),
    mono("urxvt-hack-mixed", "dev", "urxvt", HK, (PT, 10), 120, True, "solar-light", "file:ru-ls.txt:12", 72, 20),
    mono("urxvt-mononoki-hex", "dev", "urxvt", MN, (PX, 13), 96, True, "green", "hex:2", 68, 16),
    mono("urxvt-anonymous-ru", "dev", "urxvt", AP, (PX, 16), 120, False, "paper", "file:ru-prose-1.txt", 72, 16),
    mono("urxvt-dejavu-apache", "dev", "urxvt", DJ, (PT, 9), 120, True, "paper", "prose:Apache-2.0:4", 80, 20,
         hintstyle="hintfull"),
    mono("st-jetbrains-log", "dev", "st", JB, (PX, 14), 96, True, "night", "log:3", 80, 16),
    mono("st-inconsolata-apache", "dev", "st", IN, (PT, 11), 120, False, "paper", "prose:Apache-2.0:7", 64, 16),
    mono("st-gomono-mixed", "dev", "st", GO, (PX, 15), 96, True, "solar-dark", "file:ru-ls.txt", 72, 20),
    mono("st-freemono-ru", "dev", "st", FM, (PT, 12), 96, True, "cream", "file:ru-prose-1.txt", 72, 16),
    mono("vte-noto-code", "dev", "vte", NM, (PT, 10), 96, True, "aubergine", "file:code-c.txt", 64, 24,
         palette="tango"),
    mono("vte-fira-mixed", "dev", "vte", FC, (PT, 9), 120, True, "paper", "file:ru-ls.txt:8", 72, 20,
         palette="tango"),
    mono("vte-inconsolata-ls", "dev", "vte", IN, (PT, 12), 96, False, "night", "ls:5", 72, 16, palette="tango"),
    mono("vte-anonymous-log", "dev", "vte", AP, (PT, 11), 120, True, "solar-light", "log:7", 80, 14,
         palette="tango"),
    mono("chromium1x-dejavu-ru", "dev", C1, DJ, (PX, 13), 96, True, "paper", "file:ru-prose-1.txt", 72, 18),
    mono("chromium1x-hack-code", "dev", C1, HK, (PX, 14), 96, True, "night", "file:code-c.txt", 64, 24),
    mono("chromium1x-fira-gpl", "dev", C1, FC, (PX, 15), 96, False, "cream", "prose:GPL-3:9", 72, 20),
    mono("chromium1x-cousine-mixed", "dev", C1, CO, (PX, 12), 96, True, "solar-dark", "file:ru-ls.txt", 72, 24),
    mono("chromium2x-liberation-ls", "dev", C2, LM, (PX, 13), 96, True, "paper", "ls:9", 72, 14, scale=2),
    mono("chromium2x-jetbrains-mixed", "dev", C2, JB, (PX, 12), 96, True, "night", "file:ru-ls.txt:14", 72, 16,
         scale=2),
    mono("chromium2x-gomono-hex", "dev", C2, GO, (PX, 14), 96, False, "green", "hex:11", 68, 12, scale=2),
    mono("chromium2x-freemono-ru", "dev", C2, FM, (PX, 15), 96, True, "cream", "file:ru-prose-1.txt:7", 72, 10,
         scale=2),
    # Sizes whose glyphs stand a pixel or more from other families' in their cells, so that cells
    # found with another family's grid must be shifted to fit their own.
    mono("chromium1x-cousine14-mixed", "dev", C1, CO, (PX, 14), 96, True, "paper", "file:ru-ls.txt", 72, 16),
    mono("chromium1x-dejavu12-mixed", "dev", C1, DJ, (PX, 12), 96, True, "night", "file:ru-ls.txt", 72, 16),
    mono("chromium2x-freemono13-mixed", "dev", C2, FM, (PX, 13), 96, True, "night", "file:ru-ls.txt", 72, 16,
         scale=2),
    # Sharp glyphs, which a browser steps at their hinted advances: where hinting makes some
    # glyphs of a fixed-width family a pixel narrower or wider than the others (Anonymous Pro's
    # at 15 px, mononoki's at 26), the text lies on no grid.
    mono("chromium1x-anonymous15-sharp", "dev", C1, AP, (PX, 15), 96, False, "paper", "hex:5", 68, 14),
    mono("chromium2x-mononoki-sharp", "dev", C2, MN, (PX, 13), 96, False, "night", "file:ru-ls.txt:4", 72, 12,
         scale=2),
    # Monospaced, held-out set.
    mono("xterm-fira-python", "held-out", "xterm", FC, (PT, 10), 96, True, "solar-light", "file:code-py.txt", 76, 22),
    mono("xterm-inconsolata-log", "held-out", "xterm", IN, (PX, 17), 120, False, "aubergine", "log:103", 80, 14),
    mono("urxvt-jetbrains-ru", "held-out", "urxvt", JB, (PT, 11), 96, True, "night", "file:ru-prose-2.txt", 72, 16),
    mono("urxvt-cousine-mixed", "held-out", "urxvt", CO, (PX, 15), 120, False, "paper", "file:ru-grep.txt", 68, 24,
         palette="linux"),
    mono("st-liberation-hex", "held-out", "st", LM, (PT, 10), 120, True, "green", "hex:102", 68, 16),
    mono("st-hack-mixed", "held-out", "st", HK, (PX, 14), 96, True, "cream", "file:ru-grep.txt:8", 68, 22),
    mono("vte-dejavu-mpl", "held-out", "vte", DJ, (PT, 11), 96, False, "paper", "prose:MPL-2.0:3", 80, 20,
         palette="tango"),
    mono("vte-gomono-ru", "held-out", "vte", GO, (PT, 9), 120, True, "solar-dark", "file:ru-prose-2.txt", 72, 16,
         palette="tango"),
    mono("chromium1x-mononoki-ls", "held-out", C1, MN, (PX, 14), 96, True, "night", "ls:101", 72, 16),
    mono("chromium1x-freemono-mixed", "held-out", C1, FM, (PX, 13), 96, True, "paper", "file:ru-grep.txt", 68, 24),
    mono("chromium2x-noto-artistic", "held-out", C2, NM, (PX, 12), 96, True, "solar-light", "prose:Artistic:2", 72, 14,
         scale=2),
    mono("chromium2x-anonymous-ru", "held-out", C2, AP, (PX, 16), 96, False, "aubergine", "file:ru-prose-2.txt:5",
         72, 10, scale=2),

    # Coloured terminal screens, development set.
    term("xterm-dejavu-ls", "dev", "xterm", DJ, (PX, 14), 96, "night", "xterm", LsScene(21, 14, "project"), 80, 22),
    term("urxvt-liberation-git", "dev", "urxvt", LM, (PT, 10), 120, "paper", "linux", GitScene(22, 11, "ring"), 80, 22),
    term("vte-jetbrains-vim", "dev", "vte", JB, (PT, 10), 96, "aubergine", "tango",
         VimScene([("ring.c", "code-c.txt"), ("NOTES.md", "ui-dev.txt")], "-O", "dark", "vim"), 88, 24),
    term("xterm-hack-mc", "dev", "xterm", HK, (PX, 14), 120, "paper", "xterm", McScene((23, 24), "mc"), 80, 24),
    term("st-gomono-man", "dev", "st", GO, (PX, 15), 96, "cream", "xterm", ManScene("ls", 1), 80, 24),
    term("urxvt-cousine-tmux", "dev", "urxvt", CO, (PX, 14), 96, "night", "linux", TmuxScene(25, "panes"), 80, 24),
    term("vte-dejavu-htop", "dev", "vte", DJ, (PT, 10), 96, "aubergine", "tango",
         HtopScene(["backup-daemon", "indexer", "sync-worker"]), 80, 20, bold_bright=False),
    term("st-noto-dialog", "dev", "st", NM, (PX, 14), 96, "night", "xterm",
         DialogScene("Packages", [("vim", "Vi IMproved editor", True), ("mc", "Midnight Commander", False),
                                  ("htop", "Process viewer", True), ("tmux", "Terminal multiplexer", True),
                                  ("git", "Version control", False), ("curl", "URL transfer tool", False)]),
         72, 20),
    # Coloured terminal screens, held-out set.
    term("st-fira-ls", "held-out", "st", FC, (PX, 14), 120, "paper", "xterm", LsScene(121, 12, "photos"), 76, 20),
    term("vte-noto-git", "held-out", "vte", NM, (PT, 10), 120, "solar-light", "tango",
         GitScene(122, 10, "cache"), 80, 20, bold_bright=False),
    term("xterm-liberation-vim", "held-out", "xterm", LM, (PX, 14), 96, "paper", "xterm",
         VimScene([("sizes.py", "code-py.txt"), ("TODO.txt", "ui-held.txt")], "-o", "light", "tools"), 80, 24),
    term("urxvt-gomono-mc", "held-out", "urxvt", GO, (PX, 14), 96, "night", "linux", McScene((123, 124), "files"),
         80, 22),
    term("xterm-mononoki-man", "held-out", "xterm", MN, (PX, 15), 96, "night", "xterm", ManScene("grep", 2), 80, 24),
    term("st-jetbrains-htop", "held-out", "st", JB, (PX, 13), 120, "night", "xterm",
         HtopScene(["mail-queue", "thumbnailer"]), 80, 18),

    # Proportional pictures, development set.
    prop("chromium1x-dejavu-paragraphs", "dev", "chromium", "paragraphs", "DejaVu Sans", 14, "paper",
         "prose:GPL-3:12"),
    prop("chromium2x-liberation-serif-paragraphs", "dev", "chromium", "paragraphs", "Liberation Serif", 16, "night",
         "prose:Apache-2.0:2", scale=2),
    prop("chromium1x-noto-ui", "dev", "chromium", "ui", "Noto Sans", (9, 13), "paper", "file:ui-dev.txt"),
    prop("chromium1x-dejavu-table", "dev", "chromium", "table", "DejaVu Sans", 12, "paper", "strings:11"),
    prop("chromium2x-liberation-table", "dev", "chromium", "table", "Liberation Sans", 13, "night", "strings:12",
         scale=2),
    prop("chromium1x-opensans-ru", "dev", "chromium", "paragraphs", "Open Sans", 15, "paper",
         "file:ru-prose-1.txt"),
    prop("gtk-cantarell-window", "dev", "gtk", "window", "Cantarell", 15, "paper", "file:ui-dev.txt"),
    prop("qt-noto-window", "dev", "qt", "window", "Noto Sans", 13, "paper", "file:ui-dev.txt"),
    # Sharp glyphs (antialiasing off), which Chromium hints for mono and steps at their hinted
    # advances.
    prop("chromium1x-dejavu-sharp-paragraphs", "dev", "chromium", "paragraphs", "DejaVu Sans", 14, "paper",
         "prose:GPL-3:14", antialias=False),
    prop("chromium2x-noto-sharp-ui", "dev", "chromium", "ui", "Noto Sans", (9, 13), "night", "file:ui-dev.txt",
         scale=2, antialias=False),
    prop("chromium1x-opensans-sharp-ru", "dev", "chromium", "paragraphs", "Open Sans", 15, "night",
         "file:ru-prose-1.txt:4", antialias=False),
    # Small UI text only, 9 and 10 px (headings 10 px bold), where thin stems fall across two
    # columns in pale grey.
    prop("chromium1x-opensans-small-ui", "dev", "chromium", "ui", "Open Sans", (9, 10), "paper", "file:ui-dev.txt"),
    prop("chromium1x-cantarell-small-ui", "dev", "chromium", "ui", "Cantarell", (9, 10), "night",
         "file:ui-dev.txt"),
    # Proportional pictures, held-out set.
    prop("chromium1x-cantarell-paragraphs", "held-out", "chromium", "paragraphs", "Cantarell", 15, "night",
         "prose:MPL-2.0:8"),
    prop("chromium2x-dejavu-serif-paragraphs", "held-out", "chromium", "paragraphs", "DejaVu Serif", 13, "paper",
         "prose:Artistic:5", scale=2),
    prop("chromium2x-liberation-ui", "held-out", "chromium", "ui", "Liberation Sans", (9, 13), "night",
         "file:ui-held.txt", scale=2),
    prop("chromium1x-noto-table", "held-out", "chromium", "table", "Noto Sans", 11, "paper", "strings:111"),
    prop("chromium2x-liberation-serif-ru", "held-out", "chromium", "paragraphs", "Liberation Serif", 14, "night",
         "file:ru-prose-2.txt", scale=2),
    prop("gtk-dejavu-window", "held-out", "gtk", "window", "DejaVu Sans", 13, "night", "file:ui-held.txt"),
    prop("qt-liberation-window", "held-out", "qt", "window", "Liberation Sans", 12, "night", "file:ui-held.txt"),
    prop("chromium1x-dejavu-small-ui", "held-out", "chromium", "ui", "DejaVu Sans", (9, 10), "night",
         "file:ui-held.txt"),
    prop("chromium1x-notoserif-small-ui", "held-out", "chromium", "ui", "Noto Serif", (9, 10), "paper",
         "file:ui-held.txt"),
]

"""Text with SGR escape sequences (a test screen's NAME.ansi, or what recognize-cli page --ansi
writes) read into a grid of cells, each with its character, colours and attributes, and those
colours resolved as a terminal shows them."""
import re

SGR = re.compile(r"\x1b\[([0-9;:]*)m")
DEFAULT = None  # a colour the terminal's default stands for

# The 6 levels of the 256-colour cube and the first level of its grey ramp.
CUBE = (0, 95, 135, 175, 215, 255)


class Style:
    """The SGR state: colours as a palette index (int), "#RRGGBB" or DEFAULT, and the attributes."""

    def __init__(self):
        self.fg = DEFAULT
        self.bg = DEFAULT
        self.bold = self.dim = self.italic = self.underline = self.strike = self.inverse = False

    def copy(self):
        other = Style()
        other.__dict__.update(self.__dict__)
        return other

    def apply(self, params):
        """Applies the parameters of one SGR sequence."""
        codes = [int(p) if p else 0 for p in re.split(r"[;:]", params)] if params else [0]
        i = 0
        while i < len(codes):
            code = codes[i]
            if code == 0:
                self.__init__()
            elif code == 1:
                self.bold = True
            elif code == 2:
                self.dim = True
            elif code == 3:
                self.italic = True
            elif code == 4:
                self.underline = True
            elif code == 7:
                self.inverse = True
            elif code == 9:
                self.strike = True
            elif code == 22:
                self.bold = self.dim = False
            elif code == 23:
                self.italic = False
            elif code == 24:
                self.underline = False
            elif code == 27:
                self.inverse = False
            elif code == 29:
                self.strike = False
            elif 30 <= code <= 37:
                self.fg = code - 30
            elif 40 <= code <= 47:
                self.bg = code - 40
            elif 90 <= code <= 97:
                self.fg = code - 90 + 8
            elif 100 <= code <= 107:
                self.bg = code - 100 + 8
            elif code == 39:
                self.fg = DEFAULT
            elif code == 49:
                self.bg = DEFAULT
            elif code in (38, 48) and i + 1 < len(codes):
                if codes[i + 1] == 5 and i + 2 < len(codes):
                    colour = codes[i + 2]
                    i += 2
                elif codes[i + 1] == 2 and i + 4 < len(codes):
                    colour = "#%02X%02X%02X" % tuple(codes[i + 2:i + 5])
                    i += 4
                else:
                    colour = DEFAULT
                    i += 1
                if code == 38:
                    self.fg = colour
                else:
                    self.bg = colour
            i += 1


class Cell:
    def __init__(self, char, style):
        self.char = char
        self.style = style


def parse(text):
    """The rows of text as lists of Cells; the SGR state carries on from row to row."""
    rows = []
    style = Style()
    for line in text.split("\n"):
        row = []
        pos = 0
        for match in SGR.finditer(line):
            for char in line[pos:match.start()]:
                row.append(Cell(char, style.copy()))
            style.apply(match.group(1))
            pos = match.end()
        for char in line[pos:]:
            row.append(Cell(char, style.copy()))
        rows.append(row)
    while rows and not rows[-1]:
        rows.pop()
    return rows


def palette_colour(index, palette):
    """The colour of a 256-colour index, the first 16 from palette."""
    if index < 16:
        return palette[index].upper()
    if index < 232:
        index -= 16
        return "#%02X%02X%02X" % (CUBE[index // 36], CUBE[index // 6 % 6], CUBE[index % 6])
    level = 8 + 10 * (index - 232)
    return "#%02X%02X%02X" % (level, level, level)


def shown_colours(style, measured):
    """(fg, bg) as "#RRGGBB" the way the terminal of a sidecar's measured_colours shows a
    style: defaults and palette indexes resolved, bold in the bright colours where the terminal
    does so, reverse video swapped."""
    palette = measured["palette"]
    fg = style.fg
    if isinstance(fg, int) and fg < 8 and style.bold and measured.get("bold_is_bright"):
        fg += 8
    fg = measured["foreground"].upper() if fg is DEFAULT else palette_colour(fg, palette) if isinstance(fg, int) else fg
    bg = style.bg
    bg = measured["background"].upper() if bg is DEFAULT else palette_colour(bg, palette) if isinstance(bg, int) else bg
    return (bg, fg) if style.inverse else (fg, bg)


def plain_text(rows):
    """The characters of the rows, blanks ending a line trimmed."""
    return "\n".join("".join(cell.char for cell in row).rstrip(" ") for row in rows)

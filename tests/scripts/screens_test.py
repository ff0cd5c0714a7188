#!/usr/bin/env python3
"""The pieces of scripts/screens that decide what a test screen's truth and sidecar say, tested
without X: the seeded texts, the calibration measure, the fontconfig reader and the JSON writer."""
import json
import os
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts", "screens"))
import common  # noqa: E402
import make_screens  # noqa: E402
import terminal  # noqa: E402
import texts  # noqa: E402


class SeededTexts(unittest.TestCase):
    def test_splitmix64_reference_sequence(self):
        # Vigna's reference values: the same texts with any Python.
        rng = texts.Rng(1234567)
        self.assertEqual([rng.next() for _ in range(3)],
                         [6457827717110365317, 3203168211198807973, 9817491932198370423])

    def test_screen_texts_fit_their_terminal(self):
        # A line longer than the terminal would wrap and a row too many would scroll: the
        # screen would no longer show the text it was given.
        for source in ("prose:GPL-3:1", "prose:Apache-2.0:4", "ls:1", "ls:101", "hex:2", "log:3",
                       "file:ru-ls.txt:12", "file:code-py.txt"):
            for width, height in ((64, 16), (80, 24), (72, 10)):
                lines = texts.content(source, width, height)
                self.assertTrue(lines and len(lines) <= height, source)
                self.assertLessEqual(max(len(line) for line in lines), width, source)
                self.assertTrue(lines[-1].strip() and all(line == line.rstrip() for line in lines), source)

    def test_random_strings_are_the_kinds_they_claim(self):
        strings = texts.random_strings(11, 12)
        self.assertEqual(strings, texts.random_strings(11, 12))
        kinds = dict(strings[:6])
        self.assertRegex(kinds["sha1"], r"^[0-9a-f]{40}$")
        self.assertRegex(kinds["sha256/2"], r"^[0-9a-f]{32}$")
        self.assertRegex(kinds["base64"], r"^[A-Za-z0-9+/]{32}$")
        self.assertRegex(kinds["serial"], r"^([A-Z0-9]{4}-){3}[A-Z0-9]{4}$")
        self.assertTrue(any(c in "0O1lI" for _, text in strings for c in text))

    def test_script_of_a_text(self):
        self.assertEqual(make_screens.script_of("The quick brown fox"), "latin")
        self.assertEqual(make_screens.script_of("Съешь же ещё этих мягких булок, 1234"), "russian")
        # A few Latin letters (a file name) leave a Russian text Russian; options and commands make it mixed.
        self.assertEqual(make_screens.script_of("Старый маяк стоял на краю мыса. plan.txt"), "russian")
        self.assertEqual(make_screens.script_of("ls - показать содержимое каталога; -a, --all; --human-readable"),
                         "mixed")


def calibration_picture(cols, rows, x0, y0, w, h, fg, bg, palette, bold):
    """The pixels a terminal shows for calibration_screen: the border and paper in bg."""
    width, height = x0 * 2 + cols * w, y0 * 2 + rows * h
    data = bytearray(bytes.fromhex(bg[1:]) * (width * height))

    def fill(col, row, colour, inset=0):
        for y in range(y0 + row * h + inset, y0 + (row + 1) * h - inset):
            for x in range(x0 + col * w + inset, x0 + (col + 1) * w - inset):
                data[(y * width + x) * 3:(y * width + x) * 3 + 3] = bytes.fromhex(colour[1:])
    fill(0, 0, fg)
    for i, colour in enumerate(palette):
        fill(2 + i, 0, colour)
    fill(19, 0, bold, inset=1)
    fill(cols - 1, rows - 1, fg)
    return common.Pixels(width=width, height=height, data=data)


class Calibration(unittest.TestCase):
    palette = terminal.PALETTES["xterm"]

    def test_grid_and_colours(self):
        pixels = calibration_picture(30, 6, 2, 3, 8, 17, "#000000", "#ffffff", self.palette, self.palette[9])
        measured = terminal.measure_calibration(pixels, 30, 6)
        self.assertEqual(measured["grid"], {"x": 2, "y": 3, "cell_width": 8, "cell_height": 17, "columns": 30,
                                            "rows": 6})
        colours = measured["measured_colours"]
        self.assertEqual((colours["foreground"], colours["background"]), ("#000000", "#ffffff"))
        # Colour 0 is the foreground's black here and still found in its own cell.
        self.assertEqual(colours["palette"], self.palette)
        self.assertIs(colours["bold_is_bright"], True)
        dim = calibration_picture(30, 6, 1, 1, 9, 18, "#d0d0d0", "#1c1c1c", self.palette, self.palette[1])
        self.assertIs(terminal.measure_calibration(dim, 30, 6)["measured_colours"]["bold_is_bright"], False)

    def test_a_grid_of_other_columns_is_refused(self):
        # A terminal that came up at 31 columns instead of 30: the last cell is not where 30 put it.
        pixels = calibration_picture(31, 6, 2, 2, 8, 17, "#000000", "#ffffff", self.palette, self.palette[9])
        with self.assertRaises(common.ShotError):
            terminal.measure_calibration(pixels, 30, 6)
        blank = common.Pixels(width=4, height=4, data=b"\xff" * 48)
        with self.assertRaises(common.ShotError):
            terminal.measure_calibration(blank, 30, 6)


class Sidecars(unittest.TestCase):
    def test_fc_match_values_lose_their_binding_and_type(self):
        out = ('Pattern has 40 elts (size 48)\n\tfamily: "Noto Sans Mono"(s) "Noto Sans Mono Regular"(w)\n'
               '\tantialias: False(w)\n\thintstyle: 3(i)(w)\n\thinting: True(s)\n\tautohint: False(s)\n'
               '\trgba: 1(i)(w)\n\tfile: "/usr/share/fonts/a b/NotoSansMono-Regular.ttf"(s)\n\tlcdfilter: 1(i)(w)\n')
        self.assertEqual(common.parse_fc_match(out), {
            "matched": "Noto Sans Mono", "file": "/usr/share/fonts/a b/NotoSansMono-Regular.ttf",
            "antialias": False, "hinting": True, "hintstyle": "hintfull", "autohint": False, "rgba": "rgb",
            "lcdfilter": "1"})

    def test_json_written_compactly_reads_back_the_same(self):
        value = {"name": "a", "lines": [{"text": 'q, "r" [1, 2]', "box": [1.5, 2, 3, 4]},
                                         {"text": "", "box": [0, 0, 0, 0]}],
                 "theme": {"palette": ["#000000", "#ffffff"], "dark": False, "cursor": None},
                 "nested": [[1, 2], [], {}], "text": "Съешь\tже\n"}
        path = os.path.join(os.environ.get("TMPDIR", "/tmp"), f"screens-test-{os.getpid()}.json")
        try:
            common.write_json(path, value)
            with open(path, encoding="utf-8") as f:
                written = f.read()
            self.assertEqual(json.loads(written), value)
            self.assertIn('  {"text": "q, \\"r\\" [1, 2]", "box": [1.5, 2, 3, 4]}', written)
        finally:
            os.remove(path)

    def test_truth_lines_are_trimmed(self):
        self.assertEqual(common.trim_lines("  a  \n\nb \n\n\n"), "  a\n\nb\n")
        self.assertEqual(common.trim_lines(" \n"), "")


if __name__ == "__main__":
    unittest.main()

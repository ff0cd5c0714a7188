"""A GTK 3 window of labels and a text view, for the proportional test pictures.

Usage: /usr/bin/python3 gtk_window.py WINDOW.json
WINDOW.json: {"family", "px", "dark", "width", "lines": [{"text", "heading"}], "body": [lines]}.
Once the window is drawn it prints one JSON line to stdout: its X window id and the box of
each picture line (labels, then the text view's lines) in window pixels; then it waits to be
killed."""
import json
import sys

import gi

gi.require_version("Gtk", "3.0")
from gi.repository import GLib, Gtk  # noqa: E402

description = json.load(open(sys.argv[1], encoding="utf-8"))
css = Gtk.CssProvider()
css.load_from_data(f"""
* {{ font-family: "{description['family']}"; font-size: {description['px']}px; }}
.heading {{ font-weight: bold; }}
textview, textview text {{ caret-color: transparent; }}
""".encode())
Gtk.StyleContext.add_provider_for_screen(__import__("gi.repository.Gdk", fromlist=["Gdk"]).Screen.get_default(), css,
                                         Gtk.STYLE_PROVIDER_PRIORITY_APPLICATION)

window = Gtk.Window(title="Settings")
window.set_border_width(12)
window.set_default_size(description["width"], -1)
window.set_resizable(False)
box = Gtk.Box(orientation=Gtk.Orientation.VERTICAL, spacing=4)
window.add(box)
labels = []
for line in description["lines"]:
    label = Gtk.Label(label=line["text"], xalign=0)
    if line["heading"]:
        label.get_style_context().add_class("heading")
    box.pack_start(label, False, False, 0)
    labels.append((label, line["text"]))
view = Gtk.TextView(editable=False, cursor_visible=False, wrap_mode=Gtk.WrapMode.NONE)
view.get_buffer().set_text("\n".join(description["body"]))
view.set_left_margin(6)
view.set_top_margin(6)
view.set_bottom_margin(6)
frame = Gtk.Frame()
frame.add(view)
box.pack_start(frame, False, False, 8)

def report():
    out = []
    for label, text in labels:
        x, y = label.translate_coordinates(window, 0, 0)
        a = label.get_allocation()
        layout_x, layout_y = label.get_layout_offsets()
        ink, logical = label.get_layout().get_pixel_extents()
        # Layout offsets are in the label's window coordinates; translate them like the allocation.
        lx, ly = x + layout_x - a.x, y + layout_y - a.y
        out.append({"text": text, "box": [lx + logical.x, ly + logical.y, logical.width, logical.height]})
    buffer = view.get_buffer()
    for i, text in enumerate(description["body"]):
        start = buffer.get_iter_at_line(i)
        end = start.copy()
        if not end.ends_line():
            end.forward_to_line_end()
        y, height = view.get_line_yrange(start)
        left = view.get_iter_location(start)
        right = view.get_iter_location(end)
        wx, wy = view.buffer_to_window_coords(Gtk.TextWindowType.WIDGET, left.x, y)
        rx, _ = view.buffer_to_window_coords(Gtk.TextWindowType.WIDGET, right.x, y)
        tx, ty = view.translate_coordinates(window, wx, wy)
        out.append({"text": text, "box": [tx, ty, rx - wx, height]})
    a = window.get_allocation()
    print(json.dumps({"window": window.get_window().get_xid(), "width": a.width, "height": a.height,
                      "lines": out, "gtk": f"{Gtk.get_major_version()}.{Gtk.get_minor_version()}."
                                           f"{Gtk.get_micro_version()}"}), flush=True)
    return False


window.connect("destroy", Gtk.main_quit)
window.move(0, 0)
window.show_all()
# Reports once the window has been mapped and painted.
GLib.timeout_add(800, report)
Gtk.main()

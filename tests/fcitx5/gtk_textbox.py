#!/usr/bin/env python3
"""A GTK text box for typing through fcitx5 in the end-to-end check, in GTK 3 or GTK 4.

    gtk_textbox.py 3|4 TEXT_FILE GEOMETRY_FILE

The entry's text is written (whole, replacing the file) to TEXT_FILE whenever it changes. After
every change of text or caret, GEOMETRY_FILE gets one line per caret position 0..length: the x and
y, in the window's own pixels, where a click puts the caret there. The window has no decorations,
so that the window's pixels are the entry's.
"""
import os
import sys

import gi

version = sys.argv[1]
gi.require_version("Gtk", "3.0" if version == "3" else "4.0")
from gi.repository import GLib, Gtk  # noqa: E402

text_file, geometry_file = sys.argv[2], sys.argv[3]


def replace(path, data):
    temporary = path + ".new"
    with open(temporary, "w", encoding="utf-8") as out:
        out.write(data)
    os.replace(temporary, path)


def caret_places(entry, window):
    """(x, y) in window pixels of every caret position of the entry's text."""
    places = []
    count = len(entry.get_text())
    if version == "3":
        layout = entry.get_layout()
        left, top = entry.get_layout_offsets()
        text = entry.get_text()
        for index in range(count + 1):
            byte = len(text[:index].encode("utf-8"))  # GTK 3 counts the entry's text in bytes
            rect = layout.index_to_pos(entry.text_index_to_layout_index(byte))
            x = left + rect.x // 1024
            y = top + (rect.y + rect.height // 2) // 1024
            places.append(entry.translate_coordinates(window, x, y))
    else:
        text = entry.get_delegate() if hasattr(entry, "get_delegate") else entry.get_first_child()
        for index in range(count + 1):
            strong, _weak = text.compute_cursor_extents(index)
            x, y = strong.get_x(), strong.get_y() + strong.get_height() / 2
            # (x, y), or (ok, x, y) in older bindings
            places.append(text.translate_coordinates(window, x, y)[-2:])
    return places


pending = [False]


def write_geometry(entry, window):
    pending[0] = False
    lines = "".join("%d %d\n" % (round(x), round(y)) for x, y in caret_places(entry, window))
    replace(geometry_file, lines)
    return False


def changed(entry, window):
    if not pending[0]:
        pending[0] = True
        GLib.idle_add(write_geometry, entry, window)


def text_changed(entry, window):
    replace(text_file, entry.get_text())
    changed(entry, window)


def main():
    title = "kesmir gtk%s box" % version
    entry = Gtk.Entry()
    if version == "3":
        window = Gtk.Window(title=title)
        window.set_decorated(False)
        window.add(entry)
        window.connect("destroy", Gtk.main_quit)
    else:
        window = Gtk.Window(title=title)
        window.set_decorated(False)
        window.set_child(entry)
    window.set_default_size(900, 60)
    entry.connect("changed", text_changed, window)
    entry.connect("notify::cursor-position", lambda e, _p: changed(e, window))
    replace(text_file, "")
    if version == "3":
        window.show_all()
        GLib.idle_add(write_geometry, entry, window)
        Gtk.main()
    else:
        window.present()
        GLib.idle_add(write_geometry, entry, window)
        loop = GLib.MainLoop()
        window.connect("close-request", lambda _w: loop.quit() or False)
        loop.run()


main()

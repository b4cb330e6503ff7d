#!/usr/bin/python3
"""A launcher as a desktop's dock is one: a window (the whole screen) with a
button that starts a program with an activation token for the click (XDG_ACTIVATION_TOKEN on
Wayland, DESKTOP_STARTUP_ID on X11), made by GTK from the real input event.
    launcher.py PROGRAM [ARGS...]   prints the token, then the program's status
"""
import os
import subprocess
import sys

import gi

gi.require_version("Gtk", "3.0")
gi.require_version("Gdk", "3.0")
from gi.repository import Gdk, Gio, Gtk  # noqa: E402


def launch(_button):
    context = Gdk.Display.get_default().get_app_launch_context()
    flags = Gio.AppInfoCreateFlags.SUPPORTS_STARTUP_NOTIFICATION
    app = Gio.AppInfo.create_from_commandline(sys.argv[1], "Belltide", flags)
    token = context.get_startup_notify_id(app, [])
    print("token", token, flush=True)
    env = dict(os.environ)
    env["XDG_ACTIVATION_TOKEN" if os.environ.get("WAYLAND_DISPLAY") else "DESKTOP_STARTUP_ID"] = token or ""
    print("status", subprocess.call(sys.argv[1:], env=env), flush=True)


window = Gtk.Window(title="Launcher")
button = Gtk.Button(label="Start")
button.connect("clicked", launch)
window.add(button)
window.fullscreen()  # anywhere on the screen is the button
window.connect("destroy", Gtk.main_quit)
window.show_all()
print("ready", flush=True)
Gtk.main()

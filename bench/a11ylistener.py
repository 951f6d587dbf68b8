#!/usr/bin/python3
"""A screen reader's part on the accessibility bus: registers for the object, window and
focus events of every application and takes each signal as it comes. Prints how many it got
when it is ended (SIGTERM); "listening" once it listens."""
import signal

import dbus
import dbus.mainloop.glib
from gi.repository import GLib

dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
address = dbus.SessionBus().get_object("org.a11y.Bus", "/org/a11y/bus").GetAddress(dbus_interface="org.a11y.Bus")
bus = dbus.bus.BusConnection(address)
registry = bus.get_object("org.a11y.atspi.Registry", "/org/a11y/atspi/registry")
count = [0]


def seen(*args):
    count[0] += 1


bus.add_signal_receiver(seen)
for event in ("object:", "window:", "focus:"):
    registry.RegisterEvent(event, dbus.Array([], signature="s"), "", dbus_interface="org.a11y.atspi.Registry")
loop = GLib.MainLoop()


def stop(*_):
    print("download_month_a11y_events: %d count" % count[0], flush=True)
    loop.quit()


signal.signal(signal.SIGTERM, stop)
print("listening", flush=True)
loop.run()

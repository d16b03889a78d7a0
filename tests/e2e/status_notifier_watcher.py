#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""The tray registry a panel owns (org.kde.StatusNotifierWatcher), for the Wayland test desktop, which has no
panel: it says a host is there, so that programs show their icons; tests play the host. Prints each registration."""

import sys

from gi.repository import Gio, GLib

NAME, PATH = "org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher"
# Qt shows no tray unless the introspection declares IsStatusNotifierHostRegistered.
XML = f"""<node><interface name="{NAME}">
  <method name="RegisterStatusNotifierItem"><arg type="s" direction="in"/></method>
  <method name="RegisterStatusNotifierHost"><arg type="s" direction="in"/></method>
  <property name="RegisteredStatusNotifierItems" type="as" access="read"/>
  <property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
  <property name="ProtocolVersion" type="i" access="read"/>
  <signal name="StatusNotifierItemRegistered"><arg type="s"/></signal>
  <signal name="StatusNotifierItemUnregistered"><arg type="s"/></signal>
  <signal name="StatusNotifierHostRegistered"/>
</interface></node>"""
items = []  # "bus name/object path" of each item, in the order they came


def emit(bus, signal, *item):
    print(signal, *item, flush=True)
    bus.emit_signal(None, PATH, NAME, signal, GLib.Variant("(s)", item) if item else None)


def on_call(bus, sender, path, interface, method, arguments, invocation):
    if method == "RegisterStatusNotifierItem":
        (what,) = arguments.unpack()  # a bus name, or an object path on the caller's connection
        item = sender + what if what.startswith("/") else what + "/StatusNotifierItem"
        if item not in items:
            items.append(item)
            emit(bus, "StatusNotifierItemRegistered", item)
    else:
        emit(bus, "StatusNotifierHostRegistered")
    invocation.return_value(None)


def on_get(bus, sender, path, interface, name):
    return {"RegisteredStatusNotifierItems": GLib.Variant("as", items),
            "IsStatusNotifierHostRegistered": GLib.Variant("b", True), "ProtocolVersion": GLib.Variant("i", 0)}[name]


def on_owner_changed(bus, sender, path, interface, signal, arguments):
    name, _, new_owner = arguments.unpack()
    for item in [] if new_owner else [i for i in items if i.split("/")[0] == name]:  # its program went
        items.remove(item)
        emit(bus, "StatusNotifierItemUnregistered", item)


bus = Gio.bus_get_sync(Gio.BusType.SESSION)
bus.register_object(PATH, Gio.DBusNodeInfo.new_for_xml(XML).interfaces[0], on_call, on_get, None)
bus.signal_subscribe("org.freedesktop.DBus", "org.freedesktop.DBus", "NameOwnerChanged", "/org/freedesktop/DBus",
                     None, Gio.DBusSignalFlags.NONE, on_owner_changed)
loop = GLib.MainLoop()
Gio.bus_own_name_on_connection(bus, NAME, Gio.BusNameOwnerFlags.DO_NOT_QUEUE, None,
                               lambda *_: (print(f"cannot own {NAME}", file=sys.stderr), loop.quit()))
loop.run()
sys.exit(1)  # only when the name was taken

#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""A StatusNotifierItem tray host of the test's own on the session bus, and a reader of the
menus its items export.

  status_notifier.py watcher         owns org.kde.StatusNotifierWatcher with a host registered;
                                     prints "item SERVICE" for every item that registers
  status_notifier.py menu SERVICE    prints the item's exported menu, one line per entry:
                                     depth, id, kind, caption, toggle type and state, enabled
  status_notifier.py click SERVICE ID   sends the entry the "clicked" event a host sends
  status_notifier.py activate SERVICE   what a host does on a left click on the item's icon
  status_notifier.py tooltip SERVICE prints the item's tool tip: its title, then its text
"""
import sys
import time

import dbus
import dbus.service

WATCHER = "org.kde.StatusNotifierWatcher"
ITEM = "org.kde.StatusNotifierItem"
MENU = "com.canonical.dbusmenu"


class Watcher(dbus.service.Object):
    def __init__(self, bus):
        super().__init__(bus, "/StatusNotifierWatcher")
        self.items = []
        self.hosts = ["org.kde.StatusNotifierHost-test"]

    @dbus.service.method(WATCHER, in_signature="s", sender_keyword="sender")
    def RegisterStatusNotifierItem(self, service, sender=None):
        # An item names its bus name or, registering an object path only, itself.
        name = sender if service.startswith("/") else service
        self.items.append(name)
        print("item", name, flush=True)
        self.StatusNotifierItemRegistered(name)

    @dbus.service.method(WATCHER, in_signature="s")
    def RegisterStatusNotifierHost(self, service):
        self.hosts.append(service)
        self.StatusNotifierHostRegistered()

    @dbus.service.signal(WATCHER, signature="s")
    def StatusNotifierItemRegistered(self, service):
        pass

    @dbus.service.signal(WATCHER, signature="")
    def StatusNotifierHostRegistered(self):
        pass

    def properties(self):
        return {
            "RegisteredStatusNotifierItems": dbus.Array(self.items, signature="s"),
            "IsStatusNotifierHostRegistered": dbus.Boolean(bool(self.hosts)),
            "ProtocolVersion": dbus.Int32(0),
        }

    @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature="ss", out_signature="v")
    def Get(self, interface, name):
        return self.properties()[name]

    # Qt reads the properties through an interface object built from the introspection data,
    # which must list them.
    @dbus.service.method(dbus.INTROSPECTABLE_IFACE, in_signature="", out_signature="s",
                         path_keyword="path", connection_keyword="connection")
    def Introspect(self, path, connection):
        data = super().Introspect(path, connection)
        properties = (
            '<property name="RegisteredStatusNotifierItems" type="as" access="read"/>'
            '<property name="IsStatusNotifierHostRegistered" type="b" access="read"/>'
            '<property name="ProtocolVersion" type="i" access="read"/>')
        marker = '<interface name="%s">' % WATCHER
        return data.replace(marker, marker + properties)

    @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature="s", out_signature="a{sv}")
    def GetAll(self, interface):
        return self.properties()


def run_watcher():
    from dbus.mainloop.glib import DBusGMainLoop
    from gi.repository import GLib

    DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    watcher = Watcher(bus)
    name = dbus.service.BusName(WATCHER, bus)
    print("watcher", flush=True)
    GLib.MainLoop().run()
    del watcher, name


def menu_of(service):
    bus = dbus.SessionBus()
    item = bus.get_object(service, "/StatusNotifierItem")
    path = item.Get(ITEM, "Menu", dbus_interface=dbus.PROPERTIES_IFACE)
    return dbus.Interface(bus.get_object(service, path), MENU)


def print_entries(entry, depth):
    entry_id, properties, children = entry
    kind = str(properties.get("type", "standard"))
    if properties.get("children-display") == "submenu" or children:
        kind = "submenu"
    print(depth, int(entry_id), kind, str(properties.get("label", "")).replace("_", "") or "-",
          str(properties.get("toggle-type", "-")) or "-", int(properties.get("toggle-state", -1)),
          "enabled" if properties.get("enabled", True) else "disabled")
    for child in children:
        print_entries(child, depth + 1)


def main():
    command = sys.argv[1]
    if command == "watcher":
        run_watcher()
    elif command == "menu":
        _, layout = menu_of(sys.argv[2]).GetLayout(0, -1, dbus.Array([], signature="s"))
        for child in layout[2]:
            print_entries(child, 0)
    elif command == "tooltip":
        item = dbus.SessionBus().get_object(sys.argv[2], "/StatusNotifierItem")
        _, _, title, text = item.Get(ITEM, "ToolTip", dbus_interface=dbus.PROPERTIES_IFACE)
        print(str(title))
        if text:
            print(str(text))
    elif command == "activate":
        item = dbus.SessionBus().get_object(sys.argv[2], "/StatusNotifierItem")
        item.Activate(dbus.Int32(0), dbus.Int32(0), dbus_interface=ITEM)
    elif command == "click":
        menu_of(sys.argv[2]).Event(int(sys.argv[3]), "clicked", dbus.Int32(0, variant_level=1),
                                   dbus.UInt32(int(time.time())))


if __name__ == "__main__":
    main()

#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""A desktop portal of the test's own with the GlobalShortcuts interface, as a desktop that
hands out global shortcuts has it. It grants every binding at once (a real desktop asks the
user), prints "bound ID TRIGGER" for each, and on SIGUSR1 reports the last bound shortcut as
pressed (Activated) to the session that bound it."""
import signal

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

SERVICE = "org.freedesktop.portal.Desktop"
PATH = "/org/freedesktop/portal/desktop"
SHORTCUTS = "org.freedesktop.portal.GlobalShortcuts"
REQUEST = "org.freedesktop.portal.Request"


class Request(dbus.service.Object):
    @dbus.service.signal(REQUEST, signature="ua{sv}")
    def Response(self, response, results):
        pass


class Portal(dbus.service.Object):
    def __init__(self, bus):
        super().__init__(bus, PATH)
        self.bus = bus
        self.bound = None

    def answer(self, sender, token, results):
        path = "%s/request/%s/%s" % (PATH, sender[1:].replace(".", "_"), token)
        request = Request(self.bus, path)
        # The caller learns the path from the reply first; the answer comes after it.
        GLib.idle_add(lambda: request.Response(dbus.UInt32(0), results) and False)
        return dbus.ObjectPath(path)

    @dbus.service.method(SHORTCUTS, in_signature="a{sv}", out_signature="o",
                         sender_keyword="sender")
    def CreateSession(self, options, sender=None):
        session = "%s/session/%s/%s" % (PATH, sender[1:].replace(".", "_"),
                                        options["session_handle_token"])
        return self.answer(sender, options["handle_token"],
                           dbus.Dictionary({"session_handle": session}, signature="sv"))

    @dbus.service.method(SHORTCUTS, in_signature="oa(sa{sv})sa{sv}", out_signature="o",
                         sender_keyword="sender")
    def BindShortcuts(self, session, shortcuts, parent, options, sender=None):
        for shortcut_id, properties in shortcuts:
            print("bound", shortcut_id, properties.get("preferred_trigger", "-"), flush=True)
            self.bound = (session, shortcut_id)
        return self.answer(sender, options["handle_token"],
                           dbus.Dictionary({"shortcuts": shortcuts}, signature="sv"))

    @dbus.service.signal(SHORTCUTS, signature="osta{sv}")
    def Activated(self, session, shortcut_id, timestamp, options):
        pass

    def press(self):
        if self.bound:
            self.Activated(self.bound[0], self.bound[1], dbus.UInt64(0),
                           dbus.Dictionary({}, signature="sv"))
        return True

    @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature="ss", out_signature="v")
    def Get(self, interface, name):
        if interface == SHORTCUTS and name == "version":
            return dbus.UInt32(1)
        raise dbus.exceptions.DBusException("no such property",
                                            name="org.freedesktop.DBus.Error.InvalidArgs")


def main():
    DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    portal = Portal(bus)
    name = dbus.service.BusName(SERVICE, bus)
    GLib.unix_signal_add(GLib.PRIORITY_DEFAULT, signal.SIGUSR1, portal.press)
    print("portal", flush=True)
    GLib.MainLoop().run()
    del name


if __name__ == "__main__":
    main()

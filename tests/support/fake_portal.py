#!/usr/bin/python3
"""The desktop portal's appearance settings, as a desktop offers them, on the session bus.

fake_portal.py COLOR_SCHEME CONTRAST: answers Settings.Read for org.freedesktop.appearance;
the test changes a value through org.example.FakePortal.Set, and the portal announces it
with SettingChanged as a real one does."""
import sys

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

GROUP = 'org.freedesktop.appearance'
SETTINGS = 'org.freedesktop.portal.Settings'


class Settings(dbus.service.Object):
    def __init__(self, bus, values):
        super().__init__(bus, '/org/freedesktop/portal/desktop')
        self.values = values

    @dbus.service.method(SETTINGS, in_signature='ss', out_signature='v')
    def Read(self, group, key):
        if group != GROUP or key not in self.values:
            raise dbus.exceptions.DBusException('no such setting',
                                                name='org.freedesktop.portal.Error.NotFound')
        # Wrapped twice, as the portal has always answered Read.
        return dbus.UInt32(self.values[key], variant_level=1)

    @dbus.service.signal(SETTINGS, signature='ssv')
    def SettingChanged(self, group, key, value):
        pass

    @dbus.service.method('org.example.FakePortal', in_signature='su')
    def Set(self, key, value):
        self.values[key] = int(value)
        self.SettingChanged(GROUP, key, dbus.UInt32(value))


def main():
    DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    settings = Settings(bus, {'color-scheme': int(sys.argv[1]), 'contrast': int(sys.argv[2])})
    # The name last: a client that sees it finds the object answering.
    name = dbus.service.BusName('org.freedesktop.portal.Desktop', bus)
    GLib.MainLoop().run()
    del settings, name


if __name__ == '__main__':
    main()

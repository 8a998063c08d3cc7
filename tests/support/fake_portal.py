#!/usr/bin/python3
"""The desktop portal, as a desktop offers it, on the session bus: its appearance settings and
its global shortcuts.

fake_portal.py COLOR_SCHEME CONTRAST

Settings: answers Settings.Read for org.freedesktop.appearance; the test changes a value through
org.example.FakePortal.Set, and the portal announces it with SettingChanged as a real one does.

GlobalShortcuts (version 1), always offered: CreateSession and BindShortcuts answer with a
Response signal on their request object once the call has returned, as a real portal does; a
session ends with Session.Close or when its client leaves the bus. The test, through
org.example.FakePortal:
  Bound() -> a{ss}             the shortcuts bound in the open sessions: id -> preferred_trigger
                               ('' where the client gave none)
  Activate(s id)               the user presses the shortcut: Activated (then Deactivated) for
                               the session that bound it; an error where none did
  SetBindAnswer(i code)        how later BindShortcuts are answered: 0 bound (the default),
                               1 cancelled by the user, 2 refused, -1 never (the desktop's
                               dialog left open)"""
import sys
import time

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

PORTAL_PATH = '/org/freedesktop/portal/desktop'
GROUP = 'org.freedesktop.appearance'
SETTINGS = 'org.freedesktop.portal.Settings'
SHORTCUTS = 'org.freedesktop.portal.GlobalShortcuts'
REQUEST = 'org.freedesktop.portal.Request'
SESSION = 'org.freedesktop.portal.Session'
PROPERTIES = 'org.freedesktop.DBus.Properties'
FAKE = 'org.example.FakePortal'
VERSIONS = {SETTINGS: 1, SHORTCUTS: 1}


def invalid_argument(message):
    return dbus.exceptions.DBusException(message,
                                         name='org.freedesktop.portal.Error.InvalidArgument')


def handle_path(kind, sender, token):
    """Where the portal puts a request or session: the sender's unique name without its colon,
    dots made underscores, and the client's token."""
    return '%s/%s/%s/%s' % (PORTAL_PATH, kind, sender[1:].replace('.', '_'), token)


class Request(dbus.service.Object):
    def __init__(self, bus, path):
        super().__init__(bus, path)

    @dbus.service.signal(REQUEST, signature='ua{sv}')
    def Response(self, response, results):
        pass

    @dbus.service.method(REQUEST)
    def Close(self):
        self.remove_from_connection()

    def answer(self, response, results):
        """After the call's reply has gone out, as the client subscribed before calling."""
        def send():
            self.Response(dbus.UInt32(response), dbus.Dictionary(results, signature='sv'))
            self.remove_from_connection()
            return False
        GLib.idle_add(send)


class Session(dbus.service.Object):
    def __init__(self, bus, path, sender, sessions):
        super().__init__(bus, path)
        self.path = path
        self.sender = sender
        self.sessions = sessions
        self.shortcuts = {}

    @dbus.service.signal(SESSION, signature='a{sv}')
    def Closed(self, details):
        pass

    @dbus.service.method(SESSION)
    def Close(self):
        self.end()

    def end(self):
        if self.sessions.pop(self.path, None) is not None:
            self.remove_from_connection()


class Portal(dbus.service.Object):
    def __init__(self, bus, values):
        super().__init__(bus, PORTAL_PATH)
        self.bus = bus
        self.values = values
        self.sessions = {}
        self.bind_answer = 0
        self.watched_clients = set()
        self.requests_made = 0

    # Settings

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

    @dbus.service.method(FAKE, in_signature='su')
    def Set(self, key, value):
        self.values[key] = int(value)
        self.SettingChanged(GROUP, key, dbus.UInt32(value))

    # GlobalShortcuts

    @dbus.service.method(SHORTCUTS, in_signature='a{sv}', out_signature='o',
                         sender_keyword='sender')
    def CreateSession(self, options, sender):
        if 'session_handle_token' not in options:
            raise invalid_argument('session_handle_token is required')
        path = handle_path('session', sender, options['session_handle_token'])
        if path in self.sessions:
            raise invalid_argument('a session of this name is open')
        self.sessions[path] = Session(self.bus, path, sender, self.sessions)
        self.end_sessions_when_gone(sender)
        request = self.request(sender, options)
        # The portal documents the handle as a string, not an object path.
        request.answer(0, {'session_handle': dbus.String(path)})
        return request.__dbus_object_path__

    @dbus.service.method(SHORTCUTS, in_signature='oa(sa{sv})sa{sv}', out_signature='o',
                         sender_keyword='sender')
    def BindShortcuts(self, session_handle, shortcuts, parent_window, options, sender):
        session = self.sessions.get(str(session_handle))
        if session is None or session.sender != sender:
            raise invalid_argument('no such session')
        request = self.request(sender, options)
        if self.bind_answer == 0:
            session.shortcuts = {str(shortcut_id): str(properties.get('preferred_trigger', ''))
                                 for shortcut_id, properties in shortcuts}
            bound = dbus.Array([dbus.Struct((shortcut_id, dbus.Dictionary({
                'description': properties.get('description', ''),
                'trigger_description': session.shortcuts[str(shortcut_id)]},
                signature='sv'))) for shortcut_id, properties in shortcuts],
                signature='(sa{sv})')
            request.answer(0, {'shortcuts': bound})
        elif self.bind_answer > 0:
            request.answer(self.bind_answer, {})
        return request.__dbus_object_path__

    @dbus.service.method(SHORTCUTS, in_signature='oa{sv}', out_signature='o',
                         sender_keyword='sender')
    def ListShortcuts(self, session_handle, options, sender):
        session = self.sessions.get(str(session_handle))
        if session is None or session.sender != sender:
            raise invalid_argument('no such session')
        request = self.request(sender, options)
        request.answer(0, {'shortcuts': dbus.Array([dbus.Struct((shortcut_id, dbus.Dictionary(
            {'trigger_description': trigger}, signature='sv')))
            for shortcut_id, trigger in session.shortcuts.items()], signature='(sa{sv})')})
        return request.__dbus_object_path__

    @dbus.service.signal(SHORTCUTS, signature='osta{sv}')
    def Activated(self, session_handle, shortcut_id, timestamp, options):
        pass

    @dbus.service.signal(SHORTCUTS, signature='osta{sv}')
    def Deactivated(self, session_handle, shortcut_id, timestamp, options):
        pass

    @dbus.service.signal(SHORTCUTS, signature='oa(sa{sv})')
    def ShortcutsChanged(self, session_handle, shortcuts):
        pass

    @dbus.service.method(FAKE, out_signature='a{ss}')
    def Bound(self):
        bound = {}
        for session in self.sessions.values():
            bound.update(session.shortcuts)
        return dbus.Dictionary(bound, signature='ss')

    @dbus.service.method(FAKE, in_signature='s')
    def Activate(self, shortcut_id):
        holders = [path for path, session in self.sessions.items()
                   if shortcut_id in session.shortcuts]
        if not holders:
            raise dbus.exceptions.DBusException('no open session bound ' + shortcut_id,
                                                name='org.example.FakePortal.NotBound')
        timestamp = dbus.UInt64(int(time.monotonic() * 1000))
        session = dbus.ObjectPath(holders[-1])
        self.Activated(session, shortcut_id, timestamp, dbus.Dictionary({}, signature='sv'))
        self.Deactivated(session, shortcut_id, timestamp, dbus.Dictionary({}, signature='sv'))

    @dbus.service.method(FAKE, in_signature='i')
    def SetBindAnswer(self, code):
        self.bind_answer = int(code)

    @dbus.service.method(PROPERTIES, in_signature='ss', out_signature='v')
    def Get(self, interface, name):
        if name != 'version' or interface not in VERSIONS:
            raise dbus.exceptions.DBusException('no such property',
                                                name='org.freedesktop.DBus.Error.UnknownProperty')
        return dbus.UInt32(VERSIONS[interface])

    @dbus.service.method(PROPERTIES, in_signature='s', out_signature='a{sv}')
    def GetAll(self, interface):
        if interface not in VERSIONS:
            return dbus.Dictionary({}, signature='sv')
        return dbus.Dictionary({'version': dbus.UInt32(VERSIONS[interface])}, signature='sv')

    def request(self, sender, options):
        self.requests_made += 1
        token = options.get('handle_token') or 'fake%d' % self.requests_made
        return Request(self.bus, handle_path('request', sender, token))

    def end_sessions_when_gone(self, sender):
        if sender in self.watched_clients:
            return
        self.watched_clients.add(sender)

        def owner_changed(owner):
            if owner:
                return
            for session in [s for s in self.sessions.values() if s.sender == sender]:
                session.end()
        self.bus.watch_name_owner(sender, owner_changed)


def main():
    DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    portal = Portal(bus, {'color-scheme': int(sys.argv[1]), 'contrast': int(sys.argv[2])})
    # The name last: a client that sees it finds the object answering.
    name = dbus.service.BusName('org.freedesktop.portal.Desktop', bus)
    GLib.MainLoop().run()
    del portal, name


if __name__ == '__main__':
    main()

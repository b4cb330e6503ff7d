'''Stand-in for what lies beneath the desktop portal's GNOME backend
(xdg-desktop-portal-gtk), as a python3-dbusmock template: GNOME's session
manager (Inhibit with GNOME's flags, Uninhibit, RegisterClient and the
client object's QueryEndSession/EndSession signals and EndSessionResponse),
and the name of GNOME's screen saver, without which the backend would not use
the session manager at all (held on a connection of its own, which serves no
object).
Inhibitions() lists those in force as "flags|reason"; EndSessionStep(signal)
on the mock interface sends QueryEndSession or EndSession to every client.
'''

import os
import sys

import dbus

from dbusmock import MOCK_IFACE, mockobject

sys.path.insert(0, os.path.dirname(__file__))
from inhibitions import *  # noqa: E402,F403 pylint: disable=wildcard-import,wrong-import-position

BUS_NAME = 'org.gnome.SessionManager'
MAIN_OBJ = '/org/gnome/SessionManager'
MAIN_IFACE = 'org.gnome.SessionManager'
SYSTEM_BUS = False
CLIENT_IFACE = 'org.gnome.SessionManager.ClientPrivate'
SCREENSAVER = 'org.gnome.ScreenSaver'


def load(mock, _parameters):
    start(mock)
    mock.clients = []
    mock.AddProperties(MAIN_IFACE, {'InhibitedActions': dbus.UInt32(0), 'SessionIsActive': True})
    mock.screensaver = dbus.service.BusName(SCREENSAVER, dbus.SessionBus(), do_not_queue=True)


@dbus.service.method(MAIN_IFACE, in_signature='susu', out_signature='u')
def Inhibit(self, _app_id, _toplevel_xid, reason, flags):
    return inhibit(self, f'{int(flags)}|{reason}')


@dbus.service.method(MAIN_IFACE, in_signature='u', out_signature='')
def Uninhibit(self, cookie):
    release(self, cookie)


@dbus.service.method(MAIN_IFACE, in_signature='ss', out_signature='o')
def RegisterClient(self, _app_id, _startup_id):
    path = f'{MAIN_OBJ}/Client{len(self.clients) + 1}'
    self.AddObject(path, CLIENT_IFACE, {}, [('EndSessionResponse', 'bs', '', '')])
    self.clients.append(path)
    return dbus.ObjectPath(path)


@dbus.service.method(MAIN_IFACE, in_signature='o', out_signature='')
def UnregisterClient(self, path):
    if str(path) in self.clients:
        self.clients.remove(str(path))
        self.RemoveObject(path)


@dbus.service.method(MOCK_IFACE, in_signature='s', out_signature='')
def EndSessionStep(self, signal):
    for path in self.clients:
        mockobject.objects[path].EmitSignal(CLIENT_IFACE, signal, 'u', [dbus.UInt32(0)])

'''Stand-in for the older power management inhibition
(org.freedesktop.PowerManagement.Inhibit, as KDE and Xfce offer it;
python3-dbusmock template).

Inhibitions() on the mock interface lists those in force: (cookie, reason).
'''

import dbus

from dbusmock import MOCK_IFACE

BUS_NAME = 'org.freedesktop.PowerManagement'
MAIN_OBJ = '/org/freedesktop/PowerManagement/Inhibit'
MAIN_IFACE = 'org.freedesktop.PowerManagement.Inhibit'
SYSTEM_BUS = False


def load(mock, _parameters):
    mock.inhibitions = {}
    mock.next_cookie = 1


@dbus.service.method(MAIN_IFACE, in_signature='ss', out_signature='u')
def Inhibit(self, application, reason):
    cookie = self.next_cookie
    self.next_cookie += 1
    self.inhibitions[cookie] = str(reason)
    return dbus.UInt32(cookie)


@dbus.service.method(MAIN_IFACE, in_signature='u', out_signature='')
def UnInhibit(self, cookie):
    if int(cookie) not in self.inhibitions:
        raise dbus.exceptions.DBusException('no such inhibition', name='org.freedesktop.PowerManagement.Inhibit.Error')
    del self.inhibitions[int(cookie)]


@dbus.service.method(MOCK_IFACE, in_signature='', out_signature='a(us)')
def Inhibitions(self):
    return dbus.Array([dbus.Struct((dbus.UInt32(c), r)) for c, r in self.inhibitions.items()], signature='(us)')

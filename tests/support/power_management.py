'''Stand-in for the older org.freedesktop.PowerManagement.Inhibit (KDE, Xfce;
python3-dbusmock template). Inhibitions() on the mock interface lists the
reasons of those in force.
'''

import dbus

from dbusmock import MOCK_IFACE

BUS_NAME = 'org.freedesktop.PowerManagement'
MAIN_OBJ = '/org/freedesktop/PowerManagement/Inhibit'
MAIN_IFACE = 'org.freedesktop.PowerManagement.Inhibit'
SYSTEM_BUS = False


def load(mock, _parameters):
    mock.inhibitions = {}
    mock.cookies = 0


@dbus.service.method(MAIN_IFACE, in_signature='ss', out_signature='u')
def Inhibit(self, application, reason):
    self.cookies += 1
    self.inhibitions[self.cookies] = str(reason)
    return dbus.UInt32(self.cookies)


@dbus.service.method(MAIN_IFACE, in_signature='u', out_signature='')
def UnInhibit(self, cookie):
    self.inhibitions.pop(int(cookie), None)


@dbus.service.method(MOCK_IFACE, in_signature='', out_signature='as')
def Inhibitions(self):
    return list(self.inhibitions.values())

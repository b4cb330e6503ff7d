'''Stand-in for what lies beneath the desktop portal's KDE backend
(xdg-desktop-portal-kde), as a python3-dbusmock template: PowerDevil's policy
agent, AddInhibition and ReleaseInhibition.
On the mock interface: Inhibitions() lists those in force as "types|reason";
Counts() how many were in force after each change.
'''

import dbus

from dbusmock import MOCK_IFACE

BUS_NAME = 'org.kde.Solid.PowerManagement'
MAIN_OBJ = '/org/kde/Solid/PowerManagement/PolicyAgent'
MAIN_IFACE = 'org.kde.Solid.PowerManagement.PolicyAgent'
SYSTEM_BUS = False


def load(mock, _parameters):
    mock.inhibitions = {}
    mock.counts = []
    mock.cookies = 0


@dbus.service.method(MAIN_IFACE, in_signature='uss', out_signature='u')
def AddInhibition(self, types, _app_name, reason):
    self.cookies += 1
    self.inhibitions[self.cookies] = f'{int(types)}|{reason}'
    self.counts.append(len(self.inhibitions))
    return dbus.UInt32(self.cookies)


@dbus.service.method(MAIN_IFACE, in_signature='u', out_signature='')
def ReleaseInhibition(self, cookie):
    if self.inhibitions.pop(int(cookie), None) is not None:
        self.counts.append(len(self.inhibitions))


@dbus.service.method(MOCK_IFACE, in_signature='', out_signature='as')
def Inhibitions(self):
    return list(self.inhibitions.values())


@dbus.service.method(MOCK_IFACE, in_signature='', out_signature='au')
def Counts(self):
    return dbus.Array(self.counts, signature='u')

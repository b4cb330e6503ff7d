'''Stand-in for KDE's power management, PowerDevil (python3-dbusmock template):
its policy agent, which the desktop portal's KDE backend (xdg-desktop-portal-kde)
speaks to, and the older org.freedesktop.PowerManagement.Inhibit that it serves
for other programs. Inhibitions() lists those in force as "types|reason" (the
policy agent's) or as the reason alone (the older interface's).
'''

import os
import sys

import dbus

sys.path.insert(0, os.path.dirname(__file__))
from inhibitions import *  # noqa: E402,F403 pylint: disable=wildcard-import,wrong-import-position

BUS_NAME = 'org.kde.Solid.PowerManagement'
MAIN_OBJ = '/org/kde/Solid/PowerManagement/PolicyAgent'
MAIN_IFACE = 'org.kde.Solid.PowerManagement.PolicyAgent'
SYSTEM_BUS = False
OLDER = 'org.freedesktop.PowerManagement'


def load(mock, _parameters):
    start(mock)
    mock.older = dbus.service.BusName(OLDER, mock.bus_name.get_bus(), do_not_queue=True)
    mock.AddObject('/org/freedesktop/PowerManagement/Inhibit', OLDER + '.Inhibit', {}, [
        ('Inhibit', 'ss', 'u', lambda _self, _application, reason: inhibit(mock, str(reason))),
        ('UnInhibit', 'u', '', lambda _self, cookie: release(mock, cookie))])


@dbus.service.method(MAIN_IFACE, in_signature='uss', out_signature='u')
def AddInhibition(self, types, _app_name, reason):
    return inhibit(self, f'{int(types)}|{reason}')


@dbus.service.method(MAIN_IFACE, in_signature='u', out_signature='')
def ReleaseInhibition(self, cookie):
    release(self, cookie)

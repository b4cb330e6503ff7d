'''Stand-in for what lies beneath the desktop portal's KDE backend
(xdg-desktop-portal-kde), as a python3-dbusmock template: PowerDevil's policy
agent, AddInhibition and ReleaseInhibition. Inhibitions() lists those in
force as "types|reason".
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


def load(mock, _parameters):
    start(mock)


@dbus.service.method(MAIN_IFACE, in_signature='uss', out_signature='u')
def AddInhibition(self, types, _app_name, reason):
    return inhibit(self, f'{int(types)}|{reason}')


@dbus.service.method(MAIN_IFACE, in_signature='u', out_signature='')
def ReleaseInhibition(self, cookie):
    release(self, cookie)

'''Stand-in for the older org.freedesktop.PowerManagement.Inhibit (KDE, Xfce;
python3-dbusmock template). Inhibitions() lists the reasons of those in force.
'''

import os
import sys

import dbus

sys.path.insert(0, os.path.dirname(__file__))
from inhibitions import *  # noqa: E402,F403 pylint: disable=wildcard-import,wrong-import-position

BUS_NAME = 'org.freedesktop.PowerManagement'
MAIN_OBJ = '/org/freedesktop/PowerManagement/Inhibit'
MAIN_IFACE = 'org.freedesktop.PowerManagement.Inhibit'
SYSTEM_BUS = False


def load(mock, _parameters):
    start(mock)


@dbus.service.method(MAIN_IFACE, in_signature='ss', out_signature='u')
def Inhibit(self, _application, reason):
    return inhibit(self, str(reason))


@dbus.service.method(MAIN_IFACE, in_signature='u', out_signature='')
def UnInhibit(self, cookie):
    release(self, cookie)

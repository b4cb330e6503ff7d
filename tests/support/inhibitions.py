'''What the stand-ins for the power services share (python3-dbusmock
templates here): the inhibitions in force, and on the mock interface
Inhibitions(), those in force, and Counts(), how many after each change.
A template takes them with: from inhibitions import *
'''

import dbus

from dbusmock import MOCK_IFACE

__all__ = ['start', 'inhibit', 'release', 'Inhibitions', 'Counts']


def start(mock):
    mock.inhibitions = {}
    mock.counts = []
    mock.cookies = 0


def inhibit(self, what):
    self.cookies += 1
    self.inhibitions[self.cookies] = what
    self.counts.append(len(self.inhibitions))
    return dbus.UInt32(self.cookies)


def release(self, cookie):
    if self.inhibitions.pop(int(cookie), None) is not None:
        self.counts.append(len(self.inhibitions))


@dbus.service.method(MOCK_IFACE, in_signature='', out_signature='as')
def Inhibitions(self):
    return list(self.inhibitions.values())


@dbus.service.method(MOCK_IFACE, in_signature='', out_signature='au')
def Counts(self):
    return dbus.Array(self.counts, signature='u')

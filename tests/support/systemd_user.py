'''Stand-in for systemd's user instance on the session bus (python3-dbusmock
template): transient units, started and stopped. Started with the parameter
{"version": 252} it takes a timer with WakeSystem=true and fails it, as
systemd before 254 does for a user.
Timers() on the mock interface lists the timers loaded as
"state|OnCalendar|WakeSystem|RemainAfterElapse"; TimerProperties() the timer
properties of each StartTransientUnit call as one line, with their D-Bus
types, the description and AddRef (which ties a unit to its client) aside.
'''

import dbus

from dbusmock import MOCK_IFACE

BUS_NAME = 'org.freedesktop.systemd1'
MAIN_OBJ = '/org/freedesktop/systemd1'
MAIN_IFACE = 'org.freedesktop.systemd1.Manager'
SYSTEM_BUS = False


def load(mock, parameters):
    mock.version = int(parameters.get('version', 255))
    mock.units = {}
    mock.timer_properties = []


def unit_path(name):
    return MAIN_OBJ + '/unit/' + ''.join(c if c.isalnum() else f'_{ord(c):02x}' for c in name)


def forget(self, name):
    if self.units.pop(name, None) is not None:
        self.RemoveObject(unit_path(name))


@dbus.service.method(MAIN_IFACE, in_signature='ssa(sv)a(sa(sv))', out_signature='o')
def StartTransientUnit(self, name, mode, properties, aux):
    props = {str(k): v for k, v in properties}
    self.timer_properties.append(' '.join(sorted(f'{k}={v!r}' for k, v in props.items()
                                                 if k not in ('Description', 'AddRef'))))
    calendar = ' '.join(str(expr) for base, expr in props.get('TimersCalendar', []) if base == 'OnCalendar')
    wake = bool(props.get('WakeSystem', False))
    state = 'failed' if wake and self.version < 254 else 'active'
    self.units[str(name)] = f'{state}|{calendar}|{int(wake)}|{int(bool(props.get("RemainAfterElapse", True)))}'
    self.AddObject(unit_path(name), 'org.freedesktop.systemd1.Unit', {'ActiveState': state}, [])
    return dbus.ObjectPath(MAIN_OBJ + '/job/1')


@dbus.service.method(MAIN_IFACE, in_signature='ss', out_signature='o')
def StopUnit(self, name, mode):
    forget(self, str(name))
    return dbus.ObjectPath(MAIN_OBJ + '/job/1')


@dbus.service.method(MAIN_IFACE, in_signature='s', out_signature='')
def ResetFailedUnit(self, name):
    if self.units.get(str(name), '').startswith('failed|'):
        forget(self, str(name))


@dbus.service.method(MAIN_IFACE, in_signature='s', out_signature='o')
def GetUnit(self, name):
    if str(name) not in self.units:
        raise dbus.exceptions.DBusException(f'Unit {name} not loaded.', name='org.freedesktop.systemd1.NoSuchUnit')
    return dbus.ObjectPath(unit_path(str(name)))


@dbus.service.method(MOCK_IFACE, in_signature='', out_signature='as')
def Timers(self):
    return [u for n, u in self.units.items() if n.endswith('.timer')]


@dbus.service.method(MOCK_IFACE, in_signature='', out_signature='as')
def TimerProperties(self):
    return self.timer_properties

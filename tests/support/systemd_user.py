'''Stand-in for systemd's user instance on the session bus (python3-dbusmock
template): transient units, started and stopped. Started with the parameter
{"version": 252} it takes a timer with WakeSystem=true and fails it, as
systemd before 254 does for a user.

Timers() on the mock interface lists the timers loaded: (name, state,
OnCalendar, WakeSystem, RemainAfterElapse, the service's ExecStart path).
'''

import dbus

from dbusmock import MOCK_IFACE

BUS_NAME = 'org.freedesktop.systemd1'
MAIN_OBJ = '/org/freedesktop/systemd1'
MAIN_IFACE = 'org.freedesktop.systemd1.Manager'
UNIT_IFACE = 'org.freedesktop.systemd1.Unit'
SYSTEM_BUS = False


def load(mock, parameters):
    mock.version = int(parameters.get('version', 255))
    mock.units = {}
    mock.next_job = 1
    mock.AddProperties(MAIN_IFACE, {'Version': f'{mock.version}'})


def unit_path(name):
    return MAIN_OBJ + '/unit/' + ''.join(c if c.isalnum() else f'_{ord(c):02x}' for c in name)


def no_such_unit(name):
    return dbus.exceptions.DBusException(f'Unit {name} not loaded.', name='org.freedesktop.systemd1.NoSuchUnit')


def job(self):
    self.next_job += 1
    return dbus.ObjectPath(f'{MAIN_OBJ}/job/{self.next_job}')


@dbus.service.method(MAIN_IFACE, in_signature='ssa(sv)a(sa(sv))', out_signature='o')
def StartTransientUnit(self, name, mode, properties, aux):
    name = str(name)
    props = {str(k): v for k, v in properties}
    if name in self.units:
        raise dbus.exceptions.DBusException(f'Unit {name} already exists.', name='org.freedesktop.systemd1.UnitExists')
    calendar = [str(spec) for base, spec in props.get('TimersCalendar', []) if str(base) == 'OnCalendar']
    wake = bool(props.get('WakeSystem', False))
    service = {str(n): {str(k): v for k, v in p} for n, p in aux}
    exec_start = ''
    for p in service.values():
        for path, _argv, _ignore in p.get('ExecStart', []):
            exec_start = str(path)
    state = 'failed' if wake and self.version < 254 else 'active'
    self.units[name] = {'state': state, 'calendar': ' '.join(calendar), 'wake': wake,
                        'remain': bool(props.get('RemainAfterElapse', True)), 'exec': exec_start}
    self.AddObject(unit_path(name), UNIT_IFACE, {'Id': name, 'ActiveState': state}, [])
    return job(self)


@dbus.service.method(MAIN_IFACE, in_signature='ss', out_signature='o')
def StopUnit(self, name, mode):
    name = str(name)
    if name not in self.units:
        raise no_such_unit(name)
    del self.units[name]
    self.RemoveObject(unit_path(name))
    return job(self)


@dbus.service.method(MAIN_IFACE, in_signature='s', out_signature='')
def ResetFailedUnit(self, name):
    name = str(name)
    if name not in self.units:
        raise no_such_unit(name)
    if self.units[name]['state'] == 'failed':
        del self.units[name]
        self.RemoveObject(unit_path(name))


@dbus.service.method(MAIN_IFACE, in_signature='s', out_signature='o')
def GetUnit(self, name):
    if str(name) not in self.units:
        raise no_such_unit(name)
    return dbus.ObjectPath(unit_path(str(name)))


@dbus.service.method(MOCK_IFACE, in_signature='', out_signature='a(sssbbs)')
def Timers(self):
    return dbus.Array([dbus.Struct((n, u['state'], u['calendar'], u['wake'], u['remain'], u['exec']))
                       for n, u in self.units.items() if n.endswith('.timer')], signature='(sssbbs)')

'''Stand-in for the desktop portal's Inhibit interface (python3-dbusmock
template). Inhibit exports a Request object at the path the caller's
handle_token names and answers with its Response signal a moment later:
0 (granted), or 2 when started with the parameter {"refuse": true}. Close on
the Request object ends the inhibition.

Inhibitions() on the mock interface lists those in force: (flags, reason).
'''

import dbus
from gi.repository import GLib

from dbusmock import MOCK_IFACE, mockobject

BUS_NAME = 'org.freedesktop.portal.Desktop'
MAIN_OBJ = '/org/freedesktop/portal/desktop'
MAIN_IFACE = 'org.freedesktop.portal.Inhibit'
REQUEST_IFACE = 'org.freedesktop.portal.Request'
SYSTEM_BUS = False


def load(mock, parameters):
    mock.refuse = bool(parameters.get('refuse', False))
    mock.inhibitions = {}
    mock.AddProperties(MAIN_IFACE, {'version': dbus.UInt32(3)})


@dbus.service.method(MAIN_IFACE, in_signature='sua{sv}', out_signature='o', sender_keyword='sender')
def Inhibit(self, window, flags, options, sender):
    token = str(options.get('handle_token', 'none'))
    path = f'{MAIN_OBJ}/request/{sender[1:].replace(".", "_")}/{token}'
    self.AddObject(path, REQUEST_IFACE, {}, [('Close', '', '', '')])
    request = mockobject.objects[path]
    manager = self

    def close_request(_self):
        manager.log(f'Close {path}')
        manager.inhibitions.pop(path, None)
        manager.RemoveObject(path)

    request.AddMethod(REQUEST_IFACE, 'Close', '', '', close_request)
    response = 2 if self.refuse else 0
    if response == 0:
        self.inhibitions[path] = (int(flags), str(options.get('reason', '')))

    def answer():
        if path in mockobject.objects:
            request.EmitSignal(REQUEST_IFACE, 'Response', 'ua{sv}', [dbus.UInt32(response), dbus.Dictionary({}, signature='sv')])
        return False

    GLib.timeout_add(50, answer)
    return dbus.ObjectPath(path)


@dbus.service.method(MOCK_IFACE, in_signature='', out_signature='a(us)')
def Inhibitions(self):
    return dbus.Array([dbus.Struct((dbus.UInt32(f), r)) for f, r in self.inhibitions.values()], signature='(us)')

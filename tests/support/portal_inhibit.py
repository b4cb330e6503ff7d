'''Stand-in for the desktop portal's Inhibit (python3-dbusmock template).
Inhibit answers on its Request object a moment later: granted, or refused when
started with {"refuse": true}; Close on that object ends the inhibition.
Inhibitions() on the mock interface lists those in force as "flags|reason".
The session monitor, as a Wayland desktop offers it: CreateMonitor answers
through a Request object, a moment later, with the session SESSION; a test
sends StateChanged through the mock's own EmitSignal; QueryEndResponse calls
land in the call log (-l).
'''

import dbus
from gi.repository import GLib

from dbusmock import MOCK_IFACE, mockobject

BUS_NAME = 'org.freedesktop.portal.Desktop'
MAIN_OBJ = '/org/freedesktop/portal/desktop'
MAIN_IFACE = 'org.freedesktop.portal.Inhibit'
REQUEST_IFACE = 'org.freedesktop.portal.Request'
SYSTEM_BUS = False
SESSION = f'{MAIN_OBJ}/session/mock/monitor'


def load(mock, parameters):
    mock.refuse = bool(parameters.get('refuse', False))
    mock.inhibitions = {}
    mock.AddMethods(MAIN_IFACE, [('CreateMonitor', 'sa{sv}', 'o', CREATE_MONITOR), ('QueryEndResponse', 'o', '', '')])


CREATE_MONITOR = f'''
from gi.repository import GLib
path = "{MAIN_OBJ}/request/mock/" + str(args[1].get("handle_token", "request"))
if path not in objects:
    self.AddObject(path, "{REQUEST_IFACE}", {{}}, [])
request = objects[path]
def respond(request=request):
    request.EmitSignal("{REQUEST_IFACE}", "Response", "ua{{sv}}", [dbus.UInt32(0), {{"session_handle": dbus.String("{SESSION}")}}])
    return False
GLib.timeout_add(200, respond)
ret = dbus.ObjectPath(path)
'''


@dbus.service.method(MAIN_IFACE, in_signature='sua{sv}', out_signature='o', sender_keyword='sender')
def Inhibit(self, window, flags, options, sender):
    path = f'{MAIN_OBJ}/request/{sender[1:].replace(".", "_")}/{options["handle_token"]}'
    self.AddObject(path, REQUEST_IFACE, {}, [])
    request = mockobject.objects[path]

    def close(_request):
        self.log(f'Close {path}')
        self.inhibitions.pop(path, None)
        self.RemoveObject(path)

    request.AddMethod(REQUEST_IFACE, 'Close', '', '', close)
    if not self.refuse:
        self.inhibitions[path] = f'{flags}|{options.get("reason", "")}'

    def answer():
        if path in mockobject.objects:
            request.EmitSignal(REQUEST_IFACE, 'Response', 'ua{sv}', [dbus.UInt32(2 if self.refuse else 0), {}])
        return False

    GLib.timeout_add(50, answer)
    return dbus.ObjectPath(path)


@dbus.service.method(MOCK_IFACE, in_signature='', out_signature='as')
def Inhibitions(self):
    return list(self.inhibitions.values())

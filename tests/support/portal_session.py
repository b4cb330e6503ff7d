"""python3-dbusmock template: the desktop portal's session monitor
(org.freedesktop.portal.Inhibit on org.freedesktop.portal.Desktop), as a
Wayland desktop offers it. CreateMonitor answers through a Request object,
a moment later, with the session below; a test sends StateChanged through the
mock's own org.freedesktop.DBus.Mock.EmitSignal; QueryEndResponse calls land in
the call log.
    python3 -m dbusmock --session -t portal_session.py -l calls.log
"""
import dbus

BUS_NAME = "org.freedesktop.portal.Desktop"
MAIN_OBJ = "/org/freedesktop/portal/desktop"
MAIN_IFACE = "org.freedesktop.portal.Inhibit"
SYSTEM_BUS = False

SESSION = "/org/freedesktop/portal/desktop/session/mock/monitor"

CREATE_MONITOR = """
from gi.repository import GLib
path = "/org/freedesktop/portal/desktop/request/mock/" + str(args[1].get("handle_token", "request"))
if path not in objects:
    self.AddObject(path, "org.freedesktop.portal.Request", {}, [])
request = objects[path]
def respond(request=request):
    request.EmitSignal("org.freedesktop.portal.Request", "Response", "ua{sv}",
                       [dbus.UInt32(0), {"session_handle": dbus.String("%s")}])
    return False
GLib.timeout_add(200, respond)
ret = dbus.ObjectPath(path)
""" % SESSION


def load(mock, parameters):
    mock.AddMethods(MAIN_IFACE, [
        ("CreateMonitor", "sa{sv}", "o", CREATE_MONITOR),
        ("QueryEndResponse", "o", "", ""),
    ])

"""xfce4-panel hosts Quillo's icon as a StatusNotifierItem and tells, with each click, the spot near the icon
where a popup should open: the note goes to that spot, wherever the pointer is."""

import dbus

from quillo_e2e import Point, Rect, wait_until
from test_tray import placed_at


def test_the_note_goes_to_the_spot_the_panel_sends_not_to_the_pointer(desktop, start):
    start()
    desktop.launched()
    watcher = dbus.SessionBus().get_object("org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher")
    items = watcher.Get("org.kde.StatusNotifierWatcher", "RegisteredStatusNotifierItems",
                        dbus_interface=dbus.PROPERTIES_IFACE)
    assert len(items) == 1
    service, path = items[0].split("/", 1)
    item = dbus.Interface(dbus.SessionBus().get_object(service, "/" + path), "org.kde.StatusNotifierItem")

    desktop.input.move(Point(5, 700))
    spot = Point(900, 20)
    item.Activate(*spot)
    note = desktop.window("Quillo")
    assert placed_at(desktop.geometry(note), Rect(*spot, 1, 1), desktop.work_area(), below=True)
    item.Activate(*spot)
    wait_until(lambda: not desktop.viewable(note), "a second click to hide the note")

"""xfce4-panel hosts Quillo's icon as a StatusNotifierItem and tells, with each click, the spot near the icon
where a popup should open: the note goes to that spot, wherever the pointer is."""

import dbus

from quillo_e2e import Point, Rect, TrayItem, tray_items, wait_until
from test_tray import placed_at


def test_the_note_goes_to_the_spot_the_panel_sends_not_to_the_pointer(desktop, start):
    start()
    desktop.launched()
    items = tray_items(dbus.SessionBus())
    assert len(items) == 1
    item = TrayItem(dbus.SessionBus(), items[0])

    desktop.input.move(Point(5, 700))
    spot = Point(900, 20)
    item.activate(spot)
    note = desktop.window("Quillo")
    assert placed_at(desktop.geometry(note), Rect(*spot, 1, 1), desktop.work_area(), below=True)
    item.activate(spot)
    wait_until(lambda: not desktop.viewable(note), "a second click to hide the note")

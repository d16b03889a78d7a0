# SPDX-License-Identifier: GPL-3.0-or-later
"""Quillo's tray item in a Plasma session, with a tray watcher of the tests' own: the note goes where the panel
was clicked; the item carries Quillo's icon and name and comes to each new watcher."""

import pytest

from quillo_e2e import Point, wait_until
from wayland import Watcher

WIDTH, HEIGHT = 340, 380  # the note window's size until the user changes it
GAP = 6  # rows between the spot and the note


@pytest.fixture
def watcher(desktop):
    assert not desktop.tray_icons(), "the desktop runs a tray watcher of its own: start it with --no-watcher"
    running = Watcher(desktop).start()
    yield running
    running.stop()


@pytest.mark.parametrize("place, above", [(lambda s: Point(s.right - 10, s.bottom - 4), True),
                                          (lambda s: Point(s.centre.x, s.bottom - 4), True),
                                          (lambda s: Point(200, 3), False)],
                         ids=["bottom panel, right corner", "bottom panel, middle", "top panel"])
def test_the_note_goes_where_the_panel_was_clicked(desktop, start, watcher, place, above):
    start()
    item = desktop.launched()
    screen = desktop.work_area()  # in KWin's coordinates, as are the spot and the note's frame below
    spot = place(screen)
    # Plasma sends its coordinates times the scale X clients draw at themselves, as it sets up: Xwayland's pixels.
    sent = Point(spot.x * desktop.scale, spot.y * desktop.scale)
    item.activate(sent)
    note = desktop.active("Quillo")
    frame = desktop.geometry(note)
    assert (frame.width, frame.height) == (WIDTH, HEIGHT)
    if above:
        assert spot.y - frame.bottom == GAP
    else:
        assert frame.y - (spot.y + 1) == GAP
    # Centred on the spot unless that would leave the screen.
    assert frame.x == min(max(spot.x - WIDTH // 2, screen.x), screen.right - WIDTH)

    # A click while it shows hides it.
    item.activate(sent)
    wait_until(lambda: not desktop.viewable(note), "a second click to hide the note")


def test_the_item_carries_quillos_icon_and_name(desktop, start, watcher):
    start()
    # Panels read every property at once: one that cannot be sent would leave the item blank.
    properties = desktop.launched().properties()
    assert (properties["Title"], properties["IconName"]) == ("Quillo", "org.quillo.Quillo")
    assert {"Category", "Id", "Status", "ToolTip", "Menu", "ItemIsMenu", "WindowId"} <= properties.keys()

    # The note icon at panel sizes, each pixel alpha first, then red, green, blue: its pale yellow paper.
    icons = {int(width): bytes(pixels) for width, height, pixels in properties["IconPixmap"]
             if len(pixels) == width * height * 4}
    assert len(icons) == len(properties["IconPixmap"]) and {22, 32} <= icons.keys(), "sizes or pixel counts"
    icon = icons[32]
    paper = [i for i in range(0, len(icon), 4) if icon[i] == 255 and icon[i + 1] >= 240
             and abs(icon[i + 2] - 0xF4) <= 16 and abs(icon[i + 3] - 0xC2) <= 24]
    assert len(paper) >= 32, f"{len(paper)} paper pixels"


def test_the_item_comes_to_each_new_watcher(desktop, start, watcher):
    quillo = start()
    desktop.launched()
    # The panel goes away and comes back, as when it restarts: it knows no items then, and Quillo tells it.
    watcher.stop()
    watcher.start()
    assert desktop.tray_icon().service == f"org.kde.StatusNotifierItem-{quillo.pid}-1"

    # Started while no panel runs, Quillo goes to the panel that starts after it.
    assert quillo.stop() == 0
    watcher.stop()
    wait_until(lambda: desktop.shortcut() is None, "the desktop to let go of the first Quillo's hotkey")
    quillo = start()
    # The hotkey follows the tray item in the launch: once the desktop holds it, the item has been made.
    desktop.launched(tray=False)
    watcher.start()
    item = desktop.tray_icon()
    assert item.service == f"org.kde.StatusNotifierItem-{quillo.pid}-1"
    item.activate(Point(300, 3))
    desktop.active("Quillo")

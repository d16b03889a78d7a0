# SPDX-License-Identifier: GPL-3.0-or-later
"""Quillo starts quietly into the tray and quits cleanly with the note saved, whichever way it is told to; the
note window moves and resizes by dragging, and keeps its size."""

import signal

import pytest
from pyatspi import ROLE_LABEL, ROLE_PUSH_BUTTON, ROLE_TEXT

from quillo_e2e import Point, control, rect, show_note, wait_until
from test_tray import placed_at


@pytest.mark.parametrize("number", [signal.SIGTERM, signal.SIGINT, signal.SIGHUP], ids=lambda n: n.name)
def test_starts_into_the_tray_and_quits_on_signals(desktop, start, number):
    quillo = start()
    desktop.launched()
    assert not desktop.windows("Quillo"), "a window showed at start"
    assert quillo.stop(number) == 0
    # Nothing typed, nothing written: quitting creates no note file.
    assert quillo.note() is None
    wait_until(lambda: not desktop.tray_icons(), "the tray icon to go")


@pytest.mark.parametrize("by_power_button", [False, True], ids=["SIGTERM", "power button"])
def test_quitting_right_after_typing_keeps_the_text(desktop, start, by_power_button):
    quillo = start()
    _, note = show_note(desktop, quillo, desktop.launched())
    control(note, ROLE_TEXT, "Заметка")
    power = rect(control(note, ROLE_PUSH_BUTTON, "Выход"))
    typed = "last words before the end"
    desktop.input.type(typed)
    assert quillo.note() is None, "saved before the quit: the quit's own save went untested"
    if by_power_button:
        desktop.input.click(power.centre)
    else:
        quillo.send(signal.SIGTERM)
    assert quillo.wait() == 0
    assert quillo.note() == typed


def test_dragging_moves_and_resizes_the_note_and_the_size_is_kept(desktop, start):
    quillo = start()
    icon = desktop.launched()
    note, accessible = show_note(desktop, quillo, icon)
    shown = desktop.geometry(note)
    # The header between the title and the buttons is background: dragging it moves the window.
    title = rect(control(accessible, ROLE_LABEL, "Quillo"))
    gear = rect(control(accessible, ROLE_PUSH_BUTTON, "Настройки"))
    header = Point((title.right + gear.x) // 2, gear.centre.y)
    desktop.input.drag(header, Point(header.x - 300, header.y + 100))
    moved = shown.moved(-300, 100)
    wait_until(lambda: desktop.geometry(note) == moved, "the note window to move with the pointer")

    # Its left edge resizes it.
    edge = Point(moved.x + 2, moved.centre.y)
    desktop.input.drag(edge, Point(edge.x - 80, edge.y))
    resized = moved._replace(x=moved.x - 80, width=moved.width + 80)
    wait_until(lambda: desktop.geometry(note) == resized, "the note window to widen to the left")

    # Quit at once, started again: the window has that size, back at the icon.
    assert quillo.stop() == 0
    start()
    desktop.input.click(desktop.launched().centre)
    again = desktop.geometry(desktop.window("Quillo"))
    assert (again.width, again.height) == (resized.width, resized.height)
    assert placed_at(again, icon, desktop.work_area(), below=True)

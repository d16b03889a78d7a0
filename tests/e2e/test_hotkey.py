"""The global hotkey Super+Escape toggles the note window while another program has the focus, and what is
typed then lands in the note; Quillo holds the combination while it runs and gives it back at quit."""

from quillo_e2e import wait_until
from x11 import ESCAPE, SUPER, OtherProgram, can_grab


def test_the_hotkey_toggles_the_note_from_another_program(desktop, start):
    assert can_grab(ESCAPE, SUPER)
    quillo = start()
    desktop.launched()
    other = OtherProgram(desktop)
    desktop.activate(other.window)

    desktop.input.press("super+Escape")
    note = desktop.window("Quillo")
    desktop.input.type("x")  # into the note, which has the focus now
    wait_until(lambda: quillo.note() == "x", "the typed key in the note file")
    desktop.input.press("super+Escape")
    wait_until(lambda: not desktop.viewable(note), "the hotkey to hide the note")

    # Shown again from the hotkey, it takes the focus again.
    desktop.activate(other.window)
    desktop.input.press("super+Escape")
    desktop.window("Quillo")
    desktop.input.type("y")
    wait_until(lambda: quillo.note() == "xy", "the typed key in the note file")

    other.close()
    assert quillo.stop() == 0
    wait_until(lambda: can_grab(ESCAPE, SUPER), "the combination to be free after quit")

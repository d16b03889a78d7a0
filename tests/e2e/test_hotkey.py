# SPDX-License-Identifier: GPL-3.0-or-later
"""The global hotkey Super+Escape on X11: toggles the note from another program whatever the lock keys, follows
the keyboard's mapping, is given back at quit; a combination held elsewhere in part is not taken at all."""

import pytest

from quillo_e2e import run, wait_until
from x11 import (CAPS_LOCK, ESCAPE, MOD3, NUM_LOCK, SUPER, OtherProgram, can_grab, grab_attempts, holding, locks_on,
                 map_changes)


@pytest.mark.parametrize("locks", [(), ("Num_Lock",), ("Caps_Lock",), ("Num_Lock", "Caps_Lock")],
                         ids=["no lock", "Num Lock", "Caps Lock", "Num Lock and Caps Lock"])
def test_the_hotkey_toggles_the_note_from_another_program(desktop, start, keyboard, locks):
    for lock in locks:
        keyboard.press(lock)
    wait_until(lambda: locks_on() == set(locks), "the lock keys to be on")
    assert can_grab(ESCAPE, SUPER)
    quillo = start()
    desktop.launched()
    other = OtherProgram(desktop)
    desktop.activate(other.window)

    # Fired twice, a press would hide the note it showed before the typed key reached it.
    keyboard.press("super+Escape")
    note = desktop.window("Quillo")
    keyboard.type("1")  # into the note, which has the focus now; a digit, whatever Caps Lock says
    wait_until(lambda: quillo.note() == "1", "the typed key in the note file")
    run("xdotool", "key", "super+Escape", "super+Escape")  # hidden and at once shown again: Escape still hides it
    wait_until(lambda: desktop.focus() == note, "the note shown again to have the keyboard")
    keyboard.press("Escape")
    wait_until(lambda: not desktop.viewable(note), "Escape to hide the note")

    # Shown again from the hotkey, it takes the focus again.
    desktop.activate(other.window)
    keyboard.press("super+Escape")
    desktop.window("Quillo")
    keyboard.type("2")
    wait_until(lambda: quillo.note() == "12", "the typed key in the note file")

    other.close()
    assert quillo.stop() == 0
    wait_until(lambda: can_grab(ESCAPE, SUPER), "the combination to be free after quit")


def test_a_held_hotkey_that_repeats_toggles_once_and_the_note_takes_the_focus(desktop, start):
    quillo = start()
    desktop.launched()
    desktop.input.press("super+Escape")
    note = desktop.window("Quillo")
    desktop.input.press("super+Escape")
    wait_until(lambda: not desktop.viewable(note), "the hotkey to hide the note")
    with map_changes(note) as changes:
        # Held well past the server's auto-repeat delay (660 ms), so that it repeats many times; the note shows
        # while the keys are still down, as a person's often are, and takes the focus all the same.
        run("xdotool", "keydown", "super+Escape", "sleep", "2", "keyup", "super+Escape")
        desktop.input.type("1")
        wait_until(lambda: quillo.note() == "1", "the typed key in the note file")
        desktop.input.press("super+Escape")  # the next press counts again; once its "unmap" is in, so is all before
        assert wait_until(lambda: "unmap" in changes() and changes(), "the note hidden again") == ["map", "unmap"]


@pytest.mark.parametrize("held", [NUM_LOCK, NUM_LOCK | CAPS_LOCK], ids=["Num Lock", "Num Lock and Caps Lock"])
def test_a_hotkey_held_elsewhere_with_one_lock_is_taken_with_none(desktop, start, held):
    with holding(ESCAPE, SUPER | held):
        quillo = start()
        icon = desktop.launched(hotkey=None)
        desktop.input.click(icon.centre)  # handled once Quillo's launch, its hotkey included, is over
        desktop.window("Quillo")
    for locks in (0, NUM_LOCK, CAPS_LOCK, NUM_LOCK | CAPS_LOCK):
        assert can_grab(ESCAPE, SUPER | locks), f"Quillo kept the variant with locks {locks:#x}"
    assert quillo.stop() == 0


def test_the_hotkey_stays_through_mapping_changes_and_follows_super_elsewhere(desktop, start, keyboard):
    run("xmodmap", "-e", "remove mod4 = Super_L Super_R", "-e", "add mod3 = Super_L Super_R")
    start()
    desktop.launched(hotkey=(ESCAPE, MOD3))
    # Switching to another keyboard or remapping another key tells every program of a new mapping, often as the
    # hotkey's own Super goes down: a grab let go and taken again would let the Escape reach another window.
    with grab_attempts(ESCAPE, MOD3) as taken:
        for _ in range(20):
            run("xmodmap", "-e", "keycode 200 = F35")
    assert not taken(), "another program took the hotkey while the mapping changed"
    keyboard.press("super+Escape")
    note = desktop.window("Quillo")

    run("setxkbmap", "ru")  # a new keyboard while Quillo runs, with Super back on mod4
    wait_until(lambda: not can_grab(ESCAPE, SUPER), "Quillo to take its hotkey with Super's new modifier")
    keyboard.press("super+Escape")
    wait_until(lambda: not desktop.viewable(note), "the hotkey to hide the note")

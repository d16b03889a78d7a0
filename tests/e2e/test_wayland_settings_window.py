# SPDX-License-Identifier: GPL-3.0-or-later
"""In a Plasma session a binding the user made in the desktop's settings stands across restarts, until a hotkey
recorded in Quillo's settings window (under Xwayland, driven by real clicks and keys) replaces it at once."""

from pyatspi import ROLE_FILLER, ROLE_PUSH_BUTTON

from quillo_e2e import control, rect, wait_until, window
from wayland import ALT, CONTROL, KEY_K, SPACE, OtherProgram


def click_until(desktop, accessible, effect):
    """Clicks until effect() sees the click work, as a person would: a window just shown may not take input yet."""
    for _ in range(10):
        desktop.input.click(rect(accessible).centre)
        try:
            return effect()
        except AssertionError:
            pass
    raise AssertionError(f"ten clicks on {accessible.name!r} had no effect")


def test_the_desktops_binding_stands_until_a_recorded_hotkey_replaces_it_at_once(desktop, start):
    # While Quillo is away the user binds its shortcut to Ctrl+Alt+Space in the desktop's settings. Quillo
    # keeps what it asked the desktop for, to tell such a binding from its own.
    quillo = start()
    desktop.launched()
    wait_until(lambda: quillo.settings().get("hotKeyDesktopTrigger") == "LOGO+Escape", "the trigger asked for")
    assert quillo.stop() == 0
    wait_until(lambda: desktop.shortcut() is None, "the desktop to let go of the hotkey")
    desktop.set_shortcut(CONTROL | ALT | SPACE)

    # The next start keeps it: were Super+Escape Quillo's, it would show the note and Ctrl+Alt+Space hide it.
    quillo = start()
    desktop.launched(hotkey=CONTROL | ALT | SPACE)
    other = OtherProgram(desktop)
    desktop.input.press("super+Escape")
    desktop.input.press("ctrl+alt+space")
    note = desktop.active("Quillo")
    assert desktop.shortcut() == [CONTROL | ALT | SPACE]
    gear = control(window(quillo, "Quillo"), ROLE_PUSH_BUTTON, "Настройки")
    settings = click_until(desktop, gear, lambda: desktop.active("Настройки", timeout=2))

    # Armed by a click, the field lets go of the hotkey; the combination pressed next is recorded and bound.
    recorder = control(window(quillo, "Настройки"), ROLE_FILLER, "Открывать заметку по хоткею")
    click_until(desktop, recorder,
                lambda: wait_until(lambda: desktop.shortcut() is None, "the desktop to say the hotkey is inactive", 2))
    desktop.input.press("ctrl+alt+k")
    wait_until(lambda: desktop.shortcut() == [CONTROL | ALT | KEY_K], "the desktop to bind Ctrl+Alt+K")
    wait_until(lambda: quillo.hotkey() == ["40", str(4096 | 2048)], "K with control and option in the preferences")
    assert desktop.viewable(note)
    assert desktop.active("Настройки") == settings
    desktop.input.press("Escape")
    wait_until(lambda: not desktop.viewable(settings), "Escape to close the settings")
    assert desktop.viewable(note)

    # The new combination hides the note; the keyboard goes back to the other program.
    desktop.input.press("ctrl+alt+k")
    wait_until(lambda: not desktop.viewable(note), "the new hotkey to hide the note")
    desktop.active("Another program")

    # The old one now reaches the other program and shows nothing: were it still Quillo's, the note would
    # show, the new one would hide it again and the text would miss it.
    desktop.input.press("ctrl+alt+space")
    desktop.input.press("ctrl+alt+k")
    desktop.active("Quillo")
    typed = "Call the plumber."
    desktop.input.type(typed)
    wait_until(lambda: quillo.note() == typed, "the typed text in the note file")
    assert quillo.stop() == 0
    assert other.close() == [], "keys meant for the note reached the other program"

# SPDX-License-Identifier: GPL-3.0-or-later
"""GNOME without GlobalShortcuts (before 48): Quillo's hotkey is a GNOME custom keyboard shortcut that runs
quillo --toggle; a hotkey recorded in the settings replaces it, the user's own custom shortcuts stay, and after
Quillo has quit the key starts it again."""

from pyatspi import ROLE_FILLER, ROLE_PUSH_BUTTON

from gnome import QUILLOS
from quillo_e2e import control, wait_until, window

USERS = "/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/custom0/"
TERMINAL = {"name": "Terminal", "command": "kgx", "binding": "<Super>t"}


def test_the_hotkey_is_a_gnome_custom_shortcut_that_follows_the_settings(desktop, start):
    desktop.add_custom_shortcut(USERS, **TERMINAL)
    quillo = start()
    wait_until(lambda: desktop.custom_shortcuts() == [USERS, QUILLOS], "Quillo's custom shortcut")
    assert desktop.custom_shortcut(QUILLOS)["command"].endswith("/quillo --toggle")
    desktop.press_bound("ctrl+alt+n")
    note = desktop.active("Quillo")

    control(window(quillo, "Quillo"), ROLE_PUSH_BUTTON, "Настройки").queryAction().doAction(0)
    settings = desktop.active("Настройки")
    control(window(quillo, "Настройки"), ROLE_FILLER, "Открывать заметку по хоткею").queryComponent().grabFocus()
    wait_until(lambda: desktop.custom_shortcuts() == [USERS], "the armed field to take the shortcut off")
    desktop.input.press("ctrl+alt+k")
    wait_until(lambda: desktop.custom_shortcuts() == [USERS, QUILLOS], "the recorded hotkey filed")
    desktop.input.press("Escape")
    wait_until(lambda: not desktop.viewable(settings), "Escape to close the settings")
    desktop.input.press("Escape")
    wait_until(lambda: not desktop.viewable(note), "Escape to hide the note")
    desktop.press_bound("ctrl+alt+k")
    desktop.active("Quillo")
    desktop.input.type("Buy milk.")
    wait_until(lambda: quillo.note() == "Buy milk.", "the typed text in the note file")

    assert quillo.stop() == 0
    assert desktop.custom_shortcuts() == [USERS, QUILLOS] and desktop.custom_shortcut(USERS) == TERMINAL
    desktop.press_bound("ctrl+alt+k")
    desktop.active("Quillo")
    assert start("--quit").wait() == 0

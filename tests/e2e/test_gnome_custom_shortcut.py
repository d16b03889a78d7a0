# SPDX-License-Identifier: GPL-3.0-or-later
"""GNOME without GlobalShortcuts (before 48): Quillo's hotkey is a GNOME custom keyboard shortcut that runs
quillo --toggle; a hotkey recorded in the settings replaces it, and the user's own custom shortcuts stay."""

from pyatspi import ROLE_FILLER, ROLE_PUSH_BUTTON

from gnome import QUILLOS
from quillo_e2e import control, wait_until, window

USERS = "/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/custom0/"


def test_the_hotkey_is_a_gnome_custom_shortcut_that_follows_the_settings(desktop, start):
    desktop.add_custom_shortcut(USERS, name="'Terminal'", command="'kgx'", binding="'<Super>t'")
    quillo = start()
    wait_until(lambda: desktop.custom_shortcuts() == [USERS, QUILLOS], "Quillo's custom shortcut")
    assert desktop.custom_shortcut(QUILLOS)["binding"] == "<Control><Alt>n"
    assert desktop.custom_shortcut(QUILLOS)["command"].endswith("/quillo --toggle")

    desktop.input.press("ctrl+alt+n")
    note = desktop.active("Quillo")
    gear = control(window(quillo, "Quillo"), ROLE_PUSH_BUTTON, "Настройки")
    gear.queryAction().doAction(0)
    settings = desktop.active("Настройки")
    control(window(quillo, "Настройки"), ROLE_FILLER, "Открывать заметку по хоткею").queryComponent().grabFocus()
    wait_until(lambda: desktop.custom_shortcuts() == [USERS], "the armed field to take the shortcut off")
    desktop.input.press("ctrl+alt+k")
    wait_until(lambda: desktop.custom_shortcuts() == [USERS, QUILLOS], "the recorded hotkey filed")
    assert desktop.custom_shortcut(QUILLOS)["binding"] == "<Control><Alt>k"
    desktop.input.press("Escape")
    wait_until(lambda: not desktop.viewable(settings), "Escape to close the settings")
    desktop.input.press("Escape")
    wait_until(lambda: not desktop.viewable(note), "Escape to hide the note")
    desktop.input.press("ctrl+alt+k")
    desktop.active("Quillo")
    desktop.input.type("Buy milk.")
    wait_until(lambda: quillo.note() == "Buy milk.", "the typed text in the note file")

    # Quitting takes Quillo's entry off; the user's stays as it was.
    assert quillo.stop() == 0
    assert desktop.custom_shortcuts() == [USERS]
    assert desktop.custom_shortcut(USERS) == {"name": "Terminal", "command": "kgx", "binding": "<Super>t"}

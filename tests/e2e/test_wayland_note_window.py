# SPDX-License-Identifier: GPL-3.0-or-later
"""In a Plasma session the hotkey comes through KDE's GlobalShortcuts portal, under Xwayland and native Wayland;
quitting closes the portal session; a portal that does not answer holds up neither start nor quit; an installed
Quillo is known to the desktop by its name; input devices may come and go."""

import os
import signal

import pytest

from quillo_e2e import run, wait_until
from wayland import ALT, CONTROL, KEY_K, SPACE, OtherProgram


@pytest.mark.parametrize("platform, window_class", [(None, "quillo"), ("wayland", "org.quillo.quillo")],
                         ids=["Xwayland", "native Wayland"])
def test_the_hotkey_toggles_the_note_which_takes_the_keyboard(desktop, start, platform, window_class):
    quillo = start(env={"QT_QPA_PLATFORM": platform} if platform else None)
    desktop.launched()
    assert not desktop.windows("Quillo"), "the note showed at start"
    other = OtherProgram(desktop)

    desktop.input.press("super+Escape")
    note = desktop.active("Quillo")
    assert desktop.resource_class(note) == window_class
    typed = "Buy milk, call Anna."
    desktop.input.type(typed)
    wait_until(lambda: quillo.note() == typed, "the typed text in the note file")
    desktop.input.press("Escape")
    wait_until(lambda: not desktop.viewable(note), "Escape to hide the note")
    desktop.input.press("super+Escape")
    note = desktop.active("Quillo")
    desktop.input.press("super+Escape")
    wait_until(lambda: not desktop.viewable(note), "the hotkey to hide the note")

    # Quitting ends the portal session: the desktop holds the shortcut for no one then.
    session = desktop.portal_session(quillo)
    assert desktop.is_open(session)
    assert quillo.stop() == 0
    wait_until(lambda: not desktop.is_open(session), "the portal session to close")
    wait_until(lambda: desktop.shortcut() is None, "the desktop to let go of the shortcut")
    assert quillo.note() == typed
    assert other.close() == [], "keys meant for the note reached the other program"


def test_a_stored_shortcut_is_the_one_the_desktop_binds(desktop, start):
    start(settings={"hotKeyKeyCode": "49", "hotKeyModifiers": str(4096 | 2048)})  # Space; control, option
    desktop.launched(hotkey=CONTROL | ALT | SPACE)
    desktop.input.press("ctrl+alt+space")
    note = desktop.active("Quillo")
    desktop.input.press("ctrl+alt+space")
    wait_until(lambda: not desktop.viewable(note), "the stored shortcut to hide the note")


def test_an_installed_quillo_is_named_to_the_desktop_which_takes_its_changed_hotkey(desktop, start):
    installed = {"XDG_DATA_DIRS": os.environ["QUILLO_INSTALLED_DATA"] + ":/usr/share"}
    quillo = start(env=installed)
    desktop.launched()
    # Where the portal takes names, the desktop files the shortcut under Quillo's, else under the session's.
    assert (desktop.component == "org.quillo.Quillo") == desktop.portal_takes_names()
    assert quillo.stop() == 0

    # A hotkey changed while Quillo was away replaces the old one in the desktop's record of it. (Not
    # Ctrl+Alt+Space: an earlier test's record under the session's token holds it, and KDE gives no key twice.)
    quillo = start(env=installed, settings={"hotKeyKeyCode": "40", "hotKeyModifiers": str(4096 | 2048)})
    desktop.launched(hotkey=CONTROL | ALT | KEY_K)
    desktop.input.press("super+Escape")  # were it still Quillo's, the note would show, and hide again next
    desktop.input.press("ctrl+alt+k")
    desktop.active("Quillo")
    assert quillo.stop() == 0


def test_input_devices_that_come_and_go_leave_quillo_working(desktop, start):
    # Input devices come and go while Quillo runs under Xwayland: another keyboard and pointer pair, as a
    # second seat's, and on Plasma 6 also a virtual input device of its own for each of the test's presses.
    quillo = start()
    desktop.launched()
    run("xinput", "create-master", "quillo-test")
    desktop.input.press("super+Escape")
    desktop.active("Quillo")
    run("xinput", "remove-master", "quillo-test pointer")
    desktop.input.type("still here")
    wait_until(lambda: quillo.note() == "still here", "the typed text in the note file")
    assert quillo.stop() == 0


@pytest.fixture
def frozen_portal(desktop):
    """xdg-desktop-portal stopped, so that it answers nothing; resume() lets it go on (done at the end anyway)."""
    portal = desktop.portal_pid()
    os.kill(portal, signal.SIGSTOP)
    resume = lambda: os.kill(portal, signal.SIGCONT)
    yield resume
    resume()


def test_a_portal_that_does_not_answer_holds_up_neither_start_nor_quit(desktop, start, frozen_portal):
    quillo = start()
    desktop.launched(hotkey=None)
    session = desktop.portal_session(quillo)
    assert quillo.stop() == 0  # with its request to the portal unanswered
    # Once the portal answers again the hotkey is the next Quillo's: nothing is left of the first one's request.
    frozen_portal()
    quillo = start()
    desktop.launched()
    assert not desktop.is_open(session)
    assert quillo.stop() == 0

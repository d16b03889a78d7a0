# SPDX-License-Identifier: GPL-3.0-or-later
"""What every end-to-end test gets: the desktop it runs on and Quillo processes of its own."""

import os

import pytest

from quillo_e2e import Quillo, run, wait_until


@pytest.fixture(scope="session")
def desktop():
    if os.environ.get("QUILLO_TEST_DESKTOP") == "wayland":  # set by scripts/test-wayland-desktop
        from wayland import WaylandDesktop
        return WaylandDesktop()
    if os.environ.get("QUILLO_TEST_DESKTOP") == "gnome":  # set by scripts/test-gnome-desktop
        from gnome import GnomeDesktop
        return GnomeDesktop()
    from x11 import X11Desktop
    return X11Desktop(os.environ.get("QUILLO_TEST_PANEL", "top"))


@pytest.fixture
def keyboard(desktop):
    """The X11 keyboard, set back afterwards to the us layout with its own modifier map and no lock key on."""
    yield desktop.input
    from x11 import locks_on
    run("setxkbmap", "us")
    for lock in locks_on():
        desktop.input.press(lock)
    wait_until(lambda: not locks_on(), "the lock keys to be off")


@pytest.fixture
def start(tmp_path):
    """start(*options, env, settings): a Quillo of the test's own, with these command-line options, variables and
    preferences; killed at the end."""
    started = []

    def start_quillo(*options, env=None, settings=None):
        quillo = Quillo(tmp_path / "home", env)
        if os.environ.get("QUILLO_TEST_DESKTOP") == "gnome" and not quillo.home.exists():  # the session's folders,
            quillo.home.mkdir(parents=True)  # as the quillo --toggle that GNOME starts has them: dconf's too
            (quillo.home / "config").symlink_to(os.environ["XDG_CONFIG_HOME"])
            (quillo.home / "data").symlink_to(os.environ["XDG_DATA_HOME"])
        if settings:
            quillo.write_settings(settings)
        started.append(quillo.start(*options))
        return quillo

    yield start_quillo
    for quillo in started:
        if quillo.running:
            quillo.process.kill()
            quillo.wait()
    # In normal use Quillo prints nothing; on its standard output only the lines of a failed save.
    told = ("Quillo: не удалось сохранить заметку по пути ", "Quillo: заметка не сохранена в ")
    for quillo in started:
        stdout, stderr = quillo.output()
        assert stderr == "", f"Quillo {quillo.pid} printed on its standard error"
        for line in stdout.splitlines():
            assert line.startswith(told), f"Quillo printed {line!r}"

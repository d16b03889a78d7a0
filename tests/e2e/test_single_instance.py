# SPDX-License-Identifier: GPL-3.0-or-later
"""One copy per user: later starts hand over to the running copy, which shows its note, and exit 0; a lock
left by a killed copy or one that cannot be taken at all does not keep Quillo from running."""

import signal

from quillo_e2e import wait_until


def test_a_second_start_shows_the_running_copys_note_and_exits(desktop, start):
    first = start()
    desktop.launched()
    lock = first.home / "data/Quillo/.quillo.lock"
    assert lock.is_file()
    assert not desktop.windows("Quillo")
    for _ in range(2):  # hidden first, then already shown: shown both times
        assert start().wait() == 0
        desktop.window("Quillo")
        assert len(desktop.tray_icons()) == 1, "the second start put an icon of its own into the tray"
    assert first.stop() == 0
    assert lock.is_file() and lock.stat().st_size == 0, "the lock file is not an empty file that outlives Quillo"


def test_ten_simultaneous_starts_leave_one_copy(desktop, start):
    copies = [start() for _ in range(10)]
    wait_until(lambda: sum(copy.running for copy in copies) == 1, "all copies but one to end")
    assert [copy.wait() for copy in copies if not copy.running] == [0] * 9
    desktop.launched()
    assert len(desktop.tray_icons()) == 1
    assert next(copy for copy in copies if copy.running).stop() == 0


def test_the_lock_of_a_killed_copy_is_taken_over(desktop, start):
    killed = start()
    desktop.launched()
    assert killed.stop(signal.SIGKILL) == -signal.SIGKILL
    wait_until(lambda: not desktop.tray_icons(), "the killed copy's icon to go")
    taken_over = start()
    desktop.launched()
    assert taken_over.stop() == 0


def test_quillo_runs_when_the_lock_cannot_be_taken(desktop, start, tmp_path):
    (tmp_path / "home/data/Quillo/.quillo.lock").mkdir(parents=True)  # a folder where the lock file belongs
    quillo = start()
    desktop.launched()
    assert quillo.stop() == 0


def test_without_a_session_bus_a_second_start_still_exits(desktop, start):
    no_bus = {"DBUS_SESSION_BUS_ADDRESS": "unix:path=/nonexistent/bus"}
    first = start(env=no_bus)
    desktop.launched()
    assert start(env=no_bus).wait() == 0, "a refused start without a bus must not hang"
    assert first.running
    assert first.stop() == 0

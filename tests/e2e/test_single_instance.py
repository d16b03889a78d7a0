# SPDX-License-Identifier: GPL-3.0-or-later
"""One copy per user: later starts hand over to the running copy, which shows its note, and exit 0; --toggle
and --quit ask it to show or hide its note and to quit; a lock left by a killed copy or one that cannot be taken
at all does not keep Quillo from running. --help and --version need no display."""

import os
import re
import signal
import subprocess

from pyatspi import ROLE_TEXT

from quillo_e2e import TIMEOUT, Quillo, control, show_note, wait_until


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


def test_toggle_starts_quillo_with_its_note_then_hides_and_shows_it(desktop, start):
    first = start("--toggle")  # no copy runs: this one starts, and shows its note
    desktop.launched()
    note = desktop.window("Quillo")
    assert start("--toggle").wait() == 0
    wait_until(lambda: not desktop.viewable(note), "--toggle to hide the note")
    assert start("--toggle").wait() == 0
    assert desktop.window("Quillo") == note
    assert first.running and len(desktop.tray_icons()) == 1
    assert first.stop() == 0


def test_quit_returns_once_the_running_copy_has_saved_and_ended(desktop, start):
    first = start()
    _, accessible = show_note(desktop, first, desktop.launched())
    control(accessible, ROLE_TEXT, "Заметка")
    desktop.input.type("saved by --quit")
    assert first.note() is None, "saved before the quit: the quit's own save went untested"
    assert start("--quit").wait() == 0
    assert not first.running, "--quit returned before the running copy had ended"
    assert (first.wait(), first.note()) == (0, "saved by --quit")
    assert start("--quit").wait() == 0, "--quit with no copy running, which it must not start"


def test_help_and_version_print_and_exit_without_a_display(tmp_path):
    env = {k: v for k, v in Quillo(tmp_path).env.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
    quillo = lambda option: subprocess.run([os.environ["QUILLO_BINARY"], option], env=env, capture_output=True,
                                           text=True, timeout=TIMEOUT)
    helps, versions = [quillo("--help"), quillo("-h")], [quillo("--version"), quillo("-v")]
    assert all((done.returncode, done.stderr) == (0, "") for done in helps + versions)
    assert all("--toggle" in done.stdout and "--quit" in done.stdout for done in helps)
    assert all(re.fullmatch(r"quillo \d+\.\d+\.\d+\n", done.stdout) for done in versions)
    mistaken = quillo("--no-such-option")
    assert (mistaken.returncode, mistaken.stdout) == (2, "") and mistaken.stderr.startswith("quillo: ")
    assert not (tmp_path / "data").exists(), "a start that only printed left files behind"


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
    for option in "--toggle", "--quit":  # these fail, and say why
        refused = Quillo(first.home, no_bus).start(option)
        assert refused.wait() == 1 and "D-Bus" in refused.output()[1], option
    assert first.running
    assert first.stop() == 0

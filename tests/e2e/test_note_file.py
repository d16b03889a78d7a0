# SPDX-License-Identifier: GPL-3.0-or-later
"""The note file is shared with other programs: the window follows their changes, typing is merged with them,
quitting with nothing typed leaves their edit alone; typing outlives a failed save and the end of the display."""

import contextlib
import os
import select
import shlex
import signal
import subprocess
import time

import pytest
from pyatspi import ROLE_PUSH_BUTTON, ROLE_TEXT, STATE_FOCUSED

from quillo_e2e import Quillo, control, open_settings, rect, show_note, wait_until, window
from x11 import ESCAPE, SUPER, Xdotool, can_grab


def change(path, how, text):
    """Another program's edit: a new file renamed over the note, or text appended in place."""
    if how == "rename over":
        (temporary := path.with_name(path.name + ".tmp")).write_text(text, encoding="utf-8")
        os.replace(temporary, path)
    else:
        with open(path, "a", encoding="utf-8") as file:
            file.write(text)


def shown_note(desktop, start, tmp_path, text=None, settings=None):
    """Quillo started on a note file with this text (if any), its note shown: the window and its text control."""
    if text is not None:
        (path := tmp_path / "home/data/Quillo/notes.txt").parent.mkdir(parents=True)
        path.write_text(text, encoding="utf-8")
    quillo = start(settings=settings)
    _, note = show_note(desktop, quillo, desktop.launched())
    return quillo, note, control(note, ROLE_TEXT, "Заметка")


def on_disk(path):  # None while there is no file, as between a note moved aside and its new text
    with contextlib.suppress(FileNotFoundError):
        return path.read_bytes()


def shows(text_control, text, what):
    wait_until(lambda: text_control.queryText().getText(0, -1) == text, what)


NOTE = "first line\nsecond line\n"
REPLACED, APPENDED = "first line\nreplaced ✓\n", "appended line\n"
BASE = "one\ntwo\nthree\n"


@pytest.mark.parametrize("how, edit, then", [
    ("rename over", REPLACED, "typing"), ("append", APPENDED, "typing"),
    ("rename over", REPLACED, "SIGTERM"), ("append", APPENDED, "Выход")])
def test_an_idle_note_follows_its_file(desktop, start, tmp_path, how, edit, then):
    quillo, note, text = shown_note(desktop, start, tmp_path, NOTE)
    change(quillo.note_path, how, edit)
    edited = edit if how == "rename over" else NOTE + edit
    shows(text, edited, "the window to show the other program's edit")
    if then == "typing":
        desktop.input.type("typed")
        wait_until(lambda: quillo.note() == edited + "typed", "the edit and the typing in the note file")
        return
    # Nothing typed, nothing written: the file stays the other program's, to the nanosecond.
    before = os.stat(quillo.note_path)
    if then == "SIGTERM":
        quillo.send(signal.SIGTERM)
    else:
        desktop.input.click(rect(control(note, ROLE_PUSH_BUTTON, then)).centre)
    assert quillo.wait() == 0
    after = os.stat(quillo.note_path)
    assert quillo.note_path.read_bytes() == edited.encode()
    assert (after.st_ino, after.st_mtime_ns) == (before.st_ino, before.st_mtime_ns)


@pytest.mark.parametrize("ended, how, edit, merged", [
    (True, "append", "call Anna\n", BASE + "typed\ncall Anna\n"),
    (False, "append", "call Anna\n", BASE + "typed\ncall Anna\n"),
    (False, "rename over", "one\nTWO\nthree\n", "one\nTWO\nthree\ntyped")],
    ids=["append after a typed line", "append after an unfinished line", "middle line changed"])
def test_typing_and_a_change_on_disk_within_the_save_delay_are_both_kept(desktop, start, tmp_path, ended, how,
                                                                         edit, merged):
    quillo, _, text = shown_note(desktop, start, tmp_path, BASE)
    desktop.input.type("typed")
    if ended:
        desktop.input.press("Return")
    shows(text, BASE + "typed" + "\n" * ended, "the typing in the window")
    assert quillo.note() == BASE, "saved before the change: the merge went untested"
    change(quillo.note_path, how, edit)
    wait_until(lambda: quillo.note() == merged, "the merged text in the note file")
    shows(text, merged, "the window to show the merged text")
    assert not list(quillo.note_path.parent.glob("notes.txt.*")), "a copy was kept beside a clean merge"


@pytest.mark.parametrize("theirs", ["", "theirs\n"], ids=["new file missing", "new file has a note"])
def test_typing_that_could_not_be_saved_goes_to_the_next_note_file(desktop, start, tmp_path, theirs):
    (plain := tmp_path / "plain").write_text("")  # a regular file: nothing can be saved below it, even by root
    other = tmp_path / "other.txt"
    if theirs:
        other.write_text(theirs, encoding="utf-8")
    quillo, note, text = shown_note(desktop, start, tmp_path, settings={"notesFilePath": f"{plain}/notes.txt"})
    desktop.input.type("typed")
    desktop.input.press("Return")
    wait_until(lambda: quillo.output()[0], "the failed save to be told")

    _, settings = open_settings(desktop, quillo, note)
    desktop.input.click(rect(control(settings, ROLE_TEXT, "Файл, в который сохраняется заметка:")).centre)
    desktop.input.press("ctrl+a")
    desktop.input.type(str(other))
    desktop.input.click(rect(control(settings, ROLE_PUSH_BUTTON, "Закрыть")).centre)
    # The typing stays the note, merged with what the new file holds.
    merged = "typed\n" + theirs
    wait_until(lambda: other.exists() and other.read_text(encoding="utf-8") == merged, "the text in the new file")
    shows(text, merged, "the window to keep the text")
    assert quillo.stop() == 0
    told = [line for line in quillo.output()[0].splitlines() if "не удалось сохранить" not in line]
    assert told == [f"Quillo: заметка не сохранена в {plain}/notes.txt, её текст будет сохранён в {other}"]


@pytest.mark.parametrize("note, into_nothing, saved", [
    (b"already here\n", False, b"already here\nfirst second"),
    # Cut off in the middle of a character: moved aside by the first save, which says so on a broken pipe.
    (b"abc\xe2\x82", True, b"first second")], ids=["typed after the note", "cut-off note, output goes nowhere"])
def test_typing_is_saved_when_the_display_dies(tmp_path, monkeypatch, note, into_nothing, saved):
    # An X server of the test's own, which has no window manager: the hotkey shows the note. No reset when
    # the last client goes, as the hotkey probe's would race Quillo's first connection.
    server = subprocess.Popen(["Xvfb", "-displayfd", "1", "-nolisten", "tcp", "-noreset"], stdout=subprocess.PIPE,
                              stderr=subprocess.DEVNULL)
    wait_until(lambda: select.select([server.stdout], [], [], 0)[0], "Xvfb to start")
    monkeypatch.setenv("DISPLAY", ":" + server.stdout.readline().decode().strip())
    if into_nothing:  # standard output a pipe whose reader has exited
        (script := tmp_path / "into-nothing").write_text(
            f"#!/bin/bash\nexec {shlex.quote(os.environ['QUILLO_BINARY'])} > >(true)\n")
        script.chmod(0o755)
        monkeypatch.setenv("QUILLO_BINARY", str(script))
    quillo = Quillo(tmp_path / "home")
    quillo.note_path.parent.mkdir(parents=True)
    quillo.note_path.write_bytes(note)
    quillo.start()
    try:
        wait_until(lambda: not can_grab(ESCAPE, SUPER), "Quillo to hold its hotkey")
        (keys := Xdotool()).press("super+Escape")
        text = control(window(quillo, "Quillo"), ROLE_TEXT, "Заметка")
        wait_until(lambda: text.getState().contains(STATE_FOCUSED), "the note to take the keyboard")
        keys.type("first")
        wait_until(lambda: (on_disk(quillo.note_path) or b"").endswith(b"first"), "the first save")
        keys.type(" second")
        shows(text, saved.decode(), "the typing in the window")
        time.sleep(0.2)  # well inside the save delay: only a save at the display's end keeps " second"
        assert not quillo.note_path.read_bytes().endswith(b"second"), "saved before the display went"
        server.kill()
        assert quillo.wait() >= 0, "Quillo ended by a signal"
    finally:
        for process in (quillo.process, server):
            if process.poll() is None:
                process.kill()
            process.wait()
    assert quillo.note_path.read_bytes() == saved
    assert quillo.output()[1].splitlines() == ["The X11 connection broke (error 1). Did the X11 server die?"]
    aside = quillo.note_path.parent.glob("notes.txt.unreadable-*")
    assert [path.read_bytes() for path in aside] == ([note] if into_nothing else [])

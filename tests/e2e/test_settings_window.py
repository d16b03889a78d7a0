# SPDX-License-Identifier: GPL-3.0-or-later
"""The settings window, driven by real clicks and keys; its effects read back from the X server, the preferences
and the note files."""

import pytest
from pyatspi import (RELATION_LABELLED_BY, ROLE_COMBO_BOX, ROLE_FILLER, ROLE_LABEL, ROLE_PUSH_BUTTON, ROLE_SLIDER,
                     ROLE_SPIN_BUTTON, ROLE_TEXT)

from quillo_e2e import Point, control, open_settings, rect, run, show_note, wait_until
from x11 import ALT, CONTROL, ESCAPE, KEY_N, SUPER, OtherProgram, can_grab

RECORDER = "Открывать заметку по хоткею"  # the shortcut recorder's name
PROMPT = "Нажмите сочетание клавиш…"  # what it shows while armed
CONTROLS = [(ROLE_LABEL, "Настройки Quillo"), (ROLE_TEXT, "Файл, в который сохраняется заметка:"),
            (ROLE_PUSH_BUTTON, "Обзор…"), (ROLE_PUSH_BUTTON, "Цвет фона"), (ROLE_SLIDER, "Прозрачность"),
            (ROLE_SPIN_BUTTON, "Размер шрифта"), (ROLE_FILLER, RECORDER),
            (ROLE_PUSH_BUTTON, "Закрыть")]


def test_the_gear_opens_the_settings_centred_and_they_come_back_where_left(desktop, start):
    quillo = start()
    note, accessible_note = show_note(desktop, quillo, desktop.launched())
    note_frame = desktop.geometry(note)
    settings, accessible = open_settings(desktop, quillo, accessible_note)
    for role, name in CONTROLS:
        control(accessible, role, name)
    # On Linux a combo box's name is its current item: screen readers name it by the label it is labelled by.
    fonts = control(accessible, ROLE_COMBO_BOX, "Системный")
    labels = [r.getTarget(0) for r in fonts.getRelationSet() if r.getRelationType() == RELATION_LABELLED_BY]
    assert [label.name for label in labels] == ["Шрифт"]

    # Centred in the work area, give or take the window manager's frame; out of the taskbar; the note stays.
    shown = desktop.geometry(settings)
    left, right, top, bottom = desktop.frame_extents(settings)
    area = desktop.work_area()
    assert abs(shown.centre.x + (right - left) // 2 - area.centre.x) <= left + right + 1
    assert abs(shown.centre.y + (bottom - top) // 2 - area.centre.y) <= top + bottom + 1
    assert "_NET_WM_STATE_SKIP_TASKBAR" in desktop.states(settings)
    assert desktop.geometry(note) == note_frame

    # Moved by its title bar, closed with Escape, opened again: it is where the user left it, and the note stays.
    title_bar = Point(shown.x + 60, shown.y - top // 2)
    desktop.input.drag(title_bar, Point(title_bar.x - 250, title_bar.y - 120))
    wait_until(lambda: desktop.geometry(settings) == shown.moved(-250, -120), "the settings window to move")
    desktop.input.press("Escape")
    wait_until(lambda: not desktop.viewable(settings), "Escape to close the settings")
    assert desktop.viewable(note)
    settings, _ = open_settings(desktop, quillo, accessible_note)
    assert desktop.geometry(settings) == shown.moved(-250, -120)
    assert quillo.stop() == 0


def test_a_recorded_hotkey_works_at_once_and_after_a_restart(desktop, start):
    quillo = start()
    note, accessible_note = show_note(desktop, quillo, desktop.launched())
    _, accessible = open_settings(desktop, quillo, accessible_note)
    recorder = rect(control(accessible, ROLE_FILLER, RECORDER)).centre

    # Armed, the recorder lets go of the hotkey; left without a key, it takes it back.
    desktop.input.click(recorder)
    wait_until(lambda: can_grab(ESCAPE, SUPER), "the recorder to let go of the hotkey while armed")
    desktop.input.click(rect(control(accessible, ROLE_TEXT, "Файл, в который сохраняется заметка:")).centre)
    wait_until(lambda: not can_grab(ESCAPE, SUPER), "the hotkey to be taken back")

    # A new one works at once, from another program, and the old one is free.
    desktop.input.click(recorder)
    wait_until(lambda: can_grab(ESCAPE, SUPER), "the recorder to let go of the hotkey while armed")
    desktop.input.press("ctrl+alt+n")
    wait_until(lambda: quillo.hotkey() == ["45", "6144"], "Control+Alt+N to be recorded")
    assert can_grab(ESCAPE, SUPER)
    wait_until(lambda: not can_grab(KEY_N, CONTROL | ALT), "the new hotkey to be held")
    other = OtherProgram(desktop)
    desktop.activate(other.window)
    desktop.input.press("ctrl+alt+n")
    wait_until(lambda: not desktop.viewable(note), "the new hotkey to hide the note")
    desktop.input.press("ctrl+alt+n")
    wait_until(lambda: desktop.viewable(note), "the new hotkey to show the note")
    desktop.input.type("z")
    wait_until(lambda: quillo.note() == "z", "the typed key in the note file")
    other.close()

    # After a restart it is the hotkey still.
    assert quillo.stop() == 0
    wait_until(lambda: not desktop.tray_icons(), "the tray icon to go")
    start()
    desktop.launched(hotkey=(KEY_N, CONTROL | ALT))
    assert can_grab(ESCAPE, SUPER)
    desktop.input.press("ctrl+alt+n")
    desktop.window("Quillo")


@pytest.mark.parametrize("layout, locks, waiting, keys, stored, shown", [
    ("us", [], [], "Escape", ["53", "0"], "⎋"),
    ("us", [], [], "Tab", ["48", "0"], "⇥"),  # which would otherwise move the focus on
    ("us", [], [], "shift+Return", ["36", "512"], "⇧⏎"),  # while Return alone is the window's default button
    ("us", ["Caps_Lock"], [], "ctrl+a", ["0", "4096"], "⌃A"),
    ("us", [], ["shift", "Control_R", "super", "Caps_Lock", "Caps_Lock"], "shift+x", ["7", "512"], "⇧X"),
    ("us", [], [], "super+Escape", ["53", "256"], "⌘⎋"),  # the hotkey itself: recorded, the note not hidden
    ("ru", [], [], "super+Cyrillic_ef", ["0", "256"], "⌘Ф"),  # the key of A, named as the layout names it
], ids=["Escape", "Tab", "Shift+Return", "Caps Lock on", "modifiers and locks alone wait", "the hotkey", "ru"])
def test_the_recorder_records_the_next_combination(desktop, start, keyboard, layout, locks, waiting, keys, stored,
                                                   shown):
    run("setxkbmap", layout)
    for lock in locks:
        keyboard.press(lock)
    quillo = start()
    note, accessible_note = show_note(desktop, quillo, desktop.launched())
    _, accessible = open_settings(desktop, quillo, accessible_note)
    recorder = control(accessible, ROLE_FILLER, RECORDER)
    described = lambda: recorder.clearCache() or recorder.description  # what the field shows
    assert described() == "⌘⎋"

    desktop.input.click(rect(recorder).centre)
    wait_until(lambda: described() == PROMPT, "the recorder to arm")
    for key in waiting:
        keyboard.press(key)
    assert described() == PROMPT and quillo.hotkey() == [None, None]
    keyboard.press(keys)
    wait_until(lambda: described() == shown, f"{keys} to be recorded")
    assert quillo.hotkey() == stored
    assert desktop.viewable(note)
    assert quillo.stop() == 0


def test_a_chosen_file_becomes_the_note(desktop, start, tmp_path):
    other = tmp_path / "elsewhere/other.txt"
    other.parent.mkdir()
    other.write_text("Другая заметка", encoding="utf-8")
    quillo = start()
    icon = desktop.launched()
    note, accessible_note = show_note(desktop, quillo, icon)
    desktop.input.type("first note")
    wait_until(lambda: quillo.note() == "first note", "the typed text in the note file")
    settings, accessible = open_settings(desktop, quillo, accessible_note)

    # The save dialog, its name field in front: the whole path typed over the proposed name, then Return.
    desktop.input.click(rect(control(accessible, ROLE_PUSH_BUTTON, "Обзор…")).centre)
    dialog = desktop.window("Выберите файл для заметки")
    wait_until(lambda: desktop.focus() == dialog, "the file dialog to take the focus")
    desktop.input.press("ctrl+a")
    desktop.input.type(str(other))
    desktop.input.press("Return")
    wait_until(lambda: not desktop.viewable(dialog), "the file dialog to close")
    assert "notesFilePath" not in quillo.settings(), "chosen is not yet applied"

    # "Закрыть" applies it and closes the window; the old file keeps what it had.
    desktop.input.click(rect(control(accessible, ROLE_PUSH_BUTTON, "Закрыть")).centre)
    wait_until(lambda: not desktop.viewable(settings), "Закрыть to close the settings")
    assert quillo.settings()["notesFilePath"] == str(other)
    assert quillo.note() == "first note"

    # The note is now the other file's: shown again, what is typed lands at its end, in that file.
    desktop.input.click(icon.centre)
    wait_until(lambda: not desktop.viewable(note), "the tray click to hide the note")
    show_note(desktop, quillo, icon)
    desktop.input.type(" plus more")
    wait_until(lambda: other.read_text(encoding="utf-8") == "Другая заметка plus more", "the text in the chosen file")
    assert quillo.note() == "first note"
    assert quillo.stop() == 0

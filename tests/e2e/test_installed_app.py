# SPDX-License-Identifier: GPL-3.0-or-later
"""Quillo as `cmake --install` lays it out in a fresh prefix: the program its desktop entry starts runs on the
test desktop, puts its painted icon into the tray and quits cleanly."""

import configparser
import os

from quillo_e2e import run, wait_until
from x11 import paper


def test_the_desktop_entry_starts_quillo_into_the_tray(desktop, start, tmp_path, monkeypatch):
    prefix = tmp_path / "prefix"
    run(os.environ["CMAKE_COMMAND"], "--install", os.environ["QUILLO_BUILD_DIR"], "--prefix", prefix, timeout=120)
    entry = configparser.ConfigParser(interpolation=None)
    entry.read(prefix / f"share/applications/{os.environ['QUILLO_APP_ID']}.desktop", encoding="utf-8")
    program = entry["Desktop Entry"]["Exec"].split()[0]
    # A desktop starts Exec through PATH, on which the prefix's bin folder is.
    assert "/" not in program and os.access(prefix / "bin" / program, os.X_OK), program
    monkeypatch.setenv("QUILLO_BINARY", str(prefix / "bin" / program))

    quillo = start()
    icon = desktop.launched()
    # An icon whose image failed to load is an empty square of the panel's colour.
    wait_until(lambda: len(paper(icon)) >= 6, "the note icon painted in the tray")
    assert quillo.stop() == 0


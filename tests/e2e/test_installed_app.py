# SPDX-License-Identifier: GPL-3.0-or-later
"""Quillo as `cmake --install` lays it out in a fresh prefix, and as its Debian package installs on a bare system:
the program runs on the test desktop, puts its painted icon into the tray and quits cleanly."""

import configparser
import os
import platform
import re
import shutil
import tempfile
from pathlib import Path

import pytest

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


@pytest.mark.skipif(os.geteuid() != 0 or not shutil.which("debootstrap"),
                    reason="a clean Debian system of its own needs root and debootstrap")
def test_the_package_alone_brings_what_draws_the_tray_icon(desktop, start, tmp_path, monkeypatch):
    """Installed without recommends on a bare Debian of this release, as on a user's clean machine."""
    shared = Path(tempfile.mkdtemp(dir="/tmp"))  # that system sees the caller's /tmp
    cpack = Path(os.environ["CMAKE_COMMAND"]).with_name("cpack")
    run(cpack, "--config", Path(os.environ["QUILLO_BUILD_DIR"]) / "CPackConfig.cmake", "-G", "DEB", "-B", shared,
        timeout=300)
    deb = next(shared.glob("*.deb"))
    release = platform.freedesktop_os_release()["VERSION_CODENAME"]
    tree = [Path(__file__).parents[2] / "scripts/debian-tree", "--fresh", f"test-{os.getpid()}"]
    try:
        run(*tree, release, "--", "sh", "-c",
            f"apt-get update -qq && apt-get install -y -qq --no-install-recommends {deb} >/dev/null", timeout=600)
        # The sanitizers' suppressions, where the program in that system can read them.
        if "LSAN_OPTIONS" in os.environ:
            monkeypatch.setenv("LSAN_OPTIONS", re.sub(r"suppressions=[^:]*", f"suppressions={shared}/lsan.supp",
                                                      os.environ["LSAN_OPTIONS"]))
            shutil.copy(Path(__file__).parents[1] / "lsan.supp", shared)
        wrapper = tmp_path / "quillo"
        wrapper.write_text(f"#!/bin/sh\nexec {' '.join(map(str, tree))} {release} -- /usr/bin/quillo\n")
        wrapper.chmod(0o755)
        monkeypatch.setenv("QUILLO_BINARY", str(wrapper))
        quillo = start()
        icon = desktop.launched()
        wait_until(lambda: len(paper(icon)) >= 6, "the note icon painted in the tray")
        assert quillo.stop() == 0
    finally:
        run(*tree, "--remove", release)
        shutil.rmtree(shared)

# SPDX-License-Identifier: GPL-3.0-or-later
"""Quillo's Debian package installed without recommends on a bare Debian of this machine's release, as on a user's
clean machine: what it brings along is enough for the program to put its painted icon into the tray."""

import os
import platform
import shutil
import tempfile
from pathlib import Path

import pytest

from quillo_e2e import run, wait_until
from x11 import paper


@pytest.mark.skipif(os.geteuid() != 0 or not shutil.which("debootstrap"),
                    reason="a clean Debian system of its own needs root and debootstrap")
def test_the_package_alone_brings_what_draws_the_tray_icon(desktop, start, tmp_path, monkeypatch):
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
        wrapper = tmp_path / "quillo"
        wrapper.write_text(f"#!/bin/sh\nexec {' '.join(map(str, tree))} {release} -- /usr/bin/quillo\n")
        wrapper.chmod(0o755)
        monkeypatch.setenv("QUILLO_BINARY", str(wrapper))
        quillo = start()
        icon = desktop.launched()
        wait_until(lambda: len(paper(icon)) >= 6, "the note icon painted in the tray")
        assert quillo.stop() == 0
    finally:
        run(*tree, "--remove", release, timeout=300)
        shutil.rmtree(shared)

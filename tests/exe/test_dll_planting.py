"""A running runesuka.exe never looks in its own folder for a DLL: one planted there (on the
CD, in a download folder) stays unloaded, whoever in the process asks for it by bare name.

Runs under Wine with the harness of tests/wine (Xvfb, private prefix). The planted DLL and
the loader are built here with MinGW-w64 for the program's bitness. Skipped, naming what is
missing, without Wine, Xvfb, the ja_JP.UTF-8 locale or the MinGW-w64 C compiler; with
RUNESUKA_WINE_REQUIRED=1 (as in tests/wine) a missing prerequisite fails the test instead.
"""

from __future__ import annotations

import os
import shutil
import subprocess
import sys
from pathlib import Path

import pytest

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE.parent / "wine"))
from winehost import Registry, Unavailable, WineHost, check_prerequisites, pe_machine, why_not_runnable  # noqa: E402

COMPILERS = {"i686": "i686-w64-mingw32-gcc", "x86_64": "x86_64-w64-mingw32-gcc"}

# A name that exists nowhere but beside the program: only a search of its folder finds it.
PLANTED = "runesuka_planted.dll"
# System DLLs this Wine would take from a program's folder, and a later version of the
# program might well import (dark title bar, monitor DPI).
PLANTED_SYSTEM_NAMES = ("dwmapi.dll", "shcore.dll")


def unavailable(reason: str) -> None:
    if os.environ.get("RUNESUKA_WINE_REQUIRED") == "1":
        pytest.fail(reason, pytrace=False)
    pytest.skip(reason)


def build_tools(arch: str, out: Path) -> tuple[Path, Path]:
    compiler = COMPILERS[arch]
    if not shutil.which(compiler):
        unavailable(f"{compiler} is not installed")
    dll, loader = out / "planted.dll", out / "planted_loader.exe"
    flags = ["-O2", "-Wall", "-Wextra", "-Werror", "-static"]
    subprocess.run([compiler, *flags, "-shared", "-o", dll, HERE / "planted_dll.c"], check=True)
    subprocess.run([compiler, *flags, "-municode", "-o", loader, HERE / "planted_loader.c"], check=True)
    return dll, loader


def loaded_by(folder: Path) -> dict[str, list[str]]:
    """Planted DLL name -> the programs that loaded it, from the DLLs' marker files."""
    return {marker.name[:-len(".loaded")]: marker.read_text(encoding="utf-16-le").split()
            for marker in folder.glob("*.loaded")}


def clear_markers(folder: Path) -> None:
    for marker in folder.glob("*.loaded"):
        marker.unlink()


@pytest.fixture
def wine_session(program: Path, tmp_path: Path):
    """A Wine host for a copy of the program with planted DLLs beside it, and a control folder
    holding the loader with the same planted DLL beside it."""
    arch = pe_machine(program)
    reason = why_not_runnable(arch)
    if reason:
        pytest.skip(reason)
    try:
        check_prerequisites(arch)
    except Unavailable as error:
        unavailable(str(error))
    dll, loader = build_tools(arch, tmp_path)
    app, control = tmp_path / "app", tmp_path / "control"
    app.mkdir()
    control.mkdir()
    shutil.copy(program, app / "runesuka.exe")
    for name in (PLANTED, *PLANTED_SYSTEM_NAMES):
        shutil.copy(dll, app / name)
    shutil.copy(loader, control / loader.name)
    shutil.copy(dll, control / PLANTED)

    host = WineHost(app, (arch,), work_dir=tmp_path / "wine")
    try:
        host.start()
        yield host, app, control / loader.name
    finally:
        host.stop()


def test_program_folder_is_not_searched_for_dlls(wine_session):
    host, app, loader = wine_session
    control = loader.parent

    # The premise, on this Wine: a bare-name load finds the DLL in the loading program's
    # folder, and no longer does once the search is restricted to System32.
    rc, log = host.wine(str(loader), "load", PLANTED, tag="control-open")
    assert rc == 0 and list(loaded_by(control)) == [PLANTED], log
    clear_markers(control)
    rc, log = host.wine(str(loader), "load", PLANTED, "system32-only", tag="control-restricted")
    assert rc == 1 and loaded_by(control) == {}, log

    host.seed(Registry(access=(14,), excel=(12, 14), excel_curver="Excel.Application.14"), "planting")
    program = host.start_program("planting")
    try:
        # A thread of the program's process asks for the planted DLL once its window is up.
        rc, log = host.wine(str(loader), "inject", PLANTED, timeout=90, tag="inject")
        still_running = program.poll() is None
    finally:
        host.kill(program)
    assert rc != 2, f"the loader could not reach the program: {log}"
    assert still_running, "the program ended before the loader reached it"
    assert loaded_by(app) == {}, "planted DLLs were loaded"
    assert rc == 1

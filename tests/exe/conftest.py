"""The cross builds under test, one test per build folder.

Environment:
  RUNESUKA_BUILD_DIRS   build folders holding runesuka.exe, separated by ":" (os.pathsep);
                        relative to the current folder. Default: build/i686 and build/x86_64
                        of the repository.
A build folder without runesuka.exe skips its tests, naming the file. Checks that every
shipped executable must pass take the `programs` fixture: those of tools/shipped_programs.py
that the folder holds.
"""

from __future__ import annotations

import os
import sys
from pathlib import Path

import pytest

from pe_file import PeFile

REPO = Path(__file__).resolve().parents[2]
sys.path.insert(0, str(REPO / "tools"))
from shipped_programs import built_programs  # noqa: E402


def build_dirs() -> list[Path]:
    value = os.environ.get("RUNESUKA_BUILD_DIRS")
    if value:
        return [Path(part).resolve() for part in value.split(os.pathsep) if part]
    return [REPO / "build" / "i686", REPO / "build" / "x86_64"]


def pytest_generate_tests(metafunc):
    if "build_dir" in metafunc.fixturenames:
        folders = build_dirs()
        metafunc.parametrize("build_dir", folders, ids=[folder.name for folder in folders])


@pytest.fixture
def program(build_dir: Path) -> Path:
    path = build_dir / "runesuka.exe"
    if not path.is_file():
        pytest.skip(f"{path} is not built")
    return path


@pytest.fixture
def pe(program: Path) -> PeFile:
    return PeFile.from_path(program)


@pytest.fixture
def programs(program: Path) -> list[Path]:
    return built_programs(program.parent)

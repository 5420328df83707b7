"""Fixtures of the Wine window tests: one private Xvfb + Wine prefix per test session.

Environment:
  RUNESUKA_BUILD_DIR      build folder holding runesuka.exe, probe.exe and probe_hook.dll
                          (default build/i686 of the repository); relative to the current folder
  RUNESUKA_ARCH           i686 or x86_64: if set, the programs must have this bitness
  RUNESUKA_SUPPORT_PHONE  the support number the program was built with (default: read from the
                          build folder's CMakeCache.txt, else 000-000-0000)
  RUNESUKA_WINE_REQUIRED  1: a missing prerequisite fails the tests instead of skipping them
  RUNESUKA_KEEP_PREFIX    1: keep the temporary prefix and logs (their path is printed)
  RUNESUKA_NATIVE_BUILD_DIR  the native build holding runesuka-report, which reads regedit's
                          exports of the scenarios (default build/native of the repository)
"""

from __future__ import annotations

import os
import re
from pathlib import Path

import pytest

from winehost import REPO, Unavailable, WineHost, check_prerequisites, pe_machine, why_not_runnable


def build_dir() -> Path:
    value = os.environ.get("RUNESUKA_BUILD_DIR")
    return Path(value).resolve() if value else REPO / "build" / "i686"


def unavailable(reason: str):
    if os.environ.get("RUNESUKA_WINE_REQUIRED") == "1":
        pytest.fail(reason, pytrace=False)
    pytest.skip(reason)


def _check_binaries(folder: Path, names: tuple[str, ...]) -> str:
    """Returns the common bitness of the named PE files, or calls unavailable()."""
    machines = {}
    for name in names:
        path = folder / name
        if not path.exists():
            unavailable(f"{path} is not built")
        machines[name] = pe_machine(path)
    if len(set(machines.values())) != 1:
        unavailable(f"mixed bitness in {folder}: {machines}")
    arch = next(iter(machines.values()))
    wanted = os.environ.get("RUNESUKA_ARCH")
    if wanted and wanted != arch:
        unavailable(f"RUNESUKA_ARCH={wanted} but {folder} holds {arch} programs")
    return arch


def pytest_collection_modifyitems(items):
    """Where this host cannot run the programs under test, every test that runs them is skipped
    with the reason, also for CI: it is the host's kind, not a missing prerequisite."""
    probe = build_dir() / "probe.exe"
    arch = os.environ.get("RUNESUKA_ARCH") or (pe_machine(probe) if probe.exists() else None)
    reason = arch and why_not_runnable(arch)
    if reason:
        for item in items:
            if "wine_host" in item.fixturenames:
                item.add_marker(pytest.mark.skip(reason=reason))


@pytest.fixture(scope="session")
def wine_host():
    """Xvfb + prefix + persistent wineserver, with probe.exe, probe_hook.dll and regedit_export.exe
    available."""
    folder = build_dir()
    arch = _check_binaries(folder, ("probe.exe", "probe_hook.dll", "regedit_export.exe"))
    try:
        check_prerequisites(arch)
    except Unavailable as error:
        unavailable(str(error))
    host = WineHost(folder, (arch,))
    try:
        host.start()
    except Exception:
        host.stop()
        raise
    if os.environ.get("RUNESUKA_KEEP_PREFIX"):
        print(f"\nWine prefix and logs: {host.work}")
    yield host
    host.stop()


@pytest.fixture(scope="session")
def program(wine_host) -> Path:
    """The program under test; skips (or fails) cleanly while it is not built."""
    _check_binaries(wine_host.build_dir, ("runesuka.exe", "probe.exe", "probe_hook.dll"))
    return wine_host.program


@pytest.fixture(scope="session")
def support_phone() -> str:
    phone = os.environ.get("RUNESUKA_SUPPORT_PHONE")
    if phone:
        return phone
    cache = build_dir() / "CMakeCache.txt"
    if cache.exists():
        match = re.search(r"^RUNESUKA_SUPPORT_PHONE:\w+=(.*)$", cache.read_text(errors="replace"), re.M)
        if match:
            return match.group(1).strip()
    return "000-000-0000"


@pytest.fixture(scope="session")
def native_report() -> Path:
    """The natively built runesuka-report, for reading export files of the Wine registry."""
    value = os.environ.get("RUNESUKA_NATIVE_BUILD_DIR")
    path = (Path(value).resolve() if value else REPO / "build" / "native") / "runesuka-report"
    if not path.is_file():
        unavailable(f"{path} is not built (the native build)")
    return path

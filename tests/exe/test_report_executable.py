"""How runesuka-report.exe is linked: a console program that imports only system DLLs, with the
hardening, manifest rights and version resource of runesuka.exe under its own name.
Run: /usr/bin/python3 -m pytest tests/exe"""

from __future__ import annotations

from pathlib import Path

import pytest

import test_executable as program
import version_info
from pe_file import RT_VERSION, PeFile

SUBSYSTEM_WINDOWS_CUI = 3


@pytest.fixture
def report(build_dir: Path) -> PeFile:
    path = build_dir / "runesuka-report.exe"
    if not path.is_file():
        pytest.skip(f"{path} is not built")
    return PeFile.from_path(path)


def test_is_a_console_program(report: PeFile):
    # Run from a script or a management agent, it writes to the console or the redirection.
    assert report.subsystem == SUBSYSTEM_WINDOWS_CUI


def test_is_linked_like_the_program(report: PeFile, build_dir: Path):
    program.test_machine_matches_the_build(report, build_dir)
    program.test_loads_at_a_random_address_with_non_executable_data(report)
    program.test_imports_only_system_dlls(report)
    program.test_manifest_runs_as_invoker(report)


def test_version_resource_names_the_report(report: PeFile, build_dir: Path):
    root = version_info.parse(program.only_language(report.resources(), (RT_VERSION, 1)))
    ((language, code_page),) = version_info.translations(root)
    strings = version_info.string_tables(root)[f"{language:04X}{code_page:04X}"]
    assert (strings["ProductName"], strings["OriginalFilename"]) == ("ルネスカ", "runesuka-report.exe")
    file_version, _ = version_info.fixed_versions(root)
    expected = program.configured_version(build_dir)
    if expected is not None:
        assert file_version == (expected + (0, 0, 0, 0))[:4]

"""The typical scenario with Wine reporting an older Windows: Windows XP (Windows XP x64 for
the x86_64 build, whose oldest Windows that is) and Windows 7, in the session's prefix.

Wine still exports the newer functions when it reports an older Windows, so that alone takes
none of the program's fallbacks. The last test therefore runs a copy of the program in which
the name of every function it looks up that is newer than Windows XP is made unfindable: each
lookup then fails as it does on Windows XP, and the program restricts the DLL search with
SetDllDirectoryW and takes the system DPI (GetDeviceCaps) and AdjustWindowRectEx, here at
144 DPI so that a fallback stuck at 96 would show."""

from __future__ import annotations

from pathlib import Path

import pytest

import test_window as window
from winehost import pe_machine

# Wine's names of the Windows, and what `ver` then reports.
WINDOWS = {"i686": {"XP": "winxp", "7": "win7"}, "x86_64": {"XP": "winxp64", "7": "win7"}}
REPORTED = {"winxp": "5.1.2600", "winxp64": "5.2.3790", "win7": "6.1.7601"}

# Functions newer than Windows XP that the program looks up by name while it runs.
NEWER_THAN_XP = (b"SetDefaultDllDirectories", b"SetProcessDpiAwarenessContext", b"SetProcessDPIAware",
                 b"GetDpiForWindow", b"AdjustWindowRectExForDpi")

SCENARIO_CHECKS = (
    window.test_results_appear_and_program_keeps_running, window.test_controls_are_the_18_of_the_layout,
    window.test_visibility, window.test_geometry, window.test_fonts, window.test_edit_styles_and_colours,
    window.test_stacking_follows_stored_order, window.test_results_are_painted, window.test_top_window,
    window.test_no_input_method_window, window.test_every_line_is_whole_and_unwrapped,
    window.test_overlays_cover_only_blank_stretches,
)


def typical_case() -> window.Case:
    return next(c for c in window.CASES if c.name == "code_77")


@pytest.fixture
def reported_windows(wine_host, program):
    """Sets the Windows that Wine reports, by the registry value winecfg -v writes (winecfg
    refuses winxp in a 64-bit prefix, which Wine itself accepts), and clears it afterwards."""

    def report(windows: str) -> str:
        name = WINDOWS[pe_machine(program)][windows]
        wine_host.regedit(version_reg(f'"{name}"'), f"windows-{name}")
        rc, out = wine_host.wine("cmd", "/c", "ver", tag=f"ver-{name}")
        assert rc == 0 and f"Microsoft Windows {REPORTED[name]}" in out, out
        return name

    yield report
    wine_host.regedit(version_reg("-"), "windows-default")


def version_reg(value: str) -> str:
    return f'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Wine]\r\n"Version"={value}\r\n'


@pytest.mark.parametrize("windows", ["XP", "7"])
def test_typical_scenario_on_an_older_windows(wine_host, program, reported_windows, support_phone, windows):
    case = typical_case()
    name = reported_windows(windows)
    run = wine_host.run_scenario(f"code_77_{name}", case.registry)
    if not run.dump:
        pytest.fail(f"probe read nothing (exit {run.probe_rc}): {run.probe_stderr.strip()}", pytrace=False)
    for check in SCENARIO_CHECKS:
        check((case, run))
    window.test_texts((case, run), support_phone)


def without_newer_functions(program: Path, folder: Path) -> Path:
    data = bytearray(program.read_bytes())
    for name in NEWER_THAN_XP:
        whole = b"\0" + name + b"\0"
        assert data.count(whole) == 1, f"{name.decode()} is not named once in {program.name}"
        at = data.find(whole) + 1
        data[at:at + len(name)] = name[:-1] + b"~"
    copy = folder / program.name
    copy.write_bytes(bytes(data))
    return copy


def test_fallbacks_where_the_newer_functions_are_missing(wine_host, program, reported_windows, tmp_path):
    case = typical_case()
    copy = without_newer_functions(program, tmp_path)
    name = reported_windows("XP")
    wine_host.set_dpi(144)
    try:
        run = wine_host.run_scenario(f"code_77_{name}_fallbacks_144dpi", case.registry, program=copy)
    finally:
        wine_host.set_dpi(96)
    window.check_layout_at(run, case, 144)
    window.test_results_appear_and_program_keeps_running((case, run))
    window.test_results_are_painted((case, run))

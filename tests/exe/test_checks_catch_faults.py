"""Each check of test_executable.py rejects a copy of the built program with the one fault it
is there to catch, so that a parser reading the wrong bytes cannot pass unnoticed."""

from __future__ import annotations

import struct
from pathlib import Path
from typing import Callable

import pytest

import test_executable as checks
import test_imports
from pe_file import DIR_BASERELOC, DLL_DYNAMIC_BASE, DLL_NX_COMPAT, RT_GROUP_ICON, PeFile


def optional_header(data: bytes) -> int:
    return struct.unpack_from("<I", data, 0x3C)[0] + 24


def clear_dll_flag(flag: int) -> Callable[[bytearray], None]:
    def mutate(data: bytearray) -> None:
        at = optional_header(data) + 70
        struct.pack_into("<H", data, at, struct.unpack_from("<H", data, at)[0] & ~flag)

    return mutate


def console_subsystem(data: bytearray) -> None:
    struct.pack_into("<H", data, optional_header(data) + 68, 3)


def drop_relocations(data: bytearray) -> None:
    pe = PeFile(bytes(data))
    directories = optional_header(data) + (112 if pe.is_pe32_plus else 96)
    struct.pack_into("<II", data, directories + 8 * DIR_BASERELOC, 0, 0)


def replace(old: bytes, new: bytes) -> Callable[[bytearray], None]:
    assert len(old) == len(new), "a same-length replacement keeps every offset"

    def mutate(data: bytearray) -> None:
        at = data.find(old)
        assert at >= 0, f"{old!r} is not in the program"
        data[at:at + len(old)] = new

    return mutate


def icon_group_count(group_id: int, count: int) -> Callable[[bytearray], None]:
    def mutate(data: bytearray) -> None:
        (group,) = PeFile(bytes(data)).resources()[(RT_GROUP_ICON, group_id)].values()
        struct.pack_into("<H", data, data.find(group) + 4, count)

    return mutate


def subsystem_version(major: int, minor: int) -> Callable[[bytearray], None]:
    def mutate(data: bytearray) -> None:
        struct.pack_into("<HH", data, optional_header(data) + 48, major, minor)

    return mutate


def bump_file_version(data: bytearray) -> None:
    # dwFileVersionMS follows the signature and the structure version.
    at = data.find(struct.pack("<I", 0xFEEF04BD)) + 8
    struct.pack_into("<I", data, at, struct.unpack_from("<I", data, at)[0] + 0x10000)


def check_icon_group_1(pe: PeFile) -> None:
    checks.test_icon_group_holds_its_images(pe, 1, checks.ICON_GROUPS[1])


FAULTS = {
    "no-aslr": (clear_dll_flag(DLL_DYNAMIC_BASE), checks.test_loads_at_a_random_address_with_non_executable_data),
    "no-dep": (clear_dll_flag(DLL_NX_COMPAT), checks.test_loads_at_a_random_address_with_non_executable_data),
    "relocations-dropped": (drop_relocations, checks.test_loads_at_a_random_address_with_non_executable_data),
    "console-program": (console_subsystem, checks.test_is_a_windows_gui_program),
    "imports-a-runtime-dll": (replace(b"USER32.dll", b"libgcc.dll"), checks.test_imports_only_system_dlls),
    "no-dll-search-restriction": (replace(b"SetDefaultDllDirectories", b"SetDefaultDllDirectorieZ"),
                                  checks.test_restricts_the_dll_search_where_windows_offers_it),
    "no-dll-search-fallback": (replace(b"SetDllDirectoryW", b"SetDllDirectoryX"),
                               checks.test_restricts_the_dll_search_where_windows_offers_it),
    # A static import of a Windows 10 function: the program would not start on XP, Vista, 7 or 8.
    "imports-a-windows-10-function": (replace(b"GetMonitorInfoW", b"GetDpiForWindow"), test_imports.check_imports),
    "header-asks-for-vista": (subsystem_version(6, 0), test_imports.check_header_version),
    "requires-administrator": (replace(b'"asInvoker"', b'"asInvokeR"'), checks.test_manifest_runs_as_invoker),
    "system-dpi-aware": (replace(b"PerMonitorV2", b"PerMonitorXX"), checks.test_manifest_is_per_monitor_v2_dpi_aware),
    "old-common-controls": (replace(b'version="6.0.0.0"', b'version="5.8.0.0"'),
                            checks.test_manifest_asks_for_common_controls_6),
    "icon-image-missing": (icon_group_count(1, 2), check_icon_group_1),
}


@pytest.mark.parametrize("fault", FAULTS)
def test_check_rejects_the_fault(program: Path, fault: str):
    mutate, check = FAULTS[fault]
    data = bytearray(program.read_bytes())
    check(PeFile(bytes(data)))  # the built program passes...
    mutate(data)
    with pytest.raises(AssertionError):
        check(PeFile(bytes(data)))  # ...and the faulty copy does not


def test_version_check_sees_a_changed_version(program: Path, build_dir: Path):
    if checks.configured_version(build_dir) is None:
        pytest.skip(f"{build_dir} has no CMakeCache.txt naming the project version")
    data = bytearray(program.read_bytes())
    bump_file_version(data)
    with pytest.raises(AssertionError):
        checks.check_version(PeFile(bytes(data)), build_dir)


def test_version_check_sees_a_manifest_of_another_version(program: Path, build_dir: Path):
    data = bytearray(program.read_bytes())
    replace(b'name="Runesuka" version="1.', b'name="Runesuka" version="7.')(data)
    with pytest.raises(AssertionError):
        checks.check_version(PeFile(bytes(data)), build_dir)


@pytest.mark.parametrize("line", [
    "user32.dll | GetDpiForWindow | Windows 10 | https://learn.microsoft.com/en-us/windows/win32/api/winuser/nf-winuser-getdpiforwindow",
    "kernel32.dll | SetDefaultDllDirectories | Windows XP | my memory",
    "kernel32.dll | Sleep | Windows XP",
    "kernel32.dll | Sleep | Windows XP | https://learn.microsoft.com/en-us/windows/win32/api/synchapi/nf-synchapi-sleep",
])
def test_function_list_rejects_a_bad_line(line: str):
    # The last line lists Sleep a second time.
    text = test_imports.FUNCTION_LIST.read_text(encoding="utf-8") + line + "\n"
    with pytest.raises(ValueError):
        test_imports.read_function_list(text)

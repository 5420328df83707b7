"""Every executable the build makes starts on Windows XP SP3 (the x86_64 build on Windows XP
x64): Windows refuses to start a program that imports a function it lacks, or whose header
asks for a newer Windows, before any of the program's code runs. The functions checked to
exist there, each with its documented minimum Windows and where that is documented, are
listed in functions_on_windows_xp.txt."""

from __future__ import annotations

import dataclasses
from pathlib import Path

from pe_file import MACHINE_AMD64, MACHINE_I386, PeFile

FUNCTION_LIST = Path(__file__).with_name("functions_on_windows_xp.txt")

OLDEST_WINDOWS = {
    MACHINE_I386: {"Windows NT 4.0", "Windows 2000", "Windows XP", "Windows XP SP1", "Windows XP SP2", "Windows XP SP3"},
}
# The first 64-bit Windows of the same kind: everything of 32-bit XP, and what XP x64 added.
OLDEST_WINDOWS[MACHINE_AMD64] = OLDEST_WINDOWS[MACHINE_I386] | {"Windows XP x64"}

# (major, minor) of the PE header's OS and subsystem versions: Windows XP; Windows XP x64.
HEADER_VERSION = {MACHINE_I386: (5, 1), MACHINE_AMD64: (5, 2)}

SOURCES = ("https://learn.microsoft.com/", "mingw-w64 ", "reactos ")


@dataclasses.dataclass(frozen=True)
class Checked:
    dll: str
    function: str
    minimum: str
    source: str


def read_function_list(text: str) -> dict[tuple[str, str], Checked]:
    """(lower-case DLL, function) -> its line. Rejects a malformed line, a function listed
    twice, a minimum newer than Windows XP x64 and a line without its source."""
    checked: dict[tuple[str, str], Checked] = {}
    for number, line in enumerate(text.splitlines(), 1):
        if not line.strip() or line.startswith("#"):
            continue
        fields = [field.strip() for field in line.split(" | ")]
        if len(fields) != 4 or not all(fields):
            raise ValueError(f"line {number}: want 'DLL | function | minimum Windows | source': {line!r}")
        entry = Checked(fields[0].lower(), *fields[1:])
        if entry.minimum not in OLDEST_WINDOWS[MACHINE_AMD64]:
            raise ValueError(f"line {number}: {entry.function} needs {entry.minimum}, newer than the programs allow")
        if not entry.source.startswith(SOURCES):
            raise ValueError(f"line {number}: {entry.function} has no documentation named: {entry.source!r}")
        key = (entry.dll, entry.function)
        if key in checked:
            raise ValueError(f"line {number}: {entry.dll} {entry.function} is listed twice")
        checked[key] = entry
    return checked


def imports_missing_on_oldest_windows(pe: PeFile, checked: dict[tuple[str, str], Checked]) -> list[str]:
    allowed = OLDEST_WINDOWS[pe.machine]
    problems = []
    for table in (pe.imports(), pe.delay_imports()):
        for dll, functions in table.items():
            for function in functions:
                entry = checked.get((dll.lower(), function))
                if entry is None:
                    problems.append(f"{dll} {function} is not on {FUNCTION_LIST.name}")
                elif entry.minimum not in allowed:
                    problems.append(f"{dll} {function} needs {entry.minimum}")
    return problems


def check_imports(pe: PeFile, name: str = "the program") -> None:
    problems = imports_missing_on_oldest_windows(pe, read_function_list(FUNCTION_LIST.read_text(encoding="utf-8")))
    # A function that may be missing there is looked up while the program runs instead.
    assert problems == [], f"{name}: {problems}"


def check_header_version(pe: PeFile, name: str = "the program") -> None:
    wanted = HEADER_VERSION[pe.machine]
    assert (pe.os_version, pe.subsystem_version) == (wanted, wanted), \
        f"{name}: OS version {pe.os_version}, subsystem version {pe.subsystem_version}, want {wanted}"


def test_function_list_is_well_formed():
    assert len(read_function_list(FUNCTION_LIST.read_text(encoding="utf-8"))) > 0


def test_every_import_exists_on_the_oldest_windows(programs: list[Path]):
    for program in programs:
        check_imports(PeFile.from_path(program), program.name)


def test_header_lets_the_oldest_windows_load_it(programs: list[Path]):
    for program in programs:
        check_header_version(PeFile.from_path(program), program.name)

"""How the shipped runesuka.exe is linked: hardening flags, what it imports, and the
resources Windows reads from the file before the program runs.
Run: /usr/bin/python3 -m pytest tests/exe"""

from __future__ import annotations

import re
import struct
import xml.etree.ElementTree as ET
from pathlib import Path

import pytest

import version_info
from pe_file import (DLL_DYNAMIC_BASE, DLL_HIGH_ENTROPY_VA, DLL_NX_COMPAT, FILE_RELOCS_STRIPPED, MACHINE_AMD64,
                     MACHINE_I386, RT_GROUP_ICON, RT_ICON, RT_MANIFEST, RT_VERSION, SUBSYSTEM_WINDOWS_GUI, PeFile)

MACHINE_OF_BUILD = {"i686": MACHINE_I386, "x86_64": MACHINE_AMD64}

# KnownDLLs and the C runtime's API sets: Windows takes these from the system, never from
# the program's folder, so a same-named DLL beside the program (on a CD, in a download
# folder) cannot stand in for them. The C++ runtime must be linked in, not imported.
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "imm32.dll", "advapi32.dll", "msvcrt.dll"}
SYSTEM_DLL_PATTERN = re.compile(r"api-ms-win-crt-[a-z0-9-]+\.dll")

ASM_V1 = "{urn:schemas-microsoft-com:asm.v1}"
ASM_V3 = "{urn:schemas-microsoft-com:asm.v3}"
# Windows reads dpiAwareness only in this namespace and ignores the element elsewhere.
WINDOWS_SETTINGS_2016 = "{http://schemas.microsoft.com/SMI/2016/WindowsSettings}"

# Group icon ID -> number of images: the program icon (32 px monochrome and colour, 16 px),
# the warning mark and its red variant (32 and 16 px each).
ICON_GROUPS = {1: 3, 2: 2, 3: 2}


def only_language(resources: dict, key: tuple) -> bytes:
    assert key in resources, f"resource {key} is missing"
    (data,) = resources[key].values()
    return data


def test_machine_matches_the_build(pe: PeFile, build_dir: Path):
    expected = MACHINE_OF_BUILD.get(build_dir.name)
    if expected is None:
        assert pe.machine in MACHINE_OF_BUILD.values(), hex(pe.machine)
    else:
        assert pe.machine == expected, f"{build_dir.name} holds a {pe.machine:#x} program"
    assert pe.is_pe32_plus == (pe.machine == MACHINE_AMD64)


def test_is_a_windows_gui_program(pe: PeFile):
    # A console-subsystem program would open a console window beside its own.
    assert pe.subsystem == SUBSYSTEM_WINDOWS_GUI


def test_loads_at_a_random_address_with_non_executable_data(pe: PeFile):
    wanted = DLL_DYNAMIC_BASE | DLL_NX_COMPAT | (DLL_HIGH_ENTROPY_VA if pe.is_pe32_plus else 0)
    assert pe.dll_characteristics & wanted == wanted, f"DllCharacteristics {pe.dll_characteristics:#06x}"
    # ASLR needs the relocations: without them Windows loads the image at its fixed base.
    assert not pe.characteristics & FILE_RELOCS_STRIPPED
    assert ".reloc" in [section.name for section in pe.sections]
    assert pe.relocation_count() > 0


def test_imports_only_system_dlls(pe: PeFile):
    dlls = {name.lower() for name in [*pe.imports(), *pe.delay_imports()]}
    foreign = sorted(name for name in dlls if name not in SYSTEM_DLLS and not SYSTEM_DLL_PATTERN.fullmatch(name))
    assert not foreign, f"imports DLLs that are not part of Windows: {foreign}"
    assert "kernel32.dll" in dlls


def test_restricts_the_dll_search_where_windows_offers_it(pe: PeFile):
    # SetDefaultDllDirectories is missing on Windows XP and on Windows 7 without KB2533623:
    # imported, it would keep the program from starting there, so it is looked up by name
    # while the program runs, SetDllDirectoryW standing in where it is missing.
    kernel32 = next(functions for name, functions in pe.imports().items() if name.lower() == "kernel32.dll")
    assert "SetDefaultDllDirectories" not in kernel32
    assert b"\0SetDefaultDllDirectories\0" in pe.data
    assert "SetDllDirectoryW" in kernel32


def manifest(pe: PeFile) -> ET.Element:
    # ID 1 (CREATEPROCESS_MANIFEST_RESOURCE_ID) is the one Windows applies to the process.
    return ET.fromstring(only_language(pe.resources(), (RT_MANIFEST, 1)))


def test_manifest_runs_as_invoker(pe: PeFile):
    levels = manifest(pe).findall(f".//{ASM_V3}requestedExecutionLevel")
    assert [(level.get("level"), level.get("uiAccess", "false")) for level in levels] == [("asInvoker", "false")]


def test_manifest_is_per_monitor_v2_dpi_aware(pe: PeFile):
    settings = manifest(pe).findall(f".//{WINDOWS_SETTINGS_2016}dpiAwareness")
    assert len(settings) == 1
    assert settings[0].text.split(",")[0].strip() == "PerMonitorV2"


def test_manifest_asks_for_common_controls_6(pe: PeFile):
    identities = manifest(pe).findall(f"{ASM_V1}dependency/{ASM_V1}dependentAssembly/{ASM_V1}assemblyIdentity")
    controls = [i for i in identities if i.get("name") == "Microsoft.Windows.Common-Controls"]
    assert len(controls) == 1
    assert controls[0].get("version", "").startswith("6.0.")
    assert controls[0].get("publicKeyToken") == "6595b64144ccf1df"


@pytest.mark.parametrize("group_id, image_count", ICON_GROUPS.items())
def test_icon_group_holds_its_images(pe: PeFile, group_id: int, image_count: int):
    resources = pe.resources()
    group = only_language(resources, (RT_GROUP_ICON, group_id))
    reserved, kind, count = struct.unpack_from("<HHH", group, 0)
    assert (reserved, kind, count) == (0, 1, image_count)
    sizes = set()
    for i in range(count):
        width, height, _, _, _, _, size, icon_id = struct.unpack_from("<BBBBHHIH", group, 6 + 14 * i)
        sizes.add((width, height))
        # Each entry names an RT_ICON resource holding exactly the bytes it announces.
        assert len(only_language(resources, (RT_ICON, icon_id))) == size, f"icon {icon_id}"
    # 16 px for the title bar and task bar, 32 px for Alt+Tab and the file's icon.
    assert sizes == {(16, 16), (32, 32)}


def configured_version(build_dir: Path) -> tuple[int, ...] | None:
    cache = build_dir / "CMakeCache.txt"
    match = cache.exists() and re.search(r"^CMAKE_PROJECT_VERSION:\w+=([\d.]+)$", cache.read_text(errors="replace"), re.M)
    return tuple(int(part) for part in match.group(1).split(".")) if match else None


def check_version(pe: PeFile, build_dir: Path, name: str = "runesuka.exe") -> None:
    root = version_info.parse(only_language(pe.resources(), (RT_VERSION, 1)))
    assert root.key == "VS_VERSION_INFO"
    file_version, product_version = version_info.fixed_versions(root)
    assert file_version == product_version
    # Explorer looks the strings up under the language and code page that Translation names.
    ((language, code_page),) = version_info.translations(root)
    strings = version_info.string_tables(root)[f"{language:04X}{code_page:04X}"]
    assert strings["ProductName"] == "ルネスカ"
    # Signing tools and Explorer compare it with the file's name.
    assert strings["OriginalFilename"] == name
    assert strings["FileVersion"] == ".".join(map(str, file_version[:3]))
    if (RT_MANIFEST, 1) in pe.resources():
        assert manifest(pe).find(f"{ASM_V1}assemblyIdentity").get("version") == ".".join(map(str, file_version))
    expected = configured_version(build_dir)
    if expected is not None:
        assert file_version == (expected + (0, 0, 0, 0))[:4]


def test_version_resource_carries_the_project_version(programs: list[Path], build_dir: Path):
    for program in programs:
        check_version(PeFile.from_path(program), build_dir, program.name)

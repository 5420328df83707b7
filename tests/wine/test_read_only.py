"""The program only reads the registry: a whole-registry export before and after one run of it
is the same, apart from what Wine itself rewrites whenever a window program starts."""

from __future__ import annotations

import re

from winehost import Registry, windows_path

TYPICAL = Registry(access=(14,), excel=(12, 14), excel_curver="Excel.Application.14")

# What Wine rewrites on its own, found by exporting around the probe and other window
# programs run without ours: (key pattern, value names or None for any, kinds of change, why).
CONTROL = r"HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\"
DISPLAY_CLASS = CONTROL + r"Class\\\{4D36E968-E325-11CE-BFC1-08002BE10318\}\\\d{4}"
VIDEO_KEY = CONTROL + r"Video\\\{[0-9a-f-]{36}\}"
WINE_REWRITES = [
    (DISPLAY_CLASS, {"DriverDate", "DriverDateData"}, {"value written"},
     "every window program refreshes the display adapter's driver date when it reads the monitors"),
    (VIDEO_KEY + r"\\\d{4}", {"DriverDate", "DriverDateData"}, {"value written"},
     "the same adapter values, seen again through the adapter's link under Control\\Video"),
    (VIDEO_KEY + r"(\\\d{4})?", None, {"key created", "value in new key"},
     "Wine's desktop quits with the last window and, started again by the next one, registers "
     "its display driver under a new GUID"),
]


def parse_export(text: str) -> dict[str, dict[str, str]]:
    """{key: {value name: data}} from a regedit export; '@' names the default value."""
    keys: dict[str, dict[str, str]] = {}
    values: dict[str, str] | None = None
    pending = ""
    for line in text.splitlines():
        line = pending + line
        if line.endswith("\\") and values is not None and not line.startswith("["):
            pending = line[:-1] + "\n"  # data continues on the next line
            continue
        pending = ""
        if line.startswith("[") and line.endswith("]"):
            values = keys.setdefault(line[1:-1], {})
        elif values is not None and line:
            name, data = split_value(line)
            values[name] = data
    return keys


def split_value(line: str) -> tuple[str, str]:
    if line.startswith("@="):
        return "@", line[2:]
    match = re.match(r'"((?:[^"\\]|\\.)*)"=', line, re.S)
    if not match:
        raise ValueError(f"not a value line: {line[:80]!r}")
    return re.sub(r"\\(.)", r"\1", match.group(1)), line[match.end():]


def differences(before: dict, after: dict) -> list[tuple[str, str | None, str]]:
    """(key, value name or None for the key itself, what happened)."""
    found = []
    for key in before.keys() - after.keys():
        found.append((key, None, "key deleted"))
    for key in after.keys() - before.keys():
        found.append((key, None, "key created"))
        found += [(key, name, "value in new key") for name in after[key]]
    for key in before.keys() & after.keys():
        old, new = before[key], after[key]
        for name in old.keys() | new.keys():
            if name not in new:
                found.append((key, name, "value deleted"))
            elif old.get(name) != new[name]:
                found.append((key, name, "value written"))
    return sorted(found, key=lambda d: (d[0], d[1] or ""))


def rewritten_by_wine(difference: tuple[str, str | None, str]) -> bool:
    key, name, kind = difference
    for pattern, names, kinds, _why in WINE_REWRITES:
        if re.fullmatch(pattern, key, re.I) and (names is None or name in names) and kind in kinds:
            return True
    return False


def export_registry(wine_host, name: str) -> dict:
    path = wine_host.work / f"{name}.reg"
    path.unlink(missing_ok=True)
    # Without a key, regedit exports HKEY_LOCAL_MACHINE and HKEY_USERS, which hold every other
    # root. It answers 0 even when it fails, so the file is what tells.
    wine_host.wine("regedit", "/e", windows_path(path), timeout=120, tag=f"export-{name}")
    assert path.exists(), f"regedit wrote no export to {path}"
    keys = parse_export(path.read_bytes().decode("utf-16"))
    assert any(k.startswith("HKEY_LOCAL_MACHINE\\Software\\Classes\\Excel.Application.14") for k in keys), \
        "the export lacks the seeded keys"
    return keys


def test_the_program_writes_nothing_to_the_registry(wine_host, program):
    wine_host.seed(TYPICAL, "read-only")
    before = export_registry(wine_host, "before")

    proc = wine_host.start_program("read-only")
    try:
        rc, data, err = wine_host.dump()
        assert rc == 0 and data, f"the window did not appear: {err}"
        wine_host.probe_cmd("sc-close")
        exit_code = wine_host.wait_exit(proc, 10)
    finally:
        wine_host.kill(proc)
    assert exit_code == 0

    after = export_registry(wine_host, "after")
    written = [d for d in differences(before, after) if not rewritten_by_wine(d)]
    assert not written, "the registry changed:\n" + "\n".join(
        f"  {kind}: {key}" + (f" -> {name}" if name else "") for key, name, kind in written)


def test_the_comparison_sees_every_kind_of_change():
    before = parse_export('Windows Registry Editor Version 5.00\r\n\r\n'
                          '[HKEY_CURRENT_USER\\Kept]\r\n"Same"="1"\r\n"Changed"=hex:01,\\\r\n  02\r\n'
                          '"Gone"=dword:00000001\r\n\r\n[HKEY_CURRENT_USER\\Removed]\r\n')
    after = parse_export('Windows Registry Editor Version 5.00\r\n\r\n'
                         '[HKEY_CURRENT_USER\\Kept]\r\n"Same"="1"\r\n"Changed"=hex:01,\\\r\n  03\r\n'
                         '@="new default"\r\n\r\n[HKEY_CURRENT_USER\\Added]\r\n"Quote \\" in name"="x"\r\n')
    assert differences(before, after) == [
        ("HKEY_CURRENT_USER\\Added", None, "key created"),
        ("HKEY_CURRENT_USER\\Added", 'Quote " in name', "value in new key"),
        ("HKEY_CURRENT_USER\\Kept", "@", "value written"),
        ("HKEY_CURRENT_USER\\Kept", "Changed", "value written"),
        ("HKEY_CURRENT_USER\\Kept", "Gone", "value deleted"),
        ("HKEY_CURRENT_USER\\Removed", None, "key deleted"),
    ]


def test_only_wines_own_rewrites_are_forgiven():
    control = "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\"
    adapter = control + "Class\\{4D36E968-E325-11CE-BFC1-08002BE10318}\\0000"
    video = control + "Video\\{6f52a3d9-bc90-44ce-9ac6-22f262afa4b9}"
    assert rewritten_by_wine((adapter, "DriverDateData", "value written"))
    assert rewritten_by_wine((video + "\\0000", "GraphicsDriver", "value in new key"))
    assert rewritten_by_wine((video, None, "key created"))
    assert not rewritten_by_wine((video + "\\0000", "GraphicsDriver", "value written"))
    assert not rewritten_by_wine((video + "\\0000", "DriverDesc", "value written"))
    assert not rewritten_by_wine((adapter, "DriverDesc", "value written"))
    assert not rewritten_by_wine((adapter + "\\Settings", "DriverDate", "value written"))
    assert not rewritten_by_wine(("HKEY_LOCAL_MACHINE\\Software\\Classes\\Excel.Application\\CurVer", "@",
                                  "value written"))
    assert not rewritten_by_wine((video + "\\0000\\Extra", None, "key created"))

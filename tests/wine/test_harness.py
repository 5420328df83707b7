"""Self-tests of the harness: they need Wine and the probe, not the program under test."""

from __future__ import annotations

import subprocess

from winehost import CLSID, Registry, windows_path, write_reg


def test_registry_text_clears_then_writes():
    text = Registry(access=(14,), excel=(12, 14), excel_curver="Excel.Application.14",
                    raw=("[HKEY_CLASSES_ROOT\\X]",)).reg_text()
    lines = text.split("\r\n")
    assert lines[0] == "Windows Registry Editor Version 5.00"
    for product in ("Access", "Excel"):
        assert f"[-HKEY_CLASSES_ROOT\\{product}.Application]" in lines
        for n in range(7, 17):
            assert f"[-HKEY_CLASSES_ROOT\\{product}.Application.{n}]" in lines
    first_write = lines.index("[HKEY_CLASSES_ROOT\\Access.Application.14\\CLSID]")
    assert max(i for i, line in enumerate(lines) if line.startswith("[-")) < first_write
    assert lines[first_write + 1] == f'@="{CLSID["Access"]}"'
    assert "[HKEY_CLASSES_ROOT\\Excel.Application.12\\CLSID]" in lines
    assert "[HKEY_CLASSES_ROOT\\Access.Application\\CurVer]" not in lines
    assert lines[lines.index("[HKEY_CLASSES_ROOT\\Excel.Application\\CurVer]") + 1] == '@="Excel.Application.14"'
    assert "[HKEY_CLASSES_ROOT\\X]" in lines


def test_reg_file_is_utf16_with_bom(tmp_path):
    path = tmp_path / "x.reg"
    write_reg(path, "A\nＭＳ Ｐゴシック\n")
    data = path.read_bytes()
    assert data[:2] == b"\xff\xfe"
    assert data[2:].decode("utf-16-le") == "A\r\nＭＳ Ｐゴシック\r\n"


def reg_default(host, key: str) -> str | None:
    """The unnamed value of an HKCR key as `reg query` shows it, None if the key is missing."""
    rc, out = host.wine("reg", "query", f"HKEY_CLASSES_ROOT\\{key}", "/ve", tag="reg-query")
    if rc != 0:
        return None
    for line in out.splitlines():
        parts = line.split(None, 2)
        if len(parts) == 3 and parts[1] == "REG_SZ":
            return parts[2].strip()
        if len(parts) == 2 and parts[1] == "REG_SZ":
            return ""
    return None


def test_scenario_replaces_the_previous_one(wine_host):
    wine_host.seed(Registry(access=(11, 14), excel=(12,), access_curver="Access.Application.14"), "self-a")
    assert reg_default(wine_host, "Access.Application.11\\CLSID") == CLSID["Access"]
    assert reg_default(wine_host, "Access.Application\\CurVer") == "Access.Application.14"
    wine_host.seed(Registry(excel=(16,), excel_curver="accdb_auto_file"), "self-b")
    assert reg_default(wine_host, "Access.Application.11\\CLSID") is None
    assert reg_default(wine_host, "Access.Application\\CurVer") is None
    assert reg_default(wine_host, "Excel.Application.12\\CLSID") is None
    assert reg_default(wine_host, "Excel.Application.16\\CLSID") == CLSID["Excel"]
    assert reg_default(wine_host, "Excel.Application\\CurVer") == "accdb_auto_file"
    wine_host.seed(Registry(), "self-empty")
    assert reg_default(wine_host, "Excel.Application.16\\CLSID") is None


def test_probe_fails_cleanly_without_the_window(wine_host, tmp_path):
    out = tmp_path / "dump.json"
    rc, err = wine_host.probe_cmd("dump", windows_path(out), "--timeout-ms", "300")
    assert rc == 2
    assert "RunesukaForm1" in err
    assert not out.exists()
    rc, err = wine_host.probe_cmd("click-end", "--timeout-ms", "300")
    assert rc == 2


def test_wine_runs_with_the_japanese_code_page(wine_host):
    # GetACP() is 932 only when the ja_JP.UTF-8 locale really exists.
    rc, out = wine_host.probe_cmd("acp")
    assert rc == 0 and out.split() == ["932"], out


def test_screenshot_is_a_png(wine_host):
    png = wine_host.screenshot("harness-self-test")
    try:
        assert png.read_bytes()[:8] == b"\x89PNG\r\n\x1a\n"
        size = subprocess.run(["identify", "-format", "%wx%h", str(png)], capture_output=True, text=True)
        assert size.stdout.strip() == "1024x768"
    finally:
        png.unlink()

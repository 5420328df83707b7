"""runesuka-report.exe under Wine where the window tests do not reach: its output through a
real console (Japanese code page 932), export files named on its command line, and its usage.
What it reports of each window scenario is checked with that scenario in test_window.py."""

from __future__ import annotations

import json
import shutil
import subprocess

import pytest

from report_check import json_lines
from test_window import ADVICE_ACCESS_MISSING, RUNTIME_XP, TYPE_UNKNOWN, installed, not_installed
from winehost import CLSID, REPO, Registry, windows_path

FIXTURES = REPO / "tests" / "fixtures"
# Access missing, Excel 2007: half-width katakana, full-width letters and the runtime name.
ACCESS_MISSING = Registry(excel=(12,))
ACCESS_MISSING_LINES = [TYPE_UNKNOWN, RUNTIME_XP, *ADVICE_ACCESS_MISSING.split("\r\n"), not_installed("Access")[:-2],
                        installed("Excel", "2007")[:-2]]


@pytest.fixture(scope="module")
def report(wine_host):
    if not wine_host.report.exists():
        pytest.fail(f"{wine_host.report} is not built", pytrace=False)
    if not shutil.which("script"):
        pytest.fail("script (util-linux) is missing: it gives Wine's cmd a console", pytrace=False)
    return wine_host


def in_console(host, command: str) -> int:
    """Runs `command` with Wine's cmd inside a pseudo-terminal, so that it has a real console."""
    line = f'{shutil.which("wine")} cmd /c "{command}"'
    return subprocess.run(["script", "-qec", line, "/dev/null"], env=host.env, cwd=host.work,
                          stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                          timeout=60).returncode


def test_redirected_output_of_a_console_is_in_its_code_page(report):
    report.seed(ACCESS_MISSING, "report-console")
    text_file, json_file = report.work / "report-text.txt", report.work / "report-json.txt"
    program = windows_path(report.report)
    assert in_console(report, f"{program} > {windows_path(text_file)}") == 12
    assert in_console(report, f"{program} --json > {windows_path(json_file)}") == 12

    assert text_file.read_bytes().decode("cp932").split("\r\n") == ACCESS_MISSING_LINES + [""]
    data = json_file.read_bytes()
    assert all(byte < 0x80 for byte in data)
    # Without a console (output redirected from Linux) the same report, in UTF-8.
    plain = report.run_report("--json")
    assert (plain.exit_code, plain.stdout) == (12, data)
    assert json.loads(data)["runtime"] == RUNTIME_XP
    text = report.run_report()
    assert text.stdout.decode("utf-8").split("\r\n") == ACCESS_MISSING_LINES + [""]


def test_export_files_named_on_the_command_line(report):
    folder = report.work / "サポート 受付"
    folder.mkdir(exist_ok=True)
    good = folder / "office2010.reg"
    shutil.copy(FIXTURES / "office2010.reg", good)
    bad = folder / "broken.reg"
    bad.write_bytes(b"REGEDIT4\r\n\r\n[HKEY_CLASSES_ROOT\\Excel.Application.14\\CLSID]\r\n@=\"{00024500-\r\n")
    missing = folder / "missing.reg"

    run = report.run_report("--json", "--from-reg", windows_path(good), windows_path(bad), windows_path(missing))
    assert run.exit_code == 3
    (line,) = run.stdout.decode("ascii").splitlines()
    result = json.loads(line)
    assert (result["source"], result["outcome"], result["code"]) == (windows_path(good), "type-v", "77")
    assert run.stderr.splitlines() == [f"{windows_path(bad)}:4: a quoted text is not closed",
                                       f"{windows_path(missing)}: cannot be read (Windows error 2)"]

    one = report.run_report("--from-reg", windows_path(FIXTURES / "excel2016-only.reg"))
    assert one.exit_code == 12
    assert one.stdout.decode("utf-8").splitlines()[0] == windows_path(FIXTURES / "excel2016-only.reg")


OFFICE16 = r"C:\Program Files\Microsoft Office\root\Office16\EXCEL.EXE"
OFFICE14 = r"C:\PROGRA~2\MICROS~1\Office14\EXCEL.EXE"
# A machine: the CLSID text of Excel.Application.16, the LocalServer32 text of that class in each
# view of the registry ("64", "32"), and the servers the report names.
SERVER_MACHINES = {
    "64-bit Office": (CLSID["Excel"], {"64": OFFICE16 + " /automation"}, [(64, OFFICE16)]),
    "32-bit Office on 64-bit Windows": (CLSID["Excel"], {"32": OFFICE14 + " /automation"}, [(32, OFFICE14)]),
    "a server in both views": (CLSID["Excel"], {"32": OFFICE14 + " /automation", "64": OFFICE16 + " /automation"},
                               [(64, OFFICE16), (32, OFFICE14)]),
    "none registered": (CLSID["Excel"], {}, []),
    "Click-to-Run": (CLSID["Excel"], {"64": f'"{OFFICE16}" /automation'}, [(64, OFFICE16)]),
    "a malformed class name": (CLSID["Excel"][1:-1], {"64": OFFICE16 + " /automation"}, []),
}


@pytest.mark.parametrize("machine", SERVER_MACHINES)
def test_servers_of_both_views_live_and_exported(report, native_report, machine):
    """Seeded in each view as 64-bit Windows holds them (reg.exe /reg:64, /reg:32; a plain reg.exe
    of wine32 would write the 32-bit view), read by the program of this architecture, and by
    the native report from an export as 64-bit regedit writes it (/reg:64, Wow6432Node included)."""
    clsid, servers, expected = SERVER_MACHINES[machine]

    def reg(*args: str) -> int:
        return report.wine("reg", *args, tag="reg")[0]

    for view in ("64", "32"):
        for key in (f"HKCR\\CLSID\\{CLSID['Excel']}", f"HKCR\\CLSID\\{clsid}", "HKCR\\Excel.Application.16"):
            reg("delete", key, "/f", f"/reg:{view}")
    report.seed(Registry(), "servers")
    assert reg("add", "HKCR\\Excel.Application.16\\CLSID", "/ve", "/d", clsid, "/f", "/reg:64") == 0
    for view, command in servers.items():
        assert reg("add", f"HKCR\\CLSID\\{clsid}\\LocalServer32", "/ve", "/d", command, "/f", f"/reg:{view}") == 0

    live = report.run_report("--json")
    (result,) = json_lines(live.stdout, b"\r\n")
    assert (live.exit_code, live.stderr) == (12, "")
    assert result["excel"]["versions"] == [16]
    assert [(server["bits"], server["path"]) for server in result["excel"]["servers"]] == expected
    assert result["access"]["servers"] == []

    export = report.work / "servers-classes.reg"
    assert reg("export", "HKCR", windows_path(export), "/y", "/reg:64") == 0
    exported = subprocess.run([str(native_report), "--json", "--from-reg", str(export)], capture_output=True, timeout=120)
    assert exported.returncode == 12, exported.stderr.decode(errors="replace")
    (from_export,) = json_lines(exported.stdout, b"\n")
    assert {**from_export, "source": "registry"} == result


def test_usage(report):
    for option in ("/?", "-h", "--help"):
        run = report.run_report(option)
        assert run.exit_code == 0 and run.stderr == ""
        assert run.stdout.decode("ascii").startswith("Usage: runesuka-report [--json] [--from-reg FILE...]\r\n")
    run = report.run_report("--from-reg")
    assert (run.exit_code, run.stdout) == (2, b"")
    assert run.stderr.splitlines() == ["runesuka-report: --from-reg needs a FILE", "Try 'runesuka-report --help'."]

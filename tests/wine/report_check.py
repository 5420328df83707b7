"""The console report held against the window: what runesuka-report.exe --json says of a
scenario must be what the window shows in it, its exit status must be the documented one for
that outcome, and regedit's exports of the same registry, in both formats and in every encoding
they arrive in, read natively with --from-reg, must give the same report."""

from __future__ import annotations

import json
import subprocess
from pathlib import Path

from winehost import ReportRun

# The documented exit status of each outcome, for one machine.
EXIT_STATUS = {"type-r": 0, "type-v": 0, "old-access": 10, "excel-missing": 11, "access-missing": 12,
               "not-installable": 13}
KEYS = ["source", "code", "outcome", "type", "advice", "runtime", "access", "excel"]
PRODUCT_KEYS = ["versions", "line", "last_used", "index", "servers"]
# versions field, last-used frame, last-used field
PRODUCT_FIELDS = {"access": ("Text3", "Frame3", "Text7"), "excel": ("Text4", "Frame4", "Text8")}


def json_lines(stdout: bytes, line_break: bytes) -> list[dict]:
    """The report's lines: plain ASCII, each one JSON object with exactly the documented keys."""
    assert all(byte < 0x80 for byte in stdout), "the JSON output is not plain ASCII"
    assert stdout.endswith(line_break), stdout[-80:]
    reports = [json.loads(line) for line in stdout[:-len(line_break)].split(line_break)]
    for report in reports:
        assert list(report) == KEYS
        for product in ("access", "excel"):
            assert list(report[product]) == PRODUCT_KEYS
    return reports


def what_the_window_shows(controls: dict) -> dict:
    """The report's fields that the window shows, as the window shows them."""
    def text(name: str) -> str:
        return controls[name]["text"]

    def shown(name: str, text_of: str) -> str | None:
        return text(text_of) if controls[name]["visible"] else None

    return {"type": text("Text0"), "advice": text("Text2"), "runtime": shown("Text00", "Text00"),
            **{product: {"line": text(versions), "last_used": shown(frame, last_used)}
               for product, (versions, frame, last_used) in PRODUCT_FIELDS.items()}}


def shown_fields(report: dict) -> dict:
    return {"type": report["type"], "advice": report["advice"], "runtime": report["runtime"],
            **{product: {"line": report[product]["line"], "last_used": report[product]["last_used"]}
               for product in PRODUCT_FIELDS}}


def check_report(run_report: ReportRun | None, controls: dict, outcomes: dict, versions: dict | None) -> dict:
    """`outcomes`: outcome -> (type text, advice text) as the window shows them; `versions`:
    product -> the major versions registered, where the scenario says."""
    assert run_report is not None, "the report did not run"
    assert run_report.exit_code is not None, "the report did not end"
    (report,) = json_lines(run_report.stdout, b"\r\n")
    assert run_report.stderr == ""
    assert report["source"] == "registry"
    assert shown_fields(report) == what_the_window_shows(controls)

    window = (controls["Text0"]["text"], controls["Text2"]["text"])
    (outcome,) = [name for name, texts in outcomes.items() if texts == window]
    assert report["outcome"] == outcome
    assert run_report.exit_code == EXIT_STATUS[outcome]
    assert report["code"] == report["access"]["index"] + report["excel"]["index"]
    if versions is not None:
        assert {product: report[product]["versions"] for product in versions} == versions
    return report


def reencoded(exports: tuple[Path, Path]) -> list[Path]:
    """The two exports as they arrive after Notepad, PowerShell or a mail client: UTF-16 without
    its byte-order mark, UTF-8 with and without one, and line ends of LF alone."""
    version5, regedit4 = exports
    text = version5.read_bytes()[2:].decode("utf-16-le")
    lf = text.replace("\r\n", "\n")
    forms = {"utf16-no-bom": text.encode("utf-16-le"), "utf16-lf": b"\xff\xfe" + lf.encode("utf-16-le"),
             "utf8-bom": b"\xef\xbb\xbf" + text.encode(), "utf8-lf": lf.encode(),
             "regedit4-lf": regedit4.read_bytes().replace(b"\r\n", b"\n")}
    paths = []
    for name, data in forms.items():
        paths.append(version5.with_name(f"{version5.stem}-{name}.reg"))
        paths[-1].write_bytes(data)
    return paths


def check_exports_give_the_same_report(native_report: Path, exports: tuple[Path, Path], live: dict) -> None:
    """`exports`: regedit's version 5.00 export (UTF-16) and its REGEDIT4 one (CP932), read as
    they are, re-encoded, and the first through standard input."""
    headers = [export.read_bytes()[:80] for export in exports]
    assert headers[0].decode("utf-16").startswith("Windows Registry Editor Version 5.00\r\n"), headers[0]
    assert headers[1].startswith(b"REGEDIT4\r\n"), headers[1]
    files = [*map(str, exports), *map(str, reencoded(exports)), "-"]
    with open(exports[0], "rb") as stdin:
        result = subprocess.run([str(native_report), "--json", "--from-reg", *files], stdin=stdin,
                                capture_output=True, timeout=300)
    assert result.returncode == 0, result.stderr.decode(errors="replace")
    reports = json_lines(result.stdout, b"\n")
    assert [report["source"] for report in reports] == files
    for report in reports:
        assert {**report, "source": "registry"} == live

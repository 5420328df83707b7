"""The console report held against the window: what runesuka-report.exe --json says of a
scenario must be what the window shows in it, its exit status must be the documented one for
that outcome, and regedit's export of the same registry, read natively with --from-reg in both
export formats, must give the same report."""

from __future__ import annotations

import json
import re
import subprocess
from pathlib import Path

from winehost import ReportRun

# The documented exit status of each outcome, for one machine.
EXIT_STATUS = {"type-r": 0, "type-v": 0, "old-access": 10, "excel-missing": 11, "access-missing": 12,
               "not-installable": 13}
KEYS = ["source", "code", "outcome", "type", "advice", "runtime", "access", "excel"]
PRODUCT_KEYS = ["versions", "line", "last_used", "index"]
# versions field, last-used frame, last-used field
PRODUCT_FIELDS = {"access": ("Text3", "Frame3", "Text7"), "excel": ("Text4", "Frame4", "Text8")}

# A value written as hex of a text type: in version 5.00 its bytes are UTF-16 LE.
HEX_TEXT = re.compile(r'((?:@|"(?:[^"\\]|\\.)*")=hex\([127]\):)(.*)', re.S)


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


def to_regedit4(export: Path, out: Path) -> Path:
    """The export in the other format, as Windows' regedit writes it in the ANSI code page:
    the header "REGEDIT4", texts written as hex in CP932 bytes, everything else in CP932."""
    lines = export.read_bytes().decode("utf-16").split("\r\n")
    assert lines[0] == "Windows Registry Editor Version 5.00", lines[0]
    converted = ["REGEDIT4"]
    i = 1
    while i < len(lines):
        line, i = lines[i], i + 1
        match = HEX_TEXT.fullmatch(line)
        if not match:
            converted.append(line)
            continue
        data = match.group(2)
        while data.endswith("\\") and i < len(lines):
            data, i = data[:-1] + lines[i].strip(), i + 1
        raw = bytes(int(byte, 16) for byte in data.split(",") if byte.strip())
        ansi = raw.decode("utf-16-le", errors="replace").encode("cp932", errors="replace")
        converted.append(match.group(1) + ",".join(f"{byte:02x}" for byte in ansi))
    out.write_bytes("\r\n".join(converted).encode("cp932", errors="replace"))
    return out


def check_exports_give_the_same_report(native_report: Path, export: Path, live: dict) -> None:
    regedit4 = to_regedit4(export, export.with_name(export.stem + "-regedit4.reg"))
    result = subprocess.run([str(native_report), "--json", "--from-reg", str(export), str(regedit4)],
                            capture_output=True, timeout=300)
    assert result.returncode == 0, result.stderr.decode(errors="replace")
    reports = json_lines(result.stdout, b"\n")
    assert [report["source"] for report in reports] == [str(export), str(regedit4)]
    for report in reports:
        assert {**report, "source": "registry"} == live

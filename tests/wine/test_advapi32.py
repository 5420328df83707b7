"""The advapi32 adapter's own tests (a cross-compiled GoogleTest program) against the real
registry of the Wine prefix, under the Japanese code page."""

import xml.etree.ElementTree as ET

from conftest import unavailable
from winehost import windows_path


def test_advapi32_adapter(wine_host):
    program = wine_host.build_dir / "advapi32_tests.exe"
    if not program.exists():
        unavailable(f"{program} is not built")
    report = wine_host.work / "advapi32_tests.xml"
    report.unlink(missing_ok=True)
    rc, out = wine_host.wine(str(program), f"--gtest_output=xml:{windows_path(report)}", tag="advapi32-tests")
    assert rc == 0, out[-4000:]
    cases = list(ET.parse(report).getroot().iter("testcase"))
    assert len(cases) >= 4, out[-4000:]
    assert not [c.get("name") for c in cases if c.find("failure") is not None]

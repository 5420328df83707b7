#!/usr/bin/env python3
"""Adds up JUnit XML reports into one closing line: 'tests: N passed, N failed'.

Each failed case is named above that line with the first line of its message,
so the end of a long log says what failed without scrolling back."""
import sys
import xml.etree.ElementTree as ET

passed = skipped = 0
failures = []
for path in sys.argv[1:]:
    try:
        root = ET.parse(path).getroot()
    except (OSError, ET.ParseError) as error:
        failures.append(f"{path}: missing or unreadable report: {error}")
        continue
    for case in root.iter("testcase"):
        problem = case.find("failure")
        if problem is None:
            problem = case.find("error")
        if problem is not None:
            text = (problem.get("message") or problem.text or "").strip()
            first = text.splitlines()[0][:300] if text else ""
            name = f"{case.get('classname', '')}.{case.get('name', '')}".lstrip(".")
            failures.append(f"{path}: {name}: {first}")
        elif case.find("skipped") is not None or case.get("status") in ("notrun", "disabled"):
            skipped += 1
        else:
            passed += 1
for failure in failures:
    print(f"FAILED {failure}")
line = f"tests: {passed} passed, {len(failures)} failed"
print(line + (f", {skipped} skipped" if skipped else ""))
sys.exit(1 if failures else 0)

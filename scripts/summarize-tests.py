#!/usr/bin/env python3
"""Adds up JUnit XML reports into one closing line: 'tests: N passed, N failed[, N skipped]'.

Each failed case is named above that line with the first line of its message,
so the end of a long log says what failed without scrolling back; each reason
for skipping is given once, with the number of cases it skipped."""
import collections
import sys
import xml.etree.ElementTree as ET


def first_line(element) -> str:
    text = (element.get("message") or element.text or "").strip()
    return text.splitlines()[0][:300] if text else ""


passed = 0
failures = []
skips = collections.Counter()
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
        skip = case.find("skipped")
        if problem is not None:
            name = f"{case.get('classname', '')}.{case.get('name', '')}".lstrip(".")
            failures.append(f"{path}: {name}: {first_line(problem)}")
        elif skip is not None or case.get("status") in ("notrun", "disabled"):
            skips[first_line(skip) if skip is not None else case.get("status")] += 1
        else:
            passed += 1
for reason, count in skips.items():
    print(f"SKIPPED {count}: {reason}")
for failure in failures:
    print(f"FAILED {failure}")
line = f"tests: {passed} passed, {len(failures)} failed"
print(line + (f", {sum(skips.values())} skipped" if skips else ""))
sys.exit(1 if failures else 0)

#!/usr/bin/env python3
"""Starts the built program under Wine on the sample machine: Access 2010, Excel 2007 and
2010, Excel 2010 used last. On the user's X display it waits until the window is closed;
without one it runs in a private Xvfb, saves a screenshot and says where."""

import os
import sys
from pathlib import Path

REPO = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(REPO / "tests" / "wine"))

from winehost import WineHost, runnable_archs  # noqa: E402

SAMPLE_MACHINE = REPO / "tests" / "fixtures" / "excel2007-2010-access2010-runtime.reg"


def main() -> int:
    # The architecture named, or the first this host runs: the release one where it can.
    arch = sys.argv[1] if len(sys.argv) > 1 else runnable_archs()[0]
    build = REPO / "build" / arch
    print(f"Running the {arch} program ({build / 'runesuka.exe'}).")
    display = os.environ.get("DISPLAY") or None
    host = WineHost(build, (arch,), work_dir=build / "wine-run", display=display)
    host.start()
    try:
        registry = SAMPLE_MACHINE.read_text(encoding="ascii").replace("REGEDIT4", "Windows Registry Editor Version 5.00", 1)
        host.regedit(registry, "sample-machine")
        program = host.start_program("sample-machine")
        if display:
            print("ルネスカ is running; close its window to end.")
            return program.wait()
        rc, _, err = host.dump()
        shot = host.screenshot("sample-machine")
        host.probe_cmd("sc-close")
        host.wait_exit(program, 10)
        host.kill(program)
        if rc != 0:
            print(f"the window did not show its results: {err}", file=sys.stderr)
            return 1
        print(f"No display: ran under Xvfb. Screenshot of the window: {shot}")
        return 0
    finally:
        host.stop()


if __name__ == "__main__":
    sys.exit(main())

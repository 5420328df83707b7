"""The programs a release ships, by the names every build folder gives them. A build folder
holds those that its sources define; each is found by its name where it exists."""

from __future__ import annotations

from pathlib import Path

PROGRAMS = ("runesuka.exe", "runesuka-report.exe")


def built_programs(folder: Path) -> list[Path]:
    return [Path(folder) / name for name in PROGRAMS if (Path(folder) / name).is_file()]

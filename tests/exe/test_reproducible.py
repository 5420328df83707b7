"""Two builds of one commit give byte-identical executables. The second build is made here,
after the build under test, from a copy of the sources in another folder, by plain CMake with
the toolchain file, and with another clock: SOURCE_DATE_EPOCH set, and the clock years ahead
under faketime (where faketime is not installed, RUNESUKA_WINE_REQUIRED=1 fails the test
instead of skipping it). Every shipped program of the folder is compared by SHA-256."""

from __future__ import annotations

import hashlib
import os
import re
import shutil
import subprocess
from pathlib import Path

import pytest

from conftest import REPO

ANOTHER_CLOCK = "2031-02-03 04:05:06"
ANOTHER_EPOCH = "1999999999"


def cache_value(build_dir: Path, name: str) -> str | None:
    cache = build_dir / "CMakeCache.txt"
    match = cache.exists() and re.search(rf"^{name}:\w+=(.*)$", cache.read_text(errors="replace"), re.M)
    return match.group(1).strip() if match else None


def sha256(path: Path) -> str:
    return hashlib.sha256(path.read_bytes()).hexdigest()


def test_a_second_build_elsewhere_and_later_is_byte_identical(build_dir: Path, programs: list[Path], tmp_path: Path):
    toolchain = cache_value(build_dir, "CMAKE_TOOLCHAIN_FILE")
    if not toolchain:
        pytest.skip(f"{build_dir} is no cross build with a toolchain file")
    clock = []
    if shutil.which("faketime"):
        clock = ["faketime", ANOTHER_CLOCK]
    elif os.environ.get("RUNESUKA_WINE_REQUIRED") == "1":
        pytest.fail("faketime is not installed", pytrace=False)
    checkout = tmp_path / "a-checkout-of-another-name"
    shutil.copytree(REPO, checkout, ignore=shutil.ignore_patterns(".git", "build", "__pycache__", ".pytest_cache"))
    toolchain = Path(toolchain).resolve()
    if toolchain.is_relative_to(REPO):
        toolchain = checkout / toolchain.relative_to(REPO)
    second = checkout / "build" / f"elsewhere-{build_dir.name}"
    options = [f"-DCMAKE_TOOLCHAIN_FILE={toolchain}",
               f"-DCMAKE_BUILD_TYPE={cache_value(build_dir, 'CMAKE_BUILD_TYPE')}"]
    phone = cache_value(build_dir, "RUNESUKA_SUPPORT_PHONE")
    if phone:
        options.append(f"-DRUNESUKA_SUPPORT_PHONE={phone}")
    env = dict(os.environ, SOURCE_DATE_EPOCH=ANOTHER_EPOCH)
    targets = [program.stem for program in programs]
    for command in (["cmake", "-S", str(checkout), "-B", str(second), "-G", "Ninja", *options],
                    ["cmake", "--build", str(second), "--target", *targets]):
        result = subprocess.run(clock + command, env=env, capture_output=True, text=True)
        assert result.returncode == 0, result.stdout[-3000:] + result.stderr[-3000:]
    first_sums = {program.name: sha256(program) for program in programs}
    second_sums = {program.name: sha256(second / program.name) for program in programs}
    assert second_sums == first_sums

#!/usr/bin/env python3
"""Makes the release folder from the cross builds of build/i686 and build/x86_64:

  runesuka.exe, runesuka-report.exe    the i686 programs, the ones to ship
  x86_64/<the same names>              the 64-bit build (each file keeps the name its
                                       VERSIONINFO gives as OriginalFilename)
  VERSION                              the version, from project(VERSION) in CMakeLists.txt
  SHA256SUMS                           the programs as released (signed, when signed);
                                       check with: sha256sum -c SHA256SUMS
  SHA256SUMS.unsigned                  when signed: the programs as built, the bytes any build
                                       of the same commit gives; `osslsigncode remove-signature`
                                       of a signed program gives exactly these bytes back

With RUNESUKA_SIGN_PKCS12 (a PKCS#12 file) and RUNESUKA_SIGN_PASSWORD set, every program is
signed with Authenticode, SHA-256, with an RFC 3161 timestamp from RUNESUKA_SIGN_TIMESTAMP_URL
when that is set. The folder is assembled beside the destination and moved there only when
complete; any error removes it, so there is either a whole release folder or none.

  release.py [--out DIR] [--builds DIR] [--no-build]
"""

from __future__ import annotations

import argparse
import hashlib
import os
import re
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

REPO = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(REPO / "tools"))
from shipped_programs import built_programs  # noqa: E402

RELEASE_ARCH = "i686"
ARCHS = (RELEASE_ARCH, "x86_64")
DESCRIPTION = "ルネスカ"


class ReleaseError(Exception):
    pass


def signing_settings() -> tuple[Path, str, str | None] | None:
    pkcs12 = os.environ.get("RUNESUKA_SIGN_PKCS12", "")
    password = os.environ.get("RUNESUKA_SIGN_PASSWORD")
    if not pkcs12 and password is None:
        return None
    if not pkcs12 or password is None:
        raise ReleaseError("signing needs both RUNESUKA_SIGN_PKCS12 and RUNESUKA_SIGN_PASSWORD")
    path = Path(pkcs12)
    if not path.is_file():
        raise ReleaseError(f"RUNESUKA_SIGN_PKCS12: no such file: {path}")
    if shutil.which("osslsigncode") is None:
        raise ReleaseError("osslsigncode is not installed (scripts/install-deps.sh installs it)")
    return path, password, os.environ.get("RUNESUKA_SIGN_TIMESTAMP_URL") or None


def project_version(build: Path) -> str:
    cache = build / "CMakeCache.txt"
    match = cache.is_file() and re.search(r"^CMAKE_PROJECT_VERSION:\w+=([\d.]+)$", cache.read_text(errors="replace"), re.M)
    if not match:
        raise ReleaseError(f"{cache} names no project version: is {build} a configured build?")
    return match.group(1)


def collect(builds: Path) -> tuple[str, dict[str, list[Path]]]:
    """The version and, per architecture, the programs to release."""
    programs, versions = {}, set()
    for arch in ARCHS:
        folder = builds / arch
        found = built_programs(folder)
        if not any(program.name == "runesuka.exe" for program in found):
            raise ReleaseError(f"{folder / 'runesuka.exe'} is missing: build it first (scripts/build-windows.sh {arch})")
        programs[arch] = found
        versions.add(project_version(folder))
    if len(versions) != 1:
        raise ReleaseError(f"the builds are of different versions: {sorted(versions)}")
    names = {arch: [p.name for p in found] for arch, found in programs.items()}
    if len({tuple(n) for n in names.values()}) != 1:
        raise ReleaseError(f"the builds hold different programs: {names}")
    return versions.pop(), programs


def sha256(path: Path) -> str:
    return hashlib.sha256(path.read_bytes()).hexdigest()


def write_sums(folder: Path, files: list[Path], name: str) -> None:
    lines = [f"{sha256(folder / f)}  {f.as_posix()}\n" for f in files]
    (folder / name).write_text("".join(lines), encoding="ascii")


def run(command: list[str], what: str) -> None:
    result = subprocess.run(command, capture_output=True, text=True)
    if result.returncode != 0:
        detail = (result.stdout + result.stderr).strip().splitlines()
        raise ReleaseError(f"{what} failed: " + " / ".join(detail[-3:]))


def sign(folder: Path, files: list[Path], settings: tuple[Path, str, str | None], secrets: Path) -> None:
    pkcs12, password, timestamp_url = settings
    # The password goes to osslsigncode in a file of the user's alone, not on a command line.
    password_file = secrets / "password"
    password_file.touch(mode=0o600)
    password_file.write_text(password, encoding="utf-8")
    for file in files:
        path = folder / file
        signed = path.with_name(path.name + ".signed")
        command = ["osslsigncode", "sign", "-pkcs12", str(pkcs12), "-readpass", str(password_file),
                   "-h", "sha256", "-n", DESCRIPTION, "-in", str(path), "-out", str(signed)]
        if timestamp_url:
            command[2:2] = ["-ts", timestamp_url]
        run(command, f"signing {file} (a wrong password, or not a PKCS#12 file with a code-signing key?)")
        # What a rebuild of the commit gives must come back from the signed file.
        stripped = secrets / "stripped.exe"
        run(["osslsigncode", "remove-signature", "-in", str(signed), "-out", str(stripped)],
            f"removing the signature of {file} again")
        if stripped.read_bytes() != path.read_bytes():
            raise ReleaseError(f"{file}: the signed file without its signature differs from the unsigned one")
        stripped.unlink()
        signed.replace(path)


def make_release(out: Path, builds: Path, settings) -> str:
    version, programs = collect(builds)
    staging = out.with_name(out.name + ".partial")
    shutil.rmtree(staging, ignore_errors=True)
    try:
        files = []
        for arch, found in programs.items():
            target = staging if arch == RELEASE_ARCH else staging / arch
            target.mkdir(parents=True, exist_ok=True)
            for program in found:
                shutil.copyfile(program, target / program.name)
                files.append((target / program.name).relative_to(staging))
        (staging / "VERSION").write_text(version + "\n", encoding="ascii")
        if settings:
            write_sums(staging, files, "SHA256SUMS.unsigned")
            with tempfile.TemporaryDirectory(prefix="runesuka-sign-") as secrets:
                sign(staging, files, settings, Path(secrets))
        write_sums(staging, files, "SHA256SUMS")
        staging.rename(out)
    except BaseException:
        shutil.rmtree(staging, ignore_errors=True)
        raise
    return version


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", type=Path, default=REPO / "build" / "release", help="the release folder")
    parser.add_argument("--builds", type=Path, default=REPO / "build", help="holds the i686 and x86_64 builds")
    parser.add_argument("--no-build", action="store_true", help="take the builds as they are")
    args = parser.parse_args()
    out = args.out.resolve()
    # No release folder of an earlier run outlives a failed one.
    shutil.rmtree(out, ignore_errors=True)
    try:
        settings = signing_settings()
        if not args.no_build:
            subprocess.run([str(REPO / "scripts" / "build-windows.sh"), *ARCHS], check=True)
        version = make_release(out, args.builds.resolve(), settings)
    except (ReleaseError, subprocess.CalledProcessError) as error:
        print(f"release: {error}", file=sys.stderr)
        return 1
    print(f"release: ルネスカ {version}{', signed' if settings else ''}, in {out}")
    for line in (out / "SHA256SUMS").read_text(encoding="ascii").splitlines():
        print(f"  {line}")
    return 0


if __name__ == "__main__":
    sys.exit(main())

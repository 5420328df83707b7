"""Runs Windows programs under a private Wine prefix in a private Xvfb, for the window tests.

Stdlib only. One WineHost owns: an Xvfb on a free display, a prefix in a temporary
directory, and a persistent wineserver (`wineserver -p`) that is stopped with `wineserver -k`
(`-w` would block for ever). Wine's output always goes to files, never to pipes: the first wine
command after the server starts also starts the desktop and services, which inherit its stdout
and stderr and would keep a pipe open.
"""

from __future__ import annotations

import dataclasses
import functools
import json
import os
import shutil
import struct
import subprocess
import tempfile
import time
from pathlib import Path

REPO = Path(__file__).resolve().parents[2]

# Real registrations (the same CLSID for every version of a product).
CLSID = {
    "Access": "{73A4C9C1-D68D-11D0-98BF-00A0C90DC8D9}",
    "Excel": "{00024500-0000-0000-C000-000000000046}",
}
PRODUCTS = ("Access", "Excel")
VERSIONS = range(7, 17)

# The Wine loader of each bitness. Where wine32 is installed, Debian's `wine` script takes the
# 32-bit one, which hands a 64-bit program to a second process through start.exe.
LOADER = {"i686": Path("/usr/lib/wine/wine"), "x86_64": Path("/usr/lib/wine/wine64")}

DESKTOP_SIZE = "1000x740"
JAPANESE_UI_FACE = "ＭＳ Ｐゴシック"
FONT_REPLACEMENTS = {JAPANESE_UI_FACE: "IPAPGothic", "MS Shell Dlg": "IPAPGothic", "Tahoma": "IPAPGothic"}
LOCALE = "ja_JP.UTF-8"


class Unavailable(Exception):
    """A prerequisite (tool, locale, built program) is missing."""


# ---- registry scenarios -----------------------------------------------------------------


@dataclasses.dataclass(frozen=True)
class Registry:
    """A compact registry scenario: the versions (7..16) whose CLSID has a value, the CurVer
    texts (None: no CurVer key), raw .reg lines appended as they are, and registry export
    files imported as they are after all of that."""

    access: tuple[int, ...] = ()
    excel: tuple[int, ...] = ()
    access_curver: str | None = None
    excel_curver: str | None = None
    raw: tuple[str, ...] = ()
    exports: tuple[Path, ...] = ()

    def reg_text(self) -> str:
        lines = ["Windows Registry Editor Version 5.00", ""]
        # Clear whatever the previous scenario left (deleting a missing key is harmless).
        for product in PRODUCTS:
            lines += [f"[-HKEY_CLASSES_ROOT\\{product}.Application]", ""]
            lines += [f"[-HKEY_CLASSES_ROOT\\{product}.Application.{n}]" for n in VERSIONS] + [""]
        for product, versions, curver in (
            ("Access", self.access, self.access_curver),
            ("Excel", self.excel, self.excel_curver),
        ):
            for n in versions:
                lines += [f"[HKEY_CLASSES_ROOT\\{product}.Application.{n}]",
                          f'@="Microsoft {product} Application"', "",
                          f"[HKEY_CLASSES_ROOT\\{product}.Application.{n}\\CLSID]",
                          f'@="{CLSID[product]}"', ""]
            if curver is not None:
                lines += [f"[HKEY_CLASSES_ROOT\\{product}.Application\\CurVer]", f"@={reg_string(curver)}", ""]
        lines += list(self.raw) + [""]
        return "\r\n".join(lines)


def reg_string(text: str) -> str:
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'


def write_reg(path: Path, text: str) -> None:
    # UTF-16 with BOM: regedit then reads every character as it is, no code page involved.
    path.write_bytes(b"\xff\xfe" + text.replace("\r\n", "\n").replace("\n", "\r\n").encode("utf-16-le"))


# ---- the host -----------------------------------------------------------------------------


def pe_machine(path: Path) -> str:
    """'i686' or 'x86_64' from a PE file's header."""
    data = path.read_bytes()[:4096]
    (pe_offset,) = struct.unpack_from("<I", data, 0x3C)
    if data[pe_offset:pe_offset + 4] != b"PE\0\0":
        raise ValueError(f"{path} is not a PE file")
    (machine,) = struct.unpack_from("<H", data, pe_offset + 4)
    return {0x14C: "i686", 0x8664: "x86_64"}.get(machine, hex(machine))


def loader_for(program: str) -> str:
    """The loader of a program's own bitness, so that no start.exe stands between the Unix
    process and the program; Wine's own programs by name go through the `wine` script."""
    path = Path(program)
    return str(LOADER[pe_machine(path)]) if path.suffix.lower() == ".exe" and path.is_file() else "wine"


def windows_path(path: Path) -> str:
    """Wine maps drive Z: to the Unix root."""
    return "Z:" + str(Path(path).resolve()).replace("/", "\\")


@functools.lru_cache(maxsize=None)
def runnable_archs() -> tuple[str, ...]:
    """The architectures whose programs this host runs under Wine, the release one first."""
    answer = subprocess.run([str(REPO / "scripts" / "wine-arches.sh")], capture_output=True, text=True)
    if answer.returncode != 0:
        raise RuntimeError(f"scripts/wine-arches.sh failed: {answer.stderr.strip()}")
    return tuple(answer.stdout.split())


def why_not_runnable(arch: str) -> str | None:
    """Why this host cannot run programs of `arch` under Wine, or None where it can."""
    if arch in runnable_archs():
        return None
    return f"{arch} program not run under Wine: this kernel runs no 32-bit code"


def check_prerequisites(*archs: str) -> None:
    """Raises Unavailable unless the tools, the locale and the Wine loaders of `archs` are here."""
    missing = [tool for tool in ("wine", "wineserver", "wineboot", "Xvfb", "xwd", "convert") if not shutil.which(tool)]
    if missing:
        raise Unavailable("missing tools: " + ", ".join(missing))
    for reason in filter(None, map(why_not_runnable, archs)):
        raise Unavailable(reason)
    missing = [str(LOADER[arch]) for arch in archs if not LOADER[arch].exists()]
    if missing:
        raise Unavailable("missing Wine loaders: " + ", ".join(missing))
    locales = subprocess.run(["locale", "-a"], capture_output=True, text=True).stdout.split()
    if not any(name.lower().replace("-", "") == "ja_jp.utf8" for name in locales):
        raise Unavailable(f"the glibc locale {LOCALE} is not generated (locale-gen)")


@dataclasses.dataclass
class ReportRun:
    """One run of runesuka-report.exe: its exit status and what it wrote."""

    exit_code: int | None  # None: it did not end in time and was killed
    stdout: bytes
    stderr: str


@dataclasses.dataclass
class Run:
    """One run of the program: what the probe read and where the evidence lies."""

    name: str
    dump: dict
    probe_rc: int
    probe_stderr: str
    screenshot: Path | None
    exit_code: int | None  # None: the process did not end in time and was killed
    report: ReportRun | None = None  # runesuka-report.exe --json on the same registry
    # regedit's exports of HKEY_CLASSES_ROOT, version 5.00 and REGEDIT4, for scenarios of export files
    exports: tuple[Path, Path] | None = None
    copied: dict | None = None  # the clipboard after Ctrl+C in the window (probe.exe copied)


class WineHost:
    def __init__(self, build_dir: Path, archs: tuple[str, ...], work_dir: Path | None = None, dpi: int = 96,
                 display: str | None = None):
        self.build_dir = Path(build_dir)
        self.archs = archs  # of the programs it will run
        self.program = self.build_dir / "runesuka.exe"
        self.report = self.build_dir / "runesuka-report.exe"
        self.probe = self.build_dir / "probe.exe"
        self.shots_dir = self.build_dir / "screenshots"
        self._own_tmp = work_dir is None
        self.work = Path(work_dir or tempfile.mkdtemp(prefix="runesuka-wine-"))
        self.prefix = self.work / "prefix"
        self.logs = self.work / "logs"
        self.dpi = dpi
        # An X display of the user's, or None for a private Xvfb.
        self.display: str | None = display
        self._own_display = display is None
        self._xvfb: subprocess.Popen | None = None
        self._server: subprocess.Popen | None = None
        self._log_no = 0

    # -- environment

    @property
    def env(self) -> dict:
        env = dict(os.environ)
        env.update(
            WINEPREFIX=str(self.prefix),
            WINEDLLOVERRIDES="mscoree,mshtml=",
            WINEDEBUG="-all",
            LC_ALL=LOCALE,
            LANG=LOCALE,
            DISPLAY=self.display or "",
        )
        env.pop("WAYLAND_DISPLAY", None)
        return env

    def _logfile(self, tag: str) -> Path:
        self._log_no += 1
        return self.logs / f"{self._log_no:03d}-{tag}.log"

    def run(self, args: list[str], timeout: float = 60, tag: str = "cmd") -> tuple[int, str]:
        """Runs a command with the Wine environment; output goes to a log file (pipe trap)."""
        log = self._logfile(tag)
        with open(log, "wb") as out:
            try:
                rc = subprocess.run(args, env=self.env, stdin=subprocess.DEVNULL, stdout=out, stderr=out,
                                    timeout=timeout, cwd=self.work).returncode
            except subprocess.TimeoutExpired:
                rc = -999
        return rc, log.read_text(errors="replace")

    def wine(self, *args: str, timeout: float = 60, tag: str = "wine") -> tuple[int, str]:
        """Runs a program of ours by its path, or one of Wine's (regedit, cmd) by its name."""
        return self.run([loader_for(args[0]), *args], timeout=timeout, tag=tag)

    # -- lifecycle

    def start(self) -> "WineHost":
        check_prerequisites(*self.archs)
        self.logs.mkdir(parents=True, exist_ok=True)
        if self._own_display:
            self._start_xvfb()
        rc, out = self.run(["wineboot", "-i"], timeout=180, tag="wineboot")
        if rc != 0:
            raise RuntimeError(f"wineboot -i failed ({rc}): {out[-2000:]}")
        self.run(["wineserver", "-w"], timeout=120, tag="wineboot-wait")  # let the first boot settle
        self.regedit(self._settings_reg(), "settings")
        self._restart_server()
        return self

    def stop(self) -> None:
        if self.display:
            self.run(["wineserver", "-k"], timeout=30, tag="wineserver-kill")
        for proc in (self._server, self._xvfb):
            if proc and proc.poll() is None:
                proc.terminate()
                try:
                    proc.wait(timeout=10)
                except subprocess.TimeoutExpired:
                    proc.kill()
        if self._own_tmp and not os.environ.get("RUNESUKA_KEEP_PREFIX"):
            shutil.rmtree(self.work, ignore_errors=True)

    def set_dpi(self, dpi: int) -> None:
        """LogPixels is read when the server starts, so the server is restarted."""
        if dpi == self.dpi:
            return
        self.dpi = dpi
        self.regedit(self._settings_reg(), f"dpi-{dpi}")
        self._restart_server()

    def _start_xvfb(self) -> None:
        read_fd, write_fd = os.pipe()
        log = open(self._logfile("xvfb"), "wb")
        # -displayfd: Xvfb picks a free display number itself and writes it to the pipe.
        self._xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
            pass_fds=(write_fd,), stdin=subprocess.DEVNULL, stdout=log, stderr=log)
        os.close(write_fd)
        with os.fdopen(read_fd) as pipe:
            number = pipe.readline().strip()
        if not number:
            raise RuntimeError("Xvfb did not start")
        self.display = ":" + number

    def _restart_server(self) -> None:
        self.run(["wineserver", "-k"], timeout=30, tag="wineserver-kill")
        if self._server:
            try:
                self._server.wait(timeout=15)
            except subprocess.TimeoutExpired:
                self._server.kill()
        log = open(self._logfile("wineserver"), "wb")
        self._server = subprocess.Popen(["wineserver", "-p"], env=self.env, stdin=subprocess.DEVNULL,
                                        stdout=log, stderr=log, cwd=self.work)
        # Throwaway command: starts the desktop and services with their output in a file.
        self.wine("cmd", "/c", "exit", timeout=120, tag="warmup")

    def _settings_reg(self) -> str:
        lines = ["Windows Registry Editor Version 5.00", "",
                 "[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]"]
        lines += [f"{reg_string(face)}={reg_string(real)}" for face, real in FONT_REPLACEMENTS.items()]
        lines += ["", "[HKEY_CURRENT_USER\\Software\\Wine\\Explorer]", '"Desktop"="Default"',
                  "", "[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops]", f'"Default"="{DESKTOP_SIZE}"',
                  "", "[HKEY_CURRENT_USER\\Control Panel\\Desktop]", f'"LogPixels"=dword:{self.dpi:08x}', ""]
        return "\r\n".join(lines)

    # -- registry, program, probe

    def import_reg(self, path: Path, name: str) -> None:
        rc, out = self.wine("regedit", "/s", windows_path(path), tag=f"regedit-{name}")
        if rc != 0:
            raise RuntimeError(f"regedit {name} failed ({rc}): {out[-2000:]}")

    def regedit(self, text: str, name: str) -> None:
        path = self.work / f"{name}.reg"
        write_reg(path, text)
        self.import_reg(path, name)

    def seed(self, registry: Registry, name: str) -> None:
        self.regedit(registry.reg_text(), f"scenario-{name}")
        for export in registry.exports:
            self.import_reg(export, f"scenario-{name}-{export.stem}")

    def start_program(self, name: str, program: Path | None = None, *args: str) -> subprocess.Popen:
        """Starts runesuka.exe, or another program of the build folder with its arguments."""
        program = program or self.program
        if not program.exists():
            raise Unavailable(f"{program} is not built")
        log = open(self._logfile(f"program-{name}"), "wb")
        # The Unix process is the program itself and ends with its exit code.
        return subprocess.Popen([loader_for(str(program)), str(program), *args], env=self.env,
                                cwd=self.build_dir, stdin=subprocess.DEVNULL, stdout=log, stderr=log)

    def start_probe(self, *args: str) -> subprocess.Popen:
        """Starts probe.exe without waiting for it, for commands that must run beside the program."""
        if not self.probe.exists():
            raise Unavailable(f"{self.probe} is not built")
        log = open(self._logfile("probe-" + args[0]), "wb")
        return subprocess.Popen([loader_for(str(self.probe)), str(self.probe), *args], env=self.env,
                                cwd=self.work, stdin=subprocess.DEVNULL, stdout=log, stderr=log)

    def run_report(self, *args: str, timeout: float = 60) -> ReportRun:
        """Runs runesuka-report.exe with its output in files: no console, so it writes UTF-8."""
        if not self.report.exists():
            raise Unavailable(f"{self.report} is not built")
        out, err = self._logfile("report-stdout"), self._logfile("report-stderr")
        with open(out, "wb") as stdout, open(err, "wb") as stderr:
            try:
                code = subprocess.run([loader_for(str(self.report)), str(self.report), *args], env=self.env,
                                      stdin=subprocess.DEVNULL, stdout=stdout, stderr=stderr, timeout=timeout,
                                      cwd=self.work).returncode
            except subprocess.TimeoutExpired:
                code = None
        return ReportRun(code, out.read_bytes(), err.read_text(encoding="utf-8", errors="replace"))

    def export_classes(self, name: str) -> tuple[Path, Path]:
        """regedit's exports of HKEY_CLASSES_ROOT as it is now: version 5.00 from its command
        line, REGEDIT4 through its Export dialog (regedit_export.exe fills that in)."""
        version5 = self.work / f"{name}-classes.reg"
        regedit4 = self.work / f"{name}-classes-regedit4.reg"
        version5.unlink(missing_ok=True)
        self.wine("regedit", "/e", windows_path(version5), "HKEY_CLASSES_ROOT", timeout=120, tag=f"export-{name}")
        rc, out = self.wine(str(self.build_dir / "regedit_export.exe"), windows_path(regedit4), "HKEY_CLASSES_ROOT",
                            timeout=120, tag=f"export4-{name}")
        for path in (version5, regedit4):
            if not path.exists():
                raise RuntimeError(f"regedit wrote no export to {path} ({rc}: {out[-500:]})")
        return version5, regedit4

    def probe_cmd(self, *args: str, timeout: float = 60) -> tuple[int, str]:
        if not self.probe.exists():
            raise Unavailable(f"{self.probe} is not built")
        return self.wine(str(self.probe), *args, timeout=timeout, tag="probe-" + args[0])

    def dump(self, timeout_ms: int = 20000) -> tuple[int, dict, str]:
        out = self.work / "dump.json"
        out.unlink(missing_ok=True)
        rc, err = self.probe_cmd("dump", windows_path(out), "--timeout-ms", str(timeout_ms),
                                 timeout=timeout_ms / 1000 + 30)
        data = json.loads(out.read_text(encoding="utf-8")) if out.exists() else {}
        return rc, data, err

    def copied(self, *args: str) -> dict:
        """probe.exe copied: the clipboard, emptied first, after these keys in the window; on
        failure {"error": what the probe said}."""
        out = self.work / "copied.json"
        errors = []
        # Once under load the probe ended at once with code 1 and said nothing: a probe that
        # fails is started again (the clipboard is emptied first each time); what it reads is not.
        for _ in range(2):
            out.unlink(missing_ok=True)
            rc, err = self.probe_cmd("copied", windows_path(out), *args)
            if rc == 0 and out.exists():
                return json.loads(out.read_text(encoding="utf-8"))
            errors.append(f"{rc}: {err}")
        return {"error": "; ".join(errors)}

    def visible_windows(self) -> list[dict]:
        out = self.work / "windows.json"
        out.unlink(missing_ok=True)
        rc, err = self.probe_cmd("list", windows_path(out))
        if rc != 0 or not out.exists():
            raise RuntimeError(f"probe list failed ({rc}): {err}")
        return json.loads(out.read_text(encoding="utf-8"))

    def screenshot(self, name: str) -> Path:
        self.shots_dir.mkdir(parents=True, exist_ok=True)
        png = self.shots_dir / f"{name}.png"
        xwd = subprocess.run(["xwd", "-root", "-silent", "-display", self.display], capture_output=True, timeout=30)
        subprocess.run(["convert", "xwd:-", str(png)], input=xwd.stdout, check=True, timeout=30)
        return png

    @staticmethod
    def wait_exit(proc: subprocess.Popen, timeout: float) -> int | None:
        try:
            return proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            return None

    @staticmethod
    def kill(proc: subprocess.Popen) -> None:
        if proc.poll() is None:
            proc.kill()
            proc.wait(timeout=10)

    def run_scenario(self, name: str, registry: Registry, close_with: str = "sc-close",
                     program: Path | None = None, with_report: bool = False, with_copy: bool = False) -> Run:
        """Seeds the registry, starts the program (or another copy of it), reads its window,
        takes a screenshot and closes it again. With `with_copy`, Ctrl+C is pressed in the window
        before it closes and the clipboard read. With `with_report`, runesuka-report.exe --json
        then runs on the same registry, and a scenario of export files is exported again by
        regedit."""
        self.seed(registry, name)
        proc = self.start_program(name, program)
        copied = None
        try:
            rc, data, err = self.dump()
            shot = self.screenshot(name) if data else None
            if with_copy and proc.poll() is None:
                copied = self.copied("ctrl+c")
            if proc.poll() is None:
                self.probe_cmd(close_with)
            exit_code = self.wait_exit(proc, 10)
        finally:
            self.kill(proc)
        run = Run(name, data, rc, err, shot, exit_code, copied=copied)
        if with_report:
            run.report = self.run_report("--json")
            run.exports = self.export_classes(name) if registry.exports else None
        return run

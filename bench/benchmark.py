#!/usr/bin/env python3
"""Start-up benchmark under Wine: the program against the floor (bench/floor.cpp, the least a
Win32 program does to show the same red "不 明"), i686 and x86_64 side by side in one Wine
session, on the typical machine (Access 2010; Excel 2007 and 2010, 2010 used last).

There are two floors: floor.exe without a manifest, and floor-manifest.exe, the same program
carrying the program's manifest. Asking for common controls 6 makes Windows load comctl32 6 and
draw themed controls, a cost every program with that manifest pays; the second floor pays it
too, so the program's figures against it are its own cost.

Prints figures and the targets beside them; it asserts nothing about times.

    /usr/bin/python3 bench/benchmark.py [--runs 15] [--arch ARCH...]

By default it times the architectures this host runs under Wine (scripts/wine-arches.sh).

Needs build/<arch>/runesuka.exe (scripts/build-windows.sh i686 x86_64) and
build/bench-<arch>/floor.exe (see bench/CMakeLists.txt).

How it measures:
- Time: both programs write "... Text0 written" with OutputDebugStringA once their result is in
  the window (the floor after its window is shown and painted). Wine prints it on the
  +debugstr channel with a +timestamp, which is Wine's tick count, i.e. CLOCK_MONOTONIC_RAW in
  ms; the start is the same clock read just before the process is spawned.
- Both are spawned by the Wine loader of their own bitness. Where wine32 is installed, Debian's
  `wine` script takes the 32-bit loader, which hands a 64-bit program to a second process through
  start.exe: an extra process start in the figure, and the spawned pid would not be the
  program.
- Peak working set: VmHWM of the program's process in /proc, read once the result has been on
  screen for a moment. Wine fills GetProcessMemoryInfo's PeakWorkingSetSize from the same VmHWM,
  so it is the figure Windows tools would show under Wine.
- Each start waits until the process before it has been gone for a moment. Wine's desktop
  repaints and its server clears up after a killed program; a program started meanwhile is
  charged for that, and interleaving does not share it out fairly (each program mostly follows
  the same one). Two copies of one .exe differed by 26 ms in median without the pause, 1 ms
  with it.
- One extra floor window stays open through the runs: Wine's desktop quits a second after its
  last window closes, and starting it again would be counted against whichever program came
  next. On Windows the desktop is always there.
- Registry keys opened: one extra run with Wine's relay trace of advapi32, counting the
  Reg*Key* calls whose return address lies in the program's own image.
"""

from __future__ import annotations

import argparse
import os
import re
import statistics
import struct
import subprocess
import sys
import time
from dataclasses import dataclass, field
from pathlib import Path

REPO = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(REPO / "tests" / "wine"))

from winehost import LOADER, Registry, Unavailable, WineHost, pe_machine, runnable_archs, why_not_runnable  # noqa: E402

ARCHS = ("i686", "x86_64")
TYPICAL = Registry(access=(14,), excel=(12, 14), excel_curver="Excel.Application.14")

# The milestones each program passes, in order; the last means results on screen. Both pass
# "main window created" at the same point: their window created, sized and placed, still empty.
DONE = "Text0 written"
PROGRAM_MILESTONES = ("main window created", "controls created", "fonts set", "shown", "first paint", "scan done",
                      DONE)
FLOOR_MILESTONES = ("main window created", "shown", DONE)
TIMEOUT_S = 30
# How long the result stays on screen before the working set is read and the process ends.
SETTLE_S = 0.5
# How long after a process has ended the next one starts.
PAUSE_S = 0.5

TARGET_RATIO = 1.20
TARGET_EXTRA_MIB = 1.5
TARGET_I686_KIB = 320
TARGET_KEYS = 22

# Wine's trace channels: the milestones with Wine's tick count in front.
MARKS = "-all,+timestamp,+debugstr"
DEBUGSTR = re.compile(r'^\s*(\d+)\.(\d{3}):[0-9a-f]+:warn:debugstr:OutputDebugStringA "(?:runesuka|floor): (.*)"$',
                      re.M)
RELAY_CALL = re.compile(r"Call advapi32\.(\w+)\(.*\) ret=([0-9a-f]+)$", re.M)
OPENS_KEY = re.compile(r"^Reg(Open|Create)Key")
# Wine's relay trace, limited to advapi32 so that the run stays near its normal speed.
RELAY_SETTING = ('Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Wine\\Debug]\r\n'
                 '"RelayInclude"={}\r\n')


@dataclass
class Subject:
    """One .exe under test."""

    name: str  # "program" or one of FLOORS
    arch: str
    exe: Path
    times: list[dict[str, float]] = field(default_factory=list)  # per run: milestone -> ms from start
    peaks_kib: list[int] = field(default_factory=list)


def program_exe(arch: str) -> Path:
    return REPO / "build" / arch / "runesuka.exe"


def floor_exe(arch: str, name: str = "floor") -> Path:
    return REPO / "build" / f"bench-{arch}" / f"{name}.exe"


# The floors the program is compared with: the plain one, and the same carrying the program's
# manifest (what loading common controls 6 and the theme costs any program that asks for them).
FLOORS = ("floor", "floor-manifest")
SUBJECTS = ("program",) + FLOORS


def subject_exe(name: str, arch: str) -> Path:
    return program_exe(arch) if name == "program" else floor_exe(arch, name)


def missing_builds(archs: list[str]) -> list[str]:
    advice = []
    for arch in archs:
        if not program_exe(arch).exists():
            advice.append(f"{program_exe(arch)}: scripts/build-windows.sh {arch}")
        if not all(floor_exe(arch, name).exists() for name in FLOORS):
            advice.append(f"{floor_exe(arch)}: cmake -S bench -B build/bench-{arch} -G Ninja "
                          f"-DCMAKE_TOOLCHAIN_FILE=$PWD/cmake/mingw-{arch}.cmake -DCMAKE_BUILD_TYPE=MinSizeRel"
                          f" && cmake --build build/bench-{arch}")
    for arch in archs:
        for exe in (subject_exe(name, arch) for name in SUBJECTS):
            if exe.exists() and pe_machine(exe) != arch:
                advice.append(f"{exe} is {pe_machine(exe)}, not {arch}")
    return advice


def image_range(exe: Path) -> tuple[int, int]:
    """The preferred load address and end of a PE image."""
    data = exe.read_bytes()[:4096]
    (pe,) = struct.unpack_from("<I", data, 0x3C)
    optional = pe + 24
    (magic,) = struct.unpack_from("<H", data, optional)
    base = struct.unpack_from("<Q" if magic == 0x20B else "<I", data, optional + (24 if magic == 0x20B else 28))[0]
    (size,) = struct.unpack_from("<I", data, optional + 56)
    return base, base + size


class Bench:
    def __init__(self, host: WineHost):
        self.host = host
        self.runs = 0

    def env(self, debug: str) -> dict:
        return dict(self.host.env, WINEDEBUG=debug)

    def spawn(self, arch: str, exe: Path, debug: str, tag: str) -> tuple[subprocess.Popen, Path, float]:
        self.runs += 1
        log = self.host.logs / f"bench-{self.runs:03d}-{tag}.log"
        with open(log, "wb") as out:
            start_ms = time.clock_gettime(time.CLOCK_MONOTONIC_RAW) * 1000
            proc = subprocess.Popen([str(LOADER[arch]), str(exe)], env=self.env(debug), cwd=exe.parent,
                                    stdin=subprocess.DEVNULL, stdout=out, stderr=out)
        return proc, log, start_ms

    @staticmethod
    def wait_for_done(proc: subprocess.Popen, log: Path) -> str:
        deadline = time.monotonic() + TIMEOUT_S
        while time.monotonic() < deadline:
            text = log.read_text(errors="replace")
            if any(mark == DONE for _, _, mark in DEBUGSTR.findall(text)):
                return text
            if proc.poll() is not None:
                raise RuntimeError(f"{proc.args[1]} ended ({proc.returncode}) before its results; see {log}")
            time.sleep(0.005)
        raise RuntimeError(f"{proc.args[1]} showed no results within {TIMEOUT_S} s; see {log}")

    @staticmethod
    def end(proc: subprocess.Popen) -> None:
        proc.kill()
        proc.wait(timeout=10)
        time.sleep(PAUSE_S)

    def measure(self, subject: Subject) -> None:
        proc, log, start_ms = self.spawn(subject.arch, subject.exe, MARKS, subject.name)
        try:
            text = self.wait_for_done(proc, log)
            time.sleep(SETTLE_S)
            subject.peaks_kib.append(peak_working_set_kib(proc.pid, subject.exe))
        finally:
            self.end(proc)
        marks: dict[str, float] = {}
        for seconds, millis, mark in DEBUGSTR.findall(text):
            marks.setdefault(mark, int(seconds) * 1000 + int(millis) - start_ms)
        subject.times.append(marks)

    def keep_desktop(self, arch: str) -> subprocess.Popen:
        proc, log, _ = self.spawn(arch, floor_exe(arch), MARKS, "desktop-keeper")
        try:
            self.wait_for_done(proc, log)
        except RuntimeError:
            self.end(proc)
            raise
        return proc

    def registry_calls(self, arch: str) -> list[str]:
        """The advapi32 functions the program's own code called, once per call."""
        self.host.regedit(RELAY_SETTING.format('"advapi32.*"'), "relay-on")
        try:
            proc, log, _ = self.spawn(arch, program_exe(arch), MARKS + ",+relay", "relay")
            try:
                text = self.wait_for_done(proc, log)
            finally:
                self.end(proc)
        finally:
            self.host.regedit(RELAY_SETTING.format("-"), "relay-off")
        low, high = image_range(program_exe(arch))
        calls = [name for name, ret in RELAY_CALL.findall(text) if low <= int(ret, 16) < high]
        if not calls:
            # The program cannot show results without reading a key: it was loaded elsewhere.
            raise RuntimeError(f"no advapi32 call returns into {low:#x}-{high:#x}; see {log}")
        return calls


def peak_working_set_kib(pid: int, exe: Path) -> int:
    status = Path(f"/proc/{pid}/status").read_text()
    command = Path(f"/proc/{pid}/cmdline").read_bytes().split(b"\0")[0].decode(errors="replace")
    if not command.lower().endswith(exe.name.lower()):
        raise RuntimeError(f"process {pid} is {command!r}, not {exe.name}: the loader did not become the program")
    return int(re.search(r"^VmHWM:\s+(\d+) kB", status, re.M).group(1))


# ---- report -----------------------------------------------------------------------------------


def median(values: list[float]) -> float:
    return statistics.median(values)


def spread(values: list[float]) -> str:
    return f"{median(values):.0f} ms ({min(values):.0f}–{max(values):.0f})"


def verdict(ok: bool) -> str:
    return "met" if ok else "MISSED"


def machine() -> str:
    cpu = next((line.split(":", 1)[1].strip() for line in Path("/proc/cpuinfo").read_text().splitlines()
                if line.startswith("model name")), "unknown CPU")
    wine = subprocess.run(["wine", "--version"], capture_output=True, text=True).stdout.strip()
    return f"{os.cpu_count()} CPUs, {cpu}, {wine}"


def table(rows: list[tuple[str, ...]]) -> str:
    cells = [row for row in rows if len(row) > 1]
    widths = [max(len(row[i]) for row in cells if len(row) > i) for i in range(max(map(len, cells)))]
    lines = []
    for row in rows:
        if len(row) == 1:
            lines.append(row[0])
            continue
        lines.append("  ".join(cell.ljust(widths[i]) for i, cell in enumerate(row)).rstrip())
    return "\n".join(lines)


def step_rows(per_arch: list[Subject], milestones: tuple[str, ...], notes: list[str]) -> list[tuple[str, ...]]:
    """One row per step between milestones, a cell per architecture."""
    rows = []
    previous = None
    for mark in milestones:
        cells = []
        for subject in per_arch:
            times = subject.times
            if any(mark not in t or (previous and previous not in t) for t in times):
                cells.append("not marked")
                continue
            steps = [t[mark] - (t[previous] if previous else 0) for t in times]
            cells.append(f"{median(steps):.1f} ms ({median([t[mark] for t in times]):.0f})")
            if any(step < 0 for step in steps):
                notes.append(f"note ({subject.name}, {subject.arch}): '{mark}' came before '{previous}' in "
                             f"{sum(step < 0 for step in steps)} of {len(steps)} runs")
        rows.append((f"  {'start' if previous is None else previous} → {mark}", *cells, ""))
        previous = mark
    return rows


def report(archs: list[str], subjects: dict, keys: dict, runs: int, load: tuple[str, str]) -> str:
    rows: list[tuple[str, ...]] = [("", *archs, "target")]

    def done(name: str, arch: str) -> list[float]:
        return [t[DONE] for t in subjects[name, arch].times]

    for name in SUBJECTS:
        rows.append((f"start → results on screen, {name}", *(spread(done(name, a)) for a in archs), ""))
    for floor in FLOORS:
        ratios = {a: median(done("program", a)) / median(done(floor, a)) for a in archs}
        rows.append((f"ratio of medians, program / {floor}",
                     *(f"{ratios[a]:.2f} {verdict(ratios[a] <= TARGET_RATIO)}" for a in archs),
                     f"≤ {TARGET_RATIO:.2f}"))

    peaks = {(n, a): median(subjects[n, a].peaks_kib) / 1024 for n in SUBJECTS for a in archs}
    for name in SUBJECTS:
        rows.append((f"peak working set, {name}", *(f"{peaks[name, a]:.2f} MiB" for a in archs), ""))
    for floor in FLOORS:
        extra = {a: peaks["program", a] - peaks[floor, a] for a in archs}
        rows.append((f"  program − {floor}",
                     *(f"{extra[a]:+.2f} MiB {verdict(extra[a] <= TARGET_EXTRA_MIB)}" for a in archs),
                     f"≤ +{TARGET_EXTRA_MIB} MiB"))

    notes: list[str] = []
    for name in SUBJECTS:
        rows.append((f"{name}: median step (median time from start)",))
        milestones = PROGRAM_MILESTONES if name == "program" else FLOOR_MILESTONES
        rows += step_rows([subjects[name, arch] for arch in archs], milestones, notes)

    opened = {a: sum(bool(OPENS_KEY.match(name)) for name in keys[a]) for a in archs}
    rows.append(("registry keys opened (one relay run)",
                 *(f"{opened[a]} {verdict(opened[a] <= TARGET_KEYS)}" for a in archs), f"≤ {TARGET_KEYS}"))
    for arch in archs:
        names = keys[arch]
        notes.append(f"advapi32 calls from the program ({arch}): "
                     + ", ".join(f"{n} ×{names.count(n)}" for n in sorted(set(names))))

    sizes = {a: program_exe(a).stat().st_size / 1024 for a in archs}
    rows.append(("exe size, program", *(f"{sizes[a]:.1f} KiB" + (f" {verdict(sizes[a] <= TARGET_I686_KIB)}"
                                                                    if a == "i686" else "") for a in archs),
                 f"i686 ≤ {TARGET_I686_KIB} KiB"))
    for floor in FLOORS:
        rows.append((f"exe size, {floor}", *(f"{floor_exe(a, floor).stat().st_size / 1024:.1f} KiB" for a in archs), ""))

    head = [f"Machine: {machine()}", *(why_not_runnable(a) for a in ARCHS if a not in archs and why_not_runnable(a)),
            f"Load average (1 min) at start / end: {load[0]} / {load[1]}",
            "Scenario: Access 14; Excel 12 and 14; Excel CurVer \"Excel.Application.14\"",
            f"{runs} runs of each program per architecture, program and floors interleaved; "
            "times are from spawning the process, median (min–max)", ""]
    return "\n".join(head + [table(rows), ""] + notes)


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--runs", type=int, default=15, help="timed runs of each program per architecture")
    parser.add_argument("--arch", nargs="+", choices=ARCHS, default=list(runnable_archs()),
                        help="default: those this host runs under Wine")
    args = parser.parse_args()

    advice = missing_builds(args.arch)
    if advice:
        print("Build these first:\n  " + "\n  ".join(advice), file=sys.stderr)
        return 2

    host = WineHost(REPO / "build" / args.arch[0], tuple(args.arch))
    try:
        host.start()
    except Unavailable as error:
        print(f"cannot run Wine here: {error}", file=sys.stderr)
        host.stop()
        return 2
    keeper = None
    try:
        host.seed(TYPICAL, "typical")
        bench = Bench(host)
        keeper = bench.keep_desktop(args.arch[0])
        subjects = {(name, arch): Subject(name, arch, subject_exe(name, arch)) for arch in args.arch for name in SUBJECTS}
        load_start = f"{os.getloadavg()[0]:.2f}"
        # One untimed start of each, so that no figure carries the first read of the files.
        for subject in subjects.values():
            bench.measure(Subject(subject.name, subject.arch, subject.exe))
        for run in range(args.runs):
            for arch in args.arch:
                # Each takes every place in the order in turn.
                shift = run % len(SUBJECTS)
                for name in SUBJECTS[shift:] + SUBJECTS[:shift]:
                    bench.measure(subjects[name, arch])
        load_end = f"{os.getloadavg()[0]:.2f}"
        keys = {arch: bench.registry_calls(arch) for arch in args.arch}
        print(report(args.arch, subjects, keys, args.runs, (load_start, load_end)))
    finally:
        if keeper is not None:
            Bench.end(keeper)
        host.stop()
    return 0


if __name__ == "__main__":
    sys.exit(main())

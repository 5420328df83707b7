"""The window on the paths a user takes with keyboard and mouse: where the focus starts and
comes back to, keys in the text boxes that must do nothing, copying the findings, and every way
of closing.

Real input throughout (SendInput from probe.exe); the probe never moves the focus itself.
"""

from __future__ import annotations

import contextlib
import json
import os
import signal
import time

import pytest

from test_window import CASES, ID, WINDOW_CLASS, controls_by_name, copied_findings
from winehost import windows_path

TYPICAL = next(c for c in CASES if c.name == "code_77")
ACCESS_MISSING = next(c for c in CASES if c.name == "code_-5")


@contextlib.contextmanager
def running(host, name: str, case=TYPICAL):
    """The program on a scenario, its results on screen; killed afterwards if still running."""
    host.seed(case.registry, name)
    proc = host.start_program(name)
    try:
        rc, dump, err = host.dump()
        assert rc == 0 and dump["ready"], err
        yield proc, dump
    finally:
        host.kill(proc)


def probe_json(host, command: str, *args: str) -> dict:
    out = host.work / f"{command}.json"
    out.unlink(missing_ok=True)
    rc, err = host.probe_cmd(command, windows_path(out), *args)
    assert rc == 0, err
    return json.loads(out.read_text(encoding="utf-8"))


def still_the_same(host, before: dict) -> list[str]:
    rc, after, err = host.dump()
    assert rc == 0, err
    old, new = controls_by_name(before), controls_by_name(after)
    return [f"{name}: {old[name][key]!r} became {new[name][key]!r}" for name in old for key in ("text", "visible")
            if old[name][key] != new[name][key]]


def test_the_focus_starts_on_the_button(wine_host, program):
    with running(wine_host, "focus-at-start"):
        focus = probe_json(wine_host, "focus")
    assert focus["active"], focus
    assert focus["focus"] == ID["Cmd_End"], focus


# One box at the top of the window, the advice under it, and one inside each kind of frame.
@pytest.mark.parametrize("box", ["Text1", "Text2", "Text3", "Text8"])
def test_enter_space_and_escape_in_a_text_box_do_nothing(wine_host, program, box):
    with running(wine_host, f"keys-in-{box}") as (proc, dump):
        rc, err = wine_host.probe_cmd("click", str(ID[box]))
        assert rc == 0, err
        assert probe_json(wine_host, "focus")["focus"] == ID[box], "the click did not put the focus in the box"
        rc, err = wine_host.probe_cmd("keys", "enter", "space", "esc", "shift+enter")
        assert rc == 0, err
        time.sleep(0.5)
        assert proc.poll() is None, f"the program ended on a key in {box}"
        assert still_the_same(wine_host, dump) == []
        assert probe_json(wine_host, "focus")["focus"] == ID[box]


def test_the_probe_returns_from_a_click_only_once_the_program_has_handled_it(wine_host, program):
    """SendInput only queues the input, and on a loaded machine the program handles it later.
    The program is held still while the probe clicks, so a probe that returns early shows."""
    with running(wine_host, "held-still") as (proc, dump):
        os.kill(proc.pid, signal.SIGSTOP)
        try:
            click = wine_host.start_probe("click", str(ID["Text2"]))
            time.sleep(3)
            returned_while_held = click.poll() is not None
        finally:
            os.kill(proc.pid, signal.SIGCONT)
        try:
            assert wine_host.wait_exit(click, 30) == 0
        finally:
            wine_host.kill(click)
        assert not returned_while_held
        assert probe_json(wine_host, "focus")["focus"] == ID["Text2"]


def test_a_later_activation_gives_the_focus_and_selection_back(wine_host, program):
    with running(wine_host, "reactivation"):
        rc, err = wine_host.probe_cmd("click", str(ID["Text2"]))
        assert rc == 0, err
        rc, err = wine_host.probe_cmd("select", str(ID["Text2"]), "0", "1")
        assert rc == 0, err
        moves = probe_json(wine_host, "reactivate")
    assert moves["before"]["focus"] == ID["Text2"] and moves["before"]["selection"] == [0, 1], moves
    assert not moves["away"]["active"], moves
    assert moves["after"]["active"], moves
    assert (moves["after"]["focus"], moves["after"]["selection"]) == (ID["Text2"], [0, 1]), moves


def test_the_system_menu_and_ctrl_c_copy_the_findings_and_a_held_clipboard_is_given_up(wine_host, program):
    """The system menu's 結果をコピー, by Alt+Space and its access key P, and Ctrl+C in a text box
    where nothing is selected copy the findings (where text is selected the box copies it, see
    test_accessibility). While another program holds the clipboard open, Ctrl+C copies nothing,
    the window answers again at once, and no message shows."""
    with running(wine_host, "copy-findings", ACCESS_MISSING) as (proc, dump):
        held = wine_host.copied("--hold", "ctrl+c")
        by_menu = wine_host.copied("alt+space", "p")
        rc, err = wine_host.probe_cmd("click", str(ID["Text2"]))
        assert rc == 0, err
        in_box = wine_host.copied("ctrl+c")
        rc, after, err = wine_host.dump()
        assert proc.poll() is None, "the program ended"
    findings = copied_findings(dump)
    print(f"handled in {held.get('handled_ms')} ms with the clipboard held, {in_box.get('handled_ms')} ms without")
    assert held.get("text") == "" and held["handled_ms"] < 2000, held
    assert by_menu.get("text") == findings, by_menu
    assert in_box.get("text") == findings, in_box
    assert rc == 0 and after["other_windows"] == [], (err, after.get("other_windows"))
    assert [(c["text"], c["visible"]) for c in after["controls"]] == [(c["text"], c["visible"]) for c in dump["controls"]]


def watch_a_run(host, case, name: str, *flags: str) -> tuple[dict, int | None]:
    """Runs the program with probe.exe's watch hooked in from before its start: the controls
    at the first activation and the WinEvents up to the announcement, and whether the program
    was still running at the end (None) or had ended (its exit code)."""
    armed, out = host.work / "watch.armed", host.work / "watch.json"
    armed.unlink(missing_ok=True)
    out.unlink(missing_ok=True)
    host.seed(case.registry, name)
    watcher = host.start_probe("watch", windows_path(armed), windows_path(out), *flags)
    try:
        deadline = time.monotonic() + 30
        while not armed.exists() and watcher.poll() is None and time.monotonic() < deadline:
            time.sleep(0.05)
        assert armed.exists(), "the probe could not hook the desktop"
        with running(host, name, case) as (proc, dump):
            assert host.wait_exit(watcher, 20) == 0, "the window was not seen at its first activation"
            still_running = proc.poll()
    finally:
        host.kill(watcher)
    return json.loads(out.read_text(encoding="utf-8")), still_running


def test_before_the_check_only_the_empty_frame_and_the_button_show(wine_host, program):
    watch, _ = watch_a_run(wine_host, TYPICAL, "before-check")
    assert {c["id"] for c in watch["controls"] if c["visible"]} == {ID["Frame0"], ID["Cmd_End"]}


CLOSING = {
    "click": ("click-end",),
    "space-on-button": ("key-end",),
    "enter-on-button": ("keys", "enter"),
    "close-box": ("close-box",),
    "alt-f4": ("keys", "alt+f4"),
    "end-of-session": ("query-end-session",),
    "click-while-another-window-is-active": ("click-inactive", str(ID["Cmd_End"])),
}


@pytest.mark.parametrize("way", CLOSING)
def test_every_way_of_closing_ends_the_program(wine_host, program, way):
    with running(wine_host, f"close-{way}") as (proc, dump):
        assert dump["other_windows"] == []
        start = time.monotonic()
        rc, err = wine_host.probe_cmd(*CLOSING[way])
        assert rc == 0, err
        exit_code = wine_host.wait_exit(proc, 5)
        assert exit_code is not None, f"still running 5 s after {way}"
        print(f"{way}: ended after {time.monotonic() - start:.2f} s with exit code {exit_code}")
    leftovers = [w for w in wine_host.visible_windows() if w["class"] in (WINDOW_CLASS, "#32770")]
    assert leftovers == [], "a window or dialog is left on the desktop"

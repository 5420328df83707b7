"""What a screen reader, a keyboard user and a high-contrast theme get from the window: MSAA
names and values of the result fields, Tab through the results, the result announced once, and
the theme's colours in place of the stored ones. The visible window stays as it is.
"""

from __future__ import annotations

import json
import subprocess

import pytest

from test_keyboard import probe_json, running, watch_a_run
from test_window import CASES, CONTROLS, ID, NAME, controls_by_name, red_pixels_in_client_area
from winehost import windows_path

NAMES = {"Text00": "ランタイム", "Text0": "タイプ", "Text1": "タイプの文", "Text2": "アドバイス",
         "Text3": "Access のバージョン", "Text4": "Excel のバージョン", "Text5": "Access の製品名",
         "Text6": "Excel の製品名", "Text7": "Access の最終使用", "Text8": "Excel の最終使用"}
ROLE_TEXT = 42
STATE_READONLY = 0x40
ANNOUNCEMENT_ID = 3000
EVENT_OBJECT_NAMECHANGE = 0x800C
EVENT_OBJECT_LIVEREGIONCHANGED = 0x8019
OBJID_CLIENT = -4

BY_CASE = {c.name: c for c in CASES}
SENTENCES = {
    "code_77": "このパソコンのタイプは ﾀｲﾌﾟ Ｖ です。",
    "code_-5": "このパソコンのタイプは 不 明 です。 「ﾗﾝﾀｲﾑ ＸＰ」のインストールが必要です。 "
               "インストール後､再度ルネスカを行って下さい。",
}


def screen_pixels(screenshot, window: dict, rect: list[int]) -> list[tuple[int, int, int]]:
    """The screenshot's pixels of a rectangle given in the window's client coordinates."""
    left, top = window["client_origin"]
    width, height = rect[2] - rect[0], rect[3] - rect[1]
    raw = subprocess.run(["convert", str(screenshot), "-crop", f"{width}x{height}+{left + rect[0]}+{top + rect[1]}",
                          "+repage", "rgb:-"], capture_output=True, check=True, timeout=30).stdout
    return [tuple(raw[i:i + 3]) for i in range(0, len(raw) - 2, 3)]


@pytest.mark.parametrize("case_name", ["code_77", "code_-5", "code_89"])
def test_every_visible_result_field_has_its_name_and_its_text_as_value(wine_host, program, case_name):
    with running(wine_host, f"msaa-{case_name}", BY_CASE[case_name]) as (proc, dump):
        before = wine_host.screenshot(f"msaa-{case_name}-before")
        objects = probe_json(wine_host, "accessible")
        rc, after, err = wine_host.dump()
        shot = wine_host.screenshot(f"msaa-{case_name}-after")
    texts = {NAME[c["id"]]: c["text"] for c in dump["controls"] if c["id"] in NAME}
    shown = {NAME[c["id"]] for c in dump["controls"] if c["id"] in NAME and c["visible"] and c["class"] == "Edit"}
    assert {NAME.get(o["id"]) for o in objects} == shown
    for o in objects:
        name = NAME[o["id"]]
        assert (o.get("name"), o.get("value"), o.get("role")) == (NAMES[name], texts[name], ROLE_TEXT), o
        assert o["state"] & STATE_READONLY, o
    # Naming made windows of its own, none of which shows.
    assert rc == 0, err
    assert on_screen(after) == on_screen(dump)
    assert differing_pixels(before, shot) == "0"


def on_screen(dump: dict) -> list:
    return [(c["id"], c["rect"]) for c in dump["controls"] if c["visible"] and c["rect"][:2] != c["rect"][2:]]


def differing_pixels(a, b) -> str:
    compare = subprocess.run(["compare", "-metric", "AE", str(a), str(b), "null:"], capture_output=True, text=True)
    return compare.stderr.strip()


def boxes_in_tab_order(dump: dict) -> list[str]:
    """The visible text boxes that show something, by tab index, then the button again."""
    order = ["Text3", "Text4", "Text5", "Text6", "Text1", "Text2", "Text0", "Text7", "Text8", "Text00"]
    controls = controls_by_name(dump)
    return [n for n in order if controls[n]["visible"] and controls[n]["text"].strip(" \u3000\r\n")] + ["Cmd_End"]


@pytest.mark.parametrize("case_name", ["code_77", "code_-5"])
def test_tab_walks_the_results_in_tab_index_order_and_comes_back(wine_host, program, case_name):
    with running(wine_host, f"tab-{case_name}", BY_CASE[case_name]) as (proc, dump):
        wanted = boxes_in_tab_order(dump)
        forward = probe_json(wine_host, "tab-walk", str(len(wanted)))
        back = probe_json(wine_host, "tab-walk", str(len(wanted)), "back")
    assert forward["start"]["focus"] == ID["Cmd_End"]
    assert [NAME.get(s["focus"]) for s in forward["steps"]] == wanted
    assert [NAME.get(s["focus"]) for s in back["steps"]] == wanted[-2::-1] + ["Cmd_End"]
    texts = {NAME[c["id"]]: c["text"] for c in dump["controls"] if c["id"] in NAME}
    for step in forward["steps"][:-1]:
        assert step["selection"] == [0, len(texts[NAME[step["focus"]]])], step


def test_text_boxes_are_read_only_but_copy_their_selection(wine_host, program):
    with running(wine_host, "copy", BY_CASE["code_77"]) as (proc, dump):
        rc, err = wine_host.probe_cmd("keys", "tab", "ctrl+c", "x", "ctrl+v", "ctrl+x", "space")
        assert rc == 0, err
        copied = probe_json(wine_host, "clipboard")
        rc, after, err = wine_host.dump()
    assert copied["text"] == controls_by_name(dump)["Text3"]["text"]
    assert [c["text"] for c in after["controls"]] == [c["text"] for c in dump["controls"]]


def announcements(watch: dict) -> tuple[list[dict], list[dict]]:
    events = watch["events"]
    return ([e for e in events if e["event"] == EVENT_OBJECT_LIVEREGIONCHANGED],
            [e for e in events if e["event"] == EVENT_OBJECT_NAMECHANGE and e["id"] == ANNOUNCEMENT_ID])


@pytest.mark.parametrize("case_name", ["code_77", "code_-5"])
def test_the_result_is_announced_once_after_the_type_is_written(wine_host, program, case_name):
    watch, _ = watch_a_run(wine_host, BY_CASE[case_name], f"announce-{case_name}")
    live, named = announcements(watch)
    assert len(live) == 1 and len(named) == 1, watch["events"]
    for event in live + named:
        assert (event["id"], event["object"], event["name"]) == (ANNOUNCEMENT_ID, OBJID_CLIENT, SENTENCES[case_name])
        assert event["text0"] == BY_CASE[case_name].texts["Text0"]
    # Without a screen reader no COM is loaded.
    assert live[0]["ole32"] == "", live[0]


def test_with_a_screen_reader_com_comes_from_system32_and_its_failure_passes(wine_host, program):
    # Wine's IAccPropServices answers E_NOTIMPL: the live-region mark fails, the rest goes on.
    watch, still_running = watch_a_run(wine_host, BY_CASE["code_77"], "announce-screen-reader",
                                              "--screen-reader")
    live, named = announcements(watch)
    assert len(live) == 1 and len(named) == 1, watch["events"]
    assert live[0]["name"] == SENTENCES["code_77"]
    ole32 = live[0]["ole32"].lower()
    assert ole32 == watch["system_dir"].lower() + "\\ole32.dll", (ole32, watch["system_dir"])
    assert still_running is None, "the program ended"


def edit_pixels(shot, dump: dict) -> dict[str, list[tuple[int, int, int]]]:
    controls = controls_by_name(dump)
    return {c.name: screen_pixels(shot, dump["window"], controls[c.name]["rect"])
            for c in CONTROLS if c.cls == "Edit" and controls[c.name]["visible"]}


def test_high_contrast_draws_every_text_in_the_theme_colours_and_follows_changes(wine_host, program):
    with running(wine_host, "high-contrast", BY_CASE["code_-5"]) as (proc, dump):
        normal = wine_host.screenshot("high-contrast-0-normal")
        out = wine_host.work / "colors.json"
        rc, err = wine_host.probe_cmd("high-contrast", "on", windows_path(out))
        assert rc == 0, err
        saved = json.loads(out.read_text(encoding="utf-8"))
        try:
            contrast = wine_host.screenshot("high-contrast-1-on")
            rc, during, err = wine_host.dump()
        finally:
            rc_off, err_off = wine_host.probe_cmd("high-contrast", "off", *map(str, saved["colors"]))
        back = wine_host.screenshot("high-contrast-2-off")
        assert rc_off == 0, err_off
    window = dump["window"]
    assert red_pixels_in_client_area(normal, window) >= 20
    assert red_pixels_in_client_area(contrast, window) == 0
    assert red_pixels_in_client_area(back, window) >= 20
    # The theme's button text, yellow, on its button face, black: every text box shows only
    # shades between the two, and every one that holds text shows yellow.
    problems = []
    for name, pixels in edit_pixels(contrast, during).items():
        if any(b > 40 or abs(r - g) > 40 for r, g, b in pixels):
            problems.append(f"{name} shows colours other than yellow on black")
        if controls_by_name(during)[name]["text"].strip(" \u3000\r\n") and not any(r > 200 and g > 200 for r, g, b in pixels):
            problems.append(f"{name} shows no yellow text")
    assert problems == []

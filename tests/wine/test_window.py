"""End-to-end window tests: the real program under Wine, read back from outside by probe.exe.

Every registry scenario below is loaded into a fresh run of the program; the probe dumps the
window once the results are on screen (Text0, written last, is not empty) and a screenshot of
the desktop lands in <build>/screenshots/<scenario>.png.
"""

from __future__ import annotations

import dataclasses
import re
import subprocess

import pytest

import report_check
import text_fit
from winehost import REPO, Registry, reg_string

# ---- the window layout ----------------------------------------------------------------------

WINDOW_TITLE = "ルネスカ"
WINDOW_CLASS = "RunesukaForm1"
CLIENT_TWIPS = (6855, 3855)
FACE = "ＭＳ Ｐゴシック"


@dataclasses.dataclass(frozen=True)
class Control:
    name: str
    cls: str
    container: str | None  # None: the window itself
    left: int  # twips, relative to the container
    top: int
    width: int
    height: int
    font: tuple[int, bool] | None  # (points, bold) after load; None: no font


# Stored order: control ID = 1000 + position.
CONTROLS = [
    Control("Text00", "Edit", None, 1680, 800, 1800, 270, (9, False)),
    Control("Frame3", "RunesukaFrame", None, 4500, 1680, 2115, 550, (9, False)),
    Control("Text7", "Edit", "Frame3", 0, 240, 2055, 300, (12, True)),
    Control("Frame4", "RunesukaFrame", None, 4500, 2280, 2115, 555, (9, False)),
    Control("Text8", "Edit", "Frame4", 0, 240, 2055, 300, (12, True)),
    Control("Frame1", "RunesukaFrame", None, 180, 1545, 6495, 740, (9, False)),
    Control("Text3", "Edit", "Frame1", 240, 360, 5175, 300, (13, False)),
    Control("Text5", "Edit", "Frame1", 240, 180, 5175, 270, (8, False)),
    Control("Image1", "Static", "Frame1", 120, 360, 240, 240, None),
    Control("Frame2", "RunesukaFrame", None, 180, 2175, 6495, 740, (9, False)),
    Control("Text4", "Edit", "Frame2", 240, 360, 5175, 300, (13, False)),
    Control("Text6", "Edit", "Frame2", 240, 180, 5175, 270, (8, False)),
    Control("Image2", "Static", "Frame2", 120, 360, 240, 240, None),
    Control("Frame0", "RunesukaFrame", None, 3750, 120, 1455, 615, (9, False)),
    Control("Text0", "Edit", "Frame0", 120, 160, 1215, 375, (17, True)),
    Control("Text1", "Edit", None, 360, 360, 6135, 375, (14, True)),
    Control("Cmd_End", "Button", None, 2280, 3120, 2295, 495, (9, False)),
    Control("Text2", "Edit", None, 360, 840, 6135, 615, (10, True)),
]
BY_NAME = {c.name: c for c in CONTROLS}
ID = {c.name: 1000 + i for i, c in enumerate(CONTROLS)}
NAME = {i: n for n, i in ID.items()}
CENTRED = {"Text00", "Text0", "Text1"}
RED_TEXT = {"Text0", "Text2"}
ALWAYS_SHOWN = {"Frame0", "Cmd_End", "Text0", "Text1", "Text2", "Frame1", "Text3", "Text5",
                "Frame2", "Text4", "Text6"}


def window_twips(name: str) -> tuple[int, int, int, int]:
    """(left, top, right, bottom) in the window's client area, in twips."""
    c = BY_NAME[name]
    left, top = c.left, c.top
    if c.container:
        outer = window_twips(c.container)
        left, top = left + outer[0], top + outer[1]
    return left, top, left + c.width, top + c.height


def px(twips: int, dpi: int) -> int:
    """MulDiv(twips, dpi, 1440), rounding half away from zero."""
    n = twips * dpi
    return (n + 720) // 1440 if n >= 0 else -((-n + 720) // 1440)


def line_pitch(points: int, dpi: int) -> int:
    """The Japanese UI face's line height in pixels: its em, since it has no internal leading."""
    return (points * dpi + 36) // 72


def font_problem(name: str, font: dict | None, points: int, dpi: int) -> str | None:
    """Lines no taller than the UI face's: the usual request by em height where the realised face
    has no internal leading, else a request by cell height, made small enough to fit."""
    pitch = line_pitch(points, dpi)
    if font is None:
        return f"{name} has no font (WM_GETFONT answers 0)"
    if font["tm_height"] > pitch:
        return f"{name}: lines of {font['tm_height']} px, taller than the {pitch} px of {points} pt"
    if font["tm_internal_leading"] == 0 and font["height"] != -pitch:
        return f"{name}: lfHeight {font['height']} for a face without internal leading, want {-pitch}"
    if font["tm_internal_leading"] > 0 and font["height"] <= 0:
        return f"{name}: lfHeight {font['height']} for a face with internal leading, want a cell height"
    return None


def expected_rect(name: str, dpi: int) -> list[int]:
    return [px(v, dpi) for v in window_twips(name)]


# ---- the texts the program shows --------------------------------------------------------------

FW = "\u3000"  # full-width space
CRLF = "\r\n"
TYPE_SENTENCE = "このパソコンのタイプは" + FW * 8 + "です。" + CRLF
ACCESS_KANA = " ア ク セ ス"
EXCEL_KANA = "エクセル"
TYPE_R = "ﾀｲﾌﾟ Ｒ"
TYPE_V = "ﾀｲﾌﾟ Ｖ"
TYPE_UNKNOWN = "不 明"
RUNTIME_XP = "「ﾗﾝﾀｲﾑ ＸＰ」"
RUNTIME_2010 = "「ﾗﾝﾀｲﾑ 2010」"
RETRY_LINE = FW + "インストール後､再度ルネスカを行って下さい。"
ADVICE_TYPE_FOUND = CRLF
ADVICE_OLD_ACCESS = "クロナリスへ連絡してください。" + CRLF + "{phone}" + CRLF + "Accessのバージョンが2003以下です。"
ADVICE_EXCEL_MISSING = FW + "Excel のインストールが必要です。" + CRLF + RETRY_LINE
ADVICE_ACCESS_MISSING = FW * 6 + " " + FW * 11 + "のインストールが必要です。" + CRLF + RETRY_LINE
ADVICE_NOT_INSTALLABLE = CRLF.join(FW * 4 + " " + line for line in (
    "このCDではインストール出来ない可能性があります。",
    "お手数ですが、「タイプ不明の場合」をご参照頂くか、",
    "サポートへお問合せ下さい。"))


def installed(product: str, names: str) -> str:
    return product + FW + "は" + FW + names + CRLF


def not_installed(product: str) -> str:
    return product + " がインストールされていません。" + CRLF


def last_used(name: str) -> str:
    return "最終使用は " + name


# Texts every run shows the same; a case overrides what it decides.
FIXED_TEXTS = {"Text1": TYPE_SENTENCE, "Text5": ACCESS_KANA, "Text6": EXCEL_KANA, "Cmd_End": "閉じる",
               "Text00": "", "Text7": "", "Text8": "", "Frame0": "", "Frame1": "", "Frame2": "",
               "Frame3": "", "Frame4": "", "Image1": "", "Image2": ""}

# ---- the scenarios ---------------------------------------------------------------------------


@dataclasses.dataclass(frozen=True)
class Case:
    name: str  # test id and screenshot name
    registry: Registry
    texts: dict  # field -> exact text; None: not checked (left open for the program to choose)
    text2_points: int | None  # Text2's font size after the check
    shown: frozenset = frozenset()  # of Text00, Frame3/Text7, Frame4/Text8: those visible


CASES = [
    Case("code_--", Registry(),
         {"Text3": not_installed("Access"), "Text4": not_installed("Excel"),
          "Text0": TYPE_UNKNOWN, "Text2": ADVICE_EXCEL_MISSING}, 10),
    Case("code_77", Registry(access=(14,), excel=(12, 14), excel_curver="Excel.Application.14"),
         {"Text3": installed("Access", "2010"), "Text4": installed("Excel", "2007 と 2010"),
          "Text8": last_used("2010"), "Text0": TYPE_V, "Text2": ADVICE_TYPE_FOUND}, 13,
         frozenset({"Frame4", "Text8"})),
    Case("code_75", Registry(access=(14,), excel=(12,)),
         {"Text3": installed("Access", "2010"), "Text4": installed("Excel", "2007"),
          "Text0": TYPE_R, "Text2": ADVICE_TYPE_FOUND}, 13),
    Case("code_89", Registry(access=(14, 15), excel=(16,), access_curver="Access.Application.15"),
         {"Text3": installed("Access", "2010 と 2013"), "Text4": installed("Excel", "2016"),
          "Text7": last_used("2013"), "Text0": TYPE_V, "Text2": ADVICE_TYPE_FOUND}, 13,
         frozenset({"Frame3", "Text7"})),
    Case("code_43", Registry(access=(11,), excel=(10,)),
         {"Text3": installed("Access", "2003"), "Text4": installed("Excel", "ＸＰ"),
          "Text0": TYPE_UNKNOWN, "Text2": ADVICE_OLD_ACCESS}, 10),
    Case("code_-5", Registry(excel=(12,)),
         {"Text3": not_installed("Access"), "Text4": installed("Excel", "2007"), "Text00": RUNTIME_XP,
          "Text0": TYPE_UNKNOWN, "Text2": ADVICE_ACCESS_MISSING}, 10, frozenset({"Text00"})),
    Case("code_57", Registry(access=(12,), excel=(14,)),
         {"Text3": installed("Access", "2007"), "Text4": installed("Excel", "2010"),
          "Text0": TYPE_UNKNOWN, "Text2": ADVICE_NOT_INSTALLABLE}, 10),
    Case("code_7-", Registry(access=(14,)),
         {"Text3": installed("Access", "2010"), "Text4": not_installed("Excel"),
          "Text0": TYPE_UNKNOWN, "Text2": ADVICE_EXCEL_MISSING}, 10),
    # CurVer names the older version: it decides the index (5), so 85 is not installable.
    Case("code_85_curver_older", Registry(access=(15,), excel=(12, 14), excel_curver="Excel.Application.12"),
         {"Text3": installed("Access", "2013"), "Text4": installed("Excel", "2007 と 2010"),
          "Text8": last_used("2007"), "Text0": TYPE_UNKNOWN, "Text2": ADVICE_NOT_INSTALLABLE}, 10,
         frozenset({"Frame4", "Text8"})),
    # No CurVer key: the highest version keeps the index, the last-used line says unknown.
    Case("code_77_no_curver", Registry(access=(14,), excel=(12, 14)),
         {"Text3": installed("Access", "2010"), "Text4": installed("Excel", "2007 と 2010"),
          "Text8": last_used("不明"), "Text0": TYPE_V, "Text2": ADVICE_TYPE_FOUND}, 13,
         frozenset({"Frame4", "Text8"})),
    # A CLSID key with an empty value counts as not installed: code -7.
    Case("code_-7_empty_clsid",
         Registry(excel=(14,), raw=("[HKEY_CLASSES_ROOT\\Access.Application.14\\CLSID]", '@=""')),
         {"Text3": not_installed("Access"), "Text4": installed("Excel", "2010"), "Text00": RUNTIME_2010,
          "Text0": TYPE_UNKNOWN, "Text2": ADVICE_ACCESS_MISSING}, 10, frozenset({"Text00"})),
    # The broken CurVer Microsoft documents; what the type becomes is left to the program,
    # but it must run to the end and call the last-used version unknown.
    Case("curver_accdb_auto_file",
         Registry(access=(12, 14), excel=(14,), access_curver="accdb_auto_file"),
         {"Text3": installed("Access", "2007 と 2010"), "Text4": installed("Excel", "2010"),
          "Text7": last_used("不明"), "Text0": None, "Text2": None}, None,
         frozenset({"Frame3", "Text7"})),
] + [
    # Exports of real-looking machines, imported by regedit as they are.
    Case(f"fixture_{name}", Registry(exports=(REPO / "tests" / "fixtures" / f"{name}.reg",)), texts, points, shown)
    for name, texts, points, shown in (
        ("excel2007-2010-access2010-runtime",
         {"Text3": installed("Access", "2010"), "Text4": installed("Excel", "2007 と 2010"),
          "Text8": last_used("2010"), "Text0": TYPE_V, "Text2": ADVICE_TYPE_FOUND}, 13,
         frozenset({"Frame4", "Text8"})),
        # Code -9: no Access runtime is named for Excel 2016, so the name stays empty.
        ("excel2016-only",
         {"Text3": not_installed("Access"), "Text4": installed("Excel", "2016"), "Text00": "",
          "Text0": TYPE_UNKNOWN, "Text2": ADVICE_ACCESS_MISSING}, 10, frozenset({"Text00"})),
        # One version each: the stale CurVer naming the removed 2007 is not read.
        ("office2003-after-2007-removed",
         {"Text3": installed("Access", "2003"), "Text4": installed("Excel", "2003"),
          "Text0": TYPE_UNKNOWN, "Text2": ADVICE_OLD_ACCESS}, 10, frozenset()),
        ("office2003-and-2013",
         {"Text3": installed("Access", "2003 と 2013"), "Text4": installed("Excel", "2003 と 2013"),
          "Text7": last_used("2013"), "Text8": last_used("2013"), "Text0": TYPE_V, "Text2": ADVICE_TYPE_FOUND}, 13,
         frozenset({"Frame3", "Text7", "Frame4", "Text8"})),
        ("office2010",
         {"Text3": installed("Access", "2010"), "Text4": installed("Excel", "2010"),
          "Text0": TYPE_V, "Text2": ADVICE_TYPE_FOUND}, 13, frozenset()),
    )
] + [
    # Japanese Office names its file types and verbs in Japanese: regedit's REGEDIT4 export of
    # this machine carries them in CP932, and reading it must not trip over them.
    Case("fixture_office2010_japanese_names",
         Registry(exports=(REPO / "tests" / "fixtures" / "office2010.reg",),
                  raw=("[HKEY_CLASSES_ROOT\\Excel.Sheet.12]", '@="Microsoft Excel ワークシート"',
                       "[HKEY_CLASSES_ROOT\\Excel.Sheet.12\\shell\\開く]", '@="開く(&O)"')),
         {"Text3": installed("Access", "2010"), "Text4": installed("Excel", "2010"),
          "Text0": TYPE_V, "Text2": ADVICE_TYPE_FOUND}, 13, frozenset()),
]


def expected_texts(case: Case, phone: str) -> dict:
    texts = dict(FIXED_TEXTS)
    texts.update(case.texts)
    if texts["Text2"] is not None:
        texts["Text2"] = texts["Text2"].replace("{phone}", phone)
    return {k: v for k, v in texts.items() if v is not None}


def expected_visible(case: Case) -> dict:
    return {c.name: c.name in ALWAYS_SHOWN or c.name in case.shown for c in CONTROLS}


def expected_font(name: str, case: Case | None) -> tuple[int, bool] | None:
    if name == "Text2" and case is not None:
        return (case.text2_points, True) if case.text2_points else None
    return BY_NAME[name].font


# ---- fixtures --------------------------------------------------------------------------------


def controls_by_name(dump: dict) -> dict:
    return {NAME.get(c["id"], str(c["id"])): c for c in dump["controls"]}


def copied_findings(dump: dict) -> str:
    """What Ctrl+C copies, read off the window as the probe saw it: the title, the type in the gap
    of its sentence, each advice line with the runtime name in front of the first, each product's
    versions line and last-used line. Only what shows, without the blanks around it; CR LF after
    every line."""
    shown = {name: c["text"] for name, c in controls_by_name(dump).items() if c["visible"]}

    def lines(text: str) -> list[str]:
        return [line.strip(" " + FW) for line in text.split(CRLF)]

    sentence = re.sub(FW + "+", f" {shown['Text0']} ", lines(shown["Text1"])[0], count=1)
    advice = lines(shown["Text2"])
    advice[0] = shown.get("Text00", "") + advice[0]
    versions = [line for name in ("Text3", "Text7", "Text4", "Text8") if name in shown for line in lines(shown[name])]
    return "".join(line + CRLF for line in [dump["window"]["title"], sentence, *advice, *versions] if line)


@pytest.fixture(scope="module", params=CASES, ids=lambda case: case.name)
def scenario(request, wine_host, program):
    case = request.param
    run = wine_host.run_scenario(case.name, case.registry, with_report=True, with_copy=True)
    if not run.dump:
        pytest.fail(f"probe read nothing (exit {run.probe_rc}): {run.probe_stderr.strip()}", pytrace=False)
    return case, run


# ---- scenario tests --------------------------------------------------------------------------


def test_results_appear_and_program_keeps_running(scenario):
    case, run = scenario
    assert run.dump["ready"], f"Text0 stayed empty: {run.probe_stderr}"
    assert run.probe_rc == 0, run.probe_stderr
    assert run.dump["hook"], "the probe's hook could not read inside the program"
    assert run.dump["acp"] == 932, "not the Japanese code page: is the ja_JP.UTF-8 locale generated?"
    assert run.dump["other_windows"] == [], "the program showed another window (a message box?)"
    assert run.exit_code is not None, "the program did not end after WM_SYSCOMMAND SC_CLOSE"
    assert run.screenshot and run.screenshot.exists()


# Beside the layout's controls the window holds only elements for assistive technology, none
# of which ever shows: hidden STATIC names of the text boxes (made when assistive technology
# first asks, so none here) and a zero-size STATIC that announces the result.
ANNOUNCEMENT_ID = 3000


def test_controls_are_the_18_of_the_layout(scenario):
    case, run = scenario
    found = {c["id"]: (c["class"], c["parent"]) for c in run.dump["controls"]}
    wanted = {ID[c.name]: (c.cls, ID[c.container] if c.container else 0) for c in CONTROLS}
    extra = {i: found.pop(i) for i in list(found) if i not in wanted}
    assert found == wanted
    assert set(extra) <= {ANNOUNCEMENT_ID}, extra
    for c in run.dump["controls"]:
        if c["id"] in extra:
            assert c["class"] == "Static" and c["rect"][:2] == c["rect"][2:], c


def test_texts(scenario, support_phone):
    case, run = scenario
    controls = controls_by_name(run.dump)
    expected = expected_texts(case, support_phone)
    actual = {name: controls[name]["text"] for name in expected}
    assert actual == expected


def test_ctrl_c_copies_the_findings(scenario):
    # Pressed with the focus on 閉じる, where it is when the window opens; read from outside.
    case, run = scenario
    assert run.copied.get("text") == copied_findings(run.dump), run.copied


def test_visibility(scenario):
    case, run = scenario
    controls = controls_by_name(run.dump)
    assert {c.name: controls[c.name]["visible"] for c in CONTROLS} == expected_visible(case)


def test_geometry(scenario):
    case, run = scenario
    controls = controls_by_name(run.dump)
    actual = {c.name: controls[c.name]["rect"] for c in CONTROLS}
    assert actual == {c.name: expected_rect(c.name, 96) for c in CONTROLS}


def test_fonts(scenario):
    case, run = scenario
    controls = controls_by_name(run.dump)
    problems = []
    for c in CONTROLS:
        want = expected_font(c.name, case)
        if want is None:
            continue
        font = controls[c.name]["font"]
        problem = font_problem(c.name, font, want[0], 96)
        if problem:
            problems.append(problem)
        elif (font["face"], font["weight"]) != (FACE, 700 if want[1] else 400):
            problems.append(f"{c.name} font {(font['face'], font['weight'])}, want {(FACE, want[1])}")
    assert problems == []


def test_edit_styles_and_colours(scenario):
    case, run = scenario
    controls = controls_by_name(run.dump)
    sys_colors = run.dump["window"]["sys_colors"]
    for c in CONTROLS:
        if c.cls != "Edit":
            continue
        got = controls[c.name]
        style = got["style"]
        assert style & 0x0004, f"{c.name} is not multi-line"  # ES_MULTILINE
        assert style & 0x0800, f"{c.name} is not read-only"  # ES_READONLY
        assert (style & 0x0003) == (0x0001 if c.name in CENTRED else 0), f"{c.name} alignment"
        colors = got["colors"]
        wanted_text = 0x0000FF if c.name in RED_TEXT else sys_colors["windowtext"]
        assert (colors["text"], colors["bk"]) == (wanted_text, sys_colors["btnface"]), c.name


def test_stacking_follows_stored_order(scenario):
    case, run = scenario
    controls = controls_by_name(run.dump)
    for parent in {c.container for c in CONTROLS}:
        siblings = [c.name for c in CONTROLS if c.container == parent]
        z = [controls[n]["z"] for n in siblings]
        assert z == sorted(z), f"stacking under {parent or 'the window'}: {dict(zip(siblings, z))}"


def red_pixels_in_client_area(screenshot, window: dict) -> int:
    """Pixels of the window's client area, as the screenshot shows it, that are clearly red."""
    left, top, right, bottom = window["rect"]
    width, height = window["client_size"]
    border = (right - left - width) // 2
    raw = subprocess.run(["convert", str(screenshot), "-crop", f"{width}x{height}+{left + border}+{bottom - border - height}",
                          "+repage", "rgb:-"], capture_output=True, check=True, timeout=30).stdout
    return sum(1 for i in range(0, len(raw) - 2, 3) if raw[i] > 200 and raw[i + 1] < 80 and raw[i + 2] < 80)


def test_results_are_painted(scenario):
    # The type is always written in red, and nothing red is on screen before it: a window
    # that holds the results without painting them shows none.
    case, run = scenario
    assert red_pixels_in_client_area(run.screenshot, run.dump["window"]) >= 20


def test_every_line_is_whole_and_unwrapped(scenario):
    case, run = scenario
    assert text_fit.line_problems(controls_by_name(run.dump)) == []


def test_overlays_cover_only_blank_stretches(scenario):
    case, run = scenario
    assert text_fit.overlay_problems(controls_by_name(run.dump)) == []


def check_top_window(window: dict, dpi: int, slack: int = 0) -> None:
    assert window["title"] == WINDOW_TITLE
    assert window["class"] == WINDOW_CLASS
    style = window["style"]
    assert style & 0x00C00000 == 0x00C00000, "no caption"  # WS_CAPTION
    assert style & 0x00080000, "no system menu / close box"  # WS_SYSMENU
    assert not style & 0x00020000, "minimise box"  # WS_MINIMIZEBOX
    assert not style & 0x00010000, "maximise box"  # WS_MAXIMIZEBOX
    assert not style & 0x00040000, "resizable border"  # WS_THICKFRAME
    want = [px(CLIENT_TWIPS[0], dpi), px(CLIENT_TWIPS[1], dpi)]
    assert all(abs(a - b) <= slack for a, b in zip(window["client_size"], want)), (window["client_size"], want)
    left, top, right, bottom = window["rect"]
    wl, wt, wr, wb = window["work_area"]
    assert abs((left - wl) - (wr - right)) <= 1, f"not centred horizontally: {window['rect']} in {window['work_area']}"
    assert abs((top - wt) - (wb - bottom)) <= 1, f"not centred vertically: {window['rect']} in {window['work_area']}"
    assert window["dpi"] in (0, dpi)
    assert window["icon"]["big"] or window["icon"]["class_big"], "no window icon"


def test_top_window(scenario):
    case, run = scenario
    check_top_window(run.dump["window"], 96)


def test_no_input_method_window(scenario):
    # Nothing in the window takes typed text, so the program turns the input method off;
    # Windows would otherwise give its thread an IME window, and Wine also COM with it.
    case, run = scenario
    assert "IME" not in run.dump["thread_window_classes"], run.dump["thread_window_classes"]


def test_report_says_what_the_window_shows(scenario, support_phone, request):
    # runesuka-report.exe --json ran on the same registry once the window had closed.
    case, run = scenario
    outcomes = {"type-r": (TYPE_R, ADVICE_TYPE_FOUND), "type-v": (TYPE_V, ADVICE_TYPE_FOUND),
                "old-access": (TYPE_UNKNOWN, ADVICE_OLD_ACCESS.replace("{phone}", support_phone)),
                "excel-missing": (TYPE_UNKNOWN, ADVICE_EXCEL_MISSING),
                "access-missing": (TYPE_UNKNOWN, ADVICE_ACCESS_MISSING),
                "not-installable": (TYPE_UNKNOWN, ADVICE_NOT_INSTALLABLE)}
    versions = None if case.registry.exports else {"access": list(case.registry.access),
                                                   "excel": list(case.registry.excel)}
    live = report_check.check_report(run.report, controls_by_name(run.dump), outcomes, versions)
    if run.exports:
        report_check.check_exports_give_the_same_report(request.getfixturevalue("native_report"), run.exports, live)


# ---- 144 DPI -------------------------------------------------------------------------------


def check_layout_at(run, case: Case, dpi: int) -> None:
    """The window, its controls and their fonts at `dpi`, each within a pixel."""
    assert run.dump and run.dump["ready"], run.probe_stderr
    check_top_window(run.dump["window"], dpi, slack=1)
    controls = controls_by_name(run.dump)
    problems = []
    for c in CONTROLS:
        got, want = controls[c.name]["rect"], expected_rect(c.name, dpi)
        if any(abs(a - b) > 1 for a, b in zip(got, want)):
            problems.append(f"{c.name} rect {got}, want {want} (±1)")
        points = expected_font(c.name, case)
        problem = points and font_problem(c.name, controls[c.name]["font"], points[0], dpi)
        if problem:
            problems.append(problem)
    assert problems == []


def test_layout_scales_at_144_dpi(wine_host, program):
    case = next(c for c in CASES if c.name == "code_77")
    wine_host.set_dpi(144)
    try:
        run = wine_host.run_scenario("code_77_144dpi", case.registry)
    finally:
        wine_host.set_dpi(96)
    check_layout_at(run, case, 144)


def test_layout_follows_a_dpi_change(wine_host, program):
    """Moved to a monitor of 144 DPI, the window lays its controls out and realises its fonts
    again for that DPI."""
    case = next(c for c in CASES if c.name == "code_77")
    wine_host.seed(case.registry, "code_77_dpi_change")
    proc = wine_host.start_program("code_77_dpi_change")
    try:
        rc, before, err = wine_host.dump()
        assert rc == 0 and before["ready"], err
        rc, err = wine_host.probe_cmd("dpi-changed", "144")
        assert rc == 0, err
        rc, after, err = wine_host.dump()
        assert rc == 0, err
        wine_host.screenshot("code_77_dpi_change")
        wine_host.probe_cmd("sc-close")
        wine_host.wait_exit(proc, 10)
    finally:
        wine_host.kill(proc)
    controls = controls_by_name(after)
    problems = []
    for c in CONTROLS:
        if controls[c.name]["rect"] != expected_rect(c.name, 144):
            problems.append(f"{c.name} rect {controls[c.name]['rect']}, want {expected_rect(c.name, 144)}")
        points = expected_font(c.name, case)
        problem = points and font_problem(c.name, controls[c.name]["font"], points[0], 144)
        if problem:
            problems.append(problem)
    assert problems == []
    assert [c["text"] for c in after["controls"]] == [c["text"] for c in before["controls"]]


# ---- font fallback -------------------------------------------------------------------------

REPLACEMENTS_KEY = "[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]"


def test_fonts_fall_back_to_an_installed_japanese_face(wine_host, program):
    """Without the Japanese UI face, the window takes the first of its fallback faces that is
    present, those with the UI face's metrics before taller ones: here "MS UI Gothic" and the
    taller "Meiryo UI" are made present, and "MS UI Gothic" is taken."""
    case = next(c for c in CASES if c.name == "code_77")
    present = ("MS UI Gothic", "Meiryo UI")
    swap = [REPLACEMENTS_KEY, f'{reg_string(FACE)}=-'] + [f'{reg_string(f)}="IPAPGothic"' for f in present] + [""]
    restore = [REPLACEMENTS_KEY, f'{reg_string(FACE)}="IPAPGothic"'] + [f'{reg_string(f)}=-' for f in present] + [""]
    header = ["Windows Registry Editor Version 5.00", ""]
    wine_host.regedit("\r\n".join(header + swap), "fonts-without-japanese-face")
    try:
        run = wine_host.run_scenario("code_77_font_fallback", case.registry)
    finally:
        wine_host.regedit("\r\n".join(header + restore), "fonts-restored")
    assert run.dump and run.dump["ready"], run.probe_stderr
    controls = controls_by_name(run.dump)
    faces = {c.name: controls[c.name]["font"]["face"] for c in CONTROLS if expected_font(c.name, case)}
    assert set(faces.values()) == {"MS UI Gothic"}, faces

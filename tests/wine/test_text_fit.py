"""Every line of every text the window shows stays whole and unwrapped at 96, 120 and 144 DPI,
whichever face stands in for the Japanese UI face: IPAPGothic, whose lines are a pixel taller
than the UI face's, and Droid Sans Fallback, whose lines are a third taller. With IPAPGothic the
overlays still cover only blank stretches; with the much taller face whole lines come first, and
the overlays it tightens are printed (run with -s to see them).

Screenshots: <build>/screenshots/fit-<face>-<dpi>-<scenario>.png.
"""

from __future__ import annotations

import contextlib

import pytest

import text_fit
from test_window import CASES, controls_by_name
from winehost import FONT_REPLACEMENTS, reg_string

# Between them these show every advice text, both runtime names and both last-used lines.
FIT_CASES = [c for c in CASES if c.name in ("code_43", "code_57", "code_-5", "code_7-", "code_89", "code_77",
                                            "fixture_office2003-and-2013")]
CLOSE_FACE = "IPAPGothic"
TALL_FACE = "Droid Sans Fallback"
REPLACEMENTS_KEY = "[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]"


@contextlib.contextmanager
def face_standing_in(host, face: str):
    """Every face the harness maps to IPAPGothic maps to `face` instead, for programs started
    meanwhile."""
    def mapping(real: str) -> str:
        lines = ["Windows Registry Editor Version 5.00", "", REPLACEMENTS_KEY]
        lines += [f"{reg_string(name)}={reg_string(real)}" for name in FONT_REPLACEMENTS]
        return "\r\n".join(lines + [""])

    if face == CLOSE_FACE:
        yield
        return
    host.regedit(mapping(face), f"fonts-{face}")
    try:
        yield
    finally:
        host.regedit(mapping(CLOSE_FACE), "fonts-restored")


@pytest.fixture(scope="module", params=[120, 144, 96], ids=lambda dpi: f"{dpi}dpi")
def dpi(request, wine_host, program):
    wine_host.set_dpi(request.param)
    yield request.param
    wine_host.set_dpi(96)


# The window suite's own scenarios check the close face at 96 DPI; the DPI fixture is
# module-scoped, so the faces are chosen per DPI inside the test.
@pytest.mark.parametrize("case", FIT_CASES, ids=lambda case: case.name)
def test_lines_fit_whatever_face_stands_in(wine_host, dpi, case):
    for face in (TALL_FACE,) if dpi == 96 else (CLOSE_FACE, TALL_FACE):
        check_fit(wine_host, dpi, face, case)


def check_fit(wine_host, dpi: int, face: str, case) -> None:
    with face_standing_in(wine_host, face):
        run = wine_host.run_scenario(f"fit-{face.replace(' ', '')}-{dpi}-{case.name}", case.registry)
    assert run.dump and run.dump["ready"], run.probe_stderr
    controls = controls_by_name(run.dump)
    # Droid Sans Fallback's internal leading is three times IPAPGothic's and more.
    leading = controls["Text2"]["font"]["tm_internal_leading"]
    assert (leading >= 3) == (face == TALL_FACE), f"{face} did not stand in: internal leading {leading}"
    assert text_fit.line_problems(controls) == [], face
    overlays = text_fit.overlay_problems(controls)
    if face == CLOSE_FACE:
        assert overlays == [], face
    elif overlays:
        print(f"\n{face} at {dpi} DPI, {case.name}: the overlays tighten: {overlays}")

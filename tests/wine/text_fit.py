"""How the window's texts are laid out, from a probe dump: every line whole and on its own
line, and the three overlays covering only the blank stretches they are meant to cover.

The hook reports, for every Edit, its line count as the Edit broke the text, its formatting
rectangle, where each character and each line starts, and each line's width in its font.
"""

from __future__ import annotations

CRLF = "\r\n"
FW = "\u3000"
# Text1's sentence: the type stands in the gap of eight full-width spaces after these characters.
GAP_START = len("このパソコンのタイプは")
GAP_END = GAP_START + 8
# The first line of the Access-missing advice keeps its first 18 characters blank for Text00.
RUNTIME_GAP = 18


def _shown(controls: dict, name: str) -> bool:
    return controls[name]["visible"] and bool(controls[name]["text"].strip(" " + FW + CRLF))


def line_problems(controls: dict) -> list[str]:
    """Every shown text box: no line the text writes as one is wrapped, and every line that has
    characters lies wholly inside the box."""
    problems = []
    for name, c in controls.items():
        if c["class"] != "Edit" or not _shown(controls, name):
            continue
        layout, font = c["layout"], c["font"]
        lines = c["text"].split(CRLF)
        if layout["lines"] != len(lines):
            problems.append(f"{name}: {layout['lines']} lines on screen for the {len(lines)} of {c['text']!r}")
            continue
        left, top, right, bottom = layout["format_rect"]
        client = layout["client_rect"]
        pitch = font["tm_height"]
        last = max(i for i, line in enumerate(lines) if line.strip(" " + FW))
        if layout["first_visible_line"] != 0 or top + (last + 1) * pitch > min(bottom, client[3]):
            problems.append(f"{name}: line {last + 1} of {pitch} px does not fit {layout['format_rect']} "
                            f"in {client}")
        for i, (x, _, width) in enumerate(layout["line_boxes"]):
            if lines[i] and (x < left or x + width > right):
                problems.append(f"{name}: line {i + 1} spans {x}..{x + width}, outside {left}..{right}")
    return problems


def _window_x(controls: dict, name: str, x: int) -> int:
    return controls[name]["rect"][0] + x


def overlay_problems(controls: dict) -> list[str]:
    """The overlays cover only blank stretches: Frame0 the gap of Text1's sentence, Text00 the
    blank start of the advice, the last-used frames the right ends of their product's lines."""
    problems = []
    frame0 = controls["Frame0"]["rect"]
    positions = controls["Text1"]["layout"]["positions"]
    before_gap, after_gap = _window_x(controls, "Text1", positions[GAP_START][0]), _window_x(
        controls, "Text1", positions[GAP_END][0])
    if before_gap > frame0[0] or after_gap < frame0[2]:
        problems.append(f"Text1's words end at {before_gap} and resume at {after_gap}, under Frame0 {frame0}")
    if controls["Text00"]["visible"]:
        first = _window_x(controls, "Text2", controls["Text2"]["layout"]["positions"][RUNTIME_GAP][0])
        if first < controls["Text00"]["rect"][2]:
            problems.append(f"the advice starts at {first}, under Text00 {controls['Text00']['rect']}")
    for frame, lines in (("Frame3", ("Text3", "Text5")), ("Frame4", ("Text4", "Text6"))):
        if not controls[frame]["visible"]:
            continue
        for name in lines:
            x, _, width = controls[name]["layout"]["line_boxes"][0]
            end = _window_x(controls, name, x + width)
            if end > controls[frame]["rect"][0]:
                problems.append(f"{name}'s line ends at {end}, under {frame} {controls[frame]['rect']}")
    return problems

"""Tests of tools/make_icon.py and the icons built from ui/icons/*.txt.

The .ico files are read back with a small parser written here, independent
of the generator's writer, and compared with the pixel sources, which are
also read by a small independent reader.  Run: python3 -m pytest tests/tools
"""

import os
import shutil
import struct
import subprocess
import sys
from pathlib import Path

import pytest

ROOT = Path(__file__).resolve().parents[2]
SCRIPT = ROOT / "tools" / "make_icon.py"
ICONS = ROOT / "ui" / "icons"

# The standard 16-colour Windows palette, index order, as (R, G, B).
VGA = {
    "black": (0, 0, 0), "maroon": (128, 0, 0), "green": (0, 128, 0),
    "olive": (128, 128, 0), "navy": (0, 0, 128), "purple": (128, 0, 128),
    "teal": (0, 128, 128), "silver": (192, 192, 192), "gray": (128, 128, 128),
    "red": (255, 0, 0), "lime": (0, 255, 0), "yellow": (255, 255, 0),
    "blue": (0, 0, 255), "fuchsia": (255, 0, 255), "cyan": (0, 255, 255),
    "white": (255, 255, 255),
}
VGA_ORDER = list(VGA)
MONO = {"black": (0, 0, 0), "white": (255, 255, 255)}

# icon name -> [(source file, size, bits per pixel)] in image order.
EXPECTED_IMAGES = {
    "warning": [("warning_32.txt", 32, 4), ("warning_16.txt", 16, 4)],
    "warning_red": [("warning_red_32.txt", 32, 4),
                    ("warning_red_16.txt", 16, 4)],
    "application": [("application_32_mono.txt", 32, 1),
                    ("application_32.txt", 32, 4),
                    ("application_16.txt", 16, 4)],
}


# --- independent readers -------------------------------------------------

def read_source(path):
    """Pixel source -> (width, height, bpp, rows of colour names / None)."""
    head, _, body = Path(path).read_text().partition("\npixels\n")
    legend, size, bpp = {}, None, None
    for line in head.splitlines():
        words = line.split()
        if not words or words[0].startswith("#"):
            continue
        if words[0] == "size":
            size = tuple(int(n) for n in words[1].split("x"))
        elif words[0] == "bpp":
            bpp = int(words[1])
        elif words[0] == "legend":
            legend[words[1]] = None if words[2] == "transparent" else words[2]
    rows = [[legend[c] for c in line] for line in body.splitlines() if line]
    return size[0], size[1], bpp, rows


def parse_ico(data):
    """ICO bytes -> list of dicts describing each image, pixels decoded."""
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    assert (reserved, kind) == (0, 1), "not an icon file"
    images, end = [], 6 + 16 * count
    for i in range(count):
        (w, h, ncol, res, planes, bits, nbytes,
         offset) = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
        assert offset == end, "images must follow each other without gaps"
        end += nbytes
        (bi_size, bi_w, bi_h, bi_planes, bi_bits, bi_comp, bi_image,
         _, _, bi_used, _) = struct.unpack_from("<IiiHHIIiiII", data, offset)
        assert bi_size == 40 and bi_comp == 0
        ncolours = bi_used or (1 << bi_bits)
        pos = offset + 40
        palette = [tuple(data[pos + 4 * k + j] for j in (2, 1, 0))
                   for k in range(ncolours)]
        assert all(data[pos + 4 * k + 3] == 0 for k in range(ncolours))
        pos += 4 * ncolours
        height = bi_h // 2
        stride = ((bi_w * bi_bits + 31) // 32) * 4
        mstride = ((bi_w + 31) // 32) * 4
        xor = data[pos:pos + stride * height]
        mask = data[pos + stride * height:pos + (stride + mstride) * height]
        assert pos + (stride + mstride) * height == offset + nbytes

        def pixel(buf, row_stride, bits, x, y):
            row = buf[(height - 1 - y) * row_stride:]  # bottom-up rows
            bit = x * bits
            return (row[bit // 8] >> (8 - bits - bit % 8)) & ((1 << bits) - 1)

        images.append({
            "entry": (w or 256, h or 256, ncol, res, planes, bits),
            "header": (bi_w, bi_h, bi_planes, bi_bits, bi_image),
            "palette": palette,
            "index": [[pixel(xor, stride, bi_bits, x, y) for x in range(bi_w)]
                      for y in range(height)],
            "mask": [[pixel(mask, mstride, 1, x, y) for x in range(bi_w)]
                     for y in range(height)],
        })
    assert end == len(data), "trailing bytes after the last image"
    return images


# --- helpers --------------------------------------------------------------

def run(*args):
    return subprocess.run([sys.executable, str(SCRIPT), *map(str, args)],
                          capture_output=True, text=True)


def build(name, out_dir):
    out = Path(out_dir) / (name + ".ico")
    result = run(out, *(ICONS / src for src, _, _ in EXPECTED_IMAGES[name]))
    assert result.returncode == 0, result.stderr
    return out.read_bytes()


@pytest.fixture(scope="module")
def built(tmp_path_factory):
    out = tmp_path_factory.mktemp("icons")
    return {name: build(name, out) for name in EXPECTED_IMAGES}


def sources(name):
    return [read_source(ICONS / src) for src, _, _ in EXPECTED_IMAGES[name]]


def centre_runs(rows, x):
    """Colours down column x with repeats collapsed, transparent ends cut."""
    runs = []
    for row in rows:
        if not runs or runs[-1] != row[x]:
            runs.append(row[x])
    while runs and runs[0] is None:
        runs.pop(0)
    while runs and runs[-1] is None:
        runs.pop()
    return runs


# --- format ---------------------------------------------------------------

@pytest.mark.parametrize("name", EXPECTED_IMAGES)
def test_images_sizes_and_depths(built, name):
    images = parse_ico(built[name])
    assert len(images) == len(EXPECTED_IMAGES[name])
    for image, (_, size, bpp) in zip(images, EXPECTED_IMAGES[name]):
        assert image["entry"] == (size, size, 1 << bpp, 0, 1, bpp)
        stride = ((size * bpp + 31) // 32) * 4
        mstride = ((size + 31) // 32) * 4
        assert image["header"] == (size, 2 * size, 1, bpp,
                                   (stride + mstride) * size)


@pytest.mark.parametrize("name", EXPECTED_IMAGES)
def test_standard_palette(built, name):
    for image, (_, _, bpp) in zip(parse_ico(built[name]), EXPECTED_IMAGES[name]):
        want = list(VGA.values()) if bpp == 4 else list(MONO.values())
        assert image["palette"] == want


@pytest.mark.parametrize("name", EXPECTED_IMAGES)
def test_pixels_and_mask_match_source(built, name):
    for image, source in zip(parse_ico(built[name]), sources(name)):
        width, height, bpp, rows = source
        names = VGA_ORDER if bpp == 4 else list(MONO)
        assert len(rows) == height and all(len(r) == width for r in rows)
        for y, row in enumerate(rows):
            for x, colour in enumerate(row):
                if colour is None:
                    assert image["mask"][y][x] == 1, (x, y)
                    assert image["index"][y][x] == 0, (x, y)
                else:
                    assert image["mask"][y][x] == 0, (x, y)
                    assert names[image["index"][y][x]] == colour, (x, y)


@pytest.mark.parametrize("name", EXPECTED_IMAGES)
def test_reproducible(built, tmp_path, name):
    assert build(name, tmp_path) == built[name]
    assert build(name, tmp_path) == built[name]


def test_sizes_agree_between_header_and_source():
    for name, images in EXPECTED_IMAGES.items():
        for (src, size, bpp), (w, h, b, rows) in zip(images, sources(name)):
            assert (w, h, b) == (size, size, bpp), src


# --- what the pictures show ------------------------------------------------

def opaque(rows, skip=()):
    return {(x, y) for y, row in enumerate(rows) for x, c in enumerate(row)
            if c is not None and c not in skip}


def test_warning_design():
    for w, h, _, rows in sources("warning"):
        used = {c for row in rows for c in row}
        assert used == {None, "yellow", "olive", "black", "gray"}
        tri = opaque(rows, skip={"gray"})
        xs = [x for x, _ in tri]
        axis = min(xs) + max(xs)  # 2 * centre of the triangle
        # Symmetric apart from the shadow, colours included.
        assert {(axis - x, y) for x, y in tri} == tri
        for x, y in tri:
            assert rows[y][axis - x] == rows[y][x]
        # Points upwards: each row at least as wide as the one above it.
        widths = [sum(1 for x in range(w) if (x, y) in tri) for y in range(h)]
        body = [n for n in widths if n]
        assert body == sorted(body) and body[0] <= 2
        # Centre column: olive tip, yellow, bar, yellow, dot, yellow, base
        # line, shadow.
        assert centre_runs(rows, axis // 2) == [
            "olive", "yellow", "black", "yellow", "black", "yellow", "black",
            "gray"]
        # The bar is thick and longer than the dot.
        bar = [y for y in range(h) if rows[y][axis // 2] == "black"]
        assert rows[bar[0] + 2][axis // 2 + 1] == "black"
        # The base line is black all across the bottom of the triangle.
        base = max(y for _, y in tri)
        assert all(rows[base][x] == "black" for x, y in tri if y == base)
        # Olive only on the slanted sides: each olive pixel is an outer
        # pixel of its row and not on the base line.
        for y in range(h):
            row_x = sorted(x for x, yy in tri if yy == y)
            for x in row_x:
                if rows[y][x] == "olive":
                    assert y != base
                    assert x - row_x[0] < 2 or row_x[-1] - x < 2 or y <= 2
        # Shadow: grey only to the right of / below the triangle.
        for y, row in enumerate(rows):
            for x, c in enumerate(row):
                if c == "gray":
                    assert y > base or all((xx, y) not in tri
                                           for xx in range(x, w))
        assert any(c == "gray" for c in rows[base + 1])


def test_warning_red_design():
    for w, h, _, rows in sources("warning_red"):
        used = {c for row in rows for c in row}
        assert used == {None, "red", "white"}
        tri = opaque(rows)
        xs = [x for x, _ in tri]
        axis = min(xs) + max(xs)
        assert {(axis - x, y) for x, y in tri} == tri
        assert centre_runs(rows, axis // 2) == [
            "red", "white", "red", "white", "red"]
        widths = [n for n in (sum(1 for x in range(w) if (x, y) in tri)
                              for y in range(h)) if n]
        assert widths == sorted(widths) and widths[-1] >= w - 4


def test_warning_icons_share_the_triangle_outline():
    """Same shape at 16x16: the red one is the yellow one minus the shadow."""
    (_, _, _, yellow), (_, _, _, red) = sources("warning")[1], \
        sources("warning_red")[1]
    assert opaque(yellow, skip={"gray"}) == opaque(red)


def test_application_design():
    mono, colour32, colour16 = sources("application")
    assert {c for row in mono[3] for c in row} == {None, "black", "white"}
    for w, h, _, rows in (colour32, colour16):
        used = {c for row in rows for c in row}
        assert used == {None, "black", "white", "cyan", "silver", "gray"}
        # Corners transparent; the window is outlined in black.
        assert rows[0][0] is None and rows[-1][-1] is None
        # Title bar above the client area, in every column that has both.
        for x in range(w):
            col = [rows[y][x] for y in range(h)]
            if "cyan" in col and "white" in col:
                assert max(i for i, c in enumerate(col) if c == "cyan") < \
                    min(i for i, c in enumerate(col) if c == "white")
        # Perspective: the left edge of the window is taller than the right.
        cols = [x for x in range(w) if any(rows[y][x] == "cyan"
                                           for y in range(h))]

        def height(x):
            ys = [y for y in range(h) if rows[y][x] not in (None, "gray")]
            return max(ys) - min(ys) + 1
        assert height(cols[0] - 1) > height(cols[-1] + 1)
        # Shadow lies to the lower right of the window.
        grey = [(x, y) for y in range(h) for x in range(w)
                if rows[y][x] == "gray"]
        win = opaque(rows, skip={"gray"})
        assert min(x for x, _ in grey) > min(x for x, _ in win)
        assert max(x for x, _ in grey) > max(x for x, _ in win)
        assert max(y for _, y in grey) > max(y for _, y in win)
    # The mono image keeps the colour image's window outline.
    assert opaque(mono[3], skip=()) >= opaque(colour32[3], skip={"gray"})


# --- malformed sources ---------------------------------------------------

GOOD = """# test
size 4x2
bpp 4
legend . transparent
legend K black
legend Y yellow
pixels
.KK.
YKKY
"""


def test_small_source_round_trip(tmp_path):
    src = tmp_path / "ok.txt"
    src.write_text(GOOD)
    out = tmp_path / "ok.ico"
    result = run(out, src)
    assert result.returncode == 0, result.stderr
    (image,) = parse_ico(out.read_bytes())
    assert image["index"] == [[0, 0, 0, 0], [11, 0, 0, 11]]
    assert image["mask"] == [[1, 0, 0, 1], [0, 0, 0, 0]]
    data = out.read_bytes()
    # 6 + 16 directory, 40 header, 64 palette, 2 rows x 4 bytes XOR and AND.
    assert len(data) == 6 + 16 + 40 + 64 + 8 + 8


@pytest.mark.parametrize("text, message", [
    (GOOD.replace("YKKY", "YKKYK"), "row 2 has 5 pixels, expected 4"),
    (GOOD.replace(".KK.", ".K."), "row 1 has 3 pixels, expected 4"),
    (GOOD.replace("YKKY", "YKRY"), "unknown character 'R'"),
    (GOOD.replace("size 4x2", "size 4x3"), "2 pixel rows, expected 3"),
    (GOOD + "KKKK\n", "3 pixel rows, expected 2"),
    (GOOD.replace("size 4x2", "size 5x2"), "row 1 has 4 pixels, expected 5"),
    (GOOD.replace("size 4x2", "size 4"), "size must look like 32x32"),
    (GOOD.replace("bpp 4", "bpp 8"), "bpp must be 1 or 4"),
    (GOOD.replace("bpp 4\n", ""), "missing 'bpp"),
    (GOOD.replace("size 4x2\n", ""), "missing 'size"),
    (GOOD.replace("pixels\n", ""), "unrecognised header line"),
    (GOOD.replace("Y yellow", "Y amber"), "unknown colour 'amber'"),
    (GOOD.replace("bpp 4", "bpp 1"), "unknown colour 'yellow'"),
    (GOOD.replace("legend Y yellow", "legend K yellow"), "defined twice"),
])
def test_malformed_source_rejected(tmp_path, text, message):
    src = tmp_path / "bad.txt"
    src.write_text(text)
    out = tmp_path / "bad.ico"
    result = run(out, src)
    assert result.returncode != 0
    assert message in result.stderr
    assert "bad.txt:" in result.stderr  # names the file (and line)
    assert not out.exists()


def test_usage_and_missing_file(tmp_path):
    assert run(tmp_path / "x.ico").returncode != 0
    result = run(tmp_path / "x.ico", tmp_path / "nope.txt")
    assert result.returncode != 0 and "nope.txt" in result.stderr
    assert not (tmp_path / "x.ico").exists()


# --- the CMake function ---------------------------------------------------

@pytest.mark.skipif(shutil.which("cmake") is None, reason="cmake not found")
def test_cmake_function_builds_and_tracks_sources(tmp_path):
    project = tmp_path / "src"
    (project / "icons").mkdir(parents=True)
    for src, _, _ in EXPECTED_IMAGES["warning"]:
        shutil.copy(ICONS / src, project / "icons" / src)
    (project / "CMakeLists.txt").write_text(
        "cmake_minimum_required(VERSION 3.20)\n"
        "project(icons LANGUAGES NONE)\n"
        'list(APPEND CMAKE_MODULE_PATH "%s")\n'
        "include(Icons)\n"
        "runesuka_icon(warning icons/warning_32.txt icons/warning_16.txt)\n"
        'file(WRITE "${CMAKE_BINARY_DIR}/where.txt" "${RUNESUKA_ICON_warning}")\n'
        % (ROOT / "cmake").as_posix())
    bld = tmp_path / "build"

    def cmake(*args):
        result = subprocess.run(["cmake", *map(str, args)],
                                capture_output=True, text=True)
        assert result.returncode == 0, result.stdout + result.stderr

    cmake("-S", project, "-B", bld)
    cmake("--build", bld, "--target", "runesuka_icon_warning")
    out = bld / "icons" / "warning.ico"
    assert (bld / "where.txt").read_text() == out.as_posix()
    assert out.read_bytes() == build("warning", tmp_path)

    # Editing a source regenerates the icon on the next build.
    src16 = project / "icons" / "warning_16.txt"
    src16.write_text(src16.read_text().replace("OYYYYYYYYYYYYO",
                                               "OYYYYYYYYYYYKO"))
    stamp = out.stat().st_mtime + 10
    os.utime(src16, (stamp, stamp))
    cmake("--build", bld, "--target", "runesuka_icon_warning")
    assert out.read_bytes() != build("warning", tmp_path)

#!/usr/bin/env python3
"""Build a Windows .ico file from plain-text pixel sources.

Usage:  python3 tools/make_icon.py OUTPUT.ico SOURCE.txt [SOURCE.txt ...]

Each source becomes one image of the icon, in the order given.  The output
depends only on the sources (no timestamps), so builds are reproducible.

Source format (see ui/icons/*.txt):

    # comment lines and blank lines in the header are ignored
    size 32x32                 width x height in pixels (1..256)
    bpp 4                      bits per pixel: 4 (16 colours) or 1 (2 colours)
    legend . transparent       one line per character used in the pixels
    legend K black             colour names: see PALETTE_4BPP / PALETTE_1BPP
    pixels                     the pixel rows follow, one line per row,
    ....KK....                 one character per pixel, top row first

Transparent pixels get AND-mask bit 1 and XOR colour index 0 (black); every
other pixel gets mask bit 0 and its palette index.  Malformed sources are
rejected with "FILE:LINE: message" on stderr and exit status 1.
"""

import os
import struct
import sys

# The standard 16-colour Windows (VGA) palette, in index order, as RGB.
PALETTE_4BPP = [
    ("black", (0x00, 0x00, 0x00)),
    ("maroon", (0x80, 0x00, 0x00)),
    ("green", (0x00, 0x80, 0x00)),
    ("olive", (0x80, 0x80, 0x00)),
    ("navy", (0x00, 0x00, 0x80)),
    ("purple", (0x80, 0x00, 0x80)),
    ("teal", (0x00, 0x80, 0x80)),
    ("silver", (0xC0, 0xC0, 0xC0)),
    ("gray", (0x80, 0x80, 0x80)),
    ("red", (0xFF, 0x00, 0x00)),
    ("lime", (0x00, 0xFF, 0x00)),
    ("yellow", (0xFF, 0xFF, 0x00)),
    ("blue", (0x00, 0x00, 0xFF)),
    ("fuchsia", (0xFF, 0x00, 0xFF)),
    ("cyan", (0x00, 0xFF, 0xFF)),
    ("white", (0xFF, 0xFF, 0xFF)),
]
PALETTE_1BPP = [
    ("black", (0x00, 0x00, 0x00)),
    ("white", (0xFF, 0xFF, 0xFF)),
]
PALETTES = {4: PALETTE_4BPP, 1: PALETTE_1BPP}
TRANSPARENT = "transparent"


class SourceError(Exception):
    """A malformed pixel source; str() is 'FILE:LINE: message'."""


class Image:
    """One parsed icon image: rows of palette indices, None = transparent."""

    def __init__(self, width, height, bpp, rows):
        self.width = width
        self.height = height
        self.bpp = bpp
        self.rows = rows


def parse_source(text, name="<source>"):
    """Parse the text of one pixel source into an Image, or raise SourceError."""

    def fail(lineno, message):
        raise SourceError("%s:%d: %s" % (name, lineno, message))

    size = bpp = None
    legend = {}  # character -> (colour name, line number)
    lines = text.splitlines()
    pixels_at = None
    for lineno, raw in enumerate(lines, 1):
        line = raw.strip()
        if not line or line.startswith("#"):
            continue
        words = line.split()
        key = words[0]
        if key == "pixels" and len(words) == 1:
            pixels_at = lineno
            break
        if key == "size" and len(words) == 2:
            w, sep, h = words[1].partition("x")
            if not (sep and w.isdigit() and h.isdigit()):
                fail(lineno, "size must look like 32x32, not %r" % words[1])
            size = (int(w), int(h))
            if not (1 <= size[0] <= 256 and 1 <= size[1] <= 256):
                fail(lineno, "size must be between 1x1 and 256x256")
        elif key == "bpp" and len(words) == 2:
            if words[1] not in ("1", "4"):
                fail(lineno, "bpp must be 1 or 4, not %r" % words[1])
            bpp = int(words[1])
        elif key == "legend" and len(words) == 3:
            char, colour = words[1], words[2].lower()
            if len(char) != 1:
                fail(lineno, "legend key must be one character, not %r" % char)
            if char in legend:
                fail(lineno, "legend character %r defined twice" % char)
            legend[char] = (colour, lineno)
        else:
            fail(lineno, "unrecognised header line %r "
                 "(expected size, bpp, legend or pixels)" % line)

    if size is None:
        fail(1, "missing 'size WxH' header line")
    if bpp is None:
        fail(1, "missing 'bpp 4' or 'bpp 1' header line")
    if pixels_at is None:
        fail(len(lines), "missing 'pixels' line before the pixel rows")

    palette = [colour for colour, _ in PALETTES[bpp]]
    index = {}  # character -> palette index, or None for transparent
    for char, (colour, lineno) in legend.items():
        if colour == TRANSPARENT:
            index[char] = None
        elif colour in palette:
            index[char] = palette.index(colour)
        else:
            fail(lineno, "unknown colour %r for a %d-bpp image; use one of: %s"
                 % (colour, bpp, ", ".join(palette + [TRANSPARENT])))

    width, height = size
    body = lines[pixels_at:]
    while body and not body[-1].strip():
        body.pop()  # allow trailing blank lines at the end of the file
    rows = []
    for offset, row in enumerate(body):
        lineno = pixels_at + 1 + offset
        row = row.rstrip("\r\n")
        if len(row) != width:
            fail(lineno, "row %d has %d pixels, expected %d (size %dx%d)"
                 % (offset + 1, len(row), width, width, height))
        for col, char in enumerate(row):
            if char not in index:
                fail(lineno, "unknown character %r in column %d (not in legend)"
                     % (char, col + 1))
        rows.append([index[char] for char in row])
    if len(rows) != height:
        fail(pixels_at, "%d pixel rows, expected %d (size %dx%d)"
             % (len(rows), height, width, height))
    return Image(width, height, bpp, rows)


def _pack_row(values, bpp):
    """Pack one row of small integers MSB-first, padded to 4 bytes."""
    out = bytearray()
    acc = nbits = 0
    for value in values:
        acc = (acc << bpp) | value
        nbits += bpp
        if nbits == 8:
            out.append(acc)
            acc = nbits = 0
    if nbits:
        out.append(acc << (8 - nbits))
    out.extend(b"\0" * (-len(out) % 4))
    return bytes(out)


def image_bytes(image):
    """BITMAPINFOHEADER + palette + XOR bitmap + AND mask of one image."""
    xor = b"".join(_pack_row([0 if v is None else v for v in row], image.bpp)
                   for row in reversed(image.rows))
    mask = b"".join(_pack_row([1 if v is None else 0 for v in row], 1)
                    for row in reversed(image.rows))
    header = struct.pack("<IiiHHIIiiII", 40, image.width, 2 * image.height,
                         1, image.bpp, 0, len(xor) + len(mask), 0, 0, 0, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0)
                       for _, (r, g, b) in PALETTES[image.bpp])
    return header + palette + xor + mask


def ico_bytes(images):
    """The complete .ico file for a list of Images."""
    blobs = [image_bytes(image) for image in images]
    offset = 6 + 16 * len(images)
    out = [struct.pack("<HHH", 0, 1, len(images))]
    for image, blob in zip(images, blobs):
        out.append(struct.pack("<BBBBHHII", image.width % 256,
                               image.height % 256, 1 << image.bpp, 0,
                               1, image.bpp, len(blob), offset))
        offset += len(blob)
    return b"".join(out + blobs)


def main(argv):
    if len(argv) < 3:
        sys.stderr.write("usage: %s OUTPUT.ico SOURCE.txt [SOURCE.txt ...]\n"
                         % os.path.basename(argv[0]))
        return 2
    output, sources = argv[1], argv[2:]
    try:
        images = []
        for path in sources:
            with open(path, encoding="utf-8") as f:
                images.append(parse_source(f.read(), path))
    except SourceError as error:
        sys.stderr.write("make_icon: error: %s\n" % error)
        return 1
    except (OSError, UnicodeDecodeError) as error:
        sys.stderr.write("make_icon: error: %s\n" % error)
        return 1
    data = ico_bytes(images)
    tmp = output + ".tmp"
    with open(tmp, "wb") as f:
        f.write(data)
    os.replace(tmp, output)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

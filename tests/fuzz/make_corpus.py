#!/usr/bin/env python3
"""Writes the fuzzers' seed inputs: the check fuzzer's (format: fuzz_registry.h) into
tests/fuzz/corpus/, the export fuzzer's (registry export files) into tests/fuzz/reg_export_corpus/.

One seed per registry export in tests/fixtures/, plus the situations no export shows:
nothing installed, CurVer texts that name no version, data too long for the reader's
buffer, bytes that are no CP932 text, refused keys and non-text value types.
Run it again after changing a fixture or the format; the fuzzer's own finds are added
with `tests/fuzz/run.sh merge`.
"""

from __future__ import annotations

import re
import struct
from pathlib import Path

HERE = Path(__file__).resolve().parent
FIXTURES = HERE.parent / "fixtures"
CORPUS = HERE / "corpus"
EXPORT_CORPUS = HERE / "reg_export_corpus"

PRODUCTS = ("Access", "Excel")
FIRST_MAJOR, VERSION_COUNT = 7, 10
KEY_ONLY, REFUSED = 0x10, 0x20
REG_SZ, REG_BINARY, REG_DWORD = 1, 3, 4
CLSID = {"Access": "{73A4C9C1-D68D-11D0-98BF-00A0C90DC8D9}", "Excel": "{00024500-0000-0000-C000-000000000046}"}


def key_index(key: str) -> int | None:
    """The record's key byte for a probed key, None for any other key."""
    match = re.fullmatch(r"(Access|Excel)\.Application(?:\.(\d+)\\CLSID|\\CurVer)", key, re.I)
    if not match:
        return None
    product = [p.lower() for p in PRODUCTS].index(match.group(1).lower())
    if match.group(2) is None:
        return 2 * VERSION_COUNT + product
    index = int(match.group(2)) - FIRST_MAJOR
    return product * VERSION_COUNT + index if 0 <= index < VERSION_COUNT else None


def record(key: str, data: bytes = b"", value_type: int = REG_SZ, flags: int = 0) -> bytes:
    index = key_index(key)
    assert index is not None, key
    return struct.pack("<BBH", index, value_type | flags, len(data)) + data


def text(value: str) -> bytes:
    """A REG_SZ value as RegQueryValueExA hands it out: CP932 with its NUL."""
    return value.encode("cp932") + b"\0"


def installed(product: str, *majors: int, curver: bytes | None = None) -> bytes:
    out = b"".join(record(f"{product}.Application.{n}\\CLSID", text(CLSID[product])) for n in majors)
    if curver is not None:
        out += record(f"{product}.Application\\CurVer", curver)
    return out


def from_reg_file(path: Path) -> bytes:
    """The probed keys' default values of a REGEDIT4 export, in file order."""
    out, key = b"", None
    for line in path.read_text(encoding="ascii").splitlines():
        header = re.fullmatch(r"\[HKEY_CLASSES_ROOT\\(.+)\]", line)
        if header:
            key = header.group(1)
        elif line.startswith('@="') and key is not None and key_index(key) is not None:
            out += record(key, text(line[3:-1].replace('\\\\', '\\').replace('\\"', '"')))
    return out


EXTRA_SEEDS = {
    "nothing-installed": b"",
    # Type R and the old-Access advice, which no export shows.
    "type-r": installed("Access", 14) + installed("Excel", 12),
    "access2002-excel2003": installed("Access", 10) + installed("Excel", 11),
    "excel-only-runtime-xp": installed("Excel", 11, 14, curver=text("Excel.Application.11")),
    "curver-without-number": installed("Access", 11, 14, curver=text("Access.Application."))
    + installed("Excel", 12, 14, curver=text("accdb_auto_file")),
    "curver-out-of-range": installed("Access", 11, 14, curver=text("Access.Application.99999"))
    + installed("Excel", 12, 14, curver=text("Excel.Application.-32768")),
    "curver-version-6": installed("Access", 14, 15, curver=text("Access.Application.6"))
    + installed("Excel", 14, 16, curver=text("Excel.Application.+16")),
    # 256 bytes without a NUL fill the reader's buffer exactly; 257 and 300 do not fit.
    "long-data": installed("Access", 14, 15, curver=b"A" * 235 + b"Access.Application.14")
    + record("Excel.Application.14\\CLSID", b"{" * 300)
    + installed("Excel", 12, 16, curver=b"B" * 236 + b"Excel.Application.16\0"),
    "unterminated": record("Access.Application.14\\CLSID", CLSID["Access"].encode())
    + record("Access.Application.15\\CLSID", b"x")
    + record("Access.Application\\CurVer", b"Access.Application.15")
    + installed("Excel", 14),
    # A cut-off lead byte, undefined lead and trail bytes, and valid double-byte text.
    "invalid-cp932": installed("Access", 11, 14, curver=b"Access.Application.1\x81")
    + installed("Excel", 12, 14, curver=b"\x82\xa0.\xff\xfe\xa0\x85\x40.\x31\x34\0")
    + record("Excel.Application.16\\CLSID", "エクセル".encode("cp932")),
    "types-and-refusals": record("Access.Application.14\\CLSID", text(CLSID["Access"]), flags=REFUSED)
    + record("Access.Application.15\\CLSID", flags=KEY_ONLY)
    + record("Access.Application.16\\CLSID", struct.pack("<I", 1), REG_DWORD)
    + record("Excel.Application.14\\CLSID", b"\0\0", REG_BINARY)
    + record("Excel.Application.15\\CLSID", text(CLSID["Excel"]), 0)
    + record("Excel.Application\\CurVer", text("Excel.Application.15"), flags=REFUSED),
}


def version5(regedit4: str) -> bytes:
    """The same export as "Windows Registry Editor Version 5.00": UTF-16 LE with its BOM."""
    text = regedit4.replace("REGEDIT4", "Windows Registry Editor Version 5.00", 1)
    return b"\xff\xfe" + text.encode("utf-16-le")


# What the fixtures do not show: the user's class keys over the machine's, every kind of value,
# continuations, deletions, comments, and files that are no export or stop short.
EXPORT_SEEDS = {
    "user-over-machine": version5(
        "REGEDIT4\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\Excel.Application.12\\CLSID]\r\n@=\"{x}\"\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\Excel.Application\\CurVer]\r\n@=\"Excel.Application.12\"\r\n"
        "[HKEY_CURRENT_USER\\Software\\Classes\\Excel.Application.14\\CLSID]\r\n@=\"{x}\"\r\n"
        "[HKEY_CURRENT_USER\\Software\\Classes\\Excel.Application\\CurVer]\r\n@=\"Excel.Application.14\"\r\n"
        "[HKEY_CLASSES_ROOT\\Access.Application.14\\CLSID]\r\n@=\"{y}\"\r\n"
        "[HKEY_USERS\\S-1-5-21\\Software\\Classes\\Access.Application.15\\CLSID]\r\n@=\"{y}\"\r\n"),
    "value-kinds": version5(
        "REGEDIT4\r\n; kinds\r\n\r\n[HKEY_CLASSES_ROOT\\Access.Application\\CurVer]\r\n"
        "@=hex(1):41,00,63,00,63,00,65,00,73,00,73,00,2e,00,41,00,70,00,70,00,6c,00,69,00,\\\r\n"
        "  63,00,61,00,74,00,69,00,6f,00,6e,00,2e,00,31,00,35,00,00,00\r\n"
        "\"Name \\\"x\\\"\" = dword:0000000f\r\n\"Bin\"=hex:01,02\r\n\"Multi\"=hex(7):41,00,00,00,00,00\r\n"
        "\"Gone\"=-\r\n[HKEY_CLASSES_ROOT\\Access.Application.15\\CLSID]\r\n@=\"{y}\"\r\n"
        "[HKEY_CLASSES_ROOT\\Access.Application.14\\CLSID]\r\n@=\"{y}\"\r\n"
        "[-HKEY_CLASSES_ROOT\\Access.Application.14]\r\n"),
    "regedit4-cp932": "REGEDIT4\r\n\r\n[HKEY_CLASSES_ROOT\\Excel.Application\\CurVer]\r\n@=\"エクセル\"\r\n"
                      "\"Expand\"=hex(2):83,47,83,4e,00\r\n".encode("cp932"),
    # Every encoding an export arrives in; CP932 trail bytes that are backslashes; 8-bit text
    # that is UTF-8 until it is not.
    "utf8-bom-lf": b"\xef\xbb\xbf" + "Windows Registry Editor Version 5.00\n\n; エクセル\n"
                   "[HKEY_CLASSES_ROOT\\Excel.Application\\CurVer]\n@=\"Excel.Application.14\"\n".encode("utf-8"),
    "utf16-without-bom": "Windows Registry Editor Version 5.00\r\n[HKEY_CLASSES_ROOT\\Access.Application.14\\CLSID]\r\n"
                         "@=\"{y}\"\r\n".encode("utf-16-le"),
    "cp932-trail-backslash": "REGEDIT4\r\n[HKEY_CLASSES_ROOT\\表]\r\n\"ソ\"=\"表\\\"\"\r\n"
                             "[HKEY_CLASSES_ROOT\\Excel.Application.12\\CLSID]\r\n@=\"ソ\"\r\n".encode("cp932"),
    "utf8-then-cp932": "REGEDIT4\r\n[HKEY_CLASSES_ROOT\\Excel.Application\\CurVer]\r\n@=\"あ\\\"\r\n".encode("utf-8")
                       + "; エクセル\r\n".encode("cp932"),
    "gzip": b"\x1f\x8b\x08\x00",
    "not-an-export": b"\x7fELF\x02\x01\x01\x00",
    "cut-in-a-continuation": b"REGEDIT4\r\n[HKEY_CLASSES_ROOT\\X]\r\n@=hex:01,\\",
    "cut-in-a-character": b"\xff\xfeW\x00i\x00n",
}


def main() -> None:
    EXPORT_CORPUS.mkdir(exist_ok=True)
    exports = {"fixture-" + path.stem: path.read_bytes() for path in sorted(FIXTURES.glob("*.reg"))}
    exports.update({"fixture-" + path.stem + "-version5": version5(path.read_text(encoding="ascii"))
                    for path in sorted(FIXTURES.glob("*.reg"))})
    exports.update(EXPORT_SEEDS)
    for name, data in exports.items():
        (EXPORT_CORPUS / name).write_bytes(data)
        print(f"{EXPORT_CORPUS.name}/{name}: {len(data)} bytes")

    CORPUS.mkdir(exist_ok=True)
    seeds = {"fixture-" + path.stem: from_reg_file(path) for path in sorted(FIXTURES.glob("*.reg"))}
    seeds.update(EXTRA_SEEDS)
    for name, data in seeds.items():
        (CORPUS / name).write_bytes(data)
        print(f"{name}: {len(data)} bytes")


if __name__ == "__main__":
    main()

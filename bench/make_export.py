#!/usr/bin/env python3
"""Writes a realistic export of a whole HKEY_CLASSES_ROOT, as regedit /e writes one, for the
report's benchmark: file extensions, ProgIDs, CLSID, Interface and TypeLib subtrees with every
kind of value (strings, dword, hex, hex(2), hex(7), long ones continued over lines), and the keys
of Access 2010 and Excel 2007 and 2010 (2010 used last) sorted in where regedit puts them.
The same size and seed give the same bytes.

    bench/make_export.py --size 150M --format version5 OUT.reg
    bench/make_export.py --size 1G --format regedit4 - | ...      (- for standard output)

version5 is "Windows Registry Editor Version 5.00" in UTF-16 LE with its BOM; regedit4 is
"REGEDIT4" in CP932, where hex(2) and hex(7) data are ANSI bytes.
"""

from __future__ import annotations

import argparse
import random
import sys

HKCR = "HKEY_CLASSES_ROOT"
HELP_DIR = "C:\\Windows\\Help"
ICONS = "%SystemRoot%\\System32\\imageres.dll,-"
ACCESS_CLSID = "{73A4C9C1-D68D-11D0-98BF-00A0C90DC8D9}"
EXCEL_CLSID = "{00024500-0000-0000-C000-000000000046}"
# The keys the check reads, and their neighbours, as Office registers them.
OFFICE = {
    "Access.Application": [("", "Microsoft Access Application"), ("CLSID", ACCESS_CLSID),
                           ("CurVer", "Access.Application.14")],
    "Access.Application.14": [("", "Microsoft Access Application"), ("CLSID", ACCESS_CLSID)],
    "Excel.Application": [("", "Microsoft Excel Application"), ("CLSID", EXCEL_CLSID),
                          ("CurVer", "Excel.Application.14")],
    "Excel.Application.12": [("", "Microsoft Excel Application"), ("CLSID", EXCEL_CLSID)],
    "Excel.Application.14": [("", "Microsoft Excel Application"), ("CLSID", EXCEL_CLSID)],
}
# Shares of the file: containers of GUID keys, and top-level extensions and ProgIDs.
SHARES = {"CLSID": 0.45, "Interface": 0.18, "TypeLib": 0.09, "top": 0.28}
WORDS = ["Shell", "Media", "Document", "Viewer", "Control", "Object", "Filter", "Handler", "Preview",
         "Property", "Sync", "Search", "Print", "Photo", "Mail", "Office", "Web", "Data", "Font", "Link"]
JAPANESE = ["ワークシート", "文書", "表示", "ファイル", "ソフト", "データ"]


def upper_key(name: str) -> str:
    """regedit lists subkeys in the order the registry keeps them: by name, without case."""
    return name.upper()


class Writer:
    def __init__(self, out, version5: bool):
        self.out, self.version5, self.parts, self.size = out, version5, [], 0

    def text(self, text: str) -> None:
        self.parts.append(text)
        if len(self.parts) >= 4096:
            self.flush()

    def flush(self) -> None:
        data = "".join(self.parts).encode("utf-16-le" if self.version5 else "cp932")
        self.out.write(data)
        self.size += len(data)
        self.parts = []


def quoted(text: str) -> str:
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'


def hex_value(name: str, kind: str, data: bytes) -> str:
    """A hex value wrapped as regedit wraps it: lines of at most 80 characters, continued with "\\"."""
    line = f"{name}={kind}:"
    lines = []
    for i, byte in enumerate(data):
        piece = f"{byte:02x}" + ("," if i + 1 < len(data) else "")
        if len(line) + len(piece) > 78:
            lines.append(line + "\\")
            line = "  "
        line += piece
    lines.append(line)
    return "\r\n".join(lines) + "\r\n"


class Machine:
    def __init__(self, seed: int, version5: bool):
        self.random, self.version5 = random.Random(seed), version5

    def guid(self) -> str:
        r = self.random.getrandbits(128)
        h = f"{r:032X}"
        return "{" + f"{h[:8]}-{h[8:12]}-{h[12:16]}-{h[16:20]}-{h[20:]}" + "}"

    def words(self, count: int) -> str:
        return "".join(self.random.choice(WORDS) for _ in range(count))

    def text_bytes(self, text: str, multi: bool = False) -> bytes:
        texts = text.split("|") if multi else [text]
        encoding = "utf-16-le" if self.version5 else "cp932"
        terminator = b"\0\0" if self.version5 else b"\0"
        return b"".join(t.encode(encoding) + terminator for t in texts) + (terminator if multi else b"")

    def value(self, name: str) -> str:
        """One value of a kind chosen at random."""
        label = "@" if name == "" else quoted(name)
        kind = self.random.random()
        if kind < 0.55:
            text = self.words(2) if self.random.random() < 0.9 else self.random.choice(JAPANESE) + self.words(1)
            return f"{label}={quoted(text)}\r\n"
        if kind < 0.7:
            return f"{label}=dword:{self.random.getrandbits(32):08x}\r\n"
        if kind < 0.8:
            return hex_value(label, "hex", self.random.randbytes(self.random.randint(4, 120)))
        if kind < 0.93:
            path = f"%SystemRoot%\\System32\\{self.words(2)}.dll"
            return hex_value(label, "hex(2)", self.text_bytes(path))
        return hex_value(label, "hex(7)", self.text_bytes("|".join(self.words(2) for _ in range(3)), multi=True))

    def clsid(self, guid: str) -> list[tuple[str, str]]:
        """A COM class: its key lines and values, below CLSID\\{guid}."""
        name = self.words(2)
        server = f"%CommonProgramFiles%\\{self.words(1)}\\{self.words(2)}.dll"
        keys = [("", f"@={quoted(name)}\r\n" + (self.value("AppID") if self.random.random() < 0.3 else "")),
                ("InprocServer32", hex_value("@", "hex(2)", self.text_bytes(server))
                 + f"\"ThreadingModel\"={quoted(self.random.choice(['Apartment', 'Both', 'Free']))}\r\n"),
                ("ProgID", f"@={quoted(name + '.1')}\r\n")]
        if self.random.random() < 0.5:
            keys.append(("Implemented Categories", ""))
            keys.append((f"Implemented Categories\\{self.guid()}", ""))
        if self.random.random() < 0.4:
            keys.append(("TypeLib", f"@={quoted(self.guid())}\r\n"))
        return keys

    def interface(self, guid: str) -> list[tuple[str, str]]:
        return [("", f"@={quoted('I' + self.words(2))}\r\n"),
                ("NumMethods", f"@={quoted(str(self.random.randint(3, 40)))}\r\n"),
                ("ProxyStubClsid32", f"@={quoted(self.guid())}\r\n")]

    def typelib(self, guid: str) -> list[tuple[str, str]]:
        tlb = f"C:\\Program Files\\{self.words(1)}\\{self.words(2)}.tlb"
        return [("", ""), ("1.0", f"@={quoted(self.words(2) + ' Type Library')}\r\n"), ("1.0\\0", ""),
                ("1.0\\0\\win32", f"@={quoted(tlb)}\r\n"), ("1.0\\FLAGS", '@="0"\r\n'),
                ("1.0\\HELPDIR", f"@={quoted(HELP_DIR)}\r\n")]

    def top(self, name: str) -> list[tuple[str, str]]:
        """A file extension or a ProgID."""
        if name.startswith("."):
            progid = name[1:] + "file"
            return [("", f"@={quoted(progid)}\r\n" + self.value("Content Type") + self.value("PerceivedType")),
                    ("OpenWithProgids", f"{quoted(progid)}=hex(0):\r\n")]
        return [("", f"@={quoted(self.words(3))}\r\n" + self.value("EditFlags") + self.value("FriendlyTypeName")),
                ("CLSID", f"@={quoted(self.guid())}\r\n"),
                ("DefaultIcon", f"@={quoted(ICONS + str(self.random.randint(1, 200)))}\r\n"),
                ("shell", ""), ("shell\\open", ""),
                ("shell\\open\\command", f"@={quoted(self.command())}\r\n")]

    def command(self) -> str:
        program = "C:\\Program Files\\" + self.words(2) + ".exe"
        return f'"{program}" "%1"'


def write_subtree(writer: Writer, path: str, keys: list[tuple[str, str]]) -> None:
    for sub, values in sorted(keys, key=lambda k: [upper_key(part) for part in k[0].split("\\")] if k[0] else []):
        key = path + "\\" + sub if sub else path
        writer.text(f"[{key}]\r\n{values}\r\n")


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--size", default="150M", help="about how many bytes, with K, M or G")
    parser.add_argument("--format", choices=("version5", "regedit4"), default="version5")
    parser.add_argument("--seed", type=int, default=18)
    parser.add_argument("out", help="the file to write, or - for standard output")
    args = parser.parse_args()
    units = {"K": 1 << 10, "M": 1 << 20, "G": 1 << 30}
    size = int(float(args.size[:-1]) * units[args.size[-1]]) if args.size[-1] in units else int(args.size)
    version5 = args.format == "version5"
    machine = Machine(args.seed, version5)
    # Bytes a key of each kind takes, about: a top-level entry about 3.5 keys, the others alike.
    per_entry = {"CLSID": 1150, "Interface": 617, "TypeLib": 1067, "top": 987}
    scale = 1 if version5 else 0.43
    counts = {kind: max(1, int(size * share / (per_entry[kind] * scale))) for kind, share in SHARES.items()}

    tops = {f".{machine.words(1).lower()}{i}" if i % 2 else f"{machine.words(1)}.{machine.words(1)}.{i % 9 + 1}"
            for i in range(counts["top"])}
    entries = {name: None for name in tops} | {name: name for name in ("CLSID", "Interface", "TypeLib")} | \
        {name: "office" for name in OFFICE}
    out = sys.stdout.buffer if args.out == "-" else open(args.out, "wb")
    writer = Writer(out, version5)
    out.write(b"\xff\xfe" if version5 else b"")
    writer.text(("Windows Registry Editor Version 5.00" if version5 else "REGEDIT4") + "\r\n\r\n")
    writer.text(f"[{HKCR}]\r\n\r\n")
    for name in sorted(entries, key=upper_key):
        kind = entries[name]
        path = f"{HKCR}\\{name}"
        if kind == "office":
            keys = [("", f"@={quoted(OFFICE[name][0][1])}\r\n")] + \
                [(sub, f"@={quoted(value)}\r\n") for sub, value in OFFICE[name][1:]]
            write_subtree(writer, path, keys)
        elif kind is None:
            write_subtree(writer, path, machine.top(name))
        else:
            writer.text(f"[{path}]\r\n\r\n")
            make = {"CLSID": machine.clsid, "Interface": machine.interface, "TypeLib": machine.typelib}[kind]
            for guid in sorted(machine.guid() for _ in range(counts[kind])):
                write_subtree(writer, f"{path}\\{guid}", make(guid))
    writer.flush()
    if out is not sys.stdout.buffer:
        out.close()
    return 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""Writes a realistic export of a whole HKEY_CLASSES_ROOT of 64-bit Windows, as regedit /e writes
one, for the report's benchmark: file extensions, ProgIDs, CLSID (a tenth of its classes with a
LocalServer32), Interface and TypeLib subtrees, and the 32-bit view's classes below Wow6432Node,
with every kind of value (strings, dword, hex, hex(2), hex(7), long ones continued over lines);
and the keys of a 32-bit Access 2010 and Excel 2007 and 2010 (2010 used last), their servers
below Wow6432Node, sorted in where regedit puts them. The same size and seed give the same bytes.

    bench/make_export.py --size 150M --format version5 OUT.reg
    bench/make_export.py --size 1G --format regedit4 - | ...      (- for standard output)

version5 is "Windows Registry Editor Version 5.00" in UTF-16 LE with its BOM; regedit4 is
"REGEDIT4" in CP932, where hex(2) and hex(7) data are ANSI bytes.

--shape writes instead a valid export that is unlike any real one, of the size asked for, which
gives the report of the typical machine's keys alone whatever its size: what a file mailed to a
support desk could hold, for the reader's memory bound (SHAPES lists them).
"""

from __future__ import annotations

import argparse
import itertools
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
# The servers of the 32-bit Office, below Wow6432Node\CLSID.
OFFICE_SERVERS = {ACCESS_CLSID: "C:\\PROGRA~2\\MICROS~1\\Office14\\MSACCESS.EXE /AUTOMATION",
                  EXCEL_CLSID: "C:\\PROGRA~2\\MICROS~1\\Office14\\EXCEL.EXE /automation"}
# Shares of the file: containers of GUID keys, top-level extensions and ProgIDs, and the 32-bit
# view's classes.
SHARES = {"CLSID": 0.40, "Interface": 0.16, "TypeLib": 0.08, "top": 0.24, "Wow6432Node": 0.12}
WORDS = ["Shell", "Media", "Document", "Viewer", "Control", "Object", "Filter", "Handler", "Preview",
         "Property", "Sync", "Search", "Print", "Photo", "Mail", "Office", "Web", "Data", "Font", "Link"]
JAPANESE = ["ワークシート", "文書", "表示", "ファイル", "ソフト", "データ"]


def upper_key(name: str) -> str:
    """regedit lists subkeys in the order the registry keeps them: by name, without case."""
    return name.upper()


class Writer:
    def __init__(self, out, version5: bool):
        self.out, self.version5, self.parts, self.size, self.pending = out, version5, [], 0, 0

    def text(self, text: str) -> None:
        self.parts.append(text)
        self.pending += len(text)
        if len(self.parts) >= 4096 or self.pending >= 1 << 20:
            self.flush()

    def flush(self) -> None:
        data = "".join(self.parts).encode("utf-16-le" if self.version5 else "cp932")
        self.out.write(data)
        self.size += len(data)
        self.parts, self.pending = [], 0


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
        if self.random.random() < 0.1:
            program = f"C:\\Program Files\\{self.words(1)}\\{self.words(2)}.exe"
            keys.append(("LocalServer32", f"@={quoted(program + ' /automation')}\r\n"))
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


def office_keys(writer: Writer) -> None:
    for name in OFFICE:
        write_subtree(writer, f"{HKCR}\\{name}", [("", f"@={quoted(OFFICE[name][0][1])}\r\n")] +
                      [(sub, f"@={quoted(value)}\r\n") for sub, value in OFFICE[name][1:]])


def repeated(writer: Writer, size: int, line) -> None:
    """Lines line(0), line(1), ... until the file holds about `size` bytes."""
    per_unit = 2 if writer.version5 else 1
    pending = 0
    for i in itertools.count():
        if writer.size + pending * per_unit >= size:
            return
        text = line(i)
        writer.text(text)
        pending += len(text)
        if not writer.parts:
            pending = 0


def long_text(writer: Writer, size: int, head: str, unit: str, tail: str) -> None:
    """One line: `head`, `unit` again and again up to about `size` bytes, then `tail`."""
    writer.text(head)
    block = unit * ((1 << 20) // len(unit))
    repeated(writer, size, lambda i: block)
    writer.text(tail)


LONG_NAME = "K" * 255
DEEP_PATH = "\\".join([LONG_NAME] * 511)
# Shapes of a file a support desk could be mailed: each is the typical machine's keys and, filling
# the size, something that no real export holds in that amount.
SHAPES = {
    "user class tree": lambda w, n: repeated(w, n, lambda i: f"[HKEY_CURRENT_USER\\Software\\Classes\\Ext{i}\\shell\\open\\command]\r\n@=\"x.exe %1\"\r\n\r\n"),
    "kept value as one long text": lambda w, n: long_text(w, n, f"[{HKCR}\\Access.Application\\CurVer]\r\n@=\"Access.Application.14", "4", "\"\r\n"),
    "kept value as hex lines": lambda w, n: long_text(w, n, f"[{HKCR}\\Access.Application\\CurVer]\r\n@=hex(1):41,00,\\\r\n", "  " + "41,00," * 12 + "\\\r\n", "  00,00\r\n"),
    "deletions": lambda w, n: repeated(w, n, lambda i: f"[-{HKCR}\\Gone{i}]\r\n[-HKEY_CURRENT_USER\\Software\\Classes\\Excel.Application.{i}]\r\n"),
    "one comment line": lambda w, n: long_text(w, n, ";", "comment ", "\r\n"),
    "one long value no check reads": lambda w, n: long_text(w, n, f"[{HKCR}\\Other]\r\n\"Long\"=\"", "text ", "\"\r\n"),
    "keys 512 deep with 255-character names": lambda w, n: repeated(w, n, lambda i: f"[{HKCR}\\{DEEP_PATH}]\r\n@=\"deep\"\r\n"),
    "classes before the file names them": lambda w, n: repeated(w, n, lambda i: f"[{HKCR}\\CLSID\\{{{i:08X}-0000-0000-0000-000000000000}}\\LocalServer32]\r\n@=\"C:\\\\Windows\\\\server{i}.exe\"\r\n\r\n"),
}


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--size", default="150M", help="about how many bytes, with K, M or G")
    parser.add_argument("--format", choices=("version5", "regedit4"), default="version5")
    parser.add_argument("--seed", type=int, default=18)
    parser.add_argument("--shape", choices=SHAPES, help="a file no real export is like (see above)")
    parser.add_argument("out", help="the file to write, or - for standard output")
    args = parser.parse_args()
    units = {"K": 1 << 10, "M": 1 << 20, "G": 1 << 30}
    size = int(float(args.size[:-1]) * units[args.size[-1]]) if args.size[-1] in units else int(args.size)
    version5 = args.format == "version5"
    if args.shape:
        out = sys.stdout.buffer if args.out == "-" else open(args.out, "wb")
        writer = Writer(out, version5)
        out.write(b"\xff\xfe" if version5 else b"")
        writer.text(("Windows Registry Editor Version 5.00" if version5 else "REGEDIT4") + "\r\n\r\n")
        # The classes come before the program identifiers that name them, as in a sorted export.
        if args.shape != "classes before the file names them":
            office_keys(writer)
        SHAPES[args.shape](writer, size - 4096)
        office_keys(writer)
        writer.flush()
        if out is not sys.stdout.buffer:
            out.close()
        return 0
    machine = Machine(args.seed, version5)
    # Bytes a key of each kind takes, about: a top-level entry about 3.5 keys, the others alike.
    per_entry = {"CLSID": 1480, "Interface": 617, "TypeLib": 1067, "top": 987, "Wow6432Node": 1480}
    scale = 1 if version5 else 0.43
    counts = {kind: max(1, int(size * share / (per_entry[kind] * scale))) for kind, share in SHARES.items()}

    tops = {f".{machine.words(1).lower()}{i}" if i % 2 else f"{machine.words(1)}.{machine.words(1)}.{i % 9 + 1}"
            for i in range(counts["top"])}
    entries = {name: None for name in tops} | {name: name for name in ("CLSID", "Interface", "TypeLib", "Wow6432Node")} | \
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
        elif kind == "Wow6432Node":
            writer.text(f"[{path}]\r\n\r\n[{path}\\CLSID]\r\n\r\n")
            guids = {machine.guid(): None for _ in range(counts[kind])} | OFFICE_SERVERS
            for guid in sorted(guids, key=upper_key):
                keys = [("LocalServer32", f"@={quoted(OFFICE_SERVERS[guid])}\r\n")] if guid in OFFICE_SERVERS \
                    else machine.clsid(guid)
                write_subtree(writer, f"{path}\\CLSID\\{guid}", keys)
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

"""Reads a VERSIONINFO resource: the fixed file information and the string tables."""

from __future__ import annotations

import dataclasses
import struct

FIXED_INFO_SIGNATURE = 0xFEEF04BD


@dataclasses.dataclass
class Block:
    key: str
    value: bytes
    is_text: bool
    children: list["Block"]


def _align(offset: int) -> int:
    return (offset + 3) & ~3


def parse(data: bytes, offset: int = 0) -> Block:
    """The block at `offset` with all blocks nested in it."""
    length, value_length, value_type = struct.unpack_from("<HHH", data, offset)
    end = offset + length
    if length < 6 or end > len(data):
        raise ValueError(f"version block at {offset} claims {length} bytes")
    key_end = offset + 6
    while data[key_end:key_end + 2] != b"\0\0":
        key_end += 2
    key = data[offset + 6:key_end].decode("utf-16-le")
    at = _align(key_end + 2)
    # A text value's length counts UTF-16 characters, a binary one's bytes.
    value_bytes = value_length * 2 if value_type == 1 else value_length
    value = data[at:at + value_bytes]
    children = []
    at = _align(at + value_bytes)
    while at < end:
        child = parse(data, at)
        children.append(child)
        at = _align(at + struct.unpack_from("<H", data, at)[0])
    return Block(key, value, value_type == 1, children)


def fixed_versions(root: Block) -> tuple[tuple[int, ...], tuple[int, ...]]:
    """(file version, product version), each as four numbers."""
    signature, _, file_ms, file_ls, product_ms, product_ls = struct.unpack_from("<6I", root.value)
    if signature != FIXED_INFO_SIGNATURE:
        raise ValueError(f"VS_FIXEDFILEINFO signature {signature:#x}")

    def split(ms: int, ls: int) -> tuple[int, ...]:
        return ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF

    return split(file_ms, file_ls), split(product_ms, product_ls)


def string_tables(root: Block) -> dict[str, dict[str, str]]:
    """Language-and-code-page key ("041104B0") -> {name: text}."""
    tables = {}
    for info in root.children:
        if info.key != "StringFileInfo":
            continue
        for table in info.children:
            tables[table.key] = {entry.key: entry.value.decode("utf-16-le").rstrip("\0") for entry in table.children}
    return tables


def translations(root: Block) -> list[tuple[int, int]]:
    """(language, code page) pairs of VarFileInfo\\Translation."""
    for info in root.children:
        for var in info.children if info.key == "VarFileInfo" else []:
            if var.key == "Translation":
                return [struct.unpack_from("<HH", var.value, i) for i in range(0, len(var.value), 4)]
    return []

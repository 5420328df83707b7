"""A read-only view of a PE file (.exe, .dll): headers, sections, imports, base relocations
and resources. Standard library only; enough to check how a program was linked."""

from __future__ import annotations

import dataclasses
import struct
from pathlib import Path

MACHINE_I386 = 0x14C
MACHINE_AMD64 = 0x8664

FILE_RELOCS_STRIPPED = 0x0001

SUBSYSTEM_WINDOWS_GUI = 2

DLL_HIGH_ENTROPY_VA = 0x0020
DLL_DYNAMIC_BASE = 0x0040
DLL_NX_COMPAT = 0x0100

DIR_IMPORT = 1
DIR_RESOURCE = 2
DIR_BASERELOC = 5
DIR_DELAY_IMPORT = 13

RT_ICON = 3
RT_GROUP_ICON = 14
RT_VERSION = 16
RT_MANIFEST = 24

_REL_BASED_ABSOLUTE = 0  # padding entry of a relocation block


class PeError(ValueError):
    """The bytes are not a PE file, or a structure points outside it."""


@dataclasses.dataclass(frozen=True)
class Section:
    name: str
    virtual_address: int
    virtual_size: int
    raw_offset: int
    raw_size: int


class PeFile:
    def __init__(self, data: bytes):
        self.data = data
        if data[:2] != b"MZ":
            raise PeError("no MZ header")
        (pe,) = self._unpack("<I", 0x3C)
        if data[pe:pe + 4] != b"PE\0\0":
            raise PeError("no PE signature")
        (self.machine, section_count, _, _, _, optional_size,
         self.characteristics) = self._unpack("<HHIIIHH", pe + 4)
        optional = pe + 24
        (magic,) = self._unpack("<H", optional)
        if magic not in (0x10B, 0x20B):
            raise PeError(f"unknown optional header magic {magic:#x}")
        self.is_pe32_plus = magic == 0x20B
        self.image_base = self._unpack("<Q" if self.is_pe32_plus else "<I", optional + (24 if self.is_pe32_plus else 28))[0]
        # The oldest Windows the file declares it runs on, as (major, minor).
        os_major, os_minor, _, _, sub_major, sub_minor = self._unpack("<6H", optional + 40)
        self.os_version = (os_major, os_minor)
        self.subsystem_version = (sub_major, sub_minor)
        self.subsystem, self.dll_characteristics = self._unpack("<HH", optional + 68)
        directories = optional + (112 if self.is_pe32_plus else 96)
        (directory_count,) = self._unpack("<I", directories - 4)
        self._directories = [self._unpack("<II", directories + 8 * i) for i in range(min(directory_count, 16))]

        self.sections = []
        for i in range(section_count):
            at = optional + optional_size + 40 * i
            name, vsize, va, raw_size, raw_offset = struct.unpack_from("<8sIIII", data, at)
            self.sections.append(Section(name.rstrip(b"\0").decode("ascii", "replace"), va, vsize, raw_offset, raw_size))

    @classmethod
    def from_path(cls, path: Path) -> "PeFile":
        return cls(Path(path).read_bytes())

    # ---- low level

    def _unpack(self, fmt: str, offset: int) -> tuple:
        if offset < 0 or offset + struct.calcsize(fmt) > len(self.data):
            raise PeError(f"read of {fmt} at {offset:#x} is outside the file")
        return struct.unpack_from(fmt, self.data, offset)

    def offset_of(self, rva: int) -> int:
        for section in self.sections:
            if section.virtual_address <= rva < section.virtual_address + max(section.virtual_size, section.raw_size):
                if rva - section.virtual_address >= section.raw_size:
                    raise PeError(f"RVA {rva:#x} lies in the uninitialised part of {section.name}")
                return section.raw_offset + rva - section.virtual_address
        raise PeError(f"RVA {rva:#x} is in no section")

    def read(self, rva: int, size: int) -> bytes:
        offset = self.offset_of(rva)
        if offset + size > len(self.data):
            raise PeError(f"{size} bytes at RVA {rva:#x} run past the end of the file")
        return self.data[offset:offset + size]

    def unpack_rva(self, fmt: str, rva: int) -> tuple:
        return self._unpack(fmt, self.offset_of(rva))

    def c_string(self, rva: int) -> str:
        offset = self.offset_of(rva)
        end = self.data.index(b"\0", offset)
        return self.data[offset:end].decode("ascii", "replace")

    def directory(self, index: int) -> tuple[int, int]:
        """(RVA, size) of a data directory; (0, 0) when the file has none."""
        return self._directories[index] if index < len(self._directories) else (0, 0)

    # ---- imports

    def _thunk_names(self, rva: int) -> list[str]:
        size, ordinal_flag = (8, 1 << 63) if self.is_pe32_plus else (4, 1 << 31)
        names = []
        while True:
            (thunk,) = self.unpack_rva("<Q" if size == 8 else "<I", rva)
            if thunk == 0:
                return names
            names.append(f"#{thunk & 0xFFFF}" if thunk & ordinal_flag else self.c_string(thunk + 2))
            rva += size

    def imports(self) -> dict[str, list[str]]:
        """DLL name -> imported function names ("#N" for an ordinal), as written in the file."""
        result: dict[str, list[str]] = {}
        rva, _ = self.directory(DIR_IMPORT)
        while rva:
            lookup, _, _, name, address = self.unpack_rva("<IIIII", rva)
            if name == 0:
                break
            result.setdefault(self.c_string(name), []).extend(self._thunk_names(lookup or address))
            rva += 20
        return result

    def delay_imports(self) -> dict[str, list[str]]:
        """DLL name -> function names of the delay-load imports."""
        result: dict[str, list[str]] = {}
        rva, _ = self.directory(DIR_DELAY_IMPORT)
        while rva:
            attributes, name, _, _, names, _, _, _ = self.unpack_rva("<8I", rva)
            if name == 0:
                break
            # Old linkers wrote virtual addresses, not RVAs (attribute bit 0 clear).
            base = 0 if attributes & 1 else self.image_base
            result.setdefault(self.c_string(name - base), []).extend(self._thunk_names(names - base))
            rva += 32
        return result

    # ---- base relocations

    def relocation_count(self) -> int:
        """The number of addresses the loader must fix when it moves the image."""
        rva, size = self.directory(DIR_BASERELOC)
        count, end = 0, rva + size
        while rva and rva < end:
            _, block_size = self.unpack_rva("<II", rva)
            if block_size < 8:
                raise PeError(f"relocation block of {block_size} bytes at RVA {rva:#x}")
            entries = struct.unpack("<%dH" % ((block_size - 8) // 2), self.read(rva + 8, block_size - 8))
            count += sum(1 for entry in entries if entry >> 12 != _REL_BASED_ABSOLUTE)
            rva += block_size
        return count

    # ---- resources

    def _resource_name(self, root: int, entry_name: int) -> int | str:
        if not entry_name & 0x80000000:
            return entry_name
        at = root + (entry_name & 0x7FFFFFFF)
        (length,) = self.unpack_rva("<H", at)
        return self.read(at + 2, 2 * length).decode("utf-16-le")

    def _resource_entries(self, root: int, table: int) -> list[tuple[int | str, int, bool]]:
        """(name or ID, offset from the root, is a sub-directory) of one resource table."""
        _, _, _, _, named, numbered = self.unpack_rva("<IIHHHH", root + table)
        entries = []
        for i in range(named + numbered):
            name, target = self.unpack_rva("<II", root + table + 16 + 8 * i)
            entries.append((self._resource_name(root, name), target & 0x7FFFFFFF, bool(target & 0x80000000)))
        return entries

    def resources(self) -> dict[tuple[int | str, int | str], dict[int | str, bytes]]:
        """(type, name or ID) -> {language: data} over the whole resource tree."""
        root, _ = self.directory(DIR_RESOURCE)
        result: dict = {}
        if not root:
            return result
        for type_id, names, type_is_dir in self._resource_entries(root, 0):
            if not type_is_dir:
                raise PeError(f"resource type {type_id} is no directory")
            for name, languages, name_is_dir in self._resource_entries(root, names):
                if not name_is_dir:
                    raise PeError(f"resource {type_id}/{name} is no directory")
                for language, leaf, leaf_is_dir in self._resource_entries(root, languages):
                    if leaf_is_dir:
                        raise PeError(f"resource {type_id}/{name}/{language} is a directory, not data")
                    data_rva, size, _, _ = self.unpack_rva("<IIII", root + leaf)
                    result.setdefault((type_id, name), {})[language] = self.read(data_rva, size)
        return result

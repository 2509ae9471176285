#!/usr/bin/env python3
"""Checks the built Update.exe as a file: a GUI executable that imports Windows' own DLLs
only and carries its two dialog descriptions, both icon groups and its manifest.

The resource tree is read twice: by a small PE reader of our own below, and by MinGW's
objdump, whose listing must name the same resources.

Usage: test_executable.py --exe <Update.exe> --objdump <objdump> --resources <folder>
"""
import os
import re
import struct
import subprocess
import sys
import tempfile
import unittest

EXE = OBJDUMP = RESOURCES = None

RT_ICON, RT_GROUP_ICON, RT_MANIFEST = 3, 14, 24
WINDOWS_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "comctl32.dll", "comdlg32.dll",
                "shell32.dll", "ole32.dll", "oleaut32.dll", "wininet.dll", "psapi.dll",
                "winmm.dll", "ws2_32.dll", "gdiplus.dll", "msvcrt.dll", "advapi32.dll",
                "shlwapi.dll", "uxtheme.dll", "version.dll", "msimg32.dll", "imm32.dll",
                "bcrypt.dll", "crypt32.dll"}
# (size, bits per pixel) of the seven images of each icon group.
ICON_IMAGES = sorted([(48, 8), (32, 8), (16, 8), (48, 32), (32, 32), (24, 32), (16, 32)])


class Pe:
    """Just enough of the PE format: headers, imports and the resource tree."""

    def __init__(self, data):
        self.data = data
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        assert data[pe:pe + 4] == b"PE\0\0", "no PE signature"
        self.machine, sections, _, _, _, optional_size, self.characteristics = \
            struct.unpack_from("<HHIIIHH", data, pe + 4)
        optional = pe + 24
        self.magic = struct.unpack_from("<H", data, optional)[0]
        self.subsystem = struct.unpack_from("<H", data, optional + 68)[0]
        directories = optional + (96 if self.magic == 0x10B else 112)
        self.directory = [struct.unpack_from("<II", data, directories + 8 * i) for i in range(16)]
        self.sections = []
        for i in range(sections):
            at = optional + optional_size + 40 * i
            size, rva, raw_size, raw = struct.unpack_from("<IIII", data, at + 8)
            self.sections.append((rva, max(size, raw_size), raw))

    def offset(self, rva):
        for start, size, raw in self.sections:
            if start <= rva < start + size:
                return raw + rva - start
        raise ValueError("rva outside every section: %#x" % rva)

    def text_at(self, rva):
        at = self.offset(rva)
        return self.data[at:self.data.index(b"\0", at)].decode("ascii")

    def imports(self):
        rva = self.directory[1][0]
        names = []
        while True:
            entry = struct.unpack_from("<IIIII", self.data, self.offset(rva))
            if entry[3] == 0:
                return names
            names.append(self.text_at(entry[3]).lower())
            rva += 20

    def resources(self):
        """{(type, id): bytes} over the tree type / id / language; names as text."""
        base = self.directory[2][0]
        found = {}

        def level(rva):
            at = self.offset(rva)
            named, ids = struct.unpack_from("<HH", self.data, at + 12)
            for i in range(named + ids):
                key, value = struct.unpack_from("<II", self.data, at + 16 + 8 * i)
                if key & 0x80000000:
                    name_at = self.offset(base + (key & 0x7FFFFFFF))
                    length = struct.unpack_from("<H", self.data, name_at)[0]
                    key = self.data[name_at + 2:name_at + 2 + 2 * length].decode("utf-16-le")
                yield key, value

        for kind, kind_dir in level(base):
            for ident, ident_dir in level(base + (kind_dir & 0x7FFFFFFF)):
                for _, leaf in level(base + (ident_dir & 0x7FFFFFFF)):
                    data_rva, size = struct.unpack_from("<II", self.data,
                                                        self.offset(base + leaf))
                    at = self.offset(data_rva)
                    found[(kind, ident)] = self.data[at:at + size]
        return found


class ExecutableTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        with open(EXE, "rb") as f:
            cls.pe = Pe(f.read())
        cls.resources = cls.pe.resources()

    def test_is_a_windows_gui_program_that_needs_no_dll_of_its_own(self):
        self.assertEqual(self.pe.subsystem, 2, "GUI subsystem")
        self.assertLessEqual(set(self.pe.imports()), WINDOWS_DLLS)
        self.assertIn("kernel32.dll", self.pe.imports())

    def test_carries_both_descriptions_byte_for_byte(self):
        for ident, name in ((150, "install.dlg"), (151, "make.dlg")):
            with open(os.path.join(RESOURCES, name), "rb") as f:
                self.assertEqual(self.resources[("BINARY", ident)], f.read(), name)

    def test_both_icon_groups_hold_the_seven_images(self):
        icons = {ident: data for (kind, ident), data in self.resources.items() if kind == RT_ICON}
        for group in (107, 108):
            data = self.resources[(RT_GROUP_ICON, group)]
            reserved, kind, count = struct.unpack_from("<HHH", data)
            self.assertEqual((reserved, kind, count), (0, 1, 7), group)
            images = []
            for i in range(count):
                width, height, _, _, planes, bits, size, ident = struct.unpack_from(
                    "<BBBBHHIH", data, 6 + 14 * i)
                self.assertEqual(width, height)
                self.assertEqual(len(icons[ident]), size)
                # The image itself must say what its directory entry says.
                header_size, image_width, _, _, image_bits = struct.unpack_from(
                    "<IiiHH", icons[ident])
                self.assertEqual((header_size, image_width, image_bits), (40, width, bits))
                images.append((width, bits))
            self.assertEqual(sorted(images), ICON_IMAGES, group)

    def test_manifest_asks_for_common_controls_6_and_no_elevation(self):
        manifest = self.resources[(RT_MANIFEST, 1)].decode("utf-8")
        arch = "x86" if self.pe.magic == 0x10B else "amd64"
        self.assertRegex(manifest, r'name="Microsoft\.Windows\.Common-Controls"\s+'
                                   r'version="6\.0\.0\.0"\s+processorArchitecture="%s"' % arch)
        self.assertIn('level="asInvoker" uiAccess="false"', manifest)

    def test_committed_icon_is_what_the_script_draws(self):
        with tempfile.TemporaryDirectory() as folder:
            drawn = os.path.join(folder, "drawn.ico")
            subprocess.run([sys.executable, os.path.join(RESOURCES, "make_icon.py"), drawn],
                           check=True)
            with open(drawn, "rb") as a, open(os.path.join(RESOURCES, "update.ico"), "rb") as b:
                self.assertEqual(a.read(), b.read())

    def test_objdump_lists_the_same_resources(self):
        listing = subprocess.run([OBJDUMP, "-p", EXE], stdout=subprocess.PIPE, check=True,
                                 universal_newlines=True).stdout
        self.assertIn("name: [val:", listing)
        self.assertRegex(listing, r"Entry: name: \[val: [0-9a-f]+ len 6\]: BINARY")
        for ident in (150, 151, 107, 108):
            self.assertRegex(listing, r"Entry: ID: 0x%06x," % ident)
        dlls = {m.lower() for m in re.findall(r"DLL Name: (\S+)", listing)}
        self.assertEqual(dlls, set(self.pe.imports()))


def main():
    global EXE, OBJDUMP, RESOURCES
    args = sys.argv[1:]
    values = {}
    while args and args[0] in ("--exe", "--objdump", "--resources"):
        values[args[0]] = args[1]
        args = args[2:]
    EXE, OBJDUMP, RESOURCES = values["--exe"], values["--objdump"], values["--resources"]
    unittest.main(argv=[sys.argv[0]] + args)


if __name__ == "__main__":
    main()

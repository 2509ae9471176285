#!/usr/bin/env python3
"""Checks the built Update.exe as MinGW's objdump reads it: a GUI program that imports
Windows' own DLLs only and carries its two dialog descriptions, both icon groups and its
manifest, whose bytes are read where objdump's resource tree puts them.
"""
import os, re, struct, subprocess, sys, tempfile, unittest

ARGS = {}
RT_ICON, RT_GROUP_ICON, RT_MANIFEST = 3, 14, 24
WINDOWS_DLLS = {name + ".dll" for name in (
    "kernel32 user32 gdi32 comctl32 comdlg32 shell32 ole32 oleaut32 wininet psapi winmm ws2_32 "
    "gdiplus msvcrt advapi32 shlwapi uxtheme version msimg32 imm32 bcrypt crypt32").split()}
ICON_IMAGES = [(16, 8), (16, 32), (24, 32), (32, 8), (32, 32), (48, 8), (48, 32)]  # size, bits


def read(path, folder=""):
    with open(os.path.join(folder, path), "rb") as f:
        return f.read()


def listing_and_resources(exe, objdump):
    """objdump's header listing of exe, and its resources by (type, id) as bytes."""
    run = lambda option: subprocess.run(  # noqa: E731
        [objdump, option, exe], stdout=subprocess.PIPE, text=True).stdout
    listing = run("-p")
    base = int(re.search(r"^ImageBase\s+([0-9a-f]+)", listing, re.M).group(1), 16)
    vma, at = re.search(r"\.rsrc\s+\S+\s+(\S+)\s+\S+\s+(\S+)", run("-h")).groups()
    data = read(exe)
    # The tree's depth is its indentation: 3 spaces a type, 5 an id, then the leaf.
    resources, path = {}, {}
    tree = (r"^[0-9a-f]+( +)(?:Entry: (?:ID: 0x([0-9a-f]+)|name: .*?: (\S+)),"
            r"|Leaf: Addr: 0x([0-9a-f]+), Size: 0x([0-9a-f]+))")
    for m in re.finditer(tree, listing, re.M):
        if m.group(4):
            start = int(at, 16) + int(m.group(4), 16) - (int(vma, 16) - base)
            resources[(path[3], path[5])] = data[start:start + int(m.group(5), 16)]
        else:
            path[len(m.group(1))] = int(m.group(2), 16) if m.group(2) else m.group(3)
    return listing, resources


class ExecutableTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.listing, cls.resources = listing_and_resources(ARGS["--exe"], ARGS["--objdump"])

    def test_is_a_windows_gui_program_that_needs_no_dll_of_its_own(self):
        self.assertRegex(self.listing, r"Subsystem\s+00000002\s+\(Windows GUI\)")
        dlls = {name.lower() for name in re.findall(r"DLL Name: (\S+)", self.listing)}
        self.assertIn("kernel32.dll", dlls)
        self.assertLessEqual(dlls, WINDOWS_DLLS)

    def test_carries_both_descriptions_byte_for_byte(self):
        for ident, name in ((150, "install.dlg"), (151, "make.dlg")):
            self.assertEqual(self.resources[("BINARY", ident)], read(name, ARGS["--resources"]))

    def test_both_icon_groups_hold_the_seven_images(self):
        for group in (107, 108):
            data = self.resources[(RT_GROUP_ICON, group)]
            self.assertEqual(struct.unpack_from("<HHH", data), (0, 1, 7), group)
            entries = [struct.unpack_from("<BBBBHHIH", data, 6 + 14 * i) for i in range(7)]
            for width, height, _, _, _, bits, size, ident in entries:
                # The image itself must say what its directory entry says.
                icon = self.resources[(RT_ICON, ident)]
                header = struct.unpack_from("<IiiHH", icon)
                self.assertEqual((height, len(icon), header[0], header[1], header[4]),
                                 (width, size, 40, width, bits))
            self.assertEqual(sorted((e[0], e[5]) for e in entries), ICON_IMAGES, group)

    def test_manifest_asks_for_common_controls_6_and_no_elevation(self):
        manifest = self.resources[(RT_MANIFEST, 1)].decode("utf-8")
        arch = "amd64" if "PE32+" in self.listing else "x86"
        self.assertRegex(manifest, r'name="Microsoft\.Windows\.Common-Controls"\s+'
                                   r'version="6\.0\.0\.0"\s+processorArchitecture="%s"' % arch)
        self.assertIn('level="asInvoker" uiAccess="false"', manifest)

    def test_committed_icon_is_what_the_script_draws(self):
        with tempfile.TemporaryDirectory() as folder:
            script = os.path.join(ARGS["--resources"], "make_icon.py")
            subprocess.run([sys.executable, script, os.path.join(folder, "drawn.ico")], check=True)
            self.assertEqual(read("drawn.ico", folder), read("update.ico", ARGS["--resources"]))


if __name__ == "__main__":
    ARGS.update(zip(sys.argv[1:7:2], sys.argv[2:7:2]))  # --exe, --objdump, --resources
    unittest.main(argv=sys.argv[:1] + sys.argv[7:])

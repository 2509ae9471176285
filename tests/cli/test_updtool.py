#!/usr/bin/env python3
"""End-to-end tests of updtool.exe under Wine. Archives the tool writes are read back with
sres.py, and archives it reads are written with it: a second implementation of the format
on Python's zlib. The archive's own rules are pinned by its unit tests; these pin what the
tool adds: arguments, exit status, what it prints, and that its files are whole.

Usage: test_updtool.py --updtool <updtool.exe> --wine <wine-run.sh> [unittest options]
"""

import argparse
import os
import random
import shutil
import subprocess
import sys
import tempfile
import threading
import unittest
import zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import sres  # noqa: E402

UPDTOOL = WINE = None
TIMEOUT = 120  # seconds for one start; the first start of Wine may be slow
USAGE_HEAD = "usage: updtool <command> [arguments]"


def win(path):
    """The Windows form of a Linux path: drive Z: is the Linux root."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def wine(*args):
    return subprocess.run([WINE] + list(args), stdin=subprocess.DEVNULL, capture_output=True,
                          timeout=TIMEOUT)


class Run:
    def __init__(self, args):
        done = wine(UPDTOOL, *args)
        self.args, self.rc = args, done.returncode
        self.out, self.err = done.stdout.decode("latin-1"), done.stderr.decode("latin-1")

    def lines(self):
        return self.out.splitlines()

    def __str__(self):
        return "updtool %r: exit %d\n  stdout %r\n  stderr %r" % (self.args, self.rc,
                                                                  self.out[:2000], self.err[:2000])


# Wine's server would stop a moment after each program and every start would pay for a new
# one: an idle console holds it up for the whole run, and leaves when its input ends.
_keeper = None


def setUpModule():
    global _keeper
    _keeper = subprocess.Popen([WINE, "cmd"], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                               stderr=subprocess.DEVNULL)
    answered = threading.Event()

    def drain():  # waits for the answer, then reads and drops the rest so it never blocks
        for line in _keeper.stdout:
            if line.strip().endswith(b"keeper-ready"):
                answered.set()
    threading.Thread(target=drain, daemon=True).start()
    _keeper.stdin.write(b"echo keeper-ready\r\n")
    _keeper.stdin.flush()
    answered.wait(TIMEOUT)  # two Wine programs starting at once from cold can hang


def tearDownModule():
    _keeper.stdin.close()
    _keeper.wait(30)


def random_bytes(size, seed):
    return random.Random(seed).randbytes(size)


def text_bytes(size, seed):
    """Compressible bytes that are not a plain repetition; above a megabyte, one repeated."""
    rng = random.Random(seed)
    words = [b"update ", b"archive ", b"block ", b"zlib ", b"\r\n", b"0123456789 ", b"of "]
    text = b"".join(rng.choice(words) for _ in range(min(size, 1000000) // 3 + 1))
    return (text[:1000000] * (size // 1000000 + 1))[:size]


def read_bytes(path):
    with open(path, "rb") as f:
        return f.read()


def make_tree(folder, files):
    """files: {entry name with backslashes: bytes}."""
    for name, data in files.items():
        path = os.path.join(folder, *name.split("\\"))
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)


def tree(folder):
    """Every file below folder: {relative name with backslashes: bytes}."""
    return {os.path.relpath(os.path.join(top, n), folder).replace(os.sep, "\\"):
            read_bytes(os.path.join(top, n)) for top, _, names in os.walk(folder) for n in names}


def descriptor(version, archive):
    return version + b"\r\n%u\r\n" % zlib.crc32(archive)


def signed(value):
    return value - (1 << 32) if value >= 1 << 31 else value


class ToolTest(unittest.TestCase):
    maxDiff = 4000

    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="updtool-test-", dir="/tmp")
        self.addCleanup(shutil.rmtree, self.dir, True)

    def path(self, *parts):
        return os.path.join(self.dir, *parts)

    def tool(self, *args, rc=0):
        run = Run(args)
        if rc is not None:
            self.assertEqual(run.rc, rc, str(run))
        return run

    def pack(self, folder, target, *options, rc=0):
        return self.tool("pack", win(folder), win(target), *options, rc=rc)

    def check_packed(self, target, expected, version=b"1.0.0.0", run=None):
        """The pair at target holds exactly the files expected ({name: bytes}), byte for byte
        as the second writer makes them; returns the archive's bytes."""
        archive_path = os.path.splitext(target)[0] + ".bin"
        data = read_bytes(archive_path)
        try:
            files = sres.read(data)
        except sres.FormatError as error:
            self.fail("%s is no whole archive: %s" % (archive_path, error))
        self.assertEqual(dict(files), expected)
        self.assertEqual(len(files), len(expected))
        self.assertEqual(data, sres.write(files))
        self.assertEqual(read_bytes(target), descriptor(version, data))
        if run is not None:
            crc = zlib.crc32(data)
            self.assertEqual(run.lines(), [
                "files       %d" % len(expected),
                "bytes read  %d" % sum(len(d) for d in expected.values()),
                "archive     %s (%d bytes)" % (win(archive_path), len(data)),
                "descriptor  %s" % win(target),
                "crc32       %u (signed %d)" % (crc, signed(crc))])
        return data


class PackTest(ToolTest):
    def test_packs_every_file_but_the_updater_at_the_top(self):
        src = self.path("my src")  # the space quotes the argument, which doubles a final "\"
        files = {"zero.dat": b"", "r100001.dat": random_bytes(100001, 12),
                 "t250000.txt": text_bytes(250000, 13), "sub\\Update.exe": b"MZ nested",
                 "sub\\deeper\\leaf.txt": b"leaf\r\n", "sub\\empty.dat": b""}
        make_tree(src, dict(files, **{"Update.exe": b"MZ the updater itself"}))
        os.makedirs(self.path("my src", "empty-folder", "inner"))
        os.makedirs(self.path("out"))
        data = self.check_packed(self.path("out", "app.upd"), files,
                                 run=self.pack(src, self.path("out", "app.upd")))
        self.assertEqual(sorted(os.listdir(self.path("out"))), ["app.bin", "app.upd"])
        listed = self.tool("list", win(self.path("out", "app.bin"))).lines()
        self.assertEqual(listed, ["%d\t%s" % (len(d), n) for n, d in sres.read(data)])
        self.tool("pack", win(src) + "\\", win(self.path("slash.upd")))
        self.assertEqual(read_bytes(self.path("slash.bin")), data)

    def test_version_as_given_and_the_crc_in_both_forms(self):
        # One file makes the archive known beforehand: contents whose CRC-32 is below 2^31
        # and contents whose CRC-32 is at or above it.
        wanted, salt = {}, 0
        while len(wanted) < 2:
            high = zlib.crc32(sres.write([("c.txt", b"%d" % salt)])) >= 1 << 31
            wanted.setdefault(high, b"%d" % salt)
            salt += 1
        for (high, data), version in zip(sorted(wanted.items()), (b" 3.0 beta ", b"")):
            make_tree(self.path("src"), {"c.txt": data})
            run = self.pack(self.path("src"), self.path("v.upd"), "--version", version.decode())
            archive = self.check_packed(self.path("v.upd"), {"c.txt": data}, version, run)
            self.assertEqual(zlib.crc32(archive) >= 1 << 31, high)

    def test_archive_named_after_the_target_and_a_repack_replaces_both(self):
        make_tree(self.path("src"), {"f.txt": b"first"})
        make_tree(self.dir, {"app.upd": b"an old descriptor, longer\r\n1\r\n" * 9,
                             "app.bin": random_bytes(300000, 9)})
        self.pack(self.path("src"), self.path("app.2.upd"))
        self.pack(self.path("src"), self.path("app"))
        self.pack(self.path("src"), self.path("app.upd"))
        for target in ("app.2.upd", "app", "app.upd"):
            self.check_packed(self.path(target), {"f.txt": b"first"})
        make_tree(self.path("src"), {"f.txt": b"second, and longer", "n.txt": b"new"})
        self.pack(self.path("src"), self.path("app.upd"), "--version", "2")
        self.check_packed(self.path("app.upd"), {"f.txt": b"second, and longer", "n.txt": b"new"},
                          b"2")
        self.assertEqual(sorted(os.listdir(self.dir)), sorted(
            ["app.2.bin", "app.2.upd", "app", "app.bin", "app.upd", "src"]))

    def test_unusable_targets_and_folders_write_nothing(self):
        make_tree(self.path("src"), {"a.txt": b"a"})
        make_tree(self.path("upper"), {"UPDATE.EXE": b"MZ"})
        os.makedirs(self.path("out", "folder"))
        for target in ("app.bin", "folder", "missing\\app.upd", "folder\\"):
            run = self.tool("pack", win(self.path("src")), win(self.path("out")) + "\\" + target,
                            rc=1)
            self.assertEqual(run.out, "", str(run))
        for folder, rc, said in (("upper", 4, "No files"), ("missing", 3, "Invalid folder")):
            run = self.pack(self.path(folder), self.path("out", "x.upd"), rc=rc)
            self.assertIn(said, run.err, str(run))
        self.assertEqual(tree(self.path("out")), {})
        self.assertEqual(os.listdir(self.path("out")), ["folder"])

    def test_files_that_cannot_be_packed_as_named_fail_and_keep_the_previous_pair(self):
        deep = "\\".join(["d" * 90] * 3)  # a folder path of more than 257 characters
        cases = {
            "long": ({deep + "\\deep.txt": b"deep"}, [deep]),
            "lookalike": ({"\u0141\u00f3d\u017a.txt": b"1", "L\u00f3dz.txt": b"2"}, ["?\xf3d?.txt"]),
            "outside": ({"\u65e5\u672c.txt": b"x", "\u65e5.txt": b"y"}, ["??.txt", "?.txt"]),
            "case": ({"a.txt": b"1", "A.txt": b"2"}, ["a.txt"]),
        }
        for name, (files, named) in cases.items():
            src, target = self.path(name), self.path(name + ".upd")
            make_tree(src, {"ok.txt": b"ok"})
            self.pack(src, target)
            before = read_bytes(target), read_bytes(self.path(name + ".bin"))
            make_tree(src, files)
            run = self.pack(src, target, rc=None)
            if name == "long" and run.rc == 0:  # a platform that reads long paths packs it
                self.check_packed(target, dict(files, **{"ok.txt": b"ok"}), run=run)
                continue
            self.assertEqual(run.rc, 1, str(run))
            unlisted = [line for line in run.err.lower().splitlines() if "own name" in line]
            self.assertEqual(len(unlisted), len(named), str(run))
            self.assertIn(win(src) + "\\", run.err, str(run))
            for text in named:
                self.assertIn(text.lower(), run.err.lower(), str(run))
            self.assertEqual((read_bytes(target), read_bytes(self.path(name + ".bin"))), before)

    def test_a_file_larger_than_an_archive_can_hold_is_refused_by_name(self):
        make_tree(self.path("src"), {"a.txt": b"a"})
        with open(self.path("src", "big.bin"), "wb") as f:
            f.truncate(2 ** 31)  # a hole: takes no room and is never read
        run = self.pack(self.path("src"), self.path("app.upd"), rc=1)
        self.assertIn("2147483647", run.err, str(run))
        self.assertIn(win(self.path("src", "big.bin")), run.err, str(run))
        self.assertEqual(os.listdir(self.dir), ["src"])

    def test_same_archive_and_files_whatever_the_threads(self):
        sizes = [0, 1, 17, 5000, 99999, 100000, 100001, 250000, 333333, 64000, 2, 180000]
        files = {}
        for i in range(16):
            make = random_bytes if i % 3 == 0 else text_bytes
            name = "d%d\\f%02d.dat" % (i % 4, i) if i % 5 else "top%02d.bin" % i
            files[name] = make(sizes[i % len(sizes)], 100 + i)
        make_tree(self.path("src"), files)
        for threads in ("1", "3"):
            self.pack(self.path("src"), self.path("t%s.upd" % threads), "--threads", threads)
            self.check_packed(self.path("t%s.upd" % threads), files)
        self.assertEqual(read_bytes(self.path("t1.bin")), read_bytes(self.path("t3.bin")))
        for threads in ("1", "2"):
            dest = self.path("x" + threads)
            self.tool("extract", win(self.path("t1.bin")), win(dest), "--threads", threads)
            self.assertEqual(tree(dest), files, "extract --threads %s" % threads)


class ListAndExtractTest(ToolTest):
    def test_lists_sizes_and_names(self):
        files = [("readme.txt", text_bytes(3000, 20)), ("empty.dat", b""),
                 ("bin\\tool.dll", random_bytes(100001, 21))]
        for compressed in (True, False):
            make_tree(self.dir, {"a.bin": sres.write(files, compressed)})
            run = self.tool("list", win(self.path("a.bin")))
            self.assertEqual(run.lines(), ["%d\t%s" % (len(d), n) for n, d in files])

    def test_names_print_on_one_line_each(self):
        make_tree(self.dir, {"forged.bin": sres.write([("a\r\n5\tforged.txt", b"x"),
                                                       ("lt<3C>\x7f.txt", b"yy")])})
        shown = ["a<0D><0A>5<09>forged.txt", "lt<3C>3C><7F>.txt"]
        run = self.tool("list", win(self.path("forged.bin")))
        self.assertEqual(run.lines(), ["1\t" + shown[0], "2\t" + shown[1]])
        run = self.tool("extract", win(self.path("forged.bin")), win(self.path("dest")), rc=1)
        self.assertEqual(run.lines(), [win(self.path("dest")) + "\\" + name for name in shown])
        self.assertIn("2 of 2 entries could not be written", run.err)

    def test_what_is_no_whole_archive(self):
        good = sres.write([("a.txt", text_bytes(300, 23)), ("d.bin", random_bytes(40, 24))])
        raw = text_bytes(100001, 42)
        headers_only = [  # breaches that show in the block headers, which list reads alone
            sres.stream(blocks=[sres.block(raw[:100000]), sres.block(raw[:1])])[:-3],
            sres.stream(blocks=[sres.block(raw)]),
            sres.stream(blocks=[sres.block(raw[:9], packed=bytes(sres.MAX_PACKED + 1))]),
            sres.stream(blocks=[sres.block(b"")]),
            sres.stream(b"ok") + b"trailing bytes",
        ]
        cases = [(b"This is not an archive.\r\n", 5), (b"", 5), (good[:-1], 5), (None, 1)] + [
            (sres.archive([sres.entry("ok", sres.stream(b"ok")), sres.entry("x", p)]), 5)
            for p in headers_only]
        for i, (data, rc) in enumerate(cases):
            if data is not None:
                make_tree(self.dir, {"%d.bin" % i: data})
            run = self.tool("list", win(self.path("%d.bin" % i)), rc=None)
            self.assertEqual(run.rc, rc, "case %d: %s" % (i, run))
        self.tool("extract", win(self.path("2.bin")), win(self.path("dest")), rc=5)
        self.assertFalse(os.path.exists(self.path("dest")))

    def test_extracts_what_pack_wrote_into_a_new_folder(self):
        files = {"readme.txt": text_bytes(777, 30), "empty.dat": b"",
                 "bin\\tool.dll": random_bytes(150000, 31), "sub\\Update.exe": b"MZ kept",
                 "big\\nine.dat": text_bytes(9000001, 36)}
        make_tree(self.path("src"), files)
        self.pack(self.path("src"), self.path("app.upd"))
        dest = self.path("one", "two", "dest")
        run = self.tool("extract", win(self.path("app.bin")), win(dest))
        self.assertEqual(run.out, "")
        self.assertEqual(tree(dest), files)


class VerifyCrcUsageTest(ToolTest):
    def test_verify(self):
        # An archive whose CRC-32 has at most nine digits, so that a leading zero fits in ten.
        salt = 0
        while zlib.crc32(sres.write([("a.txt", b"%d" % salt)])) >= 10 ** 9:
            salt += 1
        make_tree(self.path("src"), {"a.txt": b"%d" % salt})
        target = self.path("app.upd")
        self.pack(self.path("src"), target, "--version", "4.5.6.7")
        archive = read_bytes(self.path("app.bin"))
        self.assertTrue(self.tool("verify", win(target)).out.startswith("ok"))
        crc = b"%u" % zlib.crc32(archive)
        middle = len(archive) // 2
        changed = archive[:middle] + bytes([archive[middle] ^ 0x20]) + archive[middle + 1:]
        cases = {  # descriptor, archive: all but the first fail
            "whole": (None, archive), "changed": (None, changed), "missing": (None, None),
            "empty": (b"", archive), "one line": (b"4.5.6.7\r\n", archive),
            "no final break": (b"4.5.6.7\r\n" + crc, archive),
            "third line": (b"4.5.6.7\r\n" + crc + b"\r\nmore\r\n", archive),
            "trailing space": (b"4.5.6.7\r\n" + crc + b" \r\n", archive),
            "signed": (b"4.5.6.7\r\n-" + crc + b"\r\n", archive),
            "leading zero": (b"4.5.6.7\r\n0" + crc + b"\r\n", archive),
            "hex": (b"4.5.6.7\r\n0x%08x\r\n" % int(crc), archive),
            "too big": (b"4.5.6.7\r\n4294967296\r\n", archive),
            "lf only": (b"4.5.6.7\n" + crc + b"\n", archive),
            "lf inside": (b"4.5.6.7\r\n" + crc[:3] + b"\n" + crc[3:] + b"\r\n", archive),
            "cr inside": (b"4.5.6.7\r\n" + crc[:3] + b"\r" + crc[3:] + b"\r\n", archive),
        }
        text = read_bytes(target)
        for name, (content, data) in cases.items():
            make_tree(self.dir, {"app.upd": text if content is None else content})
            if data is None:
                os.remove(self.path("app.bin"))
            else:
                make_tree(self.dir, {"app.bin": data})
            run = self.tool("verify", win(target), rc=None)
            self.assertEqual(run.rc, 0 if name == "whole" else 1, "%s: %s" % (name, run))

    def test_crc(self):
        big = random_bytes(1000003, 70)
        make_tree(self.dir, {"check.txt": b"123456789", "empty.txt": b"", "big.dat": big})
        crc = zlib.crc32(big)
        for name, printed in (("check.txt", "3421780262 -873187034"), ("empty.txt", "0 0"),
                              ("big.dat", "%u %d" % (crc, signed(crc)))):
            self.assertEqual(self.tool("crc", win(self.path(name))).lines(), [printed])
        self.tool("crc", win(self.path("missing.txt")), rc=1)

    def test_wrong_usage_and_help(self):
        src, target = win(self.dir), win(self.path("t.upd"))
        for args in ([], ["frobnicate"], ["crc"], ["crc", "a", "b"], ["list"], ["pack", src],
                     ["verify", "a", "b"], ["pack", src, target, "--threads", "0"],
                     ["pack", src, target, "--threads", "65"],
                     ["pack", src, target, "--threads", "two"], ["pack", src, target, "--threads"],
                     ["pack", src, target, "--version"], ["list", "x.bin", "--threads", "2"],
                     ["extract", "a.bin", "dest", "--version", "1"]):
            run = self.tool(*args, rc=2)
            self.assertIn(USAGE_HEAD, run.err, str(run))
            self.assertEqual(run.out, "", str(run))
        self.assertEqual(os.listdir(self.dir), [])
        run = self.tool("--help")
        self.assertTrue(run.out.startswith(USAGE_HEAD), str(run))
        for command in ("pack", "list", "extract", "verify", "crc"):
            self.assertIn("  %s " % command, run.out)


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--updtool", required=True, type=os.path.abspath)
    parser.add_argument("--wine", required=True, type=os.path.abspath)
    options, rest = parser.parse_known_args()
    UPDTOOL, WINE = options.updtool, options.wine
    unittest.main(argv=sys.argv[:1] + rest)

#!/usr/bin/env python3
"""End-to-end tests of updtool.exe, run under Wine.

Archives that the tool writes are read back with sres.py, and archives that the tool reads
are written with it: a reader and writer of the format that shares no code with the tool,
using Python's own zlib.

Usage: test_updtool.py --updtool <updtool.exe> --wine <wine-run.sh> [unittest options]
"""

import io
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

UPDTOOL = None
WINE = None
TIMEOUT = 120  # seconds for one start of the tool; the first start of Wine may be slow

USAGE_HEAD = "usage: updtool <command> [arguments]"


def take_options(argv):
    """Strips --updtool and --wine (with their values) from argv; returns the rest."""
    global UPDTOOL, WINE
    rest = [argv[0]]
    i = 1
    while i < len(argv):
        if argv[i] in ("--updtool", "--wine") and i + 1 < len(argv):
            value = os.path.abspath(argv[i + 1])
            if argv[i] == "--updtool":
                UPDTOOL = value
            else:
                WINE = value
            i += 2
        else:
            rest.append(argv[i])
            i += 1
    if not UPDTOOL or not WINE:
        sys.exit("usage: %s --updtool <updtool.exe> --wine <wine-run.sh> [unittest options]"
                 % os.path.basename(argv[0]))
    return rest


def win(path):
    """The Windows form of a Linux path: drive Z: is the Linux root."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


class Run:
    def __init__(self, args, completed):
        self.args = args
        self.rc = completed.returncode
        self.out = completed.stdout.decode("latin-1")
        self.err = completed.stderr.decode("latin-1")

    def lines(self):
        return self.out.splitlines()

    def __str__(self):
        return "updtool %r\n  exit %d\n  stdout: %r\n  stderr: %r" % (
            self.args, self.rc, self.out[:2000], self.err[:2000])


def updtool(*args):
    completed = subprocess.run([WINE, UPDTOOL] + list(args), stdin=subprocess.DEVNULL,
                               stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=TIMEOUT)
    return Run(args, completed)


def wine_cmd(*words):
    """Runs words through Wine's cmd /c; returns the output lines."""
    completed = subprocess.run([WINE, "cmd", "/c"] + list(words), stdin=subprocess.DEVNULL,
                               stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=TIMEOUT)
    return completed.stdout.decode("latin-1").splitlines()


# Wine's server and its services start with the first Wine program and stop a moment after
# the last one ends, which would make every start of the tool pay for a full Wine start-up.
# One idle console kept open for the whole run holds them up; it leaves when its input ends.
# The tests wait until it answers: two Wine programs starting at once from cold can hang.
_keeper = None
READY = "keeper-ready"


def setUpModule():
    global _keeper
    _keeper = subprocess.Popen([WINE, "cmd"], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                               stderr=subprocess.DEVNULL)
    answered = threading.Event()

    def wait_for_answer():
        for line in _keeper.stdout:
            # Read from a pipe, the console prints its prompt and the answer on one line.
            if line.strip().endswith(READY.encode()):
                answered.set()
                break
        # Whatever the console prints later is read and dropped, so it never blocks.
        for _ in _keeper.stdout:
            pass

    threading.Thread(target=wait_for_answer, daemon=True).start()
    try:
        _keeper.stdin.write(b"echo " + READY.encode() + b"\r\n")
        _keeper.stdin.flush()
    except OSError:
        pass
    if not answered.wait(TIMEOUT):
        sys.stderr.write("warning: Wine's console did not answer; tests run without it\n")


def tearDownModule():
    if _keeper is None:
        return
    try:
        _keeper.stdin.write(b"exit\r\n")
        _keeper.stdin.close()
    except OSError:
        pass
    try:
        _keeper.wait(timeout=30)
    except subprocess.TimeoutExpired:
        _keeper.kill()
        _keeper.wait()


def random_bytes(size, seed):
    return random.Random(seed).randbytes(size)


def text_bytes(size, seed):
    """Compressible bytes that are not a plain repetition."""
    rng = random.Random(seed)
    words = [b"update", b"archive", b"block", b"zlib", b"entry", b"name", b"folder", b"\r\n",
             b"0123456789", b"payload", b"the", b"a", b"of"]
    parts = []
    total = 0
    while total < size:
        word = rng.choice(words) + b" "
        parts.append(word)
        total += len(word)
    return b"".join(parts)[:size]


def big_bytes(size, seed):
    """Many megabytes, quickly: a megabyte of text repeated, then a few bytes more."""
    return (text_bytes(1000000, seed) * (size // 1000000 + 1))[:size]


def write_file(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def read_bytes(path):
    with open(path, "rb") as f:
        return f.read()


def make_tree(folder, files):
    """files: {entry name with backslashes: bytes}."""
    for name, data in files.items():
        write_file(os.path.join(folder, *name.split("\\")), data)


def tree(folder):
    """Every file below folder: {relative name with backslashes: bytes}."""
    found = {}
    for top, _, names in os.walk(folder):
        for name in names:
            path = os.path.join(top, name)
            found[os.path.relpath(path, folder).replace(os.sep, "\\")] = read_bytes(path)
    return found


def snapshot(folder, leave_out):
    """Every folder and file below folder but those below leave_out, with file contents."""
    seen = {}
    leave_out = os.path.abspath(leave_out)
    for top, dirs, names in os.walk(folder):
        dirs[:] = [d for d in dirs if os.path.abspath(os.path.join(top, d)) != leave_out]
        for d in dirs:
            seen[os.path.join(top, d) + "/"] = None
        for name in names:
            path = os.path.join(top, name)
            seen[path] = read_bytes(path)
    return seen


def descriptor_bytes(version, archive_data):
    return version + b"\r\n" + b"%u\r\n" % zlib.crc32(archive_data)


def signed(value):
    return value - (1 << 32) if value >= 1 << 31 else value


def corrupt_payloads():
    """Compressed payloads that each break one rule of the block stream: (entry name, payload,
    whether the breach shows in the block headers alone, without decompressing). Each rule is
    the archive's own and its tests hold the full list; here the ones that only a listing,
    which reads the headers without decompressing, would let through."""
    text = text_bytes(250000, 40)
    blocks = sres.blocks_of(text)
    flipped = bytearray(blocks[1])
    for i in range(500, 520):
        flipped[i] ^= 0xFF
    adler = bytearray(blocks[2])
    adler[-1] ^= 0x01
    raw = text_bytes(50000, 41)
    packed = zlib.compress(raw)
    padded = packed + bytes(sres.MAX_PACKED + 1 - len(packed))
    big_blocks = sres.blocks_of(big_bytes(9000004, 45))
    big_adler = bytearray(big_blocks[-1])
    big_adler[-1] ^= 0x80
    return [
        ("flipped.txt", sres.stream(blocks=[blocks[0], bytes(flipped), blocks[2]]), False),
        ("adler.txt", sres.stream(blocks=[blocks[0], blocks[1], bytes(adler)]), False),
        ("raw-over.txt", sres.stream(blocks=[sres.block(text_bytes(100001, 42))]), True),
        ("packed-over.txt", sres.stream(blocks=[sres.block(raw, packed=padded)]), True),
        ("raw-zero.txt", sres.stream(blocks=[sres.block(b"")]), True),
        ("trailing.txt", sres.stream(raw) + b"trailing bytes", True),
        # Too big to be decoded in memory first: the last of its 91 blocks is spoilt.
        ("big-adler.bin", sres.stream(blocks=big_blocks[:-1] + [bytes(big_adler)]), False),
    ]


class ToolTest(unittest.TestCase):
    maxDiff = 4000

    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="updtool-test-", dir="/tmp")
        self.addCleanup(shutil.rmtree, self.dir, True)

    def path(self, *parts):
        return os.path.join(self.dir, *parts)

    def tool(self, *args, rc=None):
        run = updtool(*args)
        if rc is not None:
            self.assertEqual(run.rc, rc, str(run))
        return run

    def pack(self, folder, target, *options, rc=0):
        return self.tool("pack", win(folder), win(target), *options, rc=rc)

    def read_archive(self, path):
        try:
            return sres.read_file(path)
        except sres.FormatError as error:
            self.fail("%s is not a well-formed archive: %s" % (path, error))

    def check_packed(self, folder, target, expected, version=b"1.0.0.0", run=None):
        """The pair beside target holds exactly the files expected ({name: bytes}), byte for
        byte as an independent writer makes them in the archive's order; returns the
        archive's bytes."""
        archive_path = os.path.splitext(target)[0] + ".bin"
        data = read_bytes(archive_path)
        archive = self.read_archive(archive_path)
        self.assertEqual(archive.flag, sres.FLAG_COMPRESSED)
        self.assertEqual(sorted(archive.names()), sorted(expected))
        self.assertEqual(len(set(n.lower() for n in archive.names())), len(archive.entries))
        for entry in archive.entries:
            self.assertEqual(entry.data, expected[entry.name], entry.name)
        self.assertEqual(data, sres.write(archive.files()),
                         "not byte for byte the expected archive")
        self.assertEqual(read_bytes(target), descriptor_bytes(version, data))
        if run is not None:
            crc = zlib.crc32(data)
            self.assertIn("crc32       %u (signed %d)" % (crc, signed(crc)), run.lines(), str(run))
            self.assertIn("archive     %s (%d bytes)" % (win(archive_path), len(data)), run.lines(),
                          str(run))
            self.assertIn("descriptor  %s" % win(target), run.lines(), str(run))
            self.assertIn("files       %d" % len(expected), run.lines(), str(run))
            self.assertIn("bytes read  %d" % sum(len(d) for d in expected.values()), run.lines(),
                          str(run))
        return data


# ---------------------------------------------------------------------------------------
# The independent reader and writer themselves (no Wine)


class SresSelfTest(unittest.TestCase):
    def test_round_trip_and_strictness(self):
        files = [("a.txt", text_bytes(5000, 1)), ("empty", b""),
                 ("d\\big.bin", random_bytes(250000, 2)), ("one", b"x")]
        for compressed in (True, False):
            read = sres.read(sres.write(files, compressed))
            self.assertEqual(read.files(), files)
            self.assertEqual(read.compressed, compressed)
        good = sres.write(files)
        for cut in range(0, len(good), 997):
            with self.assertRaises(sres.FormatError, msg="cut at %d" % cut):
                sres.read(good[:cut])
        with self.assertRaises(sres.FormatError):
            sres.read(good + b"\x00")
        raw = text_bytes(1000, 3)
        forged = [
            sres.stream(blocks=[sres.block(raw, raw_length=999)]),
            sres.stream(blocks=[sres.block(raw, packed=zlib.compress(raw, 9))]),
            sres.stream(blocks=[sres.block(raw)], count=2),
            sres.stream(blocks=[sres.block(raw[:500]), sres.block(raw[500:])]),
            sres.stream(blocks=[sres.block(raw)]) + b"\x00",
        ]
        for payload in forged:
            with self.assertRaises(sres.FormatError):
                sres.read(sres.archive([sres.entry("x", payload)]))


# ---------------------------------------------------------------------------------------
# pack


class PackTest(ToolTest):
    def test_names_and_descriptor(self):
        src = self.path("release")
        files = {
            "zero.dat": b"",
            "r100001.dat": random_bytes(100001, 12),
            "t250000.txt": text_bytes(250000, 13),
            "sub\\Update.exe": b"MZ not the top one",
            "sub\\deeper\\leaf.txt": b"leaf\r\n",
            "sub\\empty.dat": b"",
        }
        make_tree(src, files)
        write_file(os.path.join(src, "Update.exe"), b"MZ the updater itself")
        os.makedirs(os.path.join(src, "empty-folder", "inner"))
        target = self.path("out", "app.upd")
        os.makedirs(os.path.dirname(target))
        run = self.pack(src, target)
        data = self.check_packed(src, target, files, run=run)
        archive = sres.read(data)
        self.assertEqual(sorted(os.listdir(os.path.dirname(target))), ["app.bin", "app.upd"])

        # The tool's own listing agrees with the independent reader.
        listed = self.tool("list", win(self.path("out", "app.bin")), rc=0).lines()
        self.assertEqual(listed, ["%d\t%s" % (len(e.data), e.name) for e in archive.entries])

    def test_version_text_as_given(self):
        src = self.path("src")
        make_tree(src, {"a.txt": b"alpha"})
        for version in (b"", b" 3.0 beta ", b"2.1.0.7"):
            target = self.path("v.upd")
            run = self.pack(src, target, "--version", version.decode())
            self.check_packed(src, target, {"a.txt": b"alpha"}, version=version, run=run)
        self.assertTrue(read_bytes(self.path("v.upd")).startswith(b"2.1.0.7\r\n"))

    def test_printed_crc_in_both_forms(self):
        # One file makes the archive's bytes known beforehand: pick contents whose archive
        # CRC-32 is below 2^31 and at or above it, so that both printed forms are exercised.
        wanted = {False: None, True: None}
        salt = 0
        while None in wanted.values():
            data = b"salt %d" % salt
            high = zlib.crc32(sres.write([("c.txt", data)])) >= 1 << 31
            if wanted[high] is None:
                wanted[high] = data
            salt += 1
        for high, data in wanted.items():
            src = self.path("src%d" % high)
            make_tree(src, {"c.txt": data})
            target = self.path("crc%d.upd" % high)
            run = self.pack(src, target)
            archive = self.check_packed(src, target, {"c.txt": data}, run=run)
            self.assertEqual(zlib.crc32(archive) >= 1 << 31, high)

    def test_unusable_targets(self):
        src = self.path("src")
        make_tree(src, {"a.txt": b"a"})
        out = self.path("out")
        os.makedirs(os.path.join(out, "folder"))
        for target in ("app.bin", "folder", os.path.join("missing", "app.upd")):
            run = self.pack(src, os.path.join(out, target), rc=1)
            self.assertEqual(run.out, "", str(run))
            self.assertEqual(tree(out), {}, target)
            self.assertEqual(os.listdir(out), ["folder"], target)
        self.tool("pack", win(src), win(out) + "\\", rc=1)
        self.assertEqual(os.listdir(out), ["folder"])

    def test_nothing_to_pack(self):
        # Which folders hold nothing to pack is the builder's own rule; here the exit status.
        only_upper = self.path("upper")
        write_file(os.path.join(only_upper, "UPDATE.EXE"), b"MZ")
        out = self.path("out")
        os.makedirs(out)
        run = self.pack(only_upper, os.path.join(out, "x.upd"), rc=4)
        self.assertIn("No files", run.err, str(run))
        run = self.pack(self.path("missing"), os.path.join(out, "x.upd"), rc=3)
        self.assertIn("Invalid folder", run.err, str(run))
        self.assertEqual(os.listdir(out), [])

    def test_hidden_files_are_packed(self):
        src = self.path("src")
        files = {"visible.txt": b"seen", ".dotted": b"hidden by its dot",
                 "marked.txt": b"hidden by attribute", "sub\\marked2.dat": random_bytes(1234, 5)}
        make_tree(src, files)
        marked = [os.path.join(src, "marked.txt"), os.path.join(src, "sub", "marked2.dat")]
        words = []
        for path in marked:
            words += ["attrib", "+h", win(path), "&"]
        for name in files:
            words += ["attrib", win(os.path.join(src, *name.split("\\"))), "&"]
        lines = wine_cmd(*words[:-1])
        hidden = set()
        for name in files:
            shown = win(os.path.join(src, *name.split("\\")))
            for line in lines:
                if line.lower().endswith(shown.lower()) and "H" in line[:-len(shown)]:
                    hidden.add(name)
        if not hidden:
            self.skipTest("no file could be given the hidden attribute under this Wine")
        target = self.path("h.upd")
        run = self.pack(src, target)
        self.check_packed(src, target, files, run=run)

    def test_trailing_backslash_makes_no_difference(self):
        # The space makes the argument quoted, and the quoting doubles its final backslash.
        src = self.path("my src")
        files = {"a.txt": b"a", "b\\c.txt": text_bytes(120000, 7)}
        make_tree(src, files)
        self.pack(src, self.path("plain.upd"))
        self.tool("pack", win(src) + "\\", win(self.path("slash.upd")), rc=0)
        self.assertEqual(read_bytes(self.path("plain.bin")), read_bytes(self.path("slash.bin")))
        self.assertEqual(read_bytes(self.path("plain.upd")), read_bytes(self.path("slash.upd")))
        self.check_packed(src, self.path("slash.upd"), files)

    def test_files_that_cannot_be_packed_as_named_fail_and_keep_the_previous_pair(self):
        deep = "\\".join(["d" * 90] * 3)  # a folder path of more than 257 characters
        cases = {
            "long": ({deep + "\\deep.txt": b"deep"}, deep),
            "lookalike": ({"\u0141\u00f3d\u017a.txt": b"1", "L\u00f3dz.txt": b"2"}, "?\xf3d?.txt"),
            "outside": ({"\u65e5\u672c.txt": b"x"}, "??.txt"),
            "case": ({"a.txt": b"1", "A.txt": b"2"}, "a.txt"),
        }
        for name, (files, named) in cases.items():
            src = self.path(name)
            make_tree(src, {"ok.txt": b"ok"})
            target = self.path(name + ".upd")
            self.pack(src, target)
            before = (read_bytes(target), read_bytes(self.path(name + ".bin")))
            make_tree(src, files)
            run = self.pack(src, target, rc=None)
            if name == "long" and run.rc == 0:  # a platform that reads long paths packs it
                self.check_packed(src, target, dict(files, **{"ok.txt": b"ok"}), run=run)
                continue
            self.assertEqual(run.rc, 1, str(run))
            self.assertIn(win(src) + "\\", run.err, str(run))
            self.assertIn(named.lower(), run.err.lower(), str(run))
            self.assertEqual((read_bytes(target), read_bytes(self.path(name + ".bin"))), before)
        self.assertEqual(sorted(os.listdir(self.dir)), sorted(
            [n + e for n in cases for e in ("", ".bin", ".upd")]))

    def test_a_file_larger_than_an_archive_can_hold_is_refused_by_name(self):
        src = self.path("src")
        make_tree(src, {"a.txt": b"a"})
        big = os.path.join(src, "big.bin")
        with open(big, "wb") as f:
            f.truncate(2 ** 31)  # a hole: takes no room and is never read
        run = self.pack(src, self.path("app.upd"), rc=1)
        self.assertIn("2147483647", run.err, str(run))
        self.assertIn(win(big), run.err, str(run))
        self.assertEqual(sorted(os.listdir(self.dir)), ["src"])

    def test_archive_name_from_target(self):
        src = self.path("src")
        make_tree(src, {"f.txt": b"file"})
        out = self.path("out")
        os.makedirs(out)
        self.pack(src, os.path.join(out, "app.2.upd"))
        self.assertEqual(sorted(os.listdir(out)), ["app.2.bin", "app.2.upd"])
        self.check_packed(src, os.path.join(out, "app.2.upd"), {"f.txt": b"file"})
        self.tool("verify", win(os.path.join(out, "app.2.upd")), rc=0)
        os.remove(os.path.join(out, "app.2.bin"))
        os.remove(os.path.join(out, "app.2.upd"))
        self.pack(src, os.path.join(out, "app"))
        self.assertEqual(sorted(os.listdir(out)), ["app", "app.bin"])
        self.assertEqual(read_bytes(os.path.join(out, "app")),
                         descriptor_bytes(b"1.0.0.0", read_bytes(os.path.join(out, "app.bin"))))

    def test_repack_replaces_both_files(self):
        src = self.path("src")
        make_tree(src, {"a.txt": b"first"})
        target = self.path("app.upd")
        write_file(target, b"old descriptor, longer than the new one\r\n123\r\n" * 10)
        write_file(self.path("app.bin"), random_bytes(300000, 9))
        self.pack(src, target)
        self.check_packed(src, target, {"a.txt": b"first"})
        make_tree(src, {"a.txt": b"second, and longer", "n.txt": b"new"})
        self.pack(src, target, "--version", "2")
        self.check_packed(src, target, {"a.txt": b"second, and longer", "n.txt": b"new"},
                          version=b"2")
        self.assertEqual(sorted(os.listdir(self.dir)), ["app.bin", "app.upd", "src"])


class ThreadsTest(ToolTest):
    def test_same_archive_and_files_whatever_the_threads(self):
        src = self.path("src")
        sizes = [0, 1, 17, 5000, 99999, 100000, 100001, 250000, 333333, 64000, 2, 180000]
        files = {}
        for i in range(16):
            size = sizes[i % len(sizes)]
            data = random_bytes(size, 100 + i) if i % 3 == 0 else text_bytes(size, 100 + i)
            files["d%d\\f%02d.dat" % (i % 4, i) if i % 5 else "top%02d.bin" % i] = data
        make_tree(src, files)
        archives = []
        for threads in ("1", "3"):
            target = self.path("t%s.upd" % threads)
            self.pack(src, target, "--threads", threads)
            archives.append(self.check_packed(src, target, files))
        self.assertEqual(archives[1], archives[0], "--threads 3 differs from --threads 1")

        for threads in ("1", "2"):
            dest = self.path("x%s" % threads)
            self.tool("extract", win(self.path("t1.bin")), win(dest), "--threads", threads, rc=0)
            self.assertEqual(tree(dest), files, "extract --threads %s" % threads)


# ---------------------------------------------------------------------------------------
# list


class ListTest(ToolTest):
    FILES = [("readme.txt", text_bytes(3000, 20)), ("empty.dat", b""),
             ("bin\\tool.dll", random_bytes(100001, 21)),
             ("data\\maps\\a.dat", text_bytes(250000, 22))]

    def test_sizes_and_names(self):
        for name, archive in (("c.bin", sres.write(self.FILES)),
                              ("s.bin", sres.write(self.FILES, compressed=False))):
            write_file(self.path(name), archive)
            run = self.tool("list", win(self.path(name)), rc=0)
            self.assertEqual(run.lines(), ["%d\t%s" % (len(d), n) for n, d in self.FILES], name)

    def test_names_print_on_one_line_each(self):
        # A name is text from outside: its control characters must not forge lines.
        entries = [("a\r\n5\tforged.txt", b"x"), ("lt<3C>\x7f.txt", b"yy")]
        write_file(self.path("forged.bin"), sres.write(entries))
        shown = ["a<0D><0A>5<09>forged.txt", "lt<3C>3C><7F>.txt"]
        run = self.tool("list", win(self.path("forged.bin")), rc=0)
        self.assertEqual(run.lines(), ["1\t" + shown[0], "2\t" + shown[1]])
        run = self.tool("extract", win(self.path("forged.bin")), win(self.path("dest")), rc=1)
        self.assertEqual(run.lines(), [win(self.path("dest")) + "\\" + name for name in shown])

    def test_not_an_archive_truncated_or_missing(self):
        write_file(self.path("text.bin"), b"This is not an archive at all.\r\n")
        write_file(self.path("empty.bin"), b"")
        self.tool("list", win(self.path("text.bin")), rc=5)
        self.tool("list", win(self.path("empty.bin")), rc=5)
        self.tool("list", win(self.path("missing.bin")), rc=1)

        files = [("a.txt", text_bytes(300, 23)), ("b\\c.dat", b""), ("d.bin", random_bytes(40, 24))]
        whole = sres.write(files)
        write_file(self.path("whole.bin"), whole)
        self.tool("list", win(self.path("whole.bin")), rc=0)
        # Every cut is refused by the archive's own tests; here the tool's exit status.
        path = self.path("cut.bin")
        write_file(path, whole[:-1])
        self.tool("list", win(path), rc=5)
        self.tool("extract", win(path), win(self.path("dest")), rc=5)
        self.assertFalse(os.path.exists(self.path("dest")) and os.listdir(self.path("dest")))

    def test_malformed_block_headers(self):
        # What the block headers alone show to be wrong (lengths out of range, blocks that leave
        # part of the payload unused) makes the entry malformed.
        accepted = []
        for name, payload, from_headers in corrupt_payloads():
            if not from_headers:
                continue
            path = self.path(name.replace(".txt", ".bin"))
            write_file(path, sres.archive([sres.entry("ok.txt", sres.stream(b"ok")),
                                           sres.entry(name, payload),
                                           sres.entry("after.txt", sres.stream(b"after" * 99))]))
            run = self.tool("list", win(path))
            if run.rc != 5:
                accepted.append("%s (exit %d: %r)" % (name, run.rc, run.lines()))
        self.assertEqual(accepted, [], "malformed block headers listed as sizes")


# ---------------------------------------------------------------------------------------
# extract


class ExtractTest(ToolTest):
    def failures_expected(self, dest, names):
        root = win(dest) + "\\"
        return [root + name for name in names]

    def test_round_trip_of_pack(self):
        src = self.path("src")
        files = {"readme.txt": text_bytes(777, 30), "empty.dat": b"",
                 "bin\\tool.dll": random_bytes(150000, 31),
                 "data\\maps\\a.dat": text_bytes(300000, 32), "sub\\Update.exe": b"MZ kept",
                 "big\\nine.dat": big_bytes(9000001, 36)}
        make_tree(src, files)
        write_file(os.path.join(src, "Update.exe"), b"MZ left out")
        self.pack(src, self.path("app.upd"))
        self.check_packed(src, self.path("app.upd"), files)
        dest = self.path("one", "two", "dest")  # none of these exist yet
        run = self.tool("extract", win(self.path("app.bin")), win(dest), rc=0)
        self.assertEqual(run.out, "")
        self.assertEqual(tree(dest), files)

    def test_hostile_names_are_refused(self):
        # The rules on names are the archive's own (its tests hold the full list); here the
        # tool reports them and nothing lands outside, on drive C: included.
        hostile = ["..\\evil.txt", "C:\\x", "sub\\..\\..\\x", "\\rooted.txt", "CON .txt", ""]
        good = {"good.txt": b"good", "sub\\ok.txt": text_bytes(120000, 35), "sub\\deep\\z": b""}
        entries = []
        good_items = list(good.items())
        for i, name in enumerate(hostile):
            if i < len(good_items):
                entries.append(good_items[i])
            entries.append((name, b"EVIL " + name.encode()))
        write_file(self.path("hostile.bin"), sres.write(entries))
        dest = self.path("a", "b", "dest")
        write_file(self.path("a", "b", "marker.txt"), b"marker")
        write_file(self.path("a", "marker.txt"), b"marker")
        prefix = os.environ.get("WINEPREFIX") or os.path.join(
            os.path.dirname(WINE), "..", "build", "wineprefix")
        on_c = os.path.join(prefix, "drive_c", "x")
        existed_on_c = os.path.exists(on_c)
        before = snapshot(self.dir, dest)

        run = self.tool("extract", win(self.path("hostile.bin")), win(dest), rc=1)
        self.assertEqual(run.lines(), self.failures_expected(dest, hostile), str(run))
        self.assertIn("%d of %d entries could not be written" % (len(hostile), len(entries)),
                      run.err)
        self.assertEqual(tree(dest), good)
        self.assertEqual(snapshot(self.dir, dest), before, "something was written outside")
        if not existed_on_c:
            self.assertFalse(os.path.exists(on_c), "C:\\x was written")

    def corrupted_archive(self):
        """An archive whose corrupt entries each break one rule, between good entries."""
        # Small entries break each rule in the archive's own tests; here a few, and one too big
        # to be decoded in memory, between good entries, on one thread and on two.
        corrupt = [c for c in corrupt_payloads()
                   if c[0] in ("flipped.txt", "adler.txt", "trailing.txt", "big-adler.bin")]
        for name, payload, _ in corrupt:  # each one really is malformed
            with self.assertRaises(sres.FormatError, msg=name):
                sres.read(sres.archive([sres.entry(name, payload)]))
        good = {"good1.txt": text_bytes(1000, 43), "good2.bin": random_bytes(230000, 44),
                "good3.txt": b"", "good4.bin": big_bytes(9100000, 46)}
        entries = []
        good_items = list(good.items())
        for i, (name, payload, _) in enumerate(corrupt):
            if i < len(good_items):
                good_name, good_data = good_items[i]
                entries.append(sres.entry(good_name, sres.stream(good_data)))
            entries.append(sres.entry(name, payload))
        return sres.archive(entries), [name for name, _, _ in corrupt], good

    def test_corrupted_blocks_fail_and_leave_targets(self):
        archive, corrupt, good = self.corrupted_archive()
        write_file(self.path("bad.bin"), archive)
        for threads in ("1", "2"):
            dest = self.path("dest%s" % threads)
            before = {name: b"previous content of " + name.encode()
                      for i, name in enumerate(corrupt) if i % 2 == 0 or name.startswith("big")}
            make_tree(dest, before)
            make_tree(dest, {"good4.bin": b"previous content, to be replaced"})
            run = self.tool("extract", win(self.path("bad.bin")), win(dest), "--threads", threads,
                            rc=1)
            self.assertEqual(run.lines(), self.failures_expected(dest, corrupt), str(run))
            found = tree(dest)
            for name, data in good.items():
                self.assertEqual(found.get(name), data, "%s, --threads %s" % (name, threads))
            for name, data in before.items():
                self.assertEqual(found.get(name), data, "%s, --threads %s" % (name, threads))
            stray = set(found) - set(good) - set(corrupt)
            self.assertEqual(stray, set(), "files left behind, --threads %s" % threads)

# ---------------------------------------------------------------------------------------
# verify and crc


class VerifyTest(ToolTest):
    def test_verify(self):
        src = self.path("src")
        make_tree(src, {"a.txt": text_bytes(5000, 60), "b\\c.bin": random_bytes(20000, 61)})
        target = self.path("app.upd")
        self.pack(src, target, "--version", "4.5.6.7")
        archive = read_bytes(self.path("app.bin"))
        crc = zlib.crc32(archive)
        run = self.tool("verify", win(target), rc=0)
        self.assertTrue(run.out.startswith("ok"), str(run))

        changed = bytearray(archive)
        changed[len(changed) // 2] ^= 0x20
        write_file(self.path("app.bin"), bytes(changed))
        self.tool("verify", win(target), rc=1)
        os.remove(self.path("app.bin"))
        self.tool("verify", win(target), rc=1)
        write_file(self.path("app.bin"), archive)
        self.tool("verify", win(target), rc=0)

        text = b"%u" % crc
        malformed = {
            "empty": b"",
            "one-line": b"4.5.6.7\r\n",
            "no-final-break": b"4.5.6.7\r\n" + text,
            "third-line": b"4.5.6.7\r\n" + text + b"\r\nmore\r\n",
            "trailing-space": b"4.5.6.7\r\n" + text + b" \r\n",
            "signed": b"4.5.6.7\r\n-" + text + b"\r\n",
            "hex": b"4.5.6.7\r\n0x%08x\r\n" % crc,
            "too-big": b"4.5.6.7\r\n4294967296\r\n",
            "lf-only": b"4.5.6.7\n" + text + b"\n",
            # A bare LF or CR is not a line break: these CRC lines are not decimal numbers.
            "lf-inside-crc": b"4.5.6.7\r\n" + text[:3] + b"\n" + text[3:] + b"\r\n",
            "cr-inside-crc": b"4.5.6.7\r\n" + text[:3] + b"\r" + text[3:] + b"\r\n",
        }
        for name, content in malformed.items():
            write_file(self.path("app.upd"), content)
            run = self.tool("verify", win(target))
            self.assertEqual(run.rc, 1, "descriptor %s: %s" % (name, run))

        # A leading zero within ten digits: an archive whose CRC-32 has at most nine.
        salt = 0
        while zlib.crc32(sres.write([("s.txt", b"%d" % salt)])) >= 10 ** 9:
            salt += 1
        make_tree(self.path("short"), {"s.txt": b"%d" % salt})
        self.pack(self.path("short"), self.path("short.upd"))
        crc = zlib.crc32(read_bytes(self.path("short.bin")))
        write_file(self.path("short.upd"), b"1\r\n0%u\r\n" % crc)
        self.tool("verify", win(self.path("short.upd")), rc=1)


class CrcTest(ToolTest):
    def test_crc(self):
        write_file(self.path("check.txt"), b"123456789")
        write_file(self.path("empty.txt"), b"")
        big = random_bytes(1000003, 70)
        write_file(self.path("big.dat"), big)
        self.assertEqual(self.tool("crc", win(self.path("check.txt")), rc=0).lines(),
                         ["3421780262 -873187034"])
        self.assertEqual(self.tool("crc", win(self.path("empty.txt")), rc=0).lines(), ["0 0"])
        crc = zlib.crc32(big)
        self.assertEqual(self.tool("crc", win(self.path("big.dat")), rc=0).lines(),
                         ["%u %d" % (crc, signed(crc))])
        self.tool("crc", win(self.path("missing.txt")), rc=1)


# ---------------------------------------------------------------------------------------
# usage


class UsageTest(ToolTest):
    def test_wrong_usage(self):
        src = self.path("src")
        make_tree(src, {"a.txt": b"a"})
        target = win(self.path("t.upd"))
        cases = [
            [],
            ["frobnicate"],
            ["crc"],
            ["crc", "a", "b"],
            ["list"],
            ["pack", win(src)],
            ["verify", "a", "b"],
            ["pack", win(src), target, "--threads", "0"],
            ["pack", win(src), target, "--threads", "65"],
            ["pack", win(src), target, "--threads", "two"],
            ["pack", win(src), target, "--threads"],
            ["pack", win(src), target, "--version"],
            ["list", win(self.path("x.bin")), "--threads", "2"],
            ["extract", "a.bin", "dest", "--version", "1"],
        ]
        for args in cases:
            run = updtool(*args)
            self.assertEqual(run.rc, 2, str(run))
            self.assertIn(USAGE_HEAD, run.err, str(run))
            self.assertEqual(run.out, "", str(run))
        self.assertEqual(os.listdir(self.dir), ["src"])

    def test_help(self):
        run = self.tool("--help", rc=0)
        self.assertTrue(run.out.startswith(USAGE_HEAD), str(run))
        for command in ("pack", "list", "extract", "verify", "crc"):
            self.assertIn("  %s " % command, run.out)
        self.assertEqual(run.err, "")


if __name__ == "__main__":
    argv = take_options(sys.argv)
    # Quiet on success: the runner's report is shown only when something failed.
    report = io.StringIO()
    program = unittest.main(argv=argv, exit=False,
                            testRunner=unittest.TextTestRunner(stream=report, verbosity=1))
    result = program.result
    if not result.wasSuccessful():
        sys.stderr.write(report.getvalue())
    for test, reason in result.skipped:
        sys.stderr.write("skipped %s: %s\n" % (test.id(), reason))
    sys.exit(0 if result.wasSuccessful() else 1)

#!/usr/bin/env python3
"""End-to-end tests of the real Update.exe under Wine in Xvfb, against our HTTP server on
127.0.0.1 with archives written by sres.py (an independent writer of the format): the
outcomes that a window alone shows; the others are unit tests (install_tests). A host program
of ours records whether it was started; winprobe reads the dialogs or drives them.

Usage: test_update.py --bin <build folder> [--other-bin <the other bitness's build folder>]
                      --wine <wine-run.sh> [unittest options]
"""
import glob
import os
import random
import shutil
import subprocess
import sys
import tempfile
import time
import unittest
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path[:0] = [os.path.join(HERE, "..", "cli"), os.path.join(HERE, "..", "support")]
import sres  # noqa: E402
import test_server  # noqa: E402
from wintest import make_tree, options, signed, tree, win  # noqa: E402

OPTIONS = None
QUIET = dict(stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
RUN_LIMIT = 90  # seconds for one run of a program
RELEASE = {"app.exe": bytes(range(256)) * 700, "readme.txt": b"version 2\r\n", "empty.dat": b"",
           "data\\deep\\table.csv": b"a,b\r\n" * 30000, "data\\new.txt": b"new file\r\n"}
OLD = {"app.exe": b"old program", "readme.txt": b"version 1\r\n", "keep.txt": b"mine"}


def tool(name, build=None):
    """A program of a build folder: the product, the console tool or a test helper."""
    for folder in ("app", "cli", "tests", os.path.join("examples", "host")):
        path = os.path.join(build or OPTIONS.bin, folder, name)
        if os.path.exists(path):
            return path
    raise FileNotFoundError(name)


def probe(*args):
    return subprocess.run([OPTIONS.wine, tool("winprobe.exe")] + [str(a) for a in args],
                          stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                          stderr=subprocess.DEVNULL, timeout=RUN_LIMIT)


def read_dialog(title="Update"):
    """{control id: (class, text, extras)} of the window's children."""
    controls = {}
    for line in probe("read", title).stdout.decode("latin-1").splitlines():
        fields = line.split("\t")
        controls[int(fields[1])] = (fields[0], fields[2], fields[3:])
    return controls


def read(path):
    with open(path, "rb") as f:
        return f.read()


def temp_files(pattern="tmp*"):
    """Files of the user's temporary folder, in either place Wine keeps it."""
    users = os.path.join(os.environ.get("WINEPREFIX", ""), "drive_c", "users", "*")
    return {path for temp in ("Temp", os.path.join("AppData", "Local", "Temp"))
            for path in glob.glob(os.path.join(users, temp, pattern))}


class UpdateTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.site = tempfile.mkdtemp(prefix="update-site-")
        cls.server, cls.url = test_server.start(lifetime=1800, folder=cls.site)

    @classmethod
    def tearDownClass(cls):
        cls.server.shutdown()
        cls.server.server_close()
        shutil.rmtree(cls.site, ignore_errors=True)

    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="update-e2e-")
        self.host = self.path("host", "host.exe")
        os.makedirs(os.path.dirname(self.host))
        shutil.copy(tool("hostprog.exe"), self.host)
        self.processes = []

    def tearDown(self):
        for process in self.processes:
            if process.poll() is None:
                process.kill()
                process.wait()
            if process.stdout:
                process.stdout.close()
        shutil.rmtree(self.folder, ignore_errors=True)

    def path(self, *parts):
        return os.path.join(self.folder, *parts)

    def host_starts(self, host=None):
        record = (host or self.host) + ".started"
        return len(read(record).splitlines()) if os.path.exists(record) else 0

    def start(self, program, *args, **streams):
        process = subprocess.Popen([OPTIONS.wine, program] + list(args), **dict(QUIET, **streams))
        self.processes.append(process)
        return process

    def hold(self, *paths):
        """A process that holds the files open, unshared, until the test ends."""
        holder = self.start(tool("hostprog.exe"), "--hold", *[win(p) for p in paths], "--stay",
                            "60000", stdout=subprocess.PIPE)
        self.assertEqual(holder.stdout.readline().strip(), b"holding")
        return holder

    def install(self, body, rate=0, destination=None, host=None, program=None, signature=None):
        """Starts Update.exe (or program) on body published at rate bytes a second (0: at
        once), with its signature beside it when given; returns the process."""
        name = "a%d.bin" % len(os.listdir(self.site))
        make_tree(self.site, {name: body, name + ".sig": signature} if signature else {name: body})
        url = "%s/%s/%s" % (self.url, "rate/%d" % rate if rate else "file", name)
        process = self.start(program or tool("Update.exe"), str(signed(zlib.crc32(body))), url,
                             win(destination or self.path("dest")) + "\\", win(host or self.host))
        process.archive_url = url
        return process

    def wait_failed(self, process):
        """Waits for "Failed." in the dialog's label; returns the dialog's controls."""
        deadline = time.time() + RUN_LIMIT
        while time.time() < deadline:
            self.assertIsNone(process.poll(), "the dialog closed instead of failing")
            controls = read_dialog()
            if controls.get(1, (None, None))[1] == "Failed.":
                return controls
            time.sleep(0.2)
        self.fail("the label never read Failed.")

    def close_dialog(self, process, title="Update"):
        self.assertEqual(probe("close", title).returncode, 0)
        self.assertEqual(process.wait(RUN_LIMIT), 0)

    def logged(self, process):
        """The fields of the line that the run of process wrote to Update.log."""
        for log in temp_files("Update.log"):
            for line in read(log).decode("latin-1").splitlines():
                fields = line.split("\t")
                if len(fields) > 3 and fields[1] == process.archive_url:
                    return fields
        raise AssertionError("no line in Update.log for " + process.archive_url)

    def test_success_replaces_every_file_restarts_the_host_closes_and_logs(self):
        make_tree(self.path("dest"), OLD)
        files = dict(RELEASE)
        for salt in range(1000):  # a CRC-32 of 2^31 or more, which the host passes signed
            files["salt.txt"] = b"%d" % salt
            body = sres.write(sorted(files.items()))
            if zlib.crc32(body) >= 1 << 31:
                break
        temps, requests = temp_files(), self.server.requests
        process = self.install(body)
        self.assertEqual(process.wait(RUN_LIMIT), 0)
        self.assertEqual(tree(self.path("dest")), dict(OLD, **files))
        self.assertEqual(self.host_starts(), 1)
        self.assertEqual(temp_files(), temps, "temporary file left behind")
        self.assertEqual(self.server.requests, requests + 1, "no key: it asks for the archive")
        self.assertEqual(self.logged(process)[3:5], ["installed", "%d bytes" % len(body)])

    def test_with_a_key_only_a_signed_package_installs(self):
        updater, private, public = self.path("Update.exe"), self.path("k.pem"), self.path("k.pub")
        shutil.copy(tool("Update.exe"), updater)
        body = sres.write(sorted(RELEASE.items()))
        make_tree(self.folder, {"signed.bin": body})
        for command, *paths in (("keygen", private, public), ("embed-key", updater, public),
                                ("sign", self.path("signed.bin"), private)):
            done = subprocess.run([OPTIONS.wine, tool("updtool.exe"), command] +
                                  [win(p) for p in paths], stdin=subprocess.DEVNULL,
                                  capture_output=True, timeout=RUN_LIMIT)
            self.assertEqual(done.returncode, 0, done.stderr)
        signature = read(self.path("signed.bin.sig"))
        for signed_too in (False, True):
            with self.subTest(signed=signed_too):
                dest = self.path("dest-%d" % signed_too)
                make_tree(dest, OLD)
                process = self.install(body, destination=dest, program=updater,
                                       signature=signature if signed_too else None)
                if not signed_too:
                    self.wait_failed(process)
                    self.close_dialog(process)
                    self.assertEqual(self.logged(process)[3], "failed: signature")
                self.assertEqual(process.wait(RUN_LIMIT), 0)
                self.assertEqual(tree(dest)["readme.txt"],
                                 (RELEASE if signed_too else OLD)["readme.txt"])

    def test_files_held_open_are_listed_in_archive_order_and_the_rest_written(self):
        """A failure shows "Failed." and the files not written, starts nothing, deletes the
        download and logs its kind."""
        dest = self.path("dest")
        make_tree(dest, OLD)
        holder = self.hold(os.path.join(dest, "readme.txt"), os.path.join(dest, "app.exe"))
        temps = temp_files()
        process = self.install(sres.write(sorted(RELEASE.items())))
        controls = self.wait_failed(process)
        self.assertEqual([x[len("item="):] for x in controls[3][2] if x.startswith("item=")],
                         [win(os.path.join(dest, name)) for name in ("app.exe", "readme.txt")])
        self.close_dialog(process)
        holder.kill()
        holder.wait()
        self.assertEqual(tree(dest), dict(RELEASE, **OLD))
        self.assertEqual(self.host_starts(), 0)
        self.assertEqual(temp_files(), temps)
        self.assertEqual(self.logged(process)[3], "failed: files")

    def test_host_still_running_ends_silently_without_a_request(self):
        """A host of either bitness holds the update back: a 32-bit updater cannot list a
        64-bit program's modules, and the wait must see that program all the same."""
        builds = [b for b in (OPTIONS.bin, OPTIONS.other_bin)  # the other only when built
                  if b and os.path.isdir(os.path.join(b, "tests"))]
        runs = []
        for number, build in enumerate(builds):
            dest, host = self.path("dest%d" % number), self.path("host%d" % number, "host.exe")
            make_tree(dest, OLD)
            os.makedirs(os.path.dirname(host))
            shutil.copy(tool("hostprog.exe", build), host)
            running = self.start(host, "--stay", "40000")
            deadline = time.time() + 30
            while self.host_starts(host) == 0 and time.time() < deadline:
                time.sleep(0.05)
            runs.append((build, dest, host, running))
        requests = self.server.requests
        # The updaters wait side by side: one wait budget for every row. Each must have
        # waited it out: an updater that ended early without a request did not wait.
        began = time.time()
        updaters = [self.install(sres.write(sorted(RELEASE.items())), destination=dest, host=host)
                    for _, dest, host, _ in runs]
        for (build, dest, host, running), process in zip(runs, updaters):
            with self.subTest(build):
                self.assertEqual(process.wait(RUN_LIMIT), 0)
                self.assertGreaterEqual(time.time() - began, 10)
                self.assertIsNone(running.poll(), "the host ended before the wait was over")
                self.assertEqual(tree(dest), OLD)
                self.assertEqual(self.host_starts(host), 1)
                self.assertEqual(self.logged(process)[3], "host still running")
        self.assertEqual(self.server.requests, requests, "an updater went ahead while its host ran")

    def test_closing_the_dialog_during_a_slow_download_ends_at_once_and_deletes_it(self):
        # Bytes that do not compress: the archive takes ~8 s at 50 KiB a second.
        body = sres.write([("big.bin", random.Random(7).randbytes(400000))])
        temps = temp_files()
        process = self.install(body, rate=51200)
        self.assertEqual(probe("wait", "Update", 30000).returncode, 0)
        deadline = time.time() + 30
        while time.time() < deadline and "pos=0" in read_dialog()[2][2]:
            time.sleep(0.1)
        began = time.time()
        self.close_dialog(process)
        self.assertLess(time.time() - began, 8, "the program did not end at once")
        self.assertEqual(self.host_starts(), 0)
        self.assertFalse(os.path.exists(self.path("dest", "big.bin")))
        self.assertEqual(temp_files(), temps, "the download was left behind")
        self.assertEqual(self.logged(process)[3::3], ["failed: download", "closed by the user"])

    def test_make_dialog_names_what_it_refuses_and_writes_the_pair(self):
        """An empty folder field is refused, and a release over 2 GiB; the dialog stays. A file
        that cannot be read is left out of the pair and named in a box afterwards."""
        title, release, big = "Make update files", self.path("release"), self.path("big")
        make_tree(release, dict(RELEASE, **{"locked.dat": b"held"}))
        shutil.copy(tool("Update.exe"), os.path.join(release, "Update.exe"))
        self.hold(os.path.join(release, "locked.dat"))
        os.makedirs(big)
        with open(os.path.join(big, "big.bin"), "wb") as f:
            f.truncate(2 ** 31)  # a hole: takes no room and is never read
        process = self.start(tool("Update.exe"), "one", "two", "three")  # still make mode
        self.assertEqual(probe("wait", title, 30000).returncode, 0)
        self.assertEqual(probe("click", title, 4).returncode, 0)  # "..." opens the browser
        self.assertEqual(probe("wait", "Browse for Folder", 30000).returncode, 0)
        self.assertEqual(probe("close", "Browse for Folder").returncode, 0)
        self.assertEqual(probe("gone", "Browse for Folder", 10000).returncode, 0)
        self.assertEqual(probe("settext", title, 7, "2.5.0.1").returncode, 0)
        for folder, text, named in (
                ("", "Invalid folder", None),
                (big, "Too large", os.path.join(big, "big.bin")),
                (release, "Files left out", os.path.join(release, "locked.dat"))):
            field = win(folder) if folder else ""
            self.assertEqual(probe("settext", title, 3, field).returncode, 0)
            self.assertEqual(probe("click", title, 1).returncode, 0)
            if named:
                self.assertEqual(probe("saveas", win(self.path("made.upd")), 30000).returncode, 0)
            self.assertEqual(probe("wait", "Error", 60000).returncode, 0)
            said = "\n".join(c[1] for c in read_dialog("Error").values())
            self.assertIn(text, said)
            self.assertIn(win(named) if named else "", said)
            self.assertEqual(probe("close", "Error").returncode, 0)
            self.assertEqual(probe("gone", "Error", 10000).returncode, 0)
        archive, descriptor = read(self.path("made.bin")), read(self.path("made.upd"))
        self.assertEqual(dict(sres.read(archive)), RELEASE)
        self.assertEqual(descriptor, b"2.5.0.1\r\n%d\r\n" % zlib.crc32(archive))
        self.close_dialog(process, title)


    def test_sample_program_version_1_updates_itself_to_version_2_and_shows_it(self):
        """The sample host program (examples/host) goes through sdk/update_client.h: started
        with --check it finds version 2, hands over to a copy of Update.exe and exits."""
        title, installed = "Example Application", self.path("installed")
        ini = "[General]\r\nVersion=%s\r\nUpdateUrl=" + self.url + "/file/sample.upd\r\n"
        make_tree(installed, {"app.ini": (ini % "1.0.0.0").encode(), "readme.txt": b"1\r\n"})
        for program in ("Update.exe", "ExampleApp.exe"):
            shutil.copy(tool(program), installed)
        release = {"ExampleApp.exe": read(tool("ExampleApp.exe")), "readme.txt": b"2\r\n",
                   "app.ini": (ini % "2.0.0.0").encode(), "data\\new.txt": b"new\r\n"}
        body = sres.write(sorted(release.items()))
        make_tree(self.site, {"sample.bin": body,
                              "sample.upd": b"2.0.0.0\r\n%d\r\n" % zlib.crc32(body)})
        copies = temp_files("Update-*.exe")
        program = self.start(os.path.join(installed, "ExampleApp.exe"), "--check")
        self.assertEqual(program.wait(RUN_LIMIT), 0)
        self.assertEqual(probe("wait", title, RUN_LIMIT * 1000).returncode, 0)
        self.assertEqual(read_dialog(title)[2][1], "Version 2.0.0.0")
        self.assertEqual(probe("close", title).returncode, 0)
        self.assertEqual(probe("gone", title, 30000).returncode, 0)
        self.assertEqual(tree(installed), dict(release, **{"Update.exe": read(tool("Update.exe"))}))
        for copy in temp_files("Update-*.exe") - copies:  # the copy Update.exe ran from
            os.remove(copy)


if __name__ == "__main__":
    OPTIONS, argv = options("--bin", "--other-bin", "--wine")
    unittest.main(argv=argv)

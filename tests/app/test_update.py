#!/usr/bin/env python3
"""End-to-end tests of the real Update.exe under Wine in Xvfb.

Install mode runs against our HTTP server on 127.0.0.1 with archives written by sres.py,
an independent writer of the format; a host program of ours records whether it was
started, and winprobe reads the install dialog (label, progress bar, error list) or closes
it from outside. Make mode is driven through its real dialog and its output compared with
updtool's for the same folder and version.

Usage: test_update.py --bin <build folder> [--other-bin <the other bitness's build folder>]
                      --wine <wine-run.sh> [unittest options]
"""
import glob
import http.server
import os
import random
import shutil
import subprocess
import sys
import tempfile
import threading
import time
import unittest
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "cli"))
sys.path.insert(0, os.path.join(HERE, "..", "support"))
import sres  # noqa: E402
import test_server  # noqa: E402

BIN = OTHER_BIN = WINE = None
DIALOG = "Update"
MAKE_DIALOG = "Make update files"
RUN_LIMIT = 90  # seconds for one run of Update.exe


def win(path):
    """The Windows form of a Linux path: drive Z: is the Linux root."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def signed(crc):
    return crc - (1 << 32) if crc >= 1 << 31 else crc


def tool(name):
    """A program of the build folder: the product, the console tool or a test helper."""
    for folder in ("app", "cli", "tests"):
        path = os.path.join(BIN, folder, name)
        if os.path.exists(path):
            return path
    raise FileNotFoundError(name)


def probe(*args):
    return subprocess.run([WINE, tool("winprobe.exe")] + [str(a) for a in args],
                          stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                          stderr=subprocess.DEVNULL, timeout=RUN_LIMIT)


def read_dialog(title=DIALOG):
    """{control id: (class, text, extras)} of the dialog's children."""
    controls = {}
    for line in probe("read", title).stdout.decode("latin-1").splitlines():
        fields = line.split("\t")
        controls[int(fields[1])] = (fields[0], fields[2], fields[3:])
    return controls


class Files:
    """Archives and bodies served by path, with a count of the requests that reached us."""
    bodies = {}
    requests = 0
    lock = threading.Lock()


class Handler(test_server.Handler):
    """Adds /file/NAME (the body whole), /cut/NAME (half of it, full length announced) and
    /slowfile/NAME (1 KiB every 20 ms) to the test server's paths."""

    def do_GET(self):
        with Files.lock:
            Files.requests += 1
        parts = self.path.strip("/").split("/")
        if len(parts) == 2 and parts[1] in Files.bodies:
            body = Files.bodies[parts[1]]
            self.close_connection = True
            if parts[0] == "file":
                self.head(len(body))
                return self.wfile.write(body)
            if parts[0] == "cut":
                self.head(len(body))
                return self.wfile.write(body[:len(body) // 2])
            if parts[0] == "slowfile":
                self.head(len(body))
                for start in range(0, len(body), 1024):
                    self.wfile.write(body[start:start + 1024])
                    self.wfile.flush()
                    time.sleep(0.02)
                return None
        return super().do_GET()


class UpdateTestCase(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        cls.server.daemon_threads = True
        cls.server.handle_error = lambda *args: None
        threading.Thread(target=cls.server.serve_forever, daemon=True).start()
        cls.url = "http://127.0.0.1:%d" % cls.server.server_address[1]

    @classmethod
    def tearDownClass(cls):
        cls.server.shutdown()
        cls.server.server_close()

    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="update-e2e-")
        self.host = os.path.join(self.folder, "host", "host.exe")
        os.makedirs(os.path.dirname(self.host))
        shutil.copy(tool("hostprog.exe"), self.host)
        self.processes = []

    def tearDown(self):
        for process in self.processes:
            if process.poll() is None:
                process.kill()
                process.wait()
        shutil.rmtree(self.folder, ignore_errors=True)

    # -- helpers --------------------------------------------------------------------------

    def path(self, *parts):
        return os.path.join(self.folder, *parts)

    def host_starts(self, host=None):
        record = (host or self.host) + ".started"
        if not os.path.exists(record):
            return 0
        with open(record, "rb") as f:
            return len(f.read().splitlines())

    def start(self, *args, program=None):
        process = subprocess.Popen([WINE, program or tool("Update.exe")] + list(args),
                                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL)
        self.processes.append(process)
        return process

    def install(self, body, crc=None, path="file", destination=None, host=None, program=None,
                signature=None):
        """Starts Update.exe (or program) on body served at /path/NAME, with signature at
        /path/NAME.sig when given; returns the process."""
        name = "a%d.bin" % len(Files.bodies)
        Files.bodies[name] = body
        if signature is not None:
            Files.bodies[name + ".sig"] = signature
        crc = signed(zlib.crc32(body)) if crc is None else crc
        destination = destination or self.path("dest")
        process = self.start(str(crc), "%s/%s/%s" % (self.url, path, name),
                             win(destination) + "\\", win(host or self.host), program=program)
        process.archive_url = "%s/%s/%s" % (self.url, path, name)
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

    def close_dialog(self, process, title=DIALOG):
        self.assertEqual(probe("close", title).returncode, 0)
        self.assertEqual(process.wait(RUN_LIMIT), 0)

    @staticmethod
    def temp_files():
        """Our files in the user's temporary folder (drive_c/users/<user>/Temp here)."""
        prefix = os.environ.get("WINEPREFIX", "")
        found = set()
        for temp in ("Temp", os.path.join("AppData", "Local", "Temp")):
            found |= set(glob.glob(os.path.join(prefix, "drive_c", "users", "*", temp, "tmp*")))
        return found

    @staticmethod
    def logged(process):
        """The fields of the line that the run of process wrote to Update.log."""
        prefix = os.environ.get("WINEPREFIX", "")
        for log in glob.glob(os.path.join(prefix, "drive_c", "users", "*", "Temp", "Update.log")):
            with open(log, "rb") as f:
                for line in f.read().decode("latin-1").splitlines():
                    fields = line.split("\t")
                    if len(fields) > 3 and fields[1] == process.archive_url:
                        return fields
        raise AssertionError("no line in Update.log for " + process.archive_url)

    def updtool(self, *args):
        return subprocess.run([WINE, tool("updtool.exe")] + list(args), stdin=subprocess.DEVNULL,
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=RUN_LIMIT)

    def sign(self, body, private):
        """The signature updtool makes of body with the private key."""
        path = self.path("signed-%d.bin" % len(os.listdir(self.folder)))
        with open(path, "wb") as f:
            f.write(body)
        self.assertEqual(self.updtool("sign", win(path), win(private)).returncode, 0)
        with open(path + ".sig", "rb") as f:
            return f.read()

    def make_tree(self, root, files):
        for name, data in files.items():
            target = os.path.join(root, *name.split("\\"))
            os.makedirs(os.path.dirname(target), exist_ok=True)
            with open(target, "wb") as f:
                f.write(data)

    def tree(self, root):
        found = {}
        for folder, _, names in os.walk(root):
            for name in names:
                full = os.path.join(folder, name)
                with open(full, "rb") as f:
                    found[os.path.relpath(full, root).replace("/", "\\")] = f.read()
        return found


RELEASE = {
    "app.exe": bytes(range(256)) * 700,
    "readme.txt": b"version 2\r\n",
    "empty.dat": b"",
    "data\\deep\\table.csv": b"a,b\r\n" * 30000,
    "data\\new.txt": b"new file\r\n",
}
OLD = {"app.exe": b"old program", "readme.txt": b"version 1\r\n", "keep.txt": b"mine"}


def archive_with_large_crc():
    """The release's archive with a salt entry chosen so that its CRC-32 is 2^31 or more:
    the host must pass such a checksum in its signed form."""
    for salt in range(1000):
        body = sres.write(sorted(RELEASE.items()) + [("salt.txt", b"%d" % salt)])
        if zlib.crc32(body) >= 1 << 31:
            return body
    raise AssertionError("no salt gives a large CRC")


class InstallTest(UpdateTestCase):
    """The dialog's side of the install: the procedure's every outcome is tested on its own
    (install_tests); here one success, one failure and what only a window shows."""

    def test_success_replaces_every_file_restarts_the_host_closes_and_logs(self):
        dest = self.path("dest")
        self.make_tree(dest, OLD)
        body = archive_with_large_crc()
        temps, requests = self.temp_files(), Files.requests
        process = self.install(body, crc=signed(zlib.crc32(body)), destination=dest)
        self.assertEqual(process.wait(RUN_LIMIT), 0)
        expected = dict(OLD, **RELEASE)
        expected.update(sres.read(body))
        self.assertEqual(self.tree(dest), expected)
        self.assertEqual(self.host_starts(), 1)
        self.assertEqual(self.temp_files(), temps, "temporary file left behind")
        self.assertEqual(Files.requests, requests + 1, "no key: the archive is all it asks for")
        self.assertEqual(self.logged(process)[3:5], ["installed", "%d bytes" % len(body)])

    def test_a_failure_shows_failed_starts_nothing_deletes_the_download_and_logs(self):
        body = archive_with_large_crc()
        temps = self.temp_files()
        process = self.install(body, crc=signed(zlib.crc32(body) ^ 1))
        controls = self.wait_failed(process)
        self.assertIn("count=0", controls[3][2])
        self.close_dialog(process)
        self.assertEqual(self.host_starts(), 0)
        self.assertEqual(self.temp_files(), temps)
        self.assertEqual(self.logged(process)[3], "failed: checksum")

    def test_with_a_key_only_a_signed_package_installs(self):
        updater = self.path("signed", "Update.exe")
        os.makedirs(os.path.dirname(updater))
        shutil.copy(tool("Update.exe"), updater)
        private, public = self.path("key.pem"), self.path("key.pub")
        for args in (("keygen", private, public), ("embed-key", updater, public)):
            self.assertEqual(self.updtool(args[0], *[win(a) for a in args[1:]]).returncode, 0)
        for signed_too, label in ((False, "Failed."), (True, None)):
            with self.subTest(signed=signed_too):
                dest = self.path("dest-%d" % signed_too)
                self.make_tree(dest, OLD)
                body = sres.write(sorted(RELEASE.items()) + [("n.txt", b"%d" % signed_too)])
                process = self.install(body, destination=dest, program=updater,
                                       signature=self.sign(body, private) if signed_too else None)
                if label:
                    self.wait_failed(process)
                    self.close_dialog(process)
                    self.assertEqual(self.logged(process)[3], "failed: signature")
                self.assertEqual(process.wait(RUN_LIMIT), 0)
                self.assertEqual(self.tree(dest)["readme.txt"],
                                 RELEASE["readme.txt"] if signed_too else OLD["readme.txt"])

    def test_files_held_open_are_listed_in_archive_order_and_the_rest_written(self):
        dest = self.path("dest")
        self.make_tree(dest, OLD)
        held = [os.path.join(dest, "readme.txt"), os.path.join(dest, "app.exe")]
        holder = subprocess.Popen([WINE, tool("hostprog.exe"), "--hold"] + [win(p) for p in held]
                                  + ["--stay", "60000"], stdin=subprocess.DEVNULL,
                                  stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.processes.append(holder)
        self.assertEqual(holder.stdout.readline().strip(), b"holding")
        entries = sorted(RELEASE.items())
        process = self.install(sres.write(entries), destination=dest)
        controls = self.wait_failed(process)
        items = [x[len("item="):] for x in controls[3][2] if x.startswith("item=")]
        self.assertEqual(items, [win(os.path.join(dest, "app.exe")),
                                 win(os.path.join(dest, "readme.txt"))])
        self.close_dialog(process)
        holder.kill()
        holder.wait()
        written = self.tree(dest)
        for name, data in RELEASE.items():
            expected = OLD[name] if name in ("app.exe", "readme.txt") else data
            self.assertEqual(written[name], expected, name)
        self.assertEqual(self.host_starts(), 0)

    def test_host_still_running_ends_silently_without_a_request(self):
        """A host of either bitness holds the update back: a 32-bit updater cannot list a
        64-bit program's modules, and the wait must see that program all the same."""
        hosts = [("a host of this build", tool("hostprog.exe"))]
        if OTHER_BIN:
            hosts.append(("a host of the other bitness",
                          os.path.join(OTHER_BIN, "tests", "hostprog.exe")))
        else:
            print("no --other-bin: the host of the other bitness is not tried", file=sys.stderr)
        runs = []
        for number, (label, program) in enumerate(hosts):
            dest = self.path("dest%d" % number)
            self.make_tree(dest, OLD)
            host = self.path("host%d" % number, "host.exe")
            os.makedirs(os.path.dirname(host))
            shutil.copy(program, host)
            running = subprocess.Popen([WINE, host, "--stay", "40000"], stdin=subprocess.DEVNULL,
                                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            self.processes.append(running)
            deadline = time.time() + 30
            while self.host_starts(host) == 0 and time.time() < deadline:
                time.sleep(0.05)
            runs.append((label, dest, host, running))
        requests = Files.requests
        # The updaters wait side by side: one wait budget for every row. Each must have
        # waited it out: an updater that ended early without a request did not wait.
        began = time.time()
        updaters = [self.install(sres.write(sorted(RELEASE.items())), destination=dest, host=host)
                    for _, dest, host, _ in runs]
        for (label, dest, host, running), process in zip(runs, updaters):
            with self.subTest(label):
                self.assertEqual(process.wait(RUN_LIMIT), 0)
                self.assertGreaterEqual(time.time() - began, 10)
                self.assertIsNone(running.poll(), "the host ended before the wait was over")
                self.assertEqual(self.tree(dest), OLD)
                self.assertEqual(self.host_starts(host), 1)
        self.assertEqual(Files.requests, requests, "an updater went ahead while its host ran")
        for process in updaters:
            self.assertEqual(self.logged(process)[3], "host still running")

    def test_closing_the_dialog_during_a_slow_download_ends_at_once_and_deletes_it(self):
        # Bytes that do not compress: the archive takes ~8 s at 1 KiB every 20 ms.
        body = sres.write([("big.bin", random.Random(7).randbytes(400000))])
        temps = self.temp_files()
        process = self.install(body, path="slowfile")
        self.assertEqual(probe("wait", DIALOG, 30000).returncode, 0)
        deadline = time.time() + 30
        while time.time() < deadline:
            progress = [x for x in read_dialog()[2][2] if x.startswith("pos=")]
            if progress and progress[0] != "pos=0":
                break
            time.sleep(0.1)
        began = time.time()
        self.close_dialog(process)
        self.assertLess(time.time() - began, 8, "the program did not end at once")
        self.assertEqual(self.host_starts(), 0)
        self.assertFalse(os.path.exists(self.path("dest", "big.bin")))
        self.assertEqual(self.temp_files(), temps, "the download was left behind")
        self.assertEqual(self.logged(process)[3::3], ["failed: download", "closed by the user"])


class MakeTest(UpdateTestCase):
    def test_make_writes_what_updtool_writes(self):
        release = self.path("release")
        self.make_tree(release, RELEASE)
        shutil.copy(tool("Update.exe"), os.path.join(release, "Update.exe"))
        expected = self.updtool("pack", win(release), win(self.path("tool.upd")),
                                "--version", "2.5.0.1")
        self.assertEqual(expected.returncode, 0, expected.stderr)

        process = self.start()
        self.assertEqual(probe("wait", MAKE_DIALOG, 30000).returncode, 0)
        self.assertEqual(probe("settext", MAKE_DIALOG, 7, "2.5.0.1").returncode, 0)
        self.assertEqual(probe("settext", MAKE_DIALOG, 3, win(release)).returncode, 0)
        self.assertEqual(probe("click", MAKE_DIALOG, 1).returncode, 0)
        self.assertEqual(probe("saveas", win(self.path("made.upd")), 30000).returncode, 0)
        deadline = time.time() + RUN_LIMIT
        while not os.path.exists(self.path("made.upd")) and time.time() < deadline:
            time.sleep(0.1)
        time.sleep(0.5)  # the descriptor is written last; let its writer close it
        for ext in ("bin", "upd"):
            with open(self.path("made." + ext), "rb") as a, \
                    open(self.path("tool." + ext), "rb") as b:
                self.assertEqual(a.read(), b.read(), ext)
        self.close_dialog(process, MAKE_DIALOG)

    def test_empty_folder_field_says_invalid_folder_and_the_dialog_stays(self):
        process = self.start("one", "two", "three")  # three arguments: still make mode
        self.assertEqual(probe("wait", MAKE_DIALOG, 30000).returncode, 0)
        self.assertEqual(probe("click", MAKE_DIALOG, 1).returncode, 0)
        self.assertEqual(probe("wait", "Error", 30000).returncode, 0)
        texts = [c[1] for c in read_dialog("Error").values()]
        self.assertIn("Invalid folder", texts)
        self.assertEqual(probe("close", "Error").returncode, 0)
        self.assertEqual(probe("gone", "Error", 10000).returncode, 0)
        self.assertEqual(probe("wait", MAKE_DIALOG, 0).returncode, 0)
        self.close_dialog(process, MAKE_DIALOG)


class SampleProgramTest(UpdateTestCase):
    """The sample host program (examples/host) updates itself through sdk/update_client.h
    and the real Update.exe: version 1 started with --check finds version 2, hands over and
    exits; Update.exe installs the release and starts the program again."""
    TITLE = "Example Application"

    @staticmethod
    def updater_copies():
        """The copies of Update.exe in the user's temporary folder, in either place Wine
        keeps it."""
        users = os.path.join(os.environ.get("WINEPREFIX", ""), "drive_c", "users", "*")
        return {path for temp in ("Temp", os.path.join("AppData", "Local", "Temp"))
                for path in glob.glob(os.path.join(users, temp, "Update-*.exe"))}

    def test_version_1_updates_itself_to_version_2_and_shows_it(self):
        sample = os.path.join(BIN, "examples", "host", "ExampleApp.exe")
        installed = self.path("installed")
        ini = "[General]\r\nVersion=%s\r\nUpdateUrl=" + self.url + "/file/sample.upd\r\n"
        self.make_tree(installed, {"app.ini": (ini % "1.0.0.0").encode(), "readme.txt": b"1\r\n"})
        shutil.copy(tool("Update.exe"), installed)
        shutil.copy(sample, installed)
        with open(sample, "rb") as f:
            release = {"ExampleApp.exe": f.read(), "app.ini": (ini % "2.0.0.0").encode(),
                       "readme.txt": b"2\r\n", "data\\new.txt": b"new\r\n"}
        for salt in range(1000):  # a CRC-32 of 2^31 or more: the client passes it signed
            release["salt"] = b"%d" % salt
            body = sres.write(sorted(release.items()))
            if zlib.crc32(body) >= 1 << 31:
                break
        Files.bodies["sample.bin"] = body
        Files.bodies["sample.upd"] = b"2.0.0.0\r\n%d\r\n" % zlib.crc32(body)
        copies = self.updater_copies()

        program = subprocess.Popen([WINE, os.path.join(installed, "ExampleApp.exe"), "--check"],
                                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL)
        self.processes.append(program)
        self.assertEqual(program.wait(RUN_LIMIT), 0)
        self.assertEqual(probe("wait", self.TITLE, RUN_LIMIT * 1000).returncode, 0)
        self.assertEqual(read_dialog(self.TITLE)[2][1], "Version 2.0.0.0")
        self.assertEqual(probe("close", self.TITLE).returncode, 0)
        self.assertEqual(probe("gone", self.TITLE, 30000).returncode, 0)
        with open(tool("Update.exe"), "rb") as f:
            self.assertEqual(self.tree(installed), dict(release, **{"Update.exe": f.read()}))
        started = self.updater_copies() - copies
        self.assertEqual(len(started), 1, "Update.exe ran from one copy in the temporary folder")
        for copy in started:
            os.remove(copy)

def main():
    global BIN, OTHER_BIN, WINE
    args = sys.argv[1:]
    while args and args[0] in ("--bin", "--other-bin", "--wine"):
        value = os.path.abspath(args[1])
        if args[0] == "--bin":
            BIN = value
        elif args[0] == "--other-bin":
            OTHER_BIN = value if os.path.exists(os.path.join(value, "tests", "hostprog.exe")) \
                else None
        else:
            WINE = value
        args = args[2:]
    unittest.main(argv=[sys.argv[0]] + args)


if __name__ == "__main__":
    main()

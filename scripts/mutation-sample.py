#!/usr/bin/env python3
"""Mutation sampling: how many one-point faults in the product do the tests catch?

  mutation-sample.py pick  [--count N] [--seed S] [--from PREFIX ...] [--out mutants.json] [--add]
      draws N one-point faults (a comparison turned, a condition negated, true for false, an
      off-by-one) at random from the files whose paths begin with a PREFIX (every product
      folder by default) and saves them; --add keeps the faults already in the file and
      never draws one of them again
  mutation-sample.py add   FILE:LINE MUTATED-LINE [--note TEXT] [--out mutants.json]
      adds one fault written by hand: line LINE of FILE (as it reads now) becomes MUTATED-LINE
  mutation-sample.py run   [--mutants mutants.json] [--report report.json] [--build build/x64]
                           [--other-build build/i686] [--only PREFIX ...] [--caught-in report.json]
                           [--quick] [--jobs N] [--clean-runs N] [--suites NAME ...]
      injects each fault in turn, rebuilds what the suites that can see it need, runs them
      under Wine, and records which tests fail; the source is put back after each fault

A fault is placed by its line's text, not by a line number: "original" is the line as it
read when it was drawn, "before" the nearest line above it that is not blank (given when the
text occurs more than once in the file) and "occurrence" which of the lines that still match
both it is (given when that is not the first). Indentation is not compared, so code that
moves or is indented again keeps its faults; a fault whose line is gone or ambiguous is
reported "stale".

Every suite runs in a lane of its own: a Wine prefix under build/mutation/ (never the one
`make test` uses) and a private Xvfb screen. Every Wine process of a lane is ended after
each suite, and the lane's temporary folder emptied, so that nothing a fault started (a
dialog left open by a hung test, say) reaches the next one. The Xvfb servers end with the
run. The same saved sample, run before and after a change to the tests, shows whether the
change lost any fault the tests used to catch. Build both folders once with `make build`.
"""

import argparse
import glob
import json
import os
import queue
import random
import re
import select
import shlex
import shutil
import signal
import subprocess
import sys
import threading
import time
from concurrent.futures import ThreadPoolExecutor

TOP = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
FOLDERS = ["core", "package", "cli", "gui", "install", "app"]
SOURCES = ["%s/*.%s" % (folder, ext) for folder in FOLDERS for ext in ("cpp", "inl", "h")]
WINE_RUN = os.path.join(TOP, "scripts", "wine-run.sh")
TEST_SERVER = os.path.join(TOP, "tests", "support", "test_server.py")
LANES = os.path.join(TOP, "build", "mutation")
RUN_MARK = os.path.join(LANES, "run.pid")

# Operators written with spaces around them, so that template brackets and shifts are left
# alone; each is replaced by the first replacement that differs from it.
OPERATORS = [
    (r" == ", " != "), (r" != ", " == "), (r" <= ", " < "), (r" >= ", " > "),
    (r" < ", " <= "), (r" > ", " >= "), (r" && ", " || "), (r" \|\| ", " && "),
    (r"\btrue\b", "false"), (r"\bfalse\b", "true"), (r" \+ 1\b", " + 2"), (r" - 1\b", " + 1"),
    (r"\(!", "("),
]


# -- placing a fault by its text -------------------------------------------------------------

def read_lines(name):
    with open(os.path.join(TOP, name), encoding="utf-8", errors="surrogateescape") as f:
        return f.read().split("\n")


def line_above(lines, index):
    """The nearest line above lines[index] that is not blank, stripped ("" at the top)."""
    for above in range(index - 1, -1, -1):
        if lines[above].strip():
            return lines[above].strip()
    return ""


def placement(lines, index):
    """What, besides its text, tells lines[index] from the file's other lines."""
    text = lines[index].strip()
    same = [i for i, line in enumerate(lines) if line.strip() == text]
    if len(same) == 1:
        return {}
    place = {"before": line_above(lines, index)}
    same = [i for i in same if line_above(lines, i) == place["before"]]
    if same.index(index) > 0:
        place["occurrence"] = same.index(index) + 1
    return place


def locate(lines, fault):
    """(index of the fault's line, "") or (None, why the fault is stale)."""
    text = fault["original"].strip()
    same = [i for i, line in enumerate(lines) if line.strip() == text]
    if "before" in fault:
        same = [i for i in same if line_above(lines, i) == fault["before"].strip()]
    occurrence = fault.get("occurrence", 1)
    if not same:
        return None, "no line reads so"
    if len(same) < occurrence:
        return None, "only %d lines read so" % len(same)
    if "before" not in fault and len(same) > 1:
        return None, "%d lines read so: which one is unknown" % len(same)
    return same[occurrence - 1], ""


def fault_key(fault):
    """What names a fault across samples and reports: its file and texts, never a line."""
    return (fault["file"], fault["original"].strip(), fault.get("before", "").strip(),
            fault.get("occurrence", 1), fault["mutated"].strip())


def placed(name, lines, index, mutated, **extra):
    fault = {"file": name, "original": lines[index]}
    fault.update(placement(lines, index))
    fault["mutated"] = mutated
    fault.update(extra)
    return fault


def in_file_order(faults):
    """Faults sorted by file, then by where their lines stand now (stale ones last)."""
    files = {}

    def position(fault):
        lines = files.setdefault(fault["file"], read_lines(fault["file"])
                                 if os.path.exists(os.path.join(TOP, fault["file"])) else [])
        index = locate(lines, fault)[0]
        return (fault["file"], index if index is not None else len(lines), fault["mutated"])
    return sorted(faults, key=position)


# -- drawing faults --------------------------------------------------------------------------

def code_lines(lines):
    """(index, code) of lines that are code: no comments, directives or asserts."""
    for index, line in enumerate(lines):
        code = line.strip()
        if not code or code.startswith(("//", "*", "/*", "#", "static_assert")):
            continue
        yield index, line.split("//")[0]


def all_mutants(prefixes):
    mutants = []
    for pattern in SOURCES:
        for path in sorted(glob.glob(os.path.join(TOP, pattern))):
            name = os.path.relpath(path, TOP)
            if not name.startswith(tuple(prefixes)):
                continue
            lines = read_lines(name)
            for index, code in code_lines(lines):
                if '"' in code:  # a literal's text is no operator
                    code = re.sub(r'"(\\.|[^"\\])*"', lambda m: "\0" * len(m.group()), code)
                for regex, replacement in OPERATORS:
                    for match in re.finditer(regex, code):
                        original = lines[index]
                        mutated = (original[:match.start()] + replacement
                                   + original[match.end():])
                        mutants.append((name, index, mutated))
    return mutants


def load_sample(path):
    if not os.path.exists(path):
        return []
    with open(path) as f:
        return json.load(f)


def save_sample(path, faults):
    order = ["file", "original", "before", "occurrence", "mutated", "note"]
    faults = [{k: f[k] for k in order if k in f} for f in in_file_order(faults)]
    with open(path, "w") as f:
        json.dump(faults, f, indent=1)
        f.write("\n")


def refuse_during_a_run():
    """A run has a fault written into the source: a fault drawn or placed now could be taken
    from it, or sorted as stale."""
    try:
        with open(RUN_MARK) as f:
            os.kill(int(f.read()), 0)
    except (OSError, ValueError):
        return
    sys.exit("a run is in progress (%s): wait until it has ended" % RUN_MARK)


def pick(args):
    refuse_during_a_run()
    kept = load_sample(args.out) if args.add else []
    known = {fault_key(f) for f in kept}
    files = {}
    fresh = []
    for name, index, mutated in all_mutants(args.prefixes):
        lines = files.setdefault(name, read_lines(name))
        fault = placed(name, lines, index, mutated)
        if fault_key(fault) not in known:
            fresh.append(fault)
    chosen = random.Random(args.seed).sample(fresh, min(args.count, len(fresh)))
    save_sample(args.out, kept + chosen)
    print("%d of %d possible faults drawn, %d in %s" % (
        len(chosen), len(fresh), len(kept) + len(chosen), args.out))


def add(args):
    refuse_during_a_run()
    name, _, number = args.where.rpartition(":")
    lines = read_lines(name)
    index = int(number) - 1
    if not 0 <= index < len(lines) or lines[index].strip() == args.mutated.strip():
        sys.exit("%s: no such line, or the mutated line is the same" % args.where)
    faults = load_sample(args.out)
    fault = placed(name, lines, index, args.mutated, **({"note": args.note} if args.note else {}))
    if fault_key(fault) in {fault_key(f) for f in faults}:
        sys.exit("%s: that fault is in the sample already" % args.where)
    save_sample(args.out, faults + [fault])
    print("added %s: %s" % (args.where, args.mutated.strip()))


# -- the suites ------------------------------------------------------------------------------

class Suite:
    """A test program or script, the build targets it runs, and how it is started."""

    def __init__(self, name, targets, command):
        self.name, self.targets, self.command = name, targets, command


def gtest(program, server=False):
    def command(build, other):
        exe = [WINE_RUN, os.path.join(build, "tests", program + ".exe"), "--gtest_brief=1"]
        return [sys.executable, TEST_SERVER] + exe if server else exe
    return command


def cli(build, other):
    """Every console-tool script, one after the other, in one shell."""
    scripts = sorted(glob.glob(os.path.join(TOP, "tests", "cli", "test_*.py")))
    arguments = ["--updtool", os.path.join(build, "cli", "updtool.exe"), "--wine", WINE_RUN,
                 "--update", os.path.join(build, "app", "Update.exe"),
                 "--other-update", os.path.join(other, "app", "Update.exe"),
                 "--objdump", shutil.which("x86_64-w64-mingw32-objdump") or "objdump"]
    runs = [shlex.join([sys.executable, script] + arguments) for script in scripts]
    return ["sh", "-c", "status=0; " + "".join("%s || status=1; " % r for r in runs)
            + "exit $status"]


def end_to_end(build, other):
    return [sys.executable, os.path.join(TOP, "tests", "app", "test_update.py"), "--bin", build,
            "--other-bin", other, "--wine", WINE_RUN]


SUITES = {s.name: s for s in [
    Suite("core_tests", ["core_tests"], gtest("core_tests")),
    Suite("package_tests", ["package_tests"], gtest("package_tests")),
    Suite("install_tests", ["install_tests", "hostprog"], gtest("install_tests", server=True)),
    Suite("cli", ["updtool", "Update"], cli),
    Suite("gui_tests", ["gui_tests", "argprobe", "hostprog"], gtest("gui_tests")),
    Suite("app_tests", ["app_tests", "waitprobe", "hostprog"], gtest("app_tests")),
    Suite("end_to_end", ["Update", "updtool", "hostprog", "winprobe", "ExampleApp"], end_to_end),
]}

# The suites that can see a fault in each folder, cheapest and likeliest first.
SUITES_BY_FOLDER = {
    "core": ["core_tests", "package_tests", "install_tests", "cli", "gui_tests", "app_tests",
             "end_to_end"],
    "gui": ["gui_tests", "app_tests", "end_to_end"],
    "install": ["install_tests", "app_tests", "end_to_end"],
    "app": ["app_tests", "end_to_end"],
    "package": ["package_tests", "cli", "install_tests", "end_to_end"],
    "cli": ["cli"],
}


def suites_for(name, kept=None):
    """The suites that can see a fault in file name; only those named in kept when given."""
    return [SUITES[s] for s in SUITES_BY_FOLDER[name.split("/")[0]] if not kept or s in kept]


def failed_tests(output):
    """The names of the failed tests in a GoogleTest program's or a unittest script's output."""
    names = re.findall(r"^\[  FAILED  \] (\S+\.\S+?)(?:,| \(|$)", output, re.M)
    names += [m.split(".", 1)[-1] if m.count(".") > 1 else m for m in re.findall(
        r"^(?:FAIL|ERROR): \w+ \((?:__main__\.)?([\w.]+)\)", output, re.M)]
    return sorted(set(names))


# -- lanes: a Wine prefix and a screen each --------------------------------------------------

class Lane:
    """A private Wine prefix and Xvfb screen; every suite run here leaves no process behind."""

    def __init__(self, number):
        self.folder = os.path.join(LANES, "lane%d" % number)
        self.prefix = os.path.join(self.folder, "prefix")
        os.makedirs(self.folder, exist_ok=True)
        self.xvfb = self.server = self.process = None
        self.env = {k: v for k, v in os.environ.items() if k != "UPDATE_TEST_SERVER"}
        # The scripts' own temporary folders too, so that a test killed part-way leaves
        # nothing behind.
        self.env.update(WINEPREFIX=self.prefix, WINEDEBUG="-all",
                        TMPDIR=os.path.join(self.folder, "tmp"))
        os.makedirs(self.env["TMPDIR"], exist_ok=True)

    def open(self):
        """Starts the lane's Xvfb on a display it picks itself; False when it does not start."""
        reader, writer = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(writer), "-screen", "0", "1280x1024x24", "-nolisten",
             "tcp"], pass_fds=(writer,), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL, start_new_session=True)
        os.close(writer)
        display = b""
        deadline = time.time() + 30
        while not display.endswith(b"\n") and time.time() < deadline:
            if select.select([reader], [], [], 0.5)[0]:
                piece = os.read(reader, 16)
                if not piece:
                    break
                display += piece
        os.close(reader)
        if not display.strip():
            return False
        self.env["DISPLAY"] = ":" + display.decode().strip()
        return True

    def close(self):
        self.reset()
        if self.xvfb and self.xvfb.poll() is None:
            self.xvfb.terminate()
            try:
                self.xvfb.wait(10)
            except subprocess.TimeoutExpired:
                self.xvfb.kill()
                self.xvfb.wait()

    def interrupt(self):
        """Ends the suite running here, with the children of its script."""
        try:
            if self.process:
                os.killpg(self.process.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass

    def quiet(self):
        return dict(stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                    stderr=subprocess.DEVNULL, env=self.env)

    def warm_up(self):
        """A Wine server of our own that lives until reset, with Wine's services started here,
        not by a test whose output they would then hold open."""
        if not os.path.exists(os.path.join(self.prefix, "system.reg")):
            subprocess.run([WINE_RUN, "cmd", "/c", "exit"], timeout=900, **self.quiet())
            self.end_wine()
        self.server = subprocess.Popen(["wineserver", "-f", "-p"], start_new_session=True,
                                       **self.quiet())
        subprocess.run([WINE_RUN, "cmd", "/c", "exit"], timeout=600, **self.quiet())

    def end_wine(self):
        if os.path.exists(self.prefix):
            subprocess.run(["wineserver", "-k"], timeout=60, **self.quiet())
            subprocess.run(["wineserver", "-w"], timeout=60, **self.quiet())
        if self.server:
            try:
                self.server.wait(60)
            except subprocess.TimeoutExpired:
                self.server.kill()
                self.server.wait()
            self.server = None

    def reset(self):
        """Ends every Wine process of the prefix and empties the lane's temporary folders."""
        self.end_wine()
        temps = [self.env["TMPDIR"]] + [t for t in glob.glob(
            os.path.join(self.prefix, "drive_c", "users", "*", "Temp")) if not os.path.islink(t)]
        for temp in temps:
            for entry in os.listdir(temp):
                path = os.path.join(temp, entry)
                if os.path.isdir(path) and not os.path.islink(path):
                    shutil.rmtree(path, ignore_errors=True)
                else:
                    os.remove(path)

    def run(self, suite, build, other, timeout):
        """(names of the failed tests, seconds); the lane is clean again afterwards."""
        self.warm_up()
        output = os.path.join(self.folder, suite.name + ".out")
        started = time.time()
        with open(output, "wb") as sink:
            self.process = process = subprocess.Popen(
                suite.command(build, other), env=self.env, cwd=os.path.join(build, "tests"),
                stdin=subprocess.DEVNULL, stdout=sink, stderr=subprocess.STDOUT,
                start_new_session=True)
            try:
                code = process.wait(timeout)
            except subprocess.TimeoutExpired:
                code = None
            finally:
                self.interrupt()
                process.wait()
                self.process = None
                self.reset()
        seconds = time.time() - started
        with open(output, encoding="latin-1") as f:
            text = f.read()
        failed = ["%s: %s" % (suite.name, name) for name in failed_tests(text)]
        if code is None:
            # What failed before the hang, where the output names it; a unittest script
            # only marks its failures so far with F and E.
            marks = "".join(re.findall(r"^[.FEsxu]+(?=[^:\w]|$)", text, re.M))
            later = marks.count("F") + marks.count("E")
            return failed + ["%s: hung%s" % (suite.name, " after %d failures" % later
                                               if later and not failed else "")], seconds
        if code != 0 and not failed:
            failed = ["%s: exit %d" % (suite.name, code)]
        return failed, seconds


class Runner:
    """Runs suites in lanes, side by side when there are several, building each suite's
    targets just before it starts."""

    def __init__(self, build, other, jobs):
        self.build, self.other = build, other
        self.lanes = [Lane(n) for n in range(1, jobs + 1)]
        self.timeouts = {}
        # A stopped run ends its suites at once, so that the source is put back soon.
        def stop(*_):
            for lane in self.lanes:
                lane.interrupt()
            sys.exit("stopped")
        signal.signal(signal.SIGTERM, stop)
        signal.signal(signal.SIGINT, stop)

    def open(self):
        for lane in self.lanes:
            if not lane.open():
                raise SystemExit("Xvfb did not start")

    def close(self):
        for lane in self.lanes:
            lane.close()

    def make(self, targets):
        """'' when the targets build, else the first error the compiler gave."""
        if not targets:
            return ""
        done = subprocess.run(["cmake", "--build", self.build, "--target"] + targets,
                              stdin=subprocess.DEVNULL, capture_output=True)
        if done.returncode == 0:
            return ""
        text = done.stdout.decode("utf-8", "replace")
        errors = [line for line in text.splitlines() if "error:" in line]
        return (errors or ["build failed"])[0][:300]

    def run(self, suites, quick):
        """{suite: (failed tests, seconds)} and a build error ('' when all built)."""
        free = queue.Queue()
        for lane in self.lanes:
            free.put(lane)
        results = {}
        lock = threading.Lock()

        def job(suite, lane):
            try:
                timeout = self.timeouts.get(suite.name, 3600)
                outcome = lane.run(suite, self.build, self.other, timeout)
                with lock:
                    results[suite.name] = outcome
            finally:
                free.put(lane)

        def caught():
            with lock:
                return any(failed for failed, _ in results.values())

        error = ""
        jobs = []
        with ThreadPoolExecutor(len(self.lanes)) as pool:
            for suite in suites:
                if quick and caught():
                    break
                lane = free.get()
                if quick and caught():
                    free.put(lane)
                    break
                error = self.make(suite.targets)
                if error:
                    free.put(lane)
                    break
                jobs.append(pool.submit(job, suite, lane))
        for done in jobs:
            done.result()  # a lane that could not run its suite stops the run
        return results, error


# -- a run -----------------------------------------------------------------------------------

def clean_run(runner, suites, rounds):
    """Every suite passes on the unchanged source, rounds times; sets the suites' time-outs."""
    for suite in suites:
        error = runner.make(suite.targets)
        if error:
            raise SystemExit("the unchanged source does not build: %s" % error)
    durations = {}
    for round_ in range(1, rounds + 1):
        results, _ = runner.run(suites, quick=False)
        failing = {name: failed for name, (failed, _) in results.items() if failed}
        if failing:
            print("\n" + "!" * 78, file=sys.stderr)
            print("TESTS FAIL ON THE UNCHANGED SOURCE (clean run %d of %d)." % (round_, rounds),
                  file=sys.stderr)
            for name, failed in sorted(failing.items()):
                print("  %s: %s" % (name, ", ".join(failed)), file=sys.stderr)
            print("A suite that fails or is flaky without any fault makes every verdict\n"
                  "worthless: fix it (or leave its folder out with --only) and run again.",
                  file=sys.stderr)
            print("!" * 78, file=sys.stderr)
            raise SystemExit(3)
        for name, (_, seconds) in results.items():
            durations[name] = max(durations.get(name, 0), seconds)
        print("clean run %d of %d passed: %s" % (round_, rounds, ", ".join(
            "%s %.0f s" % (s.name, results[s.name][1]) for s in suites)), flush=True)
    # A suite five times slower than on clean code (and past five minutes) is taken as hung.
    runner.timeouts = {name: max(300, 5 * seconds + 60) for name, seconds in durations.items()}
    return durations


def try_fault(runner, fault, quick, kept):
    """The fault's report row: it is written into its file, tested, and the file put back."""
    path = os.path.join(TOP, fault["file"])
    row = dict(fault)
    if not os.path.exists(path):
        return dict(row, verdict="stale", why="no such file", caught_by=[])
    with open(path, "rb") as f:
        original = f.read()
    lines = original.decode("utf-8", "surrogateescape").split("\n")
    index, why = locate(lines, fault)
    if index is None:
        return dict(row, verdict="stale", why=why, caught_by=[])
    line = lines[index]
    lines[index] = line[:len(line) - len(line.lstrip())] + fault["mutated"].strip()
    row["line"] = index + 1  # where the line stood in this run, for the reader
    try:
        with open(path, "wb") as f:
            f.write("\n".join(lines).encode("utf-8", "surrogateescape"))
        results, error = runner.run(suites_for(fault["file"], kept), quick)
    finally:
        with open(path, "wb") as f:
            f.write(original)
    caught_by = sorted(sum((failed for failed, _ in results.values()), []))
    row["suites"] = [s.name for s in suites_for(fault["file"], kept) if s.name in results]
    row["caught_by"] = caught_by
    if caught_by:
        row["verdict"] = "caught"
    elif error:
        row.update(verdict="no-build", why=error)
    else:
        row["verdict"] = "missed"
    return row


def summary(report):
    """Catch rates over the faults that build, per folder and overall."""
    folders = {}
    for row in report:
        folders.setdefault(row["file"].split("/")[0], []).append(row["verdict"])
    folders["all"] = [row["verdict"] for row in report]
    result = {}
    for folder, verdicts in folders.items():
        built = sum(v in ("caught", "missed") for v in verdicts)
        caught = verdicts.count("caught")
        result[folder] = {"caught": caught, "built": built,
                          "rate": round(caught / built, 3) if built else None,
                          "no-build": verdicts.count("no-build"),
                          "stale": verdicts.count("stale")}
    return result


def summary_lines(totals):
    lines = []
    for folder in [f for f in FOLDERS if f in totals] + ["all"]:
        t = totals[folder]
        lines.append("%-8s caught %3d of %3d that build%s   (%d did not build, %d stale)" % (
            folder, t["caught"], t["built"],
            " = %5.1f%%" % (100 * t["rate"]) if t["built"] else "", t["no-build"], t["stale"]))
    return lines


def write_report(path, report, clean, started, args):
    with open(path, "w") as f:
        json.dump({"summary": summary(report),
                   "clean_run_seconds": {k: round(v, 1) for k, v in clean.items()},
                   "run_seconds": round(time.time() - started),
                   "options": {"quick": args.quick, "jobs": args.jobs},
                   "faults": report}, f, indent=1)
        f.write("\n")


def earlier_catches(path):
    with open(path) as f:
        earlier = json.load(f)
    rows = earlier["faults"] if isinstance(earlier, dict) else earlier
    return {fault_key(r) for r in rows if r.get("verdict") == "caught"}


def run(args):
    refuse_during_a_run()  # two runs would write faults into one source and share lanes
    started = time.time()
    build = os.path.abspath(args.build)
    other = os.path.abspath(args.other_build or os.path.join(
        os.path.dirname(build), "i686" if os.path.basename(build) == "x64" else "x64"))
    with open(args.mutants) as f:
        faults = [m for m in json.load(f) if m["file"].startswith(tuple(args.only))]
    if args.caught_in:
        caught = earlier_catches(args.caught_in)
        faults = [m for m in faults if fault_key(m) in caught]
    seen = {s.name for m in faults for s in suites_for(m["file"], args.suites)}
    needed = [s for s in SUITES.values() if s.name in seen]
    runner = Runner(build, other, args.jobs)
    report = []
    os.makedirs(LANES, exist_ok=True)
    with open(RUN_MARK, "w") as f:
        f.write(str(os.getpid()))
    try:
        runner.open()
        clean = clean_run(runner, needed, args.clean_runs)
        for number, fault in enumerate(faults, 1):
            begun = time.time()
            row = try_fault(runner, fault, args.quick, args.suites)
            row["seconds"] = round(time.time() - begun)
            report.append(row)
            write_report(args.report, report, clean, started, args)  # whole after each fault
            print("%3d/%d %-8s %s:%s  %s   (%.0f s)%s" % (
                number, len(faults), row["verdict"], row["file"], row.get("line", "?"),
                row["mutated"].strip(), row["seconds"],
                "\n         " + "  ".join(row["caught_by"][:4]) if row["caught_by"] else
                "\n         " + row["why"] if row.get("why") else ""), flush=True)
    finally:
        # The build folder is left as the unchanged source builds it.
        runner.make(sorted({t for s in needed for t in s.targets}))
        runner.close()
        os.remove(RUN_MARK)
    print("\n".join(summary_lines(summary(report))))
    print("%d faults in %.0f min" % (len(report), (time.time() - started) / 60))


def main():
    # A stopped run still puts the source back and ends its processes: SIGTERM unwinds.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit("stopped"))
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    commands = parser.add_subparsers(dest="command", required=True)
    picking = commands.add_parser("pick")
    picking.add_argument("--count", type=int, default=60)
    picking.add_argument("--seed", type=int, default=2026)
    picking.add_argument("--from", dest="prefixes", nargs="+", default=FOLDERS,
                         metavar="PREFIX", help="draw from the files whose paths begin so")
    picking.add_argument("--out", default="mutants.json")
    picking.add_argument("--add", action="store_true",
                         help="keep the faults already in --out and add the new ones")
    adding = commands.add_parser("add")
    adding.add_argument("where", metavar="FILE:LINE")
    adding.add_argument("mutated", metavar="MUTATED-LINE")
    adding.add_argument("--note", help="what the fault stands for")
    adding.add_argument("--out", default="mutants.json")
    running = commands.add_parser("run")
    running.add_argument("--mutants", default="mutants.json")
    running.add_argument("--report", default="mutation-report.json")
    running.add_argument("--build", default=os.path.join(TOP, "build", "x64"))
    running.add_argument("--other-build", help="the other bitness's build folder, which lends "
                         "its programs to the tests that mix bitness")
    running.add_argument("--only", nargs="+", default=[""], metavar="PREFIX",
                         help="only the faults in files whose paths begin so")
    running.add_argument("--caught-in", metavar="REPORT",
                         help="only the faults that this earlier report shows caught")
    running.add_argument("--quick", action="store_true",
                         help="stop at the first suite that catches a fault")
    running.add_argument("--jobs", type=int, default=1,
                         help="suites run side by side, each in a lane of its own")
    running.add_argument("--clean-runs", type=int, default=1,
                         help="times every suite must pass on the unchanged source first")
    running.add_argument("--suites", nargs="+", choices=sorted(SUITES), metavar="NAME",
                         help="only these suites: a change to one folder's tests is checked "
                              "against the suite that holds them")
    args = parser.parse_args()
    {"pick": pick, "add": add, "run": run}[args.command](args)


if __name__ == "__main__":
    main()

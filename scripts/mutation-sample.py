#!/usr/bin/env python3
"""Mutation sampling: how many one-point faults in the product do the tests catch?

  mutation-sample.py pick  [--count N] [--seed S] [--out mutants.json]
      draws N one-point faults (a comparison turned, a condition negated, true for false,
      an off-by-one) at random from core/, package/ and cli/, and saves them
  mutation-sample.py run   [--mutants mutants.json] [--report report.json] [--build build/x64]
                           [--only core/SString core/SArray ...] [--caught-in report.json]
                           [--quick]
      injects each fault in turn, rebuilds the core, package and console-tool tests, runs
      them under Wine, and records which tests fail; the source is restored after each

The same saved sample, run before and after a change to the tests, shows whether the
change lost any fault the tests used to catch. Build the folder once with `make build`.
"""

import argparse
import glob
import json
import os
import random
import re
import signal
import subprocess
import sys
import time
from concurrent.futures import ThreadPoolExecutor

TOP = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SOURCES = ["core/*.cpp", "core/*.inl", "core/*.h", "package/*.cpp", "cli/*.cpp"]
TARGETS = ["core_tests", "package_tests", "updtool"]
SUITE_TIMEOUT = 300  # seconds; a fault that makes a suite hang counts as caught

# Operators written with spaces around them, so that template brackets and shifts are left
# alone; each is replaced by the first replacement that differs from it.
OPERATORS = [
    (r" == ", " != "), (r" != ", " == "), (r" <= ", " < "), (r" >= ", " > "),
    (r" < ", " <= "), (r" > ", " >= "), (r" && ", " || "), (r" \|\| ", " && "),
    (r"\btrue\b", "false"), (r"\bfalse\b", "true"), (r" \+ 1\b", " + 2"), (r" - 1\b", " + 1"),
    (r"\(!", "("),
]


def candidate_lines(text):
    """(line number, line) of lines that are code: not comments, directives or asserts."""
    for number, line in enumerate(text.split("\n"), 1):
        code = line.strip()
        if not code or code.startswith(("//", "*", "/*", "#", "static_assert")):
            continue
        yield number, line.split("//")[0]


def all_mutants():
    mutants = []
    for pattern in SOURCES:
        for path in sorted(glob.glob(os.path.join(TOP, pattern))):
            name = os.path.relpath(path, TOP)
            with open(path) as f:
                text = f.read()
            lines = text.split("\n")
            for number, code in candidate_lines(text):
                if '"' in code:  # a literal's text is no operator
                    code = re.sub(r'"(\\.|[^"\\])*"', lambda m: "\0" * len(m.group()), code)
                for regex, replacement in OPERATORS:
                    for match in re.finditer(regex, code):
                        original = lines[number - 1]
                        mutated = (original[:match.start()] + replacement
                                   + original[match.end():])
                        mutants.append({"file": name, "line": number, "original": original,
                                        "mutated": mutated})
    return mutants


def pick(args):
    everything = all_mutants()
    chosen = random.Random(args.seed).sample(everything, min(args.count, len(everything)))
    chosen.sort(key=lambda m: (m["file"], m["line"], m["mutated"]))
    with open(args.out, "w") as f:
        json.dump(chosen, f, indent=1)
    print("%d of %d possible faults saved to %s" % (len(chosen), len(everything), args.out))


def wine_env(build):
    env = dict(os.environ)
    env.setdefault("WINEPREFIX", os.path.join(TOP, "build", "wineprefix"))
    env["WINEDEBUG"] = "-all"
    return env


def run_gtest(program, env):
    try:
        done = subprocess.run([os.path.join(TOP, "scripts", "wine-run.sh"), program,
                               "--gtest_brief=1"], env=env, stdin=subprocess.DEVNULL,
                              capture_output=True, timeout=SUITE_TIMEOUT)
    except subprocess.TimeoutExpired:
        return ["%s: hung" % os.path.basename(program)]
    failed = re.findall(r"^\[  FAILED  \] (\S+\.\S+?)(?:,| \(|$)",
                        done.stdout.decode("latin-1"), re.M)
    if done.returncode != 0 and not failed:
        failed = ["%s: exit %d" % (os.path.basename(program), done.returncode)]
    return sorted(set(failed))


def run_cli(build, env):
    script = os.path.join(TOP, "tests", "cli", "test_updtool.py")
    try:
        done = subprocess.run([sys.executable, script, "--updtool",
                               os.path.join(build, "cli", "updtool.exe"), "--wine",
                               os.path.join(TOP, "scripts", "wine-run.sh")], env=env,
                              stdin=subprocess.DEVNULL, capture_output=True,
                              timeout=SUITE_TIMEOUT)
    except subprocess.TimeoutExpired:
        return ["test_updtool: hung"]
    failed = re.findall(r"^(?:FAIL|ERROR): \w+ \((?:__main__\.)?([\w.]+)\)",
                        done.stderr.decode("latin-1"), re.M)
    failed = ["cli." + name for name in failed]
    if done.returncode != 0 and not failed:
        failed = ["test_updtool: exit %d" % done.returncode]
    return sorted(set(failed))


def run_suites(build, env, quick=False):
    """The names of the tests that fail; quick stops at the first suite with a failure."""
    tests = os.path.join(build, "tests")
    with ThreadPoolExecutor(3) as pool:
        jobs = [pool.submit(run_gtest, os.path.join(tests, "core_tests.exe"), env),
                pool.submit(run_gtest, os.path.join(tests, "package_tests.exe"), env)]
        if not quick:
            jobs.append(pool.submit(run_cli, build, env))
        failed = sorted(sum((job.result() for job in jobs), []))
    return failed if failed or not quick else run_cli(build, env)


def rebuild(build):
    done = subprocess.run(["cmake", "--build", build, "--target"] + TARGETS,
                          capture_output=True)
    return done.returncode == 0


def inject(mutant):
    """Writes the fault into its file; returns the file's original text."""
    path = os.path.join(TOP, mutant["file"])
    with open(path) as f:
        text = f.read()
    lines = text.split("\n")
    if lines[mutant["line"] - 1] != mutant["original"]:
        raise SystemExit("%s:%d no longer reads as sampled" % (mutant["file"], mutant["line"]))
    lines[mutant["line"] - 1] = mutant["mutated"]
    with open(path, "w") as f:
        f.write("\n".join(lines))
    return text


def run(args):
    build = os.path.abspath(args.build)
    env = wine_env(build)
    with open(args.mutants) as f:
        mutants = [m for m in json.load(f) if m["file"].startswith(tuple(args.only))]
    if args.caught_in:  # only the faults an earlier report shows caught
        with open(args.caught_in) as f:
            caught = {(r["file"], r["line"], r["mutated"]) for r in json.load(f)
                      if r["verdict"] == "caught"}
        mutants = [m for m in mutants if (m["file"], m["line"], m["mutated"]) in caught]
    # One persistent Wine server for the whole run, instead of one start per program. Wine's
    # services start with the first program and live as long as the server: started here
    # without our pipes, so that they never hold a test's output open.
    warm_up = [os.path.join(TOP, "scripts", "wine-run.sh"), "cmd", "/c", "exit"]
    subprocess.run(warm_up, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    server = subprocess.Popen(["wineserver", "-f", "-p"], env=env)
    subprocess.run(warm_up, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        if not rebuild(build):
            raise SystemExit("the unchanged source does not build")
        clean = run_suites(build, env)
        if clean:
            raise SystemExit("tests fail without any fault: %s" % clean)
        report = []
        for index, mutant in enumerate(mutants, 1):
            started = time.time()
            original = inject(mutant)
            try:
                built = rebuild(build)
                caught_by = run_suites(build, env, args.quick) if built else []
            finally:
                with open(os.path.join(TOP, mutant["file"]), "w") as f:
                    f.write(original)
            verdict = "caught" if caught_by else ("no-build" if not built else "missed")
            report.append(dict(mutant, verdict=verdict, caught_by=caught_by))
            with open(args.report, "w") as f:  # kept whole after each fault: a run may be cut
                json.dump(report, f, indent=1)
            print("%2d/%d %-8s %s:%d  %s   (%.0f s)%s" % (
                index, len(mutants), verdict, mutant["file"], mutant["line"],
                mutant["mutated"].strip(), time.time() - started,
                "\n        " + " ".join(caught_by[:6]) if caught_by else ""), flush=True)
        rebuild(build)
    finally:
        subprocess.run(["wineserver", "-k"], env=env)
        server.wait()
    built = [r for r in report if r["verdict"] != "no-build"]
    caught = [r for r in built if r["verdict"] == "caught"]
    print("caught %d of %d faults that build (%d did not build)" % (
        len(caught), len(built), len(report) - len(built)))


def main():
    # A stopped run still puts the source back: SIGTERM unwinds like an exception.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit("stopped"))
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    commands = parser.add_subparsers(dest="command", required=True)
    picking = commands.add_parser("pick")
    picking.add_argument("--count", type=int, default=60)
    picking.add_argument("--seed", type=int, default=2026)
    picking.add_argument("--out", default="mutants.json")
    running = commands.add_parser("run")
    running.add_argument("--mutants", default="mutants.json")
    running.add_argument("--report", default="mutation-report.json")
    running.add_argument("--build", default=os.path.join(TOP, "build", "x64"))
    running.add_argument("--only", nargs="+", default=[""], metavar="PREFIX",
                         help="only the faults in files whose paths begin so")
    running.add_argument("--caught-in", metavar="REPORT",
                         help="only the faults that this earlier report shows caught")
    running.add_argument("--quick", action="store_true",
                         help="stop at the first suite that catches a fault")
    args = parser.parse_args()
    pick(args) if args.command == "pick" else run(args)


if __name__ == "__main__":
    main()

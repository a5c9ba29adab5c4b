#!/usr/bin/env python3
"""Do the tests catch faults? Each fault of a list is one single-line change
of the source; it is applied to a clean copy of the committed tree, built and
tested there, and reverted. A fault is caught (killed) when the build passes
and some test fails; one whose build fails is not counted.

    python3 scripts/fault-injection.py [LIST...] [--keep DIR] [--only N]

LIST: fault lists (default scripts/faults.txt and the two held-out lists).
A list has one fault per line:

    path/in/the/tree ||| text as it stands ||| text that replaces it

The text must stand exactly once in the file. Blank lines and lines starting
with '#' are skipped. The copy is made under DIR (default a fresh temporary
directory, removed at the end unless --keep is given), built once, and rebuilt
incrementally after each fault; ctest stops at the first failing test. About
half a minute to a minute per fault on two cores.
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
SEPARATOR = "|||"


def read_faults(path):
    faults = []
    for number, line in enumerate(Path(path).read_text(encoding="utf-8").splitlines(), 1):
        if not line.strip() or line.lstrip().startswith("#"):
            continue
        parts = [p.strip() for p in line.split(SEPARATOR)]
        if len(parts) != 3:
            sys.exit(f"{path}:{number}: expected 'file ||| original ||| replacement'")
        faults.append((f"{Path(path).name}:{number}", *parts))
    return faults


def run(command, cwd, log, timeout):
    with open(log, "w") as out:
        try:
            return subprocess.run(command, cwd=cwd, stdout=out, stderr=subprocess.STDOUT, timeout=timeout).returncode
        except subprocess.TimeoutExpired:
            return "timeout"


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    lists = [ROOT / "scripts" / name for name in ("faults.txt", "faults-heldout.txt", "faults-heldout-2.txt")]
    parser.add_argument("lists", nargs="*", default=lists)
    parser.add_argument("--keep", help="work in DIR and keep it (reuses an earlier build there)")
    parser.add_argument("--only", type=int, help="only the first N faults (a quick look)")
    args = parser.parse_args()

    work = Path(args.keep) if args.keep else Path(tempfile.mkdtemp(prefix="tarn-faults-"))
    source, build = work / "src", work / "build"
    jobs = str(os.cpu_count() or 2)
    env = dict(os.environ, CCACHE_BASEDIR=str(work))
    try:
        # A clean copy of the committed tree.
        if source.exists():
            shutil.rmtree(source)
        source.mkdir(parents=True)
        archive = subprocess.run(["git", "-C", str(ROOT), "archive", "HEAD"], capture_output=True, check=True).stdout
        subprocess.run(["tar", "-x", "-C", str(source)], input=archive, check=True)
        configure = ["cmake", "-S", str(source), "-B", str(build), "-DCMAKE_BUILD_TYPE=Release"]
        if shutil.which("ccache"):
            configure.append("-DCMAKE_CXX_COMPILER_LAUNCHER=ccache")
        subprocess.run(configure, check=True, stdout=subprocess.DEVNULL, env=env)
        print("building the clean copy ...", flush=True)
        if run(["cmake", "--build", str(build), "-j", jobs], source, work / "build.log", 3600) != 0:
            sys.exit(f"the clean copy does not build: {work / 'build.log'}")
        if run(["ctest", "-j", jobs, "--timeout", "300"], build, work / "test.log", 3600) != 0:
            sys.exit(f"the clean copy fails its tests: {work / 'test.log'}")

        faults = [f for path in args.lists for f in read_faults(path)]
        if args.only:
            faults = faults[: args.only]
        results = {}
        for where, path, original, replacement in faults:
            target = source / path
            text = target.read_text(encoding="utf-8")
            if text.count(original) != 1:
                print(f"{where}: '{original}' stands {text.count(original)} times in {path}: skipped")
                results[where] = "bad fault"
                continue
            started = time.time()
            target.write_text(text.replace(original, replacement), encoding="utf-8")
            try:
                built = run(["cmake", "--build", str(build), "-j", jobs], source, work / "fault-build.log", 1800)
                if built != 0:
                    outcome = "no build"
                else:
                    tested = run(["ctest", "-j", jobs, "--stop-on-failure", "--timeout", "120"], build,
                                 work / "fault-test.log", 1800)
                    outcome = "killed" if tested != 0 else "SURVIVED"
            finally:
                target.write_text(text, encoding="utf-8")
            results[where] = outcome
            print(f"{where:28} {outcome:9} {time.time() - started:5.0f} s  {path}: {original} -> {replacement}",
                  flush=True)
        # Rebuild the clean state, so that a kept folder is ready for the next time.
        run(["cmake", "--build", str(build), "-j", jobs], source, work / "build.log", 3600)

        for name in args.lists:
            mine = [o for w, o in results.items() if w.startswith(Path(name).name + ":")]
            counted = [o for o in mine if o in ("killed", "SURVIVED")]
            killed = counted.count("killed")
            if counted:
                print(f"{Path(name).name}: {killed} of {len(counted)} faults caught "
                      f"({100 * killed / len(counted):.0f}%); {len(mine) - len(counted)} not counted")
    finally:
        if not args.keep:
            shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Clang's checks over the program's own sources: the thread-safety
analysis, and the size limits of functions.

  clang_checks.py ROOT BUILD_DIR JOBS [FILE...]

Takes the compile commands of a build configured with
CMAKE_EXPORT_COMPILE_COMMANDS=ON, keeps those of the sources under src/ and
tools/ (not their tests), and runs clang-tidy on each, JOBS at a time, with
two checks, either of which fails the source:
  - -Wthread-safety: every member a lock guards is read and written under it;
  - readability-function-size: no function takes more than 6 parameters or
    runs past 60 lines. A text template (a function that is mostly one
    literal page or text) may carry
      // NOLINT(readability-function-size): text template
    on its opening line.
Both run in the front end, so nothing is generated and no second build is
made. FILE (paths relative to ROOT) limits the run to those sources. Prints
the diagnostics of every source that fails and exits 1 when one does.
"""

import json
import os
import subprocess
import sys
import time
from concurrent.futures import ThreadPoolExecutor

CHECKS = "-*,readability-function-size,clang-diagnostic-thread-safety*"
CONFIG = ("{CheckOptions: [{key: readability-function-size.LineThreshold, value: 60},"
          " {key: readability-function-size.ParameterThreshold, value: 6}]}")


def Sources(root, build_dir, only):
    with open(os.path.join(build_dir, "compile_commands.json")) as f:
        entries = json.load(f)
    chosen = []
    for entry in entries:
        relative = os.path.relpath(os.path.join(entry["directory"], entry["file"]), root)
        if not relative.startswith(("src/", "tools/")) or "/tests/" in relative:
            continue
        if only and relative not in only:
            continue
        chosen.append((relative, entry))
    return chosen


def TidyCommand(build_dir, relative):
    return ["clang-tidy", "-p", build_dir, "--quiet", "--checks=" + CHECKS, "--config=" + CONFIG,
            "--warnings-as-errors=*", "--extra-arg=-Wthread-safety", relative]


def Check(root, build_dir, source):
    relative, _ = source
    done = subprocess.run(TidyCommand(build_dir, relative), cwd=root, capture_output=True, text=True)
    # clang-tidy prints the findings on stdout and its counts on stderr
    return relative, done.returncode, done.stdout if done.returncode else ""


def main():
    root, jobs = os.path.abspath(sys.argv[1]), int(sys.argv[3])
    build_dir = os.path.abspath(sys.argv[2])
    sources = Sources(root, build_dir, set(sys.argv[4:]))
    if not sources:
        print("clang_checks: no sources found in %s/compile_commands.json" % build_dir, file=sys.stderr)
        return 1
    started = time.monotonic()
    with ThreadPoolExecutor(max(1, jobs)) as pool:
        results = list(pool.map(lambda source: Check(root, build_dir, source), sources))
    failed = [relative for relative, status, _ in results if status != 0]
    for relative, status, output in results:
        if status != 0:
            sys.stderr.write(output or "%s: clang-tidy exited %d\n" % (relative, status))
    print("clang_checks: %d sources, %d failed, %.0fs" % (len(results), len(failed), time.monotonic() - started),
          file=sys.stderr)
    for relative in failed:
        print("!! %s" % relative, file=sys.stderr)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())

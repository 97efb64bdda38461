#!/usr/bin/env python3
"""Clang's thread-safety analysis over the program's own sources.

  lock_check.py ROOT BUILD_DIR JOBS [FILE...]

Takes the compile commands of a build configured with
CMAKE_EXPORT_COMPILE_COMMANDS=ON, keeps those of the sources under src/ and
tools/ (not their tests), and runs each with clang++ -fsyntax-only
-Wthread-safety -Werror=thread-safety, JOBS at a time. The analysis runs in
the front end, so nothing is generated and no second build is made. FILE
(paths relative to ROOT) limits the run to those sources. Prints the
diagnostics of every source that fails and exits 1 when one does.
"""

import json
import os
import shlex
import subprocess
import sys
import time
from concurrent.futures import ThreadPoolExecutor

FLAGS = ["-fsyntax-only", "-Wthread-safety", "-Werror=thread-safety"]


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


def ClangCommand(entry):
    args = entry["arguments"] if "arguments" in entry else shlex.split(entry["command"])
    command = ["clang++"]
    rest = iter(args[1:])
    for arg in rest:
        if arg == "-o":
            next(rest, None)
        elif arg != "-c":
            command.append(arg)
    return command + FLAGS


def Check(source):
    relative, entry = source
    done = subprocess.run(ClangCommand(entry), cwd=entry["directory"], capture_output=True, text=True)
    return relative, done.returncode, done.stderr


def main():
    root, build_dir, jobs = os.path.abspath(sys.argv[1]), sys.argv[2], int(sys.argv[3])
    sources = Sources(root, build_dir, set(sys.argv[4:]))
    if not sources:
        print("lock_check: no sources found in %s/compile_commands.json" % build_dir, file=sys.stderr)
        return 1
    started = time.monotonic()
    with ThreadPoolExecutor(max(1, jobs)) as pool:
        results = list(pool.map(Check, sources))
    failed = [relative for relative, status, _ in results if status != 0]
    for relative, status, output in results:
        if status != 0:
            sys.stderr.write(output or "%s: clang++ exited %d\n" % (relative, status))
    print("lock_check: %d sources, %d failed, %.0fs" % (len(results), len(failed), time.monotonic() - started),
          file=sys.stderr)
    for relative in failed:
        print("!! %s" % relative, file=sys.stderr)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""Runs the examples of the documents as written, so that the docs cannot drift from
the program.

Each document is played in a fresh scratch directory, its code blocks in order:

  ```text file=PATH     the block's lines are written to PATH (LF line ends)
  ```console            `$ COMMAND` lines are run with bash in the scratch directory,
                        `percorso` being the binary under test; the lines up to the next
                        `$ ` line are the output expected on standard output and
                        standard error together, exactly; a line `...` stands for any
                        number of lines; a last line `[exit status N]` gives the
                        expected exit status (0 when there is none)

Other blocks are prose. Usage: doc_test.py --percorso BIN DOC.md [DOC.md ...]
"""
import argparse
import os
import re
import subprocess
import sys
import tempfile

FENCE = re.compile(r"^```(\S*)(.*)$")
EXIT = re.compile(r"^\[exit status (\d+)\]$")


def blocks(path):
    """Yields (line number, info words, lines) of each fenced block."""
    with open(path, encoding="utf-8") as f:
        lines = f.read().split("\n")
    i = 0
    while i < len(lines):
        m = FENCE.match(lines[i])
        if not m:
            i += 1
            continue
        start, info = i + 1, (m.group(1) + " " + m.group(2)).split()
        body = []
        i += 1
        while i < len(lines) and lines[i] != "```":
            body.append(lines[i])
            i += 1
        yield start, info, body
        i += 1


def commands(body):
    """Splits a console block into (command, expected lines, expected status)."""
    out = []
    for line in body:
        if line.startswith("$ "):
            out.append([line[2:], [], 0])
        elif out:
            m = EXIT.match(line)
            if m:
                out[-1][2] = int(m.group(1))
            else:
                out[-1][1].append(line)
    return out


def matches(expected, actual):
    """Exact line match, `...` standing for any run of lines."""
    if not expected:
        return not actual
    if expected[0] == "...":
        return any(matches(expected[1:], actual[k:]) for k in range(len(actual) + 1))
    return bool(actual) and expected[0] == actual[0] and matches(expected[1:], actual[1:])


def play(doc, percorso):
    failures = []
    bindir = tempfile.mkdtemp(prefix="percorso-doc-bin-")
    os.symlink(os.path.abspath(percorso), os.path.join(bindir, "percorso"))
    env = dict(os.environ, PATH=bindir + os.pathsep + os.environ.get("PATH", ""),
               LC_ALL="C.UTF-8", EDITOR="true")
    with tempfile.TemporaryDirectory(prefix="percorso-doc-") as scratch:
        ran = 0
        for start, info, body in blocks(doc):
            target = next((w[5:] for w in info if w.startswith("file=")), None)
            if target is not None:
                path = os.path.join(scratch, target)
                os.makedirs(os.path.dirname(path) or scratch, exist_ok=True)
                with open(path, "w", encoding="utf-8", newline="\n") as f:
                    f.write("\n".join(body) + "\n")
                continue
            if not info or info[0] != "console":
                continue
            for command, expected, status in commands(body):
                ran += 1
                r = subprocess.run(["bash", "-c", command], cwd=scratch, env=env,
                                   stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                   timeout=120)
                actual = r.stdout.decode("utf-8", "replace").split("\n")
                if actual and actual[-1] == "":
                    actual.pop()
                if r.returncode != status or not matches(expected, actual):
                    failures.append(
                        f"{doc}:{start}: $ {command}\n  exit status {r.returncode}, expected "
                        f"{status}\n  expected:\n" + "".join(f"    {l}\n" for l in expected) +
                        "  got:\n" + "".join(f"    {l}\n" for l in actual))
        if ran == 0:
            failures.append(f"{doc}: no console example found")
    return failures


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--percorso", required=True)
    p.add_argument("docs", nargs="+")
    a = p.parse_args()
    failures = []
    for doc in a.docs:
        failures += play(doc, a.percorso)
    for f in failures:
        print(f, file=sys.stderr)
    print(f"{len(a.docs)} documents, {len(failures)} failing examples")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())

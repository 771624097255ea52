#!/usr/bin/env python3
"""Puts small realistic faults into the code one at a time and sees whether the tests notice.

  tools/mutants.py [--scratch DIR] [--only N,...] [--targeted] [--jobs N] [--list]

The source tree is copied once into a scratch folder (default out/mutants/tree, built in its
own out/release: the same relative paths as the tree's own build, so that a shared compiler
cache serves the first build), built there, and then, for each fault of MUTANTS: the one line is changed in the copy, the test
executable rebuilt (only the changed file recompiles), the tests run, and the line put
back. A fault the tests fail on is "killed"; one they pass with has "survived". The result
is printed one line a fault, then the counts.

By default every test of percorso_tests runs for every fault (slow: the whole suite each
time). --targeted runs only the tests named in the fault's row, which is how it is run on a
shared machine; a fault that survives its targeted tests may still be killed elsewhere.

It is a measure of what the tests can see, not a target and not part of `make test`.
"""
import argparse
import os
import shutil
import subprocess
import sys

# name, file, the exact text of the original (found once in the file), its replacement,
# the tests most likely to notice (a gtest filter) for --targeted.
MUTANTS = [
    ("speed truncated instead of rounded", "src/compiler/train_rows.cc",
     "const int64_t units = RoundHalfEven(v[1].value, kSpeedUnitKmh);",
     "const int64_t units = v[1].value / kSpeedUnitKmh;",
     "LoaderTest.*"),
    ("station approach mark on reserved cell 1", "src/compiler/station_row.cc",
     "if (c > 1) load_.state.grid.at(c).preavviso",
     "if (c > 0) load_.state.grid.at(c).preavviso",
     "LoaderTest.*"),
    ("station zone ending at 100 m accepted", "src/compiler/station_row.cc",
     "if (zone.last <= 1) {",
     "if (zone.last < 1) {",
     "LoaderTest.*"),
    ("a lone sign read as a number", "src/compiler/field_reader.cc",
     "  if (i == f.size()) return false;\n  int64_t v = 0;",
     "  int64_t v = 0;",
     "FieldReaderTest.*"),
    ("abutting curves warned as dropped", "src/compiler/warnings.cc",
     "if (next <= start + 1 || next <= kFirstComputed) return;",
     "if (next <= start || next <= kFirstComputed) return;",
     "Warnings.*"),
    ("named temporary left at mode 0600", "src/base/file_io.cc",
     "if (ok && ::fchmod(fd, CreationMode()) != 0) {",
     "if (false) {",
     "ReplaceFile.*"),
    ("umask read once and kept", "src/base/file_io.cc",
     "mode_t CreationMode() { return static_cast<mode_t>(0666 & ~CurrentUmask()); }",
     "mode_t CreationMode() { static const mode_t m = 0666 & ~CurrentUmask(); return m; }",
     "ReplaceFile.*"),
    ("three-byte characters counted as two units", "src/lsp/positions.cc",
     "return sequence == 4 ? 2 : 1;",
     "return sequence >= 3 ? 2 : 1;",
     "PositionsTest.*"),
    ("stream cap raised", "src/serve/routes.h",
     "static constexpr int kMaxStreams = 32;",
     "static constexpr int kMaxStreams = 128;",
     "PreviewServerTest.*"),
    ("decompiler's point search limited to the parting cell", "src/decompile/decompile.cc",
     "constexpr int64_t kPointWindow = 3;",
     "constexpr int64_t kPointWindow = 0;",
     "Decompile*"),
    ("cell-1 stamp not cleared before recovery", "src/decompile/decompile.cc",
     "  in.cells[kMarkedCell].dato1 = 0;\n",
     "",
     "Decompile*"),
    ("montagna spans too close to the previous one left unseparated", "src/decompile/recover_spans.cc",
     "if (has_previous_ && inizio - previous_fine_ <= kSpanJoinGap && !joins) {",
     "if (false) {",
     "Decompile*"),
    ("slowdown warning cell one cell off", "src/compiler/marker_writers.h",
     "inline constexpr int32_t kSlowdownWarningDistance = 1200;",
     "inline constexpr int32_t kSlowdownWarningDistance = 1250;",
     "MarkerWriters*:Place*:LoaderTest.*"),
    ("signal approach marks on odd cells", "src/compiler/marker_writers.cc",
     "const int64_t mark = c - 2 * k;",
     "const int64_t mark = c - 2 * k + 1;",
     "MarkerWriters*:Place*:LoaderTest.*"),
]


def run(cmd, cwd=None, quiet=True):
    return subprocess.run(cmd, cwd=cwd, stdout=subprocess.PIPE if quiet else None,
                          stderr=subprocess.STDOUT if quiet else None, text=True)


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--scratch", default="")
    ap.add_argument("--only", default="", help="comma-separated fault numbers (1-based) or names")
    ap.add_argument("--targeted", action="store_true", help="run only each fault's own tests")
    ap.add_argument("--jobs", type=int, default=2)
    ap.add_argument("--list", action="store_true", help="list the faults and stop")
    args = ap.parse_args()

    if args.list:
        for i, m in enumerate(MUTANTS, 1):
            print(f"{i:2}. {m[0]}  ({m[1]})")
        return 0

    chosen = list(enumerate(MUTANTS, 1))
    if args.only:
        wanted = [w.strip() for w in args.only.split(",") if w.strip()]
        chosen = [(i, m) for i, m in chosen if str(i) in wanted or m[0] in wanted]

    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    scratch = args.scratch or os.path.join(root, "out", "mutants")
    src = os.path.join(scratch, "tree")
    build = os.path.join(src, "out", "release")
    # The tree copied over the copy of an earlier run, whose build is kept, so that only
    # what changed since is rebuilt; the build folders and the repository are not copied.
    def skip(folder, names):  # the build folders and the repository at the top only
        return [n for n in names if folder == root and n in ("out", ".git")]

    shutil.copytree(root, src, ignore=skip, dirs_exist_ok=True)
    env_ok = run(["cmake", "-S", src, "-B", build, "-DCMAKE_BUILD_TYPE=RelWithDebInfo"])
    if env_ok.returncode != 0:
        print(env_ok.stdout)
        return 2
    tests = os.path.join(build, "percorso_tests")

    def build_tests():
        return run(["cmake", "--build", build, "-j", str(args.jobs), "--target", "percorso_tests", "percorso"])

    first = build_tests()
    if first.returncode != 0:
        print(first.stdout[-4000:])
        return 2

    killed = survived = 0
    for i, (name, path, old, new, targeted) in chosen:
        file = os.path.join(src, path)
        original = open(file, encoding="utf-8").read()
        if original.count(old) < 1:
            print(f"{i:2}. {name}: NOT APPLIED (text not found in {path})")
            continue
        open(file, "w", encoding="utf-8").write(original.replace(old, new, 1))
        try:
            b = build_tests()
            if b.returncode != 0:
                print(f"{i:2}. {name}: does not compile (counted as killed)")
                killed += 1
                continue
            cmd = [tests, "--gtest_brief=1"]
            if args.targeted:
                cmd.append("--gtest_filter=" + targeted)
            r = run(cmd, cwd=build)
            if r.returncode != 0:
                killed += 1
                print(f"{i:2}. {name}: killed")
            else:
                survived += 1
                print(f"{i:2}. {name}: SURVIVED")
            sys.stdout.flush()
        finally:
            open(file, "w", encoding="utf-8").write(original)
    build_tests()  # leave the copy built as it is
    print(f"{killed} killed, {survived} survived, of {killed + survived} faults"
          + (" (targeted tests only)" if args.targeted else ""))
    return 0


if __name__ == "__main__":
    sys.exit(main())

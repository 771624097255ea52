#!/usr/bin/env python3
"""Compares everything percorso writes and prints, before and after a change.

  tools/outputs.py gen PERCORSO CORPUS [--count N] [--seed S]
      writes CORPUS/NNNN/ case folders, each a pair of texts (R_linea.txt, R_1-.txt):
      the built-in pair, then N varied pairs made from it by seeded edits (numbers
      changed, rows dropped, doubled, swapped or moved, rows of every keyword added,
      texts cut short, line ends changed), so that most compile and many fail in every
      way the loader and the pass can fail.
  tools/outputs.py run PERCORSO CORPUS OUT
      runs the build run once, then for every case: compile, compile --no-plan, dump of
      every file written (table, --all, --json --all) and report; keeps each command's
      exit status, standard output and error, and every file it wrote, under OUT.
  diff -r OUT_BEFORE OUT_AFTER   shows any byte that moved.

Extra case folders (the maximal scenario, authors' texts) can be dropped into CORPUS by
hand: any folder holding one NAME_linea.txt and one NAME_NUMBER-.txt is a case.
"""
import argparse
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile

KEYWORD_ROWS = [
    "pendenza, {p}, {g}",
    "curvad{c}, {p}, {l}",
    "curvas{c}, {p}, {l}",
    "montagna, {p}, {q}, {m}",
    "indicatori_vmax, {p}, 100, 110, 120, 2, 90, 100, 110, 1",
    "cartello_indicatore, {p}, (  BIVIO  )",
    "velocita, {p}, {v}",
    "aderenza, {p}, {a}",
    "segnale, {p}, {sx}, 4, 0, 0, 0, 1, 1, 0, 0, {t}",
    "rallentamento, {p}, {v}, {l}, {b}, {b2}, 0",
    "abbattimento, {p}, {a}",
    "stazione, {p}, 12, 400, 0,0,0, 1,1,0, 2,4,1, 1, 14,46,0, NUOVA",
    "stazione, {p}, 25, 200, 0,0,0, 1,1,0, 2,4,1, 1, 14,46,0, _",
    "orologio, 14, 45, 20",
    "sabbia, {a}",
]


def run(cmd, cwd):
    p = subprocess.run(cmd, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    return p.returncode, p.stdout, p.stderr


def random_row(rng, length):
    p = rng.choice([rng.randrange(0, max(length, 1) + 7000, 50), rng.randrange(-100, length + 8000)])
    return rng.choice(KEYWORD_ROWS).format(
        p=p, q=p + rng.choice([100, 150, 400, 2000]), g=rng.randrange(-30, 30),
        c=rng.randrange(0, 8), l=rng.choice([0, 50, 200, 1200, 5000]), m=rng.choice([2, 12, 3]),
        v=rng.choice([0, 30, 60, 137, 138, 200, 1280]), a=rng.randrange(0, 300),
        sx=rng.choice([1, 2]), t=rng.choice([0, 50, 220]), b=rng.randrange(0, 2),
        b2=rng.randrange(0, 2))


def mutate_number(rng, line):
    nums = list(re.finditer(rb"-?\d+", line))
    if not nums:
        return line
    m = rng.choice(nums)
    v = int(m.group())
    nv = rng.choice([v + 50, v - 50, v + 1, v + 25, -v, v * 2, 0, 65536 + v, v + 1000,
                     2147483648, v // 2])
    return line[:m.start()] + str(nv).encode() + line[m.end():]


def vary(rng, text, length):
    lines = text.split(b"\r\n")
    for _ in range(rng.randrange(1, 4)):
        if not lines:
            break
        i = rng.randrange(len(lines))
        op = rng.randrange(9)
        if op <= 2:
            lines[i] = mutate_number(rng, lines[i])
        elif op == 3:
            del lines[i]
        elif op == 4:
            lines.insert(i, lines[i])
        elif op == 5:
            j = rng.randrange(len(lines))
            lines[i], lines[j] = lines[j], lines[i]
        elif op <= 7:
            lines.insert(i, random_row(rng, length).encode())
        else:
            lines[i] = lines[i].replace(b",", b" ", 1)
    out = b"\r\n".join(lines)
    r = rng.random()
    if r < 0.03:
        out = out[: rng.randrange(len(out) + 1)]
    elif r < 0.06:
        out = out.replace(b"\r\n", b"\n")
    return out


def gen(args):
    rng = random.Random(args.seed)
    tmp = tempfile.mkdtemp()
    try:
        status, _, err = run([os.path.abspath(args.percorso), "export", "--dir", tmp], tmp)
        if status != 0:
            sys.exit("export failed: " + err.decode(errors="replace"))
        linea = open(os.path.join(tmp, "Valdoro_Ostrano_linea.txt"), "rb").read()
        treno = open(os.path.join(tmp, "Valdoro_Ostrano_55-.txt"), "rb").read()
    finally:
        shutil.rmtree(tmp)
    for k in range(args.count + 1):
        case = os.path.join(args.corpus, "%04d" % k)
        os.makedirs(case, exist_ok=True)
        a, b = linea, treno
        if k > 0:
            length = 96900 if rng.random() < 0.85 else rng.choice([5000, 20000, 1000, 250000])
            if length != 96900:
                a = a.replace(b"96900", str(length).encode(), 1)
            if rng.random() < 0.7:
                a = vary(rng, a, length)
            if rng.random() < 0.8:
                b = vary(rng, b, length)
        open(os.path.join(case, "R_linea.txt"), "wb").write(a)
        open(os.path.join(case, "R_1-.txt"), "wb").write(b)


def record(out, name, result):
    status, so, se = result
    with open(os.path.join(out, name + ".status"), "w") as f:
        f.write("%d\n" % status)
    open(os.path.join(out, name + ".out"), "wb").write(so)
    open(os.path.join(out, name + ".err"), "wb").write(se)


def run_case(exe, case_dir, out):
    os.makedirs(out, exist_ok=True)
    for variant, extra in (("plan", []), ("noplan", ["--no-plan"])):
        work = tempfile.mkdtemp()
        try:
            for f in os.listdir(case_dir):
                shutil.copy(os.path.join(case_dir, f), work)
            before = set(os.listdir(work))
            record(out, variant + ".compile", run([exe, "compile", "--dir", "."] + extra, work))
            written = sorted(set(os.listdir(work)) - before)
            for f in written:
                shutil.copy(os.path.join(work, f), os.path.join(out, variant + "." + f))
                # The plan file's --all listings are a hundred thousand points: its
                # default dump and the file itself say enough.
                plan = f.endswith("_linea.dat")
                for opts in ([],) if plan else ([], ["--all"], ["--json", "--all"]):
                    tag = "".join(o.strip("-")[0] for o in opts)
                    record(out, "%s.dump%s.%s" % (variant, tag, f), run([exe, "dump"] + opts + [f], work))
            if variant == "plan":
                r = run([exe, "report", "--dir", ".", "-o", "report.html"], work)
                record(out, "report", r)
                if os.path.exists(os.path.join(work, "report.html")):
                    shutil.copy(os.path.join(work, "report.html"), os.path.join(out, "report.html"))
        finally:
            shutil.rmtree(work)


def run_all(args):
    exe = os.path.abspath(args.percorso)
    os.makedirs(args.out, exist_ok=True)
    work = tempfile.mkdtemp()
    try:
        shutil.copy(exe, os.path.join(work, "percorso"))
        build = os.path.join(args.out, "build-run")
        os.makedirs(build, exist_ok=True)
        record(build, "run", run([os.path.join(work, "percorso")], work))
        for f in sorted(os.listdir(work)):
            if f != "percorso":
                shutil.copy(os.path.join(work, f), os.path.join(build, f))
    finally:
        shutil.rmtree(work)
    for case in sorted(os.listdir(args.corpus)):
        run_case(exe, os.path.join(args.corpus, case), os.path.join(args.out, case))


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    sub = ap.add_subparsers(dest="cmd", required=True)
    g = sub.add_parser("gen")
    g.add_argument("percorso")
    g.add_argument("corpus")
    g.add_argument("--count", type=int, default=300)
    g.add_argument("--seed", type=int, default=1)
    r = sub.add_parser("run")
    r.add_argument("percorso")
    r.add_argument("corpus")
    r.add_argument("out")
    args = ap.parse_args()
    gen(args) if args.cmd == "gen" else run_all(args)


if __name__ == "__main__":
    main()

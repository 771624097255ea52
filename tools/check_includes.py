#!/usr/bin/env python3
"""Checks that every #include "..." under src/ points down a linked layer.

Each folder under src/ is a layer whose src/<layer>/CMakeLists.txt declares it with
percorso_layer(<layer> <layers it links>...). A file of a layer may include headers of
its own layer and of every layer its library links, directly or through those layers;
a test (*_test.cc) may include the test helpers of src/testing as well. The links must
form no circle, and no folder under src/ may be named `build`. Every header's guard
names its place (src/a/b_c.h: PERCORSO_A_B_C_H_). A header named *_parts.h holds the
private parts of one component (compiler/loader_parts.h) and is included only by files
of its own folder.

  tools/check_includes.py SOURCE_DIR     exit 0 when all holds, 1 with one line a fault
"""
import pathlib
import re
import sys

LAYER_DECL = re.compile(r"^\s*percorso_layer\(\s*([a-z_]+)((?:\s+[a-z_]+)*)\s*\)", re.M)
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"', re.M)
TEST_HELPERS = "testing"
# Headers the build writes into its own folder (the version text), not under src/.
GENERATED = {"percorso_version.h"}


def read_layers(src):
    links = {}
    for cmake in sorted(src.glob("*/CMakeLists.txt")):
        m = LAYER_DECL.search(cmake.read_text())
        if m is None or m.group(1) != cmake.parent.name:
            return None, f"{cmake}: no percorso_layer({cmake.parent.name} ...) line"
        links[m.group(1)] = m.group(2).split()
    return links, None


def find_circle(links):
    state = {}  # 1: on the current path, 2: done

    def visit(layer, path):
        state[layer] = 1
        for below in links.get(layer, []):
            if state.get(below) == 1:
                return path + [layer, below]
            if below not in state:
                found = visit(below, path + [layer])
                if found:
                    return found
        state[layer] = 2
        return None

    for layer in links:
        if layer not in state:
            found = visit(layer, [])
            if found:
                return found
    return None


def reachable(links, layer):
    seen, todo = set(), list(links.get(layer, []))
    while todo:
        below = todo.pop()
        if below not in seen:
            seen.add(below)
            todo.extend(links.get(below, []))
    return seen


def main(argv):
    if len(argv) != 2:
        print(__doc__.strip().splitlines()[-1].strip(), file=sys.stderr)
        return 2
    src = pathlib.Path(argv[1]) / "src"
    faults = []
    for d in src.rglob("build"):
        if d.is_dir():
            faults.append(f"{d}: a source folder must not be named build")
    links, error = read_layers(src)
    if error:
        print(error)
        return 1
    for layer, below in links.items():
        for b in below:
            if b not in links:
                faults.append(f"src/{layer}/CMakeLists.txt: links unknown layer {b}")
    circle = find_circle(links)
    if circle:
        faults.append("layers link in a circle: " + " -> ".join(circle))
    for path in sorted(p for p in src.rglob("*") if p.suffix in (".h", ".cc")):
        rel = path.relative_to(src)
        layer = rel.parts[0]
        if layer not in links:
            faults.append(f"src/{rel}: folder {layer} is not a layer")
            continue
        allowed = {layer} | reachable(links, layer)
        if path.name.endswith("_test.cc"):
            allowed.add(TEST_HELPERS)
        text = path.read_text(encoding="utf-8", errors="replace")
        if path.suffix == ".h":
            # A header's guard names its place: src/a/b_c.h guards with PERCORSO_A_B_C_H_,
            # so that a moved header cannot keep the guard of its old place.
            guard = "PERCORSO_" + re.sub(r"[^A-Za-z0-9]", "_", str(rel)).upper() + "_"
            found = re.search(r"^#ifndef\s+(\S+)", text, re.M)
            if not found or found.group(1) != guard:
                faults.append(f"src/{rel}: header guard {found.group(1) if found else 'missing'}, expected {guard}")
        for m in INCLUDE.finditer(text):
            target = m.group(1)
            line = text.count("\n", 0, m.start()) + 1
            where = f"src/{rel}:{line}"
            if target in GENERATED:
                continue
            if not (src / target).is_file():
                faults.append(f'{where}: "{target}" is not a file under src/')
                continue
            private_parts = target.endswith("_parts.h")
            if private_parts and pathlib.PurePosixPath(target).parent != rel.parent:
                faults.append(f'{where}: includes "{target}", the private parts of another folder')
                continue
            to = pathlib.PurePosixPath(target).parts[0]
            if to not in allowed:
                faults.append(f'{where}: includes "{target}", but layer {layer} does not link {to}')
    for f in faults:
        print(f)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

#!/usr/bin/env python3
"""Checks that the source folders include each other only downwards.

The folders under src/ form layers, low to high. A file may include headers of its
own folder and of lower ones; an include that climbs to a higher folder, a folder
that is placed in no layer, and a circle among the folders all fail the check.
A program's main.cpp sits above every layer and may include anything.

    check-include-layers.py [SRC_DIR]   check the tree (default: ../src)
    check-include-layers.py --self-test check the checker
"""

import os
import re
import sys
import tempfile

LAYERS = ["platform", "app", "net", "admin", "timesignal", "broadcast", "console", "ui"]
SOURCE_SUFFIXES = (".h", ".hpp", ".cpp", ".cc")
INCLUDE = re.compile(r'^\s*#\s*include\s*[<"]([^>"]+)[>"]')


def includes_of(path):
    """(line number, included path) of every include directive in the file."""
    with open(path, encoding="utf-8", errors="replace") as f:
        for number, line in enumerate(f, 1):
            m = INCLUDE.match(line)
            if m:
                yield number, m.group(1)


def find_circle(edges):
    """One circle of the folder graph as a list of folders, or None."""
    state = {}  # folder -> 1 while on the current path, 2 when done

    def visit(node, path):
        state[node] = 1
        path.append(node)
        for nxt in sorted(edges.get(node, ())):
            if state.get(nxt) == 1:
                return path[path.index(nxt):] + [nxt]
            if nxt not in state:
                found = visit(nxt, path)
                if found:
                    return found
        path.pop()
        state[node] = 2
        return None

    for node in sorted(edges):
        if node not in state:
            found = visit(node, [])
            if found:
                return found
    return None


def check(src_dir, layers=LAYERS):
    """The faults found under src_dir, one message each."""
    rank = {name: i for i, name in enumerate(layers)}
    faults = []
    edges = {}
    for root, dirs, files in os.walk(src_dir):
        dirs.sort()
        rel_root = os.path.relpath(root, src_dir)
        if rel_root == ".":
            continue  # files beside the folders (configured headers) belong to no layer
        folder = rel_root.split(os.sep)[0]
        for name in sorted(files):
            if not name.endswith(SOURCE_SUFFIXES) or name == "main.cpp":
                continue
            rel = os.path.join(rel_root, name).replace(os.sep, "/")
            if folder not in rank:
                faults.append(f"{rel}: folder '{folder}' is placed in no layer")
                continue
            for number, target in includes_of(os.path.join(root, name)):
                if "/" not in target:
                    continue  # same folder, a configured header, or a library's
                to = target.split("/")[0]
                if to not in rank or to == folder:
                    continue
                edges.setdefault(folder, set()).add(to)
                if rank[to] > rank[folder]:
                    faults.append(f"{rel}:{number}: '{target}' climbs from {folder} up to {to}")
    circle = find_circle(edges)
    if circle:
        faults.append("folders include each other in a circle: " + " -> ".join(circle))
    return faults


def self_test():
    def tree(files):
        d = tempfile.TemporaryDirectory()
        for rel, text in files.items():
            path = os.path.join(d.name, rel)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "w", encoding="utf-8") as f:
                f.write(text)
        return d

    cases = [
        ("downwards only", {"ui/A.cpp": '#include "platform/B.h"\n#include <QString>\n',
                            "platform/B.h": '#include "B2.h"\n'}, []),
        ("a climb", {"platform/B.cpp": '// x\n  #  include "broadcast/C.h"\n'},
         ["platform/B.cpp:2: 'broadcast/C.h' climbs from platform up to broadcast"]),
        ("main.cpp is the program", {"app/main.cpp": '#include "ui/D.h"\n'}, []),
        ("unplaced folder", {"extra/E.h": ""}, ["extra/E.h: folder 'extra' is placed in no layer"]),
        ("commented include", {"net/F.cpp": '// #include "ui/G.h"\n'}, []),
    ]
    failed = 0
    for title, files, expected in cases:
        with tree(files) as d:
            got = check(d)
        if got != expected:
            failed += 1
            print(f"self-test '{title}': expected {expected}, got {got}")
    # A circle also climbs somewhere, but it is reported in its own right.
    with tree({"a/X.h": '#include "b/Y.h"\n', "b/Y.h": '#include "a/X.h"\n'}) as d:
        got = check(d, layers=["a", "b"])
    if not any("circle: a -> b -> a" in f for f in got):
        failed += 1
        print(f"self-test 'circle': got {got}")
    print("self-test: " + ("failed" if failed else "passed"))
    return 1 if failed else 0


def main(argv):
    if argv[1:] == ["--self-test"]:
        return self_test()
    here = os.path.dirname(os.path.abspath(__file__))
    src = argv[1] if len(argv) > 1 else os.path.join(here, "..", "src")
    if not os.path.isdir(src):
        print(f"no such directory: {src}")
        return 2
    faults = check(src)
    for fault in faults:
        print(fault)
    print(f"include layers ({' < '.join(LAYERS)}): "
          + (f"{len(faults)} fault(s)" if faults else "ok"))
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

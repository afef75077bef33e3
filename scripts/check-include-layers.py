#!/usr/bin/env python3
"""Checks that the source folders include each other only downwards.

The folders under src/ form layers, low to high. A file may include headers of its
own folder and of lower ones; an include that climbs to a higher folder, a folder
that is placed in no layer, and a circle among the folders all fail the check.
A program's main.cpp sits above every layer and may include anything.

    check-include-layers.py [SRC_DIR]   check the tree (default: ../src)
    check-include-layers.py --program DIR NAME
                                        check that the program's sources under DIR
                                        include only the src/ folders NAME may use
    check-include-layers.py --self-test check the checker
"""

import os
import re
import sys
import tempfile

LAYERS = [
    "protocol", "platform", "settings", "net", "admin", "timesignal", "broadcast", "console", "ui",
    "app",
]
# The top floor holds the program and nothing else.
TOP_FOLDER = "app"
# Folders of src/ that a program outside src/ may include: the simulator speaks the
# wire formats and nothing else of the console.
PROGRAM_FOLDERS = {"velmira-sim": {"protocol"}}
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
            if folder == TOP_FOLDER:
                faults.append(f"{rel}: only main.cpp belongs in {TOP_FOLDER}/")
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


def check_program(program_dir, name, src_dir):
    """Includes of src/ folders, under program_dir, that the program may not use."""
    allowed = PROGRAM_FOLDERS.get(name, set())
    folders = {entry for entry in os.listdir(src_dir) if os.path.isdir(os.path.join(src_dir, entry))}
    faults = []
    for root, dirs, files in os.walk(program_dir):
        dirs.sort()
        for name_ in sorted(files):
            if not name_.endswith(SOURCE_SUFFIXES):
                continue
            path = os.path.join(root, name_)
            rel = os.path.relpath(path, program_dir).replace(os.sep, "/")
            for number, target in includes_of(path):
                folder = target.split("/")[0] if "/" in target else None
                if folder in folders and folder not in allowed:
                    faults.append(f"{rel}:{number}: '{target}' is not for {name}")
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
        ("main.cpp alone at the top", {"app/Start.h": ""},
         ["app/Start.h: only main.cpp belongs in app/"]),
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
    with tree({"src/protocol/W.h": "", "src/console/C.h": "",
               "sim/lib/A.cpp": '#include "protocol/W.h"\n#include "console/C.h"\n#include <QObject>\n'}) as d:
        got = check_program(os.path.join(d, "sim"), "velmira-sim", os.path.join(d, "src"))
    if got != ["lib/A.cpp:2: 'console/C.h' is not for velmira-sim"]:
        failed += 1
        print(f"self-test 'program': got {got}")
    print("self-test: " + ("failed" if failed else "passed"))
    return 1 if failed else 0


def main(argv):
    if argv[1:] == ["--self-test"]:
        return self_test()
    here = os.path.dirname(os.path.abspath(__file__))
    if len(argv) == 4 and argv[1] == "--program":
        faults = check_program(argv[2], argv[3], os.path.join(here, "..", "src"))
        for fault in faults:
            print(fault)
        print(f"includes of {argv[3]}: " + (f"{len(faults)} fault(s)" if faults else "ok"))
        return 1 if faults else 0
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

#!/usr/bin/python3
"""Lists each file's includes of app/ files and looks for circles among them: between files,
between units (a header with the sources of its name: x.h, x.cpp, x_texts.cpp) and between
the folders app/, app/windows/, app/texts/, app/graph/. Exit status 1 when one is found.

    scripts/appincludes.py [source root] [--list]
"""
import os
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s+"(app/[^"]+)"', re.M)


def app_files(root):
    for dirpath, _, names in os.walk(os.path.join(root, "app")):
        for name in sorted(names):
            if name.endswith((".h", ".cpp")):
                yield os.path.relpath(os.path.join(dirpath, name), root)


def unit_of(path, headers):
    stem = os.path.splitext(path)[0]
    while stem + ".h" not in headers and "_" in os.path.basename(stem):
        stem = stem.rsplit("_", 1)[0]
    return stem if stem + ".h" in headers else os.path.splitext(path)[0]


def folder_of(path):
    return os.path.dirname(path) + "/"


def circles(edges):
    """The groups of nodes that reach each other (strongly connected, more than one node)."""
    index, low, stack, on, groups = {}, {}, [], set(), []

    def visit(node):
        index[node] = low[node] = len(index)
        stack.append(node)
        on.add(node)
        for nxt in sorted(edges.get(node, ())):
            if nxt not in index:
                visit(nxt)
                low[node] = min(low[node], low[nxt])
            elif nxt in on:
                low[node] = min(low[node], index[nxt])
        if low[node] == index[node]:
            group = []
            while True:
                top = stack.pop()
                on.discard(top)
                group.append(top)
                if top == node:
                    break
            if len(group) > 1:
                groups.append(sorted(group))

    for node in sorted(edges):
        if node not in index:
            visit(node)
    return sorted(groups)


def main():
    args = [a for a in sys.argv[1:] if not a.startswith("--")]
    root = args[0] if args else os.path.join(os.path.dirname(__file__), "..")
    files = list(app_files(root))
    headers = {os.path.splitext(f)[0] + ".h" for f in files if f.endswith(".h")}
    includes = {}
    for f in files:
        with open(os.path.join(root, f), encoding="utf-8") as text:
            includes[f] = sorted(set(INCLUDE.findall(text.read())) - {f})
    if "--list" in sys.argv:
        for f in files:
            print(f + ": " + " ".join(includes[f]))
        print()
    levels = {
        "files": lambda p: p,
        "units": lambda p: unit_of(p, headers),
        "folders": folder_of,
    }
    bad = False
    for level, key in levels.items():
        edges = {}
        for f, inc in includes.items():
            for i in inc:
                if key(f) != key(i):
                    edges.setdefault(key(f), set()).add(key(i))
        if level == "folders":
            for a in sorted(edges):
                print("folder " + a + " includes " + " ".join(sorted(edges[a])))
        found = circles(edges)
        print("%s: %d nodes, %d edges, %d groups in a circle" % (
            level, len({key(f) for f in files}), sum(len(v) for v in edges.values()), len(found)))
        for c in found:
            print("  circle among: " + " ".join(c))
            within = len({folder_of(n) for n in c}) == 1
            if level == "units" and within:
                print("    (all in " + folder_of(c[0]) + ")")
        # A unit is a window or module and its parts: two that use each other inside one
        # folder are one piece of the program; across folders they tie the folders together,
        # which the folder level reports.
        bad = bad or (bool(found) and level != "units")
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main())

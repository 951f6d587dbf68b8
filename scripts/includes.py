#!/usr/bin/python3
"""Lists each file's includes of the program's own files and checks them: every include points
down the order of the folders (FOLDER_RANKS), and no circle runs between files, between units
(a header with the sources of its name: x.h, x.cpp, x_texts.cpp) or between folders. Exit status
1 on an include that points up or a circle between files or folders.

    scripts/includes.py [source root] [--list]
"""
import os
import re
import sys

LIBRARIES = ("platform", "comms", "data", "device", "app")
INCLUDE = re.compile(r'^\s*#\s*include\s+"((?:%s)/[^"]+)"' % "|".join(LIBRARIES), re.M)

# A file may include its own folder and the folders of a lower rank; folders of one rank do not
# include each other.
FOLDER_RANKS = {
    "platform/core/": 0, "platform/gui/": 1,
    "comms/core/": 2, "comms/dispatch/": 3, "comms/serial/": 4,
    "comms/net/": 5, "comms/packets/": 5, "comms/ftp/": 6, "comms/widgets/": 7,
    "data/": 8, "device/": 9,
    "app/graph/": 10, "app/texts/": 11, "app/windows/": 12, "app/": 13,
}


def program_files(root):
    for library in LIBRARIES:
        for dirpath, _, names in os.walk(os.path.join(root, library)):
            for name in sorted(names):
                if name.endswith((".h", ".cpp")):
                    yield os.path.relpath(os.path.join(dirpath, name), root)


def points_up(includes):
    """The includes of a folder of a rank not below the including file's folder."""
    found = []
    for f, inc in sorted(includes.items()):
        here = FOLDER_RANKS.get(folder_of(f))
        for i in inc:
            there = FOLDER_RANKS.get(folder_of(i))
            if folder_of(i) == folder_of(f) or here is None or there is None:
                continue
            if there >= here:
                found.append("%s includes %s" % (f, i))
    return found


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
    files = list(program_files(root))
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
    up = points_up(includes)
    print("includes that point up: %d" % len(up))
    for line in up:
        print("  " + line)
    bad = bool(up)
    for level, key in levels.items():
        edges = {}
        for f, inc in includes.items():
            for i in inc:
                if key(f) != key(i):
                    edges.setdefault(key(f), set()).add(key(i))
        if level == "folders" and "--list" in sys.argv:
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

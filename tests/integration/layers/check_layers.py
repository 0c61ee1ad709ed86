#!/usr/bin/env python3
"""Checks the source folders' layering on the build's own link graph.

Configures the source tree into a scratch folder with CMake's graphviz output,
then fails when
- a folder's target links a target of a folder in the same or a higher layer,
- the project's targets link in a cycle,
- a quoted include names a header of another folder whose targets the
  including folder's targets do not link, directly or through others,
- a folder with targets is missing from the layer list below.

usage: check_layers.py <cmake> <source dir>
"""
import collections
import os
import re
import subprocess
import sys
import tempfile

# Lowest first; folders on one line are peers and may not link each other.
LAYERS = [
    "src/text",
    "src/constants src/flowstate src/widgets src/net src/pictures src/audiolib",
    "src/xml",
    "src/platform src/audio",
    "src/service/protocol src/service/results",
    "src/playlist src/panel src/download",
    "src/service/flows src/service/startup src/desktop",
    "src/service src/app/about src/app/help src/app/settings",
    "src/app/main",
    "src/app/program",
    "src/app",
]

# The engine binds the audio library at run time (dlopen): it includes the
# library's C interface without linking it, and the two header-only pieces
# both sides share (the ring and the ID3v2 size reader).
UNLINKED_INCLUDES = {("src/audio", "sonaroaudio.h"), ("src/audio", "SpscRing.h"), ("src/audio", "Id3v2Size.h")}


def link_graph(cmake, source, scratch):
    dot = os.path.join(scratch, "graph.dot")
    subprocess.run([cmake, "-S", source, "-B", os.path.join(scratch, "build"),
                    "-DSONARO_TESTS=OFF", "-DSONARO_BENCH=OFF", "--graphviz=" + dot],
                   check=True, stdout=subprocess.DEVNULL)
    text = open(dot, encoding="utf-8").read()
    names = dict(re.findall(r'"(node\d+)" \[ label = "([^"]+)"', text))
    edges = collections.defaultdict(set)
    for a, b in re.findall(r'"(node\d+)" -> "(node\d+)"', text):
        edges[names[a]].add(names[b])
    return edges


def folder_targets(source):
    result = {}
    for root, _, files in os.walk(os.path.join(source, "src")):
        if "CMakeLists.txt" in files:
            rules = open(os.path.join(root, "CMakeLists.txt"), encoding="utf-8").read()
            targets = re.findall(r"add_(?:library|executable)\(\s*([\w-]+)", rules)
            if targets:
                result[os.path.relpath(root, source)] = set(targets)
    return result


def reach(edges, start):
    seen, todo = set(), list(start)
    while todo:
        for nxt in edges.get(todo.pop(), ()):
            if nxt not in seen:
                seen.add(nxt)
                todo.append(nxt)
    return seen


def main():
    cmake, source = sys.argv[1], os.path.abspath(sys.argv[2])
    problems = []
    with tempfile.TemporaryDirectory() as scratch:
        edges = link_graph(cmake, source, scratch)
    folders = folder_targets(source)
    owner = {t: f for f, ts in folders.items() for t in ts}

    layer_of = {}
    for index, line in enumerate(LAYERS):
        for folder in line.split():
            layer_of[folder] = index
    for folder in sorted(folders):
        if folder not in layer_of:
            problems.append(f"{folder} is in no layer")

    for target, folder in sorted(owner.items()):
        for linked in sorted(edges.get(target, ())):
            other = owner.get(linked)
            if other is None or other == folder or folder not in layer_of or other not in layer_of:
                continue
            if layer_of[other] >= layer_of[folder]:
                problems.append(f"{target} ({folder}) links {linked} ({other}), not a lower layer")
        if target in reach(edges, [target]):
            problems.append(f"{target} links itself through a cycle")

    headers = {}
    for root, _, files in os.walk(os.path.join(source, "src")):
        for name in files:
            if name.endswith(".h") or name.endswith(".h.in"):
                headers[name.removesuffix(".in")] = os.path.relpath(root, source)
    # A header in a sub-folder without build rules of its own belongs to
    # the nearest folder above it that has them.
    for name, home in headers.items():
        while home not in folders and os.sep in home:
            home = os.path.dirname(home)
        headers[name] = home
    for folder, targets in sorted(folders.items()):
        reachable = set(targets) | reach(edges, targets)
        directory = os.path.join(source, folder)
        for name in sorted(os.listdir(directory)):
            if not re.search(r"\.(h|cpp)$", name):
                continue
            code = open(os.path.join(directory, name), encoding="utf-8").read()
            for included in re.findall(r'^\s*#\s*include\s+"([^"]+)"', code, re.M):
                home = headers.get(os.path.basename(included))
                if home is None or home == folder or (folder, included) in UNLINKED_INCLUDES:
                    continue
                if not folders.get(home, set()) & reachable:
                    problems.append(f"{folder}/{name} includes {home}/{included} without linking it")

    for problem in problems:
        print(problem)
    print(f"{len(problems)} layering problems in {len(folders)} folders")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())

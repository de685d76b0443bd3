#!/usr/bin/env python3
"""Fails when the folders of core/ (or of ui/) include each other in a loop,
or when a ui/ folder other than ui/window includes ui/window: the window
assembles the panels, the panels never reach back into it.
Run as: check_folder_layers.py SOURCE_DIR"""
import re
import sys
from pathlib import Path

INCLUDE = re.compile(r'^\s*#\s*include\s+"(core|ui)/([a-z_0-9]+)/')


def folder_graph(root, layer):
    """{folder: {folder it includes: first file that does}} inside one layer."""
    graph = {}
    for path in sorted((root / layer).rglob("*")):
        if path.suffix not in (".h", ".cpp") or len(path.relative_to(root).parts) < 3:
            continue
        here = path.relative_to(root).parts[1]
        edges = graph.setdefault(here, {})
        for line in path.read_text(encoding="utf-8", errors="replace").splitlines():
            m = INCLUDE.match(line)
            if m and m.group(1) == layer and m.group(2) != here:
                edges.setdefault(m.group(2), str(path.relative_to(root)))
    return graph


def find_cycle(graph):
    """One loop of folders as a list, or None."""
    state = {}

    def visit(node, trail):
        state[node] = "open"
        trail.append(node)
        for nxt in sorted(graph.get(node, {})):
            if state.get(nxt) == "open":
                return trail[trail.index(nxt):] + [nxt]
            if nxt not in state:
                found = visit(nxt, trail)
                if found:
                    return found
        trail.pop()
        state[node] = "done"
        return None

    for node in sorted(graph):
        if node not in state:
            found = visit(node, [])
            if found:
                return found
    return None


def main():
    root = Path(sys.argv[1])
    bad = []
    for layer in ("core", "ui"):
        graph = folder_graph(root, layer)
        cycle = find_cycle(graph)
        if cycle:
            steps = [f"{a} -> {b} ({graph[a][b]})" for a, b in zip(cycle, cycle[1:])]
            bad.append(f"{layer}/ folders include each other in a loop: " + "; ".join(steps))
        for folder, edges in sorted(graph.items()):
            if folder != "window" and layer == "ui" and "window" in edges:
                bad.append(f"{edges['window']} includes ui/window/")
    for line in bad:
        print(line, file=sys.stderr)
    if not bad:
        print("core/ and ui/ folders form layers without loops; only ui/window includes ui/window")
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main())

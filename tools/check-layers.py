#!/usr/bin/env python3
"""Checks the include structure of src/: every include points down the layers, the folders include
each other without a cycle, and only the GUI and app folders include Qt Widgets.

Usage: check-layers.py [SOURCE_ROOT] [QT_WIDGETS_INCLUDE_DIR]
Prints each violation and exits with 1 when there is one.
"""
import os
import re
import sys

# Lowest first. A folder may include its own files and those of the folders before it.
LAYERS = [
    "base/interfaces", "base/files", "base/texts", "base/config", "base/link", "base/records",
    "base/statistics",
    "base/triggers", "base/delivery", "base/dbus", "base/session",
    "platform/x11", "platform/wayland", "platform/portal", "platform", "gui", "app",
]
# Folders that do not see each other although one comes later.
INDEPENDENT = {("gui", "platform"), ("gui", "platform/x11"), ("gui", "platform/wayland"),
               ("gui", "platform/portal"), ("platform/wayland", "platform/x11"),
               ("platform/portal", "platform/x11"), ("platform/portal", "platform/wayland")}
WIDGET_FOLDERS = {"gui", "app"}

root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "src")
widgets_dir = sys.argv[2] if len(sys.argv) > 2 else "/usr/include/x86_64-linux-gnu/qt6/QtWidgets"
widget_headers = set(os.listdir(widgets_dir)) if os.path.isdir(widgets_dir) else set()


def folder_of(path):
    best = None
    for layer in LAYERS:
        if path == layer or path.startswith(layer + "/"):
            if best is None or len(layer) > len(best):
                best = layer
    return best


problems = []
edges = {}
for directory, _, files in os.walk(root):
    for name in files:
        if not re.search(r"\.(h|cpp)$", name):
            continue
        path = os.path.relpath(os.path.join(directory, name), root)
        source = folder_of(os.path.dirname(path))
        if source is None:
            problems.append(f"{path}: lies in no known layer")
            continue
        text = open(os.path.join(directory, name), encoding="utf-8", errors="replace").read()
        for match in re.finditer(r'#\s*include\s*([<"])([^>"]+)[>"]', text):
            kind, included = match.groups()
            if kind == "<":
                header = included.split("/")[-1]
                if source not in WIDGET_FOLDERS and (included.startswith("QtWidgets") or header in widget_headers):
                    problems.append(f"{path}: includes Qt Widgets ({included}) outside the GUI and app folders")
                continue
            target = folder_of(os.path.dirname(included))
            if target is None or target == source:
                continue
            edges.setdefault(source, set()).add(target)
            if LAYERS.index(target) > LAYERS.index(source) or (source, target) in INDEPENDENT:
                problems.append(f"{path}: {source} includes {included} from the layer {target} above it")

# A cycle would also show as an upward include; this names it in folder terms.
state = {}
def visit(node, trail):
    state[node] = "open"
    for nxt in sorted(edges.get(node, ())):
        if state.get(nxt) == "open":
            problems.append("folders include each other in a circle: " + " -> ".join(trail[trail.index(nxt):] + [nxt]))
        elif nxt not in state:
            visit(nxt, trail + [nxt])
    state[node] = "done"
for node in sorted(edges):
    if node not in state:
        visit(node, [node])

for problem in sorted(set(problems)):
    print(problem)
sys.exit(1 if problems else 0)

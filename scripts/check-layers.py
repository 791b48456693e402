#!/usr/bin/env python3
"""Checks the layering of the source tree from its #include lines.

Every source file belongs to a module: its top-level folder, except that the Qt parts
(`<module>/ui/` and `<module>/qt/`) are modules of their own on the window floor. The script
prints which module includes which, then fails when a module includes one on a higher floor
or when two modules include each other (directly or around a longer loop).

Usage: scripts/check-layers.py [source-root] [--quiet]
"""

import re
import sys
from pathlib import Path

# The floors, lowest first. A module may include modules on its own floor or below.
FLOORS = [
    ("platform", ["platform"]),
    ("domain", ["core", "codecs", "editing", "phone", "installer"]),
    ("operations", ["operations"]),
    ("composed domain", ["animation", "fonts", "output", "transfer"]),
    ("programs", ["cli", "tools"]),
    ("windows", ["app", "*/ui", "*/qt"]),
]

SOURCE_DIRS = sorted({m for _, mods in FLOORS for m in mods if "*" not in m})
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')
SUFFIXES = {".h", ".hpp", ".cpp", ".cc", ".c"}


def module_of(rel: Path) -> str:
    """The module a path (relative to the root) belongs to."""
    parts = rel.parts
    if len(parts) >= 3 and parts[1] in ("ui", "qt"):
        return f"{parts[0]}/{parts[1]}"
    return parts[0]


def floor_of(module: str) -> int:
    for level, (_, mods) in enumerate(FLOORS):
        if module in mods:
            return level
        if "/" in module and "*/" + module.split("/", 1)[1] in mods:
            return level
    return -1


def include_graph(root: Path):
    """Maps (from, to) module pairs to one example 'file -> header' each."""
    edges = {}
    for top in SOURCE_DIRS:
        base = root / top
        if not base.is_dir():
            continue
        for path in sorted(base.rglob("*")):
            if path.suffix not in SUFFIXES or not path.is_file():
                continue
            rel = path.relative_to(root)
            source = module_of(rel)
            for line in path.read_text(encoding="utf-8", errors="replace").splitlines():
                match = INCLUDE.match(line)
                if not match:
                    continue
                target_path = Path(match.group(1))
                if len(target_path.parts) < 2 or not (root / target_path).exists():
                    continue  # a header beside the file, or a system/library header
                target = module_of(target_path)
                if target != source:
                    edges.setdefault((source, target), f"{rel} -> {target_path}")
    return edges


def unit_edges(root: Path):
    """Include edges between units (a header and its .cpp) inside each module.

    Two units that need each other are one unit in disguise; keeping the edges one way keeps
    each file readable on its own.
    """
    edges = {}
    for top in SOURCE_DIRS:
        base = root / top
        if not base.is_dir():
            continue
        for path in sorted(base.rglob("*")):
            if path.suffix not in SUFFIXES or not path.is_file():
                continue
            rel = path.relative_to(root)
            unit = str(rel.with_suffix(""))
            for line in path.read_text(encoding="utf-8", errors="replace").splitlines():
                match = INCLUDE.match(line)
                if not match:
                    continue
                target = Path(match.group(1))
                if len(target.parts) < 2 or not (root / target).exists():
                    continue
                if module_of(target) == module_of(rel) and str(target.with_suffix("")) != unit:
                    edges.setdefault((unit, str(target.with_suffix(""))), True)
    return edges


def find_cycles(edges):
    """Strongly connected components with more than one module (Tarjan)."""
    graph = {}
    for a, b in edges:
        graph.setdefault(a, set()).add(b)
        graph.setdefault(b, set())
    index, low, stack, on_stack, result = {}, {}, [], set(), []

    def visit(node):
        index[node] = low[node] = len(index)
        stack.append(node)
        on_stack.add(node)
        for nxt in sorted(graph[node]):
            if nxt not in index:
                visit(nxt)
                low[node] = min(low[node], low[nxt])
            elif nxt in on_stack:
                low[node] = min(low[node], index[nxt])
        if low[node] == index[node]:
            component = []
            while True:
                top = stack.pop()
                on_stack.discard(top)
                component.append(top)
                if top == node:
                    break
            if len(component) > 1:
                result.append(sorted(component))

    for node in sorted(graph):
        if node not in index:
            visit(node)
    return result


def main(argv):
    quiet = "--quiet" in argv
    args = [a for a in argv if not a.startswith("--")]
    root = Path(args[0]) if args else Path(__file__).resolve().parent.parent
    edges = include_graph(root)
    modules = sorted({m for pair in edges for m in pair}, key=lambda m: (floor_of(m), m))
    faults = []

    for module in modules:
        if floor_of(module) < 0:
            faults.append(f"{module}: not on any floor (add it to FLOORS in {Path(__file__).name})")

    if not quiet:
        print("Include graph (module: floor -> modules it includes):")
    for module in modules:
        targets = sorted((b for a, b in edges if a == module), key=lambda m: (floor_of(m), m))
        if not quiet:
            floor_name = FLOORS[floor_of(module)][0] if floor_of(module) >= 0 else "?"
            print(f"  {module:16} [{floor_name}] -> {', '.join(targets) or '-'}")
        for target in targets:
            if floor_of(target) > floor_of(module):
                faults.append(f"{module} includes {target}, which is on a higher floor "
                              f"({edges[(module, target)]})")

    for cycle in find_cycles(edges):
        examples = [edges[(a, b)] for a in cycle for b in cycle if (a, b) in edges]
        faults.append(f"modules include each other: {', '.join(cycle)} "
                      f"({'; '.join(examples)})")

    for cycle in find_cycles(unit_edges(root)):
        faults.append(f"files include each other: {', '.join(cycle)}")

    for fault in faults:
        print(f"layering fault: {fault}", file=sys.stderr)
    if faults:
        return 1
    if not quiet:
        print("Layers OK.")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))

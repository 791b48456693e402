#!/usr/bin/env python3
"""Checks the layering of the source tree from its #include lines.

Every source file belongs to a module: its top-level folder, except that the Qt parts
(`<module>/ui/` and `<module>/qt/`) are modules of their own on the window floor. The script
prints which module includes which, then fails when a module includes one on a higher floor
or when two modules include each other (directly or around a longer loop).

With --build, it also reads the module libraries of that build folder and fails when two
source files of one module call each other.

Usage: scripts/check-layers.py [source-root] [--build build-folder] [--quiet]
"""

import re
import subprocess
import sys
from pathlib import Path

# The floors, lowest first. A module may include modules on its own floor or below.
FLOORS = [
    ("platform", ["platform"]),
    ("domain", ["core", "codecs", "editing", "phone", "installer"]),
    ("operations", ["operations"]),
    ("composed domain", ["animation", "fonts", "output"]),
    ("programs", ["cli", "tools"]),
    ("windows", ["app", "*/ui", "*/qt"]),
]

# File loops that are a design, not a knot: the JPEG kernel table picks the vector kernels at
# load time, and the vector tables reuse the scalar entries they do not replace.
ALLOWED_FILE_LOOPS = [
    ["codecs/JpegColourAvx2", "codecs/JpegKernels", "codecs/JpegKernelsVector"],
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


def object_edges(build: Path):
    """Call edges between the object files of each module library in a build folder.

    Within a module the include lines do not show which file calls which (the files share one
    header), so this reads the symbols: a file that leaves a symbol undefined calls the file of
    the same library that defines it. Two files that call each other are one file in disguise.
    """
    edges = {}
    for archive in sorted(build.rglob("lib*.a")):
        rel = archive.relative_to(build)
        if not rel.parts or rel.parts[0] not in SOURCE_DIRS:
            continue
        if floor_of(module_of(rel)) == len(FLOORS) - 1:
            continue  # windows: moc's generated code calls back into every window by design
        listing = subprocess.run(["nm", "-A", "-C", str(archive)], capture_output=True,
                                 text=True, check=True).stdout
        defined, undefined = {}, {}
        for line in listing.splitlines():
            # "<archive>:<member>:<value> <type> <name>" or "<archive>:<member>:  U <name>"
            head, _, rest = line.partition(".o:")
            member = head.rsplit(":", 1)[-1].removesuffix(".cpp")
            fields = rest.split(None, 2) if not rest.startswith(" ") else ["", *rest.split(None, 1)]
            if len(fields) < 3:
                continue
            kind, name = fields[1], fields[2]
            if kind == "U":
                undefined.setdefault(member, set()).add(name)
            elif kind in "TDBR":
                defined.setdefault(member, set()).add(name)
        owner = {name: member for member, names in defined.items() for name in names}
        folder = rel.parent
        for member, names in undefined.items():
            for name in names:
                callee = owner.get(name)
                if callee and callee != member:
                    edges.setdefault((f"{folder}/{member}", f"{folder}/{callee}"), True)
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
    build = None
    if "--build" in argv:
        build = Path(argv[argv.index("--build") + 1])
        argv = [a for i, a in enumerate(argv) if i not in (argv.index("--build"), argv.index("--build") + 1)]
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

    if build:
        for cycle in find_cycles(object_edges(build)):
            if cycle in ALLOWED_FILE_LOOPS:
                continue
            faults.append(f"files call each other: {', '.join(cycle)}")

    for fault in faults:
        print(f"layering fault: {fault}", file=sys.stderr)
    if faults:
        return 1
    if not quiet:
        print("Layers OK.")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))

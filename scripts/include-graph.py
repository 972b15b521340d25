#!/usr/bin/env python3
"""The library's include graph by folder, from the #include lines of src/library.

Prints each folder's uses and fails (exit 1) on an include cycle between files, or on a use that
breaks the layering: folders may only use the folders below them. The top folder is two things:
the interface every backend implements (a floor below all others) and the libraries made of
others (above all others).

    python3 scripts/include-graph.py [SOURCE_ROOT]
"""
import pathlib
import re
import sys

root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).parent.parent)
src = root / "src"
library = src / "library"

INTERFACE = {"MediaLibrary", "Reading", "DistinctNames"}
# Each floor may use the floors after it in this list.
FLOORS = ["library (made of others)", "files", "mpd", "stores", "songs", "playlists", "disk",
          "demo", "library (interface)"]
ALLOWED = {
    "library (made of others)": set(FLOORS[1:]),
    "files": {"songs", "playlists", "disk", "library (interface)"},
    "mpd": {"songs", "playlists", "disk", "library (interface)"},
    "stores": {"songs", "playlists", "disk", "library (interface)"},
    "songs": {"disk", "library (interface)"},
    "playlists": set(),
    "disk": set(),
    "demo": set(),
    "library (interface)": set(),
}


def room(path):
    rel = path.relative_to(library)
    if len(rel.parts) > 1:
        return rel.parts[0]
    return "library (interface)" if path.stem in INTERFACE else "library (made of others)"


include = re.compile(r'^\s*#\s*include\s+"(library/[^"]+)"', re.M)
files = sorted(p for p in library.rglob("*") if p.suffix in (".h", ".cpp"))
uses = {}
for f in files:
    uses[f] = [src / m for m in include.findall(f.read_text(encoding="utf-8"))]

failed = False
graph = {}
for f, targets in uses.items():
    for t in targets:
        if not t.exists():
            print(f"{f.relative_to(root)}: includes {t.relative_to(src)}, which is not there")
            failed = True
            continue
        a, b = room(f), room(t)
        if a != b:
            graph.setdefault(a, set()).add(b)
            if b not in ALLOWED[a]:
                print(f"{f.relative_to(root)}: {a} must not use {b} ({t.relative_to(src)})")
                failed = True

# A cycle between files: a depth-first walk that meets a file still on its path.
state = {}


def walk(f, path):
    state[f] = "open"
    for t in uses.get(f, []):
        if state.get(t) == "open":
            cycle = path[path.index(t):] + [t]
            print("include cycle: " + " -> ".join(str(p.relative_to(src)) for p in cycle))
            return True
        if t not in state and walk(t, path + [t]):
            return True
    state[f] = "done"
    return False


for f in files:
    if f not in state and walk(f, [f]):
        failed = True

for a in FLOORS:
    print(f"{a:26} uses {', '.join(sorted(graph.get(a, []), key=FLOORS.index)) or 'nothing of ours'}")
sys.exit(1 if failed else 0)

#!/usr/bin/env python3
"""The referee's folders are layers: a file may include only headers of its own folder or of
folders listed before it in referee/CMakeLists.txt's foreach(part ...). Prints every include
that points up and fails on any."""
import pathlib
import re
import sys

root = pathlib.Path(sys.argv[1])
cmake = (root / "referee" / "CMakeLists.txt").read_text()
order = re.search(r"foreach\(part ([a-z ]+)\)", cmake).group(1).split()
bad = []
for path in sorted((root / "referee").rglob("*")):
    if path.suffix not in (".cpp", ".h"):
        continue
    part = path.relative_to(root / "referee").parts[0]
    if part not in order:
        bad.append(f"{path}: folder {part} is not in the list of layers")
        continue
    for line_no, line in enumerate(path.read_text().splitlines(), 1):
        m = re.match(r'#include "referee/([a-z_]+)/', line)
        if m and (m.group(1) not in order or order.index(m.group(1)) > order.index(part)):
            bad.append(f"{path}:{line_no}: {part} includes {m.group(1)}")
print("\n".join(bad) if bad else f"layers {' < '.join(order)}: no include points up")
sys.exit(1 if bad else 0)

#!/usr/bin/env python3
"""No function longer than 60 lines: every function defined at the left margin of a C++
file (free functions, member functions defined outside their class, and the bodies of
GoogleTest's TEST macros, which clang-tidy's size check does not see) counts from its first
line to its closing brace. Functions inside class bodies are clang-tidy's to check."""
import pathlib
import re
import sys

LIMIT = 60
root = pathlib.Path(sys.argv[1])
start = re.compile(r"^[A-Za-z_].*\)\s*(const\s*)?(override\s*)?(noexcept\s*)?\{\s*$")
long = []
for path in sorted(root.rglob("*")):
    parts = path.relative_to(root).parts
    if path.suffix not in (".cpp", ".h") or parts[0].startswith("build") or parts[0] == ".git":
        continue
    lines = path.read_text(errors="replace").split("\n")
    i = 0
    while i < len(lines):
        line = lines[i]
        if start.match(line) and not line.startswith(("namespace", "struct", "class", "enum")):
            j = i + 1
            while j < len(lines) and not lines[j].startswith("}"):
                j += 1
            if j - i + 1 > LIMIT:
                long.append(f"{path.relative_to(root)}:{i + 1}: {j - i + 1} lines: {line.strip()}")
            i = j
        i += 1
print("\n".join(long) if long else f"no function over {LIMIT} lines")
sys.exit(1 if long else 0)

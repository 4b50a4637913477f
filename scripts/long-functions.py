#!/usr/bin/env python3
"""Lists function bodies longer than a limit in C++ sources.

A function is a brace block opened by a line that looks like a definition (it
ends a parameter list and opens a block) at namespace or class level. Lambdas
and blocks inside a function count toward the function. A definition preceded
within 3 lines by a comment containing "one function:" is allowed to be long
(the comment says why)."""
import re, sys, pathlib

LIMIT = int(sys.argv[1]) if len(sys.argv) > 1 and sys.argv[1].isdigit() else 60
roots = [a for a in sys.argv[1:] if not a.isdigit()] or ["src"]

def strip(line, state):
    out = []; i = 0
    while i < len(line):
        if state["block"]:
            j = line.find("*/", i)
            if j < 0: return "".join(out)
            state["block"] = False; i = j + 2; continue
        c = line[i]
        if line.startswith("//", i): break
        if line.startswith("/*", i): state["block"] = True; i += 2; continue
        if c in "\"'":
            if c == '"' and i > 0 and line[i-1] == 'R':
                m = re.match(r'R"([^(]*)\(', line[i-1:])
                if m:
                    end = line.find(")" + m.group(1) + '"', i)
                    i = end + len(m.group(1)) + 2 if end >= 0 else len(line); continue
            j = i + 1
            while j < len(line) and line[j] != c:
                j += 2 if line[j] == "\\" else 1
            i = j + 1; out.append('""'); continue
        out.append(c); i += 1
    return "".join(out)

found = []
for root in roots:
    for path in sorted(pathlib.Path(root).rglob("*")):
        if path.suffix not in (".cpp", ".h"): continue
        lines = path.read_text(encoding="utf-8", errors="replace").splitlines()
        state = {"block": False}
        depth = 0; start = None; startDepth = 0; head = ""
        for n, raw in enumerate(lines, 1):
            code = strip(raw, state)
            if start is None:
                head = (head + " " + code.strip())[-400:]
            for ch in code:
                if ch == "{":
                    if start is None and re.search(r"\)\s*(const)?\s*(noexcept)?\s*(override)?\s*(->\s*[\w:<>]+\s*)?(:.*)?\{?\s*$", head.split("{")[0] + "{") and not re.search(r"\b(namespace|class|struct|enum|union|if|for|while|switch|catch|do)\b[^;]*$", head.split("(")[0]) and "=" not in head.split("(")[0]:
                        start = n; startDepth = depth
                    depth += 1
                elif ch == "}":
                    depth -= 1
                    if start is not None and depth == startDepth:
                        length = n - start + 1
                        if length > LIMIT:
                            before = "\n".join(lines[max(0, start - 4):start])
                            if "one function:" not in before:
                                found.append((length, f"{path}:{start}"))
                        start = None
            if start is None and code.strip().endswith((";", "}")):
                head = ""
for length, where in sorted(found, reverse=True):
    print(f"{length:4d} {where}")
sys.exit(1 if found else 0)

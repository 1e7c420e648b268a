#!/usr/bin/env python3
"""Counts non-blank, non-comment lines of C and C++: tests/ against the rest
of the tree (bench/ and build folders left out), and their ratio.
-v lists the test files, largest first."""
import os
import sys


def count(path):
    n, in_block = 0, False
    for line in open(path, encoding="utf-8", errors="replace"):
        s = line.strip()
        if in_block:
            if "*/" not in s:
                continue
            in_block, s = False, s.split("*/", 1)[1].strip()
        if s.startswith("/*"):
            if "*/" not in s:
                in_block = True
                continue
            s = s.split("*/", 1)[1].strip()
        if s and not s.startswith("//"):
            n += 1
    return n


root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
tests, code, per_file = 0, 0, {}
for folder, dirs, files in os.walk(root):
    rel_folder = os.path.relpath(folder, root)
    top = rel_folder.split(os.sep)[0]
    if rel_folder != "." and (top.startswith((".", "build")) or top == "bench"):
        dirs[:] = []
        continue
    for name in files:
        if name.endswith((".c", ".cc", ".cpp", ".h", ".hpp")):
            rel = os.path.normpath(os.path.join(rel_folder, name))
            n = count(os.path.join(folder, name))
            if top == "tests":
                tests += n
                per_file[rel] = n
            else:
                code += n
print(f"tests {tests}, code {code}, ratio {tests / code:.2f}")
if "-v" in sys.argv:
    for rel, n in sorted(per_file.items(), key=lambda kv: -kv[1]):
        print(f"{n:6} {rel}")

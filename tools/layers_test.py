#!/usr/bin/env python3
"""The source tree's layers: no file in src/ includes a header from a folder above its own.

The order, lowest first, is the one in which src/CMakeLists.txt adds the subsystem folders; a
folder may include its own headers and those of any folder before it.

Run: python3 tools/layers_test.py
"""
import os
import re
import sys
import tempfile
import unittest

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
INCLUDE = re.compile(r'^\s*#\s*include\s+"([A-Za-z0-9_]+)/[^"]+"')
ORDER = re.compile(r"foreach\(sub ([^)]*)\)")


def folder_order(src):
    """The subsystem folders, lowest first, as src/CMakeLists.txt adds them."""
    with open(os.path.join(src, "CMakeLists.txt")) as f:
        match = ORDER.search(f.read())
    if match is None:
        raise ValueError("src/CMakeLists.txt names no folder order")
    return match.group(1).split()


def upward_includes(src):
    """Every include of a higher folder's header, as 'file:line: includes folder/...'."""
    order = folder_order(src)
    rank = {name: i for i, name in enumerate(order)}
    found = []
    for folder in order:
        top = os.path.join(src, folder)
        for here, _, names in sorted(os.walk(top)):
            for name in sorted(names):
                if not name.endswith((".h", ".cpp")):
                    continue
                path = os.path.join(here, name)
                with open(path, encoding="utf-8", errors="replace") as f:
                    for number, line in enumerate(f, 1):
                        match = INCLUDE.match(line)
                        if match is None:
                            continue
                        target = match.group(1)
                        if target not in rank:
                            found.append("%s:%d: includes %s/, a folder outside the order" %
                                         (os.path.relpath(path, src), number, target))
                        elif rank[target] > rank[folder]:
                            found.append("%s:%d: %s includes the higher %s/" %
                                         (os.path.relpath(path, src), number, folder, target))
    return found


class Layers(unittest.TestCase):
    def test_no_include_runs_upward(self):
        found = upward_includes(os.path.join(ROOT, "src"))
        self.assertEqual(found, [], "\n" + "\n".join(found))

    def test_an_upward_include_is_found(self):
        with tempfile.TemporaryDirectory() as src:
            with open(os.path.join(src, "CMakeLists.txt"), "w") as f:
                f.write("foreach(sub low high)\n")
            for folder, text in {"low": '#include "low/A.h"\n#include "high/B.h"\n',
                                 "high": '#include "low/A.h"\n#include "other/C.h"\n'}.items():
                os.mkdir(os.path.join(src, folder))
                with open(os.path.join(src, folder, "X.cpp"), "w") as f:
                    f.write(text)
            self.assertEqual(upward_includes(src), [
                "low/X.cpp:2: low includes the higher high/",
                "high/X.cpp:2: includes other/, a folder outside the order",
            ])


if __name__ == "__main__":
    sys.exit(unittest.main())

"""The naming rule for data members (.clang-tidy at the root), checked with clang-tidy over every
file the Windows build compiles, the tests and benchmarks included.

    python3 tools/naming_test.py"""
import glob
import json
import os
import re
import subprocess
import sys
import tempfile
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.path.join(ROOT, "build", "tidy")
# The cross compiler's C++ headers, for clang-tidy to find them: whichever version is installed.
MINGW = (sorted(glob.glob("/usr/lib/gcc/x86_64-w64-mingw32/*-posix/include/c++"),
                key=lambda p: [int(x) for x in re.findall(r"\d+", p.split("/")[5])]) or [""])[-1]
WARNING = re.compile(r"^(/\S+?):(\d+):\d+: warning: (invalid case style for [^\[]+)\[readability-identifier-naming\]")


def tidy_args():
    return ["--target=x86_64-w64-mingw32", "-isystem" + MINGW, "-isystem" + MINGW + "/x86_64-w64-mingw32"]


def violations(paths, compile_dir):
    """(file, line, what) of every name against the rule in `paths`."""
    command = ["run-clang-tidy", "-p", compile_dir, "-quiet", "-j", str(os.cpu_count() or 2),
               "-header-filter=" + re.escape(ROOT) + "/(src|tests|bench)/.*"]
    command += ["-extra-arg=" + a for a in tidy_args()] + paths
    output = subprocess.run(command, capture_output=True, text=True, cwd=ROOT).stdout
    found = set()
    for line in re.sub(r"\x1b\[[0-9;]*m", "", output).splitlines():
        match = WARNING.match(line)
        if match:
            found.add((os.path.relpath(match.group(1), ROOT), int(match.group(2)), match.group(3).strip()))
    return sorted(found)


def found_in_tree():
    subprocess.run(["cmake", "--preset", "windows", "-B", BUILD, "-DCMAKE_EXPORT_COMPILE_COMMANDS=ON"],
                   cwd=ROOT, check=True, capture_output=True)
    return violations([re.escape(ROOT) + "/(src|tests|bench)/"], BUILD)


class Naming(unittest.TestCase):
    def test_every_data_member_follows_the_rule(self):
        found = found_in_tree()
        self.assertEqual(found, [], "\n".join("%s:%d: %s" % f for f in found))

    def test_a_member_with_a_suffix_is_found(self):
        with tempfile.TemporaryDirectory(dir=ROOT) as folder:
            source = os.path.join(folder, "Bad.cpp")
            with open(source, "w") as out:
                out.write("class Bad {\n    int good = 0;\n    int bad_ = 0;\n};\n")
            with open(os.path.join(folder, "compile_commands.json"), "w") as out:
                json.dump([{"directory": folder, "file": source, "arguments": ["clang++", "-c", source]}], out)
            found = violations([re.escape(source)], folder)
        self.assertEqual([f[2] for f in found], ["invalid case style for private member 'bad_'"])


if __name__ == "__main__":
    unittest.main(verbosity=2)

#!/usr/bin/env python3
"""The release archive: the package target builds kestrelbox-<version>-win64.zip, and it holds
the program, the renderer, the user's guide and the licence, and nothing else.

Run after the Windows build: python3 tools/package_test.py
"""
import os
import re
import subprocess
import unittest
import zipfile

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
BUILD = os.path.join(ROOT, "build", "windows")


def project_version():
    with open(os.path.join(ROOT, "CMakeLists.txt")) as f:
        match = re.search(r"project\(Kestrelbox VERSION ([0-9.]+)", f.read())
    return match.group(1)


class ReleaseArchive(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.archive = os.path.join(BUILD, "kestrelbox-%s-win64.zip" % project_version())
        if os.path.exists(cls.archive):
            os.remove(cls.archive)  # a stale archive must not pass for a new one
        subprocess.run(["cmake", "--build", "--preset", "windows", "--target", "package"], cwd=ROOT,
                       check=True, stdout=subprocess.DEVNULL)

    def members(self):
        with zipfile.ZipFile(self.archive) as z:
            return {os.path.basename(n): n for n in z.namelist() if not n.endswith("/")}

    def test_holds_the_program_the_renderer_the_guide_and_the_licence(self):
        self.assertTrue(os.path.exists(self.archive), self.archive)
        self.assertEqual(sorted(self.members()),
                         ["LICENSE.txt", "USER-GUIDE.txt", "kestrelbox-render.exe", "kestrelbox.exe"])

    def test_files_are_the_ones_in_the_tree(self):
        members = self.members()
        with zipfile.ZipFile(self.archive) as z:
            self.assertEqual(z.read(members["kestrelbox.exe"])[:2], b"MZ")
            self.assertEqual(z.read(members["kestrelbox-render.exe"])[:2], b"MZ")
            with open(os.path.join(ROOT, "LICENSE"), "rb") as f:
                self.assertEqual(z.read(members["LICENSE.txt"]), f.read())
            with open(os.path.join(ROOT, "docs", "USER-GUIDE.txt"), "rb") as f:
                self.assertEqual(z.read(members["USER-GUIDE.txt"]), f.read())


if __name__ == "__main__":
    unittest.main()

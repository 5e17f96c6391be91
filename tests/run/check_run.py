#!/usr/bin/env python3
"""tools/run.sh as a Linux user meets it: a setup named from another folder opens, and the
desktop entry it writes opens a setup the way a file manager's double click does. Runs on an X
display (xvfb-run) and finds the program's window by its title with xwininfo.

    xvfb-run -a check_run.py

The program runs in the tests' Wine prefix (KB_WINEPREFIX, else build/windows/wineprefix) with
the speaker chosen, so no sound server is needed; the desktop entry goes to a folder of its own."""
import os
import shlex
import signal
import subprocess
import sys
import tempfile
import time
import unittest

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
sys.path.insert(0, os.path.join(ROOT, "tests", "render"))
from check_render import settings_file  # noqa: E402

PREFIX = os.environ.get("KB_WINEPREFIX", os.path.join(ROOT, "build", "windows", "wineprefix"))
TITLE = " -  +  \u00f7  x :   "
PATIENCE = 300  # seconds: a safety net for a first build, never a measure of speed


def window_titled(title):
    tree = subprocess.run(["xwininfo", "-root", "-tree"], capture_output=True).stdout
    return ('"%s"' % title).encode("utf-8") in tree


class RunScript(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        # The speaker, chosen as the end-to-end tests choose it: no box about a missing sound server.
        subprocess.run([os.path.join(ROOT, "tools", "wine-run"), PREFIX, "reg", "add",
                        "HKCU\\Software\\Classes\\Pallidorn\\data\\8", "/v", "soundCard", "/d", "off", "/f"],
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.songs = os.path.join(self.dir.name, "my songs")
        os.mkdir(self.songs)
        self.env = dict(os.environ, KB_RUN_PREFIX=PREFIX, XDG_DATA_HOME=os.path.join(self.dir.name, "data"))
        self.running = []

    def tearDown(self):
        for process in self.running:
            if process.poll() is None:
                process.send_signal(signal.SIGTERM)
                process.wait(timeout=PATIENCE)
        self.dir.cleanup()

    def start(self, command, cwd):
        process = subprocess.Popen(command, cwd=cwd, env=self.env, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL)
        self.running.append(process)
        return process

    def wait_for_window(self, title, process):
        deadline = time.monotonic() + PATIENCE
        while time.monotonic() < deadline and process.poll() is None:
            if window_titled(title):
                return True
            time.sleep(0.2)  # polling another program's window: there is nothing to wait on
        return False

    def test_a_setup_named_from_another_folder_opens_and_so_does_a_double_click(self):
        settings_file(os.path.join(self.songs, "tune.^\u00b6^"), steps=5)
        script = self.start([os.path.join(ROOT, "tools", "run.sh"), os.path.join("my songs", "tune.^\u00b6^")],
                            cwd=self.dir.name)
        self.assertTrue(self.wait_for_window(TITLE + "tune.^\u00b6^", script), "tools/run.sh showed no such window")

        # What it told the desktop: a MIME type for the ending, and the program that opens it.
        data = self.env["XDG_DATA_HOME"]
        with open(os.path.join(data, "applications", "kestrelbox.desktop"), encoding="utf-8") as f:
            entry = dict(line.split("=", 1) for line in f.read().splitlines() if "=" in line)
        self.assertEqual(entry["MimeType"], "application/x-kestrelbox-setup;")
        with open(os.path.join(data, "mime", "packages", "kestrelbox.xml"), encoding="utf-8") as f:
            self.assertIn('<glob pattern="*.^\u00b6^"/>', f.read())
        globs = os.path.join(data, "mime", "globs2")
        if os.path.exists(globs):  # the MIME database was brought up to date
            with open(globs, encoding="utf-8") as f:
                self.assertIn("application/x-kestrelbox-setup:*.^\u00b6^", f.read())
        # A file manager runs the Exec line with %f replaced by the file's Linux path.
        setup = os.path.join(self.songs, "double click.^\u00b6^")
        settings_file(setup, steps=3)
        command = [setup if word == "%f" else word for word in shlex.split(entry["Exec"])]
        opened = self.start(command, cwd="/")
        self.assertTrue(self.wait_for_window(TITLE + "double click.^\u00b6^", opened), entry["Exec"])


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0], "-v"])

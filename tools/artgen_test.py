#!/usr/bin/env python3
"""Tests of artgen.py: the strict checks that stop a bad drawing, and the bytes it writes.

Run: python3 tools/artgen_test.py
"""
import os
import struct
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import artgen  # noqa: E402

REPO_ART = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "resources", "art")


class ArtDir:
    """A throw-away art folder built from a manifest and {file name: text}."""

    def __init__(self, manifest, files):
        self.tmp = tempfile.TemporaryDirectory()
        self.path = self.tmp.name
        self.write("art.list", manifest)
        for name, text in files.items():
            self.write(name, text)

    def write(self, name, text):
        with open(os.path.join(self.path, name), "w") as f:
            f.write(text)

    def generate(self):
        out = os.path.join(self.path, "out")
        artgen.generate(self.path, out)
        return out

    def read(self, name):
        with open(os.path.join(self.path, "out", name), "rb") as f:
            return f.read()


ARROW = "#..\n##.\n###\n"
CURSOR = "hotspot 1 2\n" + "\n".join(["#o.x" + "." * 28] + ["." * 32] * 31) + "\n"


def bitmap_rows(data):
    """Top-down rows of a one-bit .bmp as 0/1 lists, using its own colour table."""
    offset, = struct.unpack_from("<I", data, 10)
    width, height = struct.unpack_from("<ii", data, 18)
    stride = (width + 31) // 32 * 4
    rows = []
    for y in range(height):
        row = data[offset + (height - 1 - y) * stride:]
        rows.append([(row[x // 8] >> (7 - x % 8)) & 1 for x in range(width)])
    return rows


def framed_on(rows, rect, side, line, reach):
    """True when an unbroken line of `line` pixels runs along one side of the control rectangle,
    1 to `reach` pixels outside it, or the picture's own edge is there."""
    x, y, w, h = rect
    height, width = len(rows), len(rows[0])
    for d in range(1, reach + 1):
        if side in ("left", "right"):
            column = x - d if side == "left" else x + w - 1 + d
            if column < 0 or column >= width:
                return True
            if all(rows[yy][column] == line for yy in range(y, y + h)):
                return True
        else:
            row = y - d if side == "top" else y + h - 1 + d
            if row < 0 or row >= height:
                return True
            if all(rows[row][xx] == line for xx in range(x, x + w)):
                return True
    return False


class ArtTestCase(unittest.TestCase):
    def art_dir(self, manifest, files):
        art = ArtDir(manifest, files)
        self.addCleanup(art.tmp.cleanup)
        return art


class RejectsBadArt(ArtTestCase):
    def assertRejected(self, manifest, files, *fragments):
        art = self.art_dir(manifest, files)
        with self.assertRaises(artgen.ArtError) as caught:
            art.generate()
        for fragment in fragments:
            self.assertIn(fragment, str(caught.exception))

    def test_wrong_width_or_height_names_the_file_and_row(self):
        self.assertRejected("bitmap A 3x3\n", {"A.txt": "#..\n##\n###\n"}, "A.txt:2", "2 wide")
        self.assertRejected("bitmap A 3x3\n", {"A.txt": "#..\n##.\n"}, "A.txt", "2 rows")
        self.assertRejected("bitmap A 3x3\n", {"A.txt": ARROW + "...\n"}, "4 rows")

    def test_stray_characters_and_unlisted_files(self):
        self.assertRejected("bitmap A 3x3\n", {"A.txt": "#..\n#o.\n###\n"}, "'o'")
        self.assertRejected("bitmap A 3x3\n", {"A.txt": ARROW, "B.txt": ARROW}, "B.txt")
        self.assertRejected("bitmap A 3x3\nbitmap B 3x3\n", {"A.txt": ARROW}, "B.txt")

    def test_manifest_mistakes(self):
        self.assertRejected("bitmap A 3by3\n", {"A.txt": ARROW}, "WxH")
        self.assertRejected("bitmap A 3x3\nbitmap A 3x3\n", {"A.txt": ARROW}, "twice")
        self.assertRejected("cursor C 16x16\n", {}, "32x32")
        self.assertRejected("bitmap A 3x3 white\n", {"A.txt": ARROW}, "white")

    def test_cursor_needs_a_hotspot_inside(self):
        body = CURSOR.split("\n", 1)[1]
        self.assertRejected("cursor C 32x32\n", {"C.txt": body}, "hotspot")
        self.assertRejected("cursor C 32x32\n", {"C.txt": "hotspot 32 0\n" + body}, "outside")

    def test_icons_need_rising_ids_and_declared_colours(self):
        icon = "colour k 000000\n" + "k" * 16 + "\n" + ("." * 16 + "\n") * 15
        self.assertRejected("icon 129 16x16\nicon 128 16x16\n",
                            {"ICON128-16.txt": icon, "ICON129-16.txt": icon}, "rise")
        self.assertRejected("icon 1 16x16\n", {"ICON1-16.txt": icon.replace("k" * 16, "z" * 16)},
                            "'z'")


class WritesResources(ArtTestCase):
    def test_bitmap_is_black_first_with_ink_as_zero_bits(self):
        art = self.art_dir("bitmap A 3x3\n", {"A.txt": "; comment\n" + ARROW})
        art.generate()
        data = art.read("A.bmp")
        self.assertEqual(data[:2], b"BM")
        self.assertEqual(struct.unpack_from("<H", data, 28)[0], 1)  # bits per pixel
        self.assertEqual(data[54:62], b"\0\0\0\0\xff\xff\xff\0")  # black, then white
        self.assertEqual(bitmap_rows(data), [[0, 1, 1], [0, 0, 1], [0, 0, 0]])

    def test_cursor_planes_and_hotspot(self):
        art = self.art_dir("cursor C 32x32\n", {"C.txt": CURSOR})
        art.generate()
        data = art.read("C.cur")
        self.assertEqual(struct.unpack_from("<HHH", data, 0), (0, 2, 1))
        self.assertEqual(struct.unpack_from("<HH", data, 10), (1, 2))
        image = data[22:]
        self.assertEqual(struct.unpack_from("<ii", image, 4), (32, 64))
        xor = image[40 + 8:40 + 8 + 128]
        mask = image[40 + 8 + 128:]
        top = 31 * 4  # rows are stored bottom-up
        # black, white, transparent, inverted: XOR 0101, AND 0011
        self.assertEqual(xor[top] >> 4, 0b0101)
        self.assertEqual(mask[top] >> 4, 0b0011)

    def test_icon_group_directory_and_rc_lines(self):
        icon32 = ("colour a ff0000\ncolour k 000000\ncolour w ffffff\n"
                  + ("kw" * 16 + "\n") * 31 + "." * 32 + "\n")
        icon16 = "colour k 000000\n" + ("k" * 16 + "\n") * 16
        art = self.art_dir("icon 128 32x32,16x16\n", {"ICON128-32.txt": icon32,
                                                 "ICON128-16.txt": icon16})
        out = art.generate()
        data = art.read("ICON128.ico")
        self.assertEqual(struct.unpack_from("<HHH", data, 0), (0, 1, 2))
        width, height, colours, _, planes, bpp = struct.unpack_from("<BBBBHH", data, 6)
        self.assertEqual((width, height, colours, planes, bpp), (32, 32, 16, 1, 4))
        self.assertEqual(data[22], 16)
        # The bottom row of the 32 x 32 image is transparent: mask bits set, colour index 0,
        # and index 0 must be black so the screen shows through untinted.
        image, = struct.unpack_from("<I", data, 18)
        palette = data[image + 40:image + 40 + 64]
        self.assertEqual(palette[:4], b"\0\0\0\0")
        pixels = data[image + 40 + 64:]
        self.assertEqual(pixels[:16], bytes(16))  # bottom row first
        mask = pixels[32 * 16:]
        self.assertEqual(mask[:4], b"\xff" * 4)
        self.assertEqual(pixels[16] >> 4, 1 + sorted("akw").index("k"))
        rc = art.read("art.rc").decode("ascii")
        self.assertIn('128 ICON "%s/ICON128.ico"' % os.path.abspath(out), rc)

    def test_frames_surround_the_controls_drawn_over_them(self):
        # Control rectangles (x, y, width, height) of the panel's layout, the character their
        # frames are drawn in, and how far outside a control its frame may lie.
        layout = {
            "GLOBALBMP": (".", 5, [(13, 4, 16, 15), (31, 4, 16, 15), (49, 4, 16, 15),
                                   (27, 32, 24, 24), (31, 64, 17, 17), (16, 94, 53, 13),
                                   (0, 1, 6, 80)]),
            "NOTEBMP": (".", 3, [(12, 2, 23, 16), (12, 30, 17, 17), (1, 63, 28, 18),
                                 (2, 97, 27, 7)]),
            "LOOPBKGBMP": ("#", 2, [(1, 1, 28, 18), (96, 1, 28, 18)]),
        }
        art = {e.name: e for e in artgen.load_all(REPO_ART)}
        for name, (line, reach, rects) in layout.items():
            rows = art[name].rows
            for rect in rects:
                for side in ("left", "top", "right", "bottom"):
                    with self.subTest(picture=name, control=rect, side=side):
                        self.assertTrue(framed_on(rows, rect, side, line, reach))

    def test_the_programs_own_art_is_complete_and_well_formed(self):
        names = {e.name for e in artgen.load_all(REPO_ART)}
        for required in ("GLOBALBMP", "NOTEBMP", "LOOPBKGBMP", "LOOPSCTRL8DN", "HANDCUR",
                         "NOCUR", "SIZECUR", "128", "129"):
            self.assertIn(required, names)
        self.assertNotIn("GENCUR", names)


if __name__ == "__main__":
    unittest.main()

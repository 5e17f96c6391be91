#!/usr/bin/env python3
"""Renders every picture, cursor and icon of resources/art enlarged into one PNG sheet.

Usage: artsheet.py ARTDIR OUT.png [SKIN]

Pictures are drawn in the colours the panel gives them, derived from a sample skin (a grey level
0..255, 100 by default) the way the program derives its palette, then tinted blue. The sheet ends
with the whole panel assembled at its real control positions, so misaligned artwork shows.
Cursors are shown over a checkerboard; their hot spot is marked in red.
"""
import os
import struct
import sys
import zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import artgen  # noqa: E402

SCALE = 4
PANEL_SCALE = 3
LABEL_SCALE = 2

# ---- palette as the program derives it --------------------------------------------------------


def shade(level, direction, may_reverse=True):
    value = level + 80 * direction
    clamped = max(0, min(255, value))
    too_bright = value > 305 or clamped >= 255
    if may_reverse and (value > 255 or value < 0 or too_bright):
        return shade(shade(level, -direction, False), -direction, False)
    return clamped


def derive(level):
    base = level
    light = shade(base, 1)
    contrast = (base + 128) % 256
    grey = {"base": base, "baseDark": shade(base, -1), "baseLight": light,
            "baseLighter": shade(light, 1), "contrast": contrast,
            "contrastDark": shade(contrast, -1), "contrastLight": shade(contrast, 1)}
    return {name: tint(g) for name, g in grey.items()}


def tint(g):
    """A grey level as a mid-blue of about the same brightness."""
    return (int(g * 0.62 + 10), int(g * 0.78 + 14), min(255, int(g * 0.95 + 40)))


# Ink and paper of each picture (up picture, down picture) as the panel hands them out.
ROLES = {
    "GLOBALBMP": ("base", "baseLighter"), "LOOPBKGBMP": ("base", "baseLighter"),
    "NOTEBMP": ("base", "contrast"),
    "PLAY2UP": ("contrastDark", "contrastLight"), "PLAY2DN": ("baseDark", "baseLight"),
    "ONOFFUP": ("contrastDark", "contrast"), "ONOFFDN": ("contrastDark", "contrastLight"),
    "UPARROWUP": ("contrastDark", "contrastLight"), "UPARROWDN": ("contrastDark", "contrastLight"),
    "DNARROWUP": ("contrastDark", "contrastLight"), "DNARROWDN": ("contrastDark", "contrastLight"),
    "FILEUP": ("baseLight", "baseDark"), "FILEDN": ("baseLight", "baseDark"),
    "EDITUP": ("contrast", "contrastDark"), "EDITDN": ("contrast", "contrastDark"),
    "MIDIUP": ("baseDark", "baseLight"), "MIDIDN": ("baseDark", "baseLight"),
}


def roles_for(name):
    if name.startswith("LOOPSCTRL"):
        return ("base", "baseLighter") if name.endswith("UP") else ("base", "contrast")
    return ROLES.get(name, ("base", "baseLighter"))


# ---- a tiny canvas and label font --------------------------------------------------------------

FONT = dict(zip(
    "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-_ ",
    """.#. #.# ### #.# #.#|##. #.# ##. #.# ##.|.## #.. #.. #.. .##|##. #.# #.# #.# ##.|
### #.. ##. #.. ###|### #.. ##. #.. #..|.## #.. #.# #.# .##|#.# #.# ### #.# #.#|
### .#. .#. .#. ###|..# ..# ..# #.# .#.|#.# #.# ##. #.# #.#|#.. #.. #.. #.. ###|
#.# ### ### #.# #.#|##. #.# #.# #.# #.#|.#. #.# #.# #.# .#.|##. #.# ##. #.. #..|
.#. #.# #.# ##. .##|##. #.# ##. #.# #.#|.## #.. .#. ..# ##.|### .#. .#. .#. .#.|
#.# #.# #.# #.# ###|#.# #.# #.# #.# .#.|#.# #.# ### ### #.#|#.# #.# .#. #.# #.#|
#.# #.# .#. .#. .#.|### ..# .#. #.. ###|.#. #.# #.# #.# .#.|.#. ##. .#. .#. ###|
##. ..# .#. #.. ###|##. ..# .#. ..# ##.|#.# #.# ### ..# ..#|### #.. ##. ..# ##.|
.## #.. ### #.# ###|### ..# .#. .#. .#.|### #.# ### #.# ###|### #.# ### ..# ##.|
... ... ### ... ...|... ... ... ... ###|... ... ... ... ...""".replace("\n", "").split("|")))


class Canvas:
    def __init__(self, width, height, colour):
        self.width, self.height = width, height
        self.pixels = [[colour] * width for _ in range(height)]

    def put(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = colour

    def block(self, x, y, w, h, colour):
        for yy in range(y, y + h):
            for xx in range(x, x + w):
                self.put(xx, yy, colour)

    def label(self, x, y, text, colour):
        for ch in text.upper():
            rows = FONT.get(ch, FONT[" "]).split()
            for j, row in enumerate(rows):
                for i, c in enumerate(row):
                    if c == "#":
                        self.block(x + i * LABEL_SCALE, y + j * LABEL_SCALE,
                                   LABEL_SCALE, LABEL_SCALE, colour)
            x += 4 * LABEL_SCALE

    def png(self):
        raw = b"".join(b"\0" + bytes(v for px in row for v in px) for row in self.pixels)

        def chunk(kind, data):
            return (struct.pack(">I", len(data)) + kind + data
                    + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))
        header = struct.pack(">IIBBBBB", self.width, self.height, 8, 2, 0, 0, 0)
        return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
                + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


# ---- what each kind of art looks like ----------------------------------------------------------


def bitmap_pixels(rows, ink, paper):
    return [[ink if c == "#" else paper for c in row] for row in rows]


def cursor_pixels(entry):
    out = []
    for y, row in enumerate(entry.rows):
        line = []
        for x, c in enumerate(row):
            checker = (200, 200, 200) if (x // 4 + y // 4) % 2 else (120, 160, 120)
            line.append({"#": (0, 0, 0), "o": (255, 255, 255), ".": checker,
                         "x": tuple(255 - v for v in checker)}[c])
        out.append(line)
    hx, hy = entry.hotspot
    out[hy][hx] = (230, 30, 30)
    return out


def icon_pixels(entry, image):
    _w, _h, rows = image
    return [[entry.colours[c] or ((200, 200, 200) if (x + y) % 2 else (150, 150, 150))
             for x, c in enumerate(row)] for y, row in enumerate(rows)]


def tiles(entries, palette):
    for entry in entries:
        if entry.kind == "bitmap":
            ink, paper = roles_for(entry.name)
            yield entry.name, bitmap_pixels(entry.rows, palette[ink], palette[paper])
        elif entry.kind == "cursor":
            yield entry.name, cursor_pixels(entry)
        else:
            for image in entry.images:
                yield "ICON%s %dX%d" % (entry.name, image[0], image[1]), icon_pixels(entry, image)


def blit(canvas, x, y, pixels, scale):
    for j, row in enumerate(pixels):
        for i, colour in enumerate(row):
            canvas.block(x + i * scale, y + j * scale, scale, scale, colour)


# ---- the assembled panel -----------------------------------------------------------------------


def panel_pixels(entries, palette):
    """The main window's client area with every picture at its control position."""
    art = {e.name: e.rows for e in entries if e.kind == "bitmap"}
    canvas = Canvas(707, 111, palette["base"])

    def draw(name, x, y, ink, paper):
        blit(canvas, x, y, bitmap_pixels(art[name], palette[ink], palette[paper]), 1)

    def box(x, y, w, h, colour):
        canvas.block(x, y, w, h, palette[colour])

    draw("GLOBALBMP", 0, 0, "base", "baseLighter")
    draw("PLAY2UP", 27, 32, "contrastDark", "contrastLight")
    draw("ONOFFDN", 31, 64, "baseDark", "baseLight")
    for i, word in enumerate(("FILE", "EDIT", "MIDI")):
        ink, paper = [("baseLight", "baseDark"), ("contrast", "contrastDark"),
                      ("baseDark", "baseLight")][i]
        draw(word + ("DN" if i == 1 else "UP"), 13 + 18 * i, 4, ink, paper)
    draw("UPARROWUP", 9, 91, "baseLight", "baseDark")
    draw("DNARROWUP", 9, 100, "baseLight", "baseDark")
    box(16, 94, 53, 13, "baseLight")
    box(0, 1, 6, 80, "baseDark")
    box(0, 44, 6, 37, "baseLight")
    box(0, 43, 6, 2, "contrast")
    draw("UPARROWUP", 0, 90, "baseLight", "baseDark")
    draw("DNARROWDN", 0, 99, "baseLight", "baseDark")
    for n in range(1, 9):
        up = n == 3
        ink, paper = ("base", "baseLighter") if up else ("base", "contrast")
        if n == 5:
            ink, paper = "contrastDark", "contrastLight"
        draw("LOOPSCTRL%d%s" % (n, "UP" if up else "DN"), 70, 98 - 14 * (n - 1), ink, paper)
    for k in range(1, 17):
        x = 94 + 38 * (k - 1)
        draw("NOTEBMP", x, 2, "base", "contrast")
        lit = k == 6
        box(x + 12, 4, 23, 16, "baseLighter" if lit else "base")
        on = k % 3 != 0
        draw("ONOFFDN" if on else "ONOFFUP", x + 12, 32, "contrastDark",
             "contrastLight" if on else "contrast")
        draw("UPARROWUP", x + 1, 65, "contrastDark", "contrastLight")
        draw("DNARROWDN" if k == 2 else "DNARROWUP", x + 1, 74, "contrastDark", "contrastLight")
        box(x + 8, 67, 21, 15, "base")
        length = (k * 37) % 128
        box(x + 2, 99, 27, 7, "contrast")
        box(x + 2, 99, 27 * length // 127, 7, "contrastDark")
        box(x + 2 + 27 * length // 127 - 1, 99, 2, 7, "baseLight")
    return canvas.pixels


def popup_pixels(entries, palette):
    art = {e.name: e.rows for e in entries if e.kind == "bitmap"}
    canvas = Canvas(127, 22, palette["contrastDark"])
    blit(canvas, 0, 0, bitmap_pixels(art["LOOPBKGBMP"], palette["base"],
                                     palette["baseLighter"]), 1)
    for name, x, y in (("UPARROWUP", 22, 1), ("DNARROWUP", 22, 10),
                       ("UPARROWUP", 96, 1), ("DNARROWUP", 96, 10)):
        blit(canvas, x, y, bitmap_pixels(art[name], palette["baseLight"], palette["baseDark"]), 1)
    for x in (1, 103):
        canvas.block(x, 4, 21, 15, palette["baseLight"])
    return canvas.pixels


# ---- layout ------------------------------------------------------------------------------------


def render(entries, palette):
    items = list(tiles(entries, palette))
    items.append(("MEASURE POPUP", popup_pixels(entries, palette)))
    width, margin = 1400, 12
    placed, x, y, row_height = [], margin, margin, 0
    for name, pixels in items:
        w = max(len(pixels[0]) * SCALE, len(name) * 4 * LABEL_SCALE)
        h = len(pixels) * SCALE + 8 * LABEL_SCALE
        if x + w > width - margin:
            x, y, row_height = margin, y + row_height + margin, 0
        placed.append((x, y, name, pixels))
        x += w + margin
        row_height = max(row_height, h)
    panel = panel_pixels(entries, palette)
    panel_y = y + row_height + margin + 8 * LABEL_SCALE
    canvas = Canvas(max(width, 707 * PANEL_SCALE + 2 * margin),
                    panel_y + 111 * PANEL_SCALE + margin, (48, 48, 56))
    for x, y, name, pixels in placed:
        canvas.label(x, y, name, (230, 230, 230))
        blit(canvas, x, y + 8 * LABEL_SCALE, pixels, SCALE)
    canvas.label(margin, panel_y - 8 * LABEL_SCALE, "PANEL", (230, 230, 230))
    blit(canvas, margin, panel_y, panel, PANEL_SCALE)
    return canvas


def main(argv):
    if len(argv) not in (3, 4):
        sys.stderr.write("usage: artsheet.py ARTDIR OUT.png [SKIN]\n")
        return 2
    try:
        entries = artgen.load_all(argv[1])
    except artgen.ArtError as error:
        sys.stderr.write("artsheet: error: %s\n" % error)
        return 1
    palette = derive(int(argv[3]) if len(argv) == 4 else 100)
    with open(argv[2], "wb") as f:
        f.write(render(entries, palette).png())
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

#!/usr/bin/env python3
"""Converts the program's text art into Windows resource files.

Usage: artgen.py ARTDIR OUTDIR

ARTDIR holds one manifest, art.list, and one text file per image. OUTDIR receives a .bmp, .cur
or .ico file per resource and art.rc, which the resource script includes.

Manifest (art.list), one resource per line, '#' starts a comment:
    bitmap NAME WxH                 two-tone picture, art in NAME.txt
    cursor NAME 32x32               cursor, art in NAME.txt
    icon   ID   32x32,16x16         icon group, one art file per size: ICON<ID>-<W>.txt
Icon groups are emitted in manifest order and must carry rising numeric ids, since the shell
counts icon groups in id order ("exe,1" is the second one).

Art files: lines starting with ';' are comments. Header lines come first:
    hotspot X Y          cursors only, required; X, Y within the image
    colour C RRGGBB      icons only: pixel character C stands for that colour (at most 255)
Then exactly H rows of exactly W characters each, one character per pixel:
    bitmap   '#' ink (black), '.' paper (white)
    cursor   '#' black, 'o' white, '.' transparent, 'x' inverted screen
    icon     '.' transparent, any other character as declared by a colour line
Bitmaps always store black as colour index 0 and white as 1: a one-bit bitmap with white first
loads as a colour bitmap on some systems and then draws black and white instead of in the skin's
ink and paper. Any deviation from these rules stops the build with the file and line at fault.
"""
import os
import struct
import sys

MANIFEST = "art.list"
BITMAP_PIXELS = "#."
CURSOR_PIXELS = "#o.x"


class ArtError(Exception):
    pass


class Art:
    """One parsed resource: its kind, name, size and pixel rows (per image for icons)."""

    def __init__(self, kind, name, sizes):
        self.kind = kind
        self.name = name
        self.sizes = sizes
        self.images = []  # list of (width, height, rows)
        self.hotspot = (0, 0)
        self.colours = {}

    @property
    def width(self):
        return self.images[0][0]

    @property
    def height(self):
        return self.images[0][1]

    @property
    def rows(self):
        return self.images[0][2]


def parse_size(text, where):
    try:
        w, h = text.lower().split("x")
        w, h = int(w), int(h)
    except ValueError:
        raise ArtError("%s: size '%s' is not WxH" % (where, text))
    if w <= 0 or h <= 0 or w > 256 or h > 256:
        raise ArtError("%s: size %s is out of range" % (where, text))
    return w, h


def read_manifest(art_dir):
    path = os.path.join(art_dir, MANIFEST)
    if not os.path.isfile(path):
        raise ArtError("%s: manifest missing" % path)
    entries = []
    seen = set()
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            words = line.split("#", 1)[0].split()
            if not words:
                continue
            where = "%s:%d" % (MANIFEST, number)
            entries.append(parse_manifest_line(words, where))
            key = (entries[-1].kind, entries[-1].name)
            if key in seen:
                raise ArtError("%s: %s %s is listed twice" % (where, key[0], key[1]))
            seen.add(key)
    check_icon_order(entries)
    return entries


def parse_manifest_line(words, where):
    if len(words) < 3:
        raise ArtError("%s: expected 'KIND NAME SIZE'" % where)
    kind, name, size_text, options = words[0], words[1], words[2], words[3:]
    if kind not in ("bitmap", "cursor", "icon"):
        raise ArtError("%s: unknown kind '%s'" % (where, kind))
    sizes = [parse_size(s, where) for s in size_text.split(",")]
    if options:
        raise ArtError("%s: unexpected '%s' after the size" % (where, " ".join(options)))
    if kind == "icon" and not name.isdigit():
        raise ArtError("%s: icon id '%s' must be a number" % (where, name))
    if kind != "icon" and (len(sizes) != 1 or not name.isidentifier()):
        raise ArtError("%s: %s needs one size and a plain resource name" % (where, kind))
    if kind == "cursor" and sizes[0] != (32, 32):
        raise ArtError("%s: cursors are 32x32" % where)
    return Art(kind, name, sizes)


def check_icon_order(entries):
    ids = [int(e.name) for e in entries if e.kind == "icon"]
    if ids != sorted(set(ids)):
        raise ArtError("%s: icon ids must rise in manifest order, got %s" % (MANIFEST, ids))


def art_files(entry):
    if entry.kind == "icon":
        return ["ICON%s-%d.txt" % (entry.name, w) for (w, _h) in entry.sizes]
    return ["%s.txt" % entry.name]


def read_art_file(path, width, height, pixels, headers):
    """Returns (header lines as word lists, pixel rows); pixels=None accepts any character."""
    name = os.path.basename(path)
    if not os.path.isfile(path):
        raise ArtError("%s: art file missing" % path)
    header, rows = [], []
    with open(path, encoding="utf-8") as f:
        lines = f.read().splitlines()
    for number, line in enumerate(lines, 1):
        where = "%s:%d" % (name, number)
        stripped = line.rstrip()
        if not rows and (not stripped or stripped.startswith(";")):
            continue
        words = stripped.split()
        if not rows and words and words[0] in headers:
            header.append((where, words))
            continue
        if not stripped and all(not l.strip() for l in lines[number - 1:]):
            break
        check_row(stripped, width, pixels, where, len(rows))
        rows.append(stripped)
    if len(rows) != height:
        raise ArtError("%s: %d rows, expected %d (image is %dx%d)"
                       % (name, len(rows), height, width, height))
    return header, rows


def check_row(row, width, pixels, where, index):
    if len(row) != width:
        raise ArtError("%s: pixel row %d is %d wide, expected %d"
                       % (where, index + 1, len(row), width))
    if pixels is not None:
        for column, c in enumerate(row):
            if c not in pixels:
                raise ArtError("%s: '%s' at column %d is not one of '%s'"
                               % (where, c, column + 1, pixels))


def load_entry(art_dir, entry):
    if entry.kind == "bitmap":
        (w, h), = entry.sizes
        _, rows = read_art_file(os.path.join(art_dir, art_files(entry)[0]), w, h,
                                BITMAP_PIXELS, ())
        entry.images.append((w, h, rows))
    elif entry.kind == "cursor":
        load_cursor(art_dir, entry)
    else:
        for (w, h), file_name in zip(entry.sizes, art_files(entry)):
            load_icon_image(os.path.join(art_dir, file_name), entry, w, h)
    return entry


def load_cursor(art_dir, entry):
    (w, h), = entry.sizes
    path = os.path.join(art_dir, art_files(entry)[0])
    header, rows = read_art_file(path, w, h, CURSOR_PIXELS, ("hotspot",))
    if len(header) != 1 or len(header[0][1]) != 3:
        raise ArtError("%s: needs exactly one 'hotspot X Y' line" % os.path.basename(path))
    where, words = header[0]
    try:
        x, y = int(words[1]), int(words[2])
    except ValueError:
        raise ArtError("%s: hotspot needs two numbers" % where)
    if not (0 <= x < w and 0 <= y < h):
        raise ArtError("%s: hotspot (%d, %d) lies outside the %dx%d cursor" % (where, x, y, w, h))
    entry.hotspot = (x, y)
    entry.images.append((w, h, rows))


def load_icon_image(path, entry, w, h):
    header, rows = read_art_file(path, w, h, None, ("colour",))
    colours = {".": None}
    for where, words in header:
        colours.update(parse_colour(words, where, colours))
    for number, row in enumerate(rows, 1):
        for column, c in enumerate(row):
            if c not in colours:
                raise ArtError("%s: row %d column %d uses '%s', which has no colour line"
                               % (os.path.basename(path), number, column + 1, c))
    entry.colours.update(colours)
    entry.images.append((w, h, rows))


def parse_colour(words, where, known):
    if len(words) != 3 or len(words[1]) != 1 or words[1] == "." or len(words[2]) != 6:
        raise ArtError("%s: expected 'colour C RRGGBB' with C not '.'" % where)
    if words[1] in known:
        raise ArtError("%s: colour '%s' is declared twice" % (where, words[1]))
    try:
        value = int(words[2], 16)
    except ValueError:
        raise ArtError("%s: '%s' is not a hex colour" % (where, words[2]))
    return {words[1]: ((value >> 16) & 255, (value >> 8) & 255, value & 255)}


def load_all(art_dir):
    entries = read_manifest(art_dir)
    expected = {f for e in entries for f in art_files(e)}
    for file_name in sorted(os.listdir(art_dir)):
        if file_name.endswith(".txt") and file_name not in expected:
            raise ArtError("%s: not listed in %s" % (file_name, MANIFEST))
    return [load_entry(art_dir, e) for e in entries]


# ---- binary writers -------------------------------------------------------------------------

def pack_bits(bits, width):
    """One row of 0/1 values as bytes, most significant bit first, padded to 32 bits."""
    out = bytearray((width + 31) // 32 * 4)
    for x, bit in enumerate(bits):
        if bit:
            out[x // 8] |= 0x80 >> (x % 8)
    return bytes(out)


def pack_nibbles_or_bytes(indices, width, bpp):
    if bpp == 8:
        row = bytes(indices)
    else:
        row = bytearray((width + 1) // 2)
        for x, i in enumerate(indices):
            row[x // 2] |= i << (4 if x % 2 == 0 else 0)
        row = bytes(row)
    return row + bytes(-len(row) % 4)


def info_header(width, height, bpp, image_bytes, colours):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, bpp, 0, image_bytes, 0, 0,
                       colours, 0)


def rgbquad(rgb):
    r, g, b = rgb
    return struct.pack("<BBBB", b, g, r, 0)


def bitmap_bytes(entry):
    data = b"".join(pack_bits([0 if c == "#" else 1 for c in row], entry.width)
                    for row in reversed(entry.rows))
    header = info_header(entry.width, entry.height, 1, len(data), 2)
    palette = rgbquad((0, 0, 0)) + rgbquad((255, 255, 255))
    offset = 14 + len(header) + len(palette)
    file_header = struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset)
    return file_header + header + palette + data


def cursor_masks(rows):
    """The XOR (colour) and AND (mask) planes of a cursor, top row first."""
    xor = [[1 if c in "ox" else 0 for c in row] for row in rows]
    and_ = [[1 if c in ".x" else 0 for c in row] for row in rows]
    return xor, and_


def cursor_bytes(entry):
    xor, and_ = cursor_masks(entry.rows)
    w, h = entry.width, entry.height
    xor_data = b"".join(pack_bits(r, w) for r in reversed(xor))
    and_data = b"".join(pack_bits(r, w) for r in reversed(and_))
    image = (info_header(w, h * 2, 1, len(xor_data) + len(and_data), 2)
             + rgbquad((0, 0, 0)) + rgbquad((255, 255, 255)) + xor_data + and_data)
    x, y = entry.hotspot
    directory = struct.pack("<HHH", 0, 2, 1)
    record = struct.pack("<BBBBHHII", w, h, 2, 0, x, y, len(image), 6 + 16)
    return directory + record + image


def icon_image(entry, width, height, rows):
    # Transparent pixels must be black in the colour plane: the screen is ANDed with the mask and
    # then XORed with the colour, so any other colour would tint what shows through.
    names = sorted(c for c in entry.colours if c != ".")
    bpp = 4 if len(names) < 16 else 8
    palette_list = [(0, 0, 0)] + [entry.colours[c] for c in names]
    palette_list += [(0, 0, 0)] * ((1 << bpp) - len(palette_list))
    index = {c: i + 1 for i, c in enumerate(names)}
    index["."] = 0
    xor_data = b"".join(pack_nibbles_or_bytes([index[c] for c in row], width, bpp)
                        for row in reversed(rows))
    and_data = b"".join(pack_bits([1 if c == "." else 0 for c in row], width)
                        for row in reversed(rows))
    header = info_header(width, height * 2, bpp, len(xor_data) + len(and_data), 1 << bpp)
    palette = b"".join(rgbquad(c) for c in palette_list)
    return bpp, header + palette + xor_data + and_data


def icon_bytes(entry):
    images = [icon_image(entry, w, h, rows) for (w, h, rows) in entry.images]
    offset = 6 + 16 * len(images)
    directory = struct.pack("<HHH", 0, 1, len(images))
    records, blobs = b"", b""
    for (w, h, _rows), (bpp, blob) in zip(entry.images, images):
        colour_count = 16 if bpp == 4 else 0
        records += struct.pack("<BBBBHHII", w % 256, h % 256, colour_count, 0, 1, bpp,
                               len(blob), offset)
        offset += len(blob)
        blobs += blob
    return directory + records + blobs


# ---- output ---------------------------------------------------------------------------------

RC_TYPES = {"bitmap": ("BITMAP", ".bmp", bitmap_bytes),
            "cursor": ("CURSOR", ".cur", cursor_bytes),
            "icon": ("ICON", ".ico", icon_bytes)}


def output_name(entry):
    prefix = "ICON" if entry.kind == "icon" else ""
    return prefix + entry.name + RC_TYPES[entry.kind][1]


def write_file(path, data):
    with open(path, "wb") as f:
        f.write(data)


def rc_text(entries, out_dir):
    lines = ["// Generated by artgen.py from resources/art; edit the text art, not this file.", ""]
    for entry in entries:
        rc_type = RC_TYPES[entry.kind][0]
        path = os.path.abspath(os.path.join(out_dir, output_name(entry))).replace("\\", "/")
        lines.append('%s %s "%s"' % (entry.name, rc_type, path))
    return "\r\n".join(lines) + "\r\n"


def generate(art_dir, out_dir):
    entries = load_all(art_dir)
    os.makedirs(out_dir, exist_ok=True)
    for entry in entries:
        write_file(os.path.join(out_dir, output_name(entry)),
                         RC_TYPES[entry.kind][2](entry))
    write_file(os.path.join(out_dir, "art.rc"), rc_text(entries, out_dir).encode("ascii"))
    return entries


def main(argv):
    if len(argv) != 3:
        sys.stderr.write("usage: artgen.py ARTDIR OUTDIR\n")
        return 2
    try:
        generate(argv[1], argv[2])
    except ArtError as error:
        sys.stderr.write("artgen: error: %s\n" % error)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

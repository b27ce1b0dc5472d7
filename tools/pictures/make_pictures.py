#!/usr/bin/env python3
"""Draws the pictures of CORVINET Dialer and writes them as resource files.

Outputs (paths relative to the repository root):
  res/icons/disconnected.ico  icon 150: 32x32 + 16x16, 32-bit BGRA with AND mask
  res/icons/connected.ico     icon 151: 32x32 + 16x16, 32-bit BGRA with AND mask
  res/icons/app.ico           icon 153: 16x16, 32-bit BGRA with AND mask
  res/bitmaps/mail.bmp        bitmap 141: 14x11, 4 bits per pixel (VGA palette)
  res/bitmaps/timer.bmp       bitmap 144: 16x16, 4 bits per pixel (VGA palette)
  res/bitmaps/usage.bmp       bitmap 164: 13x16, 24 bits per pixel
  res/bitmaps/about.bmp       bitmap 162: 48x48, 24 bits per pixel

Standard library only and fully deterministic: running it twice gives the
same bytes. Run from anywhere: python3 tools/pictures/make_pictures.py
"""

import math
import os
import struct
import sys

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))

# Button face grey: the button bitmaps use it as background so they blend in.
FACE = (192, 192, 192)

# The standard 16-colour VGA palette, in palette-index order.
VGA16 = [
    (0, 0, 0),        # 0 black
    (128, 0, 0),      # 1 maroon
    (0, 128, 0),      # 2 green
    (128, 128, 0),    # 3 olive
    (0, 0, 128),      # 4 navy
    (128, 0, 128),    # 5 purple
    (0, 128, 128),    # 6 teal
    (192, 192, 192),  # 7 silver
    (128, 128, 128),  # 8 grey
    (255, 0, 0),      # 9 red
    (0, 255, 0),      # 10 lime
    (255, 255, 0),    # 11 yellow
    (0, 0, 255),      # 12 blue
    (255, 0, 255),    # 13 fuchsia
    (0, 255, 255),    # 14 aqua
    (255, 255, 255),  # 15 white
]


# ---------------------------------------------------------------------------
# Canvas and drawing primitives
# ---------------------------------------------------------------------------

class Canvas:
    """A width x height grid of RGBA pixels; row 0 is the top row."""

    def __init__(self, width, height, fill=(0, 0, 0, 0)):
        self.w = width
        self.h = height
        fill = tuple(fill) if len(fill) == 4 else tuple(fill) + (255,)
        self.px = [[fill for _ in range(width)] for _ in range(height)]

    def put(self, x, y, color):
        if 0 <= x < self.w and 0 <= y < self.h:
            c = tuple(color)
            self.px[y][x] = c if len(c) == 4 else c + (255,)

    def get(self, x, y):
        return self.px[y][x]

    def blend(self, x, y, color, coverage):
        """Paints an opaque colour over the pixel with the given coverage 0..1."""
        if not (0 <= x < self.w and 0 <= y < self.h) or coverage <= 0:
            return
        r, g, b = color[:3]
        br, bg, bb, ba = self.px[y][x]
        if ba == 0:
            # Over transparency: keep the colour, carry the coverage as alpha.
            self.px[y][x] = (r, g, b, round(255 * coverage))
            return
        k = min(coverage, 1.0)
        self.px[y][x] = (round(br + (r - br) * k), round(bg + (g - bg) * k),
                         round(bb + (b - bb) * k), max(ba, round(255 * k)))

    def rect(self, x0, y0, x1, y1, color):
        """Fills the rectangle with corners (x0, y0) and (x1, y1), inclusive."""
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.put(x, y, color)

    def frame(self, x0, y0, x1, y1, color):
        """One-pixel outline of the inclusive rectangle."""
        for x in range(x0, x1 + 1):
            self.put(x, y0, color)
            self.put(x, y1, color)
        for y in range(y0, y1 + 1):
            self.put(x0, y, color)
            self.put(x1, y, color)

    def line(self, x0, y0, x1, y1, color):
        """Bresenham line, both end points included."""
        dx = abs(x1 - x0)
        dy = -abs(y1 - y0)
        sx = 1 if x0 < x1 else -1
        sy = 1 if y0 < y1 else -1
        err = dx + dy
        while True:
            self.put(x0, y0, color)
            if x0 == x1 and y0 == y1:
                break
            e2 = 2 * err
            if e2 >= dy:
                err += dy
                x0 += sx
            if e2 <= dx:
                err += dx
                y0 += sy

    def ascii(self, x0, y0, rows, legend):
        """Draws a pixel map: each character is looked up in legend; characters
        missing from it (conventionally '.') leave the pixel untouched."""
        for dy, row in enumerate(rows):
            for dx, ch in enumerate(row):
                if ch in legend:
                    self.put(x0 + dx, y0 + dy, legend[ch])

    def shade(self, inside, color_at, ss=4):
        """Anti-aliased fill: inside(x, y) tests a point in pixel coordinates,
        color_at(x, y) gives the colour for a pixel; ss x ss samples a pixel."""
        for y in range(self.h):
            for x in range(self.w):
                hits = 0
                for sy in range(ss):
                    for sx in range(ss):
                        if inside(x + (sx + 0.5) / ss, y + (sy + 0.5) / ss):
                            hits += 1
                if hits:
                    self.blend(x, y, color_at(x + 0.5, y + 0.5), hits / (ss * ss))


def disc_mask(w, h, cx, cy, r):
    """Pixels whose centre lies within r of (cx, cy)."""
    return [[(x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2 <= r * r for x in range(w)]
            for y in range(h)]


def mix(a, b, t):
    return tuple(round(a[i] + (b[i] - a[i]) * t) for i in range(3))


# ---------------------------------------------------------------------------
# File writers
# ---------------------------------------------------------------------------

def _info_header(width, height, bpp, image_size, colors_used=0):
    # BITMAPINFOHEADER: biSize, biWidth, biHeight, biPlanes, biBitCount,
    # biCompression (BI_RGB = 0), biSizeImage, biXPelsPerMeter,
    # biYPelsPerMeter, biClrUsed, biClrImportant.
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, bpp, 0, image_size,
                       2835, 2835, colors_used, 0)


def _padded(row_bytes):
    return row_bytes + b"\0" * ((-len(row_bytes)) % 4)


def bmp_24(canvas):
    """24-bit BMP: rows bottom-up, BGR, padded to 4 bytes. Alpha is ignored."""
    rows = []
    for y in range(canvas.h - 1, -1, -1):
        row = bytearray()
        for x in range(canvas.w):
            r, g, b, _ = canvas.get(x, y)
            row += bytes((b, g, r))
        rows.append(_padded(bytes(row)))
    pixels = b"".join(rows)
    header = _info_header(canvas.w, canvas.h, 24, len(pixels))
    offset = 14 + len(header)
    filehdr = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return filehdr + header + pixels


def bmp_4(canvas):
    """16-colour BMP with the VGA palette. Every pixel must be a VGA colour."""
    index = {c: i for i, c in enumerate(VGA16)}
    rows = []
    for y in range(canvas.h - 1, -1, -1):
        nibbles = []
        for x in range(canvas.w):
            c = canvas.get(x, y)[:3]
            if c not in index:
                raise ValueError("colour %r at (%d, %d) is not in the VGA palette" % (c, x, y))
            nibbles.append(index[c])
        if len(nibbles) % 2:
            nibbles.append(0)
        row = bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, len(nibbles), 2))
        rows.append(_padded(row))
    pixels = b"".join(rows)
    header = _info_header(canvas.w, canvas.h, 4, len(pixels), 16)
    palette = b"".join(bytes((b, g, r, 0)) for (r, g, b) in VGA16)
    offset = 14 + len(header) + len(palette)
    filehdr = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return filehdr + header + palette + pixels


def ico_image(canvas):
    """One icon image: BITMAPINFOHEADER (height doubled), 32-bit BGRA pixels
    bottom-up, then the 1-bit AND mask (1 = transparent), rows padded to 32 bits."""
    xor = bytearray()
    for y in range(canvas.h - 1, -1, -1):
        for x in range(canvas.w):
            r, g, b, a = canvas.get(x, y)
            if a == 0:
                r = g = b = 0
            xor += bytes((b, g, r, a))
    mask = bytearray()
    for y in range(canvas.h - 1, -1, -1):
        row = bytearray((canvas.w + 7) // 8)
        for x in range(canvas.w):
            if canvas.get(x, y)[3] == 0:
                row[x // 8] |= 0x80 >> (x % 8)
        mask += _padded(bytes(row))
    header = _info_header(canvas.w, canvas.h * 2, 32, len(xor) + len(mask))
    return header + bytes(xor) + bytes(mask)


def ico_file(canvases):
    """ICONDIR + ICONDIRENTRY per image + the images."""
    images = [ico_image(c) for c in canvases]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for c, img in zip(canvases, images):
        out += struct.pack("<BBBBHHII", c.w % 256, c.h % 256, 0, 0, 1, 32, len(img), offset)
        offset += len(img)
    return out + b"".join(images)


# ---------------------------------------------------------------------------
# Tray icons: a monitor in front of a globe, with a state badge.
# Connected: blue globe with green land, lit screen, green link badge.
# Disconnected: grey globe, dark screen, red cross badge.
# ---------------------------------------------------------------------------

OUTLINE = (0, 0, 0)

CONNECTED_COLORS = {
    "ocean_hi": (120, 180, 255), "ocean": (40, 110, 225), "ocean_lo": (20, 60, 160),
    "land_hi": (120, 220, 110), "land": (40, 170, 60), "land_lo": (20, 110, 40),
    "screen": (60, 200, 240), "screen_hi": (190, 240, 255),
}
DISCONNECTED_COLORS = {
    "ocean_hi": (205, 205, 205), "ocean": (160, 160, 160), "ocean_lo": (120, 120, 120),
    "land_hi": (150, 150, 150), "land": (115, 115, 115), "land_lo": (90, 90, 90),
    "screen": (70, 70, 80), "screen_hi": (110, 110, 120),
}

FRAME = (200, 200, 200)
FRAME_LIGHT = (245, 245, 245)
FRAME_DARK = (120, 120, 120)

# Land masses of the globes (L marks land; anything else is sea); the map is
# laid over the disc's bounding box.
LAND_16 = [
    "............",
    "............",
    "..LLL...LL..",
    ".LLLLL..LLL.",
    ".LLLL....LL.",
    "..LL......L.",
    "...L........",
    "........LL..",
    "........LLL.",
    ".........L..",
    "............",
    "............",
]
LAND_32 = [
    "........................",
    "........................",
    ".......LLLL.............",
    ".....LLLLLLLL.....LLL...",
    "....LLLLLLLLL....LLLLL..",
    "...LLLLLLLLLL.....LLLLL.",
    "...LLLLLLLLL.......LLLL.",
    "..LLLLLLLLL........LLL..",
    "...LLLLLLLL.........L...",
    "....LLLLLLL.............",
    ".....LLLLLL.............",
    "......LLLLL.............",
    "......LLLL.........LL...",
    ".......LLL........LLLL..",
    ".......LL........LLLLLL.",
    "........L........LLLLLL.",
    ".................LLLLL..",
    "..................LLLL..",
    "..................LLL...",
    "........................",
    "........................",
    "........................",
    "........................",
    "........................",
]


def draw_globe(c, x0, y0, size, land, colors):
    """Globe in the size x size box at (x0, y0): sea and land in three tones
    (lit from the upper left) inside a dark outline."""
    r = size / 2.0
    cx, cy = x0 + r, y0 + r
    lx0, ly0 = cx - r * 0.45, cy - r * 0.45
    inside = disc_mask(c.w, c.h, cx, cy, r)
    for y in range(c.h):
        for x in range(c.w):
            if not inside[y][x]:
                continue
            edge = any(not (0 <= x + dx < c.w and 0 <= y + dy < c.h and inside[y + dy][x + dx])
                       for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)))
            if edge:
                c.put(x, y, OUTLINE)
                continue
            mx, my = x - x0, y - y0
            is_land = 0 <= my < len(land) and 0 <= mx < len(land[my]) and land[my][mx] == "L"
            t = math.hypot(x + 0.5 - lx0, y + 0.5 - ly0) / (2 * r)
            tone = "_hi" if t < 0.28 else ("" if t < 0.72 else "_lo")
            c.put(x, y, colors[("land" if is_land else "ocean") + tone])


def draw_monitor_16(c, colors):
    # Outline 10 x 8 at (0, 6), bevelled frame, screen, neck and base.
    c.rect(0, 6, 9, 12, OUTLINE)
    c.rect(1, 7, 8, 11, FRAME)
    c.line(1, 7, 8, 7, FRAME_LIGHT)
    c.line(1, 7, 1, 11, FRAME_LIGHT)
    c.rect(2, 8, 7, 10, colors["screen"])
    c.line(2, 8, 4, 8, colors["screen_hi"])
    c.put(2, 9, colors["screen_hi"])
    c.rect(3, 13, 6, 13, OUTLINE)
    c.rect(4, 13, 5, 13, FRAME_DARK)
    c.rect(1, 14, 8, 15, OUTLINE)
    c.rect(2, 14, 7, 14, FRAME)


def draw_monitor_32(c, colors):
    c.rect(0, 12, 19, 25, OUTLINE)
    c.rect(1, 13, 18, 24, FRAME)
    c.line(1, 13, 18, 13, FRAME_LIGHT)
    c.line(1, 13, 1, 24, FRAME_LIGHT)
    c.line(2, 24, 18, 24, FRAME_DARK)
    c.line(18, 14, 18, 24, FRAME_DARK)
    c.rect(3, 15, 16, 22, OUTLINE)
    c.rect(4, 16, 15, 21, colors["screen"])
    c.line(4, 16, 9, 16, colors["screen_hi"])
    c.line(4, 16, 4, 19, colors["screen_hi"])
    c.rect(7, 26, 12, 27, OUTLINE)
    c.rect(8, 26, 11, 27, FRAME_DARK)
    c.rect(2, 28, 17, 31, OUTLINE)
    c.rect(3, 29, 16, 30, FRAME)
    c.line(3, 29, 16, 29, FRAME_LIGHT)


BADGE_OK_16 = [
    "..KKK..",
    ".KGGGK.",
    "KGGGGWK",
    "KWGGWGK",
    "KGWWGGK",
    ".KGGGK.",
    "..KKK..",
]
BADGE_OFF_16 = [
    "KK..KK",
    "KRKKRK",
    ".KRRK.",
    ".KRRK.",
    "KRKKRK",
    "KK..KK",
]
BADGE_OK_32 = [
    "....KKKKK...",
    "..KKGGGGGKK.",
    ".KGGGGGGGGGK",
    ".KGGGGGGGWGK",
    "KGGGGGGGWWGK",
    "KGWGGGGWWGGK",
    "KGWWGGWWGGGK",
    "KGGWWWWGGGGK",
    ".KGGWWGGGGGK",
    ".KGGGGGGGGK.",
    "..KKGGGGKK..",
    "....KKKK....",
]
BADGE_OFF_32 = [
    ".KKK....KKK.",
    "KRRRK..KRRRK",
    "KRRRRKKRRRRK",
    ".KRRRRRRRRK.",
    "..KRRRRRRK..",
    "...KRRRRK...",
    "...KRRRRK...",
    "..KRRRRRRK..",
    ".KRRRRRRRRK.",
    "KRRRRKKRRRRK",
    "KRRRK..KRRRK",
    ".KKK....KKK.",
]
BADGE_LEGEND = {"K": OUTLINE, "G": (30, 190, 50), "L": (70, 230, 70), "W": (255, 255, 255), "R": (230, 30, 30)}


def tray_icon(size, connected):
    colors = CONNECTED_COLORS if connected else DISCONNECTED_COLORS
    c = Canvas(size, size)
    if size == 16:
        draw_globe(c, 4, 0, 12, LAND_16, colors)
        draw_monitor_16(c, colors)
        if connected:
            c.ascii(9, 9, BADGE_OK_16, BADGE_LEGEND)
        else:
            c.ascii(10, 10, BADGE_OFF_16, BADGE_LEGEND)
    else:
        draw_globe(c, 8, 0, 24, LAND_32, colors)
        draw_monitor_32(c, colors)
        c.ascii(20, 20, BADGE_OK_32 if connected else BADGE_OFF_32, BADGE_LEGEND)
    return c


# ---------------------------------------------------------------------------
# Window icon: the CORVINET "C" around a small globe, 16 x 16.
# ---------------------------------------------------------------------------

APP = [
    "................",
    ".....DDDDDD.....",
    "...DDBBBBBBDD...",
    "..DBBBDDDDBBBD..",
    ".DBBDD....DDBD..",
    ".DBBD.........D.",
    "DBBD..KKKK......",
    "DBBD.KhoLLK.....",
    "DBBD.KoLLoK.....",
    "DBBD.KooLoK.....",
    "DBBD..KKKK......",
    ".DBBD.........D.",
    ".DBBDD....DDBD..",
    "..DBBBDDDDBBBD..",
    "...DDBBBBBBDD...",
    ".....DDDDDD.....",
]


def app_icon():
    """The window's icon: the CORVINET "C" around a small globe."""
    c = Canvas(16, 16)
    c.ascii(0, 0, APP, {
        "D": (10, 40, 120), "B": (40, 110, 225), "K": OUTLINE,
        "o": CONNECTED_COLORS["ocean"], "h": CONNECTED_COLORS["ocean_hi"],
        "L": CONNECTED_COLORS["land"],
    })
    return c


# ---------------------------------------------------------------------------
# Button bitmaps
# ---------------------------------------------------------------------------

V = {name: VGA16[i] for name, i in (
    ("black", 0), ("maroon", 1), ("green", 2), ("olive", 3), ("navy", 4),
    ("purple", 5), ("teal", 6), ("silver", 7), ("grey", 8), ("red", 9),
    ("lime", 10), ("yellow", 11), ("blue", 12), ("fuchsia", 13), ("aqua", 14),
    ("white", 15))}

MAIL = [
    "..............",
    "KKKKKKKKKKKKKK",
    "KKWWWWWWWWWWKK",
    "KGKWWWWWWWWKGK",
    "KWGKWWWWWWKGWK",
    "KWWGKWWWWKGWWK",
    "KWWWGKWWKGWWWK",
    "KWWGWGKKGWGWWK",
    "KWGWWWGGWWWGWK",
    "KGWWWWWWWWWWGK",
    "KKKKKKKKKKKKKK",
]


def mail_bitmap():
    c = Canvas(14, 11, FACE)
    c.ascii(0, 0, MAIL, {"K": V["black"], "W": V["white"], "G": V["grey"]})
    return c


def timer_bitmap():
    """A wall clock at ten past three: white face, black rim, four hour marks,
    black hands and a red second hand."""
    c = Canvas(16, 16, FACE)
    cx, cy, r = 8.5, 8.5, 7.5  # centre of pixel (8, 8); the disc spans 1..15
    inside = disc_mask(16, 16, cx, cy, r)
    for y in range(16):
        for x in range(16):
            if inside[y][x]:
                edge = any(not (0 <= x + dx < 16 and 0 <= y + dy < 16 and inside[y + dy][x + dx])
                           for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)))
                c.put(x, y, V["black"] if edge else V["white"])
    # Inner shading of the rim: grey on the lower right gives the face some depth.
    for (x, y) in ((13, 12), (12, 13), (14, 10), (14, 11), (10, 14), (11, 14)):
        c.put(x, y, V["silver"])
    for (x, y) in ((8, 2), (14, 8), (8, 14), (2, 8)):
        c.put(x, y, V["grey"])
    c.line(8, 8, 8, 4, V["black"])      # minute hand, at twelve
    c.line(8, 8, 11, 8, V["black"])     # hour hand, at three
    c.line(8, 8, 5, 11, V["red"])       # second hand
    c.put(8, 8, V["black"])
    return c


def usage_bitmap():
    c = Canvas(13, 16, FACE)
    axis = (0, 0, 0)
    bars = [  # (left column, top row, colour)
        (3, 9, (40, 100, 220)),
        (6, 5, (40, 170, 60)),
        (9, 2, (220, 50, 40)),
    ]
    for x0, top, col in bars:
        c.rect(x0, top, x0 + 2, 13, col)
        c.line(x0, top, x0, 13, mix(col, (255, 255, 255), 0.5))
        c.line(x0 + 2, top, x0 + 2, 13, mix(col, (0, 0, 0), 0.45))
        c.line(x0, top, x0 + 2, top, mix(col, (255, 255, 255), 0.5))
    c.line(1, 1, 1, 14, axis)
    c.line(1, 14, 12, 14, axis)
    return c


# ---------------------------------------------------------------------------
# About box picture: the CORVINET logo, 48 x 48.
# ---------------------------------------------------------------------------

# A perched crow facing right, as a polygon in a 16 x 14 box (y grows downwards).
CROW = [
    (16.4, 3.7),   # beak tip
    (14.6, 2.4),   # top of the beak
    (13.2, 1.6),   # forehead
    (11.8, 1.0),   # crown
    (10.2, 1.4),   # back of the head
    (9.2, 2.8),    # nape
    (7.0, 4.4),    # back
    (4.5, 6.2),    # shoulder of the wing
    (1.2, 10.6),   # upper edge of the tail
    (0.0, 12.4),   # tail tip
    (0.8, 12.8),
    (3.2, 11.6),   # lower edge of the tail
    (6.0, 10.6),   # rump
    (8.8, 10.8),   # belly
    (10.8, 9.6),
    (12.4, 7.2),   # breast
    (13.0, 5.2),   # throat
    (14.0, 4.4),   # chin
]
CROW_LEGS = [(8.9, 10.0, 9.8, 14.0), (10.5, 9.4, 11.4, 14.0)]
CROW_EYE = (12.3, 2.6)


def point_in_polygon(x, y, poly):
    inside = False
    n = len(poly)
    for i in range(n):
        x1, y1 = poly[i]
        x2, y2 = poly[(i + 1) % n]
        if (y1 > y) != (y2 > y):
            xc = x1 + (y - y1) * (x2 - x1) / (y2 - y1)
            if x < xc:
                inside = not inside
    return inside


def about_bitmap():
    """The CORVINET logo: a bold blue "C" around a pale globe, with a crow
    perched on the C's upper arm."""
    c = Canvas(48, 48, (255, 255, 255))
    blue_top = (50, 125, 230)
    blue_bottom = (10, 35, 115)
    cx, cy, r_out, r_in = 21.0, 30.0, 17.0, 10.5

    # The globe behind: a pale disc with its equator and three meridians.
    pale, line = (225, 236, 250), (150, 185, 235)
    rg = r_in - 1.8

    def globe(x, y):
        return math.hypot(x - cx, y - cy) <= rg

    def globe_lines(x, y):
        dx, dy = x - cx, y - cy
        if math.hypot(dx, dy) > rg:
            return False
        if abs(dy) < 0.45 or abs(dx) < 0.45:
            return True
        # Meridian ellipse with half-width rg / 2.
        e = math.hypot(dx / (rg * 0.5), dy / rg)
        return abs(e - 1.0) < 0.09

    c.shade(globe, lambda x, y: pale)
    c.shade(globe_lines, lambda x, y: line)

    def letter_c(x, y):
        d = math.hypot(x - cx, y - cy)
        # The opening on the right is cut by two horizontal lines.
        return r_in <= d <= r_out and not (x > cx and abs(y - cy) < 7.0)

    c.shade(letter_c, lambda x, y: mix(blue_top, blue_bottom, (y - 14) / 34.0))

    # The crow stands on the top of the C's upper arm.
    ox, oy, k = 20.0, -0.1, 1.4
    crow_body = [(ox + px * k, oy + py * k) for px, py in CROW]
    ink = (20, 20, 35)

    def crow(x, y):
        if point_in_polygon(x, y, crow_body):
            return True
        for x0, y0, x1, y1 in CROW_LEGS:
            if ox + x0 * k <= x <= ox + x1 * k and oy + y0 * k <= y <= oy + y1 * k:
                return True
        return False

    c.shade(crow, lambda x, y: ink)
    ex, ey = ox + CROW_EYE[0] * k, oy + CROW_EYE[1] * k
    c.put(int(ex), int(ey), (230, 230, 240))
    return c


# ---------------------------------------------------------------------------

def write(rel, data):
    path = os.path.join(ROOT, rel)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)
    print("%-28s %6d bytes" % (rel, len(data)))


def main():
    write("res/icons/disconnected.ico", ico_file([tray_icon(32, False), tray_icon(16, False)]))
    write("res/icons/connected.ico", ico_file([tray_icon(32, True), tray_icon(16, True)]))
    write("res/icons/app.ico", ico_file([app_icon()]))
    write("res/bitmaps/mail.bmp", bmp_4(mail_bitmap()))
    write("res/bitmaps/timer.bmp", bmp_4(timer_bitmap()))
    write("res/bitmaps/usage.bmp", bmp_24(usage_bitmap()))
    write("res/bitmaps/about.bmp", bmp_24(about_bitmap()))
    return 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""Draws the pictures of CORVINET Dialer and writes them as resource files.

Outputs (paths relative to the repository root):
  res/icons/disconnected.ico  icon 150: 32x32 + 16x16, 32-bit BGRA with AND mask; 24x24 + 20x20,
                              16 colours with AND mask (the small icon at 150 and 125 %)
  res/icons/connected.ico     icon 151: the same sizes
  res/icons/app.ico           icon 153: 16x16, 32-bit BGRA with AND mask; 20, 24, 32, 40, 48 and
                              64 pixels square, 16 colours with AND mask (the small and the
                              large icon at 125, 150 and 200 %)
  res/icons/setup.ico         the installers' icon: app.ico's 16x16 image alone (each larger
                              image would weigh on a download over a telephone line)
  res/bitmaps/mail.bmp        bitmap 141: 14x11, 4 bits per pixel (VGA palette)
  res/bitmaps/timer.bmp       bitmap 144: 16x16, 4 bits per pixel (VGA palette)
  res/bitmaps/usage.bmp       bitmap 164: 13x16, 24 bits per pixel
  res/bitmaps/<name>-125.bmp, <name>-150.bmp, <name>-200.bmp
                              the three button pictures at 125, 150 and 200 % of their size, in
                              the same format: 18x14, 21x17, 28x22 (mail), 20x20, 24x24, 32x32
                              (timer), 16x20, 20x24, 26x32 (usage)
  res/bitmaps/about.bmp       bitmap 162: 48x48, 24 bits per pixel

Sizes at a scale are rounded to the nearest pixel, halves up (21 x 16.5 gives 21 x 17). A
picture at a whole multiple of its size is its pixels repeated; at 125 and 150 % it is drawn
anew at its size with one-pixel lines from the same design; the icons' new sizes are the
nearest drawn size resampled (see resample).

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


def resample(src, w, h, detail=0.45):
    """The picture src at w x h without new colours, so that it stays crisp and keeps its
    palette. Each new pixel takes one colour of the source pixels it covers: the rarest colour
    of the whole picture that covers at least `detail` of it (lines and small parts survive
    the scaling), else the colour that covers most. At a whole multiple of the size this
    repeats every pixel; transparency counts as a colour."""
    frequency = {}
    for row in src.px:
        for p in row:
            frequency[p] = frequency.get(p, 0) + 1
    by_rarity = sorted(frequency, key=lambda p: (frequency[p], p))
    out = Canvas(w, h)
    fx, fy = src.w / w, src.h / h
    for y in range(h):
        top, bottom = y * fy, (y + 1) * fy
        for x in range(w):
            left, right = x * fx, (x + 1) * fx
            cover = {}
            for sy in range(int(top), min(src.h, math.ceil(bottom))):
                ky = min(bottom, sy + 1) - max(top, sy)
                for sx in range(int(left), min(src.w, math.ceil(right))):
                    kx = min(right, sx + 1) - max(left, sx)
                    if kx > 0 and ky > 0:
                        p = src.px[sy][sx]
                        cover[p] = cover.get(p, 0) + kx * ky / (fx * fy)
            chosen = next((p for p in by_rarity if cover.get(p, 0) >= detail), None)
            if chosen is None:
                chosen = max(cover, key=lambda p: (cover[p], -frequency[p]))
            out.px[y][x] = chosen
    return out


def scaled(n, percent):
    """A length of n pixels at percent %, to the nearest pixel, halves up."""
    return (n * percent + 50) // 100


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


def _pixels_4(canvas, index_of):
    """4-bit pixel rows, bottom-up, two pixels a byte, each row padded to 4 bytes."""
    rows = []
    for y in range(canvas.h - 1, -1, -1):
        nibbles = [index_of(x, y) for x in range(canvas.w)]
        if len(nibbles) % 2:
            nibbles.append(0)
        rows.append(_padded(bytes((nibbles[i] << 4) | nibbles[i + 1]
                                  for i in range(0, len(nibbles), 2))))
    return b"".join(rows)


def picture_palette(canvas):
    """The opaque colours of a picture, black first, padded to 16 entries."""
    colours = sorted({p[:3] for row in canvas.px for p in row if p[3] != 0} - {(0, 0, 0)})
    if len(colours) > 15:
        raise ValueError("the picture has more than 16 colours")
    return [(0, 0, 0)] + colours + [(0, 0, 0)] * (15 - len(colours))


def bmp_4(canvas, palette=VGA16):
    """16-colour BMP. Every pixel must be a colour of the palette (by default the VGA one)."""
    index = {}
    for i, c in enumerate(palette):
        index.setdefault(c, i)

    def index_of(x, y):
        c = canvas.get(x, y)[:3]
        if c not in index:
            raise ValueError("colour %r at (%d, %d) is not in the palette" % (c, x, y))
        return index[c]

    pixels = _pixels_4(canvas, index_of)
    header = _info_header(canvas.w, canvas.h, 4, len(pixels), 16)
    palette = b"".join(bytes((b, g, r, 0)) for (r, g, b) in palette)
    offset = 14 + len(header) + len(palette)
    filehdr = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return filehdr + header + palette + pixels


def _and_mask(canvas):
    """The 1-bit AND mask of an icon image (1 = transparent), bottom-up, rows padded to 32 bits."""
    mask = bytearray()
    for y in range(canvas.h - 1, -1, -1):
        row = bytearray((canvas.w + 7) // 8)
        for x in range(canvas.w):
            if canvas.get(x, y)[3] == 0:
                row[x // 8] |= 0x80 >> (x % 8)
        mask += _padded(bytes(row))
    return bytes(mask)


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
    mask = _and_mask(canvas)
    header = _info_header(canvas.w, canvas.h * 2, 32, len(xor) + len(mask))
    return header + bytes(xor) + mask


def ico_image_16(canvas):
    """One 16-colour icon image, for pictures that are opaque or transparent pixel by pixel:
    BITMAPINFOHEADER (height doubled), the picture's palette (black first, which transparent
    pixels also take), 4-bit pixels bottom-up, then the AND mask. A quarter of the 32-bit
    form's bytes for the same picture."""
    if any(p[3] not in (0, 255) for row in canvas.px for p in row):
        raise ValueError("the picture is partly transparent")
    palette = picture_palette(canvas)
    index = {}
    for i, c in enumerate(palette):
        index.setdefault(c, i)
    xor = _pixels_4(canvas, lambda x, y: index[canvas.get(x, y)[:3]] if canvas.get(x, y)[3] else 0)
    mask = _and_mask(canvas)
    header = _info_header(canvas.w, canvas.h * 2, 4, len(xor) + len(mask), 16)
    return header + b"".join(bytes((b, g, r, 0)) for (r, g, b) in palette) + xor + mask


def ico_file(canvases, canvases_16=()):
    """ICONDIR + ICONDIRENTRY per image + the images: the 32-bit ones, then the 16-colour ones."""
    entries = [(c, ico_image(c), 0, 32) for c in canvases]
    entries += [(c, ico_image_16(c), 16, 4) for c in canvases_16]
    out = struct.pack("<HHH", 0, 1, len(entries))
    offset = 6 + 16 * len(entries)
    for c, img, colours, bits in entries:
        out += struct.pack("<BBBBHHII", c.w % 256, c.h % 256, colours, 0, 1, bits, len(img),
                           offset)
        offset += len(img)
    return out + b"".join(img for _, img, _, _ in entries)


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

def mail_bitmap(w=14, h=11):
    """An envelope seen from the front, in one-pixel lines at any size (14 x 11 at 100 %): the
    black edge, white paper, the flap as a black V from the upper corners down to the middle
    with a grey fold under it, and grey folds rising from the lower corners."""
    c = Canvas(w, h, FACE)
    top = h // 11  # the empty row above the envelope
    c.frame(0, top, w - 1, h - 1, V["black"])
    c.rect(1, top + 1, w - 2, h - 2, V["white"])
    for i in range((w - 1) // 2):  # the flap, at 45 degrees, meeting in the middle
        for x in (1 + i, w - 2 - i):
            c.put(x, top + 2 + i, V["grey"])
            c.put(x, top + 1 + i, V["black"])
    for i in range((3 * h + 5) // 11):  # the lower folds, 3 pixels at 100 %
        c.put(1 + i, h - 2 - i, V["grey"])
        c.put(w - 2 - i, h - 2 - i, V["grey"])
    return c


def timer_bitmap(w=16, h=16):
    """A wall clock at ten past three, in one-pixel lines at any size (16 x 16 at 100 %): white
    face, black rim shaded inside on the lower right, four grey hour marks, black hands and a
    red second hand."""
    n = min(w, h)
    c = Canvas(n, n, FACE)
    cx = cy = n / 2 + 0.5  # the disc spans pixels 1 .. n - 1
    r = n / 2 - 0.5
    inside = disc_mask(n, n, cx, cy, r)

    def on_rim(x, y):
        return inside[y][x] and any(
            not (0 <= x + dx < n and 0 <= y + dy < n and inside[y + dy][x + dx])
            for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)))

    for y in range(n):
        for x in range(n):
            if inside[y][x]:
                c.put(x, y, V["black"] if on_rim(x, y) else V["white"])
    # Inner shading of the rim on the lower right, between about 4 and 5 o'clock: placed by
    # hand at 100 %, elsewhere the face's pixels along the rim.
    if n == 16:
        shade = {(13, 12), (12, 13), (14, 10), (14, 11), (10, 14), (11, 14)}
    else:
        shade = {(x, y) for y in range(1, n - 1) for x in range(1, n - 1)
                 if inside[y][x] and not on_rim(x, y) and
                 15 <= math.degrees(math.atan2(y + 0.5 - cy, x + 0.5 - cx)) <= 75 and
                 any(on_rim(x + dx, y + dy) for dx, dy in ((1, 0), (0, 1), (-1, 0), (0, -1)))}
    for (x, y) in shade:
        c.put(x, y, V["silver"])
    k = n // 2  # the centre pixel
    for (x, y) in ((k, 2), (n - 2, k), (k, n - 2), (2, k)):
        c.put(x, y, V["grey"])
    minute, hour = (n + 2) // 4, (3 * n + 8) // 16  # 4 and 3 pixels at 100 %
    c.line(k, k, k, k - minute, V["black"])     # minute hand, at twelve
    c.line(k, k, k + hour, k, V["black"])       # hour hand, at three
    c.line(k, k, k - hour, k + hour, V["red"])  # second hand
    c.put(k, k, V["black"])
    return c


def usage_bitmap(w=13, h=16):
    """A bar chart, in one-pixel lines at any size (13 x 16 at 100 %): three rising bars, each
    lit on its left and top and shaded on its right, on a black axis."""
    c = Canvas(w, h, FACE)
    axis = (0, 0, 0)
    width = (3 * w + 6) // 13  # 3 pixels at 100 %
    bottom = h - 3
    bars = [(5, (40, 100, 220)), (9, (40, 170, 60)), (12, (220, 50, 40))]  # heights at 100 %
    for i, (height, col) in enumerate(bars):
        x0 = w - 1 - (3 - i) * width
        top = bottom + 1 - (height * h + 8) // 16
        c.rect(x0, top, x0 + width - 1, bottom, col)
        c.line(x0, top, x0, bottom, mix(col, (255, 255, 255), 0.5))
        c.line(x0 + width - 1, top, x0 + width - 1, bottom, mix(col, (0, 0, 0), 0.45))
        c.line(x0, top, x0 + width - 1, top, mix(col, (255, 255, 255), 0.5))
    c.line(1, 1, 1, h - 2, axis)
    c.line(1, h - 2, w - 1, h - 2, axis)
    return c


# The screen scales the button pictures are made for, beside 100 %.
SCALES = (125, 150, 200)


def button_picture(draw, w, h, percent):
    """A button picture (w x h at 100 %) at percent %: at a whole multiple of its size its
    pixels repeated, otherwise drawn anew at its size."""
    if percent % 100 == 0:
        return resample(draw(), scaled(w, percent), scaled(h, percent))
    return draw(scaled(w, percent), scaled(h, percent))


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


def tray_icon_file(connected):
    """The tray icon at the small-icon sizes of 100, 125, 150 and 200 %: 16 and 32 drawn, 20
    and 24 resampled from the 32."""
    large = tray_icon(32, connected)
    return ico_file([large, tray_icon(16, connected)],
                    [resample(large, n, n) for n in (24, 20)])


def app_icon_file():
    """The window's icon, drawn at 16, at the small (16, 20, 24, 32) and large (32, 40, 48, 64)
    icon sizes of 100, 125, 150 and 200 %."""
    small = app_icon()
    return ico_file([small], [resample(small, n, n) for n in (20, 24, 32, 40, 48, 64)])


def main():
    write("res/icons/disconnected.ico", tray_icon_file(False))
    write("res/icons/connected.ico", tray_icon_file(True))
    write("res/icons/app.ico", app_icon_file())
    write("res/icons/setup.ico", ico_file([app_icon()]))
    # The usage picture's larger sizes have its 11 colours in a palette of their own: a fifth
    # of the 24-bit form's bytes.
    for name, draw, w, h, encode, encode_scaled in (
            ("mail", mail_bitmap, 14, 11, bmp_4, bmp_4),
            ("timer", timer_bitmap, 16, 16, bmp_4, bmp_4),
            ("usage", usage_bitmap, 13, 16, bmp_24, lambda c: bmp_4(c, picture_palette(c)))):
        write("res/bitmaps/%s.bmp" % name, encode(draw()))
        for percent in SCALES:
            write("res/bitmaps/%s-%d.bmp" % (name, percent),
                  encode_scaled(button_picture(draw, w, h, percent)))
    write("res/bitmaps/about.bmp", bmp_24(about_bitmap()))
    return 0


if __name__ == "__main__":
    sys.exit(main())

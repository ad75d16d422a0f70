#!/usr/bin/env python3
"""Draws the program's bitmaps and icons from code and writes them into res/.

Run it after changing a picture:  python3 tools/resgen/resgen.py
Its output is committed, so the build itself needs nothing but windres.
Only the standard library is used.
"""
import math
import os
import struct
import sys

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "res")

WINDOW_BACKGROUND = (37, 40, 43)   # the dialogs' client background
TILE_BORDER = (91, 91, 91)
GLYPH = (38, 38, 38)
SAMPLES = 4                         # supersampling per axis for smooth edges


class Canvas:
    """An RGBA picture; shapes are filled with supersampled coverage."""

    def __init__(self, w, h, bg=(0, 0, 0), alpha=255):
        self.w, self.h = w, h
        self.px = [[(bg[0], bg[1], bg[2], alpha) for _ in range(w)] for _ in range(h)]

    def set(self, x, y, rgb, a=255):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = (rgb[0], rgb[1], rgb[2], a)

    def fill(self, inside, colour):
        """inside(fx, fy) -> bool for a point; colour is an (r, g, b) or a function of (fx, fy)."""
        step = 1.0 / SAMPLES
        for y in range(self.h):
            for x in range(self.w):
                hits = 0
                acc = [0.0, 0.0, 0.0]
                for sy in range(SAMPLES):
                    for sx in range(SAMPLES):
                        fx = x + (sx + 0.5) * step
                        fy = y + (sy + 0.5) * step
                        if inside(fx, fy):
                            hits += 1
                            c = colour(fx, fy) if callable(colour) else colour
                            acc[0] += c[0]; acc[1] += c[1]; acc[2] += c[2]
                if not hits:
                    continue
                cov = hits / float(SAMPLES * SAMPLES)
                src = [v / hits for v in acc]
                r, g, b, a = self.px[y][x]
                out_a = cov * 255 + a * (1 - cov)
                if out_a <= 0:
                    continue
                mix = [(src[i] * cov * 255 + (r, g, b)[i] * a * (1 - cov)) / out_a for i in range(3)]
                self.px[y][x] = (int(round(mix[0])), int(round(mix[1])), int(round(mix[2])), int(round(out_a)))


# ---- shapes (coordinates in pixels, pixel centres at .5) -------------------------

def circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def rect(l, t, r, b):
    return lambda x, y: l <= x < r and t <= y < b


def rounded_rect(l, t, r, b, rad):
    def inside(x, y):
        if not (l <= x < r and t <= y < b):
            return False
        cx = min(max(x, l + rad), r - rad)
        cy = min(max(y, t + rad), b - rad)
        return (x - cx) ** 2 + (y - cy) ** 2 <= rad * rad
    return inside


def polygon(points):
    def inside(x, y):
        hit = False
        n = len(points)
        for i in range(n):
            x1, y1 = points[i]
            x2, y2 = points[(i + 1) % n]
            if (y1 > y) != (y2 > y):
                if x < (x2 - x1) * (y - y1) / (y2 - y1) + x1:
                    hit = not hit
        return hit
    return inside


def segment(x1, y1, x2, y2, half_width):
    def inside(x, y):
        dx, dy = x2 - x1, y2 - y1
        t = max(0.0, min(1.0, ((x - x1) * dx + (y - y1) * dy) / float(dx * dx + dy * dy)))
        px, py = x1 + t * dx, y1 + t * dy
        return (x - px) ** 2 + (y - py) ** 2 <= half_width ** 2
    return inside


def union(*shapes):
    return lambda x, y: any(s(x, y) for s in shapes)


def minus(a, b):
    return lambda x, y: a(x, y) and not b(x, y)


def vertical_gradient(top, bottom, t0, t1, c0, c1):
    def colour(x, y):
        f = min(1.0, max(0.0, (y - t0) / float(t1 - t0)))
        return tuple(c0[i] + (c1[i] - c0[i]) * f for i in range(3))
    return colour


def grey(v):
    return (v, v, v)


# ---- file writers ----------------------------------------------------------------

def write_bmp(path, canvas):
    """24 bits per pixel, bottom-up rows padded to four bytes."""
    row_size = (canvas.w * 3 + 3) & ~3
    data = bytearray()
    for y in range(canvas.h - 1, -1, -1):
        row = bytearray()
        for x in range(canvas.w):
            r, g, b, _ = canvas.px[y][x]
            row += bytes((b, g, r))
        row += b"\0" * (row_size - len(row))
        data += row
    header = struct.pack("<IiiHHIIiiII", 40, canvas.w, canvas.h, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    file_header = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(data), 0, 0, 14 + 40)
    with open(path, "wb") as f:
        f.write(file_header + header + data)


def icon_image(canvas):
    """One icon image: a 32-bit BGRA DIB of double height plus its AND mask."""
    xor = bytearray()
    for y in range(canvas.h - 1, -1, -1):
        for x in range(canvas.w):
            r, g, b, a = canvas.px[y][x]
            xor += bytes((b, g, r, a))
    mask_row = ((canvas.w + 31) // 32) * 4
    mask = bytearray()
    for y in range(canvas.h - 1, -1, -1):
        row = bytearray(mask_row)
        for x in range(canvas.w):
            if canvas.px[y][x][3] == 0:
                row[x // 8] |= 0x80 >> (x % 8)
        mask += row
    header = struct.pack("<IiiHHIIiiII", 40, canvas.w, canvas.h * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    return header + xor + mask


def write_ico(path, canvases):
    images = [icon_image(c) for c in canvases]
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for c, img in zip(canvases, images):
        out += struct.pack("<BBBBHHII", c.w % 256, c.h % 256, 0, 0, 1, 32, len(img), offset)
        offset += len(img)
    for img in images:
        out += img
    with open(path, "wb") as f:
        f.write(out)


# ---- scroll-bar pieces -----------------------------------------------------------

def tile(w, h, across_x):
    """A grey tile: one-pixel border, face shaded from light to dark across it."""
    c = Canvas(w, h, TILE_BORDER)
    span = (w - 2) if across_x else (h - 2)
    for y in range(1, h - 1):
        for x in range(1, w - 1):
            pos = (x - 1) if across_x else (y - 1)
            f = pos / float(max(1, span - 1))
            c.set(x, y, grey(int(round(160 - (160 - 80) * f))))
    return c


def arrow(w, h, direction):
    c = tile(w, h, across_x=(w < h))
    cx, cy = w / 2.0, h / 2.0
    a = 3.2  # half size of the triangle
    pts = {
        "left": [(cx - a, cy), (cx + a * 0.8, cy - a), (cx + a * 0.8, cy + a)],
        "right": [(cx + a, cy), (cx - a * 0.8, cy - a), (cx - a * 0.8, cy + a)],
        "up": [(cx, cy - a), (cx - a, cy + a * 0.8), (cx + a, cy + a * 0.8)],
        "down": [(cx, cy + a), (cx - a, cy - a * 0.8), (cx + a, cy - a * 0.8)],
    }[direction]
    c.fill(polygon(pts), GLYPH)
    return c


def thumb(w, h):
    c = tile(w, h, across_x=(w < h))
    if w > h:
        rows = [4, 7]
        for y in rows:
            for x in range(8, w - 7, 2):
                c.set(x, y, GLYPH)
    else:
        for x in [4, 7]:
            for y in range(8, h - 7, 2):
                c.set(x, y, GLYPH)
    return c


def track(w, h, end_grey):
    """A one-pixel slice of the dark channel: border at both ends, gradient between."""
    c = Canvas(w, h, TILE_BORDER)
    length = h if w == 1 else w
    for i in range(1, length - 1):
        f = (i - 1) / float(max(1, length - 3))
        v = int(round(24 + (end_grey - 24) * f))
        if w == 1:
            c.set(0, i, grey(v))
        else:
            c.set(i, 0, grey(v))
    return c


# ---- message-box pictures (64 x 64 on the theme's dark grey) ---------------------

def disc_picture(fill_top, fill_bottom, glyph):
    c = Canvas(64, 64, WINDOW_BACKGROUND)
    c.fill(circle(32, 32, 28), (20, 20, 22))  # a soft dark rim
    c.fill(circle(32, 32, 27), vertical_gradient(None, None, 5, 59, fill_top, fill_bottom))
    c.fill(glyph, (255, 255, 255))
    return c


def error_picture():
    cross = union(segment(22, 22, 42, 42, 4.2), segment(42, 22, 22, 42, 4.2))
    return disc_picture((236, 70, 60), (150, 16, 16), cross)


def info_picture():
    i = union(circle(32, 19.5, 4.2), rounded_rect(28, 27, 36, 47, 1.5),
              rect(25, 43, 39, 47), rect(25, 27, 32, 30.5))
    return disc_picture((90, 150, 240), (20, 60, 160), i)


def warning_picture():
    c = Canvas(64, 64, WINDOW_BACKGROUND)
    outer = [(32, 5), (60, 56), (4, 56)]
    inner = [(32, 9.5), (56, 53.5), (8, 53.5)]
    c.fill(polygon(outer), (60, 34, 8))
    c.fill(polygon(inner), vertical_gradient(None, None, 8, 54, (255, 186, 60), (232, 118, 10)))
    bang = union(segment(32, 22, 32, 38, 3.4), circle(32, 46, 3.4))
    c.fill(bang, (255, 255, 255))
    return c


# ---- the About picture: a silver folder with a smiling face ----------------------

def about_picture():
    c = Canvas(64, 64, (8, 8, 8))
    silver = vertical_gradient(None, None, 10, 56, (236, 238, 242), (118, 122, 130))
    back = union(rounded_rect(7, 12, 30, 22, 3), rounded_rect(7, 16, 57, 52, 4))
    c.fill(union(rounded_rect(6, 11, 31, 23, 3.5), rounded_rect(6, 15, 58, 53, 4.5)), (40, 42, 48))
    c.fill(back, vertical_gradient(None, None, 12, 52, (170, 174, 182), (96, 100, 108)))
    front = polygon([(10, 24), (58, 24), (55, 54), (7, 54)])
    c.fill(polygon([(9, 23), (59, 23), (56, 55), (6, 55)]), (40, 42, 48))
    c.fill(front, silver)
    # the gloss: a pale band across the top of the front
    c.fill(minus(polygon([(11, 25), (57, 25), (56.2, 33), (9.9, 33)]), lambda x, y: False),
           vertical_gradient(None, None, 25, 33, (252, 252, 255), (214, 218, 226)))
    face = (48, 52, 64)
    c.fill(union(circle(25, 36, 2.6), circle(40, 36, 2.6)), face)

    def smile(x, y):
        d = math.hypot(x - 32.5, y - 37)
        return 9.0 <= d <= 11.4 and y > 41
    c.fill(smile, face)
    return c


# ---- icons -----------------------------------------------------------------------

def program_icon(size):
    """An open box with a green arrow coming out of it."""
    s = size / 32.0
    c = Canvas(size, size, (0, 0, 0), alpha=0)
    c.fill(rounded_rect(1 * s, 1 * s, 31 * s, 31 * s, 5 * s), (30, 32, 36))
    c.fill(rounded_rect(2 * s, 2 * s, 30 * s, 30 * s, 4 * s),
           vertical_gradient(None, None, 2 * s, 30 * s, (78, 80, 86), (40, 42, 46)))
    box = polygon([(6 * s, 17 * s), (26 * s, 17 * s), (24.5 * s, 28 * s), (7.5 * s, 28 * s)])
    c.fill(box, vertical_gradient(None, None, 17 * s, 28 * s, (200, 202, 208), (130, 134, 142)))
    c.fill(rect(6 * s, 17 * s, 26 * s, 19 * s), (236, 238, 242))
    arrow_shape = union(rect(13.5 * s, 8.5 * s, 18.5 * s, 18 * s),
                        polygon([(9 * s, 10 * s), (23 * s, 10 * s), (16 * s, 3 * s)]))
    c.fill(arrow_shape, (0, 200, 20))
    return c


def log_icon(size):
    """A sheet with lines of text on it."""
    s = size / 32.0
    c = Canvas(size, size, (0, 0, 0), alpha=0)
    c.fill(polygon([(5 * s, 2 * s), (21 * s, 2 * s), (27 * s, 8 * s), (27 * s, 30 * s), (5 * s, 30 * s)]),
           (40, 42, 46))
    c.fill(polygon([(6 * s, 3 * s), (20.5 * s, 3 * s), (26 * s, 8.5 * s), (26 * s, 29 * s), (6 * s, 29 * s)]),
           vertical_gradient(None, None, 3 * s, 29 * s, (250, 250, 250), (200, 204, 210)))
    c.fill(polygon([(20.5 * s, 3 * s), (26 * s, 8.5 * s), (20.5 * s, 8.5 * s)]), (150, 154, 160))
    for i, y in enumerate([11, 15, 19, 23]):
        right = 23 if i % 2 == 0 else 19
        c.fill(rect(9 * s, y * s, right * s, (y + 1.6) * s), (0, 150, 16))
    return c


def main():
    bitmaps = os.path.join(OUT, "bitmaps")
    icons = os.path.join(OUT, "icons")
    os.makedirs(bitmaps, exist_ok=True)
    os.makedirs(icons, exist_ok=True)
    pictures = {
        "about_picture.bmp": about_picture(),          # 129
        "hscroll_left.bmp": arrow(26, 12, "left"),     # 130
        "hscroll_right.bmp": arrow(26, 12, "right"),   # 131
        "hscroll_track.bmp": track(1, 12, 46),         # 132
        "hscroll_thumb.bmp": thumb(26, 12),            # 133
        "scroll_corner.bmp": tile(11, 11, False),      # 134
        "vscroll_down.bmp": arrow(12, 26, "down"),     # 135
        "vscroll_track.bmp": track(12, 1, 67),         # 136
        "vscroll_thumb.bmp": thumb(12, 26),            # 137
        "scroll_tile.bmp": tile(12, 11, False),        # 138
        "vscroll_up.bmp": arrow(12, 26, "up"),         # 139
        "msg_error.bmp": error_picture(),              # 141
        "msg_info.bmp": info_picture(),                # 143
        "msg_warning.bmp": warning_picture(),          # 144
    }
    for name, canvas in pictures.items():
        write_bmp(os.path.join(bitmaps, name), canvas)
    write_ico(os.path.join(icons, "vandrel.ico"), [program_icon(32), program_icon(16)])
    write_ico(os.path.join(icons, "program_log.ico"), [log_icon(32), log_icon(16)])
    return 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""Draws the program's image resources as PNG files beside this script.

Only the standard library is used: shapes are signed distance functions in
pixel units, a pixel's coverage is taken from the distance at its centre
(which gives anti-aliased edges), layers are composited with premultiplied
alpha, and the PNG files are written with zlib and struct.

Run:  python3 images/draw_images.py
"""

import math
import os
import struct
import zlib

OUT_DIR = os.path.dirname(os.path.abspath(__file__))


# ---------------------------------------------------------------- colours

def rgb(hex_text, alpha=1.0):
    """Colour tuple (r, g, b, a) in 0..1 from "#RRGGBB"."""
    h = hex_text.lstrip("#")
    return (int(h[0:2], 16) / 255.0, int(h[2:4], 16) / 255.0,
            int(h[4:6], 16) / 255.0, alpha)


def mix(c0, c1, t):
    return tuple(a + (b - a) * t for a, b in zip(c0, c1))


def lighten(c, t):
    return (c[0] + (1 - c[0]) * t, c[1] + (1 - c[1]) * t,
            c[2] + (1 - c[2]) * t, c[3])


def darken(c, t):
    return (c[0] * (1 - t), c[1] * (1 - t), c[2] * (1 - t), c[3])


# ---------------------------------------------------------------- paints

def solid(c):
    return lambda x, y: c


def linear(x0, y0, x1, y1, c0, c1):
    dx, dy = x1 - x0, y1 - y0
    n = dx * dx + dy * dy or 1.0

    def paint(x, y):
        t = ((x - x0) * dx + (y - y0) * dy) / n
        return mix(c0, c1, min(1.0, max(0.0, t)))
    return paint


def radial(cx, cy, r, c0, c1):
    def paint(x, y):
        t = math.hypot(x - cx, y - cy) / r
        return mix(c0, c1, min(1.0, max(0.0, t)))
    return paint


# ---------------------------------------------------------------- shapes

class Shape:
    """A signed distance function (negative inside) with a bounding box."""

    def __init__(self, sdf, box):
        self.sdf = sdf
        self.box = box  # x0, y0, x1, y1


def circle(cx, cy, r):
    return Shape(lambda x, y: math.hypot(x - cx, y - cy) - r,
                 (cx - r, cy - r, cx + r, cy + r))


def rrect(x0, y0, x1, y1, r=0.0):
    cx, cy = (x0 + x1) / 2.0, (y0 + y1) / 2.0
    hx, hy = (x1 - x0) / 2.0 - r, (y1 - y0) / 2.0 - r

    def sdf(x, y):
        qx = abs(x - cx) - hx
        qy = abs(y - cy) - hy
        out = math.hypot(max(qx, 0.0), max(qy, 0.0))
        return out + min(max(qx, qy), 0.0) - r
    return Shape(sdf, (x0, y0, x1, y1))


def _segment_distance(x, y, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    n = dx * dx + dy * dy
    t = 0.0 if n == 0 else max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / n))
    return math.hypot(x - ax - t * dx, y - ay - t * dy)


def polygon(points, rounding=0.0):
    """Filled polygon (even-odd rule); rounding grows it with round corners."""
    pts = list(points)
    edges = list(zip(pts, pts[1:] + pts[:1]))

    def sdf(x, y):
        d = min(_segment_distance(x, y, a[0], a[1], b[0], b[1]) for a, b in edges)
        inside = False
        for (ax, ay), (bx, by) in edges:
            if (ay > y) != (by > y):
                if x < ax + (y - ay) * (bx - ax) / (by - ay):
                    inside = not inside
        return (-d if inside else d) - rounding
    xs = [p[0] for p in pts]
    ys = [p[1] for p in pts]
    return Shape(sdf, (min(xs) - rounding, min(ys) - rounding,
                       max(xs) + rounding, max(ys) + rounding))


def polyline(points, width):
    """A stroke of the given width through the points, with round ends."""
    pts = list(points)
    segs = list(zip(pts, pts[1:]))
    h = width / 2.0

    def sdf(x, y):
        return min(_segment_distance(x, y, a[0], a[1], b[0], b[1])
                   for a, b in segs) - h
    xs = [p[0] for p in pts]
    ys = [p[1] for p in pts]
    return Shape(sdf, (min(xs) - h, min(ys) - h, max(xs) + h, max(ys) + h))


def arc(cx, cy, r, a0, a1, width):
    """A stroke along the circle from angle a0 to a1 (degrees, clockwise on
    screen, 0 pointing right), with round ends."""
    h = width / 2.0
    s0, s1 = math.radians(a0), math.radians(a1)
    e0 = (cx + r * math.cos(s0), cy + r * math.sin(s0))
    e1 = (cx + r * math.cos(s1), cy + r * math.sin(s1))
    span = (a1 - a0) % 360.0

    def sdf(x, y):
        ang = math.degrees(math.atan2(y - cy, x - cx))
        if (ang - a0) % 360.0 <= span:
            return abs(math.hypot(x - cx, y - cy) - r) - h
        return min(math.hypot(x - e0[0], y - e0[1]),
                   math.hypot(x - e1[0], y - e1[1])) - h
    return Shape(sdf, (cx - r - h, cy - r - h, cx + r + h, cy + r + h))


def union(*shapes):
    def sdf(x, y):
        return min(s.sdf(x, y) for s in shapes)
    return Shape(sdf, (min(s.box[0] for s in shapes), min(s.box[1] for s in shapes),
                       max(s.box[2] for s in shapes), max(s.box[3] for s in shapes)))


def intersect(a, b):
    return Shape(lambda x, y: max(a.sdf(x, y), b.sdf(x, y)),
                 (max(a.box[0], b.box[0]), max(a.box[1], b.box[1]),
                  min(a.box[2], b.box[2]), min(a.box[3], b.box[3])))


def subtract(a, b):
    return Shape(lambda x, y: max(a.sdf(x, y), -b.sdf(x, y)), a.box)


def outline(shape, width):
    """The band of the given width centred on the shape's edge."""
    h = width / 2.0
    b = shape.box
    return Shape(lambda x, y: abs(shape.sdf(x, y)) - h,
                 (b[0] - h, b[1] - h, b[2] + h, b[3] + h))


def inner_outline(shape, width):
    """The band of the given width just inside the shape's edge."""
    return Shape(lambda x, y: abs(shape.sdf(x, y) + width / 2.0) - width / 2.0,
                 shape.box)


def translate(shape, dx, dy):
    b = shape.box
    return Shape(lambda x, y: shape.sdf(x - dx, y - dy),
                 (b[0] + dx, b[1] + dy, b[2] + dx, b[3] + dy))


# ---------------------------------------------------------------- canvas

class Canvas:
    """RGBA pixels, premultiplied floats, transparent at the start."""

    def __init__(self, width, height):
        self.w = width
        self.h = height
        self.px = [[0.0, 0.0, 0.0, 0.0] for _ in range(width * height)]

    def fill(self, shape, paint, opacity=1.0, soften=1.0):
        """Composites the shape over the canvas. soften is the width in
        pixels over which the edge fades (1 for a crisp anti-aliased edge,
        more for a soft shadow)."""
        pad = soften
        x0 = max(0, int(math.floor(shape.box[0] - pad)))
        y0 = max(0, int(math.floor(shape.box[1] - pad)))
        x1 = min(self.w, int(math.ceil(shape.box[2] + pad)) + 1)
        y1 = min(self.h, int(math.ceil(shape.box[3] + pad)) + 1)
        sdf = shape.sdf
        px = self.px
        for y in range(y0, y1):
            fy = y + 0.5
            row = y * self.w
            for x in range(x0, x1):
                fx = x + 0.5
                d = sdf(fx, fy)
                cov = 0.5 - d / soften
                if cov <= 0.0:
                    continue
                if cov > 1.0:
                    cov = 1.0
                c = paint(fx, fy)
                a = c[3] * cov * opacity
                if a <= 0.0:
                    continue
                p = px[row + x]
                k = 1.0 - a
                p[0] = c[0] * a + p[0] * k
                p[1] = c[1] * a + p[1] * k
                p[2] = c[2] * a + p[2] * k
                p[3] = a + p[3] * k

    def set_pixel(self, x, y, c):
        a = c[3]
        self.px[y * self.w + x] = [c[0] * a, c[1] * a, c[2] * a, a]

    def recolored(self, func):
        """A copy whose every colour went through func; alpha stays as it is,
        so the copy has exactly the same shape."""
        out = Canvas(self.w, self.h)
        for i, p in enumerate(self.px):
            a = p[3]
            if a <= 0.0:
                continue
            c = func((p[0] / a, p[1] / a, p[2] / a, 1.0))
            out.px[i] = [c[0] * a, c[1] * a, c[2] * a, a]
        return out

    def png_bytes(self):
        raw = bytearray()
        for y in range(self.h):
            raw.append(0)  # filter type: none
            for p in self.px[y * self.w:(y + 1) * self.w]:
                a = p[3]
                if a <= 0.0:
                    raw += b"\0\0\0\0"
                    continue
                raw.append(_byte(p[0] / a))
                raw.append(_byte(p[1] / a))
                raw.append(_byte(p[2] / a))
                raw.append(_byte(a))
        return _png(self.w, self.h, bytes(raw))


def _byte(v):
    return max(0, min(255, int(round(v * 255.0))))


def _chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def _png(width, height, raw):
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return (b"\x89PNG\r\n\x1a\n" + _chunk(b"IHDR", header)
            + _chunk(b"IDAT", zlib.compress(raw, 9)) + _chunk(b"IEND", b""))


def save(canvas, name):
    with open(os.path.join(OUT_DIR, name), "wb") as f:
        f.write(canvas.png_bytes())
    print("%-26s %4d x %-4d" % (name, canvas.w, canvas.h))


def hover(c):
    return lighten(c, 0.35)


def pressed(c):
    return darken(c, 0.28)


# ---------------------------------------------------------------- drawings

def draw_open(c):
    """Open folder with a sheet of paper, 30 x 28."""
    edge = rgb("#9A600C")
    back = union(rrect(2, 3.5, 13, 10, 1.6), rrect(2, 6, 26, 24.5, 2))
    c.fill(back, linear(0, 4, 0, 24, rgb("#E9A93A"), rgb("#C9821A")))
    c.fill(inner_outline(back, 1.0), solid(edge))
    paper = rrect(6, 8, 24, 21, 1)
    c.fill(paper, solid(rgb("#FFFFFF")))
    c.fill(inner_outline(paper, 0.8), solid(rgb("#9AA3AD")))
    for y in (11.5, 14.0, 16.5):
        c.fill(rrect(9, y - 0.45, 21, y + 0.45), solid(rgb("#B8C0C9")))
    front = polygon([(5.8, 12.8), (28.2, 12.8), (25.0, 25.0), (2.8, 25.0)], rounding=0.8)
    c.fill(front, linear(0, 12, 0, 26, rgb("#FFE27A"), rgb("#F5B433")))
    c.fill(inner_outline(front, 1.0), solid(edge))


def draw_save(c, scale=1.0, dx=0.0, dy=0.0):
    """Floppy disk; 30 x 28 at scale 1."""
    def r(x0, y0, x1, y1, rad=0.0):
        return rrect(dx + x0 * scale, dy + y0 * scale, dx + x1 * scale, dy + y1 * scale,
                     rad * scale)
    body = polygon([(dx + 3.5 * scale, dy + 1.5 * scale), (dx + 23.0 * scale, dy + 1.5 * scale),
                    (dx + 26.5 * scale, dy + 5.0 * scale), (dx + 26.5 * scale, dy + 26.5 * scale),
                    (dx + 3.5 * scale, dy + 26.5 * scale)], rounding=1.2 * scale)
    c.fill(body, linear(0, dy, 0, dy + 28 * scale, rgb("#4A88D4"), rgb("#1F5AA6")))
    c.fill(inner_outline(body, 1.0 * scale), solid(rgb("#163F75")))
    shutter = r(8.5, 1.5, 20.5, 10.0, 1.0)
    c.fill(shutter, linear(0, dy, 0, dy + 10 * scale, rgb("#EEF2F6"), rgb("#B9C3CE")))
    c.fill(inner_outline(shutter, 0.8 * scale), solid(rgb("#6F7E8E")))
    c.fill(r(15.5, 3.2, 18.5, 8.3, 0.5), solid(rgb("#1F4F8F")))
    label = r(7.0, 14.0, 23.0, 26.5, 1.2)
    c.fill(label, solid(rgb("#FFFFFF")))
    c.fill(inner_outline(label, 0.8 * scale), solid(rgb("#8FA0B3")))
    for y in (17.5, 20.5, 23.5):
        c.fill(r(9.5, y - 0.5, 20.5, y + 0.5), solid(rgb("#C2CAD3")))


def draw_help(c):
    """Blue disc with a white question mark, 40 x 40."""
    disc = circle(20, 20, 18.6)
    c.fill(disc, radial(15, 13, 24, rgb("#6FB3F5"), rgb("#1C57AD")))
    c.fill(inner_outline(disc, 1.2), solid(rgb("#143F80")))
    c.fill(arc(20, 20, 16.0, 200, 340, 1.2), solid(rgb("#FFFFFF", 0.35)))
    cx, cy, rad = 20.0, 15.2, 5.6
    pts = []
    for i in range(15):
        a = math.radians(195 + (400 - 195) * i / 14.0)
        pts.append((cx + rad * math.cos(a), cy + rad * math.sin(a)))
    pts += [(20.6, 21.4), (20.0, 22.6), (20.0, 24.2)]
    c.fill(polyline(pts, 4.2), solid(rgb("#FFFFFF")))
    c.fill(circle(20, 30.0, 2.5), solid(rgb("#FFFFFF")))


def draw_round_button(c, base_hi, base_lo, edge, glyph):
    """Round button filling the canvas, with a white glyph drawn by glyph(u)
    in a 32-unit design grid (u = pixels per unit)."""
    u = c.w / 32.0
    disc = circle(16 * u, 16 * u, 15.0 * u)
    c.fill(disc, radial(12 * u, 10 * u, 22 * u, base_hi, base_lo))
    c.fill(inner_outline(disc, max(1.0, 1.1 * u)), solid(edge))
    c.fill(arc(16 * u, 16 * u, 12.6 * u, 205, 335, 1.3 * u), solid(rgb("#FFFFFF", 0.35)))
    c.fill(glyph(u), solid(rgb("#FFFFFF")))


def draw_stop(c):
    draw_round_button(c, rgb("#F57A6A"), rgb("#BE2618"), rgb("#8A1B11"),
                      lambda u: rrect(10.5 * u, 10.5 * u, 21.5 * u, 21.5 * u, 1.6 * u))


def draw_start(c):
    draw_round_button(c, rgb("#74D877"), rgb("#208A2A"), rgb("#17621E"),
                      lambda u: polygon([(12.6 * u, 9.8 * u), (23.2 * u, 16 * u),
                                         (12.6 * u, 22.2 * u)], rounding=1.0 * u))


def draw_clear_log(c):
    """Log sheet with a red clearing badge, 48 x 48."""
    shadow = rrect(9, 5, 37, 43, 2.5)
    c.fill(translate(shadow, 1.2, 1.5), solid(rgb("#000000", 0.25)), soften=2.5)
    sheet = rrect(8, 4, 36, 42, 2.5)
    c.fill(sheet, linear(0, 4, 0, 42, rgb("#FFFFFF"), rgb("#E7ECF2")))
    c.fill(inner_outline(sheet, 1.2), solid(rgb("#7D8A99")))
    for i, y in enumerate((11, 16, 21, 26, 31)):
        x1 = 30 if i % 2 == 0 else 26
        c.fill(rrect(13, y - 0.8, x1, y + 0.8, 0.8), solid(rgb("#9DAAB8")))
    badge = circle(35, 35, 10)
    c.fill(badge, radial(32, 31, 13, rgb("#F57A6A"), rgb("#BE2618")))
    c.fill(inner_outline(badge, 1.2), solid(rgb("#8A1B11")))
    cross = union(polyline([(30.5, 30.5), (39.5, 39.5)], 2.8),
                  polyline([(39.5, 30.5), (30.5, 39.5)], 2.8))
    c.fill(cross, solid(rgb("#FFFFFF")))


def draw_mail(c):
    """Closed envelope, 32 x 32."""
    body = rrect(2.5, 7, 29.5, 25, 2)
    c.fill(translate(body, 0.6, 0.8), solid(rgb("#000000", 0.2)), soften=1.6)
    c.fill(body, linear(0, 7, 0, 25, rgb("#FFFFFF"), rgb("#E2E9F1")))
    c.fill(polyline([(3.6, 23.8), (13.2, 15.6)], 1.0), solid(rgb("#A9B7C6")))
    c.fill(polyline([(28.4, 23.8), (18.8, 15.6)], 1.0), solid(rgb("#A9B7C6")))
    flap = polygon([(3.4, 8.0), (28.6, 8.0), (16, 18.2)], rounding=0.4)
    c.fill(flap, linear(0, 8, 0, 18, rgb("#F3F6FA"), rgb("#D4DEE9")))
    c.fill(polyline([(3.6, 8.2), (16, 18.0), (28.4, 8.2)], 1.1), solid(rgb("#5E7A99")))
    c.fill(inner_outline(body, 1.1), solid(rgb("#5E7A99")))
    c.fill(rrect(23, 10, 27, 14.5, 0.6), solid(rgb("#E0533F")))


def draw_folder(c):
    """Closed folder, 22 x 22."""
    edge = rgb("#A56D12")
    back = union(rrect(1.5, 3.5, 9.5, 8.0, 1.2), rrect(1.5, 5.5, 20.5, 18.5, 1.5))
    c.fill(back, solid(rgb("#D99A2B")))
    c.fill(inner_outline(back, 1.0), solid(edge))
    front = rrect(1.5, 8.0, 20.5, 18.5, 1.5)
    c.fill(front, linear(0, 8, 0, 18.5, rgb("#FFD56A"), rgb("#F1AF34")))
    c.fill(inner_outline(front, 1.0), solid(edge))


def draw_splitter(c, vertical_line):
    """A dotted grip: darker dots on the handle grey, one pixel thin."""
    n = c.h if vertical_line else c.w
    for i in range(n):
        colour = rgb("#7E7E7E") if i % 3 != 2 else rgb("#C8C8C8")
        if i < 2 or i >= n - 2:
            colour = rgb("#ABABAB")
        if vertical_line:
            c.set_pixel(0, i, colour)
        else:
            c.set_pixel(i, 0, colour)


def draw_logo(c, cx, cy, R):
    """The product mark: a blue disc with a white envelope between two
    orange arrows that turn around it (one mail store becoming another)."""
    disc = circle(cx, cy, R)
    c.fill(translate(disc, 0, 0.03 * R), solid(rgb("#000000", 0.25)), soften=max(1.0, 0.05 * R))
    c.fill(disc, radial(cx - 0.3 * R, cy - 0.35 * R, 1.5 * R, rgb("#5DA8F0"), rgb("#123E7C")))
    c.fill(inner_outline(disc, max(1.0, 0.035 * R)), solid(rgb("#0E2F5E")))
    c.fill(arc(cx, cy, 0.93 * R, 200, 340, max(1.0, 0.03 * R)), solid(rgb("#FFFFFF", 0.3)))
    # envelope
    ew, eh = 0.50 * R, 0.34 * R
    env = rrect(cx - ew, cy - eh, cx + ew, cy + eh, 0.07 * R)
    c.fill(translate(env, 0.015 * R, 0.03 * R), solid(rgb("#000000", 0.3)), soften=max(1.0, 0.04 * R))
    c.fill(env, linear(cx, cy - eh, cx, cy + eh, rgb("#FFFFFF"), rgb("#DCE6F2")))
    lw = max(1.0, 0.045 * R)
    c.fill(polyline([(cx - ew + 0.06 * R, cy - eh + 0.06 * R), (cx, cy + 0.06 * R),
                     (cx + ew - 0.06 * R, cy - eh + 0.06 * R)], lw), solid(rgb("#1F5FB8")))
    c.fill(polyline([(cx - ew + 0.07 * R, cy + eh - 0.07 * R), (cx - 0.17 * R, cy - 0.02 * R)],
                    lw * 0.7), solid(rgb("#8FA9C8")))
    c.fill(polyline([(cx + ew - 0.07 * R, cy + eh - 0.07 * R), (cx + 0.17 * R, cy - 0.02 * R)],
                    lw * 0.7), solid(rgb("#8FA9C8")))
    # two arrows turning clockwise around the envelope
    orange = linear(cx, cy - R, cx, cy + R, rgb("#FFB547"), rgb("#F07D12"))
    ar, aw = 0.76 * R, 0.10 * R
    for a0, a1 in ((198.0, 322.0), (18.0, 142.0)):
        c.fill(arc(cx, cy, ar, a0, a1, aw), orange)
        t = math.radians(a1)
        ex, ey = cx + ar * math.cos(t), cy + ar * math.sin(t)
        nx, ny = math.cos(t), math.sin(t)       # outward
        tx, ty = -math.sin(t), math.cos(t)      # clockwise tangent
        head = polygon([(ex + nx * 0.14 * R, ey + ny * 0.14 * R),
                        (ex + tx * 0.20 * R, ey + ty * 0.20 * R),
                        (ex - nx * 0.14 * R, ey - ny * 0.14 * R)], rounding=0.015 * R)
        c.fill(head, orange)


def draw_register(c):
    """An agreement certificate with a seal, square."""
    s = c.w / 141.0

    def r(x0, y0, x1, y1, rad=0.0):
        return rrect(x0 * s, y0 * s, x1 * s, y1 * s, rad * s)
    sheet = r(20, 8, 108, 126, 6)
    c.fill(translate(sheet, 2 * s, 3 * s), solid(rgb("#000000", 0.28)), soften=5 * s)
    c.fill(sheet, linear(0, 8 * s, 0, 126 * s, rgb("#FFFFFF"), rgb("#E9EEF4")))
    c.fill(inner_outline(sheet, 1.6 * s), solid(rgb("#7D8A99")))
    c.fill(r(34, 20, 94, 27, 2.5), solid(rgb("#1F5FB8")))
    for i, y in enumerate((40, 50, 60, 70, 80)):
        x1 = 94 if i != 4 else 70
        c.fill(r(34, y - 1.6, x1, y + 1.6, 1.6), solid(rgb("#A8B4C2")))
    c.fill(r(34, 104, 68, 106.5, 1.2), solid(rgb("#5E7A99")))
    # ribbons below the seal
    red_lo, red_hi = rgb("#A8261A"), rgb("#E0533F")
    for sign in (-1, 1):
        bx = 100 + sign * 8
        rib = polygon([((bx - 7) * s, 100 * s), ((bx + 7) * s, 100 * s), ((bx + 7 + sign * 3) * s, 134 * s),
                       ((bx + sign * 3) * s, 127 * s), ((bx - 7 + sign * 3) * s, 134 * s)])
        c.fill(rib, linear(0, 100 * s, 0, 134 * s, red_hi, red_lo))
    seal = circle(100 * s, 96 * s, 22 * s)
    c.fill(translate(seal, 1 * s, 2 * s), solid(rgb("#000000", 0.3)), soften=3 * s)
    c.fill(seal, radial(94 * s, 89 * s, 28 * s, rgb("#FFD56A"), rgb("#D38A12")))
    c.fill(inner_outline(seal, 1.6 * s), solid(rgb("#9A600C")))
    c.fill(outline(circle(100 * s, 96 * s, 15.5 * s), 1.4 * s), solid(rgb("#9A600C")))
    tick = polyline([(91.5 * s, 96.5 * s), (97.5 * s, 102.5 * s), (109 * s, 89.5 * s)], 4.2 * s)
    c.fill(tick, solid(rgb("#FFFFFF")))


def draw_about(c):
    """Tall side panel of the About dialog: rounded, with the mark near the
    top and a stack of mailboxes below it."""
    w, h = c.w, c.h
    panel = rrect(1, 1, w - 1, h - 1, 14)
    c.fill(panel, linear(0, 0, 0, h, rgb("#2F7FD8"), rgb("#0F3366")))
    c.fill(inner_outline(panel, 1.2), solid(rgb("#0B2650")))
    # soft light from the top
    c.fill(intersect(panel, circle(w / 2.0, -40, 150)), solid(rgb("#FFFFFF", 0.10)), soften=40)
    draw_logo(c, w / 2.0, 86, 58)
    # three mailbox trays, the converted ones in orange
    for i, y in enumerate((176, 204, 232)):
        tray = rrect(30, y, w - 30, y + 20, 4)
        colour = (rgb("#FFB547"), rgb("#F07D12")) if i == 2 else (rgb("#E8EFF7"), rgb("#B8C8DB"))
        c.fill(translate(tray, 0, 2), solid(rgb("#000000", 0.25)), soften=3)
        c.fill(tray, linear(0, y, 0, y + 20, colour[0], colour[1]))
        c.fill(rrect(w / 2.0 - 16, y + 7, w / 2.0 + 16, y + 12, 2.5), solid(rgb("#000000", 0.22)))
    c.fill(polygon([(w / 2.0 - 9, 262), (w / 2.0 + 9, 262), (w / 2.0, 272)], rounding=1),
           solid(rgb("#FFFFFF", 0.65)))


# ---------------------------------------------------------------- main

def make(w, h, drawer, *args):
    c = Canvas(w, h)
    drawer(c, *args)
    return c


def main():
    open_icon = make(30, 28, draw_open)
    save(open_icon, "img_Open.png")
    save(open_icon.recolored(hover), "img_HoverOpen.png")

    save_icon = make(30, 28, draw_save)
    save(save_icon, "img_Save.png")
    save(save_icon.recolored(hover), "img_HoverSave.png")
    save(make(48, 48, draw_save, 48.0 / 30.0, 0.0, 1.6).recolored(pressed), "img_Save_Click.png")

    save(make(40, 40, draw_help), "img_HelpFile.png")

    stop48 = make(48, 48, draw_stop)
    save(stop48, "img_Stop.png")
    save(stop48.recolored(pressed), "img_Stop_Click.png")
    stop32 = make(32, 32, draw_stop)
    save(stop32.recolored(hover), "img_HoverStop.png")
    save(stop32.recolored(pressed), "img_StopClick.png")

    start = make(32, 32, draw_start)
    save(start, "img_Start.png")
    save(start.recolored(hover), "img_HoverStart.png")
    save(start.recolored(pressed), "img_StartClick.png")

    clear = make(48, 48, draw_clear_log)
    save(clear, "img_ClearLog.png")
    save(clear.recolored(pressed), "img_ClearLog_Click.png")

    save(make(32, 32, draw_mail), "img_Mail.png")
    save(make(22, 22, draw_folder), "img_Folder.png")
    save(make(1, 24, draw_splitter, True), "img_Hsplitter.png")
    save(make(24, 1, draw_splitter, False), "img_Vsplitter.png")

    save(make(799, 799, draw_logo, 399.5, 399.5, 380.0), "img_logo_progressbar.png")
    save(make(141, 141, draw_register), "img_Register.png")
    save(make(164, 293, draw_about), "img_About.png")


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Draw the default bitmaps of the Tarnwick setup wizard.

usage: make_bitmaps.py OUTPUT_FOLDER

Writes two uncompressed 24-bit BMP files into OUTPUT_FOLDER (created if
missing):

WizBitmap.bmp (155 x 310)
    The left pane of the welcome and finish pages: a night scene of a tarn,
    a small mountain lake.  A sky that runs from deep teal at the top to a
    paler teal glow at the horizon, faint stars and a crescent moon, two
    layered mountain ridges with a softly lit main peak, a thin light line
    along the far shore, and a lake that holds a soft, fading reflection of
    the ridges and a quiet moonlight path, darkening to navy at the bottom.

HeadBitmap.bmp (500 x 60)
    The header band of the inner pages.  The left part, where the page title
    and subtitle are written at run time, stays white; towards the right it
    fades very gently to a pale teal tint.  On the right sits a small round
    emblem (about 40 px) showing the same mountain-and-lake scene in the same
    palette.

Everything is drawn with the standard library only.  Shapes are polygons
whose coverage is computed exactly along x and with 4 sub-rows per pixel
along y, which gives smooth anti-aliased edges.  No randomness from the
outside is used, so every run produces the same bytes.
"""

import math
import os
import struct
import sys

SUBROWS = 4  # vertical supersampling of polygon edges

# Palette (R, G, B)
SKY_TOP = (12, 74, 88)
SKY_HORIZON = (44, 122, 126)
FAR_RIDGE = (26, 84, 100)
FAR_RIDGE_LIT = (44, 110, 122)
NEAR_RIDGE = (14, 48, 72)
NEAR_RIDGE_LIT = (24, 66, 88)
SHORE = (10, 34, 58)
LAKE_TOP = (26, 86, 104)
LAKE_BOTTOM = (9, 22, 50)
MOON = (236, 244, 236)
GLOW = (170, 222, 214)
WHITE = (255, 255, 255)
PALE_TINT = (230, 242, 241)


# ---------------------------------------------------------------------------
# Small helpers

def lerp(a, b, t):
    return a + (b - a) * t


def mix(c1, c2, t):
    """Blend two colours; t=0 gives c1, t=1 gives c2."""
    return tuple(lerp(a, b, t) for a, b in zip(c1, c2))


def smoothstep(edge0, edge1, x):
    t = min(1.0, max(0.0, (x - edge0) / (edge1 - edge0)))
    return t * t * (3.0 - 2.0 * t)


class Lcg:
    """A tiny linear congruential generator, so the layout never changes."""

    def __init__(self, seed):
        self.state = seed & 0xFFFFFFFF

    def next(self):
        """Return a float in [0, 1)."""
        self.state = (self.state * 1664525 + 1013904223) & 0xFFFFFFFF
        return self.state / 4294967296.0

    def uniform(self, a, b):
        return lerp(a, b, self.next())


# ---------------------------------------------------------------------------
# Canvas and drawing primitives

class Canvas:
    """An RGB image held as floats, row 0 at the top."""

    def __init__(self, width, height, color=(0, 0, 0)):
        self.width = width
        self.height = height
        self.pixels = [list(color) for _ in range(width * height)]

    def blend(self, x, y, color, alpha):
        if alpha <= 0.0 or not (0 <= x < self.width and 0 <= y < self.height):
            return
        alpha = min(alpha, 1.0)
        p = self.pixels[y * self.width + x]
        for i in range(3):
            p[i] += (color[i] - p[i]) * alpha

    def get(self, x, y):
        return tuple(self.pixels[y * self.width + x])


def _value(v, x, y):
    """A drawing parameter is either a constant or a function of (x, y)."""
    return v(x, y) if callable(v) else v


def vertical_gradient(canvas, stops, top=0, bottom=None):
    """Fill rows top..bottom-1 with a gradient through (position, colour)
    stops, positions running from 0.0 (top) to 1.0 (bottom)."""
    if bottom is None:
        bottom = canvas.height
    span = max(1, bottom - top - 1)
    for y in range(top, bottom):
        t = (y - top) / span
        color = gradient_color(stops, t)
        for x in range(canvas.width):
            canvas.pixels[y * canvas.width + x] = list(color)


def gradient_color(stops, t):
    if t <= stops[0][0]:
        return stops[0][1]
    for (t0, c0), (t1, c1) in zip(stops, stops[1:]):
        if t <= t1:
            return mix(c0, c1, smoothstep(t0, t1, t))
    return stops[-1][1]


def polygon_coverage(points, width, height):
    """Coverage (0..1) of every pixel by a polygon (even-odd rule).

    Each pixel row is cut into SUBROWS scanlines; along each scanline the
    covered length inside every pixel is measured exactly.  Returns a dict
    {(x, y): coverage} holding only the touched pixels.
    """
    cov = {}
    ys = [p[1] for p in points]
    first = max(0, int(math.floor(min(ys) * SUBROWS)))
    last = min(height * SUBROWS, int(math.ceil(max(ys) * SUBROWS)))
    edges = list(zip(points, points[1:] + points[:1]))
    weight = 1.0 / SUBROWS
    for sub in range(first, last):
        yc = (sub + 0.5) / SUBROWS
        row = sub // SUBROWS
        xs = []
        for (x0, y0), (x1, y1) in edges:
            if (y0 <= yc < y1) or (y1 <= yc < y0):
                xs.append(x0 + (yc - y0) * (x1 - x0) / (y1 - y0))
        xs.sort()
        for a, b in zip(xs[0::2], xs[1::2]):
            a = max(a, 0.0)
            b = min(b, float(width))
            if b <= a:
                continue
            for px in range(int(math.floor(a)), int(math.ceil(b))):
                overlap = min(b, px + 1.0) - max(a, float(px))
                if overlap > 0.0:
                    key = (px, row)
                    cov[key] = cov.get(key, 0.0) + overlap * weight
    return cov


def fill_coverage(canvas, cov, color, alpha=1.0):
    """Paint a coverage map; colour and alpha may be functions of (x, y)."""
    for (x, y), c in cov.items():
        canvas.blend(x, y, _value(color, x, y), min(c, 1.0) * _value(alpha, x, y))


def fill_polygon(canvas, points, color, alpha=1.0):
    cov = polygon_coverage(points, canvas.width, canvas.height)
    fill_coverage(canvas, cov, color, alpha)


def ellipse_points(cx, cy, rx, ry, steps=96):
    return [(cx + rx * math.cos(2 * math.pi * i / steps),
             cy + ry * math.sin(2 * math.pi * i / steps)) for i in range(steps)]


def ellipse_coverage(cx, cy, rx, ry, width, height):
    return polygon_coverage(ellipse_points(cx, cy, rx, ry), width, height)


def fill_ellipse(canvas, cx, cy, rx, ry, color, alpha=1.0):
    fill_polygon(canvas, ellipse_points(cx, cy, rx, ry), color, alpha)


def soft_glow(canvas, cx, cy, radius, color, strength):
    """A round glow that fades out smoothly (quadratically) to `radius`."""
    for y in range(max(0, int(cy - radius)), min(canvas.height, int(cy + radius) + 2)):
        for x in range(max(0, int(cx - radius)), min(canvas.width, int(cx + radius) + 2)):
            d = math.hypot(x + 0.5 - cx, y + 0.5 - cy) / radius
            if d < 1.0:
                canvas.blend(x, y, color, strength * (1.0 - d) ** 2)


def point_splat(canvas, x, y, color, alpha):
    """A single sub-pixel positioned dot, spread bilinearly over 4 pixels."""
    x -= 0.5
    y -= 0.5
    x0, y0 = int(math.floor(x)), int(math.floor(y))
    fx, fy = x - x0, y - y0
    canvas.blend(x0, y0, color, alpha * (1 - fx) * (1 - fy))
    canvas.blend(x0 + 1, y0, color, alpha * fx * (1 - fy))
    canvas.blend(x0, y0 + 1, color, alpha * (1 - fx) * fy)
    canvas.blend(x0 + 1, y0 + 1, color, alpha * fx * fy)


def crescent(canvas, cx, cy, r, shadow_dx, shadow_dy, color, alpha=1.0):
    """A crescent: a disc minus a slightly shifted disc of the same size."""
    disc = ellipse_coverage(cx, cy, r, r, canvas.width, canvas.height)
    shadow = ellipse_coverage(cx + shadow_dx, cy + shadow_dy, r, r,
                              canvas.width, canvas.height)
    cov = {k: max(0.0, min(v, 1.0) - min(shadow.get(k, 0.0), 1.0))
           for k, v in disc.items()}
    fill_coverage(canvas, cov, color, alpha)


def reflect(points, horizon):
    """Mirror a polygon about the horizontal line y = horizon."""
    return [(x, 2 * horizon - y) for x, y in points]


def ridge(profile, base):
    """Close a ridge line (left to right) down to y = base."""
    return ([(profile[0][0], base)] + list(profile) + [(profile[-1][0], base)])


# ---------------------------------------------------------------------------
# The welcome-page picture

def draw_wizard_bitmap():
    w, h = 155, 310
    horizon = 214.0
    canvas = Canvas(w, h)

    # Sky: deep teal at the top, a paler teal glow towards the horizon.
    vertical_gradient(canvas, [(0.0, SKY_TOP), (0.55, mix(SKY_TOP, SKY_HORIZON, 0.45)),
                               (1.0, SKY_HORIZON)], 0, int(horizon) + 1)
    # Lake: reflected horizon light darkening to navy at the bottom.
    vertical_gradient(canvas, [(0.0, LAKE_TOP), (0.45, mix(LAKE_TOP, LAKE_BOTTOM, 0.7)),
                               (1.0, LAKE_BOTTOM)], int(horizon) + 1, h)

    # Stars, thinning out towards the horizon.
    rng = Lcg(20240611)
    moon = (112.0, 56.0)
    for _ in range(70):
        x, y = rng.uniform(3, w - 3), rng.uniform(4, 150)
        brightness = rng.uniform(0.15, 0.55) * (1.0 - smoothstep(60, 155, y))
        if math.hypot(x - moon[0], y - moon[1]) < 22 or brightness < 0.05:
            continue
        point_splat(canvas, x, y, MOON, brightness)
    for x, y in [(28.5, 30.5), (66.0, 19.0), (138.0, 104.0), (20.0, 86.0)]:
        soft_glow(canvas, x, y, 2.6, MOON, 0.35)
        point_splat(canvas, x, y, MOON, 0.85)

    # Crescent moon with a wide, faint halo.
    soft_glow(canvas, moon[0], moon[1], 42, GLOW, 0.16)
    soft_glow(canvas, moon[0], moon[1], 16, GLOW, 0.22)
    crescent(canvas, moon[0], moon[1], 8.5, 4.2, -2.6, MOON, 0.95)

    # Far ridge: a broad, hazy range with the main peak left of centre.
    far = [(-2, 176), (10, 166), (22, 158), (34, 142), (44, 128), (52, 116),
           (57, 110), (62, 117), (70, 124), (78, 133), (86, 139), (96, 134),
           (106, 126), (113, 130), (122, 140), (134, 150), (146, 160),
           (157, 166)]
    far_poly = ridge(far, horizon)
    # Moonlit faces: the right-hand slopes of the peaks catch the light.
    far_lit = [(57, 110), (62, 117), (70, 124), (78, 133), (86, 139),
               (80, 160), (74, 200), (64, 200), (60, 150)]
    far_lit2 = [(106, 126), (113, 130), (122, 140), (134, 150), (146, 160),
                (136, 200), (116, 200), (110, 160)]

    # Near ridge: lower, darker hills closing the lake.
    near = [(-2, 186), (8, 182), (18, 176), (28, 178), (38, 186), (50, 192),
            (62, 196), (74, 193), (86, 186), (98, 178), (108, 172),
            (116, 175), (126, 182), (138, 190), (150, 196), (157, 198)]
    near_poly = ridge(near, horizon)
    near_lit = [(18, 176), (28, 178), (38, 186), (50, 192), (36, 200),
                (24, 188)]
    near_lit2 = [(108, 172), (116, 175), (126, 182), (138, 190), (150, 196),
                 (128, 202), (114, 186)]

    # Reflections first (below the horizon), faded with distance.
    def reflection_alpha(strength):
        return lambda x, y: strength * (1.0 - smoothstep(horizon, horizon + 70, y))

    fill_polygon(canvas, reflect(far_poly, horizon), FAR_RIDGE, reflection_alpha(0.55))
    fill_polygon(canvas, reflect(near_poly, horizon), NEAR_RIDGE, reflection_alpha(0.7))

    # Moonlight path on the water: short, soft streaks under the moon.
    rng = Lcg(77)
    y = horizon + 3.0
    gap = 2.2
    while y < h - 4:
        depth = (y - horizon) / (h - horizon)
        half = lerp(10.0, 24.0, depth) * rng.uniform(0.45, 1.0)
        cx = moon[0] + rng.uniform(-4.0, 4.0)
        thickness = lerp(0.45, 1.0, depth)
        alpha = 0.32 * (1.0 - 0.65 * depth)
        streak = [(cx - half, y), (cx + half, y),
                  (cx + half, y + thickness), (cx - half, y + thickness)]
        fade = (lambda c, hw, a: lambda x, yy:
                a * (1.0 - smoothstep(0.35, 1.0, abs(x + 0.5 - c) / hw)))(cx, half, alpha)
        fill_polygon(canvas, streak, GLOW, fade)
        y += gap
        gap *= 1.09

    # Ridges themselves.
    fill_polygon(canvas, far_poly, FAR_RIDGE)
    fill_polygon(canvas, far_lit, FAR_RIDGE_LIT, 0.8)
    fill_polygon(canvas, far_lit2, FAR_RIDGE_LIT, 0.6)
    # Haze lying low between the two ridges.
    haze = [(-2, 168), (157, 168), (157, horizon), (-2, horizon)]
    fill_polygon(canvas, haze, SKY_HORIZON,
                 lambda x, y: 0.45 * smoothstep(168, 196, y))
    fill_polygon(canvas, near_poly, NEAR_RIDGE)
    fill_polygon(canvas, near_lit, NEAR_RIDGE_LIT, 0.8)
    fill_polygon(canvas, near_lit2, NEAR_RIDGE_LIT, 0.8)

    # A dark strip of shore and a thin line of light where it meets the water.
    shore = [(-2, horizon - 2.5), (157, horizon - 2.0), (157, horizon), (-2, horizon)]
    fill_polygon(canvas, shore, SHORE, 0.85)
    line = [(-2, horizon), (157, horizon), (157, horizon + 0.8), (-2, horizon + 0.8)]
    fill_polygon(canvas, line, GLOW,
                 lambda x, y: 0.75 * smoothstep(0, 60, x) * (1 - smoothstep(130, 158, x)) + 0.12)
    return canvas


# ---------------------------------------------------------------------------
# The header band and its emblem

def draw_emblem(size):
    """The mountain-and-lake scene in a small square, to be cut into a disc."""
    s = size / 40.0  # designed on a 40 x 40 grid
    canvas = Canvas(size, size)
    horizon = 25.0 * s
    vertical_gradient(canvas, [(0.0, SKY_TOP), (1.0, SKY_HORIZON)], 0, int(horizon) + 1)
    vertical_gradient(canvas, [(0.0, LAKE_TOP), (1.0, LAKE_BOTTOM)], int(horizon) + 1, size)

    soft_glow(canvas, 27 * s, 10 * s, 9 * s, GLOW, 0.25)
    crescent(canvas, 27 * s, 10 * s, 3.2 * s, 1.6 * s, -1.0 * s, MOON)
    point_splat(canvas, 11 * s, 8 * s, MOON, 0.7)
    point_splat(canvas, 17 * s, 4.5 * s, MOON, 0.45)

    far = [(-1, 21), (6, 17), (12, 11.5), (15, 9.5), (18, 12), (22, 15.5),
           (26, 14), (31, 17), (37, 20), (41, 21)]
    near = [(-1, 22), (5, 20.5), (11, 22.5), (18, 23.5), (25, 21.5),
            (30, 19.5), (35, 21.5), (41, 23)]
    far_poly = ridge([(x * s, y * s) for x, y in far], horizon)
    near_poly = ridge([(x * s, y * s) for x, y in near], horizon)
    far_lit = [(x * s, y * s) for x, y in
               [(15, 9.5), (18, 12), (22, 15.5), (19, 19), (16, 15)]]

    fade = lambda strength: (lambda x, y: strength *
                             (1.0 - smoothstep(horizon, horizon + 12 * s, y)))
    fill_polygon(canvas, reflect(far_poly, horizon), FAR_RIDGE, fade(0.6))
    fill_polygon(canvas, reflect(near_poly, horizon), NEAR_RIDGE, fade(0.7))
    for i, (half, dy) in enumerate([(4.5, 2.5), (3.5, 5.0), (2.5, 8.0), (1.8, 11.0)]):
        y = horizon + dy * s
        streak = [((27 - half) * s, y), ((27 + half) * s, y),
                  ((27 + half) * s, y + 0.7 * s), ((27 - half) * s, y + 0.7 * s)]
        fill_polygon(canvas, streak, GLOW, 0.35 - 0.06 * i)

    fill_polygon(canvas, far_poly, FAR_RIDGE)
    fill_polygon(canvas, far_lit, FAR_RIDGE_LIT, 0.8)
    fill_polygon(canvas, near_poly, NEAR_RIDGE)
    line = [(0, horizon), (size, horizon), (size, horizon + 0.5 * s), (0, horizon + 0.5 * s)]
    fill_polygon(canvas, line, GLOW, 0.6)
    return canvas


def draw_header_bitmap():
    w, h = 500, 60
    canvas = Canvas(w, h, WHITE)

    # White on the left, fading very gently to a pale tint on the right.
    for x in range(w):
        t = smoothstep(330, 500, x)
        color = mix(WHITE, PALE_TINT, t)
        for y in range(h):
            canvas.pixels[y * w + x] = list(color)

    # Round emblem, centred in the visible part of the band (rows 0..57).
    cx, cy, r = 460.0, 29.0, 20.0
    ring = ellipse_coverage(cx, cy, r + 1.6, r + 1.6, w, h)
    fill_coverage(canvas, ring, (120, 172, 176), 0.55)
    ring_gap = ellipse_coverage(cx, cy, r + 0.8, r + 0.8, w, h)
    fill_coverage(canvas, ring_gap, WHITE, 1.0)

    size = 2 * int(r) + 2
    ox, oy = int(cx - size / 2), int(cy - size / 2)
    emblem = draw_emblem(size)
    mask = ellipse_coverage(cx - ox, cy - oy, r, r, size, size)
    for (x, y), c in mask.items():
        canvas.blend(ox + x, oy + y, emblem.get(x, y), min(c, 1.0))
    return canvas


# ---------------------------------------------------------------------------
# BMP output

def write_bmp(path, canvas):
    """Write an uncompressed 24-bit BMP (BITMAPINFOHEADER, bottom-up rows)."""
    w, h = canvas.width, canvas.height
    row_size = (w * 3 + 3) & ~3
    padding = b"\0" * (row_size - w * 3)
    image_size = row_size * h
    offset = 14 + 40
    data = bytearray()
    data += struct.pack("<2sIHHI", b"BM", offset + image_size, 0, 0, offset)
    data += struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, image_size,
                        2835, 2835, 0, 0)  # 72 dpi
    for y in range(h - 1, -1, -1):
        for x in range(w):
            r, g, b = (max(0, min(255, int(round(v)))) for v in canvas.get(x, y))
            data += bytes((b, g, r))
        data += padding
    with open(path, "wb") as f:
        f.write(data)


def main(argv):
    if len(argv) != 2:
        sys.stderr.write("usage: make_bitmaps.py OUTPUT_FOLDER\n")
        return 2
    folder = argv[1]
    os.makedirs(folder, exist_ok=True)
    write_bmp(os.path.join(folder, "WizBitmap.bmp"), draw_wizard_bitmap())
    write_bmp(os.path.join(folder, "HeadBitmap.bmp"), draw_header_bitmap())
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

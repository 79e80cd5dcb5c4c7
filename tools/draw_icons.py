#!/usr/bin/env python3
"""Draws Kelvr's icons and writes them to src/win32/res/*.ico.

Run from anywhere with `python3 tools/draw_icons.py`; it needs nothing beyond Python 3's
standard library, and the same script always writes the same bytes.

Every picture is made of shapes given by signed distance functions (negative inside),
painted in order, the last one on top.  Each pixel is sampled SUPER x SUPER times, which
smooths the edges between shapes; where a pixel is less than half covered it becomes
transparent through the icon's AND mask.  The colours are then reduced to the icon's
palette (16 or 256 entries) by median cut, index 0 being kept black for the transparent
pixels, as the AND/XOR drawing of an icon wants.
"""

import math
import os
import struct

SUPER = 8  # samples per pixel along each axis

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
RES_DIR = os.path.join(ROOT, "src", "win32", "res")


# ---------------------------------------------------------------------------------------
# Shapes: each is a function (x, y) -> signed distance in pixels, y growing downwards.

def circle(cx, cy, r):
    return lambda x, y: math.hypot(x - cx, y - cy) - r


def rounded_box(x0, y0, x1, y1, r=0.0):
    cx, cy = (x0 + x1) / 2.0, (y0 + y1) / 2.0
    hw, hh = (x1 - x0) / 2.0 - r, (y1 - y0) / 2.0 - r

    def d(x, y):
        qx, qy = abs(x - cx) - hw, abs(y - cy) - hh
        outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
        return outside + min(max(qx, qy), 0.0) - r
    return d


def capsule(ax, ay, bx, by, r):
    """A stroke from (ax, ay) to (bx, by), r wide on each side, with round ends."""
    dx, dy = bx - ax, by - ay
    length2 = dx * dx + dy * dy

    def d(x, y):
        t = 0.0 if length2 == 0 else ((x - ax) * dx + (y - ay) * dy) / length2
        t = min(max(t, 0.0), 1.0)
        return math.hypot(x - ax - t * dx, y - ay - t * dy) - r
    return d


def arc(cx, cy, radius, start, sweep, r):
    """A stroke along a circle's arc, r wide on each side, with round ends.

    Angles are in degrees, counterclockwise as seen on screen (0 = right, 90 = up);
    a negative sweep goes clockwise."""
    lo, hi = (start, start + sweep) if sweep >= 0 else (start + sweep, start)
    ends = [(cx + radius * math.cos(math.radians(a)), cy - radius * math.sin(math.radians(a)))
            for a in (lo, hi)]

    def d(x, y):
        a = math.degrees(math.atan2(cy - y, x - cx))
        while a < lo:
            a += 360.0
        while a >= lo + 360.0:
            a -= 360.0
        if a <= hi:
            return abs(math.hypot(x - cx, y - cy) - radius) - r
        return min(math.hypot(x - ex, y - ey) for ex, ey in ends) - r
    return d


def wedge(cx, cy, radius, start, sweep):
    """A pie slice: angles in degrees, counterclockwise as seen on screen, sweep > 0."""
    a0, a1 = math.radians(start), math.radians(start + sweep)
    # Normals of the two straight sides, pointing into the slice (y up).
    n0 = (-math.sin(a0), math.cos(a0))
    n1 = (math.sin(a1), -math.cos(a1))
    reflex = sweep > 180.0

    def d(x, y):
        px, py = x - cx, cy - y
        s0 = -(px * n0[0] + py * n0[1])
        s1 = -(px * n1[0] + py * n1[1])
        sides = min(s0, s1) if reflex else max(s0, s1)
        return max(sides, math.hypot(px, py) - radius)
    return d


def union(*shapes):
    return lambda x, y: min(s(x, y) for s in shapes)


def inset(shape, w):
    return lambda x, y: shape(x, y) + w


# ---------------------------------------------------------------------------------------
# Paints: a colour, or a function (x, y) -> colour.

def lerp(c0, c1, t):
    t = min(max(t, 0.0), 1.0)
    return tuple(a + (b - a) * t for a, b in zip(c0, c1))


def lit(light, dark, cx, cy, radius):
    """Light from the upper left: `light` at the top left of a circle, `dark` at the bottom right."""
    k = 1.0 / (2.0 * radius * math.sqrt(2.0))

    def paint(x, y):
        return lerp(light, dark, 0.5 + ((x - cx) + (y - cy)) * k)
    return paint


def render(size, layers, background=None):
    """Paints the layers [(shape, paint), ...] and returns rows of (r, g, b) or None."""
    step = 1.0 / SUPER
    half = SUPER * SUPER / 2.0
    image = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0.0, 0.0, 0.0]
            covered = 0
            for sy in range(SUPER):
                y = py + (sy + 0.5) * step
                for sx in range(SUPER):
                    x = px + (sx + 0.5) * step
                    colour = background
                    for shape, paint in reversed(layers):
                        if shape(x, y) <= 0.0:
                            colour = paint(x, y) if callable(paint) else paint
                            break
                    if colour is not None:
                        covered += 1
                        acc[0] += colour[0]
                        acc[1] += colour[1]
                        acc[2] += colour[2]
            if covered >= half:
                row.append(tuple(int(round(c / covered)) for c in acc))
            else:
                row.append(None)
        image.append(row)
    return image


# ---------------------------------------------------------------------------------------
# Palettes.

def median_cut(counts, wanted):
    """Reduces {colour: count} to at most `wanted` colours; returns the list of them."""
    if len(counts) <= wanted:
        return sorted(counts)
    boxes = [sorted(counts)]
    while len(boxes) < wanted:
        best, best_score, best_channel = None, -1, 0
        for i, box in enumerate(boxes):
            if len(box) < 2:
                continue
            for ch in range(3):
                values = [c[ch] for c in box]
                spread = max(values) - min(values)
                score = spread * sum(counts[c] for c in box) ** 0.5
                if score > best_score:
                    best, best_score, best_channel = i, score, ch
        if best is None:
            break
        box = sorted(boxes[best], key=lambda c: (c[best_channel], c))
        total = sum(counts[c] for c in box)
        run, cut = 0, 1
        for j, c in enumerate(box[:-1]):
            run += counts[c]
            cut = j + 1
            if run * 2 >= total:
                break
        boxes[best:best + 1] = [box[:cut], box[cut:]]
    palette = []
    for box in boxes:
        total = sum(counts[c] for c in box)
        palette.append(tuple(int(round(sum(c[ch] * counts[c] for c in box) / total))
                             for ch in range(3)))
    return sorted(set(palette))


def index_image(image, bpp):
    """Returns (palette, rows of indices); index 0 is black and used for transparent pixels."""
    entries = 1 << bpp
    counts = {}
    for row in image:
        for c in row:
            if c is not None:
                counts[c] = counts.get(c, 0) + 1
    colours = median_cut(counts, entries - 1)
    palette = [(0, 0, 0)] + [c for c in colours if c != (0, 0, 0)]
    nearest = {}
    for c in sorted(counts):
        nearest[c] = min(range(len(palette)),
                         key=lambda i: (sum((a - b) ** 2 for a, b in zip(c, palette[i])), i))
    indices = [[0 if c is None else nearest[c] for c in row] for row in image]
    palette += [(0, 0, 0)] * (entries - len(palette))
    return palette, indices


# ---------------------------------------------------------------------------------------
# The .ico file.

def dib_entry(image, bpp):
    """One icon image: BITMAPINFOHEADER, palette, XOR bitmap and AND mask, both bottom-up."""
    size = len(image)
    palette, indices = index_image(image, bpp)
    xor_stride = ((size * bpp + 31) // 32) * 4
    and_stride = ((size + 31) // 32) * 4
    xor = bytearray()
    mask = bytearray()
    for y in reversed(range(size)):
        line = bytearray(xor_stride)
        bits = bytearray(and_stride)
        for x in range(size):
            i = indices[y][x]
            if bpp == 8:
                line[x] = i
            else:  # 4 bpp: the left pixel in the high nibble
                line[x // 2] |= i << (4 if x % 2 == 0 else 0)
            if image[y][x] is None:
                bits[x // 8] |= 0x80 >> (x % 8)
        xor += line
        mask += bits
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bpp, 0,
                         len(xor) + len(mask), 0, 0, 0, 0)
    quads = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    return header + quads + bytes(xor) + bytes(mask)


def write_ico(name, images):
    """images: [(rows, bpp), ...], written in the order given."""
    blobs = [(len(rows), bpp, dib_entry(rows, bpp)) for rows, bpp in images]
    out = bytearray(struct.pack("<HHH", 0, 1, len(blobs)))
    offset = 6 + 16 * len(blobs)
    for size, bpp, blob in blobs:
        colours = (1 << bpp) if bpp < 8 else 0
        out += struct.pack("<BBBBHHII", size % 256, size % 256, colours, 0, 1, bpp,
                           len(blob), offset)
        offset += len(blob)
    for _, _, blob in blobs:
        out += blob
    path = os.path.join(RES_DIR, name)
    with open(path, "wb") as f:
        f.write(out)
    print("wrote", os.path.relpath(path, ROOT), "(%d bytes)" % len(out))


# ---------------------------------------------------------------------------------------
# The pictures.

def pie_chart(size):
    """Kelvr's pie chart: two blue slices and a light one pulled out to the upper right."""
    scale = size / 48.0
    radius = 18.7 * scale
    pull = 4.0 * scale
    edge = 1.15 * scale if size >= 40 else 1.0  # the dark outline's width
    cx, cy = 21.5 * scale, 25.5 * scale

    out_start, out_sweep = 8.0, 72.0           # the slice pulled out
    mid = math.radians(out_start + out_sweep / 2.0)
    ox, oy = cx + pull * math.cos(mid), cy - pull * math.sin(mid)

    outline = (12, 28, 84)
    deep = ((40, 100, 225), (10, 45, 150))     # the big slice: light and dark ends
    soft = ((120, 175, 245), (60, 120, 215))   # the other slice in the pie
    pulled = ((225, 240, 255), (150, 200, 250))

    layers = []
    slices = [
        (cx, cy, 80.0, 195.0, deep),
        (cx, cy, 275.0, 93.0, soft),
        (ox, oy, out_start, out_sweep, pulled),
    ]
    for x, y, start, sweep, (light, dark) in slices:
        shape = wedge(x, y, radius, start, sweep)
        layers.append((shape, outline))
        layers.append((inset(shape, edge), lit(light, dark, cx, cy, radius)))
    return render(size, layers)


def question_mark(size):
    """A white question mark on a green disc."""
    c = size / 2.0
    r = c - 0.7
    u = r / 15.3  # one unit: a pixel of the 32 x 32 image
    small = size <= 16
    stroke = 2.1 * u * (1.15 if small else 1.0)  # half the pen's width
    rim = 1.0 if small else 1.2 * u

    disc = circle(c, c, r)
    disc_paint = lit((40, 190, 60), (0, 110, 20), c, c, r)
    white = (255, 255, 255)

    hook_r = 4.6 * u
    hook_cx, hook_cy = c, c - 4.3 * u
    if small:  # a little lower and rounder, so the hook fills the small disc
        hook_cy += 0.2
        hook = arc(hook_cx, hook_cy, hook_r, 165.0, -255.0, stroke)
    else:
        hook = arc(hook_cx, hook_cy, hook_r, 160.0, -250.0, stroke)
    stem_top = hook_cy + hook_r
    stem = capsule(c, stem_top, c, stem_top + (2.0 if small else 1.8) * u, stroke)
    dot = circle(c, c + (8.2 if small else 8.3) * u, stroke * (1.1 if small else 1.15))

    layers = [
        (disc, (0, 80, 10)),
        (inset(disc, rim), disc_paint),
        (union(hook, stem, dot), white),
    ]
    return render(size, layers)


def thumbs_up(size):
    """A teal hand with the thumb raised, inside a teal square frame, on white."""
    u = size / 32.0
    teal = (0, 128, 128)
    white = (255, 255, 255)

    def box(x0, y0, x1, y1, r=0.0):
        return rounded_box(x0 * u, y0 * u, x1 * u, y1 * u, r * u)

    def stroke(ax, ay, bx, by, r):
        return capsule(ax * u, ay * u, bx * u, by * u, r * u)

    frame = box(0, 0, 32, 32)
    inside = box(2, 2, 30, 30)

    # Coordinates on the 32 x 32 grid; the fingers' rows and the gaps between them fall on
    # whole pixels so that they stay sharp.
    cuff = box(5, 15, 9, 28, 0.5)
    palm = box(10, 13, 19, 28, 2.0)
    thumb = stroke(13.3, 13.0, 15.2, 5.6, 2.5)
    fingers = [
        stroke(16.0, 14.5, 24.5, 14.5, 1.5),
        stroke(16.0, 18.5, 25.5, 18.5, 1.5),
        stroke(16.0, 22.5, 25.0, 22.5, 1.5),
        stroke(16.0, 26.5, 23.5, 26.5, 1.5),
    ]
    gaps = [box(16.5, y, 28, y + 1) for y in (16, 20, 24)]
    layers = [
        (frame, teal),
        (inside, white),
        (cuff, teal),
        (union(palm, thumb, *fingers), teal),
        (union(*gaps), white),
    ]
    return render(size, layers)


def main():
    os.makedirs(RES_DIR, exist_ok=True)
    write_ico("kelvr.ico", [(pie_chart(48), 8)])
    write_ico("picture.ico", [(pie_chart(32), 8)])
    write_ico("about.ico", [(question_mark(32), 4), (question_mark(16), 4)])
    write_ico("qirvo.ico", [(thumbs_up(32), 8)])


if __name__ == "__main__":
    main()

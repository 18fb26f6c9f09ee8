#!/usr/bin/env python3
"""Draws velmo's eleven button and battery pictures and the four work-mode diagrams as PNG files.

Only the standard library is used: shapes are rounded rectangles drawn from their signed
distance (so edges are smooth), composited in RGBA and written as PNG with zlib. The output is
the same on every run.

Pictures are drawn at twice their logical size for sharp display on high-DPI screens; the window
shows them at half their pixel size (device pixel ratio 2) or scales them to the button.

    python3 make_pictures.py [OUTPUT_DIR]     (default: the folder above this script)
"""

import math
import os
import struct
import sys
import zlib

SCALE = 2  # pixels per logical pixel


# ---------------------------------------------------------------- colours and PNG output

def hex_rgb(text):
    text = text.lstrip("#")
    return tuple(int(text[i:i + 2], 16) / 255.0 for i in (0, 2, 4))


def mix(a, b, t):
    return tuple(x + (y - x) * t for x, y in zip(a, b))


class Canvas:
    """Premultiplied-free RGBA canvas with 'source over' painting of one colour per call."""

    def __init__(self, width, height):
        self.width, self.height = width, height
        self.pixels = [[(0.0, 0.0, 0.0, 0.0) for _ in range(width)] for _ in range(height)]

    def paint(self, coverage, colour, bounds=None):
        """coverage(x, y) -> 0..1 at pixel centres; colour(x, y) -> (r, g, b, a) or fixed tuple.

        bounds (left, top, right, bottom) limits the pixels visited to those a small shape can
        touch; by default the whole canvas."""
        fixed = colour if isinstance(colour, tuple) else None
        x0, y0, x1, y1 = 0, 0, self.width, self.height
        if bounds:
            x0, y0 = max(0, int(math.floor(bounds[0]))), max(0, int(math.floor(bounds[1])))
            x1, y1 = min(self.width, int(math.ceil(bounds[2]))), min(self.height, int(math.ceil(bounds[3])))
        for y in range(y0, y1):
            row = self.pixels[y]
            cy = y + 0.5
            for x in range(x0, x1):
                cov = coverage(x + 0.5, cy)
                if cov <= 0.0:
                    continue
                r, g, b, a = fixed if fixed else colour(x + 0.5, cy)
                a *= min(cov, 1.0)
                dr, dg, db, da = row[x]
                out_a = a + da * (1.0 - a)
                if out_a <= 0.0:
                    continue
                row[x] = ((r * a + dr * da * (1.0 - a)) / out_a,
                          (g * a + dg * da * (1.0 - a)) / out_a,
                          (b * a + db * da * (1.0 - a)) / out_a,
                          out_a)

    def png(self):
        raw = bytearray()
        for row in self.pixels:
            raw.append(0)  # filter type none
            for r, g, b, a in row:
                raw += bytes(int(round(max(0.0, min(1.0, v)) * 255)) for v in (r, g, b, a))

        def chunk(kind, data):
            body = kind + data
            return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

        header = struct.pack(">IIBBBBB", self.width, self.height, 8, 6, 0, 0, 0)
        return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
                chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


# ---------------------------------------------------------------- shapes

def rounded_rect(left, top, right, bottom, radius):
    """Signed distance to a rounded rectangle (negative inside), in pixels."""
    cx, cy = (left + right) / 2.0, (top + bottom) / 2.0
    hx, hy = (right - left) / 2.0 - radius, (bottom - top) / 2.0 - radius

    def distance(x, y):
        qx, qy = abs(x - cx) - hx, abs(y - cy) - hy
        outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
        return outside + min(max(qx, qy), 0.0) - radius
    return distance


def filled(distance):
    """Anti-aliased coverage of the inside of a shape."""
    return lambda x, y: max(0.0, min(1.0, 0.5 - distance(x, y)))


def soft(distance, spread):
    """Coverage that fades out over `spread` pixels beyond the edge (shadows and glows)."""
    return lambda x, y: max(0.0, min(1.0, 1.0 - distance(x, y) / spread)) * 0.5


def clipped(coverage, distance):
    return lambda x, y: coverage(x, y) * max(0.0, min(1.0, 0.5 - distance(x, y)))


def vertical_gradient(top_colour, bottom_colour, top, bottom):
    a, b = hex_rgb(top_colour), hex_rgb(bottom_colour)

    def colour(x, y):
        t = max(0.0, min(1.0, (y - top) / float(bottom - top)))
        return mix(a, b, t) + (1.0,)
    return colour


# ---------------------------------------------------------------- pictures

def button(width, height, radius, fill_top, fill_bottom, border, border_width=1.0,
           pressed=False, glow=None):
    """A raised (or pressed) rounded button without caption: the caption is drawn over it."""
    w, h, r, s = width * SCALE, height * SCALE, radius * SCALE, SCALE
    canvas = Canvas(w, h)
    margin = 1.5 * s  # room for the shadow
    outer = rounded_rect(margin, margin - (0 if pressed else 0.5 * s), w - margin,
                         h - margin - (0 if pressed else 0.5 * s), r)
    bw = border_width * s
    inner = rounded_rect(margin + bw, margin + bw - (0 if pressed else 0.5 * s), w - margin - bw,
                         h - margin - bw - (0 if pressed else 0.5 * s), max(r - bw, 0.5))

    if glow:
        canvas.paint(soft(outer, 2.0 * s), hex_rgb(glow) + (0.9,))
    elif not pressed:
        shadow = rounded_rect(margin, margin + 0.5 * s, w - margin, h - margin + 0.8 * s, r)
        canvas.paint(soft(shadow, 1.6 * s), (0.0, 0.0, 0.0, 0.35))
    canvas.paint(filled(outer), hex_rgb(border) + (1.0,))
    canvas.paint(filled(inner), vertical_gradient(fill_top, fill_bottom, margin, h - margin))

    if pressed:
        # inner shadow along the top edge: the button looks pushed in
        shade = rounded_rect(margin + bw, margin + bw - 3 * s, w - margin - bw, margin + bw + 2.5 * s, r)
        canvas.paint(clipped(soft(shade, 2.5 * s), inner), (0.1, 0.2, 0.3, 0.55))
    else:
        # gloss on the upper half
        gloss = rounded_rect(margin + bw + 1 * s, margin + bw + 0.5 * s, w - margin - bw - 1 * s,
                             h / 2.0, max(r - bw - 1 * s, 0.5))
        top, middle = margin + bw, h / 2.0
        canvas.paint(clipped(filled(gloss), inner),
                     lambda x, y: (1.0, 1.0, 1.0, 0.6 - 0.45 * (y - top) / (middle - top)))
    return canvas


def menu_button(size):
    canvas = button(size, size, 5, "#fbfcfd", "#d9e2ec", "#8a9db2")
    s = SCALE
    bar_colour = hex_rgb("#34475c") + (1.0,)
    w = size * s
    for i in (-1, 0, 1):
        y = w / 2.0 + i * 5.5 * s - 0.5 * s
        bar = rounded_rect(w * 0.27, y - 1.1 * s, w * 0.73, y + 1.1 * s, 1.1 * s)
        canvas.paint(filled(bar), bar_colour)
    return canvas


def battery(level):
    """Battery symbol with `level` of three segments filled (1 low, 2 middle, 3 full)."""
    width, height = 44, 22
    s = SCALE
    w, h = width * s, height * s
    canvas = Canvas(w, h)
    outline = hex_rgb("#3c4650") + (1.0,)
    body_right = w - 5 * s
    body = rounded_rect(1.5 * s, 2 * s, body_right, h - 2 * s, 3.5 * s)
    hollow = rounded_rect(3.5 * s, 4 * s, body_right - 2 * s, h - 4 * s, 2 * s)
    nub = rounded_rect(body_right - 1 * s, h / 2.0 - 4 * s, w - 1.5 * s, h / 2.0 + 4 * s, 1.5 * s)
    canvas.paint(filled(nub), outline)
    canvas.paint(filled(body), outline)
    canvas.paint(filled(hollow), hex_rgb("#f7f9fb") + (1.0,))

    colour = {1: "#d8342b", 2: "#e9a21a", 3: "#34a853"}[level]
    left, right = 5 * s, body_right - 3.5 * s
    gap = 1.5 * s
    segment = (right - left - 2 * gap) / 3.0
    for i in range(level):
        x0 = left + i * (segment + gap)
        bar = rounded_rect(x0, 5.5 * s, x0 + segment, h - 5.5 * s, 1.2 * s)
        canvas.paint(filled(bar), vertical_gradient(colour, colour, 0, h))
        shine = rounded_rect(x0 + 0.5 * s, 6 * s, x0 + segment - 0.5 * s, h / 2.0 - 1 * s, 1 * s)
        canvas.paint(filled(shine), (1.0, 1.0, 1.0, 0.3))
    return canvas


# ---------------------------------------------------------------- work-mode diagrams
#
# Language-free sketches of what each work mode records, drawn in logical pixels (scaled by
# SCALE): a signal over time with its samples and records, or a logger descending through water.

DIAGRAM_WIDTH, DIAGRAM_HEIGHT = 240, 150

INK = "#34475c"
SAMPLE = "#2f7ad1"
RECORD = "#e07b1a"
AVERAGE = "#34a853"


def circle(cx, cy, radius):
    return lambda x, y: math.hypot(x - cx, y - cy) - radius


def segment(x0, y0, x1, y1, half_width):
    """Signed distance to a line segment with round ends (a capsule)."""
    dx, dy = x1 - x0, y1 - y0
    length2 = dx * dx + dy * dy or 1e-9

    def distance(x, y):
        t = max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / length2))
        return math.hypot(x - (x0 + t * dx), y - (y0 + t * dy)) - half_width
    return distance


def box_around(*points, pad):
    xs, ys = [p[0] for p in points], [p[1] for p in points]
    return (min(xs) - pad, min(ys) - pad, max(xs) + pad, max(ys) + pad)


class Sketch:
    """Drawing helpers in logical pixels on a diagram canvas."""

    def __init__(self):
        self.canvas = Canvas(DIAGRAM_WIDTH * SCALE, DIAGRAM_HEIGHT * SCALE)

    def line(self, x0, y0, x1, y1, width, colour, alpha=1.0):
        s = SCALE
        shape = segment(x0 * s, y0 * s, x1 * s, y1 * s, width * s / 2.0)
        self.canvas.paint(filled(shape), hex_rgb(colour) + (alpha,),
                          box_around((x0 * s, y0 * s), (x1 * s, y1 * s), pad=width * s + 2))

    def dashed(self, x0, y0, x1, y1, width, colour, dash=4.0, gap=3.0, alpha=1.0):
        length = math.hypot(x1 - x0, y1 - y0)
        ux, uy = (x1 - x0) / length, (y1 - y0) / length
        at = 0.0
        while at < length:
            end = min(at + dash, length)
            self.line(x0 + ux * at, y0 + uy * at, x0 + ux * end, y0 + uy * end, width, colour, alpha)
            at += dash + gap

    def dot(self, cx, cy, radius, colour, ring=None):
        s = SCALE
        bounds = box_around((cx * s, cy * s), pad=(radius + 2) * s)
        if ring:
            self.canvas.paint(filled(circle(cx * s, cy * s, (radius + 1.0) * s)), hex_rgb(ring) + (1.0,), bounds)
        self.canvas.paint(filled(circle(cx * s, cy * s, radius * s)), hex_rgb(colour) + (1.0,), bounds)

    def rect(self, left, top, right, bottom, radius, colour, alpha=1.0):
        s = SCALE
        shape = rounded_rect(left * s, top * s, right * s, bottom * s, radius * s)
        fill = hex_rgb(colour) + (alpha,) if isinstance(colour, str) else colour
        self.canvas.paint(filled(shape), fill, (left * s - 2, top * s - 2, right * s + 2, bottom * s + 2))

    def arrow_head(self, x, y, dx, dy, size, colour):
        """Two strokes meeting at (x, y), pointing along (dx, dy)."""
        length = math.hypot(dx, dy)
        ux, uy = dx / length, dy / length
        for side in (-1, 1):
            bx = x - ux * size - uy * size * 0.6 * side
            by = y - uy * size + ux * size * 0.6 * side
            self.line(bx, by, x, y, 1.4, colour)

    def card(self, top_colour="#fdfeff", bottom_colour="#e6eef6"):
        s = SCALE
        w, h = DIAGRAM_WIDTH * s, DIAGRAM_HEIGHT * s
        outer = rounded_rect(1 * s, 1 * s, w - 1 * s, h - 1 * s, 8 * s)
        inner = rounded_rect(2 * s, 2 * s, w - 2 * s, h - 2 * s, 7 * s)
        self.canvas.paint(filled(outer), hex_rgb("#b4c4d6") + (1.0,))
        self.canvas.paint(filled(inner), vertical_gradient(top_colour, bottom_colour, 2 * s, h - 2 * s))
        return inner


# The time axis of the signal diagrams and the signal drawn over it.
AXIS_LEFT, AXIS_RIGHT, AXIS_BOTTOM, AXIS_TOP = 18, 226, 128, 16


def signal(t):
    """The measured value at logical x = t: a slow tide with a faster ripple."""
    return 74 - 26 * math.sin((t - AXIS_LEFT) / 34.0) - 7 * math.sin((t - AXIS_LEFT) / 9.0 + 1.0)


def time_axes(sketch):
    sketch.line(AXIS_LEFT, AXIS_BOTTOM, AXIS_RIGHT, AXIS_BOTTOM, 1.4, INK)
    sketch.arrow_head(AXIS_RIGHT + 2, AXIS_BOTTOM, 1, 0, 5, INK)
    sketch.line(AXIS_LEFT, AXIS_BOTTOM, AXIS_LEFT, AXIS_TOP, 1.4, INK)
    sketch.arrow_head(AXIS_LEFT, AXIS_TOP - 2, 0, -1, 5, INK)


def faint_signal(sketch, alpha=0.55):
    previous = None
    t = AXIS_LEFT + 4
    while t <= AXIS_RIGHT - 6:
        point = (t, signal(t))
        if previous:
            sketch.line(previous[0], previous[1], point[0], point[1], 1.3, "#9fb4c9", alpha)
        previous = point
        t += 2


def stem(sketch, x, y):
    sketch.line(x, y, x, AXIS_BOTTOM - 1, 1.0, "#a9b9ca")


def fast_acquisition_diagram():
    """Samples as dense as the sample rate allows, every one recorded."""
    sketch = Sketch()
    sketch.card()
    time_axes(sketch)
    faint_signal(sketch)
    t = AXIS_LEFT + 6
    while t <= AXIS_RIGHT - 8:
        sketch.dot(t, signal(t), 1.9, SAMPLE)
        t += 4.5
    return sketch.canvas


def fixed_interval_diagram():
    """One record at each record interval."""
    sketch = Sketch()
    sketch.card()
    time_axes(sketch)
    faint_signal(sketch)
    step = 24
    xs = [AXIS_LEFT + 12 + i * step for i in range(9)]
    for x in xs:
        stem(sketch, x, signal(x))
    for x in xs:
        sketch.dot(x, signal(x), 3.2, RECORD, ring="#ffffff")
    # the interval between two records, marked under the axis
    a, b = xs[3], xs[4]
    sketch.line(a, AXIS_BOTTOM + 8, b, AXIS_BOTTOM + 8, 1.2, INK)
    sketch.arrow_head(a, AXIS_BOTTOM + 8, -1, 0, 3.5, INK)
    sketch.arrow_head(b, AXIS_BOTTOM + 8, 1, 0, 3.5, INK)
    return sketch.canvas


def average_acquisition_diagram():
    """Groups of samples at the average interval, each averaged into one record."""
    sketch = Sketch()
    sketch.card()
    time_axes(sketch)
    faint_signal(sketch, alpha=0.4)
    count, spacing, step = 5, 3.6, 42
    for group in range(5):
        first = AXIS_LEFT + 14 + group * step
        xs = [first + i * spacing for i in range(count)]
        ys = [signal(x) for x in xs]
        centre_x, mean_y = sum(xs) / count, sum(ys) / count
        # the group's window, then its samples, then the record averaged from them
        sketch.rect(xs[0] - 4, min(ys) - 7, xs[-1] + 4, max(ys) + 7, 3, "#2f7ad1", alpha=0.12)
        stem(sketch, centre_x, max(ys) + 7)
        for x, y in zip(xs, ys):
            sketch.dot(x, y, 1.5, SAMPLE)
        sketch.dot(centre_x, mean_y - 13, 3.2, AVERAGE, ring="#ffffff")
        sketch.line(centre_x, min(ys) - 6.5, centre_x, mean_y - 17, 0.9, AVERAGE)
    # the record interval from one group to the next, marked under the axis
    a = AXIS_LEFT + 14 + 2 * spacing + step
    sketch.line(a, AXIS_BOTTOM + 8, a + step, AXIS_BOTTOM + 8, 1.2, INK)
    sketch.arrow_head(a, AXIS_BOTTOM + 8, -1, 0, 3.5, INK)
    sketch.arrow_head(a + step, AXIS_BOTTOM + 8, 1, 0, 3.5, INK)
    return sketch.canvas


def depth_profile_diagram():
    """A logger descending through the water with one record at each fixed depth step."""
    sketch = Sketch()
    inner = sketch.card()
    s = SCALE
    surface = 30
    w, h = DIAGRAM_WIDTH * s, DIAGRAM_HEIGHT * s

    def water_surface(x):
        return surface + 1.6 * math.sin(x / (9.0 * s))
    water = lambda x, y: water_surface(x) * s - y
    sketch.canvas.paint(clipped(filled(water), inner), vertical_gradient("#d8ebfa", "#7fb0d9", surface * s, h))
    for x0 in range(6, DIAGRAM_WIDTH - 6, 3):
        sketch.line(x0, water_surface(x0 * s), x0 + 3, water_surface((x0 + 3) * s), 1.2, "#2f6fae")

    # fixed depth steps, with a ruler at the right
    steps = [52, 74, 96, 118, 140]
    ruler = 206
    sketch.line(ruler, surface, ruler, 144, 1.3, INK)
    for y in steps:
        sketch.dashed(24, y, ruler - 6, y, 1.0, "#2d5e8c", alpha=0.55)
        sketch.line(ruler - 4, y, ruler + 4, y, 1.3, INK)
    sketch.line(ruler + 12, steps[1], ruler + 12, steps[2], 1.2, INK)
    sketch.arrow_head(ruler + 12, steps[1], 0, -1, 3.5, INK)
    sketch.arrow_head(ruler + 12, steps[2], 0, 1, 3.5, INK)

    # the logger on its line, between the third and fourth step, going down
    x = 96
    sketch.line(x, 30, x, 98, 1.0, INK)
    sketch.rect(x - 14, 24, x + 14, 31, 3.5, "#5a7c9f")  # the float holding the line
    top, bottom = 100, 128
    sketch.rect(x - 6, top, x + 6, bottom, 6, "#3c4650")
    sketch.rect(x - 4.5, top + 2, x + 4.5, top + 11, 4.5, "#f0b43c")
    sketch.rect(x - 1.2, bottom - 1, x + 1.2, bottom + 3, 1, "#3c4650")
    sketch.line(x + 20, top - 6, x + 20, bottom + 6, 1.6, "#ffffff")
    sketch.arrow_head(x + 20, bottom + 8, 0, 1, 5, "#ffffff")

    # records at the depth steps passed; the steps still to come are open
    for y in steps:
        if y < top:
            sketch.dot(x, y, 3.2, RECORD, ring="#ffffff")
        elif y > bottom + 4:
            sketch.dot(x, y, 2.6, "#ffffff", ring="#2d5e8c")
    return sketch.canvas


def pictures():
    nav = dict(width=150, height=72, radius=10)
    small = dict(width=84, height=30, radius=6)
    wide = dict(width=180, height=30, radius=6)
    return {
        # large navigation button: normal, pressed, mouse over
        "Syscaco.svd": button(fill_top="#fdfeff", fill_bottom="#cfdeed", border="#7f9bb8", **nav),
        "Syscact.svd": button(fill_top="#b9cde1", fill_bottom="#e4edf6", border="#5a7c9f",
                              pressed=True, **nav),
        "Syscacr.svd": button(fill_top="#ffffff", fill_bottom="#dcebfa", border="#2f7ad1",
                              border_width=1.5, glow="#8fc0f5", **nav),
        # small action button: normal, pressed
        "Syscacf.svd": button(fill_top="#fbfcfd", fill_bottom="#d9e2ec", border="#8a9db2", **small),
        "Syscace.svd": button(fill_top="#c3d2e1", fill_bottom="#eaf0f6", border="#667f99",
                              pressed=True, **small),
        # wide action button: normal, pressed
        "Syscacl.svd": button(fill_top="#fbfcfd", fill_bottom="#d9e2ec", border="#8a9db2", **wide),
        "Syscacq.svd": button(fill_top="#c3d2e1", fill_bottom="#eaf0f6", border="#667f99",
                              pressed=True, **wide),
        "menupg.svd": menu_button(30),
        "bat1.sdv": battery(1),
        "bat2.sdv": battery(2),
        "bat3.sdv": battery(3),
        # work-mode diagrams of the configuration page
        "mode_fast.png": fast_acquisition_diagram(),
        "mode_interval.png": fixed_interval_diagram(),
        "mode_average.png": average_acquisition_diagram(),
        "mode_depth.png": depth_profile_diagram(),
    }


def main():
    out_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
    for name, canvas in pictures().items():
        with open(os.path.join(out_dir, name), "wb") as f:
            f.write(canvas.png())
        print(name, canvas.width, "x", canvas.height)


if __name__ == "__main__":
    main()

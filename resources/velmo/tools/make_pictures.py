#!/usr/bin/env python3
"""Draws velmo's eleven button and battery pictures as PNG files.

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

    def paint(self, coverage, colour):
        """coverage(x, y) -> 0..1 at pixel centres; colour(x, y) -> (r, g, b, a) or fixed tuple."""
        fixed = colour if isinstance(colour, tuple) else None
        for y in range(self.height):
            row = self.pixels[y]
            cy = y + 0.5
            for x in range(self.width):
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
    }


def main():
    out_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
    for name, canvas in pictures().items():
        with open(os.path.join(out_dir, name), "wb") as f:
            f.write(canvas.png())
        print(name, canvas.width, "x", canvas.height)


if __name__ == "__main__":
    main()

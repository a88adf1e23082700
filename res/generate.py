#!/usr/bin/env python3
"""Draws the status pictures, the tray and application icons and the alarm sound.

Only the standard library is used, so the files can be made again anywhere:
    python3 res/generate.py
The outputs are committed; the build does not run this script.
"""

import math
import os
import struct
import wave
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
PICTURES = os.path.join(HERE, "pictures")
ICONS = os.path.join(HERE, "icons")

SUPERSAMPLE = 4


def write_png(path, width, height, pixels):
    """pixels: list of rows, each a list of (r, g, b) or (r, g, b, a)."""
    alpha = len(pixels[0][0]) == 4
    raw = bytearray()
    for row in pixels:
        raw.append(0)
        for p in row:
            raw.extend(bytes(p))

    def chunk(tag, data):
        body = tag + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    colour_type = 6 if alpha else 2
    header = struct.pack(">IIBBBBB", width, height, 8, colour_type, 0, 0, 0)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", header))
        f.write(chunk(b"IDAT", zlib.compress(bytes(raw), 9)))
        f.write(chunk(b"IEND", b""))


def render(width, height, shade):
    """shade(x, y) -> (r, g, b) at a point in picture pixels; averaged over a grid."""
    n = SUPERSAMPLE
    rows = []
    for py in range(height):
        row = []
        for px in range(width):
            acc = [0, 0, 0]
            for sy in range(n):
                for sx in range(n):
                    c = shade(px + (sx + 0.5) / n, py + (sy + 0.5) / n)
                    acc[0] += c[0]
                    acc[1] += c[1]
                    acc[2] += c[2]
            row.append(tuple(min(255, round(v / (n * n))) for v in acc))
        rows.append(row)
    return rows


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


WHITE = (255, 255, 255)
BLACK = (0, 0, 0)


def lamp(colour, highlight=0.55):
    """A round lamp on white: a dark rim, the body, a soft highlight top-left."""
    rim = tuple(c * 0.45 for c in colour)

    def shade(x, y):
        cx, cy, r = 50.0, 50.0, 44.0
        d = math.hypot(x - cx, y - cy)
        if d > r:
            return WHITE
        if d > r - 4:
            return rim
        hx, hy = cx - 14, cy - 16
        h = max(0.0, 1.0 - math.hypot(x - hx, y - hy) / 26.0)
        body = mix(colour, tuple(c * 0.7 for c in colour), d / r)
        return mix(body, WHITE, h * h * highlight)

    return render(100, 100, shade)


def near_arc(x, y, cx, cy, radius, width, start, end):
    """True on an arc of a circle; angles in degrees, 0 pointing right, counterclockwise."""
    d = math.hypot(x - cx, y - cy)
    if abs(d - radius) > width / 2:
        return False
    a = math.degrees(math.atan2(cy - y, x - cx)) % 360
    start %= 360
    end %= 360
    return start <= a <= end if start <= end else (a >= start or a <= end)


def waves(colour, exclamation):
    """Radio waves spreading left and right from a centre, on black."""
    cx, cy = 87.5, 50.0

    def shade(x, y):
        for radius in (22, 36, 50):
            if near_arc(x, y, cx, cy, radius, 6, -40, 40) or near_arc(x, y, cx, cy, radius, 6, 140, 220):
                return colour
        if exclamation:
            if abs(x - cx) <= 5 and 24 <= y <= 62:
                return colour
            if math.hypot(x - cx, y - 73) <= 5.5:
                return colour
        elif math.hypot(x - cx, y - cy) <= 8:
            return colour
        return BLACK

    return render(175, 100, shade)


def alarm_picture():
    """A large red exclamation mark on a dark ground in a red frame, 200 x 250."""
    red = (230, 20, 20)
    ground = (40, 8, 8)

    def shade(x, y):
        if x < 10 or x > 190 or y < 10 or y > 240:
            return red
        if x < 16 or x > 184 or y < 16 or y > 234:
            return ground
        if x < 20 or x > 180 or y < 20 or y > 230:
            return red
        # the bar narrows toward its foot
        if 40 <= y <= 165:
            half = 22 - (y - 40) * 10 / 125
            if abs(x - 100) <= half:
                return red
        if math.hypot(x - 100, y - 197) <= 19:
            return red
        return ground

    return render(200, 250, shade)


def emblem_icon(outline, size=32):
    """The emblem: a white shield bearing a red dot, on black, in an optional outline."""
    s = size / 32.0

    def shade(x, y):
        x /= s
        y /= s
        if outline is not None and (x < 2 or x > 30 or y < 2 or y > 30):
            return outline
        # shield: a rectangle on top, a point at the bottom
        if 7 <= x <= 25 and 6 <= y <= 18:
            inside = True
        elif 18 < y <= 28:
            half = 9 * (28 - y) / 10
            inside = abs(x - 16) <= half
        else:
            inside = False
        if not inside:
            return BLACK
        if math.hypot(x - 16, y - 15) <= 4.5:
            return (220, 30, 30)
        return WHITE

    return render(size, size, shade)


YELLOW_FRAMES = [206, 207, 208, 209, 214, 211, 212, 213, 210, 216, 217, 218, 219, 220]


def make_pictures():
    os.makedirs(PICTURES, exist_ok=True)
    out = {}
    out[204] = lamp((150, 150, 150))
    # darkest to lightest, in the order the animation shows them
    for i, rid in enumerate(YELLOW_FRAMES):
        t = i / (len(YELLOW_FRAMES) - 1)
        out[rid] = lamp(mix((150, 120, 0), (255, 250, 150), t))
    out[180] = lamp((40, 235, 40))
    out[179] = lamp((10, 110, 25))
    out[177] = lamp((225, 25, 25))
    out[226] = waves((40, 230, 40), exclamation=False)
    out[227] = waves((235, 30, 30), exclamation=True)
    out[174] = alarm_picture()
    for rid, px in out.items():
        write_png(os.path.join(PICTURES, f"{rid}.png"), len(px[0]), len(px), px)


def make_icons():
    os.makedirs(ICONS, exist_ok=True)
    outlines = {198: None, 199: (40, 110, 255), 200: (235, 30, 30), 201: (250, 220, 0)}
    for rid, outline in outlines.items():
        px = emblem_icon(outline, 32)
        write_png(os.path.join(ICONS, f"{rid}.png"), 32, 32, px)


APP_ICON_SIZES = [32, 64, 128, 256]


def make_app_icons():
    """The emblem without an outline, in the sizes the desktop's icon theme installs."""
    folder = os.path.join(ICONS, "app")
    os.makedirs(folder, exist_ok=True)
    for size in APP_ICON_SIZES:
        write_png(os.path.join(folder, f"{size}.png"), size, size, emblem_icon(None, size))


def make_sound():
    """Two alternating tones, 0.6 s, 16-bit mono 22050 Hz."""
    rate = 22050
    frames = bytearray()
    for step in range(6):
        freq = 1400 if step % 2 == 0 else 950
        n = int(rate * 0.1)
        for i in range(n):
            fade = min(1.0, i / 100.0, (n - i) / 100.0)
            v = int(12000 * fade * math.sin(2 * math.pi * freq * i / rate))
            frames.extend(struct.pack("<h", v))
    with wave.open(os.path.join(HERE, "alert.wav"), "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(rate)
        w.writeframes(bytes(frames))


if __name__ == "__main__":
    make_sound()
    make_icons()
    make_app_icons()
    make_pictures()

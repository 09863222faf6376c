#!/usr/bin/env python3
"""Draws the program's artwork procedurally and writes it in the Windows file formats.

Usage: make_art.py <output folder>

Writes, byte for byte the same on every run (no time stamps, no randomness):
  app.ico            application icon: 48, 32 and 16 pixels, each in 8-bit and 32-bit colour
  error_small.ico    16x16 red circle with a white cross
  warning_small.ico  16x16 yellow triangle with an exclamation mark
  message_types.bmp  48x16, 4 bits per pixel: information, warning, error (magenta = mask)
  busy.avi           12 frames of 24x24 at 10 frames per second, BI_RLE8 compressed

Only the Python standard library is used.
"""
import math
import pathlib
import struct
import sys

SUPERSAMPLE = 4  # samples per pixel edge for anti-aliasing


# ---------------------------------------------------------------------------
# Tiny vector renderer: a scene is a function (x, y) -> (r, g, b, a) in a
# continuous 0..1 square; pixels average SUPERSAMPLE^2 samples.
# ---------------------------------------------------------------------------

def over(top, bottom):
    """Porter-Duff 'over' of two non-premultiplied RGBA colours (components 0..1)."""
    ta = top[3]
    ba = bottom[3]
    a = ta + ba * (1.0 - ta)
    if a <= 0.0:
        return (0.0, 0.0, 0.0, 0.0)
    return tuple((top[i] * ta + bottom[i] * ba * (1.0 - ta)) / a for i in range(3)) + (a,)


def hex_colour(text, alpha=1.0):
    v = int(text.lstrip("#"), 16)
    return ((v >> 16 & 255) / 255.0, (v >> 8 & 255) / 255.0, (v & 255) / 255.0, alpha)


TRANSPARENT = (0.0, 0.0, 0.0, 0.0)


def render(scene, size, supersample=SUPERSAMPLE):
    """Returns rows (top first) of (r, g, b, a) tuples with 0..255 integer components."""
    rows = []
    n = supersample
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(n):
                for sx in range(n):
                    x = (px + (sx + 0.5) / n) / size
                    y = (py + (sy + 0.5) / n) / size
                    r, g, b, a = scene(x, y, size)
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += b * a
                    acc[3] += a
            a = acc[3] / (n * n)
            if a > 0:
                rgb = [round(255 * acc[i] / acc[3]) for i in range(3)]
            else:
                rgb = [0, 0, 0]
            row.append((rgb[0], rgb[1], rgb[2], round(255 * a)))
        rows.append(row)
    return rows


def in_polygon(x, y, points):
    inside = False
    j = len(points) - 1
    for i in range(len(points)):
        xi, yi = points[i]
        xj, yj = points[j]
        if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
            inside = not inside
        j = i
    return inside


def segment_distance(x, y, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(x - (ax + t * dx), y - (ay + t * dy))


def polygon_edge_distance(x, y, points):
    return min(segment_distance(x, y, *points[i - 1], *points[i]) for i in range(len(points)))


# ---------------------------------------------------------------------------
# Scenes
# ---------------------------------------------------------------------------

def app_scene(x, y, size):
    """A white document page with text lines and a folded corner, and a teal badge
    with a white arrow: 'this document becomes something else'."""
    px = 1.0 / size
    stroke = max(px, 0.022)
    colour = TRANSPARENT

    # Page with a folded top-right corner; on the smallest icon the page is narrower and
    # the badge larger, so that the arrow stays readable.
    small = size < 24
    x0, y0, x1, y1, fold = (0.06, 0.0, 0.62, 0.80, 0.25) if small else (0.12, 0.04, 0.70, 0.84, 0.20)
    page = [(x0, y0), (x1 - fold, y0), (x1, y0 + fold), (x1, y1), (x0, y1)]
    # Soft shadow below and right of the page.
    shadow = [(p[0] + 0.03, p[1] + 0.03) for p in page]
    if in_polygon(x, y, shadow):
        colour = over(hex_colour("#000000", 0.18), colour)
    if in_polygon(x, y, page):
        edge = polygon_edge_distance(x, y, page)
        if edge < stroke:
            colour = over(hex_colour("#5B6573"), colour)
        else:
            shade = 1.0 - 0.08 * y
            colour = over((shade, shade, min(1.0, shade + 0.02), 1.0), colour)
            # Text lines: fewer and thicker on small icons so they stay visible.
            lines = [0.30, 0.44, 0.58, 0.72] if not small else [0.31, 0.50]
            thickness = max(px, 0.045)
            for i, ly in enumerate(lines):
                right = (0.60 if i % 2 == 0 else 0.50) if not small else 0.44
                if abs(y - ly) < thickness / 2 and x0 + 0.09 < x < right:
                    colour = over(hex_colour("#7C8CA6"), colour)
    fold_triangle = [(x1 - fold, y0), (x1 - fold, y0 + fold), (x1, y0 + fold)]
    if in_polygon(x, y, fold_triangle):
        if polygon_edge_distance(x, y, fold_triangle) < stroke:
            colour = over(hex_colour("#5B6573"), colour)
        else:
            colour = over(hex_colour("#D5DBE5"), colour)

    # Badge: a teal disc with a white rim and a white arrow pointing right.
    cx, cy, r = (0.66, 0.66, 0.34) if small else (0.70, 0.70, 0.28)
    d = math.hypot(x - cx, y - cy)
    if d < r:
        rim = px if small else max(px * 1.2, 0.035)
        if d > r - rim:
            colour = over(hex_colour("#FFFFFF"), colour)
        else:
            t = (y - (cy - r)) / (2 * r)
            top, bottom = hex_colour("#22B8C4"), hex_colour("#0B6470")
            colour = tuple(top[i] * (1 - t) + bottom[i] * t for i in range(3)) + (1.0,)
            k = 1.35 if small else 1.0
            shaft_half = max(px, 0.045)
            head = [(cx + 0.16 * k, cy), (cx + 0.01, cy - 0.13 * k), (cx + 0.01, cy + 0.13 * k)]
            if (cx - 0.15 * k < x < cx + 0.03 and abs(y - cy) < shaft_half) or in_polygon(x, y, head):
                colour = over(hex_colour("#FFFFFF"), colour)
    return colour


def error_scene(x, y, size, palette_colours=False):
    d = math.hypot(x - 0.5, y - 0.5)
    colour = TRANSPARENT
    if d < 0.47:
        if palette_colours:
            colour = hex_colour("#FF0000")
        else:
            colour = hex_colour("#B71C1C") if d > 0.40 else hex_colour("#E53935")
        half = 0.07
        arm = 0.20
        dist1 = segment_distance(x, y, 0.5 - arm, 0.5 - arm, 0.5 + arm, 0.5 + arm)
        dist2 = segment_distance(x, y, 0.5 - arm, 0.5 + arm, 0.5 + arm, 0.5 - arm)
        if min(dist1, dist2) < half:
            colour = hex_colour("#FFFFFF")
    return colour


def warning_scene(x, y, size, palette_colours=False):
    triangle = [(0.5, 0.04), (0.97, 0.92), (0.03, 0.92)]
    colour = TRANSPARENT
    if in_polygon(x, y, triangle):
        if polygon_edge_distance(x, y, triangle) < 0.07:
            colour = hex_colour("#808000" if palette_colours else "#8D6E00")
        else:
            colour = hex_colour("#FFFF00" if palette_colours else "#FFCA28")
        if abs(x - 0.5) < 0.065 and 0.30 < y < 0.64:
            colour = hex_colour("#000000" if palette_colours else "#202020")
        if math.hypot(x - 0.5, y - 0.76) < 0.075:
            colour = hex_colour("#000000" if palette_colours else "#202020")
    return colour


def info_scene(x, y, size, palette_colours=False):
    d = math.hypot(x - 0.5, y - 0.5)
    colour = TRANSPARENT
    if d < 0.47:
        if palette_colours:
            colour = hex_colour("#0000FF")
        else:
            colour = hex_colour("#0D47A1") if d > 0.40 else hex_colour("#1E6FD9")
        if abs(x - 0.5) < 0.08 and 0.42 < y < 0.80:
            colour = hex_colour("#FFFFFF")
        if math.hypot(x - 0.5, y - 0.27) < 0.08:
            colour = hex_colour("#FFFFFF")
    return colour


# ---------------------------------------------------------------------------
# Palettes
# ---------------------------------------------------------------------------

def build_palette(pixels, limit=256):
    """Popularity palette over 5-bit-per-channel buckets; returns up to `limit` RGB tuples."""
    buckets = {}
    for r, g, b in pixels:
        key = (r >> 3, g >> 3, b >> 3)
        entry = buckets.setdefault(key, [0, 0, 0, 0])
        entry[0] += r
        entry[1] += g
        entry[2] += b
        entry[3] += 1
    ranked = sorted(buckets.items(), key=lambda kv: (-kv[1][3], kv[0]))
    palette = []
    for _, (r, g, b, n) in ranked[:limit]:
        palette.append((round(r / n), round(g / n), round(b / n)))
    return palette


def nearest(palette, rgb, cache):
    if rgb in cache:
        return cache[rgb]
    best = min(range(len(palette)),
               key=lambda i: (palette[i][0] - rgb[0]) ** 2 * 3 + (palette[i][1] - rgb[1]) ** 2 * 4
               + (palette[i][2] - rgb[2]) ** 2 * 2)
    cache[rgb] = best
    return best


# ---------------------------------------------------------------------------
# File formats
# ---------------------------------------------------------------------------

def bitmap_info_header(width, height, bits, compression=0, image_size=0, colours_used=0):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, compression, image_size,
                       2835, 2835, colours_used, 0)


def and_mask(rows):
    """1 bpp mask, bottom-up, rows padded to 32 bits: 1 where the pixel is transparent."""
    size = len(rows[0])
    stride = ((size + 31) // 32) * 4
    out = bytearray()
    for row in reversed(rows):
        line = bytearray(stride)
        for x, p in enumerate(row):
            if p[3] < 128:
                line[x // 8] |= 0x80 >> (x % 8)
        out += line
    return bytes(out)


def icon_image_32(rows):
    size = len(rows)
    xor = bytearray()
    for row in reversed(rows):
        for r, g, b, a in row:
            xor += bytes((b, g, r, a)) if a else b"\0\0\0\0"
    mask = and_mask(rows)
    header = bitmap_info_header(size, size * 2, 32, 0, len(xor) + len(mask))
    return header + bytes(xor) + mask


def composite_on(rows, background):
    """Flattens RGBA rows onto an RGB background (for opaque pixels of paletted images)."""
    out = []
    for row in rows:
        line = []
        for r, g, b, a in row:
            if a >= 250:
                line.append((r, g, b))
            else:
                f = a / 255.0
                line.append(tuple(round(c * f + background[i] * (1 - f)) for i, c in enumerate((r, g, b))))
        out.append(line)
    return out


def icon_image_8(rows, palette):
    size = len(rows)
    flat = composite_on(rows, (255, 255, 255))
    cache = {}
    stride = (size + 3) & ~3
    xor = bytearray()
    for y in reversed(range(size)):
        line = bytearray(stride)
        for x in range(size):
            line[x] = nearest(palette, flat[y][x], cache) if rows[y][x][3] >= 128 else 0
        xor += line
    mask = and_mask(rows)
    colour_table = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    colour_table += b"\0\0\0\0" * (256 - len(palette))
    header = bitmap_info_header(size, size * 2, 8, 0, len(xor) + len(mask), 256)
    return header + colour_table + bytes(xor) + mask


def write_ico(path, images):
    """images: list of (size, bits, data)."""
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for size, bits, data in images:
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, bits, len(data), offset)
        offset += len(data)
    for _, _, data in images:
        out += data
    path.write_bytes(bytes(out))


def make_icon(path, scene, sizes, with_8bit=True):
    rendered = {size: render(scene, size) for size in sizes}
    images = []
    if with_8bit:
        opaque = []
        for rows in rendered.values():
            for row in composite_on(rows, (255, 255, 255)):
                opaque.extend(row)
        palette = build_palette(opaque, 256)
        for size in sizes:
            images.append((size, 8, icon_image_8(rendered[size], palette)))
    for size in sizes:
        images.append((size, 32, icon_image_32(rendered[size])))
    write_ico(path, images)


VGA_PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
    (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
    (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
MAGENTA = 13


def write_message_types_bmp(path, size=16):
    """Three size x size images side by side in the 16-colour palette; magenta marks the
    background. The 16-pixel strip is drawn without supersampling (crisp at 100%); the
    larger strips, for higher resolutions, with it."""
    scenes = [info_scene, warning_scene, error_scene]
    images = [render(lambda x, y, s, scene=scene: scene(x, y, s, palette_colours=True), size,
                     1 if size == 16 else SUPERSAMPLE)
              for scene in scenes]
    width, height = 3 * size, size
    cache = {}
    stride = ((width * 4 + 31) // 32) * 4
    pixels = bytearray()
    for y in reversed(range(height)):
        line = bytearray(stride)
        for x in range(width):
            r, g, b, a = images[x // size][y][x % size]
            index = nearest(VGA_PALETTE, (r, g, b), cache) if a >= 128 else MAGENTA
            line[x // 2] |= index << (4 if x % 2 == 0 else 0)
        pixels += line
    colour_table = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in VGA_PALETTE)
    header = bitmap_info_header(width, height, 4, 0, len(pixels), 16)
    offset = 14 + len(header) + len(colour_table)
    file_header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    path.write_bytes(file_header + header + colour_table + bytes(pixels))


# ---------------------------------------------------------------------------
# Animation: a ring of twelve dots with a bright head running clockwise.
# ---------------------------------------------------------------------------

AVI_SIZE = 24
AVI_FRAMES = 12
AVI_RATE = 10
AVI_BACKGROUND = (240, 240, 240)  # also the transparent colour (the first pixel of frame 0)


def spinner_frame(frame):
    """Returns rows of RGB for one frame, flattened onto the background colour."""
    head = hex_colour("#1565C0")
    tail = hex_colour("#C9D6EA")

    def scene(x, y, size):
        colour = TRANSPARENT
        for i in range(AVI_FRAMES):
            angle = 2 * math.pi * i / AVI_FRAMES - math.pi / 2
            cx = 0.5 + 0.36 * math.cos(angle)
            cy = 0.5 + 0.36 * math.sin(angle)
            if math.hypot(x - cx, y - cy) < 0.085:
                age = (frame - i) % AVI_FRAMES
                t = min(1.0, age / 6.0)
                colour = tuple(head[k] * (1 - t) + tail[k] * t for k in range(3)) + (1.0,)
        return colour

    rows = render(scene, AVI_SIZE)
    # Quantise the coverage so the palette stays small and every frame shares it.
    out = []
    for row in rows:
        line = []
        for r, g, b, a in row:
            level = round(a / 255.0 * 8) / 8.0
            if level == 0:
                line.append(AVI_BACKGROUND)
            else:
                line.append(tuple(round(c * level + AVI_BACKGROUND[i] * (1 - level))
                                  for i, c in enumerate((r, g, b))))
        out.append(line)
    return out


def rle8_encode(indices, width, height):
    """BI_RLE8 of bottom-up rows given top-first: encoded runs and absolute runs, every row
    ended by an end-of-line escape and the image by an end-of-bitmap escape."""
    out = bytearray()
    for y in reversed(range(height)):
        row = indices[y]
        x = 0
        while x < width:
            run = 1
            while x + run < width and run < 255 and row[x + run] == row[x]:
                run += 1
            if run >= 3 or width - x < 3:
                out += bytes((run, row[x]))
                x += run
                continue
            # Absolute mode: collect pixels until a run of three begins (at least 3 pixels).
            start = x
            while x < width and x - start < 255:
                if x + 2 < width and row[x] == row[x + 1] == row[x + 2]:
                    break
                x += 1
            count = x - start
            if count < 3:
                for i in range(start, x):
                    out += bytes((1, row[i]))
            else:
                out += bytes((0, count)) + bytes(row[start:x])
                if count % 2:
                    out += b"\0"
        out += b"\0\0"  # end of line
    out[-2:] = b"\0\1"  # the last end of line becomes end of bitmap
    return bytes(out)


def chunk(fourcc, data):
    pad = b"\0" if len(data) % 2 else b""
    return fourcc + struct.pack("<I", len(data)) + data + pad


def riff_list(kind, fourcc, data):
    return kind + struct.pack("<I", len(data) + 4) + fourcc + data


def write_busy_avi(path):
    frames_rgb = [spinner_frame(f) for f in range(AVI_FRAMES)]
    palette = [AVI_BACKGROUND]
    seen = {AVI_BACKGROUND: 0}
    for rows in frames_rgb:
        for row in rows:
            for rgb in row:
                if rgb not in seen:
                    seen[rgb] = len(palette)
                    palette.append(rgb)
    if len(palette) > 256:
        raise SystemExit("busy.avi: more than 256 colours")
    frames = []
    for rows in frames_rgb:
        indices = [[seen[rgb] for rgb in row] for row in rows]
        frames.append(rle8_encode(indices, AVI_SIZE, AVI_SIZE))
    largest = max(len(f) for f in frames)

    avih = struct.pack("<IIIIIIIIII4I", 1000000 // AVI_RATE, largest * AVI_RATE, 0, 0x10,
                       AVI_FRAMES, 0, 1, largest, AVI_SIZE, AVI_SIZE, 0, 0, 0, 0)
    strh = struct.pack("<4s4sIHHIIIIIIIIhhhh", b"vids", b"RLE ", 0, 0, 0, 0, 1, AVI_RATE, 0,
                       AVI_FRAMES, largest, 0xFFFFFFFF, 0, 0, 0, AVI_SIZE, AVI_SIZE)
    colour_table = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    strf = bitmap_info_header(AVI_SIZE, AVI_SIZE, 8, 1, largest, len(palette)) + colour_table
    strl = riff_list(b"LIST", b"strl", chunk(b"strh", strh) + chunk(b"strf", strf))
    hdrl = riff_list(b"LIST", b"hdrl", chunk(b"avih", avih) + strl)

    movi_body = bytearray()
    index = bytearray()
    for data in frames:
        offset = 4 + len(movi_body)  # from the 'movi' identifier
        index += struct.pack("<4sIII", b"00dc", 0x10, offset, len(data))
        movi_body += chunk(b"00dc", data)
    movi = riff_list(b"LIST", b"movi", bytes(movi_body))
    body = hdrl + movi + chunk(b"idx1", bytes(index))
    path.write_bytes(riff_list(b"RIFF", b"AVI ", body))


def main():
    if len(sys.argv) != 2:
        sys.stderr.write("usage: make_art.py <output folder>\n")
        return 2
    out = pathlib.Path(sys.argv[1])
    out.mkdir(parents=True, exist_ok=True)
    # Every size Windows asks for from 100% to 200%: small icons 16-32, large 32-64.
    make_icon(out / "app.ico", app_scene, [64, 48, 40, 32, 24, 20, 16])
    make_icon(out / "error_small.ico", error_scene, [32, 24, 20, 16])
    make_icon(out / "warning_small.ico", warning_scene, [32, 24, 20, 16])
    write_message_types_bmp(out / "message_types.bmp")
    write_message_types_bmp(out / "message_types_24.bmp", 24)
    write_message_types_bmp(out / "message_types_32.bmp", 32)
    write_busy_avi(out / "busy.avi")
    return 0


if __name__ == "__main__":
    sys.exit(main())

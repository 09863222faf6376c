#!/usr/bin/env python3
"""Pages of a DjVu against Ghostscript's own rendering of its source, at low resolution.

Both are rendered at the same size (Ghostscript with smoothing, as the DjVu renderer
smooths); each page is cut into cells of a few pixels and the cells' ink (the distance of
the mean colour from white, per channel) is compared: a cell is off when it lost more than
half of its ink in a channel (shading, a light line or a colour gone) or gained much
(a colour turned black). A page matches when fewer cells than the tolerance (in
thousandths of its cells, 1 unless given) are off (the codecs' halos; a lost shade or
colour is hundreds). Several conversions of one source are compared with one rendering of
it, each with its own tolerance. Prints one line per page and conversion and, for each,
the share of matching pages last ("figure page_match_share<suffix> ...", the suffix after
a colon in its argument).
Usage: page_match.py [--every=N] source.pdf output.djvu[:tolerance[:suffix]]... [--dpi=D] [--cell=C]
(--every=N compares pages 1, N + 1, 2N + 1, ... only)
"""
import os
import subprocess
import sys
import tempfile


def read_ppm(path):
    with open(path, "rb") as f:
        data = f.read()
    fields = []
    at = 0
    while len(fields) < 4:
        while data[at:at + 1].isspace():
            at += 1
        if data[at:at + 1] == b"#":
            at = data.index(b"\n", at) + 1
            continue
        start = at
        while not data[at:at + 1].isspace():
            at += 1
        fields.append(data[start:at])
    width, height = int(fields[1]), int(fields[2])
    return width, height, data[at + 1:at + 1 + width * height * 3]


def cell_means(width, height, pixels, cell):
    columns, rows = width // cell, height // cell
    sums = [0] * (columns * rows * 3)
    for y in range(rows * cell):
        row = pixels[y * width * 3:(y * width + columns * cell) * 3]
        base = (y // cell) * columns * 3
        for channel in range(3):
            values = row[channel::3]
            for column in range(columns):
                sums[base + column * 3 + channel] += sum(values[column * cell:(column + 1) * cell])
    return columns, rows, [s / (cell * cell) for s in sums]


def cells_off(columns, rows, expected, got):
    """Cells whose ink, channel by channel, is lost (under a third of the source's in the
    cell and the cells around it: renderers may place an edge a pixel apart) or gained
    (over twice the most of the source's around it, and more than a faint halo)."""
    off = 0
    for row in range(rows):
        for column in range(columns):
            around = [(r * columns + c) * 3 for r in range(max(0, row - 1), min(rows, row + 2))
                      for c in range(max(0, column - 1), min(columns, column + 2))]
            at = (row * columns + column) * 3
            for channel in range(3):
                source = 255 - expected[at + channel]
                most_kept = max(255 - got[i + channel] for i in around)
                most_source = max(255 - expected[i + channel] for i in around)
                ink = 255 - got[at + channel]
                if (source >= 4 and most_kept < source / 3) or ink > most_source * 2 + 32:
                    off += 1
                    break
    return off


def main():
    options = {"--every": 1, "--dpi": 75, "--cell": 6}
    arguments = []
    for argument in sys.argv[1:]:
        name, _, value = argument.partition("=")
        if name in options:
            options[name] = int(value)
        else:
            arguments.append(argument)
    source, outputs = arguments[0], []
    for argument in arguments[1:]:
        parts = argument.split(":")
        outputs.append((parts[0], float(parts[1]) if len(parts) > 1 else 1.0, parts[2] if len(parts) > 2 else ""))
    dpi, cell, every = options["--dpi"], options["--cell"], options["--every"]
    pages = int(subprocess.check_output(["djvused", "-e", "n", outputs[0][0]]).decode())
    compared = list(range(1, pages + 1, every))
    matching = [0] * len(outputs)
    with tempfile.TemporaryDirectory() as work:
        subprocess.check_call(["gs", "-q", "-dNOPAUSE", "-dBATCH", "-dSAFER", "-r%d" % dpi, "-dTextAlphaBits=4",
                               "-dGraphicsAlphaBits=4", "-sDEVICE=ppmraw", "-sPageList=" + ",".join(map(str, compared)),
                               "-o", os.path.join(work, "gs%d.ppm"), source], stderr=subprocess.DEVNULL)
        for number, page in enumerate(compared, 1):
            width, height, expected = read_ppm(os.path.join(work, "gs%d.ppm" % number))
            columns, rows, a = cell_means(width, height, expected, cell)
            for index, (djvu, tolerance, suffix) in enumerate(outputs):
                converted = os.path.join(work, "dj%d.ppm" % page)
                subprocess.check_call(["ddjvu", "-format=ppm", "-page=%d" % page, "-size=%dx%d" % (width, height),
                                       "-aspect=no", djvu, converted])
                got_width, got_height, got = read_ppm(converted)
                if (got_width, got_height) != (width, height):
                    print("%s page %d: size %dx%d against %dx%d" % (djvu, page, got_width, got_height, width, height))
                    continue
                _, _, b = cell_means(width, height, got, cell)
                off = cells_off(columns, rows, a, b)
                matching[index] += 1 if off * 1000 < tolerance * columns * rows else 0
                print("%s page %d: %d of %d cells off" % (djvu, page, off, columns * rows))
    for index, (djvu, tolerance, suffix) in enumerate(outputs):
        print("figure page_match_share%s %.3f share" % (suffix, matching[index] / len(compared) if compared else 0))


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Draws TORVEN's icon, a small clock face, and writes it in every form the clock ships.

The face below is the only description of the icon. It is drawn at every size from the
same shapes, so the Windows icon and the Linux PNGs can never drift apart:

  OUT/torven.ico                      32x32 16 colours with an AND mask (the classic icon),
                                      plus 16x16 and 48x48 in 32-bit colour and 256x256 PNG
  OUT/hicolor/NxN/apps/torven.png     N = 16, 32, 48, 64, 128, 256 (freedesktop icon theme)

Standard library only: it runs wherever the build does.
"""

import argparse
import math
import os
import struct
import zlib

# The face in units of the icon's width (0..1, y down): where each colour lies.
CENTRE = 0.5
OUTER = 0.49  # transparent outside
RING_INNER = 0.38  # blue ring between RING_INNER and OUTER, white face inside
MARK_FROM, MARK_TO, MARK_WIDTH = 0.27, 0.36, 0.045  # twelve black hour marks
HANDS = (  # (position in minutes on the dial, length, width): ten past ten
    (50.8, 0.20, 0.075),  # hour hand
    (10.0, 0.31, 0.05),  # minute hand
)
HUB = 0.04

BLACK, BLUE, WHITE = (0, 0, 0), (0, 0, 255), (255, 255, 255)

# The 16-colour palette of Windows; the 4-bit icon uses black, blue and white from it.
PALETTE16 = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]  # fmt: skip

ICO_SIZES_32BIT = (16, 48)
PNG_SIZES = (16, 32, 48, 64, 128, 256)


def _near_segment(x, y, angle, length, width):
    """Whether (x, y) lies on the stroke from the centre towards `angle` (0 = up, clockwise)."""
    dx, dy = math.sin(angle), -math.cos(angle)
    px, py = x - CENTRE, y - CENTRE
    along = px * dx + py * dy
    across = abs(px * dy - py * dx)
    return 0 <= along <= length and across <= width / 2


def colour_at(x, y):
    """The colour of the face at (x, y), or None outside it."""
    r = math.hypot(x - CENTRE, y - CENTRE)
    if r > OUTER:
        return None
    if r >= RING_INNER:
        return BLUE
    if r <= HUB:
        return BLACK
    for minutes, length, width in HANDS:
        if _near_segment(x, y, minutes / 60 * 2 * math.pi, length, width):
            return BLACK
    if MARK_FROM <= r <= MARK_TO:
        angle = math.atan2(x - CENTRE, -(y - CENTRE)) % (2 * math.pi)
        nearest = round(angle / (math.pi / 6)) * (math.pi / 6)
        if abs(math.sin(angle - nearest)) * r <= MARK_WIDTH / 2:
            return BLACK
    return WHITE


def _samples(size, per_pixel):
    """For each pixel (row-major, top row first) the colours of its sub-samples."""
    step = 1 / (size * per_pixel)
    for row in range(size):
        for col in range(size):
            yield [
                colour_at((col * per_pixel + i + 0.5) * step, (row * per_pixel + j + 0.5) * step)
                for j in range(per_pixel)
                for i in range(per_pixel)
            ]


def render_rgba(size):
    """Anti-aliased straight-alpha RGBA pixels, row-major from the top."""
    pixels = []
    for samples in _samples(size, 8 if size <= 64 else 4):
        inside = [c for c in samples if c is not None]
        if not inside:
            pixels.append((0, 0, 0, 0))
            continue
        avg = [round(sum(c[k] for c in inside) / len(inside)) for k in range(3)]
        pixels.append((*avg, round(255 * len(inside) / len(samples))))
    return pixels


def render_16colour(size):
    """Palette indices (None = transparent) with hard edges; thin black lines survive."""
    pixels = []
    for samples in _samples(size, 4):
        inside = [c for c in samples if c is not None]
        if len(inside) * 2 < len(samples):
            pixels.append(None)
        elif inside.count(BLACK) * 3 >= len(inside):
            pixels.append(PALETTE16.index(BLACK))
        else:
            best = max((BLUE, WHITE), key=inside.count)
            pixels.append(PALETTE16.index(best))
    return pixels


def png_bytes(size, rgba):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    rows = b"".join(
        b"\0" + bytes(v for p in rgba[r * size : (r + 1) * size] for v in p) for r in range(size)
    )
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return (
        b"\x89PNG\r\n\x1a\n"
        + chunk(b"IHDR", header)
        + chunk(b"IDAT", zlib.compress(rows, 9))
        + chunk(b"IEND", b"")
    )


def _padded(row_bytes):
    return row_bytes + b"\0" * (-len(row_bytes) % 4)


def _and_mask(size, transparent):
    """1 bit per pixel, set where the pixel is transparent; rows bottom-up."""
    out = b""
    for row in reversed(range(size)):
        bits = bytearray((size + 7) // 8)
        for col in range(size):
            if transparent(row * size + col):
                bits[col // 8] |= 0x80 >> (col % 8)
        out += _padded(bytes(bits))
    return out


def _bitmap_header(size, bits, image_bytes, colours_used):
    # Height counts the colour and the mask bitmaps together.
    return struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bits, 0, image_bytes, 0, 0,
                       colours_used, 0)  # fmt: skip


def dib_16colour(size, indices):
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE16)
    xor = b""
    for row in reversed(range(size)):
        line = [indices[row * size + col] or 0 for col in range(size)]
        xor += _padded(bytes((line[i] << 4) | line[i + 1] for i in range(0, size, 2)))
    mask = _and_mask(size, lambda i: indices[i] is None)
    return _bitmap_header(size, 4, len(xor) + len(mask), 16) + palette + xor + mask


def dib_32bit(size, rgba):
    xor = b"".join(
        struct.pack("<BBBB", b, g, r, a)
        for row in reversed(range(size))
        for r, g, b, a in rgba[row * size : (row + 1) * size]
    )
    mask = _and_mask(size, lambda i: rgba[i][3] == 0)
    return _bitmap_header(size, 32, len(xor) + len(mask), 0) + xor + mask


def ico_bytes(images):
    """images: (size, colour count, bits per pixel, data) in directory order."""
    header = struct.pack("<HHH", 0, 1, len(images))
    offset = len(header) + 16 * len(images)
    directory, payload = b"", b""
    for size, colours, bits, data in images:
        side = size % 256  # 256 is written as 0
        directory += struct.pack("<BBBBHHII", side, side, colours, 0, 1, bits, len(data), offset)
        offset += len(data)
        payload += data
    return header + directory + payload


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", required=True, help="output directory")
    out = parser.parse_args().out

    rgba = {size: render_rgba(size) for size in PNG_SIZES}
    images = [(32, 16, 4, dib_16colour(32, render_16colour(32)))]
    images += [(size, 0, 32, dib_32bit(size, rgba[size])) for size in ICO_SIZES_32BIT]
    images.append((256, 0, 32, png_bytes(256, rgba[256])))

    os.makedirs(out, exist_ok=True)
    with open(os.path.join(out, "torven.ico"), "wb") as f:
        f.write(ico_bytes(images))
    for size in PNG_SIZES:
        folder = os.path.join(out, "hicolor", f"{size}x{size}", "apps")
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "torven.png"), "wb") as f:
            f.write(png_bytes(size, rgba[size]))


if __name__ == "__main__":
    main()

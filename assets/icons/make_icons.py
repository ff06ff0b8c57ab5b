#!/usr/bin/env python3
"""Draws the program's icons and writes them as Windows .ico files.

    make_icons.py OUTPUT_DIR

All of them show one webcam: a round head with a lens, on a neck and a flat foot. The program icon and
the logo are violet with a dark lens; the tray icons are the same silhouette in one colour with the
lens ring cut out, so that only the colour tells their state apart.

Small icons are not scaled down from a big one: each size has its own geometry in whole or half pixels
(SIZES below) so that the straight edges fall on pixel edges and the circles stay round, and each is
drawn at SUPERSAMPLE times its size and reduced by averaging, which gives the anti-aliased edges.

Every image is stored as a 32-bit BGRA bitmap with its AND mask, which every Windows version reads,
except 256 x 256, which is stored as PNG (read since Windows Vista; it keeps the file small). The
output is the same bytes on every run.
"""

import io
import struct
import sys
from pathlib import Path

from PIL import Image, ImageChops, ImageDraw

SUPERSAMPLE = 16

# Per size, in pixels from the top left: the head's centre height and radius, the lens hole's and the
# pupil's radius, the neck's width and the rows it spans, the foot's width and rows. The head's centre
# is on a pixel corner and its radii are whole pixels, so that the circles' top, bottom and sides are
# sharp; ring, gap and pupil keep roughly the proportions of the large drawing (5 : 4 : 6).
SIZES = {
    16: dict(cy=6, r=6, hole=4, pupil=2, neck_w=2, neck=(11, 14), foot_w=10, foot=(14, 16)),
    20: dict(cy=8, r=8, hole=5, pupil=2, neck_w=2, neck=(15, 18), foot_w=12, foot=(18, 20)),
    24: dict(cy=10, r=9, hole=5, pupil=2, neck_w=2, neck=(18, 21), foot_w=14, foot=(21, 23)),
    32: dict(cy=13, r=12, hole=7, pupil=3, neck_w=4, neck=(24, 28), foot_w=20, foot=(28, 31)),
    48: dict(cy=19, r=18, hole=11, pupil=5, neck_w=6, neck=(36, 42), foot_w=30, foot=(42, 46)),
    256: dict(cy=101, r=96, hole=56, pupil=24, neck_w=32, neck=(190, 224), foot_w=160, foot=(224, 246)),
}
TRAY_SIZES = [16, 20, 24, 32, 48]
PROGRAM_SIZES = [16, 20, 24, 32, 48, 256]

VIOLET = (131, 0, 255)
VIOLET_DARK = (84, 0, 176)
LENS = (30, 14, 54)
IRIS = (176, 120, 255)
HIGHLIGHT = (255, 255, 255)

# The tray's states, each in one colour: (file name, RGB, opacity).
TRAY = [
    ("tray_active_dark", (36, 36, 36), 255),     # active, for light taskbars
    ("tray_inactive", (150, 150, 150), 170),     # not running: faded grey on any taskbar
    ("tray_active_light", (255, 255, 255), 255),  # active, for dark taskbars
    ("tray_trying", (226, 32, 32), 255),          # starting, or the camera is lost
]


class Canvas:
    """Masks drawn at SUPERSAMPLE times the icon size, in the icon's pixel coordinates."""

    def __init__(self, size):
        self.size = size

    def blank(self):
        return Image.new("L", (self.size * SUPERSAMPLE,) * 2, 0)

    def _box(self, x0, y0, x1, y1):
        # Pillow includes the right and bottom edge pixels, so stop one sample short of them.
        s = SUPERSAMPLE
        return [round(x0 * s), round(y0 * s), round(x1 * s) - 1, round(y1 * s) - 1]

    def disc(self, cx, cy, r):
        mask = self.blank()
        ImageDraw.Draw(mask).ellipse(self._box(cx - r, cy - r, cx + r, cy + r), fill=255)
        return mask

    def rounded_rect(self, x0, y0, x1, y1, radius):
        mask = self.blank()
        ImageDraw.Draw(mask).rounded_rectangle(self._box(x0, y0, x1, y1), radius=round(radius * SUPERSAMPLE),
                                               fill=255)
        return mask

    def reduce(self, mask):
        return mask.reduce(SUPERSAMPLE)


def webcam_parts(size):
    """The webcam's masks at one size: head, lens hole, pupil and stand (neck and foot)."""
    g = SIZES[size]
    canvas = Canvas(size)
    cx = size / 2
    head = canvas.disc(cx, g["cy"], g["r"])
    hole = canvas.disc(cx, g["cy"], g["hole"])
    pupil = canvas.disc(cx, g["cy"], g["pupil"])
    neck = canvas.rounded_rect(cx - g["neck_w"] / 2, g["neck"][0], cx + g["neck_w"] / 2, g["neck"][1], 0)
    foot_h = g["foot"][1] - g["foot"][0]
    foot = canvas.rounded_rect(cx - g["foot_w"] / 2, g["foot"][0], cx + g["foot_w"] / 2, g["foot"][1], foot_h / 2)
    stand = ImageChops.subtract(ImageChops.lighter(neck, foot), head)
    return canvas, dict(head=head, hole=hole, pupil=pupil, stand=stand)


def filled(size, rgb, mask, opacity=255):
    """A layer of one colour whose alpha is the mask (reduced to the icon size) times the opacity."""
    # Rounded up, so that the faintest edge pixels of a faded icon stay in its silhouette.
    alpha = mask if opacity == 255 else mask.point(lambda a: (a * opacity + 254) // 255)
    layer = Image.new("RGBA", (size, size), rgb + (0,))
    layer.putalpha(alpha)
    return layer


def tray_icon(size, rgb, opacity):
    canvas, p = webcam_parts(size)
    ring = ImageChops.subtract(p["head"], p["hole"])
    silhouette = ImageChops.lighter(ImageChops.lighter(ring, p["pupil"]), p["stand"])
    return filled(size, rgb, canvas.reduce(silhouette), opacity)


def program_icon(size):
    canvas, p = webcam_parts(size)
    g = SIZES[size]
    cx, cy = size / 2, g["cy"]
    image = Image.new("RGBA", (size, size), (0, 0, 0, 0))
    image.alpha_composite(filled(size, VIOLET_DARK, canvas.reduce(p["stand"])))
    image.alpha_composite(filled(size, VIOLET, canvas.reduce(ImageChops.subtract(p["head"], p["hole"]))))
    image.alpha_composite(filled(size, LENS, canvas.reduce(p["hole"])))
    # The iris: a light ring around a dark pupil, which reads as glass from 32 pixels up; below, the
    # pupil alone is lit so that the lens does not turn to a grey blot.
    if size >= 32:
        iris = ImageChops.subtract(p["pupil"], canvas.disc(cx, cy, g["pupil"] * 0.45))
    else:
        iris = p["pupil"]
    image.alpha_composite(filled(size, IRIS, canvas.reduce(iris)))
    if size >= 32:
        glint = canvas.disc(cx - g["hole"] * 0.45, cy - g["hole"] * 0.45, g["hole"] * 0.16)
        image.alpha_composite(filled(size, HIGHLIGHT, canvas.reduce(glint)))
    return image


def dib_entry(image):
    """An icon image as BITMAPINFOHEADER, bottom-up BGRA rows and the AND mask (set where transparent)."""
    size = image.width
    pixels = image.load()
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = bytearray()
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for y in range(size - 1, -1, -1):
        row_mask = bytearray(mask_stride)
        for x in range(size):
            r, g, b, a = pixels[x, y]
            if a == 0:
                r = g = b = 0
                row_mask[x // 8] |= 0x80 >> (x % 8)
            colour += bytes((b, g, r, a))
        mask += row_mask
    return header + bytes(colour) + bytes(mask)


def png_entry(image):
    out = io.BytesIO()
    image.save(out, format="PNG", optimize=False, compress_level=9)
    return out.getvalue()


def write_ico(path, images):
    """ICONDIR, one ICONDIRENTRY per image (smallest first), then the images."""
    entries = [(im.width, png_entry(im) if im.width >= 256 else dib_entry(im)) for im in images]
    offset = 6 + 16 * len(entries)
    directory = struct.pack("<HHH", 0, 1, len(entries))
    data = b""
    for size, blob in entries:
        dim = size if size < 256 else 0
        directory += struct.pack("<BBBBHHII", dim, dim, 0, 0, 1, 32, len(blob), offset + len(data))
        data += blob
    path.write_bytes(directory + data)


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_icons.py OUTPUT_DIR")
    out = Path(sys.argv[1])
    out.mkdir(parents=True, exist_ok=True)
    program = [program_icon(size) for size in PROGRAM_SIZES]
    write_ico(out / "orvane.ico", program)
    # The About dialog's logo is the program icon's drawing.
    write_ico(out / "logo.ico", program)
    for name, rgb, opacity in TRAY:
        write_ico(out / f"{name}.ico", [tray_icon(size, rgb, opacity) for size in TRAY_SIZES])


if __name__ == "__main__":
    main()

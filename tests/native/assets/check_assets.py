#!/usr/bin/env python3
"""Checks the generated iconfont.ttf and .ico files (unittest; the last arguments name the cases).

    check_assets.py --font FONT.ttf --icons ICON_DIR --sources ASSETS_SOURCE_DIR [unittest arguments]
"""

import argparse
import io
import struct
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

from fontTools.pens.areaPen import AreaPen
from fontTools.ttLib import TTFont
from PIL import Image

PATHS = None

BUTTONS = [0xE671, 0xE666, 0xE68F]
BADGES = [0xE627, 0xE628, 0xE62A, 0xE62C, 0xE773, 0xE774, 0xE632, 0xE634, 0xE636, 0xE638]
TRAY = ["tray_active_dark", "tray_inactive", "tray_active_light", "tray_trying"]
ICONS = ["orvane", "logo"] + TRAY
SIZES = [16, 20, 24, 32, 48]


def regenerate(script, *args):
    subprocess.run([sys.executable, str(script), *map(str, args)], check=True)


class IconFontFile(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.font = TTFont(PATHS.font)
        cls.os2 = cls.font["OS/2"]
        cls.cmap = cls.font.getBestCmap()
        cls.glyphs = cls.font.getGlyphSet()

    def test_windows_names_the_face_iconfont(self):
        name = self.font["name"]
        self.assertEqual(name.getName(1, 3, 1, 0x409).toUnicode(), "iconfont")
        self.assertEqual(name.getName(2, 3, 1, 0x409).toUnicode(), "Regular")
        self.assertTrue(any(t.platformID == 3 and t.platEncID == 1 and t.format == 4
                            for t in self.font["cmap"].tables))

    def test_every_icon_has_its_own_outline_inside_the_line(self):
        glyf = self.font["glyf"]
        names = [self.cmap.get(code) for code in BUTTONS + BADGES]
        self.assertNotIn(None, names)
        self.assertEqual(len(set(names)), len(names), "two code points share a glyph")
        # The cell GDI draws is usWinAscent above the baseline and usWinDescent below it; the icons
        # share one centre in it, which is what lines them up in square buttons.
        centre_y = (self.os2.usWinAscent - self.os2.usWinDescent) / 2
        for code, name in zip(BUTTONS + BADGES, names):
            with self.subTest(code=hex(code)):
                glyph = glyf[name]
                self.assertGreater(glyph.numberOfContours, 0)
                advance = self.font["hmtx"][name][0]
                self.assertGreaterEqual(glyph.xMin, 0)
                self.assertLessEqual(glyph.xMax, advance)
                self.assertGreaterEqual(glyph.yMin, -self.os2.usWinDescent)
                self.assertLessEqual(glyph.yMax, self.os2.usWinAscent)
                self.assertAlmostEqual((glyph.xMin + glyph.xMax) / 2, advance / 2, delta=8)
                self.assertAlmostEqual((glyph.yMin + glyph.yMax) / 2, centre_y, delta=8)

    def test_inner_shapes_are_cut_out_of_the_ring_or_disc(self):
        # A symbol or digit whose contour runs the wrong way would add to the disc instead of being
        # cut out of it (or fill the ring's hole).
        for code in BUTTONS + BADGES:
            with self.subTest(code=hex(code)):
                name = self.cmap[code]
                pen = AreaPen(self.glyphs)
                self.glyphs[name].draw(pen)
                glyph = self.font["glyf"][name]
                radius = (glyph.xMax - glyph.xMin) / 2
                disc = 3.14159 * radius * radius
                ink = abs(pen.value)
                self.assertLess(ink, 0.9 * disc)
                self.assertGreater(ink, 0.2 * disc)

    def test_counts_above_nine_have_plain_digits_that_fit_the_badge(self):
        glyf = self.font["glyf"]
        for digit in "0123456789":
            with self.subTest(digit=digit):
                name = self.cmap.get(ord(digit))
                self.assertIsNotNone(name)
                glyph = glyf[name]
                self.assertGreater(glyph.numberOfContours, 0)
                advance = self.font["hmtx"][name][0]
                # Two digits are no wider than one badge disc.
                self.assertLessEqual(2 * advance, self.font["hmtx"][self.cmap[BADGES[0]]][0] + 64)
                self.assertGreaterEqual(glyph.xMin, 0)
                self.assertLessEqual(glyph.xMax, advance)

    def test_rebuild_gives_the_same_bytes(self):
        with tempfile.TemporaryDirectory() as folder:
            again = Path(folder) / "iconfont.ttf"
            regenerate(PATHS.sources / "font" / "make_iconfont.py", again)
            self.assertEqual(again.read_bytes(), PATHS.font.read_bytes())


def ico_entries(path):
    """(width, bit count, image bytes) for each image of an .ico file."""
    data = path.read_bytes()
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    assert (reserved, kind) == (0, 1), f"{path.name} is not an icon file"
    entries = []
    for i in range(count):
        width, height, _, _, _, bits, size, offset = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
        entries.append((width or 256, bits, data[offset:offset + size]))
    return entries


def rgba(image_bytes):
    """The image as RGBA, from its PNG or from its BITMAPINFOHEADER and 32-bit rows."""
    if image_bytes.startswith(b"\x89PNG"):
        return Image.open(io.BytesIO(image_bytes)).convert("RGBA")
    header_size, width, height, _, bits, compression = struct.unpack_from("<IiiHHI", image_bytes, 0)
    assert (bits, compression) == (32, 0), "not a 32-bit uncompressed bitmap"
    assert height == 2 * width, "colour and mask heights do not add up"
    rows = image_bytes[header_size:header_size + width * width * 4]
    return Image.frombytes("RGBA", (width, width), rows, "raw", "BGRA", 0, -1)


class IconFiles(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.images = {}
        for name in ICONS:
            for width, bits, blob in ico_entries(PATHS.icons / f"{name}.ico"):
                cls.images[name, width] = (bits, rgba(blob))

    def test_every_icon_has_every_size_as_32_bit_with_alpha(self):
        for name in ICONS:
            for size in SIZES:
                with self.subTest(icon=name, size=size):
                    self.assertIn((name, size), self.images)
                    bits, image = self.images[name, size]
                    self.assertEqual(bits, 32)
                    self.assertEqual(image.size, (size, size))
                    alpha = image.getchannel("A")
                    low, high = alpha.getextrema()
                    self.assertEqual(low, 0, "nothing transparent")
                    # Edges are anti-aliased: some alpha between none and full.
                    self.assertTrue(any(0 < a < high for a in alpha.getdata()), "no soft edges")
        self.assertIn(("orvane", 256), self.images)

    def test_tray_states_share_one_silhouette_in_their_own_colours(self):
        # Mean colour and peak opacity of the webcam, per state: only these may tell them apart.
        expected = {
            "tray_active_dark": lambda r, g, b, a: max(r, g, b) < 60 and a == 255,
            "tray_inactive": lambda r, g, b, a: 120 < min(r, g, b) and max(r, g, b) < 200 and a < 230,
            "tray_active_light": lambda r, g, b, a: min(r, g, b) > 235 and a == 255,
            "tray_trying": lambda r, g, b, a: r > 200 and max(g, b) < 60 and a == 255,
        }
        for size in SIZES:
            shapes = {}
            for name in TRAY:
                with self.subTest(icon=name, size=size):
                    image = self.images[name, size][1]
                    alpha = image.getchannel("A")
                    shapes[name] = [a > 0 for a in alpha.getdata()]
                    opaque = [p for p in image.getdata() if p[3] > 0]
                    mean = [sum(p[i] for p in opaque) / len(opaque) for i in range(3)]
                    self.assertTrue(expected[name](*mean, alpha.getextrema()[1]),
                                    f"mean colour {mean}, peak opacity {alpha.getextrema()[1]}")
            with self.subTest(size=size):
                self.assertEqual(len({tuple(s) for s in shapes.values()}), 1, "silhouettes differ")

    def test_program_icon_is_violet(self):
        for size in SIZES + [256]:
            with self.subTest(size=size):
                image = self.images["orvane", size][1]
                counts = {}
                for r, g, b, a in image.getdata():
                    if a == 255:
                        counts[r, g, b] = counts.get((r, g, b), 0) + 1
                self.assertEqual(max(counts, key=counts.get), (131, 0, 255))

    def test_rebuild_gives_the_same_bytes(self):
        with tempfile.TemporaryDirectory() as folder:
            regenerate(PATHS.sources / "icons" / "make_icons.py", folder)
            for name in ICONS:
                with self.subTest(icon=name):
                    self.assertEqual((Path(folder) / f"{name}.ico").read_bytes(),
                                     (PATHS.icons / f"{name}.ico").read_bytes())


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--font", type=Path, required=True)
    parser.add_argument("--icons", type=Path, required=True)
    parser.add_argument("--sources", type=Path, required=True)
    PATHS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0], "-v"] + rest)

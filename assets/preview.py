#!/usr/bin/env python3
"""Contact sheets of the generated font and icons, for a person to look at (not part of the build).

    preview.py FONT.ttf ICON_DIR OUT_DIR

Writes OUT_DIR/glyphs.png (every glyph at the sizes the window uses and large, centred in square
cells with the cell's middle marked) and OUT_DIR/icons.png (every icon at every size on a light and a
dark background). Small sizes are enlarged without smoothing so that single pixels can be judged.
"""

import sys
from pathlib import Path

from PIL import Image, ImageDraw, ImageFont

CODES = [0xE671, 0xE666, 0xE68F, 0xE627, 0xE628, 0xE62A, 0xE62C, 0xE773, 0xE774, 0xE632, 0xE634,
         0xE636, 0xE638]
ICONS = ["orvane", "logo", "tray_active_dark", "tray_inactive", "tray_active_light", "tray_trying"]
ICON_SIZES = [16, 20, 24, 32, 48, 256]


def glyph_cell(font_path, code, pixels, cell, zoom):
    """The glyph drawn at an em of `pixels` in the middle of a cell, the way the window centres it."""
    font = ImageFont.truetype(str(font_path), pixels)
    image = Image.new("RGB", (cell, cell), "white")
    ImageDraw.Draw(image).text((cell / 2, cell / 2), chr(code), font=font, fill=(200, 30, 40), anchor="mm")
    image = image.resize((cell * zoom, cell * zoom), Image.NEAREST)
    draw = ImageDraw.Draw(image)
    middle = cell * zoom // 2
    draw.line([(middle, 0), (middle, 3 * zoom)], fill=(0, 160, 255))
    draw.line([(0, middle), (3 * zoom, middle)], fill=(0, 160, 255))
    draw.rectangle([0, 0, cell * zoom - 1, cell * zoom - 1], outline=(210, 210, 210))
    return image


def glyph_sheet(font_path):
    rows = [(15, 20, 8), (19, 24, 6), (32, 40, 4), (120, 160, 1)]
    width = max(len(CODES) * cell * zoom for _, cell, zoom in rows)
    height = sum(cell * zoom for _, cell, zoom in rows) + 8 * len(rows)
    sheet = Image.new("RGB", (width, height), (240, 240, 240))
    y = 0
    for pixels, cell, zoom in rows:
        for i, code in enumerate(CODES):
            sheet.paste(glyph_cell(font_path, code, pixels, cell, zoom), (i * cell * zoom, y))
        y += cell * zoom + 8
    return sheet


def icon_sheet(icon_dir):
    """One row per icon and background: every size enlarged to about 192 pixels, then all sizes at
    their real size side by side."""
    zooms = {16: 12, 20: 9, 24: 8, 32: 6, 48: 4, 256: 1}
    column = 264
    row = 264
    backgrounds = [(243, 243, 243), (32, 32, 32)]
    width = column * len(ICON_SIZES) + sum(s for s in ICON_SIZES if s < 256) + 80
    sheet = Image.new("RGB", (width, row * len(ICONS) * len(backgrounds)), (128, 128, 128))
    for b, background in enumerate(backgrounds):
        for r, name in enumerate(ICONS):
            ico = Image.open(icon_dir / f"{name}.ico")
            top = (b * len(ICONS) + r) * row + 4
            x_real = column * len(ICON_SIZES) + 8
            for c, size in enumerate(ICON_SIZES):
                if (size, size) not in ico.info["sizes"]:
                    continue
                frame = ico.ico.getimage((size, size)).convert("RGBA")
                tile = Image.new("RGBA", frame.size, background + (255,))
                tile.alpha_composite(frame)
                sheet.paste(tile.resize((size * zooms[size],) * 2, Image.NEAREST).convert("RGB"),
                            (c * column + 4, top))
                if size < 256:
                    sheet.paste(tile.convert("RGB"), (x_real, top + 96))
                    x_real += size + 8
    return sheet


def main():
    if len(sys.argv) != 4:
        sys.exit("usage: preview.py FONT.ttf ICON_DIR OUT_DIR")
    font_path, icon_dir, out = Path(sys.argv[1]), Path(sys.argv[2]), Path(sys.argv[3])
    out.mkdir(parents=True, exist_ok=True)
    glyph_sheet(font_path).save(out / "glyphs.png")
    if icon_dir.is_dir() and any(icon_dir.glob("*.ico")):
        icon_sheet(icon_dir).save(out / "icons.png")


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Builds iconfont.ttf, the private font whose glyphs the main window draws as its button icons.

    make_iconfont.py OUTPUT.ttf

Every outline is data in this file: circles, rounded polygons and the badge digits, in font units on
one em box of 1024 with the ascent and descent chosen so that the middle of a line of text is the
middle of every glyph. GDI centres a one-line text cell in a button (DT_CENTER | DT_VCENTER), so icons
drawn that way line up whatever the size.

The output is byte-identical from run to run: the head table's dates are fixed and fontTools is told
not to stamp the time of writing.
"""

import math
import sys
from pathlib import Path

from fontTools.fontBuilder import FontBuilder
from fontTools.pens.ttGlyphPen import TTGlyphPen
from fontTools.ttLib import newTable

UNITS_PER_EM = 1024
# The cell is exactly one em high (ascent + descent), so a font created for an em height of N pixels
# has N-pixel lines and nothing outside them is clipped.
ASCENT = 896
DESCENT = 128
ADVANCE = 1024
# The centre of every icon: the middle of the advance and of the line.
CX = ADVANCE // 2
CY = (ASCENT - DESCENT) // 2

# 2024-01-01 in seconds since 1904-01-01, the epoch of the head table.
FIXED_TIMESTAMP = 3786825600

# Icons of the buttons: a ring with a symbol inside, so that play, stop and options read as one set.
RING_OUTER = 480
RING_INNER = 404

# A count badge: a disc with the digit knocked out. The digits sit in a box of this size in the
# middle of the disc; their strokes are DIGIT_STROKE wide, about 1.8 px when the font is 15 px high
# (11 pt), where the counters of 8 are still 2 px tall.
BADGE_RADIUS = 480
DIGIT_W = 420
DIGIT_H = 640
DIGIT_STROKE = 120

# Each digit: contours of (x, y, corner radius) in its box, y up; the first is the outline, the rest
# its counters. A corner radius rounds that vertex with a quadratic arc; 0 keeps it sharp. The digits
# are built on the stroke grid: columns 0-120 and 300-420, rows 0-120, 260-380 and 520-640.
DIGITS = {
    "0": [
        [(0, 0, 190), (420, 0, 190), (420, 640, 190), (0, 640, 190)],
        [(120, 120, 70), (300, 120, 70), (300, 520, 70), (120, 520, 70)],
    ],
    "1": [
        [(60, 0, 0), (360, 0, 0), (360, 120, 0), (270, 120, 0), (270, 640, 0), (165, 640, 20),
         (40, 525, 20), (40, 370, 0), (150, 470, 0), (150, 120, 0), (60, 120, 0)],
    ],
    "2": [
        [(0, 0, 0), (420, 0, 0), (420, 120, 0), (175, 120, 0), (420, 375, 60), (420, 640, 170),
         (0, 640, 170), (0, 450, 0), (120, 450, 0), (120, 520, 40), (300, 520, 50), (300, 424, 0),
         (0, 120, 0)],
    ],
    "3": [
        [(0, 0, 0), (420, 0, 170), (420, 640, 170), (0, 640, 0), (0, 520, 0), (300, 520, 50),
         (300, 380, 50), (100, 380, 0), (100, 260, 0), (300, 260, 50), (300, 120, 50), (0, 120, 0)],
    ],
    "4": [
        [(250, 0, 0), (370, 0, 0), (370, 150, 0), (420, 150, 0), (420, 270, 0), (370, 270, 0),
         (370, 640, 0), (250, 640, 0), (250, 270, 0), (120, 270, 0), (120, 640, 0), (0, 640, 0),
         (0, 150, 0), (250, 150, 0)],
    ],
    "5": [
        [(0, 0, 0), (420, 0, 170), (420, 400, 150), (120, 400, 0), (120, 520, 0), (420, 520, 0),
         (420, 640, 0), (0, 640, 0), (0, 280, 0), (300, 280, 50), (300, 120, 50), (0, 120, 0)],
    ],
    "6": [
        [(0, 0, 170), (420, 0, 170), (420, 400, 150), (120, 400, 0), (120, 520, 40), (380, 520, 0),
         (380, 640, 0), (0, 640, 190)],
        [(120, 120, 50), (300, 120, 50), (300, 280, 50), (120, 280, 50)],
    ],
    "7": [
        [(0, 520, 0), (0, 640, 0), (420, 640, 0), (420, 530, 0), (210, 0, 0), (80, 0, 0),
         (290, 520, 0)],
    ],
    "8": [
        [(0, 0, 170), (420, 0, 170), (420, 290, 30), (395, 320, 0), (420, 350, 30), (420, 640, 170),
         (0, 640, 170), (0, 350, 30), (25, 320, 0), (0, 290, 30)],
        [(120, 120, 50), (300, 120, 50), (300, 260, 50), (120, 260, 50)],
        [(130, 380, 50), (290, 380, 50), (290, 520, 50), (130, 520, 50)],
    ],
}
# A 9 is a 6 turned half a turn.
DIGITS["9"] = [[(DIGIT_W - x, DIGIT_H - y, r) for x, y, r in contour] for contour in DIGITS["6"]]

# Code points the window uses; the badge numbers are not in order, as the window's table has them.
BUTTONS = {0xE671: "play", 0xE666: "stop", 0xE68F: "options"}
BADGES = {0xE627: "0", 0xE628: "1", 0xE62A: "2", 0xE62C: "3", 0xE773: "4", 0xE774: "5", 0xE632: "6",
          0xE634: "7", 0xE636: "8", 0xE638: "9"}


# A contour is a list of TrueType points (x, y, on_curve): an off-curve point lies between two
# on-curve points and makes a quadratic segment.

def circle(cx, cy, r):
    """Eight quadratic arcs of 45 degrees; the control point is where the end tangents meet."""
    points = []
    control = r / math.cos(math.pi / 8)
    for k in range(8):
        a = k * math.pi / 4
        points.append((cx + r * math.cos(a), cy + r * math.sin(a), True))
        b = a + math.pi / 8
        points.append((cx + control * math.cos(b), cy + control * math.sin(b), False))
    return points


def rounded_polygon(vertices, dx=0, dy=0):
    """A closed polygon of (x, y, radius) whose rounded vertices become a quadratic arc from `radius`
    before the corner to `radius` after it, with the corner itself as the control point."""
    points = []
    n = len(vertices)
    for i, (x, y, r) in enumerate(vertices):
        if r == 0:
            points.append((x + dx, y + dy, True))
            continue
        px, py, _ = vertices[i - 1]
        nx, ny, _ = vertices[(i + 1) % n]
        din = math.hypot(x - px, y - py)
        dout = math.hypot(nx - x, ny - y)
        points.append((x + (px - x) * r / din + dx, y + (py - y) * r / din + dy, True))
        points.append((x + dx, y + dy, False))
        points.append((x + (nx - x) * r / dout + dx, y + (ny - y) * r / dout + dy, True))
    return points


def check_corner_radii(name, vertices):
    """Two rounded corners on one edge must not eat more than the whole edge."""
    n = len(vertices)
    for i in range(n):
        x0, y0, r0 = vertices[i]
        x1, y1, r1 = vertices[(i + 1) % n]
        if r0 + r1 > math.hypot(x1 - x0, y1 - y0) + 1e-9:
            raise ValueError(f"{name}: corner radii {r0} + {r1} longer than the edge at ({x0}, {y0})")


def flatten(contour, steps=8):
    """The contour as a polygon, each quadratic segment cut into `steps` lines."""
    n = len(contour)
    start = next(i for i, p in enumerate(contour) if p[2])
    ordered = contour[start:] + contour[:start]
    polygon = []
    i = 0
    while i < n:
        x, y, _ = ordered[i]
        polygon.append((x, y))
        if i + 1 < n and not ordered[i + 1][2]:
            cx, cy, _ = ordered[i + 1]
            ex, ey, _ = ordered[(i + 2) % n]
            for s in range(1, steps):
                t = s / steps
                polygon.append(((1 - t) ** 2 * x + 2 * t * (1 - t) * cx + t * t * ex,
                                (1 - t) ** 2 * y + 2 * t * (1 - t) * cy + t * t * ey))
            i += 2
        else:
            i += 1
    return polygon


def signed_area(polygon):
    return sum(x0 * y1 - x1 * y0 for (x0, y0), (x1, y1) in zip(polygon, polygon[1:] + polygon[:1])) / 2


def inside(point, polygon):
    x, y = point
    result = False
    for (x0, y0), (x1, y1) in zip(polygon, polygon[1:] + polygon[:1]):
        if (y0 > y) != (y1 > y) and x < x0 + (y - y0) * (x1 - x0) / (y1 - y0):
            result = not result
    return result


def segments_cross(a, b, c, d):
    def orient(p, q, r):
        return (q[0] - p[0]) * (r[1] - p[1]) - (q[1] - p[1]) * (r[0] - p[0])
    return (orient(a, b, c) * orient(a, b, d) < 0) and (orient(c, d, a) * orient(c, d, b) < 0)


def check_no_crossings(name, polygons):
    """Contours may nest but never cross, themselves or each other: the glyph is then drawn the same by
    every rasteriser, whatever its fill rule."""
    edges = [(k, p[i], p[(i + 1) % len(p)]) for k, p in enumerate(polygons) for i in range(len(p))]
    for i, (k0, a, b) in enumerate(edges):
        for k1, c, d in edges[i + 1:]:
            if segments_cross(a, b, c, d):
                raise ValueError(f"{name}: contours {k0} and {k1} cross near ({a[0]:.0f}, {a[1]:.0f})")


def orient_by_nesting(contours):
    """TrueType fills clockwise contours: a contour inside an even number of others runs clockwise (ink),
    one inside an odd number counter-clockwise (a hole)."""
    polygons = [flatten(c) for c in contours]
    result = []
    for k, contour in enumerate(contours):
        depth = sum(1 for j, other in enumerate(polygons) if j != k and inside(polygons[k][0], other))
        clockwise = signed_area(polygons[k]) < 0
        result.append(contour if clockwise == (depth % 2 == 0) else contour[::-1])
    return result, polygons


def build_glyph(name, contours):
    oriented, polygons = orient_by_nesting(contours)
    check_no_crossings(name, polygons)
    pen = TTGlyphPen(None)
    for contour in oriented:
        points = [(round(x), round(y), on) for x, y, on in contour]
        start = next(i for i, p in enumerate(points) if p[2])
        points = points[start:] + points[:start]
        pen.moveTo(points[0][:2])
        i = 1
        while i < len(points):
            if points[i][2]:
                pen.lineTo(points[i][:2])
                i += 1
            else:
                end = points[(i + 1) % len(points)]
                pen.qCurveTo(points[i][:2], end[:2])
                i += 2
        pen.closePath()
    return pen.glyph()


def centred_rounded_rect(half_w, half_h, r):
    return [(CX - half_w, CY - half_h, r), (CX + half_w, CY - half_h, r), (CX + half_w, CY + half_h, r),
            (CX - half_w, CY + half_h, r)]


def ring():
    return [circle(CX, CY, RING_OUTER), circle(CX, CY, RING_INNER)]


def play():
    # Centred half way between its box and its centroid, which looks centred in the ring.
    h, w = 400, 346
    left = CX - 5 * w / 12
    triangle = [(left, CY - h / 2, 36), (left + w, CY, 36), (left, CY + h / 2, 36)]
    check_corner_radii("play", triangle)
    return ring() + [rounded_polygon(triangle)]


def stop():
    square = centred_rounded_rect(160, 160, 40)
    check_corner_radii("stop", square)
    return ring() + [rounded_polygon(square)]


def options():
    return ring() + [circle(CX + dx, CY, 60) for dx in (-190, 0, 190)]


def badge(digit):
    dx, dy = CX - DIGIT_W / 2, CY - DIGIT_H / 2
    contours = [circle(CX, CY, BADGE_RADIUS)]
    for vertices in DIGITS[digit]:
        check_corner_radii(f"digit {digit}", vertices)
        contours.append(rounded_polygon(vertices, dx, dy))
    return contours


def notdef():
    return [rounded_polygon(centred_rounded_rect(288, 352, 0)),
            rounded_polygon(centred_rounded_rect(224, 288, 0))]


def build(path):
    shapes = {".notdef": notdef(), "space": [], "play": play(), "stop": stop(), "options": options()}
    for digit in "0123456789":
        shapes[f"badge{digit}"] = badge(digit)
    glyph_order = list(shapes)
    cmap = {0x20: "space"}
    cmap.update(BUTTONS)
    cmap.update({code: f"badge{digit}" for code, digit in BADGES.items()})

    glyphs = {}
    for name, contours in shapes.items():
        if contours:
            glyphs[name] = build_glyph(name, contours)
        else:
            glyphs[name] = TTGlyphPen(None).glyph()
    metrics = {}
    for name, glyph in glyphs.items():
        glyph.recalcBounds(None)
        advance = ADVANCE // 4 if name == "space" else ADVANCE
        metrics[name] = (advance, getattr(glyph, "xMin", 0))

    fb = FontBuilder(UNITS_PER_EM, isTTF=True)
    fb.font.recalcTimestamp = False
    fb.setupGlyphOrder(glyph_order)
    fb.setupCharacterMap(cmap)
    fb.setupGlyf(glyphs)
    fb.setupHorizontalMetrics(metrics)
    fb.setupHorizontalHeader(ascent=ASCENT, descent=-DESCENT, lineGap=0)
    fb.setupHead(unitsPerEm=UNITS_PER_EM, created=FIXED_TIMESTAMP, modified=FIXED_TIMESTAMP,
                 lowestRecPPEM=8)
    fb.setupNameTable({
        "copyright": "Copyright (C) Halvyn",
        "familyName": "iconfont",
        "styleName": "Regular",
        "uniqueFontIdentifier": "Halvyn: iconfont: 1.000",
        "fullName": "iconfont",
        "version": "Version 1.000",
        "psName": "iconfont",
        "manufacturer": "Halvyn",
    }, mac=False)
    fb.setupOS2(
        version=4,
        achVendID="HLVN",
        fsType=0,  # installable: it is our own font
        fsSelection=0x40 | 0x80,  # regular; use the typographic metrics below
        sTypoAscender=ASCENT, sTypoDescender=-DESCENT, sTypoLineGap=0,
        usWinAscent=ASCENT, usWinDescent=DESCENT,
        # Private Use Area (bit 60); code page 1252 so that GDI matches the face under DEFAULT_CHARSET.
        ulUnicodeRange1=0, ulUnicodeRange2=1 << 28, ulUnicodeRange3=0, ulUnicodeRange4=0,
        ulCodePageRange1=1, ulCodePageRange2=0,
        usDefaultChar=0, usBreakChar=0x20)
    fb.setupPost(keepGlyphNames=True)
    # No hinting instructions: ask for smoothed, ungridded rendering at every size rather than the
    # aliased bitmaps Windows draws for an unhinted font without this table.
    gasp = newTable("gasp")
    gasp.version = 1
    gasp.gaspRange = {0xFFFF: 0x0002 | 0x0008}
    fb.font["gasp"] = gasp

    path.parent.mkdir(parents=True, exist_ok=True)
    fb.save(str(path))


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit("usage: make_iconfont.py OUTPUT.ttf")
    build(Path(sys.argv[1]))

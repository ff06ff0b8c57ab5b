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

# A count badge: a disc with the digit knocked out. The digits sit in a box of DIGIT_W x DIGIT_H in
# the middle of the disc, with strokes DIGIT_STROKE wide: at 11 pt (15 px) that is about 1.6 px, and
# the counters of 8 are still 2.5 px tall.
BADGE_RADIUS = 480
DIGIT_W = 440
DIGIT_H = 680
DIGIT_STROKE = 112


def digit_outlines(w, h, s):
    """Each digit as contours of (x, y, corner radius) in its box, y up: the first contour is the
    outline, the others its counters. A corner radius rounds that vertex with a quadratic arc; 0 keeps
    it sharp. The strokes follow one grid: columns x0-x1 and x2-x3, rows y0-y1, y2-y3 (the middle)
    and y4-y5."""
    x0, x1, x2, x3 = 0, s, w - s, w
    y0, y1, y2, y3, y4, y5 = 0, s, (h - s) / 2, (h + s) / 2, h - s, h

    def diagonal(x_low, y_low, x_high, y_high):
        """How far right of the line from (x_low, y_low) to (x_high, y_high) the parallel line lies
        that makes a stroke s wide, measured along a row."""
        return s * math.hypot(x_high - x_low, y_high - y_low) / (y_high - y_low)

    # 1: a stem on a foot, with a flag to the upper left.
    stem_l, stem_r = w / 2 - s / 2, w / 2 + s / 2
    one = [(w / 2 - 150, y0, 0), (w / 2 + 150, y0, 0), (w / 2 + 150, y1, 0), (stem_r, y1, 0), (stem_r, y5, 0),
           (stem_l + 15, y5, 20), (40, h - 115, 20), (40, h - 275, 0), (stem_l, h - 175, 0), (stem_l, y1, 0),
           (w / 2 - 150, y1, 0)]
    # 2: a bowl at the top whose right side runs into a diagonal to the foot. The diagonal's upper
    # edge goes from the foot's top left corner to the bowl's inner side at y_inner.
    y_inner = 0.66 * h
    shift = diagonal(x0, y1, x2, y_inner)
    y_outer = y1 + (x3 - shift) * (y_inner - y1) / (x2 - x0)
    two = [(x0, y0, 0), (x3, y0, 0), (x3, y1, 0), (shift, y1, 0), (x3, y_outer, 60), (x3, y5, 170),
           (x0, y5, 170), (x0, 0.7 * h, 0), (x1, 0.7 * h, 0), (x1, y4, 40), (x2, y4, 50), (x2, y_inner, 0),
           (x0, y1, 0)]
    # 3: round on the right, with a shorter middle bar.
    three = [(x0, y0, 0), (x3, y0, 170), (x3, y5, 170), (x0, y5, 0), (x0, y4, 0), (x2, y4, 50), (x2, y3, 50),
             (0.24 * w, y3, 0), (0.24 * w, y2, 0), (x2, y2, 50), (x2, y1, 50), (x0, y1, 0)]
    # 4: open at the top; the bar crosses the stem.
    bar = 0.23 * h
    stem_r = w - 0.12 * w
    four = [(stem_r - s, y0, 0), (stem_r, y0, 0), (stem_r, bar, 0), (x3, bar, 0), (x3, bar + s, 0),
            (stem_r, bar + s, 0), (stem_r, y5, 0), (stem_r - s, y5, 0), (stem_r - s, bar + s, 0),
            (x1, bar + s, 0), (x1, y5, 0), (x0, y5, 0), (x0, bar, 0), (stem_r - s, bar, 0)]
    # 5 and 6 share the lower bowl, which is taller than half the digit.
    bowl = 0.6 * h
    five = [(x0, y0, 0), (x3, y0, 170), (x3, bowl, 150), (x1, bowl, 0), (x1, y4, 0), (x3, y4, 0), (x3, y5, 0),
            (x0, y5, 0), (x0, bowl - s, 0), (x2, bowl - s, 50), (x2, y1, 50), (x0, y1, 0)]
    six = [(x0, y0, 170), (x3, y0, 170), (x3, bowl, 150), (x1, bowl, 0), (x1, y4, 40), (w - 40, y4, 0),
           (w - 40, y5, 0), (x0, y5, 190)]
    six_counter = [(x1, y1, 50), (x2, y1, 50), (x2, bowl - s, 50), (x1, bowl - s, 50)]
    # 7: the bar and a diagonal whose left edge runs from the foot to the bar's underside.
    foot, top = 0.19 * w, x2 - 10
    shift = diagonal(foot, y0, top, y4)
    seven = [(x0, y4, 0), (x0, y5, 0), (x3, y5, 0), (x3, (x3 - foot - shift) * y4 / (top - foot), 0),
             (foot + shift, y0, 0), (foot, y0, 0), (top, y4, 0)]
    # 8: a waist notched into both sides at the middle bar.
    mid = h / 2
    eight = [(x0, y0, 170), (x3, y0, 170), (x3, mid - 30, 30), (x3 - 25, mid, 0), (x3, mid + 30, 30),
             (x3, y5, 170), (x0, y5, 170), (x0, mid + 30, 30), (x0 + 25, mid, 0), (x0, mid - 30, 30)]
    return {
        "0": [[(x0, y0, 190), (x3, y0, 190), (x3, y5, 190), (x0, y5, 190)],
              [(x1, y1, 70), (x2, y1, 70), (x2, y4, 70), (x1, y4, 70)]],
        "1": [one],
        "2": [two],
        "3": [three],
        "4": [four],
        "5": [five],
        "6": [six, six_counter],
        "7": [seven],
        "8": [eight, [(x1, y1, 50), (x2, y1, 50), (x2, y2, 50), (x1, y2, 50)],
              [(x1 + 10, y3, 50), (x2 - 10, y3, 50), (x2 - 10, y4, 50), (x1 + 10, y4, 50)]],
        # A 9 is a 6 turned half a turn.
        "9": [[(w - x, h - y, r) for x, y, r in contour] for contour in (six, six_counter)],
    }


DIGITS = digit_outlines(DIGIT_W, DIGIT_H, DIGIT_STROKE)

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


# Counts above nine are written in plain digits ("12") in the badge's font: the same digit shapes, ink
# instead of holes, on a narrow advance so that two of them fit the badge.
DIGIT_ADVANCE = DIGIT_W + 80


def plain_digit(digit):
    dx, dy = (DIGIT_ADVANCE - DIGIT_W) / 2, CY - DIGIT_H / 2
    return [rounded_polygon(vertices, dx, dy) for vertices in DIGITS[digit]]


def notdef():
    return [rounded_polygon(centred_rounded_rect(288, 352, 0)),
            rounded_polygon(centred_rounded_rect(224, 288, 0))]


def build(path):
    shapes = {".notdef": notdef(), "space": [], "play": play(), "stop": stop(), "options": options()}
    for digit in "0123456789":
        shapes[f"badge{digit}"] = badge(digit)
    for digit in "0123456789":
        shapes[f"digit{digit}"] = plain_digit(digit)
    glyph_order = list(shapes)
    cmap = {0x20: "space"}
    cmap.update({ord(digit): f"digit{digit}" for digit in "0123456789"})
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
        advance = ADVANCE // 4 if name == "space" else DIGIT_ADVANCE if name.startswith("digit") else ADVANCE
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

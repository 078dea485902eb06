"""The wordmark letters: a squared, chamfered face on a 5 x 7 unit grid.

Each glyph is a list of shapes (see raster.fill) in units; `word` scales and
places them.
"""

from .raster import fill

GAP = 1.2  # units between letters


def _r(x0, y0, x1, y1):
    return [[(x0, y0), (x1, y0), (x1, y1), (x0, y1)]]


_GLYPHS = {
    "A": (5, [[[(1, 0), (4, 0), (5, 1), (5, 7), (4, 7), (4, 4.5), (1, 4.5),
                (1, 7), (0, 7), (0, 1)],
               [(1, 1), (4, 1), (4, 3.5), (1, 3.5)]]]),
    "E": (5, [_r(0, 0, 1, 7), _r(0, 0, 5, 1), _r(0, 3, 4, 4), _r(0, 6, 5, 7)]),
    "F": (5, [_r(0, 0, 1, 7), _r(0, 0, 5, 1), _r(0, 3, 4, 4)]),
    "I": (1, [_r(0, 0, 1, 7)]),
    "N": (5, [_r(0, 0, 1, 7), _r(4, 0, 5, 7),
              [[(1, 0), (2.2, 0), (4, 5.6), (4, 7), (2.8, 7), (1, 1.4)]]]),
    "O": (5, [[[(1, 0), (4, 0), (5, 1), (5, 6), (4, 7), (1, 7), (0, 6), (0, 1)],
               [(1, 1), (4, 1), (4, 6), (1, 6)]]]),
    "R": (5, [[[(0, 0), (4, 0), (5, 1), (5, 3.5), (4, 4.5), (1, 4.5), (1, 7),
                (0, 7)],
               [(1, 1), (4, 1), (4, 3.5), (1, 3.5)]],
              [[(2.6, 4.5), (3.8, 4.5), (5, 7), (3.8, 7)]]]),
    "T": (5, [_r(0, 0, 5, 1), _r(2, 0, 3, 7)]),
    "V": (5, [[[(0, 0), (1.1, 0), (2.5, 5.4), (3.9, 0), (5, 0), (3.1, 7),
                (1.9, 7)]]]),
    "Z": (5, [_r(0, 0, 5, 1), _r(0, 6, 5, 7),
              [[(3.7, 1), (5, 1), (1.3, 6), (0, 6)]]]),
}


def word_width(text, height):
    unit = height / 7.0
    widths = [_GLYPHS[c][0] for c in text]
    return (sum(widths) + GAP * (len(text) - 1)) * unit


def word(canvas, text, left, top, height, rgb):
    """Draws text with its cap height `height` pixels from (left, top)."""
    unit = height / 7.0
    x = left
    for c in text:
        width, shapes = _GLYPHS[c]
        placed = [[[(x + px * unit, top + py * unit) for px, py in contour]
                   for contour in shape] for shape in shapes]
        fill(canvas, placed, rgb)
        x += (width + GAP) * unit

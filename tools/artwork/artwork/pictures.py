"""What each picture shows. Sizes and colours of the buttons and the message
box panel are the ones the programs' layouts are built on; do not change them
without changing the layouts."""

from .lettering import word, word_width
from .raster import Canvas, dither, fill, hexagon, rect, stroke

PANEL = (36, 37, 38)        # dialog body, message box body, banner ground
TITLE_BAND = (19, 19, 19)   # message box title band
EDGE = (90, 104, 122)       # message box border
ACCENT = (29, 87, 254)      # the Start button's blue
INK = (236, 238, 242)       # wordmark
SUBTLE_INK = (150, 160, 176)


def button(width, height, fill_rgb, border_rgb, fill_alpha=255, border_alpha=255):
    """A flat rectangle with a one-pixel border."""
    c = Canvas(width, height, border_rgb + (border_alpha,))
    c.fill_rect(1, 1, width - 1, height - 1, fill_rgb + (fill_alpha,))
    return c


def message_box_panel():
    c = Canvas(392, 222, EDGE + (255,))
    c.fill_rect(1, 1, 391, 35, TITLE_BAND + (255,))
    c.fill_rect(1, 35, 391, 221, PANEL + (255,))
    return c


def exit_glyph(shade):
    """An "x" on the panel colour, 20 x 20."""
    c = Canvas(20, 20, PANEL + (255,))
    fill(c, [stroke(5.5, 5.5, 14.5, 14.5, 1.05),
             stroke(14.5, 5.5, 5.5, 14.5, 1.05)], shade)
    return c


def emblem(canvas, cx, cy, r, ring_rgb, core_rgb):
    """The product mark: a hexagonal ring around a small hexagon."""
    fill(canvas, [[hexagon(cx, cy, r), hexagon(cx, cy, r * 0.66)]], ring_rgb)
    fill(canvas, [[hexagon(cx, cy, r * 0.34)]], core_rgb)


def logo_banner():
    """Mark, "ZEFO", a rule and "TAVRIN", 286 x 58 on the panel colour."""
    c = Canvas(286, 58, PANEL + (255,))
    mark_r, name_h, sub_h = 21.0, 32.0, 11.0
    mark_w = mark_r * (3.0 ** 0.5)
    name_w, sub_w = word_width("ZEFO", name_h), word_width("TAVRIN", sub_h)
    total = mark_w + 14 + name_w + 12 + 1 + 12 + sub_w
    x = int((286 - total) / 2)
    emblem(c, x + mark_w / 2, 29, mark_r, ACCENT, (196, 212, 255))
    x += mark_w + 14
    word(c, "ZEFO", x, 29 - name_h / 2, name_h, INK)
    x = int(x + name_w + 12)
    c.fill_rect(x, 15, x + 1, 44, EDGE + (255,))
    word(c, "TAVRIN", x + 13, 29 - sub_h / 2, sub_h, SUBTLE_INK)
    return c


def _mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def main_background():
    """768 x 432, opaque. A title strip behind the Exit button, the banner in
    the middle on a flat plateau of its own ground colour that darkens towards
    the edges, and a dark footer behind the status line, the progress bar and
    the Start button (y 362 to 421)."""
    w, h = 768, 432
    strip_end, footer_top = 30, 340
    c = Canvas(w, h, PANEL + (255,))
    edge_dark = (18, 19, 22)
    cx, cy, rx, ry = 384.0, 179.0, 230.0, 96.0
    for y in range(strip_end + 1, footer_top):
        for x in range(w):
            dx, dy = (x - cx) / rx, (y - cy) / ry
            d = (dx * dx + dy * dy) ** 0.5
            t = min(max((d - 1.0) / 1.6, 0.0), 1.0)
            t = t * t * (3.0 - 2.0 * t)
            rgb = _mix(PANEL, edge_dark, t)
            c.put(x, y, (dither(rgb[0], x, y), dither(rgb[1], x, y),
                         dither(rgb[2], x, y), 255))
    c.fill_rect(0, strip_end, w, strip_end + 1, (48, 52, 58, 255))
    c.fill_rect(0, footer_top + 1, w, h, (16, 16, 17, 255))
    for x in range(w):
        # the footer's top rule glows blue in the middle
        t = min(abs(x - cx) / 300.0, 1.0)
        c.put(x, footer_top, tuple(int(v + 0.5) for v in _mix(
            (20, 60, 170), (40, 44, 50), t * t)) + (255,))
    # the header's mark and name, kept clear of the Exit button at x 743..762
    emblem(c, 17.0, 15.0, 8.0, ACCENT, (196, 212, 255))
    word(c, "ZEFO", 31.0, 10.5, 9.0, (200, 204, 210))
    banner = logo_banner()
    left, top = (w - banner.width) // 2, int(cy) - banner.height // 2
    c.paste(banner, left, top)
    # a short blue rule under the banner, fading at both ends
    for x in range(left + 40, left + banner.width - 40):
        t = abs(x - cx) / (banner.width / 2.0 - 40)
        c.blend(x, top + banner.height + 14, ACCENT, 0.9 * (1.0 - t * t))
    return c


def icon(size):
    """The mark alone on a transparent square."""
    c = Canvas(size, size, (0, 0, 0, 0))
    r = size * 0.5 - max(0.5, size / 32.0)
    emblem(c, size / 2.0, size / 2.0, r, (52, 112, 255), (214, 224, 255))
    return c

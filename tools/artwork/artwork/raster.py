"""A small RGBA canvas with anti-aliased polygon fills.

Only +, -, *, / and sqrt are used on floats, so every platform computes the
same pixels and the files come out byte for byte the same.
"""

SUBSAMPLES = 4  # per axis: 16 samples per pixel

# 4 x 4 Bayer matrix, spreads gradient steps so they do not band
_BAYER4 = (0, 8, 2, 10, 12, 4, 14, 6, 3, 11, 1, 9, 15, 7, 13, 5)


def dither(value, x, y):
    """Rounds a 0..255 float to an int with an ordered dither."""
    threshold = (_BAYER4[(y & 3) * 4 + (x & 3)] + 0.5) / 16.0
    v = int(value)
    if value - v >= threshold:
        v += 1
    return max(0, min(255, v))


class Canvas:
    def __init__(self, width, height, rgba):
        self.width = width
        self.height = height
        self.pixels = bytearray(bytes(rgba) * (width * height))

    def get(self, x, y):
        i = (y * self.width + x) * 4
        return tuple(self.pixels[i:i + 4])

    def put(self, x, y, rgba):
        i = (y * self.width + x) * 4
        self.pixels[i:i + 4] = bytes(rgba)

    def fill_rect(self, x0, y0, x1, y1, rgba):
        """Fills [x0, x1) x [y0, y1), replacing what was there."""
        row = bytes(rgba) * (x1 - x0)
        for y in range(y0, y1):
            i = (y * self.width + x0) * 4
            self.pixels[i:i + len(row)] = row

    def blend(self, x, y, rgb, alpha):
        """Composites rgb with coverage alpha (0..1) over the pixel."""
        if alpha <= 0.0:
            return
        i = (y * self.width + x) * 4
        dr, dg, db, da = self.pixels[i:i + 4]
        da /= 255.0
        out_a = alpha + da * (1.0 - alpha)
        if out_a <= 0.0:
            return
        keep = da * (1.0 - alpha)
        self.pixels[i:i + 4] = bytes((
            int((rgb[0] * alpha + dr * keep) / out_a + 0.5),
            int((rgb[1] * alpha + dg * keep) / out_a + 0.5),
            int((rgb[2] * alpha + db * keep) / out_a + 0.5),
            int(out_a * 255.0 + 0.5),
        ))

    def paste(self, other, left, top):
        """Copies another canvas in, replacing the pixels it covers."""
        stride = other.width * 4
        for y in range(other.height):
            src = other.pixels[y * stride:(y + 1) * stride]
            i = ((top + y) * self.width + left) * 4
            self.pixels[i:i + stride] = src

    def rgb_bytes(self):
        out = bytearray()
        for i in range(0, len(self.pixels), 4):
            out += self.pixels[i:i + 3]
        return bytes(out)


def _crossings(contours, sy):
    """x positions where the horizontal line y = sy crosses the contours."""
    xs = []
    for contour in contours:
        n = len(contour)
        for k in range(n):
            x0, y0 = contour[k]
            x1, y1 = contour[(k + 1) % n]
            if (y0 <= sy < y1) or (y1 <= sy < y0):
                xs.append(x0 + (sy - y0) * (x1 - x0) / (y1 - y0))
    xs.sort()
    return xs


def _union(spans):
    spans.sort()
    merged = []
    for a, b in spans:
        if merged and a <= merged[-1][1]:
            if b > merged[-1][1]:
                merged[-1][1] = b
        else:
            merged.append([a, b])
    return merged


def fill(canvas, shapes, rgb, opacity=1.0):
    """Fills the union of shapes; a shape is a list of contours filled even-odd
    (so a second contour inside the first cuts a hole)."""
    points = [p for shape in shapes for contour in shape for p in contour]
    x_lo = max(0, int(min(p[0] for p in points)))
    x_hi = min(canvas.width, int(max(p[0] for p in points)) + 1)
    y_lo = max(0, int(min(p[1] for p in points)))
    y_hi = min(canvas.height, int(max(p[1] for p in points)) + 1)
    ss = SUBSAMPLES
    full = float(ss * ss)
    for y in range(y_lo, y_hi):
        counts = [0] * (x_hi - x_lo)
        for j in range(ss):
            sy = y + (j + 0.5) / ss
            spans = []
            for shape in shapes:
                xs = _crossings(shape, sy)
                spans += [[xs[k], xs[k + 1]] for k in range(0, len(xs) - 1, 2)]
            for a, b in _union(spans):
                # samples sit at (k + 0.5) / ss along the row
                k0 = max(int(-(-(a * ss - 0.5) // 1)), x_lo * ss)
                k1 = min(int(-(-(b * ss - 0.5) // 1)), x_hi * ss)
                for k in range(k0, k1):
                    counts[k // ss - x_lo] += 1
        for i, c in enumerate(counts):
            if c:
                canvas.blend(x_lo + i, y, rgb, opacity * c / full)


def rect(x0, y0, x1, y1):
    return [[(x0, y0), (x1, y0), (x1, y1), (x0, y1)]]


def stroke(x0, y0, x1, y1, half_width):
    """A straight stroke with square ends cut flush at its end points."""
    dx, dy = x1 - x0, y1 - y0
    length = (dx * dx + dy * dy) ** 0.5
    nx, ny = -dy / length * half_width, dx / length * half_width
    return [[(x0 + nx, y0 + ny), (x1 + nx, y1 + ny),
             (x1 - nx, y1 - ny), (x0 - nx, y0 - ny)]]


def hexagon(cx, cy, r):
    """A hexagon with its points up and down."""
    h = r * (3.0 ** 0.5) / 2.0
    return [(cx, cy - r), (cx + h, cy - r / 2.0), (cx + h, cy + r / 2.0),
            (cx, cy + r), (cx - h, cy + r / 2.0), (cx - h, cy - r / 2.0)]

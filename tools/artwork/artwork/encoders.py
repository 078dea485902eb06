"""Writers for PNG, ICO and BMP, with fixed bytes for fixed pixels: no time
stamps or other ancillary chunks, one compression setting."""

import struct
import zlib

PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"


def _chunk(kind, data):
    return (struct.pack(">I", len(data)) + kind + data
            + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))


def png(canvas, alpha):
    """An 8-bit RGBA (alpha true) or RGB PNG, each row with filter 0."""
    channels = 4 if alpha else 3
    raw = bytearray()
    for y in range(canvas.height):
        row = canvas.pixels[y * canvas.width * 4:(y + 1) * canvas.width * 4]
        raw.append(0)
        if alpha:
            raw += row
        else:
            for i in range(0, len(row), 4):
                raw += row[i:i + 3]
    header = struct.pack(">IIBBBBB", canvas.width, canvas.height, 8,
                         6 if alpha else 2, 0, 0, 0)
    assert len(raw) == canvas.height * (1 + canvas.width * channels)
    return (PNG_SIGNATURE + _chunk(b"IHDR", header)
            + _chunk(b"IDAT", zlib.compress(bytes(raw), 9))
            + _chunk(b"IEND", b""))


def png_content(data):
    """The chunks of a PNG with its scan lines decompressed, or None when it is
    not a well-formed PNG. Two files with the same content show the same
    pixels even when a different zlib compressed them."""
    if not data.startswith(PNG_SIGNATURE):
        return None
    pos, chunks, idat = len(PNG_SIGNATURE), [], bytearray()
    try:
        while pos < len(data):
            length, kind = struct.unpack(">I4s", data[pos:pos + 8])
            body = data[pos + 8:pos + 8 + length]
            (crc,) = struct.unpack(">I", data[pos + 8 + length:pos + 12 + length])
            if len(body) != length or crc != zlib.crc32(kind + body) & 0xFFFFFFFF:
                return None
            pos += 12 + length
            if kind == b"IDAT":
                idat += body
                continue
            chunks.append((kind, body))
            if kind == b"IEND":
                break
        if pos != len(data) or chunks[-1][0] != b"IEND":
            return None
        return chunks, zlib.decompress(bytes(idat))
    except (struct.error, zlib.error, IndexError):
        return None


def _dib_rows(canvas, with_alpha):
    """Bottom-up BGR(A) rows, each padded to 4 bytes."""
    out = bytearray()
    for y in range(canvas.height - 1, -1, -1):
        row = bytearray()
        for x in range(canvas.width):
            r, g, b, a = canvas.get(x, y)
            row += bytes((b, g, r, a)) if with_alpha else bytes((b, g, r))
        row += b"\0" * (-len(row) % 4)
        out += row
    return out


def bmp24(canvas):
    """A 24-bit bottom-up BMP file."""
    pixels = _dib_rows(canvas, False)
    info = struct.pack("<IiiHHIIiiII", 40, canvas.width, canvas.height, 1, 24,
                       0, len(pixels), 2835, 2835, 0, 0)
    offset = 14 + len(info)
    head = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return head + info + pixels


def ico(canvases):
    """An icon file with one 32-bit image per canvas (square, at most 256)."""
    images = []
    for c in canvases:
        xor = _dib_rows(c, True)
        mask = bytearray()
        for y in range(c.height - 1, -1, -1):
            bits = 0
            row = bytearray()
            for x in range(c.width):
                bits = (bits << 1) | (1 if c.get(x, y)[3] == 0 else 0)
                if x % 8 == 7:
                    row.append(bits)
                    bits = 0
            if c.width % 8:
                row.append(bits << (8 - c.width % 8))
            row += b"\0" * (-len(row) % 4)
            mask += row
        info = struct.pack("<IiiHHIIiiII", 40, c.width, c.height * 2, 1, 32,
                           0, len(xor) + len(mask), 0, 0, 0, 0)
        images.append((c, info + xor + mask))
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for c, body in images:
        out += struct.pack("<BBBBHHII", c.width % 256, c.height % 256, 0, 0,
                           1, 32, len(body), offset)
        offset += len(body)
    for _, body in images:
        out += body
    return out

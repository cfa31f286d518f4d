# Draws the installer's images and writes them as PNG, baseline JPEG and ICO
# with the standard library only (the build machine has no imaging library).

import math
import struct
import zlib


# ---------------------------------------------------------------- drawing

def _coverage(inside, x, y, samples=4):
    """Fraction of pixel (x, y) inside a shape, by supersampling."""
    hits = 0
    for sy in range(samples):
        for sx in range(samples):
            if inside(x + (sx + 0.5) / samples, y + (sy + 0.5) / samples):
                hits += 1
    return hits / (samples * samples)


def _blend(under, over, alpha):
    return tuple(round(u + (o - u) * alpha) for u, o in zip(under, over))


def _badge(size, disc_top, disc_bottom, glyph_inside):
    """RGBA rows: a disc with a vertical colour ramp and a white glyph."""
    centre = size / 2
    radius = size / 2 - 1
    rows = []
    for y in range(size):
        row = []
        t = y / (size - 1)
        colour = _blend(disc_top, disc_bottom, t)
        for x in range(size):
            disc = _coverage(
                lambda px, py: (px - centre) ** 2 + (py - centre) ** 2 <= radius ** 2, x, y)
            glyph = _coverage(lambda px, py: glyph_inside(px / size, py / size), x, y)
            rgb = _blend(colour, (255, 255, 255), glyph)
            row.append(rgb + (round(255 * disc),))
        rows.append(row)
    return rows


def _letter_t(u, v):
    return (0.28 <= u <= 0.72 and 0.26 <= v <= 0.38) or (0.44 <= u <= 0.56 and 0.26 <= v <= 0.76)


def _exclamation(u, v):
    return (0.44 <= u <= 0.56 and 0.2 <= v <= 0.6) or (u - 0.5) ** 2 + (v - 0.74) ** 2 <= 0.07 ** 2


def draw_logo():
    return _badge(96, (0x2f, 0x80, 0xed), (0x1b, 0x4f, 0xa8), _letter_t)


def draw_error_badge():
    return _badge(48, (0xe5, 0x3e, 0x3e), (0xb0, 0x1e, 0x1e), _exclamation)


def draw_icon(size):
    return _badge(size, (0x2f, 0x80, 0xed), (0x1b, 0x4f, 0xa8), _letter_t)


def draw_background():
    """RGB rows: a light-to-blue vertical wash, 800 x 480."""
    width, height = 800, 480
    top, bottom = (0xf7, 0xfa, 0xff), (0xd6, 0xe4, 0xf7)
    return [[_blend(top, bottom, y / (height - 1))] * width for y in range(height)]


# ---------------------------------------------------------------- PNG

def write_png(path, rows):
    height, width = len(rows), len(rows[0])
    channels = len(rows[0][0])
    colour_type = 6 if channels == 4 else 2
    raw = bytearray()
    for row in rows:
        raw.append(0)  # filter: none
        for pixel in row:
            raw.extend(pixel)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, colour_type, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(bytes(raw), 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


# ---------------------------------------------------------------- ICO

def write_ico(path, sizes):
    """32-bit DIB icon images (alpha channel, empty AND mask)."""
    images = []
    for size in sizes:
        rows = draw_icon(size)
        header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
        pixels = bytearray()
        for row in reversed(rows):  # bottom-up
            for r, g, b, a in row:
                pixels.extend((b, g, r, a))
        mask_stride = ((size + 31) // 32) * 4
        images.append((size, header + bytes(pixels) + bytes(mask_stride * size)))
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in images:
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for _, data in images:
        out += data
    with open(path, "wb") as f:
        f.write(out)


# ---------------------------------------------------------------- JPEG
#
# Baseline, 4:4:4 YCbCr, flat quantisation. The Huffman tables are our own
# (every DC symbol 4 bits long, every AC symbol 8 bits long): any complete
# prefix code is valid JPEG, and it saves carrying the standard tables.

_ZIGZAG = sorted(((u, v) for u in range(8) for v in range(8)),
                 key=lambda p: (p[0] + p[1], p[1] if (p[0] + p[1]) % 2 == 0 else p[0]))
_DC_SYMBOLS = list(range(12))
_AC_SYMBOLS = [0x00, 0xF0] + [(run << 4) | size for run in range(16) for size in range(1, 11)]
_QUANT = 4
_COS = [[math.cos((2 * x + 1) * u * math.pi / 16) for x in range(8)] for u in range(8)]


def _huffman_codes(symbols, length):
    return {s: (i, length) for i, s in enumerate(symbols)}


_DC_CODES = _huffman_codes(_DC_SYMBOLS, 4)
_AC_CODES = _huffman_codes(_AC_SYMBOLS, 8)


class _BitWriter:
    def __init__(self):
        self.out = bytearray()
        self.acc = 0
        self.bits = 0

    def put(self, value, length):
        for i in range(length - 1, -1, -1):
            self.acc = (self.acc << 1) | ((value >> i) & 1)
            self.bits += 1
            if self.bits == 8:
                self.out.append(self.acc)
                if self.acc == 0xFF:
                    self.out.append(0)  # byte stuffing
                self.acc = self.bits = 0

    def finish(self):
        if self.bits:
            self.put((1 << (8 - self.bits)) - 1, 8 - self.bits)
        return bytes(self.out)


def _fdct(block):
    out = [[0.0] * 8 for _ in range(8)]
    for u in range(8):
        cu = math.sqrt(0.5) if u == 0 else 1.0
        for v in range(8):
            cv = math.sqrt(0.5) if v == 0 else 1.0
            s = 0.0
            for y in range(8):
                row = block[y]
                cy = _COS[u][y]
                for x in range(8):
                    s += row[x] * cy * _COS[v][x]
            out[u][v] = 0.25 * cu * cv * s
    return out


def _magnitude(value):
    size = abs(value).bit_length()
    bits = value if value >= 0 else value + (1 << size) - 1
    return size, bits


def _encode_block(writer, coefficients, previous_dc):
    zz = [round(coefficients[u][v] / _QUANT) for u, v in _ZIGZAG]
    size, bits = _magnitude(zz[0] - previous_dc)
    writer.put(*_DC_CODES[size])
    writer.put(bits, size)
    run = 0
    for value in zz[1:]:
        if value == 0:
            run += 1
            continue
        while run > 15:
            writer.put(*_AC_CODES[0xF0])
            run -= 16
        size, bits = _magnitude(value)
        writer.put(*_AC_CODES[(run << 4) | size])
        writer.put(bits, size)
        run = 0
    if run:
        writer.put(*_AC_CODES[0x00])
    return zz[0]


def write_jpeg(path, rows):
    height, width = len(rows), len(rows[0])
    assert width % 8 == 0 and height % 8 == 0

    planes = [[[0.0] * width for _ in range(height)] for _ in range(3)]
    for y, row in enumerate(rows):
        for x, (r, g, b) in enumerate(row):
            planes[0][y][x] = 0.299 * r + 0.587 * g + 0.114 * b - 128
            planes[1][y][x] = -0.168736 * r - 0.331264 * g + 0.5 * b
            planes[2][y][x] = 0.5 * r - 0.418688 * g - 0.081312 * b

    writer = _BitWriter()
    previous = [0, 0, 0]
    cache = {}
    for by in range(0, height, 8):
        for bx in range(0, width, 8):
            for c in range(3):
                block = tuple(tuple(round(planes[c][by + y][bx + x], 2) for x in range(8))
                              for y in range(8))
                if block not in cache:
                    cache[block] = _fdct(block)
                previous[c] = _encode_block(writer, cache[block], previous[c])
    scan = writer.finish()

    def segment(marker, data):
        return struct.pack(">BBH", 0xFF, marker, len(data) + 2) + data

    def huffman_table(table_class, table_id, symbols, length):
        counts = [0] * 16
        counts[length - 1] = len(symbols)
        return bytes([(table_class << 4) | table_id] + counts + symbols)

    jpeg = b"\xFF\xD8"
    jpeg += segment(0xE0, b"JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00")
    jpeg += segment(0xDB, bytes([0] + [_QUANT] * 64))
    jpeg += segment(0xC0, struct.pack(">BHHB", 8, height, width, 3) +
                    bytes([1, 0x11, 0, 2, 0x11, 0, 3, 0x11, 0]))
    jpeg += segment(0xC4, huffman_table(0, 0, _DC_SYMBOLS, 4) +
                    huffman_table(1, 0, _AC_SYMBOLS, 8))
    jpeg += segment(0xDA, bytes([3, 1, 0x00, 2, 0x00, 3, 0x00, 0, 63, 0]))
    jpeg += scan + b"\xFF\xD9"
    with open(path, "wb") as f:
        f.write(jpeg)

"""Advance widths of characters in a TrueType font (.ttf, or one face of a
.ttc), read straight from its tables: enough to measure how wide a line of
text is, without shaping or kerning."""

import struct


class Font:
    def __init__(self, path, face=0):
        with open(path, "rb") as f:
            data = f.read()
        start = 0
        if data[:4] == b"ttcf":
            start = struct.unpack_from(">I", data, 12 + 4 * face)[0]
        count = struct.unpack_from(">H", data, start + 4)[0]
        tables = {}
        for i in range(count):
            tag, _, offset, length = struct.unpack_from(">4sIII", data, start + 12 + 16 * i)
            tables[tag.decode("latin-1")] = (offset, length)
        self._data = data
        self._hmtx = tables["hmtx"][0]
        self.units_per_em = struct.unpack_from(">H", data, tables["head"][0] + 18)[0]
        self._long_metrics = struct.unpack_from(">H", data, tables["hhea"][0] + 34)[0]
        self._glyphs = self._read_cmap(tables["cmap"][0])

    def _read_cmap(self, cmap):
        data = self._data
        count = struct.unpack_from(">H", data, cmap + 2)[0]
        best = None
        for i in range(count):
            platform, encoding, offset = struct.unpack_from(">HHI", data, cmap + 4 + 8 * i)
            table = cmap + offset
            kind = struct.unpack_from(">H", data, table)[0]
            unicode_table = platform == 0 or (platform == 3 and encoding in (1, 10))
            if unicode_table and kind in (4, 12) and (best is None or kind == 12):
                best = (kind, table)
        if best is None:
            raise ValueError("no Unicode character map")
        kind, table = best
        return self._format12(table) if kind == 12 else self._format4(table)

    def _format4(self, table):
        data = self._data
        segments = struct.unpack_from(">H", data, table + 6)[0] // 2
        ends = struct.unpack_from(">%dH" % segments, data, table + 14)
        starts_at = table + 16 + 2 * segments
        starts = struct.unpack_from(">%dH" % segments, data, starts_at)
        deltas = struct.unpack_from(">%dh" % segments, data, starts_at + 2 * segments)
        offsets_at = starts_at + 4 * segments
        offsets = struct.unpack_from(">%dH" % segments, data, offsets_at)
        glyphs = {}
        for i in range(segments):
            for code in range(starts[i], ends[i] + 1):
                if code == 0xFFFF:
                    continue
                if offsets[i] == 0:
                    glyph = (code + deltas[i]) & 0xFFFF
                else:
                    at = offsets_at + 2 * i + offsets[i] + 2 * (code - starts[i])
                    glyph = struct.unpack_from(">H", data, at)[0]
                    if glyph:
                        glyph = (glyph + deltas[i]) & 0xFFFF
                if glyph:
                    glyphs[code] = glyph
        return glyphs

    def _format12(self, table):
        data = self._data
        groups = struct.unpack_from(">I", data, table + 12)[0]
        glyphs = {}
        for i in range(groups):
            first, last, glyph = struct.unpack_from(">III", data, table + 16 + 12 * i)
            for code in range(first, last + 1):
                glyphs[code] = glyph + code - first
        return glyphs

    def advance(self, char):
        """The advance of `char` in ems, or None when the font lacks it."""
        glyph = self._glyphs.get(ord(char))
        if glyph is None:
            return None
        index = min(glyph, self._long_metrics - 1)
        return struct.unpack_from(">H", self._data, self._hmtx + 4 * index)[0] / self.units_per_em

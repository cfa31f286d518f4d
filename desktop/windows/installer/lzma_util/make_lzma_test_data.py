#!/usr/bin/env python3
"""Makes the 7z archives the LzmaUtil tests read, with p7zip, into the
folder given as the only argument (replaced as a whole)."""
import os
import lzma
import random
import shutil
import struct
import subprocess
import sys
import zlib

SEVEN_ZIP = "/usr/bin/7z"
SIGNATURE = b"7z\xbc\xaf\x27\x1c"
# 2021-03-04 05:06:07 UTC and 2019-12-31 23:59:58 UTC.
MTIME = 1614834367
OTHER_MTIME = 1577836798


def write(path, data, mtime=MTIME):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)
    os.utime(path, (mtime, mtime))


def seven_zip(archive, cwd, entries, *switches):
    subprocess.run([SEVEN_ZIP, "a", "-t7z", "-bd", *switches, archive, *entries],
                   cwd=cwd, check=True, stdout=subprocess.DEVNULL)


def fix_header_crcs(data):
    """Recomputes NextHeaderCRC and StartHeaderCRC after a header patch."""
    next_offset, next_size = struct.unpack_from("<QQ", data, 12)
    start = 32 + next_offset
    struct.pack_into("<I", data, 28, zlib.crc32(data[start:start + next_size]))
    struct.pack_into("<I", data, 8, zlib.crc32(data[12:32]))


def patched_name(source, old, new):
    data = bytearray(source)
    old16, new16 = old.encode("utf-16-le"), new.encode("utf-16-le")
    assert len(old16) == len(new16) and data.count(old16) == 1, old
    at = data.find(old16)
    data[at:at + len(old16)] = new16
    fix_header_crcs(data)
    return bytes(data)


def read_number(data, pos):
    """A 7z NUMBER: as many extra bytes as leading 1 bits of the first."""
    first, pos = data[pos], pos + 1
    value = 0
    for n in range(8):
        if not first & (0x80 >> n):
            return value | (first & ((0x80 >> n) - 1)) << (8 * n), pos
        value, pos = value | data[pos] << (8 * n), pos + 1
    return value, pos


def number(value):
    for n in range(8):
        if value < 1 << (7 * n + 7):
            return bytes([(0xFF00 >> n) & 0xFF | value >> (8 * n)]) + \
                (value & ((1 << 8 * n) - 1)).to_bytes(n, "little")
    return b"\xff" + value.to_bytes(8, "little")


def read_bits(data, pos, count):
    return [bool(data[pos + i // 8] & (0x80 >> i % 8)) for i in range(count)]


def bits(values):
    out = bytearray((len(values) + 7) // 8)
    for i, value in enumerate(values):
        out[i // 8] |= (0x80 >> i % 8) if value else 0
    return bytes(out)


def files_info_columns(header, pos, count):
    """The per-entry properties of the files info at `pos`, each a column
    of values (None where undefined), with the empty-stream column; None
    when `pos` holds no files info of `count` entries ending the header."""
    if header[pos] != 0x05 or read_number(header, pos + 1)[0] != count:
        return None
    pos = read_number(header, pos + 1)[1]
    props = []
    while header[pos] != 0:
        kind, pos = read_number(header, pos)
        size, pos = read_number(header, pos)
        props.append((kind, header[pos:pos + size]))
        pos += size
    if pos + 2 != len(header) or header[pos + 1] != 0:
        return None
    empty = [False] * count
    for kind, body in props:
        if kind == 0x0E:
            empty = read_bits(body, 0, count)
    empties = [i for i in range(count) if empty[i]]
    columns = {}
    for kind, body in props:
        if kind in (0x0F, 0x10):  # Empty file, anti: over the empty streams.
            column = [None] * count
            for j, flag in enumerate(read_bits(body, 0, len(empties))):
                column[empties[j]] = flag
        elif kind == 0x11:
            column = body[1:].decode("utf-16-le").split("\0")[:-1]
        elif kind in (0x12, 0x13, 0x14, 0x15):  # Times, attributes.
            width = 4 if kind == 0x15 else 8
            defined, at = ([True] * count, 1) if body[0] else (read_bits(body, 1, count),
                                                               1 + (count + 7) // 8)
            column = []
            for flag in defined:
                column.append(body[at + 1:at + 1 + width] if flag else None)
                at += width if flag else 0
        else:
            assert kind in (0x0E, 0x19), kind  # 0x19: padding.
            continue
        columns[kind] = column
    return empty, columns


def files_info(order, empty, columns):
    out = bytearray(b"\x05" + number(len(order)))
    ordered_empty = [empty[i] for i in order]
    props = [(0x0E, bits(ordered_empty))] if any(ordered_empty) else []
    for kind, column in columns.items():
        values = [column[i] for i in order]
        if kind in (0x0F, 0x10):
            body = bits([v for v, e in zip(values, ordered_empty) if e])
        elif kind == 0x11:
            body = b"\0" + "".join(v + "\0" for v in values).encode("utf-16-le")
        else:
            defined = [v is not None for v in values]
            body = (b"\x01" if all(defined) else b"\x00" + bits(defined)) + b"\x00" + \
                b"".join(v for v in values if v is not None)
        props.append((kind, body))
    for kind, body in props:
        out += number(kind) + number(len(body)) + body
    return bytes(out + b"\x00")


def archive_names(path):
    listing = subprocess.run([SEVEN_ZIP, "l", "-slt", path], check=True,
                             capture_output=True, text=True).stdout
    return [line[7:] for line in listing.splitlines() if line.startswith("Path = ")][1:]


def reorder_entries(path, names, renamed=None):
    """Lists the entries of an archive made with -mhc=off in the order of
    `names` (7z lists folders and empty files first), files with data
    keeping theirs, and renames those `renamed` maps to another name."""
    with open(path, "rb") as f:
        data = bytearray(f.read())
    start = 32 + struct.unpack_from("<Q", data, 12)[0]
    header = bytes(data[start:])
    found = [(pos, parsed) for pos in range(len(header))
             if (parsed := files_info_columns(header, pos, len(names)))]
    assert len(found) == 1, path
    pos, (empty, columns) = found[0]
    order = [columns[0x11].index(name) for name in names]
    with_data = [i for i in order if not empty[i]]
    assert with_data == sorted(with_data), names
    columns[0x11] = [(renamed or {}).get(name, name) for name in columns[0x11]]
    header = header[:pos] + files_info(order, empty, columns) + b"\x00"
    data[start:] = header
    struct.pack_into("<Q", data, 20, len(header))
    fix_header_crcs(data)
    with open(path, "wb") as f:
        f.write(data)


# Coders only the SDK decodes, which it decodes a whole block at a time.
WHOLE_BLOCK_CODERS = {
    "copy": ["-m0=Copy"],
    "ppmd": ["-m0=PPMd"],
    "bcj_copy": ["-m0=BCJ", "-m1=Copy"],
    "delta": ["-mf=Delta:4"],
    **{f.lower(): [f"-mf={f}"] for f in ("ARM64", "ARM", "ARMT", "PPC", "IA64", "SPARC",
                                         "RISCV")},
}


def make_coder_archives(out, rng):
    """Per coder, solid and not, an archive listing an empty file and an
    empty folder after files with data."""
    src = os.path.join(out, "src_coders")
    write(os.path.join(src, "a.bin"), pe_like(rng, 1_200_000))
    write(os.path.join(src, "empty.txt"), b"")
    write(os.path.join(src, "b.txt"), b"after the empty file\r\n" * 40, OTHER_MTIME)
    os.makedirs(os.path.join(src, "emptydir"))
    order = ["a.bin", "empty.txt", "b.txt", "emptydir"]
    for name, switches in WHOLE_BLOCK_CODERS.items():
        for solid in ("on", "off"):
            path = os.path.join(out, f"coder_{name}_solid_{solid}.7z")
            seven_zip(path, src, order, "-mhc=off", f"-ms={solid}", *switches)
            reorder_entries(path, order)


def stub(size, rng):
    """A self-extractor stand-in: "MZ", noise and a decoy signature whose
    start header checksum is wrong."""
    data = bytearray(b"MZ" + rng.randbytes(size - 2))
    for i in range(len(data) - 5):
        if data[i:i + 6] == SIGNATURE:
            data[i] ^= 0xFF
    data[5000:5006] = SIGNATURE
    return bytes(data)


def pe_like(rng, size):
    """Bytes with x86 call opcodes among them, so that the x86 filters have
    work to do."""
    data = bytearray()
    while len(data) < size:
        data += b"\xe8" + rng.randbytes(4) + b"\x48\x89\xc3" + bytes(rng.randrange(40))
    return bytes(data[:size])


def lzma2_blocks(packed):
    """Offsets of the chunks of the LZMA2 stream at the start of `packed`
    that reset the dictionary."""
    pos, resets = 0, []
    while packed[pos] != 0:
        control = packed[pos]
        if control in (1, 2):
            size = 3 + (packed[pos + 1] << 8 | packed[pos + 2]) + 1
        else:
            size = (6 if control >= 0xC0 else 5) + (packed[pos + 3] << 8 | packed[pos + 4]) + 1
        if control == 1 or control >= 0xE0:
            resets.append(pos)
        pos += size
    return resets


def make_block_archives(out, rng):
    """Archives whose LZMA2 streams hold several independent blocks, with
    files across the block boundaries."""
    src = os.path.join(out, "src_blocks")
    write(os.path.join(src, "first.exe"), pe_like(rng, 2_600_000))
    write(os.path.join(src, "small.txt"), b"between the blocks\r\n" * 50, OTHER_MTIME)
    write(os.path.join(src, "empty.txt"), b"")
    write(os.path.join(src, "dir", "second.exe"), pe_like(rng, 1_700_000))
    os.makedirs(os.path.join(src, "emptydir"))
    entries = ["first.exe", "small.txt", "empty.txt", "dir", "emptydir"]
    seven_zip(os.path.join(out, "blocks.7z"), src, entries, "-m0=LZMA2:c=1m", "-mf=off")
    seven_zip(os.path.join(out, "blocks_bcj.7z"), src, entries, "-m0=LZMA2:c=1m", "-mf=BCJ")
    seven_zip(os.path.join(out, "blocks_bcj2.7z"), src, entries, "-m0=LZMA2:c=1m", "-mf=BCJ2")

    with open(os.path.join(out, "blocks.7z"), "rb") as f:
        data = bytearray(f.read())
    next_offset = struct.unpack_from("<Q", data, 12)[0]
    resets = lzma2_blocks(data[32:32 + next_offset])
    assert len(resets) >= 4, resets
    # A flipped byte in the third block: first.exe, in the first blocks,
    # stays good; second.exe, after it, cannot be decoded.
    data[32 + resets[2] + 100] ^= 0x55
    with open(os.path.join(out, "corrupt_block.7z"), "wb") as f:
        f.write(data)


def make_bad_crc(out, src, entries):
    """An archive whose data decode well but whose stored CRC of
    readme.txt is wrong (patched in the uncompressed header)."""
    path = os.path.join(out, "bad_crc.7z")
    seven_zip(path, src, entries, "-mhc=off")
    with open(path, "rb") as f:
        data = bytearray(f.read())
    with open(os.path.join(src, "readme.txt"), "rb") as f:
        crc = struct.pack("<I", zlib.crc32(f.read()))
    assert data.count(crc) == 1
    data[data.find(crc)] ^= 0x01
    fix_header_crcs(data)
    with open(path, "wb") as f:
        f.write(data)


def make_bad_time(out):
    """An archive whose first file's time has its top bit set (none Windows
    can represent), with a file after it."""
    src = os.path.join(out, "src_time")
    write(os.path.join(src, "bad_time.txt"), b"a time from nowhere\r\n", OTHER_MTIME)
    write(os.path.join(src, "after.txt"), b"written after it\r\n")
    path = os.path.join(out, "bad_time.7z")
    seven_zip(path, src, ["bad_time.txt", "after.txt"], "-mhc=off")
    with open(path, "rb") as f:
        data = bytearray(f.read())
    time = struct.pack("<Q", OTHER_MTIME * 10_000_000 + 116_444_736_000_000_000)
    assert data.count(time) == 1
    data[data.find(time) + 7] |= 0x80
    fix_header_crcs(data)
    with open(path, "wb") as f:
        f.write(data)


def make_diff_archive(out):
    """An update archive, as 7z u -u- -up0q3r2x2y2z0w2! makes one: new.txt,
    and deletion markers for the file and the folder tree gone since."""
    src = os.path.join(out, "src_diff")
    for name in ("b.txt", "d/c.txt", "d/e/f.txt"):
        write(os.path.join(src, name), name.encode() + b"\r\n")
    base = os.path.join(out, "diff_base.7z")
    seven_zip(base, src, ["b.txt", "d"])
    os.remove(os.path.join(src, "b.txt"))
    shutil.rmtree(os.path.join(src, "d"))
    write(os.path.join(src, "new.txt"), b"new\r\n")
    subprocess.run([SEVEN_ZIP, "u", "-bd", base, "-u-",
                    "-up0q3r2x2y2z0w2!" + os.path.join(out, "diff.7z"), "*"],
                   cwd=src, check=True, stdout=subprocess.DEVNULL)
    os.remove(base)


def make_many_blocks(out):
    """300 small files (4 MB) and empty files: not solid, a block for each
    file, and solid, one block."""
    src = os.path.join(out, "src_many")
    for i in range(300):
        write(os.path.join(src, f"d{i // 30}", f"f{i}.txt"),
              f"file {i}\r\n".encode() * (1000 + i % 7 * 100))
    for i in range(3):
        write(os.path.join(src, f"empty{i}.txt"), b"")
    entries = sorted(os.listdir(src))
    seven_zip(os.path.join(out, "many_blocks.7z"), src, entries, "-ms=off")
    seven_zip(os.path.join(out, "many_solid.7z"), src, entries)


def make_name_archives(out):
    """Entries that name one file: a three-way case clash and an exact
    duplicate, with folders Dir and dir, as Copy, LZMA2 and solid LZMA2;
    a file and a folder of one name; names under "./" with a "." entry, as
    bsdtar stores them; and an empty archive."""
    src = os.path.join(out, "src_same")
    for i, name in enumerate(("CLASH.TXT", "Clash.txt", "clash.txt", "dup.txt", "dup.txu")):
        write(os.path.join(src, name), name.encode() * (3000 - 500 * i))
    write(os.path.join(src, "Dir", "a.txt"), b"a\r\n")
    write(os.path.join(src, "dir", "b.txt"), b"b\r\n")
    entries = ["CLASH.TXT", "Clash.txt", "clash.txt", "dup.txt", "dup.txu", "Dir", "dir"]
    for name, switches in (("copy", ["-m0=Copy"]), ("lzma2", ["-m0=LZMA2", "-ms=off"]),
                           ("lzma2_solid", ["-m0=LZMA2", "-ms=on"])):
        path = os.path.join(out, f"same_name_{name}.7z")
        seven_zip(path, src, entries, "-mhc=off", *switches)
        with open(path, "rb") as f:
            data = patched_name(f.read(), "dup.txu", "dup.txt")
        with open(path, "wb") as f:
            f.write(data)
        # The last of each name: clash.txt, and dup.txt with dup.txu's bytes.
        assert archive_names(path) == ["Dir", "dir", "CLASH.TXT", "Clash.txt", "Dir/a.txt",
                                       "clash.txt", "dir/b.txt", "dup.txt", "dup.txt"], path

    clash = os.path.join(out, "src_clash")
    write(os.path.join(clash, "Dir", "a.txt"), b"a\r\n")
    write(os.path.join(clash, "DIR"), b"a file\r\n")
    seven_zip(os.path.join(out, "file_folder_clash.7z"), clash, ["Dir", "DIR"])

    dots = os.path.join(out, "src_dots")
    write(os.path.join(dots, "a.txt"), b"a\r\n")
    write(os.path.join(dots, "d", "b.txt"), b"b\r\n")
    os.makedirs(os.path.join(dots, "root"))
    path = os.path.join(out, "dot_names.7z")
    seven_zip(path, dots, ["a.txt", "d", "root"], "-mhc=off")
    reorder_entries(path, ["a.txt", "d/b.txt", "d", "root"],
                    {"a.txt": "./a.txt", "d/b.txt": "./d/b.txt", "d": "./d", "root": "."})
    # What the archive should unpack to.
    os.rmdir(os.path.join(dots, "root"))

    with open(os.path.join(out, "empty.7z"), "wb") as f:
        start_header = bytes(20)
        f.write(SIGNATURE + b"\x00\x04" + struct.pack("<I", zlib.crc32(start_header)) +
                start_header)


def make_unsupported_methods(out, src, entries):
    """Coders the decoders here lack, and coders they have combined in a
    way they do not take."""
    for name, switches in (("bzip2", ["-m0=BZip2"]), ("deflate", ["-m0=Deflate"]),
                           ("three_coders", ["-m0=Delta:4", "-m1=BCJ", "-m2=LZMA2"])):
        seven_zip(os.path.join(out, f"method_{name}.7z"), src, entries, *switches)


def make_raw_lzma2(out, rng):
    """A raw LZMA2 stream of three independently coded blocks (streams
    joined without their end marks but the last) and what it decodes to."""
    parts = [pe_like(rng, 1_500_000), b"plain text " * 120_000, pe_like(rng, 700_000)]
    filters = [{"id": lzma.FILTER_LZMA2, "preset": 1}]
    packed = [lzma.compress(p, format=lzma.FORMAT_RAW, filters=filters) for p in parts]
    stream = b"".join(p[:-1] for p in packed[:-1]) + packed[-1]
    assert stream[-1] == 0 and len(lzma2_blocks(stream)) == 3
    with open(os.path.join(out, "three_blocks.lzma2"), "wb") as f:
        f.write(stream)
    with open(os.path.join(out, "three_blocks.bin"), "wb") as f:
        f.write(b"".join(parts))


def main():
    out = os.path.abspath(sys.argv[1])
    shutil.rmtree(out, ignore_errors=True)
    src = os.path.join(out, "src")
    rng = random.Random(7)

    # A PE-like mix so that the x86 filters have work to do.
    exe = bytearray()
    while len(exe) < 300_000:
        exe += b"\xe8" + rng.randbytes(4) + b"\x48\x89\xc3" + bytes(rng.randrange(40))
    write(os.path.join(src, "installer.exe"), bytes(exe))
    write(os.path.join(src, "readme.txt"), b"Tarvo package test text\r\n" * 2000,
          OTHER_MTIME)
    write(os.path.join(src, "empty.txt"), b"")
    write(os.path.join(src, "sub", "inner", "c.txt"), rng.randbytes(70_000))
    os.makedirs(os.path.join(src, "emptydir"))
    os.utime(os.path.join(src, "emptydir"), (MTIME, MTIME))
    entries = ["installer.exe", "readme.txt", "empty.txt", "sub", "emptydir"]

    whole = os.path.join(out, "whole.7z")
    seven_zip(whole, src, entries)
    seven_zip(os.path.join(out, "bcj2.7z"), src, entries, "-mf=BCJ2", "-m0=LZMA2")
    seven_zip(os.path.join(out, "bcj.7z"), src, entries, "-mf=BCJ", "-m0=LZMA2")
    seven_zip(os.path.join(out, "lzma.7z"), src, entries, "-mf=BCJ", "-m0=LZMA")
    seven_zip(os.path.join(out, "folders.7z"), src, entries, "-ms=off")
    # Coders only the whole-block decoder reads.
    seven_zip(os.path.join(out, "copy.7z"), src, entries, "-m0=Copy")
    seven_zip(os.path.join(out, "delta.7z"), src, entries, "-mf=Delta:4")
    seven_zip(os.path.join(out, "ppmd.7z"), src, entries, "-m0=PPMd")
    # Encrypted entries (names left readable): a coder no decoder here has.
    seven_zip(os.path.join(out, "encrypted.7z"), src, entries, "-pTarvo", "-mhe=off")
    seven_zip(os.path.join(out, "encrypted_header.7z"), src, entries, "-pTarvo", "-mhe=on")
    # The first volume of a multi-volume set, alone.
    seven_zip(os.path.join(out, "volume.7z"), src, entries, "-v100k")
    for name in os.listdir(out):
        if name.startswith("volume.7z.") and name != "volume.7z.001":
            os.remove(os.path.join(out, name))
    make_block_archives(out, rng)
    make_coder_archives(out, rng)
    make_bad_time(out)
    make_diff_archive(out)
    make_many_blocks(out)
    make_bad_crc(out, src, entries)
    make_raw_lzma2(out, rng)
    make_name_archives(out)
    make_unsupported_methods(out, src, entries)
    with open(whole, "rb") as f:
        whole_data = f.read()

    with open(os.path.join(out, "sfx_600k.exe"), "wb") as f:
        f.write(stub(600 * 1024, rng) + whole_data)
    with open(os.path.join(out, "sfx_after_1m.exe"), "wb") as f:
        f.write(stub(1024 * 1024 + 512, rng) + whole_data)

    # Hostile names: made with a plain name, then patched in the
    # uncompressed header to the same length.
    hostile = os.path.join(out, "hostile_src")
    write(os.path.join(hostile, "good.txt"), b"good\r\n")
    write(os.path.join(hostile, "zz", "escape.txt"), b"escaped\r\n")
    plain = os.path.join(out, "hostile_plain.7z")
    seven_zip(plain, hostile, ["good.txt", "zz/escape.txt"], "-mhc=off")
    with open(plain, "rb") as f:
        plain_data = f.read()
    for name, new in (("parent_slash.7z", "../escape.txt"),
                      ("parent_backslash.7z", "..\\escape.txt"),
                      ("drive.7z", "C:/escape.txt"),
                      ("control_character.7z", "z\x1b/escape.txt")):
        with open(os.path.join(out, name), "wb") as f:
            f.write(patched_name(plain_data, "zz/escape.txt", new))
    # No names at all: the names property (id 0x11, UTF-16 names of
    # good.txt and zz/escape.txt) becomes a dummy property (0x19).
    names = b"\x11" + bytes([1 + 2 * (len("good.txt") + len("zz/escape.txt") + 2), 0])
    no_names = bytearray(plain_data)
    assert no_names.count(names) == 1
    no_names[no_names.find(names)] = 0x19
    fix_header_crcs(no_names)
    with open(os.path.join(out, "no_names.7z"), "wb") as f:
        f.write(no_names)
    shutil.rmtree(hostile)
    os.remove(plain)

    # A flipped byte in the packed data: the decoder's checksum fails.
    corrupt = bytearray(whole_data)
    packed_size = struct.unpack_from("<Q", corrupt, 12)[0]
    corrupt[32 + packed_size // 2] ^= 0x55
    with open(os.path.join(out, "corrupt.7z"), "wb") as f:
        f.write(corrupt)
    # The start header survives, the header it points to does not.
    with open(os.path.join(out, "truncated.7z"), "wb") as f:
        f.write(whole_data[:len(whole_data) // 2])

    with open(os.path.join(out, "stamp"), "w") as f:
        f.write("ok\n")


if __name__ == "__main__":
    main()

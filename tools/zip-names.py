#!/usr/bin/python3
"""Stores the names in a zip so that every Windows shows them right, and reads them back.

Windows 7's built-in zip folder ignores the UTF-8 flag (general purpose bit 11) and decodes
every name in the system's OEM code page, 936 on a Simplified-Chinese system. So each name
that is not ASCII is stored in that code page with bit 11 clear, and its exact text follows in
an Info-ZIP Unicode Path extra field (0x7075), which 7-Zip and other Unicode-aware readers
prefer whenever the CRC-32 it carries matches the stored name. Only the names, the flags and
the extra fields change; the compressed data is copied as it is, so the result is a function
of the input bytes alone.

  zip-names.py rewrite ZIP   rewrites ZIP in place (it must come from Info-ZIP's zip with -X)
  zip-names.py show ZIP      prints each entry's stored name, flag and Unicode Path field, after
                             checking that the local header agrees and the data's CRC-32
"""
import struct
import sys
import zlib

CODE_PAGE = "cp936"
UTF8_FLAG = 0x0800
UNICODE_PATH = 0x7075

CENTRAL = struct.Struct("<IHHHHHHIIIHHHHHII")
LOCAL = struct.Struct("<IHHHHHIIIHH")
END = struct.Struct("<IHHHHIIH")


class Entry:
    def __init__(self, fields, name, extra, local, data):
        (_, self.made_by, self.needed, self.flags, self.method, self.time, self.date, self.crc,
         self.packed, self.size, _, _, _, _, self.internal, self.external, _) = fields
        self.name, self.extra, self.local, self.data = name, extra, local, data


def fail(message):
    sys.exit(f"zip-names: {message}")


def read(path):
    """The entries in the central directory's order; refuses anything it would not rewrite
    exactly (a comment, several disks, ZIP64, data descriptors, encryption, gaps)."""
    with open(path, "rb") as f:
        blob = f.read()
    if len(blob) < END.size:
        fail(f"{path} is too short to be a zip")
    sig, disk, cd_disk, on_disk, count, cd_size, cd_offset, comment = END.unpack_from(
        blob, len(blob) - END.size)
    if sig != 0x06054B50 or comment or disk or cd_disk or on_disk != count:
        fail(f"{path}: no plain end record at the end (a comment, several disks or ZIP64)")
    if cd_offset + cd_size != len(blob) - END.size:
        fail(f"{path}: the central directory does not end where the end record starts")
    entries, at, data_end = [], cd_offset, 0
    for _ in range(count):
        fields = CENTRAL.unpack_from(blob, at)
        name_len, extra_len, comment_len, local_at = fields[10], fields[11], fields[12], fields[16]
        if fields[0] != 0x02014B50 or comment_len or fields[13]:
            fail(f"{path}: a central entry at {at} is damaged, has a comment or another disk")
        at += CENTRAL.size
        name, extra = blob[at:at + name_len], blob[at + name_len:at + name_len + extra_len]
        at += name_len + extra_len
        local = LOCAL.unpack_from(blob, local_at)
        local_name_end = local_at + LOCAL.size + local[9]
        local_name = blob[local_at + LOCAL.size:local_name_end]
        local_extra = blob[local_name_end:local_name_end + local[10]]
        entry = Entry(fields, name, extra, (local, local_name, local_extra), b"")
        if local[0] != 0x04034B50 or local_at != data_end:
            fail(f"{path}: {name!r}: no local header where the previous entry's data ends")
        if entry.flags & 0x0009 or 0xFFFFFFFF in (entry.packed, entry.size):
            fail(f"{path}: {name!r} is encrypted, has a data descriptor or needs ZIP64")
        if local[1:9] != (entry.needed, entry.flags, entry.method, entry.time, entry.date,
                          entry.crc, entry.packed, entry.size) or local_name != name:
            fail(f"{path}: {name!r}: the local header and the central directory disagree")
        data_at = local_name_end + local[10]
        entry.data = blob[data_at:data_at + entry.packed]
        data_end = data_at + entry.packed
        entries.append(entry)
    if at != len(blob) - END.size or data_end != cd_offset:
        fail(f"{path}: bytes that belong to no entry")
    return entries


def windows_name(entry):
    """The stored name and extra field that every Windows decodes to the entry's text."""
    if entry.extra:
        fail(f"{entry.name!r} already has extra fields (make the zip with -X)")
    if entry.flags & UTF8_FLAG:
        text = entry.name.decode("utf-8")
    elif entry.name.isascii():
        text = entry.name.decode("ascii")
    else:
        fail(f"{entry.name!r}: not ASCII and not marked UTF-8, its encoding is unknown")
    if text.isascii():
        return text.encode("ascii"), b""
    try:
        stored = text.encode(CODE_PAGE)
    except UnicodeEncodeError:
        fail(f"{text}: code page 936 cannot hold this name")
    # A trail byte 0x5C or 0x2F would read as a path separator in readers that split
    # the name's bytes before decoding them.
    for char in text:
        if not char.isascii() and {0x2F, 0x5C} & set(char.encode(CODE_PAGE)):
            fail(f"{text}: {char} in code page 936 holds a byte that reads as a separator")
    utf8 = text.encode("utf-8")
    field = struct.pack("<HHBI", UNICODE_PATH, 5 + len(utf8), 1, zlib.crc32(stored)) + utf8
    return stored, field


def rewrite(path):
    entries = read(path)
    locals_, central = bytearray(), bytearray()
    for entry in entries:
        name, extra = windows_name(entry)
        flags = entry.flags & ~UTF8_FLAG
        offset = len(locals_)
        locals_ += LOCAL.pack(0x04034B50, entry.needed, flags, entry.method, entry.time,
                              entry.date, entry.crc, entry.packed, entry.size, len(name),
                              len(extra)) + name + extra + entry.data
        central += CENTRAL.pack(0x02014B50, entry.made_by, entry.needed, flags, entry.method,
                                entry.time, entry.date, entry.crc, entry.packed, entry.size,
                                len(name), len(extra), 0, 0, entry.internal, entry.external,
                                offset) + name + extra
    end = END.pack(0x06054B50, 0, 0, len(entries), len(entries), len(central), len(locals_), 0)
    with open(path, "wb") as f:
        f.write(locals_ + central + end)


def unicode_path(entry):
    fields, extra = [], entry.extra
    while extra:
        if len(extra) < 4:
            fail(f"{entry.name!r}: a cut extra field")
        tag, size = struct.unpack_from("<HH", extra)
        body, extra = extra[4:4 + size], extra[4 + size:]
        if tag != UNICODE_PATH or len(body) < 5:
            return f"an extra field 0x{tag:04x} of {size} bytes"
        version, crc = struct.unpack_from("<BI", body)
        fields.append(f"Unicode path {body[5:].decode('utf-8', 'replace')} (version {version}, "
                      f"CRC-32 of the stored name {'matches' if crc == zlib.crc32(entry.name) else 'DIFFERS'})")
    return "; ".join(fields) or "no extra field"


def show(path):
    for entry in read(path):
        if entry.local[2] != entry.extra:
            fail(f"{entry.name!r}: the local header's extra field differs from the central one")
        if entry.method == 8:
            data = zlib.decompressobj(-15).decompress(entry.data)
        elif entry.method == 0:
            data = entry.data
        else:
            fail(f"{entry.name!r}: compression method {entry.method}")
        if zlib.crc32(data) != entry.crc or len(data) != entry.size:
            fail(f"{entry.name!r}: the data does not match its CRC-32 or size")
        flag = "set" if entry.flags & UTF8_FLAG else "clear"
        print(f"{entry.name.hex(' ')} | UTF-8 flag {flag} | {unicode_path(entry)}")


if __name__ == "__main__":
    if len(sys.argv) != 3 or sys.argv[1] not in ("rewrite", "show"):
        sys.exit("usage: zip-names.py rewrite|show ZIP")
    (rewrite if sys.argv[1] == "rewrite" else show)(sys.argv[2])

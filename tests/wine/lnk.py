#!/usr/bin/env python3
"""Prints what a Shell Link (.lnk) file holds, one line a field, in UTF-8:

    lnk.py FILE [--codepage cp932]

    target: C:\\Program Files\\Foo\\FOO.EXE      (LinkInfo: local base path + suffix)
    arguments: /new
    description: Foo
    working directory: ...
    relative path: ...
    icon: ...

Only the fields the file holds are printed; a zero character inside a counted
string is shown as \0. ANSI strings are decoded with the code page (the
system's ANSI code page when the link was written). Exit
status 1 with a message for a file that is not a link or is cut short."""
import argparse
import struct
import sys

HEADER_SIZE = 0x4C
LINK_CLSID = bytes.fromhex("0114020000000000c000000000000046")
HAS_ID_LIST, HAS_LINK_INFO, HAS_NAME, HAS_RELATIVE_PATH = 0x1, 0x2, 0x4, 0x8
HAS_WORKING_DIR, HAS_ARGUMENTS, HAS_ICON_LOCATION, IS_UNICODE = 0x10, 0x20, 0x40, 0x80
VOLUME_ID_AND_LOCAL_BASE_PATH = 0x1


class LinkError(Exception):
    pass


def u16(data, at):
    if at + 2 > len(data):
        raise LinkError("cut short at offset %d" % at)
    return struct.unpack_from("<H", data, at)[0]


def u32(data, at):
    if at + 4 > len(data):
        raise LinkError("cut short at offset %d" % at)
    return struct.unpack_from("<I", data, at)[0]


def ansi_string(data, at, end, codepage):
    """The zero-terminated ANSI string at an offset, not past end."""
    stop = data.find(b"\0", at, end)
    if stop < 0:
        raise LinkError("unterminated string at offset %d" % at)
    return data[at:stop].decode(codepage)


def unicode_string(data, at, end):
    stop = at
    while stop + 1 < end and data[stop:stop + 2] != b"\0\0":
        stop += 2
    if stop + 1 >= end:
        raise LinkError("unterminated string at offset %d" % at)
    return data[at:stop].decode("utf-16-le")


def link_info_target(data, at, codepage):
    """The target path of a LinkInfo structure: base path and suffix."""
    size, header_size, flags = u32(data, at), u32(data, at + 4), u32(data, at + 8)
    end = at + size
    if end > len(data) or header_size < 0x1C:
        raise LinkError("LinkInfo does not fit the file")
    if not flags & VOLUME_ID_AND_LOCAL_BASE_PATH:
        return None
    base_offset, suffix_offset = u32(data, at + 16), u32(data, at + 24)
    if header_size >= 0x24:
        unicode_base, unicode_suffix = u32(data, at + 28), u32(data, at + 32)
        if unicode_base:
            return unicode_string(data, at + unicode_base, end) + unicode_string(data, at + unicode_suffix, end)
    return ansi_string(data, at + base_offset, end, codepage) + ansi_string(data, at + suffix_offset, end, codepage)


def read_link(data, codepage):
    if len(data) < HEADER_SIZE or u32(data, 0) != HEADER_SIZE or data[4:20] != LINK_CLSID:
        raise LinkError("not a Shell Link file")
    flags = u32(data, 20)
    fields = []
    at = HEADER_SIZE
    if flags & HAS_ID_LIST:
        at += 2 + u16(data, at)
    if flags & HAS_LINK_INFO:
        target = link_info_target(data, at, codepage)
        if target is not None:
            fields.append(("target", target))
        at += u32(data, at)
    for flag, name in ((HAS_NAME, "description"), (HAS_RELATIVE_PATH, "relative path"),
                       (HAS_WORKING_DIR, "working directory"), (HAS_ARGUMENTS, "arguments"),
                       (HAS_ICON_LOCATION, "icon")):
        if flags & flag:
            count = u16(data, at)
            at += 2
            length = count * 2 if flags & IS_UNICODE else count
            if at + length > len(data):
                raise LinkError("%s cut short" % name)
            raw = data[at:at + length]
            fields.append((name, raw.decode("utf-16-le") if flags & IS_UNICODE else raw.decode(codepage)))
            at += length
    return fields


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("file")
    parser.add_argument("--codepage", default="cp932")
    args = parser.parse_args()
    try:
        with open(args.file, "rb") as f:
            fields = read_link(f.read(), args.codepage)
    except (OSError, LinkError, UnicodeDecodeError) as error:
        print("%s: %s" % (args.file, error), file=sys.stderr)
        return 1
    out = open(sys.stdout.fileno(), "w", encoding="utf-8", closefd=False)
    for name, value in fields:
        out.write("%s: %s\n" % (name, value.replace("\0", "\\0")))
    return 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""Writes the update archives the updater tests install or refuse.

    make_archives.py OUT_FOLDER OUTSIDE_FOLDER

Every archive has the program folder "Cuewright_v313/" at its top, as
publish-update packs it. "good.zip" is the one that must install; every
other archive must be refused as a whole. OUTSIDE_FOLDER is where an
escaping entry would land; nothing may ever appear there.
"""
import os
import stat
import struct
import sys
import warnings
import zipfile

warnings.simplefilter("ignore")  # "Duplicate name" is the point of one archive

out, outside = sys.argv[1], sys.argv[2]
os.makedirs(out, exist_ok=True)
TOP = "Cuewright_v313/"
UNIX = 3


def info(name, mode=0o100644, method=zipfile.ZIP_DEFLATED):
    entry = zipfile.ZipInfo(name, date_time=(2024, 5, 6, 7, 8, 10))
    entry.create_system = UNIX
    entry.external_attr = mode << 16
    entry.compress_type = method
    return entry


def write(name, entries):
    """entries: (ZipInfo or name, bytes) pairs."""
    path = os.path.join(out, name)
    with zipfile.ZipFile(path, "w") as archive:
        for entry, data in entries:
            if isinstance(entry, str):
                entry = info(entry)
            archive.writestr(entry, data)
    return path


def regular(extra):
    """A believable program folder plus the entries under test."""
    return [(TOP + "cuewright", b"#!/bin/sh\necho new\n"), (TOP + "readme.txt", b"new readme\n")] + extra


def patch(path, name, local=None, central=None, rename=None):
    """Rewrites header fields of the entry called `name` (bytes): `local` and
    `central` map field offsets to (struct format, value); `rename` swaps the
    stored name for bytes of the same length."""
    data = bytearray(open(path, "rb").read())
    for signature, name_length_at, name_at, fields in ((b"PK\x03\x04", 26, 30, local or {}),
                                                       (b"PK\x01\x02", 28, 46, central or {})):
        at = data.find(signature)
        found = False
        while at >= 0:
            length = struct.unpack_from("<H", data, at + name_length_at)[0]
            if bytes(data[at + name_at:at + name_at + length]) == name:
                found = True
                for offset, (fmt, value) in fields.items():
                    struct.pack_into(fmt, data, at + offset, value)
                if rename is not None:
                    assert len(rename) == length
                    data[at + name_at:at + name_at + length] = rename
            at = data.find(signature, at + 4)
        assert found, (path, name, signature)
    open(path, "wb").write(bytes(data))


# Local header field offsets, and the central directory's.
L_FLAGS, L_METHOD, L_CRC, L_SIZE = 6, 8, 14, 22
C_MADE_BY, C_FLAGS, C_METHOD, C_CRC, C_SIZE, C_ATTR = 4, 8, 10, 16, 24, 38

# The one that installs: a nested file, a name over 260 bytes, a GBK name
# without the UTF-8 flag, a UTF-8 name with it, modes to keep and to clean.
long_name = TOP + "deep/" + "n" * 150 + "/" + "m" * 150 + ".txt"  # 315 bytes with the folders
good = write("good.zip", regular([
    (info(TOP + "lib/", stat.S_IFDIR | 0o755), b""),
    (TOP + "lib/libvoxlink.so", b"\x7fELF new library"),
    (info(TOP + "tool", 0o104777), b"#!/bin/sh\n"),  # setuid and world-writable: cleaned
    (long_name, b"long name"),
    (TOP + "GBKX.txt", "gbk".encode()),
    (TOP + "说明.txt", "utf-8 名字".encode()),
]))
patch(good, (TOP + "GBKX.txt").encode(), rename=(TOP + "手册.txt").encode("gbk"))

bad = {}
bad["parent.zip"] = regular([("../escaped.txt", b"x")])
bad["parent_inside.zip"] = regular([(TOP + "../../escaped.txt", b"x")])
bad["absolute.zip"] = regular([(os.path.join(outside, "escaped.txt"), b"x")])
bad["backslash_parent.zip"] = regular([(TOP + "..\\..\\escaped.txt", b"x")])
bad["drive.zip"] = regular([("C:/escaped.txt", b"x")])
bad["dot.zip"] = regular([(TOP + "./a.txt", b"x")])
bad["empty_component.zip"] = regular([(TOP + "a//b.txt", b"x")])
bad["colon.zip"] = regular([(TOP + "a:b.txt", b"x")])
bad["control.zip"] = regular([(TOP + "a\x01b.txt", b"x")])
bad["long_component.zip"] = regular([(TOP + "c" * 256, b"x")])
bad["too_deep.zip"] = regular([(TOP + "d/" * 32 + "x.txt", b"x")])
bad["symlink.zip"] = regular([(info(TOP + "link", stat.S_IFLNK | 0o777), b"/etc/passwd")])
bad["device.zip"] = regular([(info(TOP + "dev", stat.S_IFCHR | 0o666), b"")])
bad["fifo.zip"] = regular([(info(TOP + "fifo", stat.S_IFIFO | 0o644), b"")])
bad["folder_mode_on_file.zip"] = regular([(info(TOP + "notafolder", stat.S_IFDIR | 0o755), b"")])
bad["duplicate.zip"] = regular([(TOP + "readme.txt", b"second")])
bad["file_and_folder.zip"] = regular([(TOP + "x", b"file"), (TOP + "x/y", b"inside")])
bad["reserved.zip"] = regular([(TOP + "update/evil", b"x")])
bad["bzip2.zip"] = regular([(info(TOP + "b.txt", method=zipfile.ZIP_BZIP2), b"bz" * 100)])
for name, entries in bad.items():
    write(name, entries)

# Corruptions of one entry, made by rewriting its headers afterwards.
payload = bytes(range(256)) * 64
victim = (TOP + "data.bin").encode()


def corrupt(name, **fields):
    path = write(name, regular([(TOP + "data.bin", payload)]))
    patch(path, victim, **fields)


corrupt("nul_name.zip", rename=(TOP + "data\0bin").encode())
corrupt("bad_gbk_name.zip", rename=(TOP + "\xff\xffta.bin").encode("latin-1"))
corrupt("bad_utf8_name.zip", rename=(TOP + "\xc3\x28ta.bin").encode("latin-1"),
        local={L_FLAGS: ("<H", 0x800)}, central={C_FLAGS: ("<H", 0x800)})
corrupt("encrypted.zip", local={L_FLAGS: ("<H", 0x1)}, central={C_FLAGS: ("<H", 0x1)})
corrupt("crc_error.zip", local={L_CRC: ("<I", 0x12345678)}, central={C_CRC: ("<I", 0x12345678)})
corrupt("short_entry.zip", local={L_SIZE: ("<I", len(payload) + 100)}, central={C_SIZE: ("<I", len(payload) + 100)})
corrupt("long_entry.zip", local={L_SIZE: ("<I", len(payload) - 100)}, central={C_SIZE: ("<I", len(payload) - 100)})
corrupt("unknown_method.zip", local={L_METHOD: ("<H", 99)}, central={C_METHOD: ("<H", 99)})

# Bombs: sizes declared past 4 GiB in all, and more entries than allowed.
path = write("bomb_size.zip", regular([(TOP + "a.bin", b"\0" * 1000), (TOP + "b.bin", b"\0" * 1000)]))
for entry in (b"a.bin", b"b.bin"):
    patch(path, TOP.encode() + entry, local={L_SIZE: ("<I", 0x90000000)}, central={C_SIZE: ("<I", 0x90000000)})
with zipfile.ZipFile(os.path.join(out, "bomb_count.zip"), "w", zipfile.ZIP_STORED) as archive:
    for i in range(100001):
        archive.writestr(info(TOP + "many/%06d" % i, method=zipfile.ZIP_STORED), b"")

open(os.path.join(out, "not_a_zip.zip"), "wb").write(b"PK\x03\x04" + os.urandom(4000))
whole = open(good, "rb").read()
open(os.path.join(out, "truncated.zip"), "wb").write(whole[: len(whole) // 2])

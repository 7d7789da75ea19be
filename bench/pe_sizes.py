#!/usr/bin/env python3
"""Sizes of a 32-bit Windows program with code, data and resources apart.

  pe_sizes.py PROGRAM.exe...          one line of figures per program
  pe_sizes.py --check PROGRAM.exe...  the section table read here against
                                      the toolchain's objdump -h
  pe_sizes.py --resource PROGRAM.exe TYPE FILE...
                                      the bytes of one resource type against
                                      the files compiled into it (a .bmp less
                                      its 14-byte file header)

Figures are bytes in the file (each section's SizeOfRawData): "code" is
.text, "data" every other section but .rsrc (constant data, unwind tables,
imports, relocations), "resources" .rsrc, "headers" the rest of the file.
Resources are also summed by type (bitmaps, icons, dialogs, ...), from the
data entries under each type of the resource directory.
"""
import os
import re
import struct
import subprocess
import sys

RESOURCE_TYPES = {
    1: "cursors", 2: "bitmaps", 3: "icons", 4: "menus", 5: "dialogs", 6: "strings", 9: "accelerators",
    10: "raw data", 12: "cursor groups", 14: "icon groups", 16: "version", 24: "manifest",
}


class PeError(Exception):
    pass


def read_sections(data):
    """[(name, virtual size, virtual address, raw size, raw offset)] and the headers' size."""
    if len(data) < 0x40 or data[:2] != b"MZ":
        raise PeError("not an MZ file")
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if pe + 24 > len(data) or data[pe:pe + 4] != b"PE\0\0":
        raise PeError("no PE header")
    count, = struct.unpack_from("<H", data, pe + 6)
    optional_size, = struct.unpack_from("<H", data, pe + 20)
    optional = pe + 24
    if optional + optional_size > len(data) or optional_size < 64:
        raise PeError("optional header cut short")
    headers_size, = struct.unpack_from("<I", data, optional + 60)
    table = optional + optional_size
    if table + 40 * count > len(data):
        raise PeError("section table cut short")
    sections = []
    for i in range(count):
        raw = data[table + 40 * i: table + 40 * (i + 1)]
        name = raw[:8].rstrip(b"\0").decode("ascii", "replace")
        vsize, vaddr, rsize, roff = struct.unpack_from("<IIII", raw, 8)
        if roff + rsize > len(data):
            raise PeError("section %s lies beyond the file" % name)
        sections.append((name, vsize, vaddr, rsize, roff))
    return sections, headers_size


def resources_by_type(data, sections):
    """{type name: bytes of its data entries}; empty when there is no .rsrc."""
    rsrc = next((s for s in sections if s[0] == ".rsrc"), None)
    if not rsrc:
        return {}
    _, vsize, vaddr, rsize, roff = rsrc
    end = roff + min(vsize, rsize) if vsize else roff + rsize

    def directory(offset):
        if offset + 16 > end - roff:
            raise PeError("resource directory beyond .rsrc")
        named, ids = struct.unpack_from("<HH", data, roff + offset + 12)
        for i in range(named + ids):
            at = roff + offset + 16 + 8 * i
            if at + 8 > end:
                raise PeError("resource entry beyond .rsrc")
            yield struct.unpack_from("<II", data, at)

    def leaves(offset, depth):
        if depth > 3:
            raise PeError("resource directory nested too deep")
        total = 0
        for _, target in directory(offset):
            if target & 0x80000000:
                total += leaves(target & 0x7FFFFFFF, depth + 1)
            else:
                if roff + target + 16 > end:
                    raise PeError("resource data entry beyond .rsrc")
                total += struct.unpack_from("<I", data, roff + target + 4)[0]
        return total

    sizes = {}
    for name_or_id, target in directory(0):
        if name_or_id & 0x80000000:
            at = roff + (name_or_id & 0x7FFFFFFF)
            length, = struct.unpack_from("<H", data, at)
            kind = data[at + 2: at + 2 + 2 * length].decode("utf-16-le", "replace")
        else:
            kind = RESOURCE_TYPES.get(name_or_id, "type %d" % name_or_id)
        size = leaves(target & 0x7FFFFFFF, 1) if target & 0x80000000 else 0
        sizes[kind] = sizes.get(kind, 0) + size
    return sizes


def figures(path):
    with open(path, "rb") as f:
        data = f.read()
    sections, _ = read_sections(data)
    code = sum(s[3] for s in sections if s[0] == ".text")
    resources = sum(s[3] for s in sections if s[0] == ".rsrc")
    other = sum(s[3] for s in sections if s[0] not in (".text", ".rsrc"))
    return {
        "file": len(data), "code": code, "data": other, "resources": resources,
        "headers": len(data) - code - other - resources,
        "by_type": resources_by_type(data, sections),
    }


def check(path):
    """The section table against objdump's: names, virtual sizes and addresses."""
    with open(path, "rb") as f:
        data = f.read()
    sections, _ = read_sections(data)
    objdump = os.environ.get("OBJDUMP", "i686-w64-mingw32-objdump")
    out = subprocess.run([objdump, "-h", path], check=True, capture_output=True, text=True).stdout
    theirs = [(m.group(1), int(m.group(2), 16), int(m.group(3), 16))
              for m in re.finditer(r"^\s*\d+\s+(\S+)\s+([0-9a-f]+)\s+([0-9a-f]+)\s", out, re.M)]
    base = min(t[2] for t in theirs) - min(s[2] for s in sections) if theirs and sections else 0
    ours = [(s[0][:8], s[1], s[2] + base) for s in sections]
    theirs = [(t[0][:8], t[1], t[2]) for t in theirs]
    ok = ours == theirs
    f = figures(path)
    if f["code"] + f["data"] + f["resources"] + f["headers"] != f["file"] or f["headers"] <= 0:
        ok = False
    if f["resources"] and sum(f["by_type"].values()) > f["resources"]:
        ok = False
    print(("ok    " if ok else "FAIL  ") + "%s: %d sections%s" % (
        os.path.basename(path), len(sections), "" if ok else "\n  read: %s\n  objdump: %s" % (ours, theirs)))
    return ok


def check_resource(path, kind, files):
    got = figures(path)["by_type"].get(kind, 0)
    want = sum(os.path.getsize(f) - (14 if f.lower().endswith(".bmp") else 0) for f in files)
    ok = bool(files) and got == want
    print(("ok    " if ok else "FAIL  ") + "%s: %s %d bytes, from the files %d" % (os.path.basename(path), kind, got, want))
    return ok


def main(argv):
    if len(argv) > 1 and argv[1] == "--check":
        results = [check(p) for p in argv[2:]]
        return 0 if results and all(results) else 1
    if len(argv) > 4 and argv[1] == "--resource":
        return 0 if check_resource(argv[2], argv[3], argv[4:]) else 1
    for path in argv[1:]:
        f = figures(path)
        kinds = " ".join("%s=%d" % (k.replace(" ", "_"), v) for k, v in sorted(f["by_type"].items(), key=lambda kv: -kv[1]))
        print("SIZES %s file=%d code=%d data=%d resources=%d headers=%d %s" % (
            os.path.basename(path), f["file"], f["code"], f["data"], f["resources"], f["headers"], kinds))
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main(sys.argv))
    except (OSError, PeError, subprocess.CalledProcessError) as e:
        print("pe_sizes: %s" % e, file=sys.stderr)
        sys.exit(2)

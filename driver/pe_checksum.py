#!/usr/bin/env python3
"""Writes the PE image checksum into a linked driver image (the linker leaves
it 0; the kernel's loader may check it for drivers)."""
import struct
import sys


def main(path):
    with open(path, 'rb') as f:
        data = bytearray(f.read())
    pe = struct.unpack_from('<I', data, 0x3C)[0]
    if data[pe:pe + 4] != b'PE\0\0':
        sys.exit('%s: not a PE image' % path)
    field = pe + 24 + 64   # OptionalHeader.CheckSum
    struct.pack_into('<I', data, field, 0)
    padded = data + b'\0' * (len(data) & 1)
    total = 0
    for (word,) in struct.iter_unpack('<H', padded):
        total += word
        total = (total & 0xFFFF) + (total >> 16)
    total = (total & 0xFFFF) + (total >> 16)
    struct.pack_into('<I', data, field, (total + len(data)) & 0xFFFFFFFF)
    with open(path, 'wb') as f:
        f.write(data)


if __name__ == '__main__':
    main(sys.argv[1])

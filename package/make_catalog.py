#!/usr/bin/env python3
"""Writes the driver package's security catalogue: an unsigned PKCS #7 signed-data
envelope around an empty certificate trust list of the catalogue kind. The
file only has to be present for the INF's CatalogFile entry; the package is not
signed. Run once; the output is kept in the repository.

    package/make_catalog.py package/ZYKE9pin.cat
"""
import sys


def der(tag, body):
    n = len(body)
    if n < 0x80:
        length = bytes([n])
    else:
        raw = n.to_bytes((n.bit_length() + 7) // 8, "big")
        length = bytes([0x80 | len(raw)]) + raw
    return bytes([tag]) + length + body


def oid(text):
    parts = [int(p) for p in text.split(".")]
    out = bytes([40 * parts[0] + parts[1]])
    for p in parts[2:]:
        chunk = [p & 0x7F]
        p >>= 7
        while p:
            chunk.insert(0, 0x80 | (p & 0x7F))
            p >>= 7
        out += bytes(chunk)
    return der(0x06, out)


def seq(*items):
    return der(0x30, b"".join(items))


NULL = der(0x05, b"")
ctl = seq(
    seq(oid("1.3.6.1.4.1.311.12.1.1")),                 # usage: catalogue list
    der(0x04, b"ZYKE9pin-catalog"),                      # list identifier (16 bytes)
    der(0x17, b"090615000000Z"),                         # this update: 15 June 2009
    seq(oid("1.3.6.1.4.1.311.12.1.2"), NULL),            # member hash algorithm
)
signed = seq(
    der(0x02, b"\x01"),                                  # version
    der(0x31, seq(oid("1.3.14.3.2.26"), NULL)),          # digest algorithms: sha1
    seq(oid("1.3.6.1.4.1.311.10.1"), der(0xA0, ctl)),   # content: the trust list
    der(0x31, b""),                                      # no signers
)
content = seq(oid("1.2.840.113549.1.7.2"), der(0xA0, signed))

with open(sys.argv[1], "wb") as f:
    f.write(content)

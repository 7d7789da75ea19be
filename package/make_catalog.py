#!/usr/bin/env python3
"""Writes the driver package's security catalogue from the built files.

    make_catalog.py --inf PACKAGE/Model.inf --hwid USBPRINT\\ZYK... --out PACKAGE/ZYKE9pin.cat

The members are the INF itself and every file its [SourceDisksFiles] copies
from the medium, found beside the INF. Each member is named by its hash as
Windows 7 computes it when it checks a package against its catalogue: SHA-1,
of a program image its Authenticode digest (the image without its checksum
field, its certificate-table directory entry and the certificate table, so
signing an image does not change it), of any other file its bytes.

The file is a PKCS #7 signed-data envelope around a certificate trust list of
the catalogue kind (version 1, the form Windows 7 reads), with no signer; the
release build signs it afterwards with osslsigncode. Python standard library
only.
"""
import argparse
import datetime
import hashlib
import os
import struct
import sys

# Object identifiers of the catalogue format.
OID_SIGNED_DATA = "1.2.840.113549.1.7.2"
OID_SHA1 = "1.3.14.3.2.26"
OID_CTL = "1.3.6.1.4.1.311.10.1"
OID_CATALOG_LIST = "1.3.6.1.4.1.311.12.1.1"
OID_CATALOG_LIST_MEMBER = "1.3.6.1.4.1.311.12.1.2"
OID_CAT_NAMEVALUE = "1.3.6.1.4.1.311.12.2.1"
OID_CAT_MEMBERINFO = "1.3.6.1.4.1.311.12.2.2"
OID_SPC_INDIRECT_DATA = "1.3.6.1.4.1.311.2.1.4"
OID_SPC_PE_IMAGE_DATA = "1.3.6.1.4.1.311.2.1.15"
OID_SPC_CAB_DATA = "1.3.6.1.4.1.311.2.1.25"

# Subject interface packages that hash a member: program images and flat files.
SIP_PE_IMAGE = "{C689AAB8-8E78-11D0-8C47-00C04FC295EE}"
SIP_FLAT_FILE = "{DE351A42-8E59-11D0-8C47-00C04FC295EE}"

# Name-value attributes: authenticated, name and value are text.
NAMEVALUE_FLAGS = 0x10010001
# The platform attribute: NT family, version 6.1 (Windows 7).
OS_ATTR = "2:6.1"


# --- DER ----------------------------------------------------------------------

def der(tag, body):
    n = len(body)
    if n < 0x80:
        length = bytes([n])
    else:
        raw = n.to_bytes((n.bit_length() + 7) // 8, "big")
        length = bytes([0x80 | len(raw)]) + raw
    return bytes([tag]) + length + body


def seq(*items):
    return der(0x30, b"".join(items))


def set_of(*items):
    return der(0x31, b"".join(sorted(items)))   # DER orders a SET OF by encoding


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


def integer(value):
    return der(0x02, value.to_bytes(value.bit_length() // 8 + 1, "big"))


def octets(data):
    return der(0x04, data)


def bmp(text):
    return der(0x1E, text.encode("utf-16-be"))


def utc_time(when):
    return der(0x17, when.strftime("%y%m%d%H%M%SZ").encode("ascii"))


NULL = der(0x05, b"")


def explicit(number, body):
    return der(0xA0 | number, body)


# --- hashes -------------------------------------------------------------------

def pe_layout(data):
    """Offsets of the checksum field and the certificate-table directory entry
    of a PE image, and the certificate table's extent; None for any other file."""
    if len(data) < 0x40 or data[:2] != b"MZ":
        return None
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if pe + 24 + 2 > len(data) or data[pe:pe + 4] != b"PE\0\0":
        return None
    optional = pe + 24
    magic = struct.unpack_from("<H", data, optional)[0]
    if magic == 0x10B:
        directories = optional + 96
    elif magic == 0x20B:
        directories = optional + 112
    else:
        return None
    count = struct.unpack_from("<I", data, directories - 4)[0]
    checksum = optional + 64
    if count < 5:
        return checksum, None, (len(data), len(data))
    entry = directories + 4 * 8
    if entry + 8 > len(data):
        sys.exit("truncated PE image")
    offset, size = struct.unpack_from("<II", data, entry)
    if size == 0:
        offset = len(data)
    if offset + size > len(data) or offset < entry + 8:
        sys.exit("PE image with a certificate table outside the file")
    return checksum, entry, (offset, offset + size)


def member_hash(data):
    """(SHA-1 digest, is a program image) as Windows 7 hashes a catalogue member."""
    layout = pe_layout(data)
    if layout is None:
        return hashlib.sha1(data).digest(), False
    checksum, entry, (cert_start, cert_end) = layout
    h = hashlib.sha1()
    h.update(data[:checksum])
    if entry is None:
        h.update(data[checksum + 4:cert_start])
    else:
        h.update(data[checksum + 4:entry])
        h.update(data[entry + 8:cert_start])
    h.update(data[cert_end:])
    return h.digest(), True


# --- the trust list -----------------------------------------------------------

def name_value(name, value):
    """A catalogue name-value pair; the value is stored as UTF-16LE text with its null."""
    return seq(bmp(name), integer(NAMEVALUE_FLAGS), octets((value + "\0").encode("utf-16-le")))


def attribute(type_oid, value):
    return seq(oid(type_oid), set_of(value))


def member(name, data):
    digest, is_image = member_hash(data)
    if is_image:
        # SpcPeImageData: no flags, the obsolete file link every image signature carries.
        kind = seq(oid(OID_SPC_PE_IMAGE_DATA),
                   seq(der(0x03, b"\x00"), explicit(0, der(0xA2, der(0x80, "<<<Obsolete>>>".encode("utf-16-be"))))))
        sip = SIP_PE_IMAGE
    else:
        # A flat file: an empty file link, as the system's own catalogues carry.
        kind = seq(oid(OID_SPC_CAB_DATA), der(0xA2, der(0x80, b"")))
        sip = SIP_FLAT_FILE
    indirect = seq(kind, seq(seq(oid(OID_SHA1), NULL), octets(digest)))
    # The member's tag: its hash as upper-case hex text in UTF-16LE, as the
    # system's catalogue functions name a hashed member.
    tag = digest.hex().upper().encode("utf-16-le")
    attributes = set_of(
        attribute(OID_CAT_NAMEVALUE, name_value("File", name)),
        attribute(OID_CAT_NAMEVALUE, name_value("OSAttr", OS_ATTR)),
        attribute(OID_CAT_MEMBERINFO, seq(bmp(sip), integer(512))),
        attribute(OID_SPC_INDIRECT_DATA, indirect),
    )
    return tag, seq(octets(tag), attributes)


def catalogue(members, hwids, when):
    entries = sorted(member(name, data) for name, data in members)
    identity = hashlib.md5(b"".join(tag for tag, _ in entries)).digest()   # 16 bytes, like a GUID
    extensions = [seq(oid(OID_CAT_NAMEVALUE), octets(name_value("OSAttr", OS_ATTR)))]
    for i, hwid in enumerate(hwids, 1):
        extensions.append(seq(oid(OID_CAT_NAMEVALUE), octets(name_value("HWID%d" % i, hwid.lower()))))
    ctl = seq(
        seq(oid(OID_CATALOG_LIST)),                    # usage: a catalogue
        octets(identity),                              # list identifier
        utc_time(when),                                # this update
        seq(oid(OID_CATALOG_LIST_MEMBER), NULL),       # members named by hash, version 1
        seq(*(body for _, body in entries)),           # the members
        explicit(0, seq(*extensions)),                 # the catalogue's own attributes
    )
    signed = seq(
        integer(1),                                    # version
        set_of(seq(oid(OID_SHA1), NULL)),              # digest algorithms
        seq(oid(OID_CTL), explicit(0, ctl)),           # content: the trust list
        der(0x31, b""),                                # signers: added by signing
    )
    return seq(oid(OID_SIGNED_DATA), explicit(0, signed))


# --- the package --------------------------------------------------------------

def inf_source_files(text):
    """The file names listed in the INF's [SourceDisksFiles] sections."""
    names, section = [], None
    for raw in text.splitlines():
        line = raw.split(";", 1)[0].strip()
        if line.startswith("[") and line.endswith("]"):
            section = line[1:-1].strip().lower()
            continue
        if section and section.split(".")[0] == "sourcedisksfiles" and "=" in line:
            name = line.split("=", 1)[0].strip().strip('"')
            if name and name not in names:
                names.append(name)
    return names


def read_inf(path):
    raw = open(path, "rb").read()
    if raw.startswith(b"\xff\xfe"):
        return raw, raw[2:].decode("utf-16-le")
    return raw, raw.decode("latin-1")


def main(argv):
    p = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    p.add_argument("--inf", required=True, help="the package's INF; its files are found beside it")
    p.add_argument("--hwid", action="append", default=[], help="a hardware id the INF serves")
    p.add_argument("--out", required=True)
    args = p.parse_args(argv)

    raw, text = read_inf(args.inf)
    folder = os.path.dirname(os.path.abspath(args.inf))
    members = [(os.path.basename(args.inf), raw)]
    for name in inf_source_files(text):
        path = os.path.join(folder, name)
        if not os.path.isfile(path):
            sys.exit("%s: %s lists %s, which is not in %s" % (args.out, args.inf, name, folder))
        with open(path, "rb") as f:
            members.append((name, f.read()))
    if len(members) < 2:
        sys.exit("%s: %s installs no files" % (args.out, args.inf))

    epoch = os.environ.get("SOURCE_DATE_EPOCH")
    when = (datetime.datetime.fromtimestamp(int(epoch), datetime.timezone.utc) if epoch
            else datetime.datetime.now(datetime.timezone.utc))
    data = catalogue(members, args.hwid, when)
    tmp = args.out + ".tmp"
    with open(tmp, "wb") as f:
        f.write(data)
    os.replace(tmp, args.out)


if __name__ == "__main__":
    main(sys.argv[1:])

#!/usr/bin/env python3
"""Checks the driver package's catalogue and a signed build with tools that
are not ours: osslsigncode and openssl.

    package_signing.py cert DIR
        makes a throwaway code-signing certificate: DIR/cert.pem, DIR/key.pem and
        DIR/signing.pfx with the password "throwaway"
    package_signing.py catalogue PACKAGE-DIR INF GPD WORK-DIR
        signs a copy of the built catalogue with a throwaway certificate;
        osslsigncode accepts ZYKE9pin.dll against it and refuses an altered
        copy, and the SHA-1 hashes of the INF and the GPD are among its members
    package_signing.py signed MEDIUM-DIR DRIVER CA-FILE
        every program image, the port driver and the catalogue of a signed
        build verify against CA-FILE; the monitor carries the signed driver
"""
import glob
import hashlib
import os
import re
import shutil
import subprocess
import sys

PASSWORD = "throwaway"
failures = []


def check(ok, what, detail=""):
    print(("ok    " if ok else "FAIL  ") + what)
    if not ok:
        if detail:
            print(detail)
        failures.append(what)


def run(*command):
    return subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)


def make_cert(folder):
    os.makedirs(folder, exist_ok=True)
    key, cert, pfx = (os.path.join(folder, n) for n in ("key.pem", "cert.pem", "signing.pfx"))
    for command in (
        ["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-sha256", "-days", "2",
         "-subj", "/O=ZYK Electronics/CN=Throwaway code signing", "-keyout", key, "-out", cert,
         "-addext", "extendedKeyUsage=codeSigning", "-addext", "keyUsage=critical,digitalSignature"],
        ["openssl", "pkcs12", "-export", "-inkey", key, "-in", cert, "-out", pfx, "-passout", "pass:" + PASSWORD],
    ):
        result = run(*command)
        if result.returncode != 0:
            sys.exit("cannot make the throwaway certificate:\n" + result.stdout)
    return cert, pfx


def verify(cafile, path, catalogue=None):
    command = ["osslsigncode", "verify", "-CAfile", cafile]
    if catalogue:
        command += ["-catalog", catalogue]
    return run(*(command + ["-in", path]))


def twenty_byte_strings(catalogue):
    """Every 20-byte OCTET STRING in the file, as openssl reads it (upper-case hex)."""
    dump = run("openssl", "asn1parse", "-inform", "DER", "-in", catalogue)
    if dump.returncode != 0:
        sys.exit("openssl cannot read %s:\n%s" % (catalogue, dump.stdout))
    return set(re.findall(r"l=\s*20 prim: OCTET STRING\s+\[HEX DUMP\]:([0-9A-F]{40})", dump.stdout))


def catalogue_check(package, inf, gpd, work):
    shutil.rmtree(work, ignore_errors=True)
    cert, pfx = make_cert(work)
    unsigned = os.path.join(work, "unsigned.cat")
    signed = os.path.join(work, "ZYKE9pin.cat")
    shutil.copy(os.path.join(package, "ZYKE9pin.cat"), unsigned)
    result = run("osslsigncode", "sign", "-pkcs12", pfx, "-pass", PASSWORD, "-h", "sha1",
                 "-in", unsigned, "-out", signed)
    check(result.returncode == 0, "osslsigncode signs the built catalogue", result.stdout)

    dll = os.path.join(package, "ZYKE9pin.dll")
    result = verify(cert, dll, signed)
    check(result.returncode == 0 and "File is signed in catalog" in result.stdout,
          "osslsigncode verify -catalog accepts ZYKE9pin.dll", result.stdout)
    altered = os.path.join(work, "ZYKE9pin.dll")
    data = bytearray(open(dll, "rb").read())
    data[len(data) // 2] ^= 0xFF
    open(altered, "wb").write(data)
    result = verify(cert, altered, signed)
    check(result.returncode != 0, "osslsigncode verify -catalog refuses an altered ZYKE9pin.dll", result.stdout)

    members = twenty_byte_strings(unsigned)
    for name in (inf, gpd):
        digest = hashlib.sha1(open(os.path.join(package, name), "rb").read()).hexdigest().upper()
        check(digest in members, "the SHA-1 of %s is among the catalogue's members" % name, sorted(members))


def signed_check(medium, driver, cafile):
    images = sorted(glob.glob(os.path.join(medium, "*.exe")) + glob.glob(os.path.join(medium, "*.dll")) +
                    glob.glob(os.path.join(medium, "PGW", "*.exe")))
    names = [os.path.basename(p) for p in images]
    check({"setup.exe", "Uninstall.exe", "ZYKE9pin.dll"} <= set(names) and len(images) == 4,
          "the medium carries setup.exe, Uninstall.exe, ZYKE9pin.dll and the monitor", names)
    for path in images + [driver]:
        result = verify(cafile, path)
        check(result.returncode == 0 and "Number of verified signatures: 2" in result.stdout,
              "%s verifies, signed with SHA-1 and SHA-256" % os.path.relpath(path, os.path.dirname(medium)),
              result.stdout)
    catalogue = os.path.join(medium, "ZYKE9pin.cat")
    result = verify(cafile, catalogue)
    check(result.returncode == 0, "the catalogue verifies", result.stdout)
    result = verify(cafile, os.path.join(medium, "ZYKE9pin.dll"), catalogue)
    check(result.returncode == 0 and "File is signed in catalog" in result.stdout,
          "ZYKE9pin.dll verifies against the signed catalogue", result.stdout)
    image = open(driver, "rb").read()
    monitor = [p for p in images if os.path.dirname(p).endswith("PGW")]
    check(len(monitor) == 1 and image in open(monitor[0], "rb").read(),
          "the monitor carries the signed port driver")


def main(argv):
    if len(argv) == 2 and argv[0] == "cert":
        make_cert(argv[1])
        return 0
    if len(argv) == 5 and argv[0] == "catalogue":
        catalogue_check(*argv[1:])
    elif len(argv) == 4 and argv[0] == "signed":
        signed_check(*argv[1:])
    else:
        sys.exit(__doc__)
    print("%d failed" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))

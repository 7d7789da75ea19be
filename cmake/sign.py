#!/usr/bin/env python3
"""Signs program images and the driver package's catalogue in place with
osslsigncode, for a release build.

    sign.py --osslsigncode EXE --pfx FILE [--timestamp URL] FILE...
    sign.py --osslsigncode EXE --pfx FILE [--timestamp URL] --link LINK-COMMAND...

The second form runs a link command and then signs the file it wrote (-o), so
an image is signed as part of its own build step. The PFX's password comes
from the environment (PW_SIGN_PASSWORD, may be empty) at build time and
reaches osslsigncode through a pipe, never on a command line.

A program image gets a SHA-1 signature, which every Windows 7 SP1 verifies
(its kernel and driver-package checks read SHA-2 ones only with the SHA-2
code-signing update), and a nested SHA-256 one for the systems that refuse
SHA-1. A catalogue (.cat) gets the SHA-1 signature only, which the package
check reads.
"""
import argparse
import os
import subprocess
import sys


def osslsigncode(args, extra, path):
    password = os.environ.get("PW_SIGN_PASSWORD")
    if password is None:
        sys.exit("sign.py: PW_SIGN_PASSWORD is not set (the password of %s; empty for none)" % args.pfx)
    command = [args.osslsigncode, "sign", "-pkcs12", args.pfx, "-n", "ZYK Electronics Printer Software", *extra]
    passed = ()
    if password:
        read_end, write_end = os.pipe()
        os.write(write_end, password.encode())   # a password fits the pipe's buffer
        os.close(write_end)
        command += ["-readpass", "/dev/fd/%d" % read_end]
        passed = (read_end,)
    if args.timestamp:
        command += ["-t", args.timestamp]
    tmp = path + ".signing"
    command += ["-in", path, "-out", tmp]
    try:
        result = subprocess.run(command, pass_fds=passed, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    finally:
        for fd in passed:
            os.close(fd)
    if result.returncode != 0:
        if os.path.exists(tmp):
            os.remove(tmp)
        sys.exit("sign.py: signing %s failed:\n%s" % (path, result.stdout))
    os.replace(tmp, path)


def sign(args, path):
    if path.lower().endswith(".cat"):
        osslsigncode(args, ["-h", "sha1"], path)
    else:
        osslsigncode(args, ["-h", "sha1"], path)
        osslsigncode(args, ["-h", "sha256", "-nest"], path)


def main(argv):
    link = argv[argv.index("--link") + 1:] if "--link" in argv else None
    if link is not None:
        argv = argv[:argv.index("--link")]
    p = argparse.ArgumentParser()
    p.add_argument("--osslsigncode", required=True)
    p.add_argument("--pfx", required=True)
    p.add_argument("--timestamp", default="")
    p.add_argument("files", nargs="*")
    args = p.parse_args(argv)
    if link is not None:
        if subprocess.call(link) != 0:
            return 1
        if "-o" not in link[:-1]:
            sys.exit("sign.py: the link command names no output (-o)")
        sign(args, link[link.index("-o") + 1])
    for path in args.files:
        sign(args, path)
    return 0

if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))

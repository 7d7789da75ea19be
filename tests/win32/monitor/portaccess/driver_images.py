"""The two images of the port driver keep apart what only the test build needs,
and both are stripped.

  driver_images.py <hwinterface.sys> <hwinterface_test.sys> <production source>...

The production image reaches the ports through the HAL and carries nothing of
the played ports (no registry writes, none of their functions, none of their
value names); the test build is the control that these are visible at all: it
has them and no HAL port function. What each image links comes from its link
map (<image>.map), as the images carry no symbol table. The production sources carry no
conditional that could weave a test build into them. Prints each check; the
exit code is the number of failures.
"""
import re
import struct
import subprocess
import sys

# The production image reads the system's device keys, but writes no value.
PLAYED_IMPORTS = {"ZwOpenKey", "ZwQueryValueKey", "ZwSetValueKey"}
PLAYED_WRITES = {"ZwSetValueKey"}
HAL_PORTS = {"READ_PORT_UCHAR", "WRITE_PORT_UCHAR"}
PLAYED_NAMES = [b"SequenceIndex", b"WriteCount", b"Written", b"ParallelPorts", b"CallerMayWrite"]

failures = 0


def check(ok, what):
    global failures
    print(("ok    " if ok else "FAIL  ") + what)
    if not ok:
        failures += 1


def imported(path):
    out = subprocess.run(["i686-w64-mingw32-objdump", "-p", path], capture_output=True, text=True,
                         check=True).stdout
    names = set()
    inside = False
    for line in out.splitlines():
        if re.match(r"\s*DLL Name: ", line):
            inside = True
        elif inside and re.match(r"\t[0-9a-fA-F]+\s+\d+\s+\S+", line):
            names.add(line.split()[-1])
        elif not line.strip():
            inside = False
    return names


def functions(path):
    """The global functions the link placed in the image, from its link map."""
    text = open(path + ".map").read()
    return {m.group(1) for m in re.finditer(r"^\s+0x[0-9a-fA-F]+\s+_?([A-Za-z_]\w*)\s*$", text, re.M)}


def symbol_table(data):
    """(pointer, count) of the COFF symbol table in a PE image's file header."""
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    return struct.unpack_from("<II", data, pe + 4 + 8)


def played(symbols):
    return sorted(s for s in symbols if "played" in s.lower())


def main(production, test, sources):
    prod_imports, test_imports = imported(production), imported(test)
    prod_functions, test_functions = functions(production), functions(test)
    prod_bytes, test_bytes = open(production, "rb").read(), open(test, "rb").read()

    for name, data in (("hwinterface.sys", prod_bytes), ("hwinterface_test.sys", test_bytes)):
        check(symbol_table(data) == (0, 0), f"{name} carries no symbol table")
    check(HAL_PORTS <= prod_imports, "hwinterface.sys reads and writes ports through hal.dll")
    check(not (PLAYED_WRITES & prod_imports), "hwinterface.sys writes no registry value" +
          "".join("; not " + f for f in sorted(PLAYED_WRITES & prod_imports)))
    check(not played(prod_functions), "hwinterface.sys links nothing of the played ports" +
          "".join("; not " + f for f in played(prod_functions)))
    check(not [n for n in PLAYED_NAMES if n in prod_bytes], "hwinterface.sys names none of the played values")

    check(PLAYED_IMPORTS <= test_imports, "hwinterface_test.sys keeps its ports under its service key")
    check({"hwi_played_read", "hwi_played_write"} <= set(played(test_functions)),
          "hwinterface_test.sys links the played ports")
    check(all(n in test_bytes for n in PLAYED_NAMES), "hwinterface_test.sys names the played values")
    check(not (HAL_PORTS & test_imports), "hwinterface_test.sys touches no hardware port")

    for source in sources:
        text = open(source).read()
        conditionals = re.findall(r"^\s*#\s*(?:if|ifdef|ifndef|elif)\b.*$", text, re.M)
        check(not conditionals, f"{source.rsplit('/', 1)[-1]} has no conditional build branch" +
              "".join("; not " + c.strip() for c in conditionals))
    return failures


if __name__ == "__main__":
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    sys.exit(main(sys.argv[1], sys.argv[2], sys.argv[3:]))

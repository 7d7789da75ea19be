"""Checks of the built Windows programs and of the installation medium.

  pwcheck.py programs <setup.exe> <Pagewarden.exe> <model index> [<Uninstall.exe>]
  pwcheck.py medium <medium dir> <medium zip> <model index>
  pwcheck.py imports <missing-functions list> [--driver <driver.sys>]... <program or dll>...

Each check prints what it found; the exit code is the number of failures.
"""
import os
import re
import subprocess
import sys
import zipfile

TOP = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# DLLs a bare 32-bit Windows 7 has; nothing else may be imported (uuid and
# wbemuuid are static libraries, and no api-ms-win-* set exists there).
SYSTEM_DLLS = {
    "kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "shell32.dll", "comctl32.dll",
    "ole32.dll", "oleaut32.dll", "winspool.drv", "setupapi.dll", "msvcrt.dll", "shlwapi.dll",
    "comdlg32.dll", "version.dll", "psapi.dll", "wintrust.dll",
}

# What the port driver may import: kernel and HAL functions that Windows 7 x86
# exports, each listed with the reason we know it (the file says why).
KERNEL_LIST = os.path.join(TOP, "tests", "win32", "programs", "windows7-kernel-functions.txt")


def load_kernel_exports(path=KERNEL_LIST):
    """{"ntoskrnl.exe"/"hal.dll": {function}} of the "dll function  # reason" list."""
    exports = {"ntoskrnl.exe": set(), "hal.dll": set()}
    for line in open(path):
        line = line.split("#", 1)[0].strip()
        if line:
            dll, function = line.split()
            exports[{"ntoskrnl": "ntoskrnl.exe", "hal": "hal.dll"}[dll.lower()]].add(function)
    return exports


failures = 0


def check(ok, what):
    global failures
    print(("ok    " if ok else "FAIL  ") + what)
    if not ok:
        failures += 1


def catalogue_tables():
    text = open(os.path.join(TOP, "catalogue", "Catalogue.h")).read()
    text += open(os.path.join(TOP, "catalogue", "MonitorCatalogue.h")).read()
    tables = {}
    for name, body in re.findall(r"(k\w+)\[kModelCount\] = \{(.*?)\};", text, re.S):
        items = [s.encode().decode("unicode_escape") for s in re.findall(r'"((?:[^"\\]|\\.)*)"', body)]
        tables[name] = items
    return tables


def c_strings(path):
    """Every NUL-terminated ASCII string of the file."""
    data = open(path, "rb").read()
    return set(s.decode("ascii") for s in re.findall(rb"[\x20-\x7e]{3,}(?=\x00)", data)), data


def imports(path):
    out = subprocess.run(["i686-w64-mingw32-objdump", "-p", path], capture_output=True, text=True).stdout
    return sorted(set(m.lower() for m in re.findall(r"DLL Name: (\S+)", out))), out


def imported_functions(path):
    """{dll (lower case): [function name or "#ordinal"]} from the import table."""
    out = subprocess.run(["i686-w64-mingw32-objdump", "-p", path], capture_output=True, text=True).stdout
    table = {}
    dll = None
    for line in out.splitlines():
        m = re.match(r"\s*DLL Name: (\S+)", line)
        if m:
            dll = m.group(1).lower()
            table.setdefault(dll, [])
            continue
        if dll is None:
            continue
        if not line.strip() or not line.startswith("\t"):
            dll = None if not line.strip() else dll
            continue
        # "\t<thunk>\t  <hint or ordinal>  <name>"; by ordinal the name is "<none>".
        m = re.match(r"\t[0-9a-fA-F]+\s+(\d+)\s+(\S+)", line)
        if m:
            table[dll].append("#" + m.group(1) if m.group(2) == "<none>" else m.group(2))
    return table


def load_missing(path):
    """{(dll without extension, function)} of a "dll function" list; # starts a comment."""
    missing = set()
    for line in open(path):
        line = line.split("#", 1)[0].strip()
        if line:
            dll, function = line.split()
            missing.add((dll.lower(), function))
    return missing


def check_imports(path, missing):
    name = os.path.basename(path)
    if not os.path.isfile(path):
        check(False, f"{name} exists")
        return
    table = imported_functions(path)
    check(bool(table), f"{name} has an import table")
    for dll, functions in sorted(table.items()):
        check(dll in SYSTEM_DLLS and not dll.startswith("api-ms-win-"),
              f"{name} imports {dll}, a DLL of a bare Windows 7")
        stem = os.path.splitext(dll)[0]
        late = sorted(f for f in functions if (stem, f) in missing)
        check(not late, f"{name} imports from {dll} only what Windows 7 exports" +
              "".join(f"; not {dll} {f}" for f in late))


def check_driver_imports(path):
    name = os.path.basename(path)
    if not os.path.isfile(path):
        check(False, f"{name} exists")
        return
    table = imported_functions(path)
    check(bool(table), f"{name} has an import table")
    kernel = load_kernel_exports()
    for dll, functions in sorted(table.items()):
        allowed = kernel.get(dll)
        if allowed is None:
            check(False, f"{name} imports {dll}, which is neither ntoskrnl.exe nor hal.dll")
            continue
        other = sorted(f for f in functions if f not in allowed)
        check(not other, f"{name} imports from {dll} only listed Windows 7 x86 functions" +
              "".join(f"; not {dll} {f}" for f in other))


def imports_mode(args):
    missing = load_missing(args[0])
    check(len(missing) > 100, f"{len(missing)} functions that Windows 7 lacks are listed")
    rest = args[1:]
    while rest:
        if rest[0] == "--driver":
            check_driver_imports(rest[1])
            rest = rest[2:]
        else:
            check_imports(rest[0], missing)
            rest = rest[1:]


# The Windows 7 entry of a manifest's supportedOS list.
WINDOWS7_OS_ID = b"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}"


def check_image_flags(path, dump, data):
    """What every shipped GUI program carries: the terminal-server-aware flag
    and its manifest's Windows 7 entry."""
    name = os.path.basename(path)
    check("TERMINAL_SERVICE_AWARE" in dump, f"{name} is terminal-server aware")
    check(WINDOWS7_OS_ID in data, f"{name}'s manifest names Windows 7 as a supported system")


def check_program(path, index, columns, manifest_word):
    name = os.path.basename(path)
    check(os.path.isfile(path), f"{name} exists")
    if not os.path.isfile(path):
        return
    desc = subprocess.run(["file", "-b", path], capture_output=True, text=True).stdout
    check("PE32 executable" in desc and "GUI" in desc and "80386" in desc, f"{name} is a PE32 i386 GUI program ({desc.strip()})")
    dlls, dump = imports(path)
    extra = [d for d in dlls if d not in SYSTEM_DLLS]
    check(not extra, f"{name} imports only system DLLs ({', '.join(dlls)})" + (f"; not: {extra}" if extra else ""))
    m = re.search(r"MajorSubsystemVersion\s+(\d+)", dump)
    strings, data = c_strings(path)
    check(manifest_word.encode() in data, f"{name} carries its manifest ({manifest_word})")
    check("FileDescription".encode("utf-16-le") in data, f"{name} carries a version resource")
    check_image_flags(path, dump, data)
    tables = catalogue_tables()
    for column in columns:
        rows = tables[column]
        mine = rows[index]
        check(mine in strings, f"{name} holds {column} of row {index}: {mine!r}")
        others = sorted(set(r for i, r in enumerate(rows) if r != mine and r in strings))
        check(not others, f"{name} holds no other row's {column}" + (f" (found {others})" if others else ""))


def programs(setup, monitor, index, uninstall=None):
    check_program(setup, index,
                  ["kModelName", "kModelUsbSerial", "kModelShareName", "kModelKey", "kModelInfFile", "kModelGpdFile"],
                  "requireAdministrator")
    check_program(monitor, index, ["kModelName", "kModelUsbSerial", "kModelMutexName"], "asInvoker")
    # The installer never carries the monitor's lock names.
    if os.path.isfile(setup):
        strings, _ = c_strings(setup)
        found = [m for m in catalogue_tables()["kModelMutexName"] if m in strings]
        check(not found, "setup.exe carries no monitor lock name")
    if uninstall is not None:
        check(os.path.isfile(uninstall), f"{os.path.basename(uninstall)} exists")
        if os.path.isfile(uninstall):
            check_image_flags(uninstall, imports(uninstall)[1], open(uninstall, "rb").read())


def medium(folder, archive, index):
    t = catalogue_tables()
    key, gpd, inf = t["kModelKey"][index], t["kModelGpdFile"][index], t["kModelInfFile"][index]
    expected = sorted(["setup.exe", gpd, inf, "ZYKE9pin.cat", "ZYKE9pin.dll", "Uninstall.exe", "README.TXT",
                       "PGW/" + key + ".exe"])
    found = sorted(os.path.relpath(os.path.join(d, f), folder).replace(os.sep, "/")
                   for d, _, files in os.walk(folder) for f in files)
    check(found == expected, f"medium folder holds exactly {expected}" + ("" if found == expected else f"; found {found}"))
    # The installer copies *.GPD *.DLL *.INF *.HLP *.CAT *.EXE from the top level.
    top = [f for f in found if "/" not in f]
    staged = [f for f in top if os.path.splitext(f)[1].upper() in (".GPD", ".DLL", ".INF", ".HLP", ".CAT", ".EXE")]
    check(gpd in staged and inf in staged and "ZYKE9pin.dll" in staged and "Uninstall.exe" in staged,
          "driver package files lie at the top level where the installer copies them from")
    if os.path.isfile(archive):
        names = sorted(n.lstrip("./") for n in zipfile.ZipFile(archive).namelist() if not n.endswith("/"))
        check(names == expected, f"zip {os.path.basename(archive)} holds the same files" + ("" if names == expected else f"; found {names}"))
    else:
        check(False, f"zip {archive} exists")
    inf_text = open(os.path.join(folder, inf), "rb").read().decode("latin-1") if os.path.isfile(os.path.join(folder, inf)) else ""
    check(gpd in inf_text and "ZYKE9pin.cat" in inf_text, f"{inf} names {gpd} and its catalogue")
    programs(os.path.join(folder, "setup.exe"), os.path.join(folder, "PGW", key + ".exe"), index,
             os.path.join(folder, "Uninstall.exe"))


if __name__ == "__main__":
    mode = sys.argv[1]
    if mode == "programs":
        programs(sys.argv[2], sys.argv[3], int(sys.argv[4]), sys.argv[5] if len(sys.argv) > 5 else None)
    elif mode == "medium":
        medium(sys.argv[2], sys.argv[3], int(sys.argv[4]))
    elif mode == "imports":
        imports_mode(sys.argv[2:])
    else:
        sys.exit(f"unknown check {mode}")
    print(f"{failures} failed")
    sys.exit(min(failures, 100))

#!/usr/bin/env python3
"""Fails when a program imports a DLL function that is not on the list of functions Windows XP and
Server 2003 export (xp_imports.txt). Such a program does not load there at all.

usage: check_imports.py OBJDUMP ALLOWED_LIST[,ALLOWED_LIST...] PROGRAM...
A list may also be a module-definition file (.def): the exports of its LIBRARY, such as python25.dll's
that the Python modules use.
"""
import re
import subprocess
import sys

IMPORT_LINE = re.compile(r"^\s+[0-9a-fA-F]+\s+\d+\s+(\S+)\s*$")


def read_definition(path, allowed):
    dll = None
    exports = False
    with open(path) as listing:
        for line in listing:
            words = line.split(";", 1)[0].split()
            if not words:
                continue
            if words[0] == "LIBRARY":
                dll = words[1].lower()
            elif words[0] == "EXPORTS":
                exports = True
            elif exports and dll is not None:
                allowed.setdefault(dll, set()).add(words[0])
    return allowed


def read_allowed(path, allowed):
    if path.endswith(".def"):
        return read_definition(path, allowed)
    dll = None
    with open(path) as listing:
        for line in listing:
            line = line.strip()
            if not line or line.startswith("#"):
                continue
            if line.startswith("[") and line.endswith("]"):
                dll = line[1:-1].lower()
                allowed.setdefault(dll, set())
            elif dll is None:
                raise SystemExit(f"{path}: {line!r} before any [dll] section")
            else:
                allowed[dll].add(line)
    return allowed


def read_imports(objdump, program):
    """(dll, function) pairs of the program's import table; ordinal-only imports as '#ordinal'."""
    dump = subprocess.run([objdump, "-p", program], check=True, capture_output=True, text=True).stdout
    imports = []
    dll = None
    for line in dump.splitlines():
        if "DLL Name:" in line:
            dll = line.split("DLL Name:", 1)[1].strip().lower()
            continue
        if dll is None:
            continue
        if not line.strip():
            dll = None
            continue
        match = IMPORT_LINE.match(line)
        if match:
            imports.append((dll, match.group(1)))
        elif re.match(r"^\s+[0-9a-fA-F]+\s+<none>\s+[0-9a-fA-F]+", line):
            imports.append((dll, "#" + line.split()[-1]))
    return imports


def main():
    if len(sys.argv) < 4:
        raise SystemExit(__doc__)
    objdump, allowed_paths, programs = sys.argv[1], sys.argv[2], sys.argv[3:]
    allowed = {}
    for path in allowed_paths.split(","):
        read_allowed(path, allowed)
    failed = False
    for program in programs:
        imports = read_imports(objdump, program)
        if not imports:
            print(f"{program}: no import table found")
            failed = True
        for dll, function in imports:
            if function not in allowed.get(dll, ()):
                print(f"{program}: imports {dll}!{function}, which is not known on Windows XP and Server 2003")
                failed = True
        print(f"{program}: {len(imports)} imports checked")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())

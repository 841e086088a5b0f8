#!/usr/bin/env python3
"""Compares the functions a Windows program imports with an allow-list.

Usage: check_imports.py ALLOW-LIST PROGRAM... [--stamp FILE]

The allow-list holds one "DLL!Function" a line; "#" starts a comment (the
oldest system that exports the function). Every import of every program
must be on it (DLL names without regard to case); anything else is named and
the check fails. With --stamp, FILE is written when all programs pass.
"""
import struct
import sys


def read_allow_list(path):
    allowed = set()
    with open(path, encoding="utf-8") as f:
        for line in f:
            entry = line.split("#", 1)[0].strip()
            if not entry:
                continue
            dll, _, name = entry.partition("!")
            allowed.add((dll.lower(), name))
    return allowed


def imports_of(path):
    """The (dll, function) pairs of the program's import table; ordinals as '#n'."""
    with open(path, "rb") as f:
        data = f.read()
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise ValueError(f"{path}: not a PE file")
    sections, optional_size = struct.unpack_from("<2xH12xH", data, pe + 4)
    optional = pe + 24
    magic = struct.unpack_from("<H", data, optional)[0]
    wide = magic == 0x20B
    directories = optional + (112 if wide else 96)
    import_rva, import_size = struct.unpack_from("<II", data, directories + 8)
    table = optional + optional_size
    spans = []
    for i in range(sections):
        size, rva, raw_size, raw = struct.unpack_from("<8xIIII", data, table + 40 * i)
        spans.append((rva, max(size, raw_size), raw))

    def offset(rva):
        for start, size, raw in spans:
            if start <= rva < start + size:
                return rva - start + raw
        raise ValueError(f"{path}: address {rva:#x} lies in no section")

    def text(rva):
        at = offset(rva)
        return data[at:data.index(b"\0", at)].decode("ascii")

    found = []
    if not import_rva:
        return found
    at = offset(import_rva)
    while True:
        lookup, _, _, name_rva, thunks = struct.unpack_from("<IIIII", data, at)
        if not name_rva:
            break
        dll = text(name_rva)
        entry = offset(lookup or thunks)
        step, ordinal_bit = (8, 1 << 63) if wide else (4, 1 << 31)
        while True:
            value = struct.unpack_from("<Q" if wide else "<I", data, entry)[0]
            if not value:
                break
            if value & ordinal_bit:
                found.append((dll, "#%d" % (value & 0xFFFF)))
            else:
                found.append((dll, text((value & 0x7FFFFFFF) + 2)))
            entry += step
        at += 20
    return found


def main(argv):
    stamp = None
    if "--stamp" in argv:
        i = argv.index("--stamp")
        stamp = argv[i + 1]
        argv = argv[:i] + argv[i + 2:]
    if len(argv) < 2:
        print(__doc__, file=sys.stderr)
        return 2
    allowed = read_allow_list(argv[0])
    failed = False
    for program in argv[1:]:
        extra = [(dll, name) for dll, name in imports_of(program) if (dll.lower(), name) not in allowed]
        for dll, name in extra:
            print(f"{program}: imports {dll}!{name}, which is not on the allow-list {argv[0]}; "
                  "look it up at run time (common/system_api.*) or, if Windows 95 and NT 3.51 both "
                  "export it, add it to the list with its oldest system", file=sys.stderr)
        failed = failed or bool(extra)
    if failed:
        return 1
    if stamp:
        with open(stamp, "w") as f:
            f.write("imports checked\n")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))

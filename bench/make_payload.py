#!/usr/bin/env python3
"""Writes a product folder of about SIZE MiB for the benchmark, the same for
the same size on every run (a fixed seed): many small text files of 4 to
200 KB with varied content (prose, source code, tables, markup) in deep
folders, beside a few large files of random bytes that do not compress, and
a few empty folders. Paths stay short enough for every peer (minizip's
miniunz takes names of up to 255 bytes; the install folder comes before them).
A size of nCOUNT (n10000) writes instead COUNT text files of 1 KB each in a
shallow tree of twenty folders, two levels deep, as a product of many small
files lays them out.

    make_payload.py SIZE-MIB|nCOUNT FOLDER

Prints the number of files, folders and bytes written."""
import math
import os
import random
import sys

MIB = 1024 * 1024
TEXT_SHARE = 0.55          # of the bytes: text; the rest does not compress
MAX_RELATIVE_PATH = 150    # characters of a path inside the product folder
EPOCH = 1704067200         # 2024-01-01: the files' times, plus up to a year

WORDS = ("setup install folder value window table index record number option system program file "
         "data version update module service device driver network buffer stream reader writer "
         "object entry handle thread process memory region layout button cursor status result "
         "error warning message detail summary section chapter figure report account customer "
         "order invoice payment amount balance region country market product price quantity").split()
IDENTS = ("count size offset length index buffer result status handle flags state context owner "
          "parent child node next prev first last begin end value key name path item list map").split()
FOLDER_NAMES = ("src include detail impl common platform win32 x86 resources locale plugins data themes "
                "icons docs examples tests generated v2 internal shared assets fonts sounds maps").split()
TEXT_EXTS = (".txt", ".h", ".cpp", ".xml", ".json", ".html", ".css", ".js", ".md", ".csv", ".po")
BIN_EXTS = (".bin", ".dat", ".pak", ".dll", ".res")


def prose(rng, n):
    out, size = [], 0
    while size < n:
        words = rng.choices(WORDS, k=rng.randint(6, 18))
        line = " ".join(words).capitalize() + rng.choice((".", ".", ",", ";", "?")) + "\n"
        if rng.random() < 0.1:
            line += "\n"
        out.append(line)
        size += len(line)
    return "".join(out)


def code(rng, n):
    out, size, depth = [], 0, 0
    while size < n:
        r = rng.random()
        if r < 0.15 and depth < 5:
            line = "  " * depth + "if (%s %s %d) {\n" % (rng.choice(IDENTS), rng.choice(("<", ">", "==", "!=")),
                                                         rng.randint(0, 4096))
            depth += 1
        elif r < 0.3 and depth > 0:
            depth -= 1
            line = "  " * depth + "}\n"
        elif r < 0.4:
            line = "  " * depth + "// %s\n" % " ".join(rng.choices(WORDS, k=rng.randint(3, 10)))
        else:
            line = "  " * depth + "%s_%s = %s(%s, %d);\n" % (rng.choice(IDENTS), rng.choice(IDENTS), rng.choice(IDENTS),
                                                            rng.choice(IDENTS), rng.randint(0, 1 << 20))
        out.append(line)
        size += len(line)
    return "".join(out)


def table(rng, n):
    out, size = [], 0
    while size < n:
        line = "%d;%s;%.2f;%d;%s\n" % (rng.randint(1, 10 ** 7), rng.choice(WORDS), rng.uniform(0, 10 ** 5),
                                      rng.randint(0, 999), rng.choice(IDENTS))
        out.append(line)
        size += len(line)
    return "".join(out)


def markup(rng, n):
    out, size = [], 0
    while size < n:
        tag = rng.choice(IDENTS)
        line = '<%s id="%d" %s="%s">%s</%s>\n' % (tag, rng.randint(0, 10 ** 6), rng.choice(IDENTS), rng.choice(WORDS),
                                                  " ".join(rng.choices(WORDS, k=rng.randint(1, 8))), tag)
        out.append(line)
        size += len(line)
    return "".join(out)


def log_uniform(rng, low, high):
    return int(math.exp(rng.uniform(math.log(low), math.log(high))))


def small_files(count, root):
    rng = random.Random(20240101 + 1000000 + count)
    pools = [g(rng, 256 * 1024).encode() for g in (prose, code, table, markup)]
    folders = ["%s/%s/" % (top, sub) for top in ("bin", "lib", "data", "docs", "locale")
               for sub in rng.sample(FOLDER_NAMES, 4)]
    used = set()
    for folder in folders:
        os.makedirs(os.path.join(root, folder), exist_ok=True)
    for i in range(count):
        folder = folders[i % len(folders)]
        while True:
            path = folder + "%s_%s%d%s" % (rng.choice(WORDS), rng.choice(IDENTS), rng.randint(0, 9999),
                                           rng.choice(TEXT_EXTS))
            if path not in used:
                used.add(path)
                break
        head = ("%s, part %d\n" % (path, i)).encode()
        pool = rng.choice(pools)
        at = rng.randrange(len(pool) - 1024)
        full = os.path.join(root, path)
        with open(full, "wb") as f:
            f.write(head + pool[at:at + 1024 - len(head)])
        t = EPOCH + rng.randint(0, 365 * 86400)
        os.utime(full, (t, t))
    print("%d files, %d folders, %d bytes" % (count, len(folders) + 5, count * 1024))


def main():
    if sys.argv[1].startswith("n"):
        small_files(int(sys.argv[1][1:]), sys.argv[2])
        return
    size_mib, root = int(sys.argv[1]), sys.argv[2]
    rng = random.Random(20240101 + size_mib)
    total = size_mib * MIB
    # Pools of text of each kind; every file takes a slice of one at its own
    # place, so that files differ while the generation stays fast.
    pools = [g(rng, 2 * MIB).encode() for g in (prose, code, table, markup)]

    folders = [""]
    target_folders = max(8, total // (400 * 1024))
    while len(folders) < target_folders:
        parent = rng.choice(folders[: max(1, len(folders))])
        if parent.count("/") >= 9:
            continue
        name = rng.choice(FOLDER_NAMES) + ("" if rng.random() < 0.5 else "%02d" % rng.randint(0, 99))
        path = parent + name + "/"
        if path not in folders and len(path) < MAX_RELATIVE_PATH - 40:
            folders.append(path)
    files = 0
    written = 0

    def write(path, data):
        nonlocal files, written
        full = os.path.join(root, path)
        with open(full, "wb") as f:
            f.write(data)
        t = EPOCH + rng.randint(0, 365 * 86400)
        os.utime(full, (t, t))
        files += 1
        written += len(data)

    for folder in folders:
        os.makedirs(os.path.join(root, folder), exist_ok=True)
    used = set()

    def name_in(folder, exts):
        while True:
            name = "%s_%s%d%s" % (rng.choice(WORDS), rng.choice(IDENTS), rng.randint(0, 999), rng.choice(exts))
            path = folder + name
            if path not in used and len(path) <= MAX_RELATIVE_PATH:
                used.add(path)
                return path

    # The large files that do not compress.
    binary = total - int(total * TEXT_SHARE)
    while binary > 0:
        n = min(binary, log_uniform(rng, 256 * 1024, max(512 * 1024, min(64 * MIB, total // 6))))
        write(name_in(rng.choice(folders), BIN_EXTS), rng.randbytes(n))
        binary -= n
    # The text files.
    text = int(total * TEXT_SHARE)
    while text > 0:
        n = min(text, log_uniform(rng, 4 * 1024, 200 * 1024))
        pool = rng.choice(pools)
        at = rng.randrange(len(pool) - n)
        folder = rng.choice(folders)
        path = name_in(folder, TEXT_EXTS)
        write(path, ("%s, part %d\n" % (path, files)).encode() + pool[at:at + n])
        text -= n
    # A few empty folders.
    for i in range(3):
        os.makedirs(os.path.join(root, rng.choice(folders), "empty%d" % i), exist_ok=True)
    print("%d files, %d folders, %d bytes" % (files, len(folders) + 3, written))


if __name__ == "__main__":
    main()

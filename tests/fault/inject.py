#!/usr/bin/env python3
"""Fault injection: damaged and hostile packages, each run unattended under Wine.

Real packages are made with tarnpack from small generated product folders;
damaged ones are made from them (seeded, so a run can be repeated):

  payload-flip, info-flip        bits flipped in an archive: anywhere, in its
                                 central directory, local headers or data
  payload-cut, info-cut,         an archive or the whole package cut short
  package-cut
  payload-field, info-field      one field of a local header, a central
                                 directory record or the end record set to a
                                 value that does not fit
  trailer                        lengths zero, negative, too big, pointing
                                 before the start, shifted, no "EOF"
  names                          entry names that climb (".."), absolute,
                                 drive and UNC paths, devices, streams, names
                                 over 260 and over 500 characters, UTF-8 and
                                 OEM names, NUL bytes and wildcards
  bomb                           a few KB that inflate to, or claim, far more
                                 than Config/Statistics.ini says
  duplicates                     the same name twice, names that differ in case,
                                 a file and a folder of one name
  script, languages, statistics, the information archive: the setup script
  resources                      missing, empty, garbage, not UTF-8, absurd
                                 values; localization files missing or broken;
                                 a statistics file that lies; broken bitmaps

Each package runs in one Wine session, unattended:

  fault0001.exe /S /D=C:\\faultdest\\1\\ /LOG=C:\\faultlogs\\1.log

with a hard time limit. Before a run the prefix's drive C: (without Windows'
own folder), drive T: and the programs' folder are listed; after it the
script reports, per package, one line, and these findings:

  crash            an exit code that no run may end with, or Wine's report of
                   an unhandled exception
  hang             the time limit was hit, or a process of the package was
                   still running after its run ended
  leftover         a new numbered folder in the user's temporary folder
  outside          anything new or changed outside the install folder, the
                   work folder and the program group of a successful run
  registered       an uninstall entry after a failed run, or one whose
                   install folder lacks a file of the payload
  failed-left      a failed run that left something in the install folder
  outcome          a package that must fail installed, or one that must
                   install failed

The program group of a successful run is the folder its uninstall data
record (a group outside the Start menu is noted). After each run the
install folder, the uninstall entry, HKCU\\Software\\TarnFault and whatever
else the run made are taken away again.

--sample runs a fixed sample of every kind, then the self-check (also
alone: --self-check): packages made to trip each detector, each of which
must. Exit status 0 when no package gave any finding and every detector
detected.

--family hostile runs hostile setup scripts instead: one destructive task
(DELETEFOLDER, DELETEFILE, MOVEFILE, COPYFILE, CREATEFOLDER, or a program
name that makes the program group a protected folder) aimed at a protected
folder in a generated spelling: letter case in the name's own alphabet,
loopback and administrative shares, 8.3 names, trailing dots and blanks,
streams, device and GLOBALROOT prefixes, Wine's Linux names, links on T:,
relative and drive-relative paths, tokens that must not become empty. Each
installs into T:\\hostile\\N\\ and is then removed with its uninstaller
(/S) where the removal has something to act on. The session's profile is
named beyond ASCII, every protected folder holds a file and a folder of the
user's, and all of drive C: is watched; besides crash, hang, leftover and
registered:

  deleted          something on C: that was there before the case is gone
                   after the installation or after the removal
  outside          anything else new or changed on C:

After each step C: is put back from the session's template. Exit status 0
when nothing was deleted, registered without files, crashed or hung.
"""

import argparse
import io
import ntpath
import os
import random
import select
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time
import zipfile
import zlib

TOP = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
SESSION = os.path.join(TOP, "tests", "wine", "session.sh")

ALLOWED_CODES = {0, 3010, 1602, 1603, 1618, 1639}
SUCCESS_CODES = {0, 3010}
UNINSTALL = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall"
UNINSTALL_WOW = r"HKLM\Software\WOW6432Node\Microsoft\Windows\CurrentVersion\Uninstall"
MARK = "TarnFaultEscape"  # every name meant to land outside carries it
PILCROW = "\u00b6"
BOMB_BYTES = 50 * 1024 * 1024

FINDINGS = ("crash", "hang", "leftover", "outside", "deleted", "registered", "failed-left", "outcome")


# ---------------------------------------------------------------------------
# ZIP archives, written and read with full control over every field.

def deflate(data):
    c = zlib.compressobj(9, zlib.DEFLATED, -15)
    return c.compress(data) + c.flush()


class Member:
    """One entry. Fields left None are computed from the data."""

    def __init__(self, name, data=b"", method=8, flags=0, folder=False, crc=None, usize=None, csize=None,
                 raw=None, external=0x20, made_by=20, dos_time=0x6000, dos_date=0x5A21, extra=b""):
        if isinstance(name, str):
            encoded = name.encode("ascii", "strict") if name.isascii() else name.encode("utf-8")
            if not name.isascii():
                flags |= 1 << 11
            name = encoded
        self.name = name
        self.data = data
        self.method = 0 if folder else method
        self.flags = flags
        self.crc = crc
        self.usize = usize
        self.csize = csize
        self.raw = raw
        self.external = 0x10 if folder else external
        self.made_by = made_by
        self.dos_time = dos_time
        self.dos_date = dos_date
        self.extra = extra


def build_zip(members, comment=b""):
    """The archive's bytes and where its parts lie: ``local`` (offset, header
    length, data length) per member, ``central`` (offset, length) per member,
    ``cd`` (offset, length) and ``eocd`` (offset)."""
    out = bytearray()
    layout = {"local": [], "central": []}
    central = bytearray()
    offsets = []
    for m in members:
        body = m.raw if m.raw is not None else (deflate(m.data) if m.method == 8 else m.data)
        crc = m.crc if m.crc is not None else zlib.crc32(m.data) & 0xFFFFFFFF
        usize = m.usize if m.usize is not None else len(m.data)
        csize = m.csize if m.csize is not None else len(body)
        offsets.append(len(out))
        header = struct.pack("<IHHHHHIIIHH", 0x04034B50, 20, m.flags, m.method, m.dos_time, m.dos_date, crc,
                             csize & 0xFFFFFFFF, usize & 0xFFFFFFFF, len(m.name) & 0xFFFF, len(m.extra))
        header += m.name + m.extra
        layout["local"].append((len(out), len(header), len(body)))
        out += header + body
        record = struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, m.made_by, 20, m.flags, m.method, m.dos_time,
                             m.dos_date, crc, csize & 0xFFFFFFFF, usize & 0xFFFFFFFF, len(m.name) & 0xFFFF,
                             len(m.extra), 0, 0, 0, m.external, offsets[-1])
        record += m.name + m.extra
        layout["central"].append((len(out) + len(central), len(record)))
        central += record
    layout["cd"] = (len(out), len(central))
    out += central
    layout["eocd"] = len(out)
    out += struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, len(members) & 0xFFFF, len(members) & 0xFFFF,
                       len(central), layout["cd"][0], len(comment)) + comment
    return bytes(out), layout


class ZipDamaged(Exception):
    pass


def parse_zip(buf):
    """Reads an archive as minizip finds it (the end record from the end,
    anything before the archive allowed). Raises ZipDamaged."""
    eocd = buf.rfind(b"PK\x05\x06")
    if eocd < 0 or eocd + 22 > len(buf):
        raise ZipDamaged("no end record")
    _, _, _, _, total, cd_size, cd_offset, _ = struct.unpack_from("<IHHHHIIH", buf, eocd)
    shift = eocd - (cd_offset + cd_size)
    if shift < 0:
        raise ZipDamaged("directory beyond its end record")
    pos = cd_offset + shift
    members = []
    for _ in range(total):
        if pos + 46 > len(buf) or buf[pos:pos + 4] != b"PK\x01\x02":
            raise ZipDamaged("broken directory record")
        f = struct.unpack_from("<IHHHHHHIIIHHHHHII", buf, pos)
        nlen, xlen, clen = f[10], f[11], f[12]
        m = {"cd_off": pos, "cd_len": 46 + nlen + xlen + clen, "made_by": f[1], "flags": f[3], "method": f[4],
             "crc": f[7], "csize": f[8], "usize": f[9], "external": f[15], "local_off": f[16] + shift,
             "name": bytes(buf[pos + 46:pos + 46 + nlen])}
        pos += m["cd_len"]
        lo = m["local_off"]
        if lo < 0 or lo + 30 > len(buf) or buf[lo:lo + 4] != b"PK\x03\x04":
            raise ZipDamaged("broken local header")
        lnlen, lxlen = struct.unpack_from("<HH", buf, lo + 26)
        m["local_len"] = 30 + lnlen + lxlen
        m["data_off"] = lo + m["local_len"]
        members.append(m)
    return {"members": members, "cd": (cd_offset + shift, cd_size), "eocd": eocd}


def decode_name(raw, flags):
    if flags & (1 << 11):
        return raw.decode("utf-8", "replace")
    return raw.decode("cp437")


def expected_files(members):
    """Install-folder-relative names ("/"-separated) and sizes of the files a
    whole unpacking of these entries gives; names that the unpacking changes
    or refuses are left out (a run that installs them is judged otherwise)."""
    files = {}
    for m in members:
        name = decode_name(m["name"], m["flags"]).replace("\\", "/")
        if not name or name.endswith("/"):
            continue
        plain = all(c.isprintable() and c not in ':*?"<>|' for c in name) and not name.startswith("/")
        parts = name.split("/")
        if not plain or any(p.strip(". ") == "" for p in parts):
            continue
        files[name] = m["usize"]
    return files


# ---------------------------------------------------------------------------
# Packages.

def trailer(info_len, payload_len, tag=b"EOF"):
    return struct.pack("<ii", info_len, payload_len) + tag


def split_package(data):
    info_len, payload_len = struct.unpack_from("<ii", data, len(data) - 11)
    end = len(data) - 11
    info = data[end - info_len:end]
    payload = data[end - info_len - payload_len:end - info_len]
    return data[:end - info_len - payload_len], payload, info


def statistics(n):
    return struct.pack("<Q", n & 0xFFFFFFFFFFFFFFFF)


def script_text(lines):
    return "\ufeff" + "\r\n".join(lines) + "\r\n"


def task(*fields):
    return PILCROW.join(fields)


class Base:
    """A real package built with tarnpack, and what it is made of."""

    def __init__(self, name, app, files, folders, script, extra_info=None, languages=None):
        self.name = name
        self.app = app
        self.files = files          # "/"-separated name -> bytes
        self.folders = folders      # "/"-separated folder names, also empty ones
        self.script = script
        self.extra_info = extra_info or {}
        self.languages = languages

    def build(self, tarnpack, arch, work):
        root = os.path.join(work, "base", self.name)
        shutil.rmtree(root, ignore_errors=True)
        product = os.path.join(root, "product")
        information = os.path.join(root, "information")
        for folder in self.folders:
            os.makedirs(os.path.join(product, folder), exist_ok=True)
        for name, data in self.files.items():
            path = os.path.join(product, name)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "wb") as f:
                f.write(data)
        os.makedirs(os.path.join(information, "Config"))
        with open(os.path.join(information, "Config", "Script.ini"), "w", encoding="utf-8", newline="") as f:
            f.write(self.script)
        for name, data in self.extra_info.items():
            path = os.path.join(information, name)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "wb") as f:
                f.write(data)
        out = os.path.join(root, self.name + ".exe")
        command = [tarnpack, "--payload", product, "--info", information, "--out", out, "--arch", arch]
        if self.languages:
            command += ["--languages", self.languages]
        subprocess.run(command, check=True, stdout=subprocess.DEVNULL)
        with open(out, "rb") as f:
            self.package = f.read()
        self.stub, self.payload, self.info = split_package(self.package)
        self.payload_zip = parse_zip(self.payload)
        self.info_zip = parse_zip(self.info)
        with zipfile.ZipFile(io.BytesIO(self.info)) as z:
            self.info_files = {i.filename: z.read(i) for i in z.infolist() if not i.is_dir()}
        self.required = sum(len(d) for d in self.files.values())
        self.expected = expected_files(self.payload_zip["members"])

    def assemble(self, payload=None, info=None, tail=None):
        """The package with other archives or another tail in place of its
        own; the tail is the trailer of the archives by default."""
        payload = self.payload if payload is None else payload
        info = self.info if info is None else info
        return self.stub + payload + info + (trailer(len(info), len(payload)) if tail is None else tail)

    def payload_members(self):
        """The product as members of a new archive: folders first, then files."""
        members = [Member(f + "/", folder=True) for f in sorted(self.folders)]
        members += [Member(n, d) for n, d in sorted(self.files.items())]
        return members

    def info_with(self, replace=None, drop=(), statistics_value=None):
        """A new information archive: the real one's files, some replaced or
        left out; Config/Statistics.ini as given (default: the real one)."""
        files = dict(self.info_files)
        if statistics_value is not None:
            files["Config/Statistics.ini"] = statistics(statistics_value)
        for name, data in (replace or {}).items():
            files[name] = data
        members = []
        for name in sorted(files):
            if any(name == d or name.startswith(d + "/") for d in drop):
                continue
            members.append(Member(name, files[name]))
        return build_zip(members)[0]

    def with_payload(self, members, required=None):
        """A package whose payload archive holds `members`; the statistics file
        says `required` (default: the bytes the members hold)."""
        payload, _ = build_zip(members)
        if required is None:
            required = sum(m.usize if m.usize is not None else len(m.data) for m in members)
        return self.assemble(payload=payload, info=self.info_with(statistics_value=required))


def make_bases():
    rng = random.Random("tarnfault bases")

    def text(lines):
        return "".join("Line %d of the TarnFault test file, %s.\r\n" % (i, rng.random()) for i in range(lines)).encode()

    def common_script(app, extra_config=(), tasks=(), license=False):
        key = "Software\\TarnFault\\" + app.split()[-1]
        lines = ["; TarnFault package " + app,
                 "[GeneralInformation]", "AppName = " + app, "Version = 1.0", "CompanyName = TarnFault",
                 "Website = www.tarnfault.example",
                 "[FilesAndSettings]", "RequireLicense = %d" % license, "RequireReadme = 0",
                 "[iConfig]", "PathChangeable = 1", "AutoCreateStartMenu = 1", "CreateUninstallLink = 1",
                 "CreateInternetLink = 1"] + list(extra_config) + [
                 "[uConfig]", "IconExtUninst = 1",
                 "[InstTasks]",
                 "Key = " + task("REGADDKEY", "HKCU", "", "", key),
                 "Value = " + task("REGADDVALUE", "HKCU", "Version", "<ProgramVersion>", key, "REG_SZ"),
                 "Data = " + task("CREATEFOLDER", "<DefaultInstallPath>Data"),
                 ] + list(tasks)
        return script_text(lines)

    alpha = Base("alpha", "TarnFault Alpha", {
        "readme.txt": text(20),
        "bin/tool.dat": bytes(rng.getrandbits(8) for _ in range(3000)),
        "bin/empty.txt": b"",
        "sub/deeper/notes.txt": text(5),
    }, ["bin", "sub", "sub/deeper"], common_script("TarnFault Alpha", tasks=[
        "Link = " + task("NORMALLINK", "17", "Read me", "<DefaultInstallPath>readme.txt", "0", "0", "Read me")]))
    beta = Base("beta", "TarnFault Beta", {
        "big.txt": text(3000),
        "random.bin": bytes(rng.getrandbits(8) for _ in range(150000)),
        "docs/guide.txt": text(40),
    }, ["docs", "empty folder"], common_script("TarnFault Beta", extra_config=["RebootRequired = 1"]),
        languages="English,German,French")
    gamma = Base("gamma", "TarnFault Gamma", {
        "Übersicht/Ünïcödé ☃.txt": text(3),
        "日本語/ファイル.txt": text(2),
        "plain.txt": text(4),
    }, ["Übersicht", "日本語"], common_script("TarnFault Gamma", license=True),
        extra_info={"Resources/License.txt": b"TarnFault licence: test packages only.\r\n"})
    return [alpha, beta, gamma]


# ---------------------------------------------------------------------------
# Damage. Each maker takes a random source and the bases and returns
# (base, detail, package bytes, expectation, expected files), the
# expectation being "fail" (must end with 1603 and install nothing),
# "ok" (must install) or None (either).

_forced = None  # the variant the sample asks for, by its label


def pick(rng, options, label=lambda o: o):
    """One of the options: the sample's variant when one is asked for."""
    if _forced is not None:
        for option in options:
            if label(option) == _forced:
                return option
        raise KeyError("no variant %r" % _forced)
    return rng.choice(options)


def flip_bits(data, rng, regions, count):
    b = bytearray(data)
    where = []
    for _ in range(count):
        start, length = rng.choice(regions)
        if length <= 0:
            continue
        at = start + rng.randrange(length)
        bit = rng.randrange(8)
        b[at] ^= 1 << bit
        where.append("%d.%d" % (at, bit))
    return bytes(b), where


def regions_of(z, total, part):
    if part == "cd":
        return [(z["cd"][0], z["cd"][1] + 22)]
    if part == "local":
        return [(m["local_off"], m["local_len"]) for m in z["members"]]
    if part == "data":
        regions = [(m["data_off"], m["csize"]) for m in z["members"] if m["csize"]]
        return regions or [(0, total)]
    return [(0, total)]


def payload_files_or(base, payload):
    try:
        return expected_files(parse_zip(payload)["members"])
    except (ZipDamaged, struct.error):
        return base.expected


def make_payload_flip(rng, bases):
    base = rng.choice(bases)
    part = pick(rng, ["any", "cd", "local", "data"])
    payload, where = flip_bits(base.payload, rng, regions_of(base.payload_zip, len(base.payload), part),
                               rng.choice([1, 1, 2, 3, 8, 32]))
    return base, "%s bits %s" % (part, ",".join(where)), base.assemble(payload=payload), None, \
        payload_files_or(base, payload)


def make_info_flip(rng, bases):
    base = rng.choice(bases)
    part = pick(rng, ["any", "cd", "local", "data"])
    info, where = flip_bits(base.info, rng, regions_of(base.info_zip, len(base.info), part),
                            rng.choice([1, 1, 2, 3, 8, 32]))
    return base, "%s bits %s" % (part, ",".join(where)), base.assemble(info=info), None, base.expected


def cut_point(rng, z, total):
    where = rng.choice(["data", "cd", "eocd", "start"])
    if where == "data":
        m = rng.choice(z["members"])
        return where, m["local_off"] + rng.randrange(max(1, m["local_len"] + m["csize"]))
    if where == "cd":
        return where, z["cd"][0] + rng.randrange(max(1, z["cd"][1]))
    if where == "eocd":
        return where, z["eocd"] + rng.randrange(22)
    return where, rng.randrange(1, 64)


def make_payload_cut(rng, bases):
    base = rng.choice(bases)
    where, at = cut_point(rng, base.payload_zip, len(base.payload))
    if rng.random() < 0.25:
        # The front is cut instead: the archive's offsets no longer fit.
        payload = base.payload[at:]
        detail = "front %d bytes" % at
    else:
        payload = base.payload[:at]
        detail = "cut in %s at %d of %d" % (where, at, len(base.payload))
    if not payload:
        payload = base.payload[:1]
    return base, detail, base.assemble(payload=payload), "fail", base.expected


def make_info_cut(rng, bases):
    base = rng.choice(bases)
    where, at = cut_point(rng, base.info_zip, len(base.info))
    info = base.info[:max(1, at)]
    return base, "cut in %s at %d of %d" % (where, at, len(base.info)), base.assemble(info=info), "fail", \
        base.expected


def make_package_cut(rng, bases):
    base = rng.choice(bases)
    data = base.package
    choice = pick(rng, ["trailer", "info", "payload"])
    if choice == "trailer":
        keep = len(data) - rng.randrange(1, 12)
    elif choice == "info":
        keep = len(data) - 11 - rng.randrange(len(base.info))
    elif choice == "payload":
        keep = len(base.stub) + rng.randrange(len(base.payload))
    return base, "package cut to %d of %d bytes (%s)" % (keep, len(data), choice), data[:keep], "fail", \
        base.expected


FIELD_VALUES = [0, 1, 0xFFFF, 0x7FFF, 0xFFFFFFFF, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFE]


def surgery(buf, z, rng):
    """Sets one field of one record to a value that does not fit."""
    b = bytearray(buf)
    record = rng.choice(["local", "central", "eocd"])
    m = rng.choice(z["members"])
    if record == "local":
        at = m["local_off"]
        fields = {"signature": (0, "I"), "version": (4, "H"), "flags": (6, "H"), "method": (8, "H"),
                  "time": (10, "H"), "date": (12, "H"), "crc": (14, "I"), "csize": (18, "I"), "usize": (22, "I"),
                  "name length": (26, "H"), "extra length": (28, "H")}
    elif record == "central":
        at = m["cd_off"]
        fields = {"signature": (0, "I"), "made by": (4, "H"), "flags": (8, "H"), "method": (10, "H"),
                  "crc": (16, "I"), "csize": (20, "I"), "usize": (24, "I"), "name length": (28, "H"),
                  "extra length": (30, "H"), "comment length": (32, "H"), "disk": (34, "H"),
                  "external": (38, "I"), "offset": (42, "I")}
    else:
        at = z["eocd"]
        fields = {"disk": (4, "H"), "directory disk": (6, "H"), "entries here": (8, "H"), "entries": (10, "H"),
                  "directory size": (12, "I"), "directory offset": (16, "I"), "comment length": (20, "H")}
    name = rng.choice(sorted(fields))
    offset, kind = fields[name]
    size = struct.calcsize(kind)
    old = struct.unpack_from("<" + kind, b, at + offset)[0]
    if name == "method":
        value = rng.choice([1, 6, 9, 12, 14, 95, 99, 0 if old == 8 else 8])
    elif name == "flags":
        value = old | rng.choice([1, 8, 0x40, 1 << 11, 0xFFFF])
    elif rng.random() < 0.3:
        value = (old + rng.choice([-2, -1, 1, 2, 1000])) & ((1 << (8 * size)) - 1)
    else:
        value = rng.choice(FIELD_VALUES) & ((1 << (8 * size)) - 1)
    struct.pack_into("<" + kind, b, at + offset, value)
    label = m["name"].decode("utf-8", "replace") if record != "eocd" else "end record"
    return bytes(b), "%s %s of %s: %#x -> %#x" % (record, name, label, old, value)


def make_payload_field(rng, bases):
    base = rng.choice(bases)
    payload, detail = surgery(base.payload, base.payload_zip, rng)
    return base, detail, base.assemble(payload=payload), None, payload_files_or(base, payload)


def make_info_field(rng, bases):
    base = rng.choice(bases)
    info, detail = surgery(base.info, base.info_zip, rng)
    return base, detail, base.assemble(info=info), None, base.expected


def make_trailer(rng, bases):
    base = rng.choice(bases)
    i, p, n = len(base.info), len(base.payload), len(base.stub) + len(base.payload) + len(base.info)
    cases = [
        ("info zero", trailer(0, p), "fail"), ("payload zero", trailer(i, 0), "fail"),
        ("both zero", trailer(0, 0), "fail"), ("info negative", trailer(-i, p), "fail"),
        ("payload negative", trailer(i, -p), "fail"), ("both -1", trailer(-1, -1), "fail"),
        ("lengths INT_MIN", trailer(-0x80000000, -0x80000000), "fail"),
        ("lengths INT_MAX", trailer(0x7FFFFFFF, 0x7FFFFFFF), "fail"),
        ("sum overflows int32", trailer(0x7FFFFFF0, 0x7FFFFFF0), "fail"),
        ("info too big", trailer(n + 1, p), "fail"), ("payload too big", trailer(i, n + 1), "fail"),
        ("one before the start", trailer(i, n - i + 1), "fail"),
        ("exactly the whole file", trailer(i, n - i), None),
        ("swapped", trailer(p, i), None),
        ("info shifted", trailer(i + rng.choice([-3, -1, 1, 3, 100]), p), None),
        ("payload shifted", trailer(i, p + rng.choice([-3, -1, 1, 3, 100])), None),
        ("tag eof", trailer(i, p, b"eof"), "fail"), ("tag EO", trailer(i, p)[:10], "fail"),
        ("no trailer", b"", "fail"), ("random trailer", bytes(rng.getrandbits(8) for _ in range(8)) + b"EOF", None),
        ("twice", trailer(i, p) + trailer(i, p), "fail"),
        ("trailer before the archives", None, "fail"),
    ]
    name, tail, expect = pick(rng, cases, lambda c: c[0])
    if tail is None:
        data = base.stub + trailer(i, p) + base.payload + base.info
    else:
        data = base.assemble(tail=tail)
    return base, name, data, expect, base.expected


# Hostile and unusual entry names: (label, raw name, expectation). "fail":
# the name must be refused; None: it may be refused or written inside the
# install folder; "ok": it must be written.
def name_cases(rng):
    m = MARK
    long_part = lambda n: ("L" * (n - 4)) + ".txt"
    depth = rng.randrange(1, 8)
    sep = lambda: rng.choice(["/", "\\"])
    climb = "".join(".." + sep() for _ in range(depth)) + m + ".txt"
    return {
        "climb": [("..", b"../" + m.encode() + b".txt", "fail"), ("random climb", climb.encode(), "fail"),
                  ("inner climb", b"sub/../../" + m.encode() + b".txt", "fail"),
                  ("backslash climb", b"..\\..\\" + m.encode() + b".txt", "fail"),
                  ("dots and blanks", b".. /" + m.encode() + b".txt", "fail"),
                  ("three dots", b".../" + m.encode() + b".txt", "fail"),
                  ("climbing folder entry", b"../" + m.encode() + b"/", "fail"),
                  ("climb after NUL-free part", b"a/b/../../../" + m.encode() + b".txt", "fail")],
        "absolute": [("root", b"/" + m.encode() + b".txt", None), ("root backslash", b"\\" + m.encode() + b".txt", None),
                     ("tmp", b"/tmp/" + m.encode() + b".txt", None),
                     ("windows", b"/windows/" + m.encode() + b".txt", None)],
        "drive": [("C:", b"C:\\" + m.encode() + b".txt", None), ("C:/windows", b"C:/windows/" + m.encode() + b".txt", None),
                  ("T:", b"T:\\" + m.encode() + b".txt", None), ("drive relative", b"T:" + m.encode() + b".txt", "fail"),
                  ("drive then climb", b"C:\\..\\" + m.encode() + b".txt", "fail"),
                  ("device path", b"\\\\?\\C:\\" + m.encode() + b".txt", None),
                  ("dot device path", b"\\\\.\\T:\\" + m.encode() + b".txt", None),
                  ("unix device path", b"\\\\?\\unix\\tmp\\" + m.encode() + b".txt", None),
                  ("two drives", b"C:\\T:\\" + m.encode() + b".txt", "fail")],
        "unc": [("server share", b"\\\\server\\share\\" + m.encode() + b".txt", None),
                ("slashes", b"//server/share/" + m.encode() + b".txt", None),
                ("UNC device", b"\\\\?\\UNC\\server\\share\\" + m.encode() + b".txt", None),
                ("admin share", b"\\\\127.0.0.1\\c$\\" + m.encode() + b".txt", None)],
        "device": [("CON", b"CON", "fail"), ("con.txt", b"con.txt", "fail"), ("nul.txt", b"nul.txt", "fail"),
                   ("NUL folder", b"NUL/x.txt", "fail"), ("COM1 folder", b"sub/COM1/x.txt", "fail"),
                   ("LPT9.log", b"LPT9.log", "fail"), ("aux blank", b"aux .txt", "fail"),
                   ("COM superscript", "COM\u00b9.txt".encode(), "fail"), ("CONIN$", b"CONIN$", "fail"),
                   ("CONOUT$.txt", b"CONOUT$.txt", "fail"), ("PRN folder entry", b"PRN/", "fail"),
                   ("CON and NUL", b"CON\x00.txt", None), ("dots and NUL", b"..\x00/x.txt", None),
                   ("NUL byte", b"ok\x00../../" + m.encode(), None)],
        "long": [("path of 300", ("d" * 100 + "/" + "e" * 100 + "/" + long_part(98)).encode(), None),
                 ("part of 255", long_part(255).encode(), None), ("part of 300", long_part(300).encode(), None),
                 ("name of 499", ("n/" * 200 + long_part(99)).encode(), None),
                 ("name of 500", ("n/" * 200 + long_part(100)).encode(), "fail"),
                 ("name of 501", ("n/" * 200 + long_part(101)).encode(), "fail"),
                 ("name of 4000", ("x/" * 1990 + long_part(20)).encode(), "fail"),
                 ("name of 65535", ("y" * 65531 + ".txt").encode(), "fail")],
        "utf8": [("umlauts", "Ünïcödé Ärger.txt".encode(), "ok"), ("CJK folder", "資料/説明書.txt".encode(), "ok"),
                 ("emoji", "smile \U0001F600.txt".encode(), "ok"), ("invalid bytes", b"bad \xff\xfe.txt", None),
                 ("overlong dots", b"\xc0\xae\xc0\xae/" + m.encode() + b".txt", None),
                 ("overlong slash", b"..\xc0\xaf" + m.encode() + b".txt", None),
                 ("cut sequence", b"cut \xe6\x97.txt", None)],
        "oem": [("cp437 letters", b"\x81ber Gr\x94\xe1e.txt", "ok"), ("cp437 box", b"\xc9\xcd\xbb box.txt", "ok"),
                ("utf-8 bytes without flag", "Ärger.txt".encode(), "ok"), ("cp437 folder", b"\x8e\x99/\x84.txt", "ok")],
        "stream": [("stream", b"readme.txt:" + m.encode(), "fail"), ("data stream", b"x.txt::$DATA", "fail"),
                   ("folder stream", b"sub:" + m.encode() + b"/x.txt", "fail"), ("colon first", b":" + m.encode(), "fail")],
        "odd": [("wildcard", b"a*b.txt", None), ("question mark", b"what?.txt", None), ("angle", b"<x>.txt", None),
                ("pipe", b"a|b.txt", None), ("quote", b'"q".txt', None), ("dot", b".", None), ("empty", b"", None),
                ("trailing dot", b"trail.", None), ("trailing blank", b"blank ", None),
                ("control character", b"bell\x07.txt", None), ("uninstaller name", b"Uninst0.exe", None)],
    }


def make_names(rng, bases, group=None):
    base = rng.choice(bases)
    cases = name_cases(rng)
    group = group or rng.choice(sorted(cases))
    label, raw, expect = pick(rng, cases[group], lambda c: c[0])
    utf8 = group in ("utf8",) or (group == "device" and b"\xc2" in raw)
    flags = (1 << 11) if utf8 else 0
    folder = raw.endswith(b"/")
    hostile = Member(raw, b"" if folder else b"TarnFault hostile entry\r\n", flags=flags, folder=folder)
    members = base.payload_members()
    where = rng.choice(["first", "middle", "last"])
    at = {"first": 0, "middle": len(members) // 2, "last": len(members)}[where]
    members.insert(at, hostile)
    files = dict(base.expected)
    if expect == "ok":
        files[decode_name(raw, flags).replace("\\", "/")] = len(hostile.data)
    shown = raw if len(raw) < 80 else raw[:40] + b"..." + raw[-20:]
    return base, "%s/%s %r (%d bytes) %s" % (group, label, shown, len(raw), where), base.with_payload(members), \
        expect, files


def make_bomb(rng, bases):
    base = rng.choice(bases)
    zeros = deflate(bytes(BOMB_BYTES))
    crc_all = zlib.crc32(bytes(BOMB_BYTES)) & 0xFFFFFFFF
    crc_1k = zlib.crc32(bytes(1024)) & 0xFFFFFFFF
    members = base.payload_members()
    honest = base.required
    kind = pick(rng, ["honest", "lying header", "lying header, whole crc", "huge claim", "huge claim, stats agree",
                       "zip64 claim", "overlapping", "stats zero", "stats missing", "stored claim",
                       "entry count", "info bomb"])
    stats = honest + 1024
    expect = "fail"
    if kind == "honest":
        # A true 50 MB file: the free space bounds it, not the statistics.
        members.append(Member("bomb.bin", raw=zeros, crc=crc_all, usize=BOMB_BYTES))
        expect = None
    elif kind == "lying header":
        # The data inflate to 50 MB, the header says 1 KB: at most 1 KB may be written.
        members.append(Member("bomb.bin", raw=zeros, crc=crc_1k, usize=1024))
        expect = None
    elif kind == "lying header, whole crc":
        members.append(Member("bomb.bin", raw=zeros, crc=crc_all, usize=1024))
    elif kind == "huge claim":
        members.append(Member("bomb.bin", raw=deflate(bytes(1024)), crc=crc_1k,
                              usize=rng.choice([0xFFFFFFFF, 0xFFFFFFFE, 0x7FFFFFFF, 0x80000000])))
    elif kind == "huge claim, stats agree":
        claim = rng.choice([0x7FFFFFFF, 0xC0000000])
        members.append(Member("bomb.bin", raw=deflate(bytes(1024)), crc=crc_1k, usize=claim))
        stats = honest + claim
    elif kind == "zip64 claim":
        extra = struct.pack("<HHQQ", 1, 16, 1 << 40, 1024)
        members.append(Member("bomb.bin", raw=deflate(bytes(1024)), crc=crc_1k, usize=0xFFFFFFFF,
                              csize=0xFFFFFFFF, extra=extra))
    elif kind == "overlapping":
        # Many directory records share one 50 MB entry.
        payload, layout = build_zip(members + [Member("bomb.bin", raw=zeros, crc=crc_all, usize=BOMB_BYTES)])
        parsed = parse_zip(payload)
        shared = parsed["members"][-1]
        records = bytearray()
        for k in range(200):
            record = bytearray(payload[shared["cd_off"]:shared["cd_off"] + shared["cd_len"]])
            record[46:46 + 8] = b"bomb%04d" % k
            records += record
        head = payload[:parsed["cd"][0]]
        count = len(parsed["members"]) - 1 + 200
        cd = payload[parsed["cd"][0]:shared["cd_off"]] + bytes(records)
        eocd = struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, count, count, len(cd), len(head), 0)
        stats = honest + rng.choice([1024, BOMB_BYTES + 1024])
        data = base.assemble(payload=head + cd + eocd, info=base.info_with(statistics_value=stats))
        return base, "%s: 200 records of one %d-byte entry, statistics %d" % (kind, BOMB_BYTES, stats), data, \
            "fail", base.expected
    elif kind == "stats zero":
        members.append(Member("bomb.bin", raw=zeros, crc=crc_all, usize=BOMB_BYTES))
        stats = 0
        expect = None
    elif kind == "stats missing":
        payload, _ = build_zip(members)
        data = base.assemble(payload=payload, info=base.info_with(drop=["Config/Statistics.ini"]))
        return base, kind, data, "fail", base.expected
    elif kind == "stored claim":
        members.append(Member("bomb.bin", bytes(1024), method=0, usize=BOMB_BYTES))
    elif kind == "entry count":
        payload, layout = build_zip(members)
        b = bytearray(payload)
        struct.pack_into("<HH", b, layout["eocd"] + 8, 0xFFFF, 0xFFFF)
        return base, kind + ": 65535 entries said", base.assemble(payload=bytes(b)), "fail", base.expected
    elif kind == "info bomb":
        # The information archive has no statistics of its own: 4 x 50 MB.
        info_members = [Member(n, d) for n, d in sorted(base.info_files.items())]
        for k in range(4):
            info_members.append(Member("Resources/Filler%d.bin" % k, raw=zeros, crc=crc_all, usize=BOMB_BYTES))
        info, _ = build_zip(info_members)
        return base, kind + ": 4 entries of %d bytes" % BOMB_BYTES, base.assemble(info=info), None, base.expected
    data = base.with_payload(members, required=stats)
    return base, "%s, statistics %d" % (kind, stats), data, expect, base.expected


def make_duplicates(rng, bases):
    base = rng.choice(bases)
    members = base.payload_members()
    name, content = rng.choice(sorted(base.files.items()))
    kind = pick(rng, ["same twice", "same name other data", "second broken", "case differs", "file then folder",
                       "folder then file", "read-only first", "uninstaller data name"])
    files = dict(base.expected)
    expect = "ok"
    if kind == "same twice":
        members.append(Member(name, content))
    elif kind == "same name other data":
        members.append(Member(name, b"the second copy"))
        files[name] = len(b"the second copy")
    elif kind == "second broken":
        members.append(Member(name, b"a broken second copy", crc=0x12345678))
        expect = "fail"
    elif kind == "case differs":
        other = name.upper() if name.upper() != name else name.lower()
        members.append(Member(other, b"the copy in other case"))
        files.pop(name, None)
        files[other] = len(b"the copy in other case")
    elif kind == "file then folder":
        members.append(Member(name + "/", folder=True))
        members.append(Member(name + "/inner.txt", b"inside a file's name"))
        expect = "fail"
    elif kind == "folder then file":
        folder = rng.choice(sorted(base.folders))
        members.append(Member(folder, b"a file named like a folder"))
        expect = "fail"
    elif kind == "read-only first":
        members = [Member(name, content, external=0x21)] + [m for m in members if m.name != name.encode()]
        members.append(Member(name, b"never written over"))
    elif kind == "uninstaller data name":
        members.append(Member(rng.choice(["Uninst0.dat", "Uninst0.exe", "uninst0.DAT"]), b"not the uninstaller"))
        expect = None
    return base, "%s: %s" % (kind, name), base.with_payload(members), expect, files


def make_script(rng, bases):
    base = rng.choice(bases)
    app = base.app
    lines = None
    raw = None
    expect = None
    kind = pick(rng, ["missing", "empty", "garbage", "latin-1", "utf-16", "bom only", "bad utf-8", "nul bytes",
                       "huge line", "many tasks", "many fields", "absurd numbers", "long name", "odd name",
                       "unknown tokens", "os refused", "framework missing", "licence missing", "cr only",
                       "no equals", "both icons", "nul bytes+fail", "long name+fail", "odd name+fail",
                       "many tasks+fail"])
    # "+fail": the same script, and a payload whose last entry fails its
    # CRC-32: what the script's values made before must be taken back.
    failing = kind.endswith("+fail")
    kind = kind.replace("+fail", "")
    head = ["[GeneralInformation]", "AppName = " + app, "Version = 1.0", "[uConfig]", "IconExtUninst = 1",
            "[iConfig]", "AutoCreateStartMenu = 1", "CreateUninstallLink = 1"]
    key = "Software\\TarnFault\\Script"
    if kind == "missing":
        return base, kind, base.assemble(info=base.info_with(drop=["Config/Script.ini"])), None, base.expected
    if kind == "empty":
        raw = b""
    elif kind == "garbage":
        raw = bytes(rng.getrandbits(8) for _ in range(rng.choice([16, 4096, 65536])))
    elif kind == "latin-1":
        raw = ("\r\n".join(head) + "\r\nVersion = \xe4\xf6\xfc\r\n").encode("latin-1")
    elif kind == "utf-16":
        raw = script_text(head).encode("utf-16")
    elif kind == "bom only":
        raw = b"\xef\xbb\xbf"
    elif kind == "bad utf-8":
        raw = b"\xef\xbb\xbf" + "\r\n".join(head).encode() + b"\r\nVersion = \xc3\x28\xa0\xa1\xf0\x28\x8c\xbc\r\n"
    elif kind == "nul bytes":
        raw = script_text(head).encode("utf-8").replace(b"\r\n", b"\x00\r\n")
    elif kind == "huge line":
        lines = head + ["Version = " + "9" * 300000, "[InstTasks]", "K = " + task("REGADDKEY", "HKCU", "", "", key)]
    elif kind == "many tasks":
        lines = head + ["[InstTasks]"] + ["T%d = %s" % (k, task("REGADDKEY", "HKCU", "", "", key + "\\%d" % (k % 7)))
                                          for k in range(3000)]
    elif kind == "many fields":
        lines = head + ["[InstTasks]", "Many = " + task(*(["REGADDKEY", "HKCU", "", "", key] + ["x"] * 20000)),
                        "Few = " + PILCROW * 5, "Bare = " + PILCROW]
    elif kind == "absurd numbers":
        lines = ["[GeneralInformation]", "AppName = " + app, "DotNet = 99999999999999999999",
                 "[Look]", "HeaderTextColour = $FFFFFFFFFFFFFFFFFFFF",
                 "[iConfig]", "PathChangeable = -99999999999999999999", "AutoCreateStartMenu = %11111111111111111111111111111111111",
                 "CreateUninstallLink = 4294967297", "RebootRequired = -1", "ForceGroupCreation = $",
                 "[uConfig]", "IconExtUninst = 1", "IconExtIndex = -2147483649", "RebootRequired = 2"]
    elif kind == "long name":
        app = "TarnFault " + "N" * rng.choice([250, 260, 1000, 5000])
        lines = ["[GeneralInformation]", "AppName = " + app] + head[2:]
    elif kind == "odd name":
        app = rng.choice(["TarnFault\\Sub", "TarnFault/Sub", "TarnFault:Odd", "TarnFault*?", " TarnFault Blank ",
                          "..", ".", "TarnFault\\..\\..\\..\\..\\" + MARK, "TarnFault<>|"])
        lines = ["[GeneralInformation]", "AppName = " + app] + head[2:]
    elif kind == "unknown tokens":
        lines = head + ["DefaultPath = <Nope><ProgramFiles", "[InstTasks]",
                        "A = " + task("CREATEFOLDER", "<DefaultInstallPath>Data<Nope>"),
                        "B = " + task("REGADDKEY", "HKCU", "", "", key + "\\<ProgramName><<<>>>"),
                        "C = " + task("NOSUCHKIND", "x", "y"), "D = " + task("REGADDKEY", "HKXX", "", "", key)]
    elif kind == "os refused":
        lines = head + ["WV = 0", "WXP = 0", "W2K = 0"]
        lines = ["[GeneralInformation]", "AppName = " + app, "WV = 0", "WXP = 0", "W2K = 0"] + head[2:]
        expect = "fail"
    elif kind == "framework missing":
        lines = ["[GeneralInformation]", "AppName = " + app, "DotNet = 5"] + head[2:]
        expect = "fail"
    elif kind == "licence missing":
        lines = head + ["[FilesAndSettings]", "RequireLicense = 1", "RequireReadme = 1"]
        data = base.assemble(info=base.info_with(replace={"Config/Script.ini": script_text(lines).encode()},
                                                 drop=["Resources/License.txt", "Resources/ReadMe.txt"]))
        return base, kind, data, "fail", base.expected
    elif kind == "cr only":
        raw = script_text(head).replace("\r\n", "\r").encode("utf-8")
    elif kind == "no equals":
        lines = head + ["just words", "[InstTasks]", "REGADDKEY" + PILCROW + "HKCU", "= " + task("REGADDKEY", "HKCU", "", "", key)]
    elif kind == "both icons":
        lines = head + ["IconExtCustom = 1"]
        lines = ["[GeneralInformation]", "AppName = " + app, "[uConfig]", "IconExtUninst = 1", "IconExtCustom = 1"]
    if raw is None:
        raw = script_text(lines).encode("utf-8")
    if kind in ("long name", "odd name"):
        kind += " %r" % (app if len(app) < 40 else app[:20] + "...(%d characters)" % len(app))
    info = base.info_with(replace={"Config/Script.ini": raw})
    if failing:
        members = base.payload_members() + [Member("broken.txt", b"a broken entry", crc=0x12345678)]
        info = base.info_with(replace={"Config/Script.ini": raw}, statistics_value=base.required + 14)
        data = base.assemble(payload=build_zip(members)[0], info=info)
        return base, "%s (%d bytes), unpacking fails" % (kind, len(raw)), data, "fail", base.expected
    data = base.assemble(info=info)
    return base, "%s (%d bytes)" % (kind, len(raw)), data, expect, base.expected


def make_languages(rng, bases):
    base = rng.choice(bases)
    names = [n for n in base.info_files if n.startswith("Languages/")]
    kind = pick(rng, ["none", "empty", "garbage", "no keys", "bom only", "one broken of several", "many", "utf-16"])
    replace = {}
    drop = []
    expect = None
    if kind == "none":
        drop = ["Languages"]
        expect = "fail"
    elif kind == "empty":
        replace = {n: b"" for n in names}
    elif kind == "garbage":
        replace = {n: bytes(rng.getrandbits(8) for _ in range(2048)) for n in names}
    elif kind == "no keys":
        replace = {n: b"\xef\xbb\xbf[TSF Localization File]\r\nLanguage = Nothing\r\n" for n in names}
    elif kind == "bom only":
        replace = {n: b"\xef\xbb\xbf" for n in names}
    elif kind == "one broken of several":
        replace = {names[0]: bytes(rng.getrandbits(8) for _ in range(512)), "Languages/Broken.ini": b"\x00" * 64}
    elif kind == "many":
        english = base.info_files[names[0]]
        replace = {"Languages/Copy%03d.ini" % k: english.replace(b"Language = ", b"Language = Copy%03d " % k)
                   for k in range(60)}
    elif kind == "utf-16":
        replace = {n: base.info_files[n].decode("utf-8-sig").encode("utf-16") for n in names}
    data = base.assemble(info=base.info_with(replace=replace, drop=drop))
    return base, kind, data, expect, base.expected


def make_statistics(rng, bases):
    base = rng.choice(bases)
    honest = base.required
    kind, value, expect = pick(rng, [
        ("missing", None, "fail"), ("empty", b"", "ok"), ("four bytes", struct.pack("<I", honest), "ok"),
        ("text", str(honest).encode(), None), ("one less", statistics(honest - 1), "ok"),
        ("one byte", statistics(1), "ok"), ("zero", statistics(0), "ok"),
        ("huge", statistics(1 << 62), "fail"), ("all ones", b"\xff" * 8, "fail"),
        ("long file", statistics(honest) + bytes(rng.getrandbits(8) for _ in range(1000)), "ok"),
        ("twice", statistics(honest * 2), "ok"),
    ], lambda c: c[0])
    if value is None:
        info = base.info_with(drop=["Config/Statistics.ini"])
    else:
        info = base.info_with(replace={"Config/Statistics.ini": value})
    return base, "%s (honest %d)" % (kind, honest), base.assemble(info=info), expect, base.expected


def bitmap(width, height, bpp=24, colours=0, compression=0, data=None, size_field=None):
    stride = ((width * bpp + 31) // 32) * 4 if width > 0 and bpp > 0 else 0
    pixels = data if data is not None else bytes(min(abs(stride * height), 200000))
    palette = bytes(4 * min(colours, 256))
    offset = 14 + 40 + len(palette)
    header = struct.pack("<2sIHHI", b"BM", size_field if size_field is not None else offset + len(pixels), 0, 0,
                         offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bpp, compression, len(pixels), 2835, 2835,
                       colours & 0xFFFFFFFF, 0)
    return header + info + palette + pixels


def make_resources(rng, bases):
    base = rng.choice(bases)
    target = rng.choice(["Resources/WizBitmap.bmp", "Resources/HeadBitmap.bmp"])
    kind, data, expect = pick(rng, [
        ("missing", None, "fail"), ("empty", b"", "fail"),
        ("garbage", bytes(rng.getrandbits(8) for _ in range(4096)), "fail"),
        ("huge dimensions", bitmap(100000, 100000), None), ("negative width", bitmap(-155, 310), None),
        ("top-down huge", bitmap(30000, -30000), None), ("zero size", bitmap(0, 0), None),
        ("bpp 13", bitmap(155, 310, bpp=13), None), ("palette of 2^31", bitmap(155, 310, bpp=8, colours=0x7FFFFFFF), None),
        ("bad RLE", bitmap(155, 310, bpp=8, colours=256, compression=1,
                           data=bytes(rng.getrandbits(8) for _ in range(3000))), None),
        ("truncated pixels", bitmap(155, 310)[:2000], None),
        ("size field lies", bitmap(155, 310, size_field=0xFFFFFFFF), None),
    ], lambda c: c[0])
    if data is None:
        info = base.info_with(drop=[target])
    else:
        info = base.info_with(replace={target: data})
    return base, "%s: %s" % (target, kind), base.assemble(info=info), expect, base.expected


MAKERS = [
    ("payload-flip", make_payload_flip), ("info-flip", make_info_flip),
    ("payload-cut", make_payload_cut), ("info-cut", make_info_cut), ("package-cut", make_package_cut),
    ("payload-field", make_payload_field), ("info-field", make_info_field),
    ("trailer", make_trailer), ("names", make_names), ("bomb", make_bomb), ("duplicates", make_duplicates),
    ("script", make_script), ("languages", make_languages), ("statistics", make_statistics),
    ("resources", make_resources),
]
# Relative frequency of each kind in a full run.
WEIGHTS = {"payload-flip": 3, "info-flip": 2, "payload-cut": 1, "info-cut": 1, "package-cut": 1,
           "payload-field": 3, "info-field": 2, "trailer": 2, "names": 6, "bomb": 2, "duplicates": 2,
           "script": 3, "languages": 1, "statistics": 1, "resources": 1}

# The fixed sample: every kind of damage, every group of names, the bombs:
# (kind, the variant's label or None for the seeded choice).
SAMPLE = [("payload-flip", "cd"), ("info-flip", "local"), ("payload-cut", None), ("info-cut", None),
          ("package-cut", "trailer"), ("payload-field", None), ("info-field", None),
          ("trailer", "payload negative"), ("trailer", "one before the start"),
          ("names:climb", ".."), ("names:absolute", "root"), ("names:drive", "C:"), ("names:unc", "server share"),
          ("names:device", "COM1 folder"), ("names:long", "name of 500"), ("names:long", "path of 300"),
          ("names:utf8", "umlauts"), ("names:oem", "cp437 letters"), ("names:stream", "stream"),
          ("bomb", "honest"), ("bomb", "lying header"), ("bomb", "huge claim"), ("bomb", "stats zero"),
          ("duplicates", "second broken"), ("duplicates", "case differs"), ("script", "garbage"),
          ("script", "missing"), ("languages", "none"), ("statistics", "one less"),
          ("resources", "huge dimensions")]


def generate(count, seed, sample, bases, variants=None):
    global _forced
    makers = dict(MAKERS)
    plan = []
    if variants:
        for k, wanted in enumerate(variants):
            kind, _, variant = wanted.partition("=")
            plan.append((kind, variant or None, random.Random("%s/variant/%d" % (seed, k))))
    elif sample:
        for k, (kind, variant) in enumerate(SAMPLE):
            plan.append((kind, variant, random.Random("sample/%d" % k)))
    else:
        order = [kind for kind, _ in MAKERS for _ in range(WEIGHTS[kind])]
        for n in range(count):
            plan.append((order[n % len(order)], None, random.Random("%s/%d" % (seed, n))))
    for kind, variant, rng in plan:
        _forced = variant
        try:
            if kind.startswith("names:"):
                result = make_names(rng, bases, group=kind.split(":", 1)[1])
                kind = "names"
            else:
                result = makers[kind](rng, bases)
        finally:
            _forced = None
        yield (kind,) + result


# ---------------------------------------------------------------------------
# The Wine session and the runs.

class Session:
    def __init__(self, folder, arch, bin_folder, user=None):
        self.user = user  # the prefix's user (and profile folder) name; None: Wine's default
        self.folder = os.path.abspath(folder)
        self.arch = arch
        self.bin = os.path.abspath(bin_folder)
        self.prefix = os.path.join(self.folder, "prefix")
        self.drive_c = os.path.join(self.prefix, "drive_c")
        self.scratch = os.path.join(self.folder, "scratch")

    def start(self):
        env = dict(os.environ, TARN_SESSION_USER=self.user) if self.user else None
        subprocess.run([SESSION, "start", self.folder, self.arch, self.bin], check=True, stdout=subprocess.DEVNULL,
                       env=env)
        self.template_c = os.path.join(self.folder, "template", "drive_c")
        self.write_batch_files()
        # A crash ends the process with its exception code instead of a dialog.
        self.wine("reg", "add", r"HKCU\Software\Wine\WineDbg", "/v", "ShowCrashDialog", "/t", "REG_DWORD",
                  "/d", "0", "/f")
        temp = self.wine("cmd", "/c", "echo %TEMP%").stdout.decode("utf-8", "replace").strip()
        self.temp = self.linux(temp) if not self.user else os.path.join(self.drive_c, "users", self.user, "Temp")
        if not os.path.isdir(self.temp):
            raise SystemExit("inject: the temporary folder %s (%s) is not in the prefix" % (temp, self.temp))
        self.uninstall_keys = [UNINSTALL] + ([UNINSTALL_WOW] if self.arch == "x64" else [])
        self.baseline_entries = self.entries()

    def write_batch_files(self):
        for name in ("faultpkgs", "faultlogs", "faultdest"):
            os.makedirs(os.path.join(self.drive_c, name), exist_ok=True)
        with open(os.path.join(self.drive_c, "faultpkgs", "run.cmd"), "w", newline="") as f:
            # "start /wait" gives the program's own exit code (also of a batch
            # file, which the self-check uses); the word and the blank keep a
            # one-digit code from being read as a handle number.
            f.write('@echo off\r\nstart /wait "" %1 /S /D=%2 /LOG=%3\r\necho code %ERRORLEVEL% >%4\r\n')
        with open(os.path.join(self.drive_c, "faultpkgs", "remove.cmd"), "w", newline="") as f:
            f.write('@echo off\r\nstart /wait "" %1 /S\r\necho code %ERRORLEVEL% >%2\r\n')

    def stop(self):
        subprocess.run([SESSION, "stop", self.folder], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def wine(self, *args, timeout=120):
        return subprocess.run([SESSION, "run", self.folder] + list(args), stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE, timeout=timeout)

    def linux(self, windows):
        """A C: path of the prefix as a Linux path (the real case of each part)."""
        if not windows[:3].upper() == "C:\\":
            raise ValueError(windows)
        path = self.drive_c
        for part in [p for p in windows[3:].split("\\") if p]:
            match = part
            if os.path.isdir(path):
                for name in os.listdir(path):
                    if name.lower() == part.lower():
                        match = name
                        break
            path = os.path.join(path, match)
        return path

    def entries(self):
        """The uninstall entries: key name -> UninstallString (or "")."""
        found = {}
        for root in self.uninstall_keys:
            out = self.wine("reg", "query", root, "/s").stdout.decode("utf-8", "replace")
            current = None
            for line in out.splitlines():
                if line.upper().startswith("HKEY_LOCAL_MACHINE\\"):
                    rest = line[len("HKEY_LOCAL_MACHINE\\"):]
                    prefix = root[len("HKLM\\"):] + "\\"
                    current = rest[len(prefix):] if rest.lower().startswith(prefix.lower()) else None
                    if current and "\\" not in current:
                        found.setdefault(root + "\\" + current, "")
                    else:
                        current = None
                elif current and line.strip().startswith("UninstallString"):
                    found[root + "\\" + current] = line.split("REG_SZ", 1)[-1].strip()
        return found


def listing(root, skip):
    """Every file and folder below `root`: relative name (lower case, "/")
    -> (kind, size, modification time); folders in `skip` (relative, lower
    case) are left out with their contents."""
    result = {}
    if not os.path.isdir(root):
        return result
    for folder, dirs, files in os.walk(root):
        rel = os.path.relpath(folder, root).replace(os.sep, "/")
        rel = "" if rel == "." else rel + "/"
        keep = []
        for d in dirs:
            name = (rel + d).lower()
            if name in skip:
                continue
            keep.append(d)
            result[name + "/"] = ("dir", 0, 0)
        dirs[:] = keep
        for f in files:
            path = os.path.join(folder, f)
            try:
                st = os.lstat(path)
            except OSError:
                continue
            result[(rel + f).lower()] = ("file", st.st_size, st.st_mtime_ns)
    return result


def differences(before, after):
    changed = []
    for name, value in after.items():
        if name not in before:
            changed.append("new " + name)
        elif value != before[name]:
            changed.append("changed " + name)
    for name in before:
        if name not in after:
            changed.append("gone " + name)
    return sorted(changed)


# Wine's own programs, which come and go with the session, not with a run.
WINE_PROGRAMS = {"explorer.exe", "services.exe", "winedevice.exe", "plugplay.exe", "rpcss.exe", "svchost.exe",
                 "conhost.exe", "start.exe", "wineboot.exe", "winedbg.exe"}


def processes_of_prefix(prefix):
    """The living Windows processes of the prefix: pid -> program."""
    found = {}
    needle = b"WINEPREFIX=" + prefix.encode()
    for pid in os.listdir("/proc"):
        if not pid.isdigit():
            continue
        try:
            with open("/proc/%s/stat" % pid) as f:
                state = f.read().rsplit(")", 1)[-1].split()[0]
            with open("/proc/%s/environ" % pid, "rb") as f:
                environment = f.read().split(b"\0")
            with open("/proc/%s/cmdline" % pid, "rb") as f:
                program = f.read().split(b"\0")[0].decode("utf-8", "replace")
        except OSError:
            continue
        if state not in ("Z", "X") and needle in environment:
            found[int(pid)] = program
    return found


def processes_of(prefix, exe):
    """The processes of the prefix whose program is `exe` (Wine shows a
    program's Windows command line as its own)."""
    wanted = ("\\" + exe).lower()
    return [pid for pid, program in processes_of_prefix(prefix).items()
            if program.split(" ")[0].strip('"').lower().endswith(wanted)]


def named_processes_of_prefix(prefix, limit=10.0):
    """As processes_of_prefix, after waiting (at most `limit` seconds) until
    every process shows its program: one caught between its start and its
    program's loading (Wine starting a helper of its own) has no name yet."""
    deadline = time.monotonic() + limit
    while True:
        found = processes_of_prefix(prefix)
        if all(found.values()) or time.monotonic() >= deadline:
            return found
        time.sleep(0.05)


def is_wine_program(program):
    name = program.split(" ")[0].strip('"').replace("/", "\\").rsplit("\\", 1)[-1].lower()
    return name in WINE_PROGRAMS or "wineserver" in name


def wait_for_processes(pids, limit):
    """Waits until one of the processes has ended (or the limit)."""
    handles = []
    for pid in pids:
        try:
            handles.append(os.pidfd_open(pid))
        except OSError:
            pass
    if handles:
        select.select(handles, [], [], max(0.0, limit))
    for fd in handles:
        os.close(fd)


def kill_processes(pids, limit=30):
    """Ends the processes and waits until each has ended (or the limit)."""
    handles = []
    for pid in pids:
        try:
            handles.append(os.pidfd_open(pid))
            os.kill(pid, signal.SIGKILL)
        except OSError:
            pass
    deadline = time.monotonic() + limit
    for fd in handles:
        select.select([fd], [], [], max(0.0, deadline - time.monotonic()))
        os.close(fd)


# The time limit of the self-check's runs: one of them is made to hang.
SELF_CHECK_TIMEOUT = 10


class Runner:
    def __init__(self, session, timeout, keep, verbose, details=True, hostile=False):
        self.details = details
        self.plant = None  # plants the hostile family's files again after a step
        self.s = session
        self.timeout = timeout
        self.keep = keep
        self.verbose = verbose
        self.totals = {k: 0 for k in FINDINGS}
        self.tried = 0
        self.failing = []
        lower = lambda p: os.path.relpath(p, session.drive_c).replace(os.sep, "/").lower()
        self.temp_rel = lower(session.temp)
        self.skip = {"windows", "faultpkgs", "faultlogs", self.temp_rel}
        for user in os.listdir(os.path.join(session.drive_c, "users")):
            self.skip.add(("users/%s/appdata/local/microsoft" % user).lower())
        if hostile:
            # Every place of drive C: is watched, the Windows folder too,
            # but for what Wine itself keeps writing.
            self.skip = {"faultpkgs", "faultlogs"} | HOSTILE_NOISE

    def snapshot(self, n):
        skip = self.skip | {"faultdest/%d" % n}
        # The programs' folder is shared: the end-to-end tests that run
        # beside this script leave their screenshots in it.
        return (listing(self.s.drive_c, skip), listing(self.s.scratch, {"hostile/%d" % n}),
                listing(self.s.bin, {"screenshots"}),
                set(os.listdir(self.s.temp)) if os.path.isdir(self.s.temp) else set())

    def execute(self, n, exe, arguments, rc_linux, err_path, findings, settle=False):
        """Runs a batch file of the session's (its arguments) with the time
        limit and collects what the run ended with: (exit code, seconds,
        what it wrote to the console, whether the limit was hit); hangs, stray processes and crashes
        go into `findings`. `settle`: the programs the run started may go on
        after it (the uninstaller's copy ends after handing back its
        outcome): they are waited for within the time limit."""
        running_before = processes_of_prefix(self.s.prefix)
        started = time.monotonic()
        with open(err_path, "wb") as err:
            proc = subprocess.Popen([SESSION, "run", self.s.folder, "cmd", "/c"] + arguments,
                                    stdout=err, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL,
                                    start_new_session=True)
            hang = False
            try:
                proc.wait(timeout=self.timeout)
            except subprocess.TimeoutExpired:
                hang = True
                # Only the package's own processes are ended; the batch file
                # then writes the exit code and ends.
                kill_processes(processes_of(self.s.prefix, exe))
                try:
                    proc.wait(timeout=60)
                except subprocess.TimeoutExpired:
                    os.killpg(proc.pid, signal.SIGKILL)
                    proc.wait()
        quiet = 0
        while settle and not hang and quiet < 2:
            # Twice none in a row: a program may be between its start and
            # the moment its process shows what it is.
            left = [pid for pid, program in processes_of_prefix(self.s.prefix).items()
                    if pid not in running_before and not is_wine_program(program)]
            remaining = self.timeout - (time.monotonic() - started)
            quiet = 0 if left else quiet + 1
            if left and remaining <= 0:
                break
            if left:
                wait_for_processes(left, remaining)
        elapsed = time.monotonic() - started
        if hang:
            findings.append(("hang", "still running after %d s" % self.timeout))
        stray = {pid: program for pid, program in named_processes_of_prefix(self.s.prefix).items()
                 if pid not in running_before and not is_wine_program(program)}
        if stray:
            kill_processes(list(stray))
            findings.append(("hang", "still running after the run ended: " +
                             ", ".join("%d %s" % p for p in sorted(stray.items()))))
        code = None
        try:
            with open(rc_linux) as f:
                code = int(f.read().split()[1]) & 0xFFFFFFFF
        except (OSError, ValueError, IndexError):
            pass
        with open(err_path, "rb") as f:
            stderr = f.read().decode("utf-8", "replace")
        if code is None and not hang:
            findings.append(("crash", "no exit code was recorded"))
        elif code is not None and code not in ALLOWED_CODES:
            findings.append(("crash", "exit code %#x" % code))
        for word in ("Unhandled exception", "Unhandled page fault", "Unhandled stack overflow", "Backtrace:"):
            if word in stderr:
                findings.append(("crash", "Wine: " + word))
                break
        return code, elapsed, stderr, hang

    def run(self, n, kind, base, detail, data, expect, files, exe=None, hostile=None):
        """One package, unattended. `hostile`: a case of hostile setup
        scripts (HostileCase): installed on drive T:, all of drive C:
        watched, a successful installation removed again with its
        uninstaller (/S), and C: put back after each step."""
        self.tried += 1
        exe = exe or "fault%04d.exe" % n
        package = os.path.join(self.s.drive_c, "faultpkgs", exe)
        with open(package, "wb") as f:
            f.write(data)
        if hostile:
            dest = "T:\\hostile\\%d\\" % n
            dest_linux = os.path.join(self.s.scratch, "hostile", str(n))
            hostile.prepare(self.s)
        else:
            dest = "C:\\faultdest\\%d\\" % n
            dest_linux = os.path.join(self.s.drive_c, "faultdest", str(n))
        log = "C:\\faultlogs\\%d.log" % n
        rc_file = "C:\\faultlogs\\%d.rc" % n
        log_linux = os.path.join(self.s.drive_c, "faultlogs", "%d.log" % n)
        rc_linux = os.path.join(self.s.drive_c, "faultlogs", "%d.rc" % n)
        err_path = os.path.join(self.s.drive_c, "faultlogs", "%d.err" % n)

        before = self.snapshot(n)
        findings = []
        code, elapsed, stderr, hang = self.execute(n, exe, ["C:\\faultpkgs\\run.cmd", "C:\\faultpkgs\\" + exe, dest, log,
                                                      rc_file], rc_linux, err_path, findings)
        succeeded = code in SUCCESS_CODES
        failed = code in (1602, 1603)
        after = self.snapshot(n)
        group = self.group_of(dest_linux) if succeeded else None
        if hostile and self.watch(before, after, group, "the installation", findings):
            after = self.snapshot(n)  # as it was put back

        # The registry: what the run registered.
        entries = self.s.entries()
        new_entries = {k: v for k, v in entries.items() if k not in self.s.baseline_entries}
        installed = listing(dest_linux, set())
        installed_files = {k: v for k, v in installed.items() if v[0] == "file"}
        for key, uninstall in new_entries.items():
            if not succeeded:
                findings.append(("registered", "%s after exit code %s" % (key, code)))
                continue
            folder = uninstall.strip('"').rsplit("\\", 1)[0] + "\\" if uninstall else dest
            if folder.lower() != dest.lower():
                findings.append(("registered", "%s points to %s" % (key, uninstall)))
            missing = [name for name in files if not self.present(installed_files, name)]
            if not any(k.startswith("uninst") and k.endswith(".exe") for k in installed_files):
                missing.append("the uninstaller")
            if missing:
                findings.append(("registered", "%s without %s" % (key, ", ".join(sorted(missing)[:5]))))

        if failed and installed:
            findings.append(("failed-left", "%d entries in the install folder: %s" % (
                len(installed), ", ".join(sorted(installed)[:5]))))
        if expect == "fail" and succeeded:
            findings.append(("outcome", "installed (exit code %d) though it must fail" % code))
        if expect == "ok" and code is not None and not succeeded and not hang:
            findings.append(("outcome", "exit code %d though it must install" % code))

        removal = ""
        if hostile and succeeded and hostile.remove:
            # The removal the script has steered: what it deletes, and
            # whether it leaves its entry behind without the files.
            rc2 = "C:\\faultlogs\\%d.removal.rc" % n
            code2, seconds, _, _ = self.execute(n, "Uninst0.exe", ["C:\\faultpkgs\\remove.cmd", dest + "Uninst0.exe", rc2],
                                             rc2.replace("C:\\faultlogs\\", self.s.drive_c + "/faultlogs/"),
                                             err_path + ".removal", findings, settle=True)
            elapsed += seconds
            removal = ", removal exit %s" % ("-" if code2 is None else code2)
            final = self.snapshot(n)
            self.watch(after, final, group, "the removal", findings, before)
            after = final
            left = {k: v for k, v in self.s.entries().items() if k not in self.s.baseline_entries}
            for key in [k for k, uninstall in left.items() if uninstall]:
                if not os.path.exists(self.real_case(os.path.join(dest_linux, "uninst0.exe"))):
                    findings.append(("registered", "%s still there after the removal (exit code %s), its "
                                                   "uninstaller gone" % (key, code2)))
            new_entries.update(left)

        # The file systems: the work folder, and writes outside.
        notes = []
        if group and "/start menu/programs/" not in "/" + group:
            notes.append("the program group is outside the Start menu: C:/" + group)
        new_temp = sorted(after[3] - before[3])
        for name in new_temp:
            path = os.path.join(self.s.temp, name)
            if name.isdigit() and os.path.isdir(path):
                findings.append(("leftover", "work folder %s left in the temporary folder" % name))
            elif not hostile:
                findings.append(("outside", "new in the temporary folder: " + name))
        outside = []
        for label, b, a in (("C:", before[0], after[0]), ("T:", before[1], after[1]), ("P:", before[2], after[2])):
            if hostile and label != "P:":
                continue  # judged step by step above; T: is thrown away
            for change in differences(b, a):
                name = change.split(" ", 1)[1]
                # The group and the links in it.
                if label == "C:" and group and (name + "/").startswith(group) and \
                        "/" not in name[len(group):].rstrip("/"):
                    continue
                outside.append("%s %s/%s" % (change.split(" ", 1)[0], label, name))
        if outside:
            findings.append(("outside", "; ".join(outside[:8]) + (" ..." if len(outside) > 8 else "")))
        escaped = [p for p in self.escape_marks()]
        if escaped:
            findings.append(("outside", "marked files outside the prefix: " + ", ".join(escaped)))

        for category, _ in findings:
            self.totals[category] += 1
        status = "ok" if not findings else "FINDINGS"
        print("[%4d] %-13s %-5s exit %-10s %5.1fs %s  %s" % (
            n, kind, base.name, ("-" if code is None else code), elapsed, status, detail + removal), flush=True)
        for category, text in findings:
            print("         %s: %s" % (category, text), flush=True)
        for text in notes:
            print("         note: " + text, flush=True)
        if findings and self.details:
            if os.path.exists(log_linux):
                with open(log_linux, encoding="utf-8-sig", errors="replace") as f:
                    tail = f.read().splitlines()[-6:]
                for line in tail:
                    print("         log: " + line, flush=True)
            if stderr.strip():
                for line in stderr.strip().splitlines()[-6:]:
                    print("         stderr: " + line, flush=True)
            self.failing.append((n, kind, detail, findings))
            if self.keep:
                os.makedirs(self.keep, exist_ok=True)
                shutil.copy(package, os.path.join(self.keep, exe))
                if os.path.exists(log_linux):
                    shutil.copy(log_linux, os.path.join(self.keep, "fault%04d.log" % n))
        elif self.verbose and os.path.exists(log_linux):
            with open(log_linux, encoding="utf-8-sig", errors="replace") as f:
                for line in f.read().splitlines()[-3:]:
                    print("         log: " + line, flush=True)

        self.clean(n, exe, new_entries, new_temp, after, before)
        if hostile:
            hostile.undo(self.s)
        return findings

    def watch(self, before, after, group, step, findings, first=None):
        """A hostile case's step: what it deleted on drive C: that was there
        before the case's `first` step (a finding of its own), what else it
        changed there, and C: put back as the template has it. True when
        something was put back."""
        old, new = before[0], after[0]
        origin = (first or before)[0]
        gone = sorted(name for name in old if name not in new and name in origin)
        top = [name for name in gone if not any(name != g and name.startswith(g) for g in gone if g.endswith("/"))]
        if gone:
            findings.append(("deleted", "%s deleted %d entries: %s" % (
                step, len(gone), ", ".join("C:/" + g for g in top[:6]) + (" ..." if len(top) > 6 else ""))))
        changed = []
        for change in differences(old, new):
            verb, name = change.split(" ", 1)
            if verb == "gone" or (group and (name + "/").startswith(group)) or (first and name not in origin):
                continue
            if verb == "new" and name.startswith(self.temp_rel + "/"):
                continue  # work folders: the leftover detector judges them
            changed.append(change)
        if changed:
            findings.append(("outside", "%s changed: %s" % (step, "; ".join(
                "%s C:/%s" % tuple(c.split(" ", 1)) for c in changed[:6]) + (" ..." if len(changed) > 6 else ""))))
        if gone or changed:
            self.put_back(top + [c.split(" ", 1)[1] for c in changed if c.startswith("changed ")])
        return bool(gone or changed)

    def put_back(self, names):
        """Copies these entries of drive C: (listing names) back from the
        session's template, then plants the hostile family's files again."""
        for name in names:
            source = self.real_case(os.path.join(self.s.template_c, *name.rstrip("/").split("/")))
            if not os.path.lexists(source):
                continue
            target = os.path.join(self.s.drive_c, os.path.relpath(source, self.s.template_c))
            if os.path.isdir(target) and not os.path.islink(target):
                shutil.rmtree(target, ignore_errors=True)
            elif os.path.lexists(target):
                os.remove(target)
            os.makedirs(os.path.dirname(target), exist_ok=True)
            if os.path.isdir(source) and not os.path.islink(source):
                shutil.copytree(source, target, symlinks=True)
            else:
                shutil.copy2(source, target, follow_symlinks=False)
        self.s.write_batch_files()
        if self.plant:
            self.plant()

    @staticmethod
    def present(installed, name):
        wanted = "/".join(p.rstrip(". ") for p in name.lower().split("/"))
        return wanted in installed

    def group_of(self, install_folder):
        """The program group a successful run made, as the uninstall data
        record it (the folder the removal removes): its name relative to
        drive C: in lower case with "/" at the end, or None."""
        for name in sorted(os.listdir(install_folder)) if os.path.isdir(install_folder) else []:
            if not (name.lower().startswith("uninst") and name.lower().endswith(".dat")):
                continue
            with open(os.path.join(install_folder, name), encoding="utf-8-sig", errors="replace") as f:
                for line in f:
                    key, _, value = line.partition("=")
                    if key.strip() != "AutoStartMenuGroup":
                        continue
                    # Windows ends a name at its first NUL, and resolves "..".
                    path = ntpath.normpath(value.strip().split(PILCROW)[-1].split("\0")[0])
                    if path[:3].upper() != "C:\\":
                        return None
                    rel = path[3:].replace("\\", "/").lower().strip("/")
                    return rel + "/" if rel else None
        return None

    def escape_marks(self):
        """Files and folders that carry the mark of hostile names in the
        writable places outside the prefix: /tmp (two levels), the session's
        folder and the folder around it."""
        found = []
        places = [("/tmp", 2), (self.s.folder, 1), (os.path.dirname(self.s.folder), 1)]
        for root, depth in places:
            for folder, dirs, files in os.walk(root):
                if folder.count(os.sep) - root.rstrip(os.sep).count(os.sep) + 1 >= depth:
                    dirs[:] = []
                for name in files + dirs:
                    if MARK.lower() in name.lower():
                        found.append(os.path.join(folder, name))
        return found

    def clean(self, n, exe, new_entries, new_temp, after, before):
        """Puts the machine back: the install folder, the entries, the group,
        HKCU\\Software\\TarnFault, and anything else the run left."""
        lines = ["@echo off"]
        for key in new_entries:
            lines.append('reg delete "%s" /f >nul 2>&1' % key)
        lines.append(r"reg delete HKCU\Software\TarnFault /f >nul 2>&1")
        with open(os.path.join(self.s.drive_c, "faultpkgs", "clean.cmd"), "w", newline="") as f:
            f.write("\r\n".join(lines) + "\r\n")
        self.s.wine("cmd", "/c", "C:\\faultpkgs\\clean.cmd")
        remove = [os.path.join(self.s.drive_c, "faultdest", str(n)), os.path.join(self.s.scratch, "hostile", str(n))]
        remove += [os.path.join(self.s.temp, t) for t in new_temp]
        for label, root in (("C:", self.s.drive_c), ("T:", self.s.scratch)):
            index = 0 if label == "C:" else 1
            for name in after[index]:
                if name not in before[index]:
                    remove.append(os.path.join(root, *name.rstrip("/").split("/")))
        for path in self.escape_marks():
            if path.startswith(self.s.folder):
                remove.append(path)
        for path in remove:
            path = self.real_case(path)
            if os.path.isdir(path) and not os.path.islink(path):
                subprocess.run(["chmod", "-R", "u+w", path], stderr=subprocess.DEVNULL)
                shutil.rmtree(path, ignore_errors=True)
            elif os.path.lexists(path):
                os.remove(path)
        package = os.path.join(self.s.drive_c, "faultpkgs", exe)
        if os.path.exists(package):
            os.remove(package)

    def real_case(self, path):
        """Listings are in lower case: the path as it is on the disk."""
        if os.path.lexists(path):
            return path
        parts = path.split(os.sep)
        current = os.sep
        for part in parts[1:]:
            candidate = os.path.join(current, part)
            if not os.path.lexists(candidate) and os.path.isdir(current):
                for name in os.listdir(current):
                    if name.lower() == part.lower():
                        candidate = os.path.join(current, name)
                        break
            current = candidate
        return current


def self_check(session, bases):
    """Packages made to trip each detector: each must give its finding. The
    number of detectors that did not."""
    runner = Runner(session, SELF_CHECK_TIMEOUT, None, False, details=False)
    alpha = bases[0]

    def with_tasks(*lines):
        script = alpha.info_files["Config/Script.ini"].decode("utf-8-sig") + "\r\n".join(lines) + "\r\n"
        return alpha.assemble(info=alpha.info_with(replace={"Config/Script.ini": ("\ufeff" + script).encode()}))

    controls = [
        ("hang", "a task that waits for a program that never ends",
         with_tasks("Wait = " + task("RUN", "1", "1", "1", "P:\\sleeper.exe", "3600", "wait")), None, alpha.expected,
         None),
        ("leftover", "the same, ended from outside", None, None, None, None),
        ("outside", "a task that makes a folder outside",
         with_tasks("Outside = " + task("CREATEFOLDER", "C:\\TarnFaultOutside")), None, alpha.expected, None),
        ("registered", "a payload file the installation lacks", alpha.package, None,
         dict(alpha.expected, **{"missing.txt": 1}), None),
        ("outcome", "a good package that must fail", alpha.package, "fail", alpha.expected, None),
        ("crash", "a program that ends with a code no run ends with", b"@exit /b 5\r\n", None, {}, "fault%04d.cmd"),
    ]
    failures = 0
    n = 9000
    hang_findings = None
    for category, detail, data, expect, files, exe in controls:
        if data is None:
            found = hang_findings
        else:
            n += 1
            found = runner.run(n, "self-check", alpha, detail, data, expect, files, exe=exe % n if exe else None)
            if category == "hang":
                hang_findings = found
        ok = any(c == category for c, _ in found)
        failures += not ok
        print("self-check: %-10s %s" % (category, "detected" if ok else "NOT DETECTED"), flush=True)
    return failures


# ---------------------------------------------------------------------------
# Hostile setup scripts: one destructive task aimed at a protected folder in
# a generated spelling, installed on drive T:, then removed again, in a
# session whose profile is named beyond ASCII (letters whose other case lies
# outside Latin-1), with every protected folder holding a file of its own.

HOSTILE_USER = "Żółw-Ωμέγα-Жёлудь"
KEEP = "TarnHostile keep"  # planted in every protected folder: a file and a folder with a file
# What Wine itself writes on drive C: while programs come and go.
HOSTILE_NOISE = {"windows/logs", "windows/temp", "windows/installer", "windows/inf"}

# The protected folders below C:\ ("" is the root), those that exist in
# the prefix are the targets; the last ones are left empty, so that a
# removal of "empty" folders can take them.
PROTECTED = ["", "windows", "windows/system32", "windows/syswow64", "windows/fonts", "program files",
             "program files/common files", "program files (x86)", "programdata", "users", "users/@",
             "users/@/desktop", "users/@/documents", "users/@/downloads", "users/@/pictures", "users/@/videos",
             "users/@/appdata", "users/@/appdata/roaming", "users/@/appdata/local",
             "users/@/appdata/roaming/microsoft/windows/start menu",
             "users/@/appdata/roaming/microsoft/windows/start menu/programs",
             "users/@/appdata/roaming/microsoft/windows/templates", "users/@/temp", "users/public",
             "users/public/desktop", "users/public/documents", "programdata/microsoft/windows/start menu/programs",
             "users/@/favorites", "users/@/music", "users/public/music"]
LEFT_EMPTY = {"users/@/favorites", "users/@/music", "users/public/music"}
# The tokens of some of them: a script's natural way to name them.
FOLDER_TOKENS = {"": "<RootPartition>", "windows": "<Windows>", "windows/system32": "<System>",
                 "program files": "<ProgramFiles>", "users/@/desktop": "<Desktop>",
                 "users/@/documents": "<Documents>", "users/@/temp": "<Temp>",
                 "users/public/desktop": "<AllUsersDesktop>", "users/public/documents": "<AllUsersDocuments>",
                 "users/@/appdata/roaming/microsoft/windows/start menu": "<Start>",
                 "users/@/appdata/roaming/microsoft/windows/start menu/programs": "<StartPrograms>",
                 "programdata/microsoft/windows/start menu/programs": "<AllUsersStartPrograms>"}
# Tokens that must not become empty: unknown ones, an empty variable, a
# program that is not there, an empty name.
EMPTY_TOKENS = ["<NonExistentToken>", "<SupportEmail>", "<PureBasic>", "<>", "<CompanyName>", "<Nope><>"]
SHARE_HOSTS = [lambda r, c: "".join(x.upper() if r.random() < .5 else x for x in "localhost"),
               lambda r, c: "127.%d.%d.%d" % (r.randrange(256), r.randrange(256), r.randrange(1, 255)),
               lambda r, c: "127.0.0.1", lambda r, c: "127.1", lambda r, c: "::1", lambda r, c: "[::1]",
               lambda r, c: "0:0:0:0:0:0:0:1", lambda r, c: "[0000:0000:0000:0000:0000:0000:0000:0001]",
               lambda r, c: "0::1", lambda r, c: "::0:1", lambda r, c: "0--1.ipv6-literal.net",
               lambda r, c: "".join(x.lower() if r.random() < .5 else x for x in c)]
STREAMS = ["::$DATA", ":$DATA", "::$INDEX_ALLOCATION", ":$I30:$INDEX_ALLOCATION", ":TarnHostile"]
DEVICE_PREFIXES = ["\\\\?\\", "\\\\.\\", "\\??\\", "\\\\?\\GLOBALROOT\\??\\", "\\\\?\\GLOBALROOT\\DosDevices\\",
                   "\\\\.\\GLOBALROOT\\GLOBAL??\\", "\\\\?\\GLOBALROOT\\Device\\HarddiskVolume1\\"]
SPELLINGS = ["case", "share", "admin", "short", "trailing", "stream", "device", "unix", "link", "link parent",
             "link in tree", "relative", "drive relative", "rooted", "empty token", "token", "odd separators"]
HOSTILE_KINDS = ["DELETEFOLDER", "DELETEFOLDER", "DELETEFOLDER", "DELETEFILE", "MOVEFILE", "COPYFILE",
                 "CREATEFOLDER", "group"]


class HostileContext:
    """What the spellings need to know of the session: the profile, the
    folders' real names and short names, the computer's name, whether the
    Linux file system is out of reach."""

    def __init__(self, session):
        self.s = session
        self.user = session.user
        self.folders = []  # (key, real names below C:\)
        for key in PROTECTED:
            parts = [p.replace("@", self.user) for p in key.split("/") if p]
            real = session.linux("C:\\" + "\\".join(parts)) if parts else session.drive_c
            if os.path.isdir(real):
                self.folders.append((key, os.path.relpath(real, session.drive_c).split(os.sep) if parts else []))
        out = session.wine("cmd", "/c", "echo %COMPUTERNAME%").stdout.decode("ascii", "replace").strip()
        self.computer = out or "localhost"
        self.short = self.short_names()
        self.unix = None
        self.links = 0

    def short_names(self):
        """"dir /x" of every parent: real name (lower case) -> Wine's 8.3 name."""
        parents = sorted({tuple(p[:i]) for _, p in self.folders for i in range(len(p))})
        short = {}
        for parent in parents:
            out = self.s.wine("cmd", "/c", "dir", "/x", "C:\\" + "\\".join(parent)).stdout.decode("cp437", "replace")
            names = os.listdir(os.path.join(self.s.drive_c, *parent))
            for line in out.splitlines():
                fields = line.split("<DIR>")
                rest = fields[1].strip() if len(fields) == 2 else ""
                if " " not in rest:
                    continue
                alias, printed = rest.split(None, 1)
                # The console shows names beyond ASCII as other characters.
                for name in names:
                    if len(name) == len(printed) and all(a == b or ord(a) > 127 for a, b in zip(name, printed)):
                        short[name.lower()] = alias
        return short

    def verify(self):
        """The session must keep the machine out of reach: no drive but C:,
        T: and P:; whether the Linux file system is read-only to it decides
        whether the "\\\\?\\unix\\" spellings run."""
        devices = sorted(os.listdir(os.path.join(self.s.prefix, "dosdevices")))
        # Serial and parallel ports lead to devices, not to files.
        stray = [d for d in devices if d not in ("c:", "t:", "p:", "unc") and not (
            d.rstrip("0123456789") in ("com", "lpt") and
            os.readlink(os.path.join(self.s.prefix, "dosdevices", d)).startswith("/dev/"))]
        if stray:
            raise SystemExit("inject: the session's prefix has drives %s besides C:, T: and P:; refusing to run "
                             "hostile scripts in it" % ", ".join(stray))
        for root in (self.s.drive_c, self.s.template_c):
            for folder, dirs, files in os.walk(root):
                for name in dirs + files:
                    path = os.path.join(folder, name)
                    if os.path.islink(path) and not os.path.realpath(path).startswith(self.s.folder + os.sep):
                        raise SystemExit("inject: %s leads out of the session (to %s); refusing to run hostile "
                                         "scripts" % (path, os.path.realpath(path)))
        with open(os.path.join(self.s.folder, "env")) as f:
            guarded = "TARN_SESSION_GUARD=read-only" in f.read()
        # Proof by trying: a folder beside the session's, written through
        # Wine's name for Linux files, must not come into being.
        probe = os.path.join(os.path.dirname(self.s.folder), MARK + "-probe-%d" % os.getpid())
        self.s.wine("cmd", "/c", "mkdir", "\\\\?\\unix" + probe.replace("/", "\\"))
        if os.path.lexists(probe):
            os.rmdir(probe)
            guarded = False
        if guarded:
            self.unix = "\\\\?\\unix" + self.s.drive_c.replace("/", "\\")
            return "Linux file system read-only to the session (mount namespace)"
        return ("WARNING: the session's programs can write the Linux file system (no mount namespace here): "
                "the \\\\?\\unix\\ spellings are left out")

    def plant(self):
        for key, parts in self.folders:
            if key in LEFT_EMPTY:
                continue
            folder = os.path.join(self.s.drive_c, *parts)
            inner = os.path.join(folder, KEEP)
            os.makedirs(inner, exist_ok=True)
            for path in (os.path.join(folder, KEEP + ".txt"), os.path.join(inner, "inner.txt")):
                with open(path, "w") as f:
                    f.write("A file of the user's, planted by the hostile scripts' test.\r\n")


class HostileCase:
    def __init__(self, detail, data, remove, links, shares):
        self.detail = detail
        self.data = data
        self.remove = remove
        self.links = links    # (name below T:\links, target below C:\ or None for a folder)
        self.shares = shares  # (server, share, folder below C:\)

    def prepare(self, session):
        """Links on drive T: and the local shares Windows has: Wine 8 makes
        neither (its mklink fails), so they are made on the Linux side: a
        symbolic link Wine shows as a reparse point, and a share of the
        prefix's own UNC folder."""
        for name, target in self.links:
            path = os.path.join(session.scratch, "links", *name.split("\\"))
            os.makedirs(os.path.dirname(path), exist_ok=True)
            if target is None:
                os.makedirs(path, exist_ok=True)
            else:
                os.symlink(os.path.join(session.drive_c, *target), path)
        for server, share, target in self.shares:
            path = os.path.join(session.prefix, "dosdevices", "unc", server.lower(), share.lower())
            os.makedirs(os.path.dirname(path), exist_ok=True)
            if not os.path.lexists(path):
                os.symlink(os.path.join(session.drive_c, *target), path)

    def undo(self, session):
        for folder, dirs, files in os.walk(os.path.join(session.scratch, "links"), topdown=False):
            for name in files + dirs:
                path = os.path.join(folder, name)
                os.remove(path) if os.path.islink(path) or not os.path.isdir(path) else os.rmdir(path)


def hostile_spelling(rng, ctx, parts, how, n, links, shares):
    """`parts` (real names below C:\\) spelled as `how` says."""
    def mixed(name):
        for _ in range(8):
            spelled = "".join(c.upper() if rng.random() < .5 else c.lower() for c in name)
            if spelled != name or name.upper() == name.lower():
                return spelled
        return name.swapcase()

    rest = "\\".join(parts)
    if how == "case":
        return "C:\\" + "\\".join(mixed(p) for p in parts) if parts else rng.choice(["c:\\", "C:\\"])
    if how in ("share", "admin"):
        server = rng.choice(SHARE_HOSTS)(rng, ctx.computer)
        if how == "admin" and parts[:1] == ["windows"]:
            share, below, target = rng.choice(["ADMIN$", "admin$", "Admin$"]), parts[1:], ["windows"]
        else:
            share, below, target = rng.choice(["C$", "c$"]), parts, []
        shares.append((server, share, target))
        lead = rng.choice(["\\\\", "\\\\", "\\\\?\\UNC\\", "//"])
        return lead + server + "\\" + share + "\\" + "\\".join(mixed(p) if rng.random() < .3 else p for p in below)
    if how == "short":
        names = [ctx.short.get(p.lower(), p) if rng.random() < .7 else
                 ("".join(c for c in p.upper() if c.isalnum())[:6] + "~1" if len(p) > 8 else p) for p in parts]
        return "C:\\" + "\\".join(names)
    if how == "trailing":
        if not parts:
            return "C:\\" + rng.choice([".", "..", ". .", " "])
        k = rng.randrange(len(parts)) if rng.random() < .3 else len(parts) - 1
        tail = rng.choice([".", "..", " ", ". .", " .", "...", "  ", ". "])
        return "C:\\" + "\\".join(p + tail if i == k else p for i, p in enumerate(parts)) + rng.choice(["", "\\"])
    if how == "stream":
        return "C:\\" + rest + rng.choice(STREAMS) if parts else "C:" + rng.choice(STREAMS)
    if how == "device":
        return rng.choice(DEVICE_PREFIXES) + "C:\\" + rest
    if how == "unix":
        return ctx.unix + "\\" + rest
    if how in ("link", "link parent", "link in tree"):
        k = "k%d" % n
        if how == "link":
            links.append((k, parts))
            return "T:\\links\\" + k + rng.choice(["", "\\"])
        if how == "link parent":
            links.append((k, parts[:-1]))
            return "T:\\links\\" + k + "\\" + (parts[-1] if parts else "")
        links.append((k, None))
        links.append((k + "\\inner link", parts))
        return "T:\\links\\" + k
    if how == "relative":
        return rng.choice(["", ".\\", "..\\" * rng.randint(1, 9)]) + rest
    if how == "drive relative":
        return rng.choice(["C:", "c:"]) + rng.choice(["", "..\\" * rng.randint(1, 6)]) + rest
    if how == "rooted":
        return rng.choice(["\\", "/"]) + rest.replace("\\", rng.choice(["\\", "/"]))
    if how == "empty token":
        return rng.choice(EMPTY_TOKENS) + rng.choice(["\\", ""]) + rest
    if how == "token":
        # A token of the folder itself, or of one above it, and the rest.
        for i in range(len(parts), -1, -1):
            key = [k for k, p in ctx.folders if p == parts[:i] and k in FOLDER_TOKENS]
            if key:
                below = parts[i:]
                return FOLDER_TOKENS[key[0]] + "\\".join(mixed(p) for p in below) + rng.choice(
                    ["", ".", "\\", "\\.", "\\x\\..", " ", "\\\\"])
        return "<RootPartition>" + rest
    # Odd separators: "/", doubled ones, "." and a folder climbed back out of.
    out = "C:"
    for p in parts:
        out += rng.choice(["\\", "/", "\\\\", "\\.\\", "\\" + MARK + "\\..\\", "/./"]) + p
    return out + rng.choice(["", "\\", "/", "\\."])


def make_hostile(rng, ctx, alpha, n):
    kind = rng.choice(HOSTILE_KINDS)
    how = _forced or rng.choice([h for h in SPELLINGS if h != "unix" or ctx.unix])
    if how == "unix" and not ctx.unix:
        how = "device"
    choices = [(k, p) for k, p in ctx.folders if kind != "group" or k not in ("", "users")]
    if how in ("admin",):
        choices = [(k, p) for k, p in choices if k.startswith("windows")] or choices
    if how == "link parent":
        choices = [(k, p) for k, p in choices if k] or choices
    if how == "link in tree":
        # Wine removes a link to a folder by removing that folder when it is
        # empty (Windows removes the link): the link in a tree leads to a
        # folder with content, whose loss only a walk through the link explains.
        choices = [(k, p) for k, p in choices if k and k not in LEFT_EMPTY] or choices
    if kind == "CREATEFOLDER" and rng.random() < .6:
        choices = [(k, p) for k, p in choices if k in LEFT_EMPTY] or choices
    key, parts = rng.choice(choices)
    links, shares = [], []
    target = hostile_spelling(rng, ctx, parts, how, n, links, shares)
    # A file of the user's in that folder, by a path a task may never take
    # (relative, or one that a token could make relative).
    as_file = how in ("relative", "drive relative", "empty token", "rooted") and key not in LEFT_EMPTY
    keep = (target.rstrip("\\/") + "\\" if target.rstrip("\\/") else target) + KEEP + ".txt"
    source = "<DefaultInstallPath>readme.txt"
    app = "TarnFault Hostile"
    remove = kind in ("COPYFILE", "CREATEFOLDER", "group")
    if kind == "DELETEFOLDER":
        line = task("DELETEFOLDER", target, *rng.choice([("1", "1")] * 3 + [("0", "0"), ("1", "0")]))
    elif kind == "DELETEFILE":
        line = task("DELETEFILE", keep if as_file and rng.random() < .7 else target)
    elif kind == "MOVEFILE":
        if rng.random() < .5:
            line = task("MOVEFILE", target, "<DefaultInstallPath>moved")
        else:
            line = task("MOVEFILE", source, keep if as_file else target)
    elif kind == "COPYFILE":
        line = task("COPYFILE", source, keep if as_file and rng.random() < .7 else target)
    elif kind == "CREATEFOLDER":
        line = task("CREATEFOLDER", target)
    else:
        # The program group is the program's name below the Start menu:
        # a name that climbs out of it names the group the removal removes.
        how = "climb"
        app = "..\\" * rng.randint(5, 8) + hostile_spelling(rng, ctx, parts, "case", n, links, shares)[3:]
        line = "(program group) AppName = " + app
    lines = ["; TarnFault hostile script", "[GeneralInformation]", "AppName = " + app, "Version = 1.0",
             "CompanyName =", "[iConfig]", "PathChangeable = 1", "AutoCreateStartMenu = 1",
             "CreateUninstallLink = 1", "[uConfig]", "IconExtUninst = 1", "[InstTasks]"]
    if kind != "group":
        lines.append("Hostile = " + line)
    data = alpha.assemble(info=alpha.info_with(replace={"Config/Script.ini": script_text(lines).encode()}))
    detail = "%s %s (%s): %s" % (kind, key.replace("@", "<user>") or "<root>", how, line.replace(PILCROW, " | "))
    return HostileCase(detail, data, remove, links, shares)


# The fixed sample: every spelling once, most kinds of task.
HOSTILE_SAMPLE = ["case", "share", "admin", "short", "trailing", "stream", "device", "unix", "link", "link parent",
                  "link in tree", "relative", "drive relative", "rooted", "empty token", "token",
                  "odd separators", "case", "share", "link"]


def generate_hostile(count, seed, sample, ctx, alpha):
    global _forced
    plan = [(how, random.Random("hostile sample/%d" % k)) for k, how in enumerate(HOSTILE_SAMPLE)] if sample else \
        [(None, random.Random("%s/hostile/%d" % (seed, k))) for k in range(count)]
    for n, (how, rng) in enumerate(plan, 1):
        _forced = how if how != "unix" or ctx.unix else "device"
        try:
            yield make_hostile(rng, ctx, alpha, n)
        finally:
            _forced = None


def run_hostile(args, arch, bin_folder, tarnpack, work):
    """The hostile family: cases tried, deletions and changes outside T:,
    registrations without files. Exit status 0 when nothing was deleted or
    registered without its files, and nothing crashed or hung."""
    if args.generate or args.variant or args.self_check:
        raise SystemExit("inject: --generate, --variant and --self-check are for the damaged packages; the hostile "
                         "scripts are made for a running session (its short names and links)")
    alpha = make_bases()[0]
    alpha.build(tarnpack, arch, work)
    session = Session(args.session or os.path.join(args.build, "hostile-session-" + arch), arch, bin_folder,
                      user=HOSTILE_USER)
    started = time.monotonic()
    session.start()
    try:
        if not os.path.isdir(os.path.join(session.drive_c, "users", HOSTILE_USER)):
            raise SystemExit("inject: the prefix has no profile folder %s: Wine did not take the user name "
                             "(users: %s)" % (HOSTILE_USER, ", ".join(os.listdir(os.path.join(session.drive_c,
                                                                                              "users")))))
        ctx = HostileContext(session)
        protection = ctx.verify()
        ctx.plant()
        seen = session.wine("cmd", "/c", "dir", "/b", "%USERPROFILE%\\Desktop").stdout.decode("cp437", "replace")
        if KEEP + ".txt" not in seen:
            raise SystemExit("inject: the programs of the session do not see the profile %s as theirs" % HOSTILE_USER)
        cases = list(generate_hostile(args.count, args.seed, args.sample, ctx, alpha))
        print("inject: %d hostile scripts, %s, %s, profile %s (short name %s); %s" % (
            len(cases), arch, "sample" if args.sample else "seed %s" % args.seed, HOSTILE_USER,
            ctx.short.get(HOSTILE_USER.lower(), "-"), protection), flush=True)
        # A task may move the file it is given away from the install folder.
        payload = {name: size for name, size in alpha.expected.items() if name != "readme.txt"}
        runner = Runner(session, args.timeout, args.keep, args.verbose, hostile=True)
        runner.plant = ctx.plant
        for n, case in enumerate(cases, 1):
            if args.only and n not in args.only:
                continue
            runner.run(n, "hostile", alpha, case.detail, case.data, None, payload, hostile=case)
        undetected = 0
        if args.sample:
            # The detector of deletions must detect one: a program the
            # script starts deletes a file of the user's.
            control = Runner(session, args.timeout, None, False, details=False, hostile=True)
            control.plant = ctx.plant
            victim = "C:\\users\\Public\\Documents\\" + KEEP + ".txt"
            lines = ["[GeneralInformation]", "AppName = TarnFault Hostile", "[InstTasks]", "Control = " + task(
                "RUN", "1", "1", "1", "C:\\windows\\system32\\cmd.exe", '/c del "%s"' % victim, "")]
            data = alpha.assemble(info=alpha.info_with(replace={"Config/Script.ini": script_text(lines).encode()}))
            found = control.run(9001, "self-check", alpha, "a program of the script's deletes " + victim, data,
                                None, alpha.expected, hostile=HostileCase("", data, False, [], []))
            undetected = not any(c == "deleted" for c, _ in found)
            print("self-check: %-10s %s" % ("deleted", "NOT DETECTED" if undetected else "detected"), flush=True)
    finally:
        session.stop()
    print()
    print("inject: %d hostile scripts tried in %.0f s (%s)" % (runner.tried, time.monotonic() - started, arch))
    figures = [("deleted", "steps that deleted something outside T:"),
               ("outside", "steps that changed something outside T:"),
               ("registered", "registrations without files"), ("crash", "crashes"), ("hang", "hangs"),
               ("leftover", "leftover work folders")]
    for key, label in figures:
        print("  %-40s %d" % (label, runner.totals[key]))
    deleting = [n for n, _, _, found in runner.failing if any(c == "deleted" for c, _ in found)]
    if deleting:
        print("cases that deleted outside T:: " + ", ".join(map(str, deleting)))
    bad = [n for n, _, _, found in runner.failing if any(c != "outside" for c, _ in found)]
    return 1 if bad or undetected else 0


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--count", type=int, default=300, help="packages to try (default 300)")
    parser.add_argument("--seed", default="1", help="seed of the damage (default 1)")
    parser.add_argument("--sample", action="store_true", help="the fixed sample: every kind of damage once or twice")
    parser.add_argument("--keep", help="folder to copy the packages with findings (and their logs) into")
    parser.add_argument("--arch", choices=["x86", "x64"], help="the leg to run (default: what the host runs)")
    parser.add_argument("--build", default=os.path.join(TOP, "build"), help="the build folder (default build/)")
    parser.add_argument("--tarnpack", help="the package builder (default BUILD/bin/tarnpack)")
    parser.add_argument("--bin", help="the Windows programs (default BUILD/windows/bin or BUILD/windows64/bin)")
    parser.add_argument("--session", help="the session folder (default BUILD/fault-session-ARCH)")
    parser.add_argument("--timeout", type=float, default=60, help="seconds a package may run (default 60)")
    parser.add_argument("--generate", metavar="DIR", help="only write the packages into DIR; run nothing")
    parser.add_argument("--only", type=int, action="append", help="run only package N (repeatable)")
    parser.add_argument("--variant", action="append", metavar="KIND[=LABEL]",
                        help="run this kind of damage (and variant), such as names:climb=.. or "
                             "\"script=long name+fail\" (repeatable; instead of --count and --sample)")
    parser.add_argument("--verbose", action="store_true", help="show the end of every log")
    parser.add_argument("--family", choices=["damage", "hostile"], default="damage",
                        help="damaged packages (default), or hostile setup scripts: destructive tasks aimed at "
                             "protected folders in generated spellings, installed on T: and removed again")
    parser.add_argument("--self-check", action="store_true",
                        help="run packages made to trip each detector instead, and check that each does")
    args = parser.parse_args()

    arch = args.arch
    if not arch:
        host = subprocess.run([SESSION, "host"], stdout=subprocess.PIPE, check=True).stdout.decode().split("\n")[0]
        arch = "x86" if "x86" in host.split() else "x64"
    tarnpack = args.tarnpack or os.path.join(args.build, "bin", "tarnpack")
    bin_folder = args.bin or os.path.join(args.build, "windows" if arch == "x86" else "windows64", "bin")
    session_folder = args.session or os.path.join(args.build, "fault-session-" + arch)

    work = tempfile.mkdtemp(prefix="tarnfault-")
    if args.family == "hostile":
        try:
            return run_hostile(args, arch, bin_folder, tarnpack, work)
        finally:
            shutil.rmtree(work, ignore_errors=True)
    try:
        bases = make_bases()
        for base in bases:
            base.build(tarnpack, arch, work)
        packages = [] if args.self_check else list(generate(args.count, args.seed, args.sample, bases,
                                                            args.variant))
        if not args.self_check:
            print("inject: %d packages from %d real ones (%s), %s, seed %s" % (
                len(packages), len(bases), ", ".join(b.name for b in bases), arch,
                "sample" if args.sample else args.seed), flush=True)
        if args.generate:
            os.makedirs(args.generate, exist_ok=True)
            for n, (kind, base, detail, data, expect, _) in enumerate(packages, 1):
                with open(os.path.join(args.generate, "fault%04d.exe" % n), "wb") as f:
                    f.write(data)
                print("fault%04d.exe %-13s %-5s %-5s %s" % (n, kind, base.name, expect or "-", detail))
            return 0
        session = Session(session_folder, arch, bin_folder)
        started = time.monotonic()
        session.start()
        try:
            runner = Runner(session, args.timeout, args.keep, args.verbose)
            for n, (kind, base, detail, data, expect, files) in enumerate(packages, 1):
                if args.only and n not in args.only:
                    continue
                runner.run(n, kind, base, detail, data, expect, files)
            elapsed = time.monotonic() - started
            # The sample also shows that each detector still detects.
            undetected = self_check(session, bases) if args.sample or args.self_check else 0
        finally:
            session.stop()
    finally:
        shutil.rmtree(work, ignore_errors=True)

    if args.self_check:
        return 1 if undetected else 0
    print()
    print("inject: %d packages tried in %.0f s (%s)" % (runner.tried, elapsed, arch))
    labels = {"crash": "crashes", "hang": "hangs", "leftover": "leftover work folders",
              "outside": "writes outside", "registered": "registrations without files",
              "failed-left": "failed runs that left files", "outcome": "unexpected outcomes",
              "deleted": "deletions outside the throw-away drive"}
    for key in FINDINGS:
        print("  %-40s %d" % (labels[key], runner.totals[key]))
    if undetected:
        print("self-check: %d detectors did not detect what they are for" % undetected)
    if runner.failing:
        print("packages with findings: " + ", ".join("%d (%s)" % (n, kind) for n, kind, _, _ in runner.failing))
    return 1 if runner.failing or undetected else 0


if __name__ == "__main__":
    sys.exit(main())

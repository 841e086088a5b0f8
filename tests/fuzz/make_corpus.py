#!/usr/bin/env python3
"""Writes the seed inputs of the fuzz targets to tests/fuzz/corpus/<target>/.

Run it after changing the seeds below and commit what it writes; the suite
runs each target over its seeds before it makes inputs of its own.
"""
import os
import shutil
import struct

PILCROW = "\u00b6"
BOM = b"\xef\xbb\xbf"


def zip_names():
    def entry(version, external, name):
        return struct.pack("<HI", version, external) + name.encode("utf-8")

    return [
        entry(0x0A14, 0x00000021, "sub/dir/file.txt"),
        entry(0x031E, 0x81A40000, "C:\\x\\..\\y.txt"),
        entry(0x0014, 0x00000010, "docs/"),
        entry(0x0B14, 0x00000027, "sub/con .txt"),
        entry(0x0E14, 0x00000020, "a/. ./b"),
        entry(0x0614, 0x00000004, "Com1.log"),
        entry(0x1314, 0x00000001, "lpt\u00b3/CONOUT$"),
        entry(0x0A14, 0x00000080, "file.txt:stream"),
        # read as an extra block: a time field (0x60000000) and a field cut short
        entry(0x5455, 0x00010005, "\0\0`\x01\0\xff\x7fz"),
    ]


def trailer():
    def tail(length, info, payload, marker=b"EOF"):
        return struct.pack("<qii", length, info, payload) + marker

    # Whole files after the 19 bytes above: a small PE image (one section
    # ending the image at 0x400) with archives and a trailer, unsigned and
    # signed as a signing tool signs it.
    def image(plus):
        b = bytearray(b"\x90" * 0x400)
        b[0:2] = b"MZ"
        struct.pack_into("<I", b, 0x3C, 0x80)
        b[0x80:0x84] = b"PE\0\0"
        struct.pack_into("<HH", b, 0x84 + 2, 1, 0)
        struct.pack_into("<H", b, 0x84 + 16, 240 if plus else 224)
        struct.pack_into("<H", b, 0x98, 0x20B if plus else 0x10B)
        struct.pack_into("<I", b, 0x98 + 60, 0x200)
        count = 0x98 + (108 if plus else 92)
        struct.pack_into("<I", b, count, 16)
        b[count + 4:count + 4 + 128] = bytes(128)
        section = 0x98 + (240 if plus else 224)
        struct.pack_into("<II", b, section + 16, 0x200, 0x200)
        return b, count + 4 + 32

    def package(plus, padding=None):
        b, entry = image(plus)
        b += b"p" * 40 + b"i" * 30 + struct.pack("<ii", 30, 40) + b"EOF"
        if padding is not None:
            table = len(b) + padding
            b += bytes(padding) + b"c" * 16
            struct.pack_into("<II", b, entry, table, 16)
        return bytes(19) + bytes(b)

    return [
        tail(389993, 25390, 107568),
        tail(100, 49, 40),
        tail(100, 50, 40),
        tail(100, 0, 10),
        tail(100, -5, 10),
        tail(11, 1, 1),
        tail(2**40, 0x7FFFFFFF, 0x7FFFFFFF),
        tail(100, 10, 10, b"EOX"),
        package(False),
        package(True),
        package(False, 0),
        package(False, 5),
        package(True, 7),
    ]


def task_line():
    p = PILCROW
    return [s.encode("utf-8") for s in [
        "NORMALLINK" + p + "17" + p + "Getting started" + p + "<DefaultInstallPath>docs\\a.txt" + p + "0" + p + "0",
        "REGADDKEY" + p + "HKCU" + p + p + p + "Software\\Tarnwick",
        "KILLTASK" + p + "a.exe, b.exe",
        "",
        p,
        p + p + p,
        "COPYFILE" + p + "C:\\a b\\x.txt " + p + " y.txt",
    ]]


def tokens():
    def lines(text, paths=(), variables=(), wizard=()):
        paths = list(paths) + [""] * (18 - len(paths))
        variables = list(variables) + [""] * (5 - len(variables))
        return "\n".join([text] + paths + variables + list(wizard)).encode("utf-8")

    folders = ["C:\\Program Files\\", "C:\\", "C:\\Program Files\\Demo\\", "C:\\Windows\\",
               "C:\\Windows\\System32\\", "", "Q\\", "q\\", "AP\\", "P\\", "AD\\", "D\\", "AS\\", "S\\",
               "ADoc\\", "Doc\\", "C:\\Temp\\", "<StartPrograms>Demo\\"]
    names = ["Demo", "1.2", "Tarnwick", "www.tarnwick.example", "support@tarnwick.example"]
    return [
        lines("<ProgramFiles>\\<ProgramName>", folders, names),
        lines("<DefaultStartMenuGroup>App.lnk", folders, names),
        lines("mail <SupportEmail> at <DefaultInstallPath>"),
        lines("<PROGRAMFILES>\\\\\\<programname>", folders, names),
        lines("Welcome to $appname$ version $APPVERSION$.", wizard=["Demo", "1.2"]),
        lines("<<ProgramName>>", ["X"] * 18, ["Temp"]),
        b"plain text without tokens",
    ]


def uninstall_data():
    # The first character chooses the section: "0" to "4" the written ones,
    # "5" one the format does not write.
    return [s.encode("utf-8") for s in [
        "1AppName=Demo\n1InstallPath=C:\\Program Files\\Demo\\\n4CopyFile0=C:\\Program Files\\Demo\\a.exe\n",
        "0Key0=Please confirm\n0Key1=Best\u00e4tigen\n",
        "2Task=first\n2Other=x\n2TASK=second\n3Task=separate section\n",
        "2GuideLink=NORMALLINK" + PILCROW + "17" + PILCROW + "a b\n5Lost=nowhere\n",
        "1 ;[Key = = value with = signs \n1=empty key\n1Empty=\n",
    ]]


def text():
    return [s.encode("utf-8") for s in [
        "\"C:\\Program Files\\setup.exe\" /S /D=C:\\x",
        "a\\\\\"b\" \"\"c\"\" d*.txt",
        "Setup.EXE*.exe|*.dll",
        "abcabd*ab?.",
    ]] + [b"\xc0\xaf\xed\xa0\x80\xf4\x90\x80\x80\xe2\x82", b"\xf0\x9f\x98\x80 ok"]


def ini():
    script = (
        "; Setup script.\r\n[GeneralInformation]\r\nAppName = Tarnwick Notes\r\nVersion = 1.2\r\n"
        "[iConfig]\r\nPathChangeable = 1\r\nDefaultPath = <ProgramFiles>\\<ProgramName>\r\n"
        "[InstTasks]\r\nGuideLink = NORMALLINK\u00b617\u00b6Guide\u00b6<DefaultInstallPath>a.txt\u00b60\u00b60\r\n"
        "[UninstTasks]\r\n"
    )
    texts = "[TSF Localization File]\nLanguage = English\n[LocalizationStub]\nKey0 = Error\nKey1 = \n"
    return [
        BOM + script.encode("utf-8"),
        BOM + texts.encode("utf-8"),
        "[uConfig]\rAppName = D\xe9mo\r\r  ; comment\r[Files\rCopyFile0=x".encode("latin-1"),
        BOM + b"\r\n[uConfig]\r\nAppName = Demo\r\n[Files]\r\nCopyFile0 = C:\\P\\a.exe\r\n",
    ]


TARGETS = {
    "zip_names": zip_names,
    "trailer": trailer,
    "task_line": task_line,
    "tokens": tokens,
    "uninstall_data": uninstall_data,
    "text": text,
    "ini": ini,
}


def main():
    root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus")
    for name, seeds in TARGETS.items():
        folder = os.path.join(root, name)
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        for i, seed in enumerate(seeds()):
            with open(os.path.join(folder, "seed%02d" % i), "wb") as f:
                f.write(seed)


if __name__ == "__main__":
    main()

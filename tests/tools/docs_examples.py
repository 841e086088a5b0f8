#!/usr/bin/env python3
"""Builds every example of docs/authoring.md with the native tarnpack.

usage: docs_examples.py --doc DOC --stub STUB --data DATA --task-fields HELPER
                        [--tarnpack TARNPACK] [--keep DIR]

TARNPACK may also come from the environment. HELPER is docs_task_fields,
which reads a setup script with the setup stub's own INI reader and splits
its task lines with TaskFields (install/task_line.h).

The document marks its examples with fenced blocks:

  ```ini file=Config/Script.ini example=NAME
      a file of the complete example NAME: a path under payload/ is a file
      of the product folder, any other path one of the information folder;
      a path with blanks is written in double quotes
  ```taskline [group=UninstTasks]
      one or more "Name = KEYWORD¶..." lines; each keyword's lines become
      the [InstTasks] (or [UninstTasks]) of a minimal script

and lists the documented keywords, with the number of fields of a complete
line, in the Markdown tables that follow "<!-- keywords: GROUP -->".

Checks:
  - the documented keyword tables equal the keywords the code knows;
  - every documented keyword has a task-line example;
  - every complete example brings Config/Script.ini and product files, and
    the licence and read-me its script asks for; its scripts and
    localization files use only groups and keys that are read, without
    duplicates; localization files give every text key;
  - every task line (examples and task-line blocks), as the setup stub
    splits it, has a documented keyword and at least the documented number
    of fields;
  - tarnpack builds each example and each task-line script (exit code 0),
    and the package holds exactly the example's files (setup scripts and
    localization files with the byte-order mark the document asks for).
"""

import argparse
import io
import os
import re
import shlex
import shutil
import struct
import subprocess
import sys
import tempfile
import zipfile

BOM = b"\xef\xbb\xbf"

# The keywords the code carries out (install/executor.cpp, the KILLTASK
# pre-pass of install/install_procedure.cpp, uninstaller/removal.cpp), with
# the number of fields of a complete line, keyword included.
CODE_KEYWORDS = {
    "InstTasks": {
        "RUN": 7, "REGADDVALUE": 6, "REGADDKEY": 5, "REGDELVALUE": 5, "REGDELKEY": 5,
        "NORMALLINK": 7, "INTERNETLINK": 5, "DELETEFILE": 2, "MOVEFILE": 3, "COPYFILE": 3,
        "CREATEFOLDER": 2, "DELETEFOLDER": 4, "ASSOCIATEEXTENSION": 5, "DISASSOCIATEEXTENSION": 3,
        "STARTSERVICE": 2, "INSTALLSERVICE": 6, "STOPSERVICE": 2, "REMOVESERVICE": 2,
        "REGISTERSERVER": 2, "UNREGISTERSERVER": 2, "DOWNLOADFILE": 3, "INSTALLFONT": 3,
        "!REBOOT_I": 1, "KILLTASK": 2,
    },
    "UninstTasks": {"RUN": 5, "LAUNCHBROWSER": 2},
}

# The groups and keys of the setup script that the setup stub reads
# (script/settings.cpp); [InstTasks] and [UninstTasks] take any key.
SCRIPT_KEYS = {
    "generalinformation": {"appname", "version", "companyname", "website", "email", "w98", "wme", "wnt",
                           "w2k", "wxp", "wv", "dotnet", "runifdepnotfound"},
    "look": {"headertextcolour"},
    "filesandsettings": {"requirelicense", "requirereadme"},
    "iconfig": {"rebootrequired", "pathchangeable", "defaultpath", "autocreatestartmenu", "createinternetlink",
                "createuninstalllink", "forcegroupcreation"},
    "uconfig": {"rebootrequired", "skipextstring", "iconextuninst", "iconextcustom", "iconextpath", "iconextindex"},
    "insttasks": None,
    "uninsttasks": None,
}

# The groups and keys of a localization file (script/languages.cpp,
# script/localization.cpp); Key70 is not used.
LOCALIZATION_KEYS = {
    "tsf localization file": {"language", "author"},
    "localizationstub": {"key%d" % n for n in range(97) if n != 70},
    "localizationuninstall": {"key%d" % n for n in range(8)},
}

failures = []


def fail(message):
    failures.append(message)
    print("FAIL: " + message)


# --- The document ---------------------------------------------------------

def fenced_blocks(lines):
    """(info string, text, line number) of every fenced block."""
    blocks = []
    i = 0
    while i < len(lines):
        m = re.match(r"^(`{3,}|~{3,})(.*)$", lines[i])
        if not m:
            i += 1
            continue
        fence, info, start = m.group(1), m.group(2).strip(), i + 1
        body = []
        i += 1
        while i < len(lines) and not re.match(r"^" + re.escape(fence[0]) + "{%d,}\\s*$" % len(fence), lines[i]):
            body.append(lines[i])
            i += 1
        blocks.append((info, "\n".join(body) + "\n", start))
        i += 1
    return blocks


def keyword_tables(lines):
    """{group: {keyword: fields}} from the tables after "<!-- keywords: GROUP -->"."""
    tables = {}
    for n, line in enumerate(lines):
        m = re.match(r"^<!--\s*keywords:\s*(\w+)\s*-->\s*$", line)
        if not m:
            continue
        table = tables.setdefault(m.group(1), {})
        for row in lines[n + 1:]:
            if not row.startswith("|"):
                if table:
                    break
                continue
            cells = re.match(r"^\|\s*`([^`]+)`\s*\|\s*(\d+)\s*\|", row)
            if cells:
                table[cells.group(1)] = int(cells.group(2))
    return tables


def attributes(info):
    words = shlex.split(info)
    attrs = {}
    for word in words[1:]:
        key, sep, value = word.partition("=")
        attrs[key] = value if sep else True
    return (words[0] if words else ""), attrs


# --- INI files, read by the rules of script/ini.h ---------------------------

def parse_ini(data):
    """[(group or None, key, value, line)] of every key line, and the header names."""
    text = data[3:].decode("utf-8") if data.startswith(BOM) else data.decode("latin-1")
    entries, headers, group = [], [], None
    for line in re.split(r"[\r\n]+", text):
        line = line.lstrip(" \t")
        if not line or line.startswith(";"):
            continue
        if line.startswith("["):
            end = line.find("]")
            group = line[1:end] if end >= 0 else line[1:]
            headers.append(group)
            continue
        key, _, value = line.partition("=")
        entries.append((group, key.rstrip(" \t"), value.strip(" \t"), line))
    return entries, headers


def check_ini(where, data, known):
    entries, headers = parse_ini(data)
    lower_headers = [h.lower() for h in headers]
    for h in set(lower_headers):
        if lower_headers.count(h) > 1:
            fail("%s: the group [%s] appears twice (only the first is read)" % (where, h))
        if h not in known:
            fail("%s: the group [%s] is not read" % (where, h))
    seen = set()
    values = {}
    for group, key, value, line in entries:
        if group is None:
            fail("%s: a key before the first group is not read: %s" % (where, line))
            continue
        g, k = group.lower(), key.lower()
        allowed = known.get(g, set())
        if allowed is not None and k not in allowed:
            fail("%s: [%s] has no key %s that is read" % (where, group, key))
        if (g, k) in seen:
            fail("%s: [%s] %s appears twice (only the first is read)" % (where, group, key))
        seen.add((g, k))
        values.setdefault((g, k), value)
    return values, entries


def check_localization(where, data):
    if not data.startswith(BOM):
        fail("%s: a localization file must begin with the byte-order mark" % where)
    values, _ = check_ini(where, data, LOCALIZATION_KEYS)
    if not values.get(("tsf localization file", "language"), "").strip(" "):
        fail("%s: [TSF Localization File] has no Language, so the file is not used" % where)
    for group in ("localizationstub", "localizationuninstall"):
        missing = sorted(LOCALIZATION_KEYS[group] - {k for g, k in values if g == group},
                         key=lambda k: int(k[3:]))
        if missing:
            fail("%s: [%s] lacks %s" % (where, group, ", ".join(missing)))


# --- Building ---------------------------------------------------------------

def task_fields(helper, script):
    run = subprocess.run([helper, script], stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    if run.returncode != 0:
        fail("%s failed on %s: %s" % (helper, script, run.stderr.decode("utf-8", "replace")))
        return {}, []
    settings, tasks = {}, []
    for line in run.stdout.decode("utf-8").splitlines():
        parts = line.split("\t")
        if parts[0] in ("InstTasks", "UninstTasks"):
            tasks.append((parts[0], parts[1], int(parts[2]), parts[3]))
        else:
            settings[parts[0]] = parts[1] if len(parts) > 1 else ""
    return settings, tasks


def check_tasks(where, tasks, documented):
    for group, name, count, keyword in tasks:
        table = documented.get(group, {})
        if keyword not in table:
            fail("%s: [%s] %s: %r is not a documented keyword" % (where, group, name, keyword))
        elif count < table[keyword]:
            fail("%s: [%s] %s: %s has %d fields, the documentation gives %d"
                 % (where, group, name, keyword, count, table[keyword]))


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def build(args, name, folder, info_files, payload_files):
    """Runs tarnpack and checks what the package holds."""
    out = os.path.join(folder, "Setup.exe")
    command = [args.tarnpack, "--payload", os.path.join(folder, "payload"), "--info",
               os.path.join(folder, "info"), "--out", out, "--stub", args.stub, "--data", args.data]
    run = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    if run.returncode != 0 or not os.path.isfile(out):
        fail("%s: tarnpack exited with %d: %s" % (name, run.returncode, run.stdout.decode("utf-8", "replace")))
        return False
    with open(out, "rb") as f:
        package = f.read()
    if package[-3:] != b"EOF":
        fail("%s: the package does not end with its trailer" % name)
        return False
    info_len, payload_len = struct.unpack("<ii", package[-11:-3])
    end = len(package) - 11
    info_zip = zipfile.ZipFile(io.BytesIO(package[end - info_len:end]))
    payload_zip = zipfile.ZipFile(io.BytesIO(package[end - info_len - payload_len:end - info_len]))

    held = {i.filename: info_zip.read(i) for i in info_zip.infolist() if not i.is_dir()}
    for path, data in info_files.items():
        if held.get(path) != data:
            fail("%s: the information archive does not hold %s as written" % (name, path))
    required = struct.pack("<Q", sum(len(d) for d in payload_files.values()))
    if held.get("Config/Statistics.ini") != required:
        fail("%s: Config/Statistics.ini does not hold the product's size" % name)
    if not any(p.startswith("Languages/") for p in info_files) and "Languages/English.ini" not in held:
        fail("%s: tarnpack did not add the shipped English localization file" % name)

    unpacked = {i.filename: payload_zip.read(i) for i in payload_zip.infolist() if not i.is_dir()}
    if unpacked != payload_files:
        fail("%s: the payload archive holds %s, not %s" % (name, sorted(unpacked), sorted(payload_files)))
    return True


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--doc", required=True)
    parser.add_argument("--tarnpack", default=os.environ.get("TARNPACK"))
    parser.add_argument("--stub", required=True)
    parser.add_argument("--data", required=True)
    parser.add_argument("--task-fields", required=True)
    parser.add_argument("--keep", help="build into this folder and keep it")
    args = parser.parse_args()
    if not args.tarnpack:
        parser.error("give --tarnpack or TARNPACK")
    for path in (args.tarnpack, args.stub, args.task_fields):
        if not os.path.isfile(path):
            parser.error("%s does not exist" % path)
    if not os.path.isdir(args.data):
        parser.error("%s does not exist" % args.data)

    with open(args.doc, encoding="utf-8") as f:
        lines = f.read().split("\n")

    documented = keyword_tables(lines)
    for group, code in CODE_KEYWORDS.items():
        table = documented.get(group, {})
        for keyword in sorted(set(table) | set(code)):
            if table.get(keyword) != code.get(keyword):
                fail("the [%s] keyword table gives %s %s fields, the code %s"
                     % (group, keyword, table.get(keyword, "no"), code.get(keyword, "no")))

    examples = {}
    tasklines = {}
    for info, body, line in fenced_blocks(lines):
        language, attrs = attributes(info)
        if language == "taskline":
            group = attrs.get("group", "InstTasks")
            for text in body.splitlines():
                if not text.strip():
                    continue
                m = re.match(r"^([^=;\[\s][^=]*?)\s*=\s*(\S.*)$", text)
                if not m:
                    fail("line %d: %r is not a task line \"Name = KEYWORD¶...\"" % (line, text))
                    continue
                keyword = m.group(2).split("\u00b6")[0]
                tasklines.setdefault((group, keyword), []).append(text)
        elif "example" in attrs or "file" in attrs:
            if "example" not in attrs or "file" not in attrs or attrs["file"] is True:
                fail("line %d: an example block needs both file= and example=" % line)
                continue
            files = examples.setdefault(attrs["example"], {})
            if attrs["file"] in files:
                fail("line %d: example %s gives %s twice" % (line, attrs["example"], attrs["file"]))
            files[attrs["file"]] = body

    for group, table in documented.items():
        for keyword in table:
            if (group, keyword) not in tasklines:
                fail("the documented keyword %s of [%s] has no task-line example" % (keyword, group))

    root = args.keep or tempfile.mkdtemp(prefix="docs-examples-")
    if args.keep:
        shutil.rmtree(root, ignore_errors=True)
        os.makedirs(root)
    built = 0
    try:
        for name, files in sorted(examples.items()):
            folder = os.path.join(root, "example-" + name)
            info_files, payload_files = {}, {}
            for path, body in files.items():
                data = body.encode("utf-8")
                if path.startswith("payload/"):
                    payload_files[path[len("payload/"):]] = data
                    write(os.path.join(folder, path), data)
                else:
                    # Setup scripts and localization files are saved with the mark.
                    if path.lower().endswith(".ini"):
                        data = BOM + data
                    info_files[path] = data
                    write(os.path.join(folder, "info", path), data)
            where = "example " + name
            if "Config/Script.ini" not in info_files:
                fail("%s: no Config/Script.ini" % where)
                continue
            if not payload_files:
                fail("%s: no product files (payload/...)" % where)
                continue
            check_ini(where + ", Config/Script.ini", info_files["Config/Script.ini"], SCRIPT_KEYS)
            for path, data in info_files.items():
                if path.startswith("Languages/"):
                    check_localization("%s, %s" % (where, path), data)
            settings, tasks = task_fields(args.task_fields, os.path.join(folder, "info", "Config", "Script.ini"))
            if not settings.get("AppName", "").strip():
                fail("%s: the script has no AppName" % where)
            for key, document in (("RequireLicense", "Resources/License.txt"),
                                  ("RequireReadme", "Resources/ReadMe.txt")):
                if settings.get(key) == "1" and document not in info_files:
                    fail("%s: %s = 1 without %s" % (where, key, document))
            check_tasks(where, tasks, documented)
            if build(args, where, folder, info_files, payload_files):
                built += 1
                print("ok   %s (%d task lines)" % (where, len(tasks)))

        for (group, keyword), texts in sorted(tasklines.items()):
            where = "task line %s [%s]" % (keyword, group)
            folder = os.path.join(root, "taskline-%s-%s" % (group, re.sub(r"[^A-Za-z0-9]", "_", keyword)))
            script = "[GeneralInformation]\r\nAppName = Task line example\r\n\r\n[%s]\r\n%s\r\n" % (
                group, "\r\n".join(texts))
            info_files = {"Config/Script.ini": BOM + script.encode("utf-8")}
            payload_files = {"App.txt": b"placeholder\r\n"}
            write(os.path.join(folder, "info", "Config", "Script.ini"), info_files["Config/Script.ini"])
            write(os.path.join(folder, "payload", "App.txt"), payload_files["App.txt"])
            _, tasks = task_fields(args.task_fields, os.path.join(folder, "info", "Config", "Script.ini"))
            if len(tasks) != len(texts):
                fail("%s: the setup stub reads %d task lines, not %d" % (where, len(tasks), len(texts)))
            for t in tasks:
                if (t[0], t[3]) != (group, keyword):
                    fail("%s: read as %s in [%s]" % (where, t[3], t[0]))
            check_tasks(where, tasks, documented)
            if build(args, where, folder, info_files, payload_files):
                built += 1
                print("ok   %s" % where)
    finally:
        if not args.keep:
            shutil.rmtree(root, ignore_errors=True)

    print("docs examples: %d complete examples, %d task-line scripts, %d packages built"
          % (len(examples), len(tasklines), built))
    if failures:
        print("%d failure(s)" % len(failures))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""The winget manifests tarnpack writes, field by field against the rules of
winget's manifest schema 1.10.0 (its published installer, defaultLocale and
version schemas): required fields, patterns, enumerations, lengths.

    winget_fields.py --tarnpack TARNPACK     packages of awkward setup scripts (one signed), and refusals
    winget_fields.py --check DIR PACKAGE     a written manifest set and its package (the example's)
"""
import hashlib, os, re, subprocess, sys, tempfile

ID = r'^[^\.\s\\/:\*\?"<>\|\x01-\x1f]{1,32}(\.[^\.\s\\/:\*\?"<>\|\x01-\x1f]{1,32}){1,7}$'
VERSION = r'^[^\\/:\*\?"<>\|\x01-\x1f]+$'
LOCALE = r'^([a-zA-Z]{2,3}|[iI]-[a-zA-Z]+|[xX]-[a-zA-Z]{1,8})(-[a-zA-Z]{1,8})*$'
URL = r'^([Hh][Tt][Tt][Pp][Ss]?)://.+$'
SHA256 = r'^[A-Fa-f0-9]{64}$'
N = r'(0|[1-9][0-9]{0,3}|[1-5][0-9]{4}|6[0-4][0-9]{3}|65[0-4][0-9]{2}|655[0-2][0-9]|6553[0-5])'
MANIFEST_VERSION = r'^' + N + r'(\.' + N + r'){2}$'
RESPONSES = ['packageInUse', 'packageInUseByApplication', 'installInProgress', 'fileInUse', 'missingDependency',
             'diskFull', 'insufficientMemory', 'invalidParameter', 'noNetwork', 'contactSupport',
             'rebootRequiredToFinish', 'rebootRequiredForInstall', 'rebootInitiated', 'cancelledByUser',
             'alreadyInstalled', 'downgrade', 'blockedByPolicy', 'systemNotSupported', 'custom']
CODE = dict(type=int, not_=0, range=(-2147483648, 4294967295))
COMMON = [('PackageIdentifier', dict(req=1, pattern=ID, max=128)),
          ('PackageVersion', dict(req=1, pattern=VERSION, max=128)),
          ('ManifestVersion', dict(req=1, pattern=MANIFEST_VERSION))]
# file kind: (field, rule); "[]" walks a list's items.
RULES = {
    'version': COMMON + [('DefaultLocale', dict(req=1, pattern=LOCALE, max=20)),
                         ('ManifestType', dict(req=1, const='version'))],
    'defaultLocale': COMMON + [
        ('PackageLocale', dict(req=1, pattern=LOCALE, max=20)), ('Publisher', dict(req=1, min=2, max=256)),
        ('PublisherUrl', dict(pattern=URL, max=2048)), ('PackageName', dict(req=1, min=2, max=256)),
        ('PackageUrl', dict(pattern=URL, max=2048)), ('License', dict(req=1, min=3, max=512)),
        ('Copyright', dict(min=3, max=512)), ('ShortDescription', dict(req=1, min=3, max=256)),
        ('ManifestType', dict(req=1, const='defaultLocale'))],
    'installer': COMMON + [
        ('InstallerType', dict(enum=['msix', 'msi', 'appx', 'exe', 'zip', 'inno', 'nullsoft', 'wix', 'burn', 'pwa',
                                     'portable', 'advinstExe', 'advinstMsi'])),
        ('Scope', dict(enum=['user', 'machine'])),
        ('InstallModes', dict(items=(0, 3))), ('InstallModes[]', dict(enum=['interactive', 'silent', 'silentWithProgress'])),
        ('InstallerSwitches', dict(type=dict))] + [
        ('InstallerSwitches.' + s, dict(min=1, max=512)) for s in ['Silent', 'SilentWithProgress', 'InstallLocation', 'Log']] + [
        ('InstallerSuccessCodes', dict(items=(0, 16))), ('InstallerSuccessCodes[]', CODE),
        ('ExpectedReturnCodes', dict(items=(0, 128))), ('ExpectedReturnCodes[]', dict(type=dict)),
        ('ExpectedReturnCodes[].InstallerReturnCode', dict(req=1, **CODE)),
        ('ExpectedReturnCodes[].ReturnResponse', dict(req=1, enum=RESPONSES)),
        ('UpgradeBehavior', dict(enum=['install', 'uninstallPrevious', 'deny'])),
        ('ElevationRequirement', dict(enum=['elevationRequired', 'elevationProhibited', 'elevatesSelf'])),
        ('AppsAndFeaturesEntries', dict(items=(0, 128))), ('AppsAndFeaturesEntries[]', dict(type=dict)),
        ('AppsAndFeaturesEntries[].DisplayName', dict(min=1, max=256)),
        ('AppsAndFeaturesEntries[].Publisher', dict(min=1, max=256)),
        ('AppsAndFeaturesEntries[].DisplayVersion', dict(min=1, max=128)),
        ('AppsAndFeaturesEntries[].ProductCode', dict(min=1, max=255)),
        ('Installers', dict(req=1, items=(1, 1024))), ('Installers[]', dict(type=dict)),
        ('Installers[].Architecture', dict(req=1, enum=['x86', 'x64', 'arm', 'arm64', 'neutral'])),
        ('Installers[].InstallerUrl', dict(req=1, pattern=URL, max=2048)),
        ('Installers[].InstallerSha256', dict(req=1, pattern=SHA256)),
        ('ManifestType', dict(req=1, const='installer'))]}


def scalar(text):
    """A YAML scalar of the written subset: double-quoted, single-quoted or plain."""
    if text.startswith('"'):
        escapes = {'\\': '\\', '"': '"', 'N': '\x85', 'L': '\u2028', 'P': '\u2029', 't': '\t', 'n': '\n'}
        return re.sub(r'\\(x[0-9A-Fa-f]{2}|.)', lambda m: chr(int(m[1][1:], 16)) if len(m[1]) == 3
                      else escapes[m[1]], text[1:-1])
    if text.startswith("'"):
        return text[1:-1].replace("''", "'")
    if re.fullmatch(r'-?[0-9]+', text):
        return int(text)
    if re.fullmatch(r'-?[0-9]*\.[0-9]+([eE][-+]?[0-9]+)?', text):
        return float(text)
    return {'true': True, 'false': False, 'null': None, '~': None}.get(text.lower(), text)


def block(lines, at, indent):
    """The mapping or sequence of `lines` [(indent, text)] from `at`; returns (value, next)."""
    if lines[at][1].startswith('- '):
        items = []
        while at < len(lines) and lines[at][0] == indent and lines[at][1].startswith('- '):
            lines[at] = (indent + 2, lines[at][1][2:])
            if re.match(r'^[A-Za-z]+:( |$)', lines[at][1]):
                item, at = block(lines, at, indent + 2)
            else:
                item, at = scalar(lines[at][1]), at + 1
            items.append(item)
        return items, at
    mapping = {}
    while at < len(lines) and lines[at][0] == indent and not lines[at][1].startswith('- '):
        key, _, rest = lines[at][1].partition(':')
        assert key not in mapping, 'a key written twice: ' + key
        at += 1
        if rest.strip():
            mapping[key] = scalar(rest.strip())
        else:
            mapping[key], at = block(lines, at, lines[at][0])
    return mapping, at


def read_yaml(path):
    raw = open(path, encoding='utf-8').read().split('\n')
    lines = [(len(l) - len(l.lstrip(' ')), l.strip()) for l in raw if l.strip() and not l.startswith('#')]
    value, end = block(lines, 0, 0)
    assert end == len(lines), f'{path}: unread lines from {end}'
    return raw[0], value


def values(doc, path):
    found = [doc]
    for part in path.split('.'):
        many = part.endswith('[]')
        found = [x[part.rstrip('[]')] for x in found if isinstance(x, dict) and part.rstrip('[]') in x]
        if many:
            found = [item for x in found for item in x]
    return found


def check_rules(kind, first_line, doc, problems):
    schema = f'# yaml-language-server: $schema=https://aka.ms/winget-manifest.{kind}.{doc.get("ManifestVersion")}.schema.json'
    if first_line != schema:
        problems.append(f'{kind}: first line {first_line!r}')
    known = {f for f, _ in RULES[kind]}
    written = set()

    def walk(value, path):
        if path:
            written.add(path)
        if isinstance(value, dict):
            for k, v in value.items():
                walk(v, path + '.' + k if path else k)
        elif isinstance(value, list):
            for v in value:
                walk(v, path + '[]')
    walk(doc, '')
    for path, rule in RULES[kind]:
        got = values(doc, path)
        top = '.' not in path and '[]' not in path
        if rule.get('req') and top and not got:
            problems.append(f'{kind}: {path} is required')
        for v in got:
            bad = lambda what: problems.append(f'{kind}: {path} = {v!r} {what}')
            want = rule.get('type', list if 'items' in rule else str)
            if not isinstance(v, want) or isinstance(v, bool):
                bad(f'is not {want.__name__}')
                continue
            if 'pattern' in rule and not re.search(rule['pattern'], v):
                bad('does not match ' + rule['pattern'])
            if isinstance(v, str) and not rule.get('min', 0) <= len(v) <= rule.get('max', 1 << 30):
                bad('has a length outside %s..%s' % (rule.get('min', 0), rule.get('max')))
            if 'enum' in rule and v not in rule['enum'] or 'const' in rule and v != rule['const']:
                bad('is not allowed')
            if 'items' in rule and not rule['items'][0] <= len(v) <= rule['items'][1]:
                bad('has too many or too few items')
            if 'range' in rule and (v == rule['not_'] or not rule['range'][0] <= v <= rule['range'][1]):
                bad('is not a return code')
    for k in written - known:
        problems.append(f'{kind}: {k} is no field of the schema (or of this check)')


def check_set(folder, package, expected=None):
    """Checks the three files of `folder`; `expected` maps (kind, path) to its values."""
    problems = []
    names = sorted(os.listdir(folder))
    ident = ([n[:-len('.installer.yaml')] for n in names if n.endswith('.installer.yaml')] or [''])[0]
    kinds = {'version': ident + '.yaml', 'installer': ident + '.installer.yaml',
             'defaultLocale': ident + '.locale.en-US.yaml'}
    if sorted(kinds.values()) != names:
        return [f'{folder} holds {names}']
    docs = {}
    for kind, name in kinds.items():
        first, docs[kind] = read_yaml(os.path.join(folder, name))
        check_rules(kind, first, docs[kind], problems)
        if docs[kind]['PackageIdentifier'] != ident:
            problems.append(f'{name}: PackageIdentifier is not the file name\'s')
    digest = hashlib.sha256(open(package, 'rb').read()).hexdigest().upper()
    for (kind, path), want in {**(expected or {}), ('installer', 'Installers[].InstallerSha256'): [digest]}.items():
        if values(docs[kind], path) != want:
            problems.append(f'{kind}: {path} is {values(docs[kind], path)!r}, not {want!r}')
    return problems


SCRIPT = '\ufeff[GeneralInformation]\r\nAppName = {0}\r\nVersion = {1}\r\nCompanyName = {2}\r\nWebsite = {3}\r\n' \
         '[uConfig]\r\nIconExtUninst = {4}\r\n'
STUB_FACTS = {('installer', p): v for p, v in [
    ('InstallerType', ['exe']), ('Scope', ['machine']), ('ElevationRequirement', ['elevatesSelf']),
    ('UpgradeBehavior', ['install']), ('InstallerSwitches.Silent', ['/S']),
    ('InstallerSwitches.SilentWithProgress', ['/S /PASSIVE']),
    ('InstallerSwitches.InstallLocation', ['/D=<INSTALLPATH>']), ('InstallerSwitches.Log', ['/LOG=<LOGPATH>']),
    ('InstallerSuccessCodes', [[3010]]), ('ExpectedReturnCodes[].InstallerReturnCode', [1602, 1618, 1639, 3010]),
    ('ExpectedReturnCodes[].ReturnResponse',
     ['cancelledByUser', 'installInProgress', 'invalidParameter', 'rebootRequiredToFinish'])]}


def run_tarnpack(tarnpack):
    work = tempfile.mkdtemp(prefix='winget-')
    os.makedirs(f'{work}/payload')
    open(f'{work}/payload/App.txt', 'w').write('app')
    subprocess.run(['openssl', 'req', '-x509', '-newkey', 'rsa:2048', '-nodes', '-keyout', f'{work}/key.pem',
                    '-out', f'{work}/cert.pem', '-subj', '/CN=Acme Test', '-days', '2'], check=True, capture_output=True)
    problems = []

    def build(name, script, *options):
        os.makedirs(f'{work}/{name}/Config', exist_ok=True)
        open(f'{work}/{name}/Config/Script.ini', 'w', encoding='utf-8').write(SCRIPT.format(*script))
        return subprocess.run([tarnpack, '--payload', f'{work}/payload', '--info', f'{work}/{name}', '--out',
                               f'{work}/{name}.exe', '--winget', f'{work}/{name}-winget', *options],
                              capture_output=True, text=True)

    awkward = ('Acme Editor: "Pro" #2', '2.1 beta', 'Acme: Tools & Co. #1', 'acme.example/editor', 1)
    plain = ('Demo', '1.2', 'Demo Inc', 'http://demo.example', 1)
    url = 'https://downloads.example.invalid/acme/editor-2.1.exe'
    cases = [  # name, script, options, expected fields
        ('awkward', awkward, ['--arch', 'x64', '--id', 'Acme.Editor', '--url', url, '--copyright', '© 2026 Acme: #1',
                              '--sign', f'{work}/cert.pem', '--key', f'{work}/key.pem'],
         {('installer', 'Installers[].Architecture'): ['x64'], ('installer', 'Installers[].InstallerUrl'): [url],
          ('installer', 'PackageVersion'): ['2.1 beta'],
          ('installer', 'AppsAndFeaturesEntries[].DisplayName'): ['Acme Editor: "Pro" #2'],
          ('installer', 'AppsAndFeaturesEntries[].ProductCode'): ['Acme Editor: "Pro" #2'],
          ('installer', 'AppsAndFeaturesEntries[].Publisher'): ['Acme: Tools & Co. #1'],
          ('installer', 'AppsAndFeaturesEntries[].DisplayVersion'): ['2.1 beta'],
          ('defaultLocale', 'Publisher'): ['Acme: Tools & Co. #1'],
          ('defaultLocale', 'PackageName'): ['Acme Editor: "Pro" #2'],
          ('defaultLocale', 'PublisherUrl'): ['https://acme.example/editor'],
          ('defaultLocale', 'License'): ['Proprietary'], ('defaultLocale', 'Copyright'): ['© 2026 Acme: #1'],
          ('defaultLocale', 'ShortDescription'): ['Acme Editor: "Pro" #2 2.1 beta'],
          ('version', 'DefaultLocale'): ['en-US'], **STUB_FACTS}),
        ('plain', plain, ['--id', 'Demo.Demo', '--url', 'http://x.example.invalid/d.exe', '--license', 'MIT',
                          '--description', 'A demo'],
         {('installer', 'Installers[].Architecture'): ['x86'], ('version', 'PackageVersion'): ['1.2'],
          ('defaultLocale', 'PackageUrl'): ['http://demo.example'], ('defaultLocale', 'License'): ['MIT'],
          ('defaultLocale', 'ShortDescription'): ['A demo'], ('defaultLocale', 'Copyright'): [], **STUB_FACTS}),
    ]
    for name, script, options, expected in cases:
        r = build(name, script, *options)
        if r.returncode != 0:
            problems.append(f'{name}: tarnpack failed: {r.stderr}')
            continue
        problems += [f'{name}: {p}' for p in check_set(f'{work}/{name}-winget', f'{work}/{name}.exe', expected)]

    refusals = [  # name, script, options, message
        ('no-url', plain, ['--id', 'Demo.Demo'], 'tarnpack: --winget needs --id PUBLISHER.PRODUCT and --url URL'),
        ('one-part', plain, ['--id', 'Demo', '--url', url], 'tarnpack: --id takes a winget package identifier'),
        ('blank', plain, ['--id', 'Demo.My App', '--url', url], 'tarnpack: --id takes a winget package identifier'),
        ('nine-parts', plain, ['--id', 'a.b.c.d.e.f.g.h.i', '--url', url], 'tarnpack: --id takes a winget package'),
        ('ftp', plain, ['--id', 'Demo.Demo', '--url', 'ftp://x.example.invalid/d.exe'],
         'tarnpack: --url takes an http:// or https:// address'),
        ('no-entry', plain[:4] + (0,), ['--id', 'Demo.Demo', '--url', url],
         'tarnpack: the setup script registers no uninstall entry'),
        ('colon-version', ('Demo', '1:2', 'Demo Inc', '', 1), ['--id', 'Demo.Demo', '--url', url],
         "tarnpack: a winget manifest needs the setup script's Version"),
    ]
    for name, script, options, message in refusals:
        r = build(name, script, *options)
        if r.returncode == 0 or message not in r.stderr:
            problems.append(f'{name}: exit {r.returncode}, {r.stderr!r} does not say {message!r}')
        if os.path.exists(f'{work}/{name}.exe') or os.path.exists(f'{work}/{name}-winget'):
            problems.append(f'{name}: a refused build left files')
    r = subprocess.run([tarnpack, '--payload', 'p', '--info', 'i', '--out', 'o', '--id', 'A.B'], capture_output=True, text=True)
    if 'tarnpack: --id, --url, --license and --description go with --winget' not in r.stderr:
        problems.append(f'--id without --winget: {r.stderr!r}')
    subprocess.run(['rm', '-rf', work])
    return problems


if __name__ == '__main__':
    if sys.argv[1] == '--check':
        found = check_set(sys.argv[2], sys.argv[3])
    else:
        found = run_tarnpack(sys.argv[2])
    print('\n'.join(found) or 'The winget manifests keep the schema\'s rules.')
    sys.exit(1 if found else 0)

#!/usr/bin/env python3
"""tarnpack's winget manifests, field by field against the rules of winget's published manifest schema 1.10.0
(installer, defaultLocale, version): required fields, patterns, enumerations, lengths.
    winget_fields.py --tarnpack TARNPACK     packages of awkward setup scripts (one signed), and refusals
    winget_fields.py --check DIR PACKAGE     a written manifest set and its package (the example's)"""
import hashlib, os, re, subprocess, sys, tempfile

ID = r'^[^\.\s\\/:\*\?"<>\|\x01-\x1f]{1,32}(\.[^\.\s\\/:\*\?"<>\|\x01-\x1f]{1,32}){1,7}$'
VERSION = r'^[^\\/:\*\?"<>\|\x01-\x1f]+$'
LOCALE = r'^([a-zA-Z]{2,3}|[iI]-[a-zA-Z]+|[xX]-[a-zA-Z]{1,8})(-[a-zA-Z]{1,8})*$'
URL = r'^([Hh][Tt][Tt][Pp][Ss]?)://.+$'
N = r'(0|[1-9][0-9]{0,3}|[1-5][0-9]{4}|6[0-4][0-9]{3}|65[0-4][0-9]{2}|655[0-2][0-9]|6553[0-5])'
RESPONSES = ['packageInUse', 'packageInUseByApplication', 'installInProgress', 'fileInUse', 'missingDependency', 'diskFull',
             'insufficientMemory', 'invalidParameter', 'noNetwork', 'contactSupport', 'rebootRequiredToFinish',
             'rebootRequiredForInstall', 'rebootInitiated', 'cancelledByUser', 'alreadyInstalled', 'downgrade',
             'blockedByPolicy', 'systemNotSupported', 'custom']
# (field, required, rule, least, most): a rule is a pattern or str (a text of that length), a list (its values; one
# value: a constant), int (a return code), or list/dict (of that many items). "[]" walks a list's items.
COMMON = [('PackageIdentifier', 1, ID, 0, 128), ('PackageVersion', 1, VERSION, 0, 128),
          ('ManifestVersion', 1, '^' + N + r'(\.' + N + '){2}$')]
RULES = {
    'version': COMMON + [('DefaultLocale', 1, LOCALE, 0, 20), ('ManifestType', 1, ['version'])],
    'defaultLocale': COMMON + [
        ('PackageLocale', 1, LOCALE, 0, 20), ('Publisher', 1, str, 2, 256), ('PublisherUrl', 0, URL, 0, 2048),
        ('PackageName', 1, str, 2, 256), ('PackageUrl', 0, URL, 0, 2048), ('License', 1, str, 3, 512),
        ('Copyright', 0, str, 3, 512), ('ShortDescription', 1, str, 3, 256), ('ManifestType', 1, ['defaultLocale'])],
    'installer': COMMON + [
        ('InstallerType', 0, ['msix', 'msi', 'appx', 'exe', 'zip', 'inno', 'nullsoft', 'wix', 'burn', 'pwa',
                              'portable', 'advinstExe', 'advinstMsi']),
        ('Scope', 0, ['user', 'machine']), ('InstallModes', 0, list, 0, 3),
        ('InstallModes[]', 0, ['interactive', 'silent', 'silentWithProgress']), ('InstallerSwitches', 0, dict)] + [
        ('InstallerSwitches.' + s, 0, str, 1, 512) for s in ['Silent', 'SilentWithProgress', 'InstallLocation', 'Log']] + [
        ('InstallerSuccessCodes', 0, list, 0, 16), ('InstallerSuccessCodes[]', 0, int),
        ('ExpectedReturnCodes', 0, list, 0, 128), ('ExpectedReturnCodes[]', 0, dict),
        ('ExpectedReturnCodes[].InstallerReturnCode', 0, int), ('ExpectedReturnCodes[].ReturnResponse', 0, RESPONSES),
        ('UpgradeBehavior', 0, ['install', 'uninstallPrevious', 'deny']),
        ('ElevationRequirement', 0, ['elevationRequired', 'elevationProhibited', 'elevatesSelf']),
        ('AppsAndFeaturesEntries', 0, list, 0, 128), ('AppsAndFeaturesEntries[]', 0, dict),
        ('AppsAndFeaturesEntries[].DisplayName', 0, str, 1, 256), ('AppsAndFeaturesEntries[].Publisher', 0, str, 1, 256),
        ('AppsAndFeaturesEntries[].DisplayVersion', 0, str, 1, 128),
        ('AppsAndFeaturesEntries[].ProductCode', 0, str, 1, 255),
        ('Installers', 1, list, 1, 1024), ('Installers[]', 0, dict),
        ('Installers[].Architecture', 0, ['x86', 'x64', 'arm', 'arm64', 'neutral']),
        ('Installers[].InstallerUrl', 0, URL, 0, 2048), ('Installers[].InstallerSha256', 0, r'^[A-Fa-f0-9]{64}$'),
        ('ManifestType', 1, ['installer'])]}
# Required within each item of their lists.
ITEM_FIELDS = {'ExpectedReturnCodes[]': ['InstallerReturnCode', 'ReturnResponse'],
               'Installers[]': ['Architecture', 'InstallerUrl', 'InstallerSha256']}


def keeps(v, rule, least=0, most=1 << 30):
    if rule is int:
        return type(v) is int and v != 0 and -2147483648 <= v <= 4294967295
    if rule in (list, dict):
        return type(v) is rule and least <= len(v) <= most
    if isinstance(rule, list):
        return v in rule
    return type(v) is str and least <= len(v) <= most and (rule is str or re.search(rule, v) is not None)


def scalar(text):
    """A YAML scalar of the written subset: double-quoted or plain (numbers and words typed as YAML types them)."""
    if text.startswith('"'):
        escapes = {'\\': '\\', '"': '"', 'N': '\x85', 'L': '\u2028', 'P': '\u2029'}
        return re.sub(r'\\(x..|.)', lambda m: chr(int(m[1][1:], 16)) if len(m[1]) == 3 else escapes[m[1]], text[1:-1])
    if re.fullmatch(r'-?[0-9]+', text):
        return int(text)
    if re.fullmatch(r'-?[0-9]*\.[0-9]+', text):
        return float(text)
    return {'true': True, 'false': False, 'yes': True, 'no': False, 'null': None}.get(text.lower(), text)


def block(lines, at, indent):
    """The mapping or list in `lines` [(indent, text)] from `at`: (value, next line)."""
    if lines[at][1].startswith('- '):
        items = []
        while at < len(lines) and lines[at][0] == indent and lines[at][1].startswith('- '):
            lines[at] = (indent + 2, lines[at][1][2:])
            item, at = block(lines, at, indent + 2) if re.match(r'^\w+:( |$)', lines[at][1]) else \
                (scalar(lines[at][1]), at + 1)
            items.append(item)
        return items, at
    mapping = {}
    while at < len(lines) and lines[at][0] == indent and not lines[at][1].startswith('- '):
        key, _, rest = lines[at][1].partition(':')
        assert key not in mapping, 'a key written twice: ' + key
        mapping[key], at = (scalar(rest.strip()), at + 1) if rest.strip() else block(lines, at + 1, lines[at + 1][0])
    return mapping, at


def values(doc, path):
    found = [doc]
    for part in path.split('.'):
        found = [x[part.rstrip('[]')] for x in found if isinstance(x, dict) and part.rstrip('[]') in x]
        found = [item for x in found for item in x] if part.endswith('[]') else found
    return found


def fields(v, path=''):
    """Every field written, as the rules name it."""
    items = [(f'{path}.{k}'.lstrip('.'), w) for k, w in v.items()] if isinstance(v, dict) else \
        [(path + '[]', w) for w in v] if isinstance(v, list) else []
    return [f for p, w in items for f in [p] + fields(w, p)]


def check_set(folder, package, expected=None):
    """The three files of `folder` against the rules; `expected` maps (kind, field) to its values."""
    names = sorted(os.listdir(folder))
    ident = ([n[:-len('.installer.yaml')] for n in names if n.endswith('.installer.yaml')] or [''])[0]
    files = {'version': ident + '.yaml', 'installer': ident + '.installer.yaml',
             'defaultLocale': ident + '.locale.en-US.yaml'}
    if sorted(files.values()) != names:
        return [f'{folder} holds {names}']
    problems, docs = [], {}
    for kind, name in files.items():
        raw = open(os.path.join(folder, name), encoding='utf-8').read().split('\n')
        lines = [(len(l) - len(l.lstrip(' ')), l.strip()) for l in raw if l.strip() and not l.startswith('#')]
        doc, read = block(lines, 0, 0)
        docs[kind] = doc
        if read != len(lines):
            problems.append(f'{name}: line {read} and after do not belong to the document')
        if raw[0] != f'# yaml-language-server: $schema=https://aka.ms/winget-manifest.{kind}.1.10.0.schema.json':
            problems.append(f'{name}: the first line is {raw[0]!r}')
        if doc.get('PackageIdentifier') != ident or doc.get('ManifestVersion') != '1.10.0':
            problems.append(f'{name}: not the identifier of its name or not of schema 1.10.0')
        for field, required, *rule in RULES[kind]:
            if required and not values(doc, field):
                problems.append(f'{name}: {field} is required')
            problems += [f'{name}: {field} = {v!r} breaks its rule' for v in values(doc, field) if not keeps(v, *rule)]
        for field, inner in ITEM_FIELDS.items():
            problems += [f'{name}: {field} lacks {f}' for item in values(doc, field) for f in inner if f not in item]
        known = {f for f, *_ in RULES[kind]}
        problems += [f'{name}: {f} is no field of the schema' for f in fields(doc) if f not in known]
    digest = hashlib.sha256(open(package, 'rb').read()).hexdigest().upper()
    for (kind, field), want in {**(expected or {}), ('installer', 'Installers[].InstallerSha256'): [digest]}.items():
        if values(docs[kind], field) != want:
            problems.append(f'{kind}: {field} is {values(docs[kind], field)!r}, not {want!r}')
    return problems


SCRIPT = '\ufeff[GeneralInformation]\r\nAppName = {}\r\nVersion = {}\r\nCompanyName = {}\r\nWebsite = {}\r\n' \
         '[uConfig]\r\nIconExtUninst = {}\r\n'
STUB_FACTS = {('installer', f): v for f, v in [
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

    def build(name, script, *options):
        os.makedirs(f'{work}/{name}/Config')
        open(f'{work}/{name}/Config/Script.ini', 'w', encoding='utf-8').write(SCRIPT.format(*script))
        return subprocess.run([tarnpack, '--payload', f'{work}/payload', '--info', f'{work}/{name}', '--out',
                               f'{work}/{name}.exe', '--winget', f'{work}/{name}-winget', *options],
                              capture_output=True, text=True)

    name, version, company = 'Acme Editor: "Pro" #2', '2.1 beta', 'Acme: Tools & Co. #1'
    plain, url = ('Demo', '1.2', 'Demo Inc', 'http://demo.example', 1), 'https://dl.example.invalid/acme/ed-2.1.exe'
    cases = [  # name, script, options, expected fields beside the stub's facts
        ('awkward', (name, version, company, 'acme.example/editor', 1),
         ['--arch', 'x64', '--id', 'Acme.Editor', '--url', url, '--copyright', '© 2026 Acme: #1',
          '--sign', f'{work}/cert.pem', '--key', f'{work}/key.pem'],
         {('installer', 'Installers[].Architecture'): ['x64'], ('installer', 'Installers[].InstallerUrl'): [url],
          ('installer', 'PackageVersion'): [version], ('installer', 'AppsAndFeaturesEntries[].DisplayName'): [name],
          ('installer', 'AppsAndFeaturesEntries[].ProductCode'): [name],
          ('installer', 'AppsAndFeaturesEntries[].Publisher'): [company],
          ('installer', 'AppsAndFeaturesEntries[].DisplayVersion'): [version],
          ('defaultLocale', 'Publisher'): [company], ('defaultLocale', 'PackageName'): [name],
          ('defaultLocale', 'PublisherUrl'): ['https://acme.example/editor'],
          ('defaultLocale', 'License'): ['Proprietary'], ('defaultLocale', 'Copyright'): ['© 2026 Acme: #1'],
          ('defaultLocale', 'ShortDescription'): [name + ' ' + version], ('version', 'DefaultLocale'): ['en-US']}),
        ('plain', plain, ['--id', 'Demo.Demo', '--url', url, '--license', 'MIT', '--description', 'A demo'],
         {('installer', 'Installers[].Architecture'): ['x86'], ('version', 'PackageVersion'): ['1.2'],
          ('defaultLocale', 'PackageUrl'): ['http://demo.example'], ('defaultLocale', 'License'): ['MIT'],
          ('defaultLocale', 'ShortDescription'): ['A demo'], ('defaultLocale', 'Copyright'): []})]
    problems = []
    for case, script, options, expected in cases:
        r = build(case, script, *options)
        problems += [f'{case}: {p}' for p in check_set(f'{work}/{case}-winget', f'{work}/{case}.exe',
                                                        {**STUB_FACTS, **expected})] if r.returncode == 0 \
            else [f'{case}: tarnpack failed: {r.stderr}']
    for case, script, options, message in [
            ('no-url', plain, ['--id', 'Demo.Demo'], 'tarnpack: --winget needs --id PUBLISHER.PRODUCT and --url URL'),
            ('blank', plain, ['--id', 'Demo.My App', '--url', url], 'tarnpack: --id takes a winget package identifier'),
            ('one-part', plain, ['--id', 'Demo', '--url', url], 'tarnpack: --id takes a winget package identifier'),
            ('ftp', plain, ['--id', 'A.B', '--url', 'ftp://x.invalid/d.exe'], 'tarnpack: --url takes an http:// or'),
            ('no-entry', plain[:4] + (0,), ['--id', 'A.B', '--url', url],
             'tarnpack: the setup script registers no uninstall entry'),
            ('colon', ('Demo', '1:2', 'Demo Inc', '', 1), ['--id', 'A.B', '--url', url],
             "tarnpack: a winget manifest needs the setup script's Version")]:
        r = build(case, script, *options)
        if r.returncode == 0 or message not in r.stderr:
            problems.append(f'{case}: exit {r.returncode}, {r.stderr!r} does not say {message!r}')
        if os.path.exists(f'{work}/{case}.exe') or os.path.exists(f'{work}/{case}-winget'):
            problems.append(f'{case}: a refused build left files')
    subprocess.run(['rm', '-rf', work])
    return problems


if __name__ == '__main__':
    found = check_set(sys.argv[2], sys.argv[3]) if sys.argv[1] == '--check' else run_tarnpack(sys.argv[2])
    print('\n'.join(found) or 'The winget manifests keep the schema\'s rules.')
    sys.exit(1 if found else 0)

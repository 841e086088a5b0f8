#!/usr/bin/env python3
"""tarnpack inspect: the report of a package built here, line by line; the
same facts as JSON; damaged packages refused with the setup stub's words;
and, where the signed test packages exist, the signature.

usage: package_report_test.py TARNPACK STUB DATA [SIGNED_DIR]
"""

import json
import os
import random
import struct
import subprocess
import sys
import tempfile

tarnpack, stub, data = sys.argv[1:4]
signed_dir = sys.argv[4] if len(sys.argv) > 4 else ''
failures = []


def check(what, got, expected):
    if got != expected:
        failures.append(f'{what}:\n  got      {got!r}\n  expected {expected!r}')


def inspect(*args):
    r = subprocess.run([tarnpack, 'inspect', *args], capture_output=True, text=True)
    return r.returncode, r.stdout, r.stderr


work = tempfile.mkdtemp(prefix='inspect-')
files = {'App.exe': random.Random(7).randbytes(5000), 'docs/readme.txt': b'Read me.\r\n',
         'data/big.bin': random.Random(8).randbytes(12000), 'empty.txt': b''}
for name, content in files.items():
    os.makedirs(os.path.dirname(f'{work}/payload/{name}'), exist_ok=True)
    open(f'{work}/payload/{name}', 'wb').write(content)
os.makedirs(f'{work}/info/Config')
open(f'{work}/info/Config/Script.ini', 'wb').write(
    '\ufeff[GeneralInformation]\r\nAppName = Demo App\r\nVersion = 1.0\r\nCompanyName = Tarn "Demo" Co\r\n'
    'Website = https://demo.example/\r\n[InstTasks]\r\n'
    'Key = REGADDKEY¶HKEY_CURRENT_USER¶Software\\Demo\r\nRun = RUNPROGRAM¶<InstallPath>\\App.exe¶¶0\r\n'
    '[UninstTasks]\r\nGone = REGDELKEY¶HKEY_CURRENT_USER¶Software\\Demo\r\n'.encode())
package = f'{work}/Setup.exe'
subprocess.run([tarnpack, '--stub', stub, '--data', data, '--payload', f'{work}/payload', '--info', f'{work}/info',
                '--languages', 'English,German', '--out', package], check=True, capture_output=True)

code, out, err = inspect(package)
check('exit code', (code, err), (0, ''))
lines = out.splitlines()
check('first line', lines[0].startswith(f'Package:         {package} ('), True)
check('report', lines[1:25], [
    'Setup stub:      x86, Tarnwick Install Platform 1.0.0.0; version information: Demo App Setup 1.0 (Tarn "Demo" Co)',
    'Signature:       not signed',
    'Product:         Demo App',
    'Version:         1.0',
    'Company:         Tarn "Demo" Co',
    'Web site:        https://demo.example/',
    'Languages:       English, Deutsch',
    'Install tasks:   2',
    '  Key = REGADDKEY¶HKEY_CURRENT_USER¶Software\\Demo',
    '  Run = RUNPROGRAM¶<InstallPath>\\App.exe¶¶0',
    'Uninstall tasks: 1',
    '  Gone = REGDELKEY¶HKEY_CURRENT_USER¶Software\\Demo',
    'Payload:         4 files, 17,010 bytes (16.6 KB)',
    'Largest files:',
    '           12,000  data/big.bin',
    '            5,000  App.exe',
    '               10  docs/readme.txt',
    '                0  empty.txt',
    'Required space:  17,010 bytes (16.6 KB)',
    'Switches:',
    '  /S                  install without any window or question',
    '  /S /PASSIVE         install showing only the progress, asking nothing',
    '  /D=folder           the install folder, right after /S (or /S /PASSIVE)',
    '  /LOG=file           write a log'])
check('last lines', lines[-2:], ['  1618                another installation is in progress',
                                 '  1639                the command line was not understood'])

code, out, err = inspect(package, '--json')
check('json exit code', code, 0)
facts = json.loads(out)
check('json product', facts['product'], {'name': 'Demo App', 'version': '1.0', 'company': 'Tarn "Demo" Co',
                                         'website': 'https://demo.example/'})
check('json stub', (facts['stub']['architecture'], facts['stub']['description']), ('x86', 'Demo App Setup'))
check('json signature', facts['signature'], {'signed': False, 'checked': False, 'valid': False, 'signer': '',
                                             'timestamp': '', 'verdict': 'not signed'})
check('json tasks', facts['installTasks'][1], {'name': 'Run', 'line': 'RUNPROGRAM¶<InstallPath>\\App.exe¶¶0'})
check('json payload', (facts['payload']['files'], facts['payload']['bytes'], facts['payload']['largest'][0]),
      (4, 17010, {'name': 'data/big.bin', 'bytes': 12000}))
check('json space and languages', (facts['requiredSpace'], facts['languages']), (17010, ['English', 'Deutsch']))
check('json switches', (facts['switches'][0], facts['exitCodes'][1]),
      ({'switch': '/S', 'meaning': 'install without any window or question'},
       {'code': 3010, 'meaning': 'installed; a restart completes it'}))

whole = open(package, 'rb').read()
info_length, payload_length = struct.unpack('<ii', whole[-11:-3])
info_at = len(whole) - 11 - info_length
payload_at = info_at - payload_length


def data_of(at, name):
    """Where the data of the entry `name` begin, from the local header at `at` on."""
    while whole[at:at + 4] == b'PK\x03\x04':
        n, m = struct.unpack('<HH', whole[at + 26:at + 30])
        if whole[at + 30:at + 30 + n] == name:
            return at + 30 + n + m
        at += 30 + n + m + struct.unpack('<I', whole[at + 18:at + 22])[0]
    raise SystemExit(f'no entry {name} in the archive')


def flipped(at):
    return whole[:at] + bytes([whole[at] ^ 0x5A]) + whole[at + 1:]


damaged = [
    ('cut trailer', whole[:-1], 'This installer is incomplete! If you downloaded it from the Internet try to transfer '
     'it again.'),
    ('zero length', whole[:-7] + b'\0\0\0\0' + whole[-3:], 'This installer is corrupted. Please obtain another copy '
     'of it.'),
    ('payload byte', flipped(data_of(payload_at, b'App.exe') + 100), 'This installer is corrupted: its files could '
     'not be unpacked completely. Nothing was installed. Please obtain another copy of it.'),
    ('information byte', flipped(data_of(info_at, b'Languages/English.ini') + 3), 'This installer is corrupted. '
     'Please obtain another copy and retry installation.'),
]
for what, content, message in damaged:
    path = f'{work}/{what.replace(" ", "-")}.exe'
    open(path, 'wb').write(content)
    check(what, inspect(path), (1, '', f'tarnpack: {path}: {message}\n'))

# What a hostile package holds: a terminal's escape sequences in a name and
# in the script, shown escaped (and as they are in JSON); resource tables
# that every entry of the level above reaches, read as no version
# information; a setup script that inflates to 40 MB, read as empty.
hostile, folder = f'{work}/hostile.exe', f'{work}/hostile'
os.makedirs(f'{folder}/payload'), os.makedirs(f'{folder}/info/Config')
open(f'{folder}/payload/red\x1b[31m.txt', 'wb').write(b'x')
open(f'{folder}/info/Config/Script.ini', 'wb').write(
    b'\xef\xbb\xbf[GeneralInformation]\r\nAppName = A\x1b]0;\x07\xc2\x9b2J\r\n')
build = [tarnpack, '--stub', stub, '--data', data, '--payload', f'{folder}/payload', '--info', f'{folder}/info',
         '--languages', 'English', '--out', hostile]
subprocess.run(build, check=True, capture_output=True)
out, facts = inspect(hostile)[1].splitlines(), json.loads(inspect(hostile, '--json')[1])
check('escapes', (out[3], [line for line in out if '.txt' in line], facts['product']['name'],
                  facts['payload']['largest'][0]['name']),
      ('Product:         A\\x1B]0;\\x07\\u009B2J', ['                1  red\\x1B[31m.txt'], 'A\x1b]0;\x07\x9b2J',
       'red\x1b[31m.txt'))
pe = struct.unpack_from('<I', whole, 0x3C)[0]
sections = pe + 24 + struct.unpack_from('<H', whole, pe + 20)[0]
rsrc = whole.index(b'.rsrc\0', sections)
address, raw_size, raw_at = struct.unpack_from('<III', whole, rsrc + 12)
n = (raw_size - 64) // 24 - 2
tree = b''.join(struct.pack('<12xHH', 0, n) + struct.pack('<II', 1, target) * n
                for target in (0x80000000 | (16 + 8 * n), 0x80000000 | (32 + 16 * n), 48 + 24 * n))
open(f'{work}/shared.exe', 'wb').write(whole[:raw_at] + tree + struct.pack('<II8x', address, raw_size) +
                                       whole[raw_at + len(tree) + 16:])
code, out, err = inspect(f'{work}/shared.exe')
check('shared resource tables', (code, out.splitlines()[1:2]),
      (0, ['Setup stub:      x86; version information: (none)']))
open(f'{folder}/info/Config/Script.ini', 'ab').write(b'\0' * (40 << 20))
subprocess.run(build, check=True, capture_output=True)
check('inflating script', inspect(hostile)[1].splitlines()[3], 'Product:         (none)')

if not signed_dir or not os.path.exists(f'{signed_dir}/signed.exe'):
    print('NOT CHECKED: the signature (no signed test package; build the signed_packages target)')
else:
    signed = f'{signed_dir}/signed.exe'
    for args, verdict in [((), 'not valid: self-signed certificate'),
                          (('--ca', f'{signed_dir}/certificate.pem'), 'valid')]:
        code, out, err = inspect(signed, *args)
        check('signed ' + verdict, [line for line in out.splitlines() if line.startswith('Signature:')],
              [f'Signature:       signed by /CN=Tarnwick Test, time stamp none, {verdict}'])

if failures:
    print('\n'.join(failures))
    sys.exit(1)
print('tarnpack inspect: every check passed')

#!/usr/bin/env bash
# Makes the packages of the end-to-end test of signed packages
# (tests/e2e/signed_test.cpp), which the Windows builds cannot sign:
#
#   make_signed.sh TARNPACK WORK STUB OUT [STUB OUT ...]
#
# WORK gets a throw-away self-signed certificate with its key, an icon of
# 16 and 48 pixels, and the product and information folders of a small
# "Demo App" 1.0. Each OUT gets, made with its STUB, that icon and a
# copyright notice, signed.exe (signed with that certificate by tarnpack
# --sign) and unsigned.exe (the same package unsigned), and the certificate.
# The product's first file is random bytes, so that a byte changed in its
# archive entry is a byte of the stored file itself.
set -euo pipefail
tarnpack=$1 work=$2
shift 2

rm -rf "$work"
mkdir -p "$work/payload/docs" "$work/info/Config"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Tarnwick Test" \
  -keyout "$work/key.pem" -out "$work/certificate.pem" 2>/dev/null
python3 -c 'import random, sys; random.seed(7); sys.stdout.buffer.write(random.randbytes(5000))' \
  > "$work/payload/App.exe"
printf 'Read me first.\r\n' > "$work/payload/docs/readme.txt"
printf '\xef\xbb\xbf[GeneralInformation]\r\nAppName = Demo App\r\nVersion = 1.0\r\nCompanyName = Tarn Demo Co\r\n' \
  > "$work/info/Config/Script.ini"
printf 'Website = https://demo.example/\r\n' >> "$work/info/Config/Script.ini"
printf '[iConfig]\r\nPathChangeable = 1\r\n' >> "$work/info/Config/Script.ini"
python3 - "$work/demo.ico" <<'EOF'
import struct, sys
images = [struct.pack('<IiiHHIIiiII', 40, n, 2 * n, 1, 32, 0, 0, 0, 0, 0, 0) + b'\x30\x60\xc0\xff' * n * n +
          bytes((n + 31) // 32 * 4 * n) for n in (16, 48)]
head, at = struct.pack('<HHH', 0, 1, 2), 38
for n, image in zip((16, 48), images):
    head += struct.pack('<BBBBHHII', n, n, 0, 0, 1, 32, len(image), at)
    at += len(image)
open(sys.argv[1], 'wb').write(head + b''.join(images))
EOF

while [ $# -ge 2 ]; do
  stub=$1 out=$2
  shift 2
  rm -rf "$out"
  mkdir -p "$out"
  common=(--stub "$stub" --payload "$work/payload" --info "$work/info" --icon "$work/demo.ico"
          --copyright "© 2026 Tarn Demo Co")
  "$tarnpack" "${common[@]}" --out "$out/unsigned.exe" >/dev/null
  "$tarnpack" "${common[@]}" --out "$out/signed.exe" --sign "$work/certificate.pem" --key "$work/key.pem" >/dev/null
  cp "$work/certificate.pem" "$out/certificate.pem"
done

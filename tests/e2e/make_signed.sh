#!/usr/bin/env bash
# Makes the packages of the end-to-end test of signed packages
# (tests/e2e/signed_test.cpp), which the Windows builds cannot sign:
#
#   make_signed.sh TARNPACK WORK STUB OUT [STUB OUT ...]
#
# WORK gets a throw-away self-signed certificate with its key, and the
# product and information folders of a small "Demo App" 1.0. Each OUT gets,
# made with its STUB, signed.exe (signed with that certificate by tarnpack
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
printf '\xef\xbb\xbf[GeneralInformation]\r\nAppName = Demo App\r\nVersion = 1.0\r\n' > "$work/info/Config/Script.ini"
printf '[iConfig]\r\nPathChangeable = 1\r\n' >> "$work/info/Config/Script.ini"

while [ $# -ge 2 ]; do
  stub=$1 out=$2
  shift 2
  rm -rf "$out"
  mkdir -p "$out"
  common=(--stub "$stub" --payload "$work/payload" --info "$work/info")
  "$tarnpack" "${common[@]}" --out "$out/unsigned.exe" >/dev/null
  "$tarnpack" "${common[@]}" --out "$out/signed.exe" --sign "$work/certificate.pem" --key "$work/key.pem" >/dev/null
  cp "$work/certificate.pem" "$out/certificate.pem"
done

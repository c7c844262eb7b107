#!/usr/bin/env bash
# The installer signed with a throwaway self-signed certificate: the signature
# verifies, and the signed installer installs silently under Wine (its own
# copy "sbak.exe" is the signed program, byte for byte in size).
#   signed_installer_test.sh SETUP.exe UIDRIVER.exe WORKDIR
set -euo pipefail
setup=$1 driver=$2 work=$3
root=$(cd "$(dirname "$0")/../.." && pwd)
rm -rf "$work"
mkdir -p "$work"

openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Tolvane test signer" \
  -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
signed=$work/TolvaneSetup.exe
cp "$setup" "$signed"
"$root/scripts/sign" "$signed" "$work/cert.pem" "$work/key.pem"

osslsigncode verify -CAfile "$work/cert.pem" "$signed" >"$work/verify.txt" 2>&1 ||
  { cat "$work/verify.txt"; echo "FAIL: the signed installer does not verify"; exit 1; }
if osslsigncode verify -CAfile "$work/cert.pem" "$setup" >/dev/null 2>&1; then
  echo "FAIL: the unsigned installer verifies"; exit 1
fi
# Signing again replaces the signature rather than adding one.
"$root/scripts/sign" "$signed" "$work/cert.pem" "$work/key.pem"
count=$(osslsigncode verify -CAfile "$work/cert.pem" "$signed" 2>/dev/null | grep -c "^Signature Index" || true)
[ "$count" = 1 ] || { echo "FAIL: $count signatures after signing twice"; exit 1; }

set +e
"$root/scripts/wine-run" "$driver" journey "$signed" -s >"$work/journey.txt" 2>&1
rc=$?
set -e
cat "$work/journey.txt"
[ $rc -eq 0 ] || exit $rc
grep -q "ended, exit code 0" "$work/journey.txt" || { echo "FAIL: the signed installer did not end well"; exit 1; }
size=$(stat -c %s "$signed")
grep -qx "  sbak.exe  $size" "$work/journey.txt" ||
  { echo "FAIL: sbak.exe is not the signed installer ($size bytes)"; exit 1; }
echo "signed installer verified and installed"

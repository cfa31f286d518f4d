#!/usr/bin/env bash
# Makes the files of the signer-check tests from one unsigned program:
#   unsigned.exe          no signature
#   expected.exe          the expected signer (SHA-256)
#   other.exe             another publisher under the same trusted root
#   selfsigned.exe        a self-signed certificate with the expected name
#   untrusted.exe         the expected name from a CA that is not trusted
#   dual.exe              another publisher (SHA-1) with a nested SHA-256
#                         signature of the expected signer
#   triple.exe            another publisher with two nested signatures, the
#                         expected signer's not the attribute's first value
#   evil_nested.exe       another publisher with a nested signature of the
#                         self-signed expected name
#   transplanted.exe      another publisher with a nested signature of the
#                         expected signer made for a different file
#   tampered.exe          expected.exe with one byte of code changed
#   sfx_signed.exe        the expected signer's self-extractor: a 7z archive
#                         with installer.exe ("signed installer") covered
#                         by the signature
#   sfx_in_entry.exe      expected.exe with another archive (installer.exe:
#                         "unsigned installer") inside its signature's entry
#   sfx_in_directory.exe  the same archive after the entry, inside the
#                         security directory
#   sfx_after_table.exe   the same archive after the certificate table
#   sfx_signed_in_entry.exe  sfx_signed.exe with that archive in its entry
#   zeros_in_entry.exe    expected.exe with 8 zero bytes inside its entry
#   expired_unstamped.exe the expected signer's certificate of 2020 (expired
#                         now), signed in June 2020 without a timestamp
#   expired_stamped.exe   the same with a timestamp of the test TSA then
#   expired_stamped_late.exe       a timestamp of 2022, after the expiry
#   expired_stamped_untrusted.exe  a timestamp of a self-signed TSA
#   root.der              the root to trust
# Usage: make_signed_test_files.sh PKI_SCRIPT PKI_DIR PROGRAM OUT_DIR
set -euo pipefail
pki_script=$1 pki=$2 program=$3 out=$4
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
sign() { bash "$pki_script" sign "$pki" "$@"; }

rm -rf "$out" && mkdir -p "$out"
cp "$program" "$out/unsigned.exe"
cp "$pki/root.der" "$out/root.der"
sign signer "$out/unsigned.exe" "$out/expected.exe"
sign other "$out/unsigned.exe" "$out/other.exe"
sign selfsigned "$out/unsigned.exe" "$out/selfsigned.exe"
sign untrusted "$out/unsigned.exe" "$out/untrusted.exe"
sign other "$out/unsigned.exe" "$out/other_sha1.exe" -h sha1
sign signer "$out/other_sha1.exe" "$out/dual.exe" -nest
sign selfsigned "$out/other.exe" "$out/evil_nested.exe" -nest
sign signer "$out/other.exe" "$out/other_twice.exe" -nest
sign other "$out/other_twice.exe" "$out/triple.exe" -nest -h sha1

# Flips one byte of the first section (at 0x400 in these small programs).
flip_code_byte() {
  /usr/bin/python3 -c 'import sys
data = bytearray(open(sys.argv[1], "rb").read())
data[0x400] ^= 0x01
open(sys.argv[2], "wb").write(data)' "$1" "$2"
}

flip_code_byte "$out/unsigned.exe" "$out/different.exe"
sign signer "$out/different.exe" "$out/different_signed.exe"
osslsigncode extract-signature -in "$out/different_signed.exe" -out "$out/different.sig" >/dev/null
# osslsigncode warns of the digest mismatch but attaches the signature.
osslsigncode attach-signature -sigin "$out/different.sig" -nest \
  -in "$out/other.exe" -out "$out/transplanted.exe" >/dev/null 2>&1 || true
[ -s "$out/transplanted.exe" ] || { echo "cannot attach the transplanted signature" >&2; exit 1; }

flip_code_byte "$out/expected.exe" "$out/tampered.exe"

# Archives with one installer.exe each; the signed one is appended before
# signing (8-aligned, as signing tools pad), the other hidden afterwards.
archive() {
  local dir="$out/archive_$1"
  mkdir -p "$dir"
  printf '%s' "$2" >"$dir/installer.exe"
  (cd "$dir" && 7z a -t7z -bd "../$1.7z" installer.exe >/dev/null)
  rm -rf "$dir"
}
archive signed "signed installer"
archive unsigned "unsigned installer"
/usr/bin/python3 -c 'import sys
image = open(sys.argv[1], "rb").read()
image += b"\0" * (-len(image) % 8)
data = open(sys.argv[2], "rb").read()
open(sys.argv[3], "wb").write(image + data + b"\0" * (-len(data) % 8))' \
  "$out/unsigned.exe" "$out/signed.7z" "$out/sfx_unsigned.exe"
sign signer "$out/sfx_unsigned.exe" "$out/sfx_signed.exe"
hide() { /usr/bin/python3 "$here/hide_in_certificate_table.py" "$@"; }
hide entry "$out/expected.exe" "$out/sfx_in_entry.exe" "$out/unsigned.7z"
hide directory "$out/expected.exe" "$out/sfx_in_directory.exe" "$out/unsigned.7z"
hide after "$out/expected.exe" "$out/sfx_after_table.exe" "$out/unsigned.7z"
hide entry "$out/sfx_signed.exe" "$out/sfx_signed_in_entry.exe" "$out/unsigned.7z"
head -c 8 /dev/zero >"$out/zeros"
hide entry "$out/expected.exe" "$out/zeros_in_entry.exe" "$out/zeros"
# 2020-06-01 and 2022-01-01, 00:00 UTC.
june_2020=1590969600
january_2022=1640995200
stamped() {
  local identity=$1 out_file=$2 sign_time=$3 stamp_time=$4 tsa=$5
  sign "$identity" "$out/unsigned.exe" "$out_file" -time "$sign_time" \
    -TSA-certs "$pki/$tsa.pem" -TSA-key "$pki/$tsa.key" -TSA-time "$stamp_time"
}
sign expired "$out/unsigned.exe" "$out/expired_unstamped.exe" -time "$june_2020"
stamped expired "$out/expired_stamped.exe" "$june_2020" "$june_2020" tsa
stamped expired "$out/expired_stamped_late.exe" "$june_2020" "$january_2022" tsa
stamped expired "$out/expired_stamped_untrusted.exe" "$june_2020" "$june_2020" selfsigned_tsa

rm -f "$out/other_sha1.exe" "$out/other_twice.exe" "$out/different.exe" "$out/different_signed.exe" "$out/different.sig"
rm -f "$out/signed.7z" "$out/unsigned.7z" "$out/sfx_unsigned.exe" "$out/zeros"
touch "$out/stamp"

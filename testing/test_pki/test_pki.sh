#!/usr/bin/env bash
# A throw-away code-signing PKI for tests, made on the build machine (keys
# are never committed), and Authenticode signing with it.
#
#   test_pki.sh init DIR SIGNER_NAME
#     Makes, once, in DIR: a test root CA ("Tarvo Test Root CA", valid from
#     2015), and PEM certificate + key pairs named after their identity:
#       signer       SIGNER_NAME, issued by the test root (code signing)
#       other        "Other Publisher", issued by the test root
#       selfsigned   SIGNER_NAME, self-signed (not under the test root)
#       untrusted    SIGNER_NAME, issued by "Tarvo Untrusted CA", a CA that
#                    no root store holds
#       expired      SIGNER_NAME, issued by the test root, valid only in 2020
#       tsa          "Tarvo Test TSA", a time-stamping authority under the
#                    test root, valid from 2019
#       selfsigned_tsa  "Tarvo Test TSA", self-signed, valid from 2019
#     root.der is the root certificate for a machine's root store. Signing
#     with "-TSA-certs DIR/tsa.pem -TSA-key DIR/tsa.key -TSA-time T" adds a
#     timestamp made by tsa at the Unix time T, offline.
#   test_pki.sh sign DIR IDENTITY IN OUT [osslsigncode sign options...]
#     Signs IN with IDENTITY into OUT (SHA-256 unless "-h sha1" is given;
#     "-nest" adds a nested signature to an already signed IN).
set -euo pipefail

die() { echo "test_pki: $*" >&2; exit 1; }

# Certificate of `name` with subject `subject`, issued by `ca` (or itself
# when ca is empty); `ext` is the extension section of the config below.
make_cert() {
  local dir=$1 name=$2 subject=$3 ca=$4 ext=$5
  openssl genrsa -out "$dir/$name.key" 2048 2>/dev/null
  if [ -z "$ca" ]; then
    openssl req -new -x509 -key "$dir/$name.key" -subj "$subject" -days 3650 -sha256 \
      -config "$dir/openssl.cnf" -extensions "$ext" -out "$dir/$name.pem"
  else
    openssl req -new -key "$dir/$name.key" -subj "$subject" -config "$dir/openssl.cnf" \
      -out "$dir/$name.csr"
    openssl x509 -req -in "$dir/$name.csr" -CA "$dir/$ca.pem" -CAkey "$dir/$ca.key" \
      -set_serial "0x$(openssl rand -hex 8)" -days 3650 -sha256 \
      -extfile "$dir/openssl.cnf" -extensions "$ext" -out "$dir/$name.pem" 2>/dev/null
    rm -f "$dir/$name.csr"
  fi
}

# The same with a validity from `start` to `end` ("YYYYMMDDhhmmssZ"), made
# by the CA tool, which can date a certificate in the past.
make_dated_cert() {
  local dir=$1 name=$2 subject=$3 ca=$4 ext=$5 start=$6 end=$7
  openssl genrsa -out "$dir/$name.key" 2048 2>/dev/null
  openssl req -new -key "$dir/$name.key" -subj "$subject" -config "$dir/openssl.cnf" \
    -out "$dir/$name.csr"
  local issuer=(-selfsign -keyfile "$dir/$name.key")
  [ -z "$ca" ] || issuer=(-cert "$dir/$ca.pem" -keyfile "$dir/$ca.key")
  openssl ca -batch -notext -config "$dir/ca.cnf" "${issuer[@]}" -in "$dir/$name.csr" \
    -startdate "$start" -enddate "$end" -extfile "$dir/openssl.cnf" -extensions "$ext" \
    -out "$dir/$name.pem" 2>/dev/null
  rm -f "$dir/$name.csr"
}

init() {
  local dir=$1 signer=$2
  [ -n "$signer" ] || die "empty signer name"
  # Made again when the name or this script changes.
  local stamp
  stamp="$signer $(sha1sum "${BASH_SOURCE[0]}" | cut -d' ' -f1)"
  if [ -f "$dir/ready" ] && [ "$(cat "$dir/ready")" = "$stamp" ]; then
    return 0
  fi
  rm -rf "$dir" && mkdir -p "$dir"
  cat >"$dir/openssl.cnf" <<'CNF'
[req]
distinguished_name = dn
[dn]
[ca]
basicConstraints = critical, CA:TRUE
keyUsage = critical, keyCertSign, cRLSign
subjectKeyIdentifier = hash
[leaf]
basicConstraints = critical, CA:FALSE
keyUsage = critical, digitalSignature
extendedKeyUsage = codeSigning
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
[selfsigned]
basicConstraints = critical, CA:FALSE
keyUsage = critical, digitalSignature
extendedKeyUsage = codeSigning
subjectKeyIdentifier = hash
[tsa]
basicConstraints = critical, CA:FALSE
keyUsage = critical, digitalSignature
extendedKeyUsage = critical, timeStamping
subjectKeyIdentifier = hash
CNF
  cat >"$dir/ca.cnf" <<CNF
[ca]
default_ca = test_ca
[test_ca]
database = $dir/index.txt
new_certs_dir = $dir/issued
serial = $dir/serial
default_md = sha256
policy = any
unique_subject = no
[any]
commonName = supplied
CNF
  mkdir -p "$dir/issued" && : >"$dir/index.txt"
  openssl rand -hex 8 >"$dir/serial"
  make_dated_cert "$dir" root "/CN=Tarvo Test Root CA" "" ca 20150101000000Z 20450101000000Z
  make_cert "$dir" signer "/CN=$signer" root leaf
  make_cert "$dir" other "/CN=Other Publisher" root leaf
  make_cert "$dir" selfsigned "/CN=$signer" "" selfsigned
  make_cert "$dir" untrusted_ca "/CN=Tarvo Untrusted CA" "" ca
  make_cert "$dir" untrusted "/CN=$signer" untrusted_ca leaf
  make_dated_cert "$dir" expired "/CN=$signer" root leaf 20200101000000Z 20210101000000Z
  make_dated_cert "$dir" tsa "/CN=Tarvo Test TSA" root tsa 20190101000000Z 20450101000000Z
  make_dated_cert "$dir" selfsigned_tsa "/CN=Tarvo Test TSA" "" tsa 20190101000000Z \
    20450101000000Z
  openssl x509 -in "$dir/root.pem" -outform DER -out "$dir/root.der"
  printf '%s' "$stamp" >"$dir/ready"
}

sign() {
  local dir=$1 identity=$2 in=$3 out=$4
  shift 4
  [ -f "$dir/$identity.pem" ] || die "no identity $identity in $dir"
  local hash=(-h sha256)
  case " $* " in *" -h "*) hash=() ;; esac
  rm -f "$out"
  osslsigncode sign -certs "$dir/$identity.pem" -key "$dir/$identity.key" "${hash[@]}" \
    -n "Tarvo test" "$@" -in "$in" -out "$out" >/dev/null
}

case "${1:-}" in
  init) [ $# -eq 3 ] || die "usage: init DIR SIGNER_NAME"; init "$2" "$3" ;;
  sign) [ $# -ge 5 ] || die "usage: sign DIR IDENTITY IN OUT [options]"; shift; sign "$@" ;;
  *) die "usage: test_pki.sh init|sign ..." ;;
esac

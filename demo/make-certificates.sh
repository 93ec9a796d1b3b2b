#!/usr/bin/env bash
# Makes the demo's own certificate authority and the certificate of its HTTPS server:
#   make-certificates.sh <folder>
# writes <folder>/ca.pem (what a demo build trusts), server-chain.pem and server.key.
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: $0 <folder>" >&2; exit 2; }
out=$1
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

key() { openssl genpkey -algorithm EC -pkeyopt ec_paramgen_curve:prime256v1 -out "$1" 2>/dev/null; }

key "$work/ca.key"
openssl req -x509 -new -key "$work/ca.key" -days 3650 -subj "/CN=Vozel demo CA" \
  -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" \
  -out "$work/ca.pem"

key "$work/server.key"
openssl req -new -key "$work/server.key" -subj "/CN=127.0.0.1" -out "$work/server.csr"
printf '%s\n' "subjectAltName=IP:127.0.0.1,DNS:localhost" "basicConstraints=CA:FALSE" \
  "keyUsage=critical,digitalSignature" "extendedKeyUsage=serverAuth" >"$work/server.ext"
openssl x509 -req -in "$work/server.csr" -CA "$work/ca.pem" -CAkey "$work/ca.key" -CAcreateserial \
  -days 3650 -extfile "$work/server.ext" -out "$work/server.pem" 2>/dev/null

cat "$work/server.pem" "$work/ca.pem" >"$out/server-chain.pem"
cp "$work/server.key" "$out/server.key"
cp "$work/ca.pem" "$out/ca.pem"

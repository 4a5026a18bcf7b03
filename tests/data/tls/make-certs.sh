#!/usr/bin/env bash
# Remakes the test CA and the server certificate that tests/support/FakeWeb
# serves. Only tests trust this CA; the program never sees it.
set -euo pipefail
cd "$(dirname "$0")"
days=36500
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# Names the fake web server answers for: the radio directory mirrors, the
# maker's site, test logo hosts and the loopback address.
cat > "$tmp/server.ext" <<'EXT'
basicConstraints = CA:FALSE
keyUsage = digitalSignature, keyEncipherment
extendedKeyUsage = serverAuth
subjectAltName = @names
[names]
DNS.1 = all.api.radio-browser.info
DNS.2 = de2.api.radio-browser.info
DNS.3 = fi1.api.radio-browser.info
DNS.4 = nl1.api.radio-browser.info
DNS.5 = velloran.com.br
DNS.6 = www.velloran.com.br
DNS.7 = logos.test
DNS.8 = logo.test
DNS.9 = img.test
DNS.10 = cdn.test
DNS.11 = *.logos.test
DNS.12 = localhost
IP.1 = 127.0.0.1
EXT

openssl req -x509 -newkey rsa:2048 -nodes -days "$days" -sha256 \
  -subj "/CN=Orvel Test CA" -keyout "$tmp/ca.key" -out ca.pem \
  -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign"
openssl req -newkey rsa:2048 -nodes -sha256 -subj "/CN=Orvel test server" \
  -keyout server.key -out "$tmp/server.csr"
openssl x509 -req -in "$tmp/server.csr" -CA ca.pem -CAkey "$tmp/ca.key" -CAcreateserial \
  -CAserial "$tmp/ca.srl" -days "$days" -sha256 -extfile "$tmp/server.ext" -out server.pem
echo "made ca.pem, server.pem and server.key in $(pwd)"

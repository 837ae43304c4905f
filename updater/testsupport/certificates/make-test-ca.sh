#!/bin/sh
# Makes the test certificate authority of Pathwarden's tests: a root, an
# intermediate below it, a server certificate for localhost and 127.0.0.1, a
# server certificate for another host name, and a self-signed "rogue"
# certificate for localhost that no chain leads to. All are valid for about
# fifty years. These keys protect nothing: they exist only so that the tests
# can run a real TLS server on the loopback interface.
#
# Run it in this folder; it overwrites the files it makes.
set -eu
cd "$(dirname "$0")"
DAYS=18250
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cat > "$work/ca.ext" <<'EXT'
[root]
basicConstraints = critical, CA:TRUE
keyUsage = critical, keyCertSign, cRLSign
subjectKeyIdentifier = hash
[intermediate]
basicConstraints = critical, CA:TRUE, pathlen:0
keyUsage = critical, keyCertSign, cRLSign
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid:always
[server]
basicConstraints = critical, CA:FALSE
keyUsage = critical, digitalSignature, keyEncipherment
extendedKeyUsage = serverAuth
subjectAltName = DNS:localhost, IP:127.0.0.1
authorityKeyIdentifier = keyid:always
[wronghost]
basicConstraints = critical, CA:FALSE
keyUsage = critical, digitalSignature, keyEncipherment
extendedKeyUsage = serverAuth
subjectAltName = DNS:wrong-host.example
authorityKeyIdentifier = keyid:always
[rogue]
basicConstraints = critical, CA:FALSE
keyUsage = critical, digitalSignature, keyEncipherment
extendedKeyUsage = serverAuth
subjectAltName = DNS:localhost, IP:127.0.0.1
EXT

key() { openssl genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:2048 -out "$1" 2>/dev/null; }

key "$work/root.key"
openssl req -new -x509 -key "$work/root.key" -out test-root-ca.pem -days "$DAYS" -sha256 \
    -subj "/O=Pathwarden Tests/CN=Pathwarden Test Root CA" -extensions root -config "$work/ca.ext"

key "$work/intermediate.key"
openssl req -new -key "$work/intermediate.key" -out "$work/intermediate.csr" \
    -subj "/O=Pathwarden Tests/CN=Pathwarden Test Intermediate CA"
openssl x509 -req -in "$work/intermediate.csr" -CA test-root-ca.pem -CAkey "$work/root.key" -set_serial 2 \
    -out test-intermediate-ca.pem -days "$DAYS" -sha256 -extfile "$work/ca.ext" -extensions intermediate

leaf() { # name subject extensions
    key "$1.key"
    openssl req -new -key "$1.key" -out "$work/$1.csr" -subj "$2"
    openssl x509 -req -in "$work/$1.csr" -CA test-intermediate-ca.pem -CAkey "$work/intermediate.key" \
        -set_serial "$4" -out "$1.pem" -days "$DAYS" -sha256 -extfile "$work/ca.ext" -extensions "$3"
}
leaf test-server "/O=Pathwarden Tests/CN=localhost" server 3
leaf test-wronghost "/O=Pathwarden Tests/CN=wrong-host.example" wronghost 4

key test-rogue.key
openssl req -new -x509 -key test-rogue.key -out test-rogue.pem -days "$DAYS" -sha256 \
    -subj "/O=Pathwarden Tests/CN=localhost" -extensions rogue -config "$work/ca.ext"

# The CA keys are thrown away with the work folder: nothing can be signed
# with this authority again; run the script once more for a fresh set.

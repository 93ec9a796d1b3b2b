#!/usr/bin/env bash
# Builds Vozel for the demo PBX, with the demo's programs, into a folder of its own:
#   build-demo.sh <build-folder> <sip-port> <https-port>
# That build looks up caller origins at the demo's server, asks the demo's PBX for STUN and
# trusts the demo's certificate authority (made in <build-folder>/tests/demo/certificates).
# Builds for real use know none of this.
set -euo pipefail
[ $# -eq 3 ] || { echo "usage: $0 <build-folder> <sip-port> <https-port>" >&2; exit 2; }
top=$(cd "$(dirname "$0")/../.." && pwd)
build=$1 sip_port=$2 https_port=$3
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVOZEL_CALL_ORIGIN_ENDPOINT="https://127.0.0.1:$https_port/api/pabx-vozel" \
  -DVOZEL_STUN_SERVER="127.0.0.1:$sip_port" \
  -DVOZEL_EXTRA_CA_CERTIFICATES="$build/tests/demo/certificates/ca.pem" >/dev/null
cmake --build "$build" --parallel "$(nproc)" \
  --target vozel vozel-demo-server vozel-demo-peer vozel_demo_certificates

#!/usr/bin/env bash
# Makes Vozel for the demo PBX, with the demo's programs, in a folder of its own:
#   build-demo.sh <folder> <sip-port> <https-port> [<build>]
# That Vozel looks up caller origins at the demo's server, asks the demo's PBX for STUN and
# trusts the demo's certificate authority (<folder>/demo/certificates). It is linked from
# the libraries of the ordinary build <build> (default: build/ at the top, configured if
# missing) with only its settings compiled apart; builds for real use know none of this.
set -euo pipefail
[ $# -eq 3 ] || [ $# -eq 4 ] || { echo "usage: $0 <folder> <sip-port> <https-port> [<build>]" >&2; exit 2; }
top=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$1"
folder=$(cd "$1" && pwd) sip_port=$2 https_port=$3 build=${4:-$top/build}
[ -f "$build/CMakeCache.txt" ] || cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

stun="127.0.0.1:$sip_port"
endpoint="https://127.0.0.1:$https_port/api/pabx-vozel"
certificates="$folder/demo/certificates"
[ -f "$certificates/ca.pem" ] || "$top/demo/make-certificates.sh" "$certificates"

# Rewritten only when it changes, so an unchanged demo build compiles nothing.
header="$build/demo/settings/DemoBuildSettings.h"
mkdir -p "$(dirname "$header")"
cat > "$header.new" <<SETTINGS
#define VOZEL_STUN_SERVER "$stun"
#define VOZEL_CALL_ORIGIN_ENDPOINT "$endpoint"
#define VOZEL_EXTRA_CA_CERTIFICATES "$certificates/ca.pem"
SETTINGS
if cmp -s "$header.new" "$header"; then rm "$header.new"; else mv "$header.new" "$header"; fi

cmake --build "$build" --parallel "$(nproc)" --target vozel-for-demo vozel-demo-server vozel-demo-peer
mkdir -p "$folder/src/app" "$folder/demo"
cp "$build/demo/vozel-for-demo" "$folder/src/app/vozel"
cp "$build/demo/vozel-demo-server" "$build/demo/vozel-demo-peer" "$folder/demo/"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:[A-Z]*=//p' "$build/CMakeCache.txt")
cat > "$folder/demo-build.txt" <<SETTINGS
VOZEL_STUN_SERVER=$stun
VOZEL_CALL_ORIGIN_ENDPOINT=$endpoint
CMAKE_PROJECT_VERSION=$version
SETTINGS

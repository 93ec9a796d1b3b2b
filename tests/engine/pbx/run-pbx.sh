#!/usr/bin/env bash
# run-pbx.sh <work-folder> <port> <extension:password[:auth user]>...: the test PBX in the foreground
# until SIGTERM, on 127.0.0.1:<port> for UDP and TCP, and with PBX_TLS_PORT for TLS there, its
# certificate signed by the test CA <work-folder>/ca.pem. The auth user defaults to the extension.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$1 port=$2
shift 2

db=$work/db
mkdir -p "$db"
# Unused credential columns must be nullable or db_text refuses the rows.
echo 'id(int,auto) username(string) domain(string,null) password(string) ha1(string,null) ha1b(string,null) extension(string)' >"$db/subscriber"
id=1
for entry in "$@"; do
  IFS=: read -r extension password auth_user <<<"$entry"
  echo "$id:${auth_user:-$extension}::$password:::$extension" >>"$db/subscriber"
  id=$((id + 1))
done
printf '%s\n' 'id(int,auto) table_name(string) table_version(int)' '1:version:1' '2:subscriber:7' '3:location:9' >"$db/version"

tls=()
if [ -n "${PBX_TLS_PORT:-}" ]; then
  key() { openssl req -newkey rsa:2048 -nodes -keyout "$work/$1.key" "${@:2}" 2>/dev/null; }
  key ca -x509 -days 2 -subj "/CN=Vozel test CA" -out "$work/ca.pem"
  key server -subj /CN=127.0.0.1 -addext subjectAltName=DNS:127.0.0.1,IP:127.0.0.1 -out "$work/server.csr"
  openssl x509 -req -in "$work/server.csr" -CA "$work/ca.pem" -CAkey "$work/ca.key" -CAcreateserial \
    -days 2 -copy_extensions copy -out "$work/server.pem" 2>/dev/null
  tls=(-A WITH_TLS -A "PBX_TLS_KEY=\"$work/server.key\"" -A "PBX_TLS_CERT=\"$work/server.pem\""
       -l "tls:127.0.0.1:$PBX_TLS_PORT")
fi

exec kamailio -DD -E -m 32 -M 4 -f "$here/kamailio.cfg" \
  -A "PBX_DB_URL=\"text://$db\"" "${tls[@]}" \
  -l "udp:127.0.0.1:$port" -l "tcp:127.0.0.1:$port" \
  -Y "$work/runtime" -P "$work/kamailio.pid"

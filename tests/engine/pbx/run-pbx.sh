#!/usr/bin/env bash
# Runs the test PBX in the foreground until it is sent SIGTERM.
#   run-pbx.sh <work-folder> <port> <extension:password>...
# Listens on 127.0.0.1:<port> for UDP and TCP; every extension may register and call.
set -euo pipefail
[ $# -ge 3 ] || { echo "usage: $0 <work-folder> <port> <extension:password>..." >&2; exit 2; }
here=$(cd "$(dirname "$0")" && pwd)
work=$1 port=$2
shift 2

db=$work/db
mkdir -p "$db"
# Unused credential columns must be nullable or db_text refuses the rows.
echo 'id(int,auto) username(string) domain(string,null) password(string) ha1(string,null) ha1b(string,null)' >"$db/subscriber"
id=1
for entry in "$@"; do
  echo "$id:${entry%%:*}::${entry#*:}::" >>"$db/subscriber"
  id=$((id + 1))
done
printf '%s\n' 'id(int,auto) table_name(string) table_version(int)' '1:version:1' '2:subscriber:7' '3:location:9' >"$db/version"

exec kamailio -DD -E -m 32 -M 4 -f "$here/kamailio.cfg" \
  -A "PBX_DB_URL=\"text://$db\"" \
  -l "udp:127.0.0.1:$port" -l "tcp:127.0.0.1:$port" \
  -Y "$work/runtime" -P "$work/kamailio.pid"

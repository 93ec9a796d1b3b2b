#!/usr/bin/env bash
# Runs a command inside a throwaway desktop session, so tests never touch the user's own:
# a temporary HOME and XDG folders, a virtual X display, a PulseAudio server with no
# hardware, and a private D-Bus session bus with an unlocked gnome-keyring (Evolution
# Data Server is started by D-Bus activation inside that bus). Everything it starts is
# stopped by pid when the command ends.
set -euo pipefail

root=$(mktemp -d "${TMPDIR:-/tmp}/vozel-sandbox.XXXXXX")
export HOME=$root/home XDG_RUNTIME_DIR=$root/runtime
export XDG_CONFIG_HOME=$HOME/.config XDG_DATA_HOME=$HOME/.local/share
export XDG_CACHE_HOME=$HOME/.cache XDG_STATE_HOME=$HOME/.local/state
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$XDG_STATE_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
unset DBUS_SESSION_BUS_ADDRESS GNOME_KEYRING_CONTROL SSH_AUTH_SOCK PULSE_SERVER

pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null || true
  done
  rm -rf "$root"
}
trap cleanup EXIT
trap "exit 143" TERM INT HUP
# A server in the background, with the redirections of this call, stopped at the end.
spawn() { "$@" <&0 & pids+=($!); }
await() { for _ in $(seq 50); do "$@" && return; sleep 0.1; done; } # up to five seconds

# A private session bus first, so that nothing below falls back to autolaunching another one.
spawn dbus-daemon --session --nofork --nosyslog --print-address=4 4>"$root/bus-address" >"$root/dbus.log" 2>&1
await test -s "$root/bus-address"
export DBUS_SESSION_BUS_ADDRESS=$(head -n1 "$root/bus-address")

spawn gnome-keyring-daemon --foreground --unlock --components=secrets < <(printf vozel) >"$root/keyring.log" 2>&1

exec 3<> <(:)
spawn Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset >"$root/xvfb.log" 2>&1
read -r -t 10 display <&3 || { echo "Xvfb did not start" >&2; cat "$root/xvfb.log" >&2; exit 1; }
export DISPLAY=:$display

spawn pulseaudio -n --daemonize=no --exit-idle-time=-1 --disallow-exit \
  --load=module-native-protocol-unix --load=module-null-sink >"$root/pulse.log" 2>&1
await pactl info >/dev/null 2>&1
await sh -c 'dbus-send --session --print-reply --dest=org.freedesktop.DBus / org.freedesktop.DBus.NameHasOwner \
  string:org.freedesktop.secrets 2>/dev/null | grep -q true'

"$@"

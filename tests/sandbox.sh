#!/usr/bin/env bash
# Runs a command inside a throwaway desktop session, so tests never touch the user's own:
# a temporary HOME and XDG folders, a virtual X display, a PulseAudio server with no
# hardware, and a private D-Bus session bus with an unlocked gnome-keyring (Evolution
# Data Server is started by D-Bus activation inside that bus). Everything it starts is
# stopped by pid when the command ends.
set -euo pipefail

root=$(mktemp -d "${TMPDIR:-/tmp}/vozel-sandbox.XXXXXX")
export HOME=$root/home
export XDG_CONFIG_HOME=$HOME/.config XDG_DATA_HOME=$HOME/.local/share
export XDG_CACHE_HOME=$HOME/.cache XDG_STATE_HOME=$HOME/.local/state
export XDG_RUNTIME_DIR=$root/runtime
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

# A private session bus first, so that nothing below falls back to autolaunching another one.
dbus-daemon --session --nofork --nosyslog --print-address=4 4>"$root/bus-address" >"$root/dbus.log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do [ -s "$root/bus-address" ] && break; sleep 0.1; done
export DBUS_SESSION_BUS_ADDRESS=$(head -n1 "$root/bus-address")

gnome-keyring-daemon --foreground --unlock --components=secrets < <(printf vozel) >"$root/keyring.log" 2>&1 &
pids+=($!)

exec 3<> <(:)
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset >"$root/xvfb.log" 2>&1 &
pids+=($!)
read -r -t 10 display <&3 || { echo "Xvfb did not start" >&2; cat "$root/xvfb.log" >&2; exit 1; }
export DISPLAY=:$display

pulseaudio -n --daemonize=no --exit-idle-time=-1 --disallow-exit \
  --load=module-native-protocol-unix --load=module-null-sink >"$root/pulse.log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
for _ in $(seq 50); do
  dbus-send --session --print-reply --dest=org.freedesktop.DBus / org.freedesktop.DBus.NameHasOwner \
    string:org.freedesktop.secrets 2>/dev/null | grep -q true && break
  sleep 0.1
done

"$@" && status=0 || status=$?
exit $status

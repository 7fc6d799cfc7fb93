#!/usr/bin/env bash
# Runs a test program with a secret store of its own: a private D-Bus
# session bus with a gnome-keyring-daemon on it, its keyring in a temporary
# folder, unlocked with a password made up for the run. Nothing of the
# user's session is seen or touched, and both end with the test.
#   secret-store.sh TEST_PROGRAM [ARGS...]
set -euo pipefail
for tool in dbus-run-session dbus-send gnome-keyring-daemon secret-tool; do
    command -v "$tool" >/dev/null || { echo "FAIL: missing $tool (run scripts/setup)"; exit 1; }
done

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/run" "$work/data"
chmod 700 "$work/run"
export HOME="$work" XDG_DATA_HOME="$work/data" XDG_RUNTIME_DIR="$work/run"
export QUORVEL_TEST_SECRET_STORE=present
unset DBUS_SESSION_BUS_ADDRESS

dbus-run-session -- bash -euo pipefail -c '
head -c 12 /dev/urandom | base64 | gnome-keyring-daemon --foreground --unlock \
    --components=secrets > "$XDG_RUNTIME_DIR/keyring.log" 2>&1 &
keyring=$!
trap "kill $keyring 2>/dev/null || true; wait $keyring 2>/dev/null || true" EXIT
owned() {
    dbus-send --session --print-reply --dest=org.freedesktop.DBus / \
        org.freedesktop.DBus.NameHasOwner string:org.freedesktop.secrets 2>/dev/null |
        grep -q "boolean true"
}
for _ in $(seq 1 100); do owned && break; sleep 0.1; done
owned || { cat "$XDG_RUNTIME_DIR/keyring.log"; echo "FAIL: gnome-keyring-daemon did not start"; exit 1; }
"$@"
' secret-store "$@"

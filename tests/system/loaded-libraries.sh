#!/usr/bin/env bash
# What the programs load. quorvel-cli and quorvel-ipd link no GUI library
# (quorvel-cli no bus library either);
# the tray program, idle, has neither sound output, print dialogs, secret
# store nor web engine mapped, and maps the sound plug-in once it has a
# sound to play (the first refresh of a run is a change, announced with
# the sound when "Play Sound" is on).
#   loaded-libraries.sh BIN_DIR
set -euo pipefail
bin="$1"
gui='libQt6(Widgets|Gui|Multimedia|PrintSupport|WebEngine[A-Za-z]*|Svg)\.so'
optional='libQt6(Multimedia|PrintSupport|WebEngine[A-Za-z]*)\.so|libqt6keychain|quorvel-(sound|print|keychain)\.so'

for program in quorvel-cli quorvel-ipd; do
    if ldd "$bin/$program" | grep -E "$gui"; then
        echo "FAIL: $program loads a GUI library (above)"
        exit 1
    fi
done

# The system bus is reached from a plug-in (wake-ups from sleep), never
# at the command line's every start.
if ldd "$bin/quorvel-cli" | grep -E 'libQt6DBus|libdbus-1'; then
    echo "FAIL: quorvel-cli links a bus library (above)"
    exit 1
fi

work="$(mktemp -d)"
pid=""
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$work"' EXIT
mkdir -p "$work/config/Quorvel" "$work/run"
chmod 700 "$work/run"
export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/run" QT_QPA_PLATFORM=offscreen
unset DBUS_SESSION_BUS_ADDRESS

# mapped PLAY_SOUND -> the optional libraries the program maps once its
# first refresh is over (the public-IP page is a closed loopback port).
mapped() {
    printf '[Settings]\nIP%%20Service%%20Host=127.0.0.1:9\nHome%%20Page=http://127.0.0.1:9/\nPlay%%20Sound=%s\n' \
        "$1" > "$work/config/Quorvel/Quorvel.conf"
    "$bin/quorvel" 2>"$work/stderr" &
    pid=$!
    sleep 3
    grep -oE "$optional" "/proc/$pid/maps" | sort -u || true
    kill "$pid"
    wait "$pid" 2>/dev/null || true
    pid=""
}

idle="$(mapped 0)"
if [ -n "$idle" ]; then
    echo "FAIL: the idle program maps optional libraries: $idle"
    exit 1
fi
playing="$(mapped 1)"
if ! grep -q 'quorvel-sound.so' <<<"$playing" || ! grep -q 'libQt6Multimedia.so' <<<"$playing"; then
    echo "FAIL: the change sound did not load the sound plug-in (mapped: ${playing:-nothing})"
    cat "$work/stderr"
    exit 1
fi
echo "PASS: no GUI library in quorvel-cli and quorvel-ipd, no bus library in quorvel-cli; sound output loaded only to play"

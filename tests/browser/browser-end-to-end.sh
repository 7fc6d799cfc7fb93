#!/usr/bin/env bash
# The programs on a real X display with a tray host and a window manager, in
# a network namespace of its own that holds only loopback: the tray menu's
# "&Anonymus &Surfing..." starts the browser program on the public-IP page
# through the configured translation service, while the tray program maps
# no web engine; asking again brings that window forward without a second
# browser; closing it ends the browser program; a browser that is killed or
# refuses to run (as root, sandbox on) is reported in a message box and the
# tray program goes on. Exit leaves the program running while the browser
# is open, and closing the browser then ends it; SIGTERM ends both.
#   browser-end-to-end.sh BIN_DIR PYTHON
set -euo pipefail
bin="$1"
python="$2"
here="$(cd "$(dirname "$0")" && pwd)"
repo="$(cd "$here/../.." && pwd)"

[ "$(id -u)" -eq 0 ] || { echo "FAIL: a network namespace of its own needs root"; exit 1; }
for tool in Xvfb trayer openbox xdotool xwininfo unshare ip; do
    command -v "$tool" >/dev/null || { echo "FAIL: missing $tool (run scripts/setup)"; exit 1; }
done

if [ -z "${QUORVEL_INSIDE_NAMESPACE:-}" ]; then
    export QUORVEL_INSIDE_NAMESPACE=1
    exec unshare --net bash -c 'ip link set lo up && exec bash "$0" "$@"' "$0" "$@"
fi

work="$(mktemp -d)"
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    [ -f "$work/program.log" ] && cat "$work/program.log"
    rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/page" "$work/config/Quorvel" "$work/run"
chmod 700 "$work/run"
echo 'Your IP address is: <b>127.0.0.1</b>' > "$work/page/page"
"$python" "$repo/tests/support/pageserver.py" --dir "$work/page" > "$work/port" &
pids+=($!)
"$python" "$here/translateserver.py" > "$work/requests" &
pids+=($!)
for _ in $(seq 1 100); do
    grep -q PORT "$work/port" && grep -q PORT "$work/requests" && break
    sleep 0.1
done
port="$(awk '/PORT/ {print $2}' "$work/port")"
tport="$(awk '/PORT/ {print $2}' "$work/requests")"
[ -n "$port" ] && [ -n "$tport" ] || { echo "FAIL: the loopback servers did not start"; exit 1; }
printf '[Settings]\nIP%%20Service%%20Host=127.0.0.1:%s\nHome%%20Page=http://127.0.0.1:%s/\nTranslation%%20Host=127.0.0.1:%s\nDon%%27t%%20Ask%%20Confirmation=1\n' \
    "$port" "$port" "$tport" > "$work/config/Quorvel/Quorvel.conf"

# The engine refuses to run as root with its sandbox on (tests only), and
# nothing in the background is wanted.
export QTWEBENGINE_DISABLE_SANDBOX=1
export QTWEBENGINE_CHROMIUM_FLAGS="--disable-gpu --disable-background-networking --disable-component-update --no-pings --dns-prefetch-disable --disable-sync --disable-domain-reliability"
export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/run" BIN="$bin" WORK="$work"
export START="/translate?u=http%3A%2F%2F127.0.0.1:$port/quorvel.php&langpair=it%7Cen&hl=en&ie=UTF-8&oe=UTF-8&prev=%2Flanguage_tools"
"$repo/scripts/with-tray-display" --wm -- bash -euo pipefail -c '
fail() { echo "FAIL: $*"; exit 1; }
prog=""
stop_program() { [ -z "$prog" ] || kill "$prog" 2>/dev/null || true; }
trap stop_program EXIT
# The tray menu, by a right click on our icon inside the tray host.
open_tray_menu() {
    local panel icon x y w h
    for _ in $(seq 1 100); do
        panel="$(xdotool search --class trayer 2>/dev/null | while read -r p; do
            xwininfo -id "$p" | grep -q "\"panel\"" && echo "$p"; done | head -n 1)"
        icon=""
        [ -n "$panel" ] && icon="$(xwininfo -tree -id "$panel" | awk "/\"Quorvel\"/ {print \$1; exit}")"
        [ -n "$icon" ] && break
        sleep 0.1
    done
    [ -n "$icon" ] || fail "the tray icon did not dock"
    eval "$(xwininfo -id "$icon" | awk "/Absolute upper-left X/ {print \"x=\" \$4} /Absolute upper-left Y/ {print \"y=\" \$4} /Width/ {print \"w=\" \$2} /Height/ {print \"h=\" \$2}")"
    xdotool mousemove $((x + w / 2)) $((y + h / 2)) click 3
    sleep 1
}
browser_window() { xdotool search --onlyvisible --name "^Anonymous Surfing \\(Google Exploit\\)" 2>/dev/null | head -n 1 || true; }
browsers() { ps -o pid= -o comm= --ppid "$prog" | awk "\$2 == \"quorvel-browser\" {print \$1}" || true; }
# Visible windows titled like the program, but the main window: message boxes.
message_box() { xdotool search --onlyvisible --name "^Quorvel$" 2>/dev/null | grep -vx "$main" | head -n 1 || true; }
start_program() {
    "$@" "$BIN/quorvel" >> "$WORK/program.log" 2>&1 &
    prog=$!
    main=""
    for _ in $(seq 1 100); do
        main="$(xdotool search --onlyvisible --name "^Quorvel$" 2>/dev/null | head -n 1 || true)"
        [ -n "$main" ] && break
        sleep 0.1
    done
    [ -n "$main" ] || fail "the main window did not show"
}
# "a" picks the first entry with that mnemonic: "&Anonymus &Surfing...".
choose_browser() { open_tray_menu; xdotool key a Return; }
open_browser() {
    choose_browser
    for _ in $(seq 1 150); do [ -n "$(browser_window)" ] && return 0; sleep 0.1; done
    fail "choosing the tray menu entry showed no browser window"
}
expect_message_box() {
    for _ in $(seq 1 100); do [ -n "$(message_box)" ] && break; sleep 0.1; done
    [ -n "$(message_box)" ] || fail "no message box told of $1"
    grep -q "$2" "$WORK/program.log" || fail "the program did not say: $2"
    kill -0 $prog 2>/dev/null || fail "$1 ended the tray program"
    xdotool windowactivate --sync "$(message_box)" key Return
}
ended_within() {
    for _ in $(seq 1 $(($1 * 10))); do kill -0 $prog 2>/dev/null || break; sleep 0.1; done
    kill -0 $prog 2>/dev/null && return 1
    wait $prog || fail "the program exited with status $?"
}

start_program
open_browser
for _ in $(seq 1 100); do grep -qxF "GET $START" "$WORK/requests" && break; sleep 0.1; done
grep -qxF "GET $START" "$WORK/requests" || { cat "$WORK/requests"; fail "the translation service was not asked for the public-IP page"; }
first="$(browsers)"
[ "$(echo "$first" | wc -w)" = 1 ] || fail "browser processes: ${first:-none}"
! grep -q libQt6WebEngine "/proc/$prog/maps" || fail "the tray program mapped the web engine"
echo "PASS: the tray menu started the browser program on the public-IP page; the tray program maps no web engine"

xdotool windowactivate --sync "$main"
choose_browser
for _ in $(seq 1 50); do [ "$(xdotool getactivewindow)" = "$(browser_window)" ] && break; sleep 0.1; done
[ "$(xdotool getactivewindow)" = "$(browser_window)" ] || fail "asking again did not bring the browser forward"
[ "$(browsers)" = "$first" ] || fail "asking again started another browser: $(browsers)"
[ "$(grep -cxF "GET $START" "$WORK/requests")" = 1 ] || fail "asking again loaded the start page again"
echo "PASS: asking again brought the open browser forward, without a second one"

xdotool windowactivate --sync "$(browser_window)" key alt+F4
for _ in $(seq 1 100); do kill -0 "$first" 2>/dev/null || break; sleep 0.1; done
! kill -0 "$first" 2>/dev/null || fail "closing the browser window left its program running"
open_browser
kill -KILL "$(browsers)"
expect_message_box "a killed browser" "The browser window ended unexpectedly."
open_browser
echo "PASS: closing the window ends the browser program; a killed one is reported and the next starts"

open_tray_menu
xdotool key Up Return
sleep 2
kill -0 $prog 2>/dev/null || fail "Exit ended the program although the browser was open"
[ -n "$(browser_window)" ] || fail "Exit closed the browser"
xdotool windowactivate --sync "$(browser_window)" key alt+F4
ended_within 10 || fail "closing the browser after Exit did not end the program"
echo "PASS: the browser kept the program alive after Exit; closing it ended the program"

start_program
open_browser
last="$(browsers)"
kill -TERM $prog
ended_within 10 || fail "SIGTERM with the browser open did not end the program"
! kill -0 "$last" 2>/dev/null || fail "SIGTERM left the browser program running"
echo "PASS: SIGTERM ended the program and its browser"

if [ "$(id -u)" -eq 0 ]; then
    start_program env -u QTWEBENGINE_DISABLE_SANDBOX
    choose_browser
    expect_message_box "a refusal" "does not run as root"
    kill -TERM $prog
    ended_within 10 || fail "SIGTERM did not end the program"
    echo "PASS: as root, with the sandbox on, the browser refuses in a message box; the tray program goes on"
fi
'
echo "6 passed, 0 failed"

#!/usr/bin/env bash
# The program on a real X display with a real tray host: its icon docks in
# the tray, a right click on the icon opens the tray menu, Exit ends it, and
# SIGTERM ends it cleanly (icon gone, lock free, status 0) without asking.
#   tray-end-to-end.sh BIN_DIR PYTHON
set -euo pipefail
bin="$1"
python="$2"
here="$(cd "$(dirname "$0")" && pwd)"
repo="$(cd "$here/../.." && pwd)"

for tool in Xvfb trayer xdotool xwininfo; do
    command -v "$tool" >/dev/null || { echo "FAIL: missing $tool (run scripts/setup)"; exit 1; }
done

work="$(mktemp -d)"
server_pid=""
cleanup() {
    [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null || true
    [ -f "$work/program.log" ] && cat "$work/program.log"
    rm -rf "$work"
}
trap cleanup EXIT

# The public-IP page on loopback.
mkdir -p "$work/page" "$work/config/Quorvel" "$work/run"
chmod 700 "$work/run"
echo 'Your IP address is: <b>127.0.0.1</b>' > "$work/page/page"
"$python" "$repo/tests/support/pageserver.py" --dir "$work/page" > "$work/port" &
server_pid=$!
for _ in $(seq 1 50); do [ -s "$work/port" ] && break; sleep 0.1; done
port="$(awk '/PORT/ {print $2}' "$work/port")"
[ -n "$port" ] || { echo "FAIL: the loopback page server did not start"; exit 1; }
printf '[Settings]\nIP%%20Service%%20Host=127.0.0.1:%s\nHome%%20Page=http://127.0.0.1:%s/\nDon%%27t%%20Ask%%20Confirmation=1\n' \
    "$port" "$port" > "$work/config/Quorvel/Quorvel.conf"

export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/run" BIN="$bin" WORK="$work"
"$repo/scripts/with-tray-display" -- bash -euo pipefail -c '
fail() { echo "FAIL: $*"; exit 1; }
# The icon is a window of ours inside the tray host'"'"'s panel.
find_icon() {
    panel="$(xdotool search --class trayer 2>/dev/null | while read -r w; do
        xwininfo -id "$w" | grep -q "\"panel\"" && echo "$w"; done | head -n 1)"
    icon=""
    [ -n "$panel" ] && icon="$(xwininfo -tree -id "$panel" | awk "/\"Quorvel\"/ {print \$1; exit}")"
    [ -n "$icon" ]
}
wait_icon() {
    for _ in $(seq 1 100); do find_icon && return 0; sleep 0.1; done
    return 1
}

"$BIN/quorvel" > "$WORK/program.log" 2>&1 &
prog=$!
trap "kill $prog 2>/dev/null || true" EXIT
wait_icon || fail "the tray icon did not dock in the tray host"
echo "PASS: tray icon docked (window $icon)"

# Wait for the main window: it appears once the first refresh is done.
for _ in $(seq 1 100); do
    xdotool search --onlyvisible --name "^Quorvel$" >/dev/null 2>&1 && break
    sleep 0.1
done
xdotool search --onlyvisible --name "^Quorvel$" >/dev/null || fail "the main window did not show"

before="$(xdotool search --onlyvisible --class quorvel 2>/dev/null | sort)"
eval "$(xwininfo -id "$icon" | awk "/Absolute upper-left X/ {print \"x=\" \$4} /Absolute upper-left Y/ {print \"y=\" \$4} /Width/ {print \"w=\" \$2} /Height/ {print \"h=\" \$2}")"
xdotool mousemove $((x + w / 2)) $((y + h / 2)) click 3
menu=""
for _ in $(seq 1 50); do
    after="$(xdotool search --onlyvisible --class quorvel 2>/dev/null | sort)"
    menu="$(comm -13 <(echo "$before") <(echo "$after") | head -n 1)"
    [ -n "$menu" ] && break
    sleep 0.1
done
[ -n "$menu" ] || fail "a right click on the icon opened no menu"
mh="$(xwininfo -id "$menu" | awk "/Height/ {print \$2}")"
# Eighteen entries, six of them separators: far taller than one line.
[ "$mh" -gt 200 ] || fail "the window that opened is not the tray menu (height $mh)"
echo "PASS: right click opened the tray menu (height $mh)"

# Choosing the bottom entry, Exit, ends the program (no question asked).
xdotool key Up Return
for _ in $(seq 1 50); do kill -0 $prog 2>/dev/null || break; sleep 0.1; done
kill -0 $prog 2>/dev/null && fail "Exit from the tray menu did not end the program"
wait $prog || fail "the program exited with status $?"
echo "PASS: Exit from the tray menu ended the program"

# SIGTERM with the exit question switched on: no question, status 0 within
# two seconds, the icon gone from the tray, and the lock free for a new start.
sed -i "s/^Don%27t%20Ask%20Confirmation=1/Don%27t%20Ask%20Confirmation=0/" "$XDG_CONFIG_HOME/Quorvel/Quorvel.conf"
"$BIN/quorvel" >> "$WORK/program.log" 2>&1 &
prog=$!
wait_icon || fail "the tray icon did not dock for the SIGTERM run"
kill -TERM $prog
for _ in $(seq 1 40); do kill -0 $prog 2>/dev/null || break; sleep 0.05; done
kill -0 $prog 2>/dev/null && fail "SIGTERM did not end the program within 2 s"
status=0
wait $prog || status=$?
[ "$status" -eq 0 ] || fail "SIGTERM: exit status $status"
find_icon && fail "SIGTERM left the icon in the tray"
"$BIN/quorvel" >> "$WORK/program.log" 2>&1 &
prog=$!
wait_icon || fail "a start after SIGTERM did not run (lock still held?)"
kill -TERM $prog
wait $prog || fail "the second SIGTERM run exited with status $?"
echo "PASS: SIGTERM ended the program cleanly and released its lock"
'
echo "4 passed, 0 failed"

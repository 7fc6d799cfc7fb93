#!/usr/bin/env bash
# The Windows installer under Wine: a silent per-user installation puts the
# program, its Start-menu entry and its uninstaller in place; the installed
# program starts, docks a working icon in the tray and shows the address of
# a loopback page; installing again over the running program ends it in
# order, and the next start docks a working icon again; the uninstaller ends
# it too and takes all of it away, leaving the user's settings.
#   installer.sh BUILD_DIR PYTHON
# Runs inside scripts/with-wine --display (WINEPREFIX, WINELOADER, DISPLAY).
set -euo pipefail
build="$1"
python="$2"
repo="$(cd "$(dirname "$0")/../.." && pwd)"

fail() { echo "FAIL: $*"; exit 1; }
[ -n "${WINEPREFIX:-}" ] && [ -n "${DISPLAY:-}" ] || fail "run under scripts/with-wine --display"
for tool in trayer xdotool xwininfo; do
    command -v "$tool" >/dev/null || fail "missing $tool (run scripts/setup)"
done
shopt -s nullglob
installers=("$build"/Quorvel-*-setup.exe)
[ ${#installers[@]} -eq 1 ] || fail "no installer in $build (scripts/package-windows makes it)"

wine() { "$WINELOADER" "$@"; }
# A Windows path as Linux sees it, from inside the prefix.
unix_path() { wine winepath -u "$1" 2>/dev/null | tr -d '\r'; }
win_env() { wine cmd /c echo "%$1%" 2>/dev/null | tr -d '\r'; }

work="$(mktemp -d)"
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT

# The public-IP page on loopback, with an address a reader believes.
mkdir -p "$work/page"
echo 'Your IP address is: <b>203.0.113.7</b>' >"$work/page/page"
"$python" "$repo/tests/support/pageserver.py" --dir "$work/page" >"$work/port" </dev/zero &
pids+=($!)
for _ in $(seq 1 50); do [ -s "$work/port" ] && break; sleep 0.1; done
port="$(awk '/PORT/ {print $2}' "$work/port")"
[ -n "$port" ] || fail "the loopback page server did not start"

# No "Don't Ask Confirmation": ending the program for an installation must
# not wait for an answer to the exit question.
settings='HKCU\Software\Quorvel\Quorvel\Settings'
wine reg add "$settings" /v "IP Service Host" /d "127.0.0.1:$port" /f >/dev/null
wine reg add "$settings" /v "Home Page" /d "http://127.0.0.1:$port/" /f >/dev/null

wine "${installers[0]}" /S
dir="$(unix_path "$(win_env LOCALAPPDATA)\\Programs\\Quorvel")"
for f in quorvel.exe quorvel-cli.exe sound.wav uninstall.exe; do
    [ -f "$dir/$f" ] || fail "the installer did not put $f into $dir"
done
link="$(unix_path "$(win_env APPDATA)\\Microsoft\\Windows\\Start Menu\\Programs\\Quorvel.lnk")"
[ -f "$link" ] || fail "no Start-menu entry at $link"
uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quorvel'
wine reg query "$uninstall_key" /v UninstallString 2>/dev/null | grep -q 'uninstall.exe' ||
    fail "the uninstaller is not registered"
version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")"
[[ "${installers[0]}" == *"Quorvel-$version-setup.exe" ]] &&
    wine reg query "$uninstall_key" /v DisplayVersion 2>/dev/null | grep -q "REG_SZ *$version" ||
    fail "the installer or the uninstall entry does not say version $version"
echo "PASS: version $version installed into $dir with a Start-menu entry and a registered uninstaller"

# Wine docks the icons of Windows programs in the X desktop's tray: trayer's
# panel holds a window of Wine's explorer for each.
trayer --expand false --width 6 --widthtype request --height 24 >/dev/null 2>&1 &
pids+=($!)
panel=""
for _ in $(seq 1 50); do
    panel="$(xdotool search --name '^panel$' 2>/dev/null | head -n 1 || true)"
    [ -n "$panel" ] && break
    sleep 0.1
done
[ -n "$panel" ] || fail "trayer did not start"
docked_icon() { xwininfo -tree -id "$panel" | awk '/"explorer.exe"/ && !/ 1x1\+/ {print $1}' | tail -n 1; }

# Starts the installed program and waits (Wine takes its time) for its icon
# and its main window, which shows once the first refresh is done.
start_program() {
    wine "$dir/quorvel.exe" >"$work/program.log" 2>&1 &
    program=$!
    pids+=($program)
    icon=""
    for _ in $(seq 1 600); do
        icon="$(docked_icon)"
        [ -n "$icon" ] && break
        sleep 0.1
    done
    [ -n "$icon" ] || { cat "$work/program.log"; fail "the tray icon did not dock"; }
    for _ in $(seq 1 600); do
        xdotool search --onlyvisible --name '^Quorvel$' >/dev/null 2>&1 && break
        sleep 0.1
    done
    xdotool search --onlyvisible --name '^Quorvel$' >/dev/null || fail "the main window did not show"
}

# A working icon opens the program's menu (a window of its own) on a right
# click; Escape closes it again. Right after the start Wine may not pass
# the click on yet: up to five clicks, as a user would try again.
check_menu() {
    local before after=""
    before="$(xdotool search --onlyvisible --class quorvel.exe | sort || true)"
    for _ in $(seq 1 5); do
        xdotool mousemove --window "$icon" 5 5 click 3
        for _ in $(seq 1 20); do
            after="$(xdotool search --onlyvisible --class quorvel.exe | sort || true)"
            [ "$after" != "$before" ] && break 2
            sleep 0.1
        done
    done
    [ "$after" != "$before" ] || fail "a right click on the tray icon $1 opened no menu"
    xdotool key Escape
}

# The running program, asked to end by an installer or uninstaller, has
# ended in order: with status 0 (one ended by force has 1) and its icon
# taken out of the tray.
check_ended_in_order() {
    local status=0
    wait "$program" || status=$?
    [ "$status" = 0 ] || fail "$1 ended the program by force (status $status)"
    [ -z "$(docked_icon)" ] || fail "$1 left the program's icon in the tray"
}

start_program
echo "PASS: the installed program docked its tray icon (window $icon)"
grep -q '/quorvel.php' "$work/page/log" 2>/dev/null || fail "the program never asked the loopback page"
echo "PASS: the main window showed after asking the loopback page"
check_menu "of the first start"

wine "${installers[0]}" /S
check_ended_in_order "installing over it"
start_program
check_menu "after an installation over the running program"
echo "PASS: installing again ended the program in order; the next start docked a working icon"

wine "$dir/uninstall.exe" /S
check_ended_in_order "uninstalling"
# The uninstaller copies itself away and finishes in the background.
for _ in $(seq 1 100); do [ -e "$dir" ] || break; sleep 0.1; done
[ ! -e "$dir" ] || fail "the uninstaller left $dir behind: $(ls "$dir")"
[ ! -e "$link" ] || fail "the uninstaller left the Start-menu entry"
! wine reg query "$uninstall_key" >/dev/null 2>&1 || fail "the uninstall entry stayed"
wine reg query "$settings" /v "IP Service Host" >/dev/null 2>&1 ||
    fail "the uninstaller removed the user's settings"
echo "PASS: uninstalling ended the program in order, removed it and left the settings"

#!/usr/bin/env bash
# The Windows installer under Wine: a silent per-user installation puts the
# program, its Start-menu entry and its uninstaller in place; the installed
# program starts, docks its icon in the tray and shows the address of a
# loopback page; the uninstaller takes all of it away again and leaves the
# user's settings.
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

settings='HKCU\Software\Quorvel\Quorvel\Settings'
wine reg add "$settings" /v "IP Service Host" /d "127.0.0.1:$port" /f >/dev/null
wine reg add "$settings" /v "Home Page" /d "http://127.0.0.1:$port/" /f >/dev/null
wine reg add "$settings" /v "Don't Ask Confirmation" /d 1 /f >/dev/null

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
echo "PASS: installed into $dir with a Start-menu entry and a registered uninstaller"

# Wine docks the icons of Windows programs in the X desktop's tray.
trayer --expand false --width 6 --widthtype request --height 24 >/dev/null 2>&1 &
pids+=($!)
sleep 1
wine "$dir/quorvel.exe" >"$work/program.log" 2>&1 &
pids+=($!)
icon=""
for _ in $(seq 1 150); do
    panel="$(xdotool search --class trayer 2>/dev/null | head -n 1)"
    [ -n "$panel" ] && icon="$(xwininfo -tree -id "$panel" | awk '/child(ren)?:/ {getline; print $1; exit}')"
    [ -n "$icon" ] && [ "$icon" != "0x0" ] && break
    sleep 0.1
done
[ -n "$icon" ] || { cat "$work/program.log"; fail "the tray icon did not dock"; }
echo "PASS: the installed program docked its tray icon (window $icon)"
for _ in $(seq 1 150); do
    xdotool search --onlyvisible --name '^Quorvel$' >/dev/null 2>&1 && break
    sleep 0.1
done
xdotool search --onlyvisible --name '^Quorvel$' >/dev/null || fail "the main window did not show"
grep -q 'GET /quorvel.php' "$work/page/log" 2>/dev/null || grep -q '/quorvel.php' "$work/page/log" ||
    fail "the program never asked the loopback page"
echo "PASS: the main window showed after asking the loopback page"
wine taskkill /f /im quorvel.exe >/dev/null 2>&1 || true

wine "$dir/uninstall.exe" /S
# The uninstaller copies itself away and finishes in the background.
for _ in $(seq 1 100); do [ -e "$dir" ] || break; sleep 0.1; done
[ ! -e "$dir" ] || fail "the uninstaller left $dir behind: $(ls "$dir")"
[ ! -e "$link" ] || fail "the uninstaller left the Start-menu entry"
! wine reg query "$uninstall_key" >/dev/null 2>&1 || fail "the uninstall entry stayed"
wine reg query "$settings" /v "IP Service Host" >/dev/null 2>&1 ||
    fail "the uninstaller removed the user's settings"
echo "PASS: uninstalled; the settings stayed"

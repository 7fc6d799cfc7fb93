#!/usr/bin/env bash
# The Debian package as a user gets it: built by scripts/package from the
# test build, checked by lintian, installed by dpkg (maintainer scripts
# included) into a throw-away root folder, started from there, and removed
# again, leaving a user's settings where they were.
#   package.sh BUILD_DIR
set -euo pipefail
build="$(cd "$1" && pwd)"
repo="$(cd "$(dirname "$0")/../.." && pwd)"

[ "$(id -u)" -eq 0 ] || { echo "FAIL: installing with dpkg and setcap needs root"; exit 1; }
for tool in cpack dpkg dpkg-shlibdeps lintian desktop-file-validate getcap; do
    command -v "$tool" >/dev/null || { echo "FAIL: missing $tool (run scripts/setup)"; exit 1; }
done

work="$(mktemp -d)"
program=""
cleanup() {
    [ -n "$program" ] && kill "$program" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

deb="$("$repo/scripts/package" "$build" "$work/out" 2>"$work/package.log")" ||
    { cat "$work/package.log"; fail "scripts/package failed"; }
[ -f "$deb" ] || fail "scripts/package printed no package ($deb)"
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = quorvel ] || fail "package name $(field Package)"
# Dependencies come from the binaries, and every one is a Debian 12 package
# (installed here, since the same libraries built it).
depends="$(field Depends)"
case "$depends" in *libqt6core6*libqt6widgets6*) ;; *) fail "dependencies not computed: $depends" ;; esac
for dependency in $(echo "$depends" | tr ',' '\n' | sed 's/(.*)//'); do
    dpkg-query -W -f='${Status}' "$dependency" 2>/dev/null | grep -q 'install ok installed' ||
        fail "depends on $dependency, which is not a package here"
done
[[ "$(field Description)" == *cap_net_raw* ]] || fail "the description does not mention the capability"
echo "PASS: $(basename "$deb"): name, computed dependencies, description"

# The package holds exactly what the install rules install, all under /usr.
DESTDIR="$work/stage" cmake --install "$build" --prefix /usr >/dev/null
(cd "$work/stage" && find . -type f | sort) > "$work/rules.list"
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sort > "$work/deb.list"
diff -u "$work/rules.list" "$work/deb.list" || fail "the package differs from the install rules"
for size in 16 32 48 64 128; do
    echo "./usr/share/icons/hicolor/${size}x$size/apps/quorvel.png"
done > "$work/required.list"
printf './usr/bin/%s\n' quorvel quorvel-cli quorvel-ipd quorvel-browser >> "$work/required.list"
printf './usr/%s\n' share/applications/quorvel.desktop lib/systemd/user/quorvel-watch.service \
    >> "$work/required.list"
missing="$(sort "$work/required.list" | comm -23 - "$work/deb.list")"
[ -z "$missing" ] || fail "missing from the package: $missing"
outside="$(grep -v '^\./usr/' "$work/deb.list" || true)"
[ -z "$outside" ] || fail "files outside /usr: $outside"
echo "PASS: the package holds the $(wc -l < "$work/deb.list") files of the install rules"

lintian --fail-on error "$deb" > "$work/lintian.log" 2>&1 ||
    { cat "$work/lintian.log"; fail "lintian found errors"; }
echo "PASS: lintian: $(grep -c '^E:' "$work/lintian.log" || true) errors," \
    "$(grep -c '^W:' "$work/lintian.log" || true) warnings"

# A real installation into a folder of its own: dpkg runs the maintainer
# scripts outside a chroot, with DPKG_ROOT naming the folder.
root="$work/root"
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
touch "$root/var/lib/dpkg/status"
dpkg=(dpkg --root="$root" --force-script-chrootless --force-depends)
"${dpkg[@]}" -i "$deb" > "$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log"; fail "dpkg -i failed"; }
for name in quorvel quorvel-cli; do
    getcap "$root/usr/bin/$name" | grep -q 'cap_net_raw=ep' || fail "$name lacks cap_net_raw"
done
for name in quorvel-ipd quorvel-browser; do
    [ -z "$(getcap "$root/usr/bin/$name")" ] || fail "$name got a capability"
done
[ -z "$(desktop-file-validate "$root/usr/share/applications/quorvel.desktop")" ] ||
    fail "desktop-file-validate rejects the entry"
exec_line="$(sed -n 's/^Exec=//p' "$root/usr/share/applications/quorvel.desktop")"
[ -x "$root/usr/bin/$exec_line" ] || fail "the entry starts '$exec_line', which is not installed"
grep -qx 'ExecStart=/usr/bin/quorvel-cli watch' "$root/usr/lib/systemd/user/quorvel-watch.service" ||
    fail "the user unit does not start the installed watcher"
echo "PASS: dpkg -i: capabilities set, desktop entry valid, unit points at /usr/bin"

# The installed program starts as the menu starts it and ends on SIGTERM.
# Every address it could ask is a closed port on loopback.
home="$root/home/ann"
mkdir -p "$home/.config/Quorvel" "$work/run"
chmod 700 "$work/run"
printf '[Settings]\nIP%%20Service%%20Host=127.0.0.1:9\nHome%%20Page=http://127.0.0.1:9/\n' \
    > "$home/.config/Quorvel/Quorvel.conf"
HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_RUNTIME_DIR="$work/run" \
    DBUS_SESSION_BUS_ADDRESS="unix:path=$work/no-bus" QT_QPA_PLATFORM=offscreen \
    PATH="$root/usr/bin:$PATH" "$exec_line" > "$work/program.log" 2>&1 &
program=$!
# Running: it holds its single-instance lock.
for _ in $(seq 1 100); do [ -e "$work/run/quorvel.lock" ] && break; sleep 0.1; done
kill -0 "$program" 2>/dev/null && [ -e "$work/run/quorvel.lock" ] ||
    { cat "$work/program.log"; fail "the installed program did not start"; }
kill -TERM "$program"
status=0
wait "$program" || status=$?
program=""
[ "$status" -eq 0 ] || { cat "$work/program.log"; fail "the installed program ended with $status"; }
echo "PASS: the installed program starts from its desktop entry and ends on SIGTERM"

# The installed browser program loads (its libraries resolve) and, as root
# with the web engine's sandbox on, refuses with its reason.
said="$(env -u QTWEBENGINE_DISABLE_SANDBOX QT_QPA_PLATFORM=offscreen \
    "$root/usr/bin/quorvel-browser" --start-page= 2>&1)" && status=0 || status=$?
[ "$status" -eq 2 ] && [[ "$said" == *"does not run as root"* ]] ||
    fail "the installed browser program ended with $status: $said"
echo "PASS: the installed browser program loads and refuses root with its reason"

"${dpkg[@]}" -P quorvel > "$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log"; fail "dpkg -P failed"; }
left="$(cd "$root" && find . \( -path ./var -o -path ./home \) -prune -o ! -name . -print)"
[ -z "$left" ] || fail "left after removal: $left"
grep -q '^IP%20Service%20Host=127.0.0.1:9$' "$home/.config/Quorvel/Quorvel.conf" ||
    fail "removal touched the user's settings"
echo "PASS: removal takes every installed file and leaves the user's settings"
echo "7 passed, 0 failed"

#!/usr/bin/env bash
# Both public addresses against the real service: quorvel-ipd in a network
# namespace of our own answers each client with the address it sees, over
# IPv4 and over IPv6, and quorvel-cli runs in a second namespace cabled to
# it. The client's addresses change under the watcher, one family at a
# time; each change must be announced alone, run the change command, call
# the web hook and mail, and losing IPv6 must stay quiet. The hook
# receiver and the mail server run on the client namespace's loopback.
# Nothing leaves the two namespaces.
#   ipv6-namespaces.sh BIN_DIR PYTHON
set -euo pipefail
bin="$1"
python="$2"
repo="$(cd "$(dirname "$0")/../.." && pwd)"

[ "$(id -u)" -eq 0 ] || { echo "FAIL: creating network namespaces needs root"; exit 1; }
command -v ip >/dev/null || { echo "FAIL: missing ip (iproute2)"; exit 1; }

work="$(mktemp -d)"
srv="quorvel-v6srv-$$"
cli="quorvel-v6cli-$$"
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    ip netns del "$srv" 2>/dev/null || true
    ip netns del "$cli" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*"
    for f in watch.out watch.err commands; do [ -f "$work/$f" ] && { echo "--- $f"; cat "$work/$f"; }; done
    exit 1
}
passed=0
pass() { echo "PASS: $*"; passed=$((passed + 1)); }

ip netns add "$srv"
ip netns add "$cli"
ip -n "$srv" link set lo up
ip -n "$cli" link set lo up
ip link add v0 netns "$srv" type veth peer name v1 netns "$cli"
# The client's new IPv4 address takes over when the old one goes.
ip netns exec "$cli" sysctl -qw net.ipv4.conf.v1.promote_secondaries=1
ip -n "$srv" addr add 198.51.100.1/24 dev v0
ip -n "$srv" addr add 2001:db8:1::1/64 dev v0 nodad
ip -n "$cli" addr add 198.51.100.7/24 dev v1
ip -n "$cli" addr add 2001:db8:1::7/64 dev v1 nodad
ip -n "$srv" link set v0 up
ip -n "$cli" link set v1 up

ip netns exec "$srv" "$bin/quorvel-ipd" --threads 1 \
    --listen 198.51.100.1:8080 --listen '[2001:db8:1::1]:8080' 2> "$work/ipd.log" &
pids+=($!)
mkdir -p "$work/hook" "$work/config/Quorvel" "$work/run"
chmod 700 "$work/run"
ip netns exec "$cli" "$python" "$repo/tests/support/pageserver.py" --dir "$work/hook" \
    > /dev/null &
pids+=($!)
ip netns exec "$cli" "$python" "$repo/tests/mail/smtpserver.py" smtp \
    --record "$work/mail.jsonl" --port-file "$work/smtp.port" &
pids+=($!)
for _ in $(seq 1 100); do
    [ -s "$work/hook/port" ] && [ -s "$work/smtp.port" ] &&
        [ "$(grep -c 'listening on' "$work/ipd.log")" -eq 2 ] && break
    sleep 0.1
done
[ "$(grep -c 'listening on' "$work/ipd.log")" -eq 2 ] || fail "quorvel-ipd did not start: $(cat "$work/ipd.log")"
[ -s "$work/smtp.port" ] || fail "the SMTP server did not start (python3-aiosmtpd missing?)"
[ -s "$work/hook/port" ] || fail "the hook receiver did not start"

printf '#!/bin/sh\necho "$QUORVEL_FAMILY|$QUORVEL_OLD_IP|$QUORVEL_NEW_IP|$QUORVEL_HOST_NAME" >> %s\n' \
    "$work/commands" > "$work/record"
chmod +x "$work/record"
cat > "$work/config/Quorvel/Quorvel.conf" <<EOF
[Settings]
IP%20Services=http://198.51.100.1:8080/ip
IP%20Services%20IPv6=http://[2001:db8:1::1]:8080/ip
Change%20Command=$work/record
Change%20Web%20Hook=http://127.0.0.1:$(cat "$work/hook/port")/hook?token=s3cret
Send%20Me%20E-Mail=1
SMTP%20Server=127.0.0.1:$(cat "$work/smtp.port")
From%20E-Mail=ann@example.com
To%20E-Mail=me@example.net
EOF
export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/run" \
    DBUS_SESSION_BUS_ADDRESS="unix:path=$work/no-bus" QT_QPA_PLATFORM=offscreen
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY all_proxy ALL_PROXY
host="$(hostname)"
in_cli() { ip netns exec "$cli" "$@"; }

got="$(in_cli "$bin/quorvel-cli" ip 2> "$work/ip.err")"
want="$(printf 'Host Name: %s\nIP Internet: 198.51.100.7\nIP Internet (IPv6): 2001:db8:1::7\nLAN IP Address: \n198.51.100.7\n2001:db8:1::7' "$host")"
[ "$got" = "$want" ] || fail "quorvel-cli ip: $(diff <(echo "$want") <(echo "$got"))"
[ ! -s "$work/ip.err" ] || fail "quorvel-cli ip complained: $(cat "$work/ip.err")"
pass "quorvel-cli ip shows the address the service saw over each family, and both in the LAN list"

count() { grep -c -- "$1" "$2" 2>/dev/null || true; }
# wait_for TEXT FILE N: until TEXT is in FILE N times (15 s at most).
wait_for() {
    for _ in $(seq 1 150); do [ "$(count "$1" "$2")" -ge "$3" ] && return 0; sleep 0.1; done
    return 1
}
mails() { grep '"kind": "message"' "$work/mail.jsonl" 2>/dev/null || true; }
refreshes() { count ' IP Internet (IPv6): ' "$work/watch.out"; }
# Right after a refresh, so that an address never goes while one is asked.
after_refresh() {
    local now
    now="$(refreshes)"
    wait_for ' IP Internet (IPv6): ' "$work/watch.out" $((now + 1)) || fail "the watcher stopped"
}
# Two more refreshes, so that anything a change would bring has come.
settle() {
    after_refresh
    after_refresh
    sleep 0.5
}

ip netns exec "$cli" "$bin/quorvel-cli" watch --interval 0.05 > "$work/watch.out" 2> "$work/watch.err" &
watcher=$!
pids+=("$watcher")
wait_for 'IP Internet (IPv6) changed. 2001:db8:1::7' "$work/watch.out" 1 ||
    fail "the first IPv6 address was not announced"
wait_for '' "$work/commands" 2 || fail "the change command did not run for both"
wait_for '' "$work/hook/posts" 2 || fail "the web hook was not called for both"
settle
[ "$(count 'IP Internet changed. 198.51.100.7' "$work/watch.out")" -eq 1 ] || fail "IPv4 not announced once"
[ "$(cat "$work/commands")" = "$(printf 'ipv4||198.51.100.7|%s\nipv6||2001:db8:1::7|%s' "$host" "$host")" ] ||
    fail "the command's environment"
grep -q '^{"family":"ipv6","old":"","new":"2001:db8:1::7","host":"'"$host"'","time":"[0-9T:-]*Z"}$' \
    "$work/hook/posts" || fail "the hook's body: $(cat "$work/hook/posts")"
[ "$(mails | wc -l)" -eq 1 ] && mails | grep -q 'Subject: Notify IP and IPv6 changed, Host: [^ ]* IP: 198.51.100.7 IPv6: 2001:db8:1::7 LAN: ' ||
    fail "not one mail naming both: $(mails)"
pass "the first refresh announces both, runs the command and calls the hook for each, mails once"

after_refresh
ip -n "$cli" addr add 2001:db8:1::8/64 dev v1 nodad
ip -n "$cli" addr del 2001:db8:1::7/64 dev v1
wait_for 'IP Internet (IPv6) changed. 2001:db8:1::8' "$work/watch.out" 1 ||
    fail "the new IPv6 address was not announced"
wait_for 'ipv6|2001:db8:1::7|2001:db8:1::8' "$work/commands" 1 || fail "no command for the IPv6 change"
wait_for '"old":"2001:db8:1::7","new":"2001:db8:1::8"' "$work/hook/posts" 1 || fail "no hook call"
settle
[ "$(count ' changed. ' "$work/watch.out")" -eq 3 ] && [ "$(wc -l < "$work/commands")" -eq 3 ] &&
    [ "$(wc -l < "$work/hook/posts")" -eq 3 ] || fail "IPv6 alone brought more than its own change"
[ "$(mails | wc -l)" -eq 2 ] && mails | tail -n 1 | grep -q 'Subject: Notify IPv6 changed, Host: [^ ]* IPv6: 2001:db8:1::8 LAN: ' ||
    fail "the second mail does not name IPv6 alone: $(mails | tail -n 1)"
pass "an IPv6 change alone is announced, run, called and mailed alone"

after_refresh
ip -n "$cli" addr add 198.51.100.8/24 dev v1
ip -n "$cli" addr del 198.51.100.7/24 dev v1
wait_for 'IP Internet changed. 198.51.100.8' "$work/watch.out" 1 || fail "the new IPv4 address was not announced"
wait_for 'ipv4|198.51.100.7|198.51.100.8' "$work/commands" 1 || fail "no command for the IPv4 change"
settle
[ "$(count ' changed. ' "$work/watch.out")" -eq 4 ] && [ "$(wc -l < "$work/commands")" -eq 4 ] ||
    fail "IPv4 alone brought more than its own change"
mails | tail -n 1 | grep -q 'Subject: Notify IP changed, Host: [^ ]* IP: 198.51.100.8 LAN: ' ||
    fail "the third mail does not name IPv4 alone"
pass "an IPv4 change alone is announced, run and mailed alone, as before"

# IPv6 gone: shown, never announced; the same address back is no change.
after_refresh
ip -n "$cli" addr del 2001:db8:1::8/64 dev v1
wait_for 'IP Internet (IPv6): (no IPv6)' "$work/watch.out" 1 || fail "no \"(no IPv6)\""
got="$(in_cli "$bin/quorvel-cli" ip 2> "$work/ip.err" | sed -n 3p)"
[ "$got" = "IP Internet (IPv6): (no IPv6)" ] && [ ! -s "$work/ip.err" ] ||
    fail "quorvel-cli ip without IPv6: $got $(cat "$work/ip.err")"
back="$(count 'IP Internet (IPv6): 2001:db8:1::8' "$work/watch.out")"
ip -n "$cli" addr add 2001:db8:1::8/64 dev v1 nodad
wait_for 'IP Internet (IPv6): 2001:db8:1::8' "$work/watch.out" $((back + 1)) || fail "IPv6 did not come back"
settle
[ "$(count ' changed. ' "$work/watch.out")" -eq 4 ] && [ "$(wc -l < "$work/commands")" -eq 4 ] &&
    [ "$(mails | wc -l)" -eq 3 ] || fail "losing IPv6 or getting it back was announced"
[ ! -s "$work/watch.err" ] || fail "the watcher complained: $(cat "$work/watch.err")"
pass "without IPv6: \"(no IPv6)\", quietly; the same address back is no change"

grep -q ' Change Web Hook (ipv6): ok$' "$work/watch.out" || fail "the hook's outcome is not reported"
! grep -q s3cret "$work/watch.out" "$work/watch.err" || fail "the hook's token was shown"
pass "the hook's outcome is reported, its token never"

kill -TERM "$watcher"
wait "$watcher" || fail "the watcher did not end cleanly on SIGTERM"
echo "$passed passed, 0 failed"

#!/usr/bin/env bash
# quorvel-cli watch and send-test-mail against real peers on loopback: the
# public-IP page server, whose address the test changes, and an SMTP server
# (aiosmtpd) that records every mail. One mail per change, none while the
# address stays, and SIGTERM ends the watcher with status 0.
#   watch.sh BIN_DIR PYTHON
set -euo pipefail
bin="$1"
python="$2"
repo="$(cd "$(dirname "$0")/../.." && pwd)"

work="$(mktemp -d)"
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*"
    [ -f "$work/watch.out" ] && cat "$work/watch.out" "$work/watch.err"
    exit 1
}

mkdir -p "$work/page" "$work/config/Quorvel" "$work/run"
chmod 700 "$work/run"
page() { echo "<html><body>Your IP address is: <b>$1</b></body></html>" > "$work/page/page"; }
page 203.0.113.7
"$python" "$repo/tests/support/pageserver.py" --dir "$work/page" > "$work/page.port" &
pids+=($!)
"$python" "$repo/tests/mail/smtpserver.py" smtp --record "$work/mail.jsonl" \
    --port-file "$work/smtp.port" &
pids+=($!)
for _ in $(seq 1 100); do [ -s "$work/page.port" ] && [ -s "$work/smtp.port" ] && break; sleep 0.1; done
page_port="$(awk '/PORT/ {print $2}' "$work/page.port")"
smtp_port="$(cat "$work/smtp.port" 2>/dev/null || true)"
[ -n "$page_port" ] || fail "the loopback page server did not start"
[ -n "$smtp_port" ] || fail "the SMTP server did not start (python3-aiosmtpd missing?)"

printf '[Settings]\nIP%%20Service%%20Host=127.0.0.1:%s\nSend%%20Me%%20E-Mail=1\n' "$page_port" \
    > "$work/config/Quorvel/Quorvel.conf"
printf 'SMTP%%20Server=127.0.0.1:%s\nFrom%%20E-Mail=ann@example.com\nTo%%20E-Mail=me@example.net\n' \
    "$smtp_port" >> "$work/config/Quorvel/Quorvel.conf"
# No secret store: the settings file is all there is.
export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/run" \
    DBUS_SESSION_BUS_ADDRESS="unix:path=$work/no-bus" QT_QPA_PLATFORM=offscreen
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY all_proxy ALL_PROXY

mails() { grep -c '"kind": "message"' "$work/mail.jsonl" 2>/dev/null || true; }
refreshes() { grep -c ' IP Internet: ' "$work/watch.out" || true; }
# wait_for COMMAND VALUE SECONDS: until the command prints at least VALUE.
wait_for() {
    for _ in $(seq 1 $(($3 * 10))); do [ "$($1)" -ge "$2" ] && return 0; sleep 0.1; done
    return 1
}

# Every three seconds; the first refresh of a run is a change.
"$bin/quorvel-cli" watch --interval 0.05 > "$work/watch.out" 2> "$work/watch.err" &
watcher=$!
pids+=("$watcher")
wait_for mails 1 10 || fail "no mail for the first address"
wait_for refreshes 3 15 || fail "the watcher stopped refreshing"
[ "$(mails)" -eq 1 ] || fail "$(mails) mails while the address stayed"
echo "PASS: one mail for the first address, none while it stays"

page 203.0.113.8
wait_for mails 2 10 || fail "no mail after the address changed"
now="$(refreshes)"
wait_for refreshes $((now + 2)) 15 || fail "the watcher stopped refreshing"
[ "$(mails)" -eq 2 ] || fail "$(mails) mails for two addresses"
grep '"kind": "message"' "$work/mail.jsonl" | tail -n 1 | grep -q 'Subject: Notify IP changed, Host: .* IP: 203.0.113.8 ' ||
    fail "the second mail does not name the new address"
[ "$(grep -c ' IP Internet changed. ' "$work/watch.out")" -eq 2 ] || fail "not two changes reported"
[ "$(grep -c ' E-Mail send ok\.$' "$work/watch.out")" -eq 2 ] || fail "not two mail outcomes reported"
echo "PASS: one mail for the change, naming the new address; changes and outcomes on stdout"

kill -TERM "$watcher"
for _ in $(seq 1 40); do kill -0 "$watcher" 2>/dev/null || break; sleep 0.05; done
kill -0 "$watcher" 2>/dev/null && fail "SIGTERM did not end the watcher within 2 s"
status=0
wait "$watcher" || status=$?
[ "$status" -eq 0 ] || fail "SIGTERM: exit status $status"
echo "PASS: SIGTERM ended the watcher with status 0"

# A password in a file written by hand: whichever program reads it makes
# the file private.
echo 'Password=pw' >> "$work/config/Quorvel/Quorvel.conf"
chmod 644 "$work/config/Quorvel/Quorvel.conf"
"$bin/quorvel-cli" send-test-mail > "$work/test.out" 2>&1 || fail "send-test-mail: $(cat "$work/test.out")"
[ "$(mails)" -eq 3 ] || fail "send-test-mail sent $(( $(mails) - 2 )) mails"
[ "$(stat -c %a "$work/config/Quorvel/Quorvel.conf")" = 600 ] || fail "the settings file is not 0600"
# Every session said goodbye, the last one too, before the program ended.
[ "$(grep -c '"text": "QUIT' "$work/mail.jsonl")" -eq 3 ] || fail "not every session ended with QUIT"
echo "PASS: send-test-mail sent with QUIT; the settings file with the password is 0600"

# Offline (a network namespace of our own with nothing in it): the connect
# fails at once, and the program still says so and ends.
sed -i "s/^SMTP%20Server=.*/SMTP%20Server=192.0.2.1/" "$work/config/Quorvel/Quorvel.conf"
status=0
timeout 30 unshare -n "$bin/quorvel-cli" send-test-mail > "$work/test.out" 2>&1 || status=$?
[ "$status" -eq 1 ] && grep -q '^E-Mail send error\. The connection to the mail server failed\. Network unreachable' "$work/test.out" ||
    fail "send-test-mail offline: status $status, $(cat "$work/test.out")"
echo "PASS: offline, send-test-mail reports \"$(tail -n 1 "$work/test.out")\""
sed -i "s/^SMTP%20Server=.*/SMTP%20Server=127.0.0.1:9/" "$work/config/Quorvel/Quorvel.conf"
status=0
"$bin/quorvel-cli" send-test-mail > "$work/test.out" 2>&1 || status=$?
[ "$status" -ne 0 ] && [ -s "$work/test.out" ] || fail "send-test-mail to a closed port: status $status"
echo "PASS: send-test-mail: status 0 when sent; otherwise $status and \"$(cat "$work/test.out")\""
echo "6 passed, 0 failed"

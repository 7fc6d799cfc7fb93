#!/usr/bin/env bash
# quorvel-cli watch with its timer at 30 minutes, on a client of our own
# making: network namespaces joined by a veth pair, our quorvel-ipd on the
# far side answering with the address it sees. A new address and default
# route are announced within 3 s; a link down and up again refreshes once;
# nothing happens while nothing changes. A wake-up comes from a private
# system bus on which the test is logind. Without a bus, and with the
# setting off, the rest holds as it should. Needs root.
#   network-change.sh BIN_DIR PYTHON
set -euo pipefail
bin="$1"
python="$2"

[ "$(id -u)" -eq 0 ] || { echo "FAIL: creating network namespaces needs root"; exit 1; }
for tool in ip dbus-daemon; do
    command -v "$tool" >/dev/null || { echo "FAIL: missing $tool (iproute2, dbus-daemon)"; exit 1; }
done
"$python" -c 'import dbus' 2>/dev/null || { echo "FAIL: missing python3-dbus"; exit 1; }

work="$(mktemp -d)"
client="quorvel-nc-c-$$"
server="quorvel-nc-s-$$"
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    ip netns del "$client" 2>/dev/null || true
    ip netns del "$server" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
passed=0
fail() {
    echo "FAIL: $*"
    cat "$work"/watch*.out "$work"/watch*.err 2>/dev/null || true
    exit 1
}
pass() { echo "PASS: $*"; passed=$((passed + 1)); }
now_ms() { echo $(($(date +%s%N) / 1000000)); }

# Client c0 198.51.100.2/24 by way of 198.51.100.1; the server also owns
# 203.0.113.1/24 (the client's next network) and 192.0.2.80, where it serves.
ip netns add "$client"
ip netns add "$server"
ip -n "$client" link add c0 type veth peer name s0 netns "$server"
ip -n "$server" addr add 198.51.100.1/24 dev s0
ip -n "$server" addr add 203.0.113.1/24 dev s0
ip -n "$server" addr add 192.0.2.80/32 dev lo
ip -n "$client" addr add 198.51.100.2/24 dev c0
for ns in "$client" "$server"; do ip -n "$ns" link set lo up; done
ip -n "$server" link set s0 up
ip -n "$client" link set c0 up
ip -n "$client" route add default via 198.51.100.1
# The kernel sets a link running a moment after it is switched on; the
# watcher is to start with the network settled.
for _ in $(seq 1 50); do
    [ "$(ip netns exec "$client" cat /sys/class/net/c0/operstate)" = up ] && break
    sleep 0.1
done
ip netns exec "$server" "$bin/quorvel-ipd" --listen 192.0.2.80:8080 --threads 1 2>/dev/null &
pids+=($!)

# The private system bus, as strict as the real one: only logind's name may
# be owned, and only by root; method calls go to the bus alone.
cat > "$work/bus.conf" <<EOF
<busconfig>
  <type>system</type>
  <listen>unix:path=$work/system_bus_socket</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <deny own="*"/>
    <deny send_type="method_call"/>
    <allow send_destination="org.freedesktop.DBus" send_interface="org.freedesktop.DBus"/>
    <allow send_type="signal"/>
    <allow send_requested_reply="true" send_type="method_return"/>
    <allow send_requested_reply="true" send_type="error"/>
    <allow receive_type="signal"/>
    <allow receive_type="method_return"/>
    <allow receive_type="error"/>
  </policy>
  <policy user="root"><allow own="org.freedesktop.login1"/></policy>
</busconfig>
EOF
dbus-daemon --config-file="$work/bus.conf" --nofork --nopidfile 2> "$work/bus.err" &
pids+=($!)
bus="unix:path=$work/system_bus_socket"
for _ in $(seq 1 50); do [ -S "$work/system_bus_socket" ] && break; sleep 0.1; done
# logind, as far as the watcher can tell: owns the name, says "ready" once a
# second client is on the bus, then emits PrepareForSleep(ARG) per line.
mkfifo "$work/logind.in"
"$python" -c '
import dbus, dbus.lowlevel, sys, time
bus = dbus.bus.BusConnection(sys.argv[1])
assert bus.request_name("org.freedesktop.login1") == dbus.bus.REQUEST_NAME_REPLY_PRIMARY_OWNER
while len([n for n in bus.list_names() if n.startswith(":")]) < 2:
    time.sleep(0.05)
print("ready", flush=True)
for line in sys.stdin:
    m = dbus.lowlevel.SignalMessage("/org/freedesktop/login1", "org.freedesktop.login1.Manager",
                                    "PrepareForSleep")
    m.append(line.strip() == "true", signature="b")
    bus.send_message(m)
    bus.flush()
' "$bus" < "$work/logind.in" > "$work/logind.out" &
pids+=($!)
exec 3> "$work/logind.in"

mkdir -p "$work/config/Quorvel" "$work/run"
chmod 700 "$work/run"
# watch N NETWORK_SETTING BUS: starts watcher N in the client namespace.
watch() {
    printf '[Settings]\nIP%%20Service%%20Host=192.0.2.80:8080\nRefresh%%20IP%%20Interval%%20Min=30\n%s\n' \
        "${2:+Refresh%20On%20Network%20Change=$2}" > "$work/config/Quorvel/Quorvel.conf"
    ip netns exec "$client" env -u http_proxy -u https_proxy -u all_proxy -u HTTP_PROXY \
        -u HTTPS_PROXY -u ALL_PROXY XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/run" \
        DBUS_SYSTEM_BUS_ADDRESS="$3" "$bin/quorvel-cli" watch > "$work/watch$1.out" 2> "$work/watch$1.err" &
    watcher=$!
    pids+=("$watcher")
    out="$work/watch$1.out"
    wait_lines ' IP Internet: ' 1 5 || fail "watcher $1 did not refresh at start"
}
lines() { grep -c "$1" "$out" || true; }
# wait_lines PATTERN COUNT SECONDS: until the output has COUNT such lines.
wait_lines() {
    local end=$(($(now_ms) + $3 * 1000))
    while [ "$(now_ms)" -lt "$end" ]; do
        [ "$(lines "$1")" -ge "$2" ] && return 0
        sleep 0.02
    done
    return 1
}
# move_to NEW OLD: the client leaves network OLD for NEW, as a DHCP client
# does: the new address, the new default route, the old address gone.
move_to() {
    ip -n "$client" addr add "$1.2/24" dev c0
    ip -n "$client" route replace default via "$1.1"
    ip -n "$client" addr del "$2.2/24" dev c0
}

watch 1 "" "$bus"
[ "$(lines ' IP Internet changed. 198.51.100.2$')" -eq 1 ] || fail "the first address"
for _ in $(seq 1 50); do grep -q ready "$work/logind.out" && break; sleep 0.1; done
grep -q ready "$work/logind.out" || fail "the watcher never came onto the system bus"
switches() { awk '/^voluntary_ctxt/ {s += $2} END {print s}' /proc/"$watcher"/task/*/status; }
sleep 0.5
woken=$(($(switches) * -1))
sleep 10
woken=$((woken + $(switches)))
[ "$(lines ' IP Internet: ')" -eq 1 ] || fail "refreshed without a change"
[ "$woken" -le 2 ] || fail "$woken wake-ups in 10 s without a change"
pass "nothing in 10 s without a change ($woken wake-ups)"

start=$(now_ms)
move_to 203.0.113 198.51.100
wait_lines ' IP Internet changed. 203.0.113.2$' 1 3 || fail "the new address was not announced within 3 s"
took=$(($(now_ms) - start))
sleep 1
[ "$(lines ' IP Internet: ')" -eq 2 ] || fail "not one refresh for the move"
pass "the new address announced after $took ms, in one refresh"

ip -n "$server" link set s0 down
sleep 0.3
ip -n "$server" link set s0 up
# The second refresh by changes comes no sooner than 5 s after the first.
wait_lines ' IP Internet: ' 3 8 || fail "no refresh after the link came back"
sleep 2
[ "$(lines ' IP Internet: ')" -eq 3 ] && [ "$(lines ' changed. ')" -eq 2 ] ||
    fail "not one refresh without a change for the link down and up"
pass "link down and up: one refresh"

echo true >&3
sleep 4
[ "$(lines ' IP Internet: ')" -eq 3 ] || fail "refreshed on going to sleep"
echo false >&3
wait_lines ' IP Internet: ' 4 5 || fail "no refresh within 5 s of waking"
sleep 2
[ "$(lines ' IP Internet: ')" -eq 4 ] || fail "not one refresh for waking"
pass "PrepareForSleep from logind: none going to sleep, one on waking"
kill "$watcher"
[ ! -s "$work/watch1.err" ] || fail "the watcher complained"

# A bus address that leads nowhere: quietly no wake-ups, network changes
# still count.
watch 2 1 "unix:path=$work/no-bus"
sleep 4 # past the 5 s that follow the refresh at start
start=$(now_ms)
move_to 198.51.100 203.0.113
wait_lines ' IP Internet changed. 198.51.100.2$' 1 3 || fail "without a bus: no change within 3 s"
pass "without a system bus: the change after $(($(now_ms) - start)) ms, nothing said"
kill "$watcher"
[ ! -s "$work/watch2.err" ] || fail "the watcher complained without a bus"

# Switched off: the timer alone.
watch 3 0 "$bus"
move_to 203.0.113 198.51.100
sleep 4
[ "$(lines ' IP Internet: ')" -eq 1 ] || fail "refreshed on a network change while switched off"
pass "switched off: no refresh for a network change"
echo "$passed passed, 0 failed"

#!/usr/bin/env bash
# The LAN list of quorvel-cli on hosts of our own making: network namespaces
# with veth adapters, so the adapters, their order and their addresses are
# known exactly. Nothing leaves the namespaces; the public-IP page is served
# on each namespace's own loopback.
#   lan-namespace.sh BIN_DIR PYTHON
set -euo pipefail
bin="$1"
python="$2"
repo="$(cd "$(dirname "$0")/../.." && pwd)"

[ "$(id -u)" -eq 0 ] || { echo "FAIL: creating network namespaces needs root"; exit 1; }
command -v ip >/dev/null || { echo "FAIL: missing ip (iproute2)"; exit 1; }

work="$(mktemp -d)"
namespaces=()
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    for n in "${namespaces[@]}"; do ip netns del "$n" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT

passed=0
failed=0

# check NAME NAMESPACE EXPECTED_LAN_TEXT
check() {
    local name="$1" ns="$2" expected="$3"
    local dir="$work/$ns"
    mkdir -p "$dir/page" "$dir/config/Quorvel"
    echo 'Your IP address is: <b>127.0.0.1</b>' > "$dir/page/page"
    ip netns exec "$ns" "$python" "$repo/tests/support/pageserver.py" --dir "$dir/page" \
        > "$dir/port" &
    pids+=($!)
    for _ in $(seq 1 50); do [ -s "$dir/port" ] && break; sleep 0.1; done
    local port
    port="$(awk '/PORT/ {print $2}' "$dir/port")"
    printf '[Settings]\nIP%%20Service%%20Host=127.0.0.1:%s\n' "$port" \
        > "$dir/config/Quorvel/Quorvel.conf"
    local got want
    got="$(XDG_CONFIG_HOME="$dir/config" ip netns exec "$ns" "$bin/quorvel-cli" ip)"
    want="$(printf 'Host Name: %s\nIP Internet: 127.0.0.1\nIP Internet (IPv6): (no IPv6)\nLAN IP Address: \n%s' \
        "$(hostname)" "$expected")"
    if [ "$got" = "$want" ]; then
        echo "PASS: $name"
        passed=$((passed + 1))
    else
        echo "FAIL: $name"
        diff <(echo "$want") <(echo "$got") || true
        failed=$((failed + 1))
    fi
}

# Adapters come in veth pairs here, the peer taking the lower index. x1
# (listed first by the system, though its name sorts last) has two
# addresses of which only the first may show; the y pair has none; x0 comes
# after x1; loopback never shows.
ns="quorvel-lan-a-$$"
ip netns add "$ns"; namespaces+=("$ns")
ip -n "$ns" link set lo up
ip -n "$ns" link add x0 type veth peer name x1
ip -n "$ns" link add y0 type veth peer name y1
ip -n "$ns" addr add 198.51.100.10/24 dev x1
ip -n "$ns" addr add 198.51.100.11/24 dev x1
ip -n "$ns" addr add 192.0.2.20/24 dev x0
order="$(ip -n "$ns" -o link | awk -F': ' '{print $2}' | cut -d@ -f1 | tr '\n' ' ')"
[ "$order" = "lo x1 x0 y1 y0 " ] || { echo "FAIL: unexpected adapter order: $order"; exit 1; }
check "adapters in the system's order, first address only" "$ns" \
    "$(printf '198.51.100.10\n192.0.2.20')"

# Only adapters without an address: the LAN list is empty.
ns="quorvel-lan-b-$$"
ip netns add "$ns"; namespaces+=("$ns")
ip -n "$ns" link set lo up
ip -n "$ns" link add z0 type veth peer name z1
check "no address at all gives an empty list" "$ns" ""

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]

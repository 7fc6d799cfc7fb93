#!/usr/bin/env bash
# quorvel-cli ping and trace on a chain of network namespaces the test
# builds (client, two routers, server; scripts/trace-chain.sh) and always
# removes. Run as a normal user (nobody) on both kinds of ICMP socket: the
# datagram socket the ping group range allows, and the raw socket a binary
# with cap_net_raw gets. Name lookups see only a hosts file of the test's,
# and a name server that is either refused or never answers.
#   trace-namespaces.sh BIN_DIR
set -euo pipefail
bin="$1"
repo="$(cd "$(dirname "$0")/../.." && pwd)"

[ "$(id -u)" -eq 0 ] || { echo "FAIL: building network namespaces needs root"; exit 1; }
for tool in ip nft setpriv setcap unshare; do
    command -v "$tool" >/dev/null || { echo "FAIL: missing $tool (run scripts/setup)"; exit 1; }
done

# shellcheck source=../../scripts/trace-chain.sh
source "$repo/scripts/trace-chain.sh"
work="$(mktemp -d)"
chmod 755 "$work"
cleanup() {
    trace_namespaces_down
    rm -rf "$work"
}
trap cleanup EXIT
trace_namespaces_up "quorvel-trace-$$"

# Listed in this order, the name service gives both.example as the server;
# getaddrinfo would put the address on the client's own network first.
printf '%s\n' '192.0.2.1 router1.example' '203.0.113.7 server.example' \
    '203.0.113.7 both.example' '192.0.2.1 both.example' > "$work/hosts"
echo 'nameserver 127.0.0.1' > "$work/resolv.conf"
# The same program with the right to raw sockets, as the README suggests.
cp "$bin/quorvel-cli" "$work/quorvel-cli-raw"
setcap cap_net_raw+ep "$work/quorvel-cli-raw"

passed=0
failed=0
pass() { echo "PASS: $1"; passed=$((passed + 1)); }
fail() { echo "FAIL: $1"; failed=$((failed + 1)); }

# client SOCKET ARGS...: quorvel-cli in the client namespace as nobody,
# SOCKET being "datagram" (ping group open) or "raw" (group closed, the
# capable binary) or "none" (group closed, plain binary). Output in
# $work/out and $work/err, status in $status, milliseconds in $ms.
client() {
    local kind="$1" program="$bin/quorvel-cli" range="1 0"
    shift
    case "$kind" in
        datagram) range="0 2147483647" ;;
        raw) program="$work/quorvel-cli-raw" ;;
    esac
    ip netns exec "$TN_CLIENT" sysctl -qw net.ipv4.ping_group_range="$range"
    local start=${EPOCHREALTIME/./}
    status=0
    ip netns exec "$TN_CLIENT" unshare -m sh -c \
        'mount --bind "$1" /etc/hosts && mount --bind "$2" /etc/resolv.conf && shift 2 &&
         exec setpriv --reuid=nobody --regid=nogroup --clear-groups -- "$@"' \
        sh "$work/hosts" "$work/resolv.conf" "$program" "$@" \
        > "$work/raw-out" 2> "$work/err" || status=$?
    ms=$(((${EPOCHREALTIME/./} - start) / 1000))
    # Round trips are whatever the machine's load makes them; T stands for
    # any of them.
    sed -E -e 's/^(Hop #\t[0-9]+\t)(<10 ms|[0-9]+ ms)\t/\1T\t/' \
        -e 's/^Round Trip Time: [0-9]+ ms$/Round Trip Time: T/' "$work/raw-out" > "$work/out"
}

# expect NAME EXPECTED_STATUS EXPECTED_OUTPUT
expect() {
    if [ "$status" = "$2" ] && [ "$(cat "$work/out")" = "$3" ]; then
        pass "$1"
    else
        fail "$1 (status $status)"
        diff <(echo "$3") "$work/out" || true
        cat "$work/err"
    fi
}

listing() { printf 'Tracing Route to %s:\n\n' "$1"; shift; printf '%s\n' "$@"; }
complete=$'\nTrace Route Complete'
hop() { printf 'Hop #\t%s\tT\t%s' "$1" "$2"; }
silent() { printf 'Hop #\t%s\t*\tRequest timed out.' "$1"; }

for kind in datagram raw; do
    client "$kind" trace 203.0.113.7
    expect "$kind: both routers and the server" 0 \
        "$(listing 203.0.113.7 "$(hop 1 192.0.2.1)" "$(hop 2 198.51.100.2)" \
            "$(hop 3 203.0.113.7)" "$complete")"

    client "$kind" ping 198.51.100.2 "Quorvel was here"
    expect "$kind: ping the second router" 0 "$(printf '%s\n' \
        'Return Status: 0   [ ip success ]' 'Address (dec): 40121286' \
        'Round Trip Time: T' 'Data Packet Size: 16 bytes' \
        'Data Returned: Quorvel was here' 'Data Pointer: 28')"

    # Nobody has the address: the second router gives up on its neighbour
    # after about 3 s and answers every probe beyond it with unreachable.
    client "$kind" trace 203.0.113.99
    expect "$kind: a destination behind no host" 1 \
        "$(listing 203.0.113.99 "$(hop 1 192.0.2.1)" "$(hop 2 198.51.100.2)" \
            "$(printf 'Hop #\t3\t*\t198.51.100.2')" \
            $'\nTrace Route Stopped: 11003   [ ip dest host unreachable ] from 198.51.100.2')"
    ((ms < 5000)) && pass "$kind: ends with the unreachable" || fail "$kind: took $ms ms"
done

client raw trace server.example --resolve --chars 500
expect "reverse names, an empty one with its tab" 0 \
    "$(listing server.example "$(hop 1 192.0.2.1)"$'\trouter1.example' \
        "$(hop 2 198.51.100.2)"$'\t' "$(hop 3 203.0.113.7)"$'\tserver.example' "$complete")"

client raw trace name.invalid
expect "a name that does not resolve" 1 "$(listing name.invalid "$complete")"
client raw trace ::1
expect "an IPv6 address has no IPv4 address to trace" 1 "$(listing ::1 "$complete")"
((ms < 1000)) && pass "... at once" || fail "the IPv6 address took $ms ms"

client raw lookup both.example
expect "lookup: the first address the name service lists" 0 203.0.113.7
client raw trace both.example
expect "trace: the same address" 0 "$(listing both.example "$(hop 1 192.0.2.1)" \
    "$(hop 2 198.51.100.2)" "$(hop 3 203.0.113.7)" "$complete")"

client datagram ping 0.0.0.0
expect "ping 0.0.0.0: this host answers from 127.0.0.1" 0 "$(printf '%s\n' \
    'Return Status: 0   [ ip success ]' 'Address (dec): 16777343' 'Round Trip Time: T' \
    'Data Packet Size: 9 bytes' 'Data Returned: Echo This' 'Data Pointer: 28')"

client datagram ping 203.0.113.99
expect "ping without an answer in 500 ms" 1 "$(printf '%s\n' \
    'Return Status: 11010   [ ip req timed out ]' 'Address (dec): 0' 'Round Trip Time: T' \
    'Data Packet Size: 0 bytes' 'Data Returned: ' 'Data Pointer: 0')"

client none trace 203.0.113.7
if [ "$status" = 1 ] && grep -q 'Unable to Open an Icmp File Handle' "$work/err" &&
    grep -q 'sysctl -w net.ipv4.ping_group_range="0 2147483647"' "$work/err" &&
    grep -q 'setcap cap_net_raw+ep' "$work/err" && [ ! -s "$work/out" ]; then
    pass "no socket: the message says how to allow it"
else
    fail "no socket (status $status)"; cat "$work/err"
fi

# A name server that never answers (its queries vanish; the resolver would
# wait 30 s): a look-up given up on must not keep the program alive.
printf 'nameserver 127.0.0.1\noptions timeout:30 attempts:1\n' > "$work/resolv.conf"
ip netns exec "$TN_CLIENT" nft -f - <<'NFT'
table inet quorvel_deaf_dns {
    chain input {
        type filter hook input priority 0;
        udp dport 53 drop
    }
}
NFT
client raw trace 203.0.113.7 --resolve
expect "reverse names from a dead name server" 0 \
    "$(listing 203.0.113.7 "$(hop 1 192.0.2.1)"$'\trouter1.example' \
        "$(hop 2 198.51.100.2)"$'\t' "$(hop 3 203.0.113.7)"$'\tserver.example' "$complete")"
((ms < 4000)) && pass "... ends after the 2 s name time-out" || fail "... ended after $ms ms"
client raw lookup unknown.example
expect "lookup from a dead name server" 1 ""
((ms < 14000)) && pass "... ends after the 12 s time-out" || fail "... ended after $ms ms"

# The first router stays silent: its hop gets the timed-out line, and the
# trace goes on without waiting the full 2.4 s for it.
trace_silence_router "$TN_ROUTER1"
for kind in datagram raw; do
    client "$kind" trace 203.0.113.7
    expect "$kind: a silent router" 0 \
        "$(listing 203.0.113.7 "$(silent 1)" "$(hop 2 198.51.100.2)" "$(hop 3 203.0.113.7)" \
            "$complete")"
    ((ms < 1500)) && pass "$kind: the silent hop is not waited out" || fail "$kind: took $ms ms"
done
ip netns exec "$TN_ROUTER1" nft delete table inet quorvel_silent

# The second router answers from its slow path, 70 ms late; the server
# answers in 20 ms. The router is shown, not given up on.
trace_slow_router "$TN_ROUTER2" 70
trace_slow_host "$TN_SERVER" 20
for kind in datagram raw; do
    client "$kind" trace 203.0.113.7
    expect "$kind: a slow router" 0 "$(listing 203.0.113.7 "$(hop 1 192.0.2.1)" \
        "$(hop 2 198.51.100.2)" "$(hop 3 203.0.113.7)" "$complete")"
done

# The server ignores echo requests: eight silent hops end the trace.
trace_ignore_echo "$TN_SERVER"
client raw trace 203.0.113.7
middle=()
for n in $(seq 3 10); do middle+=("$(silent "$n")"); done
expect "a destination that never answers" 1 \
    "$(listing 203.0.113.7 "$(hop 1 192.0.2.1)" "$(hop 2 198.51.100.2)" "${middle[@]}" \
        $'\nTrace Route Stopped: no answer from 8 hops in a row')"
((ms < 7000)) && pass "... after one wait of 5 s" || fail "... took $ms ms"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]

# Sourced by the trace tests and scripts/bench-trace: a client, two routers
# and a server in network namespaces of their own, chained by veth pairs.
#
#   client 192.0.2.2 -- 192.0.2.1 router1 198.51.100.1 -- 198.51.100.2 router2
#          203.0.113.1 -- 203.0.113.7 server
#
# Nothing is reachable from them but each other. The names carry a prefix
# unique to the run (others may build the same chain at the same time).
#   trace_namespaces_up PREFIX   sets TN_CLIENT, TN_ROUTER1, TN_ROUTER2, TN_SERVER
#   trace_namespaces_down        removes every namespace it made
#   trace_silence_router NS      the router's time-exceeded answers are dropped
#   trace_slow_router NS MS      ...and answered instead MS ms late from user space
#   trace_slow_host NS MS        the host's echo replies come MS ms late
#   trace_ignore_echo NS         the host answers no echo request at all

TN_SERVER_ADDRESS=203.0.113.7
# In the server's network, but nobody has it: the last router gives up on
# it after failed neighbour discovery.
TN_ABSENT_ADDRESS=203.0.113.99
TN_ROUTER1_ADDRESS=192.0.2.1
TN_ROUTER2_ADDRESS=198.51.100.2
TN_MADE=()
TN_PIDS=()
TN_PYTHON="${TN_PYTHON:-/usr/bin/python3}"
# Packets of the late answerer carry this mark, so that the rule silencing
# the kernel's own answers lets them pass.
TN_MARK=0x5157

trace_namespaces_up() {
    local prefix="$1"
    TN_CLIENT="$prefix-client"
    TN_ROUTER1="$prefix-router1"
    TN_ROUTER2="$prefix-router2"
    TN_SERVER="$prefix-server"
    local ns
    for ns in "$TN_CLIENT" "$TN_ROUTER1" "$TN_ROUTER2" "$TN_SERVER"; do
        ip netns add "$ns" || return 1
        TN_MADE+=("$ns")
        ip -n "$ns" link set lo up
    done
    # Each pair is made inside the namespaces, so no name is ever taken in
    # the machine's own namespace.
    ip -n "$TN_CLIENT" link add eth0 type veth peer name eth0 netns "$TN_ROUTER1" || return 1
    ip -n "$TN_ROUTER1" link add eth1 type veth peer name eth0 netns "$TN_ROUTER2" || return 1
    ip -n "$TN_ROUTER2" link add eth1 type veth peer name eth0 netns "$TN_SERVER" || return 1
    ip -n "$TN_CLIENT" addr add 192.0.2.2/24 dev eth0
    ip -n "$TN_ROUTER1" addr add 192.0.2.1/24 dev eth0
    ip -n "$TN_ROUTER1" addr add 198.51.100.1/24 dev eth1
    ip -n "$TN_ROUTER2" addr add 198.51.100.2/24 dev eth0
    ip -n "$TN_ROUTER2" addr add 203.0.113.1/24 dev eth1
    ip -n "$TN_SERVER" addr add 203.0.113.7/24 dev eth0
    for ns in "$TN_CLIENT" "$TN_ROUTER1" "$TN_ROUTER2" "$TN_SERVER"; do
        ip -n "$ns" link set eth0 up
        ip -n "$ns" link set eth1 up 2>/dev/null || true
    done
    ip -n "$TN_CLIENT" route add default via 192.0.2.1
    ip -n "$TN_ROUTER1" route add 203.0.113.0/24 via 198.51.100.2
    ip -n "$TN_ROUTER2" route add 192.0.2.0/24 via 198.51.100.1
    ip -n "$TN_SERVER" route add default via 203.0.113.1
    for ns in "$TN_ROUTER1" "$TN_ROUTER2"; do
        ip netns exec "$ns" sysctl -qw net.ipv4.ip_forward=1
        # Routers send ICMP errors at 1/s after a burst of 6; a trace sends
        # many probes at once. (icmp_ratelimit=0 would swallow unreachables.)
        ip netns exec "$ns" sysctl -qw net.ipv4.icmp_ratemask=0
    done
}

trace_silence_router() {
    ip netns exec "$1" nft -f - <<NFT
table inet quorvel_silent {
    chain output {
        type filter hook output priority 0;
        icmp type time-exceeded meta mark != $TN_MARK drop
    }
}
NFT
}

trace_ignore_echo() {
    # Before the raw sockets see them: a late answerer stays quiet too.
    ip netns exec "$1" nft -f - <<'NFT'
table inet quorvel_deaf {
    chain input {
        type filter hook input priority 0;
        icmp type echo-request drop
    }
}
NFT
}

# The kernel here has no netem to delay packets; a small answerer in the
# namespace does the router's or the host's part itself, after a delay.
# "router": every echo request that comes in on eth0 with no TTL left gets
# a time-exceeded quoting it; "host": every echo request gets its reply.
_trace_answerer() {
    local ns="$1" mode="$2" ms="$3" ready
    ready="$(mktemp -u)"
    ip netns exec "$ns" "$TN_PYTHON" - "$mode" "$ms" "$ready" "$((TN_MARK))" <<'PY' &
import heapq, select, socket, struct, sys, time

mode, delay, ready, mark = sys.argv[1], int(sys.argv[2]) / 1000, sys.argv[3], int(sys.argv[4])

def icmp(kind, rest, body):
    packet = struct.pack('!BBH', kind, 0, 0) + rest + body
    padded = packet + b'\0' * (len(packet) % 2)
    total = sum(struct.unpack('!%dH' % (len(padded) // 2), padded))
    while total >> 16:
        total = (total & 0xFFFF) + (total >> 16)
    return packet[:2] + struct.pack('!H', ~total & 0xFFFF) + packet[4:]

out = socket.socket(socket.AF_INET, socket.SOCK_RAW, socket.IPPROTO_ICMP)
out.setsockopt(socket.SOL_SOCKET, socket.SO_MARK, mark)
if mode == 'router':
    inp = socket.socket(socket.AF_PACKET, socket.SOCK_DGRAM, socket.htons(0x0800))
    inp.bind(('eth0', 0))
else:
    inp = out
open(ready, 'w').close()
due, count = [], 0
while True:
    wait = max(0, due[0][0] - time.monotonic()) if due else None
    if select.select([inp], [], [], wait)[0]:
        p, where = inp.recvfrom(65535)
        size = (p[0] & 15) * 4
        if len(p) < size + 8 or p[9] != 1 or p[size] != 8:
            continue
        if mode == 'router':
            if where[2] != socket.PACKET_HOST or p[8] > 1:
                continue
            # As much of the expired datagram as fits in 576 bytes.
            answer = icmp(11, b'\0' * 4, p[:548])
        else:
            answer = icmp(0, p[size + 4:size + 8], p[size + 8:])
        count += 1
        heapq.heappush(due, (time.monotonic() + delay, count, socket.inet_ntoa(p[12:16]), answer))
    while due and due[0][0] <= time.monotonic():
        _, _, to, answer = heapq.heappop(due)
        out.sendto(answer, (to, 0))
PY
    TN_PIDS+=($!)
    local i
    for i in $(seq 50); do [ -e "$ready" ] && break; sleep 0.05; done
    [ -e "$ready" ] || { echo "trace-chain: the answerer in $ns did not start" >&2; return 1; }
    rm -f "$ready"
}

trace_slow_router() {
    trace_silence_router "$1"
    _trace_answerer "$1" router "$2"
}

trace_slow_host() {
    ip netns exec "$1" sysctl -qw net.ipv4.icmp_echo_ignore_all=1
    _trace_answerer "$1" host "$2"
}

trace_namespaces_down() {
    local ns pid
    for pid in "${TN_PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
    TN_PIDS=()
    for ns in "${TN_MADE[@]}"; do ip netns del "$ns" 2>/dev/null || true; done
    TN_MADE=()
}

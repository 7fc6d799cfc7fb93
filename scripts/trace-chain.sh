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

TN_SERVER_ADDRESS=203.0.113.7
# In the server's network, but nobody has it: the last router gives up on
# it after failed neighbour discovery.
TN_ABSENT_ADDRESS=203.0.113.99
TN_ROUTER1_ADDRESS=192.0.2.1
TN_ROUTER2_ADDRESS=198.51.100.2
TN_MADE=()

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
    ip netns exec "$1" nft -f - <<'NFT'
table inet quorvel_silent {
    chain output {
        type filter hook output priority 0;
        icmp type time-exceeded drop
    }
}
NFT
}

trace_namespaces_down() {
    local ns
    for ns in "${TN_MADE[@]}"; do ip netns del "$ns" 2>/dev/null || true; done
    TN_MADE=()
}

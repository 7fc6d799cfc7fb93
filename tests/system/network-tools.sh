#!/usr/bin/env bash
# The network tools of quorvel-cli (the same texts the windows show) on
# hosts of our own making: two network namespaces joined by a veth pair.
# Nothing leaves them: the namespaces have no way out, and every name and
# address asked about is inside them or on their loopback.
#   network-tools.sh BIN_DIR
set -euo pipefail
cli="$1/quorvel-cli"

[ "$(id -u)" -eq 0 ] || { echo "FAIL: creating network namespaces needs root"; exit 1; }
command -v ip >/dev/null || { echo "FAIL: missing ip (iproute2)"; exit 1; }
[ -x "$cli" ] || { echo "FAIL: build quorvel-cli first"; exit 1; }

a="quorvel-tools-a-$$"
b="quorvel-tools-b-$$"
cleanup() { ip netns del "$a" 2>/dev/null || true; ip netns del "$b" 2>/dev/null || true; }
trap cleanup EXIT

passed=0
failed=0
# expect NAME EXPECTED GOT
expect() {
    if [ "$2" = "$3" ]; then
        echo "PASS: $1"; passed=$((passed + 1))
    else
        echo "FAIL: $1"; diff <(echo "$2") <(echo "$3") || true; failed=$((failed + 1))
    fi
}
# within NAME MIN_MS MAX_MS ELAPSED_MS
within() {
    if [ "$4" -ge "$2" ] && [ "$4" -le "$3" ]; then
        echo "PASS: $1 (${4} ms)"; passed=$((passed + 1))
    else
        echo "FAIL: $1 took ${4} ms, not ${2}..${3}"; failed=$((failed + 1))
    fi
}
now_ms() { echo $(($(date +%s%N) / 1000000)); }
# run NAMESPACE ARGS...: quorvel-cli in the namespace without any proxy
# setting of the caller; sets out, status and took (ms).
run() {
    local ns="$1" start
    shift
    start="$(now_ms)"
    status=0
    out="$(ip netns exec "$ns" env -u http_proxy -u https_proxy -u all_proxy -u HTTP_PROXY \
        -u HTTPS_PROXY -u ALL_PROXY "$@")" || status=$?
    took=$(($(now_ms) - start))
}
sent() { ip netns exec "$a" cat "/sys/class/net/$if_a/statistics/tx_packets"; }

for ns in "$a" "$b"; do
    ip netns add "$ns"
    # No IPv6 chatter (router and neighbour solicitations): the tests count
    # every packet the client sends.
    ip netns exec "$ns" sysctl -qw net.ipv6.conf.all.disable_ipv6=1 \
        net.ipv6.conf.default.disable_ipv6=1
    ip -n "$ns" link set lo up
done
if_a="qa$$"
if_b="qb$$"
ip -n "$a" link add "$if_a" type veth peer name "$if_b" netns "$b"
ip -n "$a" addr add 198.51.100.1/24 dev "$if_a"
ip -n "$b" addr add 198.51.100.2/24 dev "$if_b"
ip -n "$a" link set "$if_a" up
ip -n "$b" link set "$if_b" up
# The peer knows the client for good, so it never probes it: every packet
# the client counts as sent is then one the program caused (or an answer
# to the program's own request).
a_mac="$(ip -n "$a" -br link show "$if_a" | awk '{print $3}')"
ip -n "$b" neigh replace 198.51.100.1 lladdr "$a_mac" dev "$if_b" nud permanent

# --- Name lookup: the namespace has no route out, so a name the machine
# does not know cannot cause traffic beyond it.
run "$a" "$cli" lookup localhost
expect "lookup localhost" "0 127.0.0.1" "$status $out"
run "$a" "$cli" lookup 192.0.2.7
expect "lookup of a dotted address" "0 192.0.2.7" "$status $out"
run "$a" "$cli" lookup no-such-host.invalid
expect "lookup of an unknown name is empty" "1 " "$status $out"

# --- Remote MAC by ARP, as an ordinary process asks (no privileges).
peer_mac="$(ip -n "$b" -br link show "$if_b" | awk '{print toupper($3)}' | tr ':' '-')"
run "$a" setpriv --reuid=65534 --regid=65534 --clear-groups "$cli" mac 198.51.100.2
expect "MAC of the peer, unprivileged" "0 $peer_mac" "$status $out"
before="$(sent)"
run "$a" "$cli" mac 198.51.100.2
expect "known neighbour answers from the table" "0 $peer_mac" "$status $out"
expect "... sending nothing" "$before" "$(sent)"
within "... at once" 0 1000 "$took"
for target in 0.0.0.0 no-address 127.0.0.1; do
    before="$(sent)"
    run "$a" "$cli" mac "$target"
    expect "mac $target fails" "1 (SendARP call failed)" "$status $out"
    expect "... sending nothing" "$before" "$(sent)"
done
run "$a" "$cli" mac 198.51.100.77
expect "no host at the address" "1 (SendARP call failed)" "$status $out"
# The kernel gives up after three probes a second apart; the bound is 3.5 s.
within "... after the ARP attempts, within the bound" 2500 4500 "$took"
# The kernel keeps its failed entry; a host that has come up since is
# asked afresh. A stale entry is believed as it is, without a probe.
ip -n "$b" addr add 198.51.100.77/24 dev "$if_b"
run "$a" "$cli" mac 198.51.100.77
expect "a failed neighbour that came up is asked again" "0 $peer_mac" "$status $out"
ip -n "$a" neigh change 198.51.100.77 dev "$if_a" nud stale
before="$(sent)"
run "$a" "$cli" mac 198.51.100.77
expect "a stale neighbour answers from the table" "0 $peer_mac ($before)" "$status $out ($(sent))"

# --- Adapters: every interface but loopback, by index, with the address
# the kernel shows in sysfs; a tunnel has none.
ip -n "$a" link add "qc$$" address 02:51:00:00:00:0a type veth peer name "qd$$" \
    address 00:16:3e:05:ab:01
ip -n "$a" tuntap add dev "qt$$" mode tun
listing_from_sysfs() {
    ip netns exec "$1" sh -c '
        for d in /sys/class/net/*; do
            [ $(( $(cat $d/flags) & 8 )) -eq 0 ] && echo "$(cat $d/ifindex) $(cat $d/address)"
        done' | sort -n | awk '
        { mac[NR] = (length($2) == 17) ? toupper($2) : ""; gsub(":", " ", mac[NR]) }
        END {
            if (NR == 0) { print "No adapters using NetBIOS found"; exit }
            print "Number of adapters: " NR
            for (i = 1; i <= NR; i++) printf "\nMAC address of lana %d:\n\t%s\n", i - 1, mac[i]
        }'
}
run "$a" "$cli" adapters
expect "adapters as sysfs lists them" "$(listing_from_sysfs "$a")" "$out"
# The veth peer takes the lower index.
expect "... with the known ones" "$(printf '\t00 16 3E 05 AB 01|\t02 51 00 00 00 0A|\t')" \
    "$(echo "$out" | grep -P '^\t' | tail -n 3 | paste -sd '|')"
empty="quorvel-tools-c-$$"
ip netns add "$empty"
run "$empty" "$cli" adapters
ip netns del "$empty"
expect "no adapters but loopback" "No adapters using NetBIOS found" "$out"

# --- Connection state, with and without a way out.
ras=False
ras_sentence=""
if [ -e /usr/sbin/pppd ] || [ -e /sbin/pppd ]; then
    ras=True
    ras_sentence="Remote Access Services are installed on this system."
fi
state() { # LAN ONLINE PROXY SENTENCE
    printf 'Is Net Connect Via LAN: %s\nIs Net Connect Via Modem: False\n' "$1"
    printf 'Is Net Connect Via Proxy: %s\nIs Net Connect Online: %s\n' "$3" "$2"
    printf 'Is Net RAS Installed: %s\nGet Net Connect String:\n%s\n' "$ras" "$4"
}
run "$a" "$cli" state
expect "no default route: offline" "$(state False False False "Not connected to the internet now.")" \
    "$out"
ip -n "$a" route add default via 198.51.100.2
run "$a" "$cli" state
expect "default route: LAN, configured" "$(state True True False "$(printf \
    'You have a network connection configured.\nThe local system connects to the Internet via a LAN.%s' \
    "$ras_sentence")")" "$out"
run "$a" env http_proxy=http://192.0.2.3:3128 "$cli" state
expect "with http_proxy set" "$(state True True True "$(printf \
    'You have a network connection configured.\nThe local system connects to the Internet via a LAN, and uses a proxy server. %s' \
    "$ras_sentence")")" "$out"

# Behind the router now: not asked, nothing sent.
before="$(sent)"
run "$a" "$cli" mac 203.0.113.9
expect "an address behind a router fails" "1 (SendARP call failed)" "$status $out"
expect "... sending nothing" "$before" "$(sent)"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]

#!/usr/bin/python3
"""Fuzz seeds from a real kernel, in two network namespaces of its own (a
host and a router that forwards, refuses and drops; root only):
  FuzzIcmpPacket: two bytes of the echo identifier, then an answer as a raw
                  ICMP socket read it (IPv4 header included)
  FuzzNetlink:    one read of a routing netlink socket answering request 1
                  (links, routes, neighbours, a route looked up)
Usage: capture-network.py"""
import os, socket, struct, subprocess, sys, time, select

corpus = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus")
A, R = "fzcap-a", "fzcap-r"

def sh(*cmd):
    subprocess.run(cmd, check=True)

def ns(name, *cmd):
    sh("ip", "netns", "exec", name, *cmd)

def setup():
    for n in (A, R):
        subprocess.run(["ip", "netns", "del", n], stderr=subprocess.DEVNULL)
        sh("ip", "netns", "add", n)
        ns(n, "ip", "link", "set", "lo", "up")
    sh("ip", "link", "add", "va", "netns", A, "address", "02:00:00:00:00:0a", "type", "veth",
       "peer", "name", "vr", "netns", R, "address", "02:00:00:00:00:0b")
    ns(A, "ip", "addr", "add", "10.9.0.1/24", "dev", "va")
    ns(R, "ip", "addr", "add", "10.9.0.2/24", "dev", "vr")
    ns(A, "ip", "link", "set", "va", "up")
    ns(R, "ip", "link", "set", "vr", "up")
    ns(A, "ip", "route", "add", "default", "via", "10.9.0.2", "metric", "100")
    ns(A, "ip", "neigh", "add", "10.9.0.77", "lladdr", "02:00:00:00:00:77", "dev", "va", "nud", "permanent")
    ns(R, "sysctl", "-qw", "net.ipv4.ip_forward=1", "net.ipv4.icmp_ratemask=0")
    ns(R, "ip", "route", "add", "unreachable", "198.51.100.0/24")
    ns(R, "ip", "route", "add", "prohibit", "203.0.113.0/24")
    ns(R, "ip", "route", "add", "192.0.2.0/24", "via", "10.9.0.1")

def checksum(data):
    if len(data) % 2:
        data += b"\0"
    s = sum(struct.unpack("!%dH" % (len(data) // 2), data))
    while s >> 16:
        s = (s & 0xFFFF) + (s >> 16)
    return ~s & 0xFFFF

def icmp():
    ident = 0x5143
    cases = [("echo-reply-loopback", "127.0.0.1", 64, b"quorvel ping data"),
             ("echo-reply-neighbour", "10.9.0.2", 64, b""),
             ("time-exceeded", "192.0.2.9", 1, b"trace"),
             ("host-unreachable", "198.51.100.9", 64, b"x" * 32),
             ("admin-prohibited", "203.0.113.9", 64, b"y")]
    s = socket.socket(socket.AF_INET, socket.SOCK_RAW, socket.IPPROTO_ICMP)
    for seq, (name, dest, ttl, data) in enumerate(cases, 1):
        s.setsockopt(socket.IPPROTO_IP, socket.IP_TTL, ttl)
        head = struct.pack("!BBHHH", 8, 0, 0, ident, seq)
        packet = struct.pack("!BBHHH", 8, 0, checksum(head + data), ident, seq) + data
        s.sendto(packet, (dest, 0))
        deadline = time.time() + 2
        while time.time() < deadline:
            if not select.select([s], [], [], deadline - time.time())[0]:
                break
            got = s.recv(65535)
            if got[20] != 8:  # not our own request looping back
                with open(os.path.join(corpus, "FuzzIcmpPacket", name), "wb") as f:
                    f.write(struct.pack("!H", ident) + got)
                break
        else:
            print("no answer for", name, file=sys.stderr)

def netlink():
    RTM_GETLINK, RTM_GETROUTE, RTM_GETNEIGH = 18, 26, 30
    NLM_F_REQUEST, NLM_F_DUMP = 1, 0x300
    def ask(name, kind, flags, body):
        s = socket.socket(socket.AF_NETLINK, socket.SOCK_RAW, 0)
        msg = struct.pack("=LHHLL", 16 + len(body), kind, NLM_F_REQUEST | flags, 1, 0) + body
        s.send(msg)
        for i in range(8):
            data = s.recv(65536)
            with open(os.path.join(corpus, "FuzzNetlink", "%s-%d" % (name, i)), "wb") as f:
                f.write(data)
            kind = struct.unpack_from("=H", data, 4)[0]
            last = data
            off = 0
            done = False
            while off + 16 <= len(data):
                length, t, fl = struct.unpack_from("=LHH", data, off)
                if t in (2, 3) or not fl & 2:  # ERROR, DONE, or a single answer
                    done = True
                off += (length + 3) & ~3
            if done:
                break
        s.close()
    ifinfo = struct.pack("=BxHiII", socket.AF_UNSPEC, 0, 0, 0, 0)
    rtmsg = struct.pack("=BBBBBBBBI", socket.AF_INET, 0, 0, 0, 0, 0, 0, 0, 0)
    ndmsg = struct.pack("=BxxxiHBB", socket.AF_INET, 0, 0, 0, 0)
    ask("links", RTM_GETLINK, NLM_F_DUMP, ifinfo)
    ask("routes", RTM_GETROUTE, NLM_F_DUMP, rtmsg)
    ask("neighbours", RTM_GETNEIGH, NLM_F_DUMP, ndmsg)
    def route_to(name, dest):
        dst = socket.inet_aton(dest)
        body = struct.pack("=BBBBBBBBI", socket.AF_INET, 32, 0, 0, 0, 0, 0, 0, 0) + \
            struct.pack("=HH", 8, 1) + dst
        ask(name, RTM_GETROUTE, 0, body)
    route_to("route-direct", "10.9.0.2")
    route_to("route-gateway", "192.0.2.1")

if __name__ == "__main__":
    if sys.argv[1:] == ["inside"]:
        icmp()  # the echo to the router resolves its neighbour entry by ARP
        netlink()
    else:
        setup()
        try:
            ns(A, sys.executable, os.path.abspath(__file__), "inside")
        finally:
            for n in (A, R):
                subprocess.run(["ip", "netns", "del", n])

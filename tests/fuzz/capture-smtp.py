#!/usr/bin/python3
"""Fuzz seeds from real SMTP servers (aiosmtpd and Postfix in the strict
configuration of tests/mail/smtpserver.py; root, for Postfix): whole
dialogues, the client saying what Quorvel's SMTP session says, each read of
the server kept as one part.
  FuzzSmtpSession:     the settings byte, then the reads separated by 0xFF
  FuzzSmtpReplyReader: the reads alone, separated by 0xFF
Usage: capture-smtp.py"""
import base64, os, re, socket, ssl, subprocess, sys, tempfile, time

here = os.path.dirname(os.path.abspath(__file__))
server_py = os.path.join(here, "..", "mail", "smtpserver.py")
corpus = os.path.join(here, "corpus")
work = tempfile.mkdtemp()
MESSAGE = b"Subject: s\r\n\r\nbody\r\n.\r\n"

def start(*args):
    port_file = os.path.join(work, "port-%d" % len(os.listdir(work)))
    p = subprocess.Popen([sys.executable, server_py, *args, "--dir", work, "--port-file", port_file,
                          "--record", os.path.join(work, "record")])
    for _ in range(200):
        if os.path.exists(port_file):
            return p, [int(x) for x in open(port_file).read().split()]
        time.sleep(0.05)
    raise RuntimeError("no port from " + " ".join(args))

def context():
    c = ssl.create_default_context(cafile=os.path.join(work, "ca.pem"))
    return c

def dialogue(name, port, tls=None, auth=True, to="you@example.net", proxy=None, password=b"pw",
             message=MESSAGE):
    parts, conn = [], [socket.create_connection(("127.0.0.1", port), timeout=5)]
    if tls == "implicit":
        conn[0] = context().wrap_socket(conn[0], server_hostname="localhost")
    def read(done):
        got = b""
        while not done(got):
            data = conn[0].recv(65536)
            if not data:
                break
            parts.append(data)
            got += data
        return got.decode("latin-1")
    complete = lambda b: re.search(rb"(^|\n)\d{3}( [^\n]*)?\r?\n$", b) is not None
    def say(line):
        conn[0].sendall(line if isinstance(line, bytes) else line.encode() + b"\r\n")
        return read(complete)
    def end():
        say("QUIT")
    if proxy:
        read(lambda b: b"WinGate>" in b)
        greeting = say(proxy)
    else:
        greeting = read(complete)
    if not greeting.startswith("220"):
        return save(name, parts, tls, auth, proxy)
    ehlo = say("EHLO client.test")
    if tls == "starttls" and "STARTTLS" in ehlo:
        say("STARTTLS")
        conn[0] = context().wrap_socket(conn[0], server_hostname="localhost")
        ehlo = say("EHLO client.test")
    mechanisms = " ".join(re.findall(r"AUTH[ =]([^\r\n]*)", ehlo)).split()
    ok = True
    if auth and mechanisms:
        if "LOGIN" in mechanisms:
            r = say("AUTH LOGIN")
            while r.startswith("334"):
                asked = base64.b64decode(r[4:].strip() + "==").lower()
                r = say(base64.b64encode(password if b"pass" in asked else b"me").decode())
        else:
            r = say("AUTH PLAIN " + base64.b64encode(b"\0me\0pw").decode())
        ok = r.startswith("235")
    for command, good in ((("MAIL FROM:<me@example.net>"), "250"), ("RCPT TO:<%s>" % to, "25"),
                          ("DATA", "354"), (message, "2")):
        if not ok:
            break
        ok = say(command).startswith(good)
    end()
    save(name, parts, tls, auth, proxy)

def save(name, parts, tls, auth, proxy):
    flags = (0 if auth else 1) | (2 if proxy else 0) | (4 if tls == "implicit" else 0) | \
        (8 if tls else 0) | (16 if auth and not tls else 0)
    for target, data in (("FuzzSmtpSession", bytes([flags]) + b"\xff".join(parts)),
                         ("FuzzSmtpReplyReader", b"\xff".join(parts))):
        with open(os.path.join(corpus, target, name), "wb") as f:
            f.write(data)

subprocess.run([sys.executable, server_py, "certs", "--dir", work], check=True)
servers = []
try:
    p, (plain,) = start("smtp"); servers.append(p)
    dialogue("aiosmtpd-plain", plain, auth=False)
    p, (login,) = start("smtp", "--auth", "login"); servers.append(p)
    dialogue("aiosmtpd-login-in-clear", login)
    p, (plainauth,) = start("smtp", "--auth", "plain", "--tls", "starttls", "--cert", "good"); servers.append(p)
    dialogue("aiosmtpd-starttls-plain", plainauth, tls="starttls")
    p, (implicit,) = start("smtp", "--auth", "both", "--tls", "implicit", "--cert", "good"); servers.append(p)
    dialogue("aiosmtpd-implicit-tls", implicit, tls="implicit")
    p, (gate,) = start("wingate"); servers.append(p)
    dialogue("wingate-aiosmtpd", gate, auth=False, proxy="127.0.0.1:%d" % plain)
    p, ports = start("postfix"); servers.append(p)
    time.sleep(1)
    dialogue("postfix-login-in-clear", ports[0])
    dialogue("postfix-relay-refused", ports[0], auth=False, to="you@elsewhere.example")
    dialogue("postfix-starttls-login", ports[1], tls="starttls")
    dialogue("postfix-encryption-required", ports[1], auth=False)
    dialogue("postfix-implicit-tls", ports[2], tls="implicit")
    dialogue("postfix-wrong-password", ports[1], tls="starttls", password=b"wrong")
    dialogue("postfix-message-too-large", ports[2], tls="implicit",
             message=b"Subject: s\r\n\r\n" + b"0123456789abcdef\r\n" * 4000 + b".\r\n")
finally:
    for p in servers:
        p.terminate()

#!/usr/bin/python3
"""Fuzz seeds from real HTTP clients on loopback: the request header each
sends (curl, wget, Python, Quorvel's own fetcher, nginx as a proxy adding
X-Forwarded-For), one part per read separated by 0xFF, for FuzzRequestParser;
and the page quorvel-ipd serves, for FuzzPublicIp.
Usage: capture-http.py BINDIR (the build's bin folder, with quorvel-cli and
quorvel-ipd); needs curl, wget and nginx."""
import os, socket, subprocess, sys, tempfile, threading, time

bindir = sys.argv[1]
corpus = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus")
work = tempfile.mkdtemp()
names = ["curl", "wget", "python", "quorvel-cli", "nginx-proxy-forwarded-for", "curl-head-http10",
         "curl-chunked-post"]

def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]

listener = socket.socket()
listener.bind(("127.0.0.1", 0))
listener.listen(8)
port = listener.getsockname()[1]
body = b"Your IP address is: <b>127.0.0.1</b>\n"

def serve():
    for name in names:
        c, _ = listener.accept()
        parts, got = [], b""
        while b"\r\n\r\n" not in got:
            data = c.recv(65536)
            if not data:
                break
            parts.append(data)
            got += data
        with open(os.path.join(corpus, "FuzzRequestParser", name), "wb") as f:
            f.write(b"\xff".join(parts))
        c.sendall(b"HTTP/1.1 200 OK\r\nContent-Length: %d\r\nConnection: close\r\n\r\n" % len(body)
                  + body)
        c.close()

server = threading.Thread(target=serve)
server.start()
url = "http://127.0.0.1:%d" % port
run = lambda *cmd, **kw: subprocess.run(cmd, stdout=subprocess.DEVNULL, check=True, **kw)
run("curl", "-s", url + "/quorvel.php")
run("wget", "-q", "-O", "/dev/null", url + "/ip")
run(sys.executable, "-c", "import urllib.request; urllib.request.urlopen('%s/quorvel.php?x=1')" % url)
os.makedirs(os.path.join(work, "config", "Quorvel"))
with open(os.path.join(work, "config", "Quorvel", "Quorvel.conf"), "w") as f:
    f.write("[Settings]\nIP%%20Service%%20Host=127.0.0.1:%d\n" % port)
run(os.path.join(bindir, "quorvel-cli"), "ip",
    env=dict(os.environ, XDG_CONFIG_HOME=os.path.join(work, "config"), QT_QPA_PLATFORM="offscreen"))
proxy_port, ipd_port = free_port(), free_port()
with open(os.path.join(work, "nginx.conf"), "w") as f:
    f.write("""daemon off; pid %(w)s/nginx.pid; error_log %(w)s/error.log; events {}
http { access_log off; client_body_temp_path %(w)s/body; proxy_temp_path %(w)s/proxy;
  server { listen 127.0.0.1:%(p)d; location / { proxy_pass %(u)s;
    proxy_set_header X-Forwarded-For $proxy_add_x_forwarded_for; } } }""" %
            {"w": work, "p": proxy_port, "u": url})
nginx = subprocess.Popen(["nginx", "-c", os.path.join(work, "nginx.conf"), "-p", work])
time.sleep(0.5)
run("curl", "-s", "-H", "X-Forwarded-For: 198.51.100.7", "http://127.0.0.1:%d/quorvel.php" % proxy_port)
nginx.terminate()
run("curl", "-s", "-0", "-I", url + "/")
run("curl", "-s", "-H", "Transfer-Encoding: chunked", "-d", "x=1", url + "/quorvel.php")
server.join()

ipd = subprocess.Popen([os.path.join(bindir, "quorvel-ipd"), "--listen", "127.0.0.1:%d" % ipd_port])
time.sleep(0.5)
page = subprocess.run(["curl", "-s", "http://127.0.0.1:%d/quorvel.php" % ipd_port],
                      capture_output=True, check=True).stdout
ipd.terminate()
with open(os.path.join(corpus, "FuzzPublicIp", "quorvel-ipd-page"), "wb") as f:
    f.write(page)

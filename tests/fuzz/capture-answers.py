#!/usr/bin/python3
"""Fuzz seeds for FuzzHttpResponse from real HTTP servers on loopback: the
bytes each answers to the fetcher's GET, read by read with 0xFF between
reads dropped (the target cuts by itself), behind two bytes: the largest
body allowed (in units of 4 bytes) and where to cut. nginx serves a file,
a missing page, a redirect and a gzip-coded (chunked) answer; Python's
server answers as HTTP/1.0 until it closes; quorvel-ipd serves its page.
Usage: capture-answers.py BINDIR (the build's bin folder, with quorvel-ipd);
needs nginx."""
import os, socket, subprocess, sys, tempfile, time

bindir = sys.argv[1]
target = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus", "FuzzHttpResponse")
os.makedirs(target, exist_ok=True)
work = tempfile.mkdtemp()
os.chmod(work, 0o755)  # nginx reads the files as its own user

def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]

def answer(port, path, extra=b""):
    with socket.create_connection(("127.0.0.1", port), timeout=5) as c:
        c.sendall(b"GET " + path + b" HTTP/1.1\r\nHost: 127.0.0.1\r\nUser-Agent: Quorvel\r\n"
                  b"Accept: */*\r\n" + extra + b"Connection: close\r\n\r\n")
        got = b""
        while data := c.recv(65536):
            got += data
        return got

def keep(name, data, max_body=255, cut=128):
    with open(os.path.join(target, name), "wb") as f:
        f.write(bytes([max_body, cut]) + data)

def wait_for(port):
    for _ in range(50):
        try:
            socket.create_connection(("127.0.0.1", port), timeout=1).close()
            return
        except OSError:
            time.sleep(0.1)

nginx_port, python_port, ipd_port = free_port(), free_port(), free_port()
os.makedirs(os.path.join(work, "www"))
with open(os.path.join(work, "www", "ip"), "w") as f:
    f.write("203.0.113.7\n")
with open(os.path.join(work, "nginx.conf"), "w") as f:
    f.write("""daemon off; pid %(w)s/nginx.pid; error_log %(w)s/error.log; events {}
http { access_log off; client_body_temp_path %(w)s/body; gzip on; gzip_min_length 1;
  gzip_types *;
  server { listen 127.0.0.1:%(p)d; root %(w)s/www; location = /moved { return 301 /ip; } } }"""
            % {"w": work, "p": nginx_port})
servers = [subprocess.Popen(["nginx", "-c", os.path.join(work, "nginx.conf"), "-p", work]),
           subprocess.Popen([sys.executable, "-m", "http.server", "-b", "127.0.0.1",
                             "-d", os.path.join(work, "www"), str(python_port)],
                            stderr=subprocess.DEVNULL),
           subprocess.Popen([os.path.join(bindir, "quorvel-ipd"), "--listen",
                             "127.0.0.1:%d" % ipd_port])]
try:
    for port in nginx_port, python_port, ipd_port:
        wait_for(port)
    keep("nginx-file", answer(nginx_port, b"/ip"))
    keep("nginx-file-cut-in-body", answer(nginx_port, b"/ip"), cut=250)
    keep("nginx-404", answer(nginx_port, b"/none"))
    keep("nginx-301", answer(nginx_port, b"/moved"))
    keep("nginx-gzip-chunked", answer(nginx_port, b"/ip", b"Accept-Encoding: gzip\r\n"))
    keep("nginx-file-too-large", answer(nginx_port, b"/ip"), max_body=2)
    keep("python-http10-until-close", answer(python_port, b"/ip"))
    keep("quorvel-ipd-page", answer(ipd_port, b"/quorvel.php"))
finally:
    for server in servers:
        server.terminate()

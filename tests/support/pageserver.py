#!/usr/bin/env python3
"""A real HTTP server on loopback for the tests, steered through files.

Files in --dir (re-read on every request, so a test changes the answer by
rewriting them):
  page    the body of GET /quorvel.php
  status  its HTTP status (default 200)
  delay   seconds to wait before answering (default 0)
Every request's path is appended to the file 'log'. Any other path answers
200 with a small page (the home page the program pings after a change).
A POST (the web hook) answers 'status' after 'delay' with an empty body; its
body is appended to the file 'posts', one line each.
With --tls the server speaks https with a self-signed certificate that it
makes itself (openssl), which no client may trust.
The chosen port is printed as "PORT <n>" and written to the file 'port' once
the server listens. The server ends with the test (peerlife.py).
"""
import argparse
import http.server
import os
import socket
import ssl
import subprocess
import sys
import time

from peerlife import end_with_test


def read(path, default):
    try:
        with open(path, "rb") as f:
            return f.read()
    except OSError:
        return default


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def do_GET(self):
        d = self.server.control_dir
        with open(os.path.join(d, "log"), "a") as log:
            log.write(self.path + "\n")
        if self.path.split("?")[0] == "/quorvel.php":
            delay = float(read(os.path.join(d, "delay"), b"0").strip() or 0)
            status = int(read(os.path.join(d, "status"), b"200").strip() or 200)
            body = read(os.path.join(d, "page"), b"")
            if delay > 0:
                time.sleep(delay)
        else:
            status, body = 200, b"<html><body>home</body></html>"
        try:
            self.send_response(status)
            self.send_header("Content-Type", "text/html")
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)
        except OSError:
            pass  # the client gave up waiting; that is what some tests want


    def do_POST(self):
        d = self.server.control_dir
        body = self.rfile.read(int(self.headers.get("Content-Length", 0)))
        with open(os.path.join(d, "posts"), "ab") as posts:
            posts.write(body + b"\n")
        delay = float(read(os.path.join(d, "delay"), b"0").strip() or 0)
        status = int(read(os.path.join(d, "status"), b"200").strip() or 200)
        if delay > 0:
            time.sleep(delay)
        try:
            self.send_response(status)
            self.send_header("Content-Length", "0")
            self.end_headers()
        except OSError:
            pass


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True


class Server6(Server):
    address_family = socket.AF_INET6


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--dir", required=True)
    p.add_argument("--bind", default="127.0.0.1")
    p.add_argument("--tls", action="store_true")
    a = p.parse_args()
    cls = Server6 if ":" in a.bind else Server
    srv = cls((a.bind, 0), Handler)
    srv.control_dir = a.dir
    if a.tls:
        cert = os.path.join(a.dir, "cert.pem")
        subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "1",
                        "-subj", "/CN=quorvel.test", "-keyout", cert, "-out", cert],
                       check=True, capture_output=True)
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(cert)
        srv.socket = context.wrap_socket(srv.socket, server_side=True)
    port_file = os.path.join(a.dir, "port")
    with open(port_file + ".new", "w") as f:
        f.write(str(srv.server_address[1]))
    os.replace(port_file + ".new", port_file)
    print("PORT", srv.server_address[1], flush=True)
    end_with_test(a.dir)
    srv.serve_forever()


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""Stands in for the translation service on loopback.

Every request line's target is printed as "GET <path?query>" the moment it
arrives. The answer is a page titled "Translated: " and the decoded value
of its query key u, so a test can tell which page the browser shows. A u
holding "slow" is answered only after --slow seconds (a page still loading).
The chosen port is printed as "PORT <n>" once the server listens.
"""
import argparse
import html
import http.server
import sys
import time
import urllib.parse


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def do_GET(self):
        print("GET", self.path, flush=True)
        query = self.path.partition("?")[2]
        u = urllib.parse.parse_qs(query).get("u", [""])[0]
        if "slow" in u:
            time.sleep(self.server.slow)
        title = html.escape("Translated: " + u)
        body = ("<!DOCTYPE html><html><head><title>%s</title></head>"
                "<body><p>%s</p></body></html>" % (title, title)).encode()
        try:
            self.send_response(200)
            self.send_header("Content-Type", "text/html; charset=utf-8")
            self.send_header("Cache-Control", "no-store")
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)
        except OSError:
            pass  # the browser stopped waiting


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--slow", type=float, default=30)
    a = p.parse_args()
    srv = Server(("127.0.0.1", 0), Handler)
    srv.slow = a.slow
    print("PORT", srv.server_address[1], flush=True)
    srv.serve_forever()


if __name__ == "__main__":
    sys.exit(main())

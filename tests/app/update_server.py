#!/usr/bin/env python3
"""The update service for app_test: serves a manifest and a package.

Usage: update_server.py FOLDER LIFETIME_SECONDS

Writes the port it listens on (127.0.0.1) to FOLDER/port.txt. Every request
re-reads FOLDER/config.json, which the test rewrites per case:
  version   the manifest's version ("" gives no manifest: 404)
  fetch     the fetch-at-once flag (0 or 1)
  hash      "good" (SHA-256 of FOLDER/package.exe, computed here) or "bad"
  garbage   true: the manifest is not one
  delay     seconds to wait before answering the manifest
  silent    true: the manifest request is accepted and never answered
Each request's path is appended to FOLDER/requests.log. The server ends after
the lifetime or once FOLDER/quit exists.
"""
import hashlib
import json
import os
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

FOLDER = sys.argv[1]
LIFETIME = float(sys.argv[2])


def config():
    try:
        with open(os.path.join(FOLDER, "config.json")) as f:
            return json.load(f)
    except (OSError, ValueError):
        return {}


class Handler(BaseHTTPRequestHandler):
    def log_message(self, *args):
        pass

    def send_body(self, body, kind="application/octet-stream"):
        self.send_response(200)
        self.send_header("Content-Type", kind)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def do_GET(self):
        with open(os.path.join(FOLDER, "requests.log"), "a") as log:
            log.write(self.path + "\n")
        c = config()
        if self.path == "/manifest":
            if c.get("silent"):
                time.sleep(20)
                return
            time.sleep(float(c.get("delay", 0)))
            if not c.get("version"):
                self.send_error(404)
                return
            if c.get("garbage"):
                self.send_body(b"<html>not a manifest</html>\n", "text/html")
                return
            with open(os.path.join(FOLDER, "package.exe"), "rb") as f:
                digest = hashlib.sha256(f.read()).hexdigest()
            if c.get("hash") == "bad":
                digest = hashlib.sha256(b"something else").hexdigest()
            port = self.server.server_address[1]
            text = (f"version={c['version']}\npackage=http://127.0.0.1:{port}/package.exe\n"
                    f"sha256={digest}\nfetch={int(c.get('fetch', 0))}\n")
            self.send_body(text.encode(), "text/plain")
        elif self.path == "/package.exe":
            with open(os.path.join(FOLDER, "package.exe"), "rb") as f:
                self.send_body(f.read())
        else:
            self.send_error(404)


def main():
    server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    threading.Thread(target=server.serve_forever, kwargs={"poll_interval": 0.2}, daemon=True).start()
    port_file = os.path.join(FOLDER, "port.txt")
    with open(port_file + ".part", "w") as f:
        f.write(str(server.server_address[1]))
    os.replace(port_file + ".part", port_file)
    end = time.time() + LIFETIME
    while time.time() < end and not os.path.exists(os.path.join(FOLDER, "quit")):
        time.sleep(0.2)
    server.shutdown()
    os._exit(0)


if __name__ == "__main__":
    main()

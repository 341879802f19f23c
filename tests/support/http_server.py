#!/usr/bin/python3
"""Loopback HTTP server for the tests: serves a folder, with chosen status codes, redirects and
slow answers per path, and logs every request as one JSON line.

Prints "PORT <n>" on stdout once it listens on 127.0.0.1 (port 0 picks a free one).
"""
import argparse
import functools
import http.server
import json
import sys
import threading
import time


def pairs(values):
    out = {}
    for item in values or []:
        path, _, value = item.partition("=")
        out[path] = value
    return out


class Handler(http.server.SimpleHTTPRequestHandler):
    options = None
    log_lock = threading.Lock()

    def do_GET(self):
        started = time.time()
        opts = self.options
        path = self.path.split("?", 1)[0]
        delay = float(opts.delays.get(path, 0))
        if delay:
            time.sleep(delay)
        # Logged before the answer goes out, so a client that has its answer finds the entry.
        self.record(started, path)
        if path in opts.statuses:
            self.send_error(int(opts.statuses[path]))
        elif path in opts.redirects:
            self.send_response(302)
            self.send_header("Location", opts.redirects[path])
            self.send_header("Content-Length", "0")
            self.end_headers()
        else:
            super().do_GET()

    def record(self, started, path):
        if not self.options.log:
            return
        entry = {"path": path, "start": started, "end": time.time(),
                 "headers": {k.lower(): v for k, v in self.headers.items()}}
        with self.log_lock, open(self.options.log, "a", encoding="utf-8") as log:
            log.write(json.dumps(entry) + "\n")

    def log_message(self, format, *args):
        pass


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True, help="folder whose files are served")
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--log", help="file that gets one JSON line per request")
    parser.add_argument("--status", action="append", help="PATH=CODE answers PATH with CODE")
    parser.add_argument("--redirect", action="append", help="PATH=TARGET answers with a 302")
    parser.add_argument("--delay", action="append", help="PATH=SECONDS waits before answering")
    args = parser.parse_args()
    args.statuses = pairs(args.status)
    args.redirects = pairs(args.redirect)
    args.delays = pairs(args.delay)
    Handler.options = args
    handler = functools.partial(Handler, directory=args.root)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", args.port), handler)
    print("PORT %d" % server.server_address[1], flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    sys.exit(0)


if __name__ == "__main__":
    main()

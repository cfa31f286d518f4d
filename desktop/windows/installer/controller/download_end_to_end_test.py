#!/usr/bin/env python3
"""Silent net installs against hostile package servers, end to end: the real
installer.exe and engine, without a payload, under Wine in a fresh prefix of
the scenario's own. The download-URL service answers honestly; the package
server does not. Whatever it does, the run must end within its limits with
the fetch's failure (exit code 119), a short log and no package left.

  download_end_to_end_test.py SCENARIO --build-dir B
"""

import hashlib
import http.server
import json
import os
import select
import shutil
import subprocess
import sys
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import silent_end_to_end_test as e2e  # noqa: E402

SIZE = 2000000
# The switches that shorten the limits: the stall limit of the silent run
# (ten minutes otherwise) and the time-out of each request (a minute).
STALL_SECONDS = 15
TIMEOUT_SECONDS = 3
# What the old loops did within this: tens of thousands of requests and a
# log of tens of megabytes.
RUN_LIMIT = 90
MAX_REQUESTS = 12
MAX_LOG_BYTES = 256 * 1024


class HostileServer:
    """The download-URL service and, beside it, a package server that
    answers every GET as `mode` says:
      range_ignored: 200 with the whole length announced, whatever the
        Range, and the body cut at the same byte every time;
      headers_then_silence: 200 and 4 KB of the body, then nothing while
        the connection stays open."""

    def __init__(self, mode):
        self.mode = mode
        self.package = os.urandom(SIZE)
        self.gets = 0
        self.lock = threading.Lock()
        self.stop = threading.Event()
        server = self

        class Handler(http.server.BaseHTTPRequestHandler):
            def do_POST(self):
                # Without tracking data the request has no body and is a GET.
                length = int(self.headers.get("Content-Length") or 0)
                if length:
                    self.rfile.read(length)
                body = json.dumps({
                    "installer": server.url + "package.7z",
                    "installer_checksum": hashlib.sha256(server.package).hexdigest(),
                }).encode()
                self.send_response(200)
                self.send_header("Content-Length", str(len(body)))
                self.end_headers()
                self.wfile.write(body)

            def do_GET(self):
                if not self.path.startswith("/package"):
                    self.do_POST()
                    return
                with server.lock:
                    server.gets += 1
                try:
                    self.answer_package()
                except ConnectionError:
                    # The client cut the answer short: its business.
                    self.close_connection = True

            def answer_package(self):
                self.send_response(200)
                self.send_header("Content-Length", str(SIZE))
                self.end_headers()
                if server.mode == "range_ignored":
                    self.wfile.write(server.package[:600000])
                    self.wfile.flush()
                    self.close_connection = True
                    return
                self.wfile.write(server.package[:4096])
                self.wfile.flush()
                # Silence until the client goes or the server stops.
                while not server.stop.is_set():
                    readable, _, _ = select.select([self.connection], [], [], 0.5)
                    if readable and not self.connection.recv(4096):
                        break
                self.close_connection = True

            def log_message(self, *args):
                pass

        self.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        self.server.daemon_threads = True
        self.url = "http://127.0.0.1:%d/" % self.server.server_address[1]
        self.thread = threading.Thread(target=self.server.serve_forever, daemon=True)
        self.thread.start()

    def close(self):
        self.stop.set()
        self.server.shutdown()
        self.server.server_close()


def run_bounded(prefix, exe, *args):
    """Runs `exe` to its end, or kills the prefix's programs at RUN_LIMIT;
    returns the exit code (None when killed) and the seconds it took."""
    start = time.monotonic()
    process = subprocess.Popen([e2e.WINE, exe, *args], env=prefix.env, stdin=subprocess.DEVNULL,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        code = process.wait(timeout=RUN_LIMIT)
    except subprocess.TimeoutExpired:
        subprocess.run([e2e.WINESERVER, "-k"], env=prefix.env, timeout=60, check=False)
        process.wait(timeout=60)
        code = None
    prefix.wait()
    return code, time.monotonic() - start


def packages_left(prefix):
    return [os.path.join(root, name) for root, dirs, files in os.walk(prefix.c)
            for name in dirs + files if name.startswith("tarvo_package")]


def scenario(mode):
    def run(prefix, a):
        folder = os.path.join(prefix.root, "net")
        os.makedirs(folder)
        for name in ("installer.exe", "installer_engine.dll"):
            shutil.copy(os.path.join(a.build_dir, "bin", name), folder)
        server = HostileServer(mode)
        seen = set(prefix.logs())
        try:
            code, seconds = run_bounded(
                prefix, os.path.join(folder, "installer.exe"), "--silent", *e2e.QUIET,
                "--allusers=0", "--installfolder=C:\\e2e\\Tarvo",
                "--internal-package-server=" + server.url + "reply",
                "--test-fetch-stall-limit=%d" % STALL_SECONDS,
                "--test-download-timeout=%d" % TIMEOUT_SECONDS)
        finally:
            server.close()
        new_logs = [log for log in prefix.logs() if log not in seen]
        log_bytes = sum(os.path.getsize(log) for log in new_logs)
        print("%s: exit code %s after %.1f s, %d package requests, %d log bytes"
              % (mode, code, seconds, server.gets, log_bytes))
        assert code is not None, "the run did not end within %d s (%d package requests)" % (
            RUN_LIMIT, server.gets)
        e2e.check_code(prefix, seen, code, 119, mode)
        assert 1 <= server.gets <= MAX_REQUESTS, "%d package requests" % server.gets
        assert log_bytes <= MAX_LOG_BYTES, "%d log bytes" % log_bytes
        left = packages_left(prefix)
        assert not left, "left behind: %s" % left
        assert not os.path.exists(prefix.unix("C:\\e2e\\Tarvo\\installation_status.json"))
    return run


SCENARIOS = {
    "range_ignored": scenario("range_ignored"),
    "headers_then_silence": scenario("headers_then_silence"),
}


def main():
    return e2e.main_of_scenarios(SCENARIOS, name_prefix="download-")


if __name__ == "__main__":
    sys.exit(main())

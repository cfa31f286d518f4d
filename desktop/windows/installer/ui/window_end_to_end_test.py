#!/usr/bin/env python3
"""The installer window end to end, as a person uses it: installer.exe with
the full package, its window worked by installer_window_driver.exe from
another process (keystrokes through SendInput), in fresh prefixes.

  window_end_to_end_test.py SCENARIO --build-dir B

  statistics  with statistics on, sent to a loopback statistics server:
              the window closed on its welcome page, and closed on the
              unsupported-system error page (Wine saying Windows Vista);
              the server gets, before the run ends, the record of the
              page the user closed (page type -1, "CANCEL", and the error
              page's failure reason).
  typed_path  the options page reached with Alt+O, the folder box with the
              access key of its label; folders that cannot be used typed
              into it key by key, each told apart as far as the window's
              texts allow, with "Install for" usable; then a good folder,
              Enter: the box reads as typed, and the browser is installed
              in the typed folder.

The statistics server listens where the installer's test switch sends
("127.0.0.1", port 9000): the scenario runs in a network namespace of its
own, so that runs side by side never share that port.
"""

import argparse
import http.server
import io
import os
import socket
import subprocess
import sys
import threading

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import interactive_end_to_end_test as ui  # noqa: E402

e2e = ui.e2e
STATS_PORT = 9000
SCHEMA = os.path.join(HERE, "..", "avro_stats", "oracle", "tarvo_desktop_installer.avsc")
# A message: byte 0, the schema id 208 in four bytes, then the record.
HEADER = b"\x00\x00\x00\x00\xd0"
UNSUPPORTED_DETAIL = "This version of Tarvo doesn't support windows versions prior to Windows 7"
TYPED_FOLDER = "C:\\e2e\\Typed in"
A_FILE = "C:\\e2e\\a file"
INVALID = "The install path is invalid"
# Folders that cannot be used, and what the options page says of each.
BAD_FOLDERS = [
    ("C:\\a<b", INVALID),
    ("relative\\Tarvo", INVALID),
    ("C:\\" + "x" * 300, INVALID),
    ("Q:\\Tarvo", "The installation cannot be performed in the selected location."),
    (A_FILE, "The folder %s\u200e could not be created." % A_FILE),
]


def in_own_network():
    """Runs this script again in a network namespace of its own, with its
    loopback up; returns its exit code, or None when no namespace can be
    made (the scenario then runs here)."""
    if os.environ.get("TARVO_OWN_NETWORK"):
        import fcntl
        import struct
        with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as s:
            flags = struct.unpack("16sH", fcntl.ioctl(s, 0x8913, struct.pack("16sH", b"lo", 0)))[1]
            fcntl.ioctl(s, 0x8914, struct.pack("16sH", b"lo", flags | 1))  # IFF_UP
        return None
    for unshare in (["unshare", "-n"], ["unshare", "-rn"]):
        try:
            if subprocess.run(unshare + ["true"], capture_output=True, check=False).returncode:
                continue
        except OSError:
            return None
        env = dict(os.environ, TARVO_OWN_NETWORK="1")
        return subprocess.run(unshare + [sys.executable] + sys.argv, env=env, check=False).returncode
    return None


class StatisticsServer:
    """Answers every message with 201 and keeps the decoded records."""

    def __init__(self):
        import avro.io
        import avro.schema
        with open(SCHEMA, encoding="utf-8") as f:
            schema = avro.schema.parse(f.read())
        self.records = []
        self.problems = []
        server = self

        class Handler(http.server.BaseHTTPRequestHandler):
            def do_POST(self):
                body = self.rfile.read(int(self.headers.get("Content-Length", 0)))
                if self.path != "/v1/binary" or body[:5] != HEADER:
                    server.problems.append("%s %r" % (self.path, body[:8]))
                else:
                    reader = avro.io.DatumReader(schema)
                    server.records.append(reader.read(avro.io.BinaryDecoder(io.BytesIO(body[5:]))))
                self.send_response(201)
                self.send_header("Content-Length", "0")
                self.end_headers()

            def log_message(self, *args):
                pass

        self.httpd = http.server.ThreadingHTTPServer(("127.0.0.1", STATS_PORT), Handler)
        self.thread = threading.Thread(target=self.httpd.serve_forever, daemon=True)
        self.thread.start()

    def take(self):
        records, self.records = self.records, []
        return records

    def close(self):
        self.httpd.shutdown()
        self.httpd.server_close()


def events(records):
    return [r["installer_event"]["event_type"] for r in records]


def last_page_record(records):
    pages = [r["installer_event"]["page_transitions"] for r in records
             if r["installer_event"]["event_type"] == "page_transition"]
    assert pages, "no page record reached the server: %s" % events(records)
    return pages[-1]


def scenario_statistics(prefixes, a):
    prefix = prefixes[0]
    installer = ui.place_installer(prefix, a)
    args = [arg for arg in ui.ARGS if not arg.startswith("--enable-installer-stats")]
    args += ["--enable-installer-stats=1", "--test-avro-srv"]
    server = StatisticsServer()
    try:
        code, _ = ui.run_with_window(prefix, installer, ["close", "wait-end"], args=args)
        assert code == 120, "closing the window: exit code %d" % code
        records = server.take()
        print("  server: %s" % events(records))
        last = last_page_record(records)
        assert last["page_type"] == -1 and last["navigation_action"] == "CANCEL", \
            "last page record of the closed window: %r" % last
        assert "installation_cancelled" in events(records), events(records)

        prefix.run("reg", "add", "HKCU\\Software\\Wine\\AppDefaults\\installer.exe", "/v",
                   "Version", "/d", "vista", "/f")
        code, _ = ui.run_with_window(prefix, installer,
                                     ["accept", "wait-error", "close", "wait-end"], args=args)
        assert code == 120, "closing the error page: exit code %d" % code
        records = server.take()
        print("  server: %s" % events(records))
        last = last_page_record(records)
        assert last["page_type"] == -1 and last["navigation_action"] == "CANCEL" and \
            last["failure_reason"] == UNSUPPORTED_DETAIL, \
            "last page record of the closed error page: %r" % last
        assert not server.problems, server.problems
    finally:
        server.close()


def scenario_typed_path(prefixes, a):
    prefix = prefixes[0]
    installer = ui.place_installer(prefix, a)
    # Wine records its devices on the first start of a program.
    prefix.run("cmd.exe", "/c", "exit")
    os.makedirs(os.path.dirname(prefix.unix(A_FILE)), exist_ok=True)
    with open(prefix.unix(A_FILE), "w", encoding="ascii") as f:
        f.write("not a folder")
    commands = ["alt:O", "alt:P"]
    for folder, problem in BAD_FOLDERS:
        commands += ["type:" + folder, "problem:" + problem]
    commands += ["type:" + TYPED_FOLDER, "problem:", "enter", "wait-end"]
    code, lines = ui.run_with_window(prefix, installer, commands)
    typed = [line[len("typed: "):] for line in lines if line.startswith("typed: ")]
    assert typed == [folder for folder, _ in BAD_FOLDERS] + [TYPED_FOLDER], \
        "the folder box shows %r" % typed
    assert code == 0, "the install through the window: exit code %d" % code
    status = os.path.join(prefix.unix(TYPED_FOLDER), "installation_status.json")
    assert os.path.exists(status), "nothing installed in the typed folder"
    assert not os.path.exists(prefix.unix(ui.FOLDER)), "installed in the folder given at start"


SCENARIOS = {
    "statistics": scenario_statistics,
    "typed_path": scenario_typed_path,
}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("scenario", choices=list(SCENARIOS))
    parser.add_argument("--build-dir", required=True)
    a = parser.parse_args()
    if a.scenario == "statistics":
        code = in_own_network()
        if code is not None:
            return code
    return ui.run_scenario(a.scenario, SCENARIOS[a.scenario], 1, a)


if __name__ == "__main__":
    sys.exit(main())

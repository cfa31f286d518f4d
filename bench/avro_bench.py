#!/usr/bin/env python3
"""The reference side of bench/avro_bench.sh: python3-avro encodes the same
mixed statistics records as bench_avro.exe, each behind the 5-byte schema-id
header, and prints the same "key: value" lines.
Usage: avro_bench.py [COUNT] [OS_VERSION]"""
import io
import os
import sys
import time
import uuid

import avro.io
import avro.schema


# The .avsc that the oracle test checks against the in-code schema tree.
SCHEMA_PATH = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "desktop", "windows",
                           "installer", "avro_stats", "oracle", "tarvo_desktop_installer.avsc")

NULL_EVENT_FIELDS = ("description", "result", "counter", "controller_launched_details",
                     "settings", "page_transitions", "fetch_details", "version_information")


def fetch_item(chunk):
    item = {k: None for k in ("redirected_url", "wininet_error", "chunk_end_time",
                              "response_too_long", "proxy_login_needed",
                              "proxy_login_result", "null_request_context")}
    item.update(chunk_start=chunk * 1048576, chunk_end=(chunk + 1) * 1048576 - 1,
                chunk_number=chunk, ip="127.0.0.1", http_status=206, retry_count=0,
                headers={"Content-Length": "1048576",
                         "Content-Type": "application/octet-stream", "Server": "bench"})
    return item


OS_VERSION = "10.0.19045.0"


def make_event(i):
    """The same records as bench/avro_bench.cc builds."""
    step = "step-%d" % (i % 40)
    event = {k: None for k in NULL_EVENT_FIELDS}
    kind = i % 6
    if kind == 0:
        event.update(event_type="installer_step_starting", description=step)
    elif kind == 1:
        event.update(event_type="installer_step_finished", description=step, counter=i % 7)
    elif kind == 2:
        event.update(event_type="controller_launched", controller_launched_details={
            "payload_type": "3", "tracking_data": "utm_source=mail&uuid=%d" % i,
            "run_immediately": i % 2 == 0, "autoupdate": False, "silent": True,
            "command_line": 'installer.exe --silent --installfolder="C:\\Program Files\\Tarvo"',
            "package_architecture": "x64"})
    elif kind == 3:
        event.update(event_type="fetching_primary_package",
                     description="https://download.tarvo.example/package-%d.7z" % i,
                     fetch_details=[fetch_item(0), fetch_item(1)])
    elif kind == 4:
        page = {n: None for n in (
            "changed_make_default_browser_counter", "changed_import_data_counter",
            "changed_enable_stats_counter", "changed_delete_profile_counter",
            "changed_install_mode_counter", "changed_install_path_counter",
            "edited_install_path_counter", "failure_reason", "error_displayed")}
        page.update(page_type=i % 5, navigation_action="next", changed_language_counter=1)
        event.update(event_type="page_transition", page_transitions=page)
    else:
        event.update(event_type="settings_accepted", settings={
            "make_default": True, "using_default_installation_folder": True,
            "installation_mode": 1, "installation_operation": 2,
            "using_privileged_installation_folder": False})
    event["message_session_id"] = i + 1
    event["diagnostic_data"] = {"dumped_messages_total": 0, "dumps_total": 0,
                                "messages_total": i + 1, "send_attempts_total": 0,
                                "successfully_sent_total": 0}
    now = int(time.time() * 1000)
    return {
        "QSPMessageUUID": str(uuid.uuid4()), "QSPSubmissionServerMetadata": None,
        "EventTimestamp": now, "SentTimestamp": now, "UTCOffset": 0,
        "context": {
            "application": {"name": None, "version": "64.0.3278.0", "stream": "developer"},
            "campaign": {"name": "spring", "source": "mail", "medium": None},
            "custom_campaign": None, "ipv6address": None, "locale": None,
            "osname": "Windows", "osversion": OS_VERSION, "referrer": None},
        "identifiers": {"network_installer_id": "installer-1",
                        "session_guid": "6f1c2a3b-0000-4000-8000-00000000beef"},
        "installer_event": event,
    }


def main():
    global OS_VERSION
    count = int(sys.argv[1]) if len(sys.argv) > 1 else 100000
    if len(sys.argv) > 2 and sys.argv[2]:
        OS_VERSION = sys.argv[2]
    parse = getattr(avro.schema, "parse", None) or avro.schema.Parse
    with open(SCHEMA_PATH, encoding="utf-8") as f:
        schema = parse(f.read())
    writer = avro.io.DatumWriter(schema)
    header = b"\x00" + (208).to_bytes(4, "big")
    total = 0
    start = time.perf_counter()
    for i in range(count):
        out = io.BytesIO()
        out.write(header)
        writer.write(make_event(i), avro.io.BinaryEncoder(out))
        total += len(out.getvalue())
    seconds = time.perf_counter() - start
    print("events: %d" % count)
    print("seconds: %.3f" % seconds)
    print("events_per_second: %.0f" % (count / seconds if seconds > 0 else 0))
    print("bytes_per_event: %.1f" % (total / count if count else 0))


if __name__ == "__main__":
    main()

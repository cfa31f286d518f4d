#!/usr/bin/env python3
"""The loopback server of bench/download_bench.sh: serves FILE at every path
with Range support, answering with sendfile so that the server is not what
limits either client. With --cut N the first answer of each "/cut" request
series stops after N bytes. Prints its port, then counts the body bytes it
sent into COUNT_FILE after every answer.
Usage: download_bench_server.py FILE COUNT_FILE [--cut N]"""
import os
import socket
import sys
import threading


def serve(connection, path, count_file, state):
    with connection:
        data = b""
        while b"\r\n\r\n" not in data:
            chunk = connection.recv(65536)
            if not chunk:
                return
            data += chunk
        head = data.split(b"\r\n\r\n", 1)[0].decode("latin-1")
        target = head.split(" ")[1]
        start = 0
        for line in head.split("\r\n")[1:]:
            name, _, value = line.partition(":")
            if name.strip().lower() == "range" and value.strip().startswith("bytes="):
                start = int(value.strip()[6:].split("-")[0])
        size = os.path.getsize(path)
        send = size - start
        status = "206 Partial Content" if start else "200 OK"
        extra = "Content-Range: bytes %d-%d/%d\r\n" % (start, size - 1, size) if start else ""
        with state["lock"]:
            if target.startswith("/cut") and not state["cut_done"]:
                state["cut_done"] = True
                send = min(send, state["cut"])
        connection.sendall(("HTTP/1.1 %s\r\nContent-Length: %d\r\n%sConnection: close\r\n\r\n"
                            % (status, size - start, extra)).encode())
        sent = 0
        with open(path, "rb") as f:
            while sent < send:
                done = connection.sendfile(f, start + sent, send - sent)
                if not done:
                    break
                sent += done
        with state["lock"]:
            state["sent"] += sent
            with open(count_file, "w") as out:
                out.write("%d\n" % state["sent"])


def main():
    path, count_file = sys.argv[1], sys.argv[2]
    cut = int(sys.argv[4]) if len(sys.argv) > 4 and sys.argv[3] == "--cut" else 0
    state = {"lock": threading.Lock(), "sent": 0, "cut": cut, "cut_done": False}
    listener = socket.socket()
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", 0))
    listener.listen(16)
    print(listener.getsockname()[1], flush=True)
    while True:
        connection, _ = listener.accept()
        threading.Thread(target=serve, args=(connection, path, count_file, state),
                         daemon=True).start()


if __name__ == "__main__":
    main()

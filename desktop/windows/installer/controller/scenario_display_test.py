#!/usr/bin/env python3
"""The scenarios' display keeps its state when its last client leaves.

An X server that resets then drops, or never answers, a client that
connects meanwhile: a Wine process of a scenario left waiting so never
ends. A reset also forgets every atom, which is what this checks: one
client names an atom and leaves, the display is left alone for a moment,
and the next client must still find the atom.
"""

import os
import select
import socket
import struct
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import silent_end_to_end_test as e2e  # noqa: E402

ATOM = b"TARVO_DISPLAY_PROBE"


def read_exactly(connection, size):
    data = b""
    deadline = time.monotonic() + 10
    while len(data) < size:
        if not select.select([connection], [], [], max(0, deadline - time.monotonic()))[0]:
            raise AssertionError("the display did not answer")
        chunk = connection.recv(size - len(data))
        if not chunk:
            raise AssertionError("the display closed the connection")
        data += chunk
    return data


def connect(display):
    """A client connection that has passed the connection set-up."""
    connection = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    connection.connect("\0/tmp/.X11-unix/X" + display.lstrip(":"))
    connection.sendall(struct.pack("<cxHHHHxx", b"l", 11, 0, 0, 0))
    head = read_exactly(connection, 8)
    assert head[0] == 1, "the display refused the connection"
    read_exactly(connection, 4 * struct.unpack_from("<H", head, 6)[0])
    return connection


def intern_atom(connection, only_if_exists):
    """The atom named ATOM; 0 when it does not exist and only_if_exists."""
    padded = ATOM + b"\0" * (-len(ATOM) % 4)
    connection.sendall(struct.pack("<BBHHxx", 16, int(only_if_exists), 2 + len(padded) // 4,
                                   len(ATOM)) + padded)
    reply = read_exactly(connection, 32)
    assert reply[0] == 1, "InternAtom failed: %r" % reply[:2]
    return struct.unpack_from("<I", reply, 8)[0]


def main():
    xvfb, display = e2e.start_display()
    try:
        first = connect(display)
        atom = intern_atom(first, only_if_exists=False)
        first.close()
        # Long enough for the display to see that its last client left.
        time.sleep(1)
        second = connect(display)
        found = intern_atom(second, only_if_exists=True)
        second.close()
        assert found == atom, "the display reset once its last client left (atom %d, then %d)" % (
            atom, found)
        print("display never resets: passed")
        return 0
    finally:
        xvfb.terminate()
        xvfb.wait()


if __name__ == "__main__":
    sys.exit(main())

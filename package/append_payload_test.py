#!/usr/bin/env python3
"""Checks append_payload.py on the built installer (run by CTest)."""

import argparse
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import append_payload  # noqa: E402

ARGS = None


def read(path):
    with open(path, "rb") as f:
        return f.read()


def payload_ending_at(data, end):
    """The payload whose length field ends at `end`, or None."""
    (length,) = struct.unpack_from("<i", data, end - 4)
    start = end - 4 - length
    if length < 0 or start < 3 or data[start - 3:start] != b"TRV":
        return None
    return data[start:end - 4]


class AppendPayloadTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.temp = tempfile.mkdtemp(prefix="append_payload_test_")
        cls.pki = ARGS.pki_dir
        cls.package = read(ARGS.package)
        cls.image = read(ARGS.installer)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.temp, ignore_errors=True)

    def make(self, name, sign_mode, payload):
        out = os.path.join(self.temp, name)
        append_payload.append(ARGS.installer, payload, out, sign_mode, self.pki)
        return out, read(out)

    def verify(self, path):
        return subprocess.run(["osslsigncode", "verify", "-in", path, "-CAfile",
                               os.path.join(self.pki, "root.pem")],
                              stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=60)

    def test_unsigned_payload_ends_the_file(self):
        _, data = self.make("plain.exe", "none", self.package)
        self.assertEqual(self.image, data[:len(self.image)])
        self.assertEqual(self.package, payload_ending_at(data, len(data)))
        self.assertEqual((0, 0), append_payload.security_directory(data))

    def test_covered_payload_ends_right_before_the_aligned_table(self):
        # Lengths that need every amount of padding.
        for extra in range(8):
            path, data = self.make("covered%d.exe" % extra, "covered", b"t" * (10 + extra))
            offset, size = append_payload.security_directory(data)
            self.assertNotEqual(0, size)
            self.assertEqual(0, offset % 8)
            self.assertEqual(len(data), offset + size)
            self.assertEqual(b"t" * (10 + extra), payload_ending_at(data, offset))
            self.assertEqual(0, self.verify(path).returncode, self.verify(path).stdout)

    def test_signed_then_appended_follows_the_table(self):
        _, data = self.make("after.exe", "after", b"campaign=x")
        offset, size = append_payload.security_directory(data)
        self.assertEqual(offset + size + len(b"TRVcampaign=x") + 4, len(data))
        self.assertEqual(b"campaign=x", payload_ending_at(data, len(data)))

    def test_refusals(self):
        signed, _ = self.make("signed.exe", "covered", b"x")
        with self.assertRaises(append_payload.PayloadError):
            append_payload.append(signed, b"y", os.path.join(self.temp, "twice.exe"), "none")
        with self.assertRaises(append_payload.PayloadError):
            append_payload.append(ARGS.installer, b"y", os.path.join(self.temp, "n.exe"), "covered")
        self.assertFalse(os.path.exists(os.path.join(self.temp, "n.exe")))


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument("--installer", required=True)
    parser.add_argument("--package", required=True)
    parser.add_argument("--pki-dir", required=True)
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0]] + rest)


if __name__ == "__main__":
    main()

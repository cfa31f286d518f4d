#!/usr/bin/env python3
"""Checks build_package.py against the built programs (run by CTest)."""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import build_package  # noqa: E402

ARGS = None


def archive_listing(path):
    """{entry path with "\\" separators: method} of a 7z archive's files."""
    out = subprocess.run(["7z", "l", "-slt", path], stdout=subprocess.PIPE, check=True,
                         timeout=60).stdout.decode()
    entries, current = {}, {}
    # Entries follow the "----------" line; before it the archive itself.
    body = out.split("\n----------\n", 1)[1]
    for line in body.splitlines() + [""]:
        if not line.strip():
            directory = current.get("Folder") == "+" or current.get("Attributes", "").startswith("D")
            if "Path" in current and not directory:
                entries[current["Path"].replace("/", "\\")] = current.get("Method", "")
            current = {}
        elif " = " in line:
            key, value = line.split(" = ", 1)
            current[key] = value
    return entries


def read_lines(path):
    with open(path, "rb") as f:
        data = f.read()
    assert data == b"" or data.endswith(b"\r\n"), "last line without \\r\\n: %r" % data
    return [line.decode("utf-8") for line in data.split(b"\r\n")[:-1]]


class BuildPackageTest(unittest.TestCase):
    def setUp(self):
        self.temp = tempfile.mkdtemp(prefix="package_test_")
        self.out = os.path.join(self.temp, "package")

    def tearDown(self):
        shutil.rmtree(self.temp, ignore_errors=True)

    def build(self, version=None, stream=None, out=None):
        build_package.build(ARGS.bin_dir, ARGS.programs_dir, out or self.out, ARGS.browser_exe,
                            version or ARGS.version, stream or ARGS.stream)

    def test_package_folder_layout(self):
        self.build()
        self.assertEqual(sorted(os.listdir(self.out)),
                         ["files_list", "package_version", "root_files_list", "tarvo_package"])
        with open(os.path.join(self.out, "package_version"), "rb") as f:
            self.assertEqual(ARGS.version.encode(), f.read())

        files = read_lines(os.path.join(self.out, "files_list"))
        roots = read_lines(os.path.join(self.out, "root_files_list"))
        self.assertTrue(all("/" not in p for p in files + roots))
        self.assertIn("installer.exe", files)
        # The engine always travels with installer.exe.
        self.assertIn("installer_engine.dll", files)
        self.assertIn(ARGS.browser_exe, files)
        self.assertIn("resources\\en.txt", files)
        # The launcher has its own installation step: in no list.
        self.assertNotIn("launcher.exe", files + roots)
        self.assertFalse(set(files) & set(roots))

        entries = archive_listing(os.path.join(self.out, "tarvo_package"))
        self.assertEqual(set(entries),
                         set(files) | set(roots) | {"launcher.exe", "files_list", "root_files_list"})
        for name, method in entries.items():
            self.assertIn("LZMA2", method, name)
        self.assertIn("BCJ", entries["installer.exe"])

    def test_lists_inside_the_archive_match_the_folder(self):
        self.build()
        unpacked = os.path.join(self.temp, "unpacked")
        subprocess.run(["7z", "x", "-y", "-bd", "-o" + unpacked,
                        os.path.join(self.out, "tarvo_package")],
                       stdout=subprocess.DEVNULL, check=True, timeout=60)
        for name in ("files_list", "root_files_list"):
            with open(os.path.join(unpacked, name), "rb") as inside, \
                    open(os.path.join(self.out, name), "rb") as beside:
                self.assertEqual(inside.read(), beside.read(), name)

    # "7z a" adds to an existing archive: a rebuild must not keep old entries.
    def test_rebuild_replaces_the_archive(self):
        self.build()
        first = archive_listing(os.path.join(self.out, "tarvo_package"))
        with open(os.path.join(self.out, "tarvo_package"), "ab") as f:
            f.write(b"junk")
        self.build()
        self.assertEqual(first, archive_listing(os.path.join(self.out, "tarvo_package")))

    def test_refusal_leaves_the_previous_package_untouched(self):
        self.build()
        before = {}
        for name in os.listdir(self.out):
            with open(os.path.join(self.out, name), "rb") as f:
                before[name] = f.read()
        with self.assertRaises(build_package.BuildError):
            self.build(stream="stable")  # the programs say otherwise
        with self.assertRaises(build_package.BuildError):
            self.build(version="51.0.2803.0")
        with self.assertRaises(build_package.BuildError):
            self.build(version="51.0.2802")
        after = {}
        for name in os.listdir(self.out):
            with open(os.path.join(self.out, name), "rb") as f:
                after[name] = f.read()
        self.assertEqual(before, after)

    def test_missing_program_is_refused(self):
        bin_copy = os.path.join(self.temp, "bin")
        os.makedirs(bin_copy)
        shutil.copy(os.path.join(ARGS.bin_dir, "installer.exe"), bin_copy)
        with self.assertRaisesRegex(build_package.BuildError, "installer_engine.dll"):
            build_package.build(bin_copy, ARGS.programs_dir, self.out, ARGS.browser_exe,
                                ARGS.version, ARGS.stream)
        self.assertFalse(os.path.exists(os.path.join(self.out, "tarvo_package")))


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--bin-dir", required=True)
    parser.add_argument("--programs-dir", required=True)
    parser.add_argument("--browser-exe", default="tarvo.exe")
    parser.add_argument("--version", default="51.0.2802.0")
    parser.add_argument("--stream", default="developer")
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0]] + rest)

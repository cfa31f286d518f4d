#!/usr/bin/env python3
"""Builds a browser package folder for the installer's tests.

The folder holds:
  tarvo_package    7z archive (BCJ + LZMA2) of one versioned installation
  package_version  the package's full version, no line end
  files_list       files of the versioned folder, one per line
  root_files_list  files that move up into the installation's root folder

List format: relative paths with "\\" separators, UTF-8, each line ending in
"\\r\\n" (the installer appends further names to files_list as they are).

What goes where:
  - files_list: installer.exe, the engine DLL, the browser, the pinning
    helpers, the component installer and resources\\en.txt;
  - root_files_list: launcher.visualelementsmanifest.xml, a file the shell
    reads from beside the launcher;
  - launcher.exe is in the archive but in neither list: the installer copies
    it to the root folder with a step of its own.
Both list files travel inside the archive too, as the installer reads them
from the unpacked versioned folder.
"""

import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import pe_version  # noqa: E402

ROOT_FILES = ["launcher.visualelementsmanifest.xml"]

VISUAL_ELEMENTS = """<Application xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance">
  <VisualElements ShowNameOnSquare150x150Logo="on" ForegroundText="light" BackgroundColor="#2f80ed"/>
</Application>
"""

RESOURCE_TEXT = "en: test package resource\n"


# LZMA2 starts a new, independently decodable block every this many bytes,
# so that the installer unpacks a package on several threads. Smaller
# blocks decode in parallel sooner but compress worse: on 630 MB of PE
# files, 32 MiB blocks make the archive 4 % larger than 7-Zip's own choice
# at -mx=5 (128 MiB blocks), 16 MiB blocks 10 % and 64 MiB blocks 1 %
# (bench/extract_bench.sh measures it).
LZMA2_BLOCK_SIZE = "32m"


def archive_switches(block_size=LZMA2_BLOCK_SIZE):
    """The 7z switches that pack a package archive: the x86 filter, then
    LZMA2 in blocks of `block_size` (a 7z size text such as "16m"; None for
    7-Zip's own choice)."""
    lzma2 = "-m1=LZMA2" + (":c=" + block_size if block_size else "")
    return ["-t7z", "-m0=BCJ", lzma2, "-mx=5"]


class BuildError(Exception):
    pass


def list_text(paths):
    return "".join(p.replace("/", "\\") + "\r\n" for p in paths)


def check_version_text(version):
    if not re.fullmatch(r"\d+\.\d+\.\d+\.\d+", version):
        raise BuildError("--version must be four dot-separated numbers: %r" % version)


def check_program(path, version, stream):
    """The programs must carry the version and stream that the package claims."""
    try:
        values = pe_version.read_string_values(path).get("000004B0", {})
    except (OSError, pe_version.PeError) as e:
        raise BuildError("%s: %s" % (path, e))
    if version is not None and values.get("ProductVersion") != version:
        raise BuildError("%s: ProductVersion %r, package version %r" %
                         (path, values.get("ProductVersion"), version))
    if values.get("Stream") != stream:
        raise BuildError("%s: Stream %r, package stream %r" % (path, values.get("Stream"), stream))


def build(bin_dir, programs_dir, out_dir, browser_exe, version, stream, seven_zip="7z"):
    check_version_text(version)
    sources = {
        "installer.exe": os.path.join(bin_dir, "installer.exe"),
        "installer_engine.dll": os.path.join(bin_dir, "installer_engine.dll"),
    }
    programs = [browser_exe, "launcher.exe", "installer_helper.exe", "installer_helper_64.exe",
                "assistant_installer.exe"]
    for name in programs:
        sources[name] = os.path.join(programs_dir, name)
    for name, path in sources.items():
        if not os.path.isfile(path):
            raise BuildError("missing %s (%s)" % (name, path))
    for name in programs:
        check_program(sources[name], version, stream)
    check_program(sources["installer.exe"], None, stream)

    files = ["installer.exe", "installer_engine.dll", browser_exe, "installer_helper.exe",
             "installer_helper_64.exe", "assistant_installer.exe", "resources/en.txt"]

    os.makedirs(out_dir, exist_ok=True)
    with tempfile.TemporaryDirectory(prefix="package_", dir=out_dir) as staging:
        tree = os.path.join(staging, "tree")
        os.makedirs(os.path.join(tree, "resources"))
        for name, path in sources.items():
            shutil.copyfile(path, os.path.join(tree, name))
        with open(os.path.join(tree, "resources", "en.txt"), "w", encoding="utf-8") as f:
            f.write(RESOURCE_TEXT)
        with open(os.path.join(tree, ROOT_FILES[0]), "w", encoding="utf-8") as f:
            f.write(VISUAL_ELEMENTS)
        lists = {"files_list": list_text(files), "root_files_list": list_text(ROOT_FILES)}
        for name, text in lists.items():
            with open(os.path.join(tree, name), "w", encoding="utf-8", newline="") as f:
                f.write(text)

        archive = os.path.join(staging, "tarvo_package.7z")
        entries = files + ROOT_FILES + ["launcher.exe", "files_list", "root_files_list"]
        # "7z a" adds to an existing archive, so always into a fresh file.
        command = [seven_zip, "a"] + archive_switches() + ["-bd", "-y", archive] + entries
        result = subprocess.run(command, cwd=tree, stdout=subprocess.PIPE,
                                stderr=subprocess.STDOUT, timeout=300)
        if result.returncode != 0:
            raise BuildError("7z failed (%d):\n%s" % (result.returncode,
                                                      result.stdout.decode(errors="replace")))

        # Replace the old package only once the new one is complete.
        outputs = {"tarvo_package": archive}
        for name, text in list(lists.items()) + [("package_version", version)]:
            path = os.path.join(staging, name)
            with open(path, "w", encoding="utf-8", newline="") as f:
                f.write(text)
            outputs[name] = path
        for name, path in outputs.items():
            os.replace(path, os.path.join(out_dir, name))


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--bin-dir", required=True,
                        help="folder with installer.exe and installer_engine.dll")
    parser.add_argument("--programs-dir",
                        help="folder with the package programs (default: ../package_programs)")
    parser.add_argument("--out-dir", required=True, help="the package folder to write")
    parser.add_argument("--browser-exe", default="tarvo.exe")
    parser.add_argument("--version", default="51.0.2802.0")
    parser.add_argument("--stream", default="developer")
    args = parser.parse_args()
    programs_dir = args.programs_dir or os.path.join(args.bin_dir, os.pardir, "package_programs")
    try:
        build(args.bin_dir, programs_dir, args.out_dir, args.browser_exe, args.version, args.stream)
    except BuildError as e:
        print("build_package: %s" % e, file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""Damaged installers, full drives and runs killed half way, end to end: the
real installer.exe and engine under Wine, each scenario in a fresh Wine
prefix of its own (the helpers of silent_end_to_end_test.py).

  recovery_end_to_end_test.py SCENARIO --build-dir B --packages-dir D
"""

import argparse
import os
import re
import resource
import shutil
import signal
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import silent_end_to_end_test as e2e  # noqa: E402

FOLDER = "C:\\e2e\\Tarvo"
ARGS = ["--allusers=0", "--installfolder=" + FOLDER]
# A damaged installer ends at once; a web install would retry for minutes.
QUICK_RUN_SECONDS = 120


def run(prefix, exe, *args, env=None, timeout=240, preexec_fn=None):
    """Runs a Windows program to its end and waits for the wineserver."""
    result = subprocess.run([e2e.WINE, exe, *args], env=env or prefix.env, timeout=timeout,
                            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL, check=False, preexec_fn=preexec_fn)
    prefix.wait()
    return result.returncode


def engine_beside(prefix, name, exe, engine_dir):
    path = e2e.installer_dir(prefix, name, exe)
    shutil.copy(os.path.join(engine_dir, "installer_engine.dll"), os.path.dirname(path))
    return path


def payload_start(host, whole):
    """Where the appended tail ("TRV", package, length) begins."""
    with open(host, "rb") as f:
        image = f.read()
    with open(whole, "rb") as f:
        data = f.read()
    assert data.startswith(image) and data[len(image):len(image) + 3] == b"TRV", \
        "the full-package installer is not the host with a tail appended"
    return len(image), data


def scenario_truncated_installer(prefix, a):
    """An installer cut anywhere in its payload (the magic, the package, the
    length field) is a corrupted payload: 118 at once, and the machine is as
    it was (no installation folder, no last-path value)."""
    start, data = payload_start(os.path.join(a.build_dir, "bin", "installer.exe"), a.v1)
    folder = os.path.join(prefix.root, "cut")
    os.makedirs(folder)
    shutil.copy(os.path.join(a.engine_v1, "installer_engine.dll"), folder)
    exe = os.path.join(folder, "installer.exe")
    run(prefix, "cmd.exe", "/c", "exit")
    before = e2e.snapshot(prefix)
    for what, size in (("in the magic", start + 2), ("in the package", (start + len(data)) // 2),
                       ("in the length field", len(data) - 2)):
        with open(exe, "wb") as f:
            f.write(data[:size])
        seen = set(prefix.logs())
        try:
            code = run(prefix, exe, "--silent", *e2e.QUIET, *ARGS, timeout=QUICK_RUN_SECONDS)
        except subprocess.TimeoutExpired:
            raise AssertionError("cut %s: still running after %d s (a web install?)"
                                 % (what, QUICK_RUN_SECONDS))
        e2e.check_code(prefix, seen, code, 118, "installer cut " + what)
        changes = e2e.diff(before, e2e.snapshot(prefix))
        assert not changes, "cut %s left:\n  %s" % (what, "\n  ".join(changes[:40]))
        print("cut %s: exit code 118, nothing left" % what)


def work_folders(prefix, exe_folder):
    """Every "Tarvo Installer" folder a run may have made, with its files."""
    found = {}
    roots = [prefix.c, exe_folder, os.path.join(prefix.root, "home")]
    for root in roots:
        for path, dirs, files in os.walk(root):
            if os.path.basename(path) == "Tarvo Installer":
                found[path] = sorted(files)
    return found


def scenario_full_drive(prefix, a):
    """Every file write fails past 64 KB, as on a full drive: the run ends
    with a failure and leaves no partial copy of the installer or its engine
    in any work folder it tried."""
    exe = engine_beside(prefix, "v1", a.v1, a.engine_v1)
    # The wineserver and Wine's own programs run without the limit: they
    # keep the registry, which the limit would cut on its way to disk.
    subprocess.run([e2e.WINESERVER, "-p30"], env=prefix.env, check=False)
    subprocess.run([e2e.WINE, "cmd.exe", "/c", "exit"], env=prefix.env, timeout=120,
                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def full_drive():
        signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
        resource.setrlimit(resource.RLIMIT_FSIZE, (64 * 1024, 64 * 1024))

    result = subprocess.run([e2e.WINE, exe, "--silent", *e2e.QUIET, *ARGS], env=prefix.env,
                            timeout=240, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL, check=False, preexec_fn=full_drive)
    subprocess.run([e2e.WINESERVER, "-k"], env=prefix.env, check=False)
    prefix.wait()
    assert result.returncode != 0, "a run on a full drive reported success"
    left = {path: [f for f in files if not f.endswith(".log")]
            for path, files in work_folders(prefix, os.path.dirname(exe)).items()}
    partial = {path: files for path, files in left.items() if files}
    assert not partial, "partial copies left behind: %s" % partial
    print("exit code %d; work folders: %s" % (result.returncode, sorted(left)))


SCENARIOS = {
    "truncated_installer": scenario_truncated_installer,
    "full_drive": scenario_full_drive,
}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("what", choices=list(SCENARIOS))
    parser.add_argument("--build-dir", required=True)
    parser.add_argument("--packages-dir")
    a = parser.parse_args()
    a.v1 = os.path.join(a.build_dir, "payload_installers", "full_package.exe")
    a.engine_v1 = os.path.join(a.build_dir, "bin")
    root = tempfile.mkdtemp(prefix="tarvo-e2e-%s-" % a.what)
    prefix = e2e.Prefix(root)
    try:
        SCENARIOS[a.what](prefix, a)
        print("%s: passed" % a.what)
        return 0
    except e2e.Skip as stop:
        print("SKIPPED: " + str(stop))
        return e2e.SKIP
    except BaseException:
        e2e.print_log_ends(prefix)
        raise
    finally:
        prefix.close()
        shutil.rmtree(root, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())

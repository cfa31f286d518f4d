#!/usr/bin/env python3
"""Silent installations end to end where another process or the user's
spelling of the folder tries to get in the way: a process of the user that
forges installer messages, two installers of one folder started together
in two letter cases, folders spelt with "/" or doubled separators, and
folders too long for what the installation makes of them. Each scenario
runs in a fresh Wine prefix of its own (the helpers of
silent_end_to_end_test.py).

  trust_end_to_end_test.py SCENARIO --build-dir B
"""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from silent_end_to_end_test import (  # noqa: E402
    QUIET, SKIP, WINE, Prefix, Skip, check_code, installer_dir, print_log_ends)


def new_log_text(prefix, seen):
    return "".join(open(log, encoding="utf-8", errors="replace").read()
                   for log in prefix.logs() if log not in seen)


def copy_installer(prefix, a):
    path = installer_dir(prefix, "v1", a.v1)
    shutil.copy(os.path.join(a.build_dir, "bin", "installer_engine.dll"), os.path.dirname(path))
    return path


def scenario_forged_success(prefix, a):
    """Another process of the user writes forged successes and errors with
    code 0 into the installation's mailslot all along a silent install whose
    last step fails: the run still fails, and the forged messages are
    dropped and counted."""
    folder = "C:\\e2e\\Tarvo"
    path = copy_installer(prefix, a)
    forger = subprocess.Popen(
        [WINE, os.path.join(a.build_dir, "bin", "installer_unittests.exe"),
         "--test-child-role=forge_installer_messages",
         "--mailslot=tarvo_installer\\" + folder, "--seconds=120"],
        env=prefix.env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
        stderr=subprocess.DEVNULL)
    try:
        seen = set(prefix.logs())
        env = dict(prefix.env, TARVO_INSTALLER_TEST_FAIL_STEP="finalize")
        code = subprocess.run([WINE, path, "--silent", *QUIET, "--allusers=0",
                               "--installfolder=" + folder], env=env, timeout=240,
                              stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL, check=False).returncode
    finally:
        forger.terminate()
        forger.wait()
    logs = new_log_text(prefix, seen)
    assert code != 0, "a forged message ended the failed run as a success"
    if "Step finalize was told to fail" not in logs:
        check_code(prefix, seen, code, -1, "install")
    assert "Dropped an installer message without the run's secret" in logs, \
        "no forged message reached the mailslot"
    print("failed with exit code %d; forged messages dropped" % code)


SCENARIOS = {
    "forged_success": scenario_forged_success,
}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("what", choices=list(SCENARIOS))
    parser.add_argument("--build-dir", required=True)
    a = parser.parse_args()
    a.v1 = os.path.join(a.build_dir, "payload_installers", "full_package.exe")
    root = tempfile.mkdtemp(prefix="tarvo-trust-%s-" % a.what)
    prefix = Prefix(root)
    try:
        SCENARIOS[a.what](prefix, a)
        print("%s: passed" % a.what)
        return 0
    except Skip as stop:
        print("SKIPPED: " + str(stop))
        return SKIP
    except BaseException:
        print_log_ends(prefix)
        raise
    finally:
        prefix.close()
        shutil.rmtree(root, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""Silent installations end to end where another process or the user's
spelling of the folder tries to get in the way: a process of the user that
forges installer messages, holds the run's mutex or mailslot, asks for a
folder grant or ends the backend with 0, a folder of the user's with a
planted journal and a link in it, preferences that name another folder
as the profile to delete, two installers of one folder started
together in two letter cases, folders spelt with "/" or doubled
separators, and folders too long for what the installation makes of
them. Each scenario
runs in a fresh Wine prefix of its own (the helpers of
silent_end_to_end_test.py).

  trust_end_to_end_test.py SCENARIO --build-dir B
"""

import datetime
import json
import os
import re
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from download_end_to_end_test import HostileServer  # noqa: E402
from silent_end_to_end_test import (  # noqa: E402
    QUIET, V1, WINE, check_code, installer_dir, main_of_scenarios, snapshot)


def new_log_text(prefix, seen):
    return "".join(open(log, encoding="utf-8", errors="replace").read()
                   for log in prefix.logs() if log not in seen)


def copy_installer(prefix, a):
    path = installer_dir(prefix, "v1", a.v1)
    shutil.copy(os.path.join(a.build_dir, "bin", "installer_engine.dll"), os.path.dirname(path))
    return path


def start_peer(prefix, a, role, *args):
    """Another process of the user: the test executable in `role` (see
    controller/test_support/trust_peer_roles.cc), its output readable."""
    return subprocess.Popen(
        [WINE, os.path.join(a.build_dir, "bin", "installer_unittests.exe"),
         "--test-child-role=" + role, *args], env=prefix.env, stdin=subprocess.DEVNULL,
        stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def scenario_forged_success(prefix, a):
    """Another process of the user writes forged messages into the
    installation's mailslot all along two silent installs (a success, an
    error 3, and another installer process starting and returning), without
    a secret and with one of its own: an install whose last step fails
    still fails at that step, a complete one still succeeds and installs,
    and every forged message is dropped and counted."""
    folder = "C:\\e2e\\Tarvo"
    path = copy_installer(prefix, a)
    for failing in (True, False):
        # One forger for each install: under Wine a mailslot whose server
        # has gone lives on while a client handle is open, and the next run
        # could not make its own.
        forger = start_peer(prefix, a, "forge_installer_messages",
                            "--mailslot=tarvo_installer\\" + folder, "--seconds=240")
        try:
            seen = set(prefix.logs())
            env = dict(prefix.env, TARVO_INSTALLER_TEST_FAIL_STEP="finalize") if failing \
                else prefix.env
            code = subprocess.run([WINE, path, "--silent", *QUIET, "--allusers=0",
                                   "--installfolder=" + folder], env=env, timeout=240,
                                  stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                  stderr=subprocess.DEVNULL, check=False).returncode
        finally:
            forger.terminate()
            forger.wait()
        logs = new_log_text(prefix, seen)
        if failing:
            assert code != 0, "a forged message ended the failed run as a success"
            if "Step finalize was told to fail" not in logs:
                check_code(prefix, seen, code, -1, "install up to the failing step")
        else:
            check_code(prefix, seen, code, 0, "complete install among forged messages")
            assert os.path.exists(os.path.join(prefix.unix(folder), "launcher.exe")), \
                "the complete install installed nothing"
        assert "Dropped an installer message without the run's secret" in logs, \
            "no forged message reached the mailslot"
        print("%s install: exit code %d; forged messages dropped"
              % ("failing" if failing else "complete", code))
        # A failed run's backends still roll back after it has ended.
        deadline = time.monotonic() + 120
        while any("installer.exe" in line.lower() for line in prefix.live_processes()):
            assert time.monotonic() < deadline, "the failed run's backends never ended"
            time.sleep(0.2)


def start_install(prefix, path, folder, env=None):
    return subprocess.Popen([WINE, path, "--silent", *QUIET, "--allusers=0",
                             "--installfolder=" + folder], env=env or prefix.env,
                            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL)


def wait_for_log_line(prefix, seen, text, limit=120):
    deadline = time.monotonic() + limit
    while time.monotonic() < deadline:
        if text in new_log_text(prefix, seen):
            return
        time.sleep(0.2)
    raise AssertionError("no log said %r within %d s" % (text, limit))


def main_process_runs(prefix, seen):
    """(start, end, took the mutex) of every main process that logged since
    `seen`: its log's name holds its start, its last change is its end."""
    runs = []
    for log in prefix.logs():
        if log in seen:
            continue
        text = open(log, encoding="utf-8", errors="replace").read()
        if "Installer mutex name: " not in text:
            continue
        stamp = re.search(r"_(\d{17})\.log$", log).group(1)
        start = datetime.datetime.strptime(stamp[:14], "%Y%m%d%H%M%S").timestamp() + \
            int(stamp[14:]) / 1000.0
        runs.append((start, os.path.getmtime(log),
                     "Could not acquire installer mutex" not in text))
    return runs


def unix_path(prefix, folder):
    """Where a folder lies below the prefix, its letters as on disk: Wine
    finds names whatever their case, the Unix file system does not."""
    path = prefix.c
    for part in folder[3:].split("\\"):
        found = [name for name in os.listdir(path) if name.lower() == part.lower()] \
            if os.path.isdir(path) else []
        path = os.path.join(path, found[0] if found else part)
    return path


def check_installed(prefix, folder):
    root = unix_path(prefix, folder)
    with open(os.path.join(root, "installation_status.json"), encoding="utf-8") as f:
        status = json.load(f)
    assert status["path"].lower() == folder.lower(), \
        "status path %r, not %r" % (status["path"], folder)
    versioned = os.path.join(root, status["_subfolder"])
    for name in ("tarvo.exe", "installer.exe"):
        assert os.path.exists(os.path.join(versioned, name)), "%s missing" % name
    # The package was unpacked once, beside the installer that unpacked it,
    # never into its own folder.
    assert not os.path.exists(os.path.join(versioned, status["_subfolder"])), \
        "the package was unpacked again inside %s" % versioned
    return status


def scenario_case_twins(prefix, a):
    """Two installers of one folder spelt in two letter cases: while one
    runs (held at a step that keeps asking for retries) the other is refused
    with 112 at once; started together, repeatedly, never do two runs hold
    the folder at the same time, and the installation they leave is whole."""
    path = copy_installer(prefix, a)
    first, second = "C:\\Tarvo2", "c:\\TARVO2"
    seen = set(prefix.logs())
    slow = start_install(prefix, path, first,
                         dict(prefix.env, TARVO_INSTALLER_TEST_RETRY_STEP="setup_registry"))
    try:
        wait_for_log_line(prefix, seen, "Retrying step setup_registry")
        code = start_install(prefix, path, second).wait(timeout=240)
        check_code(prefix, seen, code, 112, "the second installer of the folder")
    finally:
        slow_code = slow.wait(timeout=240)
    prefix.wait()
    assert slow_code != 0, "the step that never stopped retrying succeeded"
    assert not os.path.exists(unix_path(prefix, first)), "the failed run left the folder"
    for round_number in (1, 2):
        seen = set(prefix.logs())
        runs = [start_install(prefix, path, first), start_install(prefix, path, second)]
        codes = [run.wait(timeout=240) for run in runs]
        prefix.wait()
        assert all(code in (0, 112) for code in codes) and 0 in codes, \
            "round %d: exit codes %s" % (round_number, codes)
        holders = sorted(run for run in main_process_runs(prefix, seen) if run[2])
        for earlier, later in zip(holders, holders[1:]):
            assert later[0] >= earlier[1] - 0.5, \
                "round %d: two runs held the folder at once: %s" % (round_number, holders)
        check_installed(prefix, "C:\\Tarvo2")
        print("round %d: exit codes %s" % (round_number, codes))


def scenario_odd_spellings(prefix, a):
    """A folder written with "/" or a doubled separator installs into the
    folder it names, once, and every record names it in its one form."""
    path = copy_installer(prefix, a)
    for spelling, folder in (("C:/fz/forward", "C:\\fz\\forward"),
                             ("C:\\fz/mixed", "C:\\fz\\mixed"),
                             ("C:\\fz\\\\double\\", "C:\\fz\\double")):
        seen = set(prefix.logs())
        code = prefix.run(path, "--silent", *QUIET, "--allusers=0", "--installfolder=" + spelling)
        check_code(prefix, seen, code, 0, "install into " + spelling)
        status = check_installed(prefix, folder)
        assert status["path"] == folder, "status path %r, not %r" % (status["path"], folder)
        assert status["_subfolder"] == V1, status["_subfolder"]
        entries = os.listdir(unix_path(prefix, folder))
        assert [e for e in entries if e.startswith(V1)] == [V1], entries


def scenario_long_folders(prefix, a):
    """The longest folder the installation fits in installs; one character
    more, and the lengths that used to pass validation and then fail, are
    refused up front with 103, leaving nothing behind."""
    path = copy_installer(prefix, a)
    limit = 259 - (1 + len(V1) + 4 + 1 + 32 + 15)
    base = "C:\\long\\"
    for length, expect in ((limit + 1, 103), (234, 103), (247, 103), (248, 103), (limit, 0)):
        folder = base + "a" * (length - len(base))
        assert len(folder) == length
        seen = set(prefix.logs())
        code = prefix.run(path, "--silent", *QUIET, "--allusers=0", "--installfolder=" + folder)
        check_code(prefix, seen, code, expect, "install into a folder of %d characters" % length)
        if expect == 0:
            check_installed(prefix, folder)
        else:
            assert not os.path.exists(prefix.unix(folder)), "a refused folder was made"
        print("%d characters: exit code %d" % (length, code))


def scenario_peer_objects(prefix, a):
    """Other processes of the user hold what a run needs, or ask for a
    grant. An installer of an earlier version holding the mutex under the
    folder as spelt excludes the run (112). A mailslot of the folder's name
    made first by another process ends the run with 101 before any backend
    starts, and that process gets nothing. A folder-permission helper asked
    for a grant that names no requester holds it, and ends with the process
    that started it."""
    path = copy_installer(prefix, a)
    until = "C:\\e2e\\peers_done"
    for what, held, folder, expect in (
            ("the mutex under the folder as spelt", "--mutex=Global\\Tarvo/Installer/C:/mutex_typed",
             "C:\\mutex_typed", 112),
            ("the mailslot", "--mailslot=tarvo_installer\\C:\\squatted", "C:\\squatted", 101)):
        holder = start_peer(prefix, a, "hold_named_objects", held, "--until=" + until)
        try:
            assert holder.stdout.readline().strip() == "holding", "the peer holds nothing"
            seen = set(prefix.logs())
            # The peer runs on: the prefix is not waited for.
            code = start_install(prefix, path, folder).wait(timeout=240)
            check_code(prefix, seen, code, expect, "an installer while a peer holds " + what)
            assert "launching installer backend" not in new_log_text(prefix, seen), \
                "a backend started while a peer held " + what
            os.makedirs(prefix.unix("C:\\e2e"), exist_ok=True)
            open(prefix.unix(until), "w").close()
            said = holder.communicate(timeout=30)[0].strip()
            assert said == "received 0", "the peer holding %s: %s" % (what, said)
        finally:
            holder.kill()
            holder.wait()
        os.remove(prefix.unix(until))
    print("excluded by the mutex as spelt; ended by a taken mailslot")

    grant = start_peer(prefix, a, "request_folder_grant", "--installer=" + windows_path(path),
                       "--folder=C:\\granted")
    said = grant.communicate(timeout=120)[0].strip()
    assert grant.returncode == 0, "asking for the grant: %s" % said
    deadline = time.monotonic() + 30
    while any("set-folder-permission" in line for line in prefix.live_processes()):
        assert time.monotonic() < deadline, "the helper outlived the process that started it"
        time.sleep(0.2)
    print("the grant was held, and ended with its starter")


def scenario_backend_ended_with_zero(prefix, a):
    """Another process of the user ends a backend from outside with exit
    code 0: the first backend of the run that carries its package, the
    package's installer that backend hands over to, and the backend of a
    run that downloads its package. Each run fails as unfinished (120), and
    no installation is recorded."""
    net = os.path.join(prefix.root, "net")
    os.makedirs(net)
    for name in ("installer.exe", "installer_engine.dll"):
        shutil.copy(os.path.join(a.build_dir, "bin", name), net)
    carried = copy_installer(prefix, a)
    packaged = "\\%s\\installer.exe" % V1
    server = HostileServer("headers_then_silence")
    try:
        for what, path, args, target in (
                ("carried package", carried, [], "--backend"),
                ("package's installer", carried, [], packaged),
                ("download", os.path.join(net, "installer.exe"),
                 ["--internal-package-server=" + server.url + "reply"], "--backend")):
            folder = "C:\\ended\\" + what.split()[0].replace("'", "")
            killer = start_peer(prefix, a, "end_backend_with_zero", "--seconds=120",
                                "--text=" + target)
            seen = set(prefix.logs())
            try:
                code = prefix.run(path, "--silent", *QUIET, "--allusers=0",
                                  "--installfolder=" + folder, *args)
                said = killer.communicate(timeout=30)[0].strip()
            finally:
                killer.kill()
                killer.wait()
            assert said == "ended a backend with 0", "%s: %s" % (what, said)
            check_code(prefix, seen, code, 120, what)
            assert not os.path.exists(os.path.join(unix_path(prefix, folder),
                                                   "installation_status.json")), \
                "%s: an installation status after a failed run" % what
            print("%s: exit code %d" % (what, code))
    finally:
        server.close()
def write_tree(root, files):
    for name, data in files.items():
        path = os.path.join(root, *name.split("/"))
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "w", encoding="utf-8") as f:
            f.write(data)


def read_tree(root):
    found = {}
    for path, dirs, files in os.walk(root):
        for name in dirs + files:
            full = os.path.join(path, name)
            rel = os.path.relpath(full, root).replace(os.sep, "/")
            if os.path.isdir(full):
                found[rel] = "dir"
            else:
                with open(full, "rb") as f:
                    found[rel] = f.read().decode("utf-8", errors="replace")
    return found


def scenario_planted_folder(prefix, a):
    """A first install into a folder of the user's in which someone planted
    a journal and a link to another folder: the journal's lines that the
    link leads out of the folder, or that write a value the installer never
    writes, are not followed, and the user's files stay, whatever their
    names, through the install and the uninstall after it."""
    path = copy_installer(prefix, a)
    folder = "C:\\e2e\\Tarvo"
    root = prefix.unix(folder)
    victim = prefix.unix("C:\\victim")
    write_tree(victim, {"victim_del.txt": "theirs", "victim_over.txt": "theirs",
                        "victim_over.txt.1700000000.old": "theirs", "emptydir/x": "theirs",
                        "photos.1700000001.old/p.jpg": "theirs"})
    os.remove(os.path.join(victim, "emptydir", "x"))
    users = {"2024.06.01.1/backup.txt": "mine", "notes.1700000000.old": "mine",
             "cafe.tmp": "mine", V1 + "/mine.txt": "mine", "tools/2024.1.15.1/notes.txt": "mine"}
    write_tree(root, dict(users, **{"drop.exe": "planted"}))
    os.symlink(victim, os.path.join(root, "lnk"))
    evil = "C:\\evil.exe\0".encode("utf-16-le").hex()
    # A run killed just now, after the user's files were made.
    time.sleep(1.1)
    with open(os.path.join(root, "installation_journal"), "w", encoding="utf-8") as f:
        f.write("tarvo installation journal 1\t%d\n" % int(time.time()) +
                "D\tlnk\\victim_del.txt\t\nM\tlnk\\planted.exe\tdrop.exe\n"
                "P\tlnk\\victim_over.txt\tlnk\\victim_over.txt.1700000000.old\n"
                "F\tlnk\\emptydir\t\nP\tlnk\\photos\tlnk\\photos.1700000001.old\n"
                "V\tHKCU\t0\tSoftware\\Microsoft\\Command Processor\tAutoRun\t1\t%s\n"
                % evil)
    theirs = read_tree(victim)
    for what, command in (
            ("install", [path, "--silent", *QUIET, "--allusers=0", "--installfolder=" + folder]),
            ("uninstall", None)):
        if command is None:
            status = check_installed(prefix, folder)
            command = [os.path.join(root, status["_subfolder"], "installer.exe"), "--uninstall",
                       "--silent", *QUIET]
        seen = set(prefix.logs())
        check_code(prefix, seen, prefix.run(*command), 0, what)
        assert read_tree(victim) == theirs, "the %s changed %s" % (what, victim)
        mine = {name: data for name, data in read_tree(root).items() if name in users}
        assert mine == users, "the %s left of the user's files only %s" % (what, sorted(mine))
        registry = snapshot(prefix)[1]
        assert not [line for lines in registry.values() for line in lines if "evil.exe" in line], \
            "the %s wrote a value it never writes" % what
        print("%s: the user's files and the linked folder stay" % what)


def scenario_planted_profile(prefix, a):
    """An uninstall that deletes the user's profile, of an installation
    whose preferences someone rewrote to name another folder as the
    profile: that folder stays, and the refusal is logged."""
    path = copy_installer(prefix, a)
    folder = "C:\\e2e\\Tarvo"
    root = prefix.unix(folder)
    victim = prefix.unix("C:\\victim")
    write_tree(victim, {"letter.txt": "theirs", "photos/p.jpg": "theirs"})
    theirs = read_tree(victim)
    seen = set(prefix.logs())
    check_code(prefix, seen, prefix.run(path, "--silent", *QUIET, "--allusers=0",
                                        "--installfolder=" + folder), 0, "install")
    status = check_installed(prefix, folder)
    with open(os.path.join(root, "installer_prefs.json"), encoding="utf-8") as f:
        prefs = json.load(f)
    prefs["profile_path"] = "C:\\victim"
    with open(os.path.join(root, "installer_prefs.json"), "w", encoding="utf-8") as f:
        json.dump(prefs, f)
    seen = set(prefix.logs())
    check_code(prefix, seen, prefix.run(
        os.path.join(root, status["_subfolder"], "installer.exe"), "--uninstall", "--silent",
        *QUIET, "--deleteuserprofile=1"), 0, "uninstall")
    assert read_tree(victim) == theirs, "the uninstall changed %s" % victim
    assert "Refusing to delete profile folder" in new_log_text(prefix, seen), \
        "no word of the refused profile folder"


SCENARIOS = {
    "forged_success": scenario_forged_success,
    "peer_objects": scenario_peer_objects,
    "backend_ended_with_zero": scenario_backend_ended_with_zero,
    "planted_folder": scenario_planted_folder,
    "planted_profile": scenario_planted_profile,
    "case_twins": scenario_case_twins,
    "odd_spellings": scenario_odd_spellings,
    "long_folders": scenario_long_folders,
}


def main():
    return main_of_scenarios(SCENARIOS)


if __name__ == "__main__":
    sys.exit(main())

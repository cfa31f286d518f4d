#!/usr/bin/env python3
"""The package folders of silent installations end to end, each scenario in a
fresh Wine prefix of its own, with the shared helpers of
silent_end_to_end_test.py:

  same_second_installs   installers of the same folder started together,
                         round after round: each run keeps to its own
                         folders, so exactly the runs that got the folder
                         install it, wholly, and the others end with 112;
  planted_folders        folders made ahead under the names the old naming
                         would give the next minutes' runs, holding files an
                         installation would take over, in the temporary
                         folder and in a shared folder given with
                         "temp-folder": the run uses none of them and
                         removes none of them.

  package_folders_end_to_end_test.py SCENARIO --build-dir B
"""

import datetime
import json
import os
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import silent_end_to_end_test as e2e  # noqa: E402

# Runs started together in each round, and the rounds.
RUNNERS = 3
ROUNDS = 3
PLANTED = {
    "pref_default_overrides": '{"homepage": "https://planted.example/"}',
    "installer_prefs_include.json": '{"welcome-url": "https://planted.example/"}',
    "server_tracking_data": "source=planted.example",
}
# How far ahead (seconds) the planted folders reach.
PLANT_AHEAD = 120


def installer_copy(prefix, a):
    """The build's installer with the whole package, beside its engine."""
    path = e2e.installer_dir(prefix, "v1", a.v1)
    shutil.copy(os.path.join(a.engine_v1, "installer_engine.dll"), os.path.dirname(path))
    return path


def start(prefix, path, args):
    return subprocess.Popen([e2e.WINE, path, "--silent", *e2e.QUIET, *args], env=prefix.env,
                            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL)


def check_installation(prefix, folder):
    """The installation in `folder` is whole: its status, the files it
    names, the launcher and the shortcuts it recorded."""
    root = prefix.unix(folder)
    status = json.loads(e2e.status(prefix, folder))
    version = os.path.join(root, *status["_subfolder"].split("\\"))
    missing = [f for f in status["files"]
               if not os.path.exists(os.path.join(version, *f.split("\\")))]
    assert not missing, "%s: recorded but not installed: %s" % (folder, missing)
    assert os.path.exists(os.path.join(root, "launcher.exe")), folder
    shortcuts = list(status.get("shortcuts", {}).values())
    assert shortcuts, "%s: no shortcut recorded: %s" % (folder, status)
    for shortcut in shortcuts:
        assert os.path.exists(prefix.unix(shortcut)), "%s: shortcut %s missing" % (folder, shortcut)


def scenario_same_second_installs(prefix, a):
    path = installer_copy(prefix, a)
    for round_number in range(ROUNDS):
        folder = "C:\\e2e\\round%d" % round_number
        seen = set(prefix.logs())
        runs = [start(prefix, path, ["--allusers=0", "--installfolder=" + folder])
                for _ in range(RUNNERS)]
        codes = [run.wait(timeout=240) for run in runs]
        prefix.wait()
        # 0 for the run that got the folder (and runs that came after it had
        # finished), 112 for a run that found another one installing it.
        bad = [code for code in codes if code not in (0, 112)] or ([] if 0 in codes else codes)
        if bad:
            e2e.check_code(prefix, seen, bad[0], 0,
                           "round %d (exit codes %s)" % (round_number, codes))
        check_installation(prefix, folder)


def local_names(ahead):
    """The package folder names the old naming gave runs of the coming
    seconds, and their first attempt folders."""
    now = datetime.datetime.now()
    names = []
    for second in range(-5, ahead):
        stamp = (now + datetime.timedelta(seconds=second)).strftime("%Y%m%d%H%M%S")
        names += ["tarvo_package_" + stamp, "tarvo_package_" + stamp + "0"]
    return names


def plant(folder, names):
    for name in names:
        os.makedirs(os.path.join(folder, name), exist_ok=True)
        for file_name, contents in PLANTED.items():
            with open(os.path.join(folder, name, file_name), "w") as f:
                f.write(contents)


def check_planted(folder, names):
    for name in names:
        for file_name, contents in PLANTED.items():
            path = os.path.join(folder, name, file_name)
            assert os.path.exists(path), "a run removed %s" % path
            with open(path) as f:
                assert f.read() == contents, "a run changed %s" % path


def check_nothing_planted_installed(prefix, folder):
    root = prefix.unix(folder)
    for dirpath, _, names in os.walk(root):
        for name in names:
            with open(os.path.join(dirpath, name), "rb") as f:
                assert b"planted.example" not in f.read(), \
                    "planted content installed: %s" % os.path.join(dirpath, name)


def user_temp_folder(prefix):
    """The user's temporary folder, where runs without "temp-folder"
    download."""
    result = subprocess.run([e2e.WINE, "cmd", "/c", "echo", "%TEMP%"], env=prefix.env,
                            capture_output=True, timeout=60, check=True)
    return prefix.unix(result.stdout.decode("utf-8", "replace").strip())


def install_beside_planted(prefix, path):
    """Installs with `path` twice, downloading into the temporary folder and
    into the shared folder C:\\shared given with "temp-folder": each
    installation is whole and holds nothing planted."""
    for folder, extra in (("C:\\e2e\\Tarvo", []),
                          ("C:\\e2e\\Shared", ["--temp-folder=C:\\shared"])):
        seen = set(prefix.logs())
        code = prefix.run(path, "--silent", *e2e.QUIET, "--allusers=0",
                          "--installfolder=" + folder, *extra)
        e2e.check_code(prefix, seen, code, 0, "install into " + folder)
        check_installation(prefix, folder)
        check_nothing_planted_installed(prefix, folder)


def scenario_planted_folders(prefix, a):
    path = installer_copy(prefix, a)
    download = os.path.join(user_temp_folder(prefix), "Tarvo Installer")
    shared = prefix.unix("C:\\shared")
    names = local_names(PLANT_AHEAD)
    plant(download, names)
    plant(os.path.join(shared, "Tarvo Installer"), names)
    install_beside_planted(prefix, path)
    check_planted(download, names)
    check_planted(os.path.join(shared, "Tarvo Installer"), names)


SCENARIOS = {
    "same_second_installs": scenario_same_second_installs,
    "planted_folders": scenario_planted_folders,
}


def main():
    return e2e.main_of_scenarios(SCENARIOS)


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""What installs and uninstalls record and take back, end to end: the real
installer.exe and engine under Wine, each scenario in a fresh Wine prefix of
its own (the prefix, display and helpers of silent_end_to_end_test.py).

  install_records_end_to_end_test.py SCENARIO --build-dir B

  parallel_installs  two installs into two folders, started together, again
                     and again: each gets an uninstall entry of its own, and
                     uninstalling one leaves the other's.
  non_ascii_folder   an installation folder named in Cyrillic, Chinese and
                     an emoji installs its three shortcuts and the uninstall
                     takes every one of them (and the folder it made for
                     them) away.
"""

import glob
import os
import re
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import silent_end_to_end_test as e2e  # noqa: E402

UNINSTALL_KEY = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall"
ROUNDS = 3


def uninstall_entries(prefix):
    """{entry key name: InstallLocation} of the user's uninstall entries."""
    entries = {}
    name = None
    for line in prefix.reg(UNINSTALL_KEY).splitlines():
        if line.startswith("HKEY_"):
            name = line.rsplit("\\", 1)[-1]
        match = re.match(r"\s+InstallLocation\s+REG_SZ\s+(.*)", line)
        if match and name:
            entries[name] = match.group(1).strip()
    return entries


def start_install(prefix, path, folder, temp):
    """An install started without waiting. Each has a temporary folder of its
    own: two runs in one second would otherwise unpack into one package
    folder, which is not what this scenario is about."""
    os.makedirs(temp, exist_ok=True)
    windows_temp = "C:\\" + os.path.relpath(temp, prefix.c).replace("/", "\\")
    env = dict(prefix.env, TEMP=windows_temp, TMP=windows_temp)
    return subprocess.Popen([e2e.WINE, path, "--silent", *e2e.QUIET, "--allusers=0",
                             "--installfolder=" + folder], env=env,
                            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL)


def scenario_parallel_installs(prefix, a):
    path = e2e.installer_dir(prefix, "v1", a.v1)
    shutil.copy(os.path.join(a.engine_v1, "installer_engine.dll"), os.path.dirname(path))
    prefix.run("cmd.exe", "/c", "exit")
    folders = []
    for round_ in range(ROUNDS):
        pair = ["C:\\e2e\\%d%s\\Tarvo" % (round_, side) for side in "ab"]
        runs = [start_install(prefix, path, folder,
                              os.path.join(prefix.c, "temp%d%s" % (round_, side)))
                for folder, side in zip(pair, "ab")]
        codes = [run.wait(timeout=240) for run in runs]
        prefix.wait()
        if codes != [0, 0]:
            logs = glob.glob(os.path.join(prefix.c, "temp%d?" % round_, "*", "*.log"))
            raise AssertionError("round %d: exit codes %s\n%s" % (
                round_, codes, "\n".join(e2e.error_lines(logs)[-10:])))
        folders += pair
        # One entry for each installation, each naming its own folder.
        entries = uninstall_entries(prefix)
        assert sorted(entries.values()) == sorted(folders), \
            "round %d: entries %s for folders %s" % (round_, entries, folders)
    print("%d installs in pairs: %d entries, one for each folder" % (len(folders), len(entries)))

    # Uninstalling one takes its own entry only.
    first = folders[0]
    status = e2e.status(prefix, first)
    version = re.search(r'"version"\s*:\s*"([^"]*)"', status).group(1)
    uninstaller = os.path.join(prefix.unix(first), version, "installer.exe")
    seen = set(prefix.logs())
    code = prefix.run(uninstaller, "--uninstall", "--silent", *e2e.QUIET)
    e2e.check_code(prefix, seen, code, 0, "uninstall of " + first)
    entries = uninstall_entries(prefix)
    assert sorted(entries.values()) == sorted(folders[1:]), \
        "after uninstalling %s: entries %s" % (first, entries)


def shortcuts(prefix):
    """Every "Tarvo*.lnk" below the users' folders, each file once: Wine
    links the desktop and the other personal folders to the prefix's
    home."""
    found = set()
    for root, _, names in os.walk(os.path.join(prefix.c, "users"), followlinks=True):
        found |= {os.path.realpath(os.path.join(root, name)) for name in names
                  if name.lower().endswith(".lnk") and name.startswith("Tarvo")}
    return sorted(found)


def scenario_non_ascii_folder(prefix, a):
    folder = "C:\\e2e\\\u0422\u0430\u0440\u0432\u043e \u6d4f\u89c8\u5668 \U0001f642"
    quick_launch = os.path.join(prefix.c, "users", "*", "AppData", "Roaming", "Microsoft",
                                "Internet Explorer", "Quick Launch")
    prefix.run("cmd.exe", "/c", "exit")
    existed = bool(glob.glob(quick_launch))
    e2e.install(prefix, ["--allusers=0", "--installfolder=" + folder, "--desktopshortcut=1",
                         "--startmenushortcut=1", "--quicklaunchshortcut=1"],
                "v1", a.v1, a.engine_v1)
    made = shortcuts(prefix)
    assert len(made) == 3, "shortcuts after the install: %s" % made
    uninstaller = os.path.join(prefix.unix(folder), e2e.V1, "installer.exe")
    seen = set(prefix.logs())
    code = prefix.run(uninstaller, "--uninstall", "--silent", *e2e.QUIET)
    e2e.check_code(prefix, seen, code, 0, "uninstall")
    left = shortcuts(prefix)
    assert not left, "shortcuts left by the uninstall: %s" % left
    if not existed:
        assert not glob.glob(quick_launch), "the quick-launch folder the install made stayed"
    print("three shortcuts made and taken away for %s" % folder)


SCENARIOS = {
    "parallel_installs": scenario_parallel_installs,
    "non_ascii_folder": scenario_non_ascii_folder,
}


if __name__ == "__main__":
    sys.exit(e2e.main_of_scenarios(SCENARIOS))

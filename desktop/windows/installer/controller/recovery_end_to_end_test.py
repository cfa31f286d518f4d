#!/usr/bin/env python3
"""Damaged installers, full drives and runs killed half way, end to end: the
real installer.exe and engine under Wine, each scenario in a fresh Wine
prefix of its own (the helpers of silent_end_to_end_test.py).

  recovery_end_to_end_test.py SCENARIO --build-dir B --packages-dir D
"""

import argparse
import glob
import json
import os
import random
import re
import resource
import shutil
import signal
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import silent_end_to_end_test as e2e  # noqa: E402

FOLDER = "C:\\e2e\\Tarvo"
ARGS = ["--allusers=0", "--installfolder=" + FOLDER]
ALL_USERS_ARGS = ["--allusers=1", "--installfolder=" + FOLDER]
# A damaged installer, or a web install with no service to reach, ends soon.
QUICK_RUN_SECONDS = 120


def run(prefix, exe, *args, env=None, timeout=240, preexec_fn=None, wait=True):
    """Runs a Windows program to its end; with `wait`, also until every
    process of the prefix has ended (a snapshot waits for that anyway)."""
    result = subprocess.run([e2e.WINE, exe, *args], env=env or prefix.env, timeout=timeout,
                            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL, check=False, preexec_fn=preexec_fn)
    if wait:
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
    """A tail that is no valid payload is no payload: the installer cut in
    its magic, its package or its length field, and a plain one with 16 zero
    bytes or "TRV", 3 bytes and a length of 1000 appended, each runs as a
    plain installer. It fetches its package (from a service that cannot be
    reached: exit code 119), never takes a cut package for a whole one, and
    leaves the machine as it was."""
    start, data = payload_start(os.path.join(a.build_dir, "bin", "installer.exe"), a.v1)
    folder = os.path.join(prefix.root, "cut")
    os.makedirs(folder)
    shutil.copy(os.path.join(a.engine_v1, "installer_engine.dll"), folder)
    exe = os.path.join(folder, "installer.exe")
    run(prefix, "cmd.exe", "/c", "exit")
    before = e2e.snapshot(prefix)
    tails = (("cut in the magic", data[:start + 2]),
             ("cut in the package", data[:(start + len(data)) // 2]),
             ("cut in the length field", data[:len(data) - 2]),
             ("with 16 zero bytes", data[:start] + bytes(16)),
             ("with a 1000-byte length and 3 bytes", data[:start] + b"TRVabc" +
              (1000).to_bytes(4, "little")))
    for what, contents in tails:
        with open(exe, "wb") as f:
            f.write(contents)
        seen = set(prefix.logs())
        try:
            code = run(prefix, exe, "--silent", *e2e.QUIET, *ARGS,
                       "--internal-package-server=http://127.0.0.1:1/",
                       "--test-fetch-stall-limit=5", timeout=QUICK_RUN_SECONDS)
        except subprocess.TimeoutExpired:
            raise AssertionError("installer %s: still running after %d s"
                                 % (what, QUICK_RUN_SECONDS))
        e2e.check_code(prefix, seen, code, 119, "installer " + what)
        logs = "".join(open(log, encoding="utf-8", errors="replace").read()
                       for log in prefix.logs() if log not in seen)
        assert "No valid payload found" in logs, "installer %s: the payload was taken" % what
        changes = e2e.diff(before, e2e.snapshot(prefix))
        assert not changes, "installer %s left:\n  %s" % (what, "\n  ".join(changes[:40]))
        print("installer %s: a plain installer, exit code 119, nothing left" % what)


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


# --- Runs killed half way -------------------------------------------------
#
# A run is stopped for good at a named point (the engine's test switch
# TARVO_INSTALLER_TEST_STOP_AT: a step's name, "unpacking" half way through
# the package, "commit" once the run's work is final), or at a random
# moment, and then every process of the prefix is killed, as a power cut
# would. The same command run again must leave exactly what it leaves on a
# clean machine, and the uninstall after it nothing.

# What differs between two clean runs of the same command: the app id and
# the name of a status file an upgrade keeps (the run's time), the session's
# GUID, what Wine writes by itself, the shortcut files (they record the
# target's times) and the versioned folder's "_N".
VOLATILE = [
    (re.compile(r"(TarvoWebBrowser\.|\"app_id\":\"|installation_status\.json\.)\d+"),
     r"\1<time>"),
    (re.compile(r"(\d+\.\d+\.\d+\.\d+)_\d+"), r"\1"),
]
WINE_KEYS = re.compile(r"\[Console\]|AppCompatFlags")


def normalised(text):
    for pattern, replacement in VOLATILE:
        text = pattern.sub(replacement, text)
    return text


def state(prefix):
    """The prefix as a clean run of the same command leaves it, whatever run
    made it."""
    files, registry = e2e.snapshot(prefix)
    out_files = {}
    for path, digest in files.items():
        full = os.path.join(prefix.c, path)
        name = os.path.basename(path)
        if name.startswith("installation_status.json"):
            with open(full, encoding="utf-8") as f:
                digest = normalised(f.read())
        elif name == "installer_prefs.json":
            with open(full, encoding="utf-8") as f:
                prefs = json.load(f)
            prefs.pop("last_installation_guid", None)
            digest = json.dumps(prefs, sort_keys=True)
        elif name.endswith(".lnk"):
            digest = "a shortcut"
        out_files[normalised(path)] = digest
    out_registry = {normalised(key): {normalised(line) for line in lines}
                    for key, lines in registry.items() if not WINE_KEYS.search(key)}
    return out_files, out_registry


def install_cmd(installer, args=ARGS):
    return [installer, "--silent", *e2e.QUIET, *args]


def uninstall_cmd(prefix, version):
    return [os.path.join(prefix.unix(FOLDER), version, "installer.exe"), "--uninstall",
            "--silent", *e2e.QUIET]


def run_ok(prefix, command, what, wait=True):
    seen = set(prefix.logs())
    code = run(prefix, *command, wait=wait)
    e2e.check_code(prefix, seen, code, 0, what)


def kill_prefix(prefix, process):
    subprocess.run([e2e.WINESERVER, "-k"], env=prefix.env, timeout=60, check=False,
                   stderr=subprocess.DEVNULL)
    try:
        process.wait(timeout=60)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait()
    prefix.wait()


def start(prefix, command, env=None):
    return subprocess.Popen([e2e.WINE, *command], env=env or prefix.env,
                            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL)


def run_killed_at(prefix, command, point):
    """Runs `command` until it stops at `point`, then kills the prefix."""
    seen = set(prefix.logs())
    process = start(prefix, command, dict(prefix.env, TARVO_INSTALLER_TEST_STOP_AT=point))
    line = "Stopped at %s for the test" % point
    deadline = time.monotonic() + 120
    while time.monotonic() < deadline:
        for log in prefix.logs():
            if log not in seen:
                with open(log, encoding="utf-8", errors="replace") as f:
                    if line in f.read():
                        kill_prefix(prefix, process)
                        return
        if process.poll() is not None:
            kill_prefix(prefix, process)
            raise AssertionError("the run ended with %d before stopping at %s"
                                 % (process.returncode, point))
        time.sleep(0.05)
    kill_prefix(prefix, process)
    raise AssertionError("the run never stopped at %s" % point)


def run_killed_after(prefix, command, seconds):
    process = start(prefix, command)
    time.sleep(seconds)
    kill_prefix(prefix, process)


def compare(expected, actual, what):
    changes = e2e.diff(expected, actual)
    assert not changes, "%s differs from a clean run:\n  %s" % (what, "\n  ".join(changes[:40]))


def check_empty(prefix, empty, what, folder=FOLDER):
    """Nothing left but what an uninstall may leave: under Wine, the emptied
    installation `folder` stays (cmd holds the clean-up file until its end)."""
    emptied = "file %s/" % os.path.relpath(prefix.unix(folder), prefix.c)
    changes = [c for c in e2e.diff(empty, e2e.snapshot(prefix))
               if not e2e.LEGITIMATELY_LEFT.match(c) and not WINE_KEYS.search(c) and c != emptied]
    assert not changes, "%s left:\n  %s" % (what, "\n  ".join(changes[:40]))


def check_no_stray_folders(prefix, what):
    """The versioned folders a run leaves are those a status names (the new
    one, and the earlier installation's kept in "old_status", whose files
    the next upgrade removes): none of a killed run; and nothing a run
    leaves half way."""
    root = prefix.unix(FOLDER)
    statuses = [os.path.join(root, "installation_status.json")] + glob.glob(
        os.path.join(root, "old_status", "installation_status.json.*"))
    owned = set()
    for path in statuses:
        with open(path, encoding="utf-8") as f:
            owned.add(json.load(f)["_subfolder"])
    names = os.listdir(root)
    versioned = {n for n in names if re.fullmatch(r"\d+\.\d+\.\d+\.\d+(_\d+)?", n)}
    half_done = [n for n in names if n.endswith((".old", ".tmp")) or n == "installation_journal"]
    assert not versioned - owned and not half_done, \
        "%s left the versioned folders %s (the statuses name %s) and %s" % (
            what, sorted(versioned), sorted(owned), half_done)


def journal_is_final(prefix):
    """Whether a killed run's journal was gone or committing: its work
    stays."""
    journal = os.path.join(prefix.unix(FOLDER), "installation_journal")
    if not os.path.exists(journal):
        return True
    with open(journal, encoding="utf-8", errors="replace") as f:
        return "committing" in f.read().splitlines()


def work_is_final(prefix, version):
    """Whether the killed run's status is on disk for good: its journal was
    gone or committing when the prefix was killed."""
    root = prefix.unix(FOLDER)
    status_file = os.path.join(root, "installation_status.json")
    if not os.path.exists(status_file):
        return False
    with open(status_file, encoding="utf-8") as f:
        if '"version":"%s"' % version not in f.read():
            return False
    return journal_is_final(prefix)


class KillCycles:
    """The runs of one scenario in one prefix: each killed run is followed by
    the same command and an uninstall, which must leave the empty prefix;
    at the end, what the command leaves when run once on a clean machine
    (and run twice: the reference for a run killed once its work was final)
    is made and compared with what each run after a kill left."""

    def __init__(self, prefix, a, upgrade, windows=None, all_users=False):
        self.prefix = prefix
        self.args = ALL_USERS_ARGS if all_users else ARGS
        if windows:
            # Where Windows 8 and later make the start-menu shortcut again.
            run(prefix, "reg", "add", "HKCU\\Software\\Wine", "/v", "Version", "/d", windows,
                "/f")
        self.v1 = engine_beside(prefix, "v1", a.v1, a.engine_v1)
        self.v2 = engine_beside(prefix, "v2", os.path.join(a.packages_dir, "installer_v2.exe"),
                                os.path.join(a.packages_dir, "bin_" + e2e.V2))
        self.upgrade = upgrade
        self.version = e2e.V2 if upgrade else e2e.V1
        self.command = install_cmd(self.v2 if upgrade else self.v1, self.args)
        run(prefix, "cmd.exe", "/c", "exit")
        # The user's classes key exists on Windows; a fresh prefix lacks it.
        run(prefix, "reg", "add", "HKCU\\Software\\Classes", "/f")
        self.empty = e2e.snapshot(prefix)
        # (what, how many clean runs it compares with, the versioned folder
        # installed into, what it left)
        self.results = []

    def prepare(self):
        if self.upgrade:
            run_ok(self.prefix, install_cmd(self.v1, self.args), "install of the first version",
                   wait=False)

    def uninstall(self, what):
        run_ok(self.prefix, uninstall_cmd(self.prefix, self.installed_version()),
               "uninstall after " + what, wait=False)
        check_empty(self.prefix, self.empty, "the uninstall after " + what)

    def installed_version(self):
        with open(os.path.join(self.prefix.unix(FOLDER), "installation_status.json"),
                  encoding="utf-8") as f:
            return json.loads(f.read())["_subfolder"]

    def check(self, kill, what):
        self.prepare()
        kill()
        final = work_is_final(self.prefix, self.version)
        run_ok(self.prefix, self.command, "the run after " + what, wait=False)
        check_no_stray_folders(self.prefix, "the run after " + what)
        self.results.append((what, 2 if final else 1, self.installed_version(),
                             state(self.prefix)))
        self.uninstall(what)
        print("%s, then the same run and the uninstall: nothing left%s"
              % (what, " (the killed run was complete)" if final else ""))

    def check_killed_uninstall(self, point, then):
        """An uninstall killed at `point`, then the uninstall again (it puts
        the killed one right first: nothing left) or the install (what the
        install leaves after an install, or on a clean machine when the
        killed uninstall's work was final)."""
        what = "an uninstall killed at " + point
        self.prepare()
        run_ok(self.prefix, self.command, "install before " + what, wait=False)
        run_killed_at(self.prefix, uninstall_cmd(self.prefix, self.version), point)
        if then == "uninstall":
            run_ok(self.prefix, uninstall_cmd(self.prefix, self.version),
                   "the uninstall after " + what, wait=False)
            check_empty(self.prefix, self.empty, "the uninstall after " + what)
            print("%s, then the uninstall again: nothing left" % what)
            return
        final = journal_is_final(self.prefix)
        run_ok(self.prefix, self.command, "the install after " + what, wait=False)
        check_no_stray_folders(self.prefix, "the install after " + what)
        self.results.append((what, 1 if final else 2, self.installed_version(),
                             state(self.prefix)))
        self.uninstall(what)
        print("%s, then the install and the uninstall: nothing left" % what)

    def check_killed_while_undoing(self, point):
        """A run killed at `point`, the next one killed while it undoes that
        run, then the same command: as on a clean machine."""
        what = "killed at %s, the next run killed while undoing" % point
        self.prepare()
        run_killed_at(self.prefix, self.command, point)
        run_killed_at(self.prefix, self.command, "undoing")
        run_ok(self.prefix, self.command, "the run after " + what, wait=False)
        check_no_stray_folders(self.prefix, "the run after " + what)
        self.results.append((what, 1, self.installed_version(), state(self.prefix)))
        self.uninstall(what)
        print("%s, then the same run and the uninstall: nothing left" % what)

    def check_uninstall(self, kill, what):
        """An uninstall, run from the first version's folder as its status
        says, is the next run: it too puts the killed upgrade right first,
        and then leaves nothing."""
        self.prepare()
        kill()
        run_ok(self.prefix, uninstall_cmd(self.prefix, e2e.V1), "the uninstall after " + what,
               wait=False)
        check_empty(self.prefix, self.empty, "the uninstall after " + what)
        print("%s, then the uninstall: nothing left" % what)

    def compare_with_clean_runs(self):
        """The last runs of the prefix: no uninstall follows the last one."""
        needed = sorted({times for _, times, _, _ in self.results})
        for i, times in enumerate(needed):
            self.prepare()
            for _ in range(times):
                run_ok(self.prefix, self.command, "clean run", wait=False)
            check_no_stray_folders(self.prefix, "%d clean runs" % times)
            subfolder = self.installed_version()
            reference = state(self.prefix)
            for what, wanted, installed_in, result in self.results:
                if wanted == times:
                    # The killed run's folder is not in the way.
                    assert installed_in == subfolder, "the run after %s installed into %s, " \
                        "a clean run into %s" % (what, installed_in, subfolder)
                    compare(reference, result, "the run after " + what)
                    print("%s: the run after it left what a clean machine's does" % what)
            if i + 1 < len(needed):
                self.uninstall("clean run")


# Where a run is killed, shard by shard (each a scenario in a prefix of its
# own): a step's name (before it runs), "unpacking", "commit" (the run's
# work is final), or "random" (a random moment of the run); with "+uninstall"
# the next run is the uninstall rather than the same command. "uninstall@"
# kills the uninstall of the installation instead, followed by the uninstall
# again or (">install") the install; "undoing@" kills the next run too,
# half way through undoing the killed one.
KILL_POINTS = {
    "install_0": ["unpacking", "copy_file:launcher.exe"],
    # The status is written: still undone, as the run did not commit.
    "install_1": ["finalize"],
    "install_2": ["commit"],
    "install_3": ["random"],
    # The first version's root files are moved aside.
    "upgrade_0": ["move_file"],
    # The first version's status is in "old_status", the new one not written.
    "upgrade_1": ["install_components", "install_components+uninstall"],
    "upgrade_2": ["commit"],
    "upgrade_3": ["random"],
    # Once the uninstall has deleted its registrations, shortcuts and status
    # file; just before it writes the clean-up file; at its commit; and a
    # run killed while it undoes a killed install.
    "uninstall": ["uninstall@uninstall_finalize>install", "uninstall@uninstall_cleanup",
                  "uninstall@commit>install", "undoing@finalize"],
    # Windows 10: the upgrade makes the start-menu shortcut again.
    "upgrade_win10": ["write_installer_prefs"],
    # For all users (HKLM): the registrations and status written.
    "install_allusers": ["finalize"],
    "upgrade_allusers": ["install_components"],
}
WINDOWS = {"upgrade_win10": "win10"}


def scenario_killed(prefix, a, shard):
    cycles = KillCycles(prefix, a, upgrade=shard.startswith("upgrade"),
                        windows=WINDOWS.get(shard), all_users=shard.endswith("_allusers"))
    for point in KILL_POINTS[shard]:
        if point.startswith("uninstall@"):
            step, _, then = point[len("uninstall@"):].partition(">")
            cycles.check_killed_uninstall(step, then or "uninstall")
        elif point.startswith("undoing@"):
            cycles.check_killed_while_undoing(point[len("undoing@"):])
        elif point == "random":
            seed = random.randrange(1 << 30)
            seconds = random.Random(seed).uniform(0.3, 4.0)
            cycles.check(lambda: run_killed_after(prefix, cycles.command, seconds),
                         "killed after %.2f s (seed %d)" % (seconds, seed))
        elif point.endswith("+uninstall"):
            step = point[:-len("+uninstall")]
            cycles.check_uninstall(lambda: run_killed_at(prefix, cycles.command, step),
                                   "killed at " + step)
        else:
            cycles.check(lambda: run_killed_at(prefix, cycles.command, point),
                         "killed at " + point)
    cycles.compare_with_clean_runs()


# --- An uninstall's clean-up and the runs after it ----------------------


def installer_processes(prefix):
    """The Linux pids of the prefix's installer processes."""
    return [int(pid) for pid, command_line in prefix.live_processes(with_pids=True)
            if "installer.exe" in command_line.lower()]


def signal_each(pids, number):
    for pid in pids:
        try:
            os.kill(pid, number)
        except ProcessLookupError:
            pass


def uninstall_with_late_exit(cycles, seconds):
    """An uninstall whose installer processes end `seconds` late: they are
    held still from the moment the clean-up file runs."""
    prefix = cycles.prefix
    seen = set(prefix.logs())
    process = start(prefix, uninstall_cmd(prefix, e2e.V1))
    deadline = time.monotonic() + 120
    while not any("k.bat" in line.lower() for line in prefix.live_processes()):
        assert process.poll() is None and time.monotonic() < deadline, \
            "the uninstall ended before its clean-up file ran"
    held = installer_processes(prefix)
    signal_each(held, signal.SIGSTOP)
    time.sleep(seconds)
    signal_each(held, signal.SIGCONT)
    e2e.check_code(prefix, seen, process.wait(timeout=240), 0, "uninstall ending late")


def scenario_uninstall_cleanup(prefix, a):
    """The clean-up file waits for the installer processes however late they
    end, and deletes only what the uninstalled installation left: an install
    started as soon as the uninstall has ended is whole. After each, the
    uninstall leaves nothing."""
    cycles = KillCycles(prefix, a, upgrade=False)
    run_ok(prefix, cycles.command, "install")
    uninstall_with_late_exit(cycles, 5)
    check_empty(prefix, cycles.empty, "an uninstall whose processes ended late")
    print("an uninstall whose processes ended 5 s late: nothing left")
    run_ok(prefix, cycles.command, "install", wait=False)
    reference = state(prefix)
    run_ok(prefix, uninstall_cmd(prefix, cycles.installed_version()), "uninstall", wait=False)
    run_ok(prefix, cycles.command, "install right after the uninstall", wait=False)
    compare(reference, state(prefix), "an install right after an uninstall")
    print("an install right after an uninstall is whole")
    cycles.uninstall("the installs right after uninstalls")


def scenario_odd_folders(prefix, a):
    """Folders inside an installation, or holding one, are refused (103) and
    change nothing; a folder whose name holds what cmd treats specially
    installs and uninstalls leaving nothing."""
    cycles = KillCycles(prefix, a, upgrade=False)
    run_ok(prefix, cycles.command, "install")
    installed = e2e.snapshot(prefix)
    for nested in (FOLDER + "\\" + e2e.V1, "C:\\e2e"):
        seen = set(prefix.logs())
        code = run(prefix, cycles.v1, "--silent", *e2e.QUIET, "--allusers=0",
                   "--installfolder=" + nested)
        e2e.check_code(prefix, seen, code, 103, "install into " + nested)
        compare(installed, e2e.snapshot(prefix), "the refused install into " + nested)
        print("%s: refused with 103, nothing changed" % nested)
    cycles.uninstall("the refused nested installs")

    odd = "C:\\e2e\\T%OS% 100% ^x & y! (z)"
    run_ok(prefix, [cycles.v1, "--silent", *e2e.QUIET, "--allusers=0", "--installfolder=" + odd],
           "install into " + odd)
    run_ok(prefix, [os.path.join(prefix.unix(odd), e2e.V1, "installer.exe"), "--uninstall",
                    "--silent", *e2e.QUIET], "uninstall from " + odd, wait=False)
    check_empty(prefix, cycles.empty, "the uninstall from " + odd, folder=odd)
    print("%s: installed and uninstalled, nothing left" % odd)


SCENARIOS = {
    "truncated_installer": scenario_truncated_installer,
    "full_drive": scenario_full_drive,
    "uninstall_cleanup": scenario_uninstall_cleanup,
    "odd_folders": scenario_odd_folders,
}
for _shard in KILL_POINTS:
    SCENARIOS["killed_" + _shard] = (
        lambda prefix, a, shard=_shard: scenario_killed(prefix, a, shard))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("what", choices=list(SCENARIOS))
    parser.add_argument("--build-dir", required=True)
    parser.add_argument("--packages-dir")
    a = parser.parse_args()
    return e2e.run_in_fresh_prefix(a.what, SCENARIOS[a.what], a)


if __name__ == "__main__":
    sys.exit(main())

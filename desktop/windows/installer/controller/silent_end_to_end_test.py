#!/usr/bin/env python3
"""Silent installations end to end: the real installer.exe and engine, with
their packages appended, run under Wine in a Wine prefix of the test's own
(made fresh for it), and what they leave is checked on disk and in the
registry.

  silent_end_to_end_test.py packages --build-dir B --out-dir D
      builds the newer packages (and their installers) the scenarios share;
  silent_end_to_end_test.py SCENARIO --build-dir B --packages-dir D
      runs one scenario in a fresh prefix.

A scenario that cannot get past a piece this build lacks (the engine logs
"... is not available in this build") exits with 77, which CTest reports as
skipped, after printing where the run stopped: never as a success.
"""

import argparse
import base64
import glob
import hashlib
import http.server
import json
import os
import re
import select
import shutil
import subprocess
import sys
import tempfile
import threading
import time

WINE = "/usr/lib/wine/wine64"
WINESERVER = "/usr/lib/wine/wineserver"
SKIP = 77
V1, V2, V3 = "51.0.2802.0", "52.0.2802.0", "53.0.2802.0"
# What the scenarios do not need: the browser started at the end, statistics,
# and the preference-overrides service, which the test machine cannot reach.
QUIET = ["--enable-installer-stats=0", "--launchbrowser=0",
         "--with-feature:installer-pref-default-overrides-support=off"]
# What Wine writes by itself when a program starts or first uses WinINet.
WINE_NOISE = re.compile(r'"DriverDateData"=|\\Internet Settings\]"ProxyEnable"=')
# Keys Wine writes by itself whenever it first starts its network
# services, whatever the programs do: the network cards it found.
WINE_KEYS = re.compile(r"\\\\NetworkCards(\\\\|\])")
MISSING = re.compile(r"([^\]]*) is not available in this build")


class Skip(Exception):
    pass


def start_display():
    """An Xvfb of the scenario's own: the server picks a display number no
    other server holds (scenarios of other test runs start theirs at the same
    time) and names it once it accepts connections. It never resets: by
    default an X server resets when its last client leaves, and a client
    that connects meanwhile is dropped or never answered. A Wine process
    left waiting so (Wine's desktop process, or a program of the scenario)
    never ends, and nor does the prefix's wineserver."""
    read, write = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "1024x768x24",
                             "-nolisten", "tcp", "-noreset"], pass_fds=(write,),
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write)
    number = b""
    deadline = time.monotonic() + 60
    with os.fdopen(read, "rb", buffering=0) as pipe:
        # Ends at the newline, or at the server's end (when it failed).
        while not number.endswith(b"\n") and time.monotonic() < deadline:
            if not select.select([pipe], [], [], max(0, deadline - time.monotonic()))[0]:
                break
            chunk = pipe.read(1)
            if not chunk:
                break
            number += chunk
    if not number.strip().isdigit():
        xvfb.kill()
        xvfb.wait()
        raise AssertionError("Xvfb did not start (exit code %s)" % xvfb.poll())
    return xvfb, ":" + number.decode().strip()


class Prefix:
    """A fresh Wine prefix with its own display and wineserver."""

    def __init__(self, root):
        self.root = root
        self.path = os.path.join(root, "prefix")
        # A home of its own: Wine links the user's Desktop to $HOME, where
        # shortcuts would otherwise land in the real home, shared by all.
        home = os.path.join(root, "home")
        os.makedirs(home, exist_ok=True)
        self.env = dict(os.environ, WINEPREFIX=self.path, WINEDEBUG="-all", HOME=home,
                        WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d",
                        TARVO_INSTALLER_VERBOSITY="1")
        self.xvfb, self.env["DISPLAY"] = start_display()
        # A set-up that failed (wineboot ends with 53 when the display goes
        # away under it) would show later as a program failing for no reason
        # of its own: it fails the scenario here. The output goes through a
        # file, which Wine's background processes may keep open.
        try:
            with tempfile.TemporaryFile() as out:
                boot = subprocess.run([WINE, "wineboot", "-i"], env=self.env, timeout=300,
                                      stdin=subprocess.DEVNULL, stdout=out,
                                      stderr=subprocess.STDOUT, check=False)
                self.wait()
                out.seek(0)
                if boot.returncode != 0:
                    raise AssertionError("wineboot -i ended with %d:\n%s" % (
                        boot.returncode, out.read().decode("utf-8", "replace")[-2000:]))
        except BaseException:
            self.close()
            shutil.rmtree(root, ignore_errors=True)
            raise
        self.c = os.path.join(self.path, "drive_c")

    def wait(self):
        subprocess.run([WINESERVER, "-w"], env=self.env, timeout=120, check=False)

    def close(self):
        subprocess.run([WINESERVER, "-k"], env=self.env, timeout=60, check=False,
                       stderr=subprocess.DEVNULL)
        # Terminated, not killed: the server then removes its lock file,
        # which a later server would take for a live one once another
        # process has the pid written in it.
        self.xvfb.terminate()
        try:
            self.xvfb.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.xvfb.kill()
            self.xvfb.wait()

    def live_processes(self, with_pids=False):
        """The command lines of the processes that still run in this
        prefix, Wine's own among them (with their pids, if asked)."""
        found = []
        for pid in filter(str.isdigit, os.listdir("/proc")):
            try:
                with open("/proc/%s/environ" % pid, "rb") as f:
                    if ("WINEPREFIX=" + self.path).encode() not in f.read().split(b"\0"):
                        continue
                with open("/proc/%s/cmdline" % pid, "rb") as f:
                    command_line = f.read().replace(b"\0", b" ").decode("utf-8", "replace")
            except OSError:
                continue
            found.append((pid, command_line.strip()) if with_pids else command_line.strip())
        return found

    def unix(self, windows_path):
        assert windows_path[1:3] == ":\\"
        return os.path.join(self.c, *windows_path[3:].split("\\"))

    def run(self, exe, *args):
        """Runs a Windows program to its end; returns its exit code. One that
        has not ended in 240 s fails the scenario with what ran in the prefix
        at that moment, and how each thread waited, before it is killed."""
        process = subprocess.Popen([WINE, exe, *args], env=self.env, stdin=subprocess.DEVNULL,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            code = process.wait(timeout=240)
        except subprocess.TimeoutExpired:
            hung = self.describe_live_processes()
            process.kill()
            process.wait()
            raise AssertionError("%s did not end in 240 s; in the prefix then:\n%s"
                                 % (os.path.basename(exe), hung))
        self.wait()
        return code

    def describe_live_processes(self):
        """Each live process of the prefix with the Linux state and kernel
        wait of each of its threads."""
        lines = []
        for pid, command_line in self.live_processes(with_pids=True):
            lines.append("  %s %s" % (pid, command_line[:200]))
            try:
                threads = sorted(os.listdir("/proc/%s/task" % pid), key=int)
            except OSError:
                continue
            for tid in threads:
                try:
                    with open("/proc/%s/task/%s/stat" % (pid, tid)) as f:
                        state = f.read().rsplit(")", 1)[1].split()[0]
                    with open("/proc/%s/task/%s/wchan" % (pid, tid)) as f:
                        wchan = f.read().strip()
                except OSError:
                    continue
                lines.append("    thread %s: %s %s" % (tid, state, wchan))
        return "\n".join(lines)

    def logs(self):
        found = glob.glob(os.path.join(self.c, "users", "*", "Temp", "Tarvo Installer", "*.log"))
        return sorted(found, key=os.path.getmtime)

    def reg(self, key):
        result = subprocess.run([WINE, "reg", "query", key, "/s"], env=self.env, timeout=60,
                                capture_output=True, check=False)
        return result.stdout.decode("utf-8", "replace").replace("\r", "")


def installer_dir(prefix, name, exe):
    """installer.exe (with its payload) and the engine beside it."""
    folder = os.path.join(prefix.root, name)
    os.makedirs(folder, exist_ok=True)
    shutil.copy(exe, os.path.join(folder, "installer.exe"))
    return os.path.join(folder, "installer.exe")


def install(prefix, args, name, exe, engine_dir, expect=0, printed=None):
    """With `printed` (a list), what the run wrote to its standard output
    and error is appended to it."""
    path = installer_dir(prefix, name, exe)
    shutil.copy(os.path.join(engine_dir, "installer_engine.dll"), os.path.dirname(path))
    seen = set(prefix.logs())
    if printed is None:
        code = prefix.run(path, "--silent", *QUIET, *args)
    else:
        with tempfile.TemporaryFile() as out:
            code = subprocess.run([WINE, path, "--silent", *QUIET, *args], env=prefix.env,
                                  stdin=subprocess.DEVNULL, stdout=out, stderr=out, timeout=240,
                                  check=False).returncode
            prefix.wait()
            out.seek(0)
            printed.append(out.read())
    check_code(prefix, seen, code, expect, name)
    return code


def check_code(prefix, seen, code, expect, what):
    if code == expect:
        return
    new_logs = [log for log in prefix.logs() if log not in seen]
    for log in new_logs:
        with open(log, encoding="utf-8", errors="replace") as f:
            match = MISSING.search(f.read())
        if match:
            raise Skip("%s stops with exit code %d: %s is not available in this build (log %s)"
                       % (what, code, match.group(1).split("] ")[-1], log))
    errors = [line.rstrip() for log in new_logs
              for line in open(log, encoding="utf-8", errors="replace") if ":ERROR:" in line]
    raise AssertionError("%s: exit code %d, expected %d; logs: %s\n%s"
                         % (what, code, expect, new_logs, "\n".join(errors[-10:])))


def print_log_ends(prefix, count=15):
    """The last lines of every log of a failed scenario, and what still runs
    in its prefix: a time-out or a failed check says nothing by itself
    about how far the runs came, nor about what kept a wait from ending."""
    print("--- still running in the prefix:")
    for command_line in prefix.live_processes():
        print("  " + command_line[:300])
    for log in prefix.logs():
        with open(log, encoding="utf-8", errors="replace") as f:
            lines = f.read().splitlines()
        print("--- end of %s" % os.path.basename(log))
        for line in lines[-count:]:
            print("  " + line[:300])


def snapshot(prefix):
    prefix.wait()
    return snapshot_without_wait(prefix)


def snapshot_without_wait(prefix):
    """Every file below drive_c (but the temporary folders, where the logs
    go) with its digest, and the registry as Wine keeps it, without the
    time stamps."""
    files = {}
    for root, dirs, names in os.walk(prefix.c):
        rel_root = os.path.relpath(root, prefix.c)
        if re.search(r"(^|/)(Temp|temp)(/|$)", rel_root):
            continue
        files[rel_root + "/"] = ""
        for name in names:
            path = os.path.join(root, name)
            if os.path.islink(path):
                continue
            with open(path, "rb") as f:
                files[os.path.join(rel_root, name)] = hashlib.sha1(f.read()).hexdigest()
    registry = {}
    for hive in ("system.reg", "user.reg", "userdef.reg"):
        with open(os.path.join(prefix.path, hive), encoding="utf-8", errors="replace") as f:
            key = None
            for line in f.read().splitlines():
                if line.startswith("["):
                    # The key's name without the time stamp after it.
                    key = line[:line.rindex("]") + 1]
                    if WINE_KEYS.search(key):
                        key = None
                        continue
                    registry.setdefault(hive + " " + key, set())
                elif key and line and not line.startswith("#time=") and not WINE_NOISE.search(key + line):
                    registry[hive + " " + key].add(line)
    return files, registry


def diff(before, after):
    changes = []
    for key in sorted(set(before[0]) | set(after[0])):
        if before[0].get(key) != after[0].get(key):
            changes.append("file " + key)
    for key in sorted(set(before[1]) | set(after[1])):
        old, new = before[1].get(key), after[1].get(key)
        if old is None or new is None:
            changes.append("%s %s" % ("+" if old is None else "-", key))
        elif old != new:
            changes += ["%s -%s" % (key, line) for line in sorted(old - new)]
            changes += ["%s +%s" % (key, line) for line in sorted(new - old)]
    return changes


def status(prefix, folder):
    with open(os.path.join(prefix.unix(folder), "installation_status.json"), encoding="utf-8") as f:
        return f.read()


def scenario_current_user(prefix, a):
    folder = "C:\\e2e\\Tarvo"
    printed = []
    install(prefix, ["--allusers=0", "--installfolder=" + folder], "v1", a.v1, a.engine_v1,
            printed=printed)
    # Scripts read a silent run's output: it prints nothing.
    assert printed == [b""], "the silent install printed %r" % printed
    root = prefix.unix(folder)
    for name in ("launcher.exe", "installation_status.json", V1 + "\\tarvo.exe"):
        assert os.path.exists(os.path.join(root, *name.split("\\"))), name
    assert V1 in status(prefix, folder)
    assert "Tarvo" in prefix.reg("HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall")
    # The status names what is installed, and only that.
    recorded = json.loads(status(prefix, folder))["files"]
    missing = [f for f in recorded if not os.path.exists(os.path.join(root, V1, *f.split("\\")))]
    assert not missing, "recorded but not installed: %s" % missing


def scenario_all_users(prefix, a):
    install(prefix, ["--allusers=1"], "v1", a.v1, a.engine_v1)
    folder = "C:\\Program Files\\Tarvo developer"
    assert os.path.exists(os.path.join(prefix.unix(folder), "launcher.exe"))
    # The uninstall entry of this 32-bit-view product.
    assert "Tarvo" in prefix.reg(
        "HKLM\\Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall")


def scenario_upgrade(prefix, a):
    folder = "C:\\e2e\\Tarvo"
    args = ["--allusers=0", "--installfolder=" + folder]
    install(prefix, args, "v1", a.v1, a.engine_v1)
    first = status(prefix, folder)
    install(prefix, args, "v2", os.path.join(a.packages_dir, "installer_v2.exe"),
            os.path.join(a.packages_dir, "bin_" + V2))
    root = prefix.unix(folder)
    assert os.path.isdir(os.path.join(root, "old_status")), "no old_status after the upgrade"
    assert V2 in status(prefix, folder)
    assert os.path.isdir(os.path.join(root, V2)), "no versioned folder of the new version"
    app_id = re.search(r'"app_id"\s*:\s*"([^"]*)"', first)
    if app_id:
        assert app_id.group(1) in status(prefix, folder), "the app id changed"
    # Without --installfolder the folder comes from the registry, where it is
    # kept with a separator after it: the upgrade still spells it as the
    # install did.
    install(prefix, ["--allusers=0"], "v3", os.path.join(a.packages_dir, "installer_v3.exe"),
            os.path.join(a.packages_dir, "bin_" + V3))
    entries = prefix.reg("HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall")
    locations = re.findall(r"InstallLocation\s+REG_SZ\s+(.*)", entries)
    assert locations == [folder], "install locations after the upgrade: %s" % locations
    assert '"path":"C:\\\\e2e\\\\Tarvo"' in status(prefix, folder), status(prefix, folder)
    # The old status's files go; their folders may stay, empty.
    left = [os.path.join(d, f) for d, _, names in os.walk(os.path.join(root, V1)) for f in names]
    assert not left, "the first version's files stayed: %s" % left


def scenario_uninstall(prefix, a):
    folder = "C:\\e2e\\Tarvo"
    install(prefix, ["--allusers=0", "--installfolder=" + folder], "v1", a.v1, a.engine_v1)
    root = prefix.unix(folder)
    uninstaller = os.path.join(root, V1, "installer.exe")
    seen = set(prefix.logs())
    code = prefix.run(uninstaller, "--uninstall", "--silent", *QUIET)
    check_code(prefix, seen, code, 0, "uninstall")
    assert not os.path.exists(os.path.join(root, "installation_status.json"))
    assert "Tarvo" not in prefix.reg("HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall")


def downloadable_resources():
    """The relative paths of the build's downloadable-resources table."""
    table = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "checksum_checker",
                         "downloadable_resources_table.cc")
    with open(table, encoding="utf-8") as f:
        rows = re.findall(r'\{"([A-Za-z0-9+/=]+)", "[A-Za-z0-9+/=]+"\}', f.read())
    return [base64.b64decode(row).decode("utf-8") for row in rows]


def stand_in(path):
    """The contents whose digests the build's table holds."""
    return ("stand-in for %s\n" % path).encode("utf-8")


class EmptyReplyServer:
    """The download-URL service on a loopback port: every request gets an
    empty dictionary (no components); the resources come from the test
    folder switch."""

    def __init__(self):
        class Handler(http.server.BaseHTTPRequestHandler):
            def answer(self):
                length = int(self.headers.get("Content-Length") or 0)
                if length:
                    self.rfile.read(length)
                body = b"{}"
                self.send_response(200)
                self.send_header("Content-Type", "application/json")
                self.send_header("Content-Length", str(len(body)))
                self.end_headers()
                self.wfile.write(body)

            do_GET = answer
            do_POST = answer

            def log_message(self, *args):
                pass

        self.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        self.thread = threading.Thread(target=self.server.serve_forever, daemon=True)
        self.thread.start()
        self.url = "http://127.0.0.1:%d/" % self.server.server_address[1]

    def close(self):
        self.server.shutdown()
        self.server.server_close()


def scenario_repair(prefix, a):
    """Operation 5 run by the installation's own installer.exe (from the
    versioned folder it would otherwise copy over itself): the missing
    downloadable resources come back, nothing else changes, and the status
    keeps its version and app id. A second repair, with nothing missing and
    no service at all, needs no fetch and changes nothing."""
    folder = "C:\\e2e\\Tarvo"
    install(prefix, ["--allusers=0", "--installfolder=" + folder], "v1", a.v1, a.engine_v1)
    root = prefix.unix(folder)
    versioned = os.path.join(root, V1)
    # The stand-in package carries no resources: give the installation all
    # of them, as a full release package would have.
    resources = downloadable_resources()
    assert len(resources) == 100, len(resources)
    for path in resources:
        target = os.path.join(versioned, *path.split("/"))
        os.makedirs(os.path.dirname(target), exist_ok=True)
        with open(target, "wb") as f:
            f.write(stand_in(path))
    first = status(prefix, folder)
    before = snapshot(prefix)
    lost = ["localization/de.pak", "localization/de.pak.info", "tarvo_150_percent.pak"]
    for path in lost:
        os.remove(os.path.join(versioned, *path.split("/")))
    # What the fetch may bring: every resource, as a test folder.
    offered = os.path.join(prefix.c, "offered")
    for path in resources:
        target = os.path.join(offered, *path.split("/"))
        os.makedirs(os.path.dirname(target), exist_ok=True)
        with open(target, "wb") as f:
            f.write(stand_in(path))
    installer = os.path.join(versioned, "installer.exe")
    server = EmptyReplyServer()
    try:
        seen = set(prefix.logs())
        code = prefix.run(installer, "--fix-downloadable-resources", "--silent", *QUIET,
                          "--internal-package-server=" + server.url,
                          "--test-downloadable-resources-dir=C:\\offered")
        check_code(prefix, seen, code, 0, "repair")
    finally:
        server.close()
    shutil.rmtree(offered)
    for path in lost:
        with open(os.path.join(versioned, *path.split("/")), "rb") as f:
            assert f.read() == stand_in(path), "%s not restored" % path
    check_repaired_status(first, status(prefix, folder))
    status_file = "file e2e/Tarvo/installation_status.json"
    changes = [c for c in diff(before, snapshot(prefix)) if c != status_file]
    assert not changes, "changed by the repair:\n  " + "\n  ".join(changes[:40])

    # Nothing missing now, and no service to ask: nothing is fetched.
    repaired = snapshot(prefix)
    seen = set(prefix.logs())
    code = prefix.run(installer, "--fix-downloadable-resources", "--silent", *QUIET,
                      "--internal-package-server=http://127.0.0.1:1/")
    check_code(prefix, seen, code, 0, "repair with nothing missing")
    changes = [c for c in diff(repaired, snapshot(prefix)) if c != status_file]
    assert not changes, "changed by the second repair:\n  " + "\n  ".join(changes[:40])
    check_repaired_status(first, status(prefix, folder))
    assert "Tarvo" in prefix.reg("HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall")


def check_repaired_status(first, repaired):
    """The repaired status names the same version, folder and app id."""
    for key in ("version", "app_id", "subfolder", "path"):
        old = re.search(r'"%s"\s*:\s*("[^"]*")' % key, first)
        if old:
            assert old.group(0) in repaired, "%s changed: %s" % (key, repaired)
    assert V1 in repaired


def scenario_uninstall_in_use(prefix, a):
    """The browser runs: the uninstall ends with result 9 (exit code 109)
    and takes nothing away."""
    folder = "C:\\e2e\\Tarvo"
    install(prefix, ["--allusers=0", "--installfolder=" + folder], "v1", a.v1, a.engine_v1)
    root = prefix.unix(folder)
    records = os.path.join(prefix.c, "records")
    os.makedirs(records)
    browser = subprocess.Popen([WINE, os.path.join(root, V1, "tarvo.exe")],
                               env=dict(prefix.env, TARVO_PACKAGE_STAY_SECONDS_TARVO="90",
                                        TARVO_PACKAGE_RECORD_DIR="C:\\records"),
                               stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    try:
        # The program records its start, then stays.
        for _ in range(600):
            if os.path.exists(os.path.join(records, "tarvo.txt")):
                break
            time.sleep(0.1)
        else:
            raise AssertionError("the browser did not start")
        # No wait for the wineserver's end here: the browser keeps it.
        before = snapshot_without_wait(prefix)
        seen = set(prefix.logs())
        code = subprocess.run([WINE, os.path.join(root, V1, "installer.exe"), "--uninstall",
                               "--silent", *QUIET], env=prefix.env, timeout=240,
                              stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL, check=False).returncode
        check_code(prefix, seen, code, 109, "uninstall while the browser runs")
        changes = diff(before, snapshot_without_wait(prefix))
        assert not changes, "removed or changed:\n  " + "\n  ".join(changes[:40])
    finally:
        browser.kill()
        browser.wait()
        prefix.wait()


KEPT_PREFS = r"installer_prefs\.json(\.backup)?"
# What an install followed by an uninstall may leave: what the README lists
# as deliberately left (the logs are in the temporary folder, which the
# snapshot leaves out), and what Wine keeps.
LEGITIMATELY_LEFT = re.compile("|".join([
    # The installer's own preferences, and so the installation folder; the
    # folder above it is above the installation folder.
    r"file e2e/(Tarvo/)?$",
    r"file e2e/[^/]+/%s$" % KEPT_PREFS,
    # The company key keeps the user's "Last ... Install Path" preference,
    # the folder offered to the next install.
    r"\+ user\.reg \[Software\\\\Tarvo Software\]$",
]))


def warm_up_console(prefix):
    """Wine writes its console settings the first time a program gets a
    console of its own, as the uninstall's clean-up script does."""
    prefix.run("cmd.exe", "/c", "start", "/wait", "/min", "cmd", "/c", "exit")


# Errors of what Wine cannot do, as the README lists it: its shell has no
# "taskbarpin" verb, so no pin is made.
WINE_ERRORS = re.compile(r"\] Failed pinning ")


def error_lines(logs):
    """The ERROR lines of the given logs: a deployer greps for them, so a
    successful run must have none but those of WINE_ERRORS."""
    return [line.rstrip() for log in logs
            for line in open(log, encoding="utf-8", errors="replace")
            if ":ERROR:" in line and not WINE_ERRORS.search(line)]


def scenario_uninstall_leaves_nothing(prefix, a):
    """An install, an upgrade and an uninstall leave the prefix as it was,
    but for what LEGITIMATELY_LEFT lists, and no run logs an error."""
    folder = "C:\\e2e\\Tarvo"
    args = ["--allusers=0", "--installfolder=" + folder]
    warm_up_console(prefix)
    before = snapshot(prefix)
    seen = set(prefix.logs())
    install(prefix, args, "v1", a.v1, a.engine_v1)
    install(prefix, args, "v2", os.path.join(a.packages_dir, "installer_v2.exe"),
            os.path.join(a.packages_dir, "bin_" + V2))
    code = prefix.run(os.path.join(prefix.unix(folder), V2, "installer.exe"),
                      "--uninstall", "--silent", *QUIET)
    check_code(prefix, seen, code, 0, "uninstall")
    after = snapshot(prefix)
    changes = [c for c in diff(before, after) if not LEGITIMATELY_LEFT.match(c)]
    # What may stay is only the empty folders, and the one user preference.
    for key, lines in after[1].items():
        if key not in before[1] and LEGITIMATELY_LEFT.match("+ " + key):
            if not all(re.match(r'"Last [^"]* Install Path"=', line) for line in lines):
                changes.append("values left in %s: %s" % (key, sorted(lines)))
    left = prefix.unix(folder)
    left_files = [name for name in os.listdir(left) if not re.fullmatch(KEPT_PREFS, name)] \
        if os.path.isdir(left) else []
    if left_files:
        changes.append("files left in the installation folder: %s" % left_files)
    assert not changes, "left behind:\n  " + "\n  ".join(changes[:40])
    errors = error_lines([log for log in prefix.logs() if log not in seen])
    assert not errors, "errors logged by a successful install and uninstall:\n" + "\n".join(errors)


def scenario_failure_rolls_back(prefix, a):
    """A step that fails late (the status file's place is taken by a
    folder) rolls back everything the install did before it."""
    folder = "C:\\e2e\\Tarvo"
    blocker = os.path.join(prefix.unix(folder), "installation_status.json")
    os.makedirs(blocker)
    path = installer_dir(prefix, "v1", a.v1)
    shutil.copy(os.path.join(a.build_dir, "bin", "installer_engine.dll"), os.path.dirname(path))
    # Wine records its devices on the first start of a program: let it
    # before the snapshot.
    prefix.run("cmd.exe", "/c", "exit")
    before = snapshot(prefix)
    code = prefix.run(path, "--silent", *QUIET, "--allusers=0", "--installfolder=" + folder)
    assert code != 0, "an install that could not write its status reported success"
    changes = diff(before, snapshot(prefix))
    assert not changes, "left behind:\n  " + "\n  ".join(changes[:40])
    failed = [line.split("] ", 1)[-1] for log in prefix.logs()
              for line in open(log, encoding="utf-8", errors="replace")
              if "failed:" in line and "Step " in line]
    print("failed with exit code %d (%s) and left the prefix as it was"
          % (code, failed[0].strip() if failed else "no step failure logged"))


# The install list of the packaged installer, in order (the first step of a
# name where several share it). Each is made to fail in turn.
INSTALL_STEPS = [
    "verify_downloadable_resources", "verify_package_contents", "delete_file_step",
    "move_file", "copy_file:launcher.exe", "install_tracking_data",
    "copy_file:pref_default_overrides", "install_helper", "setup_registry",
    "install_shortcuts", "write_installer_prefs", "install_components",
    "write_installation_status", "setup_file_and_protocol_handlers", "finalize",
]
FAILURE_SHARDS = 3


def scenario_failure_at_each_step(prefix, a, shard):
    """The engine's test switch makes one named step of the install list
    fail; whichever it is, the prefix is left as it was before the run.
    All runs of a shard share the prefix: each starts from what the last
    one must have left, the untouched prefix."""
    folder = "C:\\e2e\\Tarvo"
    path = installer_dir(prefix, "v1", a.v1)
    shutil.copy(os.path.join(a.engine_v1, "installer_engine.dll"), os.path.dirname(path))
    prefix.run("cmd.exe", "/c", "exit")
    # The user's classes key exists on Windows; a fresh prefix lacks it, and
    # the rollback of its creation would take along whatever a step left in
    # it outside the transaction.
    prefix.run("reg", "add", "HKCU\\Software\\Classes", "/f")
    before = snapshot(prefix)
    failures = []
    for step in INSTALL_STEPS[shard::FAILURE_SHARDS]:
        seen = set(prefix.logs())
        env = dict(prefix.env, TARVO_INSTALLER_TEST_FAIL_STEP=step)
        code = subprocess.run([WINE, path, "--silent", *QUIET, "--allusers=0",
                               "--installfolder=" + folder], env=env, timeout=240,
                              stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL, check=False).returncode
        prefix.wait()
        logs = "".join(open(log, encoding="utf-8", errors="replace").read()
                       for log in prefix.logs() if log not in seen)
        if "Step %s was told to fail" % step not in logs:
            failures.append("%s: never ran (exit code %d); not in the install list?" % (step, code))
            continue
        changes = diff(before, snapshot(prefix))
        if code == 0 or changes:
            failures.append("%s: exit code %d, left behind:\n    %s"
                            % (step, code, "\n    ".join(changes[:20])))
            break
        print("%s failed with exit code %d and left the prefix as it was" % (step, code))
    assert not failures, "\n".join(failures)


SCENARIOS = {
    "current_user": scenario_current_user,
    "all_users": scenario_all_users,
    "upgrade": scenario_upgrade,
    "uninstall": scenario_uninstall,
    "failure_rolls_back": scenario_failure_rolls_back,
    "repair": scenario_repair,
    "uninstall_in_use": scenario_uninstall_in_use,
    "uninstall_leaves_nothing": scenario_uninstall_leaves_nothing,
}
for _shard in range(FAILURE_SHARDS):
    SCENARIOS["failure_at_steps_%d" % _shard] = (
        lambda prefix, a, shard=_shard: scenario_failure_at_each_step(prefix, a, shard))


def versioned_copy(folder, names, version, out):
    """Copies of the built programs that say `version` wherever they say
    the build's own (the strings of the version resources), and an
    installer.exe whose product information adds to the major version what
    makes it `version`: same lengths, so nothing else in the files moves."""
    os.makedirs(out, exist_ok=True)
    for name in names:
        with open(os.path.join(folder, name), "rb") as f:
            data = f.read()
        for encoding in ("ascii", "utf-16-le"):
            data = data.replace(V1.encode(encoding), version.encode(encoding))
        delta = int(version.split(".")[0]) - int(V1.split(".")[0])
        data = data.replace(b'"major_delta": 0,', b'"major_delta": %d,' % delta)
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)


def build_packages(a):
    os.makedirs(a.out_dir, exist_ok=True)
    here = os.path.join(a.source_dir, "package")
    programs_dir = os.path.join(a.build_dir, "package_programs")
    programs = [name for name in os.listdir(programs_dir)
                if name.endswith(".exe") and not name.endswith("_unittests.exe")]
    for version, name in ((V2, "installer_v2.exe"), (V3, "installer_v3.exe")):
        bin_copy = os.path.join(a.out_dir, "bin_" + version)
        versioned_copy(os.path.join(a.build_dir, "bin"), ["installer.exe", "installer_engine.dll"],
                       version, bin_copy)
        versioned_copy(programs_dir, programs, version, os.path.join(a.out_dir, "programs_" + version))
        package = os.path.join(a.out_dir, "package_" + version)
        subprocess.run([sys.executable, os.path.join(here, "build_package.py"),
                        "--bin-dir", bin_copy,
                        "--programs-dir", os.path.join(a.out_dir, "programs_" + version),
                        "--out-dir", package, "--browser-exe", "tarvo.exe",
                        "--version", version, "--stream", "developer"],
                       check=True, stdout=subprocess.DEVNULL)
        subprocess.run([sys.executable, os.path.join(here, "append_payload.py"),
                        "--installer", os.path.join(bin_copy, "installer.exe"),
                        "--out", os.path.join(a.out_dir, name),
                        "--package", os.path.join(package, "tarvo_package"), "--sign", "none"],
                       check=True, stdout=subprocess.DEVNULL)
    return 0


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("what", choices=["packages", *SCENARIOS])
    parser.add_argument("--build-dir", required=True)
    parser.add_argument("--source-dir")
    parser.add_argument("--packages-dir")
    parser.add_argument("--out-dir")
    a = parser.parse_args()
    if a.what == "packages":
        return build_packages(a)
    return run_in_fresh_prefix(a.what, SCENARIOS[a.what], a)


def main_of_scenarios(scenarios, name_prefix=""):
    """The command line of a script of scenarios that need only the build
    (SCENARIO --build-dir B): runs the one named in a fresh prefix, whose
    folder's name starts with name_prefix and the scenario's."""
    parser = argparse.ArgumentParser()
    parser.add_argument("what", choices=list(scenarios))
    parser.add_argument("--build-dir", required=True)
    a = parser.parse_args()
    return run_in_fresh_prefix(name_prefix + a.what, scenarios[a.what], a)


def run_in_fresh_prefix(what, scenario, a):
    """Runs scenario(prefix, a) in a fresh prefix of its own, with a.v1 (the
    build's installer that carries its package) and a.engine_v1 (its
    engine's folder) set; returns the exit code: 0, or SKIP. A failure
    raises, after the end of every log is printed."""
    a.v1 = os.path.join(a.build_dir, "payload_installers", "full_package.exe")
    a.engine_v1 = os.path.join(a.build_dir, "bin")
    root = tempfile.mkdtemp(prefix="tarvo-e2e-%s-" % what)
    prefix = Prefix(root)
    try:
        scenario(prefix, a)
        print("%s: passed" % what)
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

#!/usr/bin/env python3
"""The interactive installer end to end: the real installer.exe with the
full package appended, started without --silent on a display, its window
driven from another process as a user would (installer_window_driver.exe
presses Accept, or closes the window and answers the question).

  interactive_end_to_end_test.py SCENARIO --build-dir B

  accept      one prefix installs silently, another through the window:
              same exit code, same files and registry changes; the window
              went through the progress page to the end of the install.
  close       the window is closed on its welcome page, and, with Wine
              saying Windows Vista, on the unsupported-system error page
              that Accept shows (without the full-package offer, and
              without a text that asks for one): each run
              ends with result 20 (exit code 120) and installs nothing.
              And --uninstall where nothing is installed, by keyboard
              alone: Enter on the uninstall page shows the uninstall's
              failure, Escape asks the uninstall question; exit code 102.
  cancel      the window is closed on its progress page while the backend
              is held at its last step: the window says that it cancels
              until the backend has rolled back and ended; the run ends with
              exit code 120 and the prefix is as it was before the install.
              Then early cancels, on the welcome page and at instants
              after Accept while the preference overrides are being
              fetched (from a server that never answers): each leaves
              nothing but logs in the temporary folder.

Every wait is bounded; the scenarios share the silent end-to-end test's
prefix handling and the package the build appended to installer.exe.
"""

import argparse
import glob
import hashlib
import os
import re
import shutil
import socket
import subprocess
import sys
import tempfile
import threading

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "controller"))
import silent_end_to_end_test as e2e  # noqa: E402
import trust_end_to_end_test as trust  # noqa: E402

FOLDER = "C:\\e2e\\Tarvo"
ARGS = [*e2e.QUIET, "--allusers=0", "--installfolder=" + FOLDER, "--language=en"]
# Whole-run bound of one installer, as generous as the silent scenarios'
# (a driver working the window had not ended after 60 s on a loaded two-core machine);
# the driver gives up earlier, so that it still reports what it saw.
RUN_SECONDS = 240
DRIVER_SECONDS = 200
# Values that differ from one install to the next whatever the way.
VOLATILE = re.compile(rb'("last_installation_guid":"|"InstallDate"=")[^"]*')
PROGRESS_LINE = re.compile(r"^page=(\d+) bar=(-?\d+)/(-?\d+)\.\.(-?\d+) accept=(\d) full=(\d) "
                           r"status=(.*)$")


class DisplayPrefix(e2e.Prefix):
    """A fresh prefix on a display of its own (several per scenario), in
    which Wine's X11 driver expects no window manager: managed windows
    would wait for one at every unmap."""

    def __init__(self, root):
        super().__init__(root)
        for proxy in ("http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY"):
            self.env.pop(proxy, None)
        self.run("reg", "add", "HKCU\\Software\\Wine\\X11 Driver", "/v", "Managed", "/d", "N", "/f")


def make_prefixes(root, count):
    """`count` fresh prefixes, booted side by side."""
    prefixes, errors = [None] * count, []

    def boot(i):
        try:
            prefixes[i] = DisplayPrefix(os.path.join(root, str(i)))
        except Exception as error:  # reported below, after the others booted
            errors.append(error)

    threads = [threading.Thread(target=boot, args=(i,)) for i in range(count)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    if errors:
        for prefix in prefixes:
            if prefix:
                prefix.close()
        raise errors[0]
    return prefixes


def place_installer(prefix, a):
    folder = os.path.join(prefix.root, "installer")
    os.makedirs(folder, exist_ok=True)
    shutil.copy(a.installer, os.path.join(folder, "installer.exe"))
    shutil.copy(os.path.join(a.build_dir, "bin", "installer_engine.dll"), folder)
    return os.path.join(folder, "installer.exe")


def run_with_window(prefix, installer, commands, args=ARGS, env=None, between=None, ended=None):
    """Runs the installer without --silent while the driver works its
    window; returns (exit code, the driver's lines). With `between`,
    `commands` is a list of command lists, each worked by a driver of its
    own, and `between()` runs after each but the last; `ended()` runs as
    soon as the installer has ended, before anything else of the prefix
    is waited for. The driver writes to
    a file, not a pipe: when it is the first program of the prefix's new
    wineserver, Wine's own background processes inherit its output and
    would keep a pipe open until the wineserver ends."""
    installer_run = subprocess.Popen([e2e.WINE, installer, *args], env=env or prefix.env,
                                     stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL)
    with tempfile.TemporaryFile() as out:
        def seen():
            out.seek(0)
            return out.read().decode("utf-8", "replace").replace("\r", "").splitlines()

        try:
            try:
                for i, part in enumerate(commands if between else [commands]):
                    if i:
                        between()
                    driver = subprocess.run(
                        [e2e.WINE, os.path.join(prefix.root, "..", "driver.exe"),
                         str(DRIVER_SECONDS), *part],
                        env=prefix.env, timeout=RUN_SECONDS, stdin=subprocess.DEVNULL,
                        stdout=out, stderr=subprocess.DEVNULL, check=False)
                    if driver.returncode:
                        break
            except subprocess.TimeoutExpired:
                print("\n".join("  driver: " + line for line in seen()))
                raise
            # A driver that gave up leaves a window nobody will close.
            try:
                code = installer_run.wait(timeout=RUN_SECONDS) if driver.returncode == 0 else None
                if ended and code is not None:
                    ended()
            except subprocess.TimeoutExpired:
                print("\n".join("  driver: " + line for line in seen()))
                raise AssertionError("the installer did not end after its window had gone")
        finally:
            if installer_run.poll() is None:
                installer_run.kill()
                installer_run.wait()
        prefix.wait()
        lines = seen()
    print("\n".join("  driver: " + line for line in lines))
    assert driver.returncode == 0 and lines and lines[-1] == "ok", \
        "the driver failed (exit code %d)" % driver.returncode
    return code, lines


def states(lines):
    """The window's states as the driver saw them: (page, position, low,
    high, accept enabled, full package shown, status text)."""
    found = []
    for line in lines:
        match = PROGRESS_LINE.match(line)
        if match:
            found.append(tuple(int(v) for v in match.groups()[:6]) + (match.group(7),))
    return found


def normalized_changes(before, after):
    """What an install changed, without what differs between any two
    installs: time stamps and the ids generated for each (the app id of
    the status file, in file contents and registry names alike)."""
    app_id = None
    for path, digest in after[0].items():
        if path.endswith("installation_status.json") and digest:
            with open(os.path.join(after[2], path), encoding="utf-8") as f:
                match = re.search(r'"app_id":"([^"]+)"', f.read())
                app_id = match and match.group(1)

    def mask(data):
        if app_id:
            data = data.replace(app_id.encode("ascii"), b"*")
            data = data.replace(app_id.encode("utf-16-le"), "*".encode("utf-16-le"))
        return VOLATILE.sub(rb"\1*", data)

    changes = set()
    for path in set(before[0]) | set(after[0]):
        if before[0].get(path) == after[0].get(path):
            continue
        digest = after[0].get(path)
        if digest:
            with open(os.path.join(after[2], path), "rb") as f:
                data = mask(f.read())
            if path.endswith(".lnk"):
                # A shortcut's item ids hold its target's time stamps: what
                # counts are its texts (target, folder, arguments, app id).
                data = b"\n".join(re.findall(rb"[\x20-\x7e]{4,}|(?:[\x20-\x7e]\x00){4,}", data))
            digest = hashlib.sha1(data).hexdigest()
        changes.add("file %s %s" % (path, digest))
    for change in e2e.diff(before[:2], after[:2]):
        if not change.startswith("file "):
            changes.add(mask(change.encode("utf-8")).decode("utf-8"))
    return changes


def snapshot(prefix):
    """The silent test's snapshot, with the home's files (the desktop's
    shortcut) under "home/", and the folder the paths start from."""
    files, registry = e2e.snapshot(prefix)
    home = prefix.env["HOME"]
    for name in os.listdir(home):
        path = os.path.join(home, name)
        if os.path.isfile(path) and not os.path.islink(path):
            with open(path, "rb") as f:
                files[os.path.join("..", "..", "home", name)] = hashlib.sha1(f.read()).hexdigest()
    return files, registry, prefix.c


def scenario_accept(prefixes, a):
    silent, interactive = prefixes
    results = {}
    for name, prefix in (("silent", silent), ("interactive", interactive)):
        installer = place_installer(prefix, a)
        # Wine records its devices on the first start of a program.
        prefix.run("cmd.exe", "/c", "exit")
        before = snapshot(prefix)
        if name == "silent":
            code = prefix.run(installer, "--silent", *ARGS)
            lines = []
        else:
            code, lines = run_with_window(prefix, installer, ["accept", "wait-end"])
        results[name] = (code, normalized_changes(before, snapshot(prefix)), lines)
    assert results["silent"][0] == 0, "the silent install failed: %d" % results["silent"][0]
    assert results["interactive"][0] == results["silent"][0], \
        "exit code %d through the window, %d silently" % (results["interactive"][0],
                                                          results["silent"][0])
    only_silent = sorted(results["silent"][1] - results["interactive"][1])
    only_window = sorted(results["interactive"][1] - results["silent"][1])
    assert not only_silent and not only_window, \
        "the installs differ:\n  silent only:\n    %s\n  window only:\n    %s" % (
            "\n    ".join(only_silent[:20]), "\n    ".join(only_window[:20]))
    seen = states(results["interactive"][2])
    # The welcome page came first, with Accept enabled.
    assert seen and seen[0][0] == 0 and seen[0][4] == 1, "no welcome page first: %s" % seen[:1]
    # The last page the window showed is the progress page, with the bar
    # on the full range and inside the installation steps' share of it.
    progress = [s for s in seen if s[0] == 4]
    assert progress, "the progress page never showed"
    last_page = [s for s in seen if s[0] != 6][-1]
    assert last_page[0] == 4, "the window ended on page %d" % last_page[0]
    _, position, low, high, accept, full, _ = progress[-1]
    assert high == 1304 and low <= 1204 <= position <= high, \
        "the bar ended at %d of %d..%d" % (position, low, high)
    assert accept == 0 and full == 0, "Accept or the full package shown while installing"
    # The window being taken down may no longer answer for its texts.
    status = [s[6] for s in progress if s[6] != "<no answer>"][-1]
    assert status.startswith("Installing for current user ("), "last status: %r" % status
    # The bar only moves forward.
    positions = [s[1] for s in progress]
    assert positions == sorted(positions), "the bar went back: %s" % positions


def scenario_close(prefixes, a):
    """Closing the window, on the welcome page and on the unsupported-system
    page (Wine saying Windows Vista), ends the run as not finished; an
    uninstall where nothing is installed fails, and is left, by keyboard."""
    prefix = prefixes[0]
    installer = place_installer(prefix, a)
    code, lines = run_with_window(prefix, installer, ["enter", "wait-error", "escape", "wait-end"],
                                  args=[*e2e.QUIET, "--uninstall", "--language=en"])
    error = [s for s in states(lines) if s[0] == 5]
    assert error and error[-1][6] == "An error occurred while attempting to uninstall Tarvo!", \
        "no uninstall failure page: %s" % error[-1:]
    assert any(line.startswith("question: Tarvo is not finished uninstalling.")
               for line in lines), "no uninstall question"
    assert code == 102, "an uninstall with nothing installed ended with exit code %d" % code

    code, lines = run_with_window(prefix, installer, ["close", "wait-end"])
    assert any(line.startswith("question: Tarvo is not finished installing.") for line in lines), \
        "no close question"
    assert code == 120, "closing the window ended the run with exit code %d" % code
    assert not os.path.exists(prefix.unix(FOLDER)), "closing the window left an installation"

    prefix.run("reg", "add", "HKCU\\Software\\Wine\\AppDefaults\\installer.exe", "/v", "Version",
               "/d", "vista", "/f")
    code, lines = run_with_window(prefix, installer, ["accept", "wait-error", "close", "wait-end"])
    # The page as it was shown, before closing took the window down.
    error = [s for s in states(lines[:lines.index("closing")]) if s[0] == 5]
    assert error, "no error page"
    status, full = error[-1][6], error[-1][5]
    # The page offers no full installer, so its text sends nobody to one.
    assert status == "This version of Tarvo is not compatible with your operating system.", \
        "error text: %r" % status
    assert full == 0, "the unsupported-system page offered the full package"
    assert code == 120, "closing the unsupported-system page: exit code %d" % code
    assert not os.path.exists(prefix.unix(FOLDER)), "an unsupported system got an installation"


def scenario_cancel(prefixes, a):
    """Cancelling on the progress page, with the backend held at its last
    step, ends once the backend has undone everything."""
    prefix = prefixes[0]
    installer = place_installer(prefix, a)
    # Wine records its devices on the first start of a program.
    prefix.run("cmd.exe", "/c", "exit")
    before = snapshot(prefix)
    seen_logs = set(prefix.logs())
    # The files the moment the installer has ended: nothing may still be
    # undoing its work then.
    at_end = []
    code, lines = run_with_window(
        prefix, installer, [["accept"], ["close", "wait-end"]],
        env=dict(prefix.env, TARVO_INSTALLER_TEST_STOP_AT="finalize"),
        between=lambda: trust.wait_for_log_line(prefix, seen_logs, "Stopped at finalize"),
        ended=lambda: at_end.append(e2e.snapshot_without_wait(prefix)[0]))
    assert any(line.startswith("question: Tarvo is not finished installing.") for line in lines), \
        "no close question"
    stopping = [s for s in states(lines) if s[6] == "Canceling\u2026"]
    assert stopping and stopping[-1][0] == 4, "the window never said that it cancels"
    assert code == 120, "the cancelled install ended with exit code %d" % code
    left = sorted(path for path in set(before[0]) ^ set(at_end[0]))
    assert not left, "the installer ended while its work was still there:\n  %s" % (
        "\n  ".join(left[:30]))
    left = sorted(normalized_changes(before, snapshot(prefix)))
    assert not left, "the cancelled install left:\n  %s" % "\n  ".join(left[:30])
    cancel_early(prefix, installer)


def temporary_files(prefix):
    """Every file and folder in the user's temporary folder but the logs."""
    found = set()
    for temp in glob.glob(os.path.join(prefix.c, "users", "*", "Temp")):
        for root, dirs, names in os.walk(temp):
            found.update(os.path.join(root, name) for name in dirs + names
                         if not name.endswith(".log"))
    return found


def cancel_early(prefix, installer):
    """Closing the window early, before Accept or while the preference
    overrides are fetched (their file open in the package folder), leaves
    nothing in the temporary folder."""
    stalled = socket.socket()
    stalled.bind(("127.0.0.1", 0))
    stalled.listen(8)
    args = [arg for arg in ARGS if "pref-default-overrides" not in arg]
    args += ["--with-feature:installer-pref-default-overrides-support=on",
             "--local-pref-default-overrides-server=http://127.0.0.1:%d/" % stalled.getsockname()[1]]
    try:
        before = temporary_files(prefix)
        for commands in (["close"], ["accept", "close"], ["accept", "wait:1000", "close"],
                         ["accept", "wait:2500", "close"]):
            code, _ = run_with_window(prefix, installer, commands + ["wait-end"], args=args)
            assert code == 120, "%s: exit code %d" % (commands, code)
            left = sorted(temporary_files(prefix) - before)
            assert not left, "%s left:\n  %s" % (commands, "\n  ".join(left))
    finally:
        stalled.close()


SCENARIOS = {
    "accept": (scenario_accept, 2),
    "close": (scenario_close, 1),
    "cancel": (scenario_cancel, 1),
}


def run_scenario(name, scenario, count, a):
    """Runs `scenario` on `count` fresh prefixes that share a driver;
    prints the end of every log when it fails."""
    a.installer = os.path.join(a.build_dir, "payload_installers", "full_package.exe")
    root = tempfile.mkdtemp(prefix="tarvo-ui-e2e-%s-" % name)
    shutil.copy(os.path.join(a.build_dir, "host_test", "installer_window_driver.exe"),
                os.path.join(root, "driver.exe"))
    prefixes = make_prefixes(root, count)
    try:
        scenario(prefixes, a)
        print("%s: passed" % name)
        return 0
    except BaseException:
        for prefix in prefixes:
            e2e.print_log_ends(prefix)
        raise
    finally:
        for prefix in prefixes:
            prefix.close()
        shutil.rmtree(root, ignore_errors=True)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("scenario", choices=list(SCENARIOS))
    parser.add_argument("--build-dir", required=True)
    a = parser.parse_args()
    scenario, count = SCENARIOS[a.scenario]
    return run_scenario(a.scenario, scenario, count, a)


if __name__ == "__main__":
    sys.exit(main())

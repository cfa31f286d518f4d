#!/usr/bin/env python3
"""Where the time of bench/install_bench.sh's installs goes, stage by stage,
read from the millisecond times of the installer's own logs: the main
process, the backend that unpacks and the backend started from the package.
Each stage is the median over the runs, in ms; a stage whose log lines are
missing is shown as "-".
Usage: install_profile.py LOG_FOLDER WALL_MS..."""
import glob
import os
import re
import statistics
import sys

LINE = re.compile(r"^\[\d+:\d+:\d{4}/(\d\d)(\d\d)(\d\d)\.(\d{3}):[A-Z0-9]+:[^\]]+\] (.*)")


def read_log(path):
    """The log's lines as (ms of the day, text)."""
    lines = []
    with open(path, encoding="utf-8", errors="replace") as log:
        for line in log:
            m = LINE.match(line)
            if m:
                h, mi, s, ms = (int(x) for x in m.groups()[:4])
                lines.append((((h * 60 + mi) * 60 + s) * 1000 + ms, m.group(5)))
    return lines


def at(lines, text):
    """The time of the first line that starts with text, or None."""
    return next((t for t, line in lines if line.startswith(text)), None)


def role(lines):
    flags = {line for _, line in lines[:20]}
    if "Backend0" in flags:
        return "main"
    return "inner" if "Inside package1" in flags else "backend"


def span(start, end):
    return None if start is None or end is None else end - start


def stages(main, backend, inner, wall):
    """(name, ms or None) of one run, in the order they happen."""
    first = lambda lines: lines[0][0] if lines else None
    last = lambda lines: lines[-1][0] if lines else None
    return [
        ("main: Wine start and exit (outside its log)",
         None if wall is None else wall - span(first(main), last(main))),
        ("main: set-up and folder probe", span(first(main), at(main, "Writing payload to file"))),
        ("main: payload to package folder",
         span(at(main, "Writing payload to file"), at(main, "Package ready."))),
        ("backend: process start", span(at(main, "launching installer backend"), first(backend))),
        ("backend: set-up", span(first(backend), at(backend, "Need to wait for actual package"))),
        ("backend: waits for the package",
         span(at(backend, "Need to wait for actual package"), at(backend, "Package is ready"))),
        ("backend: verify and unpack",
         span(at(backend, "Package is ready"), at(backend, "Running installer from the package"))),
        ("second backend: process start",
         span(at(backend, "Running installer from the package"), first(inner))),
        ("second backend: set-up", span(first(inner), at(inner, "Beginning installation"))),
        ("second backend: steps",
         span(at(inner, "Beginning installation"), at(inner, "Installation succeeded"))),
        ("ends: second backend, backend, main",
         span(at(inner, "Installation succeeded"), last(main))),
    ]


def main():
    folder, walls = sys.argv[1], [int(w) for w in sys.argv[2:]]
    runs = {}
    for path in sorted(glob.glob(os.path.join(folder, "*.log"))):
        lines = read_log(path)
        # A run's three processes name the same installation folder.
        folder_line = next((line for _, line in lines if line.startswith("Install folder from")), None)
        if folder_line:
            runs.setdefault(folder_line, {})[role(lines)] = lines
    # Runs in the order they ran: by the main process's first line.
    ordered = sorted(runs.values(), key=lambda r: r.get("main", [(0, "")])[0][0])
    table = []
    for i, run in enumerate(ordered):
        wall = walls[i] if i < len(walls) else None
        table.append(stages(run.get("main", []), run.get("backend", []), run.get("inner", []), wall))
    if not table:
        print("no installer logs in " + folder)
        return
    print("where the time goes (median of %d runs, ms):" % len(table))
    for n, (name, _) in enumerate(table[0]):
        values = [row[n][1] for row in table if row[n][1] is not None]
        print("  %-46s %s" % (name, "%d" % statistics.median(values) if values else "-"))


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Refuses a string or character literal with an escape the compiler drops
or reads as something else: an unknown letter ("\\T" becomes "T"), "\\e" or
"\\E" (GCC's escape character, 0x1B, without a warning), "\\8" or "\\9". A
Windows path written with single backslashes is the usual cause, and a test
built from one quietly tests another path.

Usage: check_escapes.py SOURCE_DIR [FOLDER...]   (default: every git file)
Checks the C and C++ sources (.h, .c, .cc, .cpp) below the folders.
"""
import os
import re
import subprocess
import sys

SUFFIXES = ('.h', '.c', '.cc', '.cpp')
# What may follow a backslash in a literal: simple escapes, octal digits,
# \x, \u, \U, and a line splice.
VALID_AFTER_BACKSLASH = set('\'"?\\abfnrtv01234567xuU\n')
# A raw string: prefix, R, delimiter up to "(". Its body holds no escapes.
RAW_START = re.compile(r'(?:u8|u|U|L)?R"([^()\\\s]{0,16})\(')
PREFIX_CHARS = set('uU8L')


def bad_escapes(text):
    """(line, literal text) of every literal in `text` with a bad escape."""
    found = []
    i, line, n = 0, 1, len(text)
    while i < n:
        c = text[i]
        if c == '\n':
            line += 1
            i += 1
        elif text.startswith('//', i):
            end = text.find('\n', i)
            i = n if end < 0 else end
        elif text.startswith('/*', i):
            end = text.find('*/', i + 2)
            end = n if end < 0 else end + 2
            line += text.count('\n', i, end)
            i = end
        elif c == '#' and text[text.rfind('\n', 0, i) + 1:i].strip() == '':
            # A directive: an include's "a\b.h" is no literal. A directive
            # ends at a line end without a splice.
            end = i
            while True:
                end = text.find('\n', end)
                if end < 0 or text[end - 1] != '\\':
                    break
                end += 1
            end = n if end < 0 else end
            directive = text[i:end]
            if re.match(r'#\s*include\b', directive):
                line += directive.count('\n')
                i = end
            else:
                i += 1  # The rest of the directive is scanned as code.
        elif c == 'R' or (c in PREFIX_CHARS and RAW_START.match(text, i)):
            raw = RAW_START.match(text, i)
            if raw and (i == 0 or not (text[i - 1].isalnum() or text[i - 1] == '_')):
                close = ')' + raw.group(1) + '"'
                end = text.find(close, raw.end())
                end = n if end < 0 else end + len(close)
                line += text.count('\n', i, end)
                i = end
            else:
                i += 1
        elif c in '"\'':
            start, start_line, bad = i, line, False
            i += 1
            while i < n and text[i] != c and text[i] != '\n':
                if text[i] == '\\' and i + 1 < n:
                    if text[i + 1] not in VALID_AFTER_BACKSLASH:
                        bad = True
                    if text[i + 1] == '\n':
                        line += 1
                    i += 2
                else:
                    i += 1
            i += 1
            if bad:
                found.append((start_line, text[start:i]))
        elif c.isdigit():
            # A number, its digit separators (1'000'000) included.
            while i < n and (text[i].isalnum() or text[i] in '_.' or
                             (text[i] == "'" and i + 1 < n and text[i + 1].isalnum())):
                i += 1
        elif c.isalpha() or c == '_':
            # A whole name, so that an "R" inside one never starts a raw
            # string; a prefix (L, u8) leaves its literal to the next turn.
            while i < n and (text[i].isalnum() or text[i] == '_'):
                i += 1
        else:
            i += 1
    return found


def source_files(source_dir, folders):
    listed = subprocess.run(['git', '-C', source_dir, 'ls-files', '--'] + (folders or ['.']),
                            capture_output=True, text=True)
    if listed.returncode == 0:
        return sorted(p for p in listed.stdout.splitlines() if p.endswith(SUFFIXES))
    # Not a git checkout: every source but the build's and the caches'.
    files = []
    for folder in folders or ['.']:
        for root, dirs, names in os.walk(os.path.join(source_dir, folder)):
            dirs[:] = [d for d in dirs if not d.startswith('.') and d != 'build']
            files += [os.path.relpath(os.path.join(root, name), source_dir)
                      for name in names if name.endswith(SUFFIXES)]
    return sorted(files)


def main(argv):
    if len(argv) < 2:
        print(__doc__)
        return 2
    source_dir, folders = argv[1], argv[2:]
    problems = []
    for path in source_files(source_dir, folders):
        full = os.path.join(source_dir, path)
        if not os.path.isfile(full):
            continue
        with open(full, encoding='utf-8', errors='replace') as f:
            for line, literal in bad_escapes(f.read()):
                problems.append('%s:%d: escape the compiler drops or reinterprets in %s' %
                                (path, line, literal))
    for problem in problems:
        print(problem)
    return 1 if problems else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))

#!/usr/bin/env python3
"""Refuses an #include that reaches from a folder to one declared after it in
cmake/layers.cmake (a higher layer). Tests and fakes are held to the same
rule as the code beside them.

Usage: check_layers.py SOURCE_DIR FOLDER...   (folders lowest first)
"""
import os
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)
SUFFIXES = ('.h', '.cc', '.c')


def layer_of(path, folders):
    """Index of the innermost declared folder holding `path`, or None."""
    best, best_len = None, -1
    for index, folder in enumerate(folders):
        if (path + '/').startswith(folder + '/') and len(folder) > best_len:
            best, best_len = index, len(folder)
    return best


def violations(source_dir, folders):
    found = []
    for top in sorted(set(f.split('/')[0] for f in folders)):
        for root, _, names in os.walk(os.path.join(source_dir, top)):
            for name in sorted(names):
                if not name.endswith(SUFFIXES):
                    continue
                path = os.path.relpath(os.path.join(root, name), source_dir).replace(os.sep, '/')
                own = layer_of(path, folders)
                if own is None:
                    continue
                with open(os.path.join(source_dir, path), encoding='utf-8', errors='replace') as f:
                    text = f.read()
                for included in INCLUDE.findall(text):
                    target = layer_of(included, folders)
                    if target is not None and target > own:
                        found.append('%s includes %s: %s is above %s' %
                                     (path, included, folders[target], folders[own]))
    return found


def main(argv):
    if len(argv) < 3:
        print(__doc__)
        return 2
    source_dir, folders = argv[1], argv[2:]
    found = violations(source_dir, folders)
    for line in found:
        print(line)
    if found:
        print('%d include(s) reach up the layers of cmake/layers.cmake' % len(found))
        return 1
    print('%d layers, no include reaches up' % len(folders))
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))

#!/usr/bin/env python3
"""Generates the resource scripts of installer.exe from resource_table.py.

Writes into --out-dir:
  host_resources.rc   resources the engine looks up in the main module
                      (also linked into the unit-test executable)
  installer_exe.rc    what only installer.exe carries: manifest, version
  and the data files both scripts reference.
"""

import argparse
import json
import os
import re
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import images  # noqa: E402
import resource_table as table  # noqa: E402
import window_text_check  # noqa: E402

# Each language's own name, shown in the language list.
LANGUAGE_NAME_ID = 37051


def rc_string(text):
    """A narrow .rc string literal; windres reads it as UTF-8 (-c 65001)."""
    out = []
    for ch in text:
        if ch == '"':
            out.append('""')
        elif ch == "\\":
            out.append("\\\\")
        elif ch == "\n":
            out.append("\\n")
        elif ch == "\r":
            out.append("\\r")
        elif ch == "\t":
            out.append("\\t")
        else:
            out.append(ch)
    return '"' + "".join(out) + '"'


def rc_path(path):
    return rc_string(os.path.abspath(path).replace("\\", "/"))


def language_statement(lang_id):
    return "LANGUAGE 0x%02X, 0x%02X" % (lang_id & 0x3FF, lang_id >> 10)


PLACEHOLDER = re.compile(r"\$[1-9]")
ANCHOR = re.compile(r'<a href="[^"]*">|</a>')
# A translation may match English in a few short texts ("OK").
MAX_SAME_AS_ENGLISH = 3


def markers(text):
    """What a translation must keep: placeholders, link anchors and the
    number of access-key markers ("&")."""
    return (sorted(PLACEHOLDER.findall(text)), sorted(ANCHOR.findall(text)),
            text.count("&"))


def check_language(code, texts, english):
    errors = []
    used = set(english)
    ids = set(texts)
    if ids != used:
        errors.append("language %s: missing ids %s, unexpected ids %s" %
                      (code, sorted(used - ids), sorted(ids - used)))
    same = []
    for res_id in sorted(ids & used):
        text = texts[res_id]
        if not text.strip():
            errors.append("language %s: id %d is empty" % (code, res_id))
        elif markers(text) != markers(english[res_id]):
            errors.append("language %s: id %d does not keep the placeholders, "
                          "anchors and access key of English" % (code, res_id))
        product = table.PRODUCT_INFO["product_name"]
        if product in english[res_id] and product not in text:
            errors.append("language %s: id %d changes or drops the name %s" %
                          (code, res_id, product))
        if text == english[res_id]:
            same.append(res_id)
    if not code.lower().startswith("en") and len(same) > MAX_SAME_AS_ENGLISH:
        errors.append("language %s: ids %s are English" % (code, same))
    return errors


def load_all_strings():
    """Code -> id -> text for every listed language, unused ids filled in."""
    errors = []
    strings = {}
    english = table.load_strings("en")
    if set(english) & set(table.UNUSED_IDS):
        errors.append("English defines unused ids")
    names = {}
    for code in table.LANGUAGES:
        try:
            texts = table.load_strings(code)
        except (OSError, ValueError) as e:
            errors.append(str(e))
            continue
        errors += check_language(code, texts, english)
        name = texts.get(LANGUAGE_NAME_ID)
        if name in names:
            errors.append("languages %s and %s have the same name" % (names[name], code))
        names[name] = code
        texts.update({res_id: table.UNUSED_TEXT for res_id in table.UNUSED_IDS})
        strings[code] = texts
    expected = set(range(table.FIRST_STRING_ID, table.LAST_STRING_ID + 1))
    if set(english) | set(table.UNUSED_IDS) != expected:
        errors.append("English and the unused ids do not cover %d-%d" %
                      (table.FIRST_STRING_ID, table.LAST_STRING_ID))
    lang_ids = list(table.LANGUAGES.values())
    if len(set(lang_ids)) != len(lang_ids):
        errors.append("two languages share a Windows language id")
    # Every text fits its control and no two controls of a page share an
    # access key, in every language.
    try:
        errors += window_text_check.check_window_texts(strings)
    except OSError as e:
        errors.append(str(e))
    return strings, errors


def text_content(key):
    if key == "product_info":
        return json.dumps(table.PRODUCT_INFO, indent=2, ensure_ascii=False) + "\n"
    if key == "languages":
        # No line end after the last code: the engine keeps empty lines as
        # (empty) language entries.
        return "\n".join(table.LANGUAGES)
    if key == "terms":
        return table.TERMS_TEXT
    raise KeyError(key)


def write_text(path, content):
    with open(path, "w", encoding="utf-8", newline="") as f:
        f.write(content)


def host_rc(out_dir, strings):
    lines = ["// Generated by host/resources/generate_resources.py. Do not edit.",
             "#include <windows.h>", ""]
    icon = os.path.join(out_dir, "installer.ico")
    images.write_ico(icon, [16, 32, 48])
    lines.append("%d ICON %s" % (table.ICON_ID, rc_path(icon)))
    for kind, res_id, name, drawer in table.IMAGES:
        path = os.path.join(out_dir, name)
        pixels = getattr(images, drawer)()
        if kind == "PNG":
            images.write_png(path, pixels)
        else:
            images.write_jpeg(path, pixels)
        lines.append("%d %s %s" % (res_id, kind, rc_path(path)))
    for res_id, name, key in table.TEXTS:
        path = os.path.join(out_dir, name)
        write_text(path, text_content(key))
        lines.append("%d TXT %s" % (res_id, rc_path(path)))
    lines.append("")
    for code, lang_id in table.LANGUAGES.items():
        lines.append("// %s" % code)
        lines.append(language_statement(lang_id))
        lines.append("STRINGTABLE")
        lines.append("BEGIN")
        for res_id, text in sorted(strings[code].items()):
            lines.append("  %d %s" % (res_id, rc_string(text)))
        lines.append("END")
        lines.append("")
    here = os.path.dirname(os.path.abspath(__file__))
    for fragment in table.DIALOGS:
        lines.append("#include %s" % rc_path(os.path.join(here, fragment)))
    return "\n".join(lines) + "\n"


def version_numbers(version):
    parts = [int(p) for p in version.split(".")]
    if len(parts) != 4 or any(p < 0 or p > 0xFFFF for p in parts):
        raise ValueError("version must be four numbers below 65536: %s" % version)
    return parts


def installer_rc(manifest, version, stream):
    numbers = ",".join(str(n) for n in version_numbers(version))
    info = table.PRODUCT_INFO
    values = [
        ("CompanyName", info["company_name"]),
        ("FileDescription", "%s Installer" % info["visible_product_name"]),
        ("FileVersion", version),
        ("InternalName", "installer"),
        ("LegalCopyright", "Copyright %s" % info["company_name"]),
        ("OriginalFilename", "installer.exe"),
        ("ProductName", info["visible_product_name"]),
        ("ProductVersion", version),
        ("Stream", stream),
    ]
    lines = ["// Generated by host/resources/generate_resources.py. Do not edit.",
             "#include <windows.h>", "",
             "1 RT_MANIFEST %s" % rc_path(manifest), "",
             "VS_VERSION_INFO VERSIONINFO",
             "FILEVERSION %s" % numbers,
             "PRODUCTVERSION %s" % numbers,
             "FILEFLAGSMASK VS_FFI_FILEFLAGSMASK",
             "FILEFLAGS 0",
             "FILEOS VOS_NT_WINDOWS32",
             "FILETYPE VFT_APP",
             "FILESUBTYPE 0",
             "BEGIN",
             '  BLOCK "StringFileInfo"',
             "  BEGIN",
             '    BLOCK "000004B0"',
             "    BEGIN"]
    for key, value in values:
        lines.append("      VALUE %s, %s" % (rc_string(key), rc_string(value)))
    lines += ["    END",
              "  END",
              '  BLOCK "VarFileInfo"',
              "  BEGIN",
              '    VALUE "Translation", 0x0000, 0x04B0',
              "  END",
              "END"]
    return "\n".join(lines) + "\n"


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--out-dir", required=True)
    parser.add_argument("--manifest", required=True)
    parser.add_argument("--version", required=True)
    parser.add_argument("--stream", required=True)
    args = parser.parse_args()

    strings, errors = load_all_strings()
    if errors:
        for e in errors:
            print("resource table: " + e, file=sys.stderr)
        return 1
    try:
        version_numbers(args.version)
    except ValueError as e:
        print(e, file=sys.stderr)
        return 1
    os.makedirs(args.out_dir, exist_ok=True)
    write_text(os.path.join(args.out_dir, "host_resources.rc"), host_rc(args.out_dir, strings))
    write_text(os.path.join(args.out_dir, "installer_exe.rc"),
                     installer_rc(args.manifest, args.version, args.stream))
    return 0


if __name__ == "__main__":
    sys.exit(main())

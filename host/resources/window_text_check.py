"""Checks every translation against the installer window's dialogs: each
text fits the control that shows it, and no two controls shown together
share an access key ("&x": Alt+x reaches only the first of them).

Texts are measured with the fonts Wine draws the dialogs with under Debian
(DejaVu Sans, and WenQuanYi Micro Hei where DejaVu has no glyph), in
dialog units: the dialog font's average letter width is four horizontal
units and its height eight vertical ones, so a text's size in units is
nearly the same whichever font a system picks for the dialog. A text gets
a little room to spare for kerning and rounding.
"""

import os
import re
import unicodedata

import font_metrics

HERE = os.path.dirname(os.path.abspath(__file__))
DIALOGS_RC = os.path.join(HERE, "installer_dialogs.rc")
FONT_DIRS = ["/usr/share/fonts/truetype/dejavu", "/usr/share/fonts/truetype/wqy"]
REGULAR = ("DejaVuSans.ttf", "wqy-microhei.ttc")
BOLD = ("DejaVuSans-Bold.ttf", "wqy-microhei.ttc")
# A character no font has: about an average letter.
MISSING_GLYPH_EM = 0.6
# Kerning, hinting and rounding may make a text this much wider.
SPARE = 1.04
# Room a control keeps for itself, in horizontal dialog units: a push
# button's edges, a check box's box and focus frame, a combo box's arrow, a
# rich edit's margins.
CHROME = {"static": 0, "button": 6, "checkbox": 12, "combo": 14, "richedit": 2}

# What the window shows: control -> (texts, font). A text is a string id,
# or a pair (id, replacements for "$1", "$2"...), where a replacement is a
# string id or a literal sample. Fonts: (points, bold). Controls sized
# from their text at run time (the full-package button) are left out.
DIALOG_FONT = (8, False)
BOLD_FONT = (8, True)
TITLE_FONT = (14, False)
HEADLINE_FONT = (22, True)
SAMPLE_USER = "Administrator"
SAMPLE_DRIVES = "drive C: (1234 MB needed)"
SAMPLE_FOLDER = "C:\\Program Files\\Tarvo"
CONTROL_TEXTS = {
    "IDC_OPTIONS": ([37006], DIALOG_FONT),
    "IDC_ACCEPT": ([37007, 37008], DIALOG_FONT),
    "IDC_BACK": ([37009], DIALOG_FONT),
    "IDC_RETRY": ([37048], DIALOG_FONT),
    "IDC_UNINSTALL": ([37037], DIALOG_FONT),
    "IDC_CANCEL": ([37002], DIALOG_FONT),
    "IDC_HEADLINE": ([(37022, [37023])], HEADLINE_FONT),
    "IDC_AGREEMENT": ([(37005, [37007]), (37005, [37008])], DIALOG_FONT),
    "IDC_PROGRESS_HEADLINE": ([37024], TITLE_FONT),
    "IDC_ERROR_HEADLINE": ([37046], TITLE_FONT),
    "IDC_UNINSTALL_ERROR_HEADLINE": ([37047], TITLE_FONT),
    # Phases, then the error texts.
    "IDC_STATUS_TEXT": ([37025, 37026, 37027, (37028, [SAMPLE_USER]), 37029, 37030]
                        + list(range(37053, 37066)) + [(37071, [SAMPLE_DRIVES])],
                        DIALOG_FONT),
    "IDC_UNINSTALL_QUESTION": ([37035], BOLD_FONT),
    "IDC_DELETE_PROFILE": ([37036], DIALOG_FONT),
    "IDC_LANGUAGE_LABEL": ([37010], DIALOG_FONT),
    "IDC_INSTALL_TYPE_LABEL": ([37011], DIALOG_FONT),
    "IDC_FOLDER_LABEL": ([37012], DIALOG_FONT),
    "IDC_BROWSE": ([37016], DIALOG_FONT),
    "IDC_FOLDER_PROBLEM_TEXT": ([37017, 37058, (37059, [SAMPLE_FOLDER]), (37071, [SAMPLE_DRIVES])],
                                BOLD_FONT),
    "IDC_DEFAULT_BROWSER": ([37018], DIALOG_FONT),
    "IDC_IMPORT_DATA": ([37019], DIALOG_FONT),
    "IDC_SHARE_STATISTICS": ([37020], DIALOG_FONT),
    "IDC_INSTALL_TYPE_COMBO": ([37032, 37034, ("$1 ($2)", [37033, SAMPLE_USER])], DIALOG_FONT),
    "IDC_MESSAGE_BOX_BODY": ([37067], DIALOG_FONT),
    "IDC_MESSAGE_BOX_FIRST_BUTTON": ([37068], DIALOG_FONT),
    "IDC_MESSAGE_BOX_SECOND_BUTTON": ([37069], DIALOG_FONT),
}

# The controls shown together, page by page (the options page shows the
# main dialog's Accept and Back beside the options dialog), and the
# message boxes whose buttons the installer labels.
PAGES = {
    "welcome": ["IDC_OPTIONS", "IDC_ACCEPT"],
    "terms": ["IDC_ACCEPT", "IDC_BACK"],
    "options": ["IDC_ACCEPT", "IDC_BACK", "IDC_LANGUAGE_LABEL", "IDC_INSTALL_TYPE_LABEL",
                "IDC_FOLDER_LABEL", "IDC_BROWSE", "IDC_FOLDER_PROBLEM_TEXT",
                "IDC_DEFAULT_BROWSER", "IDC_IMPORT_DATA", "IDC_SHARE_STATISTICS"],
    "error": ["IDC_RETRY", "IDC_FULL_PACKAGE", "IDC_BACK"],
    "uninstall": ["IDC_UNINSTALL", "IDC_CANCEL", "IDC_DELETE_PROFILE"],
    "uninstall error": ["IDC_RETRY", "IDC_CANCEL"],
    "question": [37003, 37004],
    "custom message box": ["IDC_MESSAGE_BOX_FIRST_BUTTON", "IDC_MESSAGE_BOX_SECOND_BUTTON"],
}
# Page controls whose texts the table above leaves out.
OTHER_TEXTS = {"IDC_FULL_PACKAGE": [37049]}

ANCHOR = re.compile(r'<a href="[^"]*">|</a>')


class Control:
    def __init__(self, kind, width, height, multiline):
        self.kind, self.width, self.height, self.multiline = kind, width, height, multiline


def control_kind(window_class, style):
    window_class = window_class.lower()
    if window_class == "button":
        return "checkbox" if "CHECKBOX" in style else "button"
    if window_class == "combobox":
        return "combo"
    if window_class.startswith("richedit"):
        return "richedit"
    return "static"


def read_dialogs(path=DIALOGS_RC):
    """Control name -> Control, for every CONTROL statement of the script."""
    with open(path, encoding="utf-8") as f:
        lines = [line.split("//")[0].rstrip() for line in f]
    statements, current = [], None
    for line in lines:
        stripped = line.strip()
        if stripped.startswith("CONTROL "):
            if current:
                statements.append(current)
            current = stripped
        elif current and stripped and not re.match(r"^(END|BEGIN|#|[A-Z_]+ DIALOGEX)", stripped):
            current += " " + stripped
        else:
            if current:
                statements.append(current)
            current = None
    if current:
        statements.append(current)
    controls = {}
    for statement in statements:
        parts = [p.strip() for p in re.sub(r'^CONTROL\s+"[^"]*"\s*,', "", statement).split(",")]
        name, window_class, style = parts[0], parts[1].strip('"'), parts[2]
        width, height = int(parts[5]), int(parts[6])
        kind = control_kind(window_class, style)
        multiline = kind in ("static", "richedit") or "BS_MULTILINE" in style
        controls[name] = Control(kind, width, height, multiline)
    return controls


class Measure:
    """Text sizes in dialog units, with the fonts of the dialogs."""

    def __init__(self, font_dirs=FONT_DIRS):
        def load(names):
            fonts = []
            for name in names:
                found = [os.path.join(d, name) for d in font_dirs
                         if os.path.exists(os.path.join(d, name))]
                if not found:
                    raise OSError("font %s not found in %s (Debian packages fonts-dejavu-core "
                                  "and fonts-wqy-microhei)" % (name, ", ".join(font_dirs)))
                fonts.append(font_metrics.Font(found[0]))
            return fonts
        self._fonts = {False: load(REGULAR), True: load(BOLD)}
        letters = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
        self._letter_em = sum(self._fonts[False][0].advance(c) for c in letters) / len(letters)

    def width(self, text, font):
        """Width of one line of `text` in horizontal dialog units."""
        points, bold = font
        ems = 0.0
        for char in text:
            if unicodedata.category(char) in ("Mn", "Me", "Cf"):
                continue
            advance = next((a for a in (f.advance(char) for f in self._fonts[bold])
                            if a is not None), MISSING_GLYPH_EM)
            ems += advance
        return ems * (points / 8) * 4 / self._letter_em

    def lines(self, text, font, width):
        """Lines `text` takes when wrapped at spaces (and between ideographs)
        into `width` units; a word wider than a line takes several."""
        words = re.findall(r"\S+|\s+", text)
        count, line = 1, 0.0
        for word in words:
            size = self.width(word, font) * SPARE
            if word.isspace():
                line += size
                continue
            if line and line + size > width:
                count += 1
                line = 0.0
            while size > width:
                count += 1
                size -= width
            line += size
        return count


def access_key(text):
    """The character after a single "&", upper-cased, or None."""
    i = 0
    while i < len(text) - 1:
        if text[i] == "&":
            if text[i + 1] != "&":
                key = text[i + 1].upper()
                return key if len(key) == 1 else text[i + 1]
            i += 1
        i += 1
    return None


def shown_text(text):
    """What a control shows of a text: no access-key marker, no anchors."""
    return ANCHOR.sub("", re.sub(r"&(.)", r"\1", text))


def fill(entry, texts):
    """The text of a table entry in one language."""
    if isinstance(entry, int):
        return texts[entry]
    pattern, replacements = entry
    text = texts[pattern] if isinstance(pattern, int) else pattern
    for i, value in enumerate(replacements, 1):
        text = text.replace("$%d" % i, texts[value] if isinstance(value, int) else value)
    return text


def check_fit(code, texts, controls, measure):
    errors = []
    for name, (entries, font) in CONTROL_TEXTS.items():
        control = controls.get(name)
        if control is None:
            errors.append("control %s is not in %s" % (name, os.path.basename(DIALOGS_RC)))
            continue
        room = control.width - CHROME[control.kind]
        line_height = 8 * font[0] / 8
        max_lines = max(1, int(control.height // line_height)) if control.multiline else 1
        for entry in entries:
            text = shown_text(fill(entry, texts))
            if max_lines == 1:
                needed = measure.width(text, font) * SPARE
                if needed > room:
                    errors.append("language %s: %s is %.0f units wide, %s has %d: %r" %
                                  (code, describe(entry), needed, name, room, text))
            else:
                lines = measure.lines(text, font, room)
                if lines > max_lines:
                    errors.append("language %s: %s takes %d lines, %s has %d: %r" %
                                  (code, describe(entry), lines, name, max_lines, text))
    return errors


def page_entries(member):
    """The table entries of one member of a page."""
    if isinstance(member, int):
        return [member]
    if member in CONTROL_TEXTS:
        return CONTROL_TEXTS[member][0]
    return OTHER_TEXTS[member]


def check_access_keys(code, texts):
    errors = []
    for page, members in PAGES.items():
        seen = {}
        for member in members:
            for entry in page_entries(member):
                text = fill(entry, texts)
                key = access_key(text)
                if key is None:
                    continue
                owner = seen.setdefault(key, (member, entry, text))
                if owner[0] != member:
                    errors.append("language %s, %s page: access key %s of %s %r and of %s %r" %
                                  (code, page, key, describe(owner[1]), owner[2],
                                   describe(entry), text))
    return errors


def describe(entry):
    pattern = entry if isinstance(entry, int) else entry[0]
    return "id %d" % pattern if isinstance(pattern, int) else repr(pattern)


def check_window_texts(strings, controls=None, measure=None):
    """Errors of every language of `strings` (code -> id -> text)."""
    controls = controls or read_dialogs()
    measure = measure or Measure()
    errors = []
    for code, texts in strings.items():
        errors += check_access_keys(code, texts)
        errors += check_fit(code, texts, controls, measure)
    return errors

# The single source of every resource that installer.exe carries.
#
# generate_resources.py turns this table into the .rc files and the data
# files they reference. To add a language: add its code to LANGUAGES (the
# order is the order of the language list) and its texts to strings/<code>.txt.
# To add a dialog: add an entry to DIALOGS naming an .rc fragment beside this
# file.

import os

PRODUCT_INFO = {
    "company_name": "Tarvo Software",
    # Relative to the roaming application-data folder; "/" separates folders.
    "default_profile_path_template": "Tarvo Software/Tarvo {InternalStream}/User Data",
    "domain": "tarvo.example",
    "expected_signer": "Tarvo Software AS",
    "file_name_base": "tarvo",
    "major_delta": 0,
    "product_name": "Tarvo",
    "schedule_autoupdate_task": True,
    "scheduled_autoupdate_delay_min": 60,
    "shortcut_suffix": "",
    "urls": {
        "autoupdate": "https://autoupdate.tarvo.example/update",
        "crashstats_collector": "https://crashstats.tarvo.example/submit",
        "download": "https://download.tarvo.example/installer",
        "download_full_windows": "https://download.tarvo.example/full/windows",
        "help": "https://help.tarvo.example/",
        "homepage": "https://www.tarvo.example/",
        "uninstall_survey": "https://survey.tarvo.example/uninstall",
    },
    "use_chromium_major_for_minor": False,
    "user_agent_name": "TRV",
    "visible_product_name": "Tarvo",
    "white_labeled": False,
    "crash_upload_socorro_product_name": "Tarvo",
}

# Language code -> Windows language id of its string table, in the order of
# the language list (TXT 134). The engine maps codes to ids with its own
# table; the two must agree. Each code has its texts in strings/<code>.txt.
LANGUAGES = {
    "en": 0x0409,
    "en-GB": 0x0809,
    "de": 0x0407,
    "fr": 0x040C,
    "fr-CA": 0x0C0C,
    "es": 0x0C0A,
    "es-419": 0x080A,
    "it": 0x0410,
    "pt-BR": 0x0416,
    "pt-PT": 0x0816,
    "nl": 0x0413,
    "sv": 0x041D,
    "da": 0x0406,
    "nb": 0x0414,
    "fi": 0x040B,
    "pl": 0x0415,
    "cs": 0x0405,
    "sk": 0x041B,
    "hu": 0x040E,
    "ro": 0x0418,
    "bg": 0x0402,
    "ru": 0x0419,
    "uk": 0x0422,
    "el": 0x0408,
    "tr": 0x041F,
    "ar": 0x0401,
    "he": 0x040D,
    "fa": 0x0429,
    "hi": 0x0439,
    "ja": 0x0411,
    "ko": 0x0412,
    "zh-CN": 0x0804,
    "zh-TW": 0x0404,
    "th": 0x041E,
    "vi": 0x042A,
    "id": 0x0421,
    "ms": 0x043E,
    "hr": 0x041A,
    "sl": 0x0424,
    "sr": 0x0C1A,
    "lt": 0x0427,
    "lv": 0x0426,
    "et": 0x0425,
    "ca": 0x0403,
    "fil": 0x0464,
}

TERMS_TEXT = """Tarvo Terms of Service

By installing or using Tarvo you agree to these terms.

1. Tarvo is provided "as is", without warranty of any kind.
2. You may install Tarvo on any number of computers that you own or control.
3. Tarvo may download updates automatically to keep itself secure.
4. Usage statistics are sent only when you allow it in the installer options.

The full terms are published at https://www.tarvo.example/terms.

© Tarvo Software AS
"""

# Ids that exist in every table but that the engine does not show; they are
# not in the language files and get this text in every table.
UNUSED_IDS = (37013, 37014, 37015, 37021, 37050)
UNUSED_TEXT = "(unused)"

STRINGS_DIR = os.path.join(os.path.dirname(os.path.abspath(__file__)), "strings")


def strings_path(code):
    return os.path.join(STRINGS_DIR, code + ".txt")


def load_strings(code):
    """The texts of one language file: "id = text" lines, "#" comments."""
    texts = {}
    with open(strings_path(code), encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            line = line.rstrip("\n")
            if not line.strip() or line.startswith("#"):
                continue
            key, sep, text = line.partition(" = ")
            if not sep or not key.isdigit():
                raise ValueError("%s:%d: expected \"id = text\"" % (strings_path(code), number))
            if int(key) in texts:
                raise ValueError("%s:%d: id %s twice" % (strings_path(code), number, key))
            texts[int(key)] = text
    return texts


# Every language must define exactly these ids.
FIRST_STRING_ID = 37000
LAST_STRING_ID = 37072

# Images: resource type, id, file name, and the generator that draws it
# (a function name in images.py).
IMAGES = [
    ("PNG", 140, "logo.png", "draw_logo"),
    ("PNG", 141, "error_badge.png", "draw_error_badge"),
    ("JPG", 139, "background.jpg", "draw_background"),
]
ICON_ID = 1

# Text resources: type "TXT", id, file name, and the key of the content
# (see generate_resources.py).
TEXTS = [
    (133, "product_info.json", "product_info"),
    (134, "languages.txt", "languages"),
    (142, "terms.txt", "terms"),
]

# Dialog templates: .rc fragments (paths relative to this folder) included in
# the generated resource script. Each fragment holds its own LANGUAGE
# statement.
DIALOGS = ["installer_dialogs.rc"]

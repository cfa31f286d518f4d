# The single source of every resource that installer.exe carries.
#
# generate_resources.py turns this table into the .rc files and the data
# files they reference. To add a language: add its code to LANGUAGES (the
# order is the order of the language list) and its texts to STRINGS. To add a
# dialog: add an entry to DIALOGS naming an .rc fragment beside this file.

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

# Language code -> Windows language id of its string table. The engine maps
# codes to ids with its own table; the two must agree.
LANGUAGES = {
    "en": 0x0409,
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

# Ids that exist in every table but that the engine does not show.
UNUSED_TEXT = "(unused)"

STRINGS = {
    "en": {
        37000: "Tarvo Installer",
        37001: "OK",
        37002: "Cancel",
        37003: "&Yes",
        37004: "&No",
        37005: 'By clicking on "$1" you are agreeing to Tarvo\'s <a href="tos">Terms of Service</a>',
        37006: "&Options",
        37007: "Accept and Install",
        37008: "Accept and Upgrade",
        37009: "&Back",
        37010: "&Language",
        37011: "&Install for",
        37012: "Install &path",
        37013: UNUSED_TEXT,
        37014: UNUSED_TEXT,
        37015: UNUSED_TEXT,
        37016: "&Change",
        37017: "The install path is invalid",
        37018: "Make Tarvo the &default browser",
        37019: "I&mport bookmarks and data from the default browser",
        37020: "&Share usage data to help improve Tarvo",
        37021: UNUSED_TEXT,
        37022: "$1 DO MORE.",
        37023: "TARVO.",
        37024: "Thank you for choosing Tarvo",
        37025: "Downloading\u2026",
        37026: "Extracting\u2026",
        37027: "Installing\u2026",
        37028: "Installing for current user ($1)\u2026",
        37029: "Uninstalling\u2026",
        37030: UNUSED_TEXT,
        37031: "Browse for folder",
        37032: "All users on this computer",
        37033: "Current user",
        37034: "Stand-alone installation (USB)",
        37035: "You are about to uninstall Tarvo from your system. Are you sure you want to uninstall?",
        37036: "&Delete my Tarvo user data",
        37037: "&Uninstall",
        37038: "Tarvo is not finished installing. Are you sure you want to quit the installation?",
        37039: "Tarvo is not finished uninstalling. Are you sure you want to quit the uninstallation?",
        37040: "All users on this computer:",
        37041: "Installs Tarvo with shortcuts and registry settings for all the users on the system. Requires system administrator privileges.",
        37042: "Current user:",
        37043: "Installs shortcuts and registry settings only for the current user. Does not require system administrator privileges.",
        37044: "Stand-alone installation:",
        37045: "Installs all files to a single folder, either locally or on external media, such as a USB drive, without touching the registry or creating any shortcuts.",
        37046: "Tarvo failed to install",
        37047: "Tarvo failed to uninstall",
        37048: "&Try Again",
        37049: "Get &full installer",
        37050: UNUSED_TEXT,
        37051: "English (United States)",
        37052: "Keeps Tarvo up to date.",
        37053: "Failed to download Tarvo.",
        37054: "Package extraction failed.",
        37055: "An error occurred while attempting to install Tarvo!",
        37056: "An error occurred while attempting to uninstall Tarvo!",
        37057: "Another instance of the Tarvo installer is already working on this folder. You can either cancel the installation, try again in a few minutes, or install in a different folder.",
        37058: "The installation cannot be performed in the selected location.",
        37059: "The folder $1 could not be created.",
        37060: "Insufficient privileges for installing to the desired location.",
        37061: "Failed to obtain administrator-level execution privileges.",
        37062: "Error when copying file to $1.",
        37063: "Unable to uninstall Tarvo.exe. Please make sure Tarvo is not running, and try again.",
        37064: 'This version of Tarvo is not compatible with your operating system. Please click "$1" to obtain the correct Tarvo version.',
        37065: "Tarvo requires a computer that supports SSE2 instructions.",
        37066: "Tarvo installer",
        37067: 'The installer file appears corrupted. Please go to <a href="tos">tarvo.example</a> and download Tarvo again.',
        37068: "Go!",
        37069: "Cancel",
        37070: "Tarvo Browser",
        37071: "Insufficient space on $1",
        37072: "drive $1 ($2 MB needed)",
    },
}

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

#include "desktop/windows/installer/installer_usage.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "base/features/feature_registry.h"
#include "base/strings/string_util.h"
#include "base/strings/stringprintf.h"
#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/utils/installer_features.h"
#include "desktop/windows/installer/utils/product_info.h"
#include "desktop/windows/l10n_handler/l10n_handler.h"

namespace {

HelpSwitchEntry g_help_switches[kHelpSwitchCount];

// Filled when the library is loaded, then the processor is checked: the
// engine needs SSE2.
void InitSwitchTableAndCheckSse2() {
  static constexpr HelpSwitchEntry kRows[kHelpSwitchCount] = {
      {"silent", nullptr,
       "Run the installer fully unattended. No dialog will be displayed in this mode. If it "
       "isn't running with sufficient privileges, the installer will fail instead of prompting "
       "the user.",
       nullptr},
      {"runimmediately", nullptr,
       "Run the installer mostly unattended. The installation will start immediately and the "
       "progress dialog will be displayed. The installer will prompt the user for elevation if "
       "needed.",
       nullptr},
      {"language", "LANGUAGE",
       "Install %s in the specified language. This language will also be used during "
       "installation.",
       "The Operating system UI language."},
      {"installfolder", "FOLDER", "Install %s in the specified folder.", nullptr},
      {"allusers", "[0|1]", "If true, install %s for all users on the system.",
       "True when running from an administrative acount."},
      {"copyonly", "[0|1]",
       "If true, the installer will only copy the files to the installation folder and will "
       "otherwise not perform any modification on the system.",
       "False."},
      {"singleprofile", "[0|1]",
       "If true, the installer will set up %s to use a singleprofile located in the "
       "installation folder.",
       "False."},
      {"setdefaultbrowser", "[0|1]", "If true, make %s the default browser for this user or computer.",
       "True for %s Stable."},
      {"desktopshortcut", "[0|1]", "If true, create a shortcut for %s on the desktop.", "True."},
      {"startmenushortcut", "[0|1]", "If true, create a shortcut for %s on the start menu.",
       "True."},
      {"quicklaunchshortcut", "[0|1]",
       "If true, create a shortcut for %s on the quick launch menu.",
       "False on Window 7 and later. True otherwise"},
      {"pintotaskbar", "[0|1]", "If true, pin %s to the taskbar.",
       "True on Window 7 and later. False otherwise."},
      {"import-browser-data", "[0|1]",
       "If true, %s is set up to import user data from the previously default browser when "
       "creating new user profiles.",
       "True."},
      {"enable-stats", "[0|1]", "If true, %s will by default gather and report statistics.",
       "True."},
      {"enable-installer-stats", "[0|1]",
       "If true, installer will by default gather and report statistics.", "True."},
      {"launchbrowser", "[0|1]", "If true, %s is launched once the installation is completed.",
       "True."},
  };
  for (size_t i = 0; i < kHelpSwitchCount; ++i)
    g_help_switches[i] = kRows[i];

  if (!IsProcessorFeaturePresent(PF_XMMI64_INSTRUCTIONS_AVAILABLE)) {
    MessageBoxW(nullptr, L"This program requires a computer that supports SSE2 instructions.",
                L"Error", MB_OK | MB_ICONERROR);
    ExitProcess(1);
  }
}

const bool g_switch_table_ready = (InitSwitchTableAndCheckSse2(), true);

std::string FormatTemplate(const char* format) {
  std::string text;
  FormatWithProductName(&text, format, /*lower=*/false);
  return text;
}

}  // namespace

const HelpSwitchEntry* GetHelpSwitchTable() {
  return g_help_switches;
}

void PrintToConsole(const char* format, ...) {
  va_list args;
  va_start(args, format);
  vfprintf(stdout, format, args);
  va_end(args);
  fflush(stdout);
}

void FormatWithProductName(std::string* out, const char* format, bool lower) {
  // Read once for the process.
  static const std::string product_name = product_info::GetProductName();
  const std::string name = lower ? base::ToLowerASCII(product_name) : product_name;
  std::string text(format);
  size_t placeholder = text.find("%s");
  if (placeholder != std::string::npos)
    text.replace(placeholder, 2, name);
  *out = text;
}

std::wstring GetInstallerName() {
  std::string name;
  FormatWithProductName(&name, "%s Installer", /*lower=*/false);
  return base::UTF8ToWide(name);
}

std::string GetUsageText() {
  std::string text = base::StringPrintf("%s Installer %s %s\n\n", product_info::GetProductName().c_str(),
                                        product_info::GetVersion().c_str(), product_info::GetChannelName().c_str());
  text += "The following command line parameters affect the behavior of the installer:\n";
  for (size_t i = 0; i < kHelpSwitchCount; ++i) {
    const HelpSwitchEntry& row = g_help_switches[i];
    text += base::StringPrintf("  %s", row.name);
    if (row.value)
      text += base::StringPrintf("=%s", row.value);
    text += base::StringPrintf("\n    %s\n", FormatTemplate(row.description).c_str());
    if (row.default_text)
      text += base::StringPrintf("    Default value: %s\n", FormatTemplate(row.default_text).c_str());
  }
  text += "\nLanguages available for the language option:\n";
  std::vector<std::wstring> languages = GetL10nHandler()->GetAvailableLanguages();
  text += base::WideToUTF8(base::JoinString(languages, L", ")) + "\n";
  text += "\nFeatures available through command-line switches:\n";
  size_t count = 0;
  const InstallerFeature* rows = GetInstallerFeatureTable(&count);
  for (size_t i = 0; i < count; ++i) {
    text += base::StringPrintf("\t--%s [Enabled by default: %s]\n",
                               features::GetFeatureSwitchName(rows[i].name).c_str(),
                               IsFeatureAvailableForStream(rows[i]) ? "true" : "false");
  }
  return text;
}

void PrintUsage() {
  AllocConsole();
  FILE* console = nullptr;
  if (_wfreopen_s(&console, L"CONOUT$", L"w", stdout) != 0 || !console)
    return;
  setvbuf(stdout, nullptr, _IONBF, 0);
  fputs(GetUsageText().c_str(), stdout);
  // Keeps the console open until the user has read it.
  system("PAUSE");
}

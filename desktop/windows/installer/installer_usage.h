#ifndef DESKTOP_WINDOWS_INSTALLER_INSTALLER_USAGE_H_
#define DESKTOP_WINDOWS_INSTALLER_INSTALLER_USAGE_H_

#include <string>

// One row of the `help` table. Descriptions and default texts hold one "%s"
// for the product name.
struct HelpSwitchEntry {
  const char* name;
  const char* value;  // Placeholder, or nullptr.
  const char* description;
  const char* default_text;  // Or nullptr.
};

inline constexpr size_t kHelpSwitchCount = 16;
const HelpSwitchEntry* GetHelpSwitchTable();

// printf-style output to standard output; no console is created.
void PrintToConsole(const char* format, ...);

// Formats a one-"%s" template with the product name, ASCII-lower-cased first
// when `lower` is set.
void FormatWithProductName(std::string* out, const char* format, bool lower);

// "<product name> Installer": the name of the installer's work folders.
std::wstring GetInstallerName();

// The whole `help` text.
std::string GetUsageText();

// Prints the `help` text into a console of its own and waits for a key.
void PrintUsage();

#endif  // DESKTOP_WINDOWS_INSTALLER_INSTALLER_USAGE_H_

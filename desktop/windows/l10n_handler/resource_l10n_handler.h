#ifndef DESKTOP_WINDOWS_L10N_HANDLER_RESOURCE_L10N_HANDLER_H_
#define DESKTOP_WINDOWS_L10N_HANDLER_RESOURCE_L10N_HANDLER_H_

#include <windows.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "desktop/windows/l10n_handler/l10n_handler.h"

// Strings from the string tables, and the language list from resource
// "TXT" 134, of the process's main module (the host executable).
class ResourceL10nHandler : public L10nHandler {
 public:
  ResourceL10nHandler();
  ~ResourceL10nHandler() override;
  ResourceL10nHandler(const ResourceL10nHandler&) = delete;
  ResourceL10nHandler& operator=(const ResourceL10nHandler&) = delete;

  // L10nHandler:
  void SelectLanguage(std::wstring* language_code) override;
  LANGID GetLanguageId() const override;
  std::vector<std::wstring> GetAvailableLanguages() const override;
  std::wstring GetString(int message_id,
                         const std::vector<std::wstring>& replacements) const override;
  std::wstring GetStringForLanguage(const std::wstring& language_code,
                                    int message_id) const override;

 protected:
  // The thread's preferred user-interface languages ("en-US" form), most
  // preferred first. Tests replace it to be independent of the machine.
  virtual std::vector<std::wstring> GetSystemPreferredLanguages() const;

 private:
  // `requested` when it is offered, else the first system language that is
  // offered as it stands or adjusted, else "en".
  std::wstring ChooseLanguage(const std::wstring& requested,
                              const std::vector<std::wstring>& available) const;

  // Read from any thread while the UI thread may select.
  std::atomic<LANGID> language_id_{0};
};

std::unique_ptr<L10nHandler> CreateResourceL10nHandler();

// String `message_id` from the main module's string table of exactly
// `language_id`, with "$1".."$9" replaced when `replacements` is not empty.
// Empty (and an error logged) when there is no such string.
std::wstring LoadLocalizedString(LANGID language_id,
                                 int message_id,
                                 const std::vector<std::wstring>& replacements);

// String `index` (0 to 15) of a string-table block of `block_units` 16-bit
// units: counted strings, each a length and that many units. False when the
// string is empty or the block ends before it.
bool ReadCountedString(const WORD* block, size_t block_units, int index, std::wstring* text);

// The adjustment of a system language that is not offered as it stands:
// "es-MX" to "es-419", "zh-HK" to "zh-TW", "en-AU" to "en-GB", "en-IN" to
// "en", "de-AT" to "de", and so on. A code without a region stays as it is.
std::wstring AdjustSystemLanguage(const std::wstring& language_code);

#endif  // DESKTOP_WINDOWS_L10N_HANDLER_RESOURCE_L10N_HANDLER_H_

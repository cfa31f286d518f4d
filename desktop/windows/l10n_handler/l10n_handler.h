#ifndef DESKTOP_WINDOWS_L10N_HANDLER_L10N_HANDLER_H_
#define DESKTOP_WINDOWS_L10N_HANDLER_L10N_HANDLER_H_

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

// Picks the user-interface language and returns localised strings by id.
class L10nHandler {
 public:
  virtual ~L10nHandler();

  // Selects the best language for `language_code` and replaces it with the
  // code actually chosen.
  virtual void SelectLanguage(std::wstring* language_code) = 0;
  // The Windows language id of the selection; 0 before any selection.
  virtual LANGID GetLanguageId() const = 0;
  // The offered language codes, in the order the host lists them.
  virtual std::vector<std::wstring> GetAvailableLanguages() const = 0;
  // The string in the selected language with "$1".."$9" replaced when
  // `replacements` is not empty; empty when there is no such string.
  virtual std::wstring GetString(int message_id,
                                 const std::vector<std::wstring>& replacements) const = 0;
  virtual std::wstring GetStringForLanguage(const std::wstring& language_code,
                                            int message_id) const = 0;
};

// Makes the process-wide handler; runs once, on the first GetL10nHandler.
using L10nHandlerFactory = std::unique_ptr<L10nHandler> (*)();

// The process-wide handler, made by the factory on first use and released
// at exit. Null only when the factory made none.
L10nHandler* GetL10nHandler();

// Replaces the factory (CreateResourceL10nHandler by default); takes effect
// when no handler exists yet. Returns the previous factory.
L10nHandlerFactory SetL10nHandlerFactory(L10nHandlerFactory factory);

// Drops the current handler so that the next use runs the factory again.
void ResetL10nHandlerForTesting();

// Shorthands for the process-wide handler; empty texts when there is none.
void SelectL10nLanguage(std::wstring* language_code);
std::wstring GetLocalizedString(int message_id);
std::wstring GetLocalizedStringWithReplacement(int message_id, const std::wstring& replacement);
std::wstring GetLocalizedStringWithReplacements(int message_id,
                                                const std::wstring& replacement1,
                                                const std::wstring& replacement2);

#endif  // DESKTOP_WINDOWS_L10N_HANDLER_L10N_HANDLER_H_

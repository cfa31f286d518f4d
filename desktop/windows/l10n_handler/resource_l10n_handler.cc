#include "desktop/windows/l10n_handler/resource_l10n_handler.h"

#include <algorithm>
#include <utility>

#include "base/logging.h"
#include "base/strings/string_split.h"
#include "base/strings/string_util.h"
#include "desktop/windows/l10n_handler/language_id_lookup.h"

namespace {

constexpr WORD kLanguageListResourceId = 134;
constexpr wchar_t kTextResourceType[] = L"TXT";
constexpr int kStringsPerBlock = 16;

bool EqualsIgnoringCase(const std::wstring& a, const wchar_t* b) {
  return base::EqualsCaseInsensitiveASCII(a, b);
}

// Codes that users and older settings give in ISO 639-1 form but that the
// string tables carry under another name.
std::wstring ConvertIsoCode(const std::wstring& language_code) {
  if (EqualsIgnoringCase(language_code, L"no"))
    return L"nb";
  if (EqualsIgnoringCase(language_code, L"pt"))
    return L"pt-PT";
  if (EqualsIgnoringCase(language_code, L"tl"))
    return L"fil";
  return language_code;
}

// An empty code is never available, even when the list has an empty line:
// it would otherwise select no language at all instead of the system's.
bool IsLanguageAvailable(const std::wstring& language_code,
                         const std::vector<std::wstring>& available) {
  if (language_code.empty() || !base::IsStringASCII(language_code))
    return false;
  return std::any_of(available.begin(), available.end(), [&](const std::wstring& entry) {
    return base::EqualsCaseInsensitiveASCII(language_code, entry);
  });
}

BOOL CALLBACK MatchLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR wanted) {
  auto* match = reinterpret_cast<std::pair<LANGID, bool>*>(wanted);
  if (language != match->first)
    return TRUE;
  match->second = true;
  return FALSE;
}

// Whether the string block exists in exactly `language_id`. The loader may
// fall back to another language of the block where a specific one is
// asked; a string is only ever taken from the language selected. Id 0
// leaves the choice to the loader's neutral-language rules.
bool HasBlockInLanguage(HMODULE module, const wchar_t* block_name, LANGID language_id) {
  if (language_id == 0)
    return true;
  std::pair<LANGID, bool> match(language_id, false);
  EnumResourceLanguagesW(module, RT_STRING, block_name, &MatchLanguage,
                         reinterpret_cast<LONG_PTR>(&match));
  if (!match.second)
    SetLastError(ERROR_RESOURCE_LANG_NOT_FOUND);
  return match.second;
}

}  // namespace

ResourceL10nHandler::ResourceL10nHandler() = default;
ResourceL10nHandler::~ResourceL10nHandler() = default;

void ResourceL10nHandler::SelectLanguage(std::wstring* language_code) {
  *language_code = ConvertIsoCode(*language_code);
  LOG(INFO) << "Language converted from ISO631:" << *language_code;
  *language_code = ChooseLanguage(*language_code, GetAvailableLanguages());
  language_id_.store(LookupLanguageId(*language_code));
}

std::wstring ResourceL10nHandler::ChooseLanguage(
    const std::wstring& requested,
    const std::vector<std::wstring>& available) const {
  if (IsLanguageAvailable(requested, available))
    return requested;

  LOG(INFO) << "Language not in the available languages list: " << requested;
  for (const std::wstring& system_language : GetSystemPreferredLanguages()) {
    LOG(INFO) << "Trying language from system preferred list: " << system_language;
    if (IsLanguageAvailable(system_language, available))
      return system_language;
    std::wstring adjusted = AdjustSystemLanguage(system_language);
    LOG(INFO) << "Retrying after adjustments: " << adjusted;
    if (IsLanguageAvailable(adjusted, available))
      return adjusted;
    // The adjustments turn "fil" into "tl", which no table carries under that
    // name; its ISO form is the one a list names ("fil").
    std::wstring converted = ConvertIsoCode(adjusted);
    if (converted != adjusted && IsLanguageAvailable(converted, available))
      return converted;
  }

  LOG(WARNING) << "Falling back to english";
  return L"en";
}

LANGID ResourceL10nHandler::GetLanguageId() const {
  return language_id_.load();
}

std::vector<std::wstring> ResourceL10nHandler::GetAvailableLanguages() const {
  HMODULE module = GetModuleHandleW(nullptr);
  HRSRC resource =
      FindResourceW(module, MAKEINTRESOURCEW(kLanguageListResourceId), kTextResourceType);
  HGLOBAL loaded = resource ? LoadResource(module, resource) : nullptr;
  const char* data = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
  if (!data) {
    LOG(ERROR) << "No language list in the executable";
    return {std::wstring()};
  }
  // ASCII text: each byte is one character.
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(data);
  std::wstring text(bytes, bytes + SizeofResource(module, resource));
  return base::SplitString(text, L"\n", base::TRIM_WHITESPACE, base::SPLIT_WANT_ALL);
}

std::wstring ResourceL10nHandler::GetString(int message_id,
                                            const std::vector<std::wstring>& replacements) const {
  return LoadLocalizedString(GetLanguageId(), message_id, replacements);
}

std::wstring ResourceL10nHandler::GetStringForLanguage(const std::wstring& language_code,
                                                       int message_id) const {
  return LoadLocalizedString(LookupLanguageId(language_code), message_id, {});
}

std::vector<std::wstring> ResourceL10nHandler::GetSystemPreferredLanguages() const {
  ULONG count = 0;
  ULONG size = 0;
  if (!GetThreadPreferredUILanguages(MUI_LANGUAGE_NAME, &count, nullptr, &size) || size == 0) {
    PLOG(ERROR) << "Cannot get the preferred languages";
    return {};
  }
  std::wstring buffer(size, L'\0');
  if (!GetThreadPreferredUILanguages(MUI_LANGUAGE_NAME, &count, buffer.data(), &size)) {
    PLOG(ERROR) << "Cannot get the preferred languages";
    return {};
  }
  // Zero-terminated names, the list ended by an empty one.
  return base::SplitString(buffer, std::wstring_view(L"\0", 1), base::KEEP_WHITESPACE,
                           base::SPLIT_WANT_NONEMPTY);
}

std::unique_ptr<L10nHandler> CreateResourceL10nHandler() {
  return std::make_unique<ResourceL10nHandler>();
}

std::wstring LoadLocalizedString(LANGID language_id,
                                 int message_id,
                                 const std::vector<std::wstring>& replacements) {
  // Block numbers are 16-bit resource ids counted from 1.
  if (message_id < 0 || message_id / kStringsPerBlock + 1 > 0xFFFF) {
    LOG(ERROR) << "Failed to find string " << message_id;
    return std::wstring();
  }
  HMODULE module = GetModuleHandleW(nullptr);
  const wchar_t* block_name = MAKEINTRESOURCEW(message_id / kStringsPerBlock + 1);
  HRSRC resource = HasBlockInLanguage(module, block_name, language_id)
                       ? FindResourceExW(module, RT_STRING, block_name, language_id)
                       : nullptr;
  if (!resource) {
    PLOG(ERROR) << "Failed to find string";
    return std::wstring();
  }
  HGLOBAL loaded = LoadResource(module, resource);
  if (!loaded) {
    PLOG(ERROR) << "Failed to load string";
    return std::wstring();
  }
  const WORD* block = static_cast<const WORD*>(LockResource(loaded));
  if (!block) {
    PLOG(ERROR) << "Failed to lock string";
    return std::wstring();
  }

  std::wstring text;
  if (!ReadCountedString(block, SizeofResource(module, resource) / sizeof(WORD),
                         message_id % kStringsPerBlock, &text)) {
    LOG(ERROR) << "Failed to find string " << message_id;
    return std::wstring();
  }
  if (replacements.empty())
    return text;
  return base::ReplaceStringPlaceholders(text, replacements, nullptr);
}

bool ReadCountedString(const WORD* block, size_t block_units, int index, std::wstring* text) {
  // Every length is checked against what is left of the block: a damaged
  // block must not make us read past it.
  size_t position = 0;
  for (int skip = index; skip > 0; --skip) {
    if (position >= block_units || block[position] > block_units - position - 1)
      return false;
    position += 1 + block[position];
  }
  if (position >= block_units)
    return false;
  const size_t length = block[position];
  if (length == 0 || length > block_units - position - 1)
    return false;
  text->assign(reinterpret_cast<const wchar_t*>(block + position + 1), length);
  return true;
}

std::wstring AdjustSystemLanguage(const std::wstring& language_code) {
  size_t dash = language_code.find(L'-');
  if (dash == std::wstring::npos || dash == 0)
    return language_code;
  std::wstring prefix = language_code.substr(0, dash);
  std::wstring region = language_code.substr(dash + 1);

  if (EqualsIgnoringCase(prefix, L"es"))
    return EqualsIgnoringCase(region, L"es") ? prefix : L"es-419";
  if (EqualsIgnoringCase(prefix, L"zh")) {
    if (EqualsIgnoringCase(region, L"hk") || EqualsIgnoringCase(region, L"mo"))
      return L"zh-TW";
    return L"zh-CN";
  }
  if (EqualsIgnoringCase(prefix, L"en")) {
    for (const wchar_t* british : {L"au", L"ca", L"nz", L"za"}) {
      if (EqualsIgnoringCase(region, british))
        return L"en-GB";
    }
    // US English is "en" in the language table (0x409); "en-US" is no code
    // of it, so no list offers it and the user's English would be skipped.
    return L"en";
  }
  if (EqualsIgnoringCase(prefix, L"no"))
    return L"nb";
  if (EqualsIgnoringCase(prefix, L"fil"))
    return L"tl";
  return prefix;
}

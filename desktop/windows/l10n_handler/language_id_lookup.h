#ifndef DESKTOP_WINDOWS_L10N_HANDLER_LANGUAGE_ID_LOOKUP_H_
#define DESKTOP_WINDOWS_L10N_HANDLER_LANGUAGE_ID_LOOKUP_H_

#include <windows.h>

#include <string_view>

// The Windows language id of the string tables for a language code such as
// "pt-BR" (ASCII case ignored); 0 for an unknown code.
LANGID LookupLanguageId(std::wstring_view language_code);

#endif  // DESKTOP_WINDOWS_L10N_HANDLER_LANGUAGE_ID_LOOKUP_H_

#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_REGISTRY_KEY_SAFETY_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_REGISTRY_KEY_SAFETY_H_

#include <string>

// Key paths come from templates, placeholders and status records; a wrong
// one must never wipe a key that other programs or Windows itself own.

// `key_path` without empty components ("\Software\\Classes\" gives
// "Software\Classes"). "/" is kept: it may be part of a key name.
std::wstring NormalizeRegistryKeyPath(const std::wstring& key_path);

// Whether a whole key (with its subtree) may be deleted: false for an empty
// path, a path of fewer than three components, with a "." or ".." component
// or with a control character (the registry ends a path at a NUL),
// well-known keys that hold other programs' entries
// (Software\Classes\Applications, Software\Clients\StartMenuInternet, the
// Uninstall key, App Paths, every Software\Classes\.<extension>, ...), and
// every key IsRegistryKeySafeToChange refuses.
// Compared ignoring case, with "/" and "\" both taken as separators, a
// "Wow6432Node" view component ignored, and "ControlSet001" (any number)
// taken for "CurrentControlSet", which is a link to it.
bool IsRegistryKeySafeToDelete(const std::wstring& key_path);

// Whether a value of the key may be written back or deleted on the word of
// a record kept on disk (which someone could have planted), or the key
// deleted once it is empty: false for a path of fewer than two components
// or with a "." or ".." component, and for any key at or below the policy,
// start-up (Run, RunOnce, RunOnceEx, ...), Winlogon, image-execution,
// command-processor and AppInit keys and HKLM\SYSTEM. Compared as
// IsRegistryKeySafeToDelete compares.
bool IsRegistryKeySafeToChange(const std::wstring& key_path);

// `key_path` as the checks above compare it: lower case, "\" separated
// ("/" too), without empty components nor a "Wow6432Node" view component,
// a numbered control set read as "CurrentControlSet". Empty when it holds
// a control character or a "." or ".." component.
std::wstring GetComparableRegistryKey(const std::wstring& key_path);

// The key that a clean-up depth `clean` (>= 1) removes for a recorded
// `key_path`: `clean` - 1 levels above it. False, with `key` empty, when that
// goes above the root or gives a key IsRegistryKeySafeToDelete refuses, or
// when `key_path` holds a control character.
bool GetRegistryKeyToClean(const std::wstring& key_path, int clean, std::wstring* key);

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_REGISTRY_KEY_SAFETY_H_

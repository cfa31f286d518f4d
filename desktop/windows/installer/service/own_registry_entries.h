#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_OWN_REGISTRY_ENTRIES_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_OWN_REGISTRY_ENTRIES_H_

#include <windows.h>

#include <span>
#include <string>
#include <vector>

#include "base/files/file_path.h"

struct RegistryRuleRow;

// The registry keys and values the installer itself can write for an
// installation in one folder: those of its registration and default-browser
// tables, with their placeholders bound to the folder, the product, every
// association it registers and any app id or version (which vary from run
// to run), and the values of the company's own key. A record kept on disk
// (a journal) is followed only where it names one of these: whatever else it
// names (a debugger for another program, a service, a start-up entry,
// another vendor's key) is not the installer's to touch.
class OwnRegistryEntries {
 public:
  explicit OwnRegistryEntries(const base::FilePath& folder);
  ~OwnRegistryEntries();
  OwnRegistryEntries(const OwnRegistryEntries&) = delete;
  OwnRegistryEntries& operator=(const OwnRegistryEntries&) = delete;

  // Whether the value `name` (empty: the default value) of `key` under
  // `root` is one the installer writes, or lies in a key it owns whole.
  bool IsOwnValue(HKEY root, const std::wstring& key, const std::wstring& name) const;
  // Whether `key` lies at or below a key the installer owns whole (the
  // clean-up depth of a table row removes it) and may go with all it holds.
  bool IsOwnKey(HKEY root, const std::wstring& key) const;
  // Whether `key` is one the installer writes to or one above it: a key it
  // may have had to make on the way, to be removed again only while empty.
  bool LeadsToOwnEntries(HKEY root, const std::wstring& key) const;

 private:
  struct Entry {
    HKEY root;  // Null: either root.
    // Lower-case components; kAnyText in one matches any text.
    std::vector<std::wstring> key;
    std::wstring value;
    bool any_value;
    // How many leading components name the key owned whole; 0 for none.
    size_t owned;
  };

  void AddRows(std::span<const RegistryRuleRow> rows);
  void Add(Entry entry);
  const Entry* FindOwner(HKEY root, const std::vector<std::wstring>& key) const;

  const base::FilePath folder_;
  std::vector<Entry> entries_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_OWN_REGISTRY_ENTRIES_H_

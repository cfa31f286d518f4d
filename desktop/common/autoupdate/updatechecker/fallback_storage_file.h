#ifndef DESKTOP_COMMON_AUTOUPDATE_UPDATECHECKER_FALLBACK_STORAGE_FILE_H_
#define DESKTOP_COMMON_AUTOUPDATE_UPDATECHECKER_FALLBACK_STORAGE_FILE_H_

#include <string>
#include <utility>
#include <vector>

#include "base/files/file_path.h"

// The global storage's entries where the registry cannot be used: the
// dictionary "GS" of a JSON preference file. Each call opens the file,
// does its file work on a thread of its own ("GsTaskThread") and stops that
// thread before it returns.
class FallbackStorageFile {
 public:
  using Entries = std::vector<std::pair<std::string, std::string>>;

  explicit FallbackStorageFile(const base::FilePath& path);

  // Sets the entry, or removes it for an empty value; false when the file
  // cannot be read as preferences or written.
  bool SetEntry(const std::string& name, const std::string& value) const;
  // The entry's text; empty when it is missing or not a string.
  std::string GetEntry(const std::string& name) const;
  // Every entry whose value is a string, in name order; false when the file
  // cannot be read as preferences.
  bool GetStringEntries(Entries* entries) const;

  const base::FilePath& path() const { return path_; }

 private:
  const base::FilePath path_;
};

#endif  // DESKTOP_COMMON_AUTOUPDATE_UPDATECHECKER_FALLBACK_STORAGE_FILE_H_

#ifndef DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_ENTRY_SELECTION_H_
#define DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_ENTRY_SELECTION_H_

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "7z.h"
#include "desktop/windows/installer/lzma_util/file_writer_pool.h"
#include "desktop/windows/installer/lzma_util/lzma_util.h"

// The entries an extraction writes, with their names checked before
// anything is written: each a safe relative path (tar writers' leading "."
// components dropped), and no name both a file and a folder. Names are
// compared as the file system compares them, ignoring case, so that
// "Readme.txt" and "README.TXT" name one file.
class EntrySelection {
 public:
  // For an entry that shares its file with no other.
  static constexpr uint32_t kOwnFile = FileWriterPool::kOwnFile;

  EntrySelection();
  EntrySelection(const EntrySelection&) = delete;
  EntrySelection& operator=(const EntrySelection&) = delete;
  ~EntrySelection();

  // Selects the entries of `db` to write: all, or those `filter` names
  // (with either separator), but neither deletion markers (`anti`) nor the
  // output folder itself (an entry named "."). kBadEntryName, with the
  // cause logged, when a selected name is unsafe or would be a file and a
  // folder at once.
  LzmaUtil::ExtractResult Select(const CSzArEx* db,
                                 const std::vector<bool>& anti,
                                 const std::set<std::wstring>* filter);

  bool selected(uint32_t index) const { return selected_[index]; }
  const std::vector<bool>& selected() const { return selected_; }
  // With "\" separators, relative to the output folder.
  const std::wstring& name(uint32_t index) const { return names_[index]; }
  // For a selected file that another selected entry names too: the first
  // of them, the same for all; else kOwnFile.
  uint32_t same_file(uint32_t index) const { return same_file_[index]; }
  size_t count() const { return count_; }
  // Entries that create something, selected or not.
  size_t entries() const { return entries_; }

 private:
  // Reads entry `index`'s name as stored into `buffer`, and as written into
  // names_; false when it has none.
  bool ReadName(const CSzArEx* db, uint32_t index, std::vector<UInt16>* buffer);
  // Groups the selected entries that name one file or folder; false, with
  // the cause logged, when a file and a folder share a name.
  bool FindSharedNames(const CSzArEx* db);

  std::vector<std::wstring> names_;
  std::vector<bool> selected_;
  std::vector<uint32_t> same_file_;
  size_t count_ = 0;
  size_t entries_ = 0;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_ENTRY_SELECTION_H_

#ifndef DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_FOLDER_TREE_MAKER_H_
#define DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_FOLDER_TREE_MAKER_H_

#include <set>
#include <vector>

#include "base/files/file_path.h"

// Creates folders with their missing parents and remembers every folder it
// created, so that each is reported once over all extractions of one
// LzmaUtil.
class FolderTreeMaker {
 public:
  FolderTreeMaker();
  FolderTreeMaker(const FolderTreeMaker&) = delete;
  FolderTreeMaker& operator=(const FolderTreeMaker&) = delete;
  ~FolderTreeMaker();

  // Creates `folder` and its missing parents; appends those not reported
  // before to `created_folders` (may be null), parents first.
  bool Create(const base::FilePath& folder, std::vector<base::FilePath>* created_folders);

 private:
  std::set<base::FilePath> created_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_FOLDER_TREE_MAKER_H_

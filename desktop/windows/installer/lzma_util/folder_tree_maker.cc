#include "desktop/windows/installer/lzma_util/folder_tree_maker.h"

#include <windows.h>

#include "base/files/file_util.h"
#include "base/logging.h"

FolderTreeMaker::FolderTreeMaker() = default;

FolderTreeMaker::~FolderTreeMaker() = default;

bool FolderTreeMaker::Create(const base::FilePath& folder,
                             std::vector<base::FilePath>* created_folders) {
  std::vector<base::FilePath> missing;
  for (base::FilePath path = folder; !base::DirectoryExists(path);) {
    missing.push_back(path);
    base::FilePath parent = path.DirName();
    if (parent == path)
      break;
    path = parent;
  }
  for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
    if (!::CreateDirectoryW(it->value().c_str(), nullptr)) {
      if (::GetLastError() == ERROR_ALREADY_EXISTS && base::DirectoryExists(*it))
        continue;
      PLOG(ERROR) << "Cannot create the folder " << *it;
      return false;
    }
    if (created_.insert(*it).second && created_folders)
      created_folders->push_back(*it);
  }
  return true;
}

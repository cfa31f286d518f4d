#include "desktop/windows/installer/service/transactions/file_operation_util.h"

#include "base/logging.h"
#include "desktop/windows/installer/service/transactions/transaction.h"
#include "desktop/windows/installer/utils/service_utils.h"


void AppendOperationError(std::string* error, std::string_view text) {
  if (error)
    error->append(text);
}

void SetOperationError(std::string* error, std::string_view text) {
  if (error)
    error->assign(text);
}

bool ClearReadOnlyAttribute(const base::FilePath& path) {
  const DWORD attributes = ::GetFileAttributesW(path.value().c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES)
    return false;
  if (!(attributes & FILE_ATTRIBUTE_READONLY))
    return true;
  return ::SetFileAttributesW(path.value().c_str(), attributes & ~FILE_ATTRIBUTE_READONLY) != 0;
}

void RemoveEmptyFoldersUpward(const base::FilePath& folder, const base::FilePath& stop_at) {
  base::FilePath current = folder.StripTrailingSeparators();
  // Without a limit the climb could take emptied folders far above the work
  // (a user's "Programs" folder, a temp folder), so it does not start.
  if (stop_at.empty())
    return;
  while (!current.empty()) {
    if (PathsEqualIgnoreCase(current, stop_at) || !IsParentPathIgnoreCase(stop_at, current))
      return;
    if (!::RemoveDirectoryW(current.value().c_str())) {
      const DWORD error = ::GetLastError();
      if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND)
        return;
    }
    const base::FilePath parent = current.DirName();
    if (parent == current)
      return;
    current = parent;
  }
}

DWORD RenamePath(const base::FilePath& from, const base::FilePath& to) {
  return FolderBoundary::RenameEntry(from, to);
}

bool IsPathClearOfLinks(const Transaction* transaction,
                        const base::FilePath& path,
                        FolderBoundary::LastComponent last,
                        std::string* error) {
  const FolderBoundary* boundary = transaction ? transaction->folder_boundary() : nullptr;
  if (!boundary || boundary->Check(path, last) != FolderBoundary::Verdict::kThroughLink)
    return true;
  LOG(ERROR) << "Refusing " << path << ": a link leads there";
  SetOperationError(error, "A link leads to " + path.AsUTF8Unsafe());
  return false;
}

bool PathsEqualIgnoreCase(const base::FilePath& a, const base::FilePath& b) {
  return base::FilePath::CompareEqualIgnoreCase(a.StripTrailingSeparators().value(),
                                                b.StripTrailingSeparators().value());
}

bool IsProgramOrLibrary(const base::FilePath& path) {
  const std::wstring extension = path.FinalExtension();
  return base::FilePath::CompareEqualIgnoreCase(extension, L".exe") ||
         base::FilePath::CompareEqualIgnoreCase(extension, L".dll");
}

DWORD TryOpenForWriting(const base::FilePath& path) {
  HANDLE file = ::CreateFileW(path.value().c_str(), GENERIC_WRITE, FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return ::GetLastError();
  ::CloseHandle(file);
  return ERROR_SUCCESS;
}

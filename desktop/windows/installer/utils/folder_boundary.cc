#include "desktop/windows/installer/utils/folder_boundary.h"

#include <cwchar>
#include <string>
#include <vector>

#include "base/logging.h"
#include "base/win/scoped_handle.h"
#include "desktop/windows/installer/utils/service_utils.h"

namespace {

constexpr wchar_t kLongPrefix[] = L"\\\\?\\";
constexpr wchar_t kLongUncPrefix[] = L"\\\\?\\UNC\\";
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Where the file behind `handle` lies, in the DOS form paths are given in.
base::FilePath FinalPathOf(HANDLE handle) {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = ::GetFinalPathNameByHandleW(handle, buffer.data(),
                                                     static_cast<DWORD>(buffer.size()), 0);
    if (length == 0)
      return base::FilePath();
    if (length < buffer.size()) {
      buffer.resize(length);
      break;
    }
    buffer.resize(length + 1);
  }
  if (buffer.compare(0, wcslen(kLongUncPrefix), kLongUncPrefix) == 0)
    return base::FilePath(L"\\\\" + buffer.substr(wcslen(kLongUncPrefix)));
  if (buffer.compare(0, wcslen(kLongPrefix), kLongPrefix) == 0)
    return base::FilePath(buffer.substr(wcslen(kLongPrefix)));
  return base::FilePath(buffer);
}

// Where `path` really lies, links followed; empty when it cannot be opened.
base::FilePath RealLocationOf(const base::FilePath& path) {
  base::win::ScopedHandle handle(::CreateFileW(path.value().c_str(), FILE_READ_ATTRIBUTES,
                                               kShareAll, nullptr, OPEN_EXISTING,
                                               FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  return handle.IsValid() ? FinalPathOf(handle.Get()) : base::FilePath();
}

bool SameLocation(const base::FilePath& a, const base::FilePath& b) {
  return !a.empty() && base::FilePath::CompareEqualIgnoreCase(a.StripTrailingSeparators().value(),
                                                              b.StripTrailingSeparators().value());
}

bool IsMissing(DWORD error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// `path` opened as itself, never followed, once it proves to lie at `real`:
// where the system follows a link anyway, the handle is the target's and
// lands elsewhere. `error` receives why not.
base::win::ScopedHandle OpenAsItself(const base::FilePath& path, const base::FilePath& real,
                                     DWORD access, DWORD* error) {
  const DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT;
  base::win::ScopedHandle handle(::CreateFileW(path.value().c_str(), access, kShareAll, nullptr,
                                               OPEN_EXISTING, flags, nullptr));
  if (!handle.IsValid() && ::GetLastError() == ERROR_ACCESS_DENIED &&
      (access & FILE_WRITE_ATTRIBUTES)) {
    handle.Set(::CreateFileW(path.value().c_str(), access & ~FILE_WRITE_ATTRIBUTES, kShareAll,
                             nullptr, OPEN_EXISTING, flags, nullptr));
  }
  if (!handle.IsValid()) {
    *error = ::GetLastError();
    return handle;
  }
  if (!SameLocation(FinalPathOf(handle.Get()), real)) {
    LOG(WARNING) << "Leaving " << path << ": it leads to "
                 << FinalPathOf(handle.Get()).value().c_str();
    *error = FolderBoundary::kStoppedOnLink;
    handle.Close();
  }
  return handle;
}

bool RemoveOpened(const base::FilePath& path, const base::FilePath& real, bool recursive);

// Everything inside the folder at `path`, which lies at `real`.
bool RemoveContent(const base::FilePath& path, const base::FilePath& real) {
  WIN32_FIND_DATAW data;
  HANDLE find = ::FindFirstFileExW(path.Append(L"*").value().c_str(), FindExInfoBasic, &data,
                                   FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
  if (find == INVALID_HANDLE_VALUE)
    return IsMissing(::GetLastError());
  bool removed = true;
  std::vector<std::wstring> names;
  do {
    if (wcscmp(data.cFileName, L".") != 0 && wcscmp(data.cFileName, L"..") != 0)
      names.push_back(data.cFileName);
  } while (::FindNextFileW(find, &data));
  ::FindClose(find);
  for (const std::wstring& name : names)
    removed &= RemoveOpened(path.Append(name), real.Append(name), /*recursive=*/true);
  return removed;
}

bool RemoveOpened(const base::FilePath& path, const base::FilePath& real, bool recursive) {
  DWORD error = ERROR_SUCCESS;
  base::win::ScopedHandle handle = OpenAsItself(path, real, FILE_READ_ATTRIBUTES, &error);
  FILE_BASIC_INFO basic = {};
  if (!handle.IsValid())
    return IsMissing(error);
  if (!::GetFileInformationByHandleEx(handle.Get(), FileBasicInfo, &basic, sizeof(basic)))
    return false;
  // Listing a folder needs it open without delete access.
  handle.Close();
  const DWORD attributes = basic.FileAttributes;
  // A link is removed as such; a folder's content only when it is none.
  bool removed = true;
  if (recursive && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
      !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    removed = RemoveContent(path, real);
  }
  handle = OpenAsItself(path, real, DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES, &error);
  if (!handle.IsValid())
    return removed && IsMissing(error);
  if (attributes & FILE_ATTRIBUTE_READONLY) {
    basic.FileAttributes = (attributes & ~FILE_ATTRIBUTE_READONLY) | FILE_ATTRIBUTE_NORMAL;
    ::SetFileInformationByHandle(handle.Get(), FileBasicInfo, &basic, sizeof(basic));
  }
  FILE_DISPOSITION_INFO disposition = {TRUE};
  return ::SetFileInformationByHandle(handle.Get(), FileDispositionInfo, &disposition,
                                      sizeof(disposition)) &&
         removed;
}

}  // namespace

FolderBoundary::FolderBoundary(const base::FilePath& folder) {
  AddFolder(folder);
}

void FolderBoundary::AddFolder(const base::FilePath& folder) {
  folders_.push_back(folder.StripTrailingSeparators());
}

FolderBoundary::Verdict FolderBoundary::Check(const base::FilePath& path,
                                              LastComponent last) const {
  base::FilePath real;
  return Locate(path, last, &real);
}

FolderBoundary::Verdict FolderBoundary::Locate(const base::FilePath& path, LastComponent last,
                                               base::FilePath* real) const {
  for (const base::FilePath& folder : folders_) {
    if (!IsParentPathIgnoreCase(folder, path))
      continue;
    *real = RealLocationOf(folder);
    if (real->empty()) {
      // Nothing lies below a folder that is not there.
      const bool missing = ::GetFileAttributesW(folder.value().c_str()) == INVALID_FILE_ATTRIBUTES &&
                           IsMissing(::GetLastError());
      return missing ? Verdict::kInside : Verdict::kThroughLink;
    }
    const std::vector<std::wstring> components = path.GetComponents();
    base::FilePath current = folder;
    for (size_t i = folder.GetComponents().size(); i < components.size(); ++i) {
      current = current.Append(components[i]);
      *real = real->Append(components[i]);
      if (last == LastComponent::kOpenedAsItself && i + 1 == components.size())
        break;
      const DWORD attributes = ::GetFileAttributesW(current.value().c_str());
      if (attributes == INVALID_FILE_ATTRIBUTES) {
        if (!IsMissing(::GetLastError()))
          return Verdict::kThroughLink;
        for (++i; i < components.size(); ++i)
          *real = real->Append(components[i]);
        return Verdict::kInside;
      }
      if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
          !SameLocation(RealLocationOf(current), *real)) {
        LOG(WARNING) << "Not following " << current << ": it is a link";
        return Verdict::kThroughLink;
      }
    }
    return Verdict::kInside;
  }
  return Verdict::kOutside;
}

bool FolderBoundary::Remove(const base::FilePath& path, bool recursive) const {
  base::FilePath real;
  switch (Locate(path, LastComponent::kOpenedAsItself, &real)) {
    case Verdict::kInside:
      return RemoveOpened(path, real, recursive);
    case Verdict::kOutside:
      LOG(ERROR) << "Not removing " << path << ": it lies outside " << folders_.front();
      return false;
    case Verdict::kThroughLink:
      return false;
  }
  return false;
}

DWORD FolderBoundary::Rename(const base::FilePath& from, const base::FilePath& to) const {
  base::FilePath real_from;
  base::FilePath real_to;
  const Verdict from_verdict = Locate(from, LastComponent::kOpenedAsItself, &real_from);
  const Verdict to_verdict = Locate(to, LastComponent::kChecked, &real_to);
  if (from_verdict == Verdict::kOutside || to_verdict == Verdict::kOutside)
    return ERROR_ACCESS_DENIED;
  if (from_verdict != Verdict::kInside || to_verdict != Verdict::kInside)
    return FolderBoundary::kStoppedOnLink;
  DWORD error = ERROR_SUCCESS;
  base::win::ScopedHandle handle =
      OpenAsItself(from, real_from, DELETE | FILE_READ_ATTRIBUTES, &error);
  if (!handle.IsValid())
    return error;
  // An NT path: what the rename takes, whether or not the system converts.
  const std::wstring value = to.NormalizePathSeparators().value();
  const std::wstring target = value.compare(0, 2, L"\\\\") == 0
                                  ? L"\\??\\UNC\\" + value.substr(2)
                                  : L"\\??\\" + value;
  std::vector<BYTE> buffer(sizeof(FILE_RENAME_INFO) + target.size() * sizeof(wchar_t));
  auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  rename->ReplaceIfExists = FALSE;
  rename->RootDirectory = nullptr;
  rename->FileNameLength = static_cast<DWORD>(target.size() * sizeof(wchar_t));
  wmemcpy(rename->FileName, target.c_str(), target.size() + 1);
  if (!::SetFileInformationByHandle(handle.Get(), FileRenameInfo, rename,
                                    static_cast<DWORD>(buffer.size()))) {
    return ::GetLastError();
  }
  return ERROR_SUCCESS;
}

// static
bool FolderBoundary::RemoveEntry(const base::FilePath& path, bool recursive) {
  return FolderBoundary(path.DirName()).Remove(path, recursive);
}

// static
DWORD FolderBoundary::RenameEntry(const base::FilePath& from, const base::FilePath& to) {
  FolderBoundary boundary(from.DirName());
  boundary.AddFolder(to.DirName());
  return boundary.Rename(from, to);
}

#include "desktop/windows/installer/service/transactions/test_support/scratch_snapshot.h"

#include <vector>

#include "base/files/file_enumerator.h"
#include "base/files/file_util.h"

std::map<std::wstring, std::string> SnapshotFolder(const base::FilePath& folder) {
  std::map<std::wstring, std::string> snapshot;
  base::FileEnumerator enumerator(folder, /*recursive=*/true,
                                  base::FileEnumerator::FILES | base::FileEnumerator::DIRECTORIES);
  for (base::FilePath path = enumerator.Next(); !path.empty(); path = enumerator.Next()) {
    base::FilePath relative;
    folder.AppendRelativePath(path, &relative);
    if (base::DirectoryExists(path)) {
      snapshot[relative.value()] = "dir";
      continue;
    }
    std::string contents;
    base::ReadFileToString(path, &contents);
    const DWORD attributes = ::GetFileAttributesW(path.value().c_str());
    const bool read_only =
        attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
    snapshot[relative.value()] = std::string("file:") + (read_only ? "ro:" : "rw:") + contents;
  }
  return snapshot;
}

namespace {

void SnapshotKeyInto(HKEY root,
                     const std::wstring& key_path,
                     const std::wstring& relative,
                     std::map<std::wstring, std::string>* snapshot) {
  HKEY key = nullptr;
  if (::RegOpenKeyExW(root, key_path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return;
  (*snapshot)[relative + L"\\"] = "key";
  for (DWORD index = 0;; ++index) {
    wchar_t name[16384];
    DWORD name_length = 16384;
    DWORD type = 0;
    DWORD size = 0;
    if (::RegEnumValueW(key, index, name, &name_length, nullptr, &type, nullptr, &size) !=
        ERROR_SUCCESS) {
      break;
    }
    std::vector<BYTE> data(size + 1);
    name_length = 16384;
    ::RegEnumValueW(key, index, name, &name_length, nullptr, &type, data.data(), &size);
    (*snapshot)[relative + L"\\:" + std::wstring(name, name_length)] =
        std::to_string(type) + ":" + std::string(data.begin(), data.begin() + size);
  }
  for (DWORD index = 0;; ++index) {
    wchar_t name[256];
    DWORD name_length = 256;
    if (::RegEnumKeyExW(key, index, name, &name_length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      break;
    }
    const std::wstring child(name, name_length);
    // The root itself ("") has no separator before its children.
    const std::wstring child_path = key_path.empty() ? child : key_path + L"\\" + child;
    SnapshotKeyInto(root, child_path, relative + L"\\" + child, snapshot);
  }
  ::RegCloseKey(key);
}

}  // namespace

std::map<std::wstring, std::string> SnapshotRegistryKey(HKEY root, const std::wstring& key_path) {
  std::map<std::wstring, std::string> snapshot;
  SnapshotKeyInto(root, key_path, std::wstring(), &snapshot);
  return snapshot;
}

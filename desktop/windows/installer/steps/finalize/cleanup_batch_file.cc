#include "desktop/windows/installer/steps/finalize/cleanup_batch_file.h"

#include <shellapi.h>

#include <algorithm>

#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/utils/service_utils.h"

namespace {

bool IsSameOrInside(const base::FilePath& parent, const base::FilePath& path) {
  return base::FilePath::CompareEqualIgnoreCase(parent.value(), path.value()) ||
         IsParentPathIgnoreCase(parent, path);
}

// The path in `code_page`, or false when the code page cannot hold it.
bool Encode(const std::wstring& path, UINT code_page, std::string* out) {
  if (path.empty())
    return false;
  BOOL lossy = FALSE;
  const DWORD flags = code_page == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
  BOOL* lossy_out = code_page == CP_UTF8 ? nullptr : &lossy;
  int size = WideCharToMultiByte(code_page, flags, path.data(), static_cast<int>(path.size()),
                                 nullptr, 0, nullptr, lossy_out);
  if (size <= 0 || lossy)
    return false;
  out->resize(size);
  WideCharToMultiByte(code_page, flags, path.data(), static_cast<int>(path.size()), out->data(),
                      size, nullptr, lossy_out);
  return !lossy;
}

// A double-quoted path with "%" doubled, so that cmd does not expand it.
bool QuotePath(const base::FilePath& path, UINT code_page, std::string* quoted) {
  std::string encoded;
  if (!Encode(path.value(), code_page, &encoded)) {
    wchar_t short_path[MAX_PATH];
    DWORD length = GetShortPathNameW(path.value().c_str(), short_path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH ||
        !Encode(std::wstring(short_path, length), code_page, &encoded)) {
      LOG(ERROR) << "Cleanup batch file cannot name " << base::WideToUTF8(path.value());
      return false;
    }
  }
  quoted->assign("\"");
  for (char c : encoded) {
    if (c == '%')
      quoted->push_back('%');
    quoted->push_back(c);
  }
  quoted->push_back('"');
  return true;
}

}  // namespace

CleanupBatchFile::CleanupBatchFile(const base::FilePath& installation_folder)
    : installation_folder_(installation_folder.StripTrailingSeparators()) {}

CleanupBatchFile::~CleanupBatchFile() = default;

void CleanupBatchFile::SetProcess(int slot, base::ProcessId pid) {
  DCHECK(slot >= 1 && slot <= 3);
  pids_[slot - 1] = pid;
}

void CleanupBatchFile::AddFile(const base::FilePath& file) {
  files_.push_back(file);
}

void CleanupBatchFile::AddFolderAndAncestors(const base::FilePath& folder) {
  for (base::FilePath current = folder.StripTrailingSeparators();
       IsSameOrInside(installation_folder_, current); current = current.DirName()) {
    folders_.push_back(current);
    if (current.DirName() == current)
      break;
  }
}

std::string CleanupBatchFile::GetContents(UINT code_page) const {
  std::string text;
  auto line = [&text](const std::string& content) { text += content + "\n"; };
  for (int i = 0; i < 3; ++i) {
    if (pids_[i])
      line("SET PID" + base::NumberToString(i + 1) + "_RUNNING=TRUE");
  }
  line(":again");
  for (int i = 0; i < 3; ++i) {
    if (!pids_[i])
      continue;
    const std::string n = base::NumberToString(i + 1);
    line("IF %PID" + n + "_RUNNING%==TRUE (");
    line("TASKLIST /FI \"PID eq " + base::NumberToString(static_cast<unsigned>(pids_[i])) +
         "\" | FIND /c /i \".exe\"");
    line("IF ERRORLEVEL 1 SET PID" + n + "_RUNNING=FALSE");
    line(")");
  }
  line("ping -n 2 127.0.0.1");
  for (int i = 0; i < 3; ++i) {
    if (pids_[i])
      line("IF %PID" + base::NumberToString(i + 1) + "_RUNNING%==TRUE GOTO :again");
  }
  std::string quoted;
  for (const base::FilePath& file : files_) {
    if (QuotePath(file, code_page, &quoted))
      line("del " + quoted);
  }
  // Children before their parents: a descending order puts every folder
  // after the folders inside it.
  std::vector<base::FilePath> folders = folders_;
  std::sort(folders.begin(), folders.end(), [](const base::FilePath& a, const base::FilePath& b) {
    return base::FilePath::CompareLessIgnoreCase(b.value(), a.value());
  });
  folders.erase(std::unique(folders.begin(), folders.end(),
                            [](const base::FilePath& a, const base::FilePath& b) {
                              return base::FilePath::CompareEqualIgnoreCase(a.value(), b.value());
                            }),
                folders.end());
  bool remove_own_folder = false;
  for (const base::FilePath& folder : folders) {
    if (base::FilePath::CompareEqualIgnoreCase(folder.value(), installation_folder_.value())) {
      remove_own_folder = true;
      continue;
    }
    if (QuotePath(folder, code_page, &quoted))
      line("rmdir " + quoted);
  }
  // The installation folder holds this file, so it can only go once the
  // file is gone; cmd reads no line after the file is deleted, hence the
  // same line.
  if (remove_own_folder && QuotePath(installation_folder_, code_page, &quoted))
    line("del %0 & rmdir " + quoted);
  else
    line("del %0");
  return text;
}

bool CleanupBatchFile::Write(base::FilePath* path) const {
  *path = installation_folder_.Append(kCleanupBatchFileName);
  return base::WriteFile(*path, GetContents(CP_OEMCP));
}

bool StartCleanupBatchFile(const base::FilePath& batch_file) {
  // Run from the folder above, so that the installation folder is no
  // process's current folder when the file removes it.
  const std::wstring folder = batch_file.DirName().DirName().value();
  SHELLEXECUTEINFOW info = {};
  info.cbSize = sizeof(info);
  info.fMask = SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
  info.lpFile = batch_file.value().c_str();
  info.lpDirectory = folder.c_str();
  info.nShow = SW_HIDE;
  return ShellExecuteExW(&info) != FALSE;
}

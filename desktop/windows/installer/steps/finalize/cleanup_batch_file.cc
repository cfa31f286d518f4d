#include "desktop/windows/installer/steps/finalize/cleanup_batch_file.h"

#include <shellapi.h>

#include <algorithm>
#include <iterator>
#include <string_view>

#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/utils/relative_path.h"
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

constexpr char kTaskListLine[] = "TASKLIST /FI \"PID eq ";
constexpr char kDeleteLine[] = "del ";
constexpr char kRemoveFolderLine[] = "rmdir ";
constexpr char kDeleteSelfLine[] = "del %0";
constexpr char kDeleteSelfAndFolderLine[] = "del %0 & rmdir ";

// The path of a line `prefix` + quoted path as QuotePath writes it: the
// text between the quotes, "%%" read as "%", decoded from `code_page`.
// False for any other line.
bool UnquotePath(std::string_view line, std::string_view prefix, UINT code_page,
                 base::FilePath* path) {
  if (line.size() < prefix.size() + 3 || line.substr(0, prefix.size()) != prefix ||
      line[prefix.size()] != '"' || line.back() != '"') {
    return false;
  }
  const std::string_view quoted = line.substr(prefix.size() + 1, line.size() - prefix.size() - 2);
  std::string encoded;
  for (size_t i = 0; i < quoted.size(); ++i) {
    if (quoted[i] == '"')
      return false;
    if (quoted[i] == '%' && (++i == quoted.size() || quoted[i] != '%'))
      return false;
    encoded.push_back(quoted[i]);
  }
  const int size = MultiByteToWideChar(code_page, MB_ERR_INVALID_CHARS, encoded.data(),
                                       static_cast<int>(encoded.size()), nullptr, 0);
  if (size <= 0)
    return false;
  std::wstring wide(size, L'\0');
  MultiByteToWideChar(code_page, MB_ERR_INVALID_CHARS, encoded.data(),
                      static_cast<int>(encoded.size()), wide.data(), size);
  *path = base::FilePath(wide);
  return true;
}

// `path` in its long form, when it names something that exists.
base::FilePath LongPath(const base::FilePath& path) {
  wchar_t buffer[MAX_PATH * 4];
  const DWORD length =
      GetLongPathNameW(path.value().c_str(), buffer, static_cast<DWORD>(std::size(buffer)));
  if (length == 0 || length >= std::size(buffer))
    return path;
  return base::FilePath(std::wstring(buffer, length));
}

// Whether `path`, as a cleanup batch file names it (perhaps by short
// names), is `folder` itself (`itself`) or lies strictly inside it, never
// by way of "." or "..".
bool IsInFolder(const base::FilePath& folder, const base::FilePath& path, bool itself) {
  for (const std::wstring& component : path.GetComponents()) {
    if (component == L"." || component == L"..")
      return false;
  }
  const base::FilePath lower_folder(
      base::ToLowerASCII(folder.StripTrailingSeparators().value()));
  const base::FilePath lower_path(base::ToLowerASCII(LongPath(path).value()));
  if (itself)
    return lower_folder == lower_path;
  base::FilePath relative;
  return lower_folder.AppendRelativePath(lower_path, &relative) &&
         IsSafeRelativePath(std::wstring_view(relative.value()));
}

// The line that starts the wait for the process in `slot`.
std::string WaitIfLine(int slot) {
  return "IF %PID" + base::NumberToString(slot) + "_RUNNING%==TRUE (";
}

// The processes a cleanup batch file waits for, from its TASKLIST lines.
bool ReadWaitedProcesses(const std::vector<std::string_view>& lines, CleanupBatchFile* batch) {
  int slot = 0;
  for (std::string_view line : lines) {
    for (int n = 1; n <= 3; ++n) {
      if (line == WaitIfLine(n))
        slot = n;
    }
    if (line.substr(0, std::size(kTaskListLine) - 1) != kTaskListLine)
      continue;
    const std::string_view rest = line.substr(std::size(kTaskListLine) - 1);
    unsigned pid = 0;
    if (slot == 0 || !base::StringToUint(rest.substr(0, rest.find('"')), &pid))
      return false;
    batch->SetProcess(slot, pid);
    slot = 0;
  }
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

std::string CleanupBatchFile::GetWaitLines() const {
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
    line(WaitIfLine(i + 1));
    line(kTaskListLine + base::NumberToString(static_cast<unsigned>(pids_[i])) +
         "\" | FIND /c /i \".exe\"");
    line("IF ERRORLEVEL 1 SET PID" + n + "_RUNNING=FALSE");
    line(")");
  }
  line("ping -n 2 127.0.0.1");
  for (int i = 0; i < 3; ++i) {
    if (pids_[i])
      line("IF %PID" + base::NumberToString(i + 1) + "_RUNNING%==TRUE GOTO :again");
  }
  return text;
}

std::string CleanupBatchFile::GetContents(UINT code_page) const {
  std::string text = GetWaitLines();
  auto line = [&text](const std::string& content) { text += content + "\n"; };
  std::string quoted;
  for (const base::FilePath& file : files_) {
    if (QuotePath(file, code_page, &quoted))
      line(kDeleteLine + quoted);
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
      line(kRemoveFolderLine + quoted);
  }
  // The installation folder holds this file, so it can only go once the
  // file is gone; cmd reads no line after the file is deleted, hence the
  // same line.
  if (remove_own_folder && QuotePath(installation_folder_, code_page, &quoted))
    line(kDeleteSelfAndFolderLine + quoted);
  else
    line(kDeleteSelfLine);
  return text;
}

bool CleanupBatchFile::Write(base::FilePath* path) const {
  *path = installation_folder_.Append(kCleanupBatchFileName);
  return base::WriteFile(*path, GetContents(CP_OEMCP));
}

// static
bool CleanupBatchFile::IsValidText(const std::string& text,
                                   const base::FilePath& installation_folder,
                                   UINT code_page) {
  if (text.empty() || text.back() != '\n')
    return false;
  std::vector<std::string_view> lines;
  for (size_t start = 0; start < text.size();) {
    const size_t end = text.find('\n', start);
    lines.emplace_back(text.data() + start, end - start);
    start = end + 1;
  }
  // The wait, exactly as this class writes it for the processes named.
  CleanupBatchFile waiting(installation_folder);
  if (!ReadWaitedProcesses(lines, &waiting))
    return false;
  const std::string wait = waiting.GetWaitLines();
  if (text.compare(0, wait.size(), wait) != 0)
    return false;
  const size_t wait_lines = static_cast<size_t>(std::count(wait.begin(), wait.end(), '\n'));
  // Then the files, the folders and the last line, each only inside the
  // installation folder.
  bool in_folders = false;
  base::FilePath path;
  for (size_t i = wait_lines; i + 1 < lines.size(); ++i) {
    if (!in_folders && UnquotePath(lines[i], kDeleteLine, code_page, &path)) {
      if (!IsInFolder(installation_folder, path, /*itself=*/false))
        return false;
    } else if (UnquotePath(lines[i], kRemoveFolderLine, code_page, &path)) {
      in_folders = true;
      if (!IsInFolder(installation_folder, path, /*itself=*/false))
        return false;
    } else {
      return false;
    }
  }
  const std::string_view last = lines.back();
  return lines.size() > wait_lines &&
         (last == kDeleteSelfLine ||
          (UnquotePath(last, kDeleteSelfAndFolderLine, code_page, &path) &&
           IsInFolder(installation_folder, path, /*itself=*/true)));
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

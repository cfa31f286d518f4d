#include "desktop/windows/installer/steps/finalize/cleanup_batch_file.h"

#include <algorithm>
#include <iterator>
#include <string_view>

#include "base/command_line.h"
#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/service/transactions/file_operation_util.h"
#include "desktop/windows/installer/utils/moved_aside_name.h"
#include "desktop/windows/installer/utils/folder_boundary.h"
#include "desktop/windows/installer/utils/process_launcher.h"
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

constexpr char kDeleteLine[] = "del ";
constexpr char kRemoveFolderLine[] = "rmdir ";
// Joins the deletion of the file itself and the removal of the installation
// folder: cmd reads no line after the file is gone.
constexpr char kThenRemoveFolder[] = " & rmdir ";
// Out of the installation folder, which is the current folder at the start,
// so that the folder can go at the end.
constexpr char kLeaveFolderLine[] = "cd ..";
// About half an hour of rounds of about a second each: a process id taken
// over by a program that runs for good does not keep the file for ever.
constexpr int kMaxWaitRounds = 1800;
// How the wait asks whether a process runs, by its id. TASKLIST answers on
// Windows; Wine's prints nothing, and there "wmic" answers, which newer
// Windows versions may lack. A FOR /F whose command prints nothing ends a
// block in Wine's cmd, so no line here is in parentheses.
constexpr char kTaskListQuery[] =
    "FOR /F \"tokens=2 delims=,\" %%P IN ('TASKLIST /FO CSV /NH /FI \"PID eq ";
constexpr char kWmicQuery[] = "FOR /F %%P IN ('wmic process get ProcessId') DO IF \"%%P\"==\"";
constexpr size_t kMaxBatchFileSize = 16 * 1024 * 1024;

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

// The variable that says whether the process in `slot` runs: TRUE,
// CHECKING while this round asks, FALSE once it has ended (never asked
// again, so a later process of the same id is not waited for).
std::string Running(int slot) {
  return "PID" + base::NumberToString(slot) + "_RUNNING";
}

// The line that asks TASKLIST about the process in `slot`, without its id
// and what follows it.
std::string TaskListLinePrefix(int slot) {
  return "IF %" + Running(slot) + "%==CHECKING " + kTaskListQuery;
}

// The processes a cleanup batch file waits for, from its TASKLIST lines.
bool ReadWaitedProcesses(const std::vector<std::string_view>& lines, CleanupBatchFile* batch) {
  for (std::string_view line : lines) {
    for (int slot = 1; slot <= 3; ++slot) {
      const std::string prefix = TaskListLinePrefix(slot);
      if (line.substr(0, prefix.size()) != prefix)
        continue;
      const std::string_view rest = line.substr(prefix.size());
      unsigned pid = 0;
      if (!base::StringToUint(rest.substr(0, rest.find('"')), &pid) || pid == 0)
        return false;
      batch->SetProcess(slot, pid);
    }
  }
  return true;
}

// Whether `path`, as a cleanup batch file names it, is a moved-aside copy.
bool IsMovedAside(const base::FilePath& path) {
  return ParseMovedAsideName(path.BaseName().value(), nullptr, nullptr) ||
         ParseMovedAsideName(LongPath(path).BaseName().value(), nullptr, nullptr);
}

// The last line: the file itself deleted, and the installation folder
// removed after it when `folder` is not empty.
std::string LastLine(const std::string& batch_file, const std::string& folder) {
  return kDeleteLine + batch_file + (folder.empty() ? "" : kThenRemoveFolder + folder);
}

// Whether `line` is a last line for `installation_folder`; `removes_folder`
// tells whether it removes the folder too.
bool IsValidLastLine(std::string_view line, const base::FilePath& installation_folder,
                     UINT code_page, bool* removes_folder) {
  const std::string separator = std::string("\"") + kThenRemoveFolder;
  const size_t split = line.find(separator);
  base::FilePath path;
  if (!UnquotePath(line.substr(0, split == std::string_view::npos ? line.size() : split + 1),
                   kDeleteLine, code_page, &path) ||
      !IsInFolder(installation_folder, path.DirName(), /*itself=*/true) ||
      !base::FilePath::CompareEqualIgnoreCase(path.BaseName().value(), kCleanupBatchFileName)) {
    return false;
  }
  *removes_folder = split != std::string_view::npos;
  // The removal of the folder starts after the quote and " & ".
  const size_t removal = split + separator.size() - (std::size(kRemoveFolderLine) - 1);
  return split == std::string_view::npos ||
         (UnquotePath(line.substr(removal), kRemoveFolderLine, code_page, &path) &&
          IsInFolder(installation_folder, path, /*itself=*/true));
}

}  // namespace

CleanupBatchFile::CleanupBatchFile(const base::FilePath& installation_folder)
    : installation_folder_(installation_folder.StripTrailingSeparators()) {}

CleanupBatchFile::~CleanupBatchFile() = default;

// static
base::FilePath CleanupBatchFile::GetPath(const base::FilePath& installation_folder) {
  return installation_folder.StripTrailingSeparators().Append(kCleanupBatchFileName);
}

void CleanupBatchFile::SetProcess(int slot, base::ProcessId pid) {
  DCHECK(slot >= 1 && slot <= 3);
  pids_[slot - 1] = pid;
}

void CleanupBatchFile::AddFile(const base::FilePath& file) {
  DCHECK(IsMovedAside(file));
  for (const base::FilePath& added : files_) {
    if (PathsEqualIgnoreCase(added, file))
      return;
  }
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
  line(kLeaveFolderLine);
  for (int slot = 1; slot <= 3; ++slot) {
    if (pids_[slot - 1])
      line("SET " + Running(slot) + "=TRUE");
  }
  line("SET WAITED=0");
  line(":again");
  for (int slot = 1; slot <= 3; ++slot) {
    if (!pids_[slot - 1])
      continue;
    const std::string pid = base::NumberToString(static_cast<unsigned>(pids_[slot - 1]));
    const std::string found = " SET " + Running(slot) + "=TRUE";
    line("IF %" + Running(slot) + "%==TRUE SET " + Running(slot) + "=CHECKING");
    line(TaskListLinePrefix(slot) + pid + "\"') DO IF \"%%~P\"==\"" + pid + "\"" + found);
    line("IF %" + Running(slot) + "%==CHECKING " + kWmicQuery + pid + "\"" + found);
    line("IF %" + Running(slot) + "%==CHECKING SET " + Running(slot) + "=FALSE");
  }
  line("ping -n 2 127.0.0.1");
  line("SET /A WAITED+=1");
  for (int slot = 1; slot <= 3; ++slot) {
    if (pids_[slot - 1]) {
      line("IF %WAITED% LSS " + base::NumberToString(kMaxWaitRounds) + " IF %" + Running(slot) +
           "%==TRUE GOTO :again");
    }
  }
  return text;
}

std::vector<base::FilePath> CleanupBatchFile::GetFoldersInOrder() const {
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
  return folders;
}

std::string CleanupBatchFile::GetContents(UINT code_page) const {
  std::string text = GetWaitLines();
  auto line = [&text](const std::string& content) { text += content + "\n"; };
  std::string quoted;
  for (const base::FilePath& file : files_) {
    if (QuotePath(file, code_page, &quoted))
      line(kDeleteLine + quoted);
  }
  bool remove_own_folder = false;
  for (const base::FilePath& folder : GetFoldersInOrder()) {
    if (base::FilePath::CompareEqualIgnoreCase(folder.value(), installation_folder_.value())) {
      remove_own_folder = true;
      continue;
    }
    if (QuotePath(folder, code_page, &quoted))
      line(kRemoveFolderLine + quoted);
  }
  std::string self;
  std::string own_folder;
  if (!QuotePath(GetPath(installation_folder_), code_page, &self))
    return text;
  if (remove_own_folder)
    QuotePath(installation_folder_, code_page, &own_folder);
  line(LastLine(self, own_folder));
  return text;
}

// static
bool CleanupBatchFile::Parse(const std::string& text,
                             const base::FilePath& installation_folder,
                             UINT code_page,
                             CleanupBatchFile* batch) {
  if (text.empty() || text.back() != '\n')
    return false;
  std::vector<std::string_view> lines;
  for (size_t start = 0; start < text.size();) {
    const size_t end = text.find('\n', start);
    lines.emplace_back(text.data() + start, end - start);
    start = end + 1;
  }
  // The wait, exactly as this class writes it for the processes named.
  CleanupBatchFile read(installation_folder);
  if (!ReadWaitedProcesses(lines, &read))
    return false;
  const std::string wait = read.GetWaitLines();
  if (text.compare(0, wait.size(), wait) != 0)
    return false;
  const size_t wait_lines = static_cast<size_t>(std::count(wait.begin(), wait.end(), '\n'));
  bool removes_folder = false;
  if (lines.size() <= wait_lines ||
      !IsValidLastLine(lines.back(), installation_folder, code_page, &removes_folder)) {
    return false;
  }
  // Then the copies, the folders and the last line, each only inside the
  // installation folder.
  base::FilePath path;
  for (size_t i = wait_lines; i + 1 < lines.size(); ++i) {
    if (read.folders_.empty() && UnquotePath(lines[i], kDeleteLine, code_page, &path)) {
      if (!IsInFolder(installation_folder, path, /*itself=*/false) || !IsMovedAside(path))
        return false;
      read.files_.push_back(path);
    } else if (UnquotePath(lines[i], kRemoveFolderLine, code_page, &path)) {
      if (!IsInFolder(installation_folder, path, /*itself=*/false))
        return false;
      read.folders_.push_back(path);
    } else {
      return false;
    }
  }
  if (removes_folder)
    read.folders_.push_back(read.installation_folder_);
  if (batch) {
    std::copy(std::begin(read.pids_), std::end(read.pids_), batch->pids_);
    batch->files_ = std::move(read.files_);
    batch->folders_ = std::move(read.folders_);
  }
  return true;
}

// static
bool CleanupBatchFile::IsValidText(const std::string& text,
                                   const base::FilePath& installation_folder,
                                   UINT code_page) {
  return Parse(text, installation_folder, code_page, nullptr);
}

// static
bool CleanupBatchFile::ReadFile(const base::FilePath& installation_folder,
                                CleanupBatchFile* batch,
                                std::string* text) {
  std::string read;
  if (!base::ReadFileToStringWithMaxSize(GetPath(installation_folder), &read, kMaxBatchFileSize) ||
      !Parse(read, installation_folder, CP_OEMCP, batch)) {
    return false;
  }
  if (text)
    *text = std::move(read);
  return true;
}

void CleanupBatchFile::CarryOut() const {
  // The file was written for this folder, and may have been changed since:
  // nothing is reached through a link.
  const FolderBoundary boundary(installation_folder_);
  for (const base::FilePath& file : files_) {
    if (!boundary.Remove(file, /*recursive=*/false))
      LOG(WARNING) << "Cannot delete " << file;
  }
  for (const base::FilePath& folder : GetFoldersInOrder()) {
    if (!base::FilePath::CompareEqualIgnoreCase(folder.value(), installation_folder_.value()))
      boundary.Remove(folder, /*recursive=*/false);
  }
}

bool StartCleanupBatchFile(const base::FilePath& batch_file) {
  DWORD error = ERROR_SUCCESS;
  if (GetProcessLauncher()->Launch(base::CommandLine(batch_file), LaunchStyle::kHidden, &error)
          .IsValid()) {
    return true;
  }
  LOG(ERROR) << "Cannot start " << batch_file << ": " << GetWindowsErrorText(error);
  return false;
}

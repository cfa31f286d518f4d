#include "desktop/windows/installer/service/installation_journal.h"

#include <ctime>
#include <utility>
#include <vector>

#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/string_split.h"
#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/utils/folder_boundary.h"
#include "desktop/windows/installer/utils/relative_path.h"
#include "desktop/windows/installer/utils/service_utils.h"

namespace {

constexpr wchar_t kJournalFileName[] = L"installation_journal";
constexpr wchar_t kPreparationJournalFileName[] = L"installation_journal_preparation";
constexpr char kHeader[] = "tarvo installation journal 1";
constexpr char kCommitting[] = "committing";
// A journal is a few hundred lines; anything far larger is not ours.
constexpr size_t kMaxJournalSize = 4 * 1024 * 1024;

constexpr char kAbsentType[] = "-";

struct KindLetter {
  UndoRecord::Kind kind;
  char letter;
};
constexpr KindLetter kKindLetters[] = {
    {UndoRecord::Kind::kPutBack, 'P'},
    {UndoRecord::Kind::kDelete, 'D'},
    {UndoRecord::Kind::kMoveBack, 'M'},
    {UndoRecord::Kind::kRemoveFolders, 'F'},
    {UndoRecord::Kind::kRestoreValue, 'V'},
    {UndoRecord::Kind::kDeleteKey, 'K'},
    {UndoRecord::Kind::kVersionedFolder, 'N'},
};

struct RootName {
  HKEY root;
  const char* name;
};
const RootName kRootNames[] = {
    {HKEY_LOCAL_MACHINE, "HKLM"},
    {HKEY_CURRENT_USER, "HKCU"},
};

const char* NameOfRoot(HKEY root) {
  for (const RootName& entry : kRootNames) {
    if (entry.root == root)
      return entry.name;
  }
  return nullptr;
}

bool RootOfName(const std::string& name, HKEY* root) {
  for (const RootName& entry : kRootNames) {
    if (name == entry.name) {
      *root = entry.root;
      return true;
    }
  }
  return false;
}

// Names that would break the line format are never written.
bool FitsOnALine(const std::wstring& text) {
  return text.find_first_of(L"\t\r\n") == std::wstring::npos;
}

char LetterOf(UndoRecord::Kind kind) {
  for (const KindLetter& entry : kKindLetters) {
    if (entry.kind == kind)
      return entry.letter;
  }
  return 0;
}

bool KindOf(std::string_view letter, UndoRecord::Kind* kind) {
  for (const KindLetter& entry : kKindLetters) {
    if (letter.size() == 1 && letter[0] == entry.letter) {
      *kind = entry.kind;
      return true;
    }
  }
  return false;
}

// An absolute path below `folder` from a relative one read back; an empty
// text is the folder itself.
bool MakeAbsolute(const base::FilePath& folder, const std::string& relative,
                  base::FilePath* path) {
  if (relative.empty()) {
    *path = folder;
    return true;
  }
  if (!IsSafeRelativePath(relative))
    return false;
  *path = folder.Append(base::UTF8ToWide(relative));
  return true;
}

// "V", root, view, key, value name, type (or "-"), data in hex; "K", root,
// view, key, top key.
bool ParseRegistryRecord(const std::vector<std::string>& fields, UndoRecord* record) {
  uint32_t view = 0;
  if (fields.size() < 4 || !RootOfName(fields[1], &record->root) ||
      !base::StringToUint(fields[2], &view) ||
      (view & ~static_cast<uint32_t>(KEY_WOW64_32KEY | KEY_WOW64_64KEY)) || fields[3].empty()) {
    return false;
  }
  record->view = view;
  record->key = base::UTF8ToWide(fields[3]);
  if (record->kind == UndoRecord::Kind::kDeleteKey) {
    if (fields.size() != 5 || fields[4].empty())
      return false;
    record->top_key = base::UTF8ToWide(fields[4]);
    return true;
  }
  uint32_t type = 0;
  if (fields.size() != 7 ||
      (fields[5] != kAbsentType && !base::StringToUint(fields[5], &type)) ||
      !base::HexStringToBytes(fields[6], &record->value_data)) {
    return false;
  }
  record->value_name = base::UTF8ToWide(fields[4]);
  record->value_type = fields[5] == kAbsentType ? UndoRecord::kAbsentValue : type;
  return true;
}

bool ParseRecord(const base::FilePath& folder, const std::string& line, UndoRecord* record) {
  const std::vector<std::string> fields =
      base::SplitString(line, "\t", base::KEEP_WHITESPACE, base::SPLIT_WANT_ALL);
  if (fields.empty() || !KindOf(fields[0], &record->kind))
    return false;
  if (record->kind == UndoRecord::Kind::kRestoreValue ||
      record->kind == UndoRecord::Kind::kDeleteKey) {
    return ParseRegistryRecord(fields, record);
  }
  // A file moved aside or away names where it went; only made folders may
  // leave the second path empty (removed up to the installation folder).
  const bool needs_other =
      record->kind == UndoRecord::Kind::kPutBack || record->kind == UndoRecord::Kind::kMoveBack;
  return fields.size() == 3 && !fields[1].empty() && (!needs_other || !fields[2].empty()) &&
         MakeAbsolute(folder, fields[1], &record->path) &&
         MakeAbsolute(folder, fields[2], &record->other);
}

std::string RegistryLine(const UndoRecord& record) {
  const char* root = NameOfRoot(record.root);
  if (!root || record.key.empty() || !FitsOnALine(record.key) ||
      !FitsOnALine(record.top_key) || !FitsOnALine(record.value_name)) {
    return std::string();
  }
  std::string line = std::string(1, LetterOf(record.kind)) + "\t" + root + "\t" +
                     std::to_string(record.view) + "\t" + base::WideToUTF8(record.key);
  if (record.kind == UndoRecord::Kind::kDeleteKey)
    return record.top_key.empty() ? std::string() : line + "\t" + base::WideToUTF8(record.top_key);
  return line + "\t" + base::WideToUTF8(record.value_name) + "\t" +
         (record.value_type == UndoRecord::kAbsentValue ? std::string(kAbsentType)
                                                        : std::to_string(record.value_type)) +
         "\t" + base::HexEncode(record.value_data.data(), record.value_data.size());
}

}  // namespace

bool InstallationJournal::Contents::FindEarlierFile(const base::FilePath& path,
                                                   base::FilePath* earlier) const {
  auto same = [](const base::FilePath& a, const base::FilePath& b) {
    return base::FilePath::CompareEqualIgnoreCase(a.value(), b.value());
  };
  for (const UndoRecord& record : records) {
    switch (record.kind) {
      case UndoRecord::Kind::kPutBack:
        if (same(record.path, path)) {
          *earlier = record.other;
          return true;
        }
        break;
      case UndoRecord::Kind::kMoveBack:
        if (same(record.other, path)) {
          *earlier = record.path;
          return true;
        }
        if (same(record.path, path))
          return false;
        break;
      case UndoRecord::Kind::kDelete:
        if (same(record.path, path))
          return false;
        break;
      default:
        break;
    }
  }
  *earlier = path;
  return true;
}

// static
std::unique_ptr<InstallationJournal> InstallationJournal::Start(const base::FilePath& folder,
                                                                Role role) {
  const base::FilePath path = GetPath(folder, role);
  base::win::ScopedHandle file(::CreateFileW(path.value().c_str(), GENERIC_WRITE,
                                             FILE_SHARE_READ, nullptr, CREATE_NEW,
                                             FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsValid()) {
    PLOG(WARNING) << "Cannot start the installation journal " << path
                  << "; a run killed now would leave its changes";
    return nullptr;
  }
  std::unique_ptr<InstallationJournal> journal(
      new InstallationJournal(folder, path, std::move(file)));
  const long long now = static_cast<long long>(std::time(nullptr));
  if (!journal->Append(std::string(kHeader) + "\t" + std::to_string(now))) {
    journal->Remove();
    return nullptr;
  }
  return journal;
}

// static
base::FilePath InstallationJournal::GetPath(const base::FilePath& folder, Role role) {
  return folder.Append(role == Role::kRun ? kJournalFileName : kPreparationJournalFileName);
}

// static
bool InstallationJournal::Read(const base::FilePath& folder, Contents* contents, Role role) {
  std::string text;
  if (!base::ReadFileToStringWithMaxSize(GetPath(folder, role), &text, kMaxJournalSize))
    return false;
  *contents = Contents();
  const std::vector<std::string> lines =
      base::SplitString(text, "\n", base::KEEP_WHITESPACE, base::SPLIT_WANT_NONEMPTY);
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    if (i == 0) {
      const size_t tab = line.find('\t');
      if (tab == std::string::npos || line.compare(0, tab, kHeader) != 0 ||
          !base::StringToInt64(std::string_view(line).substr(tab + 1), &contents->started)) {
        LOG(WARNING) << "The installation journal of " << folder << " has no valid header";
      }
      continue;
    }
    if (line == kCommitting) {
      contents->committing = true;
      continue;
    }
    UndoRecord record;
    if (!ParseRecord(folder, line, &record)) {
      LOG(WARNING) << "Skipping an invalid line of the installation journal: " << line;
      continue;
    }
    contents->records.push_back(std::move(record));
  }
  return true;
}

// static
bool InstallationJournal::IsBeingWritten(const base::FilePath& folder, Role role) {
  // The writer shares its journal for reading only.
  base::win::ScopedHandle file(::CreateFileW(GetPath(folder, role).value().c_str(), GENERIC_READ,
                                             FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                             FILE_ATTRIBUTE_NORMAL, nullptr));
  return !file.IsValid() && ::GetLastError() == ERROR_SHARING_VIOLATION;
}

InstallationJournal::InstallationJournal(const base::FilePath& folder,
                                         const base::FilePath& path,
                                         base::win::ScopedHandle file)
    : folder_(folder), path_(path), file_(std::move(file)) {}

InstallationJournal::~InstallationJournal() = default;

void InstallationJournal::Record(const UndoRecord& record) {
  if (record.kind == UndoRecord::Kind::kRestoreValue ||
      record.kind == UndoRecord::Kind::kDeleteKey) {
    const std::string line = RegistryLine(record);
    if (!line.empty())
      Append(line);
    return;
  }
  const char letter = LetterOf(record.kind);
  std::string path;
  std::string other;
  if (!letter || !MakeRelative(record.path, &path) || path.empty())
    return;
  // Folders made from one outside the installation folder (or from the
  // folder itself) are removed at most up to the installation folder.
  const bool needs_other =
      record.kind == UndoRecord::Kind::kPutBack || record.kind == UndoRecord::Kind::kMoveBack;
  if (!MakeRelative(record.other, &other) && needs_other)
    return;
  Append(std::string(1, letter) + "\t" + path + "\t" + other);
}

uint64_t InstallationJournal::GetLength() const {
  return length_;
}

void InstallationJournal::Truncate(uint64_t length) {
  if (!file_.IsValid() || length >= length_)
    return;
  LARGE_INTEGER position;
  position.QuadPart = static_cast<LONGLONG>(length);
  if (!::SetFilePointerEx(file_.Get(), position, nullptr, FILE_BEGIN) ||
      !::SetEndOfFile(file_.Get())) {
    PLOG(ERROR) << "Cannot take undone changes out of the installation journal";
    return;
  }
  length_ = length;
}

void InstallationJournal::MarkCommitting() {
  Append(kCommitting);
  if (file_.IsValid())
    ::FlushFileBuffers(file_.Get());
}

void InstallationJournal::Remove() {
  file_.Close();
  if (!FolderBoundary::RemoveEntry(path_, /*recursive=*/false))
    PLOG(WARNING) << "Cannot remove the installation journal of " << folder_;
}

bool InstallationJournal::Append(const std::string& line) {
  if (!file_.IsValid())
    return false;
  const std::string text = line + "\n";
  LARGE_INTEGER end;
  end.QuadPart = static_cast<LONGLONG>(length_);
  DWORD written = 0;
  if (!::SetFilePointerEx(file_.Get(), end, nullptr, FILE_BEGIN) ||
      !::WriteFile(file_.Get(), text.data(), static_cast<DWORD>(text.size()), &written,
                   nullptr) ||
      written != text.size()) {
    PLOG(ERROR) << "Cannot write the installation journal";
    return false;
  }
  length_ += written;
  return true;
}

bool InstallationJournal::MakeRelative(const base::FilePath& path, std::string* relative) const {
  // The folder as the path spells it, whatever its case; the rest keeps the
  // path's own spelling, which undoing a move puts back.
  if (!IsParentPathIgnoreCase(folder_, path))
    return false;
  const std::vector<std::wstring> components = path.GetComponents();
  base::FilePath inside;
  for (size_t i = folder_.GetComponents().size(); i < components.size(); ++i)
    inside = inside.Append(components[i]);
  *relative = base::WideToUTF8(inside.value());
  return true;
}

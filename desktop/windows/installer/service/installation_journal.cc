#include "desktop/windows/installer/service/installation_journal.h"

#include <algorithm>
#include <ctime>
#include <span>
#include <utility>
#include <vector>

#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/string_split.h"
#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/utils/relative_path.h"
#include "desktop/windows/installer/utils/security_util.h"
#include "desktop/windows/installer/utils/service_utils.h"

namespace {

constexpr wchar_t kJournalFileName[] = L"installation_journal";
constexpr wchar_t kPreparationJournalFileName[] = L"installation_journal_preparation";
constexpr char kHeader[] = "tarvo installation journal 1";
constexpr char kCommitting[] = "committing";
// A run writes a line per change: an install about a hundred, an upgrade or
// an uninstall of a large package a few hundred, most under 200 bytes (the
// longest, a deleted key with its values, a few kilobytes). A journal far
// beyond that is none a run wrote: the next run refuses it unread or as soon
// as it counts too many lines, and undoing one it takes stays short. A run
// keeps to the same bounds (a change that would pass them fails), so it
// never leaves a journal the next run refuses.
constexpr uint64_t kMaxJournalSize = 1024 * 1024;
constexpr size_t kMaxJournalRecords = 10000;

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
    {UndoRecord::Kind::kRestoreKeys, 'R'},
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
// text is the folder itself. An absolute one only for the installer's own
// shortcut files in the shell's folders.
bool MakeAbsolute(const base::FilePath& folder, const ShellShortcutFiles* shortcuts,
                  const std::string& relative, base::FilePath* path) {
  if (relative.empty()) {
    *path = folder;
    return true;
  }
  const base::FilePath absolute(base::UTF8ToWide(relative));
  if (absolute.IsAbsolute()) {
    *path = absolute;
    return shortcuts && shortcuts->Contains(absolute);
  }
  if (!IsSafeRelativePath(relative))
    return false;
  *path = folder.Append(base::UTF8ToWide(relative));
  return true;
}

// The keys of a kRestoreKeys line after its root, view and key: their
// count, then per key its path, its value count and each value's name,
// type and data in hex.
bool ParseRestoredKeys(const std::vector<std::string>& fields, size_t next,
                       UndoRecord* record) {
  size_t count = 0;
  if (next >= fields.size() || !base::StringToSizeT(fields[next++], &count) ||
      count > fields.size())
    return false;
  for (size_t i = 0; i < count; ++i) {
    size_t values = 0;
    if (next + 2 > fields.size() || fields[next].empty() ||
        !base::StringToSizeT(fields[next + 1], &values) || values > fields.size()) {
      return false;
    }
    UndoRecord::Key key{base::UTF8ToWide(fields[next]), {}};
    next += 2;
    for (size_t v = 0; v < values; ++v, next += 3) {
      SavedRegistryValue value;
      uint32_t type = 0;
      if (next + 3 > fields.size() || !base::StringToUint(fields[next + 1], &type) ||
          !base::HexStringToBytes(fields[next + 2], &value.data)) {
        return false;
      }
      value.name = base::UTF8ToWide(fields[next]);
      value.type = type;
      key.values.push_back(std::move(value));
    }
    record->keys.push_back(std::move(key));
  }
  return next == fields.size() && !record->keys.empty();
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
  if (record->kind == UndoRecord::Kind::kRestoreKeys)
    return ParseRestoredKeys(fields, 4, record);
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

bool IsRegistryKind(UndoRecord::Kind kind) {
  return kind == UndoRecord::Kind::kRestoreValue || kind == UndoRecord::Kind::kDeleteKey ||
         kind == UndoRecord::Kind::kRestoreKeys;
}

bool ParseRecord(const base::FilePath& folder, const ShellShortcutFiles* shortcuts,
                 const std::string& line, UndoRecord* record) {
  const std::vector<std::string> fields =
      base::SplitString(line, "\t", base::KEEP_WHITESPACE, base::SPLIT_WANT_ALL);
  if (fields.empty() || !KindOf(fields[0], &record->kind))
    return false;
  if (IsRegistryKind(record->kind))
    return ParseRegistryRecord(fields, record);
  // A file moved aside or away names where it went; only made folders may
  // leave the second path empty (removed up to the installation folder).
  const bool needs_other =
      record->kind == UndoRecord::Kind::kPutBack || record->kind == UndoRecord::Kind::kMoveBack;
  return fields.size() == 3 && !fields[1].empty() && (!needs_other || !fields[2].empty()) &&
         MakeAbsolute(folder, shortcuts, fields[1], &record->path) &&
         MakeAbsolute(folder, shortcuts, fields[2], &record->other);
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
  if (record.kind == UndoRecord::Kind::kRestoreKeys) {
    line += "\t" + std::to_string(record.keys.size());
    for (const UndoRecord::Key& key : record.keys) {
      if (key.path.empty() || !FitsOnALine(key.path))
        return std::string();
      line += "\t" + base::WideToUTF8(key.path) + "\t" + std::to_string(key.values.size());
      for (const SavedRegistryValue& value : key.values) {
        if (!FitsOnALine(value.name))
          return std::string();
        line += "\t" + base::WideToUTF8(value.name) + "\t" + std::to_string(value.type) +
                "\t" + base::HexEncode(value.data.data(), value.data.size());
      }
    }
    return line;
  }
  return line + "\t" + base::WideToUTF8(record.value_name) + "\t" +
         (record.value_type == UndoRecord::kAbsentValue ? std::string(kAbsentType)
                                                        : std::to_string(record.value_type)) +
         "\t" + base::HexEncode(record.value_data.data(), record.value_data.size());
}

// Whether a change takes away or overwrites what was there before the run,
// which the next run could not get back were its line lost: that line is on
// the disk before the change is made. A line of what the run only makes
// (a file, folders, a key, a new value) reaches the disk with the next such
// line or with "committing": lost in a power cut, it leaves at most a thing
// of the installer's own, which the same run again overwrites.
bool TakesAwayWhatWasThere(const UndoRecord& record) {
  switch (record.kind) {
    case UndoRecord::Kind::kPutBack:
    case UndoRecord::Kind::kMoveBack:
    case UndoRecord::Kind::kRestoreKeys:
      return true;
    case UndoRecord::Kind::kRestoreValue:
      return record.value_type != UndoRecord::kAbsentValue;
    case UndoRecord::Kind::kNone:
    case UndoRecord::Kind::kDelete:
    case UndoRecord::Kind::kRemoveFolders:
    case UndoRecord::Kind::kDeleteKey:
    case UndoRecord::Kind::kVersionedFolder:
      return false;
  }
  return true;
}

// Writes the hives that `root`'s changes lie in to the disk: the user's
// classes are a hive of their own.
void FlushRegistryHives(HKEY root) {
  static constexpr const wchar_t* kUserHives[] = {L"", L"Software\\Classes"};
  static constexpr const wchar_t* kMachineHives[] = {L"SOFTWARE"};
  const std::span<const wchar_t* const> hives =
      root == HKEY_CURRENT_USER ? std::span<const wchar_t* const>(kUserHives)
                                : std::span<const wchar_t* const>(kMachineHives);
  for (const wchar_t* key_path : hives) {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(root, key_path, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
      continue;
    const LONG result = ::RegFlushKey(key);
    ::RegCloseKey(key);
    if (result != ERROR_SUCCESS)
      LOG(WARNING) << "Cannot write the registry's changes to the disk: " << result;
  }
}

// Cuts the file at `length`, on the disk at once: a line left of a change
// undone would undo too much next time (a copy's, over the file put back).
bool CutAt(HANDLE file, uint64_t length) {
  LARGE_INTEGER position;
  position.QuadPart = static_cast<LONGLONG>(length);
  return ::SetFilePointerEx(file, position, nullptr, FILE_BEGIN) && ::SetEndOfFile(file) &&
         ::FlushFileBuffers(file);
}

// Removes the file open at `file` (with DELETE) once it is closed.
bool MarkForRemoval(HANDLE file) {
  FILE_DISPOSITION_INFO disposition = {TRUE};
  return ::SetFileInformationByHandle(file, FileDispositionInfo, &disposition,
                                      sizeof(disposition)) != FALSE;
}

}  // namespace

bool InstallationJournal::Contents::FindEarlierFile(const base::FilePath& path,
                                                   base::FilePath* earlier) const {
  auto same = [](const base::FilePath& a, const base::FilePath& b) {
    return base::FilePath::CompareEqualIgnoreCase(a.value(), b.value());
  };
  for (const UndoRecord& record : records) {
    switch (record.kind) {
      // Moved aside or away, unless the run ended before it moved it.
      case UndoRecord::Kind::kPutBack:
        if (same(record.path, path)) {
          *earlier = base::PathExists(record.other) ? record.other : path;
          return true;
        }
        break;
      case UndoRecord::Kind::kMoveBack:
        // Where the file went stays empty until it is moved, and where it
        // was may be written anew later.
        if (same(record.other, path)) {
          const bool moved = base::PathExists(record.path) || !base::PathExists(record.other);
          *earlier = moved ? record.path : path;
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
std::unique_ptr<InstallationJournal> InstallationJournal::Start(
    const base::FilePath& folder,
    ObjectWriters writers,
    Role role,
    const ShellShortcutFiles* shortcuts) {
  const base::FilePath path = GetPath(folder, role);
  const std::optional<ProtectedSecurityDescriptor> security = MakeRecordSecurity(writers);
  SECURITY_ATTRIBUTES attributes = security ? security->ForCreation() : SECURITY_ATTRIBUTES();
  base::win::ScopedHandle file(
      security ? ::CreateFileW(path.value().c_str(), GENERIC_WRITE | READ_CONTROL | DELETE,
                               FILE_SHARE_READ, &attributes, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                               nullptr)
               : INVALID_HANDLE_VALUE);
  if (!file.IsValid()) {
    PLOG(WARNING) << "Cannot start the installation journal " << path
                  << "; a run killed now would leave its changes";
    return nullptr;
  }
  std::unique_ptr<InstallationJournal> journal(
      new InstallationJournal(folder, path, std::move(file)));
  // The next run would not trust one whose security did not stick (a file
  // system without access lists).
  if (GetRecordWritersThroughHandle(journal->file_.Get()) > writers) {
    LOG(WARNING) << "The installation journal " << path << " cannot be kept to the run's "
                 << "accounts; a run killed now would leave its changes";
    journal->Remove();
    return nullptr;
  }
  if (shortcuts)
    journal->shortcuts_.emplace(*shortcuts);
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
bool InstallationJournal::Read(const base::FilePath& folder,
                               Contents* contents,
                               Role role,
                               const ShellShortcutFiles* shortcuts) {
  Left journal(folder, role, ObjectWriters::kCurrentUser, shortcuts, /*to_undo=*/false);
  if (journal.state() != Left::State::kRead)
    return false;
  *contents = std::move(journal.contents());
  return true;
}

InstallationJournal::Left::Left(const base::FilePath& folder,
                                Role role,
                                ObjectWriters writers,
                                const ShellShortcutFiles* shortcuts,
                                bool to_undo)
    : folder_(folder), path_(GetPath(folder, role)), to_undo_(to_undo) {
  state_ = Open();
  std::string text;
  if (state_ == State::kRead)
    state_ = Check(writers, &text);
  if (state_ == State::kRead)
    state_ = Parse(text, shortcuts);
}

InstallationJournal::Left::~Left() = default;

InstallationJournal::Left::State InstallationJournal::Left::Open() {
  // A writer shares its journal for reading only. A link is opened as
  // itself, and refused.
  file_.Set(::CreateFileW(
      path_.value().c_str(),
      GENERIC_READ | READ_CONTROL | (to_undo_ ? GENERIC_WRITE | DELETE : 0),
      FILE_SHARE_READ | (to_undo_ ? 0 : FILE_SHARE_WRITE | FILE_SHARE_DELETE), nullptr,
      OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  const DWORD error = ::GetLastError();
  if (file_.IsValid())
    return State::kRead;
  if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
    return State::kNone;
  if (error == ERROR_SHARING_VIOLATION)
    return State::kBeingWritten;
  LOG(ERROR) << "Cannot open the installation journal " << path_ << ": error " << error;
  return State::kUnusable;
}

InstallationJournal::Left::State InstallationJournal::Left::Check(ObjectWriters writers,
                                                                  std::string* text) {
  BY_HANDLE_FILE_INFORMATION info;
  LARGE_INTEGER size;
  if (!::GetFileInformationByHandle(file_.Get(), &info) ||
      !::GetFileSizeEx(file_.Get(), &size)) {
    PLOG(ERROR) << "Cannot read the installation journal " << path_;
    return State::kUnusable;
  }
  contents_.writers = GetRecordWritersThroughHandle(file_.Get());
  if (contents_.writers > writers)
    return Refuse("accounts other than the run's could have written it");
  // A link leads elsewhere; another name can keep an old journal alive.
  if ((info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) || info.nNumberOfLinks != 1)
    return Refuse("it is a link, or has another name");
  if (static_cast<uint64_t>(size.QuadPart) > kMaxJournalSize)
    return Refuse("it is far larger than a run writes");
  text->resize(static_cast<size_t>(size.QuadPart));
  DWORD read = 0;
  if (!text->empty() && (!::ReadFile(file_.Get(), text->data(), static_cast<DWORD>(text->size()),
                                     &read, nullptr) ||
                         read != text->size())) {
    PLOG(ERROR) << "Cannot read the installation journal " << path_;
    return State::kUnusable;
  }
  return State::kRead;
}

InstallationJournal::Left::State InstallationJournal::Left::Parse(
    const std::string& text,
    const ShellShortcutFiles* shortcuts) {
  bool header = true;
  for (size_t start = 0, end = 0; start < text.size(); start = end + 1) {
    end = std::min(text.find('\n', start), text.size());
    // Written whole before its change is made: one cut short by the end of
    // the run stands for no change, and read it could restore the wrong
    // data.
    if (end == text.size()) {
      LOG(WARNING) << "Skipping the unfinished last line of the installation journal";
      break;
    }
    const std::string line = text.substr(start, end - start);
    if (line.empty())
      continue;
    if (header) {
      header = false;
      const size_t tab = line.find('\t');
      if (tab == std::string::npos || line.compare(0, tab, kHeader) != 0 ||
          !base::StringToInt64(std::string_view(line).substr(tab + 1), &contents_.started)) {
        LOG(WARNING) << "The installation journal of " << folder_ << " has no valid header";
      }
      continue;
    }
    if (line == kCommitting) {
      contents_.committing = true;
      continue;
    }
    UndoRecord record;
    if (!ParseRecord(folder_, shortcuts, line, &record)) {
      LOG(WARNING) << "Skipping an invalid line of the installation journal: " << line;
      continue;
    }
    if (contents_.records.size() == kMaxJournalRecords) {
      contents_ = Contents();
      return Refuse("it has far more lines than a run writes");
    }
    contents_.records.push_back(std::move(record));
    contents_.offsets.push_back(start);
  }
  return State::kRead;
}

InstallationJournal::Left::State InstallationJournal::Left::Refuse(const char* reason) {
  // Once, by the run that would act on it.
  if (to_undo_)
    LOG(WARNING) << "Ignoring the installation journal of " << folder_ << ": " << reason;
  else
    VLOG(1) << "Ignoring the installation journal of " << folder_ << ": " << reason;
  return State::kRefused;
}

bool InstallationJournal::Left::TakeOutFrom(uint64_t offset) {
  if (CutAt(file_.Get(), offset))
    return true;
  PLOG(ERROR) << "Cannot take undone changes out of the installation journal of " << folder_;
  return false;
}

bool InstallationJournal::Left::Remove() {
  const bool removed = MarkForRemoval(file_.Get());
  if (!removed) {
    PLOG(ERROR) << "Cannot remove the installation journal of " << folder_;
    // One that stays would be undone again: its lines at least go.
    if (!contents_.offsets.empty())
      CutAt(file_.Get(), contents_.offsets.front());
  }
  file_.Close();
  return removed;
}

InstallationJournal::InstallationJournal(const base::FilePath& folder,
                                         const base::FilePath& path,
                                         base::win::ScopedHandle file)
    : folder_(folder), path_(path), file_(std::move(file)) {}

InstallationJournal::~InstallationJournal() = default;

bool InstallationJournal::Record(const UndoRecord& record) {
  std::string line;
  if (IsRegistryKind(record.kind)) {
    line = RegistryLine(record);
    if (!line.empty())
      changed_roots_.insert(record.root);
  } else {
    line = FileLine(record);
  }
  // Not written down: a change this journal does not cover.
  if (line.empty())
    return true;
  if (!HasRoomFor(line)) {
    LOG(ERROR) << "The installation journal is full: the change is not made";
    return false;
  }
  if (!Append(line))
    return false;
  line_ends_.push_back(length_);
  return !TakesAwayWhatWasThere(record) || Flush();
}

bool InstallationJournal::HasRoomFor(const std::string& line) const {
  // And for "committing".
  const uint64_t room = sizeof(kCommitting) + 1;
  return line_ends_.size() < kMaxJournalRecords &&
         length_ + line.size() + 1 + room <= kMaxJournalSize;
}

std::string InstallationJournal::FileLine(const UndoRecord& record) const {
  const char letter = LetterOf(record.kind);
  std::string path;
  std::string other;
  if (!letter || !MakeRelative(record.path, &path) || path.empty())
    return std::string();
  // Folders made from one outside the installation folder (or from the
  // folder itself) are removed at most up to the installation folder.
  const bool needs_other =
      record.kind == UndoRecord::Kind::kPutBack || record.kind == UndoRecord::Kind::kMoveBack;
  if (!MakeRelative(record.other, &other) && needs_other)
    return std::string();
  return std::string(1, letter) + "\t" + path + "\t" + other;
}

uint64_t InstallationJournal::GetLength() const {
  return length_;
}

void InstallationJournal::Truncate(uint64_t length) {
  if (!file_.IsValid() || length >= length_)
    return;
  if (!CutAt(file_.Get(), length)) {
    PLOG(ERROR) << "Cannot take undone changes out of the installation journal";
    return;
  }
  length_ = length;
  while (!line_ends_.empty() && line_ends_.back() > length)
    line_ends_.pop_back();
}

void InstallationJournal::MarkCommitting() {
  // The run's registry changes are on the disk before it says they are
  // final: from then on the next run completes the run rather than undoing
  // it.
  for (HKEY root : changed_roots_)
    FlushRegistryHives(root);
  if (Append(kCommitting))
    Flush();
}

void InstallationJournal::Remove() {
  if (!MarkForRemoval(file_.Get()))
    PLOG(WARNING) << "Cannot remove the installation journal of " << folder_;
  file_.Close();
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

bool InstallationJournal::Flush() {
  if (::FlushFileBuffers(file_.Get()))
    return true;
  PLOG(ERROR) << "Cannot flush the installation journal";
  return false;
}

bool InstallationJournal::MakeRelative(const base::FilePath& path, std::string* relative) const {
  if (shortcuts_ && shortcuts_->Contains(path)) {
    *relative = base::WideToUTF8(path.value());
    return true;
  }
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

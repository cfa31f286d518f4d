#include "desktop/windows/installer/service/leftover_cleaner.h"

#include <windows.h>

#include <algorithm>
#include <cwctype>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "base/files/file_enumerator.h"
#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/string_util.h"
#include "desktop/windows/installer/service/installation_journal.h"
#include "desktop/windows/installer/service/installation_status.h"
#include "desktop/windows/installer/service/installation_status_keys.h"
#include "desktop/windows/installer/service/installation_status_reader.h"
#include "desktop/windows/installer/service/journal_registry_undo.h"
#include "desktop/windows/installer/service/journal_undo_batch.h"
#include "desktop/windows/installer/service/transactions/file_operation_util.h"
#include "desktop/windows/installer/service/versioned_folder_name.h"
#include "desktop/windows/installer/service/transactions/registry_key_safety.h"
#include "desktop/windows/installer/service/transactions/registry_operation_util.h"
#include "desktop/windows/installer/utils/moved_aside_name.h"
#include "desktop/windows/installer/utils/service_utils.h"
#include "desktop/windows/installer/utils/test_stop_point.h"

namespace {

constexpr size_t kMaxTemporaryNameDigits = 4;

// What GetTempFileName makes without a prefix: up to four hex digits and
// ".tmp".
bool IsTemporaryFileName(const std::wstring& name) {
  const size_t dot = name.find(L'.');
  if (dot == 0 || dot == std::wstring::npos || dot > kMaxTemporaryNameDigits ||
      !base::FilePath::CompareEqualIgnoreCase(name.substr(dot), L".tmp")) {
    return false;
  }
  for (size_t i = 0; i < dot; ++i) {
    if (!iswxdigit(name[i]))
      return false;
  }
  return true;
}

bool IsVersionedFolderName(const std::wstring& name) {
  int major = 0;
  return ParseVersionedFolderName(name, &major);
}

int64_t SecondsSince1970(const FILETIME& time) {
  // 100-nanosecond intervals since 1601.
  constexpr int64_t kIntervalsTo1970 = 116444736000000000;
  const int64_t intervals =
      (static_cast<int64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
  return (intervals - kIntervalsTo1970) / 10000000;
}

// The versioned subfolder a status file names; false when the file is
// there but gives no record.
bool ReadSubfolder(const base::FilePath& file, InstallationStatusSource kind,
                   std::wstring* subfolder) {
  std::string text;
  std::unique_ptr<InstallationStatus> record;
  if (base::ReadFileToStringWithMaxSize(file, &text, kMaxStatusFileSize))
    CreateInstallationStatusReader(kind)->Read(&record, text, kind);
  if (!record) {
    LOG(WARNING) << "Cannot tell which folder the status file " << file << " names";
    return false;
  }
  *subfolder = record->subfolder.value();
  return true;
}

InstallationStatusSource KindOfOldStatus(const std::wstring& name) {
  if (name.find(L".json.") != std::wstring::npos)
    return INSTALLATION_STATUS_SOURCE_RECOVERED_FROM_OLD_FILES;
  if (name.find(L".xml.") != std::wstring::npos)
    return INSTALLATION_STATUS_SOURCE_LEGACY_XML_RECOVERED_FROM_OLD_FILES;
  return INSTALLATION_STATUS_SOURCE_INVALID;
}

bool BackupBelongsTo(const UndoRecord& record) {
  std::wstring name;
  int64_t seconds = 0;
  return PathsEqualIgnoreCase(record.other.DirName(), record.path.DirName()) &&
         ParseMovedAsideName(record.other.BaseName().value(), &name, &seconds) &&
         base::FilePath::CompareEqualIgnoreCase(name, record.path.BaseName().value());
}

}  // namespace

LeftoverCleaner::LeftoverCleaner(const base::FilePath& folder,
                                 ObjectWriters writers,
                                 const ShellShortcutFiles* shortcuts)
    : folder_(folder.StripTrailingSeparators()), writers_(writers), boundary_(folder_) {
  if (!shortcuts)
    return;
  shortcuts_.emplace(*shortcuts);
  for (const base::FilePath& shell_folder : shortcuts->folders())
    boundary_.AddFolder(shell_folder);
}

bool LeftoverCleaner::IsReachable(const UndoRecord& record) const {
  for (const base::FilePath* path : {&record.path, &record.other}) {
    if (path->empty() || PathsEqualIgnoreCase(*path, folder_) ||
        boundary_.Check(*path) == FolderBoundary::Verdict::kInside) {
      continue;
    }
    LOG(WARNING) << "Skipping a line of the installation journal: a link leads out of "
                 << folder_ << " at " << *path;
    return false;
  }
  return true;
}

void LeftoverCleaner::FinishInterruptedRun() {
  // The steps' run first: it began after the preparation it follows.
  for (InstallationJournal::Role role : InstallationJournal::kRoles)
    FinishInterruptedRun(role);
}

void LeftoverCleaner::FinishInterruptedRun(InstallationJournal::Role role) {
  InstallationJournal::Left journal(folder_, role, writers_, shortcuts_ ? &*shortcuts_ : nullptr,
                                    /*to_undo=*/true);
  switch (journal.state()) {
    case InstallationJournal::Left::State::kNone:
    case InstallationJournal::Left::State::kUnusable:
      return;
    case InstallationJournal::Left::State::kBeingWritten:
      VLOG(1) << "The run that writes " << InstallationJournal::GetPath(folder_, role)
              << " still runs";
      return;
    case InstallationJournal::Left::State::kRefused:
      // It tells nothing, and left in place it would keep every later run
      // from keeping its own.
      journal.Remove();
      return;
    case InstallationJournal::Left::State::kRead:
      break;
  }
  const InstallationJournal::Contents& contents = journal.contents();
  // Lines a link leads out of the folder are passed over; the others keep
  // their place in the file, to be taken out once undone.
  std::vector<bool> reachable;
  for (const UndoRecord& record : contents.records) {
    reachable.push_back(IsReachable(record));
    if (reachable.back())
      Record(record);
  }
  journal_started_ = journal_started_ ? std::min(journal_started_, contents.started)
                                      : contents.started;
  if (contents.committing) {
    LOG(INFO) << "Completing the commit of a run killed in " << folder_;
    for (size_t i = 0; i < contents.records.size(); ++i) {
      if (reachable[i])
        Complete(contents.records[i]);
    }
  } else {
    LOG(INFO) << "Undoing " << contents.records.size() << " changes of a run killed in "
              << folder_;
    if (!UndoAll(&journal, reachable))
      return;  // As if killed.
    undone_since_ = undone_since_ ? std::min(undone_since_, contents.started) : contents.started;
  }
  journal.Remove();
}

bool LeftoverCleaner::UndoAll(InstallationJournal::Left* journal,
                              const std::vector<bool>& reachable) {
  const InstallationJournal::Contents& contents = journal->contents();
  // The journal's own writers, with its lines' roots (defence in depth).
  const JournalRegistryUndo registry(folder_, contents.writers);
  JournalUndoBatch batch;
  for (size_t i = contents.records.size(); i-- > 0;) {
    const UndoRecord& record = contents.records[i];
    if (batch.Touches(record)) {
      journal->TakeOutFrom(contents.offsets[i + 1]);
      batch.Clear();
    }
    if (record.kind == UndoRecord::Kind::kRestoreValue ||
        record.kind == UndoRecord::Kind::kDeleteKey ||
        record.kind == UndoRecord::Kind::kRestoreKeys) {
      registry.Undo(record);
    } else if (reachable[i]) {
      Undo(record);
    }
    batch.Add(record);
    if (i == contents.records.size() / 2)
      StopHereIfTestAsks("undoing");
    if (--undo_limit_ == 0)
      return false;
  }
  return true;
}

void LeftoverCleaner::Record(const UndoRecord& record) {
  for (const base::FilePath* path : {&record.path, &record.other}) {
    if (!IsParentPathIgnoreCase(folder_, *path))
      continue;
    const std::wstring name = path->GetComponents()[folder_.GetComponents().size()];
    if (IsVersionedFolderName(name))
      recorded_.insert(base::ToLowerASCII(name));
  }
}

void LeftoverCleaner::AddRecorded(const base::FilePath& subfolder) {
  if (!subfolder.empty())
    recorded_.insert(base::ToLowerASCII(subfolder.BaseName().value()));
}

void LeftoverCleaner::Undo(const UndoRecord& record) {
  const base::FilePath& path = record.path;
  const base::FilePath& other = record.other;
  switch (record.kind) {
    case UndoRecord::Kind::kPutBack:
      if (!BackupBelongsTo(record) || !base::PathExists(other))
        return;
      if (base::PathExists(path) && !base::DirectoryExists(path))
        boundary_.Remove(path, /*recursive=*/false);
      if (boundary_.Rename(other, path) != ERROR_SUCCESS)
        LOG(ERROR) << "Cannot put " << other << " back to " << path;
      return;
    case UndoRecord::Kind::kDelete:
      if (base::PathExists(path) && !base::DirectoryExists(path) &&
          !boundary_.Remove(path, /*recursive=*/false)) {
        LOG(ERROR) << "Cannot remove " << path;
      }
      return;
    case UndoRecord::Kind::kMoveBack:
      if (!base::PathExists(path) || base::PathExists(other))
        return;
      base::CreateDirectory(other.DirName());
      if (boundary_.Rename(path, other) != ERROR_SUCCESS)
        LOG(ERROR) << "Cannot move " << path << " back to " << other;
      return;
    case UndoRecord::Kind::kRemoveFolders:
      RemoveEmptyFoldersUpward(path, other);
      return;
    case UndoRecord::Kind::kRestoreValue:
    case UndoRecord::Kind::kDeleteKey:
    case UndoRecord::Kind::kRestoreKeys:
    case UndoRecord::Kind::kVersionedFolder:
    case UndoRecord::Kind::kNone:
      return;
  }
}

// What the interrupted commit did not get to: the moved-aside copies go,
// and so do the folders a move left empty.
void LeftoverCleaner::Complete(const UndoRecord& record) {
  if (record.kind == UndoRecord::Kind::kPutBack && BackupBelongsTo(record) &&
      !boundary_.Remove(record.other, /*recursive=*/true)) {
    LOG(ERROR) << "Cannot remove " << record.other;
  }
  if (record.kind == UndoRecord::Kind::kMoveBack)
    RemoveEmptyFoldersUpward(record.other.DirName(), folder_);
}

void LeftoverCleaner::Keep(const base::FilePath& subfolder) {
  if (!subfolder.empty())
    kept_.insert(base::ToLowerASCII(subfolder.BaseName().value()));
}

void LeftoverCleaner::RemoveLeftovers() {
  std::set<std::wstring> owned = kept_;
  const bool known = CollectOwnedSubfolders(&owned);
  base::FileEnumerator folders(folder_, /*recursive=*/false, base::FileEnumerator::DIRECTORIES);
  std::vector<base::FilePath> remaining;
  for (base::FilePath folder = folders.Next(); !folder.empty(); folder = folders.Next()) {
    const std::wstring name = base::ToLowerASCII(folder.BaseName().value());
    // A folder no record names is not the installer's, whatever its name.
    if (!IsVersionedFolderName(name) || (!owned.count(name) && !recorded_.count(name)))
      continue;
    if (!known || owned.count(name) || IsInUse(folder)) {
      remaining.push_back(folder);
      continue;
    }
    LOG(INFO) << "Removing the versioned folder no installation owns: " << folder;
    if (!boundary_.Remove(folder, /*recursive=*/true))
      LOG(WARNING) << "Could not remove all of " << folder;
  }
  for (const base::FilePath& folder : remaining)
    CleanBackups(folder, /*recursive=*/true, /*since=*/0);
  // Elsewhere, only what a killed run may have moved aside or begun to
  // write without writing it down yet: made since it began.
  if (!journal_started_)
    return;
  CleanBackups(folder_, /*recursive=*/false, journal_started_);
  CleanBackups(folder_.Append(kOldStatusFolderName), /*recursive=*/false, journal_started_);
  RemoveTemporaryFiles();
}

bool LeftoverCleaner::CollectOwnedSubfolders(std::set<std::wstring>* owned) const {
  bool known = true;
  std::wstring subfolder;
  auto add = [&](const base::FilePath& file, InstallationStatusSource kind) {
    if (ReadSubfolder(file, kind, &subfolder))
      owned->insert(base::ToLowerASCII(subfolder));
    else
      known = false;
  };
  const base::FilePath status = folder_.Append(kInstallationStatusFileName);
  const base::FilePath legacy = folder_.Append(kLegacyStatusFileName);
  if (base::PathExists(status))
    add(status, INSTALLATION_STATUS_SOURCE_PRIMARY);
  else if (base::PathExists(legacy))
    add(legacy, INSTALLATION_STATUS_SOURCE_LEGACY_XML);
  base::FileEnumerator old_files(folder_.Append(kOldStatusFolderName), /*recursive=*/false,
                                 base::FileEnumerator::FILES);
  for (base::FilePath file = old_files.Next(); !file.empty(); file = old_files.Next()) {
    const InstallationStatusSource kind = KindOfOldStatus(file.BaseName().value());
    if (kind != INSTALLATION_STATUS_SOURCE_INVALID)
      add(file, kind);
  }
  return known;
}

void LeftoverCleaner::CleanBackups(const base::FilePath& folder,
                                   bool recursive,
                                   int64_t since) const {
  // Per file, its copies by the time they were made.
  std::map<base::FilePath, std::map<int64_t, base::FilePath>> backups;
  base::FileEnumerator entries(folder, recursive,
                               base::FileEnumerator::FILES | base::FileEnumerator::DIRECTORIES);
  for (base::FilePath entry = entries.Next(); !entry.empty(); entry = entries.Next()) {
    std::wstring name;
    int64_t seconds = 0;
    if (ParseMovedAsideName(entry.BaseName().value(), &name, &seconds) && seconds >= since)
      backups[entry.DirName().Append(name)].emplace(seconds, entry);
  }
  for (auto& [original, copies] : backups) {
    // A file the undone run moved aside and never replaced: the oldest
    // copy it made is the one that was there before it.
    auto first_of_run = copies.lower_bound(undone_since_);
    if (undone_since_ && first_of_run != copies.end() && !base::PathExists(original)) {
      LOG(INFO) << "Putting " << first_of_run->second << " back";
      if (boundary_.Rename(first_of_run->second, original) == ERROR_SUCCESS)
        copies.erase(first_of_run);
    }
    for (const auto& [seconds, copy] : copies) {
      VLOG(1) << "Removing the moved-aside copy " << copy;
      if (!boundary_.Remove(copy, /*recursive=*/true))
        LOG(WARNING) << "Cannot remove " << copy;
    }
  }
}

void LeftoverCleaner::RemoveTemporaryFiles() const {
  base::FileEnumerator files(folder_, /*recursive=*/false, base::FileEnumerator::FILES);
  for (base::FilePath file = files.Next(); !file.empty(); file = files.Next()) {
    if (!IsTemporaryFileName(file.BaseName().value()) ||
        SecondsSince1970(files.GetInfo().find_data().ftCreationTime) < journal_started_) {
      continue;
    }
    VLOG(1) << "Removing the temporary file " << file;
    // One still open (being written) cannot be deleted, and stays.
    boundary_.Remove(file, /*recursive=*/false);
  }
}

// static
bool LeftoverCleaner::IsInUse(const base::FilePath& folder) {
  base::FileEnumerator files(folder, /*recursive=*/true, base::FileEnumerator::FILES);
  for (base::FilePath file = files.Next(); !file.empty(); file = files.Next()) {
    if (IsProgramOrLibrary(file) && TryOpenForWriting(file) != ERROR_SUCCESS) {
      LOG(INFO) << "Keeping " << folder << ": " << file << " is in use";
      return true;
    }
  }
  return false;
}

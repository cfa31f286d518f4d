#include "desktop/windows/installer/service/installation_status_loader_impl.h"

#include <cstdint>
#include <utility>

#include "base/bind.h"
#include "base/files/file_enumerator.h"
#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/strings/string_number_conversions.h"
#include "desktop/windows/installer/service/existing_installation_reader.h"
#include "desktop/windows/installer/service/installation_journal.h"
#include "desktop/windows/installer/service/installation_status.h"
#include "desktop/windows/installer/service/installation_status_keys.h"
#include "desktop/windows/installer/service/installation_status_reader.h"

namespace status_loader_internal {

namespace {

constexpr char kCannotReadFile[] = "Cannot read a file to string";

bool IsJsonKind(InstallationStatusSource kind) {
  return kind == INSTALLATION_STATUS_SOURCE_PRIMARY ||
         kind == INSTALLATION_STATUS_SOURCE_RECOVERED_FROM_OLD_FILES;
}

std::string KindLabel(InstallationStatusSource kind) {
  switch (kind) {
    case INSTALLATION_STATUS_SOURCE_PRIMARY:
      return "Tarvo JSON status file";
    case INSTALLATION_STATUS_SOURCE_LEGACY_XML:
      return "Tarvo legacy XML status file";
    default:
      return std::string();
  }
}

// Parses `file` as `kind`; on failure `error` says why.
bool ParseStatusFile(InstallationStatusSource kind,
                     const base::FilePath& file,
                     std::unique_ptr<InstallationStatus>* status,
                     std::string* error) {
  status->reset();
  std::string contents;
  if (!base::ReadFileToStringWithMaxSize(file, &contents, kMaxStatusFileSize)) {
    *error = kCannotReadFile;
    return false;
  }
  std::unique_ptr<InstallationStatusReader> reader = CreateInstallationStatusReader(kind);
  if (!reader)
    return false;
  reader->Read(status, contents, kind);
  if (*status)
    return true;
  *error = reader->GetErrorMessage();
  return false;
}

// The numeric extension an upgrade gave a moved status file; 0 when the
// file is no such copy.
int64_t OldStatusNumber(const base::FilePath& file, InstallationStatusSource* kind) {
  // Only the file name counts: a folder path that happens to hold a status
  // file name must not make every file in it a candidate.
  const std::wstring name = file.BaseName().value();
  if (name.find(kInstallationStatusFileName) != std::wstring::npos)
    *kind = INSTALLATION_STATUS_SOURCE_RECOVERED_FROM_OLD_FILES;
  else if (name.find(kLegacyStatusFileName) != std::wstring::npos)
    *kind = INSTALLATION_STATUS_SOURCE_LEGACY_XML_RECOVERED_FROM_OLD_FILES;
  else
    return 0;
  const std::wstring extension = file.FinalExtension();
  int64_t number = 0;
  if (extension.size() < 2 || !base::StringToInt64(extension.substr(1), &number))
    return 0;
  return number > 0 ? number : 0;
}

}  // namespace

StatusFileResult ReadStatusFile(InstallationStatusSource kind,
                                const base::FilePath& folder,
                                std::unique_ptr<InstallationStatus>* status,
                                std::string* description,
                                std::string* text) {
  status->reset();
  const base::FilePath file =
      folder.Append(IsJsonKind(kind) ? kInstallationStatusFileName : kLegacyStatusFileName);
  if (!base::PathExists(file))
    return STATUS_FILE_ABSENT;
  std::string error;
  if (ParseStatusFile(kind, file, status, &error))
    return STATUS_FILE_READ;

  *description = KindLabel(kind) + " status file, " + error;
  text->clear();
  if (!base::ReadFileToStringWithMaxSize(file, text, kMaxStatusFileSize))
    *description += " Cannot read the file to string.";
  else if (text->empty())
    *description += " Status file empty.";
  return STATUS_FILE_UNUSABLE;
}

bool FindOldStatusFile(const base::FilePath& folder,
                       base::FilePath* file,
                       InstallationStatusSource* kind) {
  int64_t best = 0;
  base::FileEnumerator files(folder.Append(kOldStatusFolderName), /*recursive=*/false,
                             base::FileEnumerator::FILES);
  for (base::FilePath candidate = files.Next(); !candidate.empty(); candidate = files.Next()) {
    InstallationStatusSource candidate_kind;
    const int64_t number = OldStatusNumber(candidate, &candidate_kind);
    // On equal numbers the first one listed stays.
    if (number > best) {
      best = number;
      *file = candidate;
      *kind = candidate_kind;
    }
  }
  return best > 0;
}

}  // namespace status_loader_internal

namespace {

using status_loader_internal::ReadStatusFile;
using status_loader_internal::StatusFileResult;

// Recovery from the copies an upgrade moved to "old_status".
void LoadOldStatus(const base::FilePath& folder,
                   std::unique_ptr<InstallationStatus>* status,
                   std::string* description) {
  base::FilePath file;
  InstallationStatusSource kind;
  if (!status_loader_internal::FindOldStatusFile(folder, &file, &kind))
    return;
  VLOG(1) << "Recovering installation status from " << file.value();
  std::string error;
  if (!status_loader_internal::ParseStatusFile(kind, file, status, &error))
    *description = error;
}

// A run killed half way in `folder` is undone by the next run before that
// one works; until then the installation is what was there before the
// killed run: the status file it replaced or moved away (or none when it
// wrote the first), never the registry rows it left half written.
bool LoadBeforeInterruptedRun(const base::FilePath& folder,
                              std::unique_ptr<InstallationStatus>* status,
                              std::string* description) {
  InstallationJournal::Contents journal;
  if (!InstallationJournal::Read(folder, &journal) || journal.committing)
    return false;
  LOG(INFO) << "A run was killed in " << folder << "; reading the installation before it";
  for (InstallationStatusSource kind :
       {INSTALLATION_STATUS_SOURCE_PRIMARY, INSTALLATION_STATUS_SOURCE_LEGACY_XML}) {
    base::FilePath file;
    const bool json = kind == INSTALLATION_STATUS_SOURCE_PRIMARY;
    if (!journal.FindEarlierFile(
            folder.Append(json ? kInstallationStatusFileName : kLegacyStatusFileName), &file) ||
        !base::PathExists(file)) {
      continue;
    }
    std::string error;
    if (!status_loader_internal::ParseStatusFile(kind, file, status, &error))
      *description = error;
    return true;
  }
  return true;
}

}  // namespace

void InstallationStatusLoaderImpl::Load(std::unique_ptr<InstallationStatus>* status,
                                        const base::FilePath& folder,
                                        bool recovery,
                                        std::string* description,
                                        std::string* text) {
  DCHECK(description);
  DCHECK(text);
  status->reset();
  // Both describe this folder's files only.
  description->clear();
  text->clear();
  if (LoadBeforeInterruptedRun(folder, status, description))
    return;
  StatusFileResult result =
      ReadStatusFile(INSTALLATION_STATUS_SOURCE_PRIMARY, folder, status, description, text);
  // A present but bad JSON file is never passed over for the legacy file:
  // the legacy file is older than it.
  if (result == status_loader_internal::STATUS_FILE_ABSENT) {
    result =
        ReadStatusFile(INSTALLATION_STATUS_SOURCE_LEGACY_XML, folder, status, description, text);
  }
  if (result != status_loader_internal::STATUS_FILE_READ && recovery)
    LoadOldStatus(folder, status, description);
  if (!*status)
    ExistingInstallationReader::GetInstance()->Read(status, folder);
}

std::unique_ptr<InstallationStatusLoader> CreateInstallationStatusLoader() {
  return std::make_unique<InstallationStatusLoaderImpl>();
}

InstallationStatusLoaderFactory GetDefaultInstallationStatusLoaderFactory() {
  return base::BindRepeating(&CreateInstallationStatusLoader);
}

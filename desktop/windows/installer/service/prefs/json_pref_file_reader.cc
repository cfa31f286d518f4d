#include "desktop/windows/installer/service/prefs/json_pref_file_reader.h"

#include <limits>
#include <string>
#include <string_view>

#include "base/features/feature_registry.h"
#include "base/files/file.h"
#include "base/files/file_util.h"
#include "base/json/json_reader.h"
#include "base/logging.h"
#include "base/metrics/histogram_functions.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "base/values.h"
#include "base/files/important_file_writer.h"

const char kBackupPreferenceFilesFeature[] = "backup-preference-files";

namespace {

using PrefReadError = PersistentPrefStore::PrefReadError;

constexpr wchar_t kBackupSuffix[] = L".backup";
constexpr wchar_t kBadExtension[] = L"bad";
constexpr wchar_t kLocalStateName[] = L"Local State";

constexpr char kRestoreHistogramPrefix[] = "Settings.RestoreFromBackupResult.";
constexpr char kReadSizeHistogramPrefix[] = "Settings.JsonDataReadSizeKilobytes.";
// The range of the read-size histogram, in kilobytes.
constexpr int kMinSizeKilobytes = 1;
constexpr int kMaxSizeKilobytes = 10000;
constexpr int kSizeBuckets = 50;

// The file could not be read: why, as a read error.
PrefReadError FileErrorToReadError(base::File::Error error) {
  switch (error) {
    case base::File::FILE_ERROR_ACCESS_DENIED:
      return PersistentPrefStore::PREF_READ_ERROR_ACCESS_DENIED;
    case base::File::FILE_ERROR_IN_USE:
      return PersistentPrefStore::PREF_READ_ERROR_FILE_LOCKED;
    case base::File::FILE_ERROR_NOT_FOUND:
      return PersistentPrefStore::PREF_READ_ERROR_NO_FILE;
    default:
      return PersistentPrefStore::PREF_READ_ERROR_FILE_OTHER;
  }
}

// FILE_OK with the whole file in |contents|, or why it could not be read.
base::File::Error ReadWholeFile(const base::FilePath& path, std::string* contents) {
  base::File file(path, base::File::FLAG_OPEN | base::File::FLAG_READ |
                            base::File::FLAG_SEQUENTIAL_SCAN);
  if (!file.IsValid())
    return file.error_details();
  const int64_t length = file.GetLength();
  if (length < 0)
    return base::File::GetLastFileError();
  if (length > std::numeric_limits<int>::max())
    return base::File::FILE_ERROR_NO_MEMORY;
  contents->resize(static_cast<size_t>(length));
  if (length == 0)
    return base::File::FILE_OK;
  const int read = file.ReadAtCurrentPosNoBestEffort(contents->data(), static_cast<int>(length));
  if (read < 0)
    return base::File::GetLastFileError();
  contents->resize(static_cast<size_t>(read));
  return base::File::FILE_OK;
}

bool IsLocalState(const base::FilePath& path) {
  return base::EqualsCaseInsensitiveASCII(path.BaseName().value(), kLocalStateName);
}

bool IsBackupPath(const base::FilePath& path) {
  return base::EndsWith(path.value(), kBackupSuffix, base::CompareCase::INSENSITIVE_ASCII);
}

bool BackupsEnabledFor(const base::FilePath& path) {
  return !IsLocalState(path) && !IsBackupPath(path) &&
         features::IsFeatureEnabled(kBackupPreferenceFilesFeature);
}

base::FilePath BackupPathFor(const base::FilePath& path) {
  return base::FilePath(path.value() + kBackupSuffix);
}

// The histograms' name suffix: "installer_prefs.json.backup" and
// "Local State" give "installer_prefs" and "Local_State", so a file and its
// backup share their histograms.
std::string HistogramSuffixFor(const base::FilePath& path) {
  std::wstring name = path.BaseName().value();
  if (IsBackupPath(path))
    name.resize(name.size() - (std::size(kBackupSuffix) - 1));
  name = base::FilePath(name).RemoveExtension().value();
  std::string suffix = base::WideToUTF8(name);
  for (char& c : suffix) {
    if (c == ' ')
      c = '_';
  }
  return suffix;
}

// Where a corrupt |path| is kept: its extension replaced by "bad". A backup
// of a file without extension ("Preferences.backup") would land on the
// main file's own ".bad" copy; it keeps its whole name instead.
base::FilePath BadPathFor(const base::FilePath& path) {
  const base::FilePath bad_path = path.ReplaceExtension(kBadExtension);
  if (!IsBackupPath(path))
    return bad_path;
  const std::wstring& name = path.value();
  const base::FilePath main_path(name.substr(0, name.size() - (std::size(kBackupSuffix) - 1)));
  if (!base::FilePath::CompareEqualIgnoreCase(
          bad_path.value(), main_path.ReplaceExtension(kBadExtension).value())) {
    return bad_path;
  }
  return base::FilePath(name + L"." + kBadExtension);
}

// A parse error: the file is kept beside it as ".bad" for a later look.
PrefReadError MoveCorruptFileAside(const base::FilePath& path) {
  const base::FilePath bad_path = BadPathFor(path);
  const bool bad_existed = base::PathExists(bad_path);
  if (!base::Move(path, bad_path))
    PLOG(ERROR) << "Cannot move the corrupt file " << path << " to " << bad_path;
  return bad_existed ? PersistentPrefStore::PREF_READ_ERROR_JSON_REPEAT
                     : PersistentPrefStore::PREF_READ_ERROR_JSON_PARSE;
}

// The preferences in `contents`; null, with `message` set, when they do not
// parse.
std::unique_ptr<base::Value> ParsePreferences(std::string_view contents, std::string* message) {
  // Files saved by hand in an editor may start with a byte order mark.
  if (contents.substr(0, 3) == "\xEF\xBB\xBF")
    contents.remove_prefix(3);
  int parse_error = 0;
  return base::JSONReader::ReadAndReturnError(contents, base::JSON_PARSE_RFC, &parse_error,
                                              message);
}

// Reads and parses |path|; |contents| receives the bytes read.
std::unique_ptr<JsonPrefStore::ReadResult> ReadAndParse(const base::FilePath& path,
                                                        std::string* contents) {
  auto result = std::make_unique<JsonPrefStore::ReadResult>();
  const base::File::Error file_error = ReadWholeFile(path, contents);
  if (file_error != base::File::FILE_OK) {
    result->error = FileErrorToReadError(file_error);
    if (result->error != PersistentPrefStore::PREF_READ_ERROR_NO_FILE)
      LOG(ERROR) << "Cannot read " << path << ": " << base::File::ErrorToString(file_error);
  } else {
    std::string message;
    std::unique_ptr<base::Value> value = ParsePreferences(*contents, &message);
    if (!value) {
      LOG(ERROR) << "Corrupt preference file " << path << ": " << message;
      result->error = MoveCorruptFileAside(path);
    } else if (!value->is_dict()) {
      LOG(ERROR) << "Preference file " << path << " does not hold a dictionary";
      result->error = PersistentPrefStore::PREF_READ_ERROR_JSON_TYPE;
    } else {
      result->value = std::move(value);
    }
  }
  result->no_dir = !base::DirectoryExists(path.DirName());
  return result;
}

void RecordReadSize(const base::FilePath& path, const std::string& contents) {
  const size_t kilobytes = contents.size() / 1024;
  base::UmaHistogramCustomCounts(
      kReadSizeHistogramPrefix + HistogramSuffixFor(path),
      kilobytes > static_cast<size_t>(kMaxSizeKilobytes) ? kMaxSizeKilobytes
                                                         : static_cast<int>(kilobytes),
      kMinSizeKilobytes, kMaxSizeKilobytes, kSizeBuckets);
}

// A ".backup" file is read as it is, never backed up or restored itself;
// whether it gave preferences is recorded.
std::unique_ptr<JsonPrefStore::ReadResult> ReadBackup(const base::FilePath& backup_path,
                                                      std::string* contents) {
  DCHECK(IsBackupPath(backup_path));
  std::unique_ptr<JsonPrefStore::ReadResult> result = ReadAndParse(backup_path, contents);
  base::UmaHistogramBoolean(kRestoreHistogramPrefix + HistogramSuffixFor(backup_path),
                            result->value != nullptr);
  if (result->error == PersistentPrefStore::PREF_READ_ERROR_NONE)
    RecordReadSize(backup_path, *contents);
  return result;
}

std::unique_ptr<JsonPrefStore::ReadResult> ReadWithBackup(const base::FilePath& path) {
  std::string contents;
  std::unique_ptr<JsonPrefStore::ReadResult> result = ReadAndParse(path, &contents);

  const bool corrupt = result->error == PersistentPrefStore::PREF_READ_ERROR_JSON_PARSE ||
                       result->error == PersistentPrefStore::PREF_READ_ERROR_JSON_REPEAT;
  if (corrupt && BackupsEnabledFor(path)) {
    const base::FilePath backup_path = BackupPathFor(path);
    std::string backup_contents;
    std::unique_ptr<JsonPrefStore::ReadResult> backup_result =
        ReadBackup(backup_path, &backup_contents);
    if (backup_result->value) {
      LOG(WARNING) << "Restored the preferences of " << path << " from " << backup_path;
      // Without this the next read would find no file at all, and its first
      // good read would then replace the backup with near-empty contents.
      if (!base::ImportantFileWriter::WriteFileAtomically(path, backup_contents))
        LOG(ERROR) << "Cannot put the restored preferences back into " << path;
      return backup_result;
    }
    return result;
  }

  if (result->error != PersistentPrefStore::PREF_READ_ERROR_NONE)
    return result;

  RecordReadSize(path, contents);

  // Only what just parsed as a dictionary becomes the backup.
  if (BackupsEnabledFor(path) && !base::ImportantFileWriter::WriteFileAtomically(BackupPathFor(path), contents))
    LOG(WARNING) << "Cannot update the backup of " << path;
  return result;
}

}  // namespace

std::unique_ptr<JsonPrefStore::ReadResult> ReadPrefsFromDisk(const base::FilePath& path) {
  if (IsBackupPath(path)) {
    std::string contents;
    return ReadBackup(path, &contents);
  }
  return ReadWithBackup(path);
}

std::unique_ptr<base::DictionaryValue> ReadPreferenceFileOnly(const base::FilePath& path) {
  std::string contents;
  if (!base::ReadFileToStringWithMaxSize(path, &contents, kMaxPreferenceFileSize))
    return nullptr;
  std::string message;
  std::unique_ptr<base::Value> value = ParsePreferences(contents, &message);
  if (!value || !value->is_dict()) {
    LOG(WARNING) << "Preference file " << path << " holds no preferences: " << message;
    return nullptr;
  }
  return base::DictionaryValue::From(std::move(value));
}

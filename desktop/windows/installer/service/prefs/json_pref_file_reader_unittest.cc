#include "desktop/windows/installer/service/prefs/json_pref_file_reader.h"

#include <string>

#include "base/features/feature_registry.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/metrics/histogram_recorder.h"
#include "base/values.h"
#include "desktop/windows/installer/utils/installer_features.h"
#include "gtest/gtest.h"

namespace {

constexpr char kGood[] = R"({"language":"de","installer-experiments":["a@1"]})";
constexpr char kOlder[] = R"({"language":"fr"})";
constexpr char kCorrupt[] = R"({"language":"de",)";

class JsonPrefFileReaderTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(temp_dir_.CreateUniqueTempDir());
    histograms()->Reset();
  }
  void TearDown() override { histograms()->Reset(); }

  static base::HistogramRecorder* histograms() { return base::HistogramRecorder::GetInstance(); }
  static base::HistogramRecorder::Samples Restores(const char* suffix) {
    return histograms()->GetSamples(std::string("Settings.RestoreFromBackupResult.") + suffix);
  }
  static base::HistogramRecorder::Samples ReadSizes(const char* suffix) {
    return histograms()->GetSamples(std::string("Settings.JsonDataReadSizeKilobytes.") + suffix);
  }

  void EnableBackups() {
    features::FeatureRegistry::GetInstance()->RegisterFeature(kBackupPreferenceFilesFeature, true,
                                                              false);
  }

  base::FilePath Path(const wchar_t* name) const { return temp_dir_.GetPath().Append(name); }

  static void Write(const base::FilePath& path, const std::string& data) {
    ASSERT_TRUE(base::WriteFile(path, data));
  }
  static std::string Read(const base::FilePath& path) {
    std::string data;
    EXPECT_TRUE(base::ReadFileToString(path, &data)) << path.value();
    return data;
  }
  static std::string Language(const JsonPrefStore::ReadResult& result) {
    const base::DictionaryValue* dict = nullptr;
    std::string language;
    if (result.value && result.value->GetAsDictionary(&dict))
      dict->GetString("language", &language);
    return language;
  }

  features::ScopedFeatureRegistryForTesting registry_;
  base::ScopedTempDir temp_dir_;
};

TEST_F(JsonPrefFileReaderTest, GoodFileIsReadAndBackedUp) {
  EnableBackups();
  const base::FilePath path = Path(L"installer_prefs.json");
  Write(path, kGood);
  auto result = ReadPrefsFromDisk(path);
  EXPECT_EQ(PersistentPrefStore::PREF_READ_ERROR_NONE, result->error);
  EXPECT_FALSE(result->no_dir);
  EXPECT_EQ("de", Language(*result));
  EXPECT_EQ(kGood, Read(Path(L"installer_prefs.json.backup")));
}

TEST_F(JsonPrefFileReaderTest, CorruptFileFallsBackToBackupAndIsKeptAsBad) {
  EnableBackups();
  const base::FilePath path = Path(L"installer_prefs.json");
  Write(path, kCorrupt);
  Write(Path(L"installer_prefs.json.backup"), kOlder);

  auto result = ReadPrefsFromDisk(path);
  EXPECT_EQ(PersistentPrefStore::PREF_READ_ERROR_NONE, result->error);
  EXPECT_EQ("fr", Language(*result));
  EXPECT_EQ(kCorrupt, Read(Path(L"installer_prefs.bad")));
  // The backup stays, and the restored contents are back in place, so the
  // next read does not start from nothing.
  EXPECT_EQ(kOlder, Read(Path(L"installer_prefs.json.backup")));
  EXPECT_EQ(kOlder, Read(path));
  auto again = ReadPrefsFromDisk(path);
  EXPECT_EQ(PersistentPrefStore::PREF_READ_ERROR_NONE, again->error);
  EXPECT_EQ("fr", Language(*again));
}

TEST_F(JsonPrefFileReaderTest, SecondCorruptionReportsRepeat) {
  EnableBackups();
  const base::FilePath path = Path(L"installer_prefs.json");
  Write(Path(L"installer_prefs.bad"), "earlier");
  Write(path, kCorrupt);
  auto result = ReadPrefsFromDisk(path);
  EXPECT_EQ(PersistentPrefStore::PREF_READ_ERROR_JSON_REPEAT, result->error);
  EXPECT_FALSE(result->value);
  EXPECT_EQ(kCorrupt, Read(Path(L"installer_prefs.bad")));
}

TEST_F(JsonPrefFileReaderTest, CorruptBackupTooGivesNoValueAndTheFirstError) {
  EnableBackups();
  const base::FilePath path = Path(L"installer_prefs.json");
  Write(path, kCorrupt);
  Write(Path(L"installer_prefs.json.backup"), "[1,");
  auto result = ReadPrefsFromDisk(path);
  EXPECT_EQ(PersistentPrefStore::PREF_READ_ERROR_JSON_PARSE, result->error);
  EXPECT_FALSE(result->value);
  EXPECT_FALSE(base::PathExists(path));
  // Both corrupt copies are kept, under different names.
  EXPECT_EQ(kCorrupt, Read(Path(L"installer_prefs.bad")));
  EXPECT_EQ("[1,", Read(Path(L"installer_prefs.json.bad")));
}

TEST_F(JsonPrefFileReaderTest, CorruptBackupOfFileWithoutExtensionKeepsBothBadCopies) {
  EnableBackups();
  // "Preferences.backup" with its extension replaced would be "Preferences.bad",
  // where the main file's corrupt copy already is.
  const base::FilePath path = Path(L"Preferences");
  Write(path, kCorrupt);
  Write(Path(L"Preferences.backup"), "[1,");
  auto result = ReadPrefsFromDisk(path);
  EXPECT_EQ(PersistentPrefStore::PREF_READ_ERROR_JSON_PARSE, result->error);
  EXPECT_EQ(kCorrupt, Read(Path(L"Preferences.bad")));
  EXPECT_EQ("[1,", Read(Path(L"Preferences.backup.bad")));
}


TEST_F(JsonPrefFileReaderTest, InstallerFeatureTableLeavesBackupsOff) {
  // The production registration: the backup feature is not among the
  // installer's features, so it is off.
  RegisterInstallerFeatures(features::FeatureRegistry::GetInstance());
  const base::FilePath path = Path(L"installer_prefs.json");
  Write(path, kGood);
  EXPECT_EQ(PersistentPrefStore::PREF_READ_ERROR_NONE, ReadPrefsFromDisk(path)->error);
  EXPECT_FALSE(base::PathExists(Path(L"installer_prefs.json.backup")));

  Write(path, kCorrupt);
  Write(Path(L"installer_prefs.json.backup"), kOlder);
  auto result = ReadPrefsFromDisk(path);
  EXPECT_EQ(PersistentPrefStore::PREF_READ_ERROR_JSON_PARSE, result->error);
  EXPECT_FALSE(result->value);
  EXPECT_EQ(kCorrupt, Read(Path(L"installer_prefs.bad")));
}

TEST_F(JsonPrefFileReaderTest, LocalStateIsNeverBackedUpNorRestored) {
  EnableBackups();
  const base::FilePath path = Path(L"Local State");
  Write(path, kGood);
  EXPECT_EQ("de", Language(*ReadPrefsFromDisk(path)));
  EXPECT_FALSE(base::PathExists(Path(L"Local State.backup")));

  // Another name case is the same file on Windows.
  const base::FilePath other_case = Path(L"LOCAL STATE");
  Write(other_case, kCorrupt);
  Write(Path(L"Local State.backup"), kOlder);
  auto result = ReadPrefsFromDisk(other_case);
  EXPECT_EQ(PersistentPrefStore::PREF_READ_ERROR_JSON_PARSE, result->error);
  EXPECT_FALSE(result->value);
  EXPECT_EQ(kOlder, Read(Path(L"Local State.backup")));
}


TEST_F(JsonPrefFileReaderTest, NonDictionaryIsATypeErrorAndNotMovedAside) {
  EnableBackups();
  const base::FilePath path = Path(L"installer_prefs.json");
  Write(path, "[1,2]");
  Write(Path(L"installer_prefs.json.backup"), kOlder);
  auto result = ReadPrefsFromDisk(path);
  EXPECT_EQ(PersistentPrefStore::PREF_READ_ERROR_JSON_TYPE, result->error);
  EXPECT_FALSE(result->value);
  EXPECT_EQ("[1,2]", Read(path));
  EXPECT_FALSE(base::PathExists(Path(L"installer_prefs.bad")));
  // A good backup is not replaced by something that is not preferences.
  EXPECT_EQ(kOlder, Read(Path(L"installer_prefs.json.backup")));
}

TEST_F(JsonPrefFileReaderTest, FileErrorsMapToReadErrors) {
  auto missing = ReadPrefsFromDisk(Path(L"missing.json"));
  EXPECT_EQ(PersistentPrefStore::PREF_READ_ERROR_NO_FILE, missing->error);
  EXPECT_FALSE(missing->no_dir);

  auto no_dir = ReadPrefsFromDisk(Path(L"nowhere").Append(L"prefs.json"));
  EXPECT_EQ(PersistentPrefStore::PREF_READ_ERROR_NO_FILE, no_dir->error);
  EXPECT_TRUE(no_dir->no_dir);

  const base::FilePath locked = Path(L"locked.json");
  Write(locked, kGood);
  {
    base::File holder(locked, base::File::FLAG_OPEN | base::File::FLAG_READ |
                                  base::File::FLAG_EXCLUSIVE_READ |
                                  base::File::FLAG_EXCLUSIVE_WRITE);
    ASSERT_TRUE(holder.IsValid());
    EXPECT_EQ(PersistentPrefStore::PREF_READ_ERROR_FILE_LOCKED, ReadPrefsFromDisk(locked)->error);
  }
  EXPECT_EQ(PersistentPrefStore::PREF_READ_ERROR_NONE, ReadPrefsFromDisk(locked)->error);
}

TEST_F(JsonPrefFileReaderTest, ByteOrderMarkAndEmptyFile) {
  const base::FilePath path = Path(L"bom.json");
  Write(path, std::string("\xEF\xBB\xBF") + kGood);
  EXPECT_EQ("de", Language(*ReadPrefsFromDisk(path)));

  // An empty file is corrupt, not a missing one.
  const base::FilePath empty = Path(L"empty.json");
  Write(empty, "");
  EXPECT_EQ(PersistentPrefStore::PREF_READ_ERROR_JSON_PARSE, ReadPrefsFromDisk(empty)->error);
  EXPECT_TRUE(base::PathExists(Path(L"empty.bad")));
}

using Samples = base::HistogramRecorder::Samples;

TEST_F(JsonPrefFileReaderTest, HistogramsOfGoodReads) {
  EnableBackups();
  // Under one kilobyte counts as 1; the backup written beside it is no read.
  Write(Path(L"installer_prefs.json"), kGood);
  ReadPrefsFromDisk(Path(L"installer_prefs.json"));
  EXPECT_EQ((Samples{{1, 1}}), ReadSizes("installer_prefs"));
  EXPECT_TRUE(Restores("installer_prefs").empty());

  // Whole kilobytes, rounded down; blanks of the name become "_".
  Write(Path(L"Local State"), R"({"pad":")" + std::string(3 * 1024, 'x') + R"("})");
  ReadPrefsFromDisk(Path(L"Local State"));
  EXPECT_EQ((Samples{{3, 1}}), ReadSizes("Local_State"));

  // A failed read records no size.
  ReadPrefsFromDisk(Path(L"missing.json"));
  Write(Path(L"list.json"), "[1,2]");
  ReadPrefsFromDisk(Path(L"list.json"));
  EXPECT_TRUE(ReadSizes("missing").empty());
  EXPECT_TRUE(ReadSizes("list").empty());
}

TEST_F(JsonPrefFileReaderTest, HistogramsOfRestores) {
  EnableBackups();
  const base::FilePath path = Path(L"installer_prefs.json");
  // A good backup restores: true, and the backup's read is the size read.
  Write(path, kCorrupt);
  Write(Path(L"installer_prefs.json.backup"), kOlder);
  ReadPrefsFromDisk(path);
  EXPECT_EQ((Samples{{1, 1}}), Restores("installer_prefs"));
  EXPECT_EQ((Samples{{1, 1}}), ReadSizes("installer_prefs"));

  // A corrupt backup: false, and no size.
  histograms()->Reset();
  Write(path, kCorrupt);
  Write(Path(L"installer_prefs.json.backup"), "[1,");
  ReadPrefsFromDisk(path);
  EXPECT_EQ((Samples{{0, 1}}), Restores("installer_prefs"));
  EXPECT_TRUE(ReadSizes("installer_prefs").empty());

  // No backup to try: false as well.
  histograms()->Reset();
  Write(path, kCorrupt);
  ReadPrefsFromDisk(path);
  EXPECT_EQ((Samples{{0, 1}}), Restores("installer_prefs"));

  // A backup file read directly records its result under the file's name.
  histograms()->Reset();
  Write(Path(L"Preferences.backup"), kOlder);
  ReadPrefsFromDisk(Path(L"Preferences.backup"));
  EXPECT_EQ((Samples{{1, 1}}), Restores("Preferences"));
}

TEST_F(JsonPrefFileReaderTest, NoRestoreHistogramWhereNoRestoreIsTried) {
  // Feature off.
  const base::FilePath path = Path(L"installer_prefs.json");
  Write(path, kCorrupt);
  Write(Path(L"installer_prefs.json.backup"), kOlder);
  ReadPrefsFromDisk(path);
  EXPECT_TRUE(Restores("installer_prefs").empty());

  // "Local State", and a file that is not corrupt but no dictionary.
  EnableBackups();
  Write(Path(L"Local State"), kCorrupt);
  Write(Path(L"Local State.backup"), kOlder);
  ReadPrefsFromDisk(Path(L"Local State"));
  Write(path, "[1,2]");
  ReadPrefsFromDisk(path);
  EXPECT_TRUE(Restores("Local_State").empty());
  EXPECT_TRUE(Restores("installer_prefs").empty());
}

}  // namespace

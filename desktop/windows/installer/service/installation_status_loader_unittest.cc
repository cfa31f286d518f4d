#include "desktop/windows/installer/service/installation_status_loader_impl.h"

#include <memory>
#include <string>

#include "base/files/file.h"
#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "desktop/windows/installer/service/installation_journal.h"
#include "desktop/windows/installer/service/installation_status.h"
#include "desktop/windows/installer/service/installation_status_keys.h"
#include "desktop/windows/installer/service/json_installation_status_writer.h"
#include "desktop/windows/installer/service/test_support/fake_existing_installation_reader.h"
#include "desktop/windows/installer/service/test_support/journal_file.h"
#include "gtest/gtest.h"

namespace {

constexpr char kValidXml[] =
    "<install_log version=\"40.0.1.2\" copy_only=\"False\" all_users=\"False\">"
    "<path>p</path><files><file>f</file></files></install_log>";

class InstallationStatusLoaderTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(temp_dir_.CreateUniqueTempDir());
    folder_ = temp_dir_.GetPath();
  }

  void WriteJson(const base::FilePath& file, const std::string& version) {
    InstallationStatus status(INSTALLATION_STATUS_SOURCE_GENERATED);
    status.version = version;
    status.path = folder_;
    ASSERT_TRUE(base::CreateDirectory(file.DirName()));
    ASSERT_TRUE(WriteInstallationStatusAsJson(status, file));
  }

  void WriteText(const base::FilePath& file, const std::string& text) {
    ASSERT_TRUE(base::CreateDirectory(file.DirName()));
    ASSERT_TRUE(base::WriteFile(file, text));
  }

  base::FilePath Json() const { return folder_.Append(L"installation_status.json"); }
  base::FilePath Xml() const { return folder_.Append(L"installation_status.xml"); }
  base::FilePath Old(const wchar_t* name) const {
    return folder_.Append(L"old_status").Append(name);
  }

  std::unique_ptr<InstallationStatus> Load(bool recovery) {
    std::unique_ptr<InstallationStatus> status;
    InstallationStatusLoaderImpl().Load(&status, folder_, recovery, &description_, &text_);
    return status;
  }

  base::ScopedTempDir temp_dir_;
  base::FilePath folder_;
  FakeExistingInstallationReader registry_reader_;
  std::string description_;
  std::string text_;
};

TEST_F(InstallationStatusLoaderTest, GoodJsonIsTheAnswerWhateverElseIsThere) {
  WriteJson(Json(), "51.0.1.0");
  WriteText(Xml(), kValidXml);
  WriteJson(Old(L"installation_status.json.9"), "49.0.0.0");

  std::unique_ptr<InstallationStatus> status = Load(/*recovery=*/true);
  ASSERT_TRUE(status);
  EXPECT_EQ(INSTALLATION_STATUS_SOURCE_PRIMARY, status->source);
  EXPECT_EQ("51.0.1.0", status->version);
  EXPECT_EQ("", description_);
  EXPECT_EQ(0, registry_reader_.read_count);
}

TEST_F(InstallationStatusLoaderTest, BadJsonWithoutRecoveryIsDescribedAndNeverFallsBackToXml) {
  WriteText(Json(), "5");
  WriteText(Xml(), kValidXml);
  WriteJson(Old(L"installation_status.json.3"), "49.0.0.0");

  EXPECT_FALSE(Load(/*recovery=*/false));
  EXPECT_EQ("Tarvo JSON status file status file, The root is not a dictionary", description_);
  EXPECT_EQ("5", text_);
  // The registry is the last resort even then.
  EXPECT_EQ(1, registry_reader_.read_count);

  registry_reader_.answer =
      std::make_unique<InstallationStatus>(INSTALLATION_STATUS_SOURCE_FULLY_RECOVERED);
  std::unique_ptr<InstallationStatus> rebuilt = Load(/*recovery=*/false);
  ASSERT_TRUE(rebuilt);
  EXPECT_EQ(INSTALLATION_STATUS_SOURCE_FULLY_RECOVERED, rebuilt->source);
  EXPECT_EQ("5", text_);
}

TEST_F(InstallationStatusLoaderTest, BadJsonWithRecoveryReadsTheOldCopies) {
  WriteText(Json(), "5");
  WriteJson(Old(L"installation_status.json.3"), "49.0.0.0");

  std::unique_ptr<InstallationStatus> status = Load(/*recovery=*/true);
  ASSERT_TRUE(status);
  EXPECT_EQ(INSTALLATION_STATUS_SOURCE_RECOVERED_FROM_OLD_FILES, status->source);
  EXPECT_EQ("49.0.0.0", status->version);
  // What was wrong with the current file stays known.
  EXPECT_EQ("5", text_);
  EXPECT_EQ(0, registry_reader_.read_count);
}

TEST_F(InstallationStatusLoaderTest, EmptyOrMissingFilesAreToldApart) {
  WriteText(Json(), "");
  EXPECT_FALSE(Load(/*recovery=*/false));
  EXPECT_EQ(0u, description_.find("Tarvo JSON status file status file, Cannot parse the file"))
      << description_;
  EXPECT_TRUE(description_.ends_with(" Status file empty.")) << description_;

  ASSERT_TRUE(base::DeleteFile(Json(), /*recursive=*/false));
  WriteText(Xml(), "<install_log>");
  EXPECT_FALSE(Load(/*recovery=*/false));
  EXPECT_EQ(0u, description_.find("Tarvo legacy XML status file status file, ")) << description_;
  EXPECT_EQ("<install_log>", text_);

  ASSERT_TRUE(base::DeleteFile(Xml(), /*recursive=*/false));
  EXPECT_FALSE(Load(/*recovery=*/true));
  EXPECT_EQ("", description_);
  EXPECT_EQ("", text_);
}

// A status file larger than any of ours is not read whole: neither for the
// record nor for the text kept of an unusable file.
TEST_F(InstallationStatusLoaderTest, AnOversizedFileIsNotReadWhole) {
  WriteJson(Json(), "51.0.1.0");
  {
    base::File file(Json(), base::File::FLAG_OPEN | base::File::FLAG_WRITE);
    ASSERT_TRUE(file.SetLength(static_cast<int64_t>(kMaxStatusFileSize) + 1));
  }
  EXPECT_FALSE(Load(/*recovery=*/false));
  EXPECT_EQ("Tarvo JSON status file status file, Cannot read a file to string Cannot read the "
            "file to string.",
            description_);
  EXPECT_LE(text_.size(), kMaxStatusFileSize);
}

TEST_F(InstallationStatusLoaderTest, MissingJsonFallsBackToXml) {
  WriteText(Xml(), kValidXml);
  std::unique_ptr<InstallationStatus> status = Load(/*recovery=*/false);
  ASSERT_TRUE(status);
  EXPECT_EQ(INSTALLATION_STATUS_SOURCE_LEGACY_XML, status->source);
  EXPECT_EQ("40.0.1.2", status->version);
}

TEST_F(InstallationStatusLoaderTest, TheLargestNumberedCopyWinsWhateverItsFormat) {
  WriteJson(Old(L"installation_status.json.5"), "45.0.0.0");
  WriteText(Old(L"installation_status.xml.12"), kValidXml);
  WriteJson(Old(L"installation_status.json.0"), "0.0.0.0");
  WriteJson(Old(L"installation_status.json.abc"), "0.0.0.1");
  WriteJson(Old(L"installation_status.json.-20"), "0.0.0.2");

  std::unique_ptr<InstallationStatus> status = Load(/*recovery=*/true);
  ASSERT_TRUE(status);
  EXPECT_EQ(INSTALLATION_STATUS_SOURCE_LEGACY_XML_RECOVERED_FROM_OLD_FILES, status->source);
  EXPECT_EQ("40.0.1.2", status->version);

  // Without recovery the copies are never looked at.
  EXPECT_FALSE(Load(/*recovery=*/false));
}

TEST_F(InstallationStatusLoaderTest, CopiesWithoutAPositiveNumberAreNoCandidates) {
  WriteJson(Old(L"installation_status.json.0"), "0.0.0.0");
  WriteJson(Old(L"installation_status.json.abc"), "0.0.0.1");
  WriteJson(Old(L"installation_status.json"), "0.0.0.2");
  EXPECT_FALSE(Load(/*recovery=*/true));
  EXPECT_EQ(1, registry_reader_.read_count);
}

// A folder whose own path holds a status file name does not make every
// numbered file in its "old_status" a status copy.
TEST_F(InstallationStatusLoaderTest, OnlyTheFileNameMakesACandidate) {
  folder_ = folder_.Append(L"installation_status.json.d");
  WriteText(Old(L"notes.7"), "not a status");
  EXPECT_FALSE(Load(/*recovery=*/true));
  EXPECT_EQ("", description_);

  WriteText(Old(L"installation_status.json.8"), "{");
  EXPECT_FALSE(Load(/*recovery=*/true));
  EXPECT_NE("", description_);
}

TEST_F(InstallationStatusLoaderTest, ABadCopyLeavesTheReadersComplaint) {
  WriteText(Old(L"installation_status.json.2"), "[]");
  EXPECT_FALSE(Load(/*recovery=*/true));
  EXPECT_EQ("The root is not a dictionary", description_);
}

// A run killed half way is undone by the next run before it works: until
// then the installation is the one before the killed run, never the status
// file or the registry rows the killed run left half written.
TEST_F(InstallationStatusLoaderTest, AKilledRunIsSeenAsUndone) {
  auto journal_with = [&](const std::string& lines) {
    ASSERT_TRUE(WriteJournalFile(folder_, "tarvo installation journal 1\t1700000000\n" + lines));
  };
  // An upgrade that moved the status away and wrote its own.
  WriteJson(Old(L"installation_status.json.1700000001"), "51.0.0.0");
  WriteJson(Json(), "52.0.0.0");
  journal_with(
      "F\told_status\t\n"
      "M\told_status\\installation_status.json.1700000001\tinstallation_status.json\n"
      "D\tinstallation_status.json\t\n");
  std::unique_ptr<InstallationStatus> status = Load(/*recovery=*/false);
  ASSERT_TRUE(status);
  EXPECT_EQ("51.0.0.0", status->version);

  // One that replaced the file in place.
  ASSERT_TRUE(base::DeleteFile(folder_.Append(L"old_status"), /*recursive=*/true));
  WriteJson(folder_.Append(L"installation_status.json.1700000001.old"), "50.0.0.0");
  journal_with(
      "P\tinstallation_status.json\tinstallation_status.json.1700000001.old\n"
      "D\tinstallation_status.json\t\n");
  status = Load(/*recovery=*/true);
  ASSERT_TRUE(status);
  EXPECT_EQ("50.0.0.0", status->version);

  // A first install that wrote the status: no installation, and the
  // registry it wrote to is not asked.
  journal_with("D\tinstallation_status.json\t\n");
  EXPECT_FALSE(Load(/*recovery=*/true));
  EXPECT_EQ(0, registry_reader_.read_count);

  // A run that was committing is over: its status is the installation.
  journal_with("D\tinstallation_status.json\t\ncommitting\n");
  status = Load(/*recovery=*/false);
  ASSERT_TRUE(status);
  EXPECT_EQ("52.0.0.0", status->version);
}

}  // namespace

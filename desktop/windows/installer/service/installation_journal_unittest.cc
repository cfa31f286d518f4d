#include "desktop/windows/installer/service/installation_journal.h"

#include <string>

#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/strings/string_util.h"
#include "desktop/windows/installer/service/test_support/journal_file.h"
#include "desktop/windows/installer/utils/test_support/fake_security_util.h"
#include "gtest/gtest.h"

namespace {

constexpr ObjectWriters kUser = ObjectWriters::kCurrentUser;
constexpr ObjectWriters kAdmins = ObjectWriters::kAdministrators;

UndoRecord FileRecord(UndoRecord::Kind kind, const base::FilePath& path,
                      const base::FilePath& other = base::FilePath()) {
  UndoRecord record;
  record.kind = kind;
  record.path = path;
  record.other = other;
  return record;
}

UndoRecord ValueRecord(const std::wstring& key, const std::wstring& name, DWORD type,
                       std::vector<uint8_t> data) {
  UndoRecord record;
  record.kind = UndoRecord::Kind::kRestoreValue;
  record.root = HKEY_CURRENT_USER;
  record.view = KEY_WOW64_32KEY;
  record.key = key;
  record.value_name = name;
  record.value_type = type;
  record.value_data = std::move(data);
  return record;
}

class InstallationJournalTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(temp_.CreateUniqueTempDir());
    folder_ = temp_.GetPath().Append(L"Tarvo");
    ASSERT_TRUE(base::CreateDirectory(folder_));
  }

  std::string Text() {
    std::string text;
    base::ReadFileToString(InstallationJournal::GetPath(folder_), &text);
    return text;
  }

  base::ScopedTempDir temp_;
  base::FilePath folder_;
};

TEST_F(InstallationJournalTest, WhatIsRecordedIsReadBack) {
  std::unique_ptr<InstallationJournal> journal = InstallationJournal::Start(folder_, kUser);
  ASSERT_TRUE(journal);
  // One run at a time: a second journal is refused while one is there.
  EXPECT_FALSE(InstallationJournal::Start(folder_, kUser));
  const base::FilePath file = folder_.Append(L"51.0.2802.0\\launcher.exe");
  journal->Record(FileRecord(UndoRecord::Kind::kPutBack, folder_.Append(L"launcher.exe"),
                             folder_.Append(L"launcher.exe.1700000000.old")));
  journal->Record(FileRecord(UndoRecord::Kind::kMoveBack, folder_.Append(L"launcher.exe"), file));
  journal->Record(FileRecord(UndoRecord::Kind::kRemoveFolders, folder_.Append(L"old_status"),
                             temp_.GetPath()));
  journal->Record(ValueRecord(L"Software\\Tarvo", L"Last", REG_SZ, {'a', 0, 0, 0}));
  journal->Record(ValueRecord(L"Software\\Tarvo", L"", UndoRecord::kAbsentValue, {}));
  UndoRecord key;
  key.kind = UndoRecord::Kind::kDeleteKey;
  key.root = HKEY_LOCAL_MACHINE;
  key.key = L"Software\\Tarvo\\Sub";
  key.top_key = L"Software\\Tarvo";
  const uint64_t before_key = journal->GetLength();
  journal->Record(key);
  // Nothing that could not be undone later is written: no undo, places
  // outside the folder, roots other than HKLM and HKCU, names that would
  // break a line.
  const uint64_t length = journal->GetLength();
  journal->Record(UndoRecord());
  journal->Record(FileRecord(UndoRecord::Kind::kDelete, temp_.GetPath().Append(L"elsewhere")));
  journal->Record(FileRecord(UndoRecord::Kind::kDelete, folder_));
  UndoRecord classes = ValueRecord(L"Software\\Tarvo", L"x", REG_SZ, {});
  classes.root = HKEY_CLASSES_ROOT;
  journal->Record(classes);
  journal->Record(ValueRecord(L"Software\\Tarvo", L"two\nlines", REG_SZ, {}));
  EXPECT_EQ(length, journal->GetLength());

  InstallationJournal::Contents contents;
  ASSERT_TRUE(InstallationJournal::Read(folder_, &contents));
  EXPECT_GT(contents.started, 1600000000);
  EXPECT_FALSE(contents.committing);
  ASSERT_EQ(6u, contents.records.size());
  EXPECT_EQ(UndoRecord::Kind::kPutBack, contents.records[0].kind);
  EXPECT_EQ(folder_.Append(L"launcher.exe.1700000000.old"), contents.records[0].other);
  EXPECT_EQ(file, contents.records[1].other);
  // Folders made from outside the installation folder are removed at most
  // up to it.
  EXPECT_EQ(folder_, contents.records[2].other);
  EXPECT_EQ(HKEY_CURRENT_USER, contents.records[3].root);
  EXPECT_EQ(static_cast<REGSAM>(KEY_WOW64_32KEY), contents.records[3].view);
  EXPECT_EQ(L"Last", contents.records[3].value_name);
  EXPECT_EQ(static_cast<DWORD>(REG_SZ), contents.records[3].value_type);
  EXPECT_EQ((std::vector<uint8_t>{'a', 0, 0, 0}), contents.records[3].value_data);
  EXPECT_EQ(UndoRecord::kAbsentValue, contents.records[4].value_type);
  EXPECT_EQ(L"", contents.records[4].value_name);
  EXPECT_EQ(HKEY_LOCAL_MACHINE, contents.records[5].root);
  EXPECT_EQ(L"Software\\Tarvo", contents.records[5].top_key);

  // Undone changes leave the journal; then the run commits.
  journal->Truncate(before_key);
  journal->MarkCommitting();
  ASSERT_TRUE(InstallationJournal::Read(folder_, &contents));
  EXPECT_TRUE(contents.committing);
  EXPECT_EQ(5u, contents.records.size());
  journal->Remove();
  EXPECT_FALSE(base::PathExists(InstallationJournal::GetPath(folder_)));
  EXPECT_FALSE(InstallationJournal::Read(folder_, &contents));
}

// The journal lies in the installation folder: whoever could write there
// could write it. Lines naming places outside the folder, or a move that
// names no place the file went, are left out.
// A path that spells the folder in another case is still inside it, and
// keeps its own spelling below it.
TEST_F(InstallationJournalTest, PathsSpellingTheFolderInAnotherCaseAreRecorded) {
  std::unique_ptr<InstallationJournal> journal = InstallationJournal::Start(folder_, kUser);
  ASSERT_TRUE(journal);
  const base::FilePath other_case(base::ToLowerASCII(folder_.value()));
  journal->Record(FileRecord(UndoRecord::Kind::kDelete, other_case.Append(L"Sub\\Launcher.EXE")));
  journal.reset();
  InstallationJournal::Contents contents;
  ASSERT_TRUE(InstallationJournal::Read(folder_, &contents));
  ASSERT_EQ(1u, contents.records.size());
  EXPECT_EQ(folder_.Append(L"Sub\\Launcher.EXE"), contents.records[0].path);
}

TEST_F(InstallationJournalTest, PlantedLinesThatLeaveTheFolderAreLeftOut) {
  const std::string text =
      "tarvo installation journal 1\t1700000000\n"
      "D\t..\\outside.txt\t\n"
      "D\tC:\\Windows\\win.ini\t\n"
      "P\ta\\..\\..\\b\tb.1.old\n"
      "X\tunknown\t\n"
      "V\tHKCR\t0\tSoftware\\x\tname\t1\t00\n"
      "V\tHKCU\t4096\tSoftware\\x\tname\t1\t00\n"
      "V\tHKCU\t0\tSoftware\\x\tname\t1\tzz\n"
      "K\tHKCU\t0\tSoftware\\x\n"
      "P\tinstallation_status.json\t\n"
      "M\tlauncher.exe\t\n"
      "D\tlauncher.exe\t\n"
      // Cut short by the end of the run: its change was never made.
      "V\tHKCU\t0\tSoftware\\x\tname\t1\t00";
  ASSERT_TRUE(WriteJournalFile(folder_, text));
  InstallationJournal::Contents contents;
  ASSERT_TRUE(InstallationJournal::Read(folder_, &contents));
  EXPECT_EQ(1700000000, contents.started);
  ASSERT_EQ(1u, contents.records.size());
  EXPECT_EQ(folder_.Append(L"launcher.exe"), contents.records[0].path);
}

// Outside the folder only the installer's own shortcut files, by their
// names, directly in the shell's folders; deleted keys with their values.
// A change taken out once undone is gone from what the next run reads.
TEST_F(InstallationJournalTest, ShortcutFilesAndDeletedKeys) {
  const base::FilePath desktop = temp_.GetPath().Append(L"Desktop");
  const ShellShortcutFiles shortcuts({desktop}, {L"Tarvo developer.lnk"});
  const base::FilePath own = desktop.Append(L"Tarvo developer.lnk");
  std::unique_ptr<InstallationJournal> journal =
      InstallationJournal::Start(folder_, kUser, InstallationJournal::Role::kRun, &shortcuts);
  ASSERT_TRUE(journal);
  journal->Record(FileRecord(UndoRecord::Kind::kPutBack, own,
                             desktop.Append(L"Tarvo developer.lnk.1700000000.old")));
  for (const base::FilePath& other :
       {desktop.Append(L"Mine.lnk"), desktop.Append(L"Sub\\Tarvo developer.lnk"),
        temp_.GetPath().Append(L"Tarvo developer.lnk")}) {
    journal->Record(FileRecord(UndoRecord::Kind::kDelete, other));
  }
  UndoRecord keys;
  keys.kind = UndoRecord::Kind::kRestoreKeys;
  keys.root = HKEY_CURRENT_USER;
  keys.key = L"Software\\Classes\\Tarvodeveloper";
  keys.keys = {{keys.key, {{L"", REG_SZ, {'a', 0}}, {L"URL Protocol", REG_SZ, {}}}},
               {keys.key + L"\\shell", {}}};
  journal->Record(keys);
  journal->Record(FileRecord(UndoRecord::Kind::kDelete, own));
  journal.reset();

  InstallationJournal::Contents contents;
  ASSERT_TRUE(InstallationJournal::Read(folder_, &contents));
  EXPECT_EQ(1u, contents.records.size());  // Only the key: no shortcut files known.
  ASSERT_TRUE(InstallationJournal::Read(folder_, &contents, InstallationJournal::Role::kRun,
                                        &shortcuts));
  ASSERT_EQ(3u, contents.records.size());
  EXPECT_EQ(own, contents.records[0].path);
  ASSERT_EQ(2u, contents.records[1].keys.size());
  EXPECT_EQ(L"URL Protocol", contents.records[1].keys[0].values[1].name);
  EXPECT_EQ((std::vector<uint8_t>{'a', 0}), contents.records[1].keys[0].values[0].data);
  EXPECT_EQ(keys.key + L"\\shell", contents.records[1].keys[1].path);

  ASSERT_TRUE(InstallationJournal::Left(folder_, InstallationJournal::Role::kRun, kUser,
                                        &shortcuts, /*to_undo=*/true)
                  .TakeOutFrom(contents.offsets[1]));
  ASSERT_TRUE(InstallationJournal::Read(folder_, &contents, InstallationJournal::Role::kRun,
                                        &shortcuts));
  EXPECT_EQ(1u, contents.records.size());
}

// A run's journal is read by the runs of its class; the user's is not the
// administrators' where the user has less rights (UAC). Under Wine a file's
// owner is always the user, who is an administrator in every process there.
// A plain file, as anyone plants one, is no run's.
TEST_F(InstallationJournalTest, OnlyWhatTheRunsAccountsCouldWriteIsRead) {
  FakeSecurityUtil security;
  ScopedSecurityUtilForTesting scoped(&security);
  const std::string text = "tarvo installation journal 1\t1700000000\nD\tmade.txt\t\n";
  const ObjectWriters kPlain = ObjectWriters::kOthers;
  const struct {
    ObjectWriters written_by, user_class, reader;
    bool read;
  } cases[] = {{kUser, kUser, kUser, true},     {kUser, kUser, kAdmins, false},
               {kUser, kAdmins, kAdmins, true}, {kAdmins, kAdmins, kAdmins, true},
               {kAdmins, kAdmins, kUser, true}, {kPlain, kAdmins, kUser, false}};
  for (const auto& c : cases) {
    security.SetUserClass(c.user_class);
    base::DeleteFile(InstallationJournal::GetPath(folder_), /*recursive=*/false);
    ASSERT_TRUE(c.written_by == kPlain
                    ? base::WriteFile(InstallationJournal::GetPath(folder_), text)
                    : WriteJournalFile(folder_, text, c.written_by));
    InstallationJournal::Left journal(folder_, InstallationJournal::Role::kRun, c.reader, nullptr,
                                      /*to_undo=*/true);
    EXPECT_EQ(c.read, journal.state() == InstallationJournal::Left::State::kRead)
        << static_cast<int>(c.written_by) << static_cast<int>(c.user_class)
        << static_cast<int>(c.reader);
  }
}

// The next run refuses a journal far beyond what a run writes before it
// reads it whole; a run stops at the same bound.
TEST_F(InstallationJournalTest, AJournalFarBeyondARunsIsRefused) {
  const std::string header = "tarvo installation journal 1\t1700000000\n";
  std::string lines;
  for (int i = 0; i < 10000; ++i)
    lines += "D\t" + std::to_string(i) + "\t\n";
  InstallationJournal::Contents contents;
  for (const std::string& text :
       {header + lines + "D\tx\t\n", header + std::string(1 << 20, '\n')}) {
    ASSERT_TRUE(WriteJournalFile(folder_, text));
    EXPECT_FALSE(InstallationJournal::Read(folder_, &contents)) << text.size();
  }
  ASSERT_TRUE(WriteJournalFile(folder_, header + lines));
  ASSERT_TRUE(InstallationJournal::Read(folder_, &contents));
  base::DeleteFile(InstallationJournal::GetPath(folder_), /*recursive=*/false);

  std::unique_ptr<InstallationJournal> journal = InstallationJournal::Start(folder_, kUser);
  for (const UndoRecord& record : contents.records)
    ASSERT_TRUE(journal->Record(record));
  EXPECT_FALSE(journal->Record(FileRecord(UndoRecord::Kind::kDelete, folder_.Append(L"x"))));
  journal->MarkCommitting();
  journal.reset();
  EXPECT_TRUE(InstallationJournal::Read(folder_, &contents));
}

TEST_F(InstallationJournalTest, EarlierFileOfAPath) {
  const base::FilePath status = folder_.Append(L"installation_status.json");
  const base::FilePath moved = folder_.Append(L"old_status\\installation_status.json.1700000000");
  const base::FilePath backup = folder_.Append(L"installation_status.json.1700000000.old");
  InstallationJournal::Contents contents;
  base::FilePath earlier;
  // Untouched.
  ASSERT_TRUE(contents.FindEarlierFile(status, &earlier));
  EXPECT_EQ(status, earlier);
  // Moved away by an upgrade, then written anew: the moved file.
  contents.records = {FileRecord(UndoRecord::Kind::kMoveBack, moved, status),
                      FileRecord(UndoRecord::Kind::kDelete, status)};
  ASSERT_TRUE(contents.FindEarlierFile(status, &earlier));
  EXPECT_EQ(moved, earlier);
  // Replaced in place: its moved-aside copy, unless the run ended before
  // it moved it aside.
  contents.records = {FileRecord(UndoRecord::Kind::kPutBack, status, backup),
                      FileRecord(UndoRecord::Kind::kDelete, status)};
  ASSERT_TRUE(contents.FindEarlierFile(status, &earlier));
  EXPECT_EQ(status, earlier);
  ASSERT_TRUE(base::WriteFile(backup, "status"));
  ASSERT_TRUE(contents.FindEarlierFile(status, &earlier));
  EXPECT_EQ(backup, earlier);
  // Or moved away: there still, until it is.
  ASSERT_TRUE(base::WriteFile(status, "status"));
  contents.records = {FileRecord(UndoRecord::Kind::kMoveBack, moved, status)};
  ASSERT_TRUE(contents.FindEarlierFile(status, &earlier));
  EXPECT_EQ(status, earlier);
  // Written by the run where there was none.
  contents.records = {FileRecord(UndoRecord::Kind::kDelete, status),
                      FileRecord(UndoRecord::Kind::kPutBack, status, backup)};
  EXPECT_FALSE(contents.FindEarlierFile(status, &earlier));
}

}  // namespace

#include "desktop/windows/installer/service/leftover_cleaner.h"

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>

#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/utf_string_conversions.h"
#include "base/win/registry.h"
#include "base/win/scoped_handle.h"
#include "desktop/windows/installer/service/installation.h"
#include "desktop/windows/installer/service/installation_journal.h"
#include "desktop/windows/installer/service/installation_status.h"
#include "desktop/windows/installer/service/json_installation_status_writer.h"
#include "desktop/windows/installer/service/registry_rules_operation.h"
#include "desktop/windows/installer/service/test_support/journal_file.h"
#include "desktop/windows/installer/service/transactions/change_reg_value_operation.h"
#include "desktop/windows/installer/service/transactions/copy_file_operation.h"
#include "desktop/windows/installer/service/transactions/create_folder_operation.h"
#include "desktop/windows/installer/service/transactions/delete_file_operation.h"
#include "desktop/windows/installer/service/transactions/delete_reg_key_operation.h"
#include "desktop/windows/installer/service/transactions/move_file_operation.h"
#include "desktop/windows/installer/service/transactions/test_support/scratch_snapshot.h"
#include "desktop/windows/installer/service/transactions/transaction.h"
#include "desktop/windows/installer/service/transactions/write_file_operation.h"
#include "desktop/windows/installer/utils/folder_boundary.h"
#include "desktop/windows/installer/utils/security_util.h"
#include "desktop/windows/installer/utils/service_utils.h"
#include "desktop/windows/installer/utils/test_support/fake_security_util.h"
#include "desktop/windows/installer/utils/test_support/test_links.h"
#include "gtest/gtest.h"
#include "testing/registry_override.h"

namespace {

// The journal of a run killed at one instant: just before or just after it
// writes its `kill_at`-th line (0: before the first, 1: after it, 2: before
// the second, ...), or at KillNow. Then `on_kill` runs, as the next run
// would; the dead run's later lines reach no disk.
class JournalKilledAt : public OperationJournal {
 public:
  JournalKilledAt(std::unique_ptr<InstallationJournal> journal, size_t kill_at,
                  std::function<void()> on_kill)
      : journal_(std::move(journal)), kill_at_(kill_at), on_kill_(std::move(on_kill)) {}

  bool Record(const UndoRecord& record) override {
    if (Instant())
      journal_->Record(record);
    Instant();
    return true;
  }
  uint64_t GetLength() const override { return journal_ ? journal_->GetLength() : 0; }
  void Truncate(uint64_t length) override {
    if (journal_)
      journal_->Truncate(length);
  }

  bool killed() const { return !journal_; }
  void KillNow() {
    if (!journal_)
      return;
    journal_.reset();  // Its handle closes with the process; the file stays.
    on_kill_();
  }

 private:
  // False once the run is dead.
  bool Instant() {
    if (journal_ && instants_++ == kill_at_)
      KillNow();
    return journal_ != nullptr;
  }

  std::unique_ptr<InstallationJournal> journal_;
  const size_t kill_at_;
  size_t instants_ = 0;
  std::function<void()> on_kill_;
};

class LeftoverCleanerTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(temp_.CreateUniqueTempDir());
    folder_ = temp_.GetPath().Append(L"Tarvo");
    ASSERT_TRUE(base::CreateDirectory(folder_));
    ASSERT_TRUE(override_.OverrideRegistry(HKEY_CURRENT_USER));
  }

  LeftoverCleaner Cleaner(const ShellShortcutFiles* shortcuts = nullptr) {
    return LeftoverCleaner(folder_, writers_, shortcuts);
  }
  base::FilePath Path(const std::wstring& relative) const { return folder_.Append(relative); }
  void Write(const std::wstring& relative, const std::string& contents) {
    ASSERT_TRUE(base::CreateDirectory(Path(relative).DirName()));
    ASSERT_TRUE(base::WriteFile(Path(relative), contents));
  }
  std::string Read(const std::wstring& relative) {
    std::string contents;
    base::ReadFileToString(Path(relative), &contents);
    return contents;
  }
  bool Exists(const std::wstring& relative) { return base::PathExists(Path(relative)); }
  void WriteStatus(const std::wstring& relative, const wchar_t* subfolder) {
    InstallationStatus status(INSTALLATION_STATUS_SOURCE_GENERATED);
    status.version = "51.0.2802.0";
    status.path = folder_;
    status.subfolder = base::FilePath(subfolder);
    ASSERT_TRUE(base::CreateDirectory(Path(relative).DirName()));
    ASSERT_TRUE(WriteInstallationStatusAsJson(status, Path(relative)));
  }
  // A class of the installer's own, made whole by a run.
  static std::wstring OwnClass(const wchar_t* below) {
    return std::wstring(L"Software\\Classes\\") + kProgIdPrefix + L"1700000000" + below;
  }
  std::unique_ptr<Operation> SetString(const std::wstring& key, const wchar_t* name,
                                       const wchar_t* value, HKEY root = nullptr) {
    root = root ? root : root_;
    return std::make_unique<ChangeRegValueOperation>(
        root, key, name, value, REG_SZ,
        static_cast<DWORD>((wcslen(value) + 1) * sizeof(wchar_t)), 0);
  }

  // Everything that would tell a killed run from an undone one.
  std::pair<std::map<std::wstring, std::string>, std::map<std::wstring, std::string>> State() {
    return {SnapshotFolder(folder_), SnapshotRegistryKey(root_, L"Software")};
  }

  // The changes of an upgrade, through a transaction that writes them down.
  // Left as a killed process leaves them: neither committed nor rolled back.
  void RunAndKill(bool committing) {
    std::unique_ptr<InstallationJournal> journal = InstallationJournal::Start(folder_, writers_);
    ASSERT_TRUE(journal);
    // Never committed nor rolled back, as in a killed process: left alone.
    auto* transaction = new Transaction;
    transaction->SetJournal(journal.get());
    auto run = [&](std::unique_ptr<Operation> operation) {
      ASSERT_TRUE(transaction->Execute(std::move(operation), nullptr));
    };
    run(std::make_unique<DeleteFileOperation>(Path(L"launcher.exe"), false, false));
    run(std::make_unique<MoveFileOperation>(Path(L"52.0.2802.0\\launcher.exe"),
                                            Path(L"launcher.exe"), folder_));
    run(std::make_unique<MoveFileOperation>(Path(L"52.0.2802.0\\Assets\\logo.png"),
                                            Path(L"Assets\\logo.png"), folder_));
    run(std::make_unique<DeleteFileOperation>(Path(L"52.0.2802.0\\files_list"), false, false));
    run(std::make_unique<CopyFileOperation>(temp_.GetPath().Append(L"source.txt"),
                                            Path(L"52.0.2802.0\\deep\\er\\copied.txt")));
    run(std::make_unique<CreateFolderOperation>(Path(L"old_status")));
    run(std::make_unique<MoveFileOperation>(Path(L"installation_status.json"),
                                            Path(L"old_status\\installation_status.json.1")));
    run(std::make_unique<WriteFileOperation>(Path(L"installation_status.json"), "new"));
    run(SetString(GetCompanyRegistryKey(), L"Last Install Path", L"52"));
    run(SetString(OwnClass(L"\\shell\\open\\command"), L"", L"x"));
    if (committing)
      journal->MarkCommitting();
    // The process is gone: its handles close, nothing more is done.
    journal.reset();
  }

  void MakeInstallationBeforeTheRun() {
    Write(L"launcher.exe", "launcher 51");
    Write(L"installation_status.json", "status 51");
    Write(L"52.0.2802.0\\launcher.exe", "launcher 52");
    Write(L"52.0.2802.0\\files_list", "list");
    Write(L"52.0.2802.0\\Assets\\logo.png", "logo");
    ASSERT_TRUE(base::WriteFile(temp_.GetPath().Append(L"source.txt"), "copied"));
    ASSERT_TRUE(
        SetString(GetCompanyRegistryKey(), L"Last Install Path", L"51")->Execute(&scratch_, nullptr));
  }

  base::ScopedTempDir temp_;
  base::FilePath folder_;
  FakeSecurityUtil security_;
  ScopedSecurityUtilForTesting scoped_security_{&security_};
  registry_util::RegistryOverrideManager override_;
  Transaction scratch_;
  // The runs' class of accounts, and the root their changes go to.
  ObjectWriters writers_ = ObjectWriters::kCurrentUser;
  HKEY root_ = HKEY_CURRENT_USER;
};

// Runs killed at any instant, of the user's own (changes under HKCU) and for
// all users (under HKLM).
class LeftoverCleanerKillTest : public LeftoverCleanerTest,
                                public testing::WithParamInterface<bool> {
 protected:
  void SetUp() override {
    LeftoverCleanerTest::SetUp();
    if (GetParam()) {
      writers_ = ObjectWriters::kAdministrators;
      root_ = HKEY_LOCAL_MACHINE;
      ASSERT_TRUE(override_.OverrideRegistry(root_));
    }
  }
};
INSTANTIATE_TEST_SUITE_P(AllUsers, LeftoverCleanerKillTest, testing::Bool());

TEST_P(LeftoverCleanerKillTest, AKilledRunIsUndone) {
  MakeInstallationBeforeTheRun();
  scratch_.Commit();
  const auto before = State();
  RunAndKill(/*committing=*/false);
  ASSERT_NE(before, State());

  Cleaner().FinishInterruptedRun();
  EXPECT_EQ(before, State());
  // Once is enough: the journal is gone.
  EXPECT_FALSE(base::PathExists(InstallationJournal::GetPath(folder_)));
}

TEST_P(LeftoverCleanerKillTest, AKilledCommitIsCompleted) {
  MakeInstallationBeforeTheRun();
  scratch_.Commit();
  RunAndKill(/*committing=*/true);

  Cleaner().FinishInterruptedRun();
  EXPECT_FALSE(base::PathExists(InstallationJournal::GetPath(folder_)));
  EXPECT_EQ("launcher 52", Read(L"launcher.exe"));
  EXPECT_EQ("new", Read(L"installation_status.json"));
  EXPECT_EQ("logo", Read(L"Assets\\logo.png"));
  // The moved-aside copies are gone, and so is the folder a move emptied.
  EXPECT_FALSE(Exists(L"52.0.2802.0\\files_list"));
  EXPECT_FALSE(Exists(L"52.0.2802.0\\Assets"));
  for (const auto& [name, entry] : SnapshotFolder(folder_))
    EXPECT_EQ(std::wstring::npos, name.find(L".old")) << name;
}

TEST_F(LeftoverCleanerTest, RecordedVersionedFoldersNobodyOwnsGoUnlessInUse) {
  WriteStatus(L"installation_status.json", L"52.0.2802.0");
  WriteStatus(L"old_status\\installation_status.json.1700000000", L"51.0.2802.0");
  for (const wchar_t* folder : {L"50.0.2802.0", L"51.0.2802.0", L"52.0.2802.0",
                                L"52.0.2802.0_0", L"53.0.2802.0", L"53.0.2802.0_12",
                                L"54.0.2802.0", L"1.2.3", L"user data", L"5.0.0.0a"}) {
    Write(std::wstring(folder) + L"\\installer.exe", "program");
    Write(std::wstring(folder) + L"\\resources\\en.txt", "text");
  }
  // A program that runs cannot be opened for writing.
  base::win::ScopedHandle running(::CreateFileW(Path(L"53.0.2802.0\\installer.exe").value().c_str(),
                                                GENERIC_READ, FILE_SHARE_READ, nullptr,
                                                OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(running.IsValid());

  LeftoverCleaner cleaner = Cleaner();
  cleaner.Keep(base::FilePath(L"50.0.2802.0"));
  for (const wchar_t* recorded : {L"50.0.2802.0", L"51.0.2802.0", L"52.0.2802.0_0",
                                  L"53.0.2802.0", L"53.0.2802.0_12", L"1.2.3"}) {
    cleaner.AddRecorded(base::FilePath(recorded));
  }
  cleaner.RemoveLeftovers();
  // Kept, owned, in use, or named by no record: the last are not ours.
  for (const wchar_t* kept : {L"50.0.2802.0", L"51.0.2802.0", L"52.0.2802.0", L"53.0.2802.0",
                              L"54.0.2802.0", L"1.2.3", L"user data", L"5.0.0.0a"}) {
    EXPECT_TRUE(Exists(std::wstring(kept) + L"\\resources\\en.txt")) << kept;
  }
  EXPECT_FALSE(Exists(L"52.0.2802.0_0"));
  EXPECT_FALSE(Exists(L"53.0.2802.0_12"));

  // Which folders are owned cannot be told: none goes.
  running.Close();
  Write(L"old_status\\installation_status.json.1700000001", "not a status");
  LeftoverCleaner unknown = Cleaner();
  unknown.AddRecorded(base::FilePath(L"53.0.2802.0"));
  unknown.RemoveLeftovers();
  EXPECT_TRUE(Exists(L"53.0.2802.0"));
}

// Only what a killed run made since it began, or what lies in a versioned
// folder of the installation's: the user's copies and files of the same
// look stay.
TEST_F(LeftoverCleanerTest, MovedAsideCopiesAndTemporaryFilesOfAKilledRunGo) {
  WriteStatus(L"installation_status.json", L"52.0.2802.0");
  ASSERT_TRUE(WriteJournalFile(folder_,
                               "tarvo installation journal 1\t1700000000\nN\t52.0.2802.0\t\n"
                               "committing\n"));
  for (const wchar_t* name :
       {L"launcher.exe", L"launcher.exe.1700000000.old", L"installer_prefs.json.1700000001.old",
        L"52.0.2802.0\\files_list.1600000000.old", L"52.0.2802.0\\a\\b.dll.1700000000.old",
        L"old_status\\installation_status.json.1.1700000000.old", L"notes.2023.old",
        L"notes.old", L"notes.1600000000.old", L"1a2b.tmp", L"f.tmp", L"12345.tmp",
        L"notes.tmp", L"user data\\x.1700000000.old", L"53.0.2802.0\\y.1700000000.old"}) {
    Write(name, "x");
  }
  Write(L"52.0.2802.0\\folder.1700000000.old\\inside", "x");
  LeftoverCleaner cleaner = Cleaner();
  cleaner.FinishInterruptedRun();
  cleaner.RemoveLeftovers();
  for (const wchar_t* gone :
       {L"launcher.exe.1700000000.old", L"installer_prefs.json.1700000001.old",
        L"52.0.2802.0\\files_list.1600000000.old", L"52.0.2802.0\\a\\b.dll.1700000000.old",
        L"52.0.2802.0\\folder.1700000000.old",
        L"old_status\\installation_status.json.1.1700000000.old", L"1a2b.tmp", L"f.tmp"}) {
    EXPECT_FALSE(Exists(gone)) << gone;
  }
  for (const wchar_t* kept : {L"launcher.exe", L"notes.2023.old", L"notes.old",
                              L"notes.1600000000.old", L"12345.tmp", L"notes.tmp",
                              L"user data\\x.1700000000.old", L"53.0.2802.0\\y.1700000000.old",
                              L"52.0.2802.0\\a"}) {
    EXPECT_TRUE(Exists(kept)) << kept;
  }
}

// A first install into a folder of the user's: no status and no journal of
// ours, so nothing in it is the installer's, however it is named; nor is
// what no record names in a folder that holds an installation. A journal
// planted there (anyone could have made it) names nothing.
TEST_F(LeftoverCleanerTest, TheUsersFilesStayWhateverTheirNames) {
  const wchar_t* users[] = {L"2024.06.01.1\\backup.txt", L"51.0.2802.0\\mine.txt",
                            L"notes.1700000000.old", L"cafe.tmp", L"tools\\2024.1.15.1\\notes.txt"};
  for (const wchar_t* name : users)
    Write(name, "mine");
  for (const char* journal :
       {"", "1000000000\nD\t2024.06.01.1\\missing.txt\t\n", "1800000000\nN\t53.0.2802.0\t\n"}) {
    const std::string text = std::string("tarvo installation journal 1\t") + journal;
    if (journal[1] == '0') {
      ASSERT_TRUE(base::WriteFile(InstallationJournal::GetPath(folder_), text));  // Planted.
    } else if (journal[0]) {
      WriteStatus(L"installation_status.json", L"52.0.2802.0");
      ASSERT_TRUE(WriteJournalFile(folder_, text));
      Write(L"53.0.2802.0\\installer.exe", "killed run");
    }
    LeftoverCleaner cleaner = Cleaner();
    cleaner.FinishInterruptedRun();
    cleaner.Keep(base::FilePath(L"52.0.2802.0"));
    cleaner.RemoveLeftovers();
    for (const wchar_t* name : users)
      EXPECT_EQ("mine", Read(name)) << name << " " << journal;
  }
  EXPECT_FALSE(Exists(L"53.0.2802.0"));
}

// A copy the killed run moved aside is the only one left of its file when
// the run was killed before it could write down the move: it goes back.
TEST_F(LeftoverCleanerTest, CopiesOfAnUndoneRunGoBackWhenTheirFileIsGone) {
  ASSERT_TRUE(WriteJournalFile(folder_, "tarvo installation journal 1\t1700000100\n"));
  Write(L"a.txt.1700000200.old", "a");
  Write(L"b.txt.1700000000.old", "older than the run");
  Write(L"c.txt", "c");
  Write(L"c.txt.1700000200.old", "replaced");
  Write(L"d.txt.1700000300.old", "d later");
  Write(L"d.txt.1700000200.old", "d first");
  LeftoverCleaner cleaner = Cleaner();
  cleaner.FinishInterruptedRun();
  cleaner.RemoveLeftovers();
  EXPECT_EQ("a", Read(L"a.txt"));
  EXPECT_FALSE(Exists(L"b.txt"));
  EXPECT_EQ("c", Read(L"c.txt"));
  EXPECT_EQ("d first", Read(L"d.txt"));
  // A copy older than the run is not its own.
  EXPECT_EQ((std::map<std::wstring, std::string>{{L"a.txt", "file:rw:a"},
                                                 {L"b.txt.1700000000.old", "file:rw:older than the run"},
                                                 {L"c.txt", "file:rw:c"},
                                                 {L"d.txt", "file:rw:d first"}}),
            SnapshotFolder(folder_));
}

// The journal of the backend that prepared the package stays its own while
// it waits for the backend that runs the steps; once it is gone (killed),
// its work is undone like any other.
TEST_F(LeftoverCleanerTest, AJournalStillBeingWrittenIsLeftAlone) {
  const auto role = InstallationJournal::Role::kPreparation;
  std::unique_ptr<InstallationJournal> journal =
      InstallationJournal::Start(folder_, writers_, role);
  ASSERT_TRUE(journal);
  Write(L"52.0.2802.0\\launcher.exe", "copied");
  journal->Record({UndoRecord::Kind::kDelete, Path(L"52.0.2802.0\\launcher.exe")});
  Cleaner().FinishInterruptedRun();
  EXPECT_TRUE(Exists(L"52.0.2802.0\\launcher.exe"));
  EXPECT_TRUE(base::PathExists(InstallationJournal::GetPath(folder_, role)));
  journal.reset();
  Cleaner().FinishInterruptedRun();
  EXPECT_FALSE(Exists(L"52.0.2802.0\\launcher.exe"));
  EXPECT_FALSE(base::PathExists(InstallationJournal::GetPath(folder_, role)));
}

// A journal that is none of the run's, or far larger than a run writes, is
// removed unread, so the next run can keep its own instead of running
// without one.
TEST_F(LeftoverCleanerTest, AJournalNotTheRunsIsRemoved) {
  Write(L"made.txt", "x");
  for (bool planted : {false, true}) {
    const std::string text = "tarvo installation journal 1\t1700000000\nD\tmade.txt\t\n";
    ASSERT_TRUE(planted ? base::WriteFile(InstallationJournal::GetPath(folder_), text)
                        : WriteJournalFile(folder_, text + std::string(1024 * 1024, '\n')));
    Cleaner().FinishInterruptedRun();
    EXPECT_TRUE(Exists(L"made.txt"));
    EXPECT_TRUE(InstallationJournal::Start(folder_, writers_));
    ASSERT_TRUE(base::DeleteFile(InstallationJournal::GetPath(folder_), /*recursive=*/false));
  }
}

// Lines planted with links to a folder of somebody else's, undone or
// completed, and the same paths given to the run's own operations: nothing
// there is deleted, written, moved or overwritten.
TEST_F(LeftoverCleanerTest, NothingIsReachedThroughALink) {
  const base::FilePath victim = temp_.GetPath().Append(L"victim");
  for (const wchar_t* name : {L"victim_del.txt", L"victim_over.txt",
                              L"victim_over.txt.1700000000.old", L"photos.1700000001.old\\p.jpg",
                              L"emptydir\\x"}) {
    ASSERT_TRUE(base::CreateDirectory(victim.Append(name).DirName()));
    ASSERT_TRUE(base::WriteFile(victim.Append(name), "theirs"));
  }
  ASSERT_TRUE(base::DeleteFile(victim.Append(L"emptydir\\x"), /*recursive=*/false));
  Write(L"drop.exe", "planted");
  TestLinks links;
  if (!links.Make(Path(L"lnk"), victim) ||
      !links.Make(Path(L"flink.txt"), victim.Append(L"victim_del.txt")) ||
      !links.Make(Path(L"photos.1700000001.old"), victim.Append(L"photos.1700000001.old"))) {
    GTEST_SKIP() << "links cannot be made here";
  }
  const auto theirs = SnapshotFolder(victim);
  const std::string lines =
      "D\tlnk\\victim_del.txt\t\nD\tflink.txt\t\nM\tlnk\\planted.exe\tdrop.exe\n"
      "P\tlnk\\victim_over.txt\tlnk\\victim_over.txt.1700000000.old\n"
      "F\tlnk\\emptydir\t\nP\tphotos\tphotos.1700000001.old\n"
      "P\tlnk\\photos\tlnk\\photos.1700000001.old\n";
  for (const char* end : {"", "committing\n"}) {
    ASSERT_TRUE(
        WriteJournalFile(folder_, "tarvo installation journal 1\t1700000000\n" + lines + end));
    Cleaner().FinishInterruptedRun();
    EXPECT_EQ(theirs, SnapshotFolder(victim)) << end;
  }

  FolderBoundary boundary(folder_);
  Transaction transaction;
  transaction.SetFolderBoundary(&boundary);
  EXPECT_FALSE(transaction.Execute(
      std::make_unique<DeleteFileOperation>(Path(L"lnk\\victim_del.txt"), false, false), nullptr));
  EXPECT_FALSE(transaction.Execute(
      std::make_unique<MoveFileOperation>(Path(L"flink.txt"), Path(L"moved.txt")), nullptr));
  EXPECT_FALSE(transaction.Execute(
      std::make_unique<CopyFileOperation>(Path(L"drop.exe"), Path(L"lnk\\victim_over.txt")),
      nullptr));
  // A link itself is moved aside and removed as a link, or not at all.
  transaction.Execute(std::make_unique<DeleteFileOperation>(Path(L"flink.txt"), false, false),
                      nullptr);
  transaction.Commit();
  EXPECT_EQ(theirs, SnapshotFolder(victim));
}

// A journal that writes values and deletes keys: only the installer's own
// are taken, and only in a root that those who could write the journal
// could change anyway; one that others could have written gets nothing.
TEST_F(LeftoverCleanerTest, PlantedLinesReachOnlyWhatTheInstallerCouldChange) {
  ASSERT_TRUE(override_.OverrideRegistry(HKEY_LOCAL_MACHINE));
  const HKEY hklm = HKEY_LOCAL_MACHINE;
  const HKEY hkcu = HKEY_CURRENT_USER;
  const struct {
    HKEY root;
    std::wstring key;
    std::wstring value;
    bool own;
  } values[] = {
      {hklm, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Image File Execution "
             L"Options\\notepad.exe", L"Debugger", false},
      {hklm, L"SYSTEM\\ControlSet001\\Services\\Spooler", L"ImagePath", false},
      {hklm, L"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnceEx\\0001", L"x", false},
      {hklm, L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows", L"AppInit_DLLs", false},
      {hkcu, L"Software\\Microsoft\\Command Processor", L"AutoRun", false},
      {hkcu, L"Software\\Other Vendor\\App", L"Setting", false},
      {hkcu, L"Software\\Classes\\txtfile\\shell\\open\\command", L"", false},
      {hkcu, L"Software\\Classes\\.htm\\OpenWithProgIDs", L"Other.Html", false},
      {hkcu, GetCompanyRegistryKey(), L"Previous Default Browser", true},
      {hklm, GetCompanyRegistryKey(), L"Previous Default Browser", true},
      {hkcu, L"Software\\Classes\\.htm\\OpenWithProgIDs", kProgIdPrefix + std::wstring(L"17"), true},
  };
  const std::wstring evil = L"C:\\evil.exe";
  const std::string data = base::HexEncode(evil.c_str(), (evil.size() + 1) * sizeof(wchar_t));
  std::string lines = "tarvo installation journal 1\t1700000000\n"
                      "P\tkept.txt\tkept.txt.1700000000.old\nD\tmade.txt\t\n";
  for (const auto& v : values) {
    lines += "V\t" + std::string(v.root == hklm ? "HKLM" : "HKCU") + "\t0\t" +
             base::WideToUTF8(v.key) + "\t" + base::WideToUTF8(v.value) + "\t1\t" + data + "\n";
  }
  lines += "K\tHKCU\t0\tSoftware\\Other Vendor\\App\tSoftware\\Other Vendor\n";
  lines += "K\tHKCU\t0\t" + base::WideToUTF8(OwnClass(L"")) + "\tSoftware\\Classes\n";

  for (ObjectWriters writers :
       {ObjectWriters::kAdministrators, ObjectWriters::kCurrentUser, ObjectWriters::kOthers}) {
    for (const auto& v : values)
      ASSERT_TRUE(
          SetString(v.key, v.value.c_str(), L"theirs", v.root)->Execute(&scratch_, nullptr));
    scratch_.Commit();
    ASSERT_TRUE(base::win::RegKey().Create(hkcu, OwnClass(L"\\shell").c_str(), KEY_WRITE) ==
                ERROR_SUCCESS);
    Write(L"kept.txt", "now");
    Write(L"kept.txt.1700000000.old", "before");
    Write(L"made.txt", "made");
    // The user is an administrator in every process under Wine only.
    security_.SetUserClass(std::min(writers, ObjectWriters::kCurrentUser));
    ASSERT_TRUE(writers == ObjectWriters::kOthers
                    ? base::WriteFile(InstallationJournal::GetPath(folder_), lines)
                    : WriteJournalFile(folder_, lines, writers));

    LeftoverCleaner(folder_, std::min(writers, ObjectWriters::kCurrentUser)).FinishInterruptedRun();
    for (const auto& v : values) {
      const bool taken = v.own && (v.root == hkcu ? writers <= ObjectWriters::kCurrentUser
                                                  : writers == ObjectWriters::kAdministrators);
      std::wstring now;
      base::win::RegKey(v.root, v.key.c_str(), KEY_READ).ReadValue(v.value.c_str(), &now);
      EXPECT_EQ(taken ? evil : L"theirs", now) << v.key << " " << static_cast<int>(writers);
    }
    EXPECT_TRUE(base::win::RegKey(hkcu, L"Software\\Other Vendor\\App", KEY_READ).Valid());
    EXPECT_EQ(writers == ObjectWriters::kOthers,
              base::win::RegKey(hkcu, OwnClass(L"\\shell").c_str(), KEY_READ).Valid());
    EXPECT_EQ(writers == ObjectWriters::kOthers, Exists(L"made.txt"));
    EXPECT_EQ(writers == ObjectWriters::kOthers ? "now" : "before", Read(L"kept.txt"));
    base::DeleteFile(Path(L"kept.txt.1700000000.old"), /*recursive=*/false);
  }
}

// A run killed while undoing, after it put a replaced file back: the next
// run does not undo again what it undid (which would remove that file).
// Undone lines leave the journal in batches: a run killed half way through
// one (the made files) leaves it whole, to be undone again without harm.
TEST_P(LeftoverCleanerKillTest, AKilledUndoingIsFinishedByTheNextRun) {
  Write(L"launcher.exe", "old");
  {
    std::unique_ptr<InstallationJournal> journal = InstallationJournal::Start(folder_, writers_);
    auto* transaction = new Transaction;  // Killed: neither committed nor rolled back.
    transaction->SetJournal(journal.get());
    ASSERT_TRUE(transaction->Execute(
        std::make_unique<WriteFileOperation>(Path(L"launcher.exe"), "new"), nullptr));
    for (int i = 0; i < 1000; ++i) {
      ASSERT_TRUE(transaction->Execute(
          std::make_unique<WriteFileOperation>(Path(base::NumberToWString(i)), "x"), nullptr));
    }
  }
  InstallationJournal::Contents contents;
  ASSERT_TRUE(InstallationJournal::Read(folder_, &contents));
  const size_t written = contents.records.size();
  for (size_t undone : {size_t{999}, written}) {
    LeftoverCleaner killed = Cleaner();
    killed.StopUndoingAfterForTesting(undone);
    killed.FinishInterruptedRun();
    ASSERT_TRUE(InstallationJournal::Read(folder_, &contents));
    EXPECT_EQ(undone == 999 ? written : 1u, contents.records.size());
  }
  EXPECT_EQ("old", Read(L"launcher.exe"));
  Cleaner().FinishInterruptedRun();
  EXPECT_EQ("old", Read(L"launcher.exe"));
  EXPECT_FALSE(Exists(L"0"));
  EXPECT_FALSE(base::PathExists(InstallationJournal::GetPath(folder_)));
}

// Whatever instant a run is killed at, before or after any line it writes,
// in the middle of any kind of operation, the next run leaves the folder,
// the shortcuts and the registry as they were before it.
TEST_P(LeftoverCleanerKillTest, ARunKilledAtAnyInstantIsUndone) {
  const base::FilePath desktop = temp_.GetPath().Append(L"Desktop");
  const base::FilePath shortcut = desktop.Append(L"Tarvo developer.lnk");
  const ShellShortcutFiles shortcuts({desktop}, {shortcut.BaseName().value()});
  const base::FilePath source = temp_.GetPath().Append(L"source.txt");
  ASSERT_TRUE(base::WriteFile(source, "new"));
  const std::wstring command = OwnClass(L"\\shell\\open\\command");
  const RegistryRuleRow rows[] = {
      {command.c_str(), nullptr, REG_SZ, RuleText(L"open"), 0, nullptr, 0, 0, 0},
      {command.c_str(), L"DelegateExecute", REG_SZ, RuleText(L""), 0, nullptr, 0, 0, 0},
  };
  auto old_class = [&] {
    ASSERT_TRUE(SetString(command, L"", L"old")->Execute(&scratch_, nullptr));
    ASSERT_TRUE(SetString(OwnClass(L""), L"URL Protocol", L"")->Execute(&scratch_, nullptr));
  };
  struct Case {
    const char* what;
    std::function<void()> before;
    std::function<std::unique_ptr<Operation>()> operation;
  };
  const Case cases[] = {
      {"a copy over a file", [&] { Write(L"launcher.exe", "old"); },
       [&] { return std::make_unique<CopyFileOperation>(source, Path(L"launcher.exe")); }},
      {"a copy into new folders", [] {},
       [&] { return std::make_unique<CopyFileOperation>(source, Path(L"a\\b\\c.txt")); }},
      {"a shortcut replaced", [&] { ASSERT_TRUE(base::WriteFile(shortcut, "old")); },
       [&] { return std::make_unique<CopyFileOperation>(source, shortcut); }},
      {"a move over a file",
       [&] {
         Write(L"launcher.exe", "old");
         Write(L"52.0.2802.0\\launcher.exe", "new");
       },
       [&] {
         return std::make_unique<MoveFileOperation>(Path(L"52.0.2802.0\\launcher.exe"),
                                                    Path(L"launcher.exe"), folder_);
       }},
      {"a shortcut deleted", [&] { ASSERT_TRUE(base::WriteFile(shortcut, "old")); },
       [&] { return std::make_unique<DeleteFileOperation>(shortcut, false, false); }},
      {"a deletion", [&] { Write(L"launcher.exe", "old"); },
       [&] { return std::make_unique<DeleteFileOperation>(Path(L"launcher.exe"), false, false); }},
      {"a write over a file", [&] { Write(L"installation_status.json", "old"); },
       [&] {
         return std::make_unique<WriteFileOperation>(Path(L"installation_status.json"), "new");
       }},
      {"a key deleted with its subkeys", old_class,
       [&] { return std::make_unique<DeleteRegKeyOperation>(root_, OwnClass(L""), 0); }},
      {"registry rows in new keys", [] {},
       [&] { return std::make_unique<RegistryRulesOperation>(rows, nullptr, root_); }},
      {"registry rows over old values", old_class,
       [&] { return std::make_unique<RegistryRulesOperation>(rows, nullptr, root_); }},
  };
  auto state = [&] { return std::make_pair(State(), SnapshotFolder(desktop)); };
  for (const Case& test : cases) {
    for (size_t kill_at = 0;; ++kill_at) {
      SCOPED_TRACE(std::string(test.what) + ", killed at instant " + std::to_string(kill_at));
      registry_util::RegistryOverrideManager registry;
      ASSERT_TRUE(registry.OverrideRegistry(root_));
      // There on every machine.
      ASSERT_EQ(ERROR_SUCCESS, base::win::RegKey().Create(root_, L"Software\\Classes", KEY_WRITE));
      for (const base::FilePath& folder : {folder_, desktop}) {
        ASSERT_TRUE(base::DeleteFile(folder, /*recursive=*/true));
        ASSERT_TRUE(base::CreateDirectory(folder));
      }
      test.before();
      scratch_.Commit();
      const auto before = state();
      JournalKilledAt journal(
          InstallationJournal::Start(folder_, writers_, InstallationJournal::Role::kRun,
                                     &shortcuts),
          kill_at, [&] {
            Cleaner(&shortcuts).FinishInterruptedRun();
            EXPECT_EQ(before, state());
          });
      auto* run = new Transaction;  // Killed: neither committed nor rolled back.
      run->SetJournal(&journal);
      run->Execute(test.operation(), nullptr);
      const bool done_before_the_kill = !journal.killed();
      journal.KillNow();
      if (done_before_the_kill)
        break;
    }
  }
}

}  // namespace

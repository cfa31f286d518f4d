#include <windows.h>
#include <shellapi.h>

#include <memory>
#include <string>

#include "base/command_line.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/json/json_reader.h"
#include "base/json/string_escape.h"
#include "base/strings/utf_string_conversions.h"
#include "base/values.h"
#include "desktop/common/autoupdate/updatechecker/global_storage.h"
#include "desktop/windows/installer/service/installation.h"
#include "desktop/windows/installer/service/json_installation_status_writer.h"
#include "desktop/windows/installer/service/os_operations.h"
#include "desktop/windows/installer/service/test_support/fake_installation_folder_details.h"
#include "desktop/windows/installer/service/test_support/fake_os_operations.h"
#include "desktop/windows/installer/service/scheduled_tasks/test_support/fake_windows_task_scheduler.h"
#include "desktop/windows/installer/settings/test_support/fake_settings.h"
#include "desktop/windows/installer/steps/finalize/finalize_step.h"
#include "desktop/windows/installer/steps/finalize/remove_old_files_step.h"
#include "desktop/windows/installer/steps/finalize/remove_old_root_files_step.h"
#include "desktop/windows/installer/steps/finalize/uninstall_cleanup_step.h"
#include "desktop/windows/installer/steps/finalize/uninstall_finalize_step.h"
#include "desktop/windows/installer/steps/firewall/firewall_policy.h"
#include "desktop/windows/installer/steps/firewall/test_support/fake_firewall_policy.h"
#include "desktop/windows/installer/steps/test_support/fake_step_context.h"
#include "desktop/windows/installer/utils/product_info.h"
#include "desktop/windows/installer/utils/service_utils.h"
#include "desktop/windows/installer/utils/test_support/fake_security_util.h"
#include "desktop/windows/installer/utils/test_support/test_links.h"
#include "gtest/gtest.h"
#include "testing/registry_override.h"
#include "testing/scoped_log_capture.h"

namespace {

std::unique_ptr<FirewallPolicy> NoFirewall() {
  return nullptr;
}

class FinalizationStepsTest : public testing::Test {
 protected:
  FinalizationStepsTest()
      : product_info_(R"({"product_name": "Tarvo", "file_name_base": "tarvo",
                          "schedule_autoupdate_task": true})"),
        security_(&security_util_),
        context_(&settings_) {
    security_util_.SetUser(/*elevated=*/false, /*can_elevate=*/false);
    SetFirewallPolicyFactoryForTesting(&NoFirewall);
  }
  ~FinalizationStepsTest() override { SetFirewallPolicyFactoryForTesting(nullptr); }

  void SetUp() override {
    ASSERT_TRUE(temp_.CreateUniqueTempDir());
    root_ = temp_.GetPath().Append(L"Tarvo");
    ASSERT_TRUE(base::CreateDirectory(root_));
    context_.base_install_folder = root_;
    context_.install_folder = root_.Append(L"2.0");
    context_.finished_event = true;  // Never starts k.bat for real here.
  }

  // The installer preferences naming `path` as the profile folder.
  void WriteProfilePathPref(const std::string& path) {
    std::string quoted;
    ASSERT_TRUE(base::EscapeJSONString(path, /*put_in_quotes=*/true, &quoted));
    ASSERT_TRUE(base::WriteFile(root_.Append(L"installer_prefs.json"),
                                "{\"profile_path\": " + quoted + "}"));
  }
  base::FilePath Put(const std::wstring& relative) {
    const base::FilePath path = root_.Append(relative);
    EXPECT_TRUE(base::CreateDirectory(path.DirName()));
    EXPECT_TRUE(base::WriteFile(path, "x"));
    return path;
  }

  // An old status record of `subfolder` with `files`, as "old_status" keeps it.
  base::FilePath PutOldRecord(const std::wstring& name, const std::wstring& subfolder,
                              const std::vector<std::wstring>& files) {
    InstallationStatus record(INSTALLATION_STATUS_SOURCE_PRIMARY);
    record.app_id = L"OLD";
    record.subfolder = base::FilePath(subfolder);
    for (const std::wstring& file : files)
      record.files.push_back(base::FilePath(file));
    const base::FilePath path = root_.Append(L"old_status").Append(name);
    EXPECT_TRUE(base::CreateDirectory(path.DirName()));
    EXPECT_TRUE(WriteInstallationStatusAsJson(record, path));
    return path;
  }

  ScopedProductInfoForTesting product_info_;
  FakeSecurityUtil security_util_;
  ScopedSecurityUtilForTesting security_;
  FakeSettings settings_;
  FakeStepContext context_;
  base::ScopedTempDir temp_;
  base::FilePath root_;
};

TEST_F(FinalizationStepsTest, FinalizeCreatesTheAutoupdateTaskAndCountsAnErrorDown) {
  FakeTaskSchedulerWorld tasks;
  context_.installation_status.app_id = L"ABC";
  ASSERT_TRUE(base::WriteFile(root_.Append(L"installer_prefs.json"),
                              R"({"au_task_error_count": 2})"));
  settings_.flags[ALL_USERS_FLAG] = true;
  FinalizeStep step(&context_);
  EXPECT_EQ(STEP_OK, step.Run(0).status);
  ASSERT_EQ(1u, tasks.created.size());
  const ScheduledTaskInfo& info = tasks.created[0];
  EXPECT_EQ(L"Autoupdate ABC", info.name);
  EXPECT_EQ(1u, info.all_users);
  EXPECT_EQ(3600u, info.execution_time_limit);
  EXPECT_EQ(TASK_TRIGGER_KIND_DAILY, info.trigger_kind);
  EXPECT_TRUE(info.logon_trigger);
  EXPECT_TRUE(info.only_with_network);
  EXPECT_EQ(root_.Append(L"launcher.exe"), info.command_line.GetProgram());
  EXPECT_TRUE(info.command_line.HasSwitch("scheduledautoupdate"));
  EXPECT_EQ(L"sweep", tasks.calls[0]);
  std::string prefs;
  ASSERT_TRUE(base::ReadFileToString(root_.Append(L"installer_prefs.json"), &prefs));
  EXPECT_NE(std::string::npos, prefs.find("\"au_task_error_count\":1")) << prefs;
  // A count of 0, or none, stays as it is.
  for (const char* unchanged : {R"({"au_task_error_count": 0})", R"({"profile_path": "p"})"}) {
    ASSERT_TRUE(base::WriteFile(root_.Append(L"installer_prefs.json"), unchanged));
    EXPECT_EQ(STEP_OK, FinalizeStep(&context_).Run(0).status);
    ASSERT_TRUE(base::ReadFileToString(root_.Append(L"installer_prefs.json"), &prefs));
    EXPECT_EQ(unchanged, prefs);
  }
}

TEST_F(FinalizationStepsTest, FinalizeSkipsTheTaskWhenItMayNot) {
  FakeTaskSchedulerWorld tasks;
  // A current-user installation whose run has a finished event.
  FinalizeStep(&context_).Run(0);
  EXPECT_EQ(0, tasks.schedulers_made);
  settings_.flags[COPY_ONLY] = true;
  settings_.flags[ALL_USERS_FLAG] = true;
  FinalizeStep(&context_).Run(0);
  EXPECT_EQ(0, tasks.schedulers_made);
  // A scheduler that cannot start or a task that cannot be made never
  // fails the step, and leaves a zero error count alone. A task the system
  // cannot make at all is an expected condition, not an error.
  settings_.flags[COPY_ONLY] = false;
  tasks.create_result = TaskCreation::kFailed;
  {
    testing_support::ScopedLogCapture log;
    EXPECT_EQ(STEP_OK, FinalizeStep(&context_).Run(0).status);
    EXPECT_TRUE(log.Contains("Could not create scheduled task"));
  }
  tasks.create_result = TaskCreation::kUnsupported;
  {
    testing_support::ScopedLogCapture log;
    EXPECT_EQ(STEP_OK, FinalizeStep(&context_).Run(0).status);
    EXPECT_TRUE(log.Contains("does not implement"));
    EXPECT_FALSE(log.Contains("Could not create scheduled task"));
  }
  tasks.initialize_result = false;
  EXPECT_EQ(STEP_OK, FinalizeStep(&context_).Run(0).status);
  EXPECT_EQ(2u, tasks.created.size());
}

FakeFirewallPolicy::World* g_firewall = nullptr;

std::unique_ptr<FirewallPolicy> MakeFakeFirewall() {
  return std::make_unique<FakeFirewallPolicy>(g_firewall);
}

TEST_F(FinalizationStepsTest, FirewallRuleNeedsAnAdministrator) {
  FakeTaskSchedulerWorld tasks;
  FakeFirewallPolicy::World firewall;
  g_firewall = &firewall;
  SetFirewallPolicyFactoryForTesting(&MakeFakeFirewall);
  FinalizeStep(&context_).Run(0);
  EXPECT_TRUE(firewall.rules.empty());
  security_util_.SetUser(/*elevated=*/true, /*can_elevate=*/true);
  FinalizeStep(&context_).Run(0);
  ASSERT_EQ(1u, firewall.rules.size());
  EXPECT_EQ(root_.Append(L"2.0\\tarvo.exe").value(), firewall.rules[0]->application);

  // Removing an old installation's files removes its rule, not this one's.
  auto old_rule = std::make_shared<FirewallRuleSpec>();
  old_rule->name = L"old";
  old_rule->application = root_.Append(L"1.0\\TARVO.EXE").value();
  firewall.rules.push_back(old_rule);
  settings_.operation = INSTALL_OPERATION_UPGRADE;
  PutOldRecord(L"installation_status.json.1", L"1.0", {});
  {
    RemoveOldFilesStep step(&context_);
    step.Run(0);
  }
  ASSERT_EQ(1u, firewall.rules.size());
  EXPECT_EQ(root_.Append(L"2.0\\tarvo.exe").value(), firewall.rules[0]->application);
  g_firewall = nullptr;
}

TEST_F(FinalizationStepsTest, UpgradeKeepsARecordWithAFileInUse) {
  settings_.operation = INSTALL_OPERATION_UPGRADE;
  const base::FilePath a = Put(L"1.0\\a.dll");
  const base::FilePath b = Put(L"1.0\\b.dll");
  const base::FilePath record = PutOldRecord(L"installation_status.json.1", L"1.0",
                                             {L"a.dll", L"b.dll"});
  // Held without delete sharing: it can be neither renamed nor deleted.
  HANDLE held = CreateFileW(b.value().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, held);
  {
    RemoveOldFilesStep step(&context_);
    EXPECT_EQ(STEP_OK, step.Run(0).status);
  }
  EXPECT_TRUE(base::PathExists(a));
  EXPECT_TRUE(base::PathExists(b));
  EXPECT_TRUE(base::PathExists(record));

  // In an uninstall, what can go goes; the record stays for the file that
  // could not, and the next run takes it.
  settings_.operation = INSTALL_OPERATION_UNINSTALL;
  {
    RemoveOldFilesStep step(&context_);
    EXPECT_EQ(STEP_OK, step.Run(0).status);
  }
  CloseHandle(held);
  EXPECT_FALSE(base::PathExists(a));
  EXPECT_TRUE(base::PathExists(b));
  EXPECT_TRUE(base::PathExists(record));
  {
    RemoveOldFilesStep step(&context_);
    EXPECT_EQ(STEP_OK, step.Run(0).status);
  }
  EXPECT_FALSE(base::PathExists(b));
  EXPECT_FALSE(base::PathExists(record));
  EXPECT_FALSE(base::PathExists(root_.Append(L"old_status")));
}

TEST_F(FinalizationStepsTest, RecordsNamingFreshOrForeignFoldersAreKept) {
  settings_.operation = INSTALL_OPERATION_UPGRADE;
  const base::FilePath fresh = Put(L"2.0\\tarvo.exe");
  const base::FilePath outside = temp_.GetPath().Append(L"other\\x.dll");
  ASSERT_TRUE(base::CreateDirectory(outside.DirName()));
  ASSERT_TRUE(base::WriteFile(outside, "x"));
  const base::FilePath same = PutOldRecord(L"installation_status.json.1", L"2.0", {L"tarvo.exe"});
  const base::FilePath upper =
      PutOldRecord(L"installation_status.json.2", L"..\\other", {L"x.dll"});
  const base::FilePath old = Put(L"1.0\\tarvo.exe");
  const base::FilePath gone = PutOldRecord(L"installation_status.json.3", L"1.0", {L"tarvo.exe"});
  const base::FilePath junk = Put(L"old_status\\notes.txt");
  {
    RemoveOldFilesStep step(&context_);
    EXPECT_EQ(STEP_OK, step.Run(0).status);
  }
  EXPECT_TRUE(base::PathExists(fresh));
  EXPECT_TRUE(base::PathExists(same));
  EXPECT_TRUE(base::PathExists(outside));
  EXPECT_TRUE(base::PathExists(upper));
  EXPECT_TRUE(base::PathExists(junk));
  EXPECT_FALSE(base::PathExists(old));
  EXPECT_FALSE(base::PathExists(gone));
  // The old version's folder, emptied, goes with its files; the folders of
  // the records that were kept stay.
  EXPECT_FALSE(base::PathExists(old.DirName()));
  EXPECT_TRUE(base::PathExists(fresh.DirName()));
  EXPECT_TRUE(base::PathExists(root_));
}

// A planted old record reaches nothing through a link: not as its versioned
// folder, nor on the way to one of its files.
TEST_F(FinalizationStepsTest, OldRecordsReachNothingThroughALink) {
  const base::FilePath victim = temp_.GetPath().Append(L"victim\\precious.txt");
  ASSERT_TRUE(base::CreateDirectory(victim.DirName()));
  ASSERT_TRUE(base::WriteFile(victim, "x"));
  Put(L"1.1\\own.dll");
  TestLinks links;
  if (!links.Make(root_.Append(L"1.0"), victim.DirName()) ||
      !links.Make(root_.Append(L"1.1\\lnk"), victim.DirName())) {
    GTEST_SKIP() << "links cannot be made here";
  }
  PutOldRecord(L"installation_status.json.1", L"1.0", {L"precious.txt"});
  PutOldRecord(L"installation_status.json.2", L"1.1", {L"lnk\\precious.txt"});
  for (InstallOperation operation : {INSTALL_OPERATION_UPGRADE, INSTALL_OPERATION_UNINSTALL}) {
    settings_.operation = operation;
    RemoveOldFilesStep step(&context_);
    EXPECT_EQ(STEP_OK, step.Run(0).status);
  }
  EXPECT_TRUE(base::PathExists(victim));
}

TEST_F(FinalizationStepsTest, OldRootFilesGoUnlessPutThereAgain) {
  InstallationStatus existing(INSTALLATION_STATUS_SOURCE_PRIMARY);
  existing.root_files = {base::FilePath(L"old_helper.exe"), base::FilePath(L"Launcher.exe"),
                         base::FilePath(L"..\\outside.txt")};
  context_.existing_installation = &existing;
  context_.installation_status.root_files = {base::FilePath(L"launcher.exe")};
  const base::FilePath helper = Put(L"old_helper.exe");
  const base::FilePath launcher = Put(L"launcher.exe");
  const base::FilePath outside = temp_.GetPath().Append(L"outside.txt");
  ASSERT_TRUE(base::WriteFile(outside, "x"));
  {
    RemoveOldRootFilesStep step(&context_);
    EXPECT_EQ(STEP_OK, step.Run(0).status);
  }
  EXPECT_FALSE(base::PathExists(helper));
  EXPECT_TRUE(base::PathExists(launcher));
  EXPECT_TRUE(base::PathExists(outside));
}

TEST_F(FinalizationStepsTest, UninstallCleanupLeavesWhatIsInUseToTheBatchFile) {
  FakeTaskSchedulerWorld tasks;
  InstallationStatus existing(INSTALLATION_STATUS_SOURCE_PRIMARY);
  existing.app_id = L"ABC";
  existing.subfolder = base::FilePath(L"1.0");
  existing.files = {base::FilePath(L"tarvo.exe"), base::FilePath(L"locales\\en.pak"),
                    base::FilePath(L"swiftshader\\libegl.dll")};
  existing.root_files = {base::FilePath(L"notes.txt")};
  context_.existing_installation = &existing;
  context_.parent_pid = 4321;
  Put(L"1.0\\tarvo.exe");
  // A library in use can be renamed, not deleted; a file held without
  // delete sharing neither.
  const base::FilePath library = Put(L"1.0\\swiftshader\\libegl.dll");
  const base::FilePath pak = Put(L"1.0\\locales\\en.pak");
  const base::FilePath old_engine = Put(L"1.0\\installer_engine.dll.1700000000.old");
  Put(L"launcher.exe");
  Put(L"notes.txt");
  Put(L"installer_prefs.json");
  Put(L"installer_prefs.json.backup");
  Put(L"installer_prefs.json.bad");
  HANDLE held_pak = CreateFileW(pak.value().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, 0, nullptr);
  HANDLE held_library = CreateFileW(library.value().c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                    0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, held_pak);
  ASSERT_NE(INVALID_HANDLE_VALUE, held_library);
  {
    UninstallCleanupStep step(&context_);
    EXPECT_EQ(STEP_OK, step.Run(0).status);
  }
  CloseHandle(held_pak);
  CloseHandle(held_library);
  // The task goes only once the uninstall is final.
  EXPECT_TRUE(tasks.calls.empty());
  context_.RunFinalActions();
  std::vector<std::wstring> expected_calls = {L"sweep", L"delete Autoupdate ABC"};
  EXPECT_EQ(expected_calls, tasks.calls);
  EXPECT_FALSE(base::PathExists(root_.Append(L"1.0\\tarvo.exe")));
  EXPECT_FALSE(base::PathExists(root_.Append(L"launcher.exe")));
  EXPECT_FALSE(base::PathExists(root_.Append(L"notes.txt")));
  // The installer's own preferences stay for a later install, and a corrupt
  // copy kept aside for a later look is the user's to remove.
  EXPECT_TRUE(base::PathExists(root_.Append(L"installer_prefs.json")));
  EXPECT_TRUE(base::PathExists(root_.Append(L"installer_prefs.json.backup")));
  EXPECT_TRUE(base::PathExists(root_.Append(L"installer_prefs.json.bad")));
  EXPECT_FALSE(base::PathExists(library));
  EXPECT_TRUE(base::PathExists(pak));

  std::string batch;
  ASSERT_TRUE(base::ReadFileToString(root_.Append(L"k.bat"), &batch));
  const std::string root = base::WideToUTF8(root_.value());
  EXPECT_NE(std::string::npos, batch.find("SET PID3_RUNNING=TRUE\n"));
  EXPECT_NE(std::string::npos, batch.find("PID eq 4321"));
  EXPECT_EQ(std::string::npos, batch.find("PID2"));
  // Only copies moved aside, never a name a later installation may own.
  EXPECT_NE(std::string::npos, batch.find("del \"" + root + "\\1.0\\swiftshader\\libegl.dll."));
  EXPECT_EQ(std::string::npos, batch.find("en.pak"));
  EXPECT_NE(std::string::npos,
            batch.find("del \"" + base::WideToUTF8(old_engine.value()) + "\"\n"));
  // Children first, nothing above the installation folder; the folders of
  // deleted files too, for the batch file removes them once empty.
  EXPECT_NE(std::string::npos, batch.find("rmdir \"" + root + "\\1.0\\swiftshader\"\n"));
  const size_t locales = batch.find("rmdir \"" + root + "\\1.0\\locales\"\n");
  const size_t versioned = batch.find("rmdir \"" + root + "\\1.0\"\n");
  const size_t top = batch.find("& rmdir \"" + root + "\"\n");
  ASSERT_NE(std::string::npos, locales);
  ASSERT_NE(std::string::npos, versioned);
  ASSERT_NE(std::string::npos, top);
  EXPECT_LT(locales, versioned);
  EXPECT_LT(versioned, top);
  EXPECT_EQ(std::string::npos,
            batch.find("rmdir \"" + base::WideToUTF8(temp_.GetPath().value()) + "\"\n"));
}

TEST_F(FinalizationStepsTest, UninstallCleanupFollowsNoRecordOutOfTheFolder) {
  InstallationStatus existing(INSTALLATION_STATUS_SOURCE_PRIMARY);
  existing.subfolder = base::FilePath(L"..");
  existing.files = {base::FilePath(L"outside.txt")};
  existing.root_files = {base::FilePath(L"..\\outside2.txt")};
  context_.existing_installation = &existing;
  settings_.flags[COPY_ONLY] = true;
  const base::FilePath outside = temp_.GetPath().Append(L"outside.txt");
  const base::FilePath outside2 = temp_.GetPath().Append(L"outside2.txt");
  ASSERT_TRUE(base::WriteFile(outside, "x"));
  ASSERT_TRUE(base::WriteFile(outside2, "x"));
  {
    UninstallCleanupStep step(&context_);
    EXPECT_EQ(STEP_OK, step.Run(0).status);
  }
  EXPECT_TRUE(base::PathExists(outside));
  EXPECT_TRUE(base::PathExists(outside2));
}

TEST_F(FinalizationStepsTest, ProfileDeletionTakesOnlyThisUsersFolder) {
  FakeTaskSchedulerWorld tasks;
  settings_.flags[COPY_ONLY] = true;
  settings_.flags[DELETE_PROFILE] = true;
  std::wstring user;
  ASSERT_TRUE(GetCurrentUserName(&user));
  const base::FilePath profiles = temp_.GetPath().Append(L"Profiles");
  const base::FilePath mine = profiles.Append(user);
  const base::FilePath theirs = profiles.Append(L"someone_else");
  ASSERT_TRUE(base::CreateDirectory(mine.Append(L"Default")));
  ASSERT_TRUE(base::CreateDirectory(theirs));
  ASSERT_NO_FATAL_FAILURE(
      WriteProfilePathPref(base::WideToUTF8(profiles.value()) + "\\<USERNAME>"));
  InstallationStatus existing(INSTALLATION_STATUS_SOURCE_PRIMARY);
  context_.existing_installation = &existing;
  {
    UninstallCleanupStep step(&context_);
    EXPECT_EQ(STEP_OK, step.Run(0).status);
  }
  EXPECT_TRUE(base::PathExists(mine));
  context_.RunFinalActions();
  EXPECT_FALSE(base::PathExists(mine));
  EXPECT_TRUE(base::PathExists(theirs));
  EXPECT_TRUE(base::PathExists(profiles));
  EXPECT_EQ(0, tasks.schedulers_made);  // Copy-only: no task to remove.
}

TEST_F(FinalizationStepsTest, ProfileThatIsNotSafeToDeleteStays) {
  settings_.flags[COPY_ONLY] = true;
  settings_.flags[DELETE_PROFILE] = true;
  // A profile preference naming the installation folder itself.
  ASSERT_NO_FATAL_FAILURE(WriteProfilePathPref(base::WideToUTF8(root_.value())));
  const base::FilePath users_file = Put(L"Default\\Bookmarks");
  InstallationStatus existing(INSTALLATION_STATUS_SOURCE_PRIMARY);
  context_.existing_installation = &existing;
  {
    UninstallCleanupStep step(&context_);
    EXPECT_EQ(STEP_OK, step.Run(0).status);
  }
  context_.RunFinalActions();
  EXPECT_TRUE(base::PathExists(users_file));
}

TEST_F(FinalizationStepsTest, UninstallFinalizeFailsOnlyWhenTheStatusFileStays) {
  settings_.flags[COPY_ONLY] = true;
  const base::FilePath status = Put(L"installation_status.json");
  HANDLE held = CreateFileW(status.value().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, held);
  StepResult result = UninstallFinalizeStep(&context_).Run(0);
  EXPECT_EQ(STEP_FAILED, result.status);
  EXPECT_EQ(RESULT_UNINSTALL_FAILED, result.code);
  EXPECT_EQ("Failed to remove installation status file", result.detail);
  CloseHandle(held);
  EXPECT_EQ(STEP_OK, UninstallFinalizeStep(&context_).Run(0).status);
}

// As the started program sees its arguments.
std::vector<std::wstring> SplitCommandLine(const std::wstring& command_line) {
  int count = 0;
  wchar_t** args = CommandLineToArgvW(command_line.c_str(), &count);
  std::vector<std::wstring> result(args, args + count);
  LocalFree(args);
  return result;
}

std::vector<std::wstring>* g_launched = nullptr;

bool RecordLaunch(const std::wstring& command_line) {
  g_launched->push_back(command_line);
  return true;
}

class UninstallFinalizeTest : public FinalizationStepsTest {
 protected:
  void SetUp() override {
    FinalizationStepsTest::SetUp();
    auto os = std::make_unique<FakeOSOperations>();
    os->windows_version = base::win::VERSION_WIN10;
    os_ = os.get();
    OSOperations::SetInstanceForTesting(std::move(os));
    g_launched = &launched_;
    UninstallFinalizeStep::SetSurveyLauncherForTesting(&RecordLaunch);
    details_.is_http_handler = true;
    details_.welcome_url = "https://tarvo.example/welcome?campaign=a\"b";
    context_.folder_details = &details_;
  }
  void TearDown() override {
    UninstallFinalizeStep::SetSurveyLauncherForTesting(nullptr);
    g_launched = nullptr;
    OSOperations::ResetForTesting();
  }

  FakeOSOperations* os_ = nullptr;
  FakeInstallationFolderDetails details_;
  std::vector<std::wstring> launched_;
};

TEST_F(UninstallFinalizeTest, GivesTheRoleBackAndShowsTheSurvey) {
  ScopedProductInfoForTesting info(
      R"({"product_name": "Tarvo", "file_name_base": "tarvo",
          "urls": {"uninstall_survey": "https://tarvo.example/survey"}})");
  {
    UninstallFinalizeStep step(&context_);
    EXPECT_EQ(STEP_OK, step.Run(0).status);
  }
  const auto defaults = os_->CallsOf("SetAppAsDefault");
  ASSERT_EQ(4u, defaults.size());
  EXPECT_EQ(L"Internet Explorer", defaults[0].first);
  EXPECT_EQ(L".htm", defaults[0].second);
  EXPECT_EQ(L"https", defaults[3].second);
  ASSERT_EQ(1u, launched_.size());
  const std::vector<std::wstring> argv = SplitCommandLine(launched_[0]);
  ASSERT_EQ(3u, argv.size()) << launched_[0];
  EXPECT_EQ(L"-private", argv[1]);
  const std::wstring& url = argv[2];
  EXPECT_EQ(0u, url.find(L"https://tarvo.example/survey?version=")) << url;
  EXPECT_NE(std::wstring::npos, url.find(L"&uuid=")) << url;
  EXPECT_NE(std::wstring::npos, url.find(L"&campaign=a%22b")) << url;

  // Silent runs show no survey.
  context_.command_line.AppendSwitch("silent");
  UninstallFinalizeStep(&context_).Run(0);
  EXPECT_EQ(1u, launched_.size());
}

// The survey's "uuid" comes from the process's autoupdate storage, opened
// on the installation's profile: a value still waiting in the profile's
// fallback file is found, and the storage stays bound to that profile for
// the rest of the run.
TEST_F(UninstallFinalizeTest, SurveyTakesTheUuidFromTheProcessStorage) {
  registry_util::RegistryOverrideManager registry;
  ASSERT_TRUE(registry.OverrideRegistry(HKEY_CURRENT_USER));
  ScopedProductInfoForTesting info(
      R"({"product_name": "Tarvo", "file_name_base": "tarvo", "company_name": "Tarvo Software",
          "urls": {"uninstall_survey": "https://tarvo.example/survey"}})");
  const base::FilePath profile = temp_.GetPath().Append(L"profile");
  ASSERT_TRUE(base::CreateDirectory(profile));
  ASSERT_NO_FATAL_FAILURE(WriteProfilePathPref(base::WideToUTF8(profile.value())));
  const base::FilePath fallback = profile.Append(L"au_global_storage");
  ASSERT_TRUE(base::WriteFile(fallback, R"({"GS": {"UUID": "u-17"}})"));
  InstallationStatus existing(INSTALLATION_STATUS_SOURCE_PRIMARY);
  context_.existing_installation = &existing;
  {
    UninstallFinalizeStep step(&context_);
    EXPECT_EQ(STEP_OK, step.Run(0).status);
  }
  ASSERT_EQ(1u, launched_.size());
  EXPECT_NE(std::wstring::npos, launched_[0].find(L"&uuid=u-17")) << launched_[0];
  EXPECT_EQ(GlobalStorage::kSuccess, GlobalStorage::GetInstance()->SetValue("UUID", "u-18"));
  std::string text;
  ASSERT_TRUE(base::ReadFileToString(fallback, &text));
  EXPECT_NE(std::string::npos, text.find("u-18")) << text;
}

TEST_F(UninstallFinalizeTest, CopyOnlyStopsAfterTheStatusFile) {
  settings_.flags[COPY_ONLY] = true;
  const base::FilePath status = Put(L"installation_status.json");
  {
    UninstallFinalizeStep step(&context_);
    EXPECT_EQ(STEP_OK, step.Run(0).status);
  }
  EXPECT_FALSE(base::PathExists(status));
  EXPECT_TRUE(os_->calls().empty());
  EXPECT_TRUE(launched_.empty());
}

TEST(UninstallSurveyTest, CommandLineKeepsTheAddressOneArgument) {
  const base::FilePath ie(L"C:\\Program Files\\Internet Explorer\\iexplore.exe");
  const std::wstring command_line =
      BuildSurveyCommandLine(ie, "https://x/?a=\" --evil \"&b", /*private_window=*/true);
  EXPECT_EQ(L"\"C:\\Program Files\\Internet Explorer\\iexplore.exe\" -private "
            L"\"https://x/?a=%22 --evil %22&b\"",
            command_line);
  const std::vector<std::wstring> argv = SplitCommandLine(command_line);
  ASSERT_EQ(3u, argv.size());
  EXPECT_EQ(ie.value(), argv[0]);
  EXPECT_EQ(L"https://x/?a=%22 --evil %22&b", argv[2]);
}

}  // namespace

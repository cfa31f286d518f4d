#include "desktop/windows/installer/steps/folder_permission_helper.h"

#include <aclapi.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "base/command_line.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/process/launch.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "base/win/scoped_handle.h"
#include "desktop/windows/installer/signature_checker/test_support/scoped_trusted_test_root.h"
#include "desktop/windows/installer/steps/finalize/cleanup_batch_file.h"
#include "desktop/windows/installer/utils/acl_api.h"
#include "desktop/windows/installer/utils/installer_event_names.h"
#include "desktop/windows/installer/utils/service_utils.h"
#include "desktop/windows/installer/utils/test_support/fake_process_launcher.h"
#include "desktop/windows/installer/utils/test_support/file_change_probe.h"
#include "gtest/gtest.h"
#include "testing/test_child_process.h"

namespace {

// Reads for real; records the access lists written instead of writing them
// (the system under test does not enforce them anyway).
class RecordingAclApi : public AclApiImpl {
 public:
  DWORD WriteNamedSecurity(const std::wstring& /*name*/, SE_OBJECT_TYPE /*type*/,
                           SECURITY_INFORMATION /*info*/, PSID /*owner*/, PACL dacl) override {
    std::vector<char> bytes;
    if (dacl) {
      const char* start = reinterpret_cast<const char*>(dacl);
      bytes.assign(start, start + dacl->AclSize);
    }
    writes.push_back(bytes);
    return ERROR_SUCCESS;
  }
  std::vector<std::vector<char>> writes;
};

std::vector<char> CurrentDacl(const base::FilePath& folder) {
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  std::vector<char> bytes;
  if (GetNamedSecurityInfoW(folder.value().c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION,
                            nullptr, nullptr, &dacl, nullptr, &descriptor) == ERROR_SUCCESS) {
    if (dacl) {
      const char* start = reinterpret_cast<const char*>(dacl);
      bytes.assign(start, start + dacl->AclSize);
    }
    LocalFree(descriptor);
  }
  return bytes;
}

class FolderPermissionHelperTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(scratch_.CreateUniqueTempDir());
    folder_ = scratch_.GetPath().Append(L"Tarvo");
    ASSERT_TRUE(base::CreateDirectory(folder_));
    done_.Set(CreateEventW(nullptr, FALSE, FALSE, Name(kGivePermissionEventName, false).c_str()));
    undo_.Set(
        CreateEventW(nullptr, FALSE, FALSE, Name(kGivePermissionUndoEventName, false).c_str()));
    ASSERT_TRUE(done_.IsValid() && undo_.IsValid());
  }

  std::wstring Name(const wchar_t* event, bool global) {
    return MakeKernelObjectName(folder_.value(), event, global);
  }

  base::CommandLine HelperCommandLine(DWORD requester_pid) {
    base::CommandLine command_line(base::FilePath(L"installer.exe"));
    command_line.AppendSwitchPath("set-folder-permission", folder_);
    std::wstring user;
    GetCurrentUserName(&user);
    command_line.AppendSwitchNative("permissions-for-user", user);
    command_line.AppendSwitchASCII("initial-pid", std::to_string(requester_pid));
    return command_line;
  }

  // A process that runs until the test ends it (or 20 s have passed).
  base::Process StartRequester() {
    const std::wstring kNeverSet =
        L"Local\\TarvoTestNeverSet" + std::to_wstring(GetCurrentProcessId());
    never_set_.Set(CreateEventW(nullptr, TRUE, FALSE, kNeverSet.c_str()));
    base::LaunchOptions options;
    return base::LaunchProcess(testing_support::GetTestChildCommandLine(
                                   "fake_launched_process", L"--wait-event=" + kNeverSet),
                               options);
  }

  base::ScopedTempDir scratch_;
  base::FilePath folder_;
  base::win::ScopedHandle done_;
  base::win::ScopedHandle undo_;
  base::win::ScopedHandle never_set_;
  RecordingAclApi acl_;
  FakeProcessLauncher launcher_;
};

TEST_F(FolderPermissionHelperTest, WithoutUserNothingHappens) {
  base::CommandLine command_line(base::FilePath(L"installer.exe"));
  command_line.AppendSwitchPath("set-folder-permission", folder_);
  command_line.AppendSwitch("permanent-permissions");
  command_line.AppendSwitchPath("wait-for-package", folder_);
  FolderPermissionHelper(command_line, &acl_, &launcher_, /*signature_required=*/false).Run();
  EXPECT_TRUE(acl_.writes.empty());
  EXPECT_TRUE(launcher_.launched().empty());
  EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(done_.Get(), 0));
}

TEST_F(FolderPermissionHelperTest, PermanentGrantReturnsAtOnceAndStays) {
  base::CommandLine command_line = HelperCommandLine(GetCurrentProcessId());
  command_line.AppendSwitch("permanent-permissions");
  const base::FilePath missing = folder_.Append(L"new");
  command_line.AppendSwitchPath("set-folder-permission", missing);
  // The events belong to the folder given.
  base::win::ScopedHandle done(CreateEventW(
      nullptr, FALSE, FALSE,
      MakeKernelObjectName(missing.value(), kGivePermissionEventName, false).c_str()));
  base::win::ScopedHandle undo(CreateEventW(
      nullptr, FALSE, FALSE,
      MakeKernelObjectName(missing.value(), kGivePermissionUndoEventName, false).c_str()));
  FolderPermissionHelper(command_line, &acl_, &launcher_, /*signature_required=*/false).Run();
  EXPECT_TRUE(base::DirectoryExists(missing));  // made before the grant
  ASSERT_EQ(1u, acl_.writes.size());
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(done.Get(), 0));
}

// The grant lasts until Undo, or until the requester ends without it (a
// backend that died never sets Undo): the process "initial-pid" names or,
// when it names none, the process that started the helper. Either way the
// old list comes back. A requester of an earlier version names the events
// after the folder as spelt.
TEST_F(FolderPermissionHelperTest, GrantLastsUntilUndoOrTheRequestersEnd) {
  enum class Requester { kNamed, kAbsent, kEmpty };
  struct {
    Requester requester;
    bool undo;
    bool spelt_events;
  } cases[] = {{Requester::kNamed, true, false},
               {Requester::kNamed, false, false},
               {Requester::kAbsent, true, false},
               {Requester::kEmpty, false, false},
               {Requester::kNamed, true, true}};
  const std::vector<char> before = CurrentDacl(folder_);
  std::wstring spelling = base::ToLowerASCII(folder_.value()) + L"\\";
  std::replace(spelling.begin(), spelling.end(), L'\\', L'/');
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << static_cast<int>(c.requester) << " " << c.undo << " "
                                    << c.spelt_events);
    acl_.writes.clear();
    if (c.spelt_events) {
      for (base::win::ScopedHandle* event : {&done_, &undo_}) {
        const wchar_t* name = event == &done_ ? kGivePermissionEventName
                                              : kGivePermissionUndoEventName;
        event->Set(CreateEventW(
            nullptr, FALSE, FALSE,
            MakeKernelObjectNameOfSpelling(spelling, name, /*global=*/false).c_str()));
      }
    }
    base::Process requester = StartRequester();
    ASSERT_TRUE(requester.IsValid());
    base::CommandLine command_line = HelperCommandLine(requester.Pid());
    if (c.spelt_events)
      command_line.AppendSwitchNative("set-folder-permission", spelling);
    base::win::ScopedHandle starter;
    if (c.requester != Requester::kNamed) {
      command_line.RemoveSwitch("initial-pid");
      if (c.requester == Requester::kEmpty)
        command_line.AppendSwitch("initial-pid");
      starter.Set(OpenProcess(SYNCHRONIZE, FALSE, requester.Pid()));
    }
    FolderPermissionHelper helper(command_line, &acl_, &launcher_,
                                  /*signature_required=*/false, std::move(starter));
    helper.set_undo_grace_for_testing(base::TimeDelta());
    base::win::ScopedHandle finished(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    std::thread thread([&helper, &finished] {
      helper.Run();
      SetEvent(finished.Get());
    });
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(done_.Get(), 20000));
    // Held: neither was there yet.
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(finished.Get(), 700));
    EXPECT_EQ(1u, acl_.writes.size());
    if (c.undo)
      SetEvent(undo_.Get());
    else
      requester.Terminate(1, /*wait=*/true);
    EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), WaitForSingleObject(finished.Get(), 20000));
    thread.join();
    ASSERT_EQ(2u, acl_.writes.size());
    EXPECT_NE(before, acl_.writes[0]);  // the grant
    EXPECT_EQ(before, acl_.writes[1]);  // the old list back
    requester.Terminate(1, /*wait=*/true);
  }
}

class WaitingHelperTest : public FolderPermissionHelperTest {
 protected:
  void SetUp() override {
    FolderPermissionHelperTest::SetUp();
    ready_.Set(CreateEventW(nullptr, TRUE, FALSE, Name(kPackageReadyEventName, true).c_str()));
    interrupted_.Set(
        CreateEventW(nullptr, TRUE, FALSE, Name(kInterruptedEventName, true).c_str()));
    package_ = scratch_.GetPath().Append(L"package");
    ASSERT_TRUE(base::CreateDirectory(package_));
  }

  base::CommandLine WaitingCommandLine(DWORD requester_pid) {
    base::CommandLine command_line = HelperCommandLine(requester_pid);
    command_line.AppendSwitchPath("wait-for-package", package_);
    command_line.AppendSwitch("permanent-permissions");
    command_line.AppendSwitchASCII("crash-reporter-pid", "77");
    return command_line;
  }

  base::win::ScopedHandle ready_;
  base::win::ScopedHandle interrupted_;
  base::FilePath package_;
};

TEST_F(WaitingHelperTest, InstallerEndingFirstLaunchesNothing) {
  base::Process requester = StartRequester();
  FolderPermissionHelper helper(WaitingCommandLine(requester.Pid()), &acl_, &launcher_, /*signature_required=*/false);
  requester.Terminate(1, /*wait=*/true);
  helper.Run();
  EXPECT_TRUE(launcher_.launched().empty());
  EXPECT_TRUE(acl_.writes.empty());
}

TEST_F(WaitingHelperTest, PackageReadyStartsTheNamedInstallerOnly) {
  SetEvent(ready_.Get());
  // No installer.exe in the package folder yet: nothing found elsewhere.
  FolderPermissionHelper(WaitingCommandLine(GetCurrentProcessId()), &acl_, &launcher_,
                         /*signature_required=*/false)
      .Run();
  EXPECT_TRUE(launcher_.launched().empty());
  // Without its engine beside it the installer is not started either.
  const base::FilePath program = package_.Append(L"installer.exe");
  const base::FilePath engine = package_.Append(L"installer_engine.dll");
  ASSERT_TRUE(base::WriteFile(program, "MZ"));
  FolderPermissionHelper(WaitingCommandLine(GetCurrentProcessId()), &acl_, &launcher_,
                         /*signature_required=*/false)
      .Run();
  EXPECT_TRUE(launcher_.launched().empty());

  ASSERT_TRUE(base::WriteFile(engine, "MZ"));
  bool changeable_at_start = true;
  launcher_.ExitNextWith(0, [&](const base::CommandLine&) {
    changeable_at_start = CanBeChanged(program) || CanBeChanged(engine);
  });
  FolderPermissionHelper(WaitingCommandLine(GetCurrentProcessId()), &acl_, &launcher_,
                         /*signature_required=*/false)
      .Run();
  ASSERT_EQ(1u, launcher_.launched().size());
  // What starts is what was checked: neither file can change meanwhile.
  EXPECT_FALSE(changeable_at_start);
  EXPECT_TRUE(CanBeChanged(program));  // let go once the helper has ended
  const base::CommandLine& started = launcher_.launched()[0].command_line;
  EXPECT_EQ(program, started.GetProgram());
  EXPECT_EQ(folder_.value(), started.GetSwitchValueNative("set-folder-permission"));
  EXPECT_TRUE(started.HasSwitch("permissions-for-user"));
  EXPECT_TRUE(started.HasSwitch("permanent-permissions"));
  EXPECT_EQ("77", started.GetSwitchValueASCII("crash-reporter-pid"));
  EXPECT_EQ(std::to_string(GetCurrentProcessId()), started.GetSwitchValueASCII("initial-pid"));
  // The started helper grants: it has no wait-for-package.
  EXPECT_FALSE(started.HasSwitch("wait-for-package"));
  EXPECT_TRUE(acl_.writes.empty());
}

// A signed helper starts, elevated, only an installer and an engine that
// both carry the expected signer.
TEST_F(WaitingHelperTest, ASignedHelperStartsOnlyTheExpectedSignersInstaller) {
  ScopedTrustedTestRoot root;
  SetEvent(ready_.Get());
  struct Case {
    const wchar_t* program;
    const wchar_t* engine;
    bool started;
  };
  for (const Case& c : {Case{L"unsigned.exe", L"expected.exe", false},
                        Case{L"other.exe", L"expected.exe", false},
                        Case{L"expected.exe", L"unsigned.exe", false},
                        Case{L"expected.exe", L"selfsigned.exe", false},
                        Case{L"expected.exe", L"expected.exe", true}}) {
    ASSERT_TRUE(
        base::CopyFile(SignedTestFile(c.program), package_.Append(L"installer.exe")));
    ASSERT_TRUE(
        base::CopyFile(SignedTestFile(c.engine), package_.Append(L"installer_engine.dll")));
    const size_t before = launcher_.launched().size();
    FolderPermissionHelper(WaitingCommandLine(GetCurrentProcessId()), &acl_, &launcher_,
                           /*signature_required=*/true)
        .Run();
    EXPECT_EQ(c.started ? before + 1 : before, launcher_.launched().size())
        << c.program << " " << c.engine;
  }
}

class UninstallBatTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(scratch_.CreateUniqueTempDir());
    folder_ = scratch_.GetPath().Append(L"Tarvo");
    batch_ = folder_.Append(L"k.bat");
    ASSERT_TRUE(base::CreateDirectory(folder_.Append(L"51.0")));
  }

  // What the unelevated uninstall writes: a file in use and the folders.
  std::string Written() {
    CleanupBatchFile batch(folder_);
    batch.SetProcess(1, 100);
    batch.SetProcess(3, 300);
    batch.AddFile(folder_.Append(L"51.0\\installer.exe.1700000000.old"));
    batch.AddFolderAndAncestors(folder_.Append(L"51.0"));
    return batch.GetContents(CP_OEMCP);
  }

  base::ScopedTempDir scratch_;
  base::FilePath folder_;
  base::FilePath batch_;
  FakeProcessLauncher launcher_;
  ScopedProcessLauncherForTesting scoped_{&launcher_};
};

// The elevated helper starts the file hidden, as a file of its own: the
// unelevated side kept a second name (a hard link) for the one it wrote,
// and writing through that name no longer changes what runs.
TEST_F(UninstallBatTest, StartsItsOwnCopyOfACleanupBatchFile) {
  RunUninstallBat(folder_);
  EXPECT_TRUE(launcher_.launched().empty());

  const std::string text = Written();
  ASSERT_TRUE(base::WriteFile(batch_, text));
  const base::FilePath link = scratch_.GetPath().Append(L"kept.bat");
  ASSERT_TRUE(CreateHardLinkW(link.value().c_str(), batch_.value().c_str(), nullptr));
  RunUninstallBat(folder_);
  ASSERT_EQ(1u, launcher_.launched().size());
  EXPECT_EQ(LaunchStyle::kHidden, launcher_.launched()[0].style);
  EXPECT_EQ(batch_, launcher_.launched()[0].command_line.GetProgram());
  ASSERT_TRUE(base::WriteFile(link, "start evil.exe\n"));
  std::string run;
  ASSERT_TRUE(base::ReadFileToString(batch_, &run));
  EXPECT_EQ(text, run);
}

// Whatever else the unelevated side put into the file, nothing runs.
TEST_F(UninstallBatTest, AChangedBatchFileIsNeverStarted) {
  const std::string text = Written();
  const std::string wait_end = "IF %WAITED% LSS 1800 IF %PID3_RUNNING%==TRUE GOTO :again\n";
  const size_t files = text.find(wait_end) + wait_end.size();
  const std::string folder = base::WideToUTF8(folder_.value());
  const base::FilePath outside = scratch_.GetPath().Append(L"victim.dll");
  ASSERT_TRUE(base::WriteFile(outside, "x"));
  const std::string changed[] = {
      text.substr(0, files) + "start evil.exe\n" + text.substr(files),
      text.substr(0, files) + "del \"" + base::WideToUTF8(outside.value()) + "\"\n" +
          text.substr(files),
      text.substr(0, files) + "del \"" + folder + "\\51.0\\..\\..\\victim.dll\"\n" +
          text.substr(files),
      text.substr(0, files) + "del \"" + folder + "\\a\" & evil.exe & \"b\"\n" +
          text.substr(files),
      text.substr(0, files) + "del \"" + folder + "\\%PATH%\"\n" + text.substr(files),
      // A name a later installation may own by the time the file runs.
      text.substr(0, files) + "del \"" + folder + "\\51.0\\installer.exe\"\n" +
          text.substr(files),
      text.substr(0, files) + "rmdir /s /q \"" + folder + "\\51.0\"\n" + text.substr(files),
      // The wait loop itself: one that never ends, or an extra command.
      "SET PID1_RUNNING=TRUE\n:again\nping -n 2 127.0.0.1\n"
      "IF %PID1_RUNNING%==TRUE GOTO :again\ndel %0\n",
      std::string(text).replace(text.find("PID eq 100"), 10, "PID eq 100 & evil"),
      text + "evil.exe\n",
      text.substr(0, text.size() - 1) + "\r\n",
      std::string(text).replace(text.rfind(folder), folder.size(),
                                base::WideToUTF8(scratch_.GetPath().value())),
  };
  for (const std::string& content : changed) {
    ASSERT_TRUE(base::WriteFile(batch_, content));
    RunUninstallBat(folder_);
    EXPECT_TRUE(launcher_.launched().empty()) << content;
  }
  EXPECT_TRUE(base::PathExists(outside));
}

}  // namespace

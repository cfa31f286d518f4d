#include "desktop/windows/installer/steps/folder_permission_helper.h"

#include <aclapi.h>

#include <string>
#include <thread>
#include <vector>

#include "base/command_line.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/process/launch.h"
#include "base/win/scoped_handle.h"
#include "desktop/windows/installer/signature_checker/test_support/scoped_trusted_test_root.h"
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

TEST_F(FolderPermissionHelperTest, UndoRestoresTheOldList) {
  const std::vector<char> before = CurrentDacl(folder_);
  FolderPermissionHelper helper(HelperCommandLine(GetCurrentProcessId()), &acl_, &launcher_, /*signature_required=*/false);
  helper.set_undo_grace_for_testing(base::TimeDelta());
  std::thread thread([&helper] { helper.Run(); });
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(done_.Get(), 20000));
  SetEvent(undo_.Get());
  thread.join();
  ASSERT_EQ(2u, acl_.writes.size());
  EXPECT_NE(before, acl_.writes[0]);  // the grant
  EXPECT_EQ(before, acl_.writes[1]);  // the old list back
}

// A backend that dies never sets Undo: the helper watches it and takes the
// grant back instead of holding it for ever.
TEST_F(FolderPermissionHelperTest, RequesterEndingRestoresTheOldList) {
  const std::vector<char> before = CurrentDacl(folder_);
  base::Process requester = StartRequester();
  ASSERT_TRUE(requester.IsValid());
  FolderPermissionHelper helper(HelperCommandLine(requester.Pid()), &acl_, &launcher_, /*signature_required=*/false);
  std::thread thread([&helper] { helper.Run(); });
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(done_.Get(), 20000));
  // Still waiting for Undo or the requester.
  EXPECT_EQ(1u, acl_.writes.size());
  requester.Terminate(1, /*wait=*/true);
  thread.join();
  ASSERT_EQ(2u, acl_.writes.size());
  EXPECT_EQ(before, acl_.writes[1]);
  EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(undo_.Get(), 0));
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

TEST(UninstallBatTest, StartsOnlyAnExistingBatchFile) {
  base::ScopedTempDir scratch;
  ASSERT_TRUE(scratch.CreateUniqueTempDir());
  FakeProcessLauncher launcher;
  ScopedProcessLauncherForTesting scoped(&launcher);
  RunUninstallBat(scratch.GetPath());
  EXPECT_TRUE(launcher.launched().empty());
  ASSERT_TRUE(base::WriteFile(scratch.GetPath().Append(L"k.bat"), "@exit 0\r\n"));
  RunUninstallBat(scratch.GetPath());
  ASSERT_EQ(1u, launcher.launched().size());
  EXPECT_EQ(LaunchStyle::kHidden, launcher.launched()[0].style);
  EXPECT_EQ(scratch.GetPath().Append(L"k.bat"), launcher.launched()[0].command_line.GetProgram());
}

}  // namespace

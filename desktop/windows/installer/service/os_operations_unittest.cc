#include "desktop/windows/installer/service/os_operations.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "base/command_line.h"
#include "base/files/scoped_temp_dir.h"
#include "base/win/registry.h"
#include "desktop/windows/installer/service/drive_enumerator.h"
#include "desktop/windows/installer/service/drive_info.h"
#include "desktop/windows/installer/service/installation.h"
#include "desktop/windows/installer/service/os_operations_impl.h"
#include "desktop/windows/installer/service/registry_key_enumerator.h"
#include "desktop/windows/installer/service/registry_key_node.h"
#include "desktop/windows/installer/service/test_support/fake_os_operations.h"
#include "desktop/windows/installer/service/transactions/test_support/scratch_snapshot.h"
#include "desktop/windows/installer/utils/app_output_runner.h"
#include "gtest/gtest.h"
#include "testing/registry_override.h"

namespace {

std::vector<std::wstring> SubkeyNames(const RegistryKeyNode& node) {
  std::vector<std::wstring> names;
  std::unique_ptr<RegistryKeyEnumerator> enumerator = node.CreateSubkeyEnumerator();
  while (std::unique_ptr<RegistryKeyNode> child = enumerator->Next()) names.push_back(child->GetName());
  return names;
}

TEST(RegistryKeyNodeTest, WalksKeysAndReadsStrings) {
  registry_util::RegistryOverrideManager registry;
  ASSERT_TRUE(registry.OverrideRegistry(HKEY_CURRENT_USER));
  base::win::RegKey key;
  ASSERT_EQ(ERROR_SUCCESS, key.Create(HKEY_CURRENT_USER, L"Software\\T\\a", KEY_ALL_ACCESS));
  ASSERT_EQ(ERROR_SUCCESS, key.WriteValue(L"path", L"C:\\Tarvo"));
  ASSERT_EQ(ERROR_SUCCESS, key.WriteValue(L"number", DWORD{7}));
  ASSERT_EQ(ERROR_SUCCESS, key.Create(HKEY_CURRENT_USER, L"Software\\T\\b\\c", KEY_ALL_ACCESS));

  OSOperationsImpl os;
  std::unique_ptr<RegistryKeyNode> root = os.OpenRegistryKey(HKEY_CURRENT_USER, L"Software\\T",
                                                             KEY_READ);
  ASSERT_TRUE(root->IsValid());
  EXPECT_EQ(L"T", root->GetName());
  EXPECT_EQ((std::vector<std::wstring>{L"a", L"b"}), SubkeyNames(*root));

  std::unique_ptr<RegistryKeyNode> a = root->CreateSubkeyEnumerator()->Next();
  ASSERT_TRUE(a && a->IsValid());
  EXPECT_EQ(L"Software\\T\\a", a->path());
  EXPECT_EQ(HKEY_CURRENT_USER, a->root());
  std::wstring value;
  EXPECT_TRUE(a->ReadValue(L"path", &value));
  EXPECT_EQ(L"C:\\Tarvo", value);
  EXPECT_TRUE(a->HasValue(L"number"));
  EXPECT_FALSE(a->ReadValue(L"number", &value));
  EXPECT_FALSE(a->HasValue(L"missing"));
  EXPECT_TRUE(SubkeyNames(*a).empty());

  // A missing key: not valid, no subkeys, no values.
  std::unique_ptr<RegistryKeyNode> missing =
      os.OpenRegistryKey(HKEY_CURRENT_USER, L"Software\\Missing", KEY_READ);
  EXPECT_FALSE(missing->IsValid());
  EXPECT_FALSE(missing->HasValue(L"path"));
  EXPECT_TRUE(SubkeyNames(*missing).empty());
  EXPECT_EQ(L"NoSeparator", RegistryKeyNode(HKEY_CURRENT_USER, L"NoSeparator", KEY_READ).GetName());
}

TEST(RegistryKeyEnumeratorTest, EndsForGoodAfterTheLastKey) {
  registry_util::RegistryOverrideManager registry;
  ASSERT_TRUE(registry.OverrideRegistry(HKEY_CURRENT_USER));
  base::win::RegKey key;
  ASSERT_EQ(ERROR_SUCCESS, key.Create(HKEY_CURRENT_USER, L"Software\\T\\only", KEY_ALL_ACCESS));
  RegistryKeyEnumerator enumerator(HKEY_CURRENT_USER, L"Software\\T", KEY_READ);
  EXPECT_NE(nullptr, enumerator.Next());
  EXPECT_EQ(nullptr, enumerator.Next());
  // A key added later is not picked up by an ended enumeration.
  ASSERT_EQ(ERROR_SUCCESS, key.Create(HKEY_CURRENT_USER, L"Software\\T\\zlater", KEY_ALL_ACCESS));
  EXPECT_EQ(nullptr, enumerator.Next());
}

TEST(DriveEnumeratorTest, GivesTheMasksLettersInOrder) {
  DriveEnumerator enumerator((1u << 2) | (1u << 4));
  std::unique_ptr<DriveInfo> c = enumerator.Next();
  ASSERT_NE(nullptr, c);
  EXPECT_EQ(L'C', c->letter());
  EXPECT_EQ(base::FilePath(L"C:\\"), c->GetRootPath());
  std::unique_ptr<DriveInfo> e = enumerator.Next();
  ASSERT_NE(nullptr, e);
  EXPECT_EQ(L'E', e->letter());
  EXPECT_EQ(nullptr, enumerator.Next());
  EXPECT_EQ(nullptr, enumerator.Next());

  DriveEnumerator all_letters(0x03FFFFFF);
  int count = 0;
  while (all_letters.Next()) ++count;
  EXPECT_EQ(26, count);
  EXPECT_EQ(nullptr, DriveEnumerator(0).Next());
}

// The real enumerator walks exactly the system's drive letters, and each
// drive answers its own type: the system drive is a fixed disk, a letter
// nothing is mapped to has no root and no medium.
TEST(DriveEnumeratorTest, RealDrivesAnswerTheirType) {
  wchar_t windows[MAX_PATH];
  ASSERT_GT(::GetWindowsDirectoryW(windows, MAX_PATH), 0u);
  const DWORD mapped = ::GetLogicalDrives();
  std::wstring expected_letters;
  for (int i = 0; i < 26; ++i) {
    if (mapped & (1u << i))
      expected_letters.push_back(static_cast<wchar_t>(L'A' + i));
  }
  DriveEnumerator enumerator;
  std::wstring letters;
  while (std::unique_ptr<DriveInfo> drive = enumerator.Next()) {
    letters.push_back(drive->letter());
    if (drive->letter() == ::towupper(windows[0]))
      EXPECT_EQ(static_cast<UINT>(DRIVE_FIXED), drive->GetDriveType());
  }
  EXPECT_EQ(expected_letters, letters);
  wchar_t unmapped = 0;
  for (int i = 25; i >= 0 && !unmapped; --i) {
    if (!(mapped & (1u << i)))
      unmapped = static_cast<wchar_t>(L'A' + i);
  }
  ASSERT_NE(0, unmapped);
  EXPECT_EQ(static_cast<UINT>(DRIVE_NO_ROOT_DIR), DriveInfo(unmapped).GetDriveType());
  EXPECT_FALSE(DriveInfo(unmapped).IsMediaPresent());
}

class ScriptedRunner : public AppOutputRunner {
 public:
  bool Run(const base::CommandLine& command_line, std::string* output) override {
    ran = command_line.GetCommandLineString();
    *output = "out";
    return succeeds;
  }
  std::wstring ran;
  bool succeeds = true;
};

TEST(OSOperationsImplTest, CommandOutputThroughTheRunner) {
  auto runner = std::make_unique<ScriptedRunner>();
  ScriptedRunner* scripted = runner.get();
  OSOperationsImpl os(std::move(runner));
  std::string output;
  base::CommandLine command_line(base::FilePath(L"C:\\x\\installer.exe"));
  EXPECT_TRUE(os.GetCommandOutput(command_line, &output));
  EXPECT_EQ("out", output);
  EXPECT_EQ(command_line.GetCommandLineString(), scripted->ran);
  scripted->succeeds = false;
  EXPECT_FALSE(os.GetCommandOutput(command_line, &output));
}

class BrowserRegistrationTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(registry_.OverrideRegistry(HKEY_CURRENT_USER));
    ASSERT_TRUE(registry_.OverrideRegistry(HKEY_LOCAL_MACHINE));
    ASSERT_TRUE(folder_.CreateUniqueTempDir());
    auto os = std::make_unique<FakeOSOperations>();
    os_ = os.get();
    OSOperations::SetInstanceForTesting(std::move(os));
    request_.folder = folder_.GetPath();
    status_.app_id = L"REG";
  }
  void TearDown() override { OSOperations::ResetForTesting(); }

  bool HandlerClassWritten() const {
    return base::win::RegKey(HKEY_CURRENT_USER,
                             L"Software\\Classes\\TarvoSoftware.TarvoWebBrowser.REG", KEY_READ)
        .Valid();
  }

  registry_util::RegistryOverrideManager registry_;
  base::ScopedTempDir folder_;
  FakeOSOperations* os_ = nullptr;
  BrowserRegistrationRequest request_;
  InstallationStatus status_{INSTALLATION_STATUS_SOURCE_PRIMARY};
};

TEST_F(BrowserRegistrationTest, CopyOnlyRegistersNothing) {
  request_.copy_only = true;
  request_.default_browser = true;
  const auto before = SnapshotRegistryKey(HKEY_CURRENT_USER, L"Software");
  os_->SetUpBrowserRegistration(request_, &status_);
  EXPECT_EQ(before, SnapshotRegistryKey(HKEY_CURRENT_USER, L"Software"));
  EXPECT_TRUE(os_->calls().empty());
}

TEST_F(BrowserRegistrationTest, Windows10WithoutInternetExplorerLeavesSilentRunsAlone) {
  os_->windows_version = base::win::VERSION_WIN10;
  os_->internet_explorer_available = false;
  request_.silent = true;
  os_->SetUpBrowserRegistration(request_, &status_);
  EXPECT_FALSE(HandlerClassWritten());
  request_.silent = false;
  request_.folder_is_http_handler = true;
  os_->SetUpBrowserRegistration(request_, &status_);
  EXPECT_FALSE(HandlerClassWritten());
  EXPECT_TRUE(os_->calls().empty());

  request_.folder_is_http_handler = false;
  os_->SetUpBrowserRegistration(request_, &status_);
  EXPECT_TRUE(HandlerClassWritten());
}

TEST_F(BrowserRegistrationTest, FileHandlersOnlyUnlessDefaultBrowserIsAsked) {
  os_->SetUpBrowserRegistration(request_, &status_);
  EXPECT_TRUE(HandlerClassWritten());
  EXPECT_FALSE(base::win::RegKey(HKEY_CURRENT_USER, L"Software\\Classes\\http", KEY_READ).Valid());
  EXPECT_EQ(1u, os_->CallsOf("NotifyAssociationsChanged").size());

  request_.default_browser = true;
  request_.all_users = true;
  os_->SetUpBrowserRegistration(request_, &status_);
  // Both the machine and the user get the protocol classes.
  EXPECT_TRUE(base::win::RegKey(HKEY_LOCAL_MACHINE, L"Software\\Classes\\http", KEY_READ).Valid());
  EXPECT_TRUE(base::win::RegKey(HKEY_CURRENT_USER, L"Software\\Classes\\http", KEY_READ).Valid());
}

}  // namespace

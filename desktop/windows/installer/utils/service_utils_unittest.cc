#include "desktop/windows/installer/utils/service_utils.h"

#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "base/base_paths.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/path_service.h"
#include "base/strings/string_util.h"
#include "base/test/scoped_path_override.h"
#include "base/win/scoped_com_initializer.h"
#include "base/win/shortcut.h"
#include "desktop/windows/installer/utils/product_info.h"
#include "gtest/gtest.h"

namespace {

using base::FilePath;

TEST(ServiceUtilsTest, NamesAndKeys) {
  {
    ScopedProductInfoForTesting info(R"({"company_name": "Tarv\u00f6 AS"})");
    EXPECT_EQ(L"Software\\Tarv\x00f6 AS", GetCompanyRegistryKey());
  }
  // Named after the folder's key; the spelling as given only on request.
  EXPECT_EQ(L"Global\\TarvoInstaller/PackageReady/C:/PROGRAM FILES/TARVO",
            MakeKernelObjectName(L"c:/Program Files\\Tarvo", L"TarvoInstaller/PackageReady",
                                 /*global=*/true));
  EXPECT_EQ(L"Local\\TarvoInstaller/PackageReady/c:/Program Files//Tarvo",
            MakeKernelObjectNameOfSpelling(L"c:/Program Files\\\\Tarvo",
                                           L"TarvoInstaller/PackageReady", /*global=*/false));
  EXPECT_EQ("Developer", GetStreamName());
  EXPECT_EQ(product_info::GetChannelName(), GetStreamNameForNumber(5));
  std::wstring name = L"stale";
  RegistryRootName(HKEY_CURRENT_CONFIG, L"System", &name);
  EXPECT_EQ(L"System", name);
  RegistryRootName(HKEY_LOCAL_MACHINE, L"Software\\x", &name);
  EXPECT_EQ(L"MACHINE\\Software\\x", name);
  HKEY root = nullptr;
  std::wstring key_path;
  ASSERT_TRUE(SplitRegistryObjectName(L"machine\\Software\\x", &root, &key_path));
  EXPECT_EQ(HKEY_LOCAL_MACHINE, root);
  EXPECT_EQ(L"Software\\x", key_path);
  EXPECT_FALSE(SplitRegistryObjectName(L"MACHINE", &root, &key_path));
  EXPECT_FALSE(SplitRegistryObjectName(L"CONFIG\\System", &root, &key_path));
  // An empty association name is neither kind.
  EXPECT_FALSE(IsProtocolName(L""));
  EXPECT_FALSE(IsFileExtension(L""));
}

TEST(ServiceUtilsTest, FileSystemPathLengthLimits) {
  const std::wstring prefix = L"C:\\";
  EXPECT_TRUE(IsValidFileSystemPath(prefix + std::wstring(256, L'a'), false));  // 259
  EXPECT_FALSE(IsValidFileSystemPath(prefix + std::wstring(257, L'a'), false));  // 260
  EXPECT_TRUE(IsValidFileSystemPath(prefix + std::wstring(244, L'a'), true));  // 247
  EXPECT_FALSE(IsValidFileSystemPath(prefix + std::wstring(245, L'a'), true));  // 248
  EXPECT_FALSE(IsValidFileSystemPath(L"", false));
  EXPECT_FALSE(IsValidFileSystemPath(L"", true));
}

TEST(ServiceUtilsTest, FileSystemPathComponents) {
  for (const wchar_t* path :
       {L"C:", L"C:\\", L"C:\\Program Files\\Tarvo", L"C:\\a\\\\b", L"d:/x/y", L"relative\\x",
        L"C:\\console\\x", L"C:\\com10", L"C:\\.git", L"\\\\server\\share\\", L"\\\\server\\share\\x",
        L"C:\\a b\\c.d"}) {
    EXPECT_TRUE(IsValidFileSystemPath(path, true)) << path;
  }
  for (const wchar_t* path :
       {L"C:\\con.txt", L"C:\\a\\lpt1", L"C:\\COM9\\x", L"C:\\LPT9.log", L"C:\\Aux", L"C:\\a:b",
        L"C:\\a\\b:stream", L"C:\\a?", L"C:\\a*", L"C:\\\"a\"", L"C:\\a<b", L"C:\\a|b",
        L"C:\\a\tb", L"C:\\ a", L"C:\\a \\b", L"C:\\a.", L"C:\\a\\..\\b", L"C:\\.",
        L"\\\\server", L"\\\\server\\share", L"\\\\\\share\\x", L"\\\\server\\\\x"}) {
    EXPECT_FALSE(IsValidFileSystemPath(path, false)) << path;
  }
}

// Scripted SHGetKnownFolderPath: fails until the flags hold `succeed_flags`.
struct KnownFolderScript {
  static std::vector<DWORD> calls;
  static std::map<std::wstring, std::wstring> answers;  // folder id text -> path
  static DWORD succeed_flags;

  static std::wstring Key(REFKNOWNFOLDERID id) {
    wchar_t text[64] = {};
    ::StringFromGUID2(id, text, 64);
    return text;
  }
  static HRESULT WINAPI Function(REFKNOWNFOLDERID id, DWORD flags, HANDLE, PWSTR* path) {
    calls.push_back(flags);
    *path = nullptr;
    auto it = answers.find(Key(id));
    if (it == answers.end()) return E_INVALIDARG;
    if ((flags & succeed_flags) != succeed_flags) return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    const size_t bytes = (it->second.size() + 1) * sizeof(wchar_t);
    *path = static_cast<PWSTR>(::CoTaskMemAlloc(bytes));
    memcpy(*path, it->second.c_str(), bytes);
    return S_OK;
  }
};
std::vector<DWORD> KnownFolderScript::calls;
std::map<std::wstring, std::wstring> KnownFolderScript::answers;
DWORD KnownFolderScript::succeed_flags = 0;

class KnownFolderTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(temp_.CreateUniqueTempDir());
    KnownFolderScript::calls.clear();
    KnownFolderScript::answers.clear();
    KnownFolderScript::succeed_flags = 0;
  }
  base::ScopedTempDir temp_;
};

TEST_F(KnownFolderTest, CreateIsAskedForOnlyAfterAPlainFailure) {
  KnownFolderScript::answers[KnownFolderScript::Key(FOLDERID_Downloads)] = L"C:\\dl";
  KnownFolderScript::succeed_flags = KF_FLAG_CREATE | KF_FLAG_INIT;
  FilePath path(L"untouched");
  EXPECT_FALSE(service_utils_internal::GetKnownFolderPathWith(
      &KnownFolderScript::Function, FOLDERID_Downloads, CSIDL_PERSONAL, &path, false));
  EXPECT_EQ(std::vector<DWORD>{0}, KnownFolderScript::calls);
  EXPECT_EQ(L"untouched", path.value());

  KnownFolderScript::calls.clear();
  EXPECT_TRUE(service_utils_internal::GetKnownFolderPathWith(
      &KnownFolderScript::Function, FOLDERID_Downloads, CSIDL_PERSONAL, &path, true));
  EXPECT_EQ((std::vector<DWORD>{0, 0x8800}), KnownFolderScript::calls);
  EXPECT_EQ(L"C:\\dl", path.value());
}

TEST_F(KnownFolderTest, UnknownUserProgramFilesFallsBackBelowLocalAppData) {
  const FilePath local = temp_.GetPath().Append(L"Local");
  KnownFolderScript::answers[KnownFolderScript::Key(FOLDERID_LocalAppData)] = local.value();
  FilePath path;
  ASSERT_TRUE(service_utils_internal::GetKnownFolderPathWith(
      &KnownFolderScript::Function, FOLDERID_UserProgramFiles, -1, &path, true));
  EXPECT_EQ(local.Append(L"Programs"), path);
  EXPECT_TRUE(base::DirectoryExists(path));
}

TEST_F(KnownFolderTest, PinnedFolderFallbackChainsThroughQuickLaunch) {
  const FilePath roaming = temp_.GetPath().Append(L"Roaming");
  KnownFolderScript::answers[KnownFolderScript::Key(FOLDERID_RoamingAppData)] = roaming.value();
  FilePath path;
  ASSERT_TRUE(service_utils_internal::GetKnownFolderPathWith(
      &KnownFolderScript::Function, FOLDERID_UserPinned, -1, &path, false));
  EXPECT_EQ(roaming.Append(L"Microsoft\\Internet Explorer\\Quick Launch\\User Pinned"), path);
  EXPECT_FALSE(base::PathExists(path));  // not asked to create
}

TEST_F(KnownFolderTest, WithoutTheExportTheCsidlIsUsed) {
  FilePath path;
  ASSERT_TRUE(service_utils_internal::GetKnownFolderPathWith(nullptr, FOLDERID_RoamingAppData,
                                                             CSIDL_APPDATA, &path, false));
  FilePath expected;
  ASSERT_TRUE(base::PathService::Get(base::DIR_APP_DATA, &expected));
  EXPECT_TRUE(FilePath::CompareEqualIgnoreCase(expected.value(), path.value()));
}

TEST_F(KnownFolderTest, RealUserProgramFilesIsFound) {
  FilePath path;
  ASSERT_TRUE(GetKnownFolderPath(FOLDERID_UserProgramFiles, -1, &path, true));
  EXPECT_TRUE(base::DirectoryExists(path)) << path.value();
}

TEST(ServiceUtilsTest, UserNames) {
  std::wstring name;
  ASSERT_TRUE(GetCurrentUserName(&name));
  EXPECT_FALSE(name.empty());
  EXPECT_EQ(std::wstring::npos, name.find(L'\0'));
  std::wstring sam;
  ASSERT_TRUE(GetUserSamName(&sam));
  // DOMAIN\user, the account name last.
  ASSERT_GT(sam.size(), name.size());
  EXPECT_EQ(L'\\', sam[sam.size() - name.size() - 1]);
  EXPECT_EQ(std::wstring::npos, sam.find(L'\0'));
}

TEST(ServiceUtilsTest, WindowsErrorTexts) {
  const std::string text = GetWindowsErrorText(ERROR_FILE_NOT_FOUND);
  EXPECT_GT(text.size(), 7u);
  EXPECT_EQ(" (0x2)", text.substr(text.size() - 6));
  EXPECT_NE(' ', text[text.size() - 7]);
  EXPECT_NE('\n', text[text.size() - 7]);
  EXPECT_EQ("Error (0x13D) while retrieving error. (0x2000FFFF)", GetWindowsErrorText(0x2000FFFF));
}

class PeMachineKindTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(temp_.CreateUniqueTempDir()); }

  FilePath Write(const wchar_t* name, const std::string& contents) {
    const FilePath path = temp_.GetPath().Append(name);
    EXPECT_TRUE(base::WriteFile(path, contents));
    return path;
  }
  // A minimal image header: DOS stub, e_lfanew at 0x3C, then "PE\0\0" and
  // the machine.
  static std::string Image(uint32_t lfanew, uint16_t machine) {
    std::string image(lfanew + 24, '\0');
    image[0] = 'M';
    image[1] = 'Z';
    memcpy(&image[0x3C], &lfanew, 4);
    memcpy(&image[lfanew], "PE\0\0", 4);
    memcpy(&image[lfanew + 4], &machine, 2);
    return image;
  }
  base::ScopedTempDir temp_;
};

TEST_F(PeMachineKindTest, RealAndCraftedImages) {
  FilePath self;
  ASSERT_TRUE(base::PathService::Get(base::FILE_EXE, &self));
  EXPECT_EQ(PE_MACHINE_OTHER, GetPeMachineKind(self));
  EXPECT_EQ(PE_MACHINE_I386, GetPeMachineKind(Write(L"x86.exe", Image(0x80, 0x14C))));
  EXPECT_EQ(PE_MACHINE_OTHER, GetPeMachineKind(Write(L"arm64.exe", Image(0x80, 0xAA64))));
  // The header may sit anywhere, also right after e_lfanew's own field.
  EXPECT_EQ(PE_MACHINE_I386, GetPeMachineKind(Write(L"tight.exe", Image(0x40, 0x14C))));
}

TEST_F(PeMachineKindTest, AnythingElseIsUnknownNeverACrash) {
  EXPECT_EQ(PE_MACHINE_UNKNOWN, GetPeMachineKind(temp_.GetPath().Append(L"missing.exe")));
  EXPECT_EQ(PE_MACHINE_UNKNOWN, GetPeMachineKind(temp_.GetPath()));
  EXPECT_EQ(PE_MACHINE_UNKNOWN, GetPeMachineKind(Write(L"empty.exe", "")));
  EXPECT_EQ(PE_MACHINE_UNKNOWN, GetPeMachineKind(Write(L"text.txt", "just some text\r\n")));
  EXPECT_EQ(PE_MACHINE_UNKNOWN, GetPeMachineKind(Write(L"mz.exe", "MZ")));
  std::string image = Image(0x80, 0x14C);
  // Truncated inside the DOS header, before the signature, inside the machine.
  EXPECT_EQ(PE_MACHINE_UNKNOWN, GetPeMachineKind(Write(L"t1.exe", image.substr(0, 0x3E))));
  EXPECT_EQ(PE_MACHINE_UNKNOWN, GetPeMachineKind(Write(L"t2.exe", image.substr(0, 0x82))));
  EXPECT_EQ(PE_MACHINE_UNKNOWN, GetPeMachineKind(Write(L"t3.exe", image.substr(0, 0x85))));
  // e_lfanew far beyond the end, and negative.
  std::string far_image = image;
  const uint32_t huge = 0x7FFFFFF0;
  memcpy(&far_image[0x3C], &huge, 4);
  EXPECT_EQ(PE_MACHINE_UNKNOWN, GetPeMachineKind(Write(L"far.exe", far_image)));
  const uint32_t negative = 0xFFFFFF00;
  memcpy(&far_image[0x3C], &negative, 4);
  EXPECT_EQ(PE_MACHINE_UNKNOWN, GetPeMachineKind(Write(L"neg.exe", far_image)));
  std::string no_pe = image;
  no_pe[0x81] = 'X';
  EXPECT_EQ(PE_MACHINE_UNKNOWN, GetPeMachineKind(Write(L"nope.exe", no_pe)));
}

TEST(ServiceUtilsTest, ParentPathIgnoringAsciiCase) {
  EXPECT_TRUE(IsParentPathIgnoreCase(FilePath(L"C:\\Program Files"),
                                     FilePath(L"c:\\program files\\Tarvo")));
  EXPECT_FALSE(IsParentPathIgnoreCase(FilePath(L"C:\\Program Files"),
                                      FilePath(L"c:\\program files")));
  EXPECT_FALSE(IsParentPathIgnoreCase(FilePath(L"C:\\Program"), FilePath(L"C:\\Program Files")));
  EXPECT_FALSE(IsParentPathIgnoreCase(FilePath(L"c:\\program files\\tarvo"),
                                      FilePath(L"C:\\Program Files")));
  // Only ASCII letters are folded.
  EXPECT_FALSE(IsParentPathIgnoreCase(FilePath(L"C:\\\x00c9t\x00e9"),
                                      FilePath(L"C:\\\x00e9t\x00e9\\x")));
}

TEST(ServiceUtilsTest, FileIdentityFollowsTheFileNotThePath) {
  base::ScopedTempDir temp;
  ASSERT_TRUE(temp.CreateUniqueTempDir());
  const FilePath a = temp.GetPath().Append(L"a.txt");
  const FilePath b = temp.GetPath().Append(L"b.txt");
  ASSERT_TRUE(base::WriteFile(a, "same"));
  ASSERT_TRUE(base::WriteFile(b, "same"));
  FileIdentity id_a, id_a2, id_b;
  ASSERT_TRUE(GetFileIdentity(a, &id_a));
  ASSERT_TRUE(GetFileIdentity(FilePath(base::ToUpperASCII(a.value())).NormalizePathSeparatorsTo(L'/'),
                              &id_a2));
  ASSERT_TRUE(GetFileIdentity(b, &id_b));
  EXPECT_EQ(id_a, id_a2);
  EXPECT_FALSE(id_a == id_b);
  // Held open without sharing: the identity is still readable.
  HANDLE held = ::CreateFileW(a.value().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, held);
  EXPECT_TRUE(GetFileIdentity(a, &id_a2));
  ::CloseHandle(held);
  EXPECT_FALSE(GetFileIdentity(temp.GetPath().Append(L"missing"), &id_a2));
}

// Shortcuts are made for real; the application id comes from this table
// because Wine cannot read it back.
std::map<std::wstring, std::wstring>* g_app_ids = nullptr;

bool ReadShortcutWithTableAppId(const FilePath& shortcut, uint32_t options,
                                base::win::ShortcutProperties* properties) {
  if (!base::win::ResolveShortcutProperties(
          shortcut, options & ~base::win::ShortcutProperties::PROPERTIES_APP_ID, properties))
    return false;
  if (options & base::win::ShortcutProperties::PROPERTIES_APP_ID) {
    auto it = g_app_ids->find(shortcut.BaseName().value());
    properties->set_app_id(it == g_app_ids->end() ? std::wstring() : it->second);
  }
  return true;
}

class PinnedShortcutTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(com_.Succeeded());
    ASSERT_TRUE(temp_.CreateUniqueTempDir());
    pins_ = temp_.GetPath().Append(L"pins");
    ASSERT_TRUE(base::CreateDirectory(pins_));
    browser_ = temp_.GetPath().Append(L"Tarvo\\tarvo.exe");
    other_ = temp_.GetPath().Append(L"Other\\other.exe");
    ASSERT_TRUE(base::CreateDirectory(browser_.DirName()));
    ASSERT_TRUE(base::CreateDirectory(other_.DirName()));
    ASSERT_TRUE(base::WriteFile(browser_, "MZ"));
    ASSERT_TRUE(base::WriteFile(other_, "MZ"));
    g_app_ids = &app_ids_;
  }
  void TearDown() override { g_app_ids = nullptr; }

  FilePath MakeShortcut(const FilePath& folder, const wchar_t* name, const FilePath& target,
                        const std::wstring& app_id) {
    base::win::ShortcutProperties properties;
    properties.set_target(target);
    const FilePath path = folder.Append(name);
    EXPECT_TRUE(base::win::CreateOrUpdateShortcutLink(path, properties,
                                                      base::win::SHORTCUT_CREATE_ALWAYS));
    app_ids_[path.BaseName().value()] = app_id;
    return path;
  }

  base::win::ScopedCOMInitializer com_;
  base::ScopedTempDir temp_;
  FilePath pins_, browser_, other_;
  std::map<std::wstring, std::wstring> app_ids_;
  ScopedShortcutPropertiesReaderForTesting reader_{&ReadShortcutWithTableAppId};
};

TEST_F(PinnedShortcutTest, ShortcutPointsToFileComparesTheFiles) {
  const FilePath link = MakeShortcut(temp_.GetPath(), L"Tarvo.lnk", browser_, L"");
  EXPECT_TRUE(ShortcutPointsToFile(link, browser_));
  EXPECT_TRUE(ShortcutPointsToFile(link, FilePath(base::ToUpperASCII(browser_.value()))));
  EXPECT_FALSE(ShortcutPointsToFile(link, other_));
  EXPECT_FALSE(ShortcutPointsToFile(temp_.GetPath().Append(L"missing.lnk"), browser_));
  ASSERT_TRUE(base::DeleteFile(browser_, false));
  EXPECT_FALSE(ShortcutPointsToFile(link, browser_));  // a dangling target is not the file
}

TEST_F(PinnedShortcutTest, FindsPinsByTargetAndAppId) {
  base::ScopedPathOverride pins_override(base::DIR_TASKBAR_PINS, pins_);
  const FilePath match = MakeShortcut(pins_, L"Tarvo.lnk", browser_, L"Tarvo.App");
  // The same file reached through another spelling of its path.
  const FilePath other_spelling = MakeShortcut(
      pins_, L"Tarvo (2).lnk", browser_.NormalizePathSeparatorsTo(L'/'), L"Tarvo.App");
  MakeShortcut(pins_, L"WrongId.lnk", browser_, L"Other.App");
  MakeShortcut(pins_, L"NoId.lnk", browser_, L"");
  MakeShortcut(pins_, L"Other.lnk", other_, L"Tarvo.App");
  ASSERT_TRUE(base::CreateDirectory(pins_.Append(L"sub")));
  MakeShortcut(pins_.Append(L"sub"), L"Nested.lnk", browser_, L"Tarvo.App");
  ASSERT_TRUE(base::WriteFile(pins_.Append(L"notes.txt"), "x"));

  std::vector<FilePath> found{FilePath(L"kept")};
  FindPinnedShortcutFor(FilePath(base::ToLowerASCII(browser_.value())), L"Tarvo.App", &found);
  ASSERT_EQ(3u, found.size());
  EXPECT_EQ(L"kept", found[0].value());
  std::vector<std::wstring> names{found[1].BaseName().value(), found[2].BaseName().value()};
  std::sort(names.begin(), names.end());
  EXPECT_EQ((std::vector<std::wstring>{L"Tarvo (2).lnk", L"Tarvo.lnk"}), names);
}

TEST_F(PinnedShortcutTest, NoPinsFolderFindsNothing) {
  base::ScopedPathOverride pins_override(base::DIR_TASKBAR_PINS, temp_.GetPath().Append(L"none"),
                                         true, false);
  std::vector<FilePath> found;
  FindPinnedShortcutFor(browser_, L"Tarvo.App", &found);
  EXPECT_TRUE(found.empty());
}

}  // namespace

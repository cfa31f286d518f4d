#include <memory>
#include <string>

#include "base/files/file_enumerator.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "desktop/windows/installer/service/installation_status.h"
#include "desktop/windows/installer/service/json_installation_status_reader.h"
#include "desktop/windows/installer/service/json_installation_status_writer.h"
#include "gtest/gtest.h"

namespace {

InstallationStatus MinimalStatus() {
  InstallationStatus status(INSTALLATION_STATUS_SOURCE_GENERATED);
  status.version = "118.0.5678.12";
  status.path = base::FilePath(L"C:\\Tarvo");
  status.subfolder = base::FilePath(L"118.0.5678.12");
  return status;
}

InstallationStatus FullStatus() {
  InstallationStatus status = MinimalStatus();
  status.all_users = true;
  status.app_id = L"Tarvo.X1A2B3";
  status.desktop_shortcut = base::FilePath(L"C:\\Users\\Public\\Desktop\\Tarvo.lnk");
  status.start_menu_shortcut = base::FilePath(L"C:\\ProgramData\\Start Menu\\Tarvo.lnk");
  status.quick_launch_shortcut = base::FilePath(L"C:\\QL\\Tarvo.lnk");
  status.files = {base::FilePath(L"tarvo.exe"), base::FilePath(L"locales\\de.pak"),
                  base::FilePath(L"r\x00e9sum\x00e9 \x4e2d.dat"),
                  base::FilePath(L"\x3000wide space\x00a0")};
  status.root_files = {base::FilePath(L"Assets\\logo.png"), base::FilePath(L"Resources.pri")};
  // Dots are part of a name, never a nesting.
  status.components = {{"widevine.cdm", base::FilePath(L"C:\\Tarvo\\cdm")},
                       {"plain", base::FilePath(L"C:\\Tarvo\\plain")}};
  status.hklm_keys.push_back(
      {2, "Software\\Tarvo.Stable", {{"REG_SZ", "", "x"}, {"REG_DWORD", "a.b", "00000001"}}});
  status.hkcu_keys.push_back({0, "Software\\Classes\\TarvoHTML", {}});
  status.hklm_created_keys = {"Software\\Tarvo.Stable"};
  status.hkcu_created_keys = {"Software\\Classes\\.tvx", "Software\\Classes\\.tvx\\OpenWithProgIDs"};
  status.created_folders = {base::FilePath(L"C:\\QL"), base::FilePath(L"C:\\QL\\\x4e2d")};
  return status;
}

std::unique_ptr<InstallationStatus> ReadJson(const std::string& text, std::string* error) {
  JsonInstallationStatusReader reader;
  std::unique_ptr<InstallationStatus> status;
  reader.Read(&status, text, INSTALLATION_STATUS_SOURCE_PRIMARY);
  *error = reader.GetErrorMessage();
  return status;
}

TEST(JsonInstallationStatusWriterTest, MinimalRecordWritesOnlyTheRequiredKeys) {
  EXPECT_EQ(
      "{\"_all_users\":false,\"_subfolder\":\"118.0.5678.12\",\"copy_only\":false,"
      "\"files\":[],\"path\":\"C:\\\\Tarvo\",\"registry\":{},\"version\":\"118.0.5678.12\"}",
      SerializeInstallationStatus(MinimalStatus()));
}

TEST(JsonInstallationStatusWriterTest, ShortcutNamesFollowAllUsers) {
  InstallationStatus status = MinimalStatus();
  status.desktop_shortcut = base::FilePath(L"d.lnk");
  status.start_menu_shortcut = base::FilePath(L"m.lnk");
  std::string json = SerializeInstallationStatus(status);
  EXPECT_NE(std::string::npos,
            json.find("\"shortcuts\":{\"SC_DEST_DESKTOP\":\"d.lnk\",\"SC_DEST_MENU\":\"m.lnk\"}"))
      << json;
  status.all_users = true;
  json = SerializeInstallationStatus(status);
  EXPECT_NE(std::string::npos,
            json.find("{\"SC_DEST_COMMON_DESKTOP\":\"d.lnk\",\"SC_DEST_COMMON_MENU\":\"m.lnk\"}"))
      << json;
}

TEST(JsonInstallationStatusRoundTripTest, FullRecordComesBackEqual) {
  InstallationStatus written = FullStatus();
  std::string error;
  std::unique_ptr<InstallationStatus> read =
      ReadJson(SerializeInstallationStatus(written), &error);
  ASSERT_TRUE(read) << error;
  EXPECT_EQ(INSTALLATION_STATUS_SOURCE_PRIMARY, read->source);
  written.source = INSTALLATION_STATUS_SOURCE_PRIMARY;
  // Components come back in name order.
  std::swap(written.components[0], written.components[1]);
  EXPECT_EQ(written, *read);
}

// What an installation made is optional, as older installers write none;
// entries that are no text are passed over rather than refusing the record.
TEST(JsonInstallationStatusReaderTest, CreatedKeysAndFoldersAreOptionalAndLenient) {
  const std::string base =
      "{\"version\":\"1\",\"copy_only\":false,\"_all_users\":false,\"path\":\"C:\\\\T\","
      "\"files\":[],\"registry\":{}";
  std::string error;
  std::unique_ptr<InstallationStatus> read = ReadJson(base + "}", &error);
  ASSERT_TRUE(read) << error;
  EXPECT_TRUE(read->hkcu_created_keys.empty());
  EXPECT_TRUE(read->created_folders.empty());
  read = ReadJson(base +
                      ",\"created_keys\":{\"HKCU\":[\"Software\\\\A\",5],\"HKLM\":7},"
                      "\"created_folders\":[null,\"C:\\\\QL\"]}",
                  &error);
  ASSERT_TRUE(read) << error;
  EXPECT_EQ(std::vector<std::string>{"Software\\A"}, read->hkcu_created_keys);
  EXPECT_TRUE(read->hklm_created_keys.empty());
  EXPECT_EQ(std::vector<base::FilePath>{base::FilePath(L"C:\\QL")}, read->created_folders);
}

TEST(JsonInstallationStatusRoundTripTest, InvalidUtf16IsWrittenReplaced) {
  InstallationStatus status = MinimalStatus();
  const wchar_t lone[] = {L'a', 0xD800, L'b', 0};
  const wchar_t reversed[] = {0xDC00, 0xD800, 0};
  status.files = {base::FilePath(lone), base::FilePath(reversed)};
  status.app_id = lone;
  status.components = {{std::string("c\xff"), base::FilePath(lone)}};
  status.version = "1.\xc0\x80";
  std::string json = SerializeInstallationStatus(status);
  ASSERT_FALSE(json.empty());
  std::string error;
  std::unique_ptr<InstallationStatus> read = ReadJson(json, &error);
  ASSERT_TRUE(read) << error;
  EXPECT_EQ(L"a\xfffd" L"b", read->files[0].value());
  EXPECT_EQ(L"\xfffd\xfffd", read->files[1].value());
  EXPECT_EQ(L"a\xfffd" L"b", read->app_id);
  ASSERT_EQ(1u, read->components.size());
  EXPECT_EQ("c\xef\xbf\xbd", read->components[0].name);
}

class JsonInstallationStatusFileTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(temp_.CreateUniqueTempDir());
    file_ = temp_.GetPath().Append(L"installation_status.json");
  }

  int CountFiles() {
    int count = 0;
    base::FileEnumerator files(temp_.GetPath(), false,
                               base::FileEnumerator::FILES | base::FileEnumerator::DIRECTORIES);
    for (base::FilePath path = files.Next(); !path.empty(); path = files.Next())
      ++count;
    return count;
  }

  base::ScopedTempDir temp_;
  base::FilePath file_;
};

// A failed replacement keeping the old file is base::ImportantFileWriter's
// own test.
TEST_F(JsonInstallationStatusFileTest, WritesAndReplaces) {
  ASSERT_TRUE(WriteInstallationStatusAsJson(FullStatus(), file_));
  ASSERT_TRUE(WriteInstallationStatusAsJson(MinimalStatus(), file_));
  std::string text;
  ASSERT_TRUE(base::ReadFileToString(file_, &text));
  EXPECT_EQ(SerializeInstallationStatus(MinimalStatus()), text);
  EXPECT_EQ(1, CountFiles());  // No temporary file left beside it.
}

TEST_F(JsonInstallationStatusFileTest, FolderInTheWayOrMissingFails) {
  ASSERT_TRUE(base::CreateDirectory(file_.Append(L"inner")));
  EXPECT_FALSE(WriteInstallationStatusAsJson(FullStatus(), file_));
  EXPECT_TRUE(base::DirectoryExists(file_.Append(L"inner")));
  EXPECT_EQ(1, CountFiles());

  base::FilePath missing = temp_.GetPath().Append(L"no such folder").Append(L"s.json");
  EXPECT_FALSE(WriteInstallationStatusAsJson(FullStatus(), missing));
  EXPECT_FALSE(base::PathExists(missing.DirName()));
}

struct ReadCase {
  const char* json;
  const char* error;  // Null: the read succeeds.
};

#define STATUS_PREFIX "{\"version\":\"1\",\"copy_only\":false,\"_all_users\":true,\"path\":\"p\""
#define STATUS_BASE STATUS_PREFIX ",\"files\":[],\"registry\":{}"

class JsonInstallationStatusReadTest : public testing::TestWithParam<ReadCase> {};

TEST_P(JsonInstallationStatusReadTest, AcceptsOrRejectsWithItsMessage) {
  std::string error;
  std::unique_ptr<InstallationStatus> status = ReadJson(GetParam().json, &error);
  if (!GetParam().error) {
    EXPECT_TRUE(status) << error;
  } else {
    EXPECT_FALSE(status);
    EXPECT_EQ(GetParam().error, error);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, JsonInstallationStatusReadTest,
    testing::Values(
        ReadCase{STATUS_BASE "}", nullptr},
        ReadCase{"5", "The root is not a dictionary"},
        ReadCase{"[]", "The root is not a dictionary"},
        ReadCase{"{\"copy_only\":false}", "No version information"},
        ReadCase{"{\"version\":1}", "No version information"},
        ReadCase{"{\"version\":\"1\",\"app_id\":5}", "Invalid app id type"},
        ReadCase{"{\"version\":\"1\",\"_all_users\":true}", "No copy only information"},
        ReadCase{"{\"version\":\"1\",\"copy_only\":\"true\"}", "No copy only information"},
        ReadCase{"{\"version\":\"1\",\"copy_only\":true}", "No all users information"},
        ReadCase{"{\"version\":\"1\",\"copy_only\":true,\"_all_users\":false}",
                 "No install path information"},
        ReadCase{STATUS_BASE ",\"_subfolder\":[]}", "Subfolder not a string"},
        ReadCase{STATUS_PREFIX ",\"registry\":{}}", "No files list"},
        ReadCase{STATUS_PREFIX ",\"files\":5,\"registry\":{}}", "No files list"},
        ReadCase{STATUS_PREFIX ",\"files\":[\"a\",1],\"registry\":{}}",
                 "Element on files list is not a string"},
        ReadCase{STATUS_BASE ",\"root_files\":5}", "root_files is not a list"},
        ReadCase{STATUS_BASE ",\"root_files\":[null]}",
                 "Element on root_files list is not a string"},
        ReadCase{STATUS_PREFIX ",\"files\":[]}", "No registry dictionary"},
        ReadCase{STATUS_PREFIX ",\"files\":[],\"registry\":[]}", "No registry dictionary"},
        ReadCase{STATUS_PREFIX ",\"files\":[],\"registry\":{\"HKLM\":5}}", ""},
        ReadCase{STATUS_PREFIX ",\"files\":[],\"registry\":{\"HKCU\":{}}}", ""},
        ReadCase{STATUS_PREFIX ",\"files\":[],\"registry\":{\"HKLM\":[5]}}",
                 "Registry key not a dictionary"},
        ReadCase{STATUS_PREFIX ",\"files\":[],\"registry\":{\"HKLM\":[{\"clean\":1}]}}",
                 "Registry key dictionary doesn't specify a path"},
        ReadCase{STATUS_PREFIX
                 ",\"files\":[],\"registry\":{\"HKLM\":[{\"path\":\"k\",\"clean\":\"1\"}]}}",
                 "No cleanup information on a registry key"},
        ReadCase{STATUS_PREFIX
                 ",\"files\":[],\"registry\":{\"HKCU\":[{\"path\":\"k\",\"clean\":1.5}]}}",
                 "No cleanup information on a registry key"},
        ReadCase{STATUS_PREFIX ",\"files\":[],\"registry\":{\"HKCU\":[{\"path\":\"k\","
                               "\"clean\":1}]}}",
                 "No values list in a registry key"},
        ReadCase{STATUS_PREFIX ",\"files\":[],\"registry\":{\"HKCU\":[{\"path\":\"k\","
                               "\"clean\":1,\"values\":[[]]}]}}",
                 "Registry value is not a dictionary"},
        ReadCase{STATUS_PREFIX ",\"files\":[],\"registry\":{\"HKCU\":[{\"path\":\"k\","
                               "\"clean\":1,\"values\":[{\"type\":\"REG_SZ\"}]}]}}",
                 "No name in a registry key value"},
        ReadCase{STATUS_PREFIX ",\"files\":[],\"registry\":{\"HKCU\":[{\"path\":\"k\","
                               "\"clean\":1,\"values\":[{\"name\":\"n\"}]}]}}",
                 "No type information on a registry key value"},
        ReadCase{STATUS_PREFIX ",\"files\":[],\"registry\":{\"HKCU\":[{\"path\":\"k\","
                               "\"clean\":1,\"values\":[{\"name\":\"n\",\"type\":\"t\","
                               "\"data\":5}]}]}}",
                 nullptr},
        ReadCase{STATUS_BASE ",\"shortcuts\":[]}", "Shortcuts not a dictionary"},
        ReadCase{STATUS_BASE ",\"shortcuts\":{\"SC_DEST_MENU\":1}}",
                 "Shorcut path is not a string"},
        ReadCase{STATUS_BASE ",\"shortcuts\":{\"SC_DEST_STARTUP\":\"x\"}}",
                 "Invalid shortcut type SC_DEST_STARTUP"},
        ReadCase{STATUS_BASE ",\"components\":[]}", nullptr},
        ReadCase{STATUS_BASE ",\"components\":\"x\"}", nullptr},
        ReadCase{STATUS_BASE ",\"components\":{\"a\":1}}", "Component path is not a string: a"},
        ReadCase{STATUS_BASE ",\"components\":{\"a\":{\"b\":\"p\"}}}",
                 "Component path is not a string: a"}));

TEST(JsonInstallationStatusReaderTest, UnparsableTextNamesTheParserError) {
  std::string error;
  EXPECT_FALSE(ReadJson("{\"version\":", &error));
  EXPECT_EQ(0u, error.find("Cannot parse the file as JSON: ")) << error;
  EXPECT_GT(error.size(), strlen("Cannot parse the file as JSON: "));
  EXPECT_FALSE(ReadJson("", &error));
  EXPECT_EQ(0u, error.find("Cannot parse the file as JSON: ")) << error;
}

TEST(JsonInstallationStatusReaderTest, TrimsPathsButNotShortcuts) {
  std::string error;
  std::unique_ptr<InstallationStatus> status =
      ReadJson("{\"version\":\" 1 \",\"copy_only\":true,\"_all_users\":false,"
               "\"path\":\" C:\\\\Tarvo \\t\",\"_subfolder\":\" 1.0 \",\"files\":[\" a \"],"
               "\"root_files\":[\"\\tb\"],\"registry\":{},"
               "\"shortcuts\":{\"SC_DEST_MENU\":\" m.lnk \"},\"components\":{\"c\":\" d \"}}",
               &error);
  ASSERT_TRUE(status) << error;
  EXPECT_EQ(L"C:\\Tarvo", status->path.value());
  EXPECT_EQ(L"1.0", status->subfolder.value());
  EXPECT_EQ(L"a", status->files[0].value());
  EXPECT_EQ(L"b", status->root_files[0].value());
  EXPECT_EQ(L"d", status->components[0].path.value());
  EXPECT_EQ(L" m.lnk ", status->start_menu_shortcut.value());
  EXPECT_EQ(" 1 ", status->version);
  EXPECT_TRUE(status->copy_only);
  EXPECT_TRUE(status->app_id.empty());
}

TEST(JsonInstallationStatusReaderTest, LaterShortcutNameOfOneKindWins) {
  std::string error;
  std::unique_ptr<InstallationStatus> status = ReadJson(
      STATUS_BASE ",\"shortcuts\":{\"SC_DEST_DESKTOP\":\"user\","
                  "\"SC_DEST_COMMON_DESKTOP\":\"common\"}}",
      &error);
  ASSERT_TRUE(status) << error;
  EXPECT_EQ(L"user", status->desktop_shortcut.value());
}

TEST(JsonInstallationStatusReaderTest, KeepsUnsafePathsAsRead) {
  std::string error;
  std::unique_ptr<InstallationStatus> status = ReadJson(
      STATUS_PREFIX ",\"files\":[\"..\\\\..\\\\evil.dll\",\"C:\\\\Windows\\\\x\"],"
                    "\"registry\":{}}",
      &error);
  ASSERT_TRUE(status) << error;
  EXPECT_EQ(L"..\\..\\evil.dll", status->files[0].value());
  EXPECT_EQ(L"C:\\Windows\\x", status->files[1].value());
}

// The registry and the file system end a name at an embedded NUL: a key
// path that the guards compare whole would be deleted cut short.
TEST(JsonInstallationStatusReaderTest, ControlCharactersInNamesAreRefused) {
  const struct {
    const char* json;
    const char* error;
  } cases[] = {
      {STATUS_PREFIX ",\"files\":[],\"registry\":{\"HKCU\":[{\"path\":"
                     "\"Software\\\\Policies\\u0000\\\\x\",\"clean\":1,\"values\":[]}]}}",
       "A control character in a registry key path"},
      {STATUS_PREFIX ",\"files\":[],\"registry\":{\"HKLM\":[{\"path\":\"Software\\\\T\","
                     "\"clean\":0,\"values\":[{\"name\":\"a\\u0000b\",\"type\":\"REG_SZ\"}]}]}}",
       "A control character in a registry value name"},
      {STATUS_PREFIX ",\"files\":[\"a\\u0000\\\\..\\\\x\"],\"registry\":{}}",
       "A control character in a file"},
      {STATUS_BASE ",\"root_files\":[\"a\\u001fb\"]}", "A control character in a root file"},
      {STATUS_BASE ",\"_subfolder\":\"51\\u0000x\"}", "A control character in the subfolder"},
      {"{\"version\":\"1\",\"copy_only\":false,\"_all_users\":true,\"path\":\"C:\\u0007\","
       "\"files\":[],\"registry\":{}}",
       "A control character in the installation folder"},
      {STATUS_BASE ",\"app_id\":\"1\\u0000\"}", "A control character in the app id"},
      {STATUS_BASE ",\"shortcuts\":{\"SC_DEST_MENU\":\"m\\u007f.lnk\"}}",
       "A control character in a shortcut"},
      {STATUS_BASE ",\"components\":{\"c\\u0000\":\"d\"}}", "A control character in a component"},
      {STATUS_BASE ",\"created_folders\":[\"C:\\\\T\\u0000\\\\..\"]}",
       "A control character in a created folder"},
      {STATUS_BASE ",\"created_keys\":{\"HKCU\":[\"Software\\\\Policies\\u0000\"]}}",
       "A control character in a created registry key"},
  };
  for (const auto& c : cases) {
    std::string error;
    EXPECT_FALSE(ReadJson(c.json, &error)) << c.json;
    EXPECT_EQ(c.error, error) << c.json;
  }
  // The value's data is no name: it may hold any text.
  std::string error;
  EXPECT_TRUE(ReadJson(STATUS_PREFIX ",\"files\":[],\"registry\":{\"HKLM\":[{\"path\":\"k\","
                       "\"clean\":0,\"values\":[{\"name\":\"n\",\"type\":\"REG_SZ\","
                       "\"data\":\"a\\nb\"}]}]}}",
                       &error))
      << error;
}

TEST(JsonInstallationStatusReaderTest, ErrorOfAFailedReadStays) {
  JsonInstallationStatusReader reader;
  std::unique_ptr<InstallationStatus> status =
      std::make_unique<InstallationStatus>(INSTALLATION_STATUS_SOURCE_GENERATED);
  reader.Read(&status, "5", INSTALLATION_STATUS_SOURCE_PRIMARY);
  EXPECT_FALSE(status);  // A failed read clears the slot.
  EXPECT_EQ("The root is not a dictionary", reader.GetErrorMessage());
  reader.Read(&status, STATUS_BASE "}", INSTALLATION_STATUS_SOURCE_RECOVERED_FROM_OLD_FILES);
  ASSERT_TRUE(status);
  EXPECT_EQ(INSTALLATION_STATUS_SOURCE_RECOVERED_FROM_OLD_FILES, status->source);
}

}  // namespace

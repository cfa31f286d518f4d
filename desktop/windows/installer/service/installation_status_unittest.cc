#include "desktop/windows/installer/service/installation_status.h"

#include <windows.h>

#include <cstring>

#include "desktop/windows/installer/service/installation_status_reader.h"
#include "gtest/gtest.h"

namespace {

void RecordDword(std::vector<StatusRegistryKey>* keys, const wchar_t* path, DWORD value,
                 int32_t clean) {
  RecordRegistryValueInStatus(keys, path, L"n", &value, REG_DWORD, sizeof(value), clean);
}

TEST(RecordRegistryValueInStatusTest, DataTextPerType) {
  std::vector<StatusRegistryKey> keys;
  RecordDword(&keys, L"Software\\A", 255, 0);
  const unsigned char bytes[] = {0x00, 0x10, 0xff};
  RecordRegistryValueInStatus(&keys, L"Software\\A", L"bin", bytes, REG_BINARY, sizeof(bytes), 0);
  const wchar_t text[] = L"C:\\Program Files\\Tarvo \x00fc";
  RecordRegistryValueInStatus(&keys, L"Software\\A", L"", text, REG_EXPAND_SZ, sizeof(text), 0);
  const uint64_t qword = 7;
  RecordRegistryValueInStatus(&keys, L"Software\\A", L"q", &qword, REG_QWORD, sizeof(qword), 0);

  ASSERT_EQ(1u, keys.size());
  const std::vector<StatusRegistryValue>& values = keys[0].values;
  ASSERT_EQ(4u, values.size());
  EXPECT_EQ((StatusRegistryValue{"REG_DWORD", "n", "000000ff"}), values[0]);
  EXPECT_EQ((StatusRegistryValue{"REG_BINARY", "bin", "00,10,ff"}), values[1]);
  EXPECT_EQ((StatusRegistryValue{"REG_EXPAND_SZ", "", "C:\\Program Files\\Tarvo \xc3\xbc"}),
            values[2]);
  // Only the types above carry their data.
  EXPECT_EQ((StatusRegistryValue{"REG_QWORD", "q", ""}), values[3]);
}

TEST(RecordRegistryValueInStatusTest, DataIsReadOnlyWithinItsSize) {
  std::vector<StatusRegistryKey> keys;
  // A string without terminator: the size, not a NUL, ends it.
  const wchar_t unterminated[] = {L'a', L'b', L'c', L'd'};
  RecordRegistryValueInStatus(&keys, L"K\\L\\M", L"s", unterminated, REG_SZ, 3 * sizeof(wchar_t),
                              0);
  // A terminator inside the size ends the text.
  RecordRegistryValueInStatus(&keys, L"K\\L\\M", L"s0", L"ab\0cd", REG_SZ, 6 * sizeof(wchar_t),
                              0);
  const unsigned char short_dword[] = {1, 2};
  RecordRegistryValueInStatus(&keys, L"K\\L\\M", L"d", short_dword, REG_DWORD, 2, 0);
  RecordRegistryValueInStatus(&keys, L"K\\L\\M", L"b", nullptr, REG_BINARY, 0, 0);
  RecordRegistryValueInStatus(&keys, L"K\\L\\M", L"z", nullptr, REG_SZ, 10, 0);

  ASSERT_EQ(1u, keys.size());
  ASSERT_EQ(5u, keys[0].values.size());
  EXPECT_EQ("abc", keys[0].values[0].data);
  EXPECT_EQ("ab", keys[0].values[1].data);
  EXPECT_EQ("", keys[0].values[2].data);
  EXPECT_EQ("", keys[0].values[3].data);
  EXPECT_EQ("", keys[0].values[4].data);
}

TEST(RecordRegistryValueInStatusTest, KeysMatchIgnoringCaseAndKeepTheDeeperClean) {
  std::vector<StatusRegistryKey> keys;
  RecordDword(&keys, L"Software\\Classes\\X", 1, 2);
  RecordDword(&keys, L"SOFTWARE\\classes\\x", 2, -1);
  RecordDword(&keys, L"Software\\Classes\\X", 2, 1);  // Recorded again, not merged.
  ASSERT_EQ(1u, keys.size());
  EXPECT_EQ("Software\\Classes\\X", keys[0].path);
  EXPECT_EQ(2, keys[0].clean);
  EXPECT_EQ(3u, keys[0].values.size());

  RecordDword(&keys, L"Software\\Other", 1, -5);
  ASSERT_EQ(2u, keys.size());
  EXPECT_EQ(-5, keys[1].clean);
}

TEST(RecordRegistryValueInStatusTest, TheLastOfEqualKeysReceivesTheValue) {
  std::vector<StatusRegistryKey> keys = {{0, "A\\B", {}}, {0, "C", {}}, {0, "a\\b", {}}};
  RecordDword(&keys, L"A\\b", 1, 3);
  EXPECT_TRUE(keys[0].values.empty());
  EXPECT_EQ(0, keys[0].clean);
  ASSERT_EQ(1u, keys[2].values.size());
  EXPECT_EQ(3, keys[2].clean);
}

TEST(RecordRegistryValueInStatusTest, DeletedValueRecordsNothing) {
  std::vector<StatusRegistryKey> keys;
  RecordRegistryValueInStatus(&keys, L"Software\\A", L"gone", nullptr, kDeletedRegistryValueType,
                              0, 1);
  EXPECT_TRUE(keys.empty());
}

TEST(InstallationStatusTest, AppIdSuffix) {
  InstallationStatus status(INSTALLATION_STATUS_SOURCE_GENERATED);
  status.app_id = L"Tarvo.2187";
  EXPECT_EQ(L"Tarvo.21871", status.GetAppIdWithSuffix());
  EXPECT_EQ(L"1", InstallationStatus(INSTALLATION_STATUS_SOURCE_INVALID).GetAppIdWithSuffix());
}

TEST(InstallationStatusTest, ReaderOnlyForFileKinds) {
  for (uint32_t kind = 0; kind < 9; ++kind) {
    bool file_kind = kind >= 2 && kind <= 5;
    EXPECT_EQ(file_kind, CreateInstallationStatusReader(
                             static_cast<InstallationStatusSource>(kind)) != nullptr)
        << kind;
  }
}

}  // namespace

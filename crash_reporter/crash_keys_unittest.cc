#include "crash_reporter/crash_keys.h"

#include <string>

#include "crash_reporter/client_keys.h"
#include "crash_reporter/crash_keys_keeper.h"
#include "crash_reporter/test_support/crash_upload_test_support.h"
#include "gtest/gtest.h"

namespace crash_reporter {
namespace {

CustomInfoEntry Entry(const std::wstring& name, const std::wstring& value) {
  CustomInfoEntry entry = {};
  name.copy(entry.name, kCustomInfoUnits);
  value.copy(entry.value, kCustomInfoUnits);
  return entry;
}

std::vector<CustomInfoEntry> Entries(const CrashKeysKeeper& keeper) {
  const CustomClientInfo* info = keeper.custom_info();
  auto* first = reinterpret_cast<const CustomInfoEntry*>(static_cast<uintptr_t>(info->entries));
  return std::vector<CustomInfoEntry>(first, first + info->count);
}

// A long key goes out in chunks named after it, numbered from 1.
TEST(CrashKeysTest, ChunkNames) {
  std::vector<std::string> url = GetChunkedKeyNames({"URL", 1008}, kCrashKeyChunkLength);
  ASSERT_EQ(16u, url.size());
  EXPECT_EQ("URL-1", url.front());
  EXPECT_EQ("URL-16", url.back());
  EXPECT_EQ(4u, GetChunkedKeyNames({"ab_tests", 252}, kCrashKeyChunkLength).size());
  EXPECT_EQ(std::vector<std::string>{"ptype"},
            GetChunkedKeyNames({"ptype", 63}, kCrashKeyChunkLength));
}

// What the keeper writes, the reporter reads back: a long value over its
// chunks, cut at the key's maximum, the fixed entries beside it.
TEST(CrashKeysTest, KeeperValuesReadBackThroughTheClientKeys) {
  SetTestCrashProductValues();
  CrashKeysKeeper keeper("installer");
  keeper.RegisterKeys(GetInstallerCrashKeys(), kReportedCrashKeyCount, kCrashKeyChunkLength);
  std::string url(1100, 'u');
  url[0] = 'h';
  url[63] = 'x';
  keeper.SetKeyValue("URL", url);
  keeper.SetKeyValue("UBN", "931610");
  keeper.SetKeyValue("variations", "not reported");
  CrashParameters keys = ParseClientKeys(Entries(keeper));
  EXPECT_EQ(std::wstring(url.begin(), url.begin() + 1008), keys[L"URL"]);
  EXPECT_EQ(L"931610", keys[L"UBN"]);
  EXPECT_EQ(L"installer", keys[L"ptype"]);
  EXPECT_EQ(L"Win32", keys[L"plat"]);
  EXPECT_EQ(L"51.0.2802.0", keys[L"ver"]);
  EXPECT_EQ(0u, keys.count(L"variations"));
  keeper.ClearKeyValue("URL");
  EXPECT_EQ(L"", ParseClientKeys(Entries(keeper))[L"URL"]);
}

TEST(ClientKeysTest, ChunksJoinInOrderAndWholeKeysWin) {
  CrashParameters keys = ParseClientKeys({
      Entry(L"URL-2", L"world"), Entry(L"URL-1", L"hello "), Entry(L"URL-1", L"later"),
      Entry(L"ab_tests-1", L"chunk"), Entry(L"ab_tests", L"whole"),
      Entry(L"ptype", L"installer"), Entry(L"ptype", L"second"),
  });
  EXPECT_EQ(L"hello world", keys[L"URL"]);
  EXPECT_EQ(L"whole", keys[L"ab_tests"]);
  EXPECT_EQ(L"installer", keys[L"ptype"]);
  EXPECT_EQ(3u, keys.size());
}

// The entries come from a crashed process: nothing in them is trusted.
TEST(ClientKeysTest, InvalidEntriesAreDropped) {
  CustomInfoEntry unterminated_value = Entry(L"full", L"");
  std::fill(unterminated_value.value, unterminated_value.value + kCustomInfoUnits, L'v');
  CustomInfoEntry unterminated_name = Entry(L"", L"x");
  std::fill(unterminated_name.name, unterminated_name.name + kCustomInfoUnits, L'n');
  CrashParameters keys = ParseClientKeys({
      unterminated_value, unterminated_name, Entry(L"with space", L"x"), Entry(L"", L"x"),
      Entry(L"unspecified-crash-key", L"x"), Entry(L"na\u00efve", L"x"),
      Entry(std::wstring(63, L'k'), L"longest name"), Entry(L"value", std::wstring(63, L'v')),
      // Chunk numbers out of range are no chunks: the names stay whole.
      Entry(L"big-99999999999999999999", L"a"), Entry(L"zero-0", L"b"), Entry(L"URL-1025", L"c"),
  });
  EXPECT_EQ(5u, keys.size());
  EXPECT_EQ(L"longest name", keys[std::wstring(63, L'k')]);
  EXPECT_EQ(std::wstring(63, L'v'), keys[L"value"]);
  EXPECT_EQ(L"a", keys[L"big-99999999999999999999"]);
  EXPECT_EQ(L"b", keys[L"zero-0"]);
  EXPECT_EQ(L"c", keys[L"URL-1025"]);
  EXPECT_EQ(0u, keys.count(L"URL"));
}

}  // namespace
}  // namespace crash_reporter

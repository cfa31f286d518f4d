#include "crash_reporter/minidump_writer.h"

#include <string>
#include <vector>

#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "crash_reporter/test_support/crash_upload_test_support.h"
#include "gtest/gtest.h"

namespace crash_reporter {
namespace {

constexpr int64_t kNoCap = 64 << 20;

// The fake's script: for each call, the bytes it writes and its result.
struct FakeCall {
  size_t bytes;
  DWORD error;  // 0: success
};
std::vector<FakeCall> g_script;
std::vector<MINIDUMP_TYPE> g_types;

BOOL WINAPI FakeWriteDump(HANDLE, DWORD, HANDLE file, MINIDUMP_TYPE type,
                          PMINIDUMP_EXCEPTION_INFORMATION, PMINIDUMP_USER_STREAM_INFORMATION,
                          PMINIDUMP_CALLBACK_INFORMATION) {
  FakeCall call = g_script.at(g_types.size());
  g_types.push_back(type);
  std::string bytes(call.bytes, 'd');
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  SetLastError(call.error);
  return call.error == 0;
}

class MinidumpWriterTest : public testing::Test {
 protected:
  void SetUp() override {
    SetTestCrashProductValues();
    ASSERT_TRUE(scratch_.CreateUniqueTempDir());
    path_ = scratch_.GetPath().Append(L"test.dmp");
  }
  void TearDown() override { SetMiniDumpWriteDumpForTesting(nullptr); }

  bool WriteScripted(std::vector<FakeCall> script, int64_t cap) {
    g_script = std::move(script);
    g_types.clear();
    SetMiniDumpWriteDumpForTesting(&FakeWriteDump);
    CrashInfoBlock info = {};
    return WriteMiniDumpToFile(GetCurrentProcess(), GetCurrentProcessId(), info, path_, cap);
  }

  base::ScopedTempDir scratch_;
  base::FilePath path_;
};

TEST_F(MinidumpWriterTest, LargerTypeOverTheCapFallsBackToNormal) {
  ASSERT_TRUE(WriteScripted({{500, 0}, {100, 0}}, 200));
  ASSERT_EQ(2u, g_types.size());
  EXPECT_EQ(MiniDumpWithUnloadedModules | MiniDumpWithIndirectlyReferencedMemory, g_types[0]);
  EXPECT_EQ(MiniDumpNormal, g_types[1]);
  // The oversized first try left nothing behind in the file.
  int64_t size = 0;
  ASSERT_TRUE(base::GetFileSize(path_, &size));
  EXPECT_EQ(100, size);
}

TEST_F(MinidumpWriterTest, InvalidArgumentTriesTheNextTypeOtherFailuresStop) {
  EXPECT_TRUE(WriteScripted({{10, 0x80070057}, {100, 0}}, kNoCap));
  EXPECT_EQ(2u, g_types.size());
  EXPECT_FALSE(WriteScripted({{10, ERROR_ACCESS_DENIED}}, kNoCap));
  EXPECT_EQ(1u, g_types.size());
  EXPECT_FALSE(base::PathExists(path_));
  EXPECT_FALSE(WriteScripted({{300, 0}, {300, 0}}, 200));
  EXPECT_FALSE(base::PathExists(path_));
}

}  // namespace
}  // namespace crash_reporter

#include "desktop/windows/installer/utils/installer_error_record.h"

#include <cstdint>
#include <string>
#include <thread>

#include "gtest/gtest.h"

namespace {

TEST(InstallerErrorRecordTest, SetAndAppend) {
  InitInstallerErrorRecord();
  EXPECT_FALSE(SetInstallerError(7, "first", L"one"));
  EXPECT_FALSE(SetInstallerError(3, "second", L"two"));
  EXPECT_FALSE(AppendInstallerError("more"));
  uint32_t code = 0;
  std::string detail;
  std::wstring message;
  GetInstallerError(&code, &detail, &message);
  EXPECT_EQ(3u, code);
  EXPECT_EQ("second\nmore", detail);
  EXPECT_EQ(L"two", message);

  AppendInstallerError("last", 9, L"three");
  GetInstallerError(&code, &detail, &message);
  EXPECT_EQ(9u, code);
  EXPECT_EQ("second\nmore\nlast", detail);
  EXPECT_EQ(L"three", message);
  FreeInstallerErrorRecord();
  EXPECT_EQ(0u, GetInstallerErrorCode());
}

TEST(InstallerErrorRecordTest, ThreadsWithoutRecordChangeNothing) {
  InitInstallerErrorRecord();
  SetInstallerError(5, "main", L"");
  std::thread([] {
    EXPECT_FALSE(HasInstallerErrorRecord());
    SetInstallerError(1, "other", L"x");
    AppendInstallerError("other", 2);
    EXPECT_EQ(0u, GetInstallerErrorCode());
  }).join();
  EXPECT_EQ(5u, GetInstallerErrorCode());
  FreeInstallerErrorRecord();
}

}  // namespace

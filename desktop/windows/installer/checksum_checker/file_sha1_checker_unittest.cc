#include "desktop/windows/installer/checksum_checker/file_sha1_checker.h"

#include <windows.h>

#include <string>

#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "desktop/windows/installer/checksum_checker/cng_sha1.h"
#include "gtest/gtest.h"

namespace {

// SHA-1 of "abc" in base64.
constexpr char kAbcSha1[] = "qZk+NkcGgWq6PiVxeFDCbJzQ2J0=";

HMODULE LoadNothing() { return nullptr; }
// A module that has none of the CNG functions.
HMODULE LoadKernel32() { return LoadLibraryW(L"kernel32.dll"); }

class VerifyFileSha1Test : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(temp_dir_.CreateUniqueTempDir()); }
  void TearDown() override { CngSha1::SetModuleLoaderForTesting(nullptr); }

  base::FilePath WriteFile(const std::string& contents) {
    base::FilePath path = temp_dir_.GetPath().Append(L"res.pak");
    EXPECT_TRUE(base::WriteFile(path, contents));
    return path;
  }

  // A file spanning several 64 KiB blocks and ending mid-block.
  std::string LargeContents() {
    std::string contents;
    for (int i = 0; i < 3 * 65536 + 1234; ++i)
      contents.push_back(static_cast<char>(i * 31 + (i >> 9)));
    return contents;
  }

  base::ScopedTempDir temp_dir_;
  std::string error_;
};

TEST_F(VerifyFileSha1Test, MatchAndMismatch) {
  const base::FilePath path = WriteFile("abc");
  EXPECT_TRUE(VerifyFileSha1(path, kAbcSha1, &error_));
  EXPECT_EQ("", error_);

  EXPECT_FALSE(VerifyFileSha1(path, "AAAAAAAAAAAAAAAAAAAAAAAAAAA=", &error_));
  EXPECT_EQ(path.AsUTF8Unsafe() + " hash doesn't match: AAAAAAAAAAAAAAAAAAAAAAAAAAA= vs. " +
                kAbcSha1,
            error_);
}

TEST_F(VerifyFileSha1Test, UnreadableFile) {
  const base::FilePath missing = temp_dir_.GetPath().Append(L"gone.pak");
  EXPECT_FALSE(VerifyFileSha1(missing, kAbcSha1, &error_));
  EXPECT_EQ("Failed to read " + missing.AsUTF8Unsafe(), error_);
  EXPECT_FALSE(VerifyFileSha1(temp_dir_.GetPath(), kAbcSha1, &error_));
  EXPECT_EQ("Failed to read " + temp_dir_.GetPath().AsUTF8Unsafe(), error_);
}

// Without "bcrypt", or with a module lacking its functions, the portable
// digest gives the same answers, and CNG is not tried again.
TEST_F(VerifyFileSha1Test, WithoutCngThePortableDigestAgrees) {
  const base::FilePath path = WriteFile(LargeContents());
  std::string cng_error;
  EXPECT_FALSE(VerifyFileSha1(path, kAbcSha1, &cng_error));
  ASSERT_TRUE(CngSha1::IsUsable());

  for (CngSha1::ModuleLoader loader : {&LoadNothing, &LoadKernel32}) {
    CngSha1::SetModuleLoaderForTesting(loader);
    std::string error;
    EXPECT_FALSE(VerifyFileSha1(path, kAbcSha1, &error));
    EXPECT_FALSE(CngSha1::IsUsable());
    EXPECT_EQ(cng_error, error);
    EXPECT_TRUE(VerifyFileSha1(WriteFile("abc"), kAbcSha1, &error));
    WriteFile(LargeContents());
  }
}

TEST_F(VerifyFileSha1Test, EmptyFile) {
  EXPECT_TRUE(VerifyFileSha1(WriteFile(""), "2jmj7l5rSw0yVb/vlWAYkK/YBwk=", &error_));
  CngSha1::SetModuleLoaderForTesting(&LoadNothing);
  EXPECT_TRUE(VerifyFileSha1(WriteFile(""), "2jmj7l5rSw0yVb/vlWAYkK/YBwk=", &error_));
}

}  // namespace

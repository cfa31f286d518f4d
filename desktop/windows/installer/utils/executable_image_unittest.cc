#include "desktop/windows/installer/utils/executable_image.h"

#include <windows.h>

#include <string>

#include "base/files/file.h"
#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/path_service.h"
#include "gtest/gtest.h"

namespace {

std::string ReadAll(const base::FilePath& path) {
  std::string contents;
  EXPECT_TRUE(base::ReadFileToString(path, &contents)) << path;
  return contents;
}

// The offset of the security directory entry in a PE32+ image.
size_t SecurityEntry(const std::string& image) {
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(image.data());
  return dos->e_lfanew + offsetof(IMAGE_NT_HEADERS64, OptionalHeader) +
         offsetof(IMAGE_OPTIONAL_HEADER64, DataDirectory) +
         IMAGE_DIRECTORY_ENTRY_SECURITY * sizeof(IMAGE_DATA_DIRECTORY);
}

class ExecutableImageTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.CreateUniqueTempDir());
    base::FilePath exe;
    ASSERT_TRUE(base::PathService::Get(base::FILE_EXE, &exe));
    image_ = ReadAll(exe);
    base::File file(exe, base::File::FLAG_OPEN | base::File::FLAG_READ);
    end_ = GetExecutableImageEnd(&file);
    ASSERT_GT(end_, 0u);
    ASSERT_LE(end_, image_.size());
  }

  base::FilePath Write(const std::wstring& name, const std::string& contents) {
    const base::FilePath path = dir_.GetPath().Append(name);
    EXPECT_EQ(static_cast<int>(contents.size()),
              base::WriteFile(path, contents.data(), static_cast<int>(contents.size())));
    return path;
  }

  base::ScopedTempDir dir_;
  std::string image_;
  uint64_t end_ = 0;
};

// An installer carrying a package, as the payload appends it: the copy is
// the loadable part alone, byte for byte, and the certificate table that
// is left behind is no longer named.
TEST_F(ExecutableImageTest, CopyLeavesTheAppendedBytesAndTheCertificateTableBehind) {
  std::string carrier = image_.substr(0, end_);
  const size_t payload_start = carrier.size();
  carrier += "TRV" + std::string(3 << 20, '\x5A') + "LLLL";
  // A certificate table after the payload, named by the headers.
  const uint32_t table[2] = {static_cast<uint32_t>(carrier.size()), 16};
  carrier.replace(SecurityEntry(carrier), sizeof(table), reinterpret_cast<const char*>(table),
                  sizeof(table));
  carrier += std::string(16, '\x30');
  const base::FilePath from = Write(L"carrier.exe", carrier);
  const base::FilePath to = dir_.GetPath().Append(L"copy.exe");
  ASSERT_TRUE(CopyExecutableImage(from, to));
  std::string expected = carrier.substr(0, payload_start);
  expected.replace(SecurityEntry(expected), 8, std::string(8, '\0'));
  EXPECT_EQ(expected, ReadAll(to));
}

// Files that are no image, or whose sections run past their end, are
// copied whole; a copy that cannot be made leaves nothing.
TEST_F(ExecutableImageTest, OtherFilesAreCopiedWholeAndFailuresLeaveNothing) {
  const base::FilePath text = Write(L"text.exe", "MZ but nothing more");
  ASSERT_TRUE(CopyExecutableImage(text, dir_.GetPath().Append(L"text_copy.exe")));
  EXPECT_EQ("MZ but nothing more", ReadAll(dir_.GetPath().Append(L"text_copy.exe")));
  base::File text_file(text, base::File::FLAG_OPEN | base::File::FLAG_READ);
  EXPECT_EQ(0u, GetExecutableImageEnd(&text_file));

  const std::string cut = image_.substr(0, end_ - 1);
  const base::FilePath truncated = Write(L"truncated.exe", cut);
  base::File truncated_file(truncated, base::File::FLAG_OPEN | base::File::FLAG_READ);
  EXPECT_EQ(0u, GetExecutableImageEnd(&truncated_file));
  ASSERT_TRUE(CopyExecutableImage(truncated, dir_.GetPath().Append(L"truncated_copy.exe")));
  EXPECT_EQ(cut, ReadAll(dir_.GetPath().Append(L"truncated_copy.exe")));

  const base::FilePath nowhere = dir_.GetPath().Append(L"missing").Append(L"copy.exe");
  EXPECT_FALSE(CopyExecutableImage(text, nowhere));
  EXPECT_FALSE(base::PathExists(nowhere));
  // A file already there under the copy's name is neither replaced nor
  // deleted.
  const base::FilePath taken = Write(L"taken.exe", "mine");
  const base::FilePath carrier = Write(L"carrier.exe", image_.substr(0, end_) + "TRV payload");
  EXPECT_FALSE(CopyExecutableImage(carrier, taken));
  EXPECT_EQ("mine", ReadAll(taken));
}

}  // namespace

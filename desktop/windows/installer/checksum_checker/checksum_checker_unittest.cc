#include "desktop/windows/installer/checksum_checker/checksum_checker.h"

#include <windows.h>

#include <atomic>
#include <string>
#include <thread>

#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/strings/string_number_conversions.h"
#include "base/win/scoped_handle.h"
#include "gtest/gtest.h"

namespace {

constexpr char kEmptySha256[] = "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855";
constexpr char kAbcSha256[] = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";

class VerifyChecksumTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(temp_dir_.CreateUniqueTempDir()); }

  base::FilePath WriteFile(const std::string& contents) {
    base::FilePath path = temp_dir_.GetPath().Append(L"file.bin");
    EXPECT_TRUE(base::WriteFile(path, contents));
    return path;
  }

  std::string DetailString(const ChecksumDetails& details, size_t index) {
    return details.at(index).second.GetString();
  }

  base::ScopedTempDir temp_dir_;
  ChecksumDetails details_;
  std::string actual_ = "stale";
  uint64_t length_ = 99;
};

TEST(ComputeSha256HexTest, LowercaseHexOfKnownInputs) {
  EXPECT_EQ(kEmptySha256, ComputeSha256Hex("", 0));
  EXPECT_EQ(kAbcSha256, ComputeSha256Hex("abc", 3));
}

TEST_F(VerifyChecksumTest, MatchingFileReportsItsDigestAndLength) {
  EXPECT_TRUE(VerifyChecksum(WriteFile("abc"), kAbcSha256, &details_, &actual_, &length_));
  EXPECT_EQ(kAbcSha256, actual_);
  EXPECT_EQ(3u, length_);
  EXPECT_TRUE(details_.empty());
}

// Mapping zero bytes fails on Windows; an empty file must still hash.
TEST_F(VerifyChecksumTest, EmptyFileHashesZeroBytes) {
  EXPECT_TRUE(VerifyChecksum(WriteFile(""), kEmptySha256, nullptr, &actual_, &length_));
  EXPECT_EQ(kEmptySha256, actual_);
  EXPECT_EQ(0u, length_);

  EXPECT_FALSE(VerifyChecksum(WriteFile(""), kAbcSha256, &details_, &actual_, &length_));
  ASSERT_EQ(6u, details_.size());
  EXPECT_EQ("", DetailString(details_, 4));
  EXPECT_EQ("", DetailString(details_, 5));
}

TEST_F(VerifyChecksumTest, UpperCaseExpectationNeverMatches) {
  std::string upper = kAbcSha256;
  for (char& c : upper)
    c = static_cast<char>(toupper(c));
  EXPECT_FALSE(VerifyChecksum(WriteFile("abc"), upper, nullptr, &actual_, &length_));
  EXPECT_EQ(kAbcSha256, actual_);
}

TEST_F(VerifyChecksumTest, MismatchDetailsInReportedOrder) {
  const base::FilePath path = WriteFile(std::string("\x00\x01\xab\xcd\xef\x10\x20\x30\x7f\xff", 10));
  EXPECT_FALSE(VerifyChecksum(path, kAbcSha256, &details_, &actual_, &length_));
  ASSERT_EQ(6u, details_.size());
  const char* keys[] = {"detail", "expected_checksum", "actual_checksum",
                        "file_length", "file_start", "file_end"};
  for (size_t i = 0; i < 6; ++i)
    EXPECT_EQ(keys[i], details_[i].first);
  EXPECT_EQ("Checksum mismatch", DetailString(details_, 0));
  EXPECT_EQ(kAbcSha256, DetailString(details_, 1));
  EXPECT_EQ(actual_, DetailString(details_, 2));
  EXPECT_EQ(10, details_[3].second.GetInt());
  EXPECT_EQ(10u, length_);
  // Ten bytes: both ends are the whole file, upper-case hex.
  EXPECT_EQ("0001ABCDEF1020307FFF", DetailString(details_, 4));
  EXPECT_EQ("0001ABCDEF1020307FFF", DetailString(details_, 5));
}

TEST_F(VerifyChecksumTest, MismatchOfLongFileReportsFiftyBytesOfEachEnd) {
  std::string contents(50, 'a');
  contents += std::string(20, 'm') + std::string(50, 'z');
  EXPECT_FALSE(VerifyChecksum(WriteFile(contents), kAbcSha256, &details_, &actual_, &length_));
  ASSERT_EQ(6u, details_.size());
  ASSERT_EQ(100u, DetailString(details_, 4).size());
  ASSERT_EQ(100u, DetailString(details_, 5).size());
  for (size_t i = 0; i < 100; i += 2) {
    EXPECT_EQ("61", DetailString(details_, 4).substr(i, 2));
    EXPECT_EQ("7A", DetailString(details_, 5).substr(i, 2));
  }
  EXPECT_EQ(120, details_[3].second.GetInt());
}

// The file is read in pieces: the digest is the whole file's, and the
// reported ends are the file's even where a piece ends inside them.
TEST_F(VerifyChecksumTest, FileLargerThanOneReadKeepsItsDigestAndEnds) {
  std::string contents;
  for (size_t i = 0; contents.size() < (9u << 20) + 20; ++i)
    contents.push_back(static_cast<char>('a' + i % 23));
  const base::FilePath path = WriteFile(contents);
  const std::string expected = ComputeSha256Hex(contents.data(), contents.size());
  EXPECT_TRUE(VerifyChecksum(path, expected, &details_, &actual_, &length_));
  EXPECT_EQ(expected, actual_);
  EXPECT_EQ(contents.size(), length_);

  EXPECT_FALSE(VerifyChecksum(path, kAbcSha256, &details_, &actual_, &length_));
  ASSERT_EQ(6u, details_.size());
  EXPECT_EQ(base::HexEncode(contents.data(), 50), DetailString(details_, 4));
  EXPECT_EQ(base::HexEncode(contents.data() + contents.size() - 50, 50),
            DetailString(details_, 5));
  EXPECT_EQ(static_cast<int>(contents.size()), details_[3].second.GetInt());
}

// Another handle cuts the file short and lengthens it again while it is
// read: every verification ends with an answer, never with a crash or a
// wait, and a file that changed while it was read never matches.
TEST_F(VerifyChecksumTest, AFileCutShortWhileItIsReadEndsWithAnAnswer) {
  const std::string contents(24 << 20, 'x');
  const base::FilePath path = WriteFile(contents);
  const std::string expected = ComputeSha256Hex(contents.data(), contents.size());
  base::win::ScopedHandle cutter_handle(::CreateFileW(path.value().c_str(), GENERIC_WRITE,
                                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                      OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(cutter_handle.IsValid());
  std::atomic<bool> stop{false};
  std::thread cutter([&] {
    for (int i = 0; i < 20000 && !stop; ++i) {
      for (LONGLONG size : {LONGLONG{1} << 20, LONGLONG{24} << 20}) {
        LARGE_INTEGER at;
        at.QuadPart = size;
        ::SetFilePointerEx(cutter_handle.Get(), at, nullptr, FILE_BEGIN);
        ::SetEndOfFile(cutter_handle.Get());
      }
    }
  });
  for (int run = 0; run < 4; ++run) {
    details_.clear();
    if (VerifyChecksum(path, expected, &details_, &actual_, &length_)) {
      EXPECT_EQ(expected, actual_);
      continue;
    }
    ASSERT_FALSE(details_.empty());
    const std::string detail = DetailString(details_, 0);
    EXPECT_TRUE(detail == "Unable to read the file" || detail == "Checksum mismatch") << detail;
  }
  stop = true;
  cutter.join();
}

TEST_F(VerifyChecksumTest, UnreadableFileExplainsOnlyThat) {
  const base::FilePath missing = temp_dir_.GetPath().Append(L"missing.bin");
  EXPECT_FALSE(VerifyChecksum(missing, kAbcSha256, &details_, &actual_, &length_));
  ASSERT_EQ(1u, details_.size());
  EXPECT_EQ("detail", details_[0].first);
  EXPECT_EQ("Unable to read the file", DetailString(details_, 0));
  EXPECT_EQ("", actual_);
  EXPECT_EQ(0u, length_);
  // A folder cannot be read as a file either.
  EXPECT_FALSE(VerifyChecksum(temp_dir_.GetPath(), kEmptySha256, nullptr, &actual_, &length_));
}

}  // namespace

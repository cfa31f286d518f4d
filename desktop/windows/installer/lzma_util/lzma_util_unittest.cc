#include "desktop/windows/installer/lzma_util/lzma_util.h"

#include <windows.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "base/files/file_enumerator.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/logging.h"
#include "base/path_service.h"
#include "base/time/time.h"
#include "desktop/windows/installer/lzma_util/unpack_progress_observer.h"
#include "gtest/gtest.h"
#include "testing/scoped_log_capture.h"

namespace {

// Written by make_lzma_test_data.py.
constexpr time_t kMTime = 1614834367;
constexpr time_t kOtherMTime = 1577836798;
constexpr uint32_t kDeviceDataError = 0xC000009C;  // STATUS_DEVICE_DATA_ERROR

base::FilePath TestData(const wchar_t* name) {
  base::FilePath exe;
  base::PathService::Get(base::DIR_EXE, &exe);
  return exe.Append(L"lzma_test_data").Append(name);
}

// Everything below `root`, relative, folders with a trailing "\".
std::set<std::wstring> ListTree(const base::FilePath& root) {
  std::set<std::wstring> tree;
  base::FileEnumerator it(root, true,
                          base::FileEnumerator::FILES | base::FileEnumerator::DIRECTORIES);
  for (base::FilePath path = it.Next(); !path.empty(); path = it.Next()) {
    base::FilePath relative;
    root.AppendRelativePath(path, &relative);
    tree.insert(relative.value() + (it.GetInfo().IsDirectory() ? L"\\" : L""));
  }
  return tree;
}

std::string ReadAll(const base::FilePath& path) {
  std::string contents;
  EXPECT_TRUE(base::ReadFileToString(path, &contents)) << path;
  return contents;
}

class RecordingObserver : public UnpackProgressObserver {
 public:
  void OnFilesToUnpackCounted(size_t count) override {
    events.push_back("count " + std::to_string(count));
  }
  void OnUnpackProgressChanged(size_t unpacked) override {
    events.push_back("progress " + std::to_string(unpacked));
  }
  std::vector<std::string> events;
};

class ScopedDecodedBlockHook {
 public:
  explicit ScopedDecodedBlockHook(LzmaUtil::DecodedBlockHook hook) {
    LzmaUtil::SetDecodedBlockHookForTesting(hook);
  }
  ~ScopedDecodedBlockHook() { LzmaUtil::SetDecodedBlockHookForTesting(nullptr); }
};

const std::set<std::wstring> kWholeTree = {
    L"installer.exe", L"readme.txt", L"empty.txt",  L"sub\\",
    L"sub\\inner\\",  L"sub\\inner\\c.txt", L"emptydir\\"};

class LzmaUtilTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(temp_.CreateUniqueTempDir());
    out_ = temp_.GetPath().Append(L"out");
  }

  uint32_t ExtractFrom(const wchar_t* archive, const std::set<std::wstring>* filter = nullptr) {
    EXPECT_EQ(LzmaUtil::kOpenOk, lzma_.Open(TestData(archive)));
    return lzma_.Extract(out_, filter, &observer_, &files_, &folders_);
  }

  void ExpectSameAsSource(const std::wstring& relative) {
    EXPECT_EQ(ReadAll(TestData(L"src").Append(relative)), ReadAll(out_.Append(relative)))
        << relative;
  }

  base::ScopedTempDir temp_;
  base::FilePath out_;
  LzmaUtil lzma_;
  RecordingObserver observer_;
  std::vector<base::FilePath> files_;
  std::vector<base::FilePath> folders_;
};

TEST_F(LzmaUtilTest, WholeArchiveWithTimesFilesAndFolders) {
  ASSERT_EQ(LzmaUtil::kOk, ExtractFrom(L"whole.7z"));
  // Exactly the entries: the decoder's temporary file is gone too.
  EXPECT_EQ(kWholeTree, ListTree(out_));
  for (const wchar_t* name : {L"installer.exe", L"readme.txt", L"empty.txt", L"sub\\inner\\c.txt"})
    ExpectSameAsSource(name);

  base::File::Info info;
  ASSERT_TRUE(base::GetFileInfo(out_.Append(L"installer.exe"), &info));
  EXPECT_EQ(kMTime, info.last_modified.ToTimeT());
  ASSERT_TRUE(base::GetFileInfo(out_.Append(L"readme.txt"), &info));
  EXPECT_EQ(kOtherMTime, info.last_modified.ToTimeT());

  std::set<base::FilePath> files(files_.begin(), files_.end());
  EXPECT_EQ((std::set<base::FilePath>{out_.Append(L"installer.exe"), out_.Append(L"readme.txt"),
                                      out_.Append(L"empty.txt"),
                                      out_.Append(L"sub\\inner\\c.txt")}),
            files);
  // Every folder made, the output folder included, parents first, so that
  // a rollback deleting them in reverse order can empty the tree.
  ASSERT_EQ(4u, folders_.size());
  EXPECT_EQ(out_, folders_[0]);
  auto position = [&](const wchar_t* name) {
    return std::find(folders_.begin(), folders_.end(), out_.Append(name)) - folders_.begin();
  };
  EXPECT_LT(position(L"sub"), position(L"sub\\inner"));
  EXPECT_LT(position(L"emptydir"), 4);

  std::vector<std::string> expected = {"count 7"};
  for (int i = 0; i < 7; ++i)
    expected.push_back("progress " + std::to_string(i));
  EXPECT_EQ(expected, observer_.events);
  EXPECT_EQ(0u, lzma_.GetLastErrorCode());
}

class LzmaUtilLayoutTest : public LzmaUtilTest,
                           public testing::WithParamInterface<const wchar_t*> {};

// The x86 filter real packages use, and a self-extractor whose archive
// starts 600 KiB in, behind a stray signature with a bad start header.
TEST_P(LzmaUtilLayoutTest, SameTreeAsTheSources) {
  ASSERT_EQ(LzmaUtil::kOk, ExtractFrom(GetParam()));
  EXPECT_EQ(kWholeTree, ListTree(out_));
  ExpectSameAsSource(L"installer.exe");
  ExpectSameAsSource(L"sub\\inner\\c.txt");
}

INSTANTIATE_TEST_SUITE_P(Archives, LzmaUtilLayoutTest,
                         testing::Values(L"bcj2.7z", L"sfx_600k.exe"));

TEST_F(LzmaUtilTest, FilterWritesOnlyTheNamedEntryAndStops) {
  const std::set<std::wstring> filter = {L"installer.exe"};
  ASSERT_EQ(LzmaUtil::kOk, ExtractFrom(L"whole.7z", &filter));
  EXPECT_EQ((std::set<std::wstring>{L"installer.exe"}), ListTree(out_));
  ExpectSameAsSource(L"installer.exe");
  EXPECT_EQ((std::vector<base::FilePath>{out_.Append(L"installer.exe")}), files_);
  EXPECT_EQ((std::vector<std::string>{"count 1", "progress 0"}), observer_.events);
}

TEST_F(LzmaUtilTest, FilterNamesMayUseEitherSeparator) {
  // The archive stores "sub/inner/c.txt"; our lists say "sub\inner\c.txt".
  const std::set<std::wstring> filter = {L"sub\\inner\\c.txt", L"not/there.txt"};
  ASSERT_EQ(LzmaUtil::kOk, ExtractFrom(L"whole.7z", &filter));
  EXPECT_EQ((std::set<std::wstring>{L"sub\\", L"sub\\inner\\", L"sub\\inner\\c.txt"}),
            ListTree(out_));
  ExpectSameAsSource(L"sub\\inner\\c.txt");
  // Intermediate folders made on the way count as created as well.
  EXPECT_EQ((std::vector<base::FilePath>{out_, out_.Append(L"sub"), out_.Append(L"sub\\inner")}),
            folders_);
  // The count is what was asked for, not what was found.
  EXPECT_EQ((std::vector<std::string>{"count 2", "progress 0"}), observer_.events);
}

TEST_F(LzmaUtilTest, CreatedFoldersAreReportedOnlyOnce) {
  ASSERT_EQ(LzmaUtil::kOk, ExtractFrom(L"whole.7z"));
  EXPECT_EQ(4u, folders_.size());
  folders_.clear();
  files_.clear();
  ASSERT_EQ(LzmaUtil::kOk, lzma_.Extract(out_, nullptr, nullptr, &files_, &folders_));
  EXPECT_TRUE(folders_.empty());
  EXPECT_EQ(4u, files_.size());

  // Even when the folder went away meanwhile: this object already reported
  // it once.
  ASSERT_TRUE(base::DeleteFile(out_.Append(L"emptydir"), true));
  ASSERT_EQ(LzmaUtil::kOk, lzma_.Extract(out_, nullptr, nullptr, nullptr, &folders_));
  EXPECT_TRUE(base::DirectoryExists(out_.Append(L"emptydir")));
  EXPECT_TRUE(folders_.empty());
}

TEST_F(LzmaUtilTest, ArchiveAfterTheFirstMiBIsNotFound) {
  EXPECT_EQ(LzmaUtil::kNoSignature, ExtractFrom(L"sfx_after_1m.exe"));
  EXPECT_FALSE(base::PathExists(out_));
  EXPECT_TRUE(observer_.events.empty());
}

class LzmaUtilHostileNameTest : public LzmaUtilTest,
                                public testing::WithParamInterface<const wchar_t*> {};

TEST_P(LzmaUtilHostileNameTest, FailsBeforeWritingAnything) {
  testing_support::ScopedLogCapture log;
  EXPECT_EQ(LzmaUtil::kBadEntryName, ExtractFrom(GetParam()));
  EXPECT_TRUE(log.Contains("escape.txt\": its name is not a safe relative path"));
  // Not even the harmless entry before it, and nothing beside the output.
  EXPECT_FALSE(base::PathExists(out_));
  EXPECT_TRUE(base::IsDirectoryEmpty(temp_.GetPath()));
  EXPECT_FALSE(base::PathExists(temp_.GetPath().DirName().Append(L"escape.txt")));
  EXPECT_TRUE(files_.empty());
  EXPECT_TRUE(folders_.empty());
}

INSTANTIATE_TEST_SUITE_P(Names, LzmaUtilHostileNameTest,
                         testing::Values(L"parent_slash.7z", L"parent_backslash.7z",
                                         L"drive.7z"));

TEST_F(LzmaUtilTest, HostileNameOutsideTheFilterIsNeverTouched) {
  const std::set<std::wstring> filter = {L"good.txt"};
  ASSERT_EQ(LzmaUtil::kOk, ExtractFrom(L"parent_slash.7z", &filter));
  EXPECT_EQ((std::set<std::wstring>{L"good.txt"}), ListTree(out_));
}

TEST_F(LzmaUtilTest, OpenAndExtractErrors) {
  EXPECT_EQ(0u, lzma_.GetLastErrorCode());
  EXPECT_EQ(LzmaUtil::kNoArchiveOpen, lzma_.Extract(out_, nullptr, nullptr, nullptr, nullptr));
  EXPECT_EQ(LzmaUtil::kOpenFileNotFound, lzma_.Open(temp_.GetPath().Append(L"missing.7z")));
  EXPECT_EQ(LzmaUtil::kOpenError, lzma_.Open(temp_.GetPath()));
  EXPECT_EQ(LzmaUtil::kNoArchiveOpen, lzma_.Extract(out_, nullptr, nullptr, nullptr, nullptr));

  // A failed Open leaves nothing open, even after a good one.
  ASSERT_EQ(LzmaUtil::kOpenOk, lzma_.Open(TestData(L"whole.7z")));
  EXPECT_EQ(LzmaUtil::kOpenFileNotFound, lzma_.Open(temp_.GetPath().Append(L"missing.7z")));
  EXPECT_EQ(LzmaUtil::kNoArchiveOpen, lzma_.Extract(out_, nullptr, nullptr, nullptr, nullptr));

  ASSERT_EQ(LzmaUtil::kOpenOk, lzma_.Open(TestData(L"whole.7z")));
  lzma_.Close();
  EXPECT_EQ(LzmaUtil::kNoArchiveOpen, lzma_.Extract(out_, nullptr, nullptr, nullptr, nullptr));
  EXPECT_FALSE(base::PathExists(out_));
}

TEST_F(LzmaUtilTest, DamagedArchives) {
  EXPECT_EQ(LzmaUtil::kArchiveOpenFailed, ExtractFrom(L"truncated.7z"));
  EXPECT_EQ(LzmaUtil::kDecodeFailed, ExtractFrom(L"corrupt.7z"));
  // The decoder's temporary file does not outlive the failure.
  for (const std::wstring& entry : ListTree(out_))
    EXPECT_EQ(std::wstring::npos, entry.find(L".tmp")) << entry;
}

TEST_F(LzmaUtilTest, OutputFileThatCannotBeCreated) {
  ASSERT_TRUE(base::CreateDirectory(out_.Append(L"installer.exe")));
  const std::set<std::wstring> filter = {L"installer.exe"};
  EXPECT_EQ(LzmaUtil::kCreateFileFailed, ExtractFrom(L"whole.7z", &filter));
  EXPECT_TRUE(files_.empty());
}

void RaiseInPageError(uint8_t* block, size_t size) {
  const ULONG_PTR info[3] = {0, reinterpret_cast<ULONG_PTR>(block + size / 2), kDeviceDataError};
  RaiseException(EXCEPTION_IN_PAGE_ERROR, 0, 3, info);
}

TEST_F(LzmaUtilTest, InPageErrorInTheDecoderBuffer) {
  testing_support::ScopedLogCapture log;
  {
    ScopedDecodedBlockHook hook(&RaiseInPageError);
    EXPECT_EQ(LzmaUtil::kInPageError, ExtractFrom(L"whole.7z"));
  }
  EXPECT_EQ(kDeviceDataError, lzma_.GetLastErrorCode());
  EXPECT_TRUE(log.Contains(
      "EXCEPTION_IN_PAGE_ERROR while accessing mapped memory; NTSTATUS = 0xC000009C"));
  // Only entries without data (decoded without the buffer) came before the
  // fault; the temporary file went with the abandoned decoder...
  EXPECT_FALSE(base::PathExists(out_.Append(L"installer.exe")));
  for (const std::wstring& entry : ListTree(out_))
    EXPECT_TRUE(kWholeTree.count(entry)) << entry;
  // ...and the object still works.
  EXPECT_EQ(LzmaUtil::kOk, lzma_.Extract(out_, nullptr, nullptr, nullptr, nullptr));
  EXPECT_EQ(kWholeTree, ListTree(out_));
}

// How Wine reports a mapped page that cannot be read.
void MakeBlockUnreadable(uint8_t* block, size_t size) {
  DWORD old_protection;
  VirtualProtect(block, size, PAGE_NOACCESS, &old_protection);
  static_cast<volatile uint8_t*>(block)[size - 1] = 0;
}

TEST_F(LzmaUtilTest, AccessViolationInTheDecoderBuffer) {
  ScopedDecodedBlockHook hook(&MakeBlockUnreadable);
  EXPECT_EQ(LzmaUtil::kInPageError, ExtractFrom(L"whole.7z"));
  EXPECT_EQ(static_cast<uint32_t>(EXCEPTION_ACCESS_VIOLATION), lzma_.GetLastErrorCode());
}

}  // namespace

#include "desktop/windows/installer/lzma_util/lzma_util.h"

#include <windows.h>

#include <tlhelp32.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "base/files/file_enumerator.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/logging.h"
#include "base/strings/utf_string_conversions.h"
#include "base/time/time.h"
#include "desktop/windows/installer/lzma_util/block_memory.h"
#include "desktop/windows/installer/lzma_util/unpack_progress_observer.h"
#include "desktop/windows/installer/signature_checker/test_support/scoped_trusted_test_root.h"
#include "gtest/gtest.h"
#include "testing/build_paths.h"
#include "testing/scoped_log_capture.h"

namespace {

// Written by make_lzma_test_data.py.
constexpr time_t kMTime = 1614834367;
constexpr time_t kOtherMTime = 1577836798;
constexpr uint32_t kDeviceDataError = 0xC000009C;  // STATUS_DEVICE_DATA_ERROR

base::FilePath TestData(const wchar_t* name) {
  return testing_support::BinFile(L"lzma_test_data", name);
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

class ScopedDecoder {
 public:
  explicit ScopedDecoder(LzmaUtil::DecoderForTesting decoder) {
    LzmaUtil::SetDecoderForTesting(decoder);
  }
  ~ScopedDecoder() { LzmaUtil::SetDecoderForTesting(LzmaUtil::DecoderForTesting::kAny); }
};

// Threads of this process: the extraction's own must all have ended.
// The threads of this process that started in this program's own code.
// The system's pool threads (started in its DLLs, on behalf of whatever
// earlier test) come and go when they like and are not counted.
size_t ThreadCount() {
  using QueryThread = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);
  constexpr int kThreadQuerySetWin32StartAddress = 9;
  static const auto query = reinterpret_cast<QueryThread>(
      GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationThread"));
  const auto* image = reinterpret_cast<const BYTE*>(GetModuleHandleW(nullptr));
  const auto* headers = reinterpret_cast<const IMAGE_NT_HEADERS*>(
      image + reinterpret_cast<const IMAGE_DOS_HEADER*>(image)->e_lfanew);
  const BYTE* image_end = image + headers->OptionalHeader.SizeOfImage;
  size_t count = 0;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  THREADENTRY32 entry = {sizeof(entry)};
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
    if (entry.th32OwnerProcessID != GetCurrentProcessId())
      continue;
    HANDLE thread = OpenThread(THREAD_QUERY_INFORMATION, FALSE, entry.th32ThreadID);
    if (!thread)
      continue;  // ended since the snapshot
    const BYTE* start = nullptr;
    // A thread that cannot be asked counts: better a false alarm than none.
    if (!query ||
        query(thread, kThreadQuerySetWin32StartAddress, &start, sizeof(start), nullptr) != 0 ||
        (start >= image && start < image_end)) {
      ++count;
    }
    CloseHandle(thread);
  }
  CloseHandle(snapshot);
  return count;
}

class ScopedDecodedBlockHook {
 public:
  explicit ScopedDecodedBlockHook(LzmaUtil::DecodedBlockHook hook) {
    LzmaUtil::SetDecodedBlockHookForTesting(hook);
  }
  ~ScopedDecodedBlockHook() { LzmaUtil::SetDecodedBlockHookForTesting(nullptr); }
};

const std::set<std::wstring> kWholeTree = {L"installer.exe", L"readme.txt",   L"empty.txt",
                                           L"sub\\",         L"sub\\inner\\", L"sub\\inner\\c.txt",
                                           L"emptydir\\"};

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

  // Same files, bytes and times, same folders as `source` of the test data.
  void ExpectSameTree(const wchar_t* source_name, const base::FilePath& out) {
    const base::FilePath source = TestData(source_name);
    EXPECT_EQ(ListTree(source), ListTree(out));
    for (const std::wstring& entry : ListTree(source)) {
      if (entry.back() == L'\\')
        continue;
      EXPECT_EQ(ReadAll(source.Append(entry)), ReadAll(out.Append(entry))) << entry;
      base::File::Info expected, actual;
      ASSERT_TRUE(base::GetFileInfo(source.Append(entry), &expected));
      ASSERT_TRUE(base::GetFileInfo(out.Append(entry), &actual));
      EXPECT_EQ(expected.last_modified.ToTimeT(), actual.last_modified.ToTimeT()) << entry;
    }
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
  EXPECT_EQ(
      (std::set<base::FilePath>{out_.Append(L"installer.exe"), out_.Append(L"readme.txt"),
                                out_.Append(L"empty.txt"), out_.Append(L"sub\\inner\\c.txt")}),
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

// Found by the fuzzer: the names are optional in the header, and reading a
// name that is not there crashed.
TEST_F(LzmaUtilTest, EntriesWithoutNamesFailBeforeWritingAnything) {
  testing_support::ScopedLogCapture log;
  EXPECT_EQ(LzmaUtil::kBadEntryName, ExtractFrom(L"no_names.7z"));
  EXPECT_TRUE(log.Contains("The archive's entries have no names"));
  EXPECT_FALSE(base::PathExists(out_));
  EXPECT_TRUE(files_.empty());
}

struct HostileName {
  const wchar_t* archive;
  // As the log prints it.
  const char* name;
};

class LzmaUtilHostileNameTest : public LzmaUtilTest,
                                public testing::WithParamInterface<HostileName> {};

TEST_P(LzmaUtilHostileNameTest, FailsBeforeWritingAnything) {
  testing_support::ScopedLogCapture log;
  EXPECT_EQ(LzmaUtil::kBadEntryName, ExtractFrom(GetParam().archive));
  EXPECT_TRUE(log.Contains(std::string("Refusing the archive entry \"") + GetParam().name +
                           "\": its name is not a safe relative path"));
  // Not even the harmless entry before it, and nothing beside the output.
  EXPECT_FALSE(base::PathExists(out_));
  EXPECT_TRUE(base::IsDirectoryEmpty(temp_.GetPath()));
  EXPECT_FALSE(base::PathExists(temp_.GetPath().DirName().Append(L"escape.txt")));
  EXPECT_TRUE(files_.empty());
  EXPECT_TRUE(folders_.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Names,
    LzmaUtilHostileNameTest,
    testing::Values(HostileName{L"parent_slash.7z", "../escape.txt"},
                    HostileName{L"parent_backslash.7z", "..\\escape.txt"},
                    HostileName{L"drive.7z", "C:/escape.txt"},
                    HostileName{L"control_character.7z", "z<U+001B>/escape.txt"}));

// As bsdtar stores a folder's contents: "./a.txt", "./d/b.txt", "./d" and
// "." for the folder itself, which is the output folder.
TEST_F(LzmaUtilTest, NamesUnderTheCurrentFolderAreTakenBelowTheOutput) {
  ASSERT_EQ(LzmaUtil::kOk, ExtractFrom(L"dot_names.7z"));
  ExpectSameTree(L"src_dots", out_);
  EXPECT_EQ("count 3", observer_.events.front());
  const std::set<std::wstring> filter = {L"d/b.txt"};
  ASSERT_TRUE(base::DeleteFile(out_, /*recursive=*/true));
  ASSERT_EQ(LzmaUtil::kOk, ExtractFrom(L"dot_names.7z", &filter));
  EXPECT_EQ((std::set<std::wstring>{L"d\\", L"d\\b.txt"}), ListTree(out_));
}

TEST_F(LzmaUtilTest, EmptyArchiveWritesNothingAndSaysNothingIsWrong) {
  testing_support::ScopedLogCapture log;
  ASSERT_EQ(LzmaUtil::kOk, ExtractFrom(L"empty.7z"));
  EXPECT_TRUE(ListTree(out_).empty());
  EXPECT_FALSE(log.Contains("could not be read"));
}

// Entries that name one file, exactly or in another case, are written in
// archive order whatever thread writes them: the last one's bytes stay,
// under the name the first gave the file, reported once. Run many times,
// as a race would show only now and then.
TEST_F(LzmaUtilTest, EntriesNamingOneFileLeaveTheLastOnesBytes) {
  const base::FilePath source = TestData(L"src_same");
  for (const wchar_t* archive :
       {L"same_name_copy.7z", L"same_name_lzma2.7z", L"same_name_lzma2_solid.7z"}) {
    ASSERT_EQ(LzmaUtil::kOpenOk, lzma_.Open(TestData(archive)));
    for (int run = 0; run < 12; ++run) {
      const base::FilePath out = temp_.GetPath().AppendASCII(std::to_string(run));
      std::vector<base::FilePath> files;
      ASSERT_EQ(LzmaUtil::kOk, lzma_.Extract(out, nullptr, nullptr, &files, nullptr)) << archive;
      EXPECT_EQ((std::set<std::wstring>{L"CLASH.TXT", L"Dir\\", L"Dir\\a.txt", L"Dir\\b.txt",
                                        L"dup.txt"}),
                ListTree(out));
      EXPECT_EQ(ReadAll(source.Append(L"clash.txt")), ReadAll(out.Append(L"CLASH.TXT")))
          << archive << " " << run;
      EXPECT_EQ(ReadAll(source.Append(L"dup.txu")), ReadAll(out.Append(L"dup.txt")))
          << archive << " " << run;
      EXPECT_EQ(4u, files.size());
      ASSERT_TRUE(base::DeleteFile(out, /*recursive=*/true));
    }
  }
}

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

// As 7z does: the file is written and counted, keeps the time it was
// written at, and the extraction goes on.
TEST_F(LzmaUtilTest, TimeWindowsCannotRepresentIsSkippedWithAWarning) {
  testing_support::ScopedLogCapture log;
  ASSERT_EQ(LzmaUtil::kOk, ExtractFrom(L"bad_time.7z"));
  EXPECT_TRUE(log.Contains("Not setting the modification time of bad_time.txt"));
  EXPECT_EQ((std::set<base::FilePath>{out_.Append(L"bad_time.txt"), out_.Append(L"after.txt")}),
            std::set<base::FilePath>(files_.begin(), files_.end()));
  const base::FilePath source = TestData(L"src_time");
  for (const wchar_t* name : {L"bad_time.txt", L"after.txt"})
    EXPECT_EQ(ReadAll(source.Append(name)), ReadAll(out_.Append(name))) << name;
  base::File::Info info;
  ASSERT_TRUE(base::GetFileInfo(out_.Append(L"after.txt"), &info));
  EXPECT_EQ(kMTime, info.last_modified.ToTimeT());
}

// The deletion markers of an update archive (of b.txt and the tree d\)
// create nothing, and only what is written counts.
TEST_F(LzmaUtilTest, DeletionMarkersCreateNothing) {
  ASSERT_EQ(LzmaUtil::kOk, ExtractFrom(L"diff.7z"));
  ExpectSameTree(L"src_diff", out_);
  EXPECT_EQ((std::vector<base::FilePath>{out_.Append(L"new.txt")}), files_);
  EXPECT_EQ((std::vector<base::FilePath>{out_}), folders_);
  EXPECT_EQ((std::vector<std::string>{"count 1", "progress 0"}), observer_.events);
}

TEST_F(LzmaUtilTest, OutputFileThatCannotBeCreated) {
  ASSERT_TRUE(base::CreateDirectory(out_.Append(L"INSTALLER.exe")));
  const std::set<std::wstring> filter = {L"installer.exe"};
  testing_support::ScopedLogCapture log;
  EXPECT_EQ(LzmaUtil::kCreateFileFailed, ExtractFrom(L"whole.7z", &filter));
  EXPECT_TRUE(log.Contains("a folder of that name (or of one that differs only in case) is there"));
  EXPECT_TRUE(files_.empty());
}

// Files the decoders left behind (GetTempFileName's "*.tmp").
size_t CountTemporaryFiles(const base::FilePath& root) {
  size_t count = 0;
  base::FileEnumerator it(root, true, base::FileEnumerator::FILES, L"*.tmp");
  for (base::FilePath path = it.Next(); !path.empty(); path = it.Next())
    ++count;
  return count;
}

constexpr LzmaUtil::DecoderForTesting kAnyDecoder = LzmaUtil::DecoderForTesting::kAny;
constexpr LzmaUtil::DecoderForTesting kStreaming = LzmaUtil::DecoderForTesting::kStreaming;
constexpr LzmaUtil::DecoderForTesting kWholeBlock = LzmaUtil::DecoderForTesting::kWholeBlock;
constexpr LzmaUtil::DecoderForTesting kInMemory = LzmaUtil::DecoderForTesting::kInMemory;

// An archive that cannot be extracted keeps its result code, and the log
// says in words what is wrong with it; the file it failed at is not left,
// nor a decoder's temporary file.
struct FailureCase {
  const wchar_t* archive;
  LzmaUtil::DecoderForTesting decoder;
  LzmaUtil::ExtractResult result;
  const char* cause;
  const wchar_t* failed_file = L"installer.exe";
};

class LzmaUtilFailureTest : public LzmaUtilTest, public testing::WithParamInterface<FailureCase> {};

TEST_P(LzmaUtilFailureTest, SaysWhatIsWrong) {
  ScopedDecoder decoder(GetParam().decoder);
  testing_support::ScopedLogCapture log;
  EXPECT_EQ(GetParam().result, ExtractFrom(GetParam().archive));
  EXPECT_TRUE(log.Contains(GetParam().cause)) << GetParam().cause;
  EXPECT_FALSE(base::PathExists(out_.Append(GetParam().failed_file)));
  EXPECT_EQ(0u, CountTemporaryFiles(out_));
}

constexpr char kTruncated[] =
    "Cannot open the archive: the archive is truncated, or one volume of a multi-volume set "
    "(SzArchiveOpen: 6)";
constexpr char kDamaged[] = ": its data are damaged (SzExtract: 1)";
constexpr char kBadCrc[] = "Cannot extract readme.txt: its data are damaged (CRC mismatch)";

INSTANTIATE_TEST_SUITE_P(
    Archives,
    LzmaUtilFailureTest,
    testing::Values(
        FailureCase{L"truncated.7z", kAnyDecoder, LzmaUtil::kArchiveOpenFailed, kTruncated},
        FailureCase{L"volume.7z.001", kAnyDecoder, LzmaUtil::kArchiveOpenFailed, kTruncated},
        FailureCase{L"encrypted_header.7z", kAnyDecoder, LzmaUtil::kArchiveOpenFailed,
                    "the archive's header is encrypted, and no password can be given"},
        FailureCase{L"encrypted.7z", kAnyDecoder, LzmaUtil::kDecodeFailed,
                    ": it is encrypted, and no password can be given (SzExtract: 4)"},
        FailureCase{L"corrupt.7z", kStreaming, LzmaUtil::kDecodeFailed, kDamaged},
        FailureCase{L"corrupt.7z", kWholeBlock, LzmaUtil::kDecodeFailed, kDamaged},
        FailureCase{L"bad_crc.7z", kStreaming, LzmaUtil::kDecodeFailed, kBadCrc, L"readme.txt"},
        FailureCase{L"bad_crc.7z", kWholeBlock, LzmaUtil::kDecodeFailed, kBadCrc,
                    L"readme.txt"},
        FailureCase{L"method_bzip2.7z", kAnyDecoder, LzmaUtil::kDecodeFailed,
                    "coded with BZip2, which this decoder does not support (SzExtract: 4)"},
        FailureCase{L"method_deflate.7z", kAnyDecoder, LzmaUtil::kDecodeFailed,
                    "coded with Deflate, which this decoder does not support (SzExtract: 4)"},
        FailureCase{L"method_three_coders.7z", kAnyDecoder, LzmaUtil::kDecodeFailed,
                    "coded with Delta, BCJ, LZMA2 combined in a way this decoder does not support"},
        FailureCase{L"file_folder_clash.7z", kAnyDecoder, LzmaUtil::kBadEntryName,
                    "Refusing the archive: the entry \"DIR\" is a file, and the entry \"Dir\" is "
                    "a folder of that name (names that differ only in case name one)",
                    L"Dir\\a.txt"}));

const std::set<std::wstring> kBlocksTree = {L"first.exe", L"small.txt",       L"empty.txt",
                                            L"dir\\",     L"dir\\second.exe", L"emptydir\\"};

class ScopedKeepFreedBlocksUnreadable {
 public:
  ScopedKeepFreedBlocksUnreadable() { BlockMemory::SetKeepFreedUnreadableForTesting(true); }
  ~ScopedKeepFreedBlocksUnreadable() { BlockMemory::SetKeepFreedUnreadableForTesting(false); }
};

// Every decoder against the sources p7zip packed: same files, bytes and
// times, same folders, and the decoder each archive's blocks are meant to
// take.
struct DecoderCase {
  const wchar_t* archive;
  const wchar_t* source;
  LzmaUtil::DecoderForTesting decoder;
  // Whether the streaming decoder knows its coders.
  bool streamed = true;
};

class LzmaUtilArchiveTest : public LzmaUtilTest, public testing::WithParamInterface<DecoderCase> {
};

TEST_P(LzmaUtilArchiveTest, EveryDecoderWritesTheSources) {
  ScopedKeepFreedBlocksUnreadable check;
  const size_t threads = ThreadCount();
  ASSERT_EQ(LzmaUtil::kOk, ExtractFrom(GetParam().archive));
  EXPECT_EQ(GetParam().decoder, LzmaUtil::LastDecoderForTesting());
  ExpectSameTree(GetParam().source, out_);
  for (const LzmaUtil::DecoderForTesting forced : {kStreaming, kWholeBlock, kInMemory}) {
    const base::FilePath out = temp_.GetPath().AppendASCII(std::to_string(static_cast<int>(forced)));
    std::vector<base::FilePath> files;
    RecordingObserver observer;
    ScopedDecoder decoder(forced);
    ASSERT_EQ(LzmaUtil::kOk, lzma_.Extract(out, nullptr, &observer, &files, nullptr));
    EXPECT_EQ(forced == kStreaming && !GetParam().streamed ? kWholeBlock : forced,
              LzmaUtil::LastDecoderForTesting());
    ExpectSameTree(GetParam().source, out);
    EXPECT_EQ(observer_.events, observer.events);
    ASSERT_EQ(files_.size(), files.size());
    for (size_t i = 0; i < files.size(); ++i)
      EXPECT_EQ(files_[i].BaseName(), files[i].BaseName());
  }
  // The decoding threads are gone with the extraction.
  EXPECT_LE(ThreadCount(), threads);
}

INSTANTIATE_TEST_SUITE_P(Archives,
                         LzmaUtilArchiveTest,
                         testing::Values(DecoderCase{L"whole.7z", L"src", kInMemory},
                                         DecoderCase{L"bcj.7z", L"src", kInMemory},
                                         DecoderCase{L"bcj2.7z", L"src", kInMemory},
                                         DecoderCase{L"lzma.7z", L"src", kInMemory},
                                         DecoderCase{L"folders.7z", L"src", kInMemory},
                                         DecoderCase{L"sfx_600k.exe", L"src", kInMemory},
                                         DecoderCase{L"blocks.7z", L"src_blocks", kStreaming},
                                         DecoderCase{L"blocks_bcj.7z", L"src_blocks", kStreaming},
                                         DecoderCase{L"blocks_bcj2.7z", L"src_blocks", kStreaming},
                                         DecoderCase{L"copy.7z", L"src", kInMemory, false},
                                         DecoderCase{L"delta.7z", L"src", kInMemory, false},
                                         DecoderCase{L"ppmd.7z", L"src", kInMemory, false}),
                         [](const testing::TestParamInfo<DecoderCase>& info) {
                           std::string name;
                           for (const wchar_t* c = info.param.archive; *c; ++c)
                             name += iswalnum(*c) ? static_cast<char>(*c) : '_';
                           return name;
                         });

// Each coder only the SDK decodes, solid and not, with an empty file and an
// empty folder listed after files with data. A block's buffer is given up
// only once its pieces are written, and then it stays unreadable: a writer
// still at it would fail, and could not write bytes of another block.
class LzmaUtilCoderTest : public LzmaUtilTest, public testing::WithParamInterface<const char*> {};

TEST_P(LzmaUtilCoderTest, EntriesWithoutDataAfterDataKeepTheBlockUntilWritten) {
  ScopedKeepFreedBlocksUnreadable check;
  for (const auto forced : {kWholeBlock, kInMemory})
  for (const char* solid : {"on", "off"}) {
    ScopedDecoder decoder(forced);
    const std::string name = std::string("coder_") + GetParam() + "_solid_" + solid + ".7z";
    const base::FilePath out =
        temp_.GetPath().AppendASCII(std::to_string(static_cast<int>(forced))).AppendASCII(name);
    const size_t freed = BlockMemory::FreedCountForTesting();
    files_.clear();
    ASSERT_EQ(LzmaUtil::kOpenOk, lzma_.Open(TestData(base::ASCIIToWide(name).c_str())));
    ASSERT_EQ(LzmaUtil::kOk, lzma_.Extract(out, nullptr, nullptr, &files_, nullptr)) << name;
    EXPECT_EQ(forced, LzmaUtil::LastDecoderForTesting());
    ExpectSameTree(L"src_coders", out);
    EXPECT_EQ((std::vector<base::FilePath>{out.Append(L"a.bin"), out.Append(L"empty.txt"),
                                           out.Append(L"b.txt")}),
              files_);
    EXPECT_GT(BlockMemory::FreedCountForTesting(), freed) << name;
  }
}

INSTANTIATE_TEST_SUITE_P(Coders,
                         LzmaUtilCoderTest,
                         testing::Values("copy", "ppmd", "bcj_copy", "delta", "arm64", "arm",
                                         "armt", "ppc", "ia64", "sparc", "riscv"));

TEST_F(LzmaUtilTest, FilterStopsAfterTheLastNamedEntryOfAStreamedBlock) {
  // dir/second.exe is the first file of the block; the rest is not written.
  const std::set<std::wstring> filter = {L"dir\\second.exe", L"emptydir"};
  ASSERT_EQ(LzmaUtil::kOk, ExtractFrom(L"blocks_bcj2.7z", &filter));
  EXPECT_EQ(LzmaUtil::DecoderForTesting::kStreaming, LzmaUtil::LastDecoderForTesting());
  EXPECT_EQ((std::set<std::wstring>{L"dir\\", L"dir\\second.exe", L"emptydir\\"}), ListTree(out_));
  EXPECT_EQ(ReadAll(TestData(L"src_blocks\\dir\\second.exe")),
            ReadAll(out_.Append(L"dir\\second.exe")));
  EXPECT_EQ((std::vector<std::string>{"count 2", "progress 0", "progress 1"}), observer_.events);
}

class LzmaUtilEachDecoderTest : public LzmaUtilTest,
                                public testing::WithParamInterface<LzmaUtil::DecoderForTesting> {};

INSTANTIATE_TEST_SUITE_P(Decoders,
                         LzmaUtilEachDecoderTest,
                         testing::Values(kStreaming, kWholeBlock, kInMemory),
                         [](const testing::TestParamInfo<LzmaUtil::DecoderForTesting>& info) {
                           return std::string(info.param == kStreaming    ? "Streaming"
                                              : info.param == kWholeBlock ? "WholeBlock"
                                                                          : "InMemory");
                         });

// An attacker hides another archive in or after the certificate table of a
// signed program, which the signature's digest leaves out: only an archive
// in the bytes the signature covers is ever taken, whatever else the file
// holds.
TEST_P(LzmaUtilEachDecoderTest, OnlyAnArchiveTheSignatureCoversIsTaken) {
  ScopedDecoder decoder(GetParam());
  const std::set<std::wstring> filter = {L"installer.exe"};
  for (const wchar_t* name : {L"sfx_signed.exe", L"sfx_signed_in_entry.exe"}) {
    ASSERT_EQ(LzmaUtil::kOpenOk, lzma_.Open(SignedTestFile(name)));
    ASSERT_EQ(LzmaUtil::kOk, lzma_.Extract(out_, &filter, nullptr, nullptr, nullptr)) << name;
    EXPECT_EQ("signed installer", ReadAll(out_.Append(L"installer.exe"))) << name;
    ASSERT_TRUE(base::DeleteFile(out_.Append(L"installer.exe"), /*recursive=*/false));
  }
  testing_support::ScopedLogCapture log;
  for (const wchar_t* name :
       {L"sfx_in_entry.exe", L"sfx_in_directory.exe", L"sfx_after_table.exe", L"expected.exe"}) {
    ASSERT_EQ(LzmaUtil::kOpenOk, lzma_.Open(SignedTestFile(name)));
    EXPECT_EQ(LzmaUtil::kNoSignature, lzma_.Extract(out_, &filter, nullptr, nullptr, nullptr))
        << name;
    EXPECT_FALSE(base::PathExists(out_.Append(L"installer.exe"))) << name;
  }
  // A certificate table that runs past the end of the file: no telling
  // what the signature covers.
  std::string image = ReadAll(SignedTestFile(L"sfx_signed.exe"));
  image.pop_back();
  const base::FilePath cut = temp_.GetPath().Append(L"cut.exe");
  ASSERT_TRUE(base::WriteFile(cut, image));
  ASSERT_EQ(LzmaUtil::kOpenOk, lzma_.Open(cut));
  EXPECT_EQ(LzmaUtil::kNoSignature, lzma_.Extract(out_, &filter, nullptr, nullptr, nullptr));
  EXPECT_FALSE(base::PathExists(out_.Append(L"installer.exe")));
}

// The third LZMA2 block is damaged: the file decoded before it is whole,
// the one it belongs to is gone again, nothing is left half-written.
TEST_P(LzmaUtilEachDecoderTest, DamagedBlockLeavesOnlyWholeFiles) {
  ScopedDecoder decoder(GetParam());
  const size_t threads = ThreadCount();
  EXPECT_EQ(LzmaUtil::kDecodeFailed, ExtractFrom(L"corrupt_block.7z"));
  EXPECT_EQ(GetParam(), LzmaUtil::LastDecoderForTesting());
  EXPECT_FALSE(base::PathExists(out_.Append(L"first.exe")));
  for (const base::FilePath& file : files_) {
    base::FilePath relative;
    ASSERT_TRUE(out_.AppendRelativePath(file, &relative));
    if (base::PathExists(file)) {
      EXPECT_EQ(ReadAll(TestData(L"src_blocks").Append(relative)), ReadAll(file)) << file;
    }
  }
  if (GetParam() == kStreaming) {
    // Streamed: second.exe came out of the first two blocks.
    EXPECT_EQ(ReadAll(TestData(L"src_blocks\\dir\\second.exe")),
              ReadAll(out_.Append(L"dir\\second.exe")));
  }
  EXPECT_EQ(0u, CountTemporaryFiles(out_));
  EXPECT_LE(ThreadCount(), threads);
}

// The data decode, but a file's stored CRC does not match them: that file
// is deleted again, the others stay whole.
TEST_P(LzmaUtilEachDecoderTest, WrongCrcFailsThatFile) {
  ScopedDecoder decoder(GetParam());
  EXPECT_EQ(LzmaUtil::kDecodeFailed, ExtractFrom(L"bad_crc.7z"));
  EXPECT_EQ(GetParam(), LzmaUtil::LastDecoderForTesting());
  EXPECT_FALSE(base::PathExists(out_.Append(L"readme.txt")));
  for (const base::FilePath& file : files_) {
    base::FilePath relative;
    ASSERT_TRUE(out_.AppendRelativePath(file, &relative));
    if (base::PathExists(file)) {
      ExpectSameAsSource(relative.value());
    }
  }
  EXPECT_EQ(0u, CountTemporaryFiles(out_));
}

// A file that cannot be created half-way stops the decoding threads, which
// end before Extract returns, and takes their temporary files along.
TEST_P(LzmaUtilEachDecoderTest, WriteFailureStopsTheDecoding) {
  ScopedDecoder decoder(GetParam());
  ASSERT_TRUE(base::CreateDirectory(out_.Append(L"first.exe")));
  const size_t threads = ThreadCount();
  EXPECT_EQ(LzmaUtil::kCreateFileFailed, ExtractFrom(L"blocks.7z"));
  EXPECT_LE(ThreadCount(), threads);
  EXPECT_EQ(0u, CountTemporaryFiles(out_));
  EXPECT_EQ(
      (std::vector<base::FilePath>{out_.Append(L"empty.txt"), out_.Append(L"dir\\second.exe")}),
      files_);
  EXPECT_EQ(ReadAll(TestData(L"src_blocks\\dir\\second.exe")),
            ReadAll(out_.Append(L"dir\\second.exe")));

  ASSERT_TRUE(base::DeleteFile(out_.Append(L"first.exe"), true));
  ASSERT_EQ(LzmaUtil::kOk, lzma_.Extract(out_, nullptr, nullptr, nullptr, nullptr));
  EXPECT_EQ(kBlocksTree, ListTree(out_));
}

// Each decoder writes a block for each of 300 small files, and keeps its
// buffers from block to block instead of making them anew for each: it
// gives up fewer than a tenth as many. In one block, the same files are
// many small pieces in flight at once.
TEST_P(LzmaUtilEachDecoderTest, ManyBlocksKeepTheirBuffers) {
  ScopedDecoder decoder(GetParam());
  const size_t freed = BlockMemory::FreedCountForTesting();
  ASSERT_EQ(LzmaUtil::kOk, ExtractFrom(L"many_blocks.7z"));
  EXPECT_EQ(GetParam(), LzmaUtil::LastDecoderForTesting());
  ExpectSameTree(L"src_many", out_);
  EXPECT_EQ(303u, files_.size());
  EXPECT_LT(BlockMemory::FreedCountForTesting() - freed, 30u);

  const base::FilePath solid_out = temp_.GetPath().Append(L"solid");
  ASSERT_EQ(LzmaUtil::kOpenOk, lzma_.Open(TestData(L"many_solid.7z")));
  ASSERT_EQ(LzmaUtil::kOk, lzma_.Extract(solid_out, nullptr, nullptr, nullptr, nullptr));
  ExpectSameTree(L"src_many", solid_out);
}

void RaiseInPageError(uint8_t* block, size_t size) {
  const ULONG_PTR info[3] = {0, reinterpret_cast<ULONG_PTR>(block + size / 2), kDeviceDataError};
  RaiseException(EXCEPTION_IN_PAGE_ERROR, 0, 3, info);
}

TEST_P(LzmaUtilEachDecoderTest, InPageErrorInTheDecoderBuffer) {
  ScopedDecoder decoder(GetParam());
  testing_support::ScopedLogCapture log;
  {
    ScopedDecodedBlockHook hook(&RaiseInPageError);
    EXPECT_EQ(LzmaUtil::kInPageError, ExtractFrom(L"whole.7z"));
  }
  EXPECT_EQ(kDeviceDataError, lzma_.GetLastErrorCode());
  EXPECT_EQ(GetParam(), LzmaUtil::LastDecoderForTesting());
  EXPECT_TRUE(
      log.Contains("EXCEPTION_IN_PAGE_ERROR while accessing mapped memory; NTSTATUS = 0xC000009C"));
  // Only entries without data (decoded without the buffer) came before the
  // fault; the temporary file went with the abandoned decoder...
  EXPECT_FALSE(base::PathExists(out_.Append(L"installer.exe")));
  for (const std::wstring& entry : ListTree(out_))
    EXPECT_TRUE(kWholeTree.count(entry)) << entry;
  // ...and the object still works.
  EXPECT_EQ(0u, CountTemporaryFiles(out_));
  EXPECT_EQ(LzmaUtil::kOk, lzma_.Extract(out_, nullptr, nullptr, nullptr, nullptr));
  EXPECT_EQ(kWholeTree, ListTree(out_));
}

// How Wine reports a mapped page that cannot be read.
void MakeBlockUnreadable(uint8_t* block, size_t size) {
  DWORD old_protection;
  VirtualProtect(block, size, PAGE_NOACCESS, &old_protection);
  static_cast<volatile uint8_t*>(block)[size - 1] = 0;
}

TEST_P(LzmaUtilEachDecoderTest, AccessViolationInTheDecoderBuffer) {
  ScopedDecoder decoder(GetParam());
  ScopedDecodedBlockHook hook(&MakeBlockUnreadable);
  EXPECT_EQ(LzmaUtil::kInPageError, ExtractFrom(L"whole.7z"));
  EXPECT_EQ(static_cast<uint32_t>(EXCEPTION_ACCESS_VIOLATION), lzma_.GetLastErrorCode());
}

// The block is decoded, then its pages cannot be read by the thread that
// cuts it into the files' pieces: that thread's guard reports it.
void ProtectBlock(uint8_t* block, size_t size) {
  DWORD old_protection;
  VirtualProtect(block, size, PAGE_NOACCESS, &old_protection);
}

TEST_F(LzmaUtilTest, UnreadableBlockWhileStreamingIsAnInPageError) {
  ScopedDecoder decoder(kStreaming);
  ScopedDecodedBlockHook hook(&ProtectBlock);
  EXPECT_EQ(LzmaUtil::kInPageError, ExtractFrom(L"whole.7z"));
  EXPECT_EQ(LzmaUtil::DecoderForTesting::kStreaming, LzmaUtil::LastDecoderForTesting());
  EXPECT_EQ(static_cast<uint32_t>(EXCEPTION_ACCESS_VIOLATION), lzma_.GetLastErrorCode());
  EXPECT_FALSE(base::PathExists(out_.Append(L"installer.exe")));
  EXPECT_EQ(0u, CountTemporaryFiles(out_));
}

}  // namespace

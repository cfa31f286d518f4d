#ifndef DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_LZMA_UTIL_H_
#define DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_LZMA_UTIL_H_

#include <windows.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "base/files/file.h"
#include "base/files/file_path.h"
#include "base/win/scoped_handle.h"
#include "desktop/windows/installer/lzma_util/folder_tree_maker.h"

class ArchiveView;
class UnpackProgressObserver;

// Unpacks a 7z archive, or a self-extracting executable carrying one within
// its first MiB, into a folder. From a signed executable only an archive
// wholly inside the bytes its signature covers is taken. Entry names may
// use "/" or "\", and start with "./" as tar writers store them; an entry
// whose name is not a safe relative path, or a name that would be a file
// and a folder at once, fails the whole extraction before anything is
// written. Entries that name one file (also in another case) are written
// in archive order: the last one's bytes stay.
//
// Each solid block goes to the decoder that suits it (see
// DispatchingSource). A small one is decoded whole in memory. Larger
// blocks of LZMA or LZMA2, alone, behind the x86 filter or with BCJ2 (what
// packages use) are streamed: decoded on several threads where the LZMA2
// stream has independent blocks, and written in pieces while decoding goes
// on (see FolderPipeline). Other large blocks go through the LZMA SDK's
// decoder, which unpacks a whole solid block first. Either way the decoded
// data of large blocks waits in temporary files in the output folder,
// mapped into memory (see FileBackedSzAlloc), not on the heap, and every
// file's CRC is checked: a file whose data turns out bad is deleted again
// (it stays in the written files).
class LzmaUtil {
 public:
  enum OpenResult : uint32_t {
    kOpenOk = 0,
    kOpenFileNotFound = 1,
    kOpenError = 2,
  };

  enum ExtractResult : uint32_t {
    kOk = 0,
    kNoArchiveOpen = 1,
    kArchiveOpenFailed = 3,
    kDecodeFailed = 4,
    kInPageError = 5,
    // Also an entry name that is not a safe relative path, or that would
    // be a file and a folder at once.
    kBadEntryName = 6,
    // Also a folder that could not be created.
    kCreateFileFailed = 7,
    kWriteFileFailed = 8,
    kSetFileTimeFailed = 9,
    kCloseFileFailed = 10,
    kNoSignature = 11,
  };

  LzmaUtil();
  LzmaUtil(const LzmaUtil&) = delete;
  LzmaUtil& operator=(const LzmaUtil&) = delete;
  virtual ~LzmaUtil();

  // Closes any open archive first.
  virtual OpenResult Open(const base::FilePath& archive_path);
  // Takes `archive`, already open for reading (one whose bytes were checked
  // through this very handle, so that what is unpacked is what was
  // checked). Closes any open archive first.
  virtual OpenResult OpenFile(base::File archive);
  virtual void Close();

  // Writes the entries (all, or only those named in `filter`, matched
  // exactly with either separator) below `output_folder`, keeping their
  // modification times. `written_files` receives every file created, in
  // archive order, even when a later entry fails; `created_folders` the
  // folders this object created that no earlier extraction reported,
  // parents before children. Both may be null.
  virtual ExtractResult Extract(const base::FilePath& output_folder,
                                const std::set<std::wstring>* filter,
                                UnpackProgressObserver* observer,
                                std::vector<base::FilePath>* written_files,
                                std::vector<base::FilePath>* created_folders);

  // The page-read status of the last in-page error, 0 if none occurred.
  virtual uint32_t GetLastErrorCode();

  // Tests only: called after each decoded block, while the in-page guard
  // is active, with the decoder's output buffer. Null to remove.
  using DecodedBlockHook = void (*)(uint8_t* block, size_t size);
  static void SetDecodedBlockHookForTesting(DecodedBlockHook hook);

  // Tests only: which decoder Extract uses wherever it can (kAny: the one
  // that suits each block), and which one took the last block decoded.
  enum class DecoderForTesting { kAny, kStreaming, kWholeBlock, kInMemory };
  static void SetDecoderForTesting(DecoderForTesting decoder);
  static DecoderForTesting LastDecoderForTesting();

 private:
  struct Archive;
  // The part of the file an archive may lie in, [begin, end).
  struct ArchiveBytes {
    int64_t begin = 0;
    int64_t end = 0;
  };

  // Maps the file into `view` and finds where an archive may lie: in a
  // signed image only in the bytes its signature covers, after the headers
  // and before the certificate table (`view` then ends there); in any other
  // file anywhere. False when the file cannot be mapped or is a signed
  // image whose certificate table is not where its headers say.
  bool FindArchiveBytes(ArchiveView* view, ArchiveBytes* bytes);
  // Positions the archive file at the 7z start header within `bytes`, and
  // says where that is in `*start`.
  bool SeekToArchive(const ArchiveBytes& bytes, int64_t* start);
  // Finds the archive and reads its database.
  ExtractResult OpenArchive(const ArchiveBytes& bytes, Archive* archive);

  base::win::ScopedHandle archive_;
  FolderTreeMaker folders_;
  uint32_t last_error_code_ = 0;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_LZMA_UTIL_H_

#ifndef DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_LZMA_UTIL_H_
#define DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_LZMA_UTIL_H_

#include <windows.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "base/files/file_path.h"
#include "base/win/scoped_handle.h"

class UnpackProgressObserver;

// Unpacks a 7z archive, or a self-extracting executable carrying one within
// its first MiB, into a folder. Entry names may use "/" or "\"; an entry
// whose name is not a safe relative path fails the whole extraction before
// anything is written. The solid-block buffer lives in a temporary file in
// the output folder (see FileBackedSzAlloc).
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
    // Also an entry name that is not a safe relative path.
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
  virtual uint32_t Open(const base::FilePath& archive_path);
  virtual void Close();

  // Writes the entries (all, or only those named in `filter`, matched
  // exactly with either separator) below `output_folder`, keeping their
  // modification times. `written_files` receives every file created, in
  // archive order, even when a later entry fails; `created_folders` the
  // folders this object created that no earlier extraction reported,
  // parents before children. Both may be null.
  virtual uint32_t Extract(const base::FilePath& output_folder,
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

 private:
  // Positions the archive file at the 7z start header.
  bool SeekToArchive();
  // Creates `folder` and its missing parents; reports those that are new
  // to this object.
  bool CreateFolderTree(const base::FilePath& folder,
                        std::vector<base::FilePath>* created_folders);

  base::win::ScopedHandle archive_;
  std::set<base::FilePath> created_folders_;
  uint32_t last_error_code_ = 0;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_LZMA_UTIL_H_

#include "desktop/windows/installer/lzma_util/lzma_util.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "7z.h"
#include "7zAlloc.h"
#include "7zCrc.h"
#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/strings/stringprintf.h"
#include "base/win/scoped_handle.h"
#include "desktop/windows/installer/lzma_util/file_backed_sz_alloc.h"
#include "desktop/windows/installer/lzma_util/handle_in_stream.h"
#include "desktop/windows/installer/lzma_util/in_page_error_guard.h"
#include "desktop/windows/installer/lzma_util/unpack_progress_observer.h"
#include "desktop/windows/installer/service/relative_path.h"

namespace {

constexpr uint8_t kSignature[6] = {'7', 'z', 0xBC, 0xAF, 0x27, 0x1C};
constexpr size_t kStartHeaderSize = 32;
constexpr DWORD kSearchBlockSize = 1024;
// The start header must begin within the first MiB (self-extractor stubs).
constexpr int64_t kLastSearchedOffset = 0xFFFFF;
constexpr size_t kLookBufferSize = 1 << 20;
constexpr DWORD kMaxWriteChunk = 1u << 30;

const ISzAlloc kHeapAlloc = {SzAlloc, SzFree};
const ISzAlloc kHeapTempAlloc = {SzAllocTemp, SzFreeTemp};

LzmaUtil::DecodedBlockHook g_decoded_block_hook = nullptr;

// Owns the archive database opened with the heap allocators.
struct ScopedArchiveDb {
  ScopedArchiveDb() { SzArEx_Init(&db); }
  ~ScopedArchiveDb() { SzArEx_Free(&db, &kHeapAlloc); }
  CSzArEx db;
};

// Everything one SzArEx_Extract call needs, so that it can run inside the
// in-page guard without owning anything.
struct DecodeCall {
  const CSzArEx* db;
  ILookInStreamPtr stream;
  UInt32 index;
  UInt32* block_index;
  Byte** buffer;
  size_t* buffer_size;
  size_t* offset;
  size_t* size;
  ISzAllocPtr alloc_main;
  SRes result;
};

void Decode(void* argument) {
  DecodeCall* call = static_cast<DecodeCall*>(argument);
  call->result = SzArEx_Extract(call->db, call->stream, call->index, call->block_index,
                                call->buffer, call->buffer_size, call->offset, call->size,
                                call->alloc_main, &kHeapTempAlloc);
  if (call->result == SZ_OK && g_decoded_block_hook && *call->buffer)
    g_decoded_block_hook(*call->buffer, *call->buffer_size);
}

bool InDecoderBuffer(const void* context, const void* address) {
  return static_cast<const FileBackedSzAlloc*>(context)->Contains(address);
}

std::wstring WithBackslashes(std::wstring name) {
  std::replace(name.begin(), name.end(), L'/', L'\\');
  return name;
}

bool ReadAt(HANDLE file, int64_t offset, void* buffer, DWORD size, DWORD* read) {
  LARGE_INTEGER position;
  position.QuadPart = offset;
  return ::SetFilePointerEx(file, position, nullptr, FILE_BEGIN) &&
         ::ReadFile(file, buffer, size, read, nullptr);
}

// A signature alone can occur by chance in a stub; the start header's own
// checksum tells the real one.
bool IsStartHeaderAt(HANDLE file, int64_t offset) {
  uint8_t header[kStartHeaderSize];
  DWORD read = 0;
  if (!ReadAt(file, offset, header, sizeof(header), &read) || read != sizeof(header))
    return false;
  uint32_t stored_crc;
  std::memcpy(&stored_crc, header + 8, sizeof(stored_crc));
  return CrcCalc(header + 12, kStartHeaderSize - 12) == stored_crc;
}

bool WriteAll(HANDLE file, const uint8_t* data, size_t size) {
  while (size > 0) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(size, kMaxWriteChunk));
    DWORD written = 0;
    if (!::WriteFile(file, data, chunk, &written, nullptr))
      return false;
    if (written != chunk) {
      ::SetLastError(ERROR_WRITE_FAULT);
      return false;
    }
    data += chunk;
    size -= chunk;
  }
  return true;
}

}  // namespace

LzmaUtil::LzmaUtil() = default;

LzmaUtil::~LzmaUtil() = default;

uint32_t LzmaUtil::Open(const base::FilePath& archive_path) {
  Close();
  archive_.Set(::CreateFileW(archive_path.value().c_str(), GENERIC_READ, FILE_SHARE_READ,
                             nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (archive_.IsValid())
    return kOpenOk;
  const DWORD error = ::GetLastError();
  PLOG(ERROR) << "Cannot open the archive " << archive_path;
  return error == ERROR_FILE_NOT_FOUND ? kOpenFileNotFound : kOpenError;
}

void LzmaUtil::Close() {
  archive_.Close();
}

uint32_t LzmaUtil::GetLastErrorCode() {
  return last_error_code_;
}

// static
void LzmaUtil::SetDecodedBlockHookForTesting(DecodedBlockHook hook) {
  g_decoded_block_hook = hook;
}

bool LzmaUtil::SeekToArchive() {
  uint8_t block[kSearchBlockSize];
  for (int64_t start = 0; start <= kLastSearchedOffset;
       start += kSearchBlockSize - sizeof(kSignature)) {
    DWORD read = 0;
    if (!ReadAt(archive_.Get(), start, block, sizeof(block), &read))
      return false;
    for (DWORD i = 0; i + sizeof(kSignature) <= read; ++i) {
      const int64_t offset = start + i;
      if (offset > kLastSearchedOffset)
        return false;
      if (std::memcmp(block + i, kSignature, sizeof(kSignature)) != 0)
        continue;
      if (!IsStartHeaderAt(archive_.Get(), offset))
        continue;
      LARGE_INTEGER position;
      position.QuadPart = offset;
      return ::SetFilePointerEx(archive_.Get(), position, nullptr, FILE_BEGIN) != FALSE;
    }
    if (read < sizeof(block))
      return false;
  }
  return false;
}

bool LzmaUtil::CreateFolderTree(const base::FilePath& folder,
                                std::vector<base::FilePath>* created_folders) {
  std::vector<base::FilePath> missing;
  for (base::FilePath path = folder; !base::DirectoryExists(path);) {
    missing.push_back(path);
    base::FilePath parent = path.DirName();
    if (parent == path)
      break;
    path = parent;
  }
  for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
    if (!::CreateDirectoryW(it->value().c_str(), nullptr)) {
      if (::GetLastError() == ERROR_ALREADY_EXISTS && base::DirectoryExists(*it))
        continue;
      PLOG(ERROR) << "Cannot create the folder " << *it;
      return false;
    }
    if (created_folders_.insert(*it).second && created_folders)
      created_folders->push_back(*it);
  }
  return true;
}

uint32_t LzmaUtil::Extract(const base::FilePath& output_folder,
                           const std::set<std::wstring>* filter,
                           UnpackProgressObserver* observer,
                           std::vector<base::FilePath>* written_files,
                           std::vector<base::FilePath>* created_folders) {
  if (!archive_.IsValid())
    return kNoArchiveOpen;
  CrcGenerateTable();
  if (!SeekToArchive()) {
    LOG(ERROR) << "No 7z archive within the first MiB of the file";
    return kNoSignature;
  }

  HandleInStream in_stream(archive_.Get());
  CLookToRead2 look_stream;
  LookToRead2_CreateVTable(&look_stream, False);
  auto look_buffer = std::make_unique<Byte[]>(kLookBufferSize);
  look_stream.buf = look_buffer.get();
  look_stream.bufSize = kLookBufferSize;
  look_stream.realStream = &in_stream.vt;
  LookToRead2_INIT(&look_stream);

  ScopedArchiveDb archive;
  CSzArEx* db = &archive.db;
  SRes result = SzArEx_Open(db, &look_stream.vt, &kHeapAlloc, &kHeapTempAlloc);
  if (result != SZ_OK) {
    LOG(ERROR) << "Error returned by SzArchiveOpen: " << result;
    return kArchiveOpenFailed;
  }

  // Names first, so that a hostile name fails the extraction before any
  // file is written.
  std::set<std::wstring> wanted;
  if (filter) {
    for (const std::wstring& name : *filter)
      wanted.insert(WithBackslashes(name));
  }
  std::vector<std::wstring> names(db->NumFiles);
  std::vector<bool> selected(db->NumFiles, false);
  std::vector<UInt16> name_buffer;
  for (UInt32 i = 0; i < db->NumFiles; ++i) {
    const size_t length = SzArEx_GetFileNameUtf16(db, i, nullptr);
    if (length == 0) {
      LOG(ERROR) << "Couldn't get file name";
      return kBadEntryName;
    }
    name_buffer.resize(length);
    SzArEx_GetFileNameUtf16(db, i, name_buffer.data());
    names[i] = WithBackslashes(
        std::wstring(reinterpret_cast<const wchar_t*>(name_buffer.data()), length - 1));
    if (filter) {
      if (wanted.erase(names[i]) == 0)
        continue;
    }
    selected[i] = true;
    if (!IsSafeRelativePath(names[i])) {
      LOG(ERROR) << "Refusing the archive entry \"" << names[i]
                 << "\": its name is not a safe relative path";
      return kBadEntryName;
    }
  }
  for (const std::wstring& name : wanted)
    LOG(WARNING) << "Not in the archive: " << name;

  if (!CreateFolderTree(output_folder, created_folders))
    return kCreateFileFailed;
  FileBackedSzAlloc alloc_main(output_folder);

  size_t to_unpack = filter ? filter->size() : db->NumFiles;
  if (observer)
    observer->OnFilesToUnpackCounted(to_unpack);

  UInt32 block_index = 0xFFFFFFFF;
  Byte* out_buffer = nullptr;
  size_t out_buffer_size = 0;
  uint32_t status = kOk;
  size_t unpacked = 0;
  size_t selected_left = std::count(selected.begin(), selected.end(), true);
  for (UInt32 i = 0; i < db->NumFiles && status == kOk; ++i) {
    if (filter && selected_left == 0)
      break;
    if (!selected[i])
      continue;
    --selected_left;
    if (observer)
      observer->OnUnpackProgressChanged(unpacked);
    ++unpacked;

    size_t offset = 0;
    size_t size = 0;
    DecodeCall call = {db,    &look_stream.vt, i, &block_index, &out_buffer,
                       &out_buffer_size, &offset, &size, alloc_main.get(), SZ_OK};
    InPageErrorGuard guard(&InDecoderBuffer, &alloc_main);
    if (!guard.Run(&Decode, &call)) {
      last_error_code_ = guard.fault_status();
      LOG(ERROR) << "EXCEPTION_IN_PAGE_ERROR while accessing mapped memory; NTSTATUS = "
                 << base::StringPrintf("0x%08X", last_error_code_);
      status = kInPageError;
      break;
    }
    if (call.result != SZ_OK) {
      LOG(ERROR) << "Error returned by SzExtract: " << call.result;
      status = kDecodeFailed;
      break;
    }

    const base::FilePath path = output_folder.Append(names[i]);
    const bool is_dir = SzArEx_IsDir(db, i);
    if (!CreateFolderTree(is_dir ? path : path.DirName(), created_folders)) {
      status = kCreateFileFailed;
      break;
    }
    if (is_dir)
      continue;

    base::win::ScopedHandle file(::CreateFileW(path.value().c_str(), GENERIC_WRITE, 0, nullptr,
                                               CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) {
      PLOG(ERROR) << "Error returned by CreateFile: " << path;
      status = kCreateFileFailed;
      break;
    }
    if (written_files)
      written_files->push_back(path);
    if (!WriteAll(file.Get(), out_buffer + offset, size)) {
      PLOG(ERROR) << "Error returned by WriteFile " << path;
      status = kWriteFileFailed;
      break;
    }
    if (SzBitWithVals_Check(&db->MTime, i)) {
      FILETIME modified;
      modified.dwLowDateTime = db->MTime.Vals[i].Low;
      modified.dwHighDateTime = db->MTime.Vals[i].High;
      if (!::SetFileTime(file.Get(), nullptr, nullptr, &modified)) {
        PLOG(ERROR) << "Error returned by SetFileTime " << path;
        status = kSetFileTimeFailed;
        break;
      }
    }
    if (!::CloseHandle(file.Take())) {
      PLOG(ERROR) << "Error returned by CloseHandle " << path;
      status = kCloseFileFailed;
      break;
    }
  }
  alloc_main.Free(out_buffer);
  return status;
}

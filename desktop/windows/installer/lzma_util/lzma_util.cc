#include "desktop/windows/installer/lzma_util/lzma_util.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "7z.h"
#include "7zAlloc.h"
#include "7zCrc.h"
#include "base/logging.h"
#include "base/strings/stringprintf.h"
#include "desktop/windows/installer/lzma_util/archive_view.h"
#include "desktop/windows/installer/lzma_util/dispatching_source.h"
#include "desktop/windows/installer/lzma_util/entry_selection.h"
#include "desktop/windows/installer/lzma_util/entry_source.h"
#include "desktop/windows/installer/lzma_util/entry_writer.h"
#include "desktop/windows/installer/lzma_util/handle_in_stream.h"
#include "desktop/windows/installer/lzma_util/header_keeping_alloc.h"
#include "desktop/windows/installer/lzma_util/header_reader.h"
#include "desktop/windows/installer/lzma_util/sz_result_text.h"
#include "desktop/windows/installer/lzma_util/unpack_progress_observer.h"
#include "desktop/windows/installer/utils/pe_image_layout.h"

namespace {

constexpr uint8_t kSignature[6] = {'7', 'z', 0xBC, 0xAF, 0x27, 0x1C};
constexpr size_t kStartHeaderSize = 32;
constexpr DWORD kSearchBlockSize = 1024;
// The start header must begin within the first MiB (self-extractor stubs).
constexpr int64_t kLastSearchedOffset = 0xFFFFF;
constexpr size_t kLookBufferSize = 1 << 20;
constexpr uint32_t kNoFolder = 0xFFFFFFFF;

const ISzAlloc kHeapAlloc = {SzAlloc, SzFree};

LzmaUtil::DecodedBlockHook g_decoded_block_hook = nullptr;
LzmaUtil::DecoderForTesting g_decoder_for_testing = LzmaUtil::DecoderForTesting::kAny;
LzmaUtil::DecoderForTesting g_last_decoder = LzmaUtil::DecoderForTesting::kAny;

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

// The coders of the encoded header that the start header at `start_header`
// points to; none when it is not one.
std::vector<uint64_t> HeaderMethods(HANDLE file, int64_t start_header) {
  // Encoded, the header is a short description of where it lies packed.
  constexpr uint64_t kMaxEncodedHeaderSize = 1 << 16;
  uint8_t start[kStartHeaderSize];
  DWORD read = 0;
  std::vector<uint64_t> methods;
  if (!ReadAt(file, start_header, start, sizeof(start), &read) || read != sizeof(start))
    return methods;
  uint64_t offset, size;
  std::memcpy(&offset, start + 12, sizeof(offset));
  std::memcpy(&size, start + 20, sizeof(size));
  if (size > kMaxEncodedHeaderSize || offset > (uint64_t{1} << 62))
    return methods;
  std::vector<uint8_t> header(static_cast<size_t>(size));
  if (ReadAt(file, start_header + static_cast<int64_t>(kStartHeaderSize + offset), header.data(),
             static_cast<DWORD>(size), &read) &&
      read == size) {
    HeaderReader::ReadHeaderMethods(header.data(), header.size(), &methods);
  }
  return methods;
}

// The entry's modification time, or null. A time with the top bit set is
// none Windows can represent, and SetFileTime refuses it: the file keeps
// the time it was written at, and the extraction goes on.
const FILETIME* ModifiedTime(const CSzArEx* db,
                             UInt32 index,
                             const std::wstring& name,
                             FILETIME* time) {
  if (!SzBitWithVals_Check(&db->MTime, index))
    return nullptr;
  time->dwLowDateTime = db->MTime.Vals[index].Low;
  time->dwHighDateTime = db->MTime.Vals[index].High;
  if (time->dwHighDateTime & 0x80000000) {
    LOG(WARNING) << "Not setting the modification time of " << name
                 << ": the archive's time is none Windows can represent ("
                 << base::StringPrintf("0x%08lX%08lX", time->dwHighDateTime, time->dwLowDateTime)
                 << ")";
    return nullptr;
  }
  return time;
}

}  // namespace

// The archive database with the stream it was read from.
struct LzmaUtil::Archive {
  Archive(HANDLE file, const ArchiveBytes& bytes) : in_stream(file, bytes.end) {
    LookToRead2_CreateVTable(&look_stream, False);
    look_buffer = std::make_unique<Byte[]>(kLookBufferSize);
    look_stream.buf = look_buffer.get();
    look_stream.bufSize = kLookBufferSize;
    look_stream.realStream = &in_stream.vt;
    LookToRead2_INIT(&look_stream);
    SzArEx_Init(&db);
  }
  ~Archive() { SzArEx_Free(&db, &kHeapAlloc); }

  HandleInStream in_stream;
  CLookToRead2 look_stream;
  std::unique_ptr<Byte[]> look_buffer;
  CSzArEx db;
  // Per entry: a deletion marker, which stands for nothing to write.
  std::vector<bool> anti;
};

namespace {

using ExtractResult = LzmaUtil::ExtractResult;

// Writes one entry: its folder, or its file with all its bytes.
ExtractResult WriteEntry(const CSzArEx* db,
                         const EntrySelection& selection,
                         UInt32 index,
                         EntrySource* source,
                         EntryWriter* writer) {
  ExtractResult result = source->Prepare(index);
  if (result != LzmaUtil::kOk)
    return result;
  const bool is_folder = SzArEx_IsDir(db, index);
  FILETIME time;
  const std::wstring& name = selection.name(index);
  result = writer->Begin(name, is_folder ? EntryWriter::Kind::kFolder : EntryWriter::Kind::kFile,
                         ModifiedTime(db, index, name, &time), selection.same_file(index));
  if (result != LzmaUtil::kOk || is_folder)
    return result;
  if (db->FileToFolder[index] != kNoFolder) {
    for (EntrySource::Piece piece; !piece.last;) {
      result = source->NextPiece(&piece);
      if (result == LzmaUtil::kOk)
        result = writer->Write(piece.data, piece.size, piece.owner);
      if (result != LzmaUtil::kOk) {
        writer->Abandon();
        return result;
      }
    }
  }
  return writer->Finish();
}

// Writes the selected entries in archive order, with progress.
ExtractResult WriteEntries(const CSzArEx* db,
                           const EntrySelection& selection,
                           bool filtered,
                           UnpackProgressObserver* observer,
                           EntrySource* source,
                           EntryWriter* writer) {
  size_t unpacked = 0;
  size_t selected_left = selection.count();
  for (UInt32 i = 0; i < db->NumFiles; ++i) {
    if (filtered && selected_left == 0)
      break;
    if (!selection.selected(i))
      continue;
    --selected_left;
    if (observer)
      observer->OnUnpackProgressChanged(unpacked);
    ++unpacked;
    const ExtractResult result = WriteEntry(db, selection, i, source, writer);
    if (result != LzmaUtil::kOk)
      return result;
  }
  return LzmaUtil::kOk;
}

}  // namespace

LzmaUtil::LzmaUtil() = default;

LzmaUtil::~LzmaUtil() = default;

LzmaUtil::OpenResult LzmaUtil::Open(const base::FilePath& archive_path) {
  Close();
  archive_.Set(::CreateFileW(archive_path.value().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (archive_.IsValid())
    return kOpenOk;
  const DWORD error = ::GetLastError();
  PLOG(ERROR) << "Cannot open the archive " << archive_path;
  return error == ERROR_FILE_NOT_FOUND ? kOpenFileNotFound : kOpenError;
}

LzmaUtil::OpenResult LzmaUtil::OpenFile(base::File archive) {
  Close();
  if (!archive.IsValid())
    return kOpenError;
  archive_.Set(archive.TakePlatformFile());
  return kOpenOk;
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

// static
void LzmaUtil::SetDecoderForTesting(DecoderForTesting decoder) {
  g_decoder_for_testing = decoder;
}

// static
LzmaUtil::DecoderForTesting LzmaUtil::LastDecoderForTesting() {
  return g_last_decoder;
}

bool LzmaUtil::FindArchiveBytes(ArchiveView* view, ArchiveBytes* bytes) {
  DCHECK(view);
  if (!view->Map(archive_.Get()))
    return false;
  bytes->begin = 0;
  bytes->end = static_cast<int64_t>(view->size());
  PeImageLayout layout;
  if (!layout.Parse(view->data(), view->size()) || layout.certificate_table_size() == 0)
    return true;
  if (!layout.HasValidCertificateTable()) {
    LOG(ERROR) << "The certificate table of the signed image is not where its headers say";
    return false;
  }
  // The signature covers neither the checksum nor the security directory
  // entry, and nothing from the certificate table on.
  bytes->begin = static_cast<int64_t>(layout.security_entry_offset() + 8);
  bytes->end = layout.certificate_table_offset();
  view->LimitTo(layout.certificate_table_offset());
  return true;
}

bool LzmaUtil::SeekToArchive(const ArchiveBytes& bytes, int64_t* start_header) {
  uint8_t block[kSearchBlockSize];
  for (int64_t start = 0; start <= kLastSearchedOffset;
       start += kSearchBlockSize - sizeof(kSignature)) {
    DWORD read = 0;
    if (!ReadAt(archive_.Get(), start, block, sizeof(block), &read))
      return false;
    for (DWORD i = 0; i + sizeof(kSignature) <= read; ++i) {
      const int64_t offset = start + i;
      if (offset > kLastSearchedOffset ||
          offset + static_cast<int64_t>(kStartHeaderSize) > bytes.end) {
        return false;
      }
      if (offset < bytes.begin || std::memcmp(block + i, kSignature, sizeof(kSignature)) != 0)
        continue;
      if (!IsStartHeaderAt(archive_.Get(), offset))
        continue;
      LARGE_INTEGER position;
      position.QuadPart = offset;
      *start_header = offset;
      return ::SetFilePointerEx(archive_.Get(), position, nullptr, FILE_BEGIN) != FALSE;
    }
    if (read < sizeof(block))
      return false;
  }
  return false;
}

LzmaUtil::ExtractResult LzmaUtil::OpenArchive(const ArchiveBytes& bytes, Archive* archive) {
  DCHECK(archive);
  CrcGenerateTable();
  int64_t start_header = 0;
  if (!SeekToArchive(bytes, &start_header)) {
    LOG(ERROR) << "No 7z archive within the first MiB of the file";
    return kNoSignature;
  }
  HeaderKeepingAlloc temp_alloc;
  const SRes result =
      SzArEx_Open(&archive->db, &archive->look_stream.vt, &kHeapAlloc, temp_alloc.get());
  if (result != SZ_OK) {
    const std::vector<uint64_t> methods = result == SZ_ERROR_UNSUPPORTED
                                              ? HeaderMethods(archive_.Get(), start_header)
                                              : std::vector<uint64_t>();
    LOG(ERROR) << "Cannot open the archive: " << SzResultText::OfOpen(result, methods);
    return kArchiveOpenFailed;
  }
  // An empty archive may have no header at all.
  archive->anti.assign(archive->db.NumFiles, false);
  if (archive->db.NumFiles > 0 &&
      !HeaderReader::ReadAntiItems(temp_alloc.kept(), temp_alloc.kept_size(),
                                   archive->db.NumFiles, &archive->anti)) {
    // What the SDK read stands; only deletion markers would be missed.
    LOG(WARNING) << "The archive's header could not be read for deletion markers";
  }
  return kOk;
}

LzmaUtil::ExtractResult LzmaUtil::Extract(const base::FilePath& output_folder,
                                          const std::set<std::wstring>* filter,
                                          UnpackProgressObserver* observer,
                                          std::vector<base::FilePath>* written_files,
                                          std::vector<base::FilePath>* created_folders) {
  if (!archive_.IsValid())
    return kNoArchiveOpen;
  // The view outlives the source, whose threads read it.
  ArchiveView view;
  ArchiveBytes bytes;
  if (!FindArchiveBytes(&view, &bytes)) {
    LOG(ERROR) << "No archive can be taken from the file";
    return kNoSignature;
  }
  Archive archive(archive_.Get(), bytes);
  ExtractResult result = OpenArchive(bytes, &archive);
  if (result != kOk)
    return result;
  const CSzArEx* db = &archive.db;
  EntrySelection selection;
  result = selection.Select(db, archive.anti, filter);
  if (result != kOk)
    return result;
  if (!folders_.Create(output_folder, created_folders))
    return kCreateFileFailed;
  if (observer)
    observer->OnFilesToUnpackCounted(filter ? filter->size() : selection.entries());

  DispatchingSource source(db, &selection.selected(), &view, &archive.look_stream.vt, output_folder,
                           g_decoded_block_hook, &last_error_code_, g_decoder_for_testing);
  EntryWriter writer(output_folder, &folders_, written_files, created_folders,
                     FileWriterPool::kMaxThreads, &EntrySource::ReleasePieceOf);
  result = writer.Complete(
      WriteEntries(db, selection, filter != nullptr, observer, &source, &writer));
  g_last_decoder = source.last_decoder();
  return result;
}

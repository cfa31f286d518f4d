#include "desktop/windows/installer/lzma_util/handle_in_stream.h"

#include <algorithm>
#include <cstddef>

namespace {

const HandleInStream* FromVt(ISeekInStreamPtr p) {
  return reinterpret_cast<const HandleInStream*>(p);
}

// Fills `buf` up to `*size` bytes; fewer only at the end.
SRes Read(ISeekInStreamPtr p, void* buf, size_t* size) {
  const HANDLE file = FromVt(p)->file;
  LARGE_INTEGER zero = {};
  LARGE_INTEGER position;
  if (!::SetFilePointerEx(file, zero, &position, FILE_CURRENT)) {
    *size = 0;
    return SZ_ERROR_READ;
  }
  const int64_t left = std::max<int64_t>(0, FromVt(p)->end - position.QuadPart);
  if (static_cast<uint64_t>(left) < *size)
    *size = static_cast<size_t>(left);
  size_t done = 0;
  char* out = static_cast<char*>(buf);
  while (done < *size) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(*size - done, 1u << 30));
    DWORD read = 0;
    if (!::ReadFile(file, out + done, chunk, &read, nullptr)) {
      *size = done;
      return SZ_ERROR_READ;
    }
    if (read == 0)
      break;
    done += read;
  }
  *size = done;
  return SZ_OK;
}

SRes Seek(ISeekInStreamPtr p, Int64* pos, ESzSeek origin) {
  DWORD method;
  switch (origin) {
    case SZ_SEEK_SET: method = FILE_BEGIN; break;
    case SZ_SEEK_CUR: method = FILE_CURRENT; break;
    case SZ_SEEK_END: method = FILE_END; break;
    default: return SZ_ERROR_PARAM;
  }
  LARGE_INTEGER distance;
  distance.QuadPart = *pos;
  if (method == FILE_END) {
    method = FILE_BEGIN;
    distance.QuadPart += FromVt(p)->end;
  }
  LARGE_INTEGER result;
  if (!::SetFilePointerEx(FromVt(p)->file, distance, &result, method))
    return SZ_ERROR_FAIL;
  *pos = result.QuadPart;
  return SZ_OK;
}

}  // namespace

HandleInStream::HandleInStream(HANDLE file_handle, int64_t end_offset)
    : file(file_handle), end(end_offset) {
  vt.Read = &Read;
  vt.Seek = &Seek;
}

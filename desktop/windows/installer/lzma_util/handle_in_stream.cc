#include "desktop/windows/installer/lzma_util/handle_in_stream.h"

#include <algorithm>
#include <cstddef>

namespace {

const HandleInStream* FromVt(ISeekInStreamPtr p) {
  return reinterpret_cast<const HandleInStream*>(p);
}

// Fills `buf` up to `*size` bytes; fewer only at the end of the file.
SRes Read(ISeekInStreamPtr p, void* buf, size_t* size) {
  const HANDLE file = FromVt(p)->file;
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
  LARGE_INTEGER result;
  if (!::SetFilePointerEx(FromVt(p)->file, distance, &result, method))
    return SZ_ERROR_FAIL;
  *pos = result.QuadPart;
  return SZ_OK;
}

}  // namespace

HandleInStream::HandleInStream(HANDLE file_handle) : file(file_handle) {
  vt.Read = &Read;
  vt.Seek = &Seek;
}

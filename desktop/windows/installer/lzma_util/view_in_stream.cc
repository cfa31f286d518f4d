#include "desktop/windows/installer/lzma_util/view_in_stream.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

ViewInStream* Self(ILookInStreamPtr p) {
  return reinterpret_cast<ViewInStream*>(const_cast<ILookInStream*>(p));
}

size_t Left(const ViewInStream* s) {
  return s->position < s->size ? s->size - s->position : 0;
}

SRes Look(ILookInStreamPtr p, const void** buffer, size_t* size) {
  ViewInStream* s = Self(p);
  *size = std::min(*size, Left(s));
  *buffer = s->data + std::min(s->position, s->size);
  return SZ_OK;
}

SRes Skip(ILookInStreamPtr p, size_t offset) {
  ViewInStream* s = Self(p);
  s->position += std::min(offset, Left(s));
  return SZ_OK;
}

SRes Read(ILookInStreamPtr p, void* buffer, size_t* size) {
  ViewInStream* s = Self(p);
  *size = std::min(*size, Left(s));
  std::memcpy(buffer, s->data + s->position, *size);
  s->position += *size;
  return SZ_OK;
}

SRes Seek(ILookInStreamPtr p, Int64* position, ESzSeek origin) {
  ViewInStream* s = Self(p);
  Int64 base = 0;
  switch (origin) {
    case SZ_SEEK_SET:
      break;
    case SZ_SEEK_CUR:
      base = static_cast<Int64>(s->position);
      break;
    case SZ_SEEK_END:
      base = static_cast<Int64>(s->size);
      break;
    default:
      return SZ_ERROR_PARAM;
  }
  // Past the end is allowed, as in a file; nothing is read there.
  if (*position < -base || *position > INT64_MAX - base)
    return SZ_ERROR_PARAM;
  s->position = static_cast<size_t>(base + *position);
  *position = static_cast<Int64>(s->position);
  return SZ_OK;
}

}  // namespace

ViewInStream::ViewInStream(const uint8_t* view_data, size_t view_size)
    : data(view_data), size(view_size) {
  vt.Look = &Look;
  vt.Skip = &Skip;
  vt.Read = &Read;
  vt.Seek = &Seek;
}

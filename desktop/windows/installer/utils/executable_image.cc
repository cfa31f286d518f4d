#include "desktop/windows/installer/utils/executable_image.h"

#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <memory>

#include "base/files/file.h"
#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/files/memory_mapped_file.h"
#include "base/logging.h"
#include "desktop/windows/installer/utils/pe_image_layout.h"

namespace {

constexpr size_t kCopyBufferSize = 1 << 20;

bool ReadExactly(base::File* file, int64_t offset, void* data, size_t size) {
  return file->Read(offset, static_cast<char*>(data), static_cast<int>(size)) ==
         static_cast<int>(size);
}

struct ImageLayout {
  uint64_t end = 0;
  // 0 when the image has no security directory entry.
  size_t security_entry = 0;
};

bool ReadLayout(const base::File& file, ImageLayout* layout) {
  base::MemoryMappedFile mapped;
  PeImageLayout image;
  if (!mapped.Initialize(file.Duplicate()) || !image.Parse(mapped.data(), mapped.length()) ||
      image.image_end() == 0) {
    return false;
  }
  layout->end = image.image_end();
  layout->security_entry = image.security_entry_offset();
  return true;
}

// `*created` tells whether `to` was made here (and so may be deleted).
bool CopyPrefix(base::File* from,
                const base::FilePath& to,
                const ImageLayout& layout,
                bool* created) {
  base::File out(to, base::File::FLAG_CREATE | base::File::FLAG_WRITE);
  *created = out.IsValid();
  if (!out.IsValid())
    return false;
  std::unique_ptr<char[]> buffer(new char[kCopyBufferSize]);
  for (uint64_t offset = 0; offset < layout.end;) {
    const int size = static_cast<int>(std::min<uint64_t>(kCopyBufferSize, layout.end - offset));
    if (!ReadExactly(from, static_cast<int64_t>(offset), buffer.get(), size))
      return false;
    // The certificate table stays behind: the entry naming it goes too.
    if (layout.security_entry != 0 && offset <= layout.security_entry &&
        layout.security_entry < offset + size) {
      const size_t at = static_cast<size_t>(layout.security_entry - offset);
      std::fill_n(buffer.get() + at, std::min<size_t>(sizeof(IMAGE_DATA_DIRECTORY), size - at), 0);
    }
    if (out.Write(static_cast<int64_t>(offset), buffer.get(), size) != size)
      return false;
    offset += size;
  }
  return true;
}

}  // namespace

uint64_t GetExecutableImageEnd(base::File* file) {
  ImageLayout layout;
  return ReadLayout(*file, &layout) ? layout.end : 0;
}

bool CopyExecutableImage(const base::FilePath& from, const base::FilePath& to) {
  base::File in(from, base::File::FLAG_OPEN | base::File::FLAG_READ);
  ImageLayout layout;
  bool copied;
  bool created = true;
  if (in.IsValid() && ReadLayout(in, &layout) &&
      layout.end < static_cast<uint64_t>(in.GetLength())) {
    copied = CopyPrefix(&in, to, layout, &created);
  } else {
    in.Close();
    copied = base::CopyFile(from, to);
  }
  if (!copied) {
    PLOG(WARNING) << "Cannot copy " << from.value() << " to " << to.value();
    if (created)
      base::DeleteFile(to, /*recursive=*/false);
  }
  return copied;
}

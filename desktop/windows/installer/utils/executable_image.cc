#include "desktop/windows/installer/utils/executable_image.h"

#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <memory>

#include "base/files/file.h"
#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/logging.h"

namespace {

// The loader's own limit.
constexpr WORD kMaxSections = 96;
constexpr size_t kCopyBufferSize = 1 << 20;

bool ReadExactly(base::File* file, int64_t offset, void* data, size_t size) {
  return file->Read(offset, static_cast<char*>(data), static_cast<int>(size)) ==
         static_cast<int>(size);
}

// The offset of the security directory entry, from the optional header's
// magic; 0 for an unknown magic.
size_t SecurityEntryOffset(size_t optional_header, WORD magic) {
  const size_t directories =
      magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC
          ? offsetof(IMAGE_OPTIONAL_HEADER64, DataDirectory)
          : magic == IMAGE_NT_OPTIONAL_HDR32_MAGIC ? offsetof(IMAGE_OPTIONAL_HEADER32, DataDirectory)
                                                   : 0;
  if (directories == 0)
    return 0;
  return optional_header + directories + IMAGE_DIRECTORY_ENTRY_SECURITY * sizeof(IMAGE_DATA_DIRECTORY);
}

struct ImageLayout {
  uint64_t end = 0;
  size_t security_entry = 0;
};

bool ReadLayout(base::File* file, ImageLayout* layout) {
  const int64_t length = file->GetLength();
  IMAGE_DOS_HEADER dos;
  if (length <= 0 || !ReadExactly(file, 0, &dos, sizeof(dos)) ||
      dos.e_magic != IMAGE_DOS_SIGNATURE || dos.e_lfanew <= 0) {
    return false;
  }
  DWORD signature;
  IMAGE_FILE_HEADER header;
  WORD magic;
  const int64_t nt = dos.e_lfanew;
  const int64_t optional_header = nt + sizeof(signature) + sizeof(header);
  if (!ReadExactly(file, nt, &signature, sizeof(signature)) || signature != IMAGE_NT_SIGNATURE ||
      !ReadExactly(file, nt + sizeof(signature), &header, sizeof(header)) ||
      !ReadExactly(file, optional_header, &magic, sizeof(magic)) ||
      header.NumberOfSections > kMaxSections) {
    return false;
  }
  layout->security_entry = SecurityEntryOffset(static_cast<size_t>(optional_header), magic);
  // SizeOfHeaders sits at the same place in both optional headers.
  DWORD size_of_headers;
  if (layout->security_entry == 0 ||
      !ReadExactly(file, optional_header + offsetof(IMAGE_OPTIONAL_HEADER32, SizeOfHeaders),
                   &size_of_headers, sizeof(size_of_headers))) {
    return false;
  }
  const int64_t sections = optional_header + header.SizeOfOptionalHeader;
  uint64_t end = std::max<uint64_t>(size_of_headers,
                                    sections + header.NumberOfSections * sizeof(IMAGE_SECTION_HEADER));
  end = std::max<uint64_t>(end, layout->security_entry + sizeof(IMAGE_DATA_DIRECTORY));
  for (WORD i = 0; i < header.NumberOfSections; ++i) {
    IMAGE_SECTION_HEADER section;
    if (!ReadExactly(file, sections + i * sizeof(section), &section, sizeof(section)))
      return false;
    if (section.SizeOfRawData != 0)
      end = std::max<uint64_t>(end, uint64_t{section.PointerToRawData} + section.SizeOfRawData);
  }
  if (end > static_cast<uint64_t>(length))
    return false;
  layout->end = end;
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
    if (offset <= layout.security_entry && layout.security_entry < offset + size) {
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
  return ReadLayout(file, &layout) ? layout.end : 0;
}

bool CopyExecutableImage(const base::FilePath& from, const base::FilePath& to) {
  base::File in(from, base::File::FLAG_OPEN | base::File::FLAG_READ);
  ImageLayout layout;
  bool copied;
  bool created = true;
  if (in.IsValid() && ReadLayout(&in, &layout) &&
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

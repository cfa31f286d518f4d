#include "desktop/windows/installer/utils/pe_image_layout.h"

#include <algorithm>
#include <cstring>

#include <windows.h>

namespace {

constexpr size_t kLfanewOffset = 0x3C;
constexpr size_t kSignatureSize = 4;
constexpr size_t kFileHeaderSize = 20;
// In the COFF file header.
constexpr size_t kSectionCountOffset = 2;
constexpr size_t kSymbolTableOffset = 8;
constexpr size_t kSymbolCountOffset = 12;
constexpr size_t kOptionalHeaderSizeOffset = 16;
// In the optional header, PE32 and PE32+ alike.
constexpr size_t kSizeOfHeadersOffset = 60;
constexpr size_t kChecksumOffset = 64;
constexpr uint16_t kPe32Magic = 0x10B;
constexpr uint16_t kPe32PlusMagic = 0x20B;
constexpr size_t kPe32DirectoryCountOffset = 92;
constexpr size_t kPe32PlusDirectoryCountOffset = 108;
constexpr size_t kDirectorySize = 8;
constexpr uint32_t kSecurityDirectoryIndex = 4;
constexpr size_t kSectionHeaderSize = 40;
// In a section header.
constexpr size_t kRawDataSizeOffset = 16;
constexpr size_t kRawDataOffset = 20;
// The loader refuses images with more sections.
constexpr uint32_t kMaxSections = 96;
constexpr uint64_t kSymbolSize = 18;

bool Holds(std::span<const uint8_t> bytes, uint64_t offset, uint64_t size) {
  return offset <= bytes.size() && bytes.size() - offset >= size;
}

// The end of the headers and of every section's raw data; 0 when the
// section table or any of that lies outside `bytes`.
uint64_t LoadedImageEnd(std::span<const uint8_t> bytes, size_t optional_header,
                        uint64_t section_table, uint32_t sections) {
  if (sections > kMaxSections || !Holds(bytes, section_table, kSectionHeaderSize * sections))
    return 0;
  uint64_t end = std::max<uint64_t>(section_table + kSectionHeaderSize * sections,
                                    ReadU32(bytes.data() + optional_header + kSizeOfHeadersOffset));
  for (uint32_t i = 0; i < sections; ++i) {
    const uint8_t* header = bytes.data() + section_table + i * kSectionHeaderSize;
    const uint32_t raw_size = ReadU32(header + kRawDataSizeOffset);
    if (raw_size != 0)
      end = std::max<uint64_t>(end, uint64_t{ReadU32(header + kRawDataOffset)} + raw_size);
  }
  return end <= bytes.size() ? end : 0;
}

// `image_end` grown by the COFF symbol table and its string table; 0 when
// they lie outside `bytes`.
uint64_t SymbolsEnd(std::span<const uint8_t> bytes, size_t file_header, uint64_t image_end) {
  const uint32_t symbol_table = ReadU32(bytes.data() + file_header + kSymbolTableOffset);
  if (symbol_table == 0)
    return image_end;
  const uint64_t strings =
      symbol_table + kSymbolSize * ReadU32(bytes.data() + file_header + kSymbolCountOffset);
  // The string table starts with its own size, that field included.
  const uint64_t strings_size =
      Holds(bytes, strings, 4) ? std::max<uint32_t>(ReadU32(bytes.data() + strings), 4) : 0;
  const uint64_t end = std::max(image_end, strings + strings_size);
  return end <= bytes.size() ? end : 0;
}

}  // namespace

bool PeImageLayout::Parse(std::span<const uint8_t> bytes) {
  *this = PeImageLayout();
  const uint8_t* data = bytes.data();
  const size_t size = bytes.size();
  if (size < kLfanewOffset + 4 || data[0] != 'M' || data[1] != 'Z')
    return false;
  const size_t signature = ReadU32(data + kLfanewOffset);
  const size_t file_header = signature + kSignatureSize;
  const size_t optional_header = file_header + kFileHeaderSize;
  if (!Holds(bytes, signature, kSignatureSize + kFileHeaderSize + 2) ||
      memcmp(data + signature, "PE\0\0", kSignatureSize) != 0) {
    return false;
  }
  const uint16_t magic = ReadU16(data + optional_header);
  size_t directory_count;
  if (magic == kPe32Magic) {
    directory_count = optional_header + kPe32DirectoryCountOffset;
  } else if (magic == kPe32PlusMagic) {
    directory_count = optional_header + kPe32PlusDirectoryCountOffset;
  } else {
    return false;
  }
  // Everything before the data directories is read from here on.
  if (!Holds(bytes, directory_count, 4))
    return false;
  checksum_offset_ = optional_header + kChecksumOffset;
  const size_t directories = directory_count + 4;
  const size_t entry = directories + kSecurityDirectoryIndex * kDirectorySize;
  const size_t optional_end =
      optional_header + ReadU16(data + file_header + kOptionalHeaderSizeOffset);
  const uint32_t count = ReadU32(data + directory_count);
  for (; directories_read_ < directories_.size() && directories_read_ < count &&
         Holds(bytes, directories + directories_read_ * kDirectorySize, kDirectorySize);
       ++directories_read_) {
    const uint8_t* directory = data + directories + directories_read_ * kDirectorySize;
    directories_[directories_read_] = {ReadU32(directory), ReadU32(directory + 4)};
  }
  if (count > kSecurityDirectoryIndex && entry + kDirectorySize <= optional_end) {
    if (!Holds(bytes, entry, kDirectorySize))
      return false;
    security_entry_offset_ = entry;
    certificate_table_offset_ = ReadU32(data + entry);
    certificate_table_size_ = ReadU32(data + entry + 4);
    valid_table_ = certificate_table_size_ != 0 && certificate_table_offset_ >= entry + 8 &&
                   certificate_table_offset_ <= size &&
                   certificate_table_size_ <= size - certificate_table_offset_;
  }
  section_table_offset_ = optional_end;
  section_count_ = ReadU16(data + file_header + kSectionCountOffset);
  image_end_ = LoadedImageEnd(bytes, optional_header, section_table_offset_, section_count_);
  if (image_end_ != 0)
    image_end_with_symbols_ = SymbolsEnd(bytes, file_header, image_end_);
  return true;
}

std::optional<PeImageLayout::DataDirectory> PeImageLayout::data_directory(uint32_t index) const {
  if (index >= directories_read_)
    return std::nullopt;
  return directories_[index];
}

bool RunningImageHasCertificateTable() {
  const auto* base = reinterpret_cast<const uint8_t*>(GetModuleHandleW(nullptr));
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  // The loader checked these headers before it ran the program.
  PeImageLayout layout;
  return layout.Parse(base, nt->OptionalHeader.SizeOfHeaders) &&
         layout.certificate_table_size() != 0;
}

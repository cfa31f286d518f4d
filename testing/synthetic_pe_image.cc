#include "testing/synthetic_pe_image.h"

namespace testing_support {

namespace {

constexpr size_t kSectionHeaderSize = 40;

// The optional header's size with all 16 data directories.
uint16_t OptionalHeaderSize(uint16_t magic) {
  return magic == kPe32Magic ? 0xE0 : 0xF0;
}

}  // namespace

std::string PeHeaders(uint16_t magic, uint16_t machine) {
  std::string image(kPeHeadersSize, '\0');
  image[0] = 'M';
  image[1] = 'Z';
  PutAt<uint32_t>(&image, 0x3C, kPeOffset);
  memcpy(&image[kPeOffset], "PE\0\0", 4);
  PutAt<uint16_t>(&image, kPeOffset + 4, machine);
  PutAt<uint16_t>(&image, kPeOffset + 20, OptionalHeaderSize(magic));
  PutAt<uint16_t>(&image, kPeOptionalHeader, magic);
  PutAt<uint32_t>(&image, kPeOptionalHeader + 60, kPeHeadersSize);  // SizeOfHeaders
  // NumberOfRvaAndSizes
  PutAt<uint32_t>(&image, kPeOptionalHeader + (magic == kPe32Magic ? 92 : 108), 16);
  return image;
}

size_t PeSecurityEntry(uint16_t magic) {
  return kPeOffset + (magic == kPe32Magic ? 0x98 : 0xA8);
}

void SetPeSecurityDirectory(std::string* image, uint32_t offset, uint32_t size) {
  const size_t entry = PeSecurityEntry(GetAt<uint16_t>(*image, kPeOptionalHeader));
  PutAt<uint32_t>(image, entry, offset);
  PutAt<uint32_t>(image, entry + 4, size);
}

void AddPeSectionHeader(std::string* image, uint32_t raw_offset, uint32_t raw_size) {
  const uint16_t count = GetAt<uint16_t>(*image, kPeOffset + 6);
  const size_t header =
      kPeOptionalHeader + GetAt<uint16_t>(*image, kPeOffset + 20) + kSectionHeaderSize * count;
  PutAt<uint16_t>(image, kPeOffset + 6, count + 1);
  PutAt<uint32_t>(image, header + 16, raw_size);
  PutAt<uint32_t>(image, header + 20, raw_offset);
}

void AddPeSection(std::string* image, const std::string& data) {
  AddPeSectionHeader(image, static_cast<uint32_t>(image->size()),
                     static_cast<uint32_t>(data.size()));
  image->append(data);
}

std::string SignedPeImage(std::string image, const std::string& before, const std::string& after) {
  const std::string table(24, 'C');
  SetPeSecurityDirectory(&image, static_cast<uint32_t>(image.size() + before.size()),
                         static_cast<uint32_t>(table.size()));
  return image + before + table + after;
}

std::string PayloadTail(const std::string& payload) {
  std::string tail = "TRV" + payload;
  const int32_t length = static_cast<int32_t>(payload.size());
  tail.append(reinterpret_cast<const char*>(&length), sizeof(length));
  return tail;
}

}  // namespace testing_support

#include "desktop/windows/installer/utils/pe_image_layout.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/path_service.h"
#include "gtest/gtest.h"
#include "testing/synthetic_pe_image.h"

namespace {

using testing_support::AddPeSection;
using testing_support::AddPeSectionHeader;
using testing_support::kPe32Magic;
using testing_support::kPe32PlusMagic;
using testing_support::kPeHeadersSize;
using testing_support::kPeOffset;
using testing_support::kPeOptionalHeader;
using testing_support::PeHeaders;
using testing_support::PeSecurityEntry;
using testing_support::PutAt;

// Headers of 0x200 bytes with 16 data directories and two sections, the
// first section's data, then a symbol table of 3 symbols and its string
// table of 10 bytes.
std::string Image(uint16_t magic) {
  std::string image = PeHeaders(magic);
  AddPeSection(&image, std::string(0x100, 'T'));   // .text: 0x200..0x300
  AddPeSectionHeader(&image, 0x5000, 0);           // .bss: no raw data
  PutAt<uint32_t>(&image, kPeOffset + 12, 0x300);  // PointerToSymbolTable
  PutAt<uint32_t>(&image, kPeOffset + 16, 3);
  image.append(3 * 18, 'S');
  image.append("\x0A\0\0\0strs", 8);
  image.append(2, '\0');
  return image;
}

// Bytes that end right before a page that cannot be read: a read past
// them faults instead of passing unseen.
class GuardedBytes {
 public:
  explicit GuardedBytes(const std::string& bytes) {
    const size_t pages = (bytes.size() + kPage - 1) / kPage + 1;
    base_ = static_cast<uint8_t*>(
        VirtualAlloc(nullptr, pages * kPage, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    DWORD old_protection;
    EXPECT_TRUE(base_ && VirtualProtect(base_ + (pages - 1) * kPage, kPage, PAGE_NOACCESS,
                                        &old_protection));
    data_ = base_ + (pages - 1) * kPage - bytes.size();
    memcpy(data_, bytes.data(), bytes.size());
    size_ = bytes.size();
  }
  ~GuardedBytes() { VirtualFree(base_, 0, MEM_RELEASE); }

  bool Parse(PeImageLayout* layout) const { return layout->Parse(data_, size_); }

 private:
  static constexpr size_t kPage = 4096;
  uint8_t* base_ = nullptr;
  uint8_t* data_ = nullptr;
  size_t size_ = 0;
};

// Whatever the headers say, every answer lies inside the bytes.
void ExpectInside(const PeImageLayout& layout, size_t size) {
  EXPECT_LE(layout.image_end(), size);
  EXPECT_LE(layout.image_end_with_symbols(), size);
  if (layout.image_end_with_symbols() != 0) {
    EXPECT_GE(layout.image_end_with_symbols(), layout.image_end());
  }
  if (layout.security_entry_offset() != 0) {
    EXPECT_LE(layout.security_entry_offset() + 8, size);
  }
  if (layout.HasValidCertificateTable()) {
    EXPECT_LE(uint64_t{layout.certificate_table_offset()} + layout.certificate_table_size(),
              size);
  }
}

TEST(PeImageLayoutTest, ReadsBothKindsOfHeaders) {
  for (uint16_t magic : {kPe32Magic, kPe32PlusMagic}) {
    std::string image = Image(magic);
    const uint32_t table = static_cast<uint32_t>(image.size());
    PutAt<uint32_t>(&image, PeSecurityEntry(magic), table);
    PutAt<uint32_t>(&image, PeSecurityEntry(magic) + 4, 16);
    image.append(16, 'C');
    const size_t resources = PeSecurityEntry(magic) - 2 * 8;
    PutAt<uint32_t>(&image, resources, 0x7000);
    PutAt<uint32_t>(&image, resources + 4, 0x80);
    PeImageLayout layout;
    ASSERT_TRUE(GuardedBytes(image).Parse(&layout)) << magic;
    ASSERT_TRUE(layout.data_directory(2));
    EXPECT_EQ(0x7000u, layout.data_directory(2)->address);
    EXPECT_EQ(0x80u, layout.data_directory(2)->size);
    EXPECT_EQ(16u, layout.data_directory(4)->size);
    EXPECT_FALSE(layout.data_directory(16));
    EXPECT_EQ(kPeOptionalHeader + (magic == kPe32Magic ? 0xE0 : 0xF0),
              layout.section_table_offset());
    EXPECT_EQ(2u, layout.section_count());
    EXPECT_EQ(kPeOptionalHeader + 64, layout.checksum_offset());
    EXPECT_EQ(PeSecurityEntry(magic), layout.security_entry_offset());
    EXPECT_EQ(table, layout.certificate_table_offset());
    EXPECT_EQ(16u, layout.certificate_table_size());
    EXPECT_TRUE(layout.HasValidCertificateTable());
    EXPECT_EQ(0x300u, layout.image_end());
    EXPECT_EQ(0x300u + 3 * 18 + 10, layout.image_end_with_symbols());
  }
}

// The headers of a program are all that may be at hand: the security entry
// is read, the ends stay unknown.
TEST(PeImageLayoutTest, HeadersAloneAnswerTheSecurityEntry) {
  PeImageLayout layout;
  ASSERT_TRUE(GuardedBytes(Image(kPe32PlusMagic).substr(0, kPeHeadersSize)).Parse(&layout));
  EXPECT_EQ(PeSecurityEntry(kPe32PlusMagic), layout.security_entry_offset());
  EXPECT_EQ(0u, layout.image_end());
  EXPECT_EQ(0u, layout.image_end_with_symbols());
}

TEST(PeImageLayoutTest, TheTestProgramItself) {
  base::FilePath exe;
  ASSERT_TRUE(base::PathService::Get(base::FILE_EXE, &exe));
  std::string image;
  ASSERT_TRUE(base::ReadFileToString(exe, &image));
  PeImageLayout layout;
  ASSERT_TRUE(GuardedBytes(image).Parse(&layout));
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(image.data());
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS64*>(image.data() + dos->e_lfanew);
  const size_t optional = dos->e_lfanew + offsetof(IMAGE_NT_HEADERS64, OptionalHeader);
  EXPECT_EQ(optional + offsetof(IMAGE_OPTIONAL_HEADER64, CheckSum), layout.checksum_offset());
  EXPECT_EQ(optional + offsetof(IMAGE_OPTIONAL_HEADER64, DataDirectory) +
                IMAGE_DIRECTORY_ENTRY_SECURITY * sizeof(IMAGE_DATA_DIRECTORY),
            layout.security_entry_offset());
  EXPECT_EQ(0u, layout.certificate_table_size());
  uint64_t end = nt->OptionalHeader.SizeOfHeaders;
  const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
  for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section)
    end = std::max<uint64_t>(end, uint64_t{section->PointerToRawData} + section->SizeOfRawData);
  EXPECT_EQ(end, layout.image_end());
  EXPECT_GE(layout.image_end_with_symbols(), layout.image_end());
  EXPECT_LE(layout.image_end_with_symbols(), image.size());
}

// Windows finds no security entry among fewer than five directories, nor
// past the optional header's stated size.
TEST(PeImageLayoutTest, NoSecurityEntryWhereWindowsSeesNone) {
  std::string few = Image(kPe32PlusMagic);
  PutAt<uint32_t>(&few, kPeOptionalHeader + 108, 4);
  PutAt<uint32_t>(&few, PeSecurityEntry(kPe32PlusMagic) + 4, 16);
  PeImageLayout layout;
  ASSERT_TRUE(GuardedBytes(few).Parse(&layout));
  EXPECT_EQ(0u, layout.security_entry_offset());
  EXPECT_EQ(0u, layout.certificate_table_size());
  EXPECT_EQ(0x300u, layout.image_end());
  EXPECT_TRUE(layout.data_directory(3));
  EXPECT_FALSE(layout.data_directory(4));

  std::string short_header = Image(kPe32Magic);
  PutAt<uint16_t>(&short_header, kPeOffset + 20, 0x98 - 24 + 4);
  ASSERT_TRUE(GuardedBytes(short_header).Parse(&layout));
  EXPECT_EQ(0u, layout.security_entry_offset());
}

TEST(PeImageLayoutTest, HostileHeaders) {
  PeImageLayout layout;
  for (const char* text : {"", "M", "MZ", "MZ is not enough to be a program"})
    EXPECT_FALSE(GuardedBytes(text).Parse(&layout)) << text;
  const std::string image = Image(kPe32PlusMagic);
  std::string bad = image;
  bad[kPeOffset + 1] = 'X';
  EXPECT_FALSE(GuardedBytes(bad).Parse(&layout));
  bad = image;
  PutAt<uint16_t>(&bad, kPeOptionalHeader, 0x107);
  EXPECT_FALSE(GuardedBytes(bad).Parse(&layout));
  for (uint32_t lfanew : {0xFFFFFFF0u, 0x7FFFFFFFu, static_cast<uint32_t>(image.size() - 2), 0u}) {
    bad = image;
    PutAt<uint32_t>(&bad, 0x3C, lfanew);
    EXPECT_FALSE(GuardedBytes(bad).Parse(&layout)) << lfanew;
  }
  // More sections than the loader takes, or than the file holds.
  for (uint16_t sections : {97, 0xFFFF}) {
    bad = image;
    PutAt<uint16_t>(&bad, kPeOffset + 6, sections);
    ASSERT_TRUE(GuardedBytes(bad).Parse(&layout));
    EXPECT_EQ(0u, layout.image_end()) << sections;
    EXPECT_EQ(0u, layout.image_end_with_symbols()) << sections;
  }
  // Raw data, symbols or strings said to lie past the end.
  bad = image;
  PutAt<uint32_t>(&bad, kPeOptionalHeader + 0xF0 + 16, 0xFFFFFFFFu);
  ASSERT_TRUE(GuardedBytes(bad).Parse(&layout));
  EXPECT_EQ(0u, layout.image_end());
  bad = image;
  PutAt<uint32_t>(&bad, kPeOffset + 16, 0xFFFFFFFFu);
  ASSERT_TRUE(GuardedBytes(bad).Parse(&layout));
  EXPECT_EQ(0x300u, layout.image_end());
  EXPECT_EQ(0u, layout.image_end_with_symbols());
  bad = image;
  PutAt<uint32_t>(&bad, 0x300 + 3 * 18, 0xFFFFFFF0u);
  ASSERT_TRUE(GuardedBytes(bad).Parse(&layout));
  EXPECT_EQ(0u, layout.image_end_with_symbols());
  // A certificate table that is not inside the file.
  bad = image;
  PutAt<uint32_t>(&bad, PeSecurityEntry(kPe32PlusMagic), static_cast<uint32_t>(bad.size() - 4));
  PutAt<uint32_t>(&bad, PeSecurityEntry(kPe32PlusMagic) + 4, 0xFFFFFFF8u);
  ASSERT_TRUE(GuardedBytes(bad).Parse(&layout));
  EXPECT_FALSE(layout.HasValidCertificateTable());
}

// Every cut of both kinds of image, and every header byte set to values
// that mean the most: nothing is read past the bytes, every answer lies in
// them.
TEST(PeImageLayoutTest, CutAndGarbledHeadersStayInside) {
  for (uint16_t magic : {kPe32Magic, kPe32PlusMagic}) {
    const std::string image = Image(magic);
    for (size_t size = 0; size <= image.size(); ++size) {
      PeImageLayout layout;
      const bool parsed = GuardedBytes(image.substr(0, size)).Parse(&layout);
      EXPECT_EQ(parsed, size >= PeSecurityEntry(magic) + 8) << size;
      ExpectInside(layout, size);
    }
    for (size_t at = 0; at < kPeHeadersSize; ++at) {
      for (uint8_t value : {0x00, 0x01, 0x7F, 0x80, 0xFF}) {
        std::string garbled = image;
        garbled[at] = static_cast<char>(value);
        PeImageLayout layout;
        GuardedBytes(garbled).Parse(&layout);
        ExpectInside(layout, garbled.size());
      }
    }
  }
}

}  // namespace

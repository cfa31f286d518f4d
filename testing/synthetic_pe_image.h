#ifndef TESTING_SYNTHETIC_PE_IMAGE_H_
#define TESTING_SYNTHETIC_PE_IMAGE_H_

#include <cstdint>
#include <cstring>
#include <string>

// Made-up program files for the parsers of PE images and of what the
// package builder appends to them: the headers alone, the parts tests
// change in them, at the offsets the PE format gives.
namespace testing_support {

constexpr uint32_t kPeOffset = 0x80;  // where e_lfanew points, "PE\0\0"
constexpr size_t kPeOptionalHeader = kPeOffset + 24;
constexpr uint32_t kPeHeadersSize = 0x200;
constexpr uint16_t kPe32Magic = 0x10B;
constexpr uint16_t kPe32PlusMagic = 0x20B;
constexpr uint16_t kMachineI386 = 0x14C;
constexpr uint16_t kMachineAmd64 = 0x8664;

// `value` at `offset` of `bytes`, little-endian as in a PE file.
template <typename T>
void PutAt(std::string* bytes, size_t offset, T value) {
  memcpy(&(*bytes)[offset], &value, sizeof(value));
}
template <typename T>
T GetAt(const std::string& bytes, size_t offset) {
  T value;
  memcpy(&value, &bytes[offset], sizeof(value));
  return value;
}

// The headers of an image, kPeHeadersSize bytes: the optional header that
// `magic` names, sized for its 16 data directories, and no sections.
std::string PeHeaders(uint16_t magic = kPe32PlusMagic, uint16_t machine = kMachineAmd64);

// Where an optional header of `magic` keeps the security directory entry.
size_t PeSecurityEntry(uint16_t magic);
void SetPeSecurityDirectory(std::string* image, uint32_t offset, uint32_t size);

// Adds a section header naming `raw_size` bytes at `raw_offset` of the file.
void AddPeSectionHeader(std::string* image, uint32_t raw_offset, uint32_t raw_size);
// Adds a section whose raw data, `data`, follows what the image holds.
void AddPeSection(std::string* image, const std::string& data);

// `image` signed with a made-up certificate table placed after `before`
// and followed by `after`.
std::string SignedPeImage(std::string image, const std::string& before, const std::string& after);

// What the package builder appends to an installer: "TRV", the payload,
// and the payload's length.
std::string PayloadTail(const std::string& payload);

}  // namespace testing_support

#endif  // TESTING_SYNTHETIC_PE_IMAGE_H_

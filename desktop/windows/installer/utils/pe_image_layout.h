#ifndef DESKTOP_WINDOWS_INSTALLER_UTILS_PE_IMAGE_LAYOUT_H_
#define DESKTOP_WINDOWS_INSTALLER_UTILS_PE_IMAGE_LAYOUT_H_

#include <cstddef>
#include <array>
#include <cstdint>
#include <optional>
#include <span>

// Little-endian integers of a PE file.
inline uint16_t ReadU16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
inline uint32_t ReadU32(const uint8_t* p) {
  return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

// Where the parts of a PE file lie, read once from its headers: what
// Authenticode treats specially, what the loader maps and what the image
// holds beyond that. Every offset is checked against the bytes given, so
// hostile headers are never followed outside them.
class PeImageLayout {
 public:
  // `bytes` start at the file's first byte: the whole file, or only its
  // headers (then the ends below stay 0). False when they are not a PE32
  // or PE32+ image: no "MZ", no "PE\0\0" at `e_lfanew`, an unknown
  // optional-header magic, or headers cut short before the security entry.
  bool Parse(std::span<const uint8_t> bytes);
  bool Parse(const uint8_t* data, size_t size) { return Parse({data, size}); }

  size_t checksum_offset() const { return checksum_offset_; }
  // The security directory entry (8 bytes: the table's offset and size),
  // found by the optional-header magic as Windows does; 0 when the image
  // has no such entry (fewer data directories, or a shorter optional
  // header), which Windows reads as unsigned.
  size_t security_entry_offset() const { return security_entry_offset_; }
  uint32_t certificate_table_offset() const { return certificate_table_offset_; }
  uint32_t certificate_table_size() const { return certificate_table_size_; }
  // Whether the entry names a table that lies wholly after the headers'
  // security entry and inside the bytes.
  bool HasValidCertificateTable() const { return valid_table_; }

  // Where what the loader maps ends: the headers and the raw data of every
  // section. 0 unless the section table and all of that lie in the bytes
  // and the loader's limit on sections is kept.
  uint64_t image_end() const { return image_end_; }
  // The same with the COFF symbol table and its string table, which the
  // image holds but the loader does not map. 0 unless all of it lies in
  // the bytes.
  uint64_t image_end_with_symbols() const { return image_end_with_symbols_; }

  struct DataDirectory {
    uint32_t address = 0;
    uint32_t size = 0;
  };
  // Data directory `index` (2 for the resources), as the loader finds it:
  // nullopt when the image has fewer directories or the bytes end first.
  std::optional<DataDirectory> data_directory(uint32_t index) const;

  // The section headers, 40 bytes each; they may lie past the bytes.
  uint64_t section_table_offset() const { return section_table_offset_; }
  uint32_t section_count() const { return section_count_; }

 private:
  // A PE image has at most 16 data directories.
  std::array<DataDirectory, 16> directories_;
  // Those the image has and the bytes hold.
  size_t directories_read_ = 0;
  uint64_t section_table_offset_ = 0;
  uint32_t section_count_ = 0;
  size_t checksum_offset_ = 0;
  size_t security_entry_offset_ = 0;
  uint32_t certificate_table_offset_ = 0;
  uint32_t certificate_table_size_ = 0;
  bool valid_table_ = false;
  uint64_t image_end_ = 0;
  uint64_t image_end_with_symbols_ = 0;
};

// Whether the image of the running program carries a certificate table, as
// its headers were when it was loaded: a file put at the program's path
// since then changes nothing. This is the one answer to "is this a signed
// build": a signed build checks the signer of every package, component and
// program it takes from a folder and ignores the test hooks
// (test_hooks.h); an unsigned one (a developer's or a test's) checks none
// and takes them.
bool RunningImageHasCertificateTable();

#endif  // DESKTOP_WINDOWS_INSTALLER_UTILS_PE_IMAGE_LAYOUT_H_

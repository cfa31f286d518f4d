#ifndef DESKTOP_WINDOWS_INSTALLER_SIGNATURE_CHECKER_PE_IMAGE_LAYOUT_H_
#define DESKTOP_WINDOWS_INSTALLER_SIGNATURE_CHECKER_PE_IMAGE_LAYOUT_H_

#include <cstddef>
#include <cstdint>

// Little-endian integers of a PE file.
inline uint16_t ReadU16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
inline uint32_t ReadU32(const uint8_t* p) {
  return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

// Where the parts that Authenticode treats specially lie in a PE file's
// bytes. Every offset is checked against the file's size.
class PeImageLayout {
 public:
  // False when `data` is not a PE32 or PE32+ image: no "MZ", no "PE\0\0" at
  // `e_lfanew`, an unknown optional-header magic, or headers cut short.
  bool Parse(const uint8_t* data, size_t size);

  size_t checksum_offset() const { return checksum_offset_; }
  // The security directory entry: 8 bytes, the table's offset and size.
  size_t security_entry_offset() const { return security_entry_offset_; }
  uint32_t certificate_table_offset() const { return certificate_table_offset_; }
  uint32_t certificate_table_size() const { return certificate_table_size_; }
  // Whether the entry names a table that lies wholly after the headers'
  // security entry and inside the file.
  bool HasValidCertificateTable() const { return valid_table_; }

 private:
  size_t checksum_offset_ = 0;
  size_t security_entry_offset_ = 0;
  uint32_t certificate_table_offset_ = 0;
  uint32_t certificate_table_size_ = 0;
  bool valid_table_ = false;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_SIGNATURE_CHECKER_PE_IMAGE_LAYOUT_H_

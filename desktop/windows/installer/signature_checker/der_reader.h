#ifndef DESKTOP_WINDOWS_INSTALLER_SIGNATURE_CHECKER_DER_READER_H_
#define DESKTOP_WINDOWS_INSTALLER_SIGNATURE_CHECKER_DER_READER_H_

#include <cstdint>
#include <string>
#include <string_view>

// Reads DER elements one after another from untrusted bytes. Only
// single-byte tags and definite lengths are accepted.
class DerReader {
 public:
  static constexpr uint8_t kSequence = 0x30;
  static constexpr uint8_t kInteger = 0x02;
  static constexpr uint8_t kOctetString = 0x04;
  static constexpr uint8_t kObjectIdentifier = 0x06;
  static constexpr uint8_t kGeneralizedTime = 0x18;

  explicit DerReader(std::string_view input) : input_(input) {}

  // Reads the next element, which must carry `tag`, into its contents.
  bool ReadElement(uint8_t tag, std::string_view* contents);
  // Skips the next element, whatever its tag.
  bool SkipElement();
  // Reads an object identifier in dotted form ("1.2.840.113549").
  bool ReadObjectIdentifier(std::string* dotted);

  bool empty() const { return input_.empty(); }

 private:
  bool ReadAny(uint8_t* tag, std::string_view* contents);

  std::string_view input_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_SIGNATURE_CHECKER_DER_READER_H_

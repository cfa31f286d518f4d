#include "desktop/windows/installer/signature_checker/timestamp_info.h"

#include "desktop/windows/installer/signature_checker/der_reader.h"

namespace {

// The `count` decimal digits of `text` at `position`; -1 when not digits.
int Digits(std::string_view text, size_t position, size_t count) {
  int value = 0;
  for (size_t i = position; i < position + count; ++i) {
    if (text[i] < '0' || text[i] > '9')
      return -1;
    value = value * 10 + (text[i] - '0');
  }
  return value;
}

// "YYYYMMDDhhmmss", optional fractions of a second, "Z".
bool ParseGeneralizedTime(std::string_view text, FILETIME* time) {
  if (text.size() < 15 || text.back() != 'Z')
    return false;
  const std::string_view fraction = text.substr(14, text.size() - 15);
  if (!fraction.empty() &&
      (fraction.size() < 2 || fraction[0] != '.' || Digits(fraction, 1, fraction.size() - 1) < 0)) {
    return false;
  }
  SYSTEMTIME system = {};
  const int fields[] = {Digits(text, 0, 4), Digits(text, 4, 2),  Digits(text, 6, 2),
                        Digits(text, 8, 2), Digits(text, 10, 2), Digits(text, 12, 2)};
  for (int field : fields) {
    if (field < 0)
      return false;
  }
  system.wYear = static_cast<WORD>(fields[0]);
  system.wMonth = static_cast<WORD>(fields[1]);
  system.wDay = static_cast<WORD>(fields[2]);
  system.wHour = static_cast<WORD>(fields[3]);
  system.wMinute = static_cast<WORD>(fields[4]);
  system.wSecond = static_cast<WORD>(fields[5]);
  return SystemTimeToFileTime(&system, time) != FALSE;
}

}  // namespace

// TSTInfo ::= SEQUENCE {
//   version INTEGER, policy OBJECT IDENTIFIER,
//   messageImprint SEQUENCE { hashAlgorithm AlgorithmIdentifier,
//                             hashedMessage OCTET STRING },
//   serialNumber INTEGER, genTime GeneralizedTime, ... }
bool TimestampInfo::Parse(std::string_view der) {
  DerReader outer(der);
  std::string_view content, version, imprint_sequence, algorithm, hashed, serial, time_text;
  if (!outer.ReadElement(DerReader::kSequence, &content) || !outer.empty())
    return false;
  DerReader fields(content);
  std::string policy;
  if (!fields.ReadElement(DerReader::kInteger, &version) ||
      !fields.ReadObjectIdentifier(&policy) ||
      !fields.ReadElement(DerReader::kSequence, &imprint_sequence) ||
      !fields.ReadElement(DerReader::kInteger, &serial) ||
      !fields.ReadElement(DerReader::kGeneralizedTime, &time_text)) {
    return false;
  }
  DerReader imprint_fields(imprint_sequence);
  if (!imprint_fields.ReadElement(DerReader::kSequence, &algorithm) ||
      !imprint_fields.ReadElement(DerReader::kOctetString, &hashed) || !imprint_fields.empty()) {
    return false;
  }
  DerReader algorithm_reader(algorithm);
  std::string oid;
  FILETIME parsed;
  if (!algorithm_reader.ReadObjectIdentifier(&oid) || !ParseGeneralizedTime(time_text, &parsed))
    return false;
  imprint_algorithm_oid = std::move(oid);
  imprint.assign(hashed);
  time = parsed;
  return true;
}

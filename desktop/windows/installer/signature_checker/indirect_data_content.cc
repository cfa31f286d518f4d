#include "desktop/windows/installer/signature_checker/indirect_data_content.h"

#include "desktop/windows/installer/signature_checker/der_reader.h"

// SpcIndirectDataContent ::= SEQUENCE {
//   data SpcAttributeTypeAndOptionalValue,  -- a SEQUENCE, not needed here
//   messageDigest DigestInfo }
// DigestInfo ::= SEQUENCE { digestAlgorithm AlgorithmIdentifier, digest OCTET STRING }
bool IndirectDataContent::Parse(std::string_view der) {
  DerReader outer(der);
  std::string_view content, digest_info, algorithm, digest_bytes;
  if (!outer.ReadElement(DerReader::kSequence, &content) || !outer.empty())
    return false;
  DerReader fields(content);
  if (!fields.SkipElement() || !fields.ReadElement(DerReader::kSequence, &digest_info))
    return false;
  DerReader info(digest_info);
  if (!info.ReadElement(DerReader::kSequence, &algorithm) ||
      !info.ReadElement(DerReader::kOctetString, &digest_bytes)) {
    return false;
  }
  DerReader algorithm_reader(algorithm);
  std::string oid;
  if (!algorithm_reader.ReadObjectIdentifier(&oid))
    return false;
  signed_bytes = content;
  digest_algorithm_oid = std::move(oid);
  digest.assign(digest_bytes);
  return true;
}

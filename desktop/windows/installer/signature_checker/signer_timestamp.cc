#include "desktop/windows/installer/signature_checker/signer_timestamp.h"

#include <cstring>
#include <string>
#include <vector>

#include "desktop/windows/installer/signature_checker/authenticode_image.h"
#include "desktop/windows/installer/signature_checker/der_reader.h"
#include "desktop/windows/installer/signature_checker/scoped_cert_context.h"
#include "desktop/windows/installer/signature_checker/signed_message.h"
#include "desktop/windows/installer/signature_checker/signer_trust.h"
#include "desktop/windows/installer/signature_checker/timestamp_info.h"

namespace {

constexpr char kRfc3161CounterSignatureOid[] = "1.3.6.1.4.1.311.3.3.1";
constexpr char kTimestampTokenOid[] = "1.2.840.113549.1.9.16.1.4";
constexpr char kTimeStampingUsageOid[] = "1.3.6.1.5.5.7.3.8";

bool IsInTheFuture(const FILETIME& time) {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  return CompareFileTime(&time, &now) > 0;
}

// The DER of the TSTInfo in `content`: CryptoAPI hands the content over as
// the OCTET STRING that carries it.
std::string_view TimestampInfoBytes(std::string_view content) {
  DerReader reader(content);
  std::string_view inner;
  if (reader.ReadElement(DerReader::kOctetString, &inner) && reader.empty())
    return inner;
  return content;
}

// Whether the authority's chain is trusted at the time it stamped.
bool IsAuthorityTrusted(PCCERT_CONTEXT authority,
                        HCERTSTORE store,
                        HCERTCHAINENGINE engine,
                        const FILETIME& time) {
  ScopedCertChainContext chain = BuildChain(engine, authority, store, kTimeStampingUsageOid, &time);
  return chain.IsValid() && chain.Get()->TrustStatus.dwErrorStatus == CERT_TRUST_NO_ERROR;
}

// The time one timestamp token (a signed TSTInfo) vouches for, when it
// stamps `signature` and verifies.
bool ReadToken(CRYPT_ATTR_BLOB token,
               std::string_view signature,
               HCERTCHAINENGINE engine,
               FILETIME* time) {
  SignedMessage decoded;
  if (!DecodeSignedMessage(token, &decoded))
    return false;
  const HCRYPTMSG raw_message = decoded.message.Get();
  const HCERTSTORE raw_store = decoded.store.Get();
  const std::vector<BYTE> type = GetMessageParam(raw_message, CMSG_INNER_CONTENT_TYPE_PARAM, 0);
  const std::vector<BYTE> content_param = GetMessageParam(raw_message, CMSG_CONTENT_PARAM, 0);
  const std::string_view content = TimestampInfoBytes(AsView(content_param));
  const std::vector<BYTE> info_bytes = GetMessageParam(raw_message, CMSG_SIGNER_INFO_PARAM, 0);
  TimestampInfo stamp;
  if (type.empty() || strcmp(reinterpret_cast<const char*>(type.data()), kTimestampTokenOid) ||
      info_bytes.empty() || !stamp.Parse(content) ||
      stamp.imprint != HashByAlgorithmOid(stamp.imprint_algorithm_oid, signature) ||
      IsInTheFuture(stamp.time)) {
    return false;
  }
  const auto& authority_info = *reinterpret_cast<const CMSG_SIGNER_INFO*>(info_bytes.data());
  const std::string_view digest = FindMessageDigest(authority_info);
  if (digest.empty() ||
      digest != HashByAlgorithmOid(authority_info.HashAlgorithm.pszObjId, content)) {
    return false;
  }
  CERT_INFO issuer_and_serial = {};
  issuer_and_serial.Issuer = authority_info.Issuer;
  issuer_and_serial.SerialNumber = authority_info.SerialNumber;
  ScopedCertContext authority(CertFindCertificateInStore(
      raw_store, decoded.encoding, 0, CERT_FIND_SUBJECT_CERT, &issuer_and_serial, nullptr));
  if (!authority.IsValid() || !VerifiesWithCertificate(raw_message, 0, authority.Get()) ||
      !IsAuthorityTrusted(authority.Get(), raw_store, engine, stamp.time)) {
    return false;
  }
  *time = stamp.time;
  return true;
}

}  // namespace

bool GetTimestampedSigningTime(const CMSG_SIGNER_INFO& info,
                               HCERTCHAINENGINE engine,
                               FILETIME* time) {
  // The authority stamped the signer's signature value.
  const std::string_view signature(reinterpret_cast<const char*>(info.EncryptedHash.pbData),
                                   info.EncryptedHash.cbData);
  if (signature.empty())
    return false;
  for (DWORD i = 0; i < info.UnauthAttrs.cAttr; ++i) {
    const CRYPT_ATTRIBUTE& attribute = info.UnauthAttrs.rgAttr[i];
    if (strcmp(attribute.pszObjId, kRfc3161CounterSignatureOid) != 0)
      continue;
    for (DWORD v = 0; v < attribute.cValue; ++v) {
      if (ReadToken(attribute.rgValue[v], signature, engine, time))
        return true;
    }
  }
  return false;
}

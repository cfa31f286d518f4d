#include "desktop/windows/installer/signature_checker/signer_trust.h"

#include <wintrust.h>

#include <cstring>
#include <string_view>
#include <vector>

#include "base/strings/stringprintf.h"
#include "desktop/windows/installer/signature_checker/authenticode_image.h"
#include "desktop/windows/installer/signature_checker/der_reader.h"
#include "desktop/windows/installer/signature_checker/indirect_data_content.h"
#include "desktop/windows/installer/signature_checker/signed_message.h"
#include "desktop/windows/installer/signature_checker/signer_timestamp.h"

namespace {

bool IsContentBoundToImage(HCRYPTMSG message,
                           const CMSG_SIGNER_INFO& info,
                           AuthenticodeImage* image,
                           std::string* reason) {
  const std::vector<BYTE> type = GetMessageParam(message, CMSG_INNER_CONTENT_TYPE_PARAM, 0);
  if (type.empty() || strcmp(reinterpret_cast<const char*>(type.data()), SPC_INDIRECT_DATA_OBJID)) {
    *reason = "the signed content is not Authenticode data";
    return false;
  }
  const std::vector<BYTE> content_bytes = GetMessageParam(message, CMSG_CONTENT_PARAM, 0);
  IndirectDataContent content;
  if (!content.Parse(AsView(content_bytes))) {
    *reason = "the signed content cannot be read";
    return false;
  }
  const std::string_view message_digest = FindMessageDigest(info);
  if (message_digest.empty() || message_digest != HashByAlgorithmOid(info.HashAlgorithm.pszObjId,
                                                                      content.signed_bytes)) {
    *reason = "the signed attributes do not cover the signed content";
    return false;
  }
  const std::string file_digest = image->GetDigest(content.digest_algorithm_oid);
  if (file_digest.empty() || file_digest != content.digest) {
    *reason = "the signed digest is not the file's";
    return false;
  }
  return true;
}

bool IsChainTrusted(PCCERT_CONTEXT certificate,
                    HCERTSTORE store,
                    HCERTCHAINENGINE engine,
                    const FILETIME* time,
                    std::string* reason) {
  ScopedCertChainContext chain =
      BuildChain(engine, certificate, store, szOID_PKIX_KP_CODE_SIGNING, time);
  if (!chain.IsValid()) {
    *reason = "no certificate chain";
    return false;
  }
  const DWORD status = chain.Get()->TrustStatus.dwErrorStatus;
  if (status != CERT_TRUST_NO_ERROR) {
    *reason = base::StringPrintf("certificate chain status 0x%lx", status);
    return false;
  }
  CERT_CHAIN_POLICY_PARA policy = {};
  policy.cbSize = sizeof(policy);
  CERT_CHAIN_POLICY_STATUS policy_status = {};
  policy_status.cbSize = sizeof(policy_status);
  if (!CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_AUTHENTICODE, chain.Get(), &policy,
                                        &policy_status) ||
      policy_status.dwError != 0) {
    *reason = base::StringPrintf("Authenticode chain policy error 0x%lx", policy_status.dwError);
    return false;
  }
  return true;
}

}  // namespace

ScopedCertChainContext BuildChain(HCERTCHAINENGINE engine,
                                  PCCERT_CONTEXT certificate,
                                  HCERTSTORE store,
                                  const char* usage_oid,
                                  const FILETIME* time) {
  LPSTR usage[] = {const_cast<LPSTR>(usage_oid)};
  CERT_CHAIN_PARA para = {};
  para.cbSize = sizeof(para);
  para.RequestedUsage.dwType = USAGE_MATCH_TYPE_AND;
  para.RequestedUsage.Usage.cUsageIdentifier = 1;
  para.RequestedUsage.Usage.rgpszUsageIdentifier = usage;
  PCCERT_CHAIN_CONTEXT chain = nullptr;
  if (!CertGetCertificateChain(engine, certificate, const_cast<FILETIME*>(time), store, &para, 0,
                               nullptr, &chain)) {
    return ScopedCertChainContext();
  }
  return ScopedCertChainContext(chain);
}

bool IsSignerTrusted(HCRYPTMSG message,
                     DWORD index,
                     const CMSG_SIGNER_INFO& info,
                     PCCERT_CONTEXT certificate,
                     HCERTSTORE store,
                     HCERTCHAINENGINE engine,
                     AuthenticodeImage* image,
                     std::string* reason) {
  if (!VerifiesWithCertificate(message, index, certificate)) {
    *reason = base::StringPrintf("the signature does not verify (0x%lx)", GetLastError());
    return false;
  }
  if (!IsContentBoundToImage(message, info, image, reason))
    return false;
  // A certificate expires, a signature made while it was valid does not:
  // with a timestamp that vouches for the signing time, the chain is
  // checked at that time.
  FILETIME signed_at;
  const bool timestamped = GetTimestampedSigningTime(info, engine, &signed_at);
  return IsChainTrusted(certificate, store, engine, timestamped ? &signed_at : nullptr, reason);
}

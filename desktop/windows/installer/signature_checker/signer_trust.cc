#include "desktop/windows/installer/signature_checker/signer_trust.h"

#include <wintrust.h>

#include <cstring>
#include <string_view>
#include <vector>

#include "base/strings/stringprintf.h"
#include "desktop/windows/installer/signature_checker/authenticode_image.h"
#include "desktop/windows/installer/signature_checker/der_reader.h"
#include "desktop/windows/installer/signature_checker/indirect_data_content.h"

namespace {

// A message parameter's bytes; empty when it cannot be read.
std::vector<BYTE> GetMessageParam(HCRYPTMSG message, DWORD type, DWORD index) {
  DWORD size = 0;
  if (!CryptMsgGetParam(message, type, index, nullptr, &size) || size == 0)
    return {};
  std::vector<BYTE> bytes(size);
  if (!CryptMsgGetParam(message, type, index, bytes.data(), &size))
    return {};
  bytes.resize(size);
  return bytes;
}

std::string_view AsView(const std::vector<BYTE>& bytes) {
  return std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

bool VerifiesWithCertificate(HCRYPTMSG message, DWORD index, PCCERT_CONTEXT certificate) {
  CMSG_CTRL_VERIFY_SIGNATURE_EX_PARA para = {};
  para.cbSize = sizeof(para);
  para.dwSignerIndex = index;
  para.dwSignerType = CMSG_VERIFY_SIGNER_CERT;
  para.pvSigner = const_cast<CERT_CONTEXT*>(certificate);
  return CryptMsgControl(message, 0, CMSG_CTRL_VERIFY_SIGNATURE_EX, &para) != FALSE;
}

// The signer's message-digest attribute; empty when it is missing or
// appears more than once.
std::string_view FindMessageDigest(const CMSG_SIGNER_INFO& info) {
  std::string_view found;
  int count = 0;
  for (DWORD i = 0; i < info.AuthAttrs.cAttr; ++i) {
    const CRYPT_ATTRIBUTE& attribute = info.AuthAttrs.rgAttr[i];
    if (strcmp(attribute.pszObjId, szOID_PKCS_9_MESSAGE_DIGEST) != 0)
      continue;
    ++count;
    if (attribute.cValue != 1)
      return {};
    DerReader reader(std::string_view(reinterpret_cast<const char*>(attribute.rgValue[0].pbData),
                                      attribute.rgValue[0].cbData));
    if (!reader.ReadElement(DerReader::kOctetString, &found) || !reader.empty())
      return {};
  }
  return count == 1 ? found : std::string_view();
}

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
                    std::string* reason) {
  ScopedCertChainContext chain = BuildCodeSigningChain(engine, certificate, store);
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

ScopedCertChainContext BuildCodeSigningChain(HCERTCHAINENGINE engine,
                                             PCCERT_CONTEXT certificate,
                                             HCERTSTORE store) {
  LPSTR usage[] = {const_cast<LPSTR>(szOID_PKIX_KP_CODE_SIGNING)};
  CERT_CHAIN_PARA para = {};
  para.cbSize = sizeof(para);
  para.RequestedUsage.dwType = USAGE_MATCH_TYPE_AND;
  para.RequestedUsage.Usage.cUsageIdentifier = 1;
  para.RequestedUsage.Usage.rgpszUsageIdentifier = usage;
  PCCERT_CHAIN_CONTEXT chain = nullptr;
  if (!CertGetCertificateChain(engine, certificate, nullptr, store, &para, 0, nullptr, &chain))
    return ScopedCertChainContext();
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
  return IsContentBoundToImage(message, info, image, reason) &&
         IsChainTrusted(certificate, store, engine, reason);
}

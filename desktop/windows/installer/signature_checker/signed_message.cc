#include "desktop/windows/installer/signature_checker/signed_message.h"

#include <cstring>

#include "desktop/windows/installer/signature_checker/der_reader.h"

bool DecodeSignedMessage(CERT_BLOB blob, SignedMessage* decoded) {
  HCERTSTORE store = nullptr;
  HCRYPTMSG message = nullptr;
  if (!CryptQueryObject(CERT_QUERY_OBJECT_BLOB, &blob, CERT_QUERY_CONTENT_FLAG_PKCS7_SIGNED,
                        CERT_QUERY_FORMAT_FLAG_BINARY, 0, &decoded->encoding, nullptr, nullptr,
                        &store, &message, nullptr)) {
    return false;
  }
  decoded->store.Set(store);
  decoded->message.Set(message);
  return true;
}

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

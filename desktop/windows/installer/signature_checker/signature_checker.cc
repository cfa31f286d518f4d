#include "desktop/windows/installer/signature_checker/signature_checker.h"

#include <softpub.h>
#include <wintrust.h>

#include <cstddef>
#include <cstring>
#include <memory>
#include <vector>

#include "base/files/memory_mapped_file.h"
#include "base/logging.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/stringprintf.h"
#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/signature_checker/authenticode_image.h"
#include "desktop/windows/installer/signature_checker/scoped_cert_context.h"
#include "desktop/windows/installer/signature_checker/signature_log.h"
#include "desktop/windows/installer/signature_checker/signed_message.h"
#include "desktop/windows/installer/signature_checker/signer_trust.h"
#include "desktop/windows/installer/utils/pe_image_layout.h"
#include "desktop/windows/installer/utils/product_info.h"

namespace {

// Real files nest one signature; deeper nesting is not examined.
constexpr uint32_t kMaxNestingLevel = 8;
constexpr char kNestedSignatureOid[] = "1.3.6.1.4.1.311.2.4.1";

std::string LastErrorText() { return logging::SystemErrorCodeToString(GetLastError()); }

// Windows reads the file through `file` when it is open, else by path.
LONG CallWinVerifyTrust(const base::FilePath& path, const base::File& file) {
  WINTRUST_FILE_INFO file_info = {};
  file_info.cbStruct = sizeof(file_info);
  file_info.pcwszFilePath = path.value().c_str();
  file_info.hFile = file.IsValid() ? file.GetPlatformFile() : nullptr;
  WINTRUST_DATA data = {};
  data.cbStruct = sizeof(data);
  data.dwUIChoice = WTD_UI_NONE;
  data.fdwRevocationChecks = WTD_REVOKE_NONE;
  data.dwUnionChoice = WTD_CHOICE_FILE;
  data.pFile = &file_info;
  GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
  return WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
}

std::unique_ptr<CMSG_SIGNER_INFO, decltype(&free)> GetSignerInfo(HCRYPTMSG message,
                                                                 DWORD index,
                                                                 SignatureLog* log,
                                                                 uint32_t level) {
  std::unique_ptr<CMSG_SIGNER_INFO, decltype(&free)> none(nullptr, &free);
  DWORD size = 0;
  if (!CryptMsgGetParam(message, CMSG_SIGNER_INFO_PARAM, index, nullptr, &size) || size == 0) {
    log->BeginLevel(level) << "Cannot get signer size\n";
    return none;
  }
  std::unique_ptr<CMSG_SIGNER_INFO, decltype(&free)> info(
      static_cast<CMSG_SIGNER_INFO*>(malloc(size)), &free);
  if (!info || !CryptMsgGetParam(message, CMSG_SIGNER_INFO_PARAM, index, info.get(), &size)) {
    log->BeginLevel(level) << "Cannot get signer info\n";
    return none;
  }
  return info;
}

std::wstring CertificateName(PCCERT_CONTEXT certificate) {
  const DWORD size =
      CertGetNameStringW(certificate, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, nullptr, 0);
  if (size <= 1)
    return std::wstring();
  std::wstring name(size, L'\0');
  CertGetNameStringW(certificate, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, name.data(), size);
  name.resize(size - 1);
  return name;
}

std::string CertificateThumbprint(PCCERT_CONTEXT certificate) {
  BYTE hash[20];
  DWORD size = sizeof(hash);
  if (!CertGetCertificateContextProperty(certificate, CERT_SHA1_HASH_PROP_ID, hash, &size))
    return std::string();
  return base::HexEncode(hash, size);
}

void LogTrustChain(const SignerCheckContext& context,
                   PCCERT_CONTEXT certificate,
                   HCERTSTORE store,
                   SignatureLog* log,
                   uint32_t level) {
  log->BeginLevel(level) << "Trust chain:\n";
  ScopedCertChainContext chain =
      BuildChain(context.engine, certificate, store, szOID_PKIX_KP_CODE_SIGNING, nullptr);
  if (!chain.IsValid()) {
    log->BeginLevel(level) << "Cannot get trust chain\n";
    return;
  }
  log->BeginLevel(level) << "Chain trust status: " << chain.Get()->TrustStatus.dwErrorStatus
                         << "\n";
  for (DWORD c = 0; c < chain.Get()->cChain; ++c) {
    const CERT_SIMPLE_CHAIN* simple = chain.Get()->rgpChain[c];
    for (DWORD e = 0; e < simple->cElement; ++e) {
      PCCERT_CONTEXT element = simple->rgpElement[e]->pCertContext;
      log->BeginLevel(level) << "Chain " << e << " element: "
                             << base::WideToUTF8(CertificateName(element)) << " "
                             << CertificateThumbprint(element) << "\n";
    }
  }
}

bool VerifyNestedSignature(const SignerCheckContext& context,
                           CERT_BLOB blob,
                           SignatureLog* log,
                           uint32_t level) {
  SignedMessage nested;
  if (!DecodeSignedMessage(blob, &nested)) {
    log->BeginLevel(level) << "Cannot read nested signature\n";
    return false;
  }
  return VerifySigners(context, nested.message.Get(), nested.store.Get(), nested.encoding, log,
                       level + 1);
}

// The nested signatures (unauthenticated attributes) of a signer. Signing
// tools add each further signature as one more value of the attribute.
bool VerifyNestedSigners(const SignerCheckContext& context,
                         const CMSG_SIGNER_INFO& info,
                         SignatureLog* log,
                         uint32_t level) {
  for (DWORD i = 0; i < info.UnauthAttrs.cAttr; ++i) {
    const CRYPT_ATTRIBUTE& attribute = info.UnauthAttrs.rgAttr[i];
    if (strcmp(attribute.pszObjId, kNestedSignatureOid) != 0)
      continue;
    if (level + 1 > kMaxNestingLevel) {
      log->BeginLevel(level) << "Nested signature too deep\n";
      return false;
    }
    for (DWORD v = 0; v < attribute.cValue; ++v) {
      if (VerifyNestedSignature(context, attribute.rgValue[v], log, level))
        return true;
    }
  }
  return false;
}

bool VerifySigner(const SignerCheckContext& context,
                  HCRYPTMSG message,
                  HCERTSTORE store,
                  DWORD encoding,
                  DWORD index,
                  SignatureLog* log,
                  uint32_t level) {
  auto info = GetSignerInfo(message, index, log, level);
  if (!info)
    return false;
  CERT_INFO issuer_and_serial = {};
  issuer_and_serial.Issuer = info->Issuer;
  issuer_and_serial.SerialNumber = info->SerialNumber;
  ScopedCertContext certificate(CertFindCertificateInStore(
      store, encoding, 0, CERT_FIND_SUBJECT_CERT, &issuer_and_serial, nullptr));
  if (!certificate.IsValid()) {
    log->BeginLevel(level) << "Cannot find certificate info in store\n";
    return false;
  }
  if (log->IsCollecting())
    LogTrustChain(context, certificate.Get(), store, log, level);
  const std::wstring name = CertificateName(certificate.Get());
  if (name.empty()) {
    log->BeginLevel(level) << "Cert signer name has 0 size\n";
    return false;
  }
  if (name == context.expected_signer) {
    std::string reason;
    if (IsSignerTrusted(message, index, *info, certificate.Get(), store, context.engine,
                        context.image, &reason)) {
      return true;
    }
    log->BeginLevel(level) << "Refused signer " << base::WideToUTF8(name) << ": " << reason
                           << "\n";
  } else {
    log->BeginLevel(level) << "Tried signer " << base::WideToUTF8(name) << "\n";
  }
  return VerifyNestedSigners(context, *info, log, level);
}

}  // namespace

bool HasCertificateTable(const base::FilePath& path, bool* has_table) {
  base::MemoryMappedFile file;
  PeImageLayout layout;
  if (!file.Initialize(path) || !layout.Parse(file.data(), file.length()))
    return false;
  *has_table = layout.certificate_table_size() != 0;
  return true;
}

bool VerifySigners(const SignerCheckContext& context,
                   HCRYPTMSG message,
                   HCERTSTORE store,
                   DWORD encoding,
                   SignatureLog* log,
                   uint32_t level) {
  DWORD count = 0;
  DWORD size = sizeof(count);
  if (!CryptMsgGetParam(message, CMSG_SIGNER_COUNT_PARAM, 0, &count, &size)) {
    log->BeginLevel(level) << "Cannot get signer count\n";
    return false;
  }
  for (DWORD index = 0; index < count; ++index) {
    if (VerifySigner(context, message, store, encoding, index, log, level))
      return true;
  }
  log->BeginLevel(level) << "Cannot find any viable signers\n";
  return false;
}

bool VerifyFileSignature(const base::FilePath& path, std::string* error) {
  // Held open, sharing reading only, until the decision is made.
  const base::File file(path, base::File::FLAG_OPEN | base::File::FLAG_READ |
                                  base::File::FLAG_EXCLUSIVE_WRITE);
  return VerifyOpenFileSignature(file, path, error);
}

bool VerifyOpenFileSignature(const base::File& file, const base::FilePath& path,
                             std::string* error) {
  std::unique_ptr<SignatureLog> log = SignatureLog::Create(error != nullptr);
  std::string text;
  // Every signer must vouch for the digest of these very bytes.
  AuthenticodeImage image;
  const bool image_open = file.IsValid() && image.Open(file.Duplicate());
  const LONG trust = CallWinVerifyTrust(path, file);
  if (trust != 0)
    text += base::StringPrintf("Cannot WinVerifyTrust: %ld, %s\n", trust, LastErrorText().c_str());
  if (!image_open)
    text += "Cannot read the signed image\n";
  // The signature, too, is read from the bytes held, not from the path.
  const std::string_view signed_data = image_open ? image.GetSignedData() : std::string_view();
  CERT_BLOB blob = {static_cast<DWORD>(signed_data.size()),
                    reinterpret_cast<BYTE*>(const_cast<char*>(signed_data.data()))};
  SignedMessage signature;
  if (signed_data.empty() || !DecodeSignedMessage(blob, &signature)) {
    text += "Cannot CryptQueryObject:" + LastErrorText() + "\n";
    if (error)
      *error += text;
    return false;
  }
  std::string table_problem;
  const bool only_signature = image.HasOnlySignatureInTable(&table_problem);
  if (!only_signature)
    text += "Refused certificate table: " + table_problem + "\n";

  CERT_CHAIN_ENGINE_CONFIG config = {};
  // The size every Windows version (and Wine) accepts: no exclusive roots.
  config.cbSize = offsetof(CERT_CHAIN_ENGINE_CONFIG, hExclusiveRoot);
  HCERTCHAINENGINE engine = nullptr;
  if (!CertCreateCertificateChainEngine(&config, &engine))
    text += "Cannot create a certificate chain engine:" + LastErrorText() + "\n";
  ScopedCertChainEngine scoped_engine(engine);

  const SignerCheckContext context{base::UTF8ToWide(ProductInfo::GetExpectedSigner()), engine,
                                   &image};
  const bool signers =
      engine && VerifySigners(context, signature.message.Get(), signature.store.Get(),
                              signature.encoding, log.get(), 0);
  if (error)
    *error += text + log->GetText();
  return trust == 0 && only_signature && signers;
}

#include "desktop/windows/installer/signature_checker/test_support/scoped_trusted_test_root.h"

#include <windows.h>

#include <wincrypt.h>

#include "base/files/file_util.h"
#include "base/strings/string_number_conversions.h"
#include "gtest/gtest.h"
#include "testing/build_paths.h"

namespace {

constexpr wchar_t kTurnMutex[] = L"Local\\TarvoTestTrustedRootTurn";
// Longer than any one holder needs: a holder that died leaves the mutex
// abandoned, which counts as the turn.
constexpr DWORD kTurnWaitMs = 120 * 1000;

}  // namespace

base::FilePath SignedTestFile(const wchar_t* name) {
  return testing_support::BinFile(L"signed_test_files", name);
}

ScopedTrustedTestRoot::ScopedTrustedTestRoot()
    : turn_(CreateMutexW(nullptr, FALSE, kTurnMutex)) {
  EXPECT_TRUE(turn_.IsValid());
  if (turn_.IsValid()) {
    const DWORD wait = WaitForSingleObject(turn_.Get(), kTurnWaitMs);
    EXPECT_TRUE(wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED) << wait;
  }
  std::string der;
  EXPECT_TRUE(base::ReadFileToString(SignedTestFile(L"root.der"), &der));
  HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0,
                                   CERT_SYSTEM_STORE_LOCAL_MACHINE, L"Root");
  EXPECT_TRUE(store);
  if (!store)
    return;
  PCCERT_CONTEXT added = nullptr;
  EXPECT_TRUE(CertAddEncodedCertificateToStore(
      store, X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()),
      static_cast<DWORD>(der.size()), CERT_STORE_ADD_REPLACE_EXISTING, &added));
  if (added) {
    BYTE hash[20];
    DWORD size = sizeof(hash);
    if (CertGetCertificateContextProperty(added, CERT_SHA1_HASH_PROP_ID, hash, &size))
      thumbprint_ = base::HexEncode(hash, size);
    CertFreeCertificateContext(added);
  }
  CertCloseStore(store, 0);
  EXPECT_FALSE(thumbprint_.empty());
}

ScopedTrustedTestRoot::~ScopedTrustedTestRoot() {
  if (!thumbprint_.empty()) {
    const std::wstring key =
        L"Software\\Microsoft\\SystemCertificates\\Root\\Certificates\\" +
        std::wstring(thumbprint_.begin(), thumbprint_.end());
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteTreeW(HKEY_LOCAL_MACHINE, key.c_str()));
  }
  if (turn_.IsValid())
    ReleaseMutex(turn_.Get());
}

#ifndef DESKTOP_WINDOWS_INSTALLER_SIGNATURE_CHECKER_TEST_SUPPORT_SCOPED_TRUSTED_TEST_ROOT_H_
#define DESKTOP_WINDOWS_INSTALLER_SIGNATURE_CHECKER_TEST_SUPPORT_SCOPED_TRUSTED_TEST_ROOT_H_

#include <string>

#include "base/files/file_path.h"
#include "base/win/scoped_handle.h"

// A file of the signer-check tests, written by make_signed_test_files.sh.
base::FilePath SignedTestFile(const wchar_t* name);

// Trusts the test root in the machine's root store for its lifetime.
// crypt32 does not persist a deletion from a system store, so the root's
// registry key is removed instead. The store is the prefix's, shared by
// every test process: the holders of this object take turns (a named
// mutex), so that none removes the root while another relies on it.
class ScopedTrustedTestRoot {
 public:
  ScopedTrustedTestRoot();
  ~ScopedTrustedTestRoot();
  ScopedTrustedTestRoot(const ScopedTrustedTestRoot&) = delete;
  ScopedTrustedTestRoot& operator=(const ScopedTrustedTestRoot&) = delete;

 private:
  base::win::ScopedHandle turn_;
  std::string thumbprint_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_SIGNATURE_CHECKER_TEST_SUPPORT_SCOPED_TRUSTED_TEST_ROOT_H_

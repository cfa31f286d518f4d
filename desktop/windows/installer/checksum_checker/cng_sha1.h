#ifndef DESKTOP_WINDOWS_INSTALLER_CHECKSUM_CHECKER_CNG_SHA1_H_
#define DESKTOP_WINDOWS_INSTALLER_CHECKSUM_CHECKER_CNG_SHA1_H_

#include <windows.h>

#include <bcrypt.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "crypto/sha1.h"

// SHA-1 from the CNG provider of "bcrypt", which is looked up at run time.
// The first failure of any call marks CNG unusable for the rest of the
// process, so later checks go straight to the portable digest.
class CngSha1 {
 public:
  // Loads "bcrypt"; a test replaces it to act as a system without CNG.
  using ModuleLoader = HMODULE (*)();
  // nullptr restores the system's loader. Either way the process forgets an
  // earlier failure.
  static void SetModuleLoaderForTesting(ModuleLoader loader);

  // False once CNG failed in this process.
  static bool IsUsable();

  CngSha1();
  CngSha1(const CngSha1&) = delete;
  CngSha1& operator=(const CngSha1&) = delete;
  ~CngSha1();

  // Each returns false, and marks CNG unusable, when CNG fails.
  bool Init();
  bool Update(const void* data, size_t length);
  bool Finish(uint8_t digest[crypto::kSHA1Length]);

 private:
  bool Resolve();
  bool Fail();

  HMODULE module_ = nullptr;
  decltype(&BCryptOpenAlgorithmProvider) open_provider_ = nullptr;
  decltype(&BCryptCloseAlgorithmProvider) close_provider_ = nullptr;
  decltype(&BCryptGetProperty) get_property_ = nullptr;
  decltype(&BCryptCreateHash) create_hash_ = nullptr;
  decltype(&BCryptDestroyHash) destroy_hash_ = nullptr;
  decltype(&BCryptHashData) hash_data_ = nullptr;
  decltype(&BCryptFinishHash) finish_hash_ = nullptr;
  BCRYPT_ALG_HANDLE provider_ = nullptr;
  BCRYPT_HASH_HANDLE hash_ = nullptr;
  std::vector<UCHAR> hash_object_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_CHECKSUM_CHECKER_CNG_SHA1_H_

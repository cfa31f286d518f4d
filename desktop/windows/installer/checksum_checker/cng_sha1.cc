#include "desktop/windows/installer/checksum_checker/cng_sha1.h"

#include <atomic>
#include <climits>

namespace {

HMODULE LoadBcrypt() {
  return LoadLibraryExW(L"bcrypt.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
}

std::atomic<CngSha1::ModuleLoader> g_module_loader{&LoadBcrypt};
std::atomic<bool> g_cng_unusable{false};

template <typename Function>
bool ResolveFunction(HMODULE module, const char* name, Function* function) {
  *function = reinterpret_cast<Function>(GetProcAddress(module, name));
  return *function != nullptr;
}

}  // namespace

// static
void CngSha1::SetModuleLoaderForTesting(ModuleLoader loader) {
  g_module_loader = loader ? loader : &LoadBcrypt;
  g_cng_unusable = false;
}

// static
bool CngSha1::IsUsable() { return !g_cng_unusable; }

CngSha1::CngSha1() = default;

CngSha1::~CngSha1() {
  if (hash_)
    destroy_hash_(hash_);
  if (provider_)
    close_provider_(provider_, 0);
  if (module_)
    FreeLibrary(module_);
}

bool CngSha1::Fail() {
  g_cng_unusable = true;
  return false;
}

bool CngSha1::Resolve() {
  module_ = g_module_loader.load()();
  return module_ && ResolveFunction(module_, "BCryptOpenAlgorithmProvider", &open_provider_) &&
         ResolveFunction(module_, "BCryptCloseAlgorithmProvider", &close_provider_) &&
         ResolveFunction(module_, "BCryptGetProperty", &get_property_) &&
         ResolveFunction(module_, "BCryptCreateHash", &create_hash_) &&
         ResolveFunction(module_, "BCryptDestroyHash", &destroy_hash_) &&
         ResolveFunction(module_, "BCryptHashData", &hash_data_) &&
         ResolveFunction(module_, "BCryptFinishHash", &finish_hash_);
}

bool CngSha1::Init() {
  if (!IsUsable() || !Resolve())
    return Fail();
  if (!BCRYPT_SUCCESS(open_provider_(&provider_, BCRYPT_SHA1_ALGORITHM, nullptr, 0))) {
    provider_ = nullptr;
    return Fail();
  }
  DWORD object_length = 0;
  ULONG written = 0;
  if (!BCRYPT_SUCCESS(get_property_(provider_, BCRYPT_OBJECT_LENGTH,
                                    reinterpret_cast<PUCHAR>(&object_length),
                                    sizeof(object_length), &written, 0))) {
    return Fail();
  }
  hash_object_.resize(object_length);
  if (!BCRYPT_SUCCESS(create_hash_(provider_, &hash_, hash_object_.data(), object_length,
                                   nullptr, 0, 0))) {
    hash_ = nullptr;
    return Fail();
  }
  return true;
}

bool CngSha1::Update(const void* data, size_t length) {
  // Callers feed blocks far below the 32-bit length limit.
  if (!hash_ || length > ULONG_MAX ||
      !BCRYPT_SUCCESS(hash_data_(hash_, static_cast<PUCHAR>(const_cast<void*>(data)),
                                 static_cast<ULONG>(length), 0))) {
    return Fail();
  }
  return true;
}

bool CngSha1::Finish(uint8_t digest[crypto::kSHA1Length]) {
  if (!hash_ || !BCRYPT_SUCCESS(finish_hash_(hash_, digest, crypto::kSHA1Length, 0)))
    return Fail();
  return true;
}

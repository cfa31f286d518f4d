#include "desktop/windows/installer/service/registry_key_enumerator.h"

#include "desktop/windows/installer/service/registry_key_node.h"

namespace {

// Key names are at most 255 characters.
constexpr DWORD kNameBufferSize = 260;

}  // namespace

RegistryKeyEnumerator::RegistryKeyEnumerator(HKEY root, const std::wstring& path, REGSAM access)
    : root_(root), path_(path), access_(access), key_(root, path.c_str(), access) {}

RegistryKeyEnumerator::~RegistryKeyEnumerator() = default;

std::unique_ptr<RegistryKeyNode> RegistryKeyEnumerator::Next() {
  if (!key_.Valid()) return nullptr;
  name_.assign(kNameBufferSize, L'\0');
  DWORD length = kNameBufferSize;
  const LONG result = ::RegEnumKeyExW(key_.Handle(), next_index_++, name_.data(), &length,
                                      nullptr, nullptr, nullptr, nullptr);
  if (result != ERROR_SUCCESS) {
    key_.Close();
    return nullptr;
  }
  name_.resize(length);
  return std::make_unique<RegistryKeyNode>(root_, path_ + L"\\" + name_, access_);
}

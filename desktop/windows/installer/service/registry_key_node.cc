#include "desktop/windows/installer/service/registry_key_node.h"

#include "desktop/windows/installer/service/registry_key_enumerator.h"

RegistryKeyNode::RegistryKeyNode(HKEY root, const std::wstring& path, REGSAM access)
    : root_(root), access_(access), key_(root, path.c_str(), access), path_(path) {}

RegistryKeyNode::~RegistryKeyNode() = default;

bool RegistryKeyNode::IsValid() const {
  return key_.Valid();
}

bool RegistryKeyNode::ReadValue(const wchar_t* value_name, std::wstring* value) const {
  return key_.Valid() && key_.ReadValue(value_name, value) == ERROR_SUCCESS;
}

bool RegistryKeyNode::HasValue(const wchar_t* value_name) const {
  return key_.Valid() && key_.HasValue(value_name);
}

std::unique_ptr<RegistryKeyEnumerator> RegistryKeyNode::CreateSubkeyEnumerator() const {
  return std::make_unique<RegistryKeyEnumerator>(root_, path_, access_);
}

std::wstring RegistryKeyNode::GetName() const {
  const size_t separator = path_.rfind(L'\\');
  return separator == std::wstring::npos ? path_ : path_.substr(separator + 1);
}

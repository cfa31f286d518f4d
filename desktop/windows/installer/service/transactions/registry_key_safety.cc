#include "desktop/windows/installer/service/transactions/registry_key_safety.h"

#include <cwchar>
#include <iterator>
#include <vector>

#include "base/logging.h"
#include "base/strings/string_util.h"
#include "desktop/windows/installer/utils/relative_path.h"

namespace {

// Shared keys of at least three components (shorter ones are refused
// anyway), lower case, normalised, without a "Wow6432Node" component.
constexpr const wchar_t* kSharedKeys[] = {
    L"software\\classes\\applications",
    L"software\\classes\\appid",
    L"software\\classes\\clsid",
    L"software\\classes\\interface",
    L"software\\classes\\typelib",
    L"software\\classes\\mime",
    L"software\\classes\\mime\\database",
    L"software\\classes\\mime\\database\\content type",
    L"software\\classes\\*",
    L"software\\classes\\allfilesystemobjects",
    L"software\\classes\\directory",
    L"software\\classes\\drive",
    L"software\\classes\\folder",
    L"software\\classes\\systemfileassociations",
    L"software\\classes\\protocols",
    L"software\\classes\\http",
    L"software\\classes\\https",
    L"software\\classes\\ftp",
    L"software\\classes\\mailto",
    L"software\\classes\\.htm",
    L"software\\classes\\.html",
    L"software\\classes\\.shtml",
    L"software\\classes\\.xht",
    L"software\\classes\\.xhtml",
    L"software\\classes\\.pdf",
    L"software\\classes\\.svg",
    L"software\\classes\\.webp",
    L"software\\clients\\startmenuinternet",
    L"software\\clients\\mail",
    L"software\\microsoft\\windows",
    L"software\\microsoft\\windows\\currentversion",
    L"software\\microsoft\\windows\\currentversion\\uninstall",
    L"software\\microsoft\\windows\\currentversion\\app paths",
    L"software\\microsoft\\windows\\currentversion\\explorer",
    L"software\\microsoft\\windows\\currentversion\\explorer\\fileexts",
    L"software\\microsoft\\windows\\currentversion\\applicationassociationtoasts",
    L"software\\microsoft\\windows\\shell",
    L"software\\microsoft\\windows\\shell\\associations",
    L"software\\microsoft\\windows\\shell\\associations\\urlassociations",
    L"software\\microsoft\\windows nt",
    L"software\\microsoft\\windows nt\\currentversion",
    L"software\\microsoft\\internet explorer",
};

// Keys whose whole subtree belongs to the administrator or to Windows, and
// those whose values start programs: no key at or below them is ours to
// write, nor to delete, not even empty.
constexpr const wchar_t* kSharedSubtrees[] = {
    L"system",
    L"software\\policies",
    L"software\\microsoft\\command processor",
    L"software\\microsoft\\windows\\currentversion\\policies",
    L"software\\microsoft\\windows\\currentversion\\run",
    L"software\\microsoft\\windows\\currentversion\\runonce",
    L"software\\microsoft\\windows\\currentversion\\runonceex",
    L"software\\microsoft\\windows\\currentversion\\runservices",
    L"software\\microsoft\\windows\\currentversion\\runservicesonce",
    L"software\\microsoft\\windows nt\\currentversion\\winlogon",
    L"software\\microsoft\\windows nt\\currentversion\\windows",
    L"software\\microsoft\\windows nt\\currentversion\\image file execution options",
};

constexpr wchar_t kControlSetPrefix[] = L"controlset";
constexpr size_t kControlSetDigits = 3;

// "ControlSet001" and its siblings are what "CurrentControlSet" links to.
bool IsNumberedControlSet(const std::wstring& component) {
  const size_t prefix = std::size(kControlSetPrefix) - 1;
  if (component.size() != prefix + kControlSetDigits ||
      component.compare(0, prefix, kControlSetPrefix) != 0) {
    return false;
  }
  for (size_t i = prefix; i < component.size(); ++i) {
    if (component[i] < L'0' || component[i] > L'9')
      return false;
  }
  return true;
}

// Empty components are dropped. With `slash_separates`, "/" splits too: the
// registry allows "/" inside key names ("text/html"), but a shared key
// spelled with slashes must not slip through the comparisons.
std::vector<std::wstring> SplitKeyPath(const std::wstring& key_path, bool slash_separates) {
  std::vector<std::wstring> components;
  std::wstring current;
  for (wchar_t c : key_path) {
    if (c == L'\\' || (slash_separates && c == L'/')) {
      if (!current.empty())
        components.push_back(std::move(current));
      current.clear();
    } else {
      current.push_back(c);
    }
  }
  if (!current.empty())
    components.push_back(std::move(current));
  return components;
}

std::wstring JoinKeyPath(const std::vector<std::wstring>& components, size_t count) {
  std::wstring path;
  for (size_t i = 0; i < count && i < components.size(); ++i) {
    if (i)
      path.push_back(L'\\');
    path.append(components[i]);
  }
  return path;
}

// The lower-case components of `key_path` as the shared-key lists spell
// them: "/" separates too, the 32-bit view's "Wow6432Node" is left out (the
// mirror of a shared key is just as shared), and a numbered control set is
// the current one. False for a "." or ".." component: the registry gives
// them no meaning, in a path they only hide where it leads.
bool GetComparableComponents(const std::wstring& key_path, std::vector<std::wstring>* components) {
  *components = SplitKeyPath(base::ToLowerASCII(key_path), /*slash_separates=*/true);
  for (size_t i = 0; i < components->size();) {
    const std::wstring& component = (*components)[i];
    if (component == L"." || component == L"..")
      return false;
    if (component == L"wow6432node")
      components->erase(components->begin() + static_cast<std::ptrdiff_t>(i));
    else
      ++i;
  }
  if (components->size() >= 2 && (*components)[0] == L"system" &&
      IsNumberedControlSet((*components)[1])) {
    (*components)[1] = L"currentcontrolset";
  }
  return true;
}

// `normalized`: lower case, "\" separated, without a view component.
bool IsInSharedSubtree(const std::wstring& normalized) {
  for (const wchar_t* subtree : kSharedSubtrees) {
    const size_t length = wcslen(subtree);
    if (normalized.compare(0, length, subtree) == 0 &&
        (normalized.size() == length || normalized[length] == L'\\')) {
      return true;
    }
  }
  return false;
}

}  // namespace

std::wstring NormalizeRegistryKeyPath(const std::wstring& key_path) {
  const std::vector<std::wstring> components = SplitKeyPath(key_path, /*slash_separates=*/false);
  return JoinKeyPath(components, components.size());
}

bool IsRegistryKeySafeToDelete(const std::wstring& key_path) {
  // The registry would end the path at a NUL and delete a key these
  // comparisons never saw.
  if (HasControlCharacter(std::wstring_view(key_path)) ||
      SplitKeyPath(key_path, /*slash_separates=*/false).size() < 3)
    return false;
  std::vector<std::wstring> components;
  if (!GetComparableComponents(key_path, &components) || components.size() < 3)
    return false;
  // Every file extension's key is shared by all the programs that open it.
  if (components.size() == 3 && components[0] == L"software" && components[1] == L"classes" &&
      components[2][0] == L'.') {
    return false;
  }
  const std::wstring normalized = JoinKeyPath(components, components.size());
  for (const wchar_t* shared : kSharedKeys) {
    if (normalized == shared)
      return false;
  }
  return !IsInSharedSubtree(normalized);
}

bool IsRegistryKeySafeToChange(const std::wstring& key_path) {
  // As for deleting: a NUL would end the path at a key never compared.
  if (HasControlCharacter(std::wstring_view(key_path)))
    return false;
  std::vector<std::wstring> components;
  return GetComparableComponents(key_path, &components) && components.size() >= 2 &&
         !IsInSharedSubtree(JoinKeyPath(components, components.size()));
}

std::wstring GetComparableRegistryKey(const std::wstring& key_path) {
  std::vector<std::wstring> components;
  if (HasControlCharacter(std::wstring_view(key_path)) ||
      !GetComparableComponents(key_path, &components)) {
    return std::wstring();
  }
  return JoinKeyPath(components, components.size());
}

bool GetRegistryKeyToClean(const std::wstring& key_path, int clean, std::wstring* key) {
  DCHECK(key);
  key->clear();
  if (clean < 1 || HasControlCharacter(std::wstring_view(key_path)))
    return false;
  const std::vector<std::wstring> components = SplitKeyPath(key_path, /*slash_separates=*/false);
  const size_t levels_up = static_cast<size_t>(clean) - 1;
  if (levels_up >= components.size())
    return false;
  std::wstring candidate = JoinKeyPath(components, components.size() - levels_up);
  if (!IsRegistryKeySafeToDelete(candidate))
    return false;
  *key = std::move(candidate);
  return true;
}

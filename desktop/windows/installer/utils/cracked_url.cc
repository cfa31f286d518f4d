#include "desktop/windows/installer/utils/cracked_url.h"

#include <iterator>

#include "base/strings/string_util.h"
#include "base/strings/stringprintf.h"
#include "base/strings/utf_string_conversions.h"

bool CrackUrl(const std::wstring& url, CrackedUrl* parts) {
  wchar_t host[256] = {};
  wchar_t path[4096] = {};
  wchar_t extra[4096] = {};
  URL_COMPONENTSW components = {};
  components.dwStructSize = sizeof(components);
  components.lpszHostName = host;
  components.dwHostNameLength = static_cast<DWORD>(std::size(host));
  components.lpszUrlPath = path;
  components.dwUrlPathLength = static_cast<DWORD>(std::size(path));
  components.lpszExtraInfo = extra;
  components.dwExtraInfoLength = static_cast<DWORD>(std::size(extra));
  // No ICU_DECODE: it would turn "%2B" into "+" and break signed queries.
  if (url.empty() || !InternetCrackUrlW(url.c_str(), static_cast<DWORD>(url.size()), 0,
                                        &components)) {
    return false;
  }
  if ((components.nScheme != INTERNET_SCHEME_HTTP && components.nScheme != INTERNET_SCHEME_HTTPS) ||
      components.dwHostNameLength == 0) {
    return false;
  }
  parts->scheme = components.nScheme;
  parts->host.assign(host, components.dwHostNameLength);
  parts->port = components.nPort;
  parts->path.assign(path, components.dwUrlPathLength);
  parts->path.append(extra, components.dwExtraInfoLength);
  if (parts->path.empty() || parts->path[0] != L'/')
    parts->path.insert(0, L"/");
  return true;
}

bool IsHostAllowed(const std::wstring& host, const std::vector<std::wstring>& suffixes) {
  if (suffixes.empty())
    return true;
  for (const std::wstring& suffix : suffixes) {
    if (host.size() >= suffix.size() &&
        host.compare(host.size() - suffix.size(), suffix.size(), suffix) == 0) {
      return true;
    }
  }
  return false;
}

bool IsLoopbackHost(const std::wstring& host) {
  return host == L"localhost" || host == L"127.0.0.1" || host == L"[::1]";
}

// An absolute URL for a Location header, which may be relative to the
// request's server or path.
std::wstring ResolveLocation(const std::wstring& location, const CrackedUrl& base) {
  const std::wstring lower = base::ToLowerASCII(location);
  if (lower.rfind(L"http://", 0) == 0 || lower.rfind(L"https://", 0) == 0)
    return location;
  const std::wstring scheme = base.secure() ? L"https:" : L"http:";
  if (location.rfind(L"//", 0) == 0)
    return scheme + location;
  std::wstring server = scheme + L"//" + base.host + L":" + std::to_wstring(base.port);
  if (!location.empty() && location[0] == L'/')
    return server + location;
  std::wstring folder = base.path.substr(0, base.path.find(L'?'));
  folder = folder.substr(0, folder.rfind(L'/') + 1);
  return server + folder + location;
}

std::string CheckRedirect(const CrackedUrl& from, const std::wstring& target,
                          const std::vector<std::wstring>& allowed, CrackedUrl* parts) {
  const std::string text = base::WideToUTF8(target);
  if (!CrackUrl(target, parts))
    return base::StringPrintf("Redirect URL failed to parse %s", text.c_str());
  if (!IsHostAllowed(parts->host, allowed))
    return base::StringPrintf("Redirect URL is disallowed %s", text.c_str());
  if (from.secure() && !parts->secure())
    return base::StringPrintf("Redirect from HTTPS to HTTP refused %s", text.c_str());
  return std::string();
}

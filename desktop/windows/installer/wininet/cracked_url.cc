#include "desktop/windows/installer/wininet/cracked_url.h"

#include <iterator>

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

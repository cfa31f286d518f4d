#ifndef DESKTOP_WINDOWS_INSTALLER_UTILS_CRACKED_URL_H_
#define DESKTOP_WINDOWS_INSTALLER_UTILS_CRACKED_URL_H_

#include <windows.h>
#include <wininet.h>

#include <string>
#include <vector>

// The parts of an http or https URL that a request needs. The path keeps the
// query exactly as given: escapes are not decoded, so a signed query stays
// the one that was signed.
struct CrackedUrl {
  INTERNET_SCHEME scheme = INTERNET_SCHEME_UNKNOWN;
  std::wstring host;
  INTERNET_PORT port = 0;
  std::wstring path;  // Path and query; "/" when the URL has none.

  bool secure() const { return scheme == INTERNET_SCHEME_HTTPS; }
  bool SameServer(const CrackedUrl& other) const {
    return scheme == other.scheme && host == other.host && port == other.port;
  }
};

// False for anything but an absolute http or https URL.
bool CrackUrl(const std::wstring& url, CrackedUrl* parts);

// A host is allowed when |suffixes| is empty or it ends with one of them
// (case-sensitive; an empty suffix allows every host).
bool IsHostAllowed(const std::wstring& host, const std::vector<std::wstring>& suffixes);

// An absolute URL for a Location header, which may be relative to the
// server or the path of |base|.
std::wstring ResolveLocation(const std::wstring& location, const CrackedUrl& base);

// Why a redirect from |from| to the absolute URL |target| must not be
// followed (a host outside |allowed|, HTTPS to HTTP, not http(s) at all), or
// empty when it may; |parts| receives the target's parts.
std::string CheckRedirect(const CrackedUrl& from, const std::wstring& target,
                          const std::vector<std::wstring>& allowed, CrackedUrl* parts);

// Whether |host| names this machine's loopback interface.
bool IsLoopbackHost(const std::wstring& host);

#endif  // DESKTOP_WINDOWS_INSTALLER_UTILS_CRACKED_URL_H_

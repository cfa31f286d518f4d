#include "crash_reporter/http_transport.h"

#include <windows.h>
#include <winhttp.h>

#include <memory>

#include "base/logging.h"

namespace crash_reporter {
namespace {

constexpr int kResolveTimeoutMs = 10000;
constexpr int kConnectTimeoutMs = 10000;
constexpr int kSendTimeoutMs = 30000;
constexpr int kReceiveTimeoutMs = 30000;
constexpr wchar_t kUserAgent[] = L"Tarvo crash reporter";

struct InternetCloser {
  void operator()(HINTERNET handle) const { WinHttpCloseHandle(handle); }
};
using ScopedInternet = std::unique_ptr<void, InternetCloser>;

struct CrackedUrl {
  std::wstring host;
  std::wstring path;
  INTERNET_PORT port = 0;
  bool secure = false;
};

bool CrackUrl(const std::wstring& url, CrackedUrl* out) {
  URL_COMPONENTS parts = {sizeof(parts)};
  parts.dwHostNameLength = static_cast<DWORD>(-1);
  parts.dwUrlPathLength = static_cast<DWORD>(-1);
  parts.dwExtraInfoLength = static_cast<DWORD>(-1);
  if (!WinHttpCrackUrl(url.c_str(), static_cast<DWORD>(url.size()), 0, &parts))
    return false;
  if (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS)
    return false;
  out->host.assign(parts.lpszHostName, parts.dwHostNameLength);
  out->path.assign(parts.lpszUrlPath, parts.dwUrlPathLength);
  if (parts.lpszExtraInfo)
    out->path.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
  if (out->path.empty())
    out->path = L"/";
  out->port = parts.nPort;
  out->secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
  return true;
}

}  // namespace

bool ExecuteHttpRequest(const HttpRequest& request, int* status) {
  CrackedUrl url;
  if (!CrackUrl(request.url, &url)) {
    LOG(ERROR) << "Bad upload URL " << request.url;
    return false;
  }
  ScopedInternet session(WinHttpOpen(kUserAgent, WINHTTP_ACCESS_TYPE_DEFAULT_PROXY,
                                     WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
  if (!session ||
      !WinHttpSetTimeouts(session.get(), kResolveTimeoutMs, kConnectTimeoutMs, kSendTimeoutMs,
                          kReceiveTimeoutMs)) {
    PLOG(ERROR) << "WinHttpOpen";
    return false;
  }
  ScopedInternet connection(WinHttpConnect(session.get(), url.host.c_str(), url.port, 0));
  ScopedInternet http_request(
      connection ? WinHttpOpenRequest(connection.get(), request.method.c_str(), url.path.c_str(),
                                      nullptr, WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                      url.secure ? WINHTTP_FLAG_SECURE : 0)
                 : nullptr);
  if (!http_request) {
    PLOG(ERROR) << "Cannot open the upload request";
    return false;
  }
  const DWORD body_size = static_cast<DWORD>(request.body.size());
  if (!WinHttpSendRequest(http_request.get(), request.headers.c_str(),
                          static_cast<DWORD>(request.headers.size()),
                          const_cast<char*>(request.body.data()), body_size, body_size, 0) ||
      !WinHttpReceiveResponse(http_request.get(), nullptr)) {
    PLOG(ERROR) << "Upload to " << request.url << " failed";
    return false;
  }
  DWORD code = 0;
  DWORD size = sizeof(code);
  if (!WinHttpQueryHeaders(http_request.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                           WINHTTP_HEADER_NAME_BY_INDEX, &code, &size, WINHTTP_NO_HEADER_INDEX)) {
    PLOG(ERROR) << "No status in the upload answer";
    return false;
  }
  *status = static_cast<int>(code);
  return true;
}

}  // namespace crash_reporter

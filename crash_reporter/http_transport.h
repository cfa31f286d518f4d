#ifndef CRASH_REPORTER_HTTP_TRANSPORT_H_
#define CRASH_REPORTER_HTTP_TRANSPORT_H_

#include <string>

namespace crash_reporter {

struct HttpRequest {
  std::wstring url;
  std::wstring method = L"POST";
  std::wstring headers;  // "Name: value\r\n" lines
  std::string body;
};

// Sends one request over WinHTTP, every phase with a time limit. False
// when no answer came; otherwise the status is in `*status`.
bool ExecuteHttpRequest(const HttpRequest& request, int* status);

}  // namespace crash_reporter

#endif  // CRASH_REPORTER_HTTP_TRANSPORT_H_

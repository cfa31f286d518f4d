#ifndef CRASH_REPORTER_TEST_SUPPORT_CRASH_UPLOAD_TEST_SUPPORT_H_
#define CRASH_REPORTER_TEST_SUPPORT_CRASH_UPLOAD_TEST_SUPPORT_H_

#include <string>

#include "testing/loopback_http_server.h"

namespace crash_reporter {

// The product values the tests use.
void SetTestCrashProductValues();

// Starts `server` answering every upload with `status`; false when it
// could not listen.
bool StartCrashServer(LoopbackHttpServer* server, int status);
// Where the crash tests' uploads go: `server`'s "/submit", by address.
std::wstring CrashServerUrl(const LoopbackHttpServer& server);

// The gunzipped `data`; empty on failure.
std::string Gunzip(const std::string& data);

}  // namespace crash_reporter

#endif  // CRASH_REPORTER_TEST_SUPPORT_CRASH_UPLOAD_TEST_SUPPORT_H_

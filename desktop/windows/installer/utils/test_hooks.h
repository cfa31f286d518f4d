#ifndef DESKTOP_WINDOWS_INSTALLER_UTILS_TEST_HOOKS_H_
#define DESKTOP_WINDOWS_INSTALLER_UTILS_TEST_HOOKS_H_

#include <string>

#include "base/time/time.h"

namespace base {
class CommandLine;
}

// The environment variables and switches through which the tests steer a
// run: fail or hold it, shorten its waits, point it at their own servers
// and folders. They are read here and nowhere else. A developer's or a
// test's unsigned build honours them; a signed build
// (RunningImageHasCertificateTable) answers "not set" for every one, so
// that nothing in a user's environment or on a command line makes a
// shipped installer fail, hang or take files from a test folder.
enum class TestHook {
  // Environment variables, each naming a step or a point of the run.
  kFailStep,   // "TARVO_INSTALLER_TEST_FAIL_STEP": fails at once
  kRetryStep,  // "TARVO_INSTALLER_TEST_RETRY_STEP": asks for a retry every time
  kStopAt,     // "TARVO_INSTALLER_TEST_STOP_AT": holds there (test_stop_point.h)
  // Switches.
  kAvroServer,                // "test-avro-srv": statistics to the loopback endpoint
  kDownloadableResourcesDir,  // "test-downloadable-resources-dir": a folder of stand-ins
  kDownloadTimeout,           // "test-download-timeout": seconds per download request
  kFetchStallLimit,           // "test-fetch-stall-limit": seconds a silent fetch may stall
};

// The variable's or the switch's name.
const char* GetTestHookName(TestHook hook);

// Whether the variable `hook` is set to a value that is not empty, then
// put in `value`. Always false in a signed build, which logs the first
// hook it finds set, once for the process.
bool GetTestVariable(TestHook hook, std::string* value);

// Whether the switch `hook` is on `command_line`; its value goes to
// `value` when that is not null. Always false in a signed build, as above.
bool GetTestSwitch(TestHook hook,
                   const base::CommandLine& command_line,
                   std::wstring* value = nullptr);

// The whole positive number of seconds the switch `hook` gives, else zero.
base::TimeDelta GetTestSwitchSeconds(TestHook hook, const base::CommandLine& command_line);

#endif  // DESKTOP_WINDOWS_INSTALLER_UTILS_TEST_HOOKS_H_

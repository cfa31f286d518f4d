#include "desktop/windows/installer/utils/test_hooks.h"

#include <atomic>
#include <utility>

#include "base/command_line.h"
#include "base/environment.h"
#include "base/logging.h"
#include "base/strings/string_number_conversions.h"
#include "desktop/windows/installer/utils/pe_image_layout.h"

namespace {

struct HookName {
  TestHook hook;
  const char* name;
  bool is_switch;
};

// In the order of TestHook.
constexpr HookName kHookNames[] = {
    {TestHook::kFailStep, "TARVO_INSTALLER_TEST_FAIL_STEP", false},
    {TestHook::kRetryStep, "TARVO_INSTALLER_TEST_RETRY_STEP", false},
    {TestHook::kStopAt, "TARVO_INSTALLER_TEST_STOP_AT", false},
    {TestHook::kAvroServer, "test-avro-srv", true},
    {TestHook::kDownloadableResourcesDir, "test-downloadable-resources-dir", true},
    {TestHook::kDownloadTimeout, "test-download-timeout", true},
    {TestHook::kFetchStallLimit, "test-fetch-stall-limit", true},
};

const HookName& Find(TestHook hook) {
  const HookName& found = kHookNames[static_cast<size_t>(hook)];
  DCHECK(found.hook == hook);
  return found;
}

// Whether this build takes `hook`, which a test set. A signed build says
// once that it does not: more lines would only repeat it.
bool IsTaken(TestHook hook) {
  static const bool signed_build = RunningImageHasCertificateTable();
  if (!signed_build)
    return true;
  static std::atomic<bool> logged{false};
  if (!logged.exchange(true))
    LOG(WARNING) << "A signed build ignores the test hook " << Find(hook).name;
  return false;
}

}  // namespace

const char* GetTestHookName(TestHook hook) {
  return Find(hook).name;
}

bool GetTestVariable(TestHook hook, std::string* value) {
  DCHECK(!Find(hook).is_switch);
  std::string found;
  if (!base::Environment::Create()->GetVar(Find(hook).name, &found) || found.empty() ||
      !IsTaken(hook)) {
    return false;
  }
  *value = std::move(found);
  return true;
}

bool GetTestSwitch(TestHook hook, const base::CommandLine& command_line, std::wstring* value) {
  DCHECK(Find(hook).is_switch);
  if (!command_line.HasSwitch(Find(hook).name) || !IsTaken(hook))
    return false;
  if (value)
    *value = command_line.GetSwitchValueNative(Find(hook).name);
  return true;
}

base::TimeDelta GetTestSwitchSeconds(TestHook hook, const base::CommandLine& command_line) {
  std::wstring text;
  int seconds = 0;
  if (!GetTestSwitch(hook, command_line, &text) || !base::StringToInt(text, &seconds) ||
      seconds <= 0) {
    return base::TimeDelta();
  }
  return base::TimeDelta::FromSeconds(seconds);
}

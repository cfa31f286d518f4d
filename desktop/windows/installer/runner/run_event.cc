#include "desktop/windows/installer/runner/run_event.h"

#include <windows.h>

#include <string>

#include "base/logging.h"
#include "base/strings/utf_string_conversions.h"
#include "base/win/kernel_object_security.h"
#include "desktop/windows/installer/utils/service_utils.h"

RunEvent::RunEvent() = default;

RunEvent::~RunEvent() = default;

bool RunEvent::Create(const base::FilePath& folder, const wchar_t* name) {
  Close();
  const std::wstring full_name = MakeKernelObjectName(folder.value(), name, /*global=*/true);
  VLOG(1) << "Event name: " << base::WideToUTF8(full_name);
  event_.Set(KernelObjectSecurity::CreateOwnEvent(full_name, /*manual_reset=*/true));
  if (!event_.IsValid())
    return false;
  const std::wstring spelt_name =
      MakeKernelObjectNameOfSpelling(folder.value(), name, /*global=*/true);
  if (spelt_name != full_name) {
    spelt_event_.Set(KernelObjectSecurity::CreateOwnEvent(spelt_name, /*manual_reset=*/true));
    // Backends of today do without it.
    if (!spelt_event_.IsValid())
      LOG(WARNING) << "No event for backends of earlier versions: " << base::WideToUTF8(spelt_name);
  }
  return true;
}

void RunEvent::Set() {
  for (const base::win::ScopedHandle* event : {&event_, &spelt_event_}) {
    if (event->IsValid())
      SetEvent(event->Get());
  }
}

void RunEvent::Close() {
  event_.Close();
  spelt_event_.Close();
}

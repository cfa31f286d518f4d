#include "desktop/windows/installer/service/scheduled_tasks/windows_task_scheduler.h"

#include <windows.h>

#include "base/strings/utf_string_conversions.h"
#include "base/win/windows_version.h"
#include "desktop/windows/installer/service/scheduled_tasks/task_scheduler_v1.h"
#include "desktop/windows/installer/service/scheduled_tasks/task_scheduler_v2.h"
#include "desktop/windows/installer/utils/product_info.h"

namespace {

constexpr wchar_t kScheduledInfix[] = L" scheduled ";

WindowsTaskSchedulerFactory g_factory_for_testing = nullptr;

}  // namespace

std::wstring MakeScheduledTaskName(const std::wstring& name) {
  return base::UTF8ToWide(ProductInfo::GetProductName()) + kScheduledInfix + name;
}

bool IsOwnScheduledTaskName(const std::wstring& task_name) {
  std::wstring_view name(task_name);
  if (!name.empty() && name.front() == L'\\')
    name.remove_prefix(1);
  const std::wstring prefix = MakeScheduledTaskName(std::wstring());
  if (name.size() < prefix.size())
    return false;
  return CompareStringOrdinal(name.data(), static_cast<int>(prefix.size()), prefix.data(),
                              static_cast<int>(prefix.size()), /*bIgnoreCase=*/TRUE) == CSTR_EQUAL;
}

std::unique_ptr<WindowsTaskScheduler> CreateWindowsTaskScheduler() {
  if (g_factory_for_testing)
    return g_factory_for_testing();
  if (base::win::GetVersion() >= base::win::VERSION_VISTA)
    return std::make_unique<TaskSchedulerV2>();
  return std::make_unique<TaskSchedulerV1>();
}

void SetWindowsTaskSchedulerFactoryForTesting(WindowsTaskSchedulerFactory factory) {
  g_factory_for_testing = factory;
}

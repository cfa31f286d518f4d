#include <windows.h>
#include <taskschd.h>

#include <memory>
#include <string>

#include "base/strings/stringprintf.h"
#include "base/win/scoped_com_initializer.h"
#include "desktop/windows/installer/service/scheduled_tasks/task_service_v2.h"
#include "desktop/windows/installer/utils/service_utils.h"
#include "gtest/gtest.h"

namespace {

// The real Task Scheduler 2.0 calls, as far as Wine carries them: a task
// without triggers is registered, read, disabled and deleted. Trigger ids,
// the boot, logon and registration triggers, run levels and security
// descriptors answer E_NOTIMPL under Wine and are tested through the fake.
TEST(TaskServiceV2ImplTest, RegistersReadsDisablesAndDeletesATask) {
  base::win::ScopedCOMInitializer com;
  std::unique_ptr<TaskServiceV2> service = CreateTaskServiceV2();
  ASSERT_TRUE(service->Connect());
  const std::wstring name =
      base::StringPrintf(L"TarvoTest%lu scheduled Autoupdate", GetCurrentProcessId());
  std::wstring user;
  ASSERT_TRUE(GetUserSamName(&user));

  std::unique_ptr<TaskDefinitionV2> definition = service->NewDefinition();
  ASSERT_TRUE(definition);
  ASSERT_TRUE(definition->SetRegistrationInfo(user, L"Autoupdate"));
  TaskDefinitionV2::Settings settings;
  settings.execution_time_limit = L"PT3600S";
  settings.only_with_network = true;
  ASSERT_TRUE(definition->SetSettings(settings));
  ASSERT_TRUE(definition->AddExecAction(L"C:\\Apps\\Tarvo\\launcher.exe",
                                        L"--scheduledautoupdate $(Arg0)"));
  ASSERT_EQ(S_OK, service->Register(name, definition.get(), user,
                                    TaskServiceV2::LogonType::kInteractiveToken));

  int state = -1;
  ASSERT_TRUE(service->GetState(name, &state));
  EXPECT_EQ(TASK_STATE_READY, state);
  // Accepted; Wine's state stays "ready" after it, so it is not read back.
  EXPECT_TRUE(service->SetEnabled(name, /*enabled=*/false));

  EXPECT_TRUE(service->DeleteTask(name));
  EXPECT_FALSE(service->GetState(name, &state));
  EXPECT_FALSE(service->DeleteTask(name));
}

}  // namespace

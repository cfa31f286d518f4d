#include "desktop/windows/installer/installation_folder_details_fetcher_impl.h"

#include <windows.h>
#include <objbase.h>

#include <memory>
#include <utility>

#include "base/bind.h"
#include "base/files/file_path.h"
#include "base/message_loop/message_loop.h"
#include "base/run_loop.h"
#include "base/task_scheduler/scheduler_worker_pool_params.h"
#include "base/task_scheduler/task_scheduler.h"
#include "base/time/time.h"
#include "desktop/windows/installer/service/installation_folder_details.h"
#include "desktop/windows/installer/service/test_support/fake_installation_folder_details.h"
#include "gtest/gtest.h"

namespace {

// Notes where it was initialised, and runs `on_destroyed` when it goes.
class ObservedDetails : public FakeInstallationFolderDetails {
 public:
  ~ObservedDetails() override {
    if (on_destroyed)
      on_destroyed.Run();
  }
  void Initialize(const base::FilePath& folder, bool recovery) override {
    FakeInstallationFolderDetails::Initialize(folder, recovery);
    thread_id = ::GetCurrentThreadId();
    // COM is already initialised on the worker: a second init says so.
    const HRESULT hr = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    com_was_initialised = hr == S_FALSE;
    if (SUCCEEDED(hr))
      ::CoUninitialize();
  }

  DWORD thread_id = 0;
  bool com_was_initialised = false;
  base::RepeatingClosure on_destroyed;
};

class InstallationFolderDetailsFetcherImplTest : public testing::Test {
 protected:
  void StartScheduler() {
    base::TaskScheduler::Create("fetcher_test");
    const base::SchedulerWorkerPoolParams one(1, base::TimeDelta::FromSeconds(30));
    base::TaskScheduler::GetInstance()->Start({one, one, one, one});
  }
  void TearDown() override {
    if (base::TaskScheduler::GetInstance()) {
      base::TaskScheduler::GetInstance()->Shutdown();
      base::TaskScheduler::GetInstance()->JoinForTesting();
      base::TaskScheduler::SetInstance(nullptr);
    }
  }

  std::unique_ptr<InstallationFolderDetails> MakeDetails() {
    auto details = std::make_unique<ObservedDetails>();
    details->on_destroyed = on_destroyed_;
    return details;
  }

  base::MessageLoop message_loop_;
  base::RepeatingClosure on_destroyed_;
  ScopedInstallationFolderDetailsFactory factory_{
      base::BindRepeating(&InstallationFolderDetailsFetcherImplTest::MakeDetails,
                          base::Unretained(this))};
};

TEST_F(InstallationFolderDetailsFetcherImplTest, InitialisesOnAWorkerAndAnswersHere) {
  StartScheduler();
  base::RunLoop run_loop;
  std::unique_ptr<InstallationFolderDetails> answer;
  base::scoped_refptr<InstallationFolderDetailsFetcher> fetcher =
      GetInstallationFolderDetailsFetcherFactory().Run(base::FilePath(L"C:\\Tarvo"),
                                                       /*recovery=*/true);
  const DWORD caller = ::GetCurrentThreadId();
  fetcher->FetchStatus(base::BindOnce(
      [](std::unique_ptr<InstallationFolderDetails>* answer, base::OnceClosure quit, DWORD caller,
         std::unique_ptr<InstallationFolderDetails> details) {
        EXPECT_EQ(caller, ::GetCurrentThreadId());
        *answer = std::move(details);
        std::move(quit).Run();
      },
      &answer, run_loop.QuitClosure(), caller));
  // The caller may let go at once: the posted work keeps the fetcher.
  fetcher.reset();
  run_loop.Run();

  ASSERT_TRUE(answer);
  auto* details = static_cast<ObservedDetails*>(answer.get());
  EXPECT_EQ(L"C:\\Tarvo", details->GetPath().value());
  EXPECT_TRUE(details->initialized_with_recovery);
  EXPECT_NE(caller, details->thread_id);
  EXPECT_TRUE(details->com_was_initialised);
}

TEST_F(InstallationFolderDetailsFetcherImplTest, ACancelledAnswerIsDestroyed) {
  StartScheduler();
  base::RunLoop run_loop;
  on_destroyed_ = run_loop.QuitClosure();
  bool answered = false;
  base::scoped_refptr<InstallationFolderDetailsFetcher> fetcher =
      GetInstallationFolderDetailsFetcherFactory().Run(base::FilePath(L"C:\\Tarvo"),
                                                       /*recovery=*/false);
  fetcher->FetchStatus(base::BindOnce(
      [](bool* answered, std::unique_ptr<InstallationFolderDetails>) { *answered = true; },
      &answered));
  fetcher->Cancel();
  run_loop.Run();
  EXPECT_FALSE(answered);
}

TEST_F(InstallationFolderDetailsFetcherImplTest, WithoutASchedulerTheAnswerComesAtOnce) {
  std::unique_ptr<InstallationFolderDetails> answer;
  GetInstallationFolderDetailsFetcherFactory()
      .Run(base::FilePath(L"C:\\Tarvo"), /*recovery=*/false)
      ->FetchStatus(base::BindOnce(
          [](std::unique_ptr<InstallationFolderDetails>* answer,
             std::unique_ptr<InstallationFolderDetails> details) { *answer = std::move(details); },
          &answer));
  ASSERT_TRUE(answer);
  EXPECT_FALSE(static_cast<ObservedDetails*>(answer.get())->initialized_with_recovery);
  EXPECT_EQ(1, static_cast<ObservedDetails*>(answer.get())->initialize_count);
}

}  // namespace

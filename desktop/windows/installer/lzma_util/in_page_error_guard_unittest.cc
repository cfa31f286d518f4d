#include "desktop/windows/installer/lzma_util/in_page_error_guard.h"

#include <windows.h>

#include "base/process/launch.h"
#include "base/process/process.h"
#include "base/time/time.h"
#include "gtest/gtest.h"
#include "testing/test_child_process.h"

namespace {

constexpr DWORD kDeviceDataError = 0xC000009C;  // STATUS_DEVICE_DATA_ERROR

struct Range {
  const char* begin;
  size_t size;
};

bool InRange(const void* context, const void* address) {
  const Range* range = static_cast<const Range*>(context);
  const char* p = static_cast<const char*>(address);
  return p >= range->begin && p < range->begin + range->size;
}

char g_first[64];
char g_second[64];
Range g_first_range = {g_first, sizeof(g_first)};
Range g_second_range = {g_second, sizeof(g_second)};

void RaiseInPageErrorAt(const void* address) {
  const ULONG_PTR info[3] = {0, reinterpret_cast<ULONG_PTR>(address), kDeviceDataError};
  RaiseException(EXCEPTION_IN_PAGE_ERROR, 0, 3, info);
}

void RaiseInFirstRange(void*) {
  RaiseInPageErrorAt(g_first + 63);
}

void RaiseInSecondRange(void*) {
  RaiseInPageErrorAt(g_second);
}

struct NestedRun {
  InPageErrorGuard* inner;
  InPageErrorGuard::GuardedFunction function;
  bool inner_returned = false;
  bool inner_completed = false;
};

void RunInner(void* argument) {
  NestedRun* nested = static_cast<NestedRun*>(argument);
  nested->inner_completed = nested->inner->Run(nested->function, nullptr);
  nested->inner_returned = true;
}

}  // namespace

TEST(InPageErrorGuardTest, NestedGuardsEachCatchTheirOwnRange) {
  InPageErrorGuard outer(&InRange, &g_first_range);
  InPageErrorGuard inner(&InRange, &g_second_range);

  NestedRun own{&inner, &RaiseInSecondRange};
  EXPECT_TRUE(outer.Run(&RunInner, &own));
  EXPECT_TRUE(own.inner_returned);
  EXPECT_FALSE(own.inner_completed);
  EXPECT_EQ(kDeviceDataError, inner.fault_status());

  // A fault in the outer range abandons the inner run altogether.
  NestedRun outers{&inner, &RaiseInFirstRange};
  EXPECT_FALSE(outer.Run(&RunInner, &outers));
  EXPECT_FALSE(outers.inner_returned);
  EXPECT_EQ(kDeviceDataError, outer.fault_status());

  // Both still work afterwards: nothing stale was left active.
  NestedRun again{&inner, &RaiseInSecondRange};
  EXPECT_TRUE(outer.Run(&RunInner, &again));
  EXPECT_TRUE(again.inner_returned);
  EXPECT_FALSE(again.inner_completed);
}

// A fault outside every guarded range must stay fatal, not be swallowed.
TEST_CHILD_ROLE(in_page_fault_outside_range) {
  InPageErrorGuard guard(&InRange, &g_first_range);
  guard.Run(&RaiseInSecondRange, nullptr);
  return 0;
}

TEST(InPageErrorGuardTest, FaultOutsideRangeIsNotHandled) {
  base::Process child = base::LaunchProcess(
      testing_support::GetTestChildCommandLine("in_page_fault_outside_range"),
      base::LaunchOptions());
  ASSERT_TRUE(child.IsValid());
  int exit_code = 0;
  ASSERT_TRUE(child.WaitForExitWithTimeout(base::TimeDelta::FromSeconds(30), &exit_code));
  EXPECT_EQ(static_cast<DWORD>(EXCEPTION_IN_PAGE_ERROR), static_cast<DWORD>(exit_code));
}

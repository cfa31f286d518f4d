#include "base/debug/dump_without_crashing.h"

#include "gtest/gtest.h"

namespace base {
namespace debug {
namespace {

DWORD g_code = 0;
void* g_address = nullptr;
int g_calls = 0;

void Record(EXCEPTION_POINTERS* pointers) {
  ++g_calls;
  g_code = pointers->ExceptionRecord->ExceptionCode;
  g_address = reinterpret_cast<void*>(pointers->ContextRecord->Rip);
}

// Nothing set: nothing happens. Given pointers pass through as they are;
// without them the caller's own state is described as a breakpoint.
TEST(DumpWithoutCrashingTest, HandsTheStateToTheFunctionSet) {
  SetDumpWithoutCrashingFunction(nullptr);
  EXPECT_FALSE(DumpWithoutCrashing());
  SetDumpWithoutCrashingFunction(&Record);
  g_calls = 0;
  EXCEPTION_RECORD record = {};
  record.ExceptionCode = 0xE0000042;
  CONTEXT context = {};
  context.Rip = 0x1234;
  EXCEPTION_POINTERS given = {&record, &context};
  EXPECT_TRUE(DumpWithoutCrashing(&given));
  EXPECT_EQ(0xE0000042u, g_code);
  EXPECT_EQ(reinterpret_cast<void*>(0x1234), g_address);
  EXPECT_TRUE(DumpWithoutCrashing());
  EXPECT_EQ(static_cast<DWORD>(EXCEPTION_BREAKPOINT), g_code);
  EXPECT_NE(nullptr, g_address);
  EXPECT_EQ(2, g_calls);
  SetDumpWithoutCrashingFunction(nullptr);
}

}  // namespace
}  // namespace debug
}  // namespace base

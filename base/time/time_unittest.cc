#include "base/time/time.h"

#include <windows.h>

#include "gtest/gtest.h"

namespace base {
namespace {

TEST(TimeDeltaTest, ArithmeticSaturatesAtTheExtremes) {
  EXPECT_TRUE((TimeDelta::Max() + TimeDelta::FromSeconds(1)).is_max());
  EXPECT_TRUE((TimeDelta::Max() * 2).is_max());
  EXPECT_TRUE((TimeDelta::Min() - TimeDelta::FromSeconds(1)).is_min());
  EXPECT_TRUE(TimeDelta::FromDays(std::numeric_limits<int64_t>::max() / 1000).is_max());
  EXPECT_TRUE((TimeTicks::Now() + TimeDelta::Max()).is_max());
  EXPECT_EQ(std::numeric_limits<int64_t>::max(), TimeDelta::Max().InMilliseconds());
}

TEST(TimeDeltaTest, RoundingOfMilliseconds) {
  EXPECT_EQ(1, TimeDelta::FromMicroseconds(1999).InMilliseconds());
  EXPECT_EQ(2, TimeDelta::FromMicroseconds(1001).InMillisecondsRoundedUp());
  EXPECT_EQ(1, TimeDelta::FromMicroseconds(1000).InMillisecondsRoundedUp());
  // Negative spans round towards zero both ways.
  EXPECT_EQ(0, TimeDelta::FromMicroseconds(-999).InMillisecondsRoundedUp());
  EXPECT_DOUBLE_EQ(1.5, TimeDelta::FromMilliseconds(1500).InSecondsF());
}

TEST(TimeDeltaTest, WaitTimeoutNeverEndsEarlyAndOnlyMaxWaitsForever) {
  EXPECT_EQ(2u, TimeDelta::FromMicroseconds(1001).InMillisecondsForWait());
  EXPECT_EQ(0u, TimeDelta().InMillisecondsForWait());
  EXPECT_EQ(0u, TimeDelta::FromMilliseconds(-5).InMillisecondsForWait());
  EXPECT_EQ(0u, TimeDelta::Min().InMillisecondsForWait());
  EXPECT_EQ(INFINITE, TimeDelta::Max().InMillisecondsForWait());
  // Longer than a DWORD of milliseconds (about 49.7 days), yet finite.
  EXPECT_EQ(INFINITE - 1, TimeDelta::FromDays(60).InMillisecondsForWait());
  EXPECT_EQ(INFINITE - 1, (TimeTicks::Max() - TimeTicks::Now()).InMillisecondsForWait());
}

TEST(TimeTest, TimeTRoundTripAndNullTime) {
  EXPECT_EQ(0, Time().ToTimeT());
  EXPECT_TRUE(Time::FromTimeT(0).is_null());
  Time t = Time::FromTimeT(1700000000);
  EXPECT_EQ(1700000000, t.ToTimeT());
  Time now = Time::Now();
  EXPECT_GT(now.ToTimeT(), 1600000000);
}

TEST(TimeTest, UTCExplodeOfKnownDate) {
  Time::Exploded e;
  Time::FromTimeT(951782400).UTCExplode(&e);  // 2000-02-29 00:00:00 UTC, a Tuesday.
  EXPECT_EQ(2000, e.year);
  EXPECT_EQ(2, e.month);
  EXPECT_EQ(29, e.day_of_month);
  EXPECT_EQ(2, e.day_of_week);
  EXPECT_EQ(0, e.hour);
}

TEST(TimeTest, LocalExplodeRoundTripsWithMilliseconds) {
  Time original = Time::FromTimeT(1700000000) + TimeDelta::FromMilliseconds(123);
  Time::Exploded e;
  original.LocalExplode(&e);
  EXPECT_EQ(123, e.millisecond);
  Time back;
  ASSERT_TRUE(Time::FromLocalExploded(e, &back));
  EXPECT_EQ(original, back);
}

TEST(TimeTest, ExplodedDatesThatDoNotExistAreRejected) {
  Time t;
  EXPECT_FALSE(Time::FromUTCExploded({2023, 2, 0, 30, 0, 0, 0, 0}, &t));
  EXPECT_TRUE(t.is_null());
  EXPECT_FALSE(Time::FromUTCExploded({2023, 13, 0, 1, 0, 0, 0, 0}, &t));
  EXPECT_TRUE(Time::FromUTCExploded({2024, 2, 0, 29, 23, 59, 59, 999}, &t));
}

TEST(TimeTicksTest, IsMonotonicAndNeverNull) {
  TimeTicks a = TimeTicks::Now();
  TimeTicks b = TimeTicks::Now();
  EXPECT_FALSE(a.is_null());
  EXPECT_LE(a, b);
}

}  // namespace
}  // namespace base

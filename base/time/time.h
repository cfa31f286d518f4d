#ifndef BASE_TIME_TIME_H_
#define BASE_TIME_TIME_H_

#include <stdint.h>
#include <time.h>

#include <compare>

#include <limits>

namespace base {

// A span of time in microseconds. The extremes act as "forever": arithmetic
// saturates instead of wrapping so that Max() stays Max().
class TimeDelta {
 public:
  constexpr TimeDelta() = default;

  static constexpr TimeDelta FromDays(int64_t days) { return FromProduct(days, 86400000000LL); }
  static constexpr TimeDelta FromHours(int64_t hours) { return FromProduct(hours, 3600000000LL); }
  static constexpr TimeDelta FromMinutes(int64_t minutes) { return FromProduct(minutes, 60000000LL); }
  static constexpr TimeDelta FromSeconds(int64_t seconds) { return FromProduct(seconds, 1000000); }
  static constexpr TimeDelta FromMilliseconds(int64_t ms) { return FromProduct(ms, 1000); }
  static constexpr TimeDelta FromMicroseconds(int64_t us) { return TimeDelta(us); }
  static TimeDelta FromSecondsD(double seconds);
  static TimeDelta FromMillisecondsD(double ms);
  static constexpr TimeDelta Max() { return TimeDelta(std::numeric_limits<int64_t>::max()); }
  static constexpr TimeDelta Min() { return TimeDelta(std::numeric_limits<int64_t>::min()); }

  constexpr bool is_zero() const { return delta_ == 0; }
  constexpr bool is_max() const { return delta_ == std::numeric_limits<int64_t>::max(); }
  constexpr bool is_min() const { return delta_ == std::numeric_limits<int64_t>::min(); }

  int InDays() const;
  int InHours() const;
  int InMinutes() const;
  int64_t InSeconds() const;
  double InSecondsF() const;
  int64_t InMilliseconds() const;
  // Rounded towards +infinity: what a wait needs so that it never ends early.
  int64_t InMillisecondsRoundedUp() const;
  // The timeout of a Windows wait: rounded up, 0 when not positive, INFINITE
  // (0xFFFFFFFF) for Max() only and just below it for other very long spans.
  uint32_t InMillisecondsForWait() const;
  double InMillisecondsF() const;
  int64_t InMicroseconds() const { return delta_; }

  TimeDelta operator+(TimeDelta other) const { return TimeDelta(SaturatedAdd(delta_, other.delta_)); }
  TimeDelta operator-(TimeDelta other) const;
  TimeDelta operator-() const;
  TimeDelta& operator+=(TimeDelta other) { return *this = *this + other; }
  TimeDelta& operator-=(TimeDelta other) { return *this = *this - other; }
  TimeDelta operator*(int64_t factor) const;
  TimeDelta operator/(int64_t divisor) const { return TimeDelta(divisor ? delta_ / divisor : 0); }
  int64_t operator/(TimeDelta other) const { return other.delta_ ? delta_ / other.delta_ : 0; }

  constexpr auto operator<=>(const TimeDelta&) const = default;

 private:
  friend class TimeTicks;
  friend class Time;
  constexpr explicit TimeDelta(int64_t us) : delta_(us) {}
  static constexpr TimeDelta FromProduct(int64_t value, int64_t factor) {
    return value > std::numeric_limits<int64_t>::max() / factor   ? Max()
           : value < std::numeric_limits<int64_t>::min() / factor ? Min()
                                                                  : TimeDelta(value * factor);
  }
  static int64_t SaturatedAdd(int64_t a, int64_t b);

  int64_t delta_ = 0;
};

inline TimeDelta operator*(int64_t factor, TimeDelta delta) { return delta * factor; }

// A monotonic clock for measuring intervals and scheduling; no relation to
// wall-clock time.
class TimeTicks {
 public:
  constexpr TimeTicks() = default;
  static TimeTicks Now();
  static constexpr TimeTicks Max() { return TimeTicks(std::numeric_limits<int64_t>::max()); }

  constexpr bool is_null() const { return us_ == 0; }
  constexpr bool is_max() const { return us_ == std::numeric_limits<int64_t>::max(); }
  // Microseconds since an arbitrary origin.
  constexpr int64_t ToInternalValue() const { return us_; }

  TimeTicks operator+(TimeDelta d) const { return TimeTicks(TimeDelta::SaturatedAdd(us_, d.delta_)); }
  TimeTicks operator-(TimeDelta d) const { return *this + (-d); }
  TimeDelta operator-(TimeTicks other) const { return TimeDelta(us_) - TimeDelta(other.us_); }
  TimeTicks& operator+=(TimeDelta d) { return *this = *this + d; }
  TimeTicks& operator-=(TimeDelta d) { return *this = *this - d; }
  constexpr auto operator<=>(const TimeTicks&) const = default;

 private:
  constexpr explicit TimeTicks(int64_t us) : us_(us) {}
  int64_t us_ = 0;
};

// Wall-clock time in microseconds since 1601-01-01 UTC (the FILETIME epoch).
class Time {
 public:
  // Broken-down time. month is 1-12, day_of_week 0 (Sunday) to 6.
  struct Exploded {
    int year;
    int month;
    int day_of_week;
    int day_of_month;
    int hour;
    int minute;
    int second;
    int millisecond;
  };

  constexpr Time() = default;
  static Time Now();
  static Time FromTimeT(time_t t);
  static Time FromFileTime(uint64_t file_time_100ns);
  // False when the fields do not name a valid time.
  static bool FromLocalExploded(const Exploded& exploded, Time* time);
  static bool FromUTCExploded(const Exploded& exploded, Time* time);

  constexpr bool is_null() const { return us_ == 0; }
  time_t ToTimeT() const;
  uint64_t ToFileTime() const;
  double ToDoubleT() const;
  void LocalExplode(Exploded* exploded) const;
  void UTCExplode(Exploded* exploded) const;

  Time operator+(TimeDelta d) const { return Time(TimeDelta::SaturatedAdd(us_, d.delta_)); }
  Time operator-(TimeDelta d) const { return *this + (-d); }
  TimeDelta operator-(Time other) const { return TimeDelta(us_) - TimeDelta(other.us_); }
  Time& operator+=(TimeDelta d) { return *this = *this + d; }
  Time& operator-=(TimeDelta d) { return *this = *this - d; }
  constexpr auto operator<=>(const Time&) const = default;

 private:
  constexpr explicit Time(int64_t us) : us_(us) {}
  int64_t us_ = 0;
};

}  // namespace base

#endif  // BASE_TIME_TIME_H_

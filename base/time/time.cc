#include "base/time/time.h"

#include <windows.h>

#include <cmath>

namespace base {

namespace {

constexpr int64_t kMicrosecondsPerSecond = 1000000;
// Seconds between 1601-01-01 and 1970-01-01.
constexpr int64_t kTimeTToFileTimeSeconds = 11644473600LL;

int64_t SaturatedMultiply(int64_t value, int64_t factor) {
  int64_t result;
  if (__builtin_mul_overflow(value, factor, &result))
    return (value < 0) != (factor < 0) ? std::numeric_limits<int64_t>::min()
                                       : std::numeric_limits<int64_t>::max();
  return result;
}

TimeDelta FromDouble(double us) {
  if (std::isnan(us))
    return TimeDelta();
  if (us >= static_cast<double>(std::numeric_limits<int64_t>::max()))
    return TimeDelta::Max();
  if (us <= static_cast<double>(std::numeric_limits<int64_t>::min()))
    return TimeDelta::Min();
  return TimeDelta::FromMicroseconds(static_cast<int64_t>(us));
}

bool ExplodedToSystemTime(const Time::Exploded& e, SYSTEMTIME* st) {
  if (e.year < 1601 || e.year > 30827 || e.month < 1 || e.month > 12 || e.day_of_month < 1 ||
      e.day_of_month > 31 || e.hour < 0 || e.hour > 23 || e.minute < 0 || e.minute > 59 ||
      e.second < 0 || e.second > 59 || e.millisecond < 0 || e.millisecond > 999) {
    return false;
  }
  st->wYear = static_cast<WORD>(e.year);
  st->wMonth = static_cast<WORD>(e.month);
  st->wDayOfWeek = 0;
  st->wDay = static_cast<WORD>(e.day_of_month);
  st->wHour = static_cast<WORD>(e.hour);
  st->wMinute = static_cast<WORD>(e.minute);
  st->wSecond = static_cast<WORD>(e.second);
  st->wMilliseconds = static_cast<WORD>(e.millisecond);
  return true;
}

void SystemTimeToExploded(const SYSTEMTIME& st, Time::Exploded* e) {
  e->year = st.wYear;
  e->month = st.wMonth;
  e->day_of_week = st.wDayOfWeek;
  e->day_of_month = st.wDay;
  e->hour = st.wHour;
  e->minute = st.wMinute;
  e->second = st.wSecond;
  e->millisecond = st.wMilliseconds;
}

uint64_t FileTimeToUint64(const FILETIME& ft) {
  return (static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

FILETIME Uint64ToFileTime(uint64_t value) {
  FILETIME ft;
  ft.dwLowDateTime = static_cast<DWORD>(value);
  ft.dwHighDateTime = static_cast<DWORD>(value >> 32);
  return ft;
}

}  // namespace

// TimeDelta -----------------------------------------------------------------

int64_t TimeDelta::SaturatedAdd(int64_t a, int64_t b) {
  int64_t result;
  if (__builtin_add_overflow(a, b, &result))
    return b < 0 ? std::numeric_limits<int64_t>::min() : std::numeric_limits<int64_t>::max();
  return result;
}

TimeDelta TimeDelta::operator-(TimeDelta other) const {
  int64_t result;
  if (__builtin_sub_overflow(delta_, other.delta_, &result))
    return other.delta_ < 0 ? Max() : Min();
  return TimeDelta(result);
}

TimeDelta TimeDelta::operator-() const {
  if (delta_ == std::numeric_limits<int64_t>::min())
    return Max();
  return TimeDelta(-delta_);
}

TimeDelta TimeDelta::operator*(int64_t factor) const {
  return TimeDelta(SaturatedMultiply(delta_, factor));
}

TimeDelta TimeDelta::FromSecondsD(double seconds) { return FromDouble(seconds * 1e6); }
TimeDelta TimeDelta::FromMillisecondsD(double ms) { return FromDouble(ms * 1e3); }

int TimeDelta::InDays() const {
  return is_max() ? std::numeric_limits<int>::max() : static_cast<int>(delta_ / 86400000000LL);
}
int TimeDelta::InHours() const {
  return is_max() ? std::numeric_limits<int>::max() : static_cast<int>(delta_ / 3600000000LL);
}
int TimeDelta::InMinutes() const {
  return is_max() ? std::numeric_limits<int>::max() : static_cast<int>(delta_ / 60000000LL);
}
int64_t TimeDelta::InSeconds() const {
  return is_max() ? std::numeric_limits<int64_t>::max() : delta_ / kMicrosecondsPerSecond;
}
double TimeDelta::InSecondsF() const {
  return is_max() ? std::numeric_limits<double>::infinity()
                  : static_cast<double>(delta_) / kMicrosecondsPerSecond;
}
int64_t TimeDelta::InMilliseconds() const {
  return is_max() ? std::numeric_limits<int64_t>::max() : delta_ / 1000;
}
int64_t TimeDelta::InMillisecondsRoundedUp() const {
  if (is_max())
    return std::numeric_limits<int64_t>::max();
  int64_t result = delta_ / 1000;
  if (delta_ % 1000 > 0)
    ++result;
  return result;
}
uint32_t TimeDelta::InMillisecondsForWait() const {
  if (is_max())
    return INFINITE;
  const int64_t ms = InMillisecondsRoundedUp();
  if (ms <= 0)
    return 0;
  return ms >= INFINITE ? INFINITE - 1 : static_cast<uint32_t>(ms);
}
double TimeDelta::InMillisecondsF() const {
  return is_max() ? std::numeric_limits<double>::infinity() : static_cast<double>(delta_) / 1000;
}

// TimeTicks -----------------------------------------------------------------

TimeTicks TimeTicks::Now() {
  static const int64_t frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return static_cast<int64_t>(f.QuadPart);
  }();
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  int64_t ticks = counter.QuadPart;
  // Split to avoid overflowing ticks * 1e6 on long uptimes.
  int64_t whole_seconds = ticks / frequency;
  int64_t rest = ticks % frequency;
  // +1 keeps a real reading from ever being the null value.
  return TimeTicks(whole_seconds * kMicrosecondsPerSecond + rest * kMicrosecondsPerSecond / frequency +
                   1);
}

// Time ----------------------------------------------------------------------

Time Time::Now() {
  FILETIME ft;
  GetSystemTimePreciseAsFileTime(&ft);
  return FromFileTime(FileTimeToUint64(ft));
}

Time Time::FromFileTime(uint64_t file_time_100ns) {
  return Time(static_cast<int64_t>(file_time_100ns / 10));
}

uint64_t Time::ToFileTime() const {
  return us_ < 0 ? 0 : static_cast<uint64_t>(us_) * 10;
}

Time Time::FromTimeT(time_t t) {
  if (t == 0)
    return Time();
  return Time((static_cast<int64_t>(t) + kTimeTToFileTimeSeconds) * kMicrosecondsPerSecond);
}

time_t Time::ToTimeT() const {
  if (is_null())
    return 0;
  return static_cast<time_t>(us_ / kMicrosecondsPerSecond - kTimeTToFileTimeSeconds);
}

double Time::ToDoubleT() const {
  if (is_null())
    return 0;
  return static_cast<double>(us_) / kMicrosecondsPerSecond - kTimeTToFileTimeSeconds;
}

void Time::UTCExplode(Exploded* exploded) const {
  FILETIME ft = Uint64ToFileTime(ToFileTime());
  SYSTEMTIME st = {};
  if (!FileTimeToSystemTime(&ft, &st)) {
    *exploded = Exploded{};
    return;
  }
  SystemTimeToExploded(st, exploded);
}

void Time::LocalExplode(Exploded* exploded) const {
  FILETIME ft = Uint64ToFileTime(ToFileTime());
  SYSTEMTIME utc = {};
  SYSTEMTIME local = {};
  if (!FileTimeToSystemTime(&ft, &utc) ||
      !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) {
    *exploded = Exploded{};
    return;
  }
  SystemTimeToExploded(local, exploded);
}

bool Time::FromUTCExploded(const Exploded& exploded, Time* time) {
  SYSTEMTIME st;
  FILETIME ft;
  if (!ExplodedToSystemTime(exploded, &st) || !SystemTimeToFileTime(&st, &ft)) {
    *time = Time();
    return false;
  }
  *time = FromFileTime(FileTimeToUint64(ft));
  return true;
}

bool Time::FromLocalExploded(const Exploded& exploded, Time* time) {
  SYSTEMTIME local;
  SYSTEMTIME utc;
  FILETIME ft;
  if (!ExplodedToSystemTime(exploded, &local) ||
      !TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc) || !SystemTimeToFileTime(&utc, &ft)) {
    *time = Time();
    return false;
  }
  *time = FromFileTime(FileTimeToUint64(ft));
  return true;
}

}  // namespace base

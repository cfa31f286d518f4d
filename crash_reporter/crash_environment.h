#ifndef CRASH_REPORTER_CRASH_ENVIRONMENT_H_
#define CRASH_REPORTER_CRASH_ENVIRONMENT_H_

#include <string>

namespace crash_reporter {

inline constexpr char kCrashLogDirVariable[] = "TARVO_CRASH_LOG_DIR";
inline constexpr char kAlternativeCrashServerVariable[] = "TARVO_ALTERNATIVE_CRASH_SERVER_URL";
inline constexpr char kCrashOriginVariable[] = "TARVO_CRASH_ORIGIN";
inline constexpr char kKelmatTestVariable[] = "TARVO_CRASH_REPORTER_KELMAT_TEST";

// The value of an environment variable; empty when unset.
std::string GetEnvironmentValue(const std::string& name);
// "1", or "YES" or "TRUE" in any case.
bool IsEnvironmentFlagSet(const std::string& name);
// The upper-case product name, "_" and `suffix` ("CRASH_EMAIL",
// "CRASH_KEEP_LOGS").
std::string GetProductVariableName(const std::string& suffix);

}  // namespace crash_reporter

#endif  // CRASH_REPORTER_CRASH_ENVIRONMENT_H_

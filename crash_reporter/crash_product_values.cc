#include "crash_reporter/crash_product_values.h"

#include "base/files/file_path.h"
#include "base/no_destructor.h"
#include "base/strings/string_util.h"
#include "base/strings/stringprintf.h"

namespace crash_reporter {
namespace {

constexpr size_t kBuildDateLength = 8;
constexpr size_t kRevisionDigits = 6;
constexpr int kReleaseChannel = 4;
constexpr int kNightlyChannel = 2;

CrashProductValues& Values() {
  static base::NoDestructor<CrashProductValues> values;
  return *values;
}

}  // namespace

void SetCrashProductValues(const CrashProductValues& values) {
  Values() = values;
}

const CrashProductValues& GetCrashProductValues() {
  return Values();
}

std::string GetCrashBuildId() {
  std::string date = Values().build_timestamp.substr(0, kBuildDateLength);
  date.resize(kBuildDateLength, '0');
  std::string revision = base::StringPrintf("%06d", Values().build_revision);
  if (revision.size() > kRevisionDigits)
    revision = revision.substr(revision.size() - kRevisionDigits);
  return date + revision;
}

std::string GetCrashReleaseChannel() {
  if (Values().channel == kReleaseChannel)
    return "release";
  if (Values().channel == kNightlyChannel)
    return "nightly";
  return Values().channel_name;
}

std::string GetSymbolsPackageName(const std::wstring& program_path) {
  std::wstring name = base::FilePath(program_path).BaseName().RemoveExtension().value();
  return base::EndsWith(name, L"_browsertests", base::CompareCase::INSENSITIVE_ASCII)
             ? "tests-syms"
             : "browser-syms";
}

std::string GetLowerProductName() {
  return base::ToLowerASCII(Values().product_name);
}

}  // namespace crash_reporter

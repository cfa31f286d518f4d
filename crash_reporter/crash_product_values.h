#ifndef CRASH_REPORTER_CRASH_PRODUCT_VALUES_H_
#define CRASH_REPORTER_CRASH_PRODUCT_VALUES_H_

#include <string>

namespace crash_reporter {

// What crash reporting needs to know of the product. The entry point fills
// it from the product information before any crash set-up, so this folder
// stays below the installer's own.
struct CrashProductValues {
  std::string product_name;         // "Tarvo"
  std::string upload_product_name;  // the crash server's name of the product
  std::string version;              // full version
  std::string channel_name;
  int channel = 0;                  // stream id
  std::string build_timestamp;      // "20171210_190013"
  int build_number = 0;             // negative: crash reporting off
  int build_revision = 0;
  std::string company_name;
  std::string crash_server_url;     // the crash-collection endpoint
};

void SetCrashProductValues(const CrashProductValues& values);
const CrashProductValues& GetCrashProductValues();

// Derived values sent with every report.
std::string GetCrashBuildId();
std::string GetCrashReleaseChannel();
// "tests-syms" for a program whose name (without extension) ends with
// "_browsertests", else "browser-syms".
std::string GetSymbolsPackageName(const std::wstring& program_path);
// The product name in ASCII lower case, as in file names.
std::string GetLowerProductName();

}  // namespace crash_reporter

#endif  // CRASH_REPORTER_CRASH_PRODUCT_VALUES_H_

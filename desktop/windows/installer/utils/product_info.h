#ifndef DESKTOP_WINDOWS_INSTALLER_UTILS_PRODUCT_INFO_H_
#define DESKTOP_WINDOWS_INSTALLER_UTILS_PRODUCT_INFO_H_

#include <memory>
#include <string>

namespace base {
class DictionaryValue;
}

// The product-information resource (type "TXT", id 133) of the host
// executable, a JSON object; the installer keeps no names, versions or
// addresses of its own.
class ProductInfo {
 public:
  // The parsed dictionary, or nullptr when the resource is missing or is not
  // a JSON object. Made on first use, thread-safe; released at exit.
  static const base::DictionaryValue* GetInstance();

  static std::string GetCompanyName();
  static std::string GetDefaultProfilePathTemplate();
  static std::string GetDomain();
  static std::string GetExpectedSigner();
  static std::string GetFileNameBase();
  static int GetMajorDelta();
  static std::string GetProductName();
  static bool ShouldScheduleAutoupdateTask();
  static int GetScheduledAutoupdateDelayMin();
  static std::string GetShortcutSuffix();
  // The entry `name` of the object "urls"; empty when missing.
  static std::string GetUrl(const std::string& name);
  static bool UseChromiumMajorForMinor();
  static std::string GetUserAgentName();
  static std::string GetVisibleProductName();
  static bool IsWhiteLabeled();
  static std::string GetCrashUploadProductName();
};

// Replaces the product information for a test's lifetime with `json` (an
// empty text means "no resource").
class ScopedProductInfoForTesting {
 public:
  explicit ScopedProductInfoForTesting(const std::string& json);
  ~ScopedProductInfoForTesting();
  ScopedProductInfoForTesting(const ScopedProductInfoForTesting&) = delete;
  ScopedProductInfoForTesting& operator=(const ScopedProductInfoForTesting&) = delete;

  // The replacement, or nullptr for "no resource".
  const base::DictionaryValue* info() const { return replacement_.get(); }

 private:
  std::unique_ptr<base::DictionaryValue> replacement_;
  const ScopedProductInfoForTesting* previous_;
};

// The resource text: from the main module, else from the automation-test
// harness module, else empty.
std::string LoadProductInfoResource();

// Build constants.
inline constexpr int kBuildNumberComponent = 2802;
inline constexpr int kPatchComponent = 0;
inline constexpr char kEngineVersion[] = "64.0.3278.0";
inline constexpr char kBuildTimestamp[] = "20171210_190013";
inline constexpr int kBuildNumber = 931610;
inline constexpr int kBuildRevision = 317950;
inline constexpr char kChannelName[] = "developer";
inline constexpr int kStreamId = 2;

// Values composed from the keys and the build constants.
namespace product_info {

std::string GetProductName();
std::string GetProductNameWithChannel();
std::string GetChannelName();
// The product's three-letter code ("user_agent_name").
std::string GetProductCode();
std::string GetVersionString();
std::string GetVersion();
int GetMinorVersion();
std::string GetInternalVersion();
std::string GetVisibleProductNameWithChannel();
std::string GetBuildTimestamp();
int GetBuildNumber();
int GetBuildRevision();

}  // namespace product_info

#endif  // DESKTOP_WINDOWS_INSTALLER_UTILS_PRODUCT_INFO_H_

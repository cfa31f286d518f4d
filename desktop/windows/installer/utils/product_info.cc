#include "desktop/windows/installer/utils/product_info.h"

#include <windows.h>

#include <atomic>

#include "base/json/json_reader.h"
#include "base/lazy_instance.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/string_split.h"
#include "base/strings/stringprintf.h"
#include "base/values.h"

namespace {

constexpr int kProductInfoResourceId = 133;
constexpr wchar_t kProductInfoResourceType[] = L"TXT";
// The maker's automation-test harness carries the resource when it hosts us.
constexpr wchar_t kTestHarnessModule[] = L"_kelmatlib.pyd";

// The parsed resource: made once, then only read; released at exit.
struct ParsedProductInfo {
  ParsedProductInfo();
  std::unique_ptr<base::DictionaryValue> info;
};
base::LazyInstance<ParsedProductInfo> g_info = LAZY_INSTANCE_INITIALIZER;

// A test's replacement of the product information, if any.
std::atomic<const ScopedProductInfoForTesting*> g_override{nullptr};

std::string ReadTextResource(HMODULE module) {
  HRSRC info = FindResourceW(module, MAKEINTRESOURCEW(kProductInfoResourceId),
                             kProductInfoResourceType);
  if (!info)
    return std::string();
  HGLOBAL handle = LoadResource(module, info);
  const void* data = handle ? LockResource(handle) : nullptr;
  if (!data)
    return std::string();
  return std::string(static_cast<const char*>(data), SizeofResource(module, info));
}

std::unique_ptr<base::DictionaryValue> ParseProductInfo(const std::string& text) {
  return base::DictionaryValue::From(base::JSONReader::Read(text));
}

ParsedProductInfo::ParsedProductInfo() : info(ParseProductInfo(LoadProductInfoResource())) {}

std::string GetStringKey(const std::string& path) {
  std::string value;
  if (const base::DictionaryValue* info = ProductInfo::GetInstance())
    info->GetString(path, &value);
  return value;
}

int GetIntegerKey(const std::string& path) {
  int value = 0;
  if (const base::DictionaryValue* info = ProductInfo::GetInstance())
    info->GetInteger(path, &value);
  return value;
}

bool GetBooleanKey(const std::string& path) {
  bool value = false;
  if (const base::DictionaryValue* info = ProductInfo::GetInstance())
    info->GetBoolean(path, &value);
  return value;
}

}  // namespace

std::string LoadProductInfoResource() {
  std::string text = ReadTextResource(GetModuleHandleW(nullptr));
  if (!text.empty())
    return text;
  // Loaded as resources only: nothing of the module ever runs.
  HMODULE harness = LoadLibraryExW(kTestHarnessModule, nullptr,
                                   LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  if (!harness)
    return std::string();
  text = ReadTextResource(harness);
  FreeLibrary(harness);
  return text;
}

const base::DictionaryValue* ProductInfo::GetInstance() {
  if (const ScopedProductInfoForTesting* replacement = g_override.load())
    return replacement->info();
  return g_info.Get().info.get();
}

std::string ProductInfo::GetCompanyName() { return GetStringKey("company_name"); }
std::string ProductInfo::GetDefaultProfilePathTemplate() {
  return GetStringKey("default_profile_path_template");
}
std::string ProductInfo::GetDomain() { return GetStringKey("domain"); }
std::string ProductInfo::GetExpectedSigner() { return GetStringKey("expected_signer"); }
std::string ProductInfo::GetFileNameBase() { return GetStringKey("file_name_base"); }
int ProductInfo::GetMajorDelta() { return GetIntegerKey("major_delta"); }
std::string ProductInfo::GetProductName() { return GetStringKey("product_name"); }
bool ProductInfo::ShouldScheduleAutoupdateTask() { return GetBooleanKey("schedule_autoupdate_task"); }
int ProductInfo::GetScheduledAutoupdateDelayMin() {
  return GetIntegerKey("scheduled_autoupdate_delay_min");
}
std::string ProductInfo::GetShortcutSuffix() { return GetStringKey("shortcut_suffix"); }
std::string ProductInfo::GetUrl(const std::string& name) { return GetStringKey("urls." + name); }
bool ProductInfo::UseChromiumMajorForMinor() { return GetBooleanKey("use_chromium_major_for_minor"); }
std::string ProductInfo::GetUserAgentName() { return GetStringKey("user_agent_name"); }
std::string ProductInfo::GetVisibleProductName() { return GetStringKey("visible_product_name"); }
bool ProductInfo::IsWhiteLabeled() { return GetBooleanKey("white_labeled"); }
std::string ProductInfo::GetCrashUploadProductName() {
  return GetStringKey("crash_upload_socorro_product_name");
}

ScopedProductInfoForTesting::ScopedProductInfoForTesting(const std::string& json)
    : replacement_(ParseProductInfo(json)), previous_(g_override.exchange(this)) {}

ScopedProductInfoForTesting::~ScopedProductInfoForTesting() {
  g_override.store(previous_);
}

namespace product_info {

std::string GetProductName() {
  return ProductInfo::GetProductName();
}

std::string GetProductNameWithChannel() {
  return GetProductName() + GetChannelName();
}

std::string GetChannelName() {
  return kChannelName;
}

std::string GetProductCode() {
  return ProductInfo::GetUserAgentName();
}

int GetMinorVersion() {
  if (!ProductInfo::UseChromiumMajorForMinor())
    return 0;
  std::string engine(kEngineVersion);
  int major = 0;
  base::StringToInt(engine.substr(0, engine.find('.')), &major);
  return major;
}

std::string GetVersionString() {
  return base::StringPrintf("%d.%d.%d.%d", 51 + ProductInfo::GetMajorDelta(), GetMinorVersion(),
                            kBuildNumberComponent, kPatchComponent);
}

std::string GetVersion() {
  return GetVersionString();
}

std::string GetInternalVersion() {
  return base::StringPrintf("%d.%d", kBuildNumberComponent, kPatchComponent);
}

std::string GetVisibleProductNameWithChannel() {
  return ProductInfo::GetVisibleProductName() + " " + GetChannelName();
}

std::string GetBuildTimestamp() {
  return kBuildTimestamp;
}

int GetBuildNumber() {
  return kBuildNumber;
}

int GetBuildRevision() {
  return kBuildRevision;
}

}  // namespace product_info

#include "desktop/windows/installer/crash_product_setup.h"

#include "crash_reporter/crash_product_values.h"
#include "desktop/windows/installer/utils/product_info.h"

namespace {

constexpr char kCrashServerUrlKey[] = "crashstats_collector";

}  // namespace

void InitCrashProductValues() {
  crash_reporter::CrashProductValues values;
  values.product_name = product_info::GetProductName();
  values.upload_product_name = ProductInfo::GetCrashUploadProductName();
  values.version = product_info::GetVersion();
  values.channel_name = product_info::GetChannelName();
  values.channel = kStreamId;
  values.build_timestamp = product_info::GetBuildTimestamp();
  values.build_number = product_info::GetBuildNumber();
  values.build_revision = product_info::GetBuildRevision();
  values.company_name = ProductInfo::GetCompanyName();
  values.crash_server_url = ProductInfo::GetUrl(kCrashServerUrlKey);
  crash_reporter::SetCrashProductValues(values);
}

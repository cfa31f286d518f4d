#include "desktop/windows/installer/crash_product_setup.h"

#include "crash_reporter/crash_product_values.h"
#include "desktop/windows/installer/utils/product_info.h"
#include "gtest/gtest.h"

namespace {

TEST(CrashProductSetupTest, ValuesComeFromTheProductInformation) {
  ScopedProductInfoForTesting info(
      "{\"product_name\":\"Tarvo\",\"company_name\":\"Tarvo Software\","
      "\"crash_upload_socorro_product_name\":\"TarvoInstaller\","
      "\"urls\":{\"crashstats_collector\":\"https://crash.example.com/submit\"}}");
  InitCrashProductValues();
  const crash_reporter::CrashProductValues& values = crash_reporter::GetCrashProductValues();
  EXPECT_EQ("Tarvo", values.product_name);
  EXPECT_EQ("TarvoInstaller", values.upload_product_name);
  EXPECT_EQ("Tarvo Software", values.company_name);
  EXPECT_EQ("https://crash.example.com/submit", values.crash_server_url);
  EXPECT_EQ(product_info::GetVersion(), values.version);
  EXPECT_EQ(931610, values.build_number);
  // The build id: the date of the build time stamp and the revision.
  EXPECT_EQ("20171210317950", crash_reporter::GetCrashBuildId());
  EXPECT_EQ("tarvo", crash_reporter::GetLowerProductName());
}

}  // namespace

#include "desktop/windows/installer/crash_product_setup.h"

#include "crash_reporter/crash_product_values.h"
#include "desktop/windows/installer/utils/product_info.h"
#include "gtest/gtest.h"

namespace {

// Names unlike those other tests set, over values emptied first: every
// value seen here was put there from the product information.
TEST(CrashProductSetupTest, ValuesComeFromTheProductInformation) {
  ScopedProductInfoForTesting info(
      "{\"product_name\":\"Kelvo\",\"company_name\":\"Kelvo Works\","
      "\"crash_upload_socorro_product_name\":\"KelvoSetup\","
      "\"urls\":{\"crashstats_collector\":\"https://crash.example.com/submit\"}}");
  const crash_reporter::CrashProductValues previous = crash_reporter::GetCrashProductValues();
  crash_reporter::SetCrashProductValues(crash_reporter::CrashProductValues());
  InitCrashProductValues();
  const crash_reporter::CrashProductValues& values = crash_reporter::GetCrashProductValues();
  EXPECT_EQ("Kelvo", values.product_name);
  EXPECT_EQ("KelvoSetup", values.upload_product_name);
  EXPECT_EQ("Kelvo Works", values.company_name);
  EXPECT_EQ("https://crash.example.com/submit", values.crash_server_url);
  EXPECT_EQ(product_info::GetVersion(), values.version);
  EXPECT_EQ(931610, values.build_number);
  // The build id: the date of the build time stamp and the revision.
  EXPECT_EQ("20171210317950", crash_reporter::GetCrashBuildId());
  EXPECT_EQ("kelvo", crash_reporter::GetLowerProductName());
  crash_reporter::SetCrashProductValues(previous);
}

}  // namespace

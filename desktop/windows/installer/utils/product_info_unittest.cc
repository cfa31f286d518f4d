#include "desktop/windows/installer/utils/product_info.h"

#include "gtest/gtest.h"

namespace {

TEST(ProductInfoTest, HostResourceIsRead) {
  // The test executable carries the host's resources.
  EXPECT_EQ("Tarvo", ProductInfo::GetProductName());
  EXPECT_EQ("tarvo", ProductInfo::GetFileNameBase());
  EXPECT_EQ("TRV", product_info::GetProductCode());
  EXPECT_FALSE(ProductInfo::GetUrl("homepage").empty());
  EXPECT_EQ("51.0.2802.0", product_info::GetVersion());
  EXPECT_EQ("2802.0", product_info::GetInternalVersion());
}

TEST(ProductInfoTest, VersionFromKeys) {
  {
    ScopedProductInfoForTesting info(
        R"({"major_delta": 0, "use_chromium_major_for_minor": false})");
    EXPECT_EQ("51.0.2802.0", product_info::GetVersion());
  }
  {
    ScopedProductInfoForTesting info(R"({"major_delta": 3, "use_chromium_major_for_minor": true})");
    EXPECT_EQ("54.64.2802.0", product_info::GetVersion());
    EXPECT_EQ(64, product_info::GetMinorVersion());
  }
}

TEST(ProductInfoTest, NamesAndUrls) {
  ScopedProductInfoForTesting info(
      R"({"product_name": "Tarvo", "visible_product_name": "Tarvo",
          "urls": {"download": "https://d.example/x"}, "urls.help": "flat"})");
  EXPECT_EQ("Tarvodeveloper", product_info::GetProductNameWithChannel());
  EXPECT_EQ("Tarvo developer", product_info::GetVisibleProductNameWithChannel());
  EXPECT_EQ("https://d.example/x", ProductInfo::GetUrl("download"));
  // The dotted name reaches into "urls"; a flat key with a dot is not it.
  EXPECT_EQ("", ProductInfo::GetUrl("help"));
  EXPECT_EQ("", ProductInfo::GetUrl("missing"));
}

TEST(ProductInfoTest, MissingOrInvalidResourceGivesEmptyValues) {
  for (const char* text : {"", "[1, 2]", "{not json"}) {
    ScopedProductInfoForTesting info(text);
    EXPECT_EQ(nullptr, ProductInfo::GetInstance()) << text;
    EXPECT_EQ("", ProductInfo::GetProductName());
    EXPECT_EQ("", ProductInfo::GetCompanyName());
    EXPECT_EQ(0, ProductInfo::GetMajorDelta());
    EXPECT_FALSE(ProductInfo::IsWhiteLabeled());
  }
  // A "no resource" replacement stays in force around a nested one.
  {
    ScopedProductInfoForTesting none("");
    {
      ScopedProductInfoForTesting inner(R"({"product_name": "Inner"})");
      EXPECT_EQ("Inner", ProductInfo::GetProductName());
    }
    EXPECT_EQ(nullptr, ProductInfo::GetInstance());
  }
  EXPECT_EQ("Tarvo", ProductInfo::GetProductName());
  // A string where a number belongs reads as missing, not as garbage.
  ScopedProductInfoForTesting info(R"({"product_name": 5, "major_delta": "7"})");
  EXPECT_EQ("", ProductInfo::GetProductName());
  EXPECT_EQ("51.0.2802.0", product_info::GetVersion());
}

}  // namespace

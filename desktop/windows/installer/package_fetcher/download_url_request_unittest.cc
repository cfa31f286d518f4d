#include "desktop/windows/installer/package_fetcher/download_url_request.h"

#include <string>
#include <vector>

#include "base/command_line.h"
#include "base/values.h"
#include "desktop/windows/installer/package_fetcher/package_fetcher_switches.h"
#include "desktop/windows/installer/package_fetcher/service_request.h"
#include "desktop/windows/installer/utils/product_info.h"
#include "gtest/gtest.h"

namespace {

class DownloadUrlRequestTest : public testing::Test {
 protected:
  base::CommandLine* command_line() { return &command_line_; }

  base::CommandLine command_line_{base::CommandLine::NO_PROGRAM};
};

TEST_F(DownloadUrlRequestTest, UrlFromTheProductInformation) {
  ScopedProductInfoForTesting info(
      R"({"urls": {"autoupdate": "https://autoupdate.tarvo.example/update/"}})");
  // The channel name, not the stream name ("Developer").
  EXPECT_EQ("https://autoupdate.tarvo.example/update/v2/netinstaller/developer",
            DownloadUrlRequest::BuildUrl(command_line_, 0, {}));
  EXPECT_EQ("https://autoupdate.tarvo.example/update/v2/netinstaller/developer"
                "/windows/x64/?additional_files=localization/de.pak,tarvo_150_percent.pak",
            DownloadUrlRequest::BuildUrl(command_line_, 1,
                                         {"localization/de.pak", "tarvo_150_percent.pak"}));
}

TEST_F(DownloadUrlRequestTest, SwitchGivesTheWholeUrlAndTakesTheQuery) {
  command_line()->AppendSwitchASCII(kInternalPackageServer, "http://packages.lan/get?x=1");
  EXPECT_EQ("http://packages.lan/get?x=1&additional_files=a,b",
            DownloadUrlRequest::BuildUrl(command_line_, 1, {"a", "b"}));
  base::CommandLine other(base::CommandLine::NO_PROGRAM);
  other.AppendSwitchASCII(kInternalPackageServer, "http://p.lan/get");
  EXPECT_EQ("http://p.lan/get?additional_files=a", DownloadUrlRequest::BuildUrl(other, 0, {"a"}));
}

TEST_F(DownloadUrlRequestTest, PlainHttpServiceIsRefusedUnlessOnThisMachine) {
  {
    ScopedProductInfoForTesting info(R"({"urls": {"autoupdate": "http://au.tarvo.example/"}})");
    EXPECT_EQ("", DownloadUrlRequest::BuildUrl(command_line_, 0, {}));
  }
  {
    ScopedProductInfoForTesting info(R"({"urls": {"autoupdate": "http://localhost:8000/"}})");
    EXPECT_EQ(0u, DownloadUrlRequest::BuildUrl(command_line_, 0, {})
                      .rfind("http://localhost:8000/v2/", 0));
  }
  EXPECT_TRUE(ServiceRequest::IsAcceptableUrl("http://au.tarvo.example/", /*from_test_switch=*/true));
  EXPECT_FALSE(ServiceRequest::IsAcceptableUrl("file:///c:/x", /*from_test_switch=*/true));
}

TEST_F(DownloadUrlRequestTest, ReplyErrors) {
  DownloadUrlRequest request;
  std::string error;
  EXPECT_FALSE(request.ParseReply("{\"installer\": ", &error));
  EXPECT_EQ("Invalid JSON", error);
  EXPECT_FALSE(request.ParseReply("[1]", &error));
  EXPECT_EQ("Content is not a dictionary", error);
  // A reply past the limit is not parsed at all.
  EXPECT_FALSE(request.ParseReply("{\"a\":\"" + std::string(1 << 20, 'x') + "\"}", &error));
  EXPECT_EQ("Invalid JSON", error);

  const struct {
    const char* reply;
    const char* error;
  } cases[] = {
      {"{}", "Missing full package url"},
      {R"({"installer": 5})", "Full package url is not a string"},
      {R"({"installer": "https://d/p"})", "Missing full package checksum"},
      {R"({"installer": "https://d/p", "installer_checksum": []})",
       "Full package checksum is not a string"},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(request.ParseReply(c.reply, &error)) << c.reply;
    EXPECT_FALSE(request.ChoosePackage({}, &error)) << c.reply;
    EXPECT_EQ(c.error, error);
  }
}

TEST_F(DownloadUrlRequestTest, MinimalPackageOnlyWhenEveryNeededResourceIsOffered) {
  const std::string reply = R"({
    "installer": "https://d/full", "installer_checksum": "aa",
    "minimal_installer": "https://d/min", "minimal_installer_checksum": "bb",
    "components": [
      {"type": "downloadable_resource", "filename": "localization/de.pak"},
      {"type": "partner_content", "filename": "tarvo_150_percent.pak"}]})";
  DownloadUrlRequest request;
  std::string error;
  ASSERT_TRUE(request.ParseReply(reply, &error));
  ASSERT_TRUE(request.ChoosePackage({}, &error));
  EXPECT_EQ("https://d/full", request.package_url());
  EXPECT_FALSE(request.minimal_package());
  ASSERT_TRUE(request.ChoosePackage({"localization/de.pak"}, &error));
  EXPECT_EQ("https://d/min", request.package_url());
  EXPECT_EQ("bb", request.package_checksum());
  EXPECT_TRUE(request.minimal_package());
  // Offered only as another type.
  ASSERT_TRUE(request.ChoosePackage({"localization/de.pak", "tarvo_150_percent.pak"}, &error));
  EXPECT_EQ("https://d/full", request.package_url());
  EXPECT_EQ("aa", request.package_checksum());
  EXPECT_FALSE(request.minimal_package());
}

TEST_F(DownloadUrlRequestTest, AbbreviatesLongTextsForEvents) {
  EXPECT_EQ("short", ServiceRequest::Abbreviate("short", 10));
  EXPECT_EQ("abcd...", ServiceRequest::Abbreviate("abcdefgh", 4));
  // Not inside a UTF-8 sequence.
  EXPECT_EQ("ab...", ServiceRequest::Abbreviate("ab\xc3\xbc" "cd", 3));
}

}  // namespace

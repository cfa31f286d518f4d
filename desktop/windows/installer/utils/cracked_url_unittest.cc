#include "desktop/windows/installer/utils/cracked_url.h"

#include "gtest/gtest.h"

namespace {

TEST(CrackedUrlTest, KeepsTheQueryAsGivenAndKnowsDefaultPorts) {
  CrackedUrl parts;
  ASSERT_TRUE(CrackUrl(L"https://dl.tarvo.example/p/a%20b.7z?sig=x%2By%3D&e=%26", &parts));
  EXPECT_TRUE(parts.secure());
  EXPECT_EQ(L"dl.tarvo.example", parts.host);
  EXPECT_EQ(443, parts.port);
  EXPECT_EQ(L"/p/a%20b.7z?sig=x%2By%3D&e=%26", parts.path);
  ASSERT_TRUE(CrackUrl(L"http://localhost:8080", &parts));
  EXPECT_FALSE(parts.secure());
  EXPECT_EQ(8080, parts.port);
  EXPECT_EQ(L"/", parts.path);
  EXPECT_FALSE(CrackUrl(L"ftp://localhost/x", &parts));
  EXPECT_FALSE(CrackUrl(L"file:///c:/x", &parts));
  EXPECT_FALSE(CrackUrl(L"not a url", &parts));
  EXPECT_FALSE(CrackUrl(L"", &parts));
}

TEST(CrackedUrlTest, HostsMatchBySuffix) {
  const std::vector<std::wstring> allowed = {L".tarvo.example", L"localhost"};
  EXPECT_TRUE(IsHostAllowed(L"dl.tarvo.example", allowed));
  EXPECT_FALSE(IsHostAllowed(L"tarvo.example.evil", allowed));
  EXPECT_FALSE(IsHostAllowed(L"DL.TARVO.EXAMPLE", allowed));
  EXPECT_FALSE(IsHostAllowed(L"127.0.0.1", allowed));
  EXPECT_TRUE(IsHostAllowed(L"anything", {}));
  EXPECT_TRUE(IsHostAllowed(L"anything", {L""}));
}

TEST(CrackedUrlTest, RedirectTargets) {
  CrackedUrl from;
  ASSERT_TRUE(CrackUrl(L"https://au.tarvo.example:8443/v2/get?x=1", &from));
  EXPECT_EQ(L"https://au.tarvo.example:8443/other", ResolveLocation(L"/other", from));
  EXPECT_EQ(L"https://au.tarvo.example:8443/v2/next", ResolveLocation(L"next", from));
  EXPECT_EQ(L"https://cdn.tarvo.example/p", ResolveLocation(L"//cdn.tarvo.example/p", from));
  EXPECT_EQ(L"HTTPS://cdn.tarvo.example/p", ResolveLocation(L"HTTPS://cdn.tarvo.example/p", from));

  const std::vector<std::wstring> allowed = {L".tarvo.example"};
  CrackedUrl to;
  EXPECT_EQ("", CheckRedirect(from, L"https://cdn.tarvo.example/p", allowed, &to));
  EXPECT_EQ(L"cdn.tarvo.example", to.host);
  // Never from HTTPS down to HTTP, even on an allowed host.
  EXPECT_EQ("Redirect from HTTPS to HTTP refused http://cdn.tarvo.example/p",
            CheckRedirect(from, L"http://cdn.tarvo.example/p", allowed, &to));
  EXPECT_EQ("Redirect URL is disallowed https://evil.example/p",
            CheckRedirect(from, L"https://evil.example/p", allowed, &to));
  EXPECT_EQ("Redirect URL failed to parse ftp://cdn.tarvo.example/p",
            CheckRedirect(from, L"ftp://cdn.tarvo.example/p", allowed, &to));
  CrackedUrl plain;
  ASSERT_TRUE(CrackUrl(L"http://localhost/x", &plain));
  EXPECT_EQ("", CheckRedirect(plain, L"https://localhost/y", {}, &to));
}

}  // namespace

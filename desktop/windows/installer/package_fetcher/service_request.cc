#include "desktop/windows/installer/package_fetcher/service_request.h"

#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/utils/product_info.h"
#include "desktop/windows/installer/utils/cracked_url.h"

namespace {

constexpr char kMainDomainSuffix[] = ".tarvo.example";
constexpr const char* kInternalServiceSuffixes[] = {".tarvo.net", ".tarvo-cdn.net",
                                                    ".tarvo.internal"};

}  // namespace

// static
std::vector<std::wstring> ServiceRequest::AllowedHosts() {
  std::vector<std::wstring> hosts;
  const std::string domain = ProductInfo::GetDomain();
  if (!domain.empty() && domain != kMainDomainSuffix && "." + domain != kMainDomainSuffix)
    hosts.push_back(base::UTF8ToWide(domain));
  hosts.push_back(base::UTF8ToWide(kMainDomainSuffix));
  for (const char* suffix : kInternalServiceSuffixes)
    hosts.push_back(base::UTF8ToWide(suffix));
  hosts.push_back(L"localhost");
  hosts.push_back(L"127.0.0.1");
  return hosts;
}

// static
bool ServiceRequest::IsAcceptableUrl(const std::string& url, bool from_test_switch) {
  CrackedUrl parts;
  if (!CrackUrl(base::UTF8ToWide(url), &parts))
    return false;
  return parts.secure() || from_test_switch || IsLoopbackHost(parts.host);
}

// static
std::string ServiceRequest::Abbreviate(const std::string& text, size_t max_size) {
  if (text.size() <= max_size)
    return text;
  size_t end = max_size;
  // Never split a UTF-8 sequence.
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
    --end;
  return text.substr(0, end) + "...";
}

#include "desktop/windows/installer/service/service_utils.h"

#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/product_info.h"

std::wstring GetBrowserExeName() {
  return base::UTF8ToWide(ProductInfo::GetFileNameBase()) + L".exe";
}

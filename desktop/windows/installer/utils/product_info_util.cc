#include "desktop/windows/installer/utils/product_info_util.h"

#include <atomic>

#include "base/lazy_instance.h"
#include "desktop/windows/installer/utils/product_info.h"

namespace {

base::LazyInstance<ProductInfoUtil> g_product_info_util = LAZY_INSTANCE_INITIALIZER;
std::atomic<ProductInfoUtil*> g_replacement{nullptr};

}  // namespace

std::string ProductInfoUtil::GetStreamName() const {
  return product_info::GetChannelName();
}

std::string ProductInfoUtil::GetInternalVersion() const {
  return product_info::GetInternalVersion();
}

ProductInfoUtil* GetProductInfoUtil() {
  if (ProductInfoUtil* replacement = g_replacement.load())
    return replacement;
  return g_product_info_util.Pointer();
}

ScopedProductInfoUtilForTesting::ScopedProductInfoUtilForTesting(ProductInfoUtil* replacement)
    : previous_(g_replacement.exchange(replacement)) {}

ScopedProductInfoUtilForTesting::~ScopedProductInfoUtilForTesting() {
  g_replacement.store(previous_);
}

#ifndef DESKTOP_WINDOWS_INSTALLER_UTILS_PRODUCT_INFO_UTIL_H_
#define DESKTOP_WINDOWS_INSTALLER_UTILS_PRODUCT_INFO_UTIL_H_

#include <string>

// The stream and the internal version of the running installer, which the
// package version checks compare downloaded items with.
class ProductInfoUtil {
 public:
  virtual ~ProductInfoUtil() = default;

  // The channel name ("developer").
  virtual std::string GetStreamName() const;
  // The build and patch components ("2802.0").
  virtual std::string GetInternalVersion() const;
};

// The process-wide instance, made on first use.
ProductInfoUtil* GetProductInfoUtil();

// Makes `replacement` the process-wide instance while alive.
class ScopedProductInfoUtilForTesting {
 public:
  explicit ScopedProductInfoUtilForTesting(ProductInfoUtil* replacement);
  ~ScopedProductInfoUtilForTesting();
  ScopedProductInfoUtilForTesting(const ScopedProductInfoUtilForTesting&) = delete;
  ScopedProductInfoUtilForTesting& operator=(const ScopedProductInfoUtilForTesting&) = delete;

 private:
  ProductInfoUtil* const previous_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_UTILS_PRODUCT_INFO_UTIL_H_

#include "desktop/windows/installer/steps/firewall/browser_name_provider.h"

#include "base/no_destructor.h"

BrowserNameProvider* BrowserNameProvider::GetInstance() {
  static base::NoDestructor<BrowserNameProvider> instance;
  return instance.get();
}

std::wstring BrowserNameProvider::GetDisplayName() const {
  return L"Tarvo developer Internet Browser";
}

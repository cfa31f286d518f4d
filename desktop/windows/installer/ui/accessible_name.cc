#include "desktop/windows/installer/ui/accessible_name.h"

#include <oleacc.h>
#include <wrl/client.h>

#include "base/logging.h"

namespace {

ScopedAccessibleNamesForTesting* g_names_for_testing = nullptr;

}  // namespace

void SetAccessibleName(HWND control, const std::wstring& name) {
  if (!control)
    return;
  if (g_names_for_testing) {
    g_names_for_testing->Record(control, name);
    return;
  }
  Microsoft::WRL::ComPtr<IAccPropServices> services;
  HRESULT result = CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER,
                                    IID_IAccPropServices,
                                    reinterpret_cast<void**>(services.GetAddressOf()));
  if (SUCCEEDED(result)) {
    result = services->SetHwndPropStr(control, OBJID_CLIENT, CHILDID_SELF, PROPID_ACC_NAME,
                                      name.c_str());
  }
  if (FAILED(result)) {
    VLOG(1) << "Control " << GetDlgCtrlID(control) << " has no accessible name, error 0x"
            << std::hex << static_cast<unsigned long>(result);
  }
}

ScopedAccessibleNamesForTesting::ScopedAccessibleNamesForTesting()
    : previous_(g_names_for_testing) {
  g_names_for_testing = this;
}

ScopedAccessibleNamesForTesting::~ScopedAccessibleNamesForTesting() {
  g_names_for_testing = previous_;
}

std::wstring ScopedAccessibleNamesForTesting::NameOf(HWND control) const {
  auto found = names_.find(control);
  return found == names_.end() ? std::wstring() : found->second;
}

#include "desktop/windows/installer/dpi_util.h"

#include <windows.h>

#include <cmath>

#include "base/logging.h"
#include "base/win/windows_version.h"

namespace {

constexpr int kSystemDpiAware = 1;
constexpr int kPerMonitorDpiAware = 2;
constexpr int kMonitorDpiEffective = 0;
constexpr double kDefaultDpi = 96.0;

using SetProcessDpiAwarenessInternalFunction = HRESULT(WINAPI*)(int);
using GetDpiForMonitorFunction = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
using GetProcessDpiAwarenessFunction = HRESULT(WINAPI*)(HANDLE, int*);

template <typename Function>
Function LookUp(const wchar_t* module_name, const char* function_name) {
  HMODULE module = GetModuleHandleW(module_name);
  if (!module)
    module = LoadLibraryExW(module_name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  return module ? reinterpret_cast<Function>(GetProcAddress(module, function_name)) : nullptr;
}

// Looked up once per process.
GetDpiForMonitorFunction GetDpiForMonitorFromShcore() {
  static GetDpiForMonitorFunction function =
      LookUp<GetDpiForMonitorFunction>(L"shcore.dll", "GetDpiForMonitor");
  return function;
}

bool IsPerMonitorDpiAware() {
  static GetProcessDpiAwarenessFunction function =
      LookUp<GetProcessDpiAwarenessFunction>(L"shcore.dll", "GetProcessDpiAwareness");
  int awareness = 0;
  return function && SUCCEEDED(function(nullptr, &awareness)) &&
         awareness == kPerMonitorDpiAware;
}

// The monitor-enumeration callback: adds one monitor's scale to the list.
BOOL CALLBACK GetDpiForMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM data) {
  auto* scales = reinterpret_cast<std::vector<double>*>(data);
  UINT dpi_x = 0;
  UINT dpi_y = 0;
  GetDpiForMonitorFunction get_dpi = GetDpiForMonitorFromShcore();
  if (IsPerMonitorDpiAware() && get_dpi &&
      SUCCEEDED(get_dpi(monitor, kMonitorDpiEffective, &dpi_x, &dpi_y))) {
    scales->push_back(dpi_x / kDefaultDpi);
    return TRUE;
  }
  HDC screen = GetDC(nullptr);
  scales->push_back(GetDeviceCaps(screen, LOGPIXELSX) / kDefaultDpi);
  ReleaseDC(nullptr, screen);
  return TRUE;
}

}  // namespace

void EnableDpiAwareness() {
  auto set_awareness = LookUp<SetProcessDpiAwarenessInternalFunction>(
      L"user32.dll", "SetProcessDpiAwarenessInternal");
  if (!set_awareness)
    return;
  int awareness = base::win::GetVersion() >= base::win::VERSION_WIN10 ? kPerMonitorDpiAware
                                                                       : kSystemDpiAware;
  HRESULT result = set_awareness(awareness);
  if (SUCCEEDED(result)) {
    VLOG(1) << "SetProcessDpiAwareness succeeded.";
  } else if (result == E_ACCESSDENIED) {
    LOG(ERROR) << "Access denied error from SetProcessDpiAwareness. Function called twice, or "
                  "manifest was used.";
  }
}

std::set<int> CollectMonitorDpi(const std::vector<double>& scales) {
  std::set<int> ids;
  for (double scale : scales) {
    const DpiScale* nearest = &kDpiScales[0];
    for (const DpiScale& row : kDpiScales) {
      if (std::fabs(row.factor - scale) < std::fabs(nearest->factor - scale))
        nearest = &row;
    }
    ids.insert(nearest->id);
  }
  return ids;
}

std::set<int> GetMonitorDpis() {
  std::vector<double> scales;
  EnumDisplayMonitors(nullptr, nullptr, &GetDpiForMonitor, reinterpret_cast<LPARAM>(&scales));
  return CollectMonitorDpi(scales);
}

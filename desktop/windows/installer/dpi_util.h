#ifndef DESKTOP_WINDOWS_INSTALLER_DPI_UTIL_H_
#define DESKTOP_WINDOWS_INSTALLER_DPI_UTIL_H_

#include <set>
#include <vector>

// Rows of the scale table: {id, factor}.
struct DpiScale {
  int id;
  double factor;
};
inline constexpr DpiScale kDpiScales[] = {{0, 1.0}, {1, 1.25}, {2, 1.5}, {3, 2.0}, {4, 2.5}};

// System aware before Windows 10, per-monitor aware from Windows 10 on.
void EnableDpiAwareness();

// Maps scale factors to the ids of the nearest table rows (on a tie the
// earlier row wins), without duplicates.
std::set<int> CollectMonitorDpi(const std::vector<double>& scales);

// The scale ids of all monitors; the controllers fetch the scale-factor
// packs of a minimal package by them.
std::set<int> GetMonitorDpis();

#endif  // DESKTOP_WINDOWS_INSTALLER_DPI_UTIL_H_

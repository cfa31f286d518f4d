#include "desktop/windows/installer/utils/starter_process.h"

#include <windows.h>

#include <tlhelp32.h>

namespace {

DWORD FindParentProcessId() {
  base::win::ScopedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot.IsValid())
    return 0;
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof(entry);
  const DWORD own = GetCurrentProcessId();
  for (BOOL found = Process32FirstW(snapshot.Get(), &entry); found;
       found = Process32NextW(snapshot.Get(), &entry)) {
    if (entry.th32ProcessID == own)
      return entry.th32ParentProcessID;
  }
  return 0;
}

bool GetCreationTime(HANDLE process, FILETIME* created) {
  FILETIME exited, kernel, user;
  return GetProcessTimes(process, created, &exited, &kernel, &user) != FALSE;
}

}  // namespace

base::win::ScopedHandle OpenStarterProcess() {
  const DWORD parent_pid = FindParentProcessId();
  if (parent_pid == 0)
    return base::win::ScopedHandle();
  base::win::ScopedHandle parent(
      OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, parent_pid));
  FILETIME parent_created, own_created;
  if (!parent.IsValid() || !GetCreationTime(parent.Get(), &parent_created) ||
      !GetCreationTime(GetCurrentProcess(), &own_created) ||
      CompareFileTime(&parent_created, &own_created) > 0) {
    return base::win::ScopedHandle();
  }
  return parent;
}

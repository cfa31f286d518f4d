#ifndef BASE_WIN_WMI_H_
#define BASE_WIN_WMI_H_

#include <string>

namespace base {
namespace win {

// Starts |command_line| through WMI (Win32_Process.Create), so the new
// process is not a child of this one and outlives any job this process is
// in. COM must be initialized on the calling thread. On success
// |process_id| (optional) receives the new process's id.
bool WmiLaunchProcess(const std::wstring& command_line, int* process_id);

}  // namespace win
}  // namespace base

#endif  // BASE_WIN_WMI_H_

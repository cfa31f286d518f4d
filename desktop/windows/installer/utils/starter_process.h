#ifndef DESKTOP_WINDOWS_INSTALLER_UTILS_STARTER_PROCESS_H_
#define DESKTOP_WINDOWS_INSTALLER_UTILS_STARTER_PROCESS_H_

#include "base/win/scoped_handle.h"

// The process that started this one (its parent; an elevated start names
// the process that asked for it), opened to wait for its end. Invalid when
// it has ended already: its process id may then name a later process,
// which a parent made after this process cannot be.
base::win::ScopedHandle OpenStarterProcess();

#endif  // DESKTOP_WINDOWS_INSTALLER_UTILS_STARTER_PROCESS_H_

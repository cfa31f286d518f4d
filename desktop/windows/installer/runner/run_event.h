#ifndef DESKTOP_WINDOWS_INSTALLER_RUNNER_RUN_EVENT_H_
#define DESKTOP_WINDOWS_INSTALLER_RUNNER_RUN_EVENT_H_

#include "base/files/file_path.h"
#include "base/win/scoped_handle.h"

// An event the main process sets for the backends of its run, named after
// the installation folder. It is made open only to the user, SYSTEM and
// the Administrators; one of its name that is already there is used only
// when one of them owns it (an earlier run left it), and is cleared first.
//
// The package being installed may hold an installer older than the one
// that runs it, and its backend takes over the run: a backend of a version
// before folder keys names the event after the folder as its command line
// spells it. So the event is also made under that name when it differs,
// and set with the other.
class RunEvent {
 public:
  RunEvent();
  ~RunEvent();
  RunEvent(const RunEvent&) = delete;
  RunEvent& operator=(const RunEvent&) = delete;

  // `folder` as the backends get it on their command line. False when the
  // event of today's name could not be made.
  bool Create(const base::FilePath& folder, const wchar_t* name);
  bool IsValid() const { return event_.IsValid(); }
  void Set();
  void Close();

 private:
  base::win::ScopedHandle event_;
  // Under the name of the folder as spelt, when that is another name.
  base::win::ScopedHandle spelt_event_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_RUNNER_RUN_EVENT_H_

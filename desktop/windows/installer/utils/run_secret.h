#ifndef DESKTOP_WINDOWS_INSTALLER_UTILS_RUN_SECRET_H_
#define DESKTOP_WINDOWS_INSTALLER_UTILS_RUN_SECRET_H_

#include <windows.h>

#include <string>
#include <string_view>

#include "base/process/process_handle.h"
#include "base/win/scoped_handle.h"

namespace base {
class CommandLine;
}

// The secret of one run: random bytes the main process makes for each
// backend it launches. Every installer message of its backends carries it,
// and the main process drops a message that carries another one, such as
// one of a backend of an earlier run still writing to the folder's
// mailslot. (A backend of an earlier version writes no secret; its messages
// are read, and no message alone decides a run's outcome.) It travels only
// inside a handle: a command line can be
// read by every process of the user, a handle only by a process that may
// copy it out of ours. A backend hands the same secret on to the installer
// processes it starts (a child it launches inherits the handle; its
// elevated copy, which cannot inherit, copies the handle out of it).
class RunSecret {
 public:
  static constexpr size_t kSize = 32;

  // Empty: a process started without a secret.
  RunSecret();
  ~RunSecret();
  RunSecret(const RunSecret&);
  RunSecret& operator=(const RunSecret&);

  static RunSecret Generate();
  // Only for tests and fuzz seeds.
  static RunSecret FromBytesForTesting(std::string bytes);

  // The secret the process that started this one handed over through
  // "run-secret-handle" (and "run-secret-owner"); empty when there is none
  // or it cannot be read. An inherited handle is closed once read.
  static RunSecret TakeFromCommandLine(const base::CommandLine& command_line);

  bool empty() const { return bytes_.empty(); }
  const std::string& bytes() const { return bytes_; }
  // Compares in constant time; an empty secret matches nothing.
  bool Matches(std::string_view candidate) const;

  // A new read-only section that holds the secret; invalid on failure or
  // when the secret is empty.
  base::win::ScopedHandle Share(bool inheritable) const;
  // Names `shared` on a child's command line: inherited by the child when
  // `owner` is 0, otherwise to be copied out of process `owner`, which must
  // keep the handle open until the child has ended.
  static void AppendSwitches(HANDLE shared, base::ProcessId owner,
                             base::CommandLine* command_line);

 private:
  explicit RunSecret(std::string bytes);

  std::string bytes_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_UTILS_RUN_SECRET_H_

#ifndef DESKTOP_WINDOWS_INSTALLER_WORK_DIRECTORY_H_
#define DESKTOP_WINDOWS_INSTALLER_WORK_DIRECTORY_H_

#include <string>

namespace base {
class FilePath;
}

// What becomes of a work folder `name` that is there already.
enum class ExistingWorkFolder {
  // Used: it lies in a folder of the user's own profile, where only the
  // user's programs make folders.
  kUse,
  // Left alone for a new private folder beside it: in a folder that other
  // accounts may write, it may be another account's, which could swap the
  // folders a run makes inside it for its own.
  kMakeOwnBeside,
};

// Makes `folder`\`name` and, when `program` is not empty, checks that a copy
// of the program can be started there (some machines forbid running
// programs from the temporary folder). On success `folder` is the work
// folder; on failure an empty folder made here is removed again.
bool CanRunProgramInDirectory(const std::wstring& name,
                              const base::FilePath& program,
                              base::FilePath* folder,
                              ExistingWorkFolder existing = ExistingWorkFolder::kUse);

// The same, starting from the path service's folder for `key`.
bool TryWorkDirectoryFromPathKey(const std::wstring& name,
                                 const base::FilePath& program,
                                 base::FilePath* folder,
                                 int key,
                                 ExistingWorkFolder existing = ExistingWorkFolder::kUse);

// Tries the temporary folder, Downloads, the home folder and the
// executable's folder, in that order.
bool FindUsableWorkDirectory(const std::wstring& name,
                             const base::FilePath& program,
                             base::FilePath* folder);

#endif  // DESKTOP_WINDOWS_INSTALLER_WORK_DIRECTORY_H_

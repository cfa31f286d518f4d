#ifndef DESKTOP_WINDOWS_INSTALLER_SIGNATURE_CHECKER_PROGRAM_RUN_POLICY_H_
#define DESKTOP_WINDOWS_INSTALLER_SIGNATURE_CHECKER_PROGRAM_RUN_POLICY_H_

#include <string>

#include "base/files/file_path.h"

// Whether an installer whose executable is `installer` may run `program`, a
// program it found on disk rather than one it unpacked and verified itself.
// A signed installer, or one whose own image cannot be read, runs only
// programs whose signature VerifyFileSignature accepts; a build without a
// certificate table (a developer's or a test's) runs any, as it accepts
// unsigned packages too. `error`, when not null, receives why a program
// is refused.
bool IsProgramAllowedToRun(const base::FilePath& installer,
                           const base::FilePath& program,
                           std::string* error);

// The same for the running executable as the installer.
bool IsProgramAllowedToRun(const base::FilePath& program, std::string* error);

#endif  // DESKTOP_WINDOWS_INSTALLER_SIGNATURE_CHECKER_PROGRAM_RUN_POLICY_H_

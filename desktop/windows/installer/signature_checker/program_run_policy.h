#ifndef DESKTOP_WINDOWS_INSTALLER_SIGNATURE_CHECKER_PROGRAM_RUN_POLICY_H_
#define DESKTOP_WINDOWS_INSTALLER_SIGNATURE_CHECKER_PROGRAM_RUN_POLICY_H_

#include <string>

#include "base/files/file_path.h"

// Whether an installer may run `program`, a program it found on disk rather
// than one it unpacked and verified itself. A signed installer
// (`installer_signed`) runs only programs whose signature
// VerifyFileSignature accepts; an unsigned build (a developer's or a
// test's) runs any, as it accepts unsigned packages too. `error`, when not
// null, receives why a program is refused.
bool IsProgramAllowedToRun(bool installer_signed,
                           const base::FilePath& program,
                           std::string* error);

// The same for the running program as the installer, signed or not as its
// loaded image says (RunningImageHasCertificateTable).
bool IsProgramAllowedToRun(const base::FilePath& program, std::string* error);

#endif  // DESKTOP_WINDOWS_INSTALLER_SIGNATURE_CHECKER_PROGRAM_RUN_POLICY_H_

#include "desktop/windows/installer/signature_checker/program_run_policy.h"

#include "desktop/windows/installer/signature_checker/signature_checker.h"

bool IsProgramAllowedToRun(bool installer_signed,
                           const base::FilePath& program,
                           std::string* error) {
  if (!installer_signed)
    return true;
  return VerifyFileSignature(program, error);
}

bool IsProgramAllowedToRun(const base::FilePath& program, std::string* error) {
  return IsProgramAllowedToRun(RunningImageHasCertificateTable(), program, error);
}

#include "desktop/windows/installer/signature_checker/program_run_policy.h"

#include "base/base_paths.h"
#include "base/path_service.h"
#include "desktop/windows/installer/signature_checker/signature_checker.h"

bool IsProgramAllowedToRun(const base::FilePath& installer,
                           const base::FilePath& program,
                           std::string* error) {
  bool has_table = false;
  // An installer image we cannot read counts as signed: the check happens.
  if (HasCertificateTable(installer, &has_table) && !has_table)
    return true;
  return VerifyFileSignature(program, error);
}

bool IsProgramAllowedToRun(const base::FilePath& program, std::string* error) {
  base::FilePath installer;
  if (!base::PathService::Get(base::FILE_EXE, &installer))
    installer.clear();
  return IsProgramAllowedToRun(installer, program, error);
}

#include "desktop/windows/installer/utils/test_support/scoped_installer_error_record.h"

#include "desktop/windows/installer/utils/installer_error_record.h"

ScopedInstallerErrorRecord::ScopedInstallerErrorRecord() {
  InitInstallerErrorRecord();
}

ScopedInstallerErrorRecord::~ScopedInstallerErrorRecord() {
  FreeInstallerErrorRecord();
}

std::string ScopedInstallerErrorRecord::detail() const {
  std::string detail;
  GetInstallerError(nullptr, &detail, nullptr);
  return detail;
}

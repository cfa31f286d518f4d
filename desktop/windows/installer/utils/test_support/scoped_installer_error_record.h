#ifndef DESKTOP_WINDOWS_INSTALLER_UTILS_TEST_SUPPORT_SCOPED_INSTALLER_ERROR_RECORD_H_
#define DESKTOP_WINDOWS_INSTALLER_UTILS_TEST_SUPPORT_SCOPED_INSTALLER_ERROR_RECORD_H_

#include <string>

// Gives the creating thread an installer error record for the object's
// lifetime, as an installer process's entry point does.
class ScopedInstallerErrorRecord {
 public:
  ScopedInstallerErrorRecord();
  ~ScopedInstallerErrorRecord();
  ScopedInstallerErrorRecord(const ScopedInstallerErrorRecord&) = delete;
  ScopedInstallerErrorRecord& operator=(const ScopedInstallerErrorRecord&) = delete;

  // The detail the record holds so far.
  std::string detail() const;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_UTILS_TEST_SUPPORT_SCOPED_INSTALLER_ERROR_RECORD_H_

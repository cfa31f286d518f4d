#ifndef DESKTOP_WINDOWS_INSTALLER_UTILS_INSTALLER_ERROR_RECORD_H_
#define DESKTOP_WINDOWS_INSTALLER_UTILS_INSTALLER_ERROR_RECORD_H_

#include <cstdint>
#include <string>

#include "desktop/windows/installer/utils/installer_result.h"

// The most recent failure on one thread: carried from where a failure is
// detected to where it is reported. Only threads that asked for one have a
// record; on other threads the setters do nothing.
struct InstallerErrorRecord {
  uint32_t code = 0;
  std::wstring message;  // For the user.
  std::string detail;    // For the log and statistics, UTF-8.
};

// Gives this thread a fresh record (code 0, empty texts).
void InitInstallerErrorRecord();

// Frees this thread's record, if any.
void FreeInstallerErrorRecord();

// Replaces all three fields. Returns false, so that a failing function can
// end with `return SetInstallerError(...)`.
bool SetInstallerError(uint32_t code, const std::string& detail, const std::wstring& message);

// Sets the code when `code` is not 0, the message when `message` is not
// empty, and appends a line feed and `detail` to the detail. Returns false.
bool AppendInstallerError(const std::string& detail,
                          uint32_t code = 0,
                          const std::wstring& message = std::wstring());

// Copies the three fields; all empty (code 0) on a thread without a record.
void GetInstallerError(uint32_t* code, std::string* detail, std::wstring* message);
InstallerResult GetInstallerErrorCode();

bool HasInstallerErrorRecord();

// Puts this thread's record back, when it goes, as it was when it was made:
// around a try whose failure is no failure of the caller, so that its texts
// do not linger.
class ScopedInstallerErrorKeeper {
 public:
  ScopedInstallerErrorKeeper();
  ~ScopedInstallerErrorKeeper();
  ScopedInstallerErrorKeeper(const ScopedInstallerErrorKeeper&) = delete;
  ScopedInstallerErrorKeeper& operator=(const ScopedInstallerErrorKeeper&) = delete;

 private:
  uint32_t code_ = 0;
  std::string detail_;
  std::wstring message_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_UTILS_INSTALLER_ERROR_RECORD_H_

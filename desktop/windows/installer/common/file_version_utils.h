#ifndef DESKTOP_WINDOWS_INSTALLER_COMMON_FILE_VERSION_UTILS_H_
#define DESKTOP_WINDOWS_INSTALLER_COMMON_FILE_VERSION_UTILS_H_

#include <string>

#include "base/files/file.h"
#include "base/files/file_path.h"
#include "base/version.h"

// Reads the version of a package or component file. The internal version
// is made of the third and fourth numbers of a full version of four (or
// five) numbers. Failures are left in the thread's error record.
class FileVersionUtils {
 public:
  virtual ~FileVersionUtils() = default;

  // From the version resource ("ProductVersion" and "Stream" of the
  // 000004B0 string table). `stream` may be null.
  virtual bool GetVersionFromResources(const base::FilePath& path, base::Version* full_version,
                                       base::Version* internal_version, std::string* stream) = 0;
  // From what the executable prints for "--version" and "--stream".
  virtual bool GetVersionFromExeOutput(const base::FilePath& path, base::Version* full_version,
                                       base::Version* internal_version, std::string* stream) = 0;
};

// The internal version of `full_version`; invalid when it has not four or
// five numbers.
base::Version GetInternalVersionOf(const base::Version& full_version);

// The full and internal versions of a version resource's "ProductVersion"
// text; false, with the reason in the error record, when either is invalid.
bool ParseProductVersion(const std::wstring& text, base::Version* full_version,
                         base::Version* internal_version);

// As FileVersionUtils::GetVersionFromResources, from the version resource in
// the bytes behind `file` (open for reading, shared for reading only): what
// is judged is what the holder of `file` goes on to use.
bool GetVersionFromOpenFile(const base::File& file, base::Version* full_version,
                            base::Version* internal_version, std::string* stream);

#endif  // DESKTOP_WINDOWS_INSTALLER_COMMON_FILE_VERSION_UTILS_H_

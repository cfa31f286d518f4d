#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_TEST_SUPPORT_JOURNAL_FILE_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_TEST_SUPPORT_JOURNAL_FILE_H_

#include <string>

#include "base/files/file_path.h"
#include "desktop/windows/installer/utils/object_writers.h"

// Writes `text` as the run's journal in `folder`, replacing any, made as a
// run of the class `writers` makes its own.
bool WriteJournalFile(const base::FilePath& folder,
                      const std::string& text,
                      ObjectWriters writers = ObjectWriters::kCurrentUser);

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_TEST_SUPPORT_JOURNAL_FILE_H_

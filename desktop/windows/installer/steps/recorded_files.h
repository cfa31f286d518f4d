#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_RECORDED_FILES_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_RECORDED_FILES_H_

#include <vector>

#include "base/files/file_path.h"

// Appends `file` to a status record's file list unless the list already
// names it (paths compare ignoring ASCII case, as Windows does; "/" is
// recorded as "\\"): a file that two steps put in place, or a step run
// again, is recorded once.
void RecordFileOnce(std::vector<base::FilePath>* files, const base::FilePath& file);

// RecordFileOnce for each of `new_files` in order, in one pass: a package's
// hundreds of files are not each compared with every one recorded before.
void RecordFilesOnce(std::vector<base::FilePath>* files,
                     const std::vector<base::FilePath>& new_files);

// Removes every entry naming `file` (compared as RecordFileOnce does): a
// file a step took away again is no longer installed.
void ForgetFile(std::vector<base::FilePath>* files, const base::FilePath& file);

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_RECORDED_FILES_H_

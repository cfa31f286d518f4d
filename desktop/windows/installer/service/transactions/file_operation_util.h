#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_FILE_OPERATION_UTIL_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_FILE_OPERATION_UTIL_H_

#include <windows.h>

#include <string>
#include <string_view>

#include "base/files/file_path.h"
#include "desktop/windows/installer/utils/folder_boundary.h"

class Transaction;

// Helpers shared by the file operations.

// Adds |text| to what |error| holds (when |error| is given).
void AppendOperationError(std::string* error, std::string_view text);
// Replaces what |error| holds with |text| (when |error| is given).
void SetOperationError(std::string* error, std::string_view text);

// Clears the read-only attribute of |path| when it is set. True when the
// attribute is clear at the end.
bool ClearReadOnlyAttribute(const base::FilePath& path);

// Removes |folder| and then its parents, one by one, as long as they are
// empty; stops at the first folder that cannot be removed, and never
// removes |stop_at| or anything above it, nor anything outside it: an empty
// |stop_at| removes nothing. Folders on the way that no longer exist are
// passed over.
void RemoveEmptyFoldersUpward(const base::FilePath& folder, const base::FilePath& stop_at);

// Renames |from| to |to| without replacing anything; the Windows error code
// (ERROR_SUCCESS on success). A link at |from| is renamed itself or not at
// all (FolderBoundary::RenameEntry).
DWORD RenamePath(const base::FilePath& from, const base::FilePath& to);

// False, with |error| set (when given), when |path| lies below a folder of
// the boundary |transaction| keeps and a link leads there; |last| says
// whether a link as its last component counts.
bool IsPathClearOfLinks(const Transaction* transaction,
                        const base::FilePath& path,
                        FolderBoundary::LastComponent last,
                        std::string* error);

// The ASCII-case-insensitive equality of two paths, trailing separators
// ignored.
bool PathsEqualIgnoreCase(const base::FilePath& a, const base::FilePath& b);

// Whether |path| names a program or a library (".exe", ".dll", any case).
bool IsProgramOrLibrary(const base::FilePath& path);

// Whether |path| can be opened for writing; ERROR_SUCCESS or the error. A
// running program or a loaded library gives a sharing violation.
DWORD TryOpenForWriting(const base::FilePath& path);

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_FILE_OPERATION_UTIL_H_

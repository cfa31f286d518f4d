#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_MAKE_ROOM_FOR_FILE_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_MAKE_ROOM_FOR_FILE_H_

#include <string>
#include <string_view>

#include "base/files/file_path.h"

class Transaction;

// What an operation adds to its error text when making room fails.
struct MakeRoomErrorTexts {
  std::string_view folder_not_created;
  std::string_view not_moved_aside;
};

// Gets `destination` ready to receive a file, through `sub_operations`: a
// missing parent folder is created, or whatever lies at `destination` is
// moved aside (DeleteFileOperation without the in-use check, so that a
// rollback puts it back and the commit removes it). False, with the
// matching text appended to `error` (may be null), when that fails.
bool MakeRoomForFile(const base::FilePath& destination,
                     Transaction* sub_operations,
                     const MakeRoomErrorTexts& texts,
                     std::string* error);

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_MAKE_ROOM_FOR_FILE_H_

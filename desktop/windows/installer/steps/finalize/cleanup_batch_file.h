#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_FINALIZE_CLEANUP_BATCH_FILE_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_FINALIZE_CLEANUP_BATCH_FILE_H_

#include <windows.h>

#include <string>
#include <vector>

#include "base/files/file_path.h"
#include "base/process/process_handle.h"

inline constexpr wchar_t kCleanupBatchFileName[] = L"k.bat";

// "k.bat": waits until the installer processes have ended, then deletes
// what could not be deleted while they ran. Folders are removed only inside
// the installation folder (itself included), children before parents; a
// folder that is not empty stays.
class CleanupBatchFile {
 public:
  explicit CleanupBatchFile(const base::FilePath& installation_folder);
  ~CleanupBatchFile();

  // Process `slot` (1 this process, 2 the first installer process, 3 the
  // parent) to wait for; 0 is ignored.
  void SetProcess(int slot, base::ProcessId pid);
  void AddFile(const base::FilePath& file);
  // Also every ancestor inside the installation folder.
  void AddFolderAndAncestors(const base::FilePath& folder);

  // The text in the code page (the console's: CP_OEMCP). "%" is doubled; a
  // path the code page cannot hold is written as its short path, or left
  // out and logged when it has none.
  std::string GetContents(UINT code_page) const;

  // Writes the installation folder's "k.bat" in the console's code page.
  bool Write(base::FilePath* path) const;

 private:
  const base::FilePath installation_folder_;
  base::ProcessId pids_[3] = {};
  std::vector<base::FilePath> files_;
  std::vector<base::FilePath> folders_;
};

// Starts "k.bat" hidden, without waiting, from the folder above its own.
bool StartCleanupBatchFile(const base::FilePath& batch_file);

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_FINALIZE_CLEANUP_BATCH_FILE_H_

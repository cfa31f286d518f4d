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

  // Whether `text`, a file another process wrote, is a cleanup batch file
  // of `installation_folder` as this class writes it in `code_page`: the
  // lines that wait for up to three processes, exactly as written here,
  // then only "del" lines of files and "rmdir" lines of folders inside the
  // installation folder, and the line that deletes the file itself (and
  // the installation folder). Anything else refuses the text whole.
  static bool IsValidText(const std::string& text,
                          const base::FilePath& installation_folder,
                          UINT code_page);

 private:
  // The lines up to the end of the wait for the processes.
  std::string GetWaitLines() const;

  const base::FilePath installation_folder_;
  base::ProcessId pids_[3] = {};
  std::vector<base::FilePath> files_;
  std::vector<base::FilePath> folders_;
};

// Starts "k.bat" hidden, without waiting, from the folder above its own.
bool StartCleanupBatchFile(const base::FilePath& batch_file);

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_FINALIZE_CLEANUP_BATCH_FILE_H_

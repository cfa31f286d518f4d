#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_FINALIZE_CLEANUP_BATCH_FILE_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_FINALIZE_CLEANUP_BATCH_FILE_H_

#include <windows.h>

#include <string>
#include <vector>

#include "base/files/file_path.h"
#include "base/process/process_handle.h"

inline constexpr wchar_t kCleanupBatchFileName[] = L"k.bat";

// "k.bat": waits until the installer processes have ended (each by its id,
// for at most about half an hour), then deletes what could not be deleted
// while they ran. It deletes only moved-aside copies ("<name>.<seconds>.old",
// names no later installation owns) and removes folders only inside the
// installation folder (itself included), children before parents; a
// folder that is not empty stays. It runs from the installation folder,
// which it leaves first, and names itself by its full path, never as "%0".
class CleanupBatchFile {
 public:
  explicit CleanupBatchFile(const base::FilePath& installation_folder);
  ~CleanupBatchFile();

  static base::FilePath GetPath(const base::FilePath& installation_folder);

  // Process `slot` (1 this process, 2 the first installer process, 3 the
  // parent) to wait for; 0 is ignored.
  void SetProcess(int slot, base::ProcessId pid);
  // A moved-aside copy inside the installation folder.
  void AddFile(const base::FilePath& file);
  // Also every ancestor inside the installation folder.
  void AddFolderAndAncestors(const base::FilePath& folder);

  // The text in the code page (the console's: CP_OEMCP). What cmd treats
  // specially in a path is quoted, and "%" doubled; a path the code page
  // cannot hold is written as its short path, or left out and logged when
  // it has none.
  std::string GetContents(UINT code_page) const;

  // Reads `text`, a file another process wrote, into `batch` when it is a
  // cleanup batch file of `installation_folder` as this class writes it in
  // `code_page`: the lines that wait for up to three processes, exactly as
  // written here, then only "del" lines of moved-aside copies and "rmdir"
  // lines of folders inside the installation folder, and the line that
  // deletes the file itself (and the installation folder). Anything else
  // refuses the text whole.
  static bool Parse(const std::string& text,
                    const base::FilePath& installation_folder,
                    UINT code_page,
                    CleanupBatchFile* batch);
  static bool IsValidText(const std::string& text,
                          const base::FilePath& installation_folder,
                          UINT code_page);
  // Reads the installation folder's file (into `text` too, when given) and
  // parses it in the console's code page; false when it is missing, too
  // large or refused.
  static bool ReadFile(const base::FilePath& installation_folder,
                       CleanupBatchFile* batch,
                       std::string* text);

  // What the file would do once the processes have ended, done now by this
  // process: the copies deleted, the folders removed while empty, children
  // first. Not the installation folder, nor the file itself.
  void CarryOut() const;

  const base::ProcessId* processes() const { return pids_; }

 private:
  // The lines up to the end of the wait for the processes.
  std::string GetWaitLines() const;
  // The folders in the order they are removed: children first, each once.
  std::vector<base::FilePath> GetFoldersInOrder() const;

  const base::FilePath installation_folder_;
  base::ProcessId pids_[3] = {};
  std::vector<base::FilePath> files_;
  std::vector<base::FilePath> folders_;
};

// Starts the "k.bat" at `batch_file` hidden, without waiting.
bool StartCleanupBatchFile(const base::FilePath& batch_file);

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_FINALIZE_CLEANUP_BATCH_FILE_H_

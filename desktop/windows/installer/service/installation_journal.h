#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_INSTALLATION_JOURNAL_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_INSTALLATION_JOURNAL_H_

#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "base/files/file_path.h"
#include "base/win/scoped_handle.h"
#include "desktop/windows/installer/service/shell_shortcut_files.h"
#include "desktop/windows/installer/service/transactions/operation_journal.h"

// What a run that works in an installation folder writes down there, change
// by change and each before it is made, so that the next run can put things
// right when this one is killed at any instant: undo every change in
// reverse order (one never made is left as it is), or, once the run was
// committing, finish the commit (remove the moved-aside files). Only
// changes of files inside the installation folder and of the installer's
// own shortcut files in the shell's folders, and of registry values and
// keys, are written down. A later run takes each change out once it has
// undone it, so that a run killed while undoing leaves only what is still
// to undo.
//
// The line of a change that moves, overwrites or deletes what was there
// reaches the disk before the change is made, and the registry's changes
// before "committing": a power cut never loses what was there before the
// run, nor commits changes that did not reach the disk. Lines of what a run
// only makes are not waited for one by one (about a hundred of them per
// run). Nor is the data of the files a run writes: the installation would
// wait for hundreds of megabytes to reach the disk.
//
// The file is "installation_journal" ("installation_journal_preparation"
// for the backend that prepares the package): a header line with the time
// the run began (seconds since 1970), one line per change, tab-separated (a
// letter; for a file the path and the second path, both relative to the
// installation folder, or absolute for a shortcut file; for the registry
// the root, view, key, and for a value its name, earlier type and data in
// hex, for deleted keys each key with its values), and "committing" once
// the run's work is final. Every line ends with a line feed: an unfinished
// last one is left out.
class InstallationJournal : public OperationJournal {
 public:
  // What a journal left by an earlier run says.
  struct Contents {
    int64_t started = 0;
    bool committing = false;
    // Oldest first; paths absolute, each checked to lie in the folder (or
    // to be one of the installer's shortcut files).
    std::vector<UndoRecord> records;
    // Where each record's line begins in the file.
    std::vector<uint64_t> offsets;

    // Where the file at `path` was before the run: the copy it was moved
    // aside or away to, or `path` itself when the run did not touch it (or
    // ended before it did). False when the run made it (nothing was there
    // before).
    bool FindEarlierFile(const base::FilePath& path, base::FilePath* earlier) const;
  };

  // Whose journal: the backend's that runs the steps, or that of the
  // backend that prepares the package for it and waits for it to end.
  enum class Role { kRun, kPreparation };
  static constexpr Role kRoles[] = {Role::kRun, Role::kPreparation};

  // Starts the journal of a run in `folder`; null when it cannot be made
  // (one is there already, or the folder is not writable): the run then
  // goes on without one.
  // `shortcuts`, when given, are what the journal may name outside the
  // folder.
  static std::unique_ptr<InstallationJournal> Start(const base::FilePath& folder,
                                                    Role role = Role::kRun,
                                                    const ShellShortcutFiles* shortcuts = nullptr);

  static base::FilePath GetPath(const base::FilePath& folder, Role role = Role::kRun);
  // False when `folder` has no journal. Lines that cannot be read, or name
  // a place outside the folder, are left out.
  static bool Read(const base::FilePath& folder,
                   Contents* contents,
                   Role role = Role::kRun,
                   const ShellShortcutFiles* shortcuts = nullptr);
  // Cuts the journal a killed run left at `offset` (the start of the line
  // of a change just undone), and makes that last.
  static bool TakeOutFrom(const base::FilePath& folder, Role role, uint64_t offset);
  // Whether a running process still writes the journal: then it is that
  // run's, not one left by a killed run.
  static bool IsBeingWritten(const base::FilePath& folder, Role role);

  ~InstallationJournal() override;
  InstallationJournal(const InstallationJournal&) = delete;
  InstallationJournal& operator=(const InstallationJournal&) = delete;

  // OperationJournal.
  bool Record(const UndoRecord& record) override;
  uint64_t GetLength() const override;
  void Truncate(uint64_t length) override;

  // The run's work is final: from now on a later run finishes the commit
  // rather than undoing it.
  void MarkCommitting();
  // Nothing is left to put right: the file goes.
  void Remove();

 private:
  InstallationJournal(const base::FilePath& folder,
                      const base::FilePath& path,
                      base::win::ScopedHandle file);

  bool Append(const std::string& line);
  // Writes what was appended to the disk.
  bool Flush();
  // The line of a file change; empty when it is not one the journal covers.
  std::string FileLine(const UndoRecord& record) const;
  // `path` relative to the folder; false when it lies outside.
  bool MakeRelative(const base::FilePath& path, std::string* relative) const;

  const base::FilePath folder_;
  const base::FilePath path_;
  base::win::ScopedHandle file_;
  uint64_t length_ = 0;
  std::optional<ShellShortcutFiles> shortcuts_;
  // The registry roots that lines name, whose changes committing writes to
  // the disk.
  std::set<HKEY> changed_roots_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_INSTALLATION_JOURNAL_H_

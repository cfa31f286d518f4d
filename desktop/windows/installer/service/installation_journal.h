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
#include "desktop/windows/installer/utils/object_writers.h"

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
//
// A journal steers the next run, so it is trusted for who could have
// written it, not for where it lies: the run makes it owned by and open only
// to its own class of accounts (MakeRecordSecurity), and the next run takes
// it only when its owner and access list, read through the handle it reads
// the lines through, admit no one else (GetRecordWriters). Any other is
// ignored whole. So is one far beyond what a run writes.
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
    // Who could have written it.
    ObjectWriters writers = ObjectWriters::kOthers;

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

  // A journal an earlier run left in a folder, opened once: its security,
  // its lines, the taking out of what is undone and its removal all go
  // through that one handle, so what is acted on is what was checked.
  class Left {
   public:
    enum class State {
      kNone,
      // A running process writes it: it is that run's.
      kBeingWritten,
      // It cannot be opened or read (logged).
      kUnusable,
      // Not the run's own, or far beyond what a run writes (logged once, by
      // the run that would undo it).
      kRefused,
      kRead,
    };

    // Opens and reads the journal of `role` in `folder`, trusted when no
    // accounts but `writers` could have written it (kAdministrators for a
    // run for all users, kCurrentUser for one of the user's). `to_undo`
    // opens it to take lines out and remove it, shared with readers only.
    Left(const base::FilePath& folder,
         Role role,
         ObjectWriters writers,
         const ShellShortcutFiles* shortcuts,
         bool to_undo);
    ~Left();
    Left(const Left&) = delete;
    Left& operator=(const Left&) = delete;

    State state() const { return state_; }
    // What it says, once kRead.
    Contents& contents() { return contents_; }

    // Cuts the journal at `offset` (the start of the oldest line just
    // undone), and makes that last.
    bool TakeOutFrom(uint64_t offset);
    // Removes the journal; where it cannot, takes its lines out.
    bool Remove();

   private:
    State Open();
    // Its security and size; `text` receives what it holds.
    State Check(ObjectWriters writers, std::string* text);
    State Parse(const std::string& text, const ShellShortcutFiles* shortcuts);
    // Logs why it is refused.
    State Refuse(const char* reason);

    const base::FilePath folder_;
    const base::FilePath path_;
    const bool to_undo_;
    base::win::ScopedHandle file_;
    State state_ = State::kNone;
    Contents contents_;
  };

  // Starts the journal of a run in `folder`, open only to `writers` (the
  // run's class: kAdministrators for a run for all users, kCurrentUser for
  // one of the user's); null when it cannot be made so (one is there
  // already, the folder is not writable, its file system keeps no such
  // security): the run then goes on without one.
  // `shortcuts`, when given, are what the journal may name outside the
  // folder.
  static std::unique_ptr<InstallationJournal> Start(const base::FilePath& folder,
                                                    ObjectWriters writers,
                                                    Role role = Role::kRun,
                                                    const ShellShortcutFiles* shortcuts = nullptr);

  static base::FilePath GetPath(const base::FilePath& folder, Role role = Role::kRun);
  // To look at the installation as it was before a killed run: false when
  // `folder` has no journal that a run of this user's, or the
  // administrators', could have written. Lines that cannot be read, or name
  // a place outside the folder, are left out.
  static bool Read(const base::FilePath& folder,
                   Contents* contents,
                   Role role = Role::kRun,
                   const ShellShortcutFiles* shortcuts = nullptr);

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
  // Whether a record's line fits in what the next run reads.
  bool HasRoomFor(const std::string& line) const;
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
  // Where each record's line ends.
  std::vector<uint64_t> line_ends_;
  std::optional<ShellShortcutFiles> shortcuts_;
  // The registry roots that lines name, whose changes committing writes to
  // the disk.
  std::set<HKEY> changed_roots_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_INSTALLATION_JOURNAL_H_

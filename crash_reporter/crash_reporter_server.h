#ifndef CRASH_REPORTER_CRASH_REPORTER_SERVER_H_
#define CRASH_REPORTER_CRASH_REPORTER_SERVER_H_

#include <windows.h>

#include <atomic>
#include <cstdint>

#include "base/files/file_path.h"

namespace base {
class CommandLine;
}

namespace crash_reporter {

class ClientInfo;
class CountFileStore;
class PendingWork;

inline constexpr int64_t kClientDumpSizeCap = 3072000;

// What the dump callback shares with the reporter.
struct ServerContext {
  base::FilePath dump_directory;
  CountFileStore* counts = nullptr;  // may be null: no count file known
  PendingWork* pending = nullptr;
  bool keep_logs = false;
};

// The reporter's main, for the process started with
// `crash-reporter-parent-id`: serves crash dumps of its parent and of the
// processes that join it, until the parent ended and every upload is done.
// 0 after an orderly end, -1 when it could not start. `command_line` is
// the process's own.
int RunCrashReporterServer(const base::CommandLine& command_line);

// The dump callback: writes the client's dump, counts the crash and
// queues the upload.
void OnClientDumpRequest(void* context, const ClientInfo& client);

// "<product>-crashlog-<reporter pid>-<index>.dmp"; indexes start at 1.
base::FilePath MakeDumpPath(const base::FilePath& directory);

}  // namespace crash_reporter

#endif  // CRASH_REPORTER_CRASH_REPORTER_SERVER_H_

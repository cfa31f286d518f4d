#ifndef CRASH_REPORTER_CRASH_UPLOAD_H_
#define CRASH_REPORTER_CRASH_UPLOAD_H_

#include <string>

#include "base/files/file_path.h"
#include "crash_reporter/client_keys.h"

namespace crash_reporter {

class PendingWork;

struct UploadTask {
  CrashParameters parameters;
  base::FilePath dump_path;
  bool gzip = true;
  bool delete_dump = true;
};

// Posts the dump with its parameters to the crash server; true only for
// an answer 200. Deletes the dump afterwards when the task says so,
// whatever the result.
bool UploadCrashDump(const UploadTask& task);

// Uploads on a thread-pool thread; `pending` counts the upload until it is
// done. False (and the dump deleted when asked) when it cannot be queued.
bool QueueCrashUpload(const base::FilePath& dump_path, const CrashParameters& parameters,
                      bool delete_dump, PendingWork* pending);

// Uploads on a thread of its own and waits for it (the transport's time
// limits bound the wait); false also when no thread could be started, the
// dump then deleted when asked.
bool UploadCrashDumpOnOwnThread(const UploadTask& task);

// Uploads at once, deleting nothing.
bool UploadCrashDumpSync(const base::FilePath& dump_path, const CrashParameters& parameters,
                         bool gzip);

// The crash server's URL: the alternative-server variable when set, else
// the product's collector; decided on first use.
std::wstring GetCrashServerUrl();
// Replaces the URL (empty: the decided one again).
void SetCrashServerUrlForTesting(const std::wstring& url);

}  // namespace crash_reporter

#endif  // CRASH_REPORTER_CRASH_UPLOAD_H_
